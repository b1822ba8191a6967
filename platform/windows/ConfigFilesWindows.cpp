// Windows keeps such settings in the registry (platform/Registry.h).
#include "platform/ConfigFiles.h"

namespace Vorlane {

std::vector<UnicodeString> ConfigFileCandidates(const UnicodeString&) { return {}; }

}  // namespace Vorlane
