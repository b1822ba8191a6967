// The add-in's event policy: for every IDE event on a project, form or source file it merges
// the three settings levels and runs the matching project-file operations on the file, or on
// the editor buffer when the file is open in an editor. It also holds the in-memory project
// and project-group levels of the active project and clears chosen keys from the child build
// configurations of open projects.
//
// Every call builds its merged settings and engine objects afresh and releases them before it
// returns, also when it fails; nothing is caught, so a failure reaches the calling notifier.
#pragma once

#include <functional>
#include <memory>

#include "addin/ApiHelper.h"
#include "addin/Config.h"
#include "ide/ToolsAPI.h"

namespace Vorlane {

class TVorlaneHandler {
 public:
  // Keeps a counted reference to the container; the global settings stay their owner's.
  TVorlaneHandler(IServiceContainer* AServiceContainer, TVorlaneSettings* AVorlaneSettings);
  TVorlaneHandler(const TVorlaneHandler&) = delete;
  TVorlaneHandler& operator=(const TVorlaneHandler&) = delete;
  virtual ~TVorlaneHandler();

  // Fixes the library suffix and loads the levels of the active project, if any.
  void Initialize();
  // The active project changed: its project level and the group level are loaded afresh.
  void HandleProjectChange(const UnicodeString& FileName);

  // Each one-argument form merges the settings for AFileName, calls its twin and frees them.
  // The IDE is about to read the project file: platform and form-type edits, split import.
  void CheckProjectOpening(const UnicodeString& AFileName);
  void CheckProjectOpening(const UnicodeString& AFileName, TVorlaneConfig* AConfig);
  // The IDE has opened the project: split restore, library suffix.
  void CheckProjectOpened(const UnicodeString& AFileName);
  void CheckProjectOpened(const UnicodeString& AFileName, TVorlaneConfig* AConfig);
  // The IDE is about to save the project: the per-user settings go to the ".save" companion.
  void CheckProjectBeforeSave(const UnicodeString& AFileName);
  void CheckProjectBeforeSave(const UnicodeString& AFileName, TVorlaneConfig* AConfig);
  // The IDE has saved the project: platform and cleanup edits, normalizing, split export.
  void CheckProjectAfterSave(const UnicodeString& AFileName);
  void CheckProjectAfterSave(const UnicodeString& AFileName, TVorlaneConfig* AConfig);
  // Clears chosen keys from the child build configurations of the open project.
  void CheckProjectOptions(const UnicodeString& AFileName);
  void CheckProjectOptions(const UnicodeString& AFileName, TVorlaneConfig* AConfig);
  // The IDE has saved a form file: its Explicit* properties go.
  void CheckFormAfterSave(const UnicodeString& AFileName);
  void CheckFormAfterSave(const UnicodeString& AFileName, TVorlaneConfig* AConfig);

  // CR LF line breaks for a source file: in its editor buffer when it is open in one, else
  // on disk.
  void CleanLineFeeds(const UnicodeString& AFileName);
  // The project's settings file follows the project file's new name.
  void RenameProject(const UnicodeString& OldName, const UnicodeString& NewName);
  // The settings dialog was accepted: saves the three levels and clears the child
  // configurations of every project of the group (or of the active project).
  void ConfigChanged();

  // The IDE's active project and main project group; nil when there is none.
  TIntfPtr<IOTAProject> CurrentProject();
  TIntfPtr<IOTAProjectGroup> CurrentProjectGroup();
  // Their file names; empty when there is none.
  UnicodeString ProjectName();
  UnicodeString ProjectGroupName();
  // An active project exists and is a package.
  bool IsPackage();
  const UnicodeString& LibSuffix() const { return FLibSuffix; }
  // The project and group levels, created on first use as copies of the global record.
  TVorlaneConfig* VorlaneConfig();
  TVorlaneConfig* VorlaneGroupConfig();
  TVorlaneSettings* VorlaneSettings() const { return FVorlaneSettings; }
  const TIntfPtr<IServiceContainer>& ServiceContainer() const { return FServiceContainer; }
  TIntfPtr<IOTAModuleServices> OTAModuleServices();
  TIntfPtr<IOTAPackageServices> OTAPackageServices();
  TIntfPtr<IOTAPlatformServices> OTAPlatformServices();
  TVorlaneSettingsRec Settings() { return VorlaneConfig()->Settings(); }
  void SetSettings(const TVorlaneSettingsRec& AValue) { VorlaneConfig()->SetSettings(AValue); }
  TVorlaneSettingsRec GroupSettings() { return VorlaneGroupConfig()->Settings(); }
  void SetGroupSettings(const TVorlaneSettingsRec& AValue) { VorlaneGroupConfig()->SetSettings(AValue); }
  TVorlaneSettingsRec GlobalSettings() const { return FVorlaneSettings->Settings(); }
  void SetGlobalSettings(const TVorlaneSettingsRec& AValue) { FVorlaneSettings->SetSettings(AValue); }

 protected:
  // Global OR group OR project level. Each of the two comes from memory when it is the level
  // of the IDE's main project group or active project, and from its settings file otherwise.
  std::unique_ptr<TVorlaneConfig> CreateMergedSettings(const UnicodeString& AFileName);
  // Loads the group level and AFileName's project level; line-break cleaning stays global.
  void LoadConfigs(const UnicodeString& AFileName);

  // A package open in the IDE gets the IDE's suffix as DllSuffix of its root configuration
  // and in its package source.
  void AdjustLibSuffix(const UnicodeString& AFileName);
  void AdjustLibSuffix(const UnicodeString& AFileName, IOTABuildConfiguration* ABuildConfig);
  // The package source D gets the suffix X: on disk when D is not open, in its editor
  // buffer when it is; an open module without an editor of D is left alone.
  void AdjustLibSuffixDPK(const UnicodeString& D, const UnicodeString& X);

  // The per-user settings steps, each on a project file of its own.
  void SaveUserSettings(const UnicodeString& AFileName);
  void RestoreUserSettings(const UnicodeString& AFileName);
  void ImportUserSettings(const UnicodeString& AFileName);
  void ExportUserSettings(const UnicodeString& AFileName);

  // The buffer's whole content, read in chunks of 1024 bytes, and its size in bytes.
  void ReadEditorText(IOTAEditor* AEditor, UnicodeString& AText, Integer& ASize);
  // Replaces the first AOldSize bytes of the buffer (its whole old content) by AText, exactly
  // as given; a text holding a NUL character, which the writer cannot take, is not written.
  void WriteEditorText(IOTAEditor* AEditor, const UnicodeString& AText, Integer AOldSize);

  // The child-configuration walk: every configuration the options list, and everything
  // below each, handed to AAction parent first (platform configurations before children).
  using TBuildConfigAction = std::function<void(IOTABuildConfiguration*)>;
  static bool HasNonWinPlatform(IOTAProject* AProject);
  static void IterateBuildConfigChildren(IOTAProjectOptionsConfigurations* AConfigs, const TBuildConfigAction& AAction);
  static void IterateBuildConfiguration(IOTABuildConfiguration* AConfig, const TBuildConfigAction& AAction);

 private:
  UnicodeString FLibSuffix;
  std::unique_ptr<TVorlaneConfig> FVorlaneConfig;
  std::unique_ptr<TVorlaneConfig> FVorlaneGroupConfig;
  TVorlaneSettings* FVorlaneSettings;
  TIntfPtr<IServiceContainer> FServiceContainer;
};

}  // namespace Vorlane
