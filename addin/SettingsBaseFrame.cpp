#include "addin/SettingsBaseFrame.h"

namespace Vorlane {

namespace {

using TPage = TFrVorlaneSettingsBase;

struct TGroupDef {
  TGroupBox* TPage::*Group;
  const char16_t* Name;
  const char16_t* Caption;
  Integer Column;
  Integer Row;
};

const TGroupDef kGroups[] = {
    {&TPage::grpProjectFile, u"grpProjectFile", u"Project file", 0, 0},
    {&TPage::grpClearChildSettings, u"grpClearChildSettings", u"Clear settings in child configs", 1, 0},
    {&TPage::grpMiscellaneous, u"grpMiscellaneous", u"Miscellaneous", 0, 1},
    {&TPage::grpPlatformHandling, u"grpPlatformHandling", u"Platforms", 1, 1},
};

// The boxes in their order and tab order within each group box.
struct TBoxDef {
  TCheckBox* TPage::*Box;
  TGroupBox* TPage::*Group;
  const char16_t* Name;
  const char16_t* Caption;
  bool TVorlaneSettingsRec::*Setting;
  void (TPage::*Handler)(TObject*);
};

const TBoxDef kBoxes[] = {
    {&TPage::chkNormalizeDproj, &TPage::grpProjectFile, u"chkNormalizeDproj", u"Normalize",
     &TVorlaneSettingsRec::NormalizeDproj, &TPage::chkNormalizeDprojClick},
    {&TPage::chkSplitDproj, &TPage::grpProjectFile, u"chkSplitDproj", u"Split", &TVorlaneSettingsRec::SplitDproj,
     &TPage::chkRemoveSplitClick},
    {&TPage::chkRemoveExcludedPackages, &TPage::grpProjectFile, u"chkRemoveExcludedPackages",
     u"Remove \"Excluded Packages\"", &TVorlaneSettingsRec::RemoveExcludedPackages,
     &TPage::chkRemoveExcludedPackagesClick},
    {&TPage::chkRemoveDeployment, &TPage::grpProjectFile, u"chkRemoveDeployment", u"Remove \"Deployment\"",
     &TVorlaneSettingsRec::RemoveDeployment, &TPage::chkRemoveDeploymentClick},
    {&TPage::chkRemoveUWP, &TPage::grpProjectFile, u"chkRemoveUWP", u"Remove \"UWP\"",
     &TVorlaneSettingsRec::RemoveUWP, &TPage::chkRemoveUWPClick},
    {&TPage::chkVersionInfo, &TPage::grpClearChildSettings, u"chkVersionInfo", u"Version info",
     &TVorlaneSettingsRec::ClearChildVersionInfo, &TPage::chkVersionInfoClick},
    {&TPage::chkAppSettings, &TPage::grpClearChildSettings, u"chkAppSettings", u"Application settings",
     &TVorlaneSettingsRec::ClearChildAppSettings, &TPage::chkAppSettingsClick},
    {&TPage::chkPackageSettings, &TPage::grpClearChildSettings, u"chkPackageSettings", u"Package settings",
     &TVorlaneSettingsRec::ClearChildPackageSettings, &TPage::chkPackageSettingsClick},
    {&TPage::chkAutoLibSuffix, &TPage::grpMiscellaneous, u"chkAutoLibSuffix", u"Auto LibSuffix",
     &TVorlaneSettingsRec::AutoLibSuffix, &TPage::chkAutoLibSuffixClick},
    {&TPage::chkRefreshFormType, &TPage::grpMiscellaneous, u"chkRefreshFormType",
     u"Refresh form type (needs re-open project)", &TVorlaneSettingsRec::RefreshFormType,
     &TPage::chkRefreshFormTypeClick},
    {&TPage::chkRemoveExplicits, &TPage::grpMiscellaneous, u"chkRemoveExplicits",
     u"Remove \"Explicit\" properties", &TVorlaneSettingsRec::RemoveExplicits, &TPage::chkRemoveExplicitsClick},
    {&TPage::chkCleanLineFeeds, &TPage::grpMiscellaneous, u"chkCleanLineFeeds", u"Clean Line Feeds",
     &TVorlaneSettingsRec::CleanLineFeeds, &TPage::chkCleanLineFeedsClick},
    {&TPage::chkEnableMissingPlatforms, &TPage::grpPlatformHandling, u"chkEnableMissingPlatforms",
     u"Enable missing", &TVorlaneSettingsRec::EnableMissingPlatforms, &TPage::chkEnableMissingPlatformsClick},
    {&TPage::chkRemoveUnusedPlatforms, &TPage::grpPlatformHandling, u"chkRemoveUnusedPlatforms",
     u"Remove unused", &TVorlaneSettingsRec::RemoveUnusedPlatforms, &TPage::chkRemoveUnusedPlatformsClick},
};

constexpr Integer kGridHeight = 297;
constexpr Integer kBoxHeight = 17;

}  // namespace

TFrVorlaneSettingsBase::TFrVorlaneSettingsBase(TComponent* AOwner) : TFrame(AOwner) {
  SetBounds(0, 0, 542, 357);

  grdPanelMain = new TGridPanel(this);
  grdPanelMain->SetName(u"grdPanelMain");
  grdPanelMain->SetParent(this);
  grdPanelMain->SetBounds(0, 0, 542, kGridHeight);
  grdPanelMain->SetAlign(alTop);
  grdPanelMain->SetBevelOuter(bvNone);
  grdPanelMain->SetShowCaption(false);
  grdPanelMain->ColumnCollection() = {{ssPercent, 50}, {ssPercent, 50}};
  grdPanelMain->RowCollection() = {{ssAbsolute, 160}, {ssPercent, 100}};
  for (const TGroupDef& G : kGroups) {
    auto* LGroup = new TGroupBox(this);
    LGroup->SetName(G.Name);
    LGroup->SetCaption(G.Caption);
    grdPanelMain->AddControl(LGroup, G.Column, G.Row);
    LGroup->SetAlign(alClient);
    LGroup->SetAlignWithMargins(true);
    this->*G.Group = LGroup;
  }

  TGroupBox* LPreviousGroup = nullptr;
  Integer LTop = 0;
  for (const TBoxDef& B : kBoxes) {
    TGroupBox* LGroup = this->*B.Group;
    const bool LFirst = LGroup != LPreviousGroup;
    LPreviousGroup = LGroup;
    auto* LBox = new TCheckBox(this);
    LBox->SetName(B.Name);
    LBox->SetCaption(B.Caption);
    LBox->SetParent(LGroup);
    LBox->SetAlign(alTop);
    LBox->SetAlignWithMargins(true);
    LBox->Margins().SetBounds(8, LFirst ? 8 : 4, 3, 4);
    LTop = (LFirst ? 0 : LTop + kBoxHeight + 4) + LBox->Margins().Top();
    LBox->SetBounds(8, LTop, 250, kBoxHeight);
    const auto LHandler = B.Handler;
    LBox->OnClick = [this, LHandler](TObject* ASender) { (this->*LHandler)(ASender); };
    this->*B.Box = LBox;
  }

  pnlHeader = new TPanel(this);
  pnlHeader->SetName(u"pnlHeader");
  pnlHeader->SetParent(this);
  pnlHeader->SetBounds(0, kGridHeight, 542, 52);
  pnlHeader->SetAlign(alTop);
  pnlHeader->SetBevelOuter(bvNone);
  pnlHeader->SetShowCaption(false);
  pnlHeader->SetVisible(false);
  grpProjectFileName = new TGroupBox(this);
  grpProjectFileName->SetName(u"grpProjectFileName");
  grpProjectFileName->SetCaption(u"Project file");
  grpProjectFileName->SetParent(pnlHeader);
  grpProjectFileName->SetAlign(alClient);
  grpProjectFileName->SetAlignWithMargins(true);
  lblFileName = new TLabel(this);
  lblFileName->SetName(u"lblFileName");
  lblFileName->SetParent(grpProjectFileName);
  lblFileName->SetAlign(alClient);
  lblFileName->SetAlignWithMargins(true);
  lblFileName->Margins().SetLeft(8);
  lblFileName->Margins().SetTop(0);
  lblFileName->SetLayout(tlCenter);

  UpdateState();
}

void TFrVorlaneSettingsBase::SetSettings(const TVorlaneSettingsRec& AValue) {
  FSettings = AValue;
  UpdateState();
}

void TFrVorlaneSettingsBase::SetParentSettings(const TVorlaneSettingsRec& AValue) {
  FParentSettings = AValue;
  UpdateState();
}

TVorlaneSettingsRec TFrVorlaneSettingsBase::EffectiveSettings() const {
  TVorlaneSettingsRec LResult = FSettings;
  LResult.Merge(FParentSettings);
  return LResult;
}

void TFrVorlaneSettingsBase::SetFileName(const UnicodeString& AValue) {
  if (AValue == FFileName) return;
  FFileName = AValue;
  UpdateState();
}

void TFrVorlaneSettingsBase::SetIsGlobal(bool AValue) {
  if (AValue == FIsGlobal) return;
  FIsGlobal = AValue;
  UpdateState();
}

void TFrVorlaneSettingsBase::SetIsGroup(bool AValue) {
  if (AValue == FIsGroup) return;
  FIsGroup = AValue;
  UpdateState();
}

void TFrVorlaneSettingsBase::SetIsPackage(bool AValue) {
  if (AValue == FIsPackage) return;
  FIsPackage = AValue;
  UpdateState();
}

void TFrVorlaneSettingsBase::chkNormalizeDprojClick(TObject*) { ToggleSetting(&TVorlaneSettingsRec::NormalizeDproj); }
void TFrVorlaneSettingsBase::chkRemoveSplitClick(TObject*) { ToggleSetting(&TVorlaneSettingsRec::SplitDproj); }
void TFrVorlaneSettingsBase::chkRemoveExcludedPackagesClick(TObject*) {
  ToggleSetting(&TVorlaneSettingsRec::RemoveExcludedPackages);
}
void TFrVorlaneSettingsBase::chkRemoveDeploymentClick(TObject*) { ToggleSetting(&TVorlaneSettingsRec::RemoveDeployment); }
void TFrVorlaneSettingsBase::chkRemoveUWPClick(TObject*) { ToggleSetting(&TVorlaneSettingsRec::RemoveUWP); }
void TFrVorlaneSettingsBase::chkVersionInfoClick(TObject*) { ToggleSetting(&TVorlaneSettingsRec::ClearChildVersionInfo); }
void TFrVorlaneSettingsBase::chkAppSettingsClick(TObject*) { ToggleSetting(&TVorlaneSettingsRec::ClearChildAppSettings); }
void TFrVorlaneSettingsBase::chkPackageSettingsClick(TObject*) {
  ToggleSetting(&TVorlaneSettingsRec::ClearChildPackageSettings);
}
void TFrVorlaneSettingsBase::chkAutoLibSuffixClick(TObject*) { ToggleSetting(&TVorlaneSettingsRec::AutoLibSuffix); }
void TFrVorlaneSettingsBase::chkRefreshFormTypeClick(TObject*) { ToggleSetting(&TVorlaneSettingsRec::RefreshFormType); }
void TFrVorlaneSettingsBase::chkRemoveExplicitsClick(TObject*) { ToggleSetting(&TVorlaneSettingsRec::RemoveExplicits); }
void TFrVorlaneSettingsBase::chkCleanLineFeedsClick(TObject*) { ToggleSetting(&TVorlaneSettingsRec::CleanLineFeeds); }
void TFrVorlaneSettingsBase::chkEnableMissingPlatformsClick(TObject*) {
  ToggleSetting(&TVorlaneSettingsRec::EnableMissingPlatforms);
}
void TFrVorlaneSettingsBase::chkRemoveUnusedPlatformsClick(TObject*) {
  ToggleSetting(&TVorlaneSettingsRec::RemoveUnusedPlatforms);
}

void TFrVorlaneSettingsBase::ToggleSetting(bool TVorlaneSettingsRec::*ASetting) {
  if (FUpdateCnt > 0) return;
  FSettings.*ASetting = !(FSettings.*ASetting);
  UpdateState();
}

void TFrVorlaneSettingsBase::UpdateState() {
  if (FUpdateCnt > 0) return;
  // Setting a box's state reports a click; inside the update it changes no flag.
  BeginUpdate();
  struct TEnd {
    TFrVorlaneSettingsBase* Frame;
    ~TEnd() { Frame->EndUpdate(); }
  } LEnd{this};

  lblFileName->SetCaption(FFileName);
  pnlHeader->SetVisible(!FFileName.empty());

  for (const TBoxDef& B : kBoxes) {
    TCheckBox* LBox = this->*B.Box;
    const bool LOwn = FSettings.*B.Setting;
    if (B.Setting == &TVorlaneSettingsRec::CleanLineFeeds) {
      // A global switch only: nothing to inherit, nowhere else to show it.
      LBox->SetVisible(FIsGlobal);
      if (FIsGlobal) {
        LBox->SetState(LOwn ? cbChecked : cbUnchecked);
        LBox->SetEnabled(true);
      }
      continue;
    }
    LBox->SetState(LOwn ? cbChecked : FParentSettings.*B.Setting ? cbGrayed : cbUnchecked);
    LBox->SetEnabled(true);
  }
  chkAutoLibSuffix->SetEnabled(FIsGroup || FIsPackage);
  chkPackageSettings->SetEnabled(FIsGroup || FIsPackage);
  chkAppSettings->SetEnabled(FIsGroup || !FIsPackage);

  chkNormalizeDproj->SetCaption(u"Normalize");
  if (TAbstractSettings::FIsKelvaryInstalled) {
    chkNormalizeDproj->SetEnabled(false);
    chkNormalizeDproj->SetCaption(u"Normalize (Kelvary installed!)");
  }
  chkSplitDproj->SetCaption(u"Split");
  if (TAbstractSettings::FIsBrisendalInstalled) {
    chkSplitDproj->SetEnabled(false);
    chkSplitDproj->SetCaption(u"Split (Brisendal installed!)");
  }
}

}  // namespace Vorlane
