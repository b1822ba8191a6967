// The simulated IDE's behaviour that the add-in relies on: the order of notifications around
// opening, editing, saving, renaming and closing; editor buffers read and rewritten by byte
// position; the build-configuration tree with inherited values and its way back into the
// project file; and plug-ins that register with the IDE and are destroyed when it lets go.
#include <gtest/gtest.h>

#include <sstream>

#include "ide/Menus.h"
#include "simide/SimIDE.h"
#include "ide/IdeTestSupport.h"

using namespace Vorlane;
using namespace IdeTest;
using TestSupport::ReadBytes;
using TestSupport::TScratchFolder;
using TestSupport::WriteBytes;

namespace {

TIntfPtr<IOTAServices> Services() {
  TIntfPtr<IOTAServices> LServices;
  EXPECT_TRUE(Supports(BorlandIDEServices(), LServices));
  return LServices;
}

// Rewrites the project's type while the IDE announces the opening, as the add-in edits a
// project file before the IDE reads it.
class TEditingNotifier : public TRecordingNotifier {
 public:
  using TRecordingNotifier::TRecordingNotifier;
  void FileNotification(TOTAFileNotification ACode, const UnicodeString& AFileName, bool& ACancel) override {
    TRecordingNotifier::FileNotification(ACode, AFileName, ACancel);
    if (ACode == ofnFileOpening && EndsText(u".dproj", AFileName))
      WriteBytes(UnicodeToUTF8(AFileName), SampleDproj("Package"));
  }
};

TIntfPtr<IOTAProjectOptionsConfigurations> Configurations(const TIntfPtr<IOTAProject>& AProject) {
  TIntfPtr<IOTAProjectOptionsConfigurations> LResult;
  EXPECT_TRUE(Supports(AProject->GetProjectOptions(), LResult));
  return LResult;
}

}  // namespace

TEST(SimIDE, NotificationsAroundOpenEditSaveRenameClose) {
  TScratchFolder LDir;
  WriteBytes(LDir / "App.dproj", SampleDproj());
  std::vector<std::string> LLog;
  TSimIDE LIDE(U16(LDir / "ide"));
  const Integer LIndex = Services()->AddNotifier(new TEditingNotifier(&LLog, "ide"));
  EXPECT_GT(LIndex, 0);

  TIntfPtr<IOTAProject> LProject = LIDE.OpenProject(U16(LDir / "App.dproj"));
  EXPECT_EQ(LProject->GetApplicationType(), u"Package") << "read after the opening notification";
  LProject->AddNotifier(new TRecordingNotifier(&LLog, "mod"));
  LIDE.EditOption(LProject.Get(), u"Cfg_1", u"DllSuffix", u"210");
  LIDE.SaveModule(LProject.Get());
  LIDE.SaveModuleAs(LProject.Get(), U16(LDir / "New.dproj"));
  EXPECT_EQ(LIDE.FindModule(U16(LDir / "new.DPROJ")), LProject);
  LIDE.CloseModule(LProject.Get());
  EXPECT_EQ(LIDE.ModuleCount(), 0);
  EXPECT_FALSE(LIDE.ActiveProject());

  const std::vector<std::string> LExpected = {
      "ide:0 App.dproj",   "ide:1 App.dproj",  "ide:9 App.dproj",  "mod:Modified",
      "mod:BeforeSave",    "mod:AfterSave",    "mod:ModuleRenamed New.dproj",
      "mod:BeforeSave",    "mod:AfterSave",    "ide:2 New.dproj",  "mod:Destroyed",
      "mod:destroyed",     "ide:9 "};
  EXPECT_EQ(LLog, LExpected);
  EXPECT_NE(ReadBytes(LDir / "New.dproj").find("<DllSuffix>210</DllSuffix>"), std::string::npos);

  Services()->RemoveNotifier(LIndex);
  EXPECT_EQ(LLog.back(), "ide:destroyed") << "the IDE held the only reference";
}

