// Times the program's start, from process start until the first window a
// user acts on is shown and the event loop is idle:
//   ordinary  the start-up window's fade (its timers made instant), then the
//             main window;
//   logon     "ShowError" with three saved problems, up to the summary;
//   continue  the same, the summary answered with Continue as soon as it is
//             shown, up to the main window (no Wine server runs, so there
//             is nothing to wait for).
// Each run is a new process of this program (started with --child), on a
// copy of the given prefix's registry (its drives point at the original), so
// the prefix given is only read. Prints one "name: value" line per figure.
//
// usage: startup_bench PREFIX [--repeat N]
#include "mainwindow/frmsplash.h"
#include "mainwindow/programstart.h"
#include "mainwindow/qtdesktop.h"
#include "mainwindow/timing.h"
#include "platform/desktop.h"
#include "platform/prefix.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// In the child: once `windowName` is shown and the loop has nothing more to
// do, says "ready" and ends the program.
class ReadyWatch : public QObject {
public:
    explicit ReadyWatch(const QString& windowName) : m_name(windowName) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_seen && event->type() == QEvent::Show && watched->objectName() == m_name) {
            m_seen = true;
            QTimer::singleShot(0, [] {
                std::fputs("ready\n", stdout);
                std::fflush(stdout);
                mainwindow::End();
            });
        }
        return false;
    }

private:
    QString m_name;
    bool m_seen = false;
};

// In the child: presses Continue on the start-up summary once it is shown.
class ContinueAnswer : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == QLatin1String("FrmSmmaryStartup")) {
            auto* dialog = static_cast<QWidget*>(watched);
            QTimer::singleShot(0, dialog, [dialog] {
                if (auto* button = dialog->findChild<QPushButton*>(QStringLiteral("cmdcontinue")))
                    button->click();
            });
        }
        return false;
    }
};

int runChild(int argc, char** argv, const QString& road)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    mainwindow::QtDesktop desktop;
    platform::setDesktop(&desktop);
    const bool logon = road == QLatin1String("logon");
    const bool continues = road == QLatin1String("continue");
    mainwindow::setCommand(logon || continues ? QStringLiteral("ShowError") : QString());
    ReadyWatch watch(logon ? QStringLiteral("FrmSmmaryStartup") : QStringLiteral("FrmStart"));
    app.installEventFilter(&watch);
    ContinueAnswer answer;
    if (continues)
        app.installEventFilter(&answer);
    // The fade's timers, instant from their first tick.
    QTimer::singleShot(0, [] {
        if (FrmSplash* splash = mainwindow::loadedFrmSplash()) {
            splash->findChild<QTimer*>(QStringLiteral("Timer1"))->setInterval(0);
            splash->findChild<QTimer*>(QStringLiteral("Timer2"))->setInterval(0);
        }
    });
    const int code = mainwindow::runProgram();
    platform::closePrefix();
    platform::setDesktop(nullptr);
    return code;
}

// A prefix of our own: copies of the registry files, the drives of the
// original.
bool copyPrefix(const QString& from, const QString& to)
{
    for (const char* file : {"system.reg", "user.reg", "userdef.reg"}) {
        if (!QFile::copy(from + QLatin1Char('/') + QLatin1String(file), to + QLatin1Char('/') + QLatin1String(file)))
            return false;
    }
    if (!QDir().mkpath(to + QStringLiteral("/dosdevices")))
        return false;
    const QDir devices(from + QStringLiteral("/dosdevices"));
    for (const QFileInfo& link : devices.entryInfoList(QDir::System | QDir::AllEntries | QDir::NoDotAndDotDot)) {
        if (!link.isSymLink())
            continue;
        QString target = link.symLinkTarget();
        if (!QFile::link(target, to + QStringLiteral("/dosdevices/") + link.fileName()))
            return false;
    }
    return true;
}

// Milliseconds from starting a child until it says "ready"; -1 on failure.
double timeOneStart(const QString& self, const QString& road, const QString& prefix, const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), prefix);
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    child.start(self, {QStringLiteral("--child"), road});
    if (!child.waitForStarted(10000))
        return -1;
    QByteArray out;
    while (!out.contains("ready\n")) {
        if (!child.waitForReadyRead(20000))
            break;
        out += child.readAllStandardOutput();
    }
    const double ms = clock.nsecsElapsed() / 1e6;
    child.waitForFinished(20000);
    return out.contains("ready\n") ? ms : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PREFIX [--repeat N]\n", argv[0]);
        return 2;
    }
    QCoreApplication app(argc, argv);
    const QString source = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    int repeat = 10;
    if (argc >= 4 && std::strcmp(argv[2], "--repeat") == 0)
        repeat = std::max(1, std::atoi(argv[3]));

    QTemporaryDir work;
    const QString prefix = work.path() + QStringLiteral("/prefix");
    const QString home = work.path() + QStringLiteral("/home");
    if (!work.isValid() || !QDir().mkpath(prefix) || !QDir().mkpath(home + QStringLiteral("/runtime"))
        || !copyPrefix(source, prefix)) {
        std::fprintf(stderr, "cannot copy the prefix %s\n", qPrintable(source));
        return 1;
    }
    QFile::setPermissions(home + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // The program folder is this program's: three saved problems for the
    // logon road, removed again at the end.
    const QString results = QCoreApplication::applicationDirPath() + QStringLiteral("/Scan.ocx");
    const QString self = QCoreApplication::applicationFilePath();

    for (const char* road : {"ordinary", "logon", "continue"}) {
        QFile::remove(results);
        if (std::strcmp(road, "ordinary") != 0) {
            QFile f(results);
            if (!f.open(QIODevice::WriteOnly) || f.write("one\r\ntwo\r\nthree\r\n") != 17) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(results));
                return 1;
            }
        }
        std::vector<double> times;
        for (int i = 0; i < repeat; ++i) {
            const double ms = timeOneStart(self, QString::fromLatin1(road), prefix, home);
            if (ms < 0) {
                std::fprintf(stderr, "the %s start did not get ready\n", road);
                QFile::remove(results);
                return 1;
            }
            times.push_back(ms);
        }
        std::sort(times.begin(), times.end());
        std::printf("startup_%s_median_ms: %.1f\n", road, times[times.size() / 2]);
        std::printf("startup_%s_max_ms: %.1f\n", road, times.back());
    }
    QFile::remove(results);
    return 0;
}
