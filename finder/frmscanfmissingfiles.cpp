#include "finder/frmscanfmissingfiles.h"

#include "engine/pathhelpers.h"
#include "engine/services.h"
#include "engine/trim.h"
#include "finder/modscanfolder.h"
#include "platform/ansi.h"
#include "platform/desktop.h"
#include "platform/ownfile.h"
#include "platform/prefix.h"
#include "platform/winfile.h"

#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTreeWidget>

namespace {

const QString kTitle = QStringLiteral("Velmora 2007");
constexpr int kInformation = 64;
constexpr int kQuestion = 36;
constexpr int kYes = 6;

// Geometry is given in twips: 15 make one pixel.
QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

template <typename T>
T* named(T* widget, const char* name, int left, int top, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(twipsRect(left, top, width, height));
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int left, int top, int width, int height,
              bool bold = false)
{
    auto* l = named(new QLabel(text, parent), name, left, top, width, height);
    l->setTextFormat(Qt::PlainText);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

QFrame* page(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* p = named(new QFrame(parent), name, left, top, width, height);
    p->setAutoFillBackground(true);
    return p;
}

// The picture down the left side: a folder under a magnifying glass on a
// blue band, drawn here so the program carries no image files.
QPixmap sidePicture(const QSize& size)
{
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, 0, size.height());
    band.setColorAt(0, QColor(0x1f, 0x4e, 0x9a));
    band.setColorAt(1, QColor(0x8c, 0xb6, 0xe8));
    p.fillRect(pixmap.rect(), band);
    const qreal w = size.width();
    const qreal top = size.height() * 0.35;
    QPainterPath folder;
    folder.moveTo(w * 0.15, top);
    folder.lineTo(w * 0.42, top);
    folder.lineTo(w * 0.5, top + w * 0.08);
    folder.lineTo(w * 0.85, top + w * 0.08);
    folder.lineTo(w * 0.85, top + w * 0.6);
    folder.lineTo(w * 0.15, top + w * 0.6);
    folder.closeSubpath();
    p.setPen(QPen(QColor(0x8a, 0x5a, 0x00), 2));
    p.setBrush(QColor(0xf5, 0xc2, 0x42));
    p.drawPath(folder);
    const QPointF lens(w * 0.62, top + w * 0.5);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), w * 0.06, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(lens + QPointF(w * 0.14, w * 0.14), lens + QPointF(w * 0.3, w * 0.3));
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), w * 0.04));
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(lens, w * 0.2, w * 0.2);
    return pixmap;
}

// Lines as the runtime's Line Input reads them: each ends at CR or CR LF.
QStringList readLines(const QByteArray& bytes)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) != '\r')
            continue;
        lines.append(platform::fromAnsi(bytes.mid(start, i - start)));
        if (i + 1 < bytes.size() && bytes.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(platform::fromAnsi(bytes.mid(start)));
    return lines;
}

bool folderListExists()
{
    const QString onDisk = platform::toLinuxPath(FrmScanFmissingFiles::FolderListFile());
    return !onDisk.isEmpty() && QFileInfo(onDisk).isFile();
}

// Appends one line (open, write, close). A line that cannot be written is lost.
void appendFolderLine(const QString& text)
{
    const QString onDisk = engine::linuxPathForWrite(FrmScanFmissingFiles::FolderListFile());
    if (onDisk.isEmpty())
        return;
    platform::appendOwnFile(onDisk, platform::toAnsi(text) + "\r\n");
}

}  // namespace

// What the walk shows goes into the scan page.
class FrmScanFmissingFiles::StatusDisplay final : public ModScanFolder::WalkDisplay {
public:
    explicit StatusDisplay(FrmScanFmissingFiles& w) : m_w(w) {}
    void showStatus(const QString& path) override { m_w.lblStatus->setText(path); }
    void showProgress(double value) override { m_w.ProgressBar1->setValue(static_cast<int>(value)); }

private:
    FrmScanFmissingFiles& m_w;
};

