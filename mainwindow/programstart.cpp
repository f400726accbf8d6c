#include "mainwindow/programstart.h"

#include "mainwindow/frmstart.h"
#include "platform/desktop.h"
#include "platform/prefix.h"

#include <cstdio>

namespace mainwindow {

bool openUsersPrefix()
{
    const platform::PrefixError opened = platform::openPrefix(platform::defaultPrefixPath());
    if (opened.ok)
        return true;
    std::fprintf(stderr, "%s\n", qPrintable(opened.message));
    std::fflush(stderr);
    platform::MsgBox(opened.message, 16, FrmStart::productName());
    return false;
}

}  // namespace mainwindow
