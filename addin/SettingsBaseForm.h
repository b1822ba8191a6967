// The settings dialog: the three levels' settings above Help, OK and Cancel. It edits what it
// is given and writes nothing itself; its owner reads the records back after OK.
#pragma once

#include "addin/SettingsFrame.h"

namespace Vorlane {

class TFormVorlaneSettingsBase : public TForm {
 public:
  explicit TFormVorlaneSettingsBase(TComponent* AOwner);

  TPanel* pnlBottom;
  TButton* btnHelp;
  TButton* btnOK;
  TButton* btnCancel;
  TFrVorlaneSettings* FrSettings;

  bool IsPackage() const { return FrSettings->IsPackage(); }
  void SetIsPackage(bool AValue) { FrSettings->SetIsPackage(AValue); }
  TVorlaneSettingsRec Settings() const { return FrSettings->Settings(); }
  void SetSettings(const TVorlaneSettingsRec& AValue) { FrSettings->SetSettings(AValue); }
  TVorlaneSettingsRec GroupSettings() const { return FrSettings->GroupSettings(); }
  void SetGroupSettings(const TVorlaneSettingsRec& AValue) { FrSettings->SetGroupSettings(AValue); }
  TVorlaneSettingsRec GlobalSettings() const { return FrSettings->GlobalSettings(); }
  void SetGlobalSettings(const TVorlaneSettingsRec& AValue) { FrSettings->SetGlobalSettings(AValue); }
  const UnicodeString& ProjectGroupName() const { return FrSettings->ProjectGroupName(); }
  void SetProjectGroupName(const UnicodeString& AValue) { FrSettings->SetProjectGroupName(AValue); }
  const UnicodeString& ProjectName() const { return FrSettings->ProjectName(); }
  void SetProjectName(const UnicodeString& AValue) { FrSettings->SetProjectName(AValue); }

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void btnHelpClick(TObject* Sender);

 protected:
  // For a descendant, which runs the creation event itself once it is complete.
  struct TDeferCreate {};
  TFormVorlaneSettingsBase(TComponent* AOwner, TDeferCreate);
};

}  // namespace Vorlane
