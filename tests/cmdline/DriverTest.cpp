// The console driver: switch syntax, help decision, output sequence, log file, error lines
// and exit codes, run in-process on a staged command line.
#include <gtest/gtest.h>

#include <stdexcept>

#include "DriverTestHarness.h"
#include "platform/ElfFixture.h"
#include "cmdline/CmdLineHandler.h"

using namespace Vorlane;
using namespace DriverTest;

namespace {

// What the probe's DoExecute does, one step per entry: "log:<text>", "error:<text>",
// "raise:<text>" (an EConvertError).
std::vector<std::string> gScript;
// What the probe saw after ReadParams.
struct TSeen {
  bool Ran = false;
  std::vector<std::string> Params;
  std::string OutPath, LogFileName;
  bool WaitForEnter = false;
} gSeen;

class TProbe : public TCmdLineHandler {
 protected:
  void DoExecute() override {
    gSeen.Ran = true;
    for (Integer i = 0; i < FParams.Count(); ++i) gSeen.Params.push_back(UnicodeToUTF8(FParams[i]));
    gSeen.OutPath = UnicodeToUTF8(FOutPath);
    gSeen.LogFileName = UnicodeToUTF8(FLogFileName);
    gSeen.WaitForEnter = FWaitForEnter;
    for (const auto& Step : gScript) {
      const auto Colon = Step.find(':');
      const std::string Kind = Step.substr(0, Colon), Text = Step.substr(Colon + 1);
      if (Kind == "log") Log(UTF8ToUnicode(Text));
      else if (Kind == "error") Error(UTF8ToUnicode(Text));
      else throw EConvertError(Text);
    }
  }
  void ShowHelp() override { WriteLn(u"probe help"); }
};

class TFailingBanner : public TProbe {
 protected:
  void ShowBanner() override { throw EInOutError("no console"); }
};

class TFailingHelp : public TProbe {
 protected:
  void ShowHelp() override { throw std::length_error("help text too long"); }
};

int RunProbe(const std::vector<std::string>& AScript = {}) {
  gScript = AScript;
  gSeen = TSeen();
  return TCmdLineHandler::Execute<TProbe>();
}

const std::string kBanner = "VorlaneCmd <no version info>";
const std::string kPrompt = "press <enter> to continue...";
const std::string kElapsed = "elapsed time: # ms";

}  // namespace

// ---------------------------------------------------------------------------------------------
// Switch syntax

TEST(DriverSwitchTest, FlagsMatchTheWholeSwitchIgnoringCase) {
  TStage Stage({"-P", "-sx", "file.dproj"});
  EXPECT_TRUE(TCmdLineHandler::GetSwitch(u"p"));
  EXPECT_FALSE(TCmdLineHandler::GetSwitch(u"s"));  // -sx is not -s
  EXPECT_TRUE(TCmdLineHandler::GetSwitch(u"SX"));
  EXPECT_FALSE(TCmdLineHandler::GetSwitch(u"file.dproj"));
  Stage.SetArgs({"/p"});
#ifdef _WIN32
  EXPECT_TRUE(TCmdLineHandler::GetSwitch(u"p"));
#else
  // '/' begins an absolute path on POSIX, never a switch.
  EXPECT_FALSE(TCmdLineHandler::GetSwitch(u"p"));
#endif
}

TEST(DriverSwitchTest, ValueSwitchesMatchByPrefix) {
  TStage Stage({"-l:run.log"});
  EXPECT_EQ(TCmdLineHandler::SwitchValue(u"l", u"def"), u"run.log");
  Stage.SetArgs({"-Lrun.log"});
  EXPECT_EQ(TCmdLineHandler::SwitchValue(u"l", u"def"), u"run.log");
  Stage.SetArgs({"-l", "run.log"});
  EXPECT_EQ(TCmdLineHandler::SwitchValue(u"l", u"def"), u"run.log");
  // Only one leading colon is skipped.
  Stage.SetArgs({"-l::x"});
  EXPECT_EQ(TCmdLineHandler::SwitchValue(u"l", u"def"), u":x");
  // Present without a value: the empty string, not the default.
  for (const auto& Args : std::vector<std::vector<std::string>>{{"-l"}, {"-l:"}, {"-l", "-p"}, {"a", "-l"}}) {
    Stage.SetArgs(Args);
    UnicodeString Value = u"unchanged";
    EXPECT_TRUE(TCmdLineHandler::FindSwitchValue(u"l", Value));
    EXPECT_EQ(Value, u"");
    EXPECT_EQ(TCmdLineHandler::SwitchValue(u"l", u"def"), u"");
  }
  Stage.SetArgs({"-p", "x.log"});
  EXPECT_EQ(TCmdLineHandler::SwitchValue(u"l", u"def"), u"def");
  // The first matching parameter wins, and a longer switch matches by its prefix.
  Stage.SetArgs({"-version", "-v:2"});
  EXPECT_EQ(TCmdLineHandler::SwitchValue(u"v", u"*"), u"ersion");
}

