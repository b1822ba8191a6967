// Moves the per-user settings of a project (debugger parameters, host application, working
// folder and the like) between the shared .dproj and two companion files beside it: the
// ".user" file keeps the user's own values, the ".save" file what the .dproj held before the
// IDE saved it. Companions are named by appending ".user"/".save" to the full project name.
#pragma once

#include <vector>

#include "projfile/FileHelper.h"

namespace Vorlane {

class TSplitterDProjFile : public TCustomProjFile {
 public:
  using TCustomProjFile::TCustomProjFile;

  // Names of the per-user setting elements, compared ignoring case. Filled once by the
  // add-in; empty means that nothing is a user setting. A user setting is an element that is
  // a direct child of a PropertyGroup with a non-empty Condition.
  static inline std::vector<UnicodeString> FUserNodes;

  // The main group's Config and Platform values; empty when missing. Setting one creates the
  // main group and the element (with its "'$(Config)'==''" style condition) when missing.
  UnicodeString GetSelectedConfig();
  UnicodeString SelectedConfig() { return GetSelectedConfig(); }
  void SetSelectedConfig(const UnicodeString& AValue);
  UnicodeString GetSelectedPlatform();
  UnicodeString SelectedPlatform() { return GetSelectedPlatform(); }
  void SetSelectedPlatform(const UnicodeString& AValue);

  // The operations below work on the companions of the file the object was created from and
  // do nothing for a wrapped document, which has no file name to derive them from.

  // Writes the selection and the user settings to the ".user" (".save") companion; the file
  // is written only when its bytes change.
  void ExportUserSettings();
  void SaveUserSettings();
  // Merges the ".user" companion's selection and user settings into the project and saves it
  // silently (only when its bytes change, keeping attributes and times).
  void ImportUserSettings();
  // Merges the ".save" companion back, removes the user settings it lacks, saves the project
  // silently and then deletes the ".save" file. Nothing happens without a ".save" file; when
  // a step fails, the ".save" file stays.
  void RestoreUserSettings();

 private:
  void CopyUserSettingsFrom(TSplitterDProjFile& ASource);
  void ClearUserSettingsFrom(TSplitterDProjFile& ASource);
  void CopyUserSettingsTo(const UnicodeString& AFileName);
  void SetSelectedValue(const char* AName, const UnicodeString& AValue);
};

}  // namespace Vorlane
