// Text-to-number conversions of the node's typed accessors, shared by its source files.
#pragma once

#include "platform/Types.h"

namespace Vorlane::XmlNodeInternal {

// The runtime's text-to-integer rules: leading blanks, an optional sign, decimal digits or
// hexadecimal ones after "$", "x" or "0x"; nothing may follow. AIs64 selects the 64-bit
// range, else the 32-bit one (hexadecimal text may fill all bits: "$FFFFFFFF" is -1).
bool TryTextToInt(const UTF8String& AText, Int64& AValue, bool AIs64);

// The runtime's locale-independent text-to-number rules after every "," became ".": leading
// blanks, an optional sign, digits with at most one ".", an optional exponent; nothing may
// follow.
bool TryTextToFloat(const UTF8String& AText, double& AValue);

}  // namespace Vorlane::XmlNodeInternal
