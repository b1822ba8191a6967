// Helpers shared by the project-file tests: scratch folders, byte-exact file access and the
// hand-made fixtures in tests/data/projfile.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "platform/Types.h"

namespace ProjFileTest {

namespace fs = std::filesystem;

inline fs::path FixturePath(const std::string& AName) {
  return fs::path(VORLANE_TEST_DATA) / "projfile" / AName;
}

inline std::string ReadBytes(const fs::path& APath) {
  std::ifstream In(APath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const fs::path& APath, const std::string& ABytes) {
  std::ofstream Out(APath, std::ios::binary | std::ios::trunc);
  Out.write(ABytes.data(), static_cast<std::streamsize>(ABytes.size()));
}

inline Vorlane::UnicodeString U16(const fs::path& APath) { return APath.u16string(); }

// A fresh folder below the system's temporary folder, removed with everything in it.
class TTempDir {
 public:
  TTempDir() {
    static std::atomic<unsigned> Counter{0};
    const auto Stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    FPath = fs::temp_directory_path() /
            ("vorlane-projfile-" + std::to_string(Stamp) + "-" + std::to_string(++Counter));
    fs::create_directories(FPath);
  }
  ~TTempDir() {
    std::error_code Ec;
    // Read-only entries left by a test must not keep the folder alive.
    for (auto It = fs::recursive_directory_iterator(FPath, Ec); !Ec && It != fs::recursive_directory_iterator();
         It.increment(Ec))
      fs::permissions(It->path(), fs::perms::owner_all, fs::perm_options::add, Ec);
    fs::remove_all(FPath, Ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const fs::path& Path() const { return FPath; }
  fs::path operator/(const std::string& AName) const { return FPath / AName; }

  // Copies a fixture into the folder and returns the copy's path.
  fs::path Copy(const std::string& AFixture, const std::string& AAs = std::string()) const {
    const fs::path Target = FPath / (AAs.empty() ? AFixture : AAs);
    fs::copy_file(FixturePath(AFixture), Target, fs::copy_options::overwrite_existing);
    return Target;
  }

  // Names of the entries in the folder, to see that no temporary file was left behind.
  std::size_t EntryCount() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(FPath), fs::directory_iterator()));
  }

 private:
  fs::path FPath;
};

}  // namespace ProjFileTest
