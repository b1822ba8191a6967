#include "platform/Registry.h"

namespace Vorlane {

bool RegistryReadUserOrMachine(const UnicodeString& AKey, const UnicodeString& AName, UnicodeString& AValue,
                               const std::function<bool(const UnicodeString&)>& AAccept) {
  for (TRegistryRoot root : {rrCurrentUser, rrLocalMachine}) {
    UnicodeString value;
    if (RegistryReadString(root, AKey, AName, value) && !value.empty() && (!AAccept || AAccept(value))) {
      AValue = value;
      return true;
    }
  }
  return false;
}

}  // namespace Vorlane
