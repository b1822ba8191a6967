// The add-in's notifiers in this process, through the simulated IDE: the dictionary of project
// notifiers along opening, renaming and closing, the notification codes, the per-user names
// list read once, the Project Manager entry's conditions and restored active project, and the
// help file's lookup.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <tuple>

#include "addin/Notifier.h"
#include "addin/Tools.h"
#include "common/TestSupport.h"
#include "ide/Forms.h"
#include "ide/IdeTestSupport.h"
#include "projfile/SplitterDprojFile.h"
#include "simide/SimIDE.h"
#include "simide/SimModules.h"

using namespace Vorlane;
using namespace TestSupport;
using IdeTest::SampleDproj;
using IdeTest::U16;

namespace {

const std::string cGroup =
    "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\"><ItemGroup>"
    "<Projects Include=\"A.dproj\"/><Projects Include=\"B.dproj\"/></ItemGroup></Project>";

class NotifierTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* LName : {"A", "B"}) Dir.Touch(std::string(LName) + ".dproj", SampleDproj());
    Dir.Touch("G.groupproj", cGroup);
    IDE = std::make_unique<TSimIDE>(U16(Dir / "ide"));
    Supports(BorlandIDEServices(), Services);
  }
  void TearDown() override {
    IDE->CloseAll();
    Stop();
  }
  UnicodeString F(const std::string& AName) const { return U16(Dir / AName); }
  TVorlaneNotifier* Start() {
    Settings = std::make_unique<TVorlaneSettings>(F("ide/Vorlane.ini"));
    TIntfPtr<TVorlaneNotifier> LNotifier(new TVorlaneNotifier(CreateServiceContainer().Get(), Settings.get()));
    Index = Services->AddNotifier(LNotifier.Get());
    return LNotifier.Get();
  }
  void Stop() {
    if (Index > 0) Services->RemoveNotifier(Index);
    Index = 0;
    TAbstractSettings::FSettingsDefault = TVorlaneSettingsRec{};
  }
  std::vector<std::string> Keys(TVorlaneNotifier* ANotifier) const {
    std::vector<std::string> LKeys;
    for (const auto& [LName, LIndex] : ANotifier->NotifierDict()) {
      LKeys.push_back(UnicodeToUTF8(ExtractFileName(LName)));
      // The recorded index is the one the project's notifier holds: removing it empties it.
      EXPECT_EQ(IDE->ModuleNotifierCount(IDE->FindModule(LName).Get()), 1) << LKeys.back();
    }
    return LKeys;
  }

  TScratchFolder Dir;
  std::unique_ptr<TSimIDE> IDE;
  TIntfPtr<IOTAServices> Services;
  std::unique_ptr<TVorlaneSettings> Settings;
  Integer Index = 0;
};

}  // namespace

TEST_F(NotifierTest, DictionaryFollowsRenameAndClose) {
  IDE->OpenProjectGroup(F("G.groupproj"));
  TVorlaneNotifier* N = Start();
  const auto Project = [&](const char* AName) { return IDE->FindModule(F(AName)); };
  struct TStep {
    const char* What;
    std::function<void()> Act;
    std::vector<std::string> Keys;
  } const LSteps[] = {
      {"projects open before the add-in", [] {}, {"A.dproj", "B.dproj"}},
      {"a project reported opened again", [&] { bool C; N->FileNotification(ofnFileOpened, F("A.dproj"), C); },
       {"A.dproj", "B.dproj"}},
      {"renamed", [&] { IDE->SaveModuleAs(Project("A.dproj").Get(), F("C.dproj")); }, {"B.dproj", "C.dproj"}},
      {"renamed project closed", [&] { IDE->CloseModule(Project("C.dproj").Get()); }, {"B.dproj"}},
      {"opened afterwards", [&] { IDE->OpenProject(F("A.dproj")); }, {"A.dproj", "B.dproj"}},
      {"group closed", [&] { IDE->CloseAll(); }, {}},
  };
  for (const TStep& LStep : LSteps) {
    LStep.Act();
    EXPECT_EQ(Keys(N), LStep.Keys) << LStep.What;
  }
}

// The projects of a group being opened get that group's own settings, never those of the group
// open before: only G's level gives its packages the IDE's library suffix at opening.
TEST_F(NotifierTest, AGroupsOwnSettingsApplyAtItsOpening) {
  for (const char* LName : {"A", "B", "C"}) Dir.Touch(std::string(LName) + ".dproj", SampleDproj("Package"));
  Dir.Touch("H.groupproj", std::string(cGroup).replace(cGroup.find("A.dproj"), 1, "C"));
  TVorlaneSettingsRec LGroupLevel;
  LGroupLevel.AutoLibSuffix = true;
  LGroupLevel.SaveToFile(F("G.groupproj"));
  Start();
  for (const auto& [LGroup, LProject, LSuffix] :
       {std::tuple{"G", "A", u"210"}, {"H", "C", u"200"}, {"G", "A", u"210"}}) {
    IDE->OpenProjectGroup(F(std::string(LGroup) + ".groupproj"));
    auto* LOpened = dynamic_cast<TSimProject*>(IDE->FindModule(F(std::string(LProject) + ".dproj")).Get());
    EXPECT_EQ(LOpened->Options().Find(u"Base")->GetValue(u"DllSuffix", false), LSuffix) << LGroup;
  }
}

