// The scan as the user waits for it: the real main window on a virtual X
// display of the bench's own, from the Scan action to the scan-complete box,
// beside the engine's scan of the same keys without a window. For each scale
// (default 1 and 10) it works on a copy of the prefix's registry with that
// many times the scanned keys and values; the prefix given is only read.
// Prints one "name: value" line per figure, each scale's block after its
// "scale" line.
//
// usage: scan_window_bench PREFIX [--scales 1,10] [--repeat N]
#include "bench/benchprefix.h"
#include "engine/scandriver.h"
#include "engine/scanwalk.h"
#include "mainwindow/frmnextmessagebox.h"
#include "mainwindow/frmstart.h"
#include "platform/desktop.h"
#include "platform/prefix.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// An Xvfb of the bench's own. It picks a free display itself (-displayfd),
// so benches and tests starting displays at the same time cannot take the
// same one.
class OwnDisplay {
public:
    ~OwnDisplay() { stop(); }

    bool start(const QString& logPath, QString& display, QString& error)
    {
        int fds[2];
        if (::pipe(fds) != 0) {
            error = QStringLiteral("no pipe for Xvfb");
            return false;
        }
        const QByteArray fd = QByteArray::number(fds[1]);
        const QByteArray log = logPath.toLocal8Bit();
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            const int out = ::open(log.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out >= 0) {
                ::dup2(out, 1);
                ::dup2(out, 2);
            }
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.constData(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                     "-noreset", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        if (m_pid < 0) {
            ::close(fds[0]);
            error = QStringLiteral("cannot start Xvfb");
            return false;
        }
        // Xvfb writes the display's number once it accepts clients.
        QByteArray number;
        QElapsedTimer waited;
        waited.start();
        while (!number.endsWith('\n') && waited.elapsed() < 20000) {
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, 200) <= 0)
                continue;
            char c;
            if (::read(fds[0], &c, 1) != 1)
                break;
            number += c;
        }
        ::close(fds[0]);
        if (!number.endsWith('\n')) {
            error = QStringLiteral("Xvfb did not start (see %1)").arg(logPath);
            stop();
            return false;
        }
        display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
        return true;
    }

    void stop()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
};

// Answers the scan-complete box with Next once it is on the screen, and
// notes when the window asked for it and when it was shown.
class BenchDesktop final : public platform::Desktop {
public:
    QElapsedTimer* clock = nullptr;
    double boxAskedMs = -1;
    double boxShownMs = -1;
    QString boxText;
    QStringList messages;

    int messageBox(const QString& text, int, const QString&) override
    {
        messages << text;
        return 1;
    }
    int runModal(QObject* dialog) override
    {
        boxAskedMs = clock->nsecsElapsed() / 1e6;
        auto* box = qobject_cast<FrmNextMessageBox*>(dialog);
        if (!box)
            return 0;
        boxText = box->findChild<QLabel*>(QStringLiteral("lblprob"))->text();
        auto* poll = new QTimer(box);
        poll->setInterval(0);
        QObject::connect(poll, &QTimer::timeout, box, [this, box, poll] {
            if (!box->windowHandle() || !box->windowHandle()->isExposed())
                return;
            boxShownMs = clock->nsecsElapsed() / 1e6;
            poll->stop();
            box->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        });
        poll->start();
        return box->exec();
    }
    QString browseForFolder(const QString&) override { return {}; }
    void playSound(const QString&) override {}
    void setWindowAlpha(QObject*, int) override {}
};

bool waitExposed(QWidget& w)
{
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (w.windowHandle() && w.windowHandle()->isExposed())
            return true;
    }
    return false;
}

void print(const char* name, const QString& value)
{
    std::printf("%s: %s\n", name, value.toUtf8().constData());
    std::fflush(stdout);
}

QString ms(double v)
{
    return QString::number(v, 'f', 1);
}

struct Figures {
    long long keys = 0, values = 0, pumps = 0;
    int rows = 0;
    double engineMs = 0;
    double windowMs = 0, windowFirstMs = 0, boxShownMs = 0;
    QString box;
    QStringList messages;
};

// The engine's scan of the open prefix, its pump only counted.
void engineScan(int repeat, Figures& f)
{
    long long pumps = 0;
    engine::ProblemList rows;
    const engine::ScanContext scan{rows, nullptr, [&pumps] { ++pumps; }};
    for (int run = 0; run < repeat; ++run) {
        engine::walkStats() = {};
        pumps = 0;
        QElapsedTimer timer;
        timer.start();
        engine::scanAllSections(scan);
        const double t = timer.nsecsElapsed() / 1e6;
        f.engineMs = run == 0 ? t : std::min(f.engineMs, t);
    }
    f.keys = engine::walkStats().keys;
    f.values = engine::walkStats().values;
    f.rows = rows.count();
    f.pumps = pumps;
}

