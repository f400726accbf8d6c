#pragma once
// Small controls of the main window: a picture and a picture box that report
// mouse moves and presses, the three-picture button built from pictures, the
// section check box and a status bar of three text panels.
#include <QCheckBox>
#include <QFrame>
#include <QLabel>

class QMouseEvent;

// A named label of plain text at a place of its parent.
QLabel* makePlainLabel(QWidget* parent, const QString& name, const QString& text, const QRect& place);
// A named label of plain text, left-aligned; a wrapped one starts at its top.
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& place, bool bold = false,
                  bool wrap = false);

// A picture that reports every mouse move over it and every press on it.
// It takes the events for itself, so its page does not see them.
class PictureImage : public QLabel {
    Q_OBJECT
public:
    explicit PictureImage(QWidget* parent = nullptr);

signals:
    void mouseMoved();
    void mousePressed();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

// A page or panel: reports mouse moves over its background (and over
// children that do not take them).
class PictureBox : public QFrame {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

signals:
    void mouseMoved();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};

// A named page or panel of its own background at a place of its parent.
PictureBox* makePage(QWidget* parent, const QString& name, const QRect& place);

// Three pictures stacked at one place, one of them seen: normal, hover and
// pressed.
struct PictureButton {
    PictureImage* normal = nullptr;
    PictureImage* hover = nullptr;
    PictureImage* pressed = nullptr;

    void showNormal();
    void showHover();
    void showPressed();
    // Which picture is seen: 0 normal, 1 hover, 2 pressed, -1 none or several.
    int state() const;
};

// A button of three named pictures, drawn from the pictures `picture` +
// "Normal", "Hover" and "Pressed", at `left`, `top` (twips) of `page`;
// its normal picture is seen.
PictureButton makePictureButton(QWidget* page, const QString& normalName, const QString& hoverName,
                                const QString& pressedName, const QString& picture, int left, int top);

// One picture button of a page's table: its three pictures' names, its
// pictures, its place (twips), its hint and the page's handlers. The action
// is the pressed picture's mouse move.
template <typename Page>
struct PageButtonRow {
    const char* normal;
    const char* hover;
    const char* pressed;
    const char* picture;
    int left;
    int top;
    const char* hint;
    void (Page::*onHover)();
    void (Page::*onPress)();
    void (Page::*onAction)();
};

// The button of `row` on `parent` (a panel of `page`, or the page itself),
// its pictures tied to the page's handlers.
template <typename Page>
PictureButton makePageButton(Page* page, QWidget* parent, const PageButtonRow<Page>& row)
{
    const PictureButton b = makePictureButton(parent, QLatin1String(row.normal), QLatin1String(row.hover),
                                              QLatin1String(row.pressed), QLatin1String(row.picture), row.left,
                                              row.top);
    QObject::connect(b.normal, &PictureImage::mouseMoved, page, row.onHover);
    QObject::connect(b.hover, &PictureImage::mousePressed, page, row.onPress);
    QObject::connect(b.pressed, &PictureImage::mouseMoved, page, row.onAction);
    return b;
}

template <typename Page>
PictureButton makePageButton(Page* page, const PageButtonRow<Page>& row)
{
    return makePageButton(page, page, row);
}

// A section check box. Grayed comes only from the stored choice; a click
// always gives checked or unchecked, never grayed.
class SectionCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override;
};

// The status bar: three sunken text panels, numbered from 1.
class StatusPanels : public QFrame {
    Q_OBJECT
public:
    explicit StatusPanels(QWidget* parent = nullptr);
    void setPanelText(int panel, const QString& text);
    QString panelText(int panel) const;

private:
    QLabel* m_panels[3];
};