FrmScanFmissingFiles::FrmScanFmissingFiles(const engine::ScanContext& ctx, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_errors(m_ctx.problems)
{
    // The main window's cancel request, so that closing it stops the walk
    // too; a context without one gets the wizard's own.
    if (!m_ctx.cancelScan)
        m_ctx.cancelScan = &m_ownCancel;
    setObjectName(QStringLiteral("FrmScanFmissingFiles"));
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(twipsRect(0, 0, 8115, 5430).size());

    Picture1 = named(new QLabel(this), "Picture1", 165, 150, 2100, 4410);
    Picture1->setPixmap(sidePicture(Picture1->size()));
    Label3 = label(this, "Label3", QStringLiteral("Find Missing Files"), 2430, 240, 5010, 300, true);
    Label6 = label(this, "Label6", QStringLiteral("Paths to missing files can be found automatically by file finder."),
                   2430, 720, 5010, 450);
    Label6->setWordWrap(true);
    Label7 = label(this, "Label7", QStringLiteral("Use this tool to find files on the disk(s)."), 2430, 1260, 5010,
                   300);
    Frame1 = named(new QFrame(this), "Frame1", 150, 4680, 7815, 75);
    Frame1->setFrameShape(QFrame::HLine);
    Frame1->setFrameShadow(QFrame::Sunken);

    buildOptionsPage();
    buildFolderPage();
    buildScanPage();
    buildButtons();
    Form_Load();
}

FrmScanFmissingFiles::~FrmScanFmissingFiles() = default;

QString FrmScanFmissingFiles::FolderListFile()
{
    return platform::programFolder() + QStringLiteral("/Folders");
}

void FrmScanFmissingFiles::buildOptionsPage()
{
    PicOptionsButtons = page(this, "PicOptionsButtons", 2430, 1665, 5010, 2250);
    Label8 = label(PicOptionsButtons, "Label8", QStringLiteral("Please select the desired action :"), 120, 120, 4770,
                   300);
    OptScanKnownApplicationFolders = named(
        new QRadioButton(QStringLiteral("Scan known application folders and subfolders"), PicOptionsButtons),
        "OptScanKnownApplicationFolders", 360, 600, 4530, 330);
    OptFoldersScan = named(new QRadioButton(QStringLiteral("Choose folders to scan in"), PicOptionsButtons),
                           "OptFoldersScan", 360, 1080, 4530, 330);
    OptScanAllDisk = named(new QRadioButton(QStringLiteral("Scan all disks (much slower)"), PicOptionsButtons),
                           "OptScanAllDisk", 360, 1560, 4530, 330);
    const auto onChosen = [this](QRadioButton* option, void (FrmScanFmissingFiles::*handler)()) {
        connect(option, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on)
                (this->*handler)();
        });
    };
    onChosen(OptScanKnownApplicationFolders, &FrmScanFmissingFiles::OptScanKnownApplicationFolders_Click);
    onChosen(OptFoldersScan, &FrmScanFmissingFiles::OptFoldersScan_Click);
    onChosen(OptScanAllDisk, &FrmScanFmissingFiles::OptScanAllDisk_Click);
}

void FrmScanFmissingFiles::buildFolderPage()
{
    PicFolderSelection = page(this, "PicFolderSelection", 2295, 30, 5805, 4425);
    Label5 = label(PicFolderSelection, "Label5", QStringLiteral("Scan Folder List"), 165, 120, 5475, 300, true);
    Label4 = label(PicFolderSelection, "Label4", QStringLiteral("Add folders to scan in"), 165, 450, 5475, 300);
    lvwFolders = named(new QTreeWidget(PicFolderSelection), "lvwFolders", 165, 795, 5475, 3045);
    lvwFolders->setColumnCount(1);
    lvwFolders->setHeaderHidden(true);
    lvwFolders->setRootIsDecorated(false);
    lvwFolders->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(lvwFolders, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        if (!m_fillingFolders)
            lvwFolders_ItemCheck(item);
    });
    cmdAdd = named(new QPushButton(QStringLiteral("Add"), PicFolderSelection), "cmdAdd", 165, 3960, 1230, 375);
    cmdRemove =
        named(new QPushButton(QStringLiteral("Remove"), PicFolderSelection), "cmdRemove", 1545, 3960, 1230, 375);
    connect(cmdAdd, &QPushButton::clicked, this, &FrmScanFmissingFiles::cmdAdd_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &FrmScanFmissingFiles::cmdRemove_Click);
}

