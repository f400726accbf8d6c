// The seam guards: what one installs is in place while it lives; when it
// goes, each seam it changed is back as it was, the one an outer guard
// installed included, and a seam it did not change is left alone.
#include "mainwindow/programstart.h"
#include "mainwindow/timing.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/prefix.h"
#include "tests/support/windowseamguard.h"

#include <gtest/gtest.h>

namespace {

class QuietDesktop : public platform::Desktop {
public:
    int messageBox(const QString&, int, const QString&) override { return 1; }
    int runModal(QObject*) override { return 0; }
    QString browseForFolder(const QString&) override { return {}; }
    void playSound(const QString&) override {}
    void setWindowAlpha(QObject*, int) override {}
};

TEST(SeamGuard, NestedGuardsGiveEachSeamBackToTheOuterOne)
{
    const QString exeFolder = platform::programFolderLinux();
    const QDateTime t1(QDate(2007, 3, 13), QTime(10, 15, 30));
    const QDateTime t2(QDate(2031, 12, 1), QTime(0, 0, 0));
    QuietDesktop outerDesktop;
    {
        testenv::SeamGuard outer;
        outer.programFolder(QStringLiteral("/outer")).desktop(&outerDesktop).clock([t1] { return t1; });
        {
            testenv::SeamGuard inner;
            inner.programFolder(QStringLiteral("/inner")).clock([t2] { return t2; });
            inner.programFolder(QStringLiteral("/inner again"));  // twice: the outer's still comes back
            EXPECT_EQ(platform::programFolderLinux(), QStringLiteral("/inner again"));
            EXPECT_EQ(platform::currentDateTime(), t2);
            EXPECT_EQ(&platform::desktop(), &outerDesktop);
        }
        EXPECT_EQ(platform::programFolderLinux(), QStringLiteral("/outer"));
        EXPECT_EQ(platform::currentDateTime(), t1);
        EXPECT_EQ(&platform::desktop(), &outerDesktop) << "a seam the inner guard left alone";
    }
    EXPECT_EQ(platform::programFolderLinux(), exeFolder);
    EXPECT_NE(&platform::desktop(), &outerDesktop);
    EXPECT_LE(qAbs(platform::currentDateTime().secsTo(QDateTime::currentDateTime())), 5);
}

TEST(WindowSeamGuard, TimingScaleAndCommandLineComeBack)
{
    const double scale = mainwindow::timingScale();
    const QString command = mainwindow::Command();
    {
        testenv::WindowSeamGuard outer;
        outer.timingScale(0.01);
        outer.command(QStringLiteral("ShowError"));
        {
            testenv::WindowSeamGuard inner;
            inner.timingScale(1000);
            inner.command(QString());
            EXPECT_EQ(mainwindow::timingScale(), 1000);
            EXPECT_EQ(mainwindow::Command(), QString());
        }
        EXPECT_EQ(mainwindow::timingScale(), 0.01);
        EXPECT_EQ(mainwindow::Command(), QStringLiteral("ShowError"));
    }
    EXPECT_EQ(mainwindow::timingScale(), scale);
    EXPECT_EQ(mainwindow::Command(), command);
}

}  // namespace
