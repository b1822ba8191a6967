// Scratch folders and raw file access for the platform tests (kept independent of the code
// under test).
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/SysUtils.h"

namespace PlatformTest {

namespace fs = std::filesystem;

inline std::string ReadBytes(const fs::path& APath) {
  std::ifstream In(APath, std::ios::binary);
  std::ostringstream Out;
  Out << In.rdbuf();
  return Out.str();
}

inline void WriteBytes(const fs::path& APath, const std::string& AData) {
  fs::create_directories(APath.parent_path());
  std::ofstream Out(APath, std::ios::binary | std::ios::trunc);
  Out << AData;
}

class TScratch {
 public:
  TScratch() {
    static std::atomic<int> Counter{0};
    const auto Stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    FPath = fs::temp_directory_path() / ("vorlane-platform-" + std::to_string(Stamp) + "-" + std::to_string(Counter++));
    fs::create_directories(FPath);
    FPath = fs::canonical(FPath);
  }
  ~TScratch() {
    std::error_code Ignored;
    // Read-only leftovers must not block the clean-up.
    for (auto& E : fs::recursive_directory_iterator(FPath, Ignored))
      fs::permissions(E.path(), fs::perms::owner_all, fs::perm_options::add, Ignored);
    fs::remove_all(FPath, Ignored);
  }
  TScratch(const TScratch&) = delete;
  TScratch& operator=(const TScratch&) = delete;
  const fs::path& Path() const { return FPath; }
  std::string Str(const std::string& ARelative = "") const {
    return ARelative.empty() ? FPath.string() : (FPath / ARelative).string();
  }
  Vorlane::UnicodeString U(const std::string& ARelative = "") const {
    return Vorlane::UTF8ToUnicode(ARelative.empty() ? FPath.string() : (FPath / ARelative).string());
  }
  void Touch(const std::string& ARelative, const std::string& AData = "x") const { WriteBytes(FPath / ARelative, AData); }

 private:
  fs::path FPath;
};

inline std::string S8(const Vorlane::UnicodeString& S) { return Vorlane::UnicodeToUTF8(S); }

}  // namespace PlatformTest
