// Runs console handlers in-process for the driver tests: a staged command line, a console
// that records every line and feeds prepared input, and a scratch folder as current folder.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "cmdline/CmdLineHandler.h"
#include "common/TestSupport.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"

namespace DriverTest {

namespace fs = std::filesystem;
using Vorlane::UnicodeString;

class TRecordingConsole : public Vorlane::TConsole {
 public:
  void WriteLine(const UnicodeString& AText) override { Lines.push_back(Vorlane::UnicodeToUTF8(AText)); }
  bool ReadLine(UnicodeString& ALine) override {
    ++Reads;
    if (Input.empty()) return false;
    ALine = Vorlane::UTF8ToUnicode(Input.front());
    Input.pop_front();
    return true;
  }
  std::vector<std::string> Lines;
  std::deque<std::string> Input;
  int Reads = 0;
};

using TestSupport::Native;
using TestSupport::ReadBytes;
using TestSupport::WriteBytes;
// The system's path delimiter, as the program prints it.
inline const std::string kDelim = Native("/");

// A scratch folder that is the current folder while the object lives; the command line and
// the console are staged for the same time and restored afterwards.
class TStage {
 public:
  explicit TStage(const std::vector<std::string>& AArgs, const std::string& AExe = "/opt/tools/VorlaneCmd")
      : FScratch("vorlane-driver") {
    FOldDir = fs::current_path();
    fs::current_path(FScratch.Path());
    SetArgs(AArgs, AExe);
    FOldConsole = Vorlane::SetConsole(&Console);
  }
  ~TStage() {
    Vorlane::SetConsole(nullptr);
    Vorlane::SetCommandLine(std::vector<UnicodeString>{});
    // Leaves the folder before the scratch member removes it.
    std::error_code Ignored;
    fs::current_path(FOldDir, Ignored);
  }
  TStage(const TStage&) = delete;
  TStage& operator=(const TStage&) = delete;

  void SetArgs(const std::vector<std::string>& AArgs, const std::string& AExe = "/opt/tools/VorlaneCmd") {
    std::vector<UnicodeString> Params{Vorlane::UTF8ToUnicode(AExe)};
    for (const auto& A : AArgs) Params.push_back(Vorlane::UTF8ToUnicode(A));
    Vorlane::SetCommandLine(Params);
  }

  const fs::path& Dir() const { return FScratch.Path(); }
  // The full name with the system's own delimiters.
  std::string Path(const std::string& ARelative) const { return (FScratch / ARelative).make_preferred().string(); }
  void Touch(const std::string& ARelative, const std::string& AData = "x") const { FScratch.Touch(ARelative, AData); }

  TRecordingConsole Console;

 private:
  TestSupport::TScratchFolder FScratch;
  fs::path FOldDir;
  Vorlane::TConsole* FOldConsole = nullptr;
};

// The recorded lines with the variable millisecond count of the timing line masked as "#".
inline std::vector<std::string> Masked(const std::vector<std::string>& ALines) {
  std::vector<std::string> R;
  for (const auto& L : ALines) {
    const std::string Prefix = "elapsed time: ";
    if (L.rfind(Prefix, 0) == 0 && L.size() > Prefix.size() + 3 && L.compare(L.size() - 3, 3, " ms") == 0) {
      const std::string Number = L.substr(Prefix.size(), L.size() - Prefix.size() - 3);
      if (!Number.empty() && Number.find_first_not_of("0123456789") == std::string::npos) {
        R.push_back(Prefix + "# ms");
        continue;
      }
    }
    R.push_back(L);
  }
  return R;
}

using TLines = std::vector<std::string>;

}  // namespace DriverTest
