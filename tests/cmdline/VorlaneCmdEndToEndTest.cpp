// The built VorlaneCmd program run as a process on copies of fixtures: the command switches,
// their order within one file, targets below -o, write-only-when-changed, and the handling of
// files that cannot be read.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <chrono>
#include <string>
#include <vector>

#include "VorlaneCmdTestUtil.h"
#include "platform/SysUtils.h"
#include "projfile/DprojXml.h"

using namespace VorlaneCmdTest;

namespace {

const char* const cBroken =
    "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">\r\n"
    "    <PropertyGroup>\r\n"
    "        <ProjectVersion>19.5</ProjectVersion>\r\n"
    "    </PropertyGroup\r\n";

const std::vector<std::string> cHelp = {
    "Manipulates dproj files according to the given command.",
    "",
    "usage: VorlaneCmd [-v:<version> | -n | -r | -x | -f | -d | -uwp] [<filepath>]<filename> [-l:<logfile>] [-s]",
    "",
    "       -v = Sets VersionInfo in dproj files to a given value.",
    "            Clears all version info entries in child build configurations.",
    "",
    "            <version> up to 4 numbers separated by dots",
    "",
    "       -n = Normalizes dproj file.",
    "",
    "       -r = Removes unused platforms.",
    "",
    "       -x = Removes \"Excluded Packages\".",
    "",
    "       -f = Refreshes and adds missing form type entries.",
    "",
    "       -d = Remove Deployment subtree.",
    "",
    "     -uwp = Remove UWP entries.",
    "",
    "       <filename> may contain wildcards",
    "",
};

// The lines of a run without its closing elapsed-time line (whose number varies).
std::vector<std::string> Body(const TRunResult& ARun) {
  std::vector<std::string> Lines = ARun.Lines;
  if (Lines.empty() || Lines.back().rfind("elapsed time: ", 0) != 0 ||
      Lines.back().size() < 17 || Lines.back().substr(Lines.back().size() - 3) != " ms") {
    ADD_FAILURE() << "no elapsed-time line at the end of:\n" << ARun.Output;
    return Lines;
  }
  Lines.pop_back();
  return Lines;
}

std::string Converting(const fs::path& AFile) { return "converting: " + fs::path(AFile).make_preferred().string(); }

// What loading ASource and saving it to ATarget raises in this process, as the program's
// error line must show it: "Error: " and the message alone.
std::string ErrorLineOf(const fs::path& ASource, const fs::path& ATarget) {
  try {
    Vorlane::TDprojXml Xml;
    Xml.LoadFromFile(Vorlane::UTF8ToUnicode(ASource.string()));
    Xml.SaveToFile(Vorlane::UTF8ToUnicode(ATarget.string()));
  } catch (const Vorlane::Exception& E) {
    return "Error: " + Vorlane::UnicodeToUTF8(E.Message());
  }
  ADD_FAILURE() << ASource << " loads and saves";
  return "";
}

class VorlaneCmdRun : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef VORLANE_CMD_EXE
    GTEST_SKIP() << "the VorlaneCmd program is not part of this build";
#endif
  }
  // A project file in its on-disk form inside the work folder.
  fs::path Place(const std::string& AName, const std::string& AFixture) {
    const fs::path P = FDir / AName;
    WriteBytes(P, OnDisk(Fixture(AFixture)));
    return P;
  }
  TRunResult Run(const std::vector<std::string>& AArgs) { return RunCmd(FDir.Path(), AArgs); }

  TTempDir FDir;
};

TEST_F(VorlaneCmdRun, WithoutArgumentsPrintsBannerAndHelp) {
  const TRunResult R = Run({});
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_EQ(R.Output.rfind("VorlaneCmd ", 0), 0u) << R.Output;
  EXPECT_EQ(R.Lines, cHelp);
}

TEST_F(VorlaneCmdRun, HelpSwitchLeavesNamedFilesAlone) {
  const fs::path App = Place("App.dproj", "normalize/tidy.dproj");
  const std::string Before = ReadBytes(App);
  const TRunResult R = Run({"-n", "App.dproj", "-?"});
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_EQ(R.Lines, cHelp);
  EXPECT_EQ(ReadBytes(App), Before);
}

