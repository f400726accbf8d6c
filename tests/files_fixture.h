#pragma once
// A small hand-made prefix: dosdevices links and a drive_c tree with files of
// every kind the lookup must tell apart.
#include "tests/support/printto.h"

#include <QString>

#include <ostream>

namespace filesfixture {

// Builds the prefix once per test program and returns its folder.
//   a: -> ../drive_a          (floppy by letter)
//   c: -> ../drive_c          d: -> ../missing_d (dangling: not ready)
//   e: -> ../drive_e          z: -> /            I: upper case (ignored)
QString prefix();
QString driveC();  // prefix() + "/drive_c"

// Sets user.DOSATTRIB as Wine writes it ("0x2", "0x4", ...).
bool setDosAttrib(const QString& path, const char* value);

}  // namespace filesfixture