TEST(SimIDE, ProjectGroupOpensItsProjectsInOrder) {
  TScratchFolder LDir;
  WriteBytes(LDir / "a" / "A.dproj", SampleDproj());
  WriteBytes(LDir / "b" / "B.dproj", SampleDproj());
  WriteBytes(LDir / "All.groupproj",
             "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\"><ItemGroup>"
             "<Projects Include=\"a\\A.dproj\"/><Projects Include=\"b\\B.dproj\"/></ItemGroup></Project>");
  std::vector<std::string> LLog;  // outlives the IDE, which releases the notifier last
  TSimIDE LIDE(U16(LDir / "ide"));
  Services()->AddNotifier(new TRecordingNotifier(&LLog, "ide"));
  TIntfPtr<IOTAProjectGroup> LGroup = LIDE.OpenProjectGroup(U16(LDir / "All.groupproj"));
  ASSERT_EQ(LGroup->GetProjectCount(), 2);
  EXPECT_EQ(LGroup->GetProject(1)->GetFileName(), U16(LDir / "b" / "B.dproj"));
  LGroup->SetActiveProject(LGroup->GetProject(1).Get());
  LGroup->SetActiveProject(LGroup->GetProject(1).Get());
  EXPECT_EQ(LGroup->GetActiveProject(), LGroup->GetProject(1));
  const std::vector<std::string> LExpected = {"ide:0 All.groupproj", "ide:0 A.dproj", "ide:1 A.dproj",
                                              "ide:0 B.dproj",        "ide:1 B.dproj", "ide:1 All.groupproj",
                                              "ide:9 A.dproj",        "ide:9 B.dproj"};
  EXPECT_EQ(LLog, LExpected);
}

TEST(SimIDE, EditBufferReaderAndWriter) {
  TScratchFolder LDir;
  WriteBytes(LDir / "Unit1.pas", "0123456789");
  WriteBytes(LDir / "Unit1.dfm", "object Form1: TForm1\r\nend\r\n");
  TSimIDE LIDE(U16(LDir / "ide"));
  TIntfPtr<IOTAModule> LModule = LIDE.OpenFile(U16(LDir / "Unit1.pas"));
  ASSERT_EQ(LModule->GetModuleFileCount(), 2);
  EXPECT_TRUE(Supports<IOTAFormEditor>(LModule->GetModuleFileEditor(1)));
  TIntfPtr<IOTAEditBuffer> LBuffer;
  ASSERT_TRUE(Supports(LModule->GetModuleFileEditor(0), LBuffer));

  struct TCase {
    const char* Name;
    std::function<void(IOTAEditWriter&)> Edit;
    std::string Expected;
  } const LCases[] = {
      {"replace all", [](IOTAEditWriter& W) { W.DeleteTo(10); W.Insert("new"); }, "new"},
      {"insert in the middle", [](IOTAEditWriter& W) { W.CopyTo(3); W.Insert("-"); }, "012-3456789"},
      {"delete a range", [](IOTAEditWriter& W) { W.CopyTo(2); W.DeleteTo(5); }, "0156789"},
      {"positions past the end", [](IOTAEditWriter& W) { W.DeleteTo(99); W.Insert("x"); }, "x"},
      {"nothing", [](IOTAEditWriter&) {}, "0123456789"},
  };
  for (const TCase& LCase : LCases) {
    LIDE.SetEditorText(LModule.Get(), U16(LDir / "Unit1.pas"), "0123456789");
    TIntfPtr<IOTAEditWriter> LWriter = LBuffer->CreateUndoableWriter();
    LCase.Edit(*LWriter);
    EXPECT_EQ(LIDE.EditorText(LModule.Get(), U16(LDir / "Unit1.pas")), "0123456789") << LCase.Name;
    LWriter = nullptr;
    EXPECT_EQ(LIDE.EditorText(LModule.Get(), U16(LDir / "Unit1.pas")), LCase.Expected) << LCase.Name;
  }
  TIntfPtr<IOTAEditWriter> LWriter = LBuffer->CreateUndoableWriter();
  LWriter->CopyTo(5);
  EXPECT_THROW(LWriter->DeleteTo(4), EInvalidOperation);
  LWriter = nullptr;

  // Reads return what is there from a byte position: a full chunk, the rest, then nothing.
  LIDE.SetEditorText(LModule.Get(), U16(LDir / "Unit1.pas"), std::string(1024, 'a') + "\xC3\xA4");
  TIntfPtr<IOTAEditReader> LReader = LBuffer->CreateReader();
  char LChunk[1024];
  EXPECT_EQ(LReader->GetText(0, LChunk, 1024), 1024);
  EXPECT_EQ(LReader->GetText(1024, LChunk, 1024), 2);
  EXPECT_EQ(std::string(LChunk, 2), "\xC3\xA4");
  EXPECT_EQ(LReader->GetText(1026, LChunk, 1024), 0);

  // Saving writes the buffer and the form to their files.
  LIDE.SaveModule(LModule.Get());
  EXPECT_EQ(ReadBytes(LDir / "Unit1.pas"), std::string(1024, 'a') + "\xC3\xA4");
}

