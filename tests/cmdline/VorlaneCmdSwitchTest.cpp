// Reading the command switches of the console tool from a staged command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cmdline/VorlaneCmdHandler.h"
#include "platform/Console.h"

using namespace Vorlane;

namespace {

// Collects console lines instead of printing them.
class TCaptureConsole : public TConsole {
 public:
  void WriteLine(const UnicodeString& AText) override { Lines.push_back(UnicodeToUTF8(AText)); }
  bool ReadLine(UnicodeString&) override { return false; }
  std::vector<std::string> Lines;
};

class TProbe : public TVorlaneCmd {
 public:
  using TVorlaneCmd::FCmd;
  using TVorlaneCmd::FParams;
  using TVorlaneCmd::FVersion;
  using TVorlaneCmd::ReadParams;
};

class VorlaneCmdSwitches : public ::testing::Test {
 protected:
  void SetUp() override { FPrevious = SetConsole(&FConsole); }
  void TearDown() override {
    SetConsole(FPrevious);
    SetCommandLine(std::vector<UnicodeString>{});
  }
  void Read(std::vector<UnicodeString> AArgs) {
    AArgs.insert(AArgs.begin(), u"VorlaneCmd");
    SetCommandLine(AArgs);
    FProbe.ReadParams();
  }
  std::vector<std::string> Params() const {
    std::vector<std::string> Result;
    for (const UnicodeString& P : FProbe.FParams) Result.push_back(UnicodeToUTF8(P));
    return Result;
  }

  TCaptureConsole FConsole;
  TConsole* FPrevious = nullptr;
  TProbe FProbe;
};

TEST_F(VorlaneCmdSwitches, FlagsAreWholeSwitchesWithoutRegardToCase) {
  Read({u"-N", u"-Uwp", u"-x", u"App.dproj"});
  EXPECT_TRUE(FProbe.FCmd.test(TVorlaneCmd::Normalize));
  EXPECT_TRUE(FProbe.FCmd.test(TVorlaneCmd::RemoveUWP));
  EXPECT_TRUE(FProbe.FCmd.test(TVorlaneCmd::RemoveExcludedPackages));
  EXPECT_EQ(FProbe.FCmd.count(), 3u);
  EXPECT_EQ(UnicodeToUTF8(FProbe.FVersion), "*");
}

TEST_F(VorlaneCmdSwitches, CombinedLettersAreRefused) {
  EXPECT_THROW(Read({u"-nx", u"App.dproj"}), ECmdLineError);
  EXPECT_THROW(Read({u"-uwpx", u"App.dproj"}), ECmdLineError);
}

TEST_F(VorlaneCmdSwitches, SeparateVersionValueIsAlsoAFileArgument) {
  Read({u"-v", u"1.2.3", u"-d"});
  EXPECT_EQ(UnicodeToUTF8(FProbe.FVersion), "1.2.3");
  EXPECT_TRUE(FProbe.FCmd.test(TVorlaneCmd::RemoveDeployment));
  // It has an extension, so it stays as it is.
  EXPECT_EQ(Params(), std::vector<std::string>{"1.2.3"});
}

TEST_F(VorlaneCmdSwitches, ArgumentsWithoutExtensionGetTheProjectExtension) {
  Read({u"-n", u"App", u"sub/App", u"dir.v2/App", u"dir.v2\\App", u"src/*", u"App.dpr", u"lib/x.y",
        u"..", u"."});
  EXPECT_EQ(Params(), (std::vector<std::string>{"App.dproj", "sub/App.dproj", "dir.v2/App.dproj",
                                                "dir.v2\\App.dproj", "src/*.dproj", "App.dpr",
                                                "lib/x.y", "..", "."}));
}

}  // namespace
