// One working session with the plug-in, the way a person uses it: the simulated IDE loads
// the built plug-in with the system's loader, the user turns the add-in's options on, opens a
// group of projects, edits and saves, opens a form and a package source, uses the settings
// dialog from the Project menu and from the Project Manager, renames a project, and the IDE
// unloads the plug-in. Files and the IDE's state are checked after each step, and each step
// prints a line with the files it changed. The session runs on the repository's own sample
// files and, when the shared corpus is there, once more on real projects.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>

#include "addin/Config.h"
#include "addin/Consts.h"
#include "common/TestSupport.h"
#include "ide/Forms.h"
#include "ide/IdeTestSupport.h"
#include "platform/VersionInfo.h"
#include "projfile/NormalizerDprojFile.h"
#include "simide/SimIDE.h"
#include "simide/SimModules.h"

using namespace Vorlane;
using namespace TestSupport;
using IdeTest::U16;

namespace {

// A control of the plug-in's forms, found by the names of its owners and its own.
template <class T = TComponent>
T* Part(TComponent& ARoot, std::initializer_list<const char16_t*> APath) {
  TComponent* LComponent = &ARoot;
  for (const char16_t* LName : APath) {
    LComponent = LComponent ? LComponent->FindComponent(LName) : nullptr;
    EXPECT_TRUE(LComponent) << UnicodeToUTF8(LName);
  }
  return dynamic_cast<T*>(LComponent);
}

// Ticks the named boxes of a settings page; each must end up checked.
void Tick(TComponent& APage, std::initializer_list<const char16_t*> ABoxes) {
  for (const char16_t* LName : ABoxes) {
    TCheckBox* LBox = Part<TCheckBox>(APage, {LName});
    ASSERT_TRUE(LBox);
    LBox->SimulateClick();
    EXPECT_EQ(LBox->State(), cbChecked) << UnicodeToUTF8(LName);
  }
}

TVorlaneSettingsRec Stored(const fs::path& AOwner) {
  TVorlaneSettingsRec LRec;
  LRec.LoadFromFile(U16(AOwner));
  return LRec;
}

bool Has(const std::string& AText, const std::string& APart) { return AText.find(APart) != std::string::npos; }

// The text with CR LF after every line.
std::string Crlf(const std::string& AText) {
  std::string LResult;
  for (size_t I = 0; I < AText.size(); ++I)
    if (AText[I] == '\n' && (I == 0 || AText[I - 1] != '\r'))
      LResult += "\r\n";
    else
      LResult += AText[I];
  return LResult;
}

// Prints one line per step of the session with the files below the folder that the step
// created, changed or removed.
class TWatch {
 public:
  explicit TWatch(fs::path AFolder) : FFolder(std::move(AFolder)), FLast(Files()) {}
  void Step(const std::string& AWhat) {
    std::map<std::string, std::string> LNow = Files();
    std::string LChanged;
    for (const auto& [LName, LBytes] : LNow)
      if (!FLast.count(LName) || FLast[LName] != LBytes)
        LChanged += ", " + LName + (FLast.count(LName) ? "" : " (new)");
    for (const auto& LEntry : FLast)
      if (!LNow.count(LEntry.first)) LChanged += ", " + LEntry.first + " (removed)";
    std::cout << "[session] " << AWhat << ": "
              << (LChanged.empty() ? "no file changed" : "changed " + LChanged.substr(2)) << std::endl;
    FLast = std::move(LNow);
  }

 private:
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> LFiles;
    for (const auto& LEntry : fs::recursive_directory_iterator(FFolder))
      if (LEntry.is_regular_file())
        LFiles[fs::relative(LEntry.path(), FFolder).generic_string()] = ReadBytes(LEntry.path());
    return LFiles;
  }

  fs::path FFolder;
  std::map<std::string, std::string> FLast;
};

