// Scratch folders and raw file access for the platform tests (kept independent of the code
// under test).
#pragma once

#include <string>

#include "common/TestSupport.h"
#include "platform/SysUtils.h"

namespace PlatformTest {

namespace fs = std::filesystem;

using TestSupport::ReadBytes;
using TestSupport::WriteBytes;

class TScratch : public TestSupport::TScratchFolder {
 public:
  TScratch() : TScratchFolder("vorlane-platform") {}
  // The full name with the system's own delimiters ("sub/f.txt" names sub\f.txt on Windows).
  std::string Str(const std::string& ARelative = "") const {
    return ARelative.empty() ? Path().string() : (Path() / ARelative).make_preferred().string();
  }
  Vorlane::UnicodeString U(const std::string& ARelative = "") const { return Vorlane::UTF8ToUnicode(Str(ARelative)); }
};

inline std::string S8(const Vorlane::UnicodeString& S) { return Vorlane::UnicodeToUTF8(S); }
using TestSupport::Native;

}  // namespace PlatformTest
