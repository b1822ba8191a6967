// The add-in's settings: fourteen switches kept at a global, a project-group and a project
// level, each level in its own ini file beside its owner file (App.dproj -> App.vorlan),
// merged by OR into what an event acts on.
#pragma once

#include <functional>

#include "platform/SysUtils.h"

namespace Vorlane {

// One level's switches. The field names are the keys of the settings file.
struct TVorlaneSettingsRec {
  bool AutoLibSuffix = false;
  bool ClearChildAppSettings = false;
  bool ClearChildPackageSettings = false;
  bool ClearChildVersionInfo = false;
  bool NormalizeDproj = false;
  bool SplitDproj = false;
  bool EnableMissingPlatforms = false;
  bool RemoveUnusedPlatforms = false;
  bool RefreshFormType = false;
  bool CleanLineFeeds = false;
  bool RemoveExcludedPackages = false;
  bool RemoveDeployment = false;
  bool RemoveUWP = false;
  bool RemoveExplicits = false;

  void Clear();
  // Every field becomes its own value OR that of ASettings.
  void Merge(const TVorlaneSettingsRec& ASettings);
  // Reads the settings file of the owner AFileName; a key that is missing or holds no integer
  // leaves its field as it is. An empty owner name has no settings file: nothing is read.
  void LoadFromFile(const UnicodeString& AFileName);
  // Writes the record into the settings file of the owner AFileName, keeping what else the
  // file holds; the file is replaced in one step. An empty owner name writes nothing.
  void SaveToFile(const UnicodeString& AFileName) const;
};
static_assert(sizeof(TVorlaneSettingsRec) == 14, "fourteen one-byte switches");

// The settings file of an owner file: its name with the extension ".vorlan".
UnicodeString SettingsFileName(const UnicodeString& AOwnerName);

// One level of settings.
class TAbstractSettings {
 public:
  TAbstractSettings() = default;
  TAbstractSettings(const TAbstractSettings&) = delete;
  TAbstractSettings& operator=(const TAbstractSettings&) = delete;
  virtual ~TAbstractSettings();

  virtual TVorlaneSettingsRec GetSettings() const = 0;
  virtual void SetSettings(const TVorlaneSettingsRec& AValue) = 0;

  // The owner file of the level (project, project group or the global name), not the
  // settings file itself.
  const UnicodeString& FileName() const { return FFileName; }
  void SetFileName(const UnicodeString& AValue) { FFileName = AValue; }
  TVorlaneSettingsRec Settings() const { return GetSettings(); }

  // The level becomes what the settings file of AFileName holds (missing keys False), and
  // FileName becomes AFileName.
  void LoadFromFile(const UnicodeString& AFileName);
  void SaveToFile() { SaveToFile(FFileName); }
  // FileName stays as it is.
  void SaveToFile(const UnicodeString& AFileName);

  // Process-wide: whether the separate normalizing and splitting add-ins are loaded, and the
  // global level's record.
  static inline bool FIsKelvaryInstalled = false;
  static inline bool FIsBrisendalInstalled = false;
  static inline TVorlaneSettingsRec FSettingsDefault{};

 protected:
  UnicodeString FFileName;
};

class TVorlaneSettings;
using TSettingsNotifyEvent = std::function<void(TVorlaneSettings* ASender)>;

// The global level. Every instance shares the one global record.
class TVorlaneSettings : public TAbstractSettings {
 public:
  explicit TVorlaneSettings(const UnicodeString& AFileName);

  TVorlaneSettingsRec GetSettings() const override { return FSettingsDefault; }
  void SetSettings(const TVorlaneSettingsRec& AValue) override { FSettingsDefault = AValue; }

  const TSettingsNotifyEvent& OnPrepare() const { return FOnPrepare; }
  void SetOnPrepare(TSettingsNotifyEvent AValue) { FOnPrepare = std::move(AValue); }
  // Lets the owner bring the process-wide state up to date before the settings are used.
  void Prepare();

 private:
  TSettingsNotifyEvent FOnPrepare;
};

// A project or project-group level, or the merged settings of one event.
class TVorlaneConfig : public TAbstractSettings {
 public:
  // Starts as a copy of the global record as it is now.
  TVorlaneConfig();

  TVorlaneSettingsRec GetSettings() const override { return FSettings; }
  void SetSettings(const TVorlaneSettingsRec& AValue) override { FSettings = AValue; }

  bool AutoLibSuffix() const { return FSettings.AutoLibSuffix; }
  void SetAutoLibSuffix(bool AValue) { FSettings.AutoLibSuffix = AValue; }
  bool CleanLineFeeds() const { return FSettings.CleanLineFeeds; }
  void SetCleanLineFeeds(bool AValue) { FSettings.CleanLineFeeds = AValue; }
  bool ClearChildAppSettings() const { return FSettings.ClearChildAppSettings; }
  void SetClearChildAppSettings(bool AValue) { FSettings.ClearChildAppSettings = AValue; }
  bool ClearChildPackageSettings() const { return FSettings.ClearChildPackageSettings; }
  void SetClearChildPackageSettings(bool AValue) { FSettings.ClearChildPackageSettings = AValue; }
  bool ClearChildVersionInfo() const { return FSettings.ClearChildVersionInfo; }
  void SetClearChildVersionInfo(bool AValue) { FSettings.ClearChildVersionInfo = AValue; }
  // Off while the separate normalizing add-in is loaded; the stored choice stays.
  bool NormalizeDproj() const { return FSettings.NormalizeDproj && !FIsKelvaryInstalled; }
  void SetNormalizeDproj(bool AValue) { FSettings.NormalizeDproj = AValue; }
  // Off while the separate splitting add-in is loaded; the stored choice stays.
  bool SplitDproj() const { return FSettings.SplitDproj && !FIsBrisendalInstalled; }
  void SetSplitDproj(bool AValue) { FSettings.SplitDproj = AValue; }
  bool EnableMissingPlatforms() const { return FSettings.EnableMissingPlatforms; }
  void SetEnableMissingPlatforms(bool AValue) { FSettings.EnableMissingPlatforms = AValue; }
  bool RemoveUnusedPlatforms() const { return FSettings.RemoveUnusedPlatforms; }
  void SetRemoveUnusedPlatforms(bool AValue) { FSettings.RemoveUnusedPlatforms = AValue; }
  bool RefreshFormType() const { return FSettings.RefreshFormType; }
  void SetRefreshFormType(bool AValue) { FSettings.RefreshFormType = AValue; }
  bool RemoveExcludedPackages() const { return FSettings.RemoveExcludedPackages; }
  void SetRemoveExcludedPackages(bool AValue) { FSettings.RemoveExcludedPackages = AValue; }
  bool RemoveDeployment() const { return FSettings.RemoveDeployment; }
  void SetRemoveDeployment(bool AValue) { FSettings.RemoveDeployment = AValue; }
  bool RemoveUWP() const { return FSettings.RemoveUWP; }
  void SetRemoveUWP(bool AValue) { FSettings.RemoveUWP = AValue; }

  // The own record becomes own OR ASettings.
  void MergeSettings(const TVorlaneSettingsRec& ASettings);
  // Merges what the settings file of AFileName holds (missing keys False); FileName stays.
  void MergeSettings(const UnicodeString& AFileName);
  // Takes a project's settings file along when the project file gets a new name, replacing
  // a settings file that already stands beside the new name; FileName follows when it named
  // the old file.
  void RenameProject(const UnicodeString& OldName, const UnicodeString& NewName);

 private:
  TVorlaneSettingsRec FSettings;
};

}  // namespace Vorlane
