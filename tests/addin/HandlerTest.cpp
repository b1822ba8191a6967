// The add-in's event handler through the simulated IDE, on copies of real projects and small
// hand-made ones in scratch folders: settings levels and their merge, the project and form
// events against the engine steps run by hand, library suffixes in files and editor buffers,
// line breaks of open buffers, and the clearing of child build configurations.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "addin/Handler.h"
#include "common/TestSupport.h"
#include "platform/FileSystem.h"
#include "projfile/DpkFile.h"
#include "projfile/DprojFile.h"
#include "projfile/NormalizerDprojFile.h"
#include "projfile/SplitterDprojFile.h"
#include "simide/SimIDE.h"
#include "simide/SimModules.h"

using namespace Vorlane;
using namespace TestSupport;
using R = TVorlaneSettingsRec;
using TFlag = bool R::*;

namespace {

UnicodeString U(const fs::path& APath) { return UTF8ToUnicode(APath.string()); }

R Rec(std::initializer_list<TFlag> AFlags) {
  R LRec;
  for (TFlag F : AFlags) LRec.*F = true;
  return LRec;
}

std::string Bits(const R& ARec) {
  bool LFields[sizeof(R)];
  std::memcpy(LFields, &ARec, sizeof LFields);
  std::string S;
  for (bool F : LFields) S += F ? '1' : '0';
  return S;
}

const char* const cOSInfo = "dproj/DelphiWorlds__Kastri__Demos_OSInfo_OSInfoDemo.dproj";
const char* const cStyled = "EtheaDev__StyledComponents__packages_D10_1_StyledComponents";
const char* const cUser =
    "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">\r\n"
    "    <PropertyGroup Condition=\"'$(Base_Win32)'!=''\">\r\n"
    "        <Debugger_Launcher>mine</Debugger_Launcher>\r\n    </PropertyGroup>\r\n</Project>\r\n";

// Build configurations Base > Cfg_1 > Cfg_2, each with a platform configuration per platform,
// every one holding the application (A), package (P) and version-information (V) keys. The
// two automatic-version switches are set ("false", "true") in one configuration only, so that
// the others inherit them.
const std::vector<std::vector<const char*>> cKeyGroups = {
    {"OutputExt", "Icon_MainIcon", "Icns_MainIcns", "Manifest_File"},
    {"DllPrefixDefined", "DllPrefix", "DllVersion", "DllSuffix", "DCC_Description", "DCC_OutputNeverBuildDcps"},
    {"VerInfo_IncludeVerInfo", "VerInfo_MajorVer", "VerInfo_MinorVer", "VerInfo_Release", "VerInfo_Build",
     "VerInfo_Locale", "VerInfo_Keys"}};

std::string TreeProject(const std::string& AAppType, const std::vector<std::string>& APlatforms,
                        const std::string& AAutoIncIn = "") {
  std::string S = "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">\r\n  <PropertyGroup>"
                  "<AppType>" + AAppType + "</AppType></PropertyGroup>\r\n";
  for (const char* LConfig : {"Base", "Cfg_1", "Cfg_2"}) {
    std::vector<std::string> LKeys{LConfig};
    for (const std::string& P : APlatforms) LKeys.push_back(LConfig + ("_" + P));
    for (const std::string& K : LKeys) {
      S += "  <PropertyGroup Condition=\"'$(" + K + ")'!=''\">";
      for (const auto& LGroup : cKeyGroups)
        for (std::string N : LGroup) S += "<" + N + ">x</" + N + ">";
      if (K == AAutoIncIn) S += "<VerInfo_AutoGenVersion>false</VerInfo_AutoGenVersion><VerInfo_AutoIncVersion>true</VerInfo_AutoIncVersion>";
      S += "</PropertyGroup>\r\n";
    }
  }
  S += "  <ItemGroup><BuildConfiguration Include=\"Base\"><Key>Base</Key></BuildConfiguration>"
       "<BuildConfiguration Include=\"Debug\"><Key>Cfg_1</Key><CfgParent>Base</CfgParent></BuildConfiguration>"
       "<BuildConfiguration Include=\"Sub\"><Key>Cfg_2</Key><CfgParent>Cfg_1</CfgParent></BuildConfiguration>"
       "</ItemGroup>\r\n  <ProjectExtensions><BorlandProject><Platforms>";
  for (const std::string& P : APlatforms) S += "<Platform value=\"" + P + "\">True</Platform>";
  return S + "</Platforms></BorlandProject></ProjectExtensions>\r\n</Project>\r\n";
}

// Which key groups each configuration still holds: "APV" for all, "-" for a missing group.
std::string KeysLeft(IOTAProject* AProject) {
  std::string S;
  for (const auto& LConfig : dynamic_cast<TSimProject*>(AProject)->Options().All()) {
    S += S.empty() ? "" : " ";
    for (size_t G = 0; G < cKeyGroups.size(); ++G) {
      size_t LHeld = 0;
      for (const char* N : cKeyGroups[G]) LHeld += LConfig->HasKey(UTF8ToUnicode(N));
      S += LHeld == cKeyGroups[G].size() ? "APV"[G] : LHeld == 0 ? '-' : '?';
    }
  }
  return S;
}

struct THandler : TVorlaneHandler {
  using TVorlaneHandler::TVorlaneHandler;
  using TVorlaneHandler::AdjustLibSuffix;
  using TVorlaneHandler::AdjustLibSuffixDPK;
  using TVorlaneHandler::CreateMergedSettings;
  using TVorlaneHandler::ReadEditorText;
};

// Process-wide settings state starts clean in every test and is left clean.
struct TCleanGlobals {
  TCleanGlobals() { Reset(); }
  ~TCleanGlobals() { Reset(); }
  static void Reset() {
    TAbstractSettings::FSettingsDefault = R();
    TAbstractSettings::FIsKelvaryInstalled = TAbstractSettings::FIsBrisendalInstalled = false;
    TSplitterDProjFile::FUserNodes = {u"Debugger_Launcher"};
  }
};

class Handler : public ::testing::Test {
 protected:
  Handler() {
    Global.SetOnPrepare([this](TVorlaneSettings*) {
      TAbstractSettings::FIsKelvaryInstalled = Container->IsPackageInstalled(u"Kelvary");
      TAbstractSettings::FIsBrisendalInstalled = Container->IsPackageInstalled(u"Brisendal");
    });
  }
  UnicodeString P(const std::string& AName) const { return U(Dir / AName); }
  std::string Get(const std::string& AName) const { return ReadBytes(Dir / AName); }
  void Put(const std::string& AName, const std::string& AData) const { WriteBytes(Dir / AName, AData); }
  std::unique_ptr<TVorlaneConfig> Config(const R& ARec) const {
    auto LConfig = std::make_unique<TVorlaneConfig>();
    LConfig->SetSettings(ARec);
    return LConfig;
  }
  TSimEditor* Editor(const std::string& AName) const {
    return dynamic_cast<TSimModule*>(IDE.FindModule(P(AName)).Get())->FindEditor(P(AName));
  }

