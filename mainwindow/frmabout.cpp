#include "mainwindow/frmabout.h"

#include "engine/services.h"
#include "mainwindow/pictures.h"
#include "mainwindow/controls.h"
#include "mainwindow/productname.h"
#include "mainwindow/twips.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

FrmAbout::FrmAbout(QObject* mainWindow)
    : QDialog(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("FrmAbout"));
    setWindowTitle(QStringLiteral(" About"));
    setWindowIcon(QIcon(pictures::picture(QStringLiteral("AppIcon"))));
    setModal(true);
    setFixedSize(twips::px(7485), twips::px(4665));
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(0xF8, 0xF8, 0xF8));
    setPalette(background);
    setAutoFillBackground(true);

    const QPixmap banner = pictures::picture(QStringLiteral("AboutBanner"));
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(banner);
    Image1->setGeometry(0, 0, banner.width(), banner.height());

    Label1 = makePlainLabel(this, QStringLiteral("Label1"), QStringLiteral("Velmora 2007"), twips::rect(285, 1260, 6900, 300));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);

    Label2 = makePlainLabel(this, QStringLiteral("Label2"), QStringLiteral("Made by the Velmora developers"),
                       twips::rect(285, 1620, 6900, 255));

    lblWebsite = makePlainLabel(this, QStringLiteral("lblWebsite"), QStringLiteral("Velmora 2007 Website"),
                           twips::rect(285, 1980, 2400, 255));
    QFont underlined = lblWebsite->font();
    underlined.setUnderline(true);
    lblWebsite->setFont(underlined);
    QPalette link = lblWebsite->palette();
    link.setColor(QPalette::WindowText, QColor(48, 91, 165));  // &H00A55B30
    lblWebsite->setPalette(link);
    lblWebsite->setCursor(Qt::PointingHandCursor);
    lblWebsite->adjustSize();
    lblWebsite->installEventFilter(this);

    Label3 = makePlainLabel(this, QStringLiteral("Label3"),
                       QStringLiteral("Warning: this program is protected by copyright. Copying it or passing it "
                                      "on, whole or in part, without the permission of its authors is not allowed."),
                       twips::rect(285, 3825, 7185, 1380));
    QFont notice(QStringLiteral("Arial"));
    notice.setPointSize(9);
    Label3->setFont(notice);
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

// The link opens the home page with the main window as the browser's owner;
// the box stays open.
void FrmAbout::lblWebsite_Click()
{
    engine::OpenWebPage(m_mainWindow, engine::HomePageAddress(), mainwindow::webPageExtension());
}

bool FrmAbout::eventFilter(QObject* watched, QEvent* event)
{
    // A click: the left button let go over the link.
    if (watched == lblWebsite && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && lblWebsite->rect().contains(mouse->position().toPoint())) {
            lblWebsite_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
