// One page of settings: a three-state check box per switch, showing whether this level
// switches it on itself (checked), inherits it from a higher level (grayed) or leaves it
// off (unchecked). A click switches the level's own flag; what is inherited cannot be
// switched off here.
#pragma once

#include "addin/Config.h"
#include "ide/Forms.h"

namespace Vorlane {

class TFrVorlaneSettingsBase : public TFrame {
 public:
  explicit TFrVorlaneSettingsBase(TComponent* AOwner);

  TGridPanel* grdPanelMain;
  TGroupBox* grpProjectFile;
  TCheckBox* chkNormalizeDproj;
  TCheckBox* chkSplitDproj;
  TCheckBox* chkRemoveExcludedPackages;
  TCheckBox* chkRemoveDeployment;
  TCheckBox* chkRemoveUWP;
  TGroupBox* grpClearChildSettings;
  TCheckBox* chkVersionInfo;
  TCheckBox* chkAppSettings;
  TCheckBox* chkPackageSettings;
  TGroupBox* grpMiscellaneous;
  TCheckBox* chkAutoLibSuffix;
  TCheckBox* chkRefreshFormType;
  TCheckBox* chkRemoveExplicits;
  TCheckBox* chkCleanLineFeeds;
  TGroupBox* grpPlatformHandling;
  TCheckBox* chkEnableMissingPlatforms;
  TCheckBox* chkRemoveUnusedPlatforms;
  TPanel* pnlHeader;
  TGroupBox* grpProjectFileName;
  TLabel* lblFileName;

  // While updating, clicks change nothing and the boxes are not refreshed.
  void BeginUpdate() { ++FUpdateCnt; }
  void EndUpdate() { --FUpdateCnt; }

  TVorlaneSettingsRec Settings() const { return FSettings; }
  void SetSettings(const TVorlaneSettingsRec& AValue);
  TVorlaneSettingsRec ParentSettings() const { return FParentSettings; }
  void SetParentSettings(const TVorlaneSettingsRec& AValue);
  // The own switches OR the inherited ones.
  TVorlaneSettingsRec EffectiveSettings() const;
  const UnicodeString& FileName() const { return FFileName; }
  void SetFileName(const UnicodeString& AValue);
  bool IsGlobal() const { return FIsGlobal; }
  void SetIsGlobal(bool AValue);
  bool IsGroup() const { return FIsGroup; }
  void SetIsGroup(bool AValue);
  bool IsPackage() const { return FIsPackage; }
  void SetIsPackage(bool AValue);

  void chkNormalizeDprojClick(TObject* Sender);
  void chkRemoveSplitClick(TObject* Sender);
  void chkRemoveExcludedPackagesClick(TObject* Sender);
  void chkRemoveDeploymentClick(TObject* Sender);
  void chkRemoveUWPClick(TObject* Sender);
  void chkVersionInfoClick(TObject* Sender);
  void chkAppSettingsClick(TObject* Sender);
  void chkPackageSettingsClick(TObject* Sender);
  void chkAutoLibSuffixClick(TObject* Sender);
  void chkRefreshFormTypeClick(TObject* Sender);
  void chkRemoveExplicitsClick(TObject* Sender);
  void chkCleanLineFeedsClick(TObject* Sender);
  void chkEnableMissingPlatformsClick(TObject* Sender);
  void chkRemoveUnusedPlatformsClick(TObject* Sender);

 private:
  void ToggleSetting(bool TVorlaneSettingsRec::*ASetting);
  void UpdateState();

  TVorlaneSettingsRec FSettings;
  TVorlaneSettingsRec FParentSettings;
  UnicodeString FFileName;
  bool FIsGlobal = false;
  bool FIsGroup = false;
  bool FIsPackage = false;
  Integer FUpdateCnt = 0;
};

}  // namespace Vorlane