  TCleanGlobals Clean;
  TScratchFolder Dir;
  TSimIDE IDE{U(Dir / "ide")};
  TVorlaneSettings Global{U(Dir / "ide" / "Vorlane.ini")};
  TIntfPtr<IServiceContainer> Container = CreateServiceContainer();
  THandler H{Container.Get(), &Global};
};

}  // namespace

TEST_F(Handler, LevelsFollowTheActiveProjectAndMerge) {
  Put("All.groupproj", "<Project><ItemGroup><Projects Include=\"A.dproj\"/><Projects Include=\"B.dproj\"/>"
                       "</ItemGroup></Project>");
  Put("A.dproj", TreeProject("Application", {"Win32"}));
  Put("B.dproj", TreeProject("Package", {"Win32"}));
  Global.SetSettings(Rec({&R::AutoLibSuffix}));
  Rec({&R::ClearChildVersionInfo, &R::CleanLineFeeds}).SaveToFile(P("All.groupproj"));
  Rec({&R::NormalizeDproj, &R::CleanLineFeeds}).SaveToFile(P("A.dproj"));
  Rec({&R::SplitDproj}).SaveToFile(P("B.dproj"));
  IDE.OpenProjectGroup(P("All.groupproj"));
  H.Initialize();

  EXPECT_EQ(H.LibSuffix(), u"210");
  EXPECT_EQ(H.ProjectName(), P("A.dproj"));
  EXPECT_EQ(H.ProjectGroupName(), P("All.groupproj"));
  EXPECT_FALSE(H.IsPackage());
  EXPECT_EQ(Bits(H.GroupSettings()), Bits(Rec({&R::ClearChildVersionInfo}))) << "cleaning stays global";
  EXPECT_EQ(Bits(H.Settings()), Bits(Rec({&R::NormalizeDproj})));
  Rec({&R::RemoveUWP}).SaveToFile(P("A.dproj"));
  const R LAll = Rec({&R::AutoLibSuffix, &R::ClearChildVersionInfo, &R::NormalizeDproj});
  EXPECT_EQ(Bits(H.CreateMergedSettings(P("A.dproj"))->Settings()), Bits(LAll)) << "active project from memory";
  EXPECT_EQ(Bits(H.CreateMergedSettings(P("B.dproj"))->Settings()),
            Bits(Rec({&R::AutoLibSuffix, &R::ClearChildVersionInfo, &R::SplitDproj})))
      << "another project from its file, with the group level";
  IDE.AddPackage(u"Kelvary");
  EXPECT_FALSE(H.CreateMergedSettings(P("A.dproj"))->NormalizeDproj());

  IDE.SetActiveProject(InterfaceCast<IOTAProject>(IDE.FindModule(P("B.dproj"))).Get());
  H.HandleProjectChange(P("B.dproj"));
  EXPECT_TRUE(H.IsPackage());
  EXPECT_EQ(Bits(H.Settings()), Bits(Rec({&R::SplitDproj})));
  H.RenameProject(P("B.dproj"), P("C.dproj"));
  EXPECT_EQ(H.VorlaneConfig()->FileName(), P("C.dproj"));
  EXPECT_TRUE(FileExists(P("C.vorlan")) && !FileExists(P("B.vorlan")));
}