TEST_F(VorlaneCmdRun, VersionSwitchWithoutValueShowsHelpAndStops) {
  const fs::path App = Place("App.dproj", "verinfo/format18.dproj");
  const std::string Before = ReadBytes(App);
  for (const std::vector<std::string>& Args : {std::vector<std::string>{"App.dproj", "-v"},
                                               std::vector<std::string>{"-v:", "App.dproj"},
                                               std::vector<std::string>{"-v", "-n", "App.dproj"}}) {
    const TRunResult R = Run(Args);
    std::vector<std::string> Expected = cHelp;
    Expected.push_back("Exception: <Version> missing!");
    EXPECT_EQ(R.Lines, Expected) << Args[0] << " " << Args[1];
    EXPECT_EQ(R.ExitCode, 1);
    EXPECT_EQ(ReadBytes(App), Before);
  }
}

struct TSwitchCase {
  std::vector<std::string> Switches;
  const char* Input;
  const char* Expected;
};

class VorlaneCmdSwitch : public VorlaneCmdRun, public ::testing::WithParamInterface<TSwitchCase> {};

TEST_P(VorlaneCmdSwitch, RewritesTheProjectAsWrittenByHand) {
  const TSwitchCase& Case = GetParam();
  const fs::path App = Place("App.dproj", Case.Input);
  std::vector<std::string> Args = Case.Switches;
  Args.push_back("App.dproj");
  const TRunResult R = Run(Args);
  EXPECT_EQ(R.ExitCode, 0) << R.Output;
  EXPECT_EQ(Body(R), std::vector<std::string>{Converting(App)});
  EXPECT_EQ(ReadBytes(App), OnDisk(Fixture(Case.Expected)));
  // Nothing else appears next to the project (no temporary or backup files).
  int Count = 0;
  for ([[maybe_unused]] const auto& E : fs::directory_iterator(FDir.Path())) ++Count;
  EXPECT_EQ(Count, 1);
}

INSTANTIATE_TEST_SUITE_P(
    EachAloneAndCombined, VorlaneCmdSwitch,
    ::testing::Values(
        TSwitchCase{{"-r"}, "ops/ops.dproj", "ops/ops.r.expected.dproj"},
        TSwitchCase{{"-f"}, "ops/ops.dproj", "ops/ops.f.expected.dproj"},
        TSwitchCase{{"-x"}, "ops/ops.dproj", "ops/ops.x.expected.dproj"},
        TSwitchCase{{"-d"}, "ops/ops.dproj", "ops/ops.d.expected.dproj"},
        TSwitchCase{{"-uwp"}, "ops/ops.dproj", "ops/ops.uwp.expected.dproj"},
        TSwitchCase{{"-n"}, "normalize/tidy.dproj", "normalize/tidy.n.expected.dproj"},
        TSwitchCase{{"-v:2"}, "verinfo/format18.dproj", "verinfo/format18.v2.expected.dproj"},
        // Switches are case-insensitive; both edits land in the one save.
        TSwitchCase{{"-X", "-D"}, "ops/ops.dproj", "ops/ops.x-d.expected.dproj"},
        // The version is set before normalizing, whatever the order of the switches, so the
        // new entries stand in canonical order.
        TSwitchCase{{"-v:1.2", "-n"}, "normalize/tidy.dproj", "normalize/tidy.v1.2-n.expected.dproj"},
        TSwitchCase{{"-n", "-v:1.2"}, "normalize/tidy.dproj", "normalize/tidy.v1.2-n.expected.dproj"}));

TEST_F(VorlaneCmdRun, VersionValueMayFollowTheSwitch) {
  // The value also counts as a file argument; that it names no file is not reported.
  const fs::path App = Place("App.dproj", "verinfo/format18.dproj");
  const TRunResult R = Run({"-v", "65535.0.1", "App.dproj"});
  EXPECT_EQ(R.ExitCode, 0) << R.Output;
  EXPECT_EQ(Body(R), std::vector<std::string>{Converting(App)});
  EXPECT_NE(ReadBytes(App).find(";FileVersion=65535.0.1.0;"), std::string::npos);
}

