#pragma once
// The About box: the banner, the program's name, who makes it, a link to the
// program's home page and the legal notice. It has no button; its close box
// closes it.
#include <QDialog>

class QLabel;

class FrmAbout : public QDialog {
    Q_OBJECT
public:
    // `mainWindow` owns the browser the link starts; the box itself has no
    // owner window.
    explicit FrmAbout(QObject* mainWindow);

    void lblWebsite_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QObject* m_mainWindow;
    QLabel* Image1;  // the banner
    QLabel* Label1;
    QLabel* Label2;  // who makes the program
    QLabel* lblWebsite;
    QLabel* Label3;  // the legal notice
};