TEST_F(Handler, ConfigChangedSavesLevelsAndClearsEveryProjectOfTheGroupOrTheActiveOne) {
  for (bool LGroup : {true, false}) {
    Put("All.groupproj", "<Project><ItemGroup><Projects Include=\"A.dproj\"/><Projects Include=\"B.dproj\"/>"
                         "</ItemGroup></Project>");
    for (const char* N : {"A", "B"}) Put(std::string(N) + ".dproj", TreeProject("Application", {"Win32"}));
    if (LGroup) {
      IDE.OpenProjectGroup(P("All.groupproj"));
    } else {
      IDE.CloseAll();
      IDE.OpenProject(P("B.dproj"));
      IDE.OpenProject(P("A.dproj"));
    }
    H.Initialize();
    H.SetGlobalSettings(Rec({&R::RemoveUWP}));
    H.SetGroupSettings(Rec({&R::ClearChildVersionInfo}));
    H.SetSettings(Rec({&R::ClearChildAppSettings}));
    H.ConfigChanged();
    R LSaved;
    LSaved.LoadFromFile(U(Dir / "ide" / "Vorlane.ini"));
    EXPECT_EQ(Bits(LSaved), Bits(Rec({&R::RemoveUWP})));
    LSaved.LoadFromFile(P("A.dproj"));
    EXPECT_EQ(Bits(LSaved), Bits(Rec({&R::ClearChildAppSettings})));
    auto A = InterfaceCast<IOTAProject>(IDE.FindModule(P("A.dproj")));
    auto B = InterfaceCast<IOTAProject>(IDE.FindModule(P("B.dproj")));
    EXPECT_EQ(KeysLeft(A.Get()), "APV APV APV -P- -P- -P-");
    EXPECT_EQ(KeysLeft(B.Get()), LGroup ? "APV AP- AP- AP- AP- AP-" : "APV APV APV APV APV APV") << LGroup;
    std::filesystem::remove(Dir / "A.vorlan");
  }
}

