#include <gtest/gtest.h>

#include <cstring>

#include "addin/Config.h"
#include "common/TestSupport.h"
#include "platform/FileSystem.h"

using namespace Vorlane;
using TestSupport::ReadBytes;
using TestSupport::TScratchFolder;
using TestSupport::WriteBytes;
namespace fs = std::filesystem;

namespace {

// A record written as its fourteen fields in declaration order, '1' for True.
TVorlaneSettingsRec Rec(const std::string& AFlags) {
  bool Fields[sizeof(TVorlaneSettingsRec)] = {};
  for (size_t I = 0; I < AFlags.size(); ++I) Fields[I] = AFlags[I] == '1';
  TVorlaneSettingsRec R;
  std::memcpy(&R, Fields, sizeof R);
  return R;
}

std::string Flags(const TVorlaneSettingsRec& R) {
  bool Fields[sizeof R];
  std::memcpy(Fields, &R, sizeof R);
  std::string S;
  for (bool F : Fields) S += F ? '1' : '0';
  return S;
}

std::string CrLf(const std::string& AText) {
  std::string R;
  for (char C : AText) R += C == '\n' ? std::string("\r\n") : std::string(1, C);
  return R;
}

UnicodeString U(const fs::path& APath) { return UTF8ToUnicode(APath.string()); }

// The thirteen keys a save always writes, in their order, with the given values.
std::string Keys(const std::string& AValues) {
  static const char* const Names[] = {"AutoLibSuffix", "ClearChildAppSettings", "ClearChildPackageSettings",
                                      "ClearChildVersionInfo", "NormalizeDproj", "SplitDproj",
                                      "EnableMissingPlatforms", "RemoveUnusedPlatforms", "RefreshFormType",
                                      "RemoveExcludedPackages", "RemoveDeployment", "RemoveUWP", "RemoveExplicits"};
  std::string S;
  for (size_t I = 0; I < AValues.size(); ++I)
    if (AValues[I] != '-') S += std::string(Names[I]) + "=" + AValues[I] + "\n";
  return S;
}

void ResetGlobals() {
  TAbstractSettings::FSettingsDefault = TVorlaneSettingsRec();
  TAbstractSettings::FIsKelvaryInstalled = TAbstractSettings::FIsBrisendalInstalled = false;
}

}  // namespace

// Loading reads a file into a record whose fields are the defaults; saving writes a record and
// the result reads back as that record. Flags are the fields in declaration order.
TEST(VorlaneSettingsRecTest, LoadAndSaveSettingsFiles) {
  struct TCase {
    const char* Name;
    const char* File;  // the settings file before; nullptr: none
    bool Save;         // else load
    const char* Start;
    std::string Expected;  // load: the flags; save: the file afterwards
  };
  const std::string AllOff = "[Settings]\n" + Keys("0000000000000");
  const TCase Cases[] = {
      {"missing file", nullptr, false, "10000000000001", "10000000000001"},
      {"legacy add", "[Settings]\nPlatformHandling=AddMissing\n", false, "", "00000010000000"},
      {"legacy remove", "[Settings]\nPlatformHandling = RemoveUnused \n", false, "", "00000001000000"},
      {"legacy overridden", "[Settings]\nPlatformHandling=AddMissing\nEnableMissingPlatforms=0\n", false, "",
       "00000000000000"},
      {"legacy other case", "[Settings]\nPlatformHandling=addmissing\n", false, "", "00000000000000"},
      {"no integer keeps the field", "[Settings]\nAutoLibSuffix=yes\nRemoveExplicits=\n", false,
       "10000000000001", "10000000000001"},
      {"non-zero is true", "[Settings]\nAutoLibSuffix=2\nRemoveUWP=-1\nNormalizeDproj=0\n", false,
       "00001000000000", "10000000000010"},
      {"names ignore case", "[SETTINGS]\ncleanlinefeeds=1\n[Other]\nRemoveDeployment=1\n", false, "",
       "00000000010000"},
      {"new file", nullptr, true, "00000000000000", AllOff},
      {"line-break cleaning written only when on", nullptr, true, "10000000010001",
       "[Settings]\n" + Keys("1000000000001") + "CleanLineFeeds=1\n"},
      {"legacy and line-break keys removed, foreign kept in place",
       "; mine\n[Tools]\nEditor=vi\n\n[Settings]\nCleanLineFeeds=1\nRemoveUWP=1\nPlatformHandling=AddMissing\n"
       "Colour=blue\n\n[Zz]\nA=1\n",
       true, "00000000000000",
       "; mine\n[Tools]\nEditor=vi\n\n[Settings]\nRemoveUWP=0\nColour=blue\n" + Keys("00000000000-0") +
           "\n[Zz]\nA=1\n"},
      {"section added after the others", "[Tools]\nEditor=vi\n", true, "00000000000000",
       "[Tools]\nEditor=vi\n\n" + AllOff},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TScratchFolder Dir("vorlane-config");
    const fs::path Owner = Dir / "App.dproj";
    if (C.File) WriteBytes(Dir / "App.vorlan", CrLf(C.File));
    TVorlaneSettingsRec R = Rec(C.Start);
    if (!C.Save) {
      R.LoadFromFile(U(Owner));
      EXPECT_EQ(C.Expected, Flags(R));
      EXPECT_EQ(C.File != nullptr, fs::exists(Dir / "App.vorlan"));
      continue;
    }
    R.SaveToFile(U(Owner));
    EXPECT_EQ(CrLf(C.Expected), ReadBytes(Dir / "App.vorlan"));
    TVorlaneSettingsRec Back;
    Back.LoadFromFile(U(Owner));
    EXPECT_EQ(C.Start, Flags(Back));
    EXPECT_FALSE(fs::exists(Owner));
  }
}

