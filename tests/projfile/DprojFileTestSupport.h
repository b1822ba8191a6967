// Helpers shared by the project-file tests: scratch folders, byte-exact file access, the
// hand-made fixtures in tests/data/projfile and the files of the shared corpus.
#pragma once

#include <algorithm>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "common/TestSupport.h"
#include "platform/Types.h"

namespace ProjFileTest {

namespace fs = std::filesystem;

inline fs::path FixturePath(const std::string& AName) {
  return fs::path(VORLANE_TEST_DATA) / "projfile" / AName;
}

// The files of the corpus folder AFolder (only those with the extension AExtension, when one
// is given), sorted by name; none when the folder is absent.
inline std::vector<fs::path> CorpusFiles(const std::string& AFolder, const std::string& AExtension = std::string()) {
  std::vector<fs::path> Result;
  std::error_code Ec;
  for (const auto& Entry : fs::directory_iterator(TestSupport::CorpusDir() / AFolder, Ec))
    if (AExtension.empty() || Entry.path().extension() == AExtension) Result.push_back(Entry.path());
  std::sort(Result.begin(), Result.end());
  return Result;
}

using TestSupport::ReadBytes;
using TestSupport::WriteBytes;

inline Vorlane::UnicodeString U16(const fs::path& APath) { return APath.u16string(); }

// A fresh folder below the system's temporary folder, removed with everything in it.
class TTempDir : public TestSupport::TScratchFolder {
 public:
  TTempDir() : TScratchFolder("vorlane-projfile") {}

  // Copies a fixture into the folder and returns the copy's path.
  fs::path Copy(const std::string& AFixture, const std::string& AAs = std::string()) const {
    const fs::path Target = Path() / (AAs.empty() ? AFixture : AAs);
    fs::copy_file(FixturePath(AFixture), Target, fs::copy_options::overwrite_existing);
    return Target;
  }

  // Names of the entries in the folder, to see that no temporary file was left behind.
  std::size_t EntryCount() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(Path()), fs::directory_iterator()));
  }
};

}  // namespace ProjFileTest
