#include <gtest/gtest.h>

#include <thread>

#include "platform/Console.h"
#include "platform/VersionInfo.h"
#include "PlatformTestSupport.h"
#include "platform/ElfFixture.h"

using namespace Vorlane;
using PlatformTest::TScratch;

namespace {

class TLines : public TConsole {
 public:
  void WriteLine(const UnicodeString& AText) override { Out.push_back(AText); }
  bool ReadLine(UnicodeString&) override { return false; }
  std::vector<UnicodeString> Out;
};

}  // namespace

// The version block in its own ELF section is POSIX's form; Windows reads the VERSIONINFO
// resource with the system's calls, which the console program's end-to-end tests check
// through its banner.
#ifndef _WIN32
TEST(VersionInfoTest, BlockIsReadFromTheFileItself) {
  TScratch Dir;
  struct Case {
    bool Wide, BigEndian;
  };
  for (Case C : {Case{true, false}, Case{false, false}, Case{false, true}, Case{true, true}}) {
    SCOPED_TRACE(std::to_string(C.Wide) + std::to_string(C.BigEndian));
    Dir.Touch("v.bin", ElfFixture::MakeElf(C.Wide, C.BigEndian, ".vorlane_version", 0xFEEF04BD, 0x00020003, 0x00040005));
    Cardinal MS = 0, LS = 0;
    ASSERT_TRUE(GetFileVersionInfo(Dir.U("v.bin"), MS, LS));
    EXPECT_EQ(MS, 0x00020003u);
    EXPECT_EQ(LS, 0x00040005u);
  }
  // No block, another section name, a wrong signature, no ELF, no file: no version, and the
  // outputs stay as they were.
  Dir.Touch("none.bin", ElfFixture::MakeElf(true, false, "", 0, 0, 0));
  Dir.Touch("other.bin", ElfFixture::MakeElf(true, false, ".vorlane_versio", 0xFEEF04BD, 1, 1));
  Dir.Touch("badsig.bin", ElfFixture::MakeElf(true, false, ".vorlane_version", 0x12345678, 1, 1));
  Dir.Touch("text.bin", "plain text, no program");
  Dir.Touch("short.bin", std::string("\x7f" "ELF\x02\x01", 6));
  for (const char* Name : {"none.bin", "other.bin", "badsig.bin", "text.bin", "short.bin", "missing.bin"}) {
    SCOPED_TRACE(Name);
    Cardinal MS = 7, LS = 9;
    EXPECT_FALSE(GetFileVersionInfo(Dir.U(Name), MS, LS));
    EXPECT_EQ(MS, 7u);
    EXPECT_EQ(LS, 9u);
  }
}
#endif

TEST(CommandLineTest, StagedParameters) {
  SetCommandLine(std::vector<UnicodeString>{u"/bin/tool", u"-p", u"a b"});
  EXPECT_EQ(ParamCount(), 2);
  EXPECT_EQ(ParamStr(0), u"/bin/tool");
  EXPECT_EQ(ParamStr(2), u"a b");
  EXPECT_EQ(ParamStr(3), u"");
  EXPECT_EQ(ParamStr(-1), u"");
  SetCommandLine(std::vector<UnicodeString>{});
  EXPECT_EQ(ParamCount(), 0);
  // Without a staged command line parameter 0 is still the program file.
  EXPECT_EQ(ParamStr(0), GetModuleFileName());
  EXPECT_FALSE(GetModuleFileName().empty());
  EXPECT_TRUE(IsSwitchChar(u'-'));
#ifdef _WIN32
  EXPECT_TRUE(IsSwitchChar(u'/'));
#else
  EXPECT_FALSE(IsSwitchChar(u'/'));
#endif
}

TEST(ConsoleTest, ReplacedConsoleReceivesLines) {
  TLines Capture;
  TConsole* Previous = SetConsole(&Capture);
  WriteLn(u"one");
  WriteLn();
  UnicodeString Line = u"unchanged";
  EXPECT_FALSE(ReadLn(Line));
  SetConsole(nullptr);
  EXPECT_NE(Console(), &Capture);
  EXPECT_EQ(Console(), Previous);
  ASSERT_EQ(Capture.Out.size(), 2u);
  EXPECT_EQ(Capture.Out[0], u"one");
  EXPECT_EQ(Capture.Out[1], u"");
}

TEST(StopwatchTest, MeasuresWholeMilliseconds) {
  TStopwatch W = TStopwatch::StartNew();
  EXPECT_TRUE(W.IsRunning());
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  W.Stop();
  const Int64 Elapsed = W.ElapsedMilliseconds();
  EXPECT_GE(Elapsed, 20);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(W.ElapsedMilliseconds(), Elapsed);  // stopped
  W.Reset();
  EXPECT_EQ(W.ElapsedMilliseconds(), 0);
}
