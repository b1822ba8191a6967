#include "addin/SettingsFrame.h"

namespace Vorlane {

namespace {

TTabSheet* NewPage(TComponent* AOwner, TPageControl* APageControl, const char16_t* AName, const char16_t* ACaption) {
  auto* LPage = new TTabSheet(AOwner);
  LPage->SetName(AName);
  LPage->SetCaption(ACaption);
  LPage->SetPageControl(APageControl);
  return LPage;
}

TFrVorlaneSettingsBase* NewLevel(TComponent* AOwner, TTabSheet* APage, const char16_t* AName) {
  auto* LFrame = new TFrVorlaneSettingsBase(AOwner);
  LFrame->SetName(AName);
  LFrame->SetParent(APage);
  LFrame->SetAlign(alTop);
  return LFrame;
}

}  // namespace

TFrVorlaneSettings::TFrVorlaneSettings(TComponent* AOwner) : TFrame(AOwner) {
  SetBounds(0, 0, 550, 384);
  SetDoubleBuffered(true);

  pgcSettings = new TPageControl(this);
  pgcSettings->SetName(u"pgcSettings");
  pgcSettings->SetParent(this);
  pgcSettings->SetBounds(0, 0, 550, 384);
  pgcSettings->SetAlign(alClient);
  pgcSettings->SetStyle(tsFlatButtons);
  tbsProject = NewPage(this, pgcSettings, u"tbsProject", u"Project settings");
  FrProjectSettings = NewLevel(this, tbsProject, u"FrProjectSettings");
  tbsProjectGroup = NewPage(this, pgcSettings, u"tbsProjectGroup", u"Project group settings");
  FrProjectGroupSettings = NewLevel(this, tbsProjectGroup, u"FrProjectGroupSettings");
  tbsGlobal = NewPage(this, pgcSettings, u"tbsGlobal", u"Global settings");
  FrGlobalSettings = NewLevel(this, tbsGlobal, u"FrGlobalSettings");
  pgcSettings->SetActivePage(tbsProject);
  pgcSettings->OnChange = [this](TObject* ASender) { pgcSettingsChange(ASender); };

  FrProjectGroupSettings->SetIsGroup(true);
  FrGlobalSettings->SetIsGroup(true);
  FrGlobalSettings->SetIsGlobal(true);
}

void TFrVorlaneSettings::SetGroupSettings(const TVorlaneSettingsRec& AValue) {
  FrProjectGroupSettings->SetSettings(AValue);
  UpdateParentSettings();
}

void TFrVorlaneSettings::SetGlobalSettings(const TVorlaneSettingsRec& AValue) {
  FrGlobalSettings->SetSettings(AValue);
  UpdateParentSettings();
}

void TFrVorlaneSettings::SetIsGlobal(bool AValue) {
  if (AValue == FIsGlobal) return;
  FIsGlobal = AValue;
  tbsProject->SetTabVisible(!AValue);
  tbsProjectGroup->SetTabVisible(!AValue);
  // A hidden page cannot stay the one shown.
  if (AValue) pgcSettings->SetActivePage(tbsGlobal);
}

void TFrVorlaneSettings::pgcSettingsChange(TObject*) { UpdateParentSettings(); }

void TFrVorlaneSettings::UpdateParentSettings() {
  if (FIsGlobal) return;
  FrProjectGroupSettings->SetParentSettings(FrGlobalSettings->Settings());
  FrProjectSettings->SetParentSettings(FrProjectGroupSettings->EffectiveSettings());
}

}  // namespace Vorlane
