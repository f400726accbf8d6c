// Starts the program on the Wine prefix named by WINEPREFIX (else ~/.wine).
#include "mainwindow/frmstart.h"
#include "mainwindow/programstart.h"
#include "mainwindow/qtdesktop.h"
#include "platform/desktop.h"
#include "platform/prefix.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(FrmStart::productName());
    mainwindow::QtDesktop desktop;
    platform::setDesktop(&desktop);

    int result = mainwindow::runProgram();
    const platform::PrefixError closed = platform::closePrefix();
    if (!closed.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(closed.message));
        platform::MsgBox(closed.message, 16, FrmStart::productName());
        result = result ? result : 1;
    }
    platform::setDesktop(nullptr);
    return result;
}
