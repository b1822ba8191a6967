// The console program next to special files: a project whose name is no UTF-8 is found,
// named, read and rewritten; links to a FIFO or a device, and a FIFO as target, cause no hang.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>

#include "VorlaneCmdTestUtil.h"

using namespace VorlaneCmdTest;

TEST(VorlaneCmdSpecialFile, NonUtf8NameIsProcessedAndLinksToFifosOrDevicesAreSkipped) {
#ifndef VORLANE_CMD_EXE
  GTEST_SKIP() << "the VorlaneCmd program is not part of this build";
#else
  TTempDir Dir;
  const std::string Raw = "caf\xE9";  // Latin-1, not UTF-8
  const fs::path Project = Dir / (Raw + ".dproj");
  WriteBytes(Project, OnDisk(Fixture("normalize/tidy.dproj")));
  ASSERT_EQ(0, ::mkfifo((Dir / "pipe").c_str(), 0644));
  fs::create_symlink(Dir / "pipe", Dir / "pipe.dproj");
  fs::create_symlink("/dev/zero", Dir / "zero.dproj");

  // Bounded: a program that opened the FIFO would wait for a writer for ever.
  const auto Run = [&](const std::string& AArgs, int AExitCode = 0) {
    const fs::path Out = Dir.Path().parent_path() / (Dir.Path().filename().string() + ".out");
    const std::string Cmd = "cd " + ShellQuote(Dir.Path().string()) + " && timeout -s KILL 60 " + ShellQuote(VORLANE_CMD_EXE) +
                            " " + AArgs + " </dev/null >" + ShellQuote(Out.string()) + " 2>&1";
    const int Status = std::system(Cmd.c_str());
    std::string Output = ReadBytes(Out);
    fs::remove(Out);
    EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == AExitCode) << AArgs << "\n" << Output;
    return Output;
  };

  // Found by a wildcard: listed under its own bytes, read and normalized.
  std::string Output = Run("-n '*.dproj'");
  EXPECT_NE(Output.find("\nconverting: " + Project.string() + "\n"), std::string::npos) << Output;
  EXPECT_EQ(Output.find("pipe"), std::string::npos) << Output;
  EXPECT_EQ(Output.find("zero"), std::string::npos) << Output;
  EXPECT_EQ(Output.find("Error"), std::string::npos) << Output;
  EXPECT_EQ(ReadBytes(Project), OnDisk(Fixture("normalize/tidy.n.expected.dproj")));

  // Named as an argument (without extension): the bytes of the command line reach the file.
  Output = Run("-v:2.3 " + ShellQuote(Raw));
  EXPECT_NE(Output.find("\nconverting: " + Project.string() + "\n"), std::string::npos) << Output;
  EXPECT_NE(ReadBytes(Project).find("FileVersion=2.3.0.0"), std::string::npos);

  // A target that is a FIFO is refused with an error, not opened and waited on.
  fs::create_directory(Dir / "out");
  ASSERT_EQ(0, ::mkfifo((Dir / "out" / (Raw + ".dproj")).c_str(), 0644));
  Output = Run("-v:2.4 " + ShellQuote(Raw) + " -o:out", 1);
  EXPECT_NE(Output.find("Not a regular file"), std::string::npos) << Output;
  EXPECT_TRUE(fs::is_fifo(Dir / "out" / (Raw + ".dproj")));
#endif
}

#endif
