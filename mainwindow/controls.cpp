#include "mainwindow/controls.h"

#include "mainwindow/pictures.h"
#include "mainwindow/twips.h"

#include <QHBoxLayout>
#include <QMouseEvent>

QLabel* makePlainLabel(QWidget* parent, const QString& name, const QString& text, const QRect& place)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(place);
    return label;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& place, bool bold, bool wrap)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(place);
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignLeft | (wrap ? Qt::AlignTop : Qt::AlignVCenter));
    if (bold) {
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
    }
    return label;
}

PictureImage::PictureImage(QWidget* parent) : QLabel(parent)
{
    setMouseTracking(true);
}

void PictureImage::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    // A picture hidden while it held the pointer gets no say.
    if (isVisible())
        emit mouseMoved();
}

void PictureImage::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (isVisible())
        emit mousePressed();
}

PictureBox::PictureBox(QWidget* parent) : QFrame(parent)
{
    setMouseTracking(true);
}

PictureBox* makePage(QWidget* parent, const QString& name, const QRect& place)
{
    auto* page = new PictureBox(parent);
    page->setObjectName(name);
    page->setGeometry(place);
    page->setAutoFillBackground(true);
    return page;
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    emit mouseMoved();
}

void PictureButton::showNormal()
{
    normal->show();
    hover->hide();
    pressed->hide();
}

void PictureButton::showHover()
{
    pressed->hide();
    hover->show();
    normal->hide();
}

void PictureButton::showPressed()
{
    pressed->show();
    hover->hide();
    normal->hide();
}

int PictureButton::state() const
{
    const bool n = !normal->isHidden(), h = !hover->isHidden(), p = !pressed->isHidden();
    if (n + h + p != 1)
        return -1;
    return n ? 0 : h ? 1 : 2;
}

PictureButton makePictureButton(QWidget* page, const QString& normalName, const QString& hoverName,
                                const QString& pressedName, const QString& picture, int left, int top)
{
    PictureButton b;
    const QString names[3] = {normalName, hoverName, pressedName};
    const char* faces[3] = {"Normal", "Hover", "Pressed"};
    PictureImage** parts[3] = {&b.normal, &b.hover, &b.pressed};
    for (int i = 0; i < 3; ++i) {
        auto* image = new PictureImage(page);
        image->setObjectName(names[i]);
        const QPixmap pm = pictures::picture(picture + QLatin1String(faces[i]));
        image->setPixmap(pm);
        image->setGeometry(twips::px(left), twips::px(top), pm.width(), pm.height());
        image->setCursor(Qt::PointingHandCursor);
        *parts[i] = image;
    }
    b.showNormal();
    return b;
}

void SectionCheckBox::nextCheckState()
{
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

StatusPanels::StatusPanels(QWidget* parent) : QFrame(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 2, 1, 1);
    layout->setSpacing(2);
    const int widths[3] = {0, 120, 180};
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i + 1));
        m_panels[i]->setFrameShape(QFrame::Panel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
        m_panels[i]->setTextFormat(Qt::PlainText);
        if (widths[i] > 0)
            m_panels[i]->setFixedWidth(widths[i]);
        layout->addWidget(m_panels[i], widths[i] > 0 ? 0 : 1);
    }
}

void StatusPanels::setPanelText(int panel, const QString& text)
{
    if (panel >= 1 && panel <= 3)
        m_panels[panel - 1]->setText(text);
}

QString StatusPanels::panelText(int panel) const
{
    return panel >= 1 && panel <= 3 ? m_panels[panel - 1]->text() : QString();
}
