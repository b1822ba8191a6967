#include "addin/Config.h"

#include <iterator>

#include "platform/FileSystem.h"
#include "platform/IniFiles.h"
#include "projfile/ProjFileIO.h"

namespace Vorlane {

namespace {

const char16_t* const cSection = u"Settings";
const char16_t* const cPlatformHandling = u"PlatformHandling";

struct TSettingKey {
  const char16_t* Name;
  bool TVorlaneSettingsRec::*Field;
  bool OnlyWhileOn;  // written only while on, else removed from the file
};

#define VORLANE_SETTING_KEY(Name) TSettingKey{u## #Name, &TVorlaneSettingsRec::Name, false}

// Every key, in the order a save writes them; CleanLineFeeds, which a save writes only while
// it is on, comes last.
const TSettingKey cKeys[] = {
    VORLANE_SETTING_KEY(AutoLibSuffix),          VORLANE_SETTING_KEY(ClearChildAppSettings),
    VORLANE_SETTING_KEY(ClearChildPackageSettings), VORLANE_SETTING_KEY(ClearChildVersionInfo),
    VORLANE_SETTING_KEY(NormalizeDproj),         VORLANE_SETTING_KEY(SplitDproj),
    VORLANE_SETTING_KEY(EnableMissingPlatforms), VORLANE_SETTING_KEY(RemoveUnusedPlatforms),
    VORLANE_SETTING_KEY(RefreshFormType),        VORLANE_SETTING_KEY(RemoveExcludedPackages),
    VORLANE_SETTING_KEY(RemoveDeployment),       VORLANE_SETTING_KEY(RemoveUWP),
    VORLANE_SETTING_KEY(RemoveExplicits),
    TSettingKey{u"CleanLineFeeds", &TVorlaneSettingsRec::CleanLineFeeds, true},
};
static_assert(std::size(cKeys) == sizeof(TVorlaneSettingsRec));

#undef VORLANE_SETTING_KEY

}  // namespace

UnicodeString SettingsFileName(const UnicodeString& AOwnerName) { return ChangeFileExt(AOwnerName, u".vorlan"); }

// ---------------------------------------------------------------------------------------------
// TVorlaneSettingsRec

void TVorlaneSettingsRec::Clear() { *this = TVorlaneSettingsRec(); }

void TVorlaneSettingsRec::Merge(const TVorlaneSettingsRec& ASettings) {
  for (const TSettingKey& Key : cKeys) this->*Key.Field = this->*Key.Field || ASettings.*Key.Field;
}

// An empty owner name (no project group, no active project) would make a bare ".vorlan" in
// whatever the current folder happens to be; such a level has no file at all.
void TVorlaneSettingsRec::LoadFromFile(const UnicodeString& AFileName) {
  if (AFileName.empty()) return;
  const TMemIniFile Ini(SettingsFileName(AFileName));
  if (Ini.ValueExists(cSection, cPlatformHandling)) {
    // The single choice of older versions; a key of its own below overrides it.
    const UnicodeString Handling = Ini.ReadString(cSection, cPlatformHandling, UnicodeString());
    if (Handling == u"AddMissing")
      EnableMissingPlatforms = true;
    else if (Handling == u"RemoveUnused")
      RemoveUnusedPlatforms = true;
  }
  for (const TSettingKey& Key : cKeys) this->*Key.Field = Ini.ReadBool(cSection, Key.Name, this->*Key.Field);
}

void TVorlaneSettingsRec::SaveToFile(const UnicodeString& AFileName) const {
  if (AFileName.empty()) return;
  const UnicodeString FileName = SettingsFileName(AFileName);
  TMemIniFile Ini(FileName);
  Ini.DeleteKey(cSection, cPlatformHandling);
  for (const TSettingKey& Key : cKeys)
    if (Key.OnlyWhileOn && !(this->*Key.Field))
      Ini.DeleteKey(cSection, Key.Name);
    else
      Ini.WriteBool(cSection, Key.Name, this->*Key.Field);
  // A failed or interrupted save must not leave a half-written file behind.
  const TBytes Content = Ini.FileContent();
  ProjFileReplaceContent(FileName, Content.data(), static_cast<Int64>(Content.size()));
}

// ---------------------------------------------------------------------------------------------
// TAbstractSettings

TAbstractSettings::~TAbstractSettings() = default;

void TAbstractSettings::LoadFromFile(const UnicodeString& AFileName) {
  TVorlaneSettingsRec Rec;
  Rec.LoadFromFile(AFileName);
  SetSettings(Rec);
  FFileName = AFileName;
}

void TAbstractSettings::SaveToFile(const UnicodeString& AFileName) { GetSettings().SaveToFile(AFileName); }

// ---------------------------------------------------------------------------------------------
// TVorlaneSettings

TVorlaneSettings::TVorlaneSettings(const UnicodeString& AFileName) { LoadFromFile(AFileName); }

void TVorlaneSettings::Prepare() {
  if (FOnPrepare) FOnPrepare(this);
}

// ---------------------------------------------------------------------------------------------
// TVorlaneConfig

TVorlaneConfig::TVorlaneConfig() : FSettings(FSettingsDefault) {}

void TVorlaneConfig::MergeSettings(const TVorlaneSettingsRec& ASettings) {
  TVorlaneSettingsRec Rec = GetSettings();
  Rec.Merge(ASettings);
  SetSettings(Rec);
}

void TVorlaneConfig::MergeSettings(const UnicodeString& AFileName) {
  TVorlaneSettingsRec Rec;
  Rec.LoadFromFile(AFileName);
  MergeSettings(Rec);
}

void TVorlaneConfig::RenameProject(const UnicodeString& OldName, const UnicodeString& NewName) {
  const UnicodeString OldFile = SettingsFileName(OldName);
  const UnicodeString NewFile = SettingsFileName(NewName);
  if (!OldName.empty() && !NewName.empty() && OldFile != NewFile && FileExists(OldFile)) {
    // One replacing move rather than delete-then-move: the file beside the new name is either
    // the old one or the moved one, and where names ignore case (App -> APP) the target may be
    // the very file that is to be moved. Names that share one settings file (App.dproj
    // saved as App.dpk) have nothing to move.
    const bool Moved = FileExists(NewFile) ? MoveFileOver(OldFile, NewFile) : RenameFile(OldFile, NewFile);
    if (!Moved) throw EInOutError(Format(u"Cannot move file \"%s\" to \"%s\"", {OldFile, NewFile}));
  }
  if (AnsiSameText(FFileName, OldName)) FFileName = NewName;
}

}  // namespace Vorlane