TEST(SimIDE, BuildConfigurationsInheritAndGoBackIntoTheFile) {
  TScratchFolder LDir;
  WriteBytes(LDir / "App.dproj", SampleDproj());
  TSimIDE LIDE(U16(LDir / "ide"));
  TIntfPtr<IOTAProject> LProject = LIDE.OpenProject(U16(LDir / "App.dproj"));
  EXPECT_EQ(LProject->GetSupportedPlatforms(), (TArrayOfString{u"Win32", u"Android"}));
  TIntfPtr<IOTAProjectOptionsConfigurations> LConfigs = Configurations(LProject);
  ASSERT_EQ(LConfigs->GetConfigurationCount(), 3);
  TIntfPtr<IOTABuildConfiguration> LRelease = LConfigs->GetActiveConfiguration();
  ASSERT_EQ(LRelease->GetKey(), u"Cfg_2");
  TIntfPtr<IOTABuildConfiguration> LDebug = LRelease->GetParent();
  TIntfPtr<IOTABuildConfiguration> LBase = LDebug->GetParent();
  EXPECT_FALSE(LBase->GetParent());
  EXPECT_EQ(LBase, LConfigs->GetBaseConfiguration());
  EXPECT_EQ(LBase->GetChildCount(), 1);
  EXPECT_EQ(LBase->GetChild(0), LDebug);
  EXPECT_EQ(LDebug->GetPlatforms(), (TArrayOfString{u"Win32", u"Android"}));
  TIntfPtr<IOTABuildConfiguration> LDebugWin32 = LDebug->GetPlatformConfiguration(u"Win32");
  ASSERT_TRUE(LDebugWin32);
  EXPECT_EQ(LDebugWin32->GetKey(), u"Cfg_1_Win32");
  EXPECT_EQ(LDebugWin32->GetParent(), LDebug);

  struct TCase {
    TIntfPtr<IOTABuildConfiguration> Config;
    const char16_t* Name;
    bool Inherited;
    const char16_t* Value;
  } const LCases[] = {
      {LBase, u"OutputExt", false, u"exe"},
      {LRelease, u"OutputExt", false, u""},
      {LRelease, u"OutputExt", true, u"exe"},
      {LRelease, u"VerInfo_AutoIncVersion", true, u"false"},
      {LDebugWin32, u"verinfo_autoincversion", true, u"false"},
      {LDebugWin32, u"Manifest_File", false, u"app.manifest"},
      {LBase, u"Manifest_File", true, u""},
  };
  for (const TCase& LCase : LCases)
    EXPECT_EQ(LCase.Config->GetValue(LCase.Name, LCase.Inherited), LCase.Value)
        << UnicodeToUTF8(LCase.Config->GetKey()) << " " << UnicodeToUTF8(LCase.Name);
  EXPECT_TRUE(LBase->GetBoolean(u"VerInfo_AutoIncVersion", false));
  EXPECT_FALSE(LRelease->GetBoolean(u"VerInfo_AutoIncVersion", true));

  // Unchanged options leave the file as it was; changes reach it at the next save.
  LIDE.SaveModule(LProject.Get());
  EXPECT_EQ(ReadBytes(LDir / "App.dproj"), SampleDproj());
  LBase->Remove(u"OutputExt");
  LBase->Remove(u"NotThere");
  LBase->SetValue(u"DllSuffix", u"210");
  LRelease->SetValue(u"DCC_Description", u"Release build");
  LIDE.SaveModule(LProject.Get());
  LIDE.CloseAll();
  LProject = LIDE.OpenProject(U16(LDir / "App.dproj"));
  LBase = Configurations(LProject)->GetBaseConfiguration();
  EXPECT_EQ(LBase->GetValue(u"OutputExt", false), u"");
  EXPECT_EQ(LBase->GetValue(u"DllSuffix", false), u"210");
  EXPECT_EQ(Configurations(LProject)->GetActiveConfiguration()->GetValue(u"DCC_Description", false), u"Release build");
}

