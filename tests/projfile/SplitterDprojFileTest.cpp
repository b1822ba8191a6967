#include <gtest/gtest.h>

#include <chrono>

#include "projfile/SplitterDprojFile.h"
#include "tests/projfile/DprojFileTestSupport.h"

using namespace Vorlane;
using namespace ProjFileTest;

namespace {

std::string Split(const std::string& AName) { return ReadBytes(FixturePath("split/" + AName)); }

// Puts the last-write time well into the past, so that any rewrite shows.
fs::file_time_type Age(const fs::path& APath) {
  fs::last_write_time(APath, fs::last_write_time(APath) - std::chrono::hours(9600));
  return fs::last_write_time(APath);
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

// app.dproj: the main group's copy is never exported, other-case names count, groups of one
// condition (ignoring case) meet, a group with an empty condition is shared and stays out.
TEST_F(Splitter, CompanionFilesHoldSelectionAndUserSettingsByCondition) {
  const std::vector<UnicodeString> All = TSplitterDProjFile::FUserNodes;
  const struct {
    const char* Project;
    std::vector<UnicodeString> UserNodes;
    const char* Expected;
  } Cases[] = {{"app.dproj", All, "app.expected.user"},
               {"noselection.dproj", All, "noselection.expected.user"},
               {"noselection.dproj", {}, "empty.expected.user"}};
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Expected);
    TSplitterDProjFile::FUserNodes = Case.UserNodes;
    const fs::path Project = Dir.Copy("split/" + std::string(Case.Project), "p.dproj");
    TSplitterDProjFile(U16(Project)).ExportUserSettings();
    TSplitterDProjFile(U16(Project)).SaveUserSettings();
    EXPECT_EQ(Split(Case.Expected), ReadBytes(Dir / "p.dproj.user"));
    EXPECT_EQ(Split(Case.Expected), ReadBytes(Dir / "p.dproj.save"));
    EXPECT_EQ(Split(Case.Project), ReadBytes(Project));
    // Unchanged, a companion is not written again.
    const auto Old = Age(Dir / "p.dproj.user");
    TSplitterDProjFile(U16(Project)).ExportUserSettings();
    EXPECT_EQ(Old, fs::last_write_time(Dir / "p.dproj.user"));
  }
}

TEST_F(Splitter, ImportAndRestoreMergeTheCompanionsIntoTheProject) {
  const fs::path Project = Dir.Copy("split/app.dproj", "app.dproj");
  // Without companions nothing changes, so nothing is written and none is created.
  const auto Old = Age(Project);
  TSplitterDProjFile(U16(Project)).ImportUserSettings();
  TSplitterDProjFile(U16(Project)).RestoreUserSettings();
  EXPECT_EQ(Old, fs::last_write_time(Project));
  EXPECT_EQ(1u, Dir.EntryCount());

  // What opening a project does: keep the shared values, then bring in the user's own.
  Dir.Copy("split/mine.user", "app.dproj.user");
  TSplitterDProjFile(U16(Project)).SaveUserSettings();
  TSplitterDProjFile(U16(Project)).ImportUserSettings();
  EXPECT_EQ(Split("app.imported.expected.dproj"), ReadBytes(Project));
  EXPECT_EQ(Split("mine.user"), ReadBytes(Dir / "app.dproj.user"));

  // A failed restore keeps the .save file for the next attempt.
  const auto Writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(Project, Writable, fs::perm_options::remove);
  EXPECT_EQ("EFCreateError", TestSupport::MessageOf([&] {
              TSplitterDProjFile(U16(Project)).RestoreUserSettings();
            }).substr(0, 13));
  EXPECT_EQ(Split("app.expected.user"), ReadBytes(Dir / "app.dproj.save"));

  // Settings the .save file lacks go; those it holds in a group of the same condition stay.
  fs::permissions(Project, fs::perms::owner_write, fs::perm_options::add);
  TSplitterDProjFile(U16(Project)).RestoreUserSettings();
  EXPECT_EQ(Split("app.restored.expected.dproj"), ReadBytes(Project));
  EXPECT_FALSE(fs::exists(Dir / "app.dproj.save"));
}

TEST_F(Splitter, SelectionIsCreatedInTheMainGroupOnDemand) {
  TDprojXml Xml;
  Xml.ReadFromString("<Project><ItemGroup/></Project>");
  Xml.SetXmlFormat(xfCompact);
  TSplitterDProjFile Splitter(&Xml);
  EXPECT_EQ(u"", Splitter.SelectedConfig());
  Splitter.SetSelectedPlatform(u"Win64");
  Splitter.SetSelectedConfig(u"Release");
  Splitter.SetSelectedConfig(u"Debug");
  EXPECT_EQ(u"Debug", Splitter.SelectedConfig());
  EXPECT_EQ("<Project><ItemGroup/><PropertyGroup><Platform Condition=\"'$(Platform)'==''\">Win64</Platform>"
            "<Config Condition=\"'$(Config)'==''\">Debug</Config></PropertyGroup></Project>\n",
            Xml.WriteToString());
}