TEST_F(NotifierTest, NotificationCodes) {
  Dir.Touch("U.pas", "unit U;\n");
  Dir.Touch("U.dfm", "object F: TForm\nend\n");
  Dir.Touch("R.pas", "unit R;\n");
  Dir.Touch("X.PAS", "unit X;\n");
  Dir.Touch("Y.dfm", "object Y: TForm\nend\n");
  FileSetAttr(F("R.pas"), faReadOnly);
  TIntfPtr<IOTAModule> LUnit = IDE->OpenFile(F("U.pas"));
  IDE->OpenProject(F("A.dproj"));
  TVorlaneNotifier* N = Start();
  TVorlaneSettingsRec LGlobal;
  LGlobal.CleanLineFeeds = true;
  Settings->SetSettings(LGlobal);
  const auto UnitNotifiers = [&] { return IDE->ModuleNotifierCount(LUnit.Get()); };
  const auto Disk = [&](const char* AName) { return ReadBytes(Dir / AName); };
  const auto Stored = [&](bool ARemoveUWP) {
    TVorlaneSettingsRec LRec;
    LRec.RemoveUWP = ARemoveUWP;
    LRec.SaveToFile(F("A.dproj"));
  };
  struct TRow {
    TOTAFileNotification Code;
    const char* File;
    std::function<void()> Before, Expect;
  } const LRows[] = {
      {ofnFileClosing, "U.pas", [] {}, [&] { EXPECT_EQ(IDE->EditorText(LUnit.Get(), F("U.pas")), "unit U;\n"); }},
      {ofnPackageInstalled, "U.pas", [] {}, [&] { EXPECT_EQ(UnitNotifiers(), 0); }},
      {ofnFileOpening, "U.pas", [] {}, [&] { EXPECT_EQ(IDE->EditorText(LUnit.Get(), F("U.pas")), "unit U;\r\n"); }},
      {ofnFileOpening, "R.pas", [] {}, [&] { EXPECT_EQ(Disk("R.pas"), "unit R;\n") << "read-only"; }},
      {ofnFileOpening, "X.PAS", [] {}, [&] { EXPECT_EQ(Disk("X.PAS"), "unit X;\r\n"); }},
      {ofnFileOpening, "Y.dfm", [] {}, [&] { EXPECT_EQ(Disk("Y.dfm"), "object Y: TForm\nend\n"); }},
      {ofnFileOpened, "U.pas", [] {}, [&] { EXPECT_EQ(UnitNotifiers(), 1); }},
      {ofnFileOpened, "A.dproj", [] {}, [&] { EXPECT_EQ(N->NotifierDict().size(), 1u); }},
      {ofnActiveProjectChanged, "A.dproj", [&] { Stored(true); },
       [&] { EXPECT_TRUE(N->VorlaneHandler()->Settings().RemoveUWP); }},
      // The same name again: the project's level is not read again.
      {ofnActiveProjectChanged, "A.dproj", [&] { Stored(false); },
       [&] { EXPECT_TRUE(N->VorlaneHandler()->Settings().RemoveUWP); }},
      {ofnActiveProjectChanged, "", [] {}, [&] { EXPECT_EQ(N->LastProject(), u""); }},
  };
  ASSERT_EQ(N->LastProject(), u"") << "only a reported change sets it";
  for (const TRow& LRow : LRows) {
    SCOPED_TRACE(std::to_string(LRow.Code) + " " + LRow.File);
    LRow.Before();
    bool LCancel = false;
    N->FileNotification(LRow.Code, *LRow.File ? F(LRow.File) : UnicodeString(), LCancel);
    LRow.Expect();
    EXPECT_FALSE(LCancel);
  }
}

TEST_F(NotifierTest, UserNamesListIsReadOnceAtStart) {
  struct TCase {
    const char* Name;
    bool Exists;
    std::string Content;
    std::vector<UnicodeString> Expected;
  } const LCases[] = {
      {"no file: the defaults", false, "", {}},
      {"empty file", true, "", {}},
      {"lines as they stand", true, "One\r\n\r\n Two \nThree", {u"One", u"", u" Two ", u"Three"}},
      {"UTF-16 with BOM", true, Bytes({0xFF, 0xFE}) + Utf16Bytes(u"\u00C9t\u00E9\r\n"), {u"\u00C9t\u00E9"}},
      {"system code page", true, Bytes({0xE9, '\n'}), {u"\u00E9"}},
  };
  const fs::path LList = Dir / "ide" / "Brisendal.cfg";
  for (const TCase& LCase : LCases) {
    fs::remove(LList);
    if (LCase.Exists) WriteBytes(LList, LCase.Content);
    Start();
    WriteBytes(LList, "Later\r\n");
    if (LCase.Exists) {
      EXPECT_EQ(TSplitterDProjFile::FUserNodes, LCase.Expected) << LCase.Name;
    } else {
      ASSERT_EQ(TSplitterDProjFile::FUserNodes.size(), 19u);
      EXPECT_EQ(TSplitterDProjFile::FUserNodes.front(), u"Debugger_RunParams");
      EXPECT_EQ(TSplitterDProjFile::FUserNodes.back(), u"Debugger_SymbolSourcePath");
    }
    Stop();
  }
  TSplitterDProjFile::FUserNodes.clear();
}