// Where the files of a session come from: an application that lists a platform it does not
// use (Unused names one of that platform's configurations), another application, a package
// with its source, a package source with LF line breaks and a text form with Explicit lines.
struct TSessionFiles {
  fs::path App, Tool, Pkg, PkgSource, Lib, Form;
  std::string Unused;
};

const std::string cRunParamsGroup = "<PropertyGroup Condition=\"'$(Cfg_1)'!=''\">";
std::string RunParams(const std::string& AValue) { return "<Debugger_RunParams>" + AValue + "</Debugger_RunParams>"; }

}  // namespace

#ifdef VORLANE_PLUGIN_FILE
static void RunSession(const TSessionFiles& AFiles) {
  TScratchFolder Dir;
  const fs::path W = Dir / "work";
  const auto Copy = [&](const fs::path& ASource, const std::string& AName) {
    fs::create_directories(W);
    fs::copy_file(ASource, W / AName);
    fs::permissions(W / AName, fs::perms::owner_write, fs::perm_options::add);
  };
  Copy(AFiles.App, "App.dproj");
  ASSERT_TRUE(Has(ReadBytes(W / "App.dproj"), AFiles.Unused));
  // The project holds the shared value of a per-user setting, the person's own file another.
  std::string LAppText = ReadBytes(W / "App.dproj");
  ASSERT_NE(LAppText.find(cRunParamsGroup), std::string::npos);
  WriteBytes(W / "App.dproj",
             LAppText.insert(LAppText.find(cRunParamsGroup) + cRunParamsGroup.size(), RunParams("shared")));
  Dir.Touch("work/App.dproj.user", "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">" +
                                       cRunParamsGroup + RunParams("mine") + "</PropertyGroup></Project>");
  Copy(AFiles.Tool, "Tool.dproj");
  Copy(AFiles.Pkg, "Pkg.dproj");
  Copy(AFiles.PkgSource, "Pkg.dpk");
  Copy(AFiles.Lib, "Lib.dpk");
  Copy(AFiles.Form, "Main.dfm");
  Dir.Touch("work/Main.pas", "unit Main;\ninterface\nimplementation\n{$R *.dfm}\nend.\n");
  Dir.Touch("work/Group.groupproj",
            "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\"><ItemGroup>"
            "<Projects Include=\"App.dproj\"/><Projects Include=\"Tool.dproj\"/><Projects Include=\"Pkg.dproj\"/>"
            "</ItemGroup></Project>");
  Dir.Touch("help/Vorlane.chm");
  Dir.Touch("config/vorlane/help", (Dir / "help/Vorlane.chm").string() + "\n");
#ifndef _WIN32
  // The help file is found in the user's configuration; no viewer may start on this machine.
  ::setenv("XDG_CONFIG_HOME", (Dir / "config").c_str(), 1);
  ::setenv("XDG_CONFIG_DIRS", (Dir / "none").c_str(), 1);
  ::unsetenv("DISPLAY");
  ::unsetenv("WAYLAND_DISPLAY");
#endif

  TSimIDE IDE(U16(Dir / "ide"));
  TWatch Watch(Dir.Path());
  const Integer LDataModules = Screen().DataModuleCount();
  std::function<void(TCustomForm&)> Answer;
  Integer LShown = 0;
  IDE.SetModalHandler([&](TCustomForm& AForm) {
    ++LShown;
    Answer(AForm);
  });

  // --- Loading: splash, about box, options page, notifier, menus and images ---------------
  IDE.LoadPlugin(U16(VORLANE_PLUGIN_FILE));
  Cardinal LMS = 0, LLS = 0;
  ASSERT_TRUE(GetProductVersionInfo(U16(VORLANE_PLUGIN_FILE), LMS, LLS)) << "the plug-in carries its version";
  const UnicodeString LTitle = u"Vorlane " + Format(u"V%d.%d.%d", {Integer(LMS >> 16), Integer(LMS & 0xFFFF), Integer(LLS >> 16)});
  ASSERT_EQ(IDE.SplashEntries().size(), 1u);
  EXPECT_EQ(IDE.SplashEntries()[0].Caption, LTitle);
  ASSERT_EQ(IDE.AboutEntries().size(), 1u);
  EXPECT_EQ(IDE.AboutEntries()[0].Title, LTitle);
  EXPECT_EQ(IDE.AboutEntries()[0].Description.rfind(UnicodeString(SDescription) + u"\r\n\r\n", 0), 0u);
  EXPECT_NE(IDE.AboutEntries()[0].Image, IDE.SplashEntries()[0].Bitmap);
  EXPECT_EQ(IDE.IDENotifierCount() + IDE.MenuCreatorCount() + IDE.OptionsPageCount(), 3);
  TMenuItem* LOptionsItem = IDE.MainMenu().Find(u"ProjectOptionsItem");
  TMenuItem* LItem = LOptionsItem->Parent()->Items(LOptionsItem->MenuIndex() - 1);
  EXPECT_EQ(LItem->Caption(), u"Vorlane");
  ASSERT_TRUE(LItem->Action());
  EXPECT_EQ(LItem->Action()->Name(), u"actVorlane");
  TMenuItem* LHelpItem = IDE.MainMenu().Find(u"VorlaneHelpItem");
#ifndef _WIN32
  ASSERT_TRUE(LHelpItem) << "the help file is installed";
#endif
  if (LHelpItem) {
    EXPECT_EQ(LHelpItem->Parent()->Name(), u"HelpThirdPartyMenuItem");
  }
  ASSERT_EQ(IDE.ImageRegistrations().size(), 2u);
  EXPECT_EQ(IDE.ImageRegistrations()[0].Count, 1);
  Watch.Step("loaded the plug-in");
  EXPECT_EQ(LItem->ImageIndex(), IDE.ImageRegistrations()[0].FirstIndex) << "the add-in's icon in the IDE's list";
  LItem->Click();
  EXPECT_EQ(LShown, 0) << "no project: the command is disabled";
  EXPECT_FALSE(LItem->Enabled());
  if (LHelpItem) LHelpItem->Click();
  EXPECT_TRUE(IDE.HelpCalls().empty()) << "the help file goes to the shell";

  // --- Tools > Options: the global level, OK and Cancel --------------------------------------
  const fs::path LGlobal = Dir / "ide" / "Vorlane.ini";
  ASSERT_TRUE(IDE.ShowOptionsDialog(u"Vorlane", [&](TCustomFrame& AFrame) {
    Tick(AFrame, {u"chkNormalizeDproj", u"chkSplitDproj", u"chkRemoveUnusedPlatforms", u"chkRemoveDeployment",
                  u"chkCleanLineFeeds", u"chkAutoLibSuffix", u"chkRemoveExplicits"});
    return true;
  }));
  TVorlaneSettingsRec LExpected;
  for (bool TVorlaneSettingsRec::*F :
       {&TVorlaneSettingsRec::NormalizeDproj, &TVorlaneSettingsRec::SplitDproj, &TVorlaneSettingsRec::RemoveUnusedPlatforms,
        &TVorlaneSettingsRec::RemoveDeployment, &TVorlaneSettingsRec::CleanLineFeeds,
        &TVorlaneSettingsRec::AutoLibSuffix, &TVorlaneSettingsRec::RemoveExplicits})
    LExpected.*F = true;
  const TVorlaneSettingsRec LGot = Stored(LGlobal);
  EXPECT_EQ(std::memcmp(&LGot, &LExpected, sizeof LExpected), 0);
  Watch.Step("Tools > Options: turned seven switches on, OK");
  const std::string LGlobalBytes = ReadBytes(Dir / "ide" / "Vorlane.vorlan");
  EXPECT_FALSE(IDE.ShowOptionsDialog(u"Vorlane", [&](TCustomFrame& AFrame) {
    Tick(AFrame, {u"chkRemoveUWP"});
    return false;
  }));
  EXPECT_EQ(ReadBytes(Dir / "ide" / "Vorlane.vorlan"), LGlobalBytes) << "Cancel writes nothing";
  Watch.Step("Tools > Options: one more switch, Cancel");

  // --- Opening the group: platforms at opening, suffix and line breaks of the package source --
  IDE.OpenProjectGroup(U16(W / "Group.groupproj"));
  ASSERT_EQ(IDE.ModuleCount(), 4);
  Watch.Step("opened group Group.groupproj: 3 projects");
  const auto Project = [&](const char* AName) { return InterfaceCast<IOTAProject>(IDE.FindModule(U16(W / AName))); };
  TIntfPtr<IOTAProject> App = Project("App.dproj"), Tool = Project("Tool.dproj"), Pkg = Project("Pkg.dproj");
  for (const auto& P : {App, Tool, Pkg}) EXPECT_EQ(IDE.ModuleNotifierCount(P.Get()), 1);
  EXPECT_EQ(IDE.ActiveProject(), App);
  EXPECT_FALSE(Has(ReadBytes(W / "App.dproj"), AFiles.Unused)) << "unused platforms gone before reading";
  EXPECT_FALSE(fs::exists(W / "App.dproj.save"));
  const std::string LPkgSource = IDE.EditorText(Pkg.Get(), U16(W / "Pkg.dpk"));
  EXPECT_TRUE(Has(LPkgSource, "{$LIBSUFFIX '210'}")) << LPkgSource;
  EXPECT_EQ(ReadBytes(W / "Pkg.dpk").find("210"), std::string::npos) << "only the open buffer changes";

  // --- The active project changes; an option edited, the project saved, closed and opened: the
  // person's own value is what the IDE works with, the project file keeps the shared one -----
  IDE.SetActiveProject(Tool.Get());
  const auto OwnValueKept = [&](const char* AStep) {
    TSimBuildConfiguration* LDebug = dynamic_cast<TSimProject*>(App.Get())->Options().Find(u"Cfg_1");
    EXPECT_EQ(LDebug->GetValue(u"Debugger_RunParams", false), u"mine") << AStep;
    const std::string LApp = ReadBytes(W / "App.dproj");
    EXPECT_TRUE(Has(LApp, RunParams("shared")) && !Has(LApp, RunParams("mine"))) << AStep;
  };
  OwnValueKept("opened");
  IDE.EditOption(App.Get(), u"Base", u"DCC_Hints", u"false");
  IDE.SaveModule(App.Get());
  Watch.Step("edited an option of App.dproj and saved it");
  OwnValueKept("saved");
  const std::string LApp = ReadBytes(W / "App.dproj");
  EXPECT_TRUE(Has(LApp, "<DCC_Hints>false</DCC_Hints>"));
  EXPECT_FALSE(Has(LApp, "<Deployment"));
  EXPECT_TRUE(Has(ReadBytes(W / "App.dproj.user"), RunParams("mine")))
      << "the person's settings in a file of their own";
  EXPECT_FALSE(fs::exists(W / "App.dproj.save"));
  WriteBytes(Dir / "again.dproj", LApp);
  TNormalizerDProjFile::Normalize(U16(Dir / "again.dproj"));
  EXPECT_EQ(ReadBytes(Dir / "again.dproj"), LApp) << "saved in canonical form";
  // A backup left beside the project by an interrupted rewrite: the add-in's save refuses
  // through the error the IDE shows, and the backup stays.
  WriteBytes(W / "App.dproj.vorlane-backup", "left");
  EXPECT_THROW(IDE.SaveModule(App.Get()), std::exception);
  EXPECT_EQ(ReadBytes(W / "App.dproj.vorlane-backup"), "left");
  fs::remove(W / "App.dproj.vorlane-backup");
  fs::remove(Dir / "again.dproj");
  IDE.CloseModule(App.Get());
  App = IDE.OpenProject(U16(W / "App.dproj"));
  Watch.Step("closed App.dproj and opened it again");
  OwnValueKept("opened again");
  IDE.SetActiveProject(Tool.Get());

  // --- A form and a package source opened ----------------------------------------------------
  TIntfPtr<IOTAModule> LUnit = IDE.OpenFile(U16(W / "Main.pas"));
  EXPECT_EQ(ReadBytes(W / "Main.pas"), "unit Main;\r\ninterface\r\nimplementation\r\n{$R *.dfm}\r\nend.\r\n");
  EXPECT_EQ(IDE.ModuleNotifierCount(LUnit.Get()), 1) << "the form's notifier";
  Watch.Step("opened Main.pas with its form");
  IDE.SaveModule(LUnit.Get());
  const std::string LForm = ReadBytes(W / "Main.dfm");
  EXPECT_TRUE(Has(LForm, "object Form1: TForm1"));
  EXPECT_FALSE(Has(LForm, "Explicit"));
  Watch.Step("saved Main.pas");
  const std::string LLib = ReadBytes(W / "Lib.dpk");
  IDE.CloseModule(IDE.OpenFile(U16(W / "Lib.dpk")).Get());
  EXPECT_EQ(ReadBytes(W / "Lib.dpk"), Crlf(LLib));
  Watch.Step("opened and closed Lib.dpk");

  // --- The settings dialog from the Project menu: OK, then Cancel on the same dialog ---------
  TCustomForm* LDialog = nullptr;
  Answer = [&](TCustomForm& AForm) {
    LDialog = &AForm;
    EXPECT_EQ(AForm.Caption(), u"Vorlane");
    EXPECT_EQ(Part<TLabel>(AForm, {u"FrSettings", u"FrProjectSettings", u"lblFileName"})->Caption(), U16(W / "Tool.dproj"));
    Tick(*Part(AForm, {u"FrSettings", u"FrProjectSettings"}), {u"chkRemoveExcludedPackages"});
    AForm.PressKey(vkReturn);
  };
  LItem->Click();
  EXPECT_EQ(LShown, 1);
  EXPECT_TRUE(Stored(W / "Tool.dproj").RemoveExcludedPackages);
  EXPECT_TRUE(Stored(LGlobal).NormalizeDproj);
  Watch.Step("Project > Vorlane for Tool.dproj: one switch on, OK");
  const std::string LToolSettings = ReadBytes(W / "Tool.vorlan");
  Answer = [&](TCustomForm& AForm) {
    EXPECT_EQ(&AForm, LDialog) << "the dialog is kept";
    Tick(*Part(AForm, {u"FrSettings", u"FrProjectSettings"}), {u"chkRemoveUWP"});
    AForm.PressKey(vkEscape);
  };
  LItem->Click();
  EXPECT_EQ(LShown, 2);
  EXPECT_EQ(ReadBytes(W / "Tool.vorlan"), LToolSettings);
  Watch.Step("Project > Vorlane again: one more switch, Escape");

  // --- Renaming: the settings follow, the project is saved and closed under its new name ----
  IDE.SaveModuleAs(Tool.Get(), U16(W / "Renamed.dproj"));
  EXPECT_FALSE(fs::exists(W / "Tool.vorlan"));
  EXPECT_TRUE(Stored(W / "Renamed.dproj").RemoveExcludedPackages);
  EXPECT_FALSE(Has(ReadBytes(W / "Renamed.dproj"), "<Deployment")) << "saved under its new name";
  Watch.Step("saved Tool.dproj as Renamed.dproj");
  const Integer LRegistrations = IDE.RegistrationCount();
  IDE.CloseModule(Tool.Get());
  EXPECT_EQ(IDE.RegistrationCount(), LRegistrations - 1);

  // --- The Project Manager's entry for the package: its dialog, then the old active project --
  IDE.SetActiveProject(App.Get());
  TIntfPtr<IOTAProject> LActive = IDE.ActiveProject();
  TIntfPtr<IInterfaceList> LMenus = IDE.ProjectManagerMenus(Pkg.Get(), {u"ProjectContainer"});
  ASSERT_EQ(LMenus->Count(), 1);
  Answer = [&](TCustomForm& AForm) {
    EXPECT_EQ(Part<TLabel>(AForm, {u"FrSettings", u"FrProjectSettings", u"lblFileName"})->Caption(), U16(W / "Pkg.dproj"));
    Tick(*Part(AForm, {u"FrSettings", u"FrProjectSettings"}), {u"chkPackageSettings"});
    Part<TButton>(AForm, {u"btnOK"})->SimulateClick();
  };
  IDE.ExecuteProjectManagerMenu(InterfaceCast<IOTAProjectManagerMenu>(LMenus->Get(0)).Get(), {Pkg.Get()});
  EXPECT_EQ(LShown, 3);
  EXPECT_TRUE(Stored(W / "Pkg.dproj").ClearChildPackageSettings);
  EXPECT_EQ(IDE.ActiveProject(), LActive);
  LMenus = nullptr;
  Watch.Step("Project Manager > Vorlane for Pkg.dproj: one switch on, OK");

  // --- Unloading with a form and projects still open: nothing of the plug-in stays -----------
  EXPECT_EQ(IDE.UnloadPlugin(), 0);
  EXPECT_EQ(IDE.RegistrationCount(), 0);
  EXPECT_FALSE(IDE.MainMenu().Find(u"VorlaneHelpItem"));
  EXPECT_EQ(LOptionsItem->Parent()->Count(), 2);
  EXPECT_EQ(Screen().DataModuleCount(), LDataModules);
  IDE.SaveModule(LUnit.Get());
  IDE.CloseAll();
  Watch.Step("unloaded the plug-in, saved Main.pas, closed everything");
#ifndef _WIN32
  ::unsetenv("XDG_CONFIG_HOME");
  ::unsetenv("XDG_CONFIG_DIRS");
#endif
}
#endif

