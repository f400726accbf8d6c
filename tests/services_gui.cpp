// The Qt Widgets side of the desktop seam, and the generated click sound.
#include "mainwindow/frmnextmessagebox.h"
#include "mainwindow/qtdesktop.h"
#include "platform/desktop.h"
#include "tests/support/seamguard.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QtEndian>

#include <cmath>
#include <functional>

namespace {

// Runs `act` on the next modal window that shows up (5 s at most).
void whenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, tries] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal || ++*tries > 500) {
            timer->stop();
            timer->deleteLater();
            if (modal)
                act(modal);
        }
    });
    timer->start();
}

void pressButton(QWidget* modal, QMessageBox::StandardButton which)
{
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    box->button(which)->click();
}

}  // namespace

TEST(QtDesktop, MessageBoxesAnswerAsTheProgramExpects)
{
    mainwindow::QtDesktop desk;
    struct Seen {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttons = 0;
    } seen;
    auto look = [&seen](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        seen = {box->windowTitle(), box->text(), box->icon(), static_cast<int>(box->buttons().size())};
    };

    whenModal([&](QWidget* m) { look(m); pressButton(m, QMessageBox::Yes); });
    EXPECT_EQ(desk.messageBox(QStringLiteral("Are you sure?\rReally"), 36, QStringLiteral("Velmora 2007")), 6);
    EXPECT_EQ(seen.title, QStringLiteral("Velmora 2007"));
    EXPECT_EQ(seen.text, QStringLiteral("Are you sure?\nReally"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, 2);

    whenModal([&](QWidget* m) { pressButton(m, QMessageBox::No); });
    EXPECT_EQ(desk.messageBox(QStringLiteral("Delete?"), 36, QStringLiteral("Velmora 2007")), 7);

    whenModal([&](QWidget* m) { look(m); pressButton(m, QMessageBox::Ok); });
    EXPECT_EQ(desk.messageBox(QStringLiteral("Please select the Section you want to scan."), 64,
                              QStringLiteral("Velmora 2007")),
              1);
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, 1);

    // Escape on a Yes/No question answers No, never Yes.
    whenModal([](QWidget* m) { qobject_cast<QMessageBox*>(m)->reject(); });
    EXPECT_EQ(desk.messageBox(QStringLiteral("Delete?"), 36, QStringLiteral("Velmora 2007")), 7);
}

TEST(QtDesktop, ModalWindowsRunUntilClosedAndGiveTheirResult)
{
    mainwindow::QtDesktop desk;
    FrmNextMessageBox box;
    box.setProblemCount(3);
    QString seen;
    bool wasModal = false;
    whenModal([&](QWidget* m) {
        wasModal = m == &box && box.isVisible() && box.isModal();
        seen = m->findChild<QLabel*>(QStringLiteral("lblprob"))->text();
        m->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    });
    EXPECT_EQ(desk.runModal(&box), QDialog::Accepted);
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(seen, QStringLiteral("Scanning is complete : 3 problems found."));
    EXPECT_FALSE(box.isVisible());

    whenModal([](QWidget* m) { qobject_cast<QDialog*>(m)->reject(); });
    EXPECT_EQ(desk.runModal(&box), QDialog::Rejected);

    QObject notADialog;
    EXPECT_EQ(desk.runModal(&notADialog), 0);
}

TEST(DesktopSeam, WithoutADesktopModalWindowsAreNotShown)
{
    testenv::SeamGuard seams;
    seams.desktop(nullptr);
    FrmNextMessageBox box;
    EXPECT_EQ(platform::ShowModal(&box), 0);
    EXPECT_FALSE(box.isVisible());
}

TEST(QtDesktop, FolderDialogIsTitledAndCancelGivesNothing)
{
    mainwindow::QtDesktop desk;
    const QString dir = testenv::makeTempDir(QStringLiteral("chosen"));
    QString title;
    whenModal([&](QWidget* m) {
        title = m->windowTitle();
        auto* dialog = qobject_cast<QFileDialog*>(m);
        ASSERT_NE(dialog, nullptr);
        // Accepting with nothing selected answers the folder shown; selecting
        // by name would race the dialog's background listing.
        dialog->setDirectory(dir);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const QString chosen = desk.browseForFolder(QStringLiteral("Choose directory..."));
    EXPECT_EQ(title, QStringLiteral("Choose directory..."));
    EXPECT_EQ(QDir(chosen).canonicalPath(), QDir(dir).canonicalPath());

    whenModal([](QWidget* m) { qobject_cast<QDialog*>(m)->reject(); });
    EXPECT_TRUE(desk.browseForFolder(QStringLiteral("Choose directory...")).isEmpty());
}

TEST(QtDesktop, WindowAlphaSetsOpacityWithinRange)
{
    mainwindow::QtDesktop desk;
    QWidget window;
    desk.setWindowAlpha(&window, 0);
    EXPECT_EQ(window.windowOpacity(), 0.0);
    desk.setWindowAlpha(&window, 255);
    EXPECT_EQ(window.windowOpacity(), 1.0);
    desk.setWindowAlpha(&window, 51);
    EXPECT_NEAR(window.windowOpacity(), 0.2, 0.005);
    desk.setWindowAlpha(&window, 256);
    desk.setWindowAlpha(&window, -3);
    EXPECT_NEAR(window.windowOpacity(), 0.2, 0.005);
    QObject notAWindow;
    desk.setWindowAlpha(&notAWindow, 10);  // ignored, no crash
}

TEST(ClickSound, GeneratedFileIsAShortAudibleWave)
{
    const QString path = QStringLiteral(VELMORA_BUILD_DIR "/app/Alert.wav");
    const QByteArray wav = testenv::readFile(path);
    ASSERT_GE(wav.size(), 44) << qPrintable(path);
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(wav.constData() + at); };
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(wav.constData() + at); };
    EXPECT_EQ(wav.left(4), QByteArray("RIFF"));
    EXPECT_EQ(wav.mid(8, 8), QByteArray("WAVEfmt "));
    EXPECT_EQ(u32(4), static_cast<quint32>(wav.size() - 8));
    EXPECT_EQ(u16(20), 1);  // PCM
    const quint32 rate = u32(24);
    const int channels = u16(22);
    const int bits = u16(34);
    ASSERT_EQ(wav.mid(36, 4), QByteArray("data"));
    const quint32 dataBytes = u32(40);
    EXPECT_EQ(dataBytes, static_cast<quint32>(wav.size() - 44));
    const double seconds = double(dataBytes) / (rate * channels * bits / 8);
    EXPECT_GT(seconds, 0.01);
    EXPECT_LT(seconds, 0.25);
    int peak = 0;
    for (quint32 i = 44; i + 1 < static_cast<quint32>(wav.size()); i += 2)
        peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(wav.constData() + i))));
    EXPECT_GT(peak, 3000);
    EXPECT_LT(peak, 32767);

    // Playing returns at once, with or without an audio device.
    mainwindow::QtDesktop desk;
    desk.playSound(path);
    desk.playSound(path);
}