TEST_F(Handler, ChildConfigurationsLoseTheChosenKeys) {
  struct TCase {
    const char* Name;
    const char* AppType;
    std::vector<std::string> Platforms;
    R Settings;
    const char* AutoIncIn;
    const char* Left;  // Base, Base_<p>..., Cfg_1, Cfg_1_<p>..., Cfg_2, Cfg_2_<p>...
    const char16_t* RootSuffix;
  } const LCases[] = {
      {"application keys", "Application", {"Win32"}, Rec({&R::ClearChildAppSettings, &R::ClearChildVersionInfo}), "",
       "APV APV APV -P- -P- -P-", u"x"},
      {"version info on Windows only", "Application", {"Win32", "Win64"}, Rec({&R::ClearChildVersionInfo}), "",
       "APV AP- AP- AP- AP- AP- AP- AP- AP-", u"x"},
      {"version info with Android", "Application", {"Win32", "Android"}, Rec({&R::ClearChildVersionInfo}), "",
       "APV APV APV APV AP- AP- AP- AP- AP-", u"x"},
      {"win32 in other case", "Application", {"win32"}, Rec({&R::ClearChildVersionInfo}), "",
       "APV APV APV AP- AP- AP-", u"x"},
      {"auto-increment set and inherited", "Application", {"Win32"}, Rec({&R::ClearChildVersionInfo}), "Cfg_1",
       "APV AP- APV APV APV APV", u"x"},
      {"package keys", "Package", {"Win32"}, Rec({&R::ClearChildPackageSettings, &R::ClearChildAppSettings}), "",
       "APV A-V A-V A-V A-V A-V", u"x"},
      {"suffix, then package keys", "Package", {"Win32"}, Rec({&R::AutoLibSuffix, &R::ClearChildPackageSettings}), "",
       "APV A-V A-V A-V A-V A-V", u"210"},
      {"nothing asked", "Package", {"Win32"}, R(), "", "APV APV APV APV APV APV", u"x"},
  };
  H.Initialize();
  for (const TCase& C : LCases) {
    Put("T.dproj", TreeProject(C.AppType, C.Platforms, C.AutoIncIn));
    auto LProject = IDE.OpenProject(P("T.dproj"));
    H.CheckProjectOptions(P("T.dproj"), Config(C.Settings).get());
    EXPECT_EQ(KeysLeft(LProject.Get()), C.Left) << C.Name;
    EXPECT_EQ(dynamic_cast<TSimProject*>(LProject.Get())->Options().Find(u"Base")->GetValue(u"DllSuffix", false),
              C.RootSuffix) << C.Name;
    IDE.CloseAll();
    H.CheckProjectOptions(P("T.dproj"), Config(C.Settings).get());  // not open: left alone
    EXPECT_EQ(Get("T.dproj"), TreeProject(C.AppType, C.Platforms, C.AutoIncIn)) << C.Name;
  }
}

