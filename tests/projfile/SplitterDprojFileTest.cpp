#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "projfile/SplitterDprojFile.h"
#include "tests/projfile/DprojFileTestSupport.h"

using namespace Vorlane;
using namespace ProjFileTest;

namespace {

std::string Split(const std::string& AName) { return ReadBytes(FixturePath("split/" + AName)); }

// Puts the last-write time well into the past, so that any rewrite shows.
fs::file_time_type Age(const fs::path& APath) {
  const auto Old = fs::last_write_time(APath) - std::chrono::hours(24 * 400);
  fs::last_write_time(APath, Old);
  return Old;
}

class Splitter : public ::testing::Test {
 protected:
  void SetUp() override {
    TSplitterDProjFile::FUserNodes = {u"Debugger_RunParams", u"Debugger_HostApplication", u"Debugger_CWD",
                                      u"Debugger_EnvVars"};
  }
  void TearDown() override { TSplitterDProjFile::FUserNodes.clear(); }

  TTempDir Dir;
};

}  // namespace

TEST_F(Splitter, CompanionFilesHoldSelectionAndUserSettingsByCondition) {
  struct TCase {
    const char* Project;
    std::vector<UnicodeString> UserNodes;
    const char* Expected;
  };
  // app.dproj: the main group's copy is never exported, other-case names count, groups of one
  // condition (ignoring case) meet, a group with an empty condition is shared and stays out.
  const TCase Cases[] = {
      {"app.dproj", TSplitterDProjFile::FUserNodes, "app.expected.user"},
      {"noselection.dproj", TSplitterDProjFile::FUserNodes, "noselection.expected.user"},
      {"noselection.dproj", {}, "empty.expected.user"},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(std::string(Case.Project) + " -> " + Case.Expected);
    TSplitterDProjFile::FUserNodes = Case.UserNodes;
    const fs::path Project = Dir.Copy("split/" + std::string(Case.Project), "p.dproj");
    TSplitterDProjFile Splitter(U16(Project));
    Splitter.ExportUserSettings();
    Splitter.SaveUserSettings();
    EXPECT_EQ(Split(Case.Expected), ReadBytes(Dir / "p.dproj.user"));
    EXPECT_EQ(Split(Case.Expected), ReadBytes(Dir / "p.dproj.save"));
    EXPECT_EQ(Split(Case.Project), ReadBytes(Project));
  }
}

TEST_F(Splitter, CompanionIsWrittenOnlyWhenItsBytesChange) {
  const fs::path Project = Dir.Copy("split/app.dproj", "app.dproj");
  TSplitterDProjFile(U16(Project)).ExportUserSettings();
  const fs::path User = Dir / "app.dproj.user";
  const auto Old = Age(User);
  TSplitterDProjFile(U16(Project)).ExportUserSettings();
  EXPECT_EQ(Old, fs::last_write_time(User));

  // A stale companion of other content is replaced, not merged into.
  WriteBytes(User, Split("mine.user"));
  TSplitterDProjFile(U16(Project)).ExportUserSettings();
  EXPECT_EQ(Split("app.expected.user"), ReadBytes(User));
  EXPECT_EQ(2u, Dir.EntryCount());
}

TEST_F(Splitter, ImportMergesTheUserCompanionIntoTheProject) {
  const fs::path Project = Dir.Copy("split/app.dproj", "app.dproj");
  Dir.Copy("split/mine.user", "app.dproj.user");
  TSplitterDProjFile(U16(Project)).ImportUserSettings();
  EXPECT_EQ(Split("app.imported.expected.dproj"), ReadBytes(Project));
  EXPECT_EQ(Split("mine.user"), ReadBytes(Dir / "app.dproj.user"));

  // Without a companion nothing changes, so nothing is written and none is created.
  const fs::path Other = Dir.Copy("split/app.dproj", "other.dproj");
  const auto Old = Age(Other);
  TSplitterDProjFile(U16(Other)).ImportUserSettings();
  EXPECT_EQ(Split("app.dproj"), ReadBytes(Other));
  EXPECT_EQ(Old, fs::last_write_time(Other));
  EXPECT_FALSE(fs::exists(Dir / "other.dproj.user"));
}

TEST_F(Splitter, RestoreBringsBackTheSavedValuesAndDeletesTheSaveFile) {
  // Settings the .save file lacks go; those it holds in a group of the same condition stay.
  const fs::path Project = Dir.Copy("split/app.imported.expected.dproj", "app.dproj");
  Dir.Copy("split/app.expected.user", "app.dproj.save");
  TSplitterDProjFile(U16(Project)).RestoreUserSettings();
  EXPECT_EQ(Split("app.restored.expected.dproj"), ReadBytes(Project));
  EXPECT_FALSE(fs::exists(Dir / "app.dproj.save"));

  // No .save file: the project is not even saved.
  WriteBytes(Project, Split("app.dproj") + "\r\n");
  const auto Old = Age(Project);
  TSplitterDProjFile(U16(Project)).RestoreUserSettings();
  EXPECT_EQ(Old, fs::last_write_time(Project));
  EXPECT_EQ(Split("app.dproj") + "\r\n", ReadBytes(Project));
}

TEST_F(Splitter, FailedRestoreKeepsTheSaveFile) {
  const fs::path Project = Dir.Copy("split/app.imported.expected.dproj", "app.dproj");
  const fs::path Save = Dir.Copy("split/app.expected.user", "app.dproj.save");
  fs::permissions(Project, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_EQ("EFCreateError", TestSupport::MessageOf([&] {
              TSplitterDProjFile(U16(Project)).RestoreUserSettings();
            }).substr(0, 13));
  EXPECT_EQ(Split("app.expected.user"), ReadBytes(Save));
  EXPECT_EQ(Split("app.imported.expected.dproj"), ReadBytes(Project));
}

TEST_F(Splitter, SelectionIsReadFromAndCreatedInTheMainGroup) {
  TDprojXml Xml;
  Xml.ReadFromString("<Project><ItemGroup/></Project>");
  TSplitterDProjFile Splitter(&Xml);
  EXPECT_EQ(u"", Splitter.SelectedConfig());
  Splitter.SetSelectedPlatform(u"Win64");
  Splitter.SetSelectedConfig(u"Release");
  Splitter.SetSelectedConfig(u"Debug");
  EXPECT_EQ(u"Debug", Splitter.SelectedConfig());
  EXPECT_EQ(u"Win64", Splitter.SelectedPlatform());
  Xml.SetXmlFormat(xfCompact);
  EXPECT_EQ("<Project><ItemGroup/><PropertyGroup>"
            "<Platform Condition=\"'$(Platform)'==''\">Win64</Platform>"
            "<Config Condition=\"'$(Config)'==''\">Debug</Config>"
            "</PropertyGroup></Project>\n",
            Xml.WriteToString());

  // A wrapped document has no companions to work on.
  Splitter.ExportUserSettings();
  Splitter.ImportUserSettings();
  EXPECT_FALSE(fs::exists(fs::current_path() / ".user"));
}