TEST(DriverSwitchTest, ReadParamsCollectsFilesOutputFolderAndLog) {
  TStage Stage({"-o", "out", "a.dproj", "-l:logs\\run.log", "-p", "b.dproj"});
  EXPECT_EQ(RunProbe(), 0);
  ASSERT_TRUE(gSeen.Ran);
  // "-o out" makes out both the output folder and a file argument.
  EXPECT_EQ(gSeen.Params, (std::vector<std::string>{"out", "a.dproj", "b.dproj"}));
  EXPECT_EQ(gSeen.OutPath, Stage.Path("out"));
  // The log name gets the platform's delimiters but stays relative.
  EXPECT_EQ(gSeen.LogFileName, Native("logs/run.log"));
  EXPECT_TRUE(gSeen.WaitForEnter);

  Stage.SetArgs({"-o:sub\\out", "a.dproj"});
  EXPECT_EQ(RunProbe(), 0);
  EXPECT_EQ(gSeen.Params, std::vector<std::string>{"a.dproj"});
  EXPECT_EQ(gSeen.OutPath, Stage.Path("sub/out"));
  EXPECT_EQ(gSeen.LogFileName, "");
  EXPECT_FALSE(gSeen.WaitForEnter);
}

TEST(DriverSwitchTest, HelpIsDecidedFromTheRawCommandLine) {
  {
    TStage Stage({});
    EXPECT_EQ(RunProbe({"log:work"}), 0);
    EXPECT_FALSE(gSeen.Ran);
    EXPECT_EQ(Stage.Console.Lines, (TLines{kBanner, "probe help"}));
  }
  // Help wins over files and over switches that would fail in ReadParams.
  for (const auto& Args : std::vector<std::vector<std::string>>{{"a.dproj", "-?"}, {"-HELP", "-o"}, {"-Help", "-l:x.log"}}) {
    TStage Stage(Args);
    EXPECT_EQ(RunProbe({"log:work"}), 0);
    EXPECT_FALSE(gSeen.Ran);
    EXPECT_EQ(Stage.Console.Lines, (TLines{kBanner, "probe help"}));
    EXPECT_FALSE(std::filesystem::exists(Stage.Dir() / "x.log"));
  }
  TStage Stage({"-helpme"});
  EXPECT_FALSE(TCmdLineHandler::NeedsHelp());
}

TEST(DriverSwitchTest, NamesAndDelimiters) {
  TStage Stage({}, "/opt/tools/VorlaneCmd.exe");
  EXPECT_EQ(TCmdLineHandler::GetExeName(), u"VorlaneCmd");
  EXPECT_EQ(TCmdLineHandler::GetVersionText(), u"<no version info>");
  EXPECT_EQ(TCmdLineHandler::ReplaceChar(u"a-b-c", u'-', u'+'), u"a+b+c");
#ifndef _WIN32
  EXPECT_EQ(TCmdLineHandler::ConvertPathDelimiters(u"a\\b/c"), u"a/b/c");
#else
  EXPECT_EQ(TCmdLineHandler::ConvertPathDelimiters(u"a\\b/c"), u"a\\b\\c");
#endif
}

