// The settings of all three levels on one page control: the project, the project group and
// the global level, each level showing what it inherits from the levels above it.
#pragma once

#include "addin/SettingsBaseFrame.h"

namespace Vorlane {

class TFrVorlaneSettings : public TFrame {
 public:
  explicit TFrVorlaneSettings(TComponent* AOwner);

  TPageControl* pgcSettings;
  TTabSheet* tbsProject;
  TFrVorlaneSettingsBase* FrProjectSettings;
  TTabSheet* tbsProjectGroup;
  TFrVorlaneSettingsBase* FrProjectGroupSettings;
  TTabSheet* tbsGlobal;
  TFrVorlaneSettingsBase* FrGlobalSettings;

  // The project level's own switches.
  TVorlaneSettingsRec Settings() const { return FrProjectSettings->Settings(); }
  void SetSettings(const TVorlaneSettingsRec& AValue) { FrProjectSettings->SetSettings(AValue); }
  TVorlaneSettingsRec GroupSettings() const { return FrProjectGroupSettings->Settings(); }
  void SetGroupSettings(const TVorlaneSettingsRec& AValue);
  TVorlaneSettingsRec GlobalSettings() const { return FrGlobalSettings->Settings(); }
  void SetGlobalSettings(const TVorlaneSettingsRec& AValue);
  bool IsPackage() const { return FrProjectSettings->IsPackage(); }
  void SetIsPackage(bool AValue) { FrProjectSettings->SetIsPackage(AValue); }
  const UnicodeString& ProjectName() const { return FrProjectSettings->FileName(); }
  void SetProjectName(const UnicodeString& AValue) { FrProjectSettings->SetFileName(AValue); }
  const UnicodeString& ProjectGroupName() const { return FrProjectGroupSettings->FileName(); }
  void SetProjectGroupName(const UnicodeString& AValue) { FrProjectGroupSettings->SetFileName(AValue); }
  // Only the global page is offered while True.
  bool IsGlobal() const { return FIsGlobal; }
  void SetIsGlobal(bool AValue);

  void pgcSettingsChange(TObject* Sender);

 private:
  // Hands the global switches down to the group page, and group OR global to the project
  // page.
  void UpdateParentSettings();

  bool FIsGlobal = false;
};

}  // namespace Vorlane
