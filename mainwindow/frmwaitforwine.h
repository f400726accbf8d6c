#pragma once
// The small window of a logon start that waits for the prefix's Wine
// server to end: Wine starts the program at logon while its server runs,
// and a change made to the registry files beside a running server would be
// overwritten when it saves.
#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QTimer;

class FrmWaitForWine : public QDialog {
    Q_OBJECT
public:
    explicit FrmWaitForWine(QWidget* parent = nullptr);

    // How the wait ended; neither when it was cancelled or closed.
    bool serverEnded() const { return bServerEnded; }
    bool gaveUp() const { return bGaveUp; }

    // Names the prefix (a Linux path) and starts both timers.
    void Form_Load(const QString& prefixDir);
    void tmrPoll_Timer();
    void tmrGiveUp_Timer();
    void cmdCancel_Click();

    // The longest wait and the time between two looks, in milliseconds
    // before the timing scale.
    static constexpr int kGiveUpMs = 60000;
    static constexpr int kPollMs = 250;

protected:
    void done(int result) override;

private:
    QLabel* lblWaiting;
    QLabel* lblPrefix;
    QLabel* lblWhy;
    QPushButton* cmdCancel;
    QTimer* tmrPoll;    // asks whether the server still runs
    QTimer* tmrGiveUp;  // the longest wait
    bool bServerEnded = false;
    bool bGaveUp = false;
    QString m_prefixDir;
};