TEST_F(Handler, ProjectEventsRunTheEngineStepsInOrder) {
  TESTSUPPORT_SKIP_IF_ABSENT(CorpusDir() / cOSInfo, "corpus");
  // The steps by hand: letters of one project-file object (A add platforms, U remove unused,
  // F form types, E excluded packages, W UWP, D deployment) end in a silent save; N normalize;
  // S save, I import, X export, R restore user settings.
  auto Steps = [](const UnicodeString& AFile, const std::string& ASteps, const TArrayOfString& APlatforms) {
    std::unique_ptr<TDProjFile> LFile;
    for (char C : ASteps + " ") {
      if (std::strchr("AUFEWD", C)) {
        if (!LFile) LFile = std::make_unique<TDProjFile>(AFile);
        C == 'A' ? LFile->AddMissingPlatforms(APlatforms) : C == 'U' ? LFile->RemoveUnusedPlatforms()
        : C == 'F' ? LFile->RefreshFormType() : C == 'E' ? LFile->RemoveExcludedPackages()
        : C == 'W' ? LFile->RemoveUWP() : LFile->RemoveDeployment();
        continue;
      }
      if (LFile) LFile->SilentSaveToFile(), LFile.reset();
      if (C == 'N') TNormalizerDProjFile::Normalize(AFile);
      if (!std::strchr("SIXR", C)) continue;
      TSplitterDProjFile LSplit(AFile);
      C == 'S' ? LSplit.SaveUserSettings() : C == 'I' ? LSplit.ImportUserSettings()
      : C == 'X' ? LSplit.ExportUserSettings() : LSplit.RestoreUserSettings();
    }
  };
  const R LAll = Rec({&R::EnableMissingPlatforms, &R::RemoveUnusedPlatforms, &R::RefreshFormType,
                      &R::RemoveExcludedPackages, &R::RemoveUWP, &R::RemoveDeployment, &R::NormalizeDproj,
                      &R::SplitDproj});
  struct TCase {
    const char* Name;
    bool AfterSave;
    R Settings;
    bool Installed;  // the separate normalizing and splitting add-ins
    const char* Steps;
  } const LCases[] = {
      {"opening, nothing asked", false, R(), false, ""},
      {"opening, save-time edits only", false, Rec({&R::RemoveExcludedPackages, &R::RemoveDeployment, &R::NormalizeDproj}),
       false, ""},
      {"opening, form types", false, Rec({&R::RefreshFormType}), false, "F"},
      {"opening, everything", false, LAll, false, "AUF SI"},
      {"opening, split by the other add-in", false, Rec({&R::SplitDproj}), true, ""},
      {"after save, form types", true, Rec({&R::RefreshFormType}), false, ""},
      {"after save, everything", true, LAll, false, "AUEWD N XR"},
      {"after save, other add-ins loaded", true, Rec({&R::NormalizeDproj, &R::SplitDproj}), true, ""},
  };
  const TArrayOfString LPlatforms = IDE.Platforms();
  for (const TCase& C : LCases) {
    for (const char* F : {"h", "e"}) {
      std::filesystem::remove_all(Dir / F);
      Put(std::string(F) + "/App.dproj", ReadBytes(CorpusDir() / cOSInfo));
      Put(std::string(F) + "/App.dproj.user", cUser);
      // What the save before left, as the before-save step writes it.
      Put(std::string(F) + "/App.dproj.save", std::regex_replace(cUser, std::regex("mine"), "saved"));
    }
    Steps(P("e/App.dproj"), C.Steps, LPlatforms);
    TAbstractSettings::FIsKelvaryInstalled = TAbstractSettings::FIsBrisendalInstalled = C.Installed;
    auto LConfig = Config(C.Settings);
    C.AfterSave ? H.CheckProjectAfterSave(P("h/App.dproj"), LConfig.get())
                : H.CheckProjectOpening(P("h/App.dproj"), LConfig.get());
    for (const char* N : {"/App.dproj", "/App.dproj.user", "/App.dproj.save"})
      EXPECT_EQ(Get(std::string("h") + N), Get(std::string("e") + N)) << C.Name << N;
  }
  H.CheckProjectOpening(P("new.dproj"), Config(LAll).get());
  EXPECT_FALSE(FileExists(P("new.dproj"))) << "a project file that is not there is not made";
}

TEST_F(Handler, UserSettingsSurviveASaveAndAPackageGetsTheSuffixWhenOpened) {
  TESTSUPPORT_SKIP_IF_ABSENT(CorpusDir() / "dpk" / (std::string(cStyled) + ".dpk"), "corpus");
  Put("Pkg.dproj", ReadBytes(CorpusDir() / "dproj" / (std::string(cStyled) + ".dproj")));
  auto LProject = IDE.OpenProject(P("Pkg.dproj"), false);
  const std::string LBefore = Get("Pkg.dproj");
  H.CheckProjectBeforeSave(P("Pkg.dproj"), Config(Rec({&R::SplitDproj})).get());
  EXPECT_TRUE(FileExists(P("Pkg.dproj.save")));
  H.CheckProjectOpened(P("Pkg.dproj"), Config(Rec({&R::SplitDproj, &R::AutoLibSuffix})).get());
  EXPECT_FALSE(FileExists(P("Pkg.dproj.save")));
  EXPECT_EQ(Get("Pkg.dproj"), LBefore);
  H.Initialize();
  H.CheckProjectOpened(P("Pkg.dproj"), Config(Rec({&R::AutoLibSuffix})).get());
  EXPECT_EQ(dynamic_cast<TSimProject*>(LProject.Get())->Options().Find(u"Base")->GetValue(u"DllSuffix", false), u"210");
}

