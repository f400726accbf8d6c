#pragma once
// The scan-complete box: tells how many problems the scan found and leads on
// to the problem page.
#include <QDialog>

class QLabel;
class QPushButton;

class FrmNextMessageBox : public QDialog {
    Q_OBJECT
public:
    explicit FrmNextMessageBox(QWidget* parent = nullptr);

    QLabel* lblprob;
    QLabel* Label1;
    QPushButton* Command1;

    void Command1_Click();
};
