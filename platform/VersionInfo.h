// Version information of a module file. On Windows this is the VERSIONINFO resource that the
// build embeds; on POSIX it is a version block that the build places in its own ELF section
// (".vorlane_version") of the program file. Both are read from the file itself.
#pragma once

#include "platform/SysUtils.h"

namespace Vorlane {

// The fixed file version as two 32-bit values, most significant first (major << 16 | minor,
// release << 16 | build). False, with the outputs untouched, when the file has no version
// information or it cannot be read.
bool GetFileVersionInfo(const UnicodeString& AFileName, Cardinal& AFileVersionMS,
                        Cardinal& AFileVersionLS);
// The fixed product version, in the same form and with the same failure rule.
bool GetProductVersionInfo(const UnicodeString& AFileName, Cardinal& AProductVersionMS,
                           Cardinal& AProductVersionLS);

}  // namespace Vorlane
