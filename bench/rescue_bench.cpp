// Times the Rescue Center's page switch in the real main window (offscreen)
// over a folder "Restore" of N backups of one to three records each, until
// the window has painted and its event loop is idle. Nothing of the user's
// is read: the program folder and its drive are made in a temporary folder.
// Prints one "name: value" line per figure.
//
// usage: rescue_bench [--backups N] [--repeat N]
#include "engine/backup.h"
#include "engine/backupstore.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/qtdesktop.h"
#include "platform/desktop.h"
#include "platform/prefix.h"
#include "platform/winfile.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool writeBackups(const QString& folder, int count)
{
    if (!QDir().mkpath(folder))
        return false;
    const QDateTime start(QDate(2020, 1, 1), QTime(0, 0, 0));
    for (int i = 0; i < count; ++i) {
        QFile f(folder + QLatin1Char('/') + engine::BackupFileName(start.addSecs(i)));
        if (!f.open(QIODevice::WriteOnly))
            return false;
        for (int line = 0; line <= i % 3; ++line)
            f.write("\\hR\\\r\n");
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    int backups = 10000;
    int repeat = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--backups") == 0)
            backups = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--repeat") == 0)
            repeat = std::max(1, std::atoi(argv[i + 1]));
    }
    QTemporaryDir work;
    if (!work.isValid())
        return 1;
    // Settings go to the temporary folder, never to the user's.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work.path() + QStringLiteral("/config")));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    mainwindow::QtDesktop desktop;
    platform::setDesktop(&desktop);

    const QString prefix = work.path() + QStringLiteral("/prefix");
    const QString program = prefix + QStringLiteral("/drive_c/velmora");
    if (!QDir().mkpath(prefix + QStringLiteral("/dosdevices"))
        || !QFile::link(QStringLiteral("../drive_c"), prefix + QStringLiteral("/dosdevices/c:"))
        || !writeBackups(program + QStringLiteral("/Restore"), backups)) {
        std::fprintf(stderr, "cannot make the backups in %s\n", qPrintable(work.path()));
        return 1;
    }
    platform::attachDrives(prefix);
    platform::setProgramFolderLinux(program);

    FrmStart window;
    const QTreeWidget* list = window.findChild<QTreeWidget*>(QStringLiteral("lvwBackUp"));
    if (!list)
        return 1;
    window.show();
    QCoreApplication::processEvents();
    std::vector<double> times;
    for (int i = 0; i < repeat; ++i) {
        window.mnuFileRegistryCleaner_Click();
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        window.mnuFileRescueCenter_Click();
        window.repaint();
        QCoreApplication::processEvents();
        times.push_back(clock.nsecsElapsed() / 1e6);
        if (list->topLevelItemCount() != backups) {
            std::fprintf(stderr, "listed %d of %d backups\n", list->topLevelItemCount(), backups);
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("rescue_list_%d_median_ms: %.1f\n", backups, times[times.size() / 2]);
    std::printf("rescue_list_%d_max_ms: %.1f\n", backups, times.back());
    platform::detachDrives();
    platform::setDesktop(nullptr);
    return 0;
}
