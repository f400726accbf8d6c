// The fix: the problem page's Fix and Return buttons and the main page's Fix
// Problems button.
#include "mainwindow/frmstart.h"

void FrmStart::ImgFixProblemsClick_MouseMove() {}
void FrmStart::ImgFixProblemsClick2_MouseMove() {}
void FrmStart::ImgReturnClick_MouseMove() {}