TEST_F(Handler, LibSuffixGoesToTheRootAndTheOpenPackageSource) {
  // Every package of the corpus with its source: adjusted in the buffer, the file stays.
  size_t LPackages = 0;
  H.Initialize();
  for (const auto& LEntry : fs::directory_iterator(CorpusDir() / "dpk")) {
    const fs::path LDproj = CorpusDir() / "dproj" / LEntry.path().filename().replace_extension(".dproj");
    if (!fs::exists(LDproj)) continue;
    fs::remove_all(Dir / "p");
    Put("p/Pkg.dproj", ReadBytes(LDproj));
    Put("p/Pkg.dpk", ReadBytes(LEntry.path()));
    auto LProject = IDE.OpenProject(P("p/Pkg.dproj"));
    const UnicodeString LSuffix = dynamic_cast<TSimProject*>(LProject.Get())->Options().Find(u"Base")->GetValue(u"DllSuffix", false);
    TStringList LExpected;
    LExpected.SetText(UTF8ToUnicode(ReadBytes(LEntry.path())));
    TDpkFile::AdjustLibSuffixDpk(LExpected, u"210");
    const std::string LOld = ReadBytes(LEntry.path());
    LExpected.SetTrailingLineBreak(!LOld.empty() && (LOld.back() == '\n' || LOld.back() == '\r'));
    H.AdjustLibSuffix(P("p/Pkg.dproj"));
    const bool LChanged = H.IsPackage() && !SameText(LSuffix, u"210");
    LPackages += LChanged;
    EXPECT_EQ(IDE.EditorText(LProject.Get(), P("p/Pkg.dpk")),
              LChanged ? UnicodeToUTF8(LExpected.Text()) : ReadBytes(LEntry.path())) << LEntry.path();
    EXPECT_EQ(Get("p/Pkg.dpk"), ReadBytes(LEntry.path())) << LEntry.path();
    IDE.CloseAll();
  }
  EXPECT_GT(LPackages, 3u);

  // Closed or not a package: nothing. Open without an editor: the root only. Not open: the file.
  Put("App.dproj", TreeProject("Application", {"Win32"}));
  Put("Pkg.dproj", TreeProject("Package", {"Win32"}));
  Put("Pkg.dpk", "package Pkg;\r\n\r\nend.\r\n");
  Put("Other.dpk", "package Other;\r\n\r\nend.\r\n");
  H.AdjustLibSuffix(P("Pkg.dproj"));
  auto LApp = IDE.OpenProject(P("App.dproj"));
  H.AdjustLibSuffix(P("App.dproj"));
  EXPECT_EQ(dynamic_cast<TSimProject*>(LApp.Get())->Options().Find(u"Base")->GetValue(u"DllSuffix", false), u"x");
  auto LPkg = IDE.OpenProject(P("Pkg.dproj"), false);
  H.AdjustLibSuffix(P("Pkg.dproj"));
  EXPECT_EQ(dynamic_cast<TSimProject*>(LPkg.Get())->Options().Find(u"Base")->GetValue(u"DllSuffix", false), u"210");
  EXPECT_EQ(Get("Pkg.dpk"), "package Pkg;\r\n\r\nend.\r\n");
  H.AdjustLibSuffixDPK(P("Other.dpk"), u"210");
  TStringList LOther;
  LOther.SetText(u"package Other;\r\n\r\nend.\r\n");
  TDpkFile::AdjustLibSuffixDpk(LOther, u"210");
  EXPECT_EQ(Get("Other.dpk"), UnicodeToUTF8(LOther.Text())) << "written on disk";

  // The same suffix in other letters changes nothing.
  IDE.CloseAll();
  IDE.Packages() = {{u"rtl", u"/ide/rtlAb.bpl"}};
  THandler LHandler(CreateServiceContainer().Get(), &Global);
  LHandler.Initialize();
  LPkg = IDE.OpenProject(P("Pkg.dproj"));
  IDE.EditOption(LPkg.Get(), u"Base", u"DllSuffix", u"aB");
  LHandler.AdjustLibSuffix(P("Pkg.dproj"));
  EXPECT_EQ(LHandler.LibSuffix(), u"Ab");
  EXPECT_EQ(dynamic_cast<TSimProject*>(LPkg.Get())->Options().Find(u"Base")->GetValue(u"DllSuffix", false), u"aB");
  EXPECT_FALSE(Editor("Pkg.dpk")->IsModified());
}