// Bad input of every kind: one "Error: " line naming it (the help text after an unknown
// switch), the wait, exit code 1, and neither the project nor any other file written.
TEST_F(VorlaneCmdRun, BadInputIsRefusedAndNothingIsWritten) {
  const fs::path App = Place("App.dproj", "verinfo/format18.dproj");
  const std::string Before = ReadBytes(App);
  fs::create_directory(FDir / "logs");
#ifndef _WIN32
  ASSERT_EQ(0, ::mkfifo((FDir / "fifo").c_str(), 0644));
#endif
  const std::string Missing = "file not found: " + (FDir / "MyProjct.dproj").make_preferred().string();
  const std::string Versions = "\" (up to 4 numbers from 0 to 65535 separated by dots)";
  const std::string NoLog = "log file is not a regular file: ";
  const std::vector<std::pair<std::vector<std::string>, std::string>> Cases = {
      {{"-n", "MyProjct.dproj"}, Missing},
      {{"-n", "-s", "MyProjct"}, Missing},
      {{"-z", "App.dproj"}, "unknown switch: -z"},
      {{"--normalize", "App.dproj"}, "unknown switch: --normalize"},
      {{"-v:abc", "App.dproj"}, "invalid version \"abc" + Versions},
      {{"-version", "App.dproj"}, "invalid version \"ersion" + Versions},
      {{"-v:1.2.3.4.5", "App.dproj"}, "invalid version \"1.2.3.4.5" + Versions},
      {{"-v:65536", "App.dproj"}, "invalid version \"65536" + Versions},
      {{"-v:*", "App.dproj"}, "invalid version \"*" + Versions},
      {{"-n", "-l:logs", "App.dproj"}, NoLog + "logs"},
#ifdef _WIN32
      {{"-n", "-l:NUL", "App.dproj"}, NoLog + "NUL"},
#else
      {{"-n", "-l:fifo", "App.dproj"}, NoLog + "fifo"},
      {{"-n", "-l:/dev/null", "App.dproj"}, NoLog + "/dev/null"},
#endif
  };
  const auto Entries = [&] { return std::distance(fs::directory_iterator(FDir.Path()), fs::directory_iterator()); };
  const auto EntriesBefore = Entries();
  for (const auto& [Args, Error] : Cases) {
    SCOPED_TRACE(Args[0] + " " + Args[1]);
    TRunResult R = Run(Args);
    std::vector<std::string> Expected{"Error: " + Error};
    if (Error.rfind("unknown", 0) == 0) Expected.insert(Expected.end(), cHelp.begin(), cHelp.end());
    Expected.push_back("press <enter> to continue...");
    // A missing file ends only its own argument: the run goes on to its timing line.
    if (!R.Lines.empty() && R.Lines.back().rfind("elapsed time: ", 0) == 0) R.Lines.pop_back();
    EXPECT_EQ(R.Lines, Expected);
    EXPECT_EQ(R.ExitCode, 1);
    EXPECT_EQ(ReadBytes(App), Before);
    EXPECT_EQ(Entries(), EntriesBefore);
  }
}

TEST_F(VorlaneCmdRun, ArgumentsWithoutExtensionNameProjects) {
  const fs::path Proj = Place("App.dproj", "ops/ops.dproj");
  const fs::path Dpr = Place("App.dpr", "ops/ops.dproj");
  const std::string DprBefore = ReadBytes(Dpr);

  TRunResult R = Run({"-x", "App"});
  EXPECT_EQ(Body(R), std::vector<std::string>{Converting(Proj)});
  EXPECT_EQ(ReadBytes(Proj), OnDisk(Fixture("ops/ops.x.expected.dproj")));
  EXPECT_EQ(ReadBytes(Dpr), DprBefore);

  // A bare mask also gets the extension; a name with one is taken as it is.
  R = Run({"-d", "*"});
  EXPECT_EQ(Body(R), std::vector<std::string>{Converting(Proj)});
  EXPECT_EQ(ReadBytes(Dpr), DprBefore);
  R = Run({"-d", "App.dpr"});
  EXPECT_EQ(Body(R), std::vector<std::string>{Converting(Dpr)});
  EXPECT_EQ(ReadBytes(Dpr), OnDisk(Fixture("ops/ops.d.expected.dproj")));
}

TEST_F(VorlaneCmdRun, WithoutCommandSwitchNothingIsReadOrWritten) {
  const fs::path App = Place("src/App.dproj", "normalize/tidy.dproj");
  const fs::path Broken = FDir / "src/Broken.dproj";
  WriteBytes(Broken, cBroken);
  const std::string Before = ReadBytes(App);

  const TRunResult R = Run({"-o:out", "src/*.dproj"});
  EXPECT_EQ(R.ExitCode, 0) << R.Output;
  EXPECT_EQ(Body(R), (std::vector<std::string>{Converting(App), Converting(Broken)}));
  EXPECT_EQ(ReadBytes(App), Before);
  EXPECT_EQ(ReadBytes(Broken), cBroken);
  EXPECT_FALSE(fs::exists(FDir / "out/App.dproj"));
  EXPECT_FALSE(fs::exists(FDir / "out/Broken.dproj"));
}

