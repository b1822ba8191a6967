// The built program run as a process: its whole standard output, its log file and its exit
// code.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "DriverTestHarness.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

using namespace DriverTest;

namespace {

std::string ShellQuote(const std::string& S) {
  std::string R = "'";
  for (char C : S) R += C == '\'' ? std::string("'\\''") : std::string(1, C);
  return R + "'";
}

// Runs the program in AWorkDir with standard input at its end; returns the exit code.
int RunProgram(const fs::path& AWorkDir, const std::vector<std::string>& AArgs, std::string& AOutput) {
#if defined(VORLANE_CMD_EXE) && !defined(_WIN32)
  std::string Cmd = "cd " + ShellQuote(AWorkDir.string()) + " && " + ShellQuote(VORLANE_CMD_EXE);
  for (const auto& A : AArgs) Cmd += " " + ShellQuote(A);
  Cmd += " </dev/null 2>&1";
  FILE* Pipe = ::popen(Cmd.c_str(), "r");
  if (!Pipe) return -1;
  char Buffer[4096];
  size_t N;
  AOutput.clear();
  while ((N = std::fread(Buffer, 1, sizeof Buffer, Pipe)) > 0) AOutput.append(Buffer, N);
  const int Status = ::pclose(Pipe);
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
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
#if !defined(VORLANE_CMD_EXE) || defined(_WIN32)
  GTEST_SKIP() << "the program is not built here";
#else
  TStage Stage({});
  Stage.Touch("proj/One.dproj");
  Stage.Touch("proj/sub/Two.dproj");
  Stage.Touch("proj/Other.txt");
  const std::string P = Stage.Path("proj");
  std::string Out;

  // Files only, no command switch: one progress line per file, nothing else touched.
  EXPECT_EQ(RunProgram(Stage.Dir(), {"-s", "proj/*.dproj", "-l:run.log"}, Out), 0);
  EXPECT_EQ(MaskTiming(Out),
            "VorlaneCmd Version 1.0.0.0\n"
            "converting: " + P + "/One.dproj\n"
            "converting: " + P + "/sub/Two.dproj\n"
            "elapsed time: # ms\n");
  EXPECT_EQ(ReadBytes(Stage.Dir() / "run.log"),
            "converting: " + P + "/One.dproj\r\nconverting: " + P + "/sub/Two.dproj\r\n");

  // A missing folder: one error line, the wait ends at the end of input, the next argument
  // runs, and the exit code reports the failure.
  EXPECT_EQ(RunProgram(Stage.Dir(), {"nowhere/*.dproj", "proj/One.dproj", "-p"}, Out), 1);
  EXPECT_EQ(MaskTiming(Out),
            "VorlaneCmd Version 1.0.0.0\n"
            "Error: The specified path was not found\n"
            "press <enter> to continue...\n"
            "converting: " + P + "/One.dproj\n"
            "elapsed time: # ms\n"
            "press <enter> to continue...\n");

  // -o without a value ends the run with the escaped-error line.
  EXPECT_EQ(RunProgram(Stage.Dir(), {"proj/One.dproj", "-o"}, Out), 1);
  EXPECT_EQ(Out, "VorlaneCmd Version 1.0.0.0\nEArgumentException: The path is empty\n");
#endif
}
