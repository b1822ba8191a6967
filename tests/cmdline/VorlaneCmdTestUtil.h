// Helpers of the console program's tests: temporary folders, whole-file bytes, fixtures in the
// on-disk form the project writer produces, and running the built program as a process.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/TestSupport.h"

namespace VorlaneCmdTest {

namespace fs = std::filesystem;

using TestSupport::ReadBytes;
using TestSupport::WriteBytes;
using TestSupport::ShellQuote;

// Fixtures are kept as plain LF text; project files on disk, and what the writer renders, carry
// the UTF-8 byte-order mark and CR LF line ends.
inline std::string OnDisk(const std::string& AText) {
  std::string Result = "\xEF\xBB\xBF";
  for (char C : AText) {
    if (C == '\n') Result += '\r';
    Result += C;
  }
  return Result;
}

inline std::string WithCrLf(const std::string& AText) { return OnDisk(AText).substr(3); }

inline fs::path DataDir() { return fs::path(VORLANE_TEST_DATA) / "cmdline"; }

inline std::string Fixture(const std::string& ARelative) {
  const fs::path P = DataDir() / ARelative;
  if (!fs::exists(P)) ADD_FAILURE() << "missing fixture " << P;
  return ReadBytes(P);
}

// A fresh folder below the system's temporary folder, removed with everything in it.
class TTempDir : public TestSupport::TScratchFolder {
 public:
  TTempDir() : TScratchFolder("vorlane-cmd") {}
};

struct TRunResult {
  int ExitCode = -1;
  std::string Output;
  // The output split into lines, without the banner line.
  std::vector<std::string> Lines;
};

// Runs the built program in AWorkDir with the given arguments and empty standard input (so the
// wait for Enter after an error ends at once), capturing standard output.
inline TRunResult RunCmd(const fs::path& AWorkDir, const std::vector<std::string>& AArgs) {
  TRunResult Result;
#ifdef VORLANE_CMD_EXE
  Result.ExitCode = TestSupport::RunProgram(AWorkDir, VORLANE_CMD_EXE, AArgs, Result.Output);
  std::istringstream In(Result.Output);
  std::string Line;
  bool First = true;
  while (std::getline(In, Line)) {
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    if (First) {
      First = false;
      continue;
    }
    Result.Lines.push_back(Line);
  }
#else
  (void)AWorkDir;
  (void)AArgs;
  ADD_FAILURE() << "VORLANE_CMD_EXE is not defined";
#endif
  return Result;
}

}  // namespace VorlaneCmdTest
