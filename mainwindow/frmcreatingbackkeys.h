#pragma once
// The box shown after a restore: a status line and a bar that fills by one
// tenth a second. It closes itself about 21 s after it opened.
#include <QDialog>

class QLabel;
class QProgressBar;
class QTimer;

class FrmCreatingBackKeys : public QDialog {
    Q_OBJECT
public:
    explicit FrmCreatingBackKeys(QWidget* parent = nullptr);

    void Form_Load();
    void tmrProgress_Timer();
    void tmrChecking_Timer();

private:
    QLabel* Label1;
    QProgressBar* ProgressBar1;
    QTimer* tmrProgress;
    QTimer* tmrChecking;
};