void FrmScanFmissingFiles::buildScanPage()
{
    PicScanningHDD = page(this, "PicScanningHDD", 2295, 30, 5805, 4425);
    Label1 = label(PicScanningHDD, "Label1", QStringLiteral("Finding Missing Files"), 165, 120, 5475, 300, true);
    Label2 = label(PicScanningHDD, "Label2", QStringLiteral("Please wait until scanning is finished"), 165, 540, 5475,
                   600);
    Label2->setWordWrap(true);
    ProgressBar1 = named(new QProgressBar(PicScanningHDD), "ProgressBar1", 165, 3240, 5475, 300);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    lblStatus = label(PicScanningHDD, "lblStatus", QStringLiteral("Scanning ..."), 165, 3660, 5475, 300);
}

void FrmScanFmissingFiles::buildButtons()
{
    const auto button = [this](const char* name, const QString& text, int left,
                               void (FrmScanFmissingFiles::*handler)()) {
        auto* b = named(new QPushButton(text, this), name, left, 4920, 1230, 375);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    cmdBack = button("cmdBack", QStringLiteral("&Back"), 2355, &FrmScanFmissingFiles::cmdBack_Click);
    cmdScan = button("cmdScan", QStringLiteral("&Scan"), 3765, &FrmScanFmissingFiles::cmdScan_Click);
    CmdNext = button("CmdNext", QStringLiteral("&Next"), 3770, &FrmScanFmissingFiles::CmdNext_Click);
    cmdCancel = button("cmdCancel", QStringLiteral("&Cancel"), 5190, &FrmScanFmissingFiles::cmdCancel_Click);
    cmdFinish = button("cmdFinish", QStringLiteral("&Finish"), 5185, &FrmScanFmissingFiles::cmdFinish_Click);
    CmdHelp = button("CmdHelp", QStringLiteral("&Help"), 6600, &FrmScanFmissingFiles::CmdHelp_Click);
}

void FrmScanFmissingFiles::Form_Load()
{
    setWindowTitle(kTitle);
    loadFolderList();
    cmdCancel->setVisible(true);
    cmdFinish->setVisible(false);
    OptScanKnownApplicationFolders->setChecked(true);
    OptScanKnownApplicationFolders_Click();
    cmdBack->setEnabled(false);
    ShowWizardPage(false, false, true);
}

void FrmScanFmissingFiles::loadFolderList()
{
    if (!folderListExists())
        return;
    // A list that is no regular file (a named pipe, a device) or is outsize
    // reads as no list.
    QByteArray bytes;
    if (!platform::readOwnFile(platform::toLinuxPath(FolderListFile()), &bytes).ok())
        return;
    // Lines are taken as they stand: neither duplicates nor empty lines are dropped.
    for (const QString& line : readLines(bytes)) {
        addFolderRow(engine::trimBlanks(line));
        m_ctx.DoEvents();
    }
}

void FrmScanFmissingFiles::addFolderRow(const QString& text)
{
    m_fillingFolders = true;
    auto* item = new QTreeWidgetItem(lvwFolders);
    item->setText(0, text);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Checked);
    m_fillingFolders = false;
}

