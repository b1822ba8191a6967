// Reading the system's registry. The product only ever reads it; there is no writing here.
// POSIX has no registry: every read there finds nothing.
#pragma once

#include <functional>

#include "platform/SysUtils.h"

namespace Vorlane {

enum TRegistryRoot { rrCurrentUser, rrLocalMachine };

// The string value AName of the key AKey (a path such as "Software\Company\Product") below
// ARoot, the key opened with read access only. A REG_EXPAND_SZ value comes back as stored,
// unexpanded. False, with AValue untouched, when the key or value is missing or the value is
// no string.
bool RegistryReadString(TRegistryRoot ARoot, const UnicodeString& AKey, const UnicodeString& AName,
                        UnicodeString& AValue);

// The first value, under the current user and then under the local machine, that is found,
// not empty, and accepted by AAccept when one is given (so a user's entry naming a missing
// file can give way to the machine's). False, with AValue untouched, when there is none.
bool RegistryReadUserOrMachine(const UnicodeString& AKey, const UnicodeString& AName, UnicodeString& AValue,
                               const std::function<bool(const UnicodeString&)>& AAccept = {});

}  // namespace Vorlane