TEST_F(VorlaneCmdRun, RecursiveRunWritesTargetsBelowTheOutputFolder) {
  const fs::path A = Place("src/A.dproj", "ops/ops.dproj");
  const fs::path B = Place("src/sub/B.dproj", "ops/ops.dproj");
  // Already without excluded packages: still copied, as the target does not exist yet.
  const fs::path C = Place("src/sub/deep/C.dproj", "ops/ops.x.expected.dproj");
  Place("src/sub/notes.txt", "ops/ops.dproj");

  const TRunResult R = Run({"-x", "-s", "-o:out", "src/*.dproj"});
  EXPECT_EQ(R.ExitCode, 0) << R.Output;
  EXPECT_EQ(Body(R), (std::vector<std::string>{Converting(A), Converting(B), Converting(C)}));
  const std::string Expected = OnDisk(Fixture("ops/ops.x.expected.dproj"));
  EXPECT_EQ(ReadBytes(FDir / "out/A.dproj"), Expected);
  EXPECT_EQ(ReadBytes(FDir / "out/sub/B.dproj"), Expected);
  EXPECT_EQ(ReadBytes(FDir / "out/sub/deep/C.dproj"), Expected);
  EXPECT_FALSE(fs::exists(FDir / "out/sub/notes.txt"));
  // The sources stay as they were.
  EXPECT_EQ(ReadBytes(A), OnDisk(Fixture("ops/ops.dproj")));
  EXPECT_EQ(ReadBytes(B), OnDisk(Fixture("ops/ops.dproj")));
}

TEST_F(VorlaneCmdRun, IdenticalTargetsAreNotRewritten) {
  Place("src/A.dproj", "ops/ops.dproj");
  const fs::path Unchanged = Place("Done.dproj", "ops/ops.x.expected.dproj");
  ASSERT_EQ(Run({"-x", "-o:out", "src/A.dproj"}).ExitCode, 0);
  const fs::path Target = FDir / "out/A.dproj";
  ASSERT_TRUE(fs::exists(Target));

  const auto Old = fs::last_write_time(Target) - std::chrono::hours(2);
  fs::last_write_time(Target, Old);
  fs::last_write_time(Unchanged, Old);
  const TRunResult R = Run({"-x", "-o:out", "src/A.dproj"});
  EXPECT_EQ(R.ExitCode, 0) << R.Output;
  EXPECT_EQ(fs::last_write_time(Target), Old);

  // In place, too: a project no command changes keeps its bytes and time stamp.
  EXPECT_EQ(Run({"-x", "Done.dproj"}).ExitCode, 0);
  EXPECT_EQ(fs::last_write_time(Unchanged), Old);
  EXPECT_EQ(ReadBytes(Unchanged), OnDisk(Fixture("ops/ops.x.expected.dproj")));
}

TEST_F(VorlaneCmdRun, UnreadableFileIsReportedAndKeptAsItWas) {
  const fs::path A = Place("set/a.dproj", "ops/ops.dproj");
  const fs::path B = FDir / "set/b.dproj";
  WriteBytes(B, cBroken);
  const fs::path C = Place("set/c.dproj", "ops/ops.dproj");
  const fs::path D = Place("other/d.dproj", "ops/ops.dproj");

  const TRunResult R = Run({"-x", "set/*.dproj", "other/d.dproj"});
  EXPECT_EQ(R.ExitCode, 1) << R.Output;
  const std::vector<std::string> Lines = Body(R);
  ASSERT_EQ(Lines.size(), 5u) << R.Output;
  EXPECT_EQ(Lines[0], Converting(A));
  EXPECT_EQ(Lines[1], Converting(B));
  // The reason alone: the line before names the file.
  EXPECT_EQ(Lines[2], ErrorLineOf(B, FDir / "unused.dproj"));
  EXPECT_EQ(Lines[3], "press <enter> to continue...");
  EXPECT_EQ(Lines[4], Converting(D));

  const std::string Expected = OnDisk(Fixture("ops/ops.x.expected.dproj"));
  EXPECT_EQ(ReadBytes(A), Expected);
  EXPECT_EQ(ReadBytes(B), cBroken);
  // The rest of the failed argument is skipped; the next argument runs.
  EXPECT_EQ(ReadBytes(C), OnDisk(Fixture("ops/ops.dproj")));
  EXPECT_EQ(ReadBytes(D), Expected);
}

