// Building the main window: its controls, their names and places (in twips).
#include "mainwindow/frmstart.h"
#include "mainwindow/pictures.h"
#include "mainwindow/sectionviews.h"
#include "mainwindow/timing.h"
#include "mainwindow/twips.h"

#include <QAction>
#include <QHeaderView>
#include <QMenuBar>
#include <QTimer>
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

constexpr int kCounterWidth = 660;

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

    PicRegistryCleaner = new RegistryCleanerPage(*this, client);
    PicRegistryCleaner->setGeometry(
        twips::rect(0, kRegistryCleanerTop, kClientWidth, kStatusBarTop - kRegistryCleanerTop));
    PicRescuCenter = new RescueCenterPage(static_cast<ProblemPageFrame&>(*this), client);
    PicRescuCenter->setGeometry(twips::rect(0, kRescueCenterTop, kClientWidth, kStatusBarTop - kRescueCenterTop));
    buildMenus();
    connectOptionMenus();
    connectHelpMenu();
    buildToolBar(client);
    buildRegistryCleanerPage();
    buildScanningPage();
    PicShowError = new ProblemPage(*this, PicRegistryCleaner);
    PicShowError->setGeometry(PicRegistryCleaner->rect());

    StatusBar1 = new StatusPanels(client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setGeometry(twips::rect(0, kStatusBarTop, kClientWidth, kStatusBarHeight));

    tmrRotateImage = mainwindow::makeTimer(this, QStringLiteral("tmrRotateImage"), 500);
    connect(tmrRotateImage, &QTimer::timeout, this, &FrmStart::tmrRotateImage_Timer);
    // Enabled at design; the load stops it.
    tmrRotateImage->start();

    installEngineSeams();
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

void FrmStart::connectButton(const PictureButton& b, void (FrmStart::*hover)(), void (FrmStart::*press)(),
                             void (FrmStart::*action)())
{
    connect(b.normal, &PictureImage::mouseMoved, this, hover);
    connect(b.hover, &PictureImage::mousePressed, this, press);
    connect(b.pressed, &PictureImage::mouseMoved, this, action);
}

void FrmStart::buildRegistryCleanerPage()
{
    QWidget* page = PicRegistryCleaner;
    connect(PicRegistryCleaner, &PictureBox::mouseMoved, this, &FrmStart::PicRegistryCleaner_MouseMove);

    makeLabel(page, QStringLiteral("Label4"),
              QStringLiteral("Your registry has not yet been scanned for errors. Velmora 2007 is ready to begin, so "
                             "simply click \"Scan\" below to get started!"),
              twips::rect(3660, 240, 6600, 900), true, true);
    struct Step {
        const char* name;
        const char* text;
        const char* detailName;
        const char* detail;
        int top;
        int detailHeight;  // down to the next step
    };
    const Step steps[3] = {
        {"Label5", "Step 1", "Label7", " - Click Scan Registry button to identify problems", 1665, 465},
        {"Label17", "Step 2", "Label12", " - Click Find Missing Files button to find missing files", 2400, 495},
        {"Label18", "Step 3", "Label16", " - Click Fix Problems button to connect invalid Registry entries", 3165, 720},
    };
    for (const Step& s : steps) {
        makeLabel(page, QLatin1String(s.name), QLatin1String(s.text), twips::rect(3660, s.top, 2400, 270), true);
        makeLabel(page, QLatin1String(s.detailName), QLatin1String(s.detail),
                  twips::rect(3660, s.top + 270, 2460, s.detailHeight), false, true);
    }
    makeLabel(page, QStringLiteral("Label21"), QStringLiteral("Version 3.0.0"), twips::rect(8700, 6240, 1650, 255));

    btnScan = makePictureButton(page, QStringLiteral("ImgScanNormal"), QStringLiteral("ImgScanMouseMove"),
                                QStringLiteral("ImgScanClick"), QStringLiteral("Scan"), 6195, 1665);
    btnFindMissingFiles = makePictureButton(page, QStringLiteral("ImgFindMissingFilesNormal"),
                                            QStringLiteral("ImgFindMissingFilesMouseMove"),
                                            QStringLiteral("ImgFindMissingFilesClick"), QStringLiteral("FindMissingFiles"), 6195, 2400);
    btnFixProblems = makePictureButton(page, QStringLiteral("ImfFixProblemsNormal"), QStringLiteral("ImfFixProblemsMouseMove"),
                                       QStringLiteral("ImgFixProblemsClick"), QStringLiteral("FixProblems"), 6195, 3165);
    btnHelp = makePictureButton(page, QStringLiteral("ImgHelpNormal"), QStringLiteral("ImgHelpMouseMove"),
                                QStringLiteral("ImgHelpClick"), QStringLiteral("Help"), 3540, 5535);
    btnSupport = makePictureButton(page, QStringLiteral("ImgSupportNormal"), QStringLiteral("ImgSupportMoseMove"),
                                   QStringLiteral("ImgSupportClick"), QStringLiteral("Support"), 5415, 5535);
    connectButton(btnScan, &FrmStart::ImgScanNormal_MouseMove, &FrmStart::ImgScanMouseMove_MouseDown,
                  &FrmStart::ImgScanClick_MouseMove);
    connectButton(btnFindMissingFiles, &FrmStart::ImgFindMissingFilesNormal_MouseMove,
                  &FrmStart::ImgFindMissingFilesMouseMove_MouseDown, &FrmStart::ImgFindMissingFilesClick_MouseMove);
    connectButton(btnFixProblems, &FrmStart::ImfFixProblemsNormal_MouseMove, &FrmStart::ImfFixProblemsMouseMove_MouseDown,
                  &FrmStart::ImgFixProblemsClick_MouseMove);
    connectButton(btnHelp, &FrmStart::ImgHelpNormal_MouseMove, &FrmStart::ImgHelpMouseMove_MouseDown,
                  &FrmStart::ImgHelpClick_MouseMove);
    connectButton(btnSupport, &FrmStart::ImgSupportNormal_MouseMove, &FrmStart::ImgSupportMoseMove_MouseDown,
                  &FrmStart::ImgSupportClick_MouseMove);
}

void FrmStart::buildScanningPage()
{
    PicScanning = makePage(PicRegistryCleaner, QStringLiteral("PicScanning"), PicRegistryCleaner->rect());
    QWidget* page = PicScanning;
    connect(PicScanning, &PictureBox::mouseMoved, this, &FrmStart::PicScanning_MouseMove);

    makeLabel(page, QStringLiteral("Label22"), QStringLiteral("Registry Scan Summary"), twips::rect(240, 150, 6000, 300),
              true);
    makeLabel(page, QStringLiteral("Label23"),
              QStringLiteral("Velmora 2007 is now scanning for problems in all the selected areas. This process can "
                             "take several minutes, and you will be presented with a list of results when it is completed"),
              twips::rect(240, 480, 9900, 600), false, true);
    lblRegistryFilesScan = makeLabel(page, QStringLiteral("lblRegistryFilesScan"), QString(),
                                     twips::rect(240, 1200, 9900, 270));
    lblRegistryFilesScan->setFrameShape(QFrame::StyledPanel);

    // A counter holds five digits; the captions are a size smaller so that
    // the left column ends before the right one begins.
    for (int i = 0; i < 9; ++i) {
        const mainwindow::SectionView& view = mainwindow::kSectionViews[i];
        QLabel* counter = makeLabel(page, QLatin1String(view.counter), QStringLiteral("0"),
                                    twips::rect(view.counterLeft, view.counterTop, kCounterWidth, 255), true);
        counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        sectionCounters[i] = counter;
        QLabel* caption = makeLabel(page, QStringLiteral("lblScanSection%1").arg(i + 1), QLatin1String(view.caption),
                                    twips::rect(view.counterLeft + kCounterWidth + 60, view.counterTop, 2100, 255));
        QFont small = caption->font();
        small.setPointSizeF(small.pointSizeF() - 1);
        caption->setFont(small);
    }
    Image22 = new PictureImage(page);
    Image22->setObjectName(QStringLiteral("Image22"));
    Image22->setPixmap(pictures::picture(QStringLiteral("Marker")));
    Image22->setGeometry(twips::rect(990, 1785, 240, 240));

    for (int i = 0; i < 4; ++i)
        ImglstRotate[i] = pictures::picture(QStringLiteral("Busy%1").arg(i + 1));
    imgHoldingRotation = new PictureImage(page);
    imgHoldingRotation->setObjectName(QStringLiteral("imgHoldingRotation"));
    imgHoldingRotation->setGeometry(twips::rect(8160, 1800, 960, 960));
    showRotationFrame(1);

    makeLabel(page, QStringLiteral("Label3"), QStringLiteral("Problems found"), twips::rect(990, 3600, 1800, 300), true);
    lblProblemsFound = makeLabel(page, QStringLiteral("lblProblemsFound"), QStringLiteral("0"),
                                 twips::rect(2850, 3600, 1200, 300), true);

    btnCancel = makePictureButton(page, QStringLiteral("ImgCancelNormal"), QStringLiteral("ImgCancelMouseMove"),
                                  QStringLiteral("ImgCancelClick"), QStringLiteral("Cancel"), 5355, 4290);
    connectButton(btnCancel, &FrmStart::ImgCancelNormal_MouseMove, &FrmStart::ImgCancelMouseMove_MouseDown,
                  &FrmStart::ImgCancelClick_MouseMove);
}
