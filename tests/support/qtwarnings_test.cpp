// The test main's Qt message check: what fails a test and what does not.
#include "tests/support/qtwarnings.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QLoggingCategory>

#include <thread>

namespace {

Q_LOGGING_CATEGORY(lcSample, "velmora.sample")

void warn(const char* text) { qWarning("%s", text); }

TEST(QtMessageCheck, UnexpectedWarningsFailTheRunningTestByName)
{
    EXPECT_NONFATAL_FAILURE(warn("something odd"),
                            "Unexpected Qt warning in QtMessageCheck.UnexpectedWarningsFailTheRunningTestByName: "
                            "something odd");
    EXPECT_NONFATAL_FAILURE(qCritical("worse"), "Unexpected Qt critical message");
    EXPECT_NONFATAL_FAILURE(qCWarning(lcSample, "from a category"), "velmora.sample: from a category");
    // A warning from another thread counts for the test that runs.
    EXPECT_NONFATAL_FAILURE_ON_ALL_THREADS(std::thread([] { warn("from a thread"); }).join(), "from a thread");
}

TEST(QtMessageCheck, DebugInfoAndPlatformNoisePass)
{
    qDebug("a debug line");
    qInfo("an info line");
    warn("This plugin does not support propagateSizeHints()");
}

TEST(QtMessageCheck, AnExpectationCoversItsWarningsOnly)
{
    testenv::ExpectQtWarning decoding(QStringLiteral("Error decoding source"));
    warn("QSoundEffect(qaudio): Error decoding source file:///none.wav");
    warn("Error decoding source again");
    EXPECT_EQ(decoding.count(), 2);
    EXPECT_NONFATAL_FAILURE(warn("another warning"), "another warning");
    EXPECT_EQ(decoding.count(), 2);
}

TEST(QtMessageCheck, AnExpectationEndsWithItsScope)
{
    { testenv::ExpectQtWarning inner(QStringLiteral("scoped"), testenv::ExpectQtWarning::MayAppear); }
    EXPECT_NONFATAL_FAILURE(warn("scoped"), "Unexpected Qt warning");
}

TEST(QtMessageCheck, ARequiredWarningThatNeverCameFails)
{
    EXPECT_NONFATAL_FAILURE({ testenv::ExpectQtWarning never(QStringLiteral("never said")); },
                            "The expected Qt warning \"never said\" never appeared");
    // One that may appear does not need to.
    testenv::ExpectQtWarning maybe(QStringLiteral("may be said"), testenv::ExpectQtWarning::MayAppear);
    EXPECT_EQ(maybe.count(), 0);
}

TEST(QtMessageCheck, AnEmptyPatternIsRefused)
{
    const auto makeEmpty = [] { testenv::ExpectQtWarning empty(QString(), testenv::ExpectQtWarning::MayAppear); };
    EXPECT_NONFATAL_FAILURE(makeEmpty(), "needs a pattern");
}

}  // namespace