TEST_F(Handler, OpenBuffersGetCrLfAndKeepTheirLastLineBreak) {
  struct TCase {
    const char* Name;
    std::string Text;
    bool Open;
    std::string Buffer;  // "" when the buffer must not be written
    std::string File;
  } const LCases[] = {
      {"two lines with LF", "a\n\xC3\xA9\n", true, "a\r\n\xC3\xA9\r\n", "a\n\xC3\xA9\n"},
      {"all CR LF", "a\r\nb\r\n", true, "", "a\r\nb\r\n"},
      {"no final break", "a\r\nb", true, "", "a\r\nb"},
      {"no final break, LF", "a\nb", true, "a\r\nb", "a\nb"},
      {"CR and empty lines", "a\rb\n\n", true, "a\r\nb\r\n\r\n", "a\rb\n\n"},
      {"empty", "", true, "", ""},
      {"not open", "a\nb\n", false, "", "a\r\nb\r\n"},
  };
  for (const TCase& C : LCases) {
    Put("U.pas", C.Text);
    if (C.Open) IDE.OpenFile(P("U.pas"));
    H.CleanLineFeeds(P("U.pas"));
    if (C.Open) {
      EXPECT_EQ(Editor("U.pas")->IsModified(), !C.Buffer.empty()) << C.Name;
      EXPECT_EQ(Editor("U.pas")->Content(), C.Buffer.empty() ? C.Text : C.Buffer) << C.Name;
    }
    EXPECT_EQ(Get("U.pas"), C.File) << C.Name;
    IDE.CloseAll();
  }
  // A project's source whose module has no editor for it is cleaned on disk.
  Put("P.dproj", TreeProject("Application", {"Win32"}));
  Put("P.dpr", "program P;\nend.\n");
  IDE.OpenProject(P("P.dproj"), false);
  H.CleanLineFeeds(P("P.dpr"));
  EXPECT_EQ(Get("P.dpr"), "program P;\r\nend.\r\n");
}

TEST_F(Handler, EditorTextIsReadInChunksOf1024Bytes) {
  struct TBuffer : TNotifierObject, virtual IOTAEditBuffer, virtual IOTAEditReader {
    std::string Text;
    int Reads = 0;
    UnicodeString GetFileName() override { return u"x.pas"; }
    TIntfPtr<IOTAModule> GetModule() override { return nullptr; }
    TIntfPtr<IOTAEditReader> CreateReader() override { return TIntfPtr<IOTAEditReader>(this); }
    TIntfPtr<IOTAEditWriter> CreateUndoableWriter() override { return nullptr; }
    bool GetIsReadOnly() override { return false; }
    Integer GetText(Integer APos, char* ABuffer, Integer ACount) override {
      ++Reads;
      const size_t N = std::min(static_cast<size_t>(ACount), Text.size() - static_cast<size_t>(APos));
      std::memcpy(ABuffer, Text.data() + APos, N);
      return static_cast<Integer>(N);
    }
  };
  const std::string LEuro = "\xE2\x82\xAC";  // three bytes, so chunks split characters
  for (auto [LText, LReads] : std::vector<std::pair<std::string, int>>{
           {"", 1}, {std::string(1023, 'a'), 1}, {std::string(1024, 'a'), 2}, {"a" + [&] {
              std::string S;
              for (int I = 0; I < 700; ++I) S += LEuro;
              return S;
            }(), 3}}) {
    TIntfPtr<TBuffer> LBuffer(new TBuffer);
    LBuffer->Text = LText;
    UnicodeString LRead;
    Integer LSize = -1;
    H.ReadEditorText(LBuffer.Get(), LRead, LSize);
    EXPECT_EQ(LSize, static_cast<Integer>(LText.size()));
    EXPECT_EQ(LRead, UTF8ToUnicode(LText));
    EXPECT_EQ(LBuffer->Reads, LReads) << LText.size();
  }
}

TEST_F(Handler, SavedFormsLoseExplicitBoundsOnlyWhenAsked) {
  const std::string LForm = "object Form1: TForm1\r\n  Left = 0\r\n  ExplicitLeft = 8\r\n  object B: TButton\r\n"
                            "    ExplicitWidth = 75\r\n    Top = 8\r\n  end\r\nend\r\n";
  for (bool LAsked : {false, true}) {
    Put("F.dfm", LForm);
    H.CheckFormAfterSave(P("F.dfm"), Config(LAsked ? Rec({&R::RemoveExplicits}) : R()).get());
    EXPECT_EQ(Get("F.dfm"), LAsked ? "object Form1: TForm1\r\n  Left = 0\r\n  object B: TButton\r\n    Top = 8\r\n"
                                     "  end\r\nend\r\n"
                                   : LForm);
  }
}
