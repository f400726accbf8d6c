// The saved choices: the nine section boxes (the page saves them, they are
// read back here), the start-up option with its logon entry, and the two view
// options with the window height they change. Each is saved the moment it
// changes and read back at load.
#include "engine/logonentry.h"
#include "engine/registrychange.h"
#include "mainwindow/registrynotice.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/productname.h"
#include "mainwindow/twips.h"
#include "platform/desktop.h"
#include "platform/prefix.h"
#include "platform/settings.h"

#include <QAction>
#include <QLayout>
#include <QToolBar>

#include <optional>

namespace {

const QString kResultStartup = QStringLiteral("ResultStartup");
const QString kViewStatusBar = QStringLiteral("ViewStatusBar");
const QString kViewToolbar = QStringLiteral("ViewToolbar");

// How much the window's height changes with each bar, and where the pages
// stand under the tool bar once it has been shown again, in twips. These
// are not the bars' own heights.
constexpr int kStatusBarHeightChange = 345;
constexpr int kToolBarHeightChange = 630;
constexpr int kPagesTopUnderToolBar = 615;
constexpr int kStatusBarHeight = 330;

// Every key reads as 1 when it is missing.
QString storedText(const QString& key)
{
    return platform::GetSetting(FrmStart::productName(), mainwindow::settingsSection(), key, QStringLiteral("1"));
}

void saveText(const QString& key, const QString& text)
{
    platform::SaveSetting(FrmStart::productName(), mainwindow::settingsSection(), key, text);
}

void saveOption(const QString& key, bool on)
{
    saveText(key, on ? QStringLiteral("True") : QStringLiteral("False"));
}

// A menu option from the store; a text that does not convert leaves the
// item as it stands.
void readOption(QAction* item, const QString& key)
{
    if (const std::optional<bool> on = platform::textToBoolean(storedText(key)))
        item->setChecked(*on);
}

}  // namespace

void FrmStart::ApplySavedSettings()
{
    // The section boxes: a missing key reads as checked; a text that is not
    // 0, 1 or 2 leaves the box as it is. A changed box saves itself.
    for (int i = 0; i < 9; ++i) {
        const auto value = platform::textToInteger(storedText(PicRegistryCleaner->sectionKey(i)));
        if (!value || *value < 0 || *value > 2)
            continue;
        PicRegistryCleaner->setSectionChoice(i, *value);
    }

    // The logon entry follows the start-up option at every load.
    readOption(mnuFileShowScanResultsonStartup, kResultStartup);
    updateLogonEntry(mnuFileShowScanResultsonStartup->isChecked());

    readOption(mnuViewStatusbar, kViewStatusBar);
    if (!mnuViewStatusbar->isChecked())
        hideStatusBar();

    readOption(mnuViewToolbar, kViewToolbar);
    if (!mnuViewToolbar->isChecked())
        hideToolBar();
}

// --- the three menu options ---------------------------------------------------------------

void FrmStart::mnuFileShowScanResultsonStartup_Click()
{
    const bool on = !mnuFileShowScanResultsonStartup->isChecked();
    mnuFileShowScanResultsonStartup->setChecked(on);
    updateLogonEntry(on);
    saveOption(kResultStartup, on);
}

void FrmStart::mnuViewStatusbar_Click()
{
    if (mnuViewStatusbar->isChecked()) {
        hideStatusBar();
    } else {
        mnuViewStatusbar->setChecked(true);
        StatusBar1->show();
        changeWindowHeight(kStatusBarHeightChange);
    }
    saveOption(kViewStatusBar, mnuViewStatusbar->isChecked());
}

void FrmStart::mnuViewToolbar_Click()
{
    if (mnuViewToolbar->isChecked()) {
        hideToolBar();
    } else {
        ToolBar->show();
        mnuViewToolbar->setChecked(true);
        PicRegistryCleaner->move(PicRegistryCleaner->x(), twips::px(kPagesTopUnderToolBar));
        PicRescuCenter->move(PicRescuCenter->x(), twips::px(kPagesTopUnderToolBar));
        changeWindowHeight(kToolBarHeightChange);
    }
    saveOption(kViewToolbar, mnuViewToolbar->isChecked());
}

// The menu marks its option before the handler runs; the handlers decide
// from the mark as it stood, so the menu's own change is taken back first.
void FrmStart::connectOptionMenus()
{
    const std::pair<QAction*, void (FrmStart::*)()> options[3] = {
        {mnuFileShowScanResultsonStartup, &FrmStart::mnuFileShowScanResultsonStartup_Click},
        {mnuViewToolbar, &FrmStart::mnuViewToolbar_Click},
        {mnuViewStatusbar, &FrmStart::mnuViewStatusbar_Click},
    };
    for (const auto& [item, handler] : options) {
        connect(item, &QAction::triggered, this, [this, item, handler](bool checked) {
            item->setChecked(!checked);
            (this->*handler)();
        });
    }
}

// --- bars and window height ------------------------------------------------------------------

void FrmStart::hideStatusBar()
{
    mnuViewStatusbar->setChecked(false);
    StatusBar1->hide();
    changeWindowHeight(-kStatusBarHeightChange);
}

// The status bar is hidden and shown again around the change, so that it
// ends up along the new bottom when it is wanted.
void FrmStart::hideToolBar()
{
    ToolBar->hide();
    mnuViewToolbar->setChecked(false);
    StatusBar1->hide();
    PicRegistryCleaner->move(PicRegistryCleaner->x(), 0);
    PicRescuCenter->move(PicRescuCenter->x(), 0);
    changeWindowHeight(-kToolBarHeightChange);
    if (mnuViewStatusbar->isChecked())
        StatusBar1->show();
}

// The window grows or shrinks by `delta` twips at its foot; the status bar
// keeps to the bottom. A window not yet sized takes its height from its
// content when it is first shown.
void FrmStart::changeWindowHeight(int delta)
{
    QWidget* client = centralWidget();
    const int change = twips::px(delta);
    const int windowHeight = height() + change;
    client->setFixedHeight(client->height() + change);
    StatusBar1->move(0, client->height() - twips::px(kStatusBarHeight));
    // The window's own limits follow the client's new size first, or a
    // smaller window would be refused (a larger one they already give).
    if (layout())
        layout()->activate();
    if (isVisible() || testAttribute(Qt::WA_Resized))
        resize(width(), windowHeight);
}

// --- the logon entry ------------------------------------------------------------------------------

// Writes the entry when `on`, else deletes it, as one change of the
// prefix's registry. An entry already as wanted is left alone, so an
// ordinary start does not rewrite the registry. Without an open prefix
// there is nothing to change.
void FrmStart::updateLogonEntry(bool on)
{
    if (!platform::prefixIsOpen())
        return;
    const auto asWanted = [on] { return on ? engine::StartupRunValueIsCurrent() : !engine::StartupRunValueExists(); };
    if (asWanted())
        return;
    // Wine may have changed the registry files since they were read (its
    // registry editor, say): read them again first, as a fix does.
    if (const QString why = engine::WhyRegistryCannotChangeNow(); !why.isEmpty()) {
        mainwindow::TellRegistryNotChanged(why);
        return;
    }
    if (asWanted())
        return;
    const engine::RegistryChangeSaved saved = engine::ChangeRegistryNow([on] {
        if (on)
            engine::WriteStartupRunValue();
        else
            engine::DeleteStartupRunValue();
    });
    if (!saved.ok)
        mainwindow::TellRegistryNotChanged(saved.sentence());
}