// Every corpus project opens with the type and platforms its manifest line records and one
// configuration tree rooted at the base configuration; a malformed one fails to open and
// leaves nothing open.
TEST(SimIDE, CorpusProjectsOpenAsTheirManifestDescribes) {
  TESTSUPPORT_SKIP_IF_ABSENT(TestSupport::CorpusDir() / "MANIFEST.tsv", "project corpus");
  TScratchFolder LDir;
  TSimIDE LIDE(U16(LDir / "ide"));
  std::istringstream LManifest(ReadBytes(TestSupport::CorpusDir() / "MANIFEST.tsv"));
  int LProjects = 0;
  for (std::string LLine; std::getline(LManifest, LLine);) {
    if (LLine.rfind("dproj/", 0) != 0) continue;
    const std::string LName = LLine.substr(0, LLine.find('\t'));
    const std::string LNote = LLine.substr(LLine.rfind('\t') + 1);
    auto Field = [&](const std::string& AKey) {
      const size_t LAt = LNote.find(AKey + "=");
      return LAt == std::string::npos ? std::string() : LNote.substr(LAt + AKey.size() + 1, LNote.find(';', LAt) - LAt - AKey.size() - 1);
    };
    const UnicodeString LFile = U16(TestSupport::CorpusDir() / LName);
    if (LNote.find("MALFORMED") != std::string::npos) {
      EXPECT_ANY_THROW(LIDE.OpenProject(LFile)) << LName;
      EXPECT_EQ(LIDE.ModuleCount(), 0) << LName;
      continue;
    }
    TIntfPtr<IOTAProject> LProject = LIDE.OpenProject(LFile);
    ++LProjects;
    if (!Field("AppType").empty()) {
      EXPECT_EQ(UnicodeToUTF8(LProject->GetApplicationType()), Field("AppType")) << LName;
    }
    const TArrayOfString LPlatforms = LProject->GetSupportedPlatforms();
    std::istringstream LEnabled(Field("Platforms"));
    for (std::string LPlatform; std::getline(LEnabled, LPlatform, ',');)
      if (LPlatform != "(none enabled)") {
        EXPECT_NE(std::find(LPlatforms.begin(), LPlatforms.end(), UTF8ToUnicode(LPlatform)), LPlatforms.end())
            << LName << " " << LPlatform;
      }
    TIntfPtr<IOTAProjectOptionsConfigurations> LConfigs = Configurations(LProject);
    ASSERT_GE(LConfigs->GetConfigurationCount(), 1) << LName;
    TIntfPtr<IOTABuildConfiguration> LBase = LConfigs->GetBaseConfiguration();
    EXPECT_FALSE(LBase->GetParent()) << LName;
    for (Integer I = 0; I < LConfigs->GetConfigurationCount(); ++I) {
      TIntfPtr<IOTABuildConfiguration> LRoot = LConfigs->GetConfiguration(I);
      while (LRoot->GetParent()) LRoot = LRoot->GetParent();
      EXPECT_EQ(LRoot, LBase) << LName;
      EXPECT_EQ(LConfigs->GetConfiguration(I)->GetPlatforms(), LPlatforms) << LName;
    }
    LIDE.CloseModule(LProject.Get());
  }
  EXPECT_GT(LProjects, 100);
}

