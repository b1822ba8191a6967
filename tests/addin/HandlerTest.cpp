// The add-in's event handler through the simulated IDE, on copies of real projects and small
// hand-made ones: settings levels, project and form events against the engine steps run by
// hand, library suffixes, line breaks of open buffers, clearing of child configurations.
#include <gtest/gtest.h>

#include <cstring>

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

namespace {

UnicodeString U(const fs::path& APath) { return UTF8ToUnicode(APath.string()); }

// A settings record as one letter per set field, in field order.
const char cLetters[] = "ackvnsmufledwx";
TVorlaneSettingsRec Rec(const std::string& AFlags) {
  TVorlaneSettingsRec LRec;
  for (char C : AFlags) reinterpret_cast<bool*>(&LRec)[std::strchr(cLetters, C) - cLetters] = true;
  return LRec;
}
std::string Flags(const TVorlaneSettingsRec& ARec) {
  std::string S;
  for (int I = 0; I < 14; ++I) S += reinterpret_cast<const bool*>(&ARec)[I] ? std::string(1, cLetters[I]) : "";
  return S;
}

const char* const cOSInfo = "dproj/DelphiWorlds__Kastri__Demos_OSInfo_OSInfoDemo.dproj";
const std::string cUser = "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\"><PropertyGroup "
                          "Condition=\"'$(Base_Win32)'!=''\"><Debugger_Launcher>mine</Debugger_Launcher>"
                          "</PropertyGroup></Project>";

// Configurations Base > Cfg_1 > Cfg_2, each with a platform configuration per platform, all
// holding the application (A), package (P) and version-information (V) keys; the automatic
// version switches are set in AAutoIncIn only, so that its descendants inherit them.
const std::vector<std::vector<std::string>> cKeyGroups = {
    {"OutputExt", "Icon_MainIcon", "Icns_MainIcns", "Manifest_File"},
    {"DllPrefixDefined", "DllPrefix", "DllVersion", "DllSuffix", "DCC_Description", "DCC_OutputNeverBuildDcps"},
    {"VerInfo_IncludeVerInfo", "VerInfo_MajorVer", "VerInfo_MinorVer", "VerInfo_Release", "VerInfo_Build",
     "VerInfo_Locale", "VerInfo_Keys"}};

std::string TreeProject(const std::string& AAppType, const std::vector<std::string>& APlatforms = {"Win32"},
                        const std::string& AAutoIncIn = "") {
  std::string S = "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\"><PropertyGroup><AppType>" +
                  AAppType + "</AppType></PropertyGroup>\r\n";
  for (std::string C : {"Base", "Cfg_1", "Cfg_2"})
    for (size_t I = 0; I <= APlatforms.size(); ++I) {
      const std::string K = I == 0 ? C : C + "_" + APlatforms[I - 1];
      S += "<PropertyGroup Condition=\"'$(" + K + ")'!=''\">";
      for (const auto& LGroup : cKeyGroups)
        for (const std::string& N : LGroup) S += "<" + N + ">x</" + N + ">";
      if (K == AAutoIncIn) S += "<VerInfo_AutoGenVersion>0</VerInfo_AutoGenVersion><VerInfo_AutoIncVersion>true"
                                "</VerInfo_AutoIncVersion>";
      S += "</PropertyGroup>\r\n";
    }
  S += "<ItemGroup><BuildConfiguration Include=\"Base\"><Key>Base</Key></BuildConfiguration><BuildConfiguration "
       "Include=\"Debug\"><Key>Cfg_1</Key><CfgParent>Base</CfgParent></BuildConfiguration><BuildConfiguration "
       "Include=\"Sub\"><Key>Cfg_2</Key><CfgParent>Cfg_1</CfgParent></BuildConfiguration></ItemGroup>\r\n"
       "<ProjectExtensions><BorlandProject><Platforms>";
  for (const std::string& P : APlatforms) S += "<Platform value=\"" + P + "\">True</Platform>";
  return S + "</Platforms></BorlandProject></ProjectExtensions></Project>\r\n";
}

TSimProject* Sim(const TIntfPtr<IOTAModule>& AProject) { return dynamic_cast<TSimProject*>(AProject.Get()); }
UnicodeString RootSuffix(const TIntfPtr<IOTAModule>& AProject) {
  return Sim(AProject)->Options().Find(u"Base")->GetValue(u"DllSuffix", false);
}

// The key groups each configuration still holds, in the project's order ("APV" all, "-" for
// a group that is gone, "?" for one partly gone), then the root's DllSuffix.
std::string KeysLeft(const TIntfPtr<IOTAModule>& AProject) {
  std::string S;
  for (const auto& LConfig : Sim(AProject)->Options().All())
    for (size_t G = 0; G <= cKeyGroups.size(); ++G) {
      size_t LHeld = 0;
      for (const std::string& N : G < cKeyGroups.size() ? cKeyGroups[G] : std::vector<std::string>())
        LHeld += LConfig->HasKey(UTF8ToUnicode(N));
      S += G == cKeyGroups.size() ? ' ' : LHeld == cKeyGroups[G].size() ? "APV"[G] : LHeld == 0 ? '-' : '?';
    }
  return S + UnicodeToUTF8(RootSuffix(AProject));
}

struct THandler : TVorlaneHandler {
  using TVorlaneHandler::TVorlaneHandler;
  using TVorlaneHandler::AdjustLibSuffix;
  using TVorlaneHandler::AdjustLibSuffixDPK;
  using TVorlaneHandler::CreateMergedSettings;
};

// The process-wide settings state starts clean in every test and is left clean.
struct TCleanGlobals {
  TCleanGlobals() { Reset(); }
  ~TCleanGlobals() { Reset(); }
  static void Reset() {
    TAbstractSettings::FSettingsDefault = TVorlaneSettingsRec();
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
  std::unique_ptr<TVorlaneConfig> Config(const std::string& AFlags) const {
    auto LConfig = std::make_unique<TVorlaneConfig>();
    LConfig->SetSettings(Rec(AFlags));
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

TEST_F(Handler, LevelsFollowTheActiveProjectMergeAndAreSavedWhenChanged) {
  Put("All.groupproj", "<Project><ItemGroup><Projects Include=\"A.dproj\"/><Projects Include=\"B.dproj\"/>"
                       "</ItemGroup></Project>");
  Put("A.dproj", TreeProject("Application"));
  Put("B.dproj", TreeProject("Package"));
  Global.SetSettings(Rec("a"));
  for (auto [LOwner, LFlags] : {std::pair{"All.groupproj", "vl"}, {"A.dproj", "nl"}, {"B.dproj", "s"}})
    Rec(LFlags).SaveToFile(P(LOwner));
  auto LGroup = IDE.OpenProjectGroup(P("All.groupproj"));
  H.Initialize();
  EXPECT_EQ(H.LibSuffix() + H.ProjectName() + H.ProjectGroupName(), u"210" + P("A.dproj") + P("All.groupproj"));
  EXPECT_EQ(Flags(H.GroupSettings()) + "|" + Flags(H.Settings()), "v|n") << "line-break cleaning stays global";
  Rec("w").SaveToFile(P("A.dproj"));
  EXPECT_EQ(Flags(H.CreateMergedSettings(P("A.dproj"))->Settings()), "avn") << "the active project from memory";
  EXPECT_EQ(Flags(H.CreateMergedSettings(P("B.dproj"))->Settings()), "avs") << "another one from its file";
  IDE.AddPackage(u"Kelvary");
  EXPECT_FALSE(H.CreateMergedSettings(P("A.dproj"))->NormalizeDproj());

  // Accepted settings are saved; the group's projects lose the child keys the merge asks for.
  H.SetGlobalSettings(Rec("w"));
  H.SetSettings(Rec("c"));
  H.ConfigChanged();
  TVorlaneSettingsRec LGlobal, LProject;
  LGlobal.LoadFromFile(U(Dir / "ide" / "Vorlane.ini"));
  LProject.LoadFromFile(P("A.dproj"));
  EXPECT_EQ(Flags(LGlobal) + "|" + Flags(LProject), "w|c");
  EXPECT_EQ(KeysLeft(LGroup->GetProject(0)), "APV APV APV -P- -P- -P- x");
  EXPECT_EQ(KeysLeft(LGroup->GetProject(1)), "APV AP- AP- AP- AP- AP- x");

  IDE.SetActiveProject(LGroup->GetProject(1).Get());
  H.HandleProjectChange(P("B.dproj"));
  EXPECT_TRUE(H.IsPackage());
  EXPECT_EQ(Flags(H.Settings()), "s");
  H.RenameProject(P("B.dproj"), P("C.dproj"));
  EXPECT_EQ(H.VorlaneConfig()->FileName(), P("C.dproj"));
  EXPECT_TRUE(FileExists(P("C.vorlan")) && !FileExists(P("B.vorlan")));

  // Without a group only the active project is cleared.
  IDE.CloseAll();
  auto LB = IDE.OpenProject(P("B.dproj"));
  auto LA = IDE.OpenProject(P("A.dproj"));
  H.Initialize();
  H.SetGroupSettings(Rec("vk"));
  H.ConfigChanged();
  EXPECT_EQ(KeysLeft(LA) + "|" + KeysLeft(LB), "APV APV APV -P- -P- -P- x|APV APV APV APV APV APV x");
}

TEST_F(Handler, ChildConfigurationsLoseTheChosenKeys) {
  struct TCase {
    const char* AppType;
    std::vector<std::string> Platforms;
    const char* Flags;
    const char* AutoIncIn;
    const char* Left;  // Base, Base_<platform>..., Cfg_1, Cfg_1_<platform>..., Cfg_2, ..., root DllSuffix
  } const LCases[] = {
      {"Application", {"Win32"}, "cv", "", "APV APV APV -P- -P- -P- x"},
      {"Application", {"Win32", "Win64"}, "v", "", "APV AP- AP- AP- AP- AP- AP- AP- AP- x"},
      {"Application", {"Win32", "Android"}, "v", "", "APV APV APV APV AP- AP- AP- AP- AP- x"},
      {"Application", {"win32"}, "v", "", "APV APV APV AP- AP- AP- x"},
      {"Application", {"Win32"}, "v", "Cfg_1", "APV AP- APV APV APV APV x"},
      {"Package", {"Win32"}, "ck", "", "APV A-V A-V A-V A-V A-V x"},
      {"Package", {"Win32"}, "ak", "", "APV A-V A-V A-V A-V A-V 210"},
      {"Package", {"Win32"}, "", "", "APV APV APV APV APV APV x"},
  };
  H.Initialize();
  for (const TCase& C : LCases) {
    Put("T.dproj", TreeProject(C.AppType, C.Platforms, C.AutoIncIn));
    auto LProject = IDE.OpenProject(P("T.dproj"));
    H.CheckProjectOptions(P("T.dproj"), Config(C.Flags).get());
    EXPECT_EQ(KeysLeft(LProject), C.Left) << C.AppType << " " << C.Flags << " " << C.Platforms.back();
    IDE.CloseAll();
    H.CheckProjectOptions(P("T.dproj"), Config(C.Flags).get());  // not open: nothing to do
  }
}

TEST_F(Handler, ProjectEventsRunTheEngineStepsInOrder) {
  TESTSUPPORT_SKIP_IF_ABSENT(CorpusDir() / cOSInfo, "corpus");
  // The expected steps by hand: letters of one project-file object (A add platforms, U remove
  // unused, F form types, E excluded packages, W UWP, D deployment) end in a silent save;
  // N normalizes; S saves, I imports, X exports and R restores the user settings.
  auto Run = [&](const UnicodeString& AFile, const std::string& ASteps) {
    std::unique_ptr<TDProjFile> LFile;
    for (char C : ASteps + " ") {
      if (std::strchr("AUFEWD", C)) {
        if (!LFile) LFile = std::make_unique<TDProjFile>(AFile);
        C == 'A' ? LFile->AddMissingPlatforms(IDE.Platforms()) : C == 'U' ? LFile->RemoveUnusedPlatforms()
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
  struct TCase {
    char Event;  // o opening, O opened, b before save, a after save
    const char* Flags;
    bool OthersLoaded;  // the separate normalizing and splitting add-ins
    const char* Steps;
  } const LCases[] = {
      {'o', "", false, ""},       {'o', "edn", false, ""},  {'o', "f", false, "F"}, {'o', "mufedwns", false, "AUF SI"},
      {'o', "s", true, ""},       {'O', "s", false, "R"},   {'b', "s", false, "S"}, {'b', "mufedwn", false, ""},
      {'a', "f", false, ""},      {'a', "mufedwns", false, "AUEWD N XR"},           {'a', "ns", true, ""},
  };
  for (const TCase& C : LCases) {
    for (const std::string F : {"h/", "e/"}) {
      fs::remove_all(Dir / F);
      Put(F + "App.dproj", ReadBytes(CorpusDir() / cOSInfo));
      Put(F + "App.dproj.user", cUser);
      Put(F + "App.dproj.save", std::string(cUser).replace(cUser.find("mine"), 4, "kept"));
    }
    Run(P("e/App.dproj"), C.Steps);
    TAbstractSettings::FIsKelvaryInstalled = TAbstractSettings::FIsBrisendalInstalled = C.OthersLoaded;
    const UnicodeString LFile = P("h/App.dproj");
    auto LConfig = Config(C.Flags);
    C.Event == 'o'   ? H.CheckProjectOpening(LFile, LConfig.get())
    : C.Event == 'O' ? H.CheckProjectOpened(LFile, LConfig.get())
    : C.Event == 'b' ? H.CheckProjectBeforeSave(LFile, LConfig.get())
                     : H.CheckProjectAfterSave(LFile, LConfig.get());
    for (const std::string N : {"App.dproj", "App.dproj.user", "App.dproj.save"})
      EXPECT_EQ(Get("h/" + N), Get("e/" + N)) << C.Event << C.Flags << " " << N;
  }
  H.CheckProjectOpening(P("new.dproj"), Config("mufs").get());
  EXPECT_FALSE(FileExists(P("new.dproj"))) << "a project file that is not there is not made";
}

TEST_F(Handler, LibSuffixGoesToTheRootAndThePackageSource) {
  H.Initialize();
  // Not open, or no package: nothing. Open without an editor of the source: the root only.
  // A source whose project is not open is adjusted on disk.
  const std::string LDpk = "package Pkg;\r\n\r\nend.\r\n";
  for (const char* N : {"Pkg.dpk", "Other.dpk", "Expected.dpk"}) Put(N, LDpk);
  Put("App.dproj", TreeProject("Application"));
  Put("Pkg.dproj", TreeProject("Package"));
  H.AdjustLibSuffix(P("Pkg.dproj"));
  auto LApp = IDE.OpenProject(P("App.dproj"));
  H.AdjustLibSuffix(P("App.dproj"));
  auto LPkg = IDE.OpenProject(P("Pkg.dproj"), false);
  H.AdjustLibSuffix(P("Pkg.dproj"));
  EXPECT_EQ(RootSuffix(LApp) + RootSuffix(LPkg), u"x210");
  EXPECT_EQ(Get("Pkg.dpk"), LDpk);
  H.AdjustLibSuffixDPK(P("Other.dpk"), u"210");
  TDpkFile::AdjustLibSuffixDpk(P("Expected.dpk"), u"210");
  EXPECT_EQ(Get("Other.dpk"), Get("Expected.dpk"));
  EXPECT_NE(Get("Other.dpk"), LDpk);

  // The IDE's suffix in other letters changes nothing.
  IDE.CloseAll();
  IDE.Packages() = {{u"rtl", u"/ide/rtlAb.bpl"}};
  THandler LHandler(CreateServiceContainer().Get(), &Global);
  LHandler.Initialize();
  LPkg = IDE.OpenProject(P("Pkg.dproj"));
  IDE.EditOption(LPkg.Get(), u"Base", u"DllSuffix", u"aB");
  LHandler.AdjustLibSuffix(P("Pkg.dproj"));
  EXPECT_EQ(LHandler.LibSuffix() + RootSuffix(LPkg), u"AbaB");
  EXPECT_FALSE(Editor("Pkg.dpk")->IsModified());

  // Every corpus package with its source open: the buffer changes, the file stays.
  IDE.CloseAll();
  TESTSUPPORT_SKIP_IF_ABSENT(CorpusDir() / "dpk", "package-source corpus");
  size_t LAdjusted = 0;
  for (const auto& LEntry : fs::directory_iterator(CorpusDir() / "dpk")) {
    const fs::path LDproj = CorpusDir() / "dproj" / LEntry.path().filename().replace_extension(".dproj");
    if (!fs::exists(LDproj)) continue;
    const std::string LSource = ReadBytes(LEntry.path());
    Put("p/Pkg.dproj", ReadBytes(LDproj));
    Put("p/Pkg.dpk", LSource);
    auto LProject = IDE.OpenProject(P("p/Pkg.dproj"));
    const bool LChanges = H.IsPackage() && RootSuffix(LProject) != u"210";
    TStringList LExpected;
    LExpected.SetText(UTF8ToUnicode(LSource));
    TDpkFile::AdjustLibSuffixDpk(LExpected, u"210");
    LExpected.SetTrailingLineBreak(LSource.back() == '\n' || LSource.back() == '\r');
    H.CheckProjectOpened(P("p/Pkg.dproj"), Config("a").get());
    LAdjusted += LChanges && RootSuffix(LProject) == u"210";
    EXPECT_EQ(IDE.EditorText(LProject.Get(), P("p/Pkg.dpk")), LChanges ? UnicodeToUTF8(LExpected.Text()) : LSource)
        << LEntry.path();
    EXPECT_EQ(Get("p/Pkg.dpk"), LSource);
    IDE.CloseAll();
  }
  EXPECT_GT(LAdjusted, 3u);
}

TEST_F(Handler, OpenBuffersGetCrLfAndKeepTheirLastLineBreak) {
  std::string LLong = "a";  // 2101 bytes of three-byte characters: read chunks end inside them
  for (int I = 0; I < 700; ++I) LLong += "\xE2\x82\xAC";
  const std::string L1024(1023, 'a');
  struct TCase {
    std::string Text;
    bool Open;
    std::string Buffer;  // "" when the buffer must not be written
    std::string File;
  } const LCases[] = {
      {"a\n\xC3\xA9\n", true, "a\r\n\xC3\xA9\r\n", "a\n\xC3\xA9\n"},
      {"a\r\nb\r\n", true, "", "a\r\nb\r\n"},
      {"a\r\nb", true, "", "a\r\nb"},
      {"a\nb", true, "a\r\nb", "a\nb"},
      {"a\rb\n\n", true, "a\r\nb\r\n\r\n", "a\rb\n\n"},
      {"", true, "", ""},
      {LLong + "\n" + LLong, true, LLong + "\r\n" + LLong, LLong + "\n" + LLong},
      {L1024 + "\n", true, L1024 + "\r\n", L1024 + "\n"},
      {std::string("a\0b\n", 4), true, "", std::string("a\0b\n", 4)},
      {"a\nb\n", false, "", "a\r\nb\r\n"},
  };
  for (const TCase& C : LCases) {
    Put("U.pas", C.Text);
    if (C.Open) IDE.OpenFile(P("U.pas"));
    H.CleanLineFeeds(P("U.pas"));
    const bool LWritten = C.Open && Editor("U.pas")->IsModified();
    EXPECT_EQ(C.Open ? Editor("U.pas")->Content() : "", C.Buffer.empty() ? C.Open ? C.Text : "" : C.Buffer);
    EXPECT_EQ(LWritten, !C.Buffer.empty()) << C.Text.substr(0, 9);
    EXPECT_EQ(Get("U.pas"), C.File) << C.Text.substr(0, 9);
    IDE.CloseAll();
  }
  Put("P.dproj", TreeProject("Application"));
  Put("P.dpr", "program P;\nend.\n");
  IDE.OpenProject(P("P.dproj"), false);
  H.CleanLineFeeds(P("P.dpr"));
  EXPECT_EQ(Get("P.dpr"), "program P;\r\nend.\r\n") << "open module without an editor of the file";
}

TEST_F(Handler, SavedFormsLoseExplicitBoundsOnlyWhenAsked) {
  const std::string LForm = "object F: TForm\r\n  Left = 0\r\n  ExplicitLeft = 8\r\n  object B: TButton\r\n"
                            "    ExplicitWidth = 75\r\n    Top = 8\r\n  end\r\nend\r\n";
  for (const char* LFlags : {"", "x"}) {
    Put("F.dfm", LForm);
    H.CheckFormAfterSave(P("F.dfm"), Config(LFlags).get());
    EXPECT_EQ(Get("F.dfm"), *LFlags ? "object F: TForm\r\n  Left = 0\r\n  object B: TButton\r\n    Top = 8\r\n"
                                      "  end\r\nend\r\n" : LForm);
  }
}