// The three levels: the global record shared by every instance, configurations starting as a
// copy of it, OR-merging, the installed add-ins masking two switches, and an empty owner name.
TEST(VorlaneConfigTest, Levels) {
  ResetGlobals();
  TScratchFolder Dir("vorlane-config");
  TVorlaneConfig Early;
  EXPECT_EQ("00000000000000", Flags(Early.Settings()));

  WriteBytes(Dir / "Vorlane.vorlan", "[Settings]\r\nNormalizeDproj=1\r\nSplitDproj=1\r\n");
  TVorlaneSettings Global(U(Dir / "Vorlane.ini"));
  EXPECT_EQ(U(Dir / "Vorlane.ini"), Global.FileName());
  TVorlaneSettings* Sender = nullptr;
  Global.SetOnPrepare([&](TVorlaneSettings* ASender) {
    Sender = ASender;
    TAbstractSettings::FIsKelvaryInstalled = TAbstractSettings::FIsBrisendalInstalled = true;
  });
  Global.Prepare();
  EXPECT_EQ(&Global, Sender);

  TVorlaneConfig Config;
  EXPECT_EQ("00001100000000", Flags(Config.Settings()));
  EXPECT_FALSE(Config.NormalizeDproj());
  EXPECT_FALSE(Config.SplitDproj());
  Config.MergeSettings(Rec("10000000000000"));
  WriteBytes(Dir / "Group.vorlan", "[Settings]\r\nRemoveUWP=1\r\nNormalizeDproj=0\r\n");
  Config.MergeSettings(U(Dir / "Group.groupproj"));
  EXPECT_EQ("10001100000010", Flags(Config.Settings()));
  EXPECT_EQ(u"", Config.FileName());
  Config.SaveToFile(U(Dir / "App.dproj"));
  EXPECT_NE(std::string::npos, ReadBytes(Dir / "App.vorlan").find("NormalizeDproj=1\r\nSplitDproj=1\r\n"));
  EXPECT_FALSE(fs::exists(Dir / "Vorlane.ini"));

  Config.LoadFromFile(U(Dir / "None.dproj"));
  EXPECT_EQ("00000000000000", Flags(Config.Settings()));
  EXPECT_EQ(U(Dir / "None.dproj"), Config.FileName());

  // No group or no active project: no bare ".vorlan" is read or written anywhere.
  const UnicodeString OldDir = GetCurrentDir();
  ASSERT_TRUE(SetCurrentDir(U(Dir.Path())));
  WriteBytes(Dir / ".vorlan", "[Settings]\r\nAutoLibSuffix=1\r\n");
  Config.LoadFromFile(u"");
  Config.MergeSettings(u"");
  EXPECT_EQ("00000000000000", Flags(Config.Settings()));
  Config.SetSettings(Rec("11111111111111"));
  Config.SaveToFile();
  SetCurrentDir(OldDir);
  EXPECT_EQ("[Settings]\r\nAutoLibSuffix=1\r\n", ReadBytes(Dir / ".vorlan"));
  ResetGlobals();
}

// A project's settings file follows the project to its new name.
TEST(VorlaneConfigTest, RenameProjectMovesTheSettingsFile) {
  struct TCase {
    const char* Name;
    const char* NewName;
    bool OldFile, NewFile;  // settings files before
    const char* Owner;      // FileName before
    const char* Target;     // what the new name's settings file holds afterwards ("" none)
    const char* OwnerAfter;
  };
  const TCase Cases[] = {
      {"moved, another owner", "Lib.dproj", true, false, "Other.dproj", "old", "Other.dproj"},
      {"replaces the file beside the new name", "Lib.dproj", true, true, "APP.DPROJ", "old", "Lib.dproj"},
      {"nothing to move, owner follows", "Lib.dproj", false, true, "App.dproj", "new", "Lib.dproj"},
      {"one settings file for both names", "App.dpk", true, false, "App.dproj", "old", "App.dpk"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TScratchFolder Dir("vorlane-config");
    const fs::path NewSettings = Dir / (fs::path(C.NewName).stem().string() + ".vorlan");
    if (C.OldFile) WriteBytes(Dir / "App.vorlan", "old");
    if (C.NewFile) WriteBytes(NewSettings, "new");
    TVorlaneConfig Config;
    Config.SetFileName(U(Dir / C.Owner));
    Config.RenameProject(U(Dir / "App.dproj"), U(Dir / C.NewName));
    EXPECT_EQ(C.Target, ReadBytes(NewSettings));
    EXPECT_EQ(U(Dir / C.OwnerAfter), Config.FileName());
    if (NewSettings.filename() != "App.vorlan") {
      EXPECT_FALSE(fs::exists(Dir / "App.vorlan"));
    }
  }
}