TEST(SimIDE, MenuInsertionByComponentName) {
  TScratchFolder LDir;
  TSimIDE LIDE(U16(LDir / "ide"));
  TIntfPtr<INTAServices> LServices;
  ASSERT_TRUE(Supports(BorlandIDEServices(), LServices));
  TMenuItem LBefore(nullptr), LChild(nullptr), LStray(nullptr);
  LServices->AddActionMenu(u"ProjectOptionsItem", nullptr, &LBefore, false, false);
  LServices->AddActionMenu(u"HelpThirdPartyMenuItem", nullptr, &LChild, true, true);
  TMenuItem* LOptions = LIDE.MainMenu().Find(u"ProjectOptionsItem");
  EXPECT_EQ(LBefore.Parent(), LOptions->Parent());
  EXPECT_EQ(LBefore.MenuIndex() + 1, LOptions->MenuIndex());
  EXPECT_EQ(LChild.Parent(), LIDE.MainMenu().Find(u"HelpThirdPartyMenuItem"));
  EXPECT_ANY_THROW(LServices->AddActionMenu(u"NoSuchItem", nullptr, &LStray, true, false));
}

TEST(SimIDE, PluginRegistersAndItsNotifierGoesWhenTheIDELetsGo) {
  TScratchFolder LDir;
  WriteBytes(LDir / "App.dproj", SampleDproj());
  TSimIDE LIDE(U16(LDir / "ide"));
  EXPECT_THROW(LIDE.LoadPlugin(U16(LDir / "missing.so")), EOSError);
  LIDE.LoadPlugin(UTF8ToUnicode(VORLANE_SAMPLE_PLUGIN));
  EXPECT_EQ(LIDE.IDENotifierCount(), 1);
  ASSERT_EQ(LIDE.AboutEntries().size(), 1u);
  EXPECT_EQ(LIDE.AboutEntries()[0].Title, u"Sample");
  LIDE.OpenProject(U16(LDir / "App.dproj"));
  LIDE.CloseAll();
  EXPECT_EQ(LIDE.UnloadPlugin(), 0);
  EXPECT_EQ(LIDE.RegistrationCount(), 0);
  std::vector<std::string> LReports;
  for (const TSimSplashEntry& LEntry : LIDE.SplashEntries()) LReports.push_back(UnicodeToUTF8(LEntry.Caption));
  const std::string LFile = (LDir / "App.dproj").string();
  const std::vector<std::string> LExpected = {"0 " + LFile, "1 " + LFile, "9 " + LFile, "2 " + LFile, "9 ",
                                              "destroyed"};
  EXPECT_EQ(LReports, LExpected);
}

namespace {

class TTestOptionsPage : public TInterfacedPersistent, public virtual INTAAddInOptions {
 public:
  UnicodeString GetArea() override { return UnicodeString(); }
  UnicodeString GetCaption() override { return u"Sample"; }
  TCustomFrameClass GetFrameClass() override { return FrameClassOf<TFrame>(); }
  void FrameCreated(TCustomFrame* AFrame) override { Frame = AFrame; }
  void DialogClosed(bool AAccepted) override { Closed.push_back(AAccepted); }
  bool ValidateContents() override { return Valid; }
  Integer GetHelpContext() override { return 0; }
  bool IncludeInIDEInsight() override { return true; }

  TCustomFrame* Frame = nullptr;
  std::vector<bool> Closed;
  bool Valid = true;
};

class TTestMenuCreator : public TNotifierObject, public virtual IOTAProjectMenuItemCreatorNotifier {
 public:
  explicit TTestMenuCreator(std::vector<std::string>* ALog) : FLog(ALog) {}
  void AddMenu(IOTAProject* AProject, const TStrings* AIdentList, IInterfaceList* AList, bool AIsMultiSelect) override {
    if (AIsMultiSelect || !AProject || AIdentList->IndexOf(u"ProjectContainer") < 0) return;
    AList->Add(new TRecordingMenu(FLog));
  }

