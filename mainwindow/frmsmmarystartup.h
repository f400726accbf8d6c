#pragma once
// The start-up summary: on a logon start, tells how many problems the last
// saved scan left and offers Continue, Scan & Fix or Exit.
#include <QDialog>

#include <optional>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

class FrmSmmaryStartup : public QDialog {
    Q_OBJECT
public:
    explicit FrmSmmaryStartup(QWidget* parent = nullptr);

    // "ResultStartup" as a Boolean (missing reads as on); nothing when its
    // text does not convert.
    static std::optional<bool> storedOption();

    void Form_Load();
    void Check1_Click();
    void cmdcontinue_Click();
    void cmdScanAndFix_Click();
    void cmdExit_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label2;
    QPushButton* cmdcontinue;
    QPushButton* cmdScanAndFix;
    QPushButton* cmdExit;
    QFrame* Frame1;
    QCheckBox* Check1;
};
