// POSIX keeps no registry: nothing is ever found.
#include "platform/Registry.h"

namespace Vorlane {

bool RegistryReadString(TRegistryRoot, const UnicodeString&, const UnicodeString&, UnicodeString&) { return false; }

}  // namespace Vorlane