TEST_F(VorlaneCmdRun, HostileNestingIsRefusedAndKeptAsItWas) {
  // Rendered in the project layout, each would indent its nodes by their depth: terabytes.
  const std::string Project = "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">";
  auto Repeat = [](const std::string& APart, size_t ACount) {
    std::string Result;
    Result.reserve(APart.size() * ACount);
    for (size_t I = 0; I < ACount; ++I) Result += APart;
    return Result;
  };
  const std::vector<std::pair<std::string, std::string>> Files = {
      {"Deep.dproj", Project + Repeat("<a>", 1000000) + Repeat("</a>", 1000000) + "</Project>"},
      {"DeepWide.dproj",
       Project + Repeat("<a>", 4000) + Repeat("<b/>", 200000) + Repeat("</a>", 4000) + "</Project>"},
  };
  for (const auto& [Name, Text] : Files) {
    const fs::path File = FDir / Name;
    WriteBytes(File, Text);
    const auto Old = fs::last_write_time(File) - std::chrono::hours(1);
    fs::last_write_time(File, Old);
    const TRunResult R = Run({"-x", Name});
    EXPECT_EQ(R.ExitCode, 1) << Name << "\n" << R.Output;
    size_t Errors = 0;
    for (const std::string& Line : R.Lines) Errors += Line.rfind("Error:", 0) == 0 ? 1 : 0;
    EXPECT_EQ(Errors, 1u) << Name << "\n" << R.Output;
    EXPECT_TRUE(ReadBytes(File) == Text) << Name;
    EXPECT_EQ(fs::last_write_time(File), Old) << Name;
  }
}

TEST_F(VorlaneCmdRun, FailedFileGetsOneErrorLineWithTheMessage) {
  // A mask that matches nothing: no line at all.
  TRunResult R = Run({"-n", "Missing*.dproj"});
  EXPECT_EQ(R.ExitCode, 0) << R.Output;
  EXPECT_TRUE(Body(R).empty()) << R.Output;

  // A file that cannot be parsed, one that is no MSBuild document at all, and one whose
  // target cannot be written (a folder stands in its place): "converting: <file>", then
  // exactly "Error: <message>" on the console and in the log, and the file keeps its bytes.
  struct TCase {
    const char* Name;
    std::string Content;
    const char* Target;  // below -o:out, or empty for in place
  };
  const TCase cCases[] = {
      {"Broken.dproj", cBroken, ""},
      {"Text.dproj", "just some words\r\n", ""},
      {"Blocked.dproj", OnDisk(Fixture("ops/ops.dproj")), "out"},
  };
  for (const TCase& C : cCases) {
    SCOPED_TRACE(C.Name);
    const fs::path File = FDir / C.Name;
    WriteBytes(File, C.Content);
    std::vector<std::string> Args = {"-n", "-l:run.log", C.Name};
    fs::path Target = File;
    if (*C.Target) {
      Target = FDir / C.Target / C.Name;
      fs::create_directories(Target / "sub");
      Args.push_back(std::string("-o:") + C.Target);
    }
    R = Run(Args);
    EXPECT_EQ(R.ExitCode, 1) << R.Output;
    const std::string Error = ErrorLineOf(File, Target);
    EXPECT_EQ(Body(R), (std::vector<std::string>{Converting(File), Error, "press <enter> to continue..."}));
    EXPECT_EQ(ReadBytes(FDir / "run.log"), Converting(File) + "\r\n" + Error + "\r\n");
    EXPECT_EQ(ReadBytes(File), C.Content);
  }
}

TEST_F(VorlaneCmdRun, ShippedSampleTakesEveryCommandAtOnce) {
  const fs::path Sample = fs::path(VORLANE_SOURCE_DIR) / "examples/SampleApp/SampleApp.dproj";
  ASSERT_TRUE(fs::exists(Sample));
  WriteBytes(FDir / "SampleApp.dproj", ReadBytes(Sample));
  const TRunResult R = Run({"-v:3.0.1", "-n", "-r", "-f", "-x", "-d", "-uwp", "-o:out", "SampleApp.dproj"});
  EXPECT_EQ(R.ExitCode, 0) << R.Output;
  const std::string Out = ReadBytes(FDir / "out/SampleApp.dproj");
  EXPECT_NE(Out.find("FileVersion=3.0.1.0;"), std::string::npos);
  EXPECT_EQ(Out.find("FileVersion=1.0.0.0"), std::string::npos) << "child configurations keep version keys";
  EXPECT_EQ(Out.find("<Deployment"), std::string::npos);
  EXPECT_EQ(Out.find("UWP_DelphiLogo"), std::string::npos);
  EXPECT_EQ(Out.find("Linux64)'!=''"), std::string::npos) << "groups of the unused platform remain";
  EXPECT_NE(Out.find("<Excluded_Packages/>"), std::string::npos);
  EXPECT_NE(Out.find("<FormType>fmx</FormType>"), std::string::npos);
  EXPECT_EQ(ReadBytes(FDir / "SampleApp.dproj"), ReadBytes(Sample));
}

}  // namespace