void FrmScanFmissingFiles::ShowWizardPage(bool scanPage, bool folderPage, bool optionsPage)
{
    PicScanningHDD->setVisible(scanPage);
    PicFolderSelection->setVisible(folderPage);
    PicOptionsButtons->setVisible(optionsPage);
}

void FrmScanFmissingFiles::OptScanKnownApplicationFolders_Click()
{
    cmdScan->setEnabled(true);
    cmdScan->setVisible(true);
    CmdNext->setVisible(false);
}

void FrmScanFmissingFiles::OptScanAllDisk_Click()
{
    OptScanKnownApplicationFolders_Click();
}

void FrmScanFmissingFiles::OptFoldersScan_Click()
{
    cmdScan->setVisible(false);
    CmdNext->setVisible(true);
}

void FrmScanFmissingFiles::setScanEnabledByRows()
{
    cmdScan->setEnabled(lvwFolders->topLevelItemCount() > 0);
}

void FrmScanFmissingFiles::CmdNext_Click()
{
    cmdBack->setEnabled(true);
    ShowWizardPage(false, true, false);
    CmdNext->setVisible(false);
    cmdScan->setVisible(true);
    setScanEnabledByRows();
}

void FrmScanFmissingFiles::cmdBack_Click()
{
    ShowWizardPage(false, false, true);
    cmdBack->setEnabled(false);
    CmdNext->setVisible(true);
    cmdScan->setVisible(false);
}

void FrmScanFmissingFiles::cmdAdd_Click()
{
    cmdAdd->setEnabled(false);
    const QString folder = engine::trimBlanks(engine::BrowseForFolder());
    if (!folder.isEmpty()) {
        const QString key = ModScanFolder::comparisonKey(folder);
        bool listed = false;
        for (int i = 0; i < lvwFolders->topLevelItemCount(); ++i) {
            if (ModScanFolder::comparisonKey(lvwFolders->topLevelItem(i)->text(0)) == key) {
                listed = true;
                break;
            }
            m_ctx.DoEvents();
        }
        if (!listed) {
            addFolderRow(folder);
            appendFolderLine(folder);
        }
    }
    setScanEnabledByRows();
    cmdAdd->setEnabled(true);
}

void FrmScanFmissingFiles::cmdRemove_Click()
{
    QTreeWidgetItem* confirmed = nullptr;
    const int rows = lvwFolders->topLevelItemCount();
    for (int i = 0; i < rows && i < lvwFolders->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = lvwFolders->topLevelItem(i);
        if (item->isSelected()) {
            const QString question = QStringLiteral("Do you really want to delete ") + QLatin1Char('\r')
                                     + item->text(0) + QStringLiteral(" ? ");
            if (platform::MsgBox(question, kQuestion, kTitle) == kYes) {
                confirmed = item;
                break;
            }
        }
        m_ctx.DoEvents();
    }
    if (confirmed) {
        delete confirmed;
        if (folderListExists())
            QFile::remove(platform::toLinuxPath(FolderListFile()));
        for (int i = 0; i < lvwFolders->topLevelItemCount(); ++i) {
            appendFolderLine(engine::trimBlanks(lvwFolders->topLevelItem(i)->text(0)));
            m_ctx.DoEvents();
        }
    }
    setScanEnabledByRows();
}

void FrmScanFmissingFiles::lvwFolders_ItemCheck(QTreeWidgetItem*)
{
    int unchecked = 0;
    const int rows = lvwFolders->topLevelItemCount();
    for (int i = 0; i < rows && i < lvwFolders->topLevelItemCount(); ++i) {
        if (lvwFolders->topLevelItem(i)->checkState(0) != Qt::Checked)
            ++unchecked;
        m_ctx.DoEvents();
    }
    cmdScan->setEnabled(unchecked != lvwFolders->topLevelItemCount());
}