// On the repository's own files: the sample project, hand-made projects and a package.
TEST(PluginSession, APersonWorksWithTheAddIn) {
#ifndef VORLANE_PLUGIN_FILE
  GTEST_SKIP() << "the plug-in is not part of this build";
#else
  const fs::path LData = fs::path(VORLANE_TEST_DATA);
  RunSession({fs::path(VORLANE_SOURCE_DIR) / "examples/SampleApp/SampleApp.dproj", LData / "projfile/sections.dproj",
              LData / "projfile/package.dproj", LData / "addin/Pkg.dpk", LData / "addin/Pkg.dpk",
              LData / "addin/Main.dfm", "$(Base_Linux64)"});
#endif
}

// On real projects of the shared corpus.
TEST(PluginSession, APersonWorksWithTheAddInOnRealProjects) {
#ifndef VORLANE_PLUGIN_FILE
  GTEST_SKIP() << "the plug-in is not part of this build";
#else
  TESTSUPPORT_SKIP_IF_ABSENT(CorpusDir() / "dproj", "project corpus");
  RunSession(
      {CorpusDir() / "dproj/grijjy__MvvmStarterKit__UnitTests_GrijjyMvvmTests.dproj",
       CorpusDir() / "dproj/danieleteti__loggerpro__samples_130_simple_console_appender_SimpleConsole_appender.dproj",
       CorpusDir() / "dproj/paolo-rossi__delphi-jose-jwt__Packages_10.4Sydney_JOSE.dproj",
       CorpusDir() / "dpk/paolo-rossi__delphi-jose-jwt__Packages_10.4Sydney_JOSE.dpk",
       CorpusDir() / "dpk/paolo-rossi__delphi-jose-jwt__Packages_10.3Rio_JOSE.dpk",
       CorpusDir() / "dfm-text/DelphiWorlds__Playground__Demos_RunProcess_Unit1.dfm", "$(Base_Android)"});
#endif
}
