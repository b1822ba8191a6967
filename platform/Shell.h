// Handing a file to the program the user has chosen for its type.
#pragma once

#include "platform/SysUtils.h"

namespace Vorlane {

// Opens an existing file with the shell's "open" verb: no parameters, the file's folder as
// working folder, no owner window, the default show state. True when the shell took the
// request. False, without asking the shell, for an empty name or a file that does not exist.
// POSIX: the desktop's opener (xdg-open), started detached, and only inside a graphical
// session (DISPLAY or WAYLAND_DISPLAY set) where xdg-open is found on the PATH; elsewhere
// there is nobody to show the file to, and the result is false.
bool ShellOpenFile(const UnicodeString& AFileName);

}  // namespace Vorlane
