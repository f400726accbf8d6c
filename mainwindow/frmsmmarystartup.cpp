#include "mainwindow/frmsmmarystartup.h"

#include "engine/resultsfile.h"
#include "engine/services.h"
#include "mainwindow/frmstart.h"
#include "mainwindow/pictures.h"
#include "mainwindow/pictures_startup.h"
#include "mainwindow/productname.h"
#include "mainwindow/programstart.h"
#include "mainwindow/controls.h"
#include "mainwindow/twips.h"
#include "mainwindow/windowstate.h"
#include "platform/settings.h"

#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

const QString kResultStartup = QStringLiteral("ResultStartup");
constexpr int kWider = 900;
constexpr int kWidth = 6510 + kWider;

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text, int left)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    // No default button (Qt would make the first auto-default button one):
    // Enter is handled by the window itself.
    button->setAutoDefault(false);
    button->setGeometry(twips::rect(left, 1020, 1320, 345));
    return button;
}

}  // namespace

FrmSmmaryStartup::FrmSmmaryStartup(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FrmSmmaryStartup"));
    setWindowTitle(QStringLiteral("Information"));
    setWindowIcon(QIcon(pictures::picture(QStringLiteral("AppIcon"))));
    setModal(true);
    // The small dialog font of the program's boxes; the window is 900 twips
    // wider than its design so that a count of seven digits fits the first
    // line.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    setFixedSize(twips::px(kWidth), twips::px(1890));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(twips::rect(30, 45, 720, 720));
    Image1->setPixmap(pictures::summaryPicture());

    Label1 = makePlainLabel(this, QStringLiteral("Label1"), QString(), twips::rect(810, 210, 5460 + kWider, 195));
    Label2 = makePlainLabel(this, QStringLiteral("Label2"), QStringLiteral("error(s) may affect system performance."),
                       twips::rect(1920, 450, 2760 + kWider, 195));

    cmdcontinue = makeButton(this, QStringLiteral("cmdcontinue"), QStringLiteral("&Continue"), 225);
    cmdScanAndFix = makeButton(this, QStringLiteral("cmdScanAndFix"), QStringLiteral("&Scan && Fix"), 1785);
    cmdExit = makeButton(this, QStringLiteral("cmdExit"), QStringLiteral("&Exit"), 4890 + kWider);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::HLine);
    Frame1->setFrameShadow(QFrame::Sunken);
    Frame1->setGeometry(twips::rect(120, 1470, 6180 + kWider, 30));

    Check1 = new QCheckBox(QStringLiteral("Show this information again on Next log on"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(twips::rect(225, 1575, 3330 + kWider, 270));

    setTabOrder(cmdcontinue, cmdScanAndFix);
    setTabOrder(cmdScanAndFix, cmdExit);
    setTabOrder(cmdExit, Check1);

    // A change of the box from code saves too, as a click does.
    connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });
    connect(cmdcontinue, &QPushButton::clicked, this, &FrmSmmaryStartup::cmdcontinue_Click);
    connect(cmdScanAndFix, &QPushButton::clicked, this, &FrmSmmaryStartup::cmdScanAndFix_Click);
    connect(cmdExit, &QPushButton::clicked, this, &FrmSmmaryStartup::cmdExit_Click);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

std::optional<bool> FrmSmmaryStartup::storedOption()
{
    return platform::textToBoolean(
        platform::GetSetting(FrmStart::productName(), mainwindow::settingsSection(), kResultStartup, QStringLiteral("1")));
}

void FrmSmmaryStartup::Form_Load()
{
    if (storedOption().value_or(false))
        Check1->setChecked(true);
    const int n = engine::SavedProblemCount();
    if (n < 1) {
        mainwindow::End();
        return;
    }
    Label1->setText(QStringLiteral("Velmora 2007 found ") + QString::number(n)
                    + QStringLiteral(" registry error(s) on your previous scan. These"));
}

void FrmSmmaryStartup::Check1_Click()
{
    platform::SaveSetting(FrmStart::productName(), mainwindow::settingsSection(), kResultStartup,
                          Check1->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void FrmSmmaryStartup::cmdcontinue_Click()
{
    Check1_Click();
    mainwindow::bScanAndFixChosen = false;
    accept();
}

void FrmSmmaryStartup::cmdScanAndFix_Click()
{
    Check1_Click();
    mainwindow::bScanAndFixChosen = true;
    accept();
}

void FrmSmmaryStartup::cmdExit_Click()
{
    Check1_Click();
    mainwindow::End();
}

// The window has no default and no cancel button: Enter presses the button
// that has the focus and nothing else, Escape does nothing; the close box
// and Alt+F4 still close it.
void FrmSmmaryStartup::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if ((enter || event->key() == Qt::Key_Escape)
        && (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier)) {
        event->accept();
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); enter && button)
            button->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FrmSmmaryStartup::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    cmdcontinue->setFocus(Qt::OtherFocusReason);
}
