#include "addin/SettingsBaseForm.h"

#include "addin/Tools.h"

namespace Vorlane {

namespace {

TButton* NewButton(TComponent* AOwner, TWinControl* AParent, const char16_t* AName, const char16_t* ACaption,
                   TAlign AAlign, Integer ALeft, Integer AWidth, Integer AFirstImage) {
  auto* LButton = new TButton(AOwner);
  LButton->SetName(AName);
  LButton->SetCaption(ACaption);
  LButton->SetParent(AParent);
  LButton->SetBounds(ALeft, 3, AWidth, 35);
  LButton->SetAlign(AAlign);
  LButton->SetAlignWithMargins(true);
  LButton->Margins().SetBounds(7, 3, 7, 7);
  LButton->ImageMargins().SetLeft(8);
  LButton->SetImageIndex(AFirstImage);
  LButton->SetHotImageIndex(AFirstImage + 1);
  LButton->SetDisabledImageIndex(AFirstImage + 2);
  return LButton;
}

}  // namespace

TFormVorlaneSettingsBase::TFormVorlaneSettingsBase(TComponent* AOwner)
    : TFormVorlaneSettingsBase(AOwner, TDeferCreate{}) {
  DoCreate();
}

TFormVorlaneSettingsBase::TFormVorlaneSettingsBase(TComponent* AOwner, TDeferCreate) : TForm(AOwner) {
  SetName(u"FormVorlaneSettingsBase");
  SetCaption(u"FormVorlaneSettingsBase");
  SetClientWidth(550);
  SetClientHeight(432);
  SetColor(clBtnFace);
  Font().SetName(u"Segoe UI");
  Font().SetHeight(-12);
  SetPosition(poScreenCenter);
  OnCreate = [this](TObject* ASender) { FormCreate(ASender); };
  OnShow = [this](TObject* ASender) { FormShow(ASender); };

  pnlBottom = new TPanel(this);
  pnlBottom->SetName(u"pnlBottom");
  pnlBottom->SetParent(this);
  pnlBottom->SetBounds(0, 387, 550, 45);
  pnlBottom->SetAlign(alBottom);
  pnlBottom->SetBevelOuter(bvNone);
  pnlBottom->SetShowCaption(false);
  btnHelp = NewButton(this, pnlBottom, u"btnHelp", u"Help", alLeft, 7, 102, 6);
  btnHelp->OnClick = [this](TObject* ASender) { btnHelpClick(ASender); };
  btnOK = NewButton(this, pnlBottom, u"btnOK", u"OK", alRight, 329, 98, 0);
  btnOK->SetDefault(true);
  btnOK->SetModalResult(mrOk);
  btnCancel = NewButton(this, pnlBottom, u"btnCancel", u"Cancel", alRight, 441, 102, 3);
  btnCancel->SetCancel(true);
  btnCancel->SetModalResult(mrCancel);
  btnCancel->SetTabOrder(0);
  btnOK->SetTabOrder(1);
  btnHelp->SetTabOrder(2);

  FrSettings = new TFrVorlaneSettings(this);
  FrSettings->SetName(u"FrSettings");
  FrSettings->SetParent(this);
  FrSettings->SetBounds(0, 0, 550, 387);
  FrSettings->SetAlign(alClient);
  FrSettings->SetDoubleBuffered(true);
}

void TFormVorlaneSettingsBase::FormCreate(TObject*) {
  SetCaption(u"Vorlane");
  btnCancel->SetCaption(SCancelButton);
  btnOK->SetCaption(SOKButton);
  TTools::LoadFromIconResource(Icon(), u"Vorlane");
  FrSettings->pgcSettings->SetActivePageIndex(0);
}

void TFormVorlaneSettingsBase::FormShow(TObject*) {
  DisableAlign();
  struct TEnd {
    TWinControl* Control;
    ~TEnd() { Control->EnableAlign(); }
  } LEnd{this};
  btnOK->SetAnchors(MakeAnchors({akTop, akRight}));
  btnCancel->SetAnchors(MakeAnchors({akTop, akRight}));
}

void TFormVorlaneSettingsBase::btnHelpClick(TObject*) { TTools::ShowTopicHelp(UnicodeString(), TTools::FindHelpFile()); }

}  // namespace Vorlane