// Built on an ELF fixture, POSIX's program format; on Windows the banner of the end-to-end
// test shows the version read from the program's resource.
#ifndef _WIN32
TEST(DriverSwitchTest, VersionPartsComeFromTheFixedFileVersion) {
  TStage Stage({"-?"});
  // Major and minor are the halves of the first 32-bit value, release and build of the second.
  Stage.Touch("Tool", ElfFixture::MakeElf(true, false, ".vorlane_version", 0xFEEF04BD, 0x0002000A, 0x0003FFFF));
  Integer Major = -1, Minor = -1, Release = -1, Build = -1;
  ASSERT_TRUE(GetFileVersion(UTF8ToUnicode(Stage.Path("Tool")), Major, Minor, Release, Build));
  EXPECT_EQ(Major, 2);
  EXPECT_EQ(Minor, 10);
  EXPECT_EQ(Release, 3);
  EXPECT_EQ(Build, 65535);
  Stage.SetArgs({"-?"}, Stage.Path("Tool"));
  RunProbe();
  EXPECT_EQ(Stage.Console.Lines, (TLines{"Tool Version 2.10.3.65535", "probe help"}));
  // A file without a version block leaves the outputs alone.
  Stage.Touch("Plain", ElfFixture::MakeElf(true, false, "", 0, 0, 0));
  EXPECT_FALSE(GetFileVersion(UTF8ToUnicode(Stage.Path("Plain")), Major, Minor, Release, Build));
  EXPECT_EQ(Major, 2);
}
#endif

#ifdef VORLANE_CMD_EXE
TEST(DriverSwitchTest, BannerShowsTheVersionOfTheProgramFile) {
  TStage Stage({"-?"}, VORLANE_CMD_EXE);
  EXPECT_EQ(TCmdLineHandler::GetVersionText(), u"Version 1.0.0.0");
  RunProbe();
  ASSERT_FALSE(Stage.Console.Lines.empty());
  EXPECT_EQ(Stage.Console.Lines[0], "VorlaneCmd Version 1.0.0.0");
}
#endif

// ---------------------------------------------------------------------------------------------
// Output sequence and log file

TEST(DriverOutputTest, NormalRunSequence) {
  TStage Stage({"a.dproj"});
  EXPECT_EQ(RunProbe({"log:first", "log:second"}), 0);
  EXPECT_EQ(Masked(Stage.Console.Lines), (TLines{kBanner, "first", "second", kElapsed}));
  EXPECT_EQ(Stage.Console.Reads, 0);
}

TEST(DriverOutputTest, LogFileHoldsExactlyTheLoggedLines) {
  TStage Stage({"a.dproj", "-l:run.log", "-p"});
  Stage.Console.Input = {"", ""};
  EXPECT_EQ(RunProbe({"log:converting: a", "error:bad \xE2\x82\xAC file", "log:caf\xC3\xA9"}), 1);
  EXPECT_EQ(Masked(Stage.Console.Lines),
            (TLines{kBanner, "converting: a", "Error: bad \xE2\x82\xAC file", kPrompt, "caf\xC3\xA9", kElapsed, kPrompt}));
  EXPECT_EQ(Stage.Console.Reads, 2);  // one after the error, one for -p
  // CR LF after every line, the Ansi code page, no byte-order mark, and neither banner,
  // prompts nor timing.
  EXPECT_EQ(ReadBytes(Stage.Dir() / "run.log"), "converting: a\r\nError: bad \x80 file\r\ncaf\xE9\r\n");
}

TEST(DriverOutputTest, NothingLoggedWritesNoLogAndKeepsAnExistingOne) {
  TStage Stage({"a.dproj", "-l:run.log"});
  EXPECT_EQ(RunProbe(), 0);
  EXPECT_FALSE(std::filesystem::exists(Stage.Dir() / "run.log"));
  Stage.Touch("run.log", "old content\n");
  EXPECT_EQ(RunProbe(), 0);
  EXPECT_EQ(ReadBytes(Stage.Dir() / "run.log"), "old content\n");
  // With something logged, the old file is replaced.
  EXPECT_EQ(RunProbe({"log:new"}), 0);
  EXPECT_EQ(ReadBytes(Stage.Dir() / "run.log"), "new\r\n");
}

