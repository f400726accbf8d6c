#pragma once
// Shared by the main-window tests: a small hand-made prefix with stale
// entries in several sections, a desktop that answers message boxes and modal
// windows instead of a person, and a fixture that gives every test its own
// fresh prefix, program folder, settings and main window.
#include "engine/problemlist.h"
#include "mainwindow/frmstart.h"
#include "platform/desktop.h"
#include "tests/support/printto.h"
#include "tests/support/windowseamguard.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPixmap>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <QToolBar>

#include <array>
#include <functional>
#include <memory>
#include <ostream>

namespace windowtest {

// Message boxes are recorded and answered with OK; sounds are counted.
// Modal windows are recorded with their texts and, unless `onModal` answers
// them, closed with their default button (rejected when they have none).
class FakeDesktop : public platform::Desktop {
public:
    struct Box {
        QString text;
        int style;
        QString title;
    };
    struct Modal {
        QString name;  // the window's object name
        QString title;
        QMap<QString, QString> texts;  // named labels and buttons, as shown
    };
    QList<Box> boxes;
    QList<Modal> modals;
    QStringList sounds;
    // Runs while a modal window is open; it may press or close it.
    std::function<void(QDialog&)> onModal;

    int messageBox(const QString& text, int style, const QString& title) override
    {
        boxes.append({text, style, title});
        return 1;
    }
    int runModal(QObject* dialog) override;
    QString browseForFolder(const QString&) override { return {}; }
    void playSound(const QString& linuxPath) override { sounds << linuxPath; }
    void setWindowAlpha(QObject*, int) override {}

    // Clicks the dialog's default button; false when it has none.
    static bool pressDefaultButton(QDialog& dialog);
};

// Writes a prefix under `dir` (a Linux folder): registry files in Wine's
// format with stale entries in the Active X, Application Paths, Help Files,
// Fonts, Shared Program Files and Startup Programs sections, each next to an
// entry whose file exists, a C: drive and Z: for "/". Returns false on failure.
bool writeFixturePrefix(const QString& dir);

// Problems the fixture gives, per section in the scan's order (counter texts).
extern const char* const kFixtureCounters[9];
// Total rows of a full scan.
constexpr int kFixtureProblems = 8;

// The main window's controls by their object names; a missing one fails the
// test. Menu items and separators are actions under the window's menus.
QAction* menuItem(const FrmStart& w, const char* name);
QToolBar* toolBar(const FrmStart& w);
StatusPanels* statusBar(const FrmStart& w);
RegistryCleanerPage* registryCleanerPage(const FrmStart& w);
ProblemPage* showErrorPage(const FrmStart& w);
RescueCenterPage* rescueCenterPage(const FrmStart& w);

// The eight switchable menu items as T/F, in SetMenusEnabled's order.
QString menuStates(const FrmStart& w);
bool sameImage(const QPixmap& a, const QPixmap& b);
// The nine section boxes of the Registry Cleaner page, in the scan's order.
std::array<QCheckBox*, 9> sectionBoxes(const FrmStart& w);
// The nine counters of the scanning page, in the scan's order.
std::array<QLabel*, 9> sectionCounters(const FrmStart& w);
// A picture button of the window by its three pictures' names.
PictureButton pictureButton(const FrmStart& w, const char* normal, const char* hover, const char* pressed);
// Frame `index` (from 0) of the busy animation.
QPixmap busyFrame(int index);
engine::ProblemRow problem(const QString& section, const QString& name, const QString& value,
                           const QString& keyPath = QStringLiteral("Software\\Test"));

extern const QString kApp;
extern const QString kSettingsSection;

// Each test: a fresh fixture prefix and program folder, empty settings, the
// fake desktop, window timers at 1/100 of their time, and a loaded main
// window. Everything is closed and removed afterwards, so no test sees
// another's changes.
class FrmStartTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new loaded main window in place of the current one.
    void reopenWindow();

    template <typename T = QWidget>
    T* find(const QString& name) const
    {
        T* w = window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QString panel(int i) const { return statusBar(*window)->panelText(i); }
    // Sets the section boxes so that only `sections` are checked.
    void chooseOnly(std::initializer_list<int> sections);
    // Runs the Scan action and answers the completion box (after `atBox`);
    // returns the box's text.
    QString scanAndAnswer(std::function<void()> atBox = {});
    // Runs the Scan action; at the first message pump while the scan runs,
    // `act` runs once. Returns whether it ran.
    bool duringScan(std::function<void()> act);
    QStringList counters() const;
    bool markerAtSection(int i) const;

    QString prefixDir;
    QString programDir;
    FakeDesktop desktop;
    // The fixture's seams, and the ones a test adds; all put back after it.
    testenv::WindowSeamGuard seams;
    std::unique_ptr<FrmStart> window;
};

}  // namespace windowtest
