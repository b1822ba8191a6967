#include <gtest/gtest.h>

#include <thread>

#include "platform/Console.h"
#include "platform/VersionInfo.h"
#include "PlatformTestSupport.h"

using namespace Vorlane;
using PlatformTest::TScratch;

namespace {

void Put(std::string& S, size_t AOffset, std::uint64_t AValue, int ASize, bool ABigEndian) {
  if (S.size() < AOffset + ASize) S.resize(AOffset + ASize, '\0');
  for (int i = 0; i < ASize; ++i) {
    int Shift = 8 * (ABigEndian ? ASize - 1 - i : i);
    S[AOffset + i] = static_cast<char>((AValue >> Shift) & 0xFF);
  }
}

// A minimal ELF file with a section-name table and, when ASection is not empty, one more
// section of that name holding AVersion (signature, structure version, MS, LS).
std::string MakeElf(bool AWide, bool ABigEndian, const std::string& ASection, std::uint32_t ASignature,
                    std::uint32_t AMS, std::uint32_t ALS) {
  std::string F;
  F = std::string("\x7f" "ELF", 4);
  F.push_back(AWide ? 2 : 1);
  F.push_back(ABigEndian ? 2 : 1);
  F.push_back(1);
  const size_t HeaderSize = AWide ? 64 : 52;
  const size_t EntrySize = AWide ? 64 : 40;
  F.resize(HeaderSize, '\0');
  std::string Names = std::string("\0.shstrtab\0", 11) + ASection + std::string(1, '\0');
  const size_t NamesOffset = HeaderSize;
  F += Names;
  const size_t DataOffset = (F.size() + 3) / 4 * 4;
  F.resize(DataOffset, '\0');
  Put(F, DataOffset, ASignature, 4, ABigEndian);
  Put(F, DataOffset + 4, 0x00010000, 4, ABigEndian);
  Put(F, DataOffset + 8, AMS, 4, ABigEndian);
  Put(F, DataOffset + 12, ALS, 4, ABigEndian);
  const size_t ShOff = DataOffset + 16;
  const unsigned Count = ASection.empty() ? 2 : 3;
  auto Section = [&](unsigned AIndex, std::uint64_t AName, std::uint64_t AOffset, std::uint64_t ASize) {
    const size_t H = ShOff + AIndex * EntrySize;
    F.resize(H + EntrySize, '\0');
    Put(F, H, AName, 4, ABigEndian);
    Put(F, H + 4, AIndex == 0 ? 0 : 1, 4, ABigEndian);
    Put(F, H + (AWide ? 0x18 : 0x10), AOffset, AWide ? 8 : 4, ABigEndian);
    Put(F, H + (AWide ? 0x20 : 0x14), ASize, AWide ? 8 : 4, ABigEndian);
  };
  Section(0, 0, 0, 0);
  Section(1, 1, NamesOffset, Names.size());
  if (!ASection.empty()) Section(2, 11, DataOffset, 16);
  Put(F, AWide ? 0x28 : 0x20, ShOff, AWide ? 8 : 4, ABigEndian);
  Put(F, AWide ? 0x3A : 0x2E, EntrySize, 2, ABigEndian);
  Put(F, AWide ? 0x3C : 0x30, Count, 2, ABigEndian);
  Put(F, AWide ? 0x3E : 0x32, 1, 2, ABigEndian);
  return F;
}

class TLines : public TConsole {
 public:
  void WriteLine(const UnicodeString& AText) override { Out.push_back(AText); }
  bool ReadLine(UnicodeString&) override { return false; }
  std::vector<UnicodeString> Out;
};

}  // namespace

#ifndef _WIN32
TEST(VersionInfoTest, BlockIsReadFromTheFileItself) {
  TScratch Dir;
  struct Case {
    bool Wide, BigEndian;
  };
  for (Case C : {Case{true, false}, Case{false, false}, Case{false, true}, Case{true, true}}) {
    SCOPED_TRACE(std::to_string(C.Wide) + std::to_string(C.BigEndian));
    Dir.Touch("v.bin", MakeElf(C.Wide, C.BigEndian, ".vorlane_version", 0xFEEF04BD, 0x00020003, 0x00040005));
    Cardinal MS = 0, LS = 0;
    ASSERT_TRUE(GetFileVersionInfo(Dir.U("v.bin"), MS, LS));
    EXPECT_EQ(MS, 0x00020003u);
    EXPECT_EQ(LS, 0x00040005u);
  }
  // No block, another section name, a wrong signature, no ELF, no file: no version, and the
  // outputs stay as they were.
  Dir.Touch("none.bin", MakeElf(true, false, "", 0, 0, 0));
  Dir.Touch("other.bin", MakeElf(true, false, ".vorlane_versio", 0xFEEF04BD, 1, 1));
  Dir.Touch("badsig.bin", MakeElf(true, false, ".vorlane_version", 0x12345678, 1, 1));
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
