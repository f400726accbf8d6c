// Building the main window: its controls, their names and places (in twips).
#include "mainwindow/frmstart.h"
#include "mainwindow/pictures.h"
#include "mainwindow/twips.h"

#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace {

// Client area of the window and the bars, in twips.
constexpr int kClientWidth = 10500;
constexpr int kClientHeight = 7665;
constexpr int kToolBarHeight = 660;
constexpr int kStatusBarTop = 7335;
constexpr int kStatusBarHeight = 330;
constexpr int kRegistryCleanerTop = 645;
constexpr int kRescueCenterTop = 660;

QAction* makeItem(QMenu* menu, const QString& name, const QString& caption)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    return item;
}

QAction* makeSeparator(QMenu* menu, const QString& name)
{
    QAction* line = menu->addSeparator();
    line->setObjectName(name);
    return line;
}

}  // namespace

FrmStart::FrmStart(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FrmStart"));
    setWindowTitle(productName());
    setWindowIcon(QIcon(pictures::picture(QStringLiteral("AppIcon"))));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("FrmStartClient"));
    client->setFixedSize(twips::px(kClientWidth), twips::px(kClientHeight));
    setCentralWidget(client);

    PicRegistryCleaner = new RegistryCleanerPage(
        *this, *this, twips::rect(0, kRegistryCleanerTop, kClientWidth, kStatusBarTop - kRegistryCleanerTop), client);
    PicShowError = PicRegistryCleaner->problemPage();
    PicRescuCenter = new RescueCenterPage(static_cast<ProblemPageFrame&>(*this), client);
    PicRescuCenter->setGeometry(twips::rect(0, kRescueCenterTop, kClientWidth, kStatusBarTop - kRescueCenterTop));
    buildMenus();
    connectOptionMenus();
    connectHelpMenu();
    buildToolBar(client);

    StatusBar1 = new StatusPanels(client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setGeometry(twips::rect(0, kStatusBarTop, kClientWidth, kStatusBarHeight));

    m_pump = [] { QCoreApplication::processEvents(); };
}

