#include "mainwindow/frmnextmessagebox.h"

#include "mainwindow/pictures.h"
#include "mainwindow/twips.h"

#include <QLabel>
#include <QPushButton>

FrmNextMessageBox::FrmNextMessageBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmNextMessageBox"));
    setWindowTitle(QStringLiteral("Velmora 2007"));
    setModal(true);
    // Wide enough for a seven-digit count on one line.
    setFixedSize(twips::px(6900), twips::px(1950));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Image1"));
    icon->setPixmap(pictures::picture(QStringLiteral("ToolRegistryCleaner")));
    icon->setGeometry(twips::rect(240, 240, 480, 480));

    lblprob = new QLabel(QStringLiteral("Scanning is complete : 9 problems found."), this);
    lblprob->setObjectName(QStringLiteral("lblprob"));
    lblprob->setTextFormat(Qt::PlainText);
    QFont bold = lblprob->font();
    bold.setBold(true);
    lblprob->setFont(bold);
    lblprob->setGeometry(twips::rect(900, 240, 5760, 300));

    Label1 = new QLabel(QStringLiteral("In the next step you will have the option of reparing these problems."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setWordWrap(true);
    Label1->setGeometry(twips::rect(900, 600, 5760, 600));

    Command1 = new QPushButton(QStringLiteral("&Next"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command1->setGeometry(twips::rect(5400, 1380, 1230, 375));
    connect(Command1, &QPushButton::clicked, this, &FrmNextMessageBox::Command1_Click);
}

void FrmNextMessageBox::setProblemCount(int count)
{
    lblprob->setText(QStringLiteral("Scanning is complete : %1 problems found.").arg(count));
}

void FrmNextMessageBox::Command1_Click()
{
    accept();
}
