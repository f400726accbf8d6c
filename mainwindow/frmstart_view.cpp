// The tool bar and the registry editor.
#include "engine/pathhelpers.h"
#include "engine/services.h"
#include "mainwindow/frmstart.h"
#include "platform/ansi.h"
#include "platform/shell.h"

void FrmStart::ToolBar_ButtonClick(int index)
{
    if (listWorkRunning())
        return;
    switch (index) {
    case 1:
        if (!bScanning)
            mnuFileRegistryCleaner_Click();
        break;
    case 3:
        if (!bScanning)
            mnuFileRescueCenter_Click();
        break;
    case 5:
        startRegistryEditor();
        break;
    default:
        break;
    }
}

void FrmStart::ToolBar_MouseDown()
{
    engine::PlayAlertSound();
}

void FrmStart::mnuFileRegistryEditor_Click()
{
    startRegistryEditor();
}

// Starts the registry editor of the prefix's Windows folder, maximised. A
// failure to start is not reported and changes nothing in the window.
void FrmStart::startRegistryEditor()
{
    // Its Wine server would take the registry from under a fix or a load.
    if (listWorkRunning())
        return;
    const QString dir = engine::GetWindowsDir();
    const QString file = dir + QStringLiteral("\\regedit.exe");
    platform::ShellExecuteA(this, "open", platform::toAnsi(file).constData(), "", platform::toAnsi(dir).constData(),
                            platform::SW_SHOWMAXIMIZED);
}
