// The Help menu: the program's help page and its sections, and the About box.
#include "engine/services.h"
#include "mainwindow/frmabout.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/productname.h"
#include "platform/desktop.h"

#include <QAction>

namespace {
}  // namespace

void FrmStart::mnuHelpVelmora_Click()
{
    engine::OpenWebPage(this, engine::ProductPageAddress(), mainwindow::webPageExtension());
}

void FrmStart::mnuHelpVelmoraWebsite_Click()
{
    engine::OpenWebPage(this, engine::HomePageAddress(), mainwindow::webPageExtension());
}

// Not while a scan runs. The box is made for this showing and gone after.
void FrmStart::mnuHelpAboutVelmora_Click()
{
    if (bScanning)
        return;
    FrmAbout about(this);
    platform::ShowModal(&about);
}

void FrmStart::connectHelpMenu()
{
    connect(mnuHelpVelmora, &QAction::triggered, this, &FrmStart::mnuHelpVelmora_Click);
    connect(mnuHelpVelmoraWebsite, &QAction::triggered, this, &FrmStart::mnuHelpVelmoraWebsite_Click);
    connect(mnuHelpAboutVelmora, &QAction::triggered, this, &FrmStart::mnuHelpAboutVelmora_Click);
}