void FrmStart::buildMenus()
{
    mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileLoadScanResults = makeItem(mnuFile, QStringLiteral("mnuFileLoadScanResults"), QStringLiteral("&Load Scan Results"));
    mnuFileSaveScanResults = makeItem(mnuFile, QStringLiteral("mnuFileSaveScanResults"), QStringLiteral("Save Scan Results"));
    connect(mnuFileLoadScanResults, &QAction::triggered, this, &FrmStart::mnuFileLoadScanResults_Click);
    connect(mnuFileSaveScanResults, &QAction::triggered, this, &FrmStart::mnuFileSaveScanResults_Click);
    mnuline1 = makeSeparator(mnuFile, QStringLiteral("mnuline1"));
    mnuFileRegistryCleaner = makeItem(mnuFile, QStringLiteral("mnuFileRegistryCleaner"), QStringLiteral("Registry Cleaner"));
    mnuFileRegistryCleaner->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    mnuFileRescueCenter = makeItem(mnuFile, QStringLiteral("mnuFileRescueCenter"), QStringLiteral("Rescue Center"));
    mnuFileRescueCenter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    mnuFileShowScanResultsonStartup = makeItem(mnuFile, QStringLiteral("mnuFileShowScanResultsonStartup"),
                                               QStringLiteral("Show Scan Results on Startup"));
    mnuFileShowScanResultsonStartup->setCheckable(true);
    mnuFileShowScanResultsonStartup->setChecked(true);
    mnuline4 = makeSeparator(mnuFile, QStringLiteral("mnuline4"));
    mnuFileRegistryEditor = makeItem(mnuFile, QStringLiteral("mnuFileRegistryEditor"), QStringLiteral("Registry Editor"));
    mnuFileRegistryEditor->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    mnuline3 = makeSeparator(mnuFile, QStringLiteral("mnuline3"));
    mnuFileExit = makeItem(mnuFile, QStringLiteral("mnuFileExit"), QStringLiteral("Exit"));

    mnuCleaning = menuBar()->addMenu(QStringLiteral("Cleaning"));
    mnuCleaning->setObjectName(QStringLiteral("mnuCleaning"));
    mnuCleaningScanRegitry = makeItem(mnuCleaning, QStringLiteral("mnuCleaningScanRegitry"), QStringLiteral("Scan Registry"));
    mnuCleaningFindMissingFiles =
        makeItem(mnuCleaning, QStringLiteral("mnuCleaningFindMissingFiles"), QStringLiteral("Find Missing Files"));
    mnuCleaningFixProblems = makeItem(mnuCleaning, QStringLiteral("mnuCleaningFixProblems"), QStringLiteral("Fix Problems"));

    mnuView = menuBar()->addMenu(QStringLiteral("View"));
    mnuView->setObjectName(QStringLiteral("mnuView"));
    mnuViewToolbar = makeItem(mnuView, QStringLiteral("mnuViewToolbar"), QStringLiteral("Tool Bar"));
    mnuViewToolbar->setCheckable(true);
    mnuViewToolbar->setChecked(true);
    mnuViewStatusbar = makeItem(mnuView, QStringLiteral("mnuViewStatusbar"), QStringLiteral("Status Bar"));
    mnuViewStatusbar->setCheckable(true);
    mnuViewStatusbar->setChecked(true);

    mnuHelp = menuBar()->addMenu(QStringLiteral("Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpVelmora = makeItem(mnuHelp, QStringLiteral("mnuHelpVelmora"), QStringLiteral("Velmora 2007 Help"));
    mnuHelpVelmoraWebsite = makeItem(mnuHelp, QStringLiteral("mnuHelpVelmoraWebsite"), QStringLiteral("Velmora 2007 Website"));
    mnuline5 = makeSeparator(mnuHelp, QStringLiteral("mnuline5"));
    mnuHelpAboutVelmora = makeItem(mnuHelp, QStringLiteral("mnuHelpAboutVelmora"), QStringLiteral("About Velmora 2007 ..."));

    connect(mnuFileRegistryCleaner, &QAction::triggered, this, &FrmStart::mnuFileRegistryCleaner_Click);
    connect(mnuFileRescueCenter, &QAction::triggered, this, &FrmStart::mnuFileRescueCenter_Click);
    connect(mnuFileRegistryEditor, &QAction::triggered, this, &FrmStart::mnuFileRegistryEditor_Click);
    connect(mnuFileExit, &QAction::triggered, this, &FrmStart::mnuFileExit_Click);
    connect(mnuCleaningScanRegitry, &QAction::triggered, this, &FrmStart::mnuCleaningScanRegitry_Click);
    connect(mnuCleaningFindMissingFiles, &QAction::triggered, this, &FrmStart::mnuCleaningFindMissingFiles_Click);
    connect(mnuCleaningFixProblems, &QAction::triggered, this, &FrmStart::mnuCleaningFixProblems_Click);
}

void FrmStart::buildToolBar(QWidget* client)
{
    ToolBar = new QToolBar(client);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setIconSize(QSize(32, 32));
    ToolBar->setGeometry(twips::rect(0, 0, kClientWidth, kToolBarHeight));

    struct ToolButton {
        const char* picture;
        const char* text;
        const char* tooltip;
    };
    const ToolButton buttons[3] = {
        {"ToolRegistryCleaner", "Registry Cleaner", "Registry Cleaner   (Ctrl + C) "},
        {"ToolRescueCenter", "Rescue Center", "Rescue Center   (Ctrl + R)"},
        {"ToolRegistryEditor", "Registry Editor", "Runs Windows Registry Editor (Ctrl + D)"},
    };
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            QAction* separator = ToolBar->addSeparator();
            separator->setObjectName(QStringLiteral("ToolBarButton%1").arg(2 * i));
        }
        const int index = 2 * i + 1;
        QAction* button = ToolBar->addAction(QIcon(pictures::picture(QLatin1String(buttons[i].picture))),
                                             QLatin1String(buttons[i].text));
        button->setObjectName(QStringLiteral("ToolBarButton%1").arg(index));
        button->setToolTip(QLatin1String(buttons[i].tooltip));
        if (QWidget* w = ToolBar->widgetForAction(button))
            w->setObjectName(QStringLiteral("ToolBarButton%1").arg(index));
        connect(button, &QAction::triggered, this, [this, index] { ToolBar_ButtonClick(index); });
    }
    // Every press on the bar is heard: the buttons take their presses, the
    // rest of the bar (separators included) passes them to the bar.
    ToolBar->installEventFilter(this);
    for (QToolButton* child : ToolBar->findChildren<QToolButton*>())
        child->installEventFilter(this);
}
