// Help and support: the web pages and the About box.
#include "mainwindow/frmstart.h"

void FrmStart::ImgHelpClick_MouseMove() {}
void FrmStart::ImgSupportClick_MouseMove() {}