// The main window shown, every section chosen, Scan chosen `repeat` times.
bool windowScan(int repeat, BenchDesktop& desktop, Figures& f)
{
    FrmStart window;
    window.Form_Load();
    const auto* page = window.findChild<RegistryCleanerPage*>(QStringLiteral("PicRegistryCleaner"));
    for (QCheckBox* box : page->findChildren<QCheckBox*>())
        box->setChecked(true);
    window.show();
    if (!waitExposed(window)) {
        std::fprintf(stderr, "scan_window_bench: the main window was never shown\n");
        return false;
    }
    for (int run = 0; run < repeat; ++run) {
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        desktop.clock = &clock;
        desktop.boxAskedMs = desktop.boxShownMs = -1;
        clock.start();
        window.mnuCleaningScanRegitry_Click();
        if (desktop.boxAskedMs < 0) {
            f.messages = desktop.messages;
            return false;
        }
        if (run == 0)
            f.windowFirstMs = desktop.boxAskedMs;
        if (run == 0 || desktop.boxAskedMs < f.windowMs) {
            f.windowMs = desktop.boxAskedMs;
            f.boxShownMs = desktop.boxShownMs;
        }
        f.box = desktop.boxText;
    }
    return true;
}

int usage()
{
    std::fprintf(stderr, "usage: scan_window_bench PREFIX [--scales 1,10] [--repeat N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    QString prefix;
    std::vector<int> scales = {1, 10};
    int repeat = 3;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--scales") && i + 1 < argc) {
            scales.clear();
            for (const QString& s : QString::fromLocal8Bit(argv[++i]).split(QLatin1Char(',')))
                scales.push_back(std::max(1, s.toInt()));
        } else if (a == QLatin1String("--repeat") && i + 1 < argc) {
            repeat = std::max(1, QString::fromLocal8Bit(argv[++i]).toInt());
        } else if (!a.startsWith(QLatin1String("--")) && prefix.isEmpty()) {
            prefix = QFileInfo(a).absoluteFilePath();
        } else {
            return usage();
        }
    }
    if (prefix.isEmpty() || scales.empty())
        return usage();

    // Settings and runtime files in a folder of the bench's own.
    QTemporaryDir work;
    if (!work.isValid())
        return 1;
    for (const char* dir : {"config", "runtime", "program"})
        QDir(work.path()).mkpath(QLatin1String(dir));
    ::chmod(QFile::encodeName(work.path() + u"/runtime"_s).constData(), 0700);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work.path() + u"/config"_s));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(work.path() + u"/runtime"_s));

    OwnDisplay xvfb;
    QString display, error;
    if (!xvfb.start(work.path() + u"/xvfb.log"_s, display, error)) {
        std::fprintf(stderr, "scan_window_bench: %s\n", error.toUtf8().constData());
        return 1;
    }
    qputenv("DISPLAY", display.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");

    int status = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(FrmStart::productName());
        BenchDesktop desktop;
        platform::setDesktop(&desktop);
        platform::setProgramFolderLinux(work.path() + u"/program"_s);
        print("prefix", prefix);
        print("display", display + u" (Xvfb, "_s + QGuiApplication::platformName() + u")"_s);
        for (int scale : scales) {
            QTemporaryDir copy;
            const bool made = copy.isValid()
                && (scale > 1 ? bench::buildScaledPrefix(prefix, copy.path(), scale, error)
                              : bench::copyPrefix(prefix, copy.path(), error));
            if (!made) {
                std::fprintf(stderr, "scan_window_bench: %s\n", error.toUtf8().constData());
                status = 1;
                break;
            }
            const platform::PrefixError opened = platform::openPrefix(copy.path());
            if (!opened.ok) {
                std::fprintf(stderr, "scan_window_bench: %s\n", opened.message.toUtf8().constData());
                status = 1;
                break;
            }
            Figures f;
            engineScan(repeat, f);
            const bool shown = windowScan(repeat, desktop, f);
            platform::closePrefix();
            print("scale", QString::number(scale));
            print("keys", QString::number(f.keys));
            print("values", QString::number(f.values));
            print("rows", QString::number(f.rows));
            print("pumps", QString::number(f.pumps));
            print("engine_scan_ms", ms(f.engineMs));
            if (!shown) {
                std::fprintf(stderr, "scan_window_bench: no scan-complete box; the window said: %s\n",
                             f.messages.join(u" / "_s).toUtf8().constData());
                status = 1;
                break;
            }
            print("window_scan_ms", ms(f.windowMs));
            print("window_scan_first_ms", ms(f.windowFirstMs));
            print("box_shown_ms", ms(f.boxShownMs));
            print("window_per_pump_us",
                  QString::number(f.pumps > 0 ? (f.windowMs - f.engineMs) * 1000.0 / f.pumps : 0.0, 'f', 2));
            print("window_over_engine", QString::number(f.engineMs > 0 ? f.windowMs / f.engineMs : 0.0, 'f', 2));
            print("box", f.box);
            if (f.box != QStringLiteral("Scanning is complete : %1 problems found.").arg(f.rows))
                status = 1;
        }
        platform::setDesktop(nullptr);
    }
    xvfb.stop();
    return status;
}
