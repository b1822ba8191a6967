// The built program run as a process: its whole standard output, its log file and its exit
// code.
#include <gtest/gtest.h>

#include "DriverTestHarness.h"

using namespace DriverTest;

namespace {

// Runs the program in AWorkDir with standard input at its end; returns the exit code.
int RunProgram(const fs::path& AWorkDir, const std::vector<std::string>& AArgs, std::string& AOutput) {
#ifdef VORLANE_CMD_EXE
  return TestSupport::RunProgram(AWorkDir, VORLANE_CMD_EXE, AArgs, AOutput);
#else
  (void)AWorkDir;
  (void)AArgs;
  (void)AOutput;
  return -1;
#endif
}

// Replaces the digits of the final timing line with "#".
std::string MaskTiming(const std::string& AOutput) {
  const std::string Prefix = "elapsed time: ";
  const size_t P = AOutput.rfind(Prefix);
  if (P == std::string::npos) return AOutput;
  size_t E = P + Prefix.size();
  while (E < AOutput.size() && AOutput[E] >= '0' && AOutput[E] <= '9') ++E;
  if (E == P + Prefix.size()) return AOutput;
  return AOutput.substr(0, P + Prefix.size()) + "#" + AOutput.substr(E);
}

}  // namespace

TEST(DriverEndToEndTest, WholeOutputLogAndExitCode) {
#if !defined(VORLANE_CMD_EXE)
  GTEST_SKIP() << "the program is not built here";
#else
  TStage Stage({});
  Stage.Touch("proj/One.dproj");
  Stage.Touch("proj/sub/Two.dproj");
  Stage.Touch("proj/Other.txt");
  const std::string P = Stage.Path("proj");
  // Console lines end in LF on POSIX and CR LF on Windows; the log is CR LF everywhere.
#ifdef _WIN32
  const std::string NL = "\r\n";
#else
  const std::string NL = "\n";
#endif
  std::string Out;

  // Files only, no command switch: one progress line per file, nothing else touched.
  EXPECT_EQ(RunProgram(Stage.Dir(), {"-s", "proj/*.dproj", "-l:run.log"}, Out), 0);
  EXPECT_EQ(MaskTiming(Out),
            "VorlaneCmd Version 1.0.0.0" + NL +
            "converting: " + P + Native("/One.dproj") + NL +
            "converting: " + P + Native("/sub/Two.dproj") + NL +
            "elapsed time: # ms" + NL);
  EXPECT_EQ(ReadBytes(Stage.Dir() / "run.log"),
            "converting: " + P + Native("/One.dproj") + "\r\nconverting: " + P + Native("/sub/Two.dproj") + "\r\n");

  // A missing folder: one error line, the wait ends at the end of input, the next argument
  // runs, and the exit code reports the failure.
  EXPECT_EQ(RunProgram(Stage.Dir(), {"nowhere/*.dproj", "proj/One.dproj", "-p"}, Out), 1);
  EXPECT_EQ(MaskTiming(Out),
            "VorlaneCmd Version 1.0.0.0" + NL +
            "Error: The specified path was not found" + NL +
            "press <enter> to continue..." + NL +
            "converting: " + P + Native("/One.dproj") + NL +
            "elapsed time: # ms" + NL +
            "press <enter> to continue..." + NL);

  // -o without a value ends the run with the escaped-error line.
  EXPECT_EQ(RunProgram(Stage.Dir(), {"proj/One.dproj", "-o"}, Out), 1);
  EXPECT_EQ(Out, "VorlaneCmd Version 1.0.0.0" + NL + "EArgumentException: The path is empty" + NL);
#endif
}
