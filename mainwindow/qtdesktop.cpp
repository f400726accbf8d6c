#include "mainwindow/qtdesktop.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSoundEffect>
#include <QUrl>
#include <QWidget>

#include <vector>

namespace mainwindow {

namespace {

struct ButtonChoice {
    QMessageBox::StandardButton button;
    int answer;
};

// The buttons of a message-box style (its low four bits) with the number
// each one answers.
std::vector<ButtonChoice> buttonsOf(int style)
{
    switch (style & 0xF) {
    case 1: return {{QMessageBox::Ok, 1}, {QMessageBox::Cancel, 2}};
    case 2: return {{QMessageBox::Abort, 3}, {QMessageBox::Retry, 4}, {QMessageBox::Ignore, 5}};
    case 3: return {{QMessageBox::Yes, 6}, {QMessageBox::No, 7}, {QMessageBox::Cancel, 2}};
    case 4: return {{QMessageBox::Yes, 6}, {QMessageBox::No, 7}};
    case 5: return {{QMessageBox::Retry, 4}, {QMessageBox::Cancel, 2}};
    default: return {{QMessageBox::Ok, 1}};
    }
}

QMessageBox::Icon iconOf(int style)
{
    switch (style & 0x70) {
    case 16: return QMessageBox::Critical;
    case 32: return QMessageBox::Question;
    case 48: return QMessageBox::Warning;
    case 64: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

QWidget* dialogParent()
{
    if (QWidget* w = QApplication::activeModalWidget())
        return w;
    return QApplication::activeWindow();
}

}  // namespace

QtDesktop::QtDesktop() = default;
QtDesktop::~QtDesktop() = default;

int QtDesktop::messageBox(const QString& text, int style, const QString& title)
{
    // A line break in the program's texts is a lone carriage return.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));

    QMessageBox box(iconOf(style), title, shown, QMessageBox::NoButton, dialogParent());
    box.setTextFormat(Qt::PlainText);
    const auto choices = buttonsOf(style);
    for (const auto& c : choices)
        box.addButton(c.button);
    const size_t defaultIndex = static_cast<size_t>((style >> 8) & 0x3);
    if (defaultIndex < choices.size())
        box.setDefaultButton(choices[defaultIndex].button);

    const int pressed = box.exec();
    for (const auto& c : choices) {
        if (c.button == pressed)
            return c.answer;
    }
    // Closed by Escape or the close box: the last button's answer (No,
    // Cancel or OK), never Yes.
    return choices.back().answer;
}

int QtDesktop::runModal(QObject* dialog)
{
    auto* d = qobject_cast<QDialog*>(dialog);
    return d ? d->exec() : 0;
}

QString QtDesktop::browseForFolder(const QString& title)
{
    return QFileDialog::getExistingDirectory(dialogParent(), title, QString(), QFileDialog::ShowDirsOnly);
}

void QtDesktop::playSound(const QString& linuxPath)
{
    if (!m_sound)
        m_sound = std::make_unique<QSoundEffect>();
    const QUrl source = QUrl::fromLocalFile(linuxPath);
    if (m_sound->source() != source)
        m_sound->setSource(source);
    else
        m_sound->stop();
    // Plays as soon as the file is loaded; returns at once.
    m_sound->play();
}

void QtDesktop::setWindowAlpha(QObject* window, int alpha)
{
    if (alpha < 0 || alpha > 255)
        return;
    if (auto* w = qobject_cast<QWidget*>(window))
        w->setWindowOpacity(alpha / 255.0);
}

}  // namespace mainwindow