void FrmScanFmissingFiles::cmdScan_Click()
{
    if (m_scanRunning)
        return;
    m_scanRunning = true;
    ShowWizardPage(true, false, false);
    m_ctx.setCancelled(false);
    cmdBack->setEnabled(false);
    lblStatus->setText(QStringLiteral("Scanning ..."));
    Label2->setText(QStringLiteral("Please wait until scanning is finished"));
    ProgressBar1->setVisible(true);
    cmdScan->setEnabled(false);
    ProblemCountBeforeScan = m_errors.count();

    walkScope();

    ProgressBar1->setVisible(false);
    lblStatus->setText(QStringLiteral("Press Finish button to close the wizard."));
    cmdCancel->setVisible(false);
    cmdFinish->setVisible(true);
    reportScan();
    m_scanRunning = false;

    // What was asked for while the handler unwound happens now.
    if (m_closePending)
        QDialog::reject();
    else if (m_finishPending)
        cmdFinish_Click();
}

void FrmScanFmissingFiles::walkScope()
{
    StatusDisplay display(*this);
    ModScanFolder::FolderWalk walk(m_ctx, display);
    walk.setRefreshInterval(m_walkRefreshMs);
    if (OptFoldersScan->isChecked()) {
        // Cancel is left to the walk: each remaining folder returns at its first test.
        const int rows = lvwFolders->topLevelItemCount();
        for (int i = 0; i < rows && i < lvwFolders->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = lvwFolders->topLevelItem(i);
            if (item->checkState(0) == Qt::Checked) {
                const QString folder = engine::trimBlanks(item->text(0));
                walk.ScanDrive(folder.left(3), folder);
            }
            m_ctx.DoEvents();
        }
    } else {
        QString folder = engine::GetWindowsDir();
        const QString drive = folder.left(3);
        if (OptScanAllDisk->isChecked())
            folder = drive;
        walk.ScanDrive(drive, folder);
    }
}

void FrmScanFmissingFiles::reportScan()
{
    const int n = m_errors.count();
    QString text;
    if (n != ProblemCountBeforeScan) {
        text = QStringLiteral("Scanning is completed : ") + QString::number(ProblemCountBeforeScan - n)
               + QStringLiteral(" missing files(s) were found.");
    } else {
        text = QStringLiteral("Scanning is completed. No missing file(s) were found.");
    }
    Label2->setText(text);
    platform::MsgBox(text, kInformation, kTitle);
}

void FrmScanFmissingFiles::cmdCancel_Click()
{
    m_ctx.setCancelled(true);
    if (PicScanningHDD->isHidden()) {
        closeWizard();
        return;
    }
    cmdCancel->setVisible(false);
    cmdFinish->setVisible(true);
}

void FrmScanFmissingFiles::cmdFinish_Click()
{
    if (m_scanRunning) {
        m_finishPending = true;
        return;
    }
    m_finishPending = false;
    const int found = ProblemCountBeforeScan - m_errors.count();
    const QString count = found > 0 ? QString::number(found) : QStringLiteral("0");
    platform::MsgBox(QStringLiteral("The program has found ") + count
                         + QStringLiteral(" missing files(s). Now you can click \"Fix Problems\" in the main window "
                                          "to fix the registry ")
                         + QLatin1Char('\r') + QStringLiteral("problems found by the program."),
                     kInformation, kTitle);
    closeWizard();
}

void FrmScanFmissingFiles::CmdHelp_Click()
{
    engine::OpenWebPage(this, engine::ProductPageAddress(), QStringLiteral("htm"));
}

void FrmScanFmissingFiles::reject()
{
    if (m_scanRunning) {
        m_closePending = true;
        cmdCancel_Click();
        return;
    }
    QDialog::reject();
}

void FrmScanFmissingFiles::showEvent(QShowEvent* event)
{
    // Centred on the screen, not over the main window.
    if (!m_placed && screen()) {
        m_placed = true;
        move(screen()->availableGeometry().center() - rect().center());
    }
    QDialog::showEvent(event);
}

void FrmScanFmissingFiles::closeWizard()
{
    done(QDialog::Rejected);
}
