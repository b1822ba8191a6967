// Where configuration files lie on systems that keep settings in files rather than in a
// registry.
#pragma once

#include <vector>

#include "platform/SysUtils.h"

namespace Vorlane {

// The full names under which the configuration file ARelative (such as "vorlane/help") is
// looked for, the user's own place first, then the system-wide places, in the order they are
// to be asked. POSIX follows the XDG base directories: $XDG_CONFIG_HOME (else $HOME/.config),
// then each folder of $XDG_CONFIG_DIRS (else /etc/xdg); a variable or entry that is no
// absolute path is ignored, as those rules require. Windows keeps such settings in the
// registry: the list is empty there.
std::vector<UnicodeString> ConfigFileCandidates(const UnicodeString& ARelative);

}  // namespace Vorlane