TEST_F(NotifierTest, ProjectManagerEntry) {
  IDE->OpenProjectGroup(F("G.groupproj"));
  Start();
  TIntfPtr<IOTAProject> A = IDE->ActiveProject(), B = InterfaceCast<IOTAProject>(IDE->FindModule(F("B.dproj")));
  struct TCase {
    IOTAProject* Project;
    std::vector<UnicodeString> Idents;
    bool Multi;
    Integer Entries;
  } const LCases[] = {{B.Get(), {u"ProjectContainer"}, false, 1},
                      {B.Get(), {u"FileContainer", u"ProjectContainer"}, false, 1},
                      {B.Get(), {u"ProjectContainer"}, true, 0},
                      {B.Get(), {u"FileContainer"}, false, 0},
                      {nullptr, {u"ProjectContainer"}, false, 0}};
  for (const TCase& LCase : LCases)
    EXPECT_EQ(IDE->ProjectManagerMenus(LCase.Project, LCase.Idents, LCase.Multi)->Count(), LCase.Entries);

  TIntfPtr<IOTAProjectManagerMenu> LEntry =
      InterfaceCast<IOTAProjectManagerMenu>(IDE->ProjectManagerMenus(B.Get(), {u"ProjectContainer"})->Get(0));
  EXPECT_EQ(LEntry->GetCaption(), u"Vorlane");
  // The dialog is for the chosen project; whatever happens there, the active one comes back.
  std::vector<UnicodeString> LShownFor;
  IDE->SetModalHandler([&](TCustomForm&) {
    LShownFor.push_back(IDE->ActiveProject()->GetFileName());
    throw EInvalidOperation(u"the user's failure");
  });
  EXPECT_THROW(IDE->ExecuteProjectManagerMenu(LEntry.Get(), {B.Get()}), EInvalidOperation);
  EXPECT_EQ(LShownFor, std::vector<UnicodeString>{F("B.dproj")});
  EXPECT_EQ(IDE->ActiveProject(), A);
  // An entry the IDE still holds once the add-in is gone does nothing.
  Stop();
  IDE->ExecuteProjectManagerMenu(LEntry.Get(), {B.Get()});
  EXPECT_EQ(LShownFor.size(), 1u);
}

#ifndef _WIN32
TEST(HelpFile, UserConfigurationBeforeSystemWide) {
  TScratchFolder LDir;
  LDir.Touch("help/user.chm");
  LDir.Touch("sys/vorlane/sys.chm");
  struct TCase {
    const char* Name;
    const char* User;    // the user's "vorlane/help" ('@' stands for the folder); nullptr: none
    const char* System;  // the system-wide one
    std::string Expected;
  } const LCases[] = {
      {"user's wins", "../../help/user.chm\n", "sys.chm", "help/user.chm"},
      {"user's names a missing file", "gone.chm", "sys.chm", "sys/vorlane/sys.chm"},
      {"user's empty, blanks around", "", "  sys.chm  \r\n", "sys/vorlane/sys.chm"},
      {"absolute name", "@help/user.chm", nullptr, "help/user.chm"},
      {"none found", nullptr, "missing.chm", ""},
  };
  ::setenv("XDG_CONFIG_HOME", (LDir / "user").c_str(), 1);
  ::setenv("XDG_CONFIG_DIRS", ((LDir / "none").string() + ":relative:" + (LDir / "sys").string()).c_str(), 1);
  for (const TCase& LCase : LCases) {
    fs::remove_all(LDir / "user");
    fs::remove(LDir / "sys/vorlane/help");
    if (LCase.User) {
      std::string LText = LCase.User;
      if (LText[0] == '@') LText = (LDir / LText.substr(1)).string();
      LDir.Touch("user/vorlane/help", LText);
    }
    if (LCase.System) LDir.Touch("sys/vorlane/help", LCase.System);
    const std::string LExpected = LCase.Expected.empty() ? "" : (LDir / LCase.Expected).string();
    EXPECT_EQ(UnicodeToUTF8(TTools::FindHelpFile()), LExpected) << LCase.Name;
  }
  ::unsetenv("XDG_CONFIG_HOME");
  ::unsetenv("XDG_CONFIG_DIRS");
}
#endif
