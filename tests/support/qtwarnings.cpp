#include "tests/support/qtwarnings.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QMessageLogContext>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

namespace testenv {

namespace {

// Warnings that say nothing about the program: limits of the platform the
// tests run on. Anything a single test provokes on purpose belongs in an
// ExpectQtWarning of that test instead.
constexpr const char* kPlatformNoise[] = {
    // The offscreen platform has no window manager to pass size hints to,
    // nor a compositor for opacity; the tests check the values set instead.
    "This plugin does not support propagateSizeHints()",
    "This plugin does not support setting window opacity",
    // No sound server on a test machine (CI has none, a desktop has one):
    // the click sound then plays nowhere, which the tests accept.
    "PulseAudioService: pa_context_connect() failed",
};

struct Expectation {
    int id;
    QString pattern;
    ExpectQtWarning::Times times;
    int seen = 0;
};

struct State {
    std::mutex mutex;
    std::vector<Expectation> expected;
    int nextId = 0;
    QtMessageHandler previous = nullptr;
};

State& state()
{
    static State s;
    return s;
}

std::atomic<bool> g_outsideTests{false};

const char* levelName(QtMsgType type)
{
    switch (type) {
    case QtWarningMsg: return "warning";
    case QtCriticalMsg: return "critical message";
    case QtFatalMsg: return "fatal message";
    default: return "message";
    }
}

// True when an expectation or the platform noise covers the message.
bool covered(const QString& message)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    // The newest expectation first: a test's own guard counts before an
    // older, wider one.
    for (auto it = s.expected.rbegin(); it != s.expected.rend(); ++it) {
        if (message.contains(it->pattern)) {
            ++it->seen;
            return true;
        }
    }
    return std::any_of(std::begin(kPlatformNoise), std::end(kPlatformNoise),
                       [&](const char* noise) { return message.contains(QLatin1String(noise)); });
}

void handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    // Everything still reaches the log as before.
    if (QtMessageHandler previous = state().previous)
        previous(type, context, message);
    if (type != QtWarningMsg && type != QtCriticalMsg && type != QtFatalMsg)
        return;
    if (type != QtFatalMsg && covered(message))
        return;

    std::string text = message.toStdString();
    if (context.category && std::string(context.category) != "default")
        text = std::string(context.category) + ": " + text;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (test) {
        ADD_FAILURE() << "Unexpected Qt " << levelName(type) << " in " << test->test_suite_name() << '.'
                      << test->name() << ": " << text;
    } else {
        g_outsideTests = true;
        std::fprintf(stderr, "Unexpected Qt %s outside any test: %s\n", levelName(type), text.c_str());
        std::fflush(stderr);
    }
}

}  // namespace

void installQtMessageCheck()
{
    state().previous = qInstallMessageHandler(handler);
}

bool unexpectedQtWarningOutsideTests()
{
    return g_outsideTests;
}

ExpectQtWarning::ExpectQtWarning(const QString& pattern, Times times)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    m_id = s.nextId++;
    s.expected.push_back({m_id, pattern, times});
    // An empty pattern would cover every warning.
    if (pattern.isEmpty())
        ADD_FAILURE() << "An ExpectQtWarning needs a pattern";
}

ExpectQtWarning::~ExpectQtWarning()
{
    Expectation gone{};
    {
        State& s = state();
        std::lock_guard lock(s.mutex);
        const auto it = std::find_if(s.expected.begin(), s.expected.end(),
                                     [&](const Expectation& e) { return e.id == m_id; });
        gone = *it;
        s.expected.erase(it);
    }
    if (gone.times == Required && gone.seen == 0)
        ADD_FAILURE() << "The expected Qt warning \"" << gone.pattern.toStdString() << "\" never appeared";
}

int ExpectQtWarning::count() const
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    for (const Expectation& e : s.expected) {
        if (e.id == m_id)
            return e.seen;
    }
    return 0;
}

}  // namespace testenv
