// Which module (the program or a shared library loaded into it) a piece of code belongs to.
// A shared library asks this about one of its own functions to find its own file, and from
// there its version information and icon resources.
#pragma once

#include "platform/SysUtils.h"

namespace Vorlane {

// The full file name of the module whose code or data holds AAddress; "" when the system
// cannot tell.
UnicodeString GetModuleFileNameOf(const void* AAddress);

}  // namespace Vorlane