TEST(DriverOutputTest, ErrorWaitsEvenWithoutInputOrSwitch) {
  TStage Stage({"a.dproj"});
  // No input at all: the wait ends at once and the run goes on.
  EXPECT_EQ(RunProbe({"error:one", "error:two", "log:after"}), 1);
  EXPECT_EQ(Masked(Stage.Console.Lines),
            (TLines{kBanner, "Error: one", kPrompt, "Error: two", kPrompt, "after", kElapsed}));
  EXPECT_EQ(Stage.Console.Reads, 2);
}

// ---------------------------------------------------------------------------------------------
// Errors that escape, and exit codes

TEST(DriverErrorTest, ErrorEscapingTheWorkStillSavesTheLog) {
  TStage Stage({"a.dproj", "-l:run.log"});
  EXPECT_EQ(RunProbe({"log:before", "raise:broken input"}), 1);
  EXPECT_EQ(Stage.Console.Lines, (TLines{kBanner, "before", "EConvertError: broken input"}));
  EXPECT_EQ(ReadBytes(Stage.Dir() / "run.log"), "before\r\n");
}

TEST(DriverErrorTest, OutputSwitchWithoutValueEndsTheRun) {
  for (const auto& Args : std::vector<std::vector<std::string>>{{"a.dproj", "-o"}, {"-o", "-l:run.log", "a.dproj"}, {"-o:", "a"}}) {
    TStage Stage(Args);
    EXPECT_EQ(RunProbe({"log:work"}), 1);
    EXPECT_FALSE(gSeen.Ran);
    ASSERT_EQ(Stage.Console.Lines.size(), 2u);
    EXPECT_EQ(Stage.Console.Lines[1].rfind("EArgumentException: ", 0), 0u) << Stage.Console.Lines[1];
    EXPECT_FALSE(std::filesystem::exists(Stage.Dir() / "run.log"));
  }
  // With -p the wait follows the escaped-error line.
  TStage Stage({"-p", "a.dproj", "-o"});
  EXPECT_EQ(RunProbe(), 1);
  ASSERT_EQ(Stage.Console.Lines.size(), 3u);
  EXPECT_EQ(Stage.Console.Lines[2], kPrompt);
  EXPECT_EQ(Stage.Console.Reads, 1);
}

TEST(DriverErrorTest, UnwritableLogIsAnEscapedError) {
  TStage Stage({"a.dproj", "-l:missing/run.log"});
  EXPECT_EQ(RunProbe({"log:line"}), 1);
  ASSERT_EQ(Stage.Console.Lines.size(), 3u);
  EXPECT_EQ(Stage.Console.Lines[1], "line");
  EXPECT_EQ(Stage.Console.Lines[2].rfind("EFCreateError: Cannot create file \"" + Native("missing/run.log") + "\". ", 0), 0u)
      << Stage.Console.Lines[2];
}

TEST(DriverErrorTest, ErrorsOutsideTheRunReachTheCaller) {
  TStage Stage({"a.dproj"});
  EXPECT_THROW(TCmdLineHandler::Execute<TFailingBanner>(), EInOutError);
  EXPECT_TRUE(Stage.Console.Lines.empty());
}

TEST(DriverErrorTest, ProgramEntryReportsErrorsOutsideTheRun) {
  TStage Stage({"a.dproj", "-p"});
  EXPECT_EQ(RunProgram(TCmdLineHandler::ClassOf<TFailingBanner>()), 1);
  // One line, no wait: the -p wait belongs to the run, which never started.
  EXPECT_EQ(Stage.Console.Lines, (TLines{"EInOutError: no console"}));
  EXPECT_EQ(Stage.Console.Reads, 0);

  Stage.Console.Lines.clear();
  Stage.SetArgs({"-?"});
  EXPECT_EQ(RunProgram(TCmdLineHandler::ClassOf<TFailingHelp>()), 1);
  EXPECT_EQ(Stage.Console.Lines, (TLines{kBanner, "Exception: help text too long"}));

  // A run that ends through its own handlers keeps its exit code.
  Stage.Console.Lines.clear();
  Stage.SetArgs({"a.dproj"});
  gScript = {"error:bad"};
  EXPECT_EQ(RunProgram(TCmdLineHandler::ClassOf<TProbe>()), 1);
  gScript = {"log:fine"};
  EXPECT_EQ(RunProgram(TCmdLineHandler::ClassOf<TProbe>()), 0);
}