 private:
  class TRecordingMenu : public TNotifierObject, public virtual IOTAProjectManagerMenu {
   public:
    explicit TRecordingMenu(std::vector<std::string>* ALog) : FLog(ALog) {}
    UnicodeString GetCaption() override { return u"Sample"; }
    bool GetChecked() override { return false; }
    bool GetEnabled() override { return true; }
    Integer GetHelpContext() override { return 0; }
    UnicodeString GetName() override { return UnicodeString(); }
    UnicodeString GetParent() override { return UnicodeString(); }
    Integer GetPosition() override { return 0; }
    UnicodeString GetVerb() override { return UnicodeString(); }
    void SetCaption(const UnicodeString&) override {}
    void SetChecked(bool) override {}
    void SetEnabled(bool) override {}
    void SetHelpContext(Integer) override {}
    void SetName(const UnicodeString&) override {}
    void SetParent(const UnicodeString&) override {}
    void SetPosition(Integer) override {}
    void SetVerb(const UnicodeString&) override {}
    bool GetIsMultiSelectable() override { return false; }
    void SetIsMultiSelectable(bool) override {}
    void Execute(IInterfaceList* AContexts) override {
      for (Integer I = 0; I < AContexts->Count(); ++I) {
        TIntfPtr<IOTAProjectMenuContext> LContext;
        if (Supports(AContexts->Get(I), LContext))
          FLog->push_back("Execute " + UnicodeToUTF8(ExtractFileName(LContext->GetProject()->GetFileName())));
      }
    }
    bool PreExecute(IInterfaceList*) override { return true; }
    bool PostExecute(IInterfaceList*) override { return true; }

   private:
    std::vector<std::string>* FLog;
  };
  std::vector<std::string>* FLog;
};

}  // namespace

TEST(SimIDE, OptionsPageOnTheIDEsDialog) {
  TScratchFolder LDir;
  TSimIDE LIDE(U16(LDir / "ide"));
  TTestOptionsPage LPage;
  TIntfPtr<INTAEnvironmentOptionsServices> LServices;
  ASSERT_TRUE(Supports(BorlandIDEServices(), LServices));
  LServices->RegisterAddInOptions(&LPage);
  EXPECT_TRUE(LIDE.ShowOptionsDialog(u"Sample", [&](TCustomFrame& F) { return &F == LPage.Frame; }));
  EXPECT_FALSE(LIDE.ShowOptionsDialog(u"Sample", [](TCustomFrame&) { return false; }));
  LPage.Valid = false;
  EXPECT_FALSE(LIDE.ShowOptionsDialog(u"Sample", [](TCustomFrame&) { return true; }));
  EXPECT_EQ(LPage.Closed, (std::vector<bool>{true, false, false}));
  LServices->UnregisterAddInOptions(&LPage);
  EXPECT_EQ(LIDE.OptionsPageCount(), 0);
  EXPECT_THROW(LIDE.ShowOptionsDialog(u"Sample", [](TCustomFrame&) { return true; }), EInvalidOperation);
}

TEST(SimIDE, ProjectManagerMenusComeFromTheCreators) {
  TScratchFolder LDir;
  WriteBytes(LDir / "App.dproj", SampleDproj());
  std::vector<std::string> LLog;
  TSimIDE LIDE(U16(LDir / "ide"));
  TIntfPtr<IOTAProject> LProject = LIDE.OpenProject(U16(LDir / "App.dproj"));
  TIntfPtr<IOTAProjectManager> LManager;
  ASSERT_TRUE(Supports(BorlandIDEServices(), LManager));
  const Integer LIndex = LManager->AddMenuItemCreatorNotifier(new TTestMenuCreator(&LLog));
  EXPECT_EQ(LIDE.ProjectManagerMenus(LProject.Get(), {u"ProjectContainer"}, true)->Count(), 0);
  EXPECT_EQ(LIDE.ProjectManagerMenus(LProject.Get(), {u"FileContainer"})->Count(), 0);
  TIntfPtr<IInterfaceList> LMenus = LIDE.ProjectManagerMenus(LProject.Get(), {u"FileContainer", u"ProjectContainer"});
  ASSERT_EQ(LMenus->Count(), 1);
  TIntfPtr<IOTAProjectManagerMenu> LMenu;
  ASSERT_TRUE(Supports(LMenus->Get(0), LMenu));
  LIDE.ExecuteProjectManagerMenu(LMenu.Get(), {LProject.Get()});
  EXPECT_EQ(LLog, std::vector<std::string>{"Execute App.dproj"});
  LManager->RemoveMenuItemCreatorNotifier(LIndex);
  EXPECT_EQ(LIDE.MenuCreatorCount(), 0);
}
