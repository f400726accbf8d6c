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

    // The first line tells `count` problems found.
    void setProblemCount(int count);

    void Command1_Click();

private:
    QLabel* lblprob;
    QLabel* Label1;
    QPushButton* Command1;
};
