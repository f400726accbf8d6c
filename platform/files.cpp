// Placeholder until the drive map lands: no drives.
#include "platform/winfile.h"

namespace platform {

void attachDrives(const QString&) {}
void detachDrives() {}

}  // namespace platform
