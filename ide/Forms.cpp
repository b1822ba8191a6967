#include "ide/Forms.h"

#include <algorithm>

namespace Vorlane {

const char16_t* const SOKButton = u"OK";
const char16_t* const SCancelButton = u"Cancel";

namespace {

// The first reachable button below AControl for which APredicate holds (depth first).
TButton* FindButton(TWinControl* AControl, bool (TButton::*APredicate)() const) {
  for (Integer I = 0; I < AControl->ControlCount(); ++I) {
    TControl* LControl = AControl->Controls(I);
    if (auto LButton = dynamic_cast<TButton*>(LControl); LButton && (LButton->*APredicate)() && LButton->CanFocusByUser())
      return LButton;
    if (auto LWin = dynamic_cast<TWinControl*>(LControl))
      if (TButton* LFound = FindButton(LWin, APredicate)) return LFound;
  }
  return nullptr;
}

}  // namespace

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
  SetVisible(false);
  SetColor(clBtnFace);
}

TCustomForm::~TCustomForm() = default;

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

TModalResult TCustomForm::ShowModal() {
  if (FModal || Visible()) throw EInvalidOperation(u"Cannot make a visible window modal");
  FModalResult = mrNone;
  FModal = true;
  SetVisible(true);
  struct TEndModal {
    TCustomForm* Form;
    ~TEndModal() {
      Form->FModal = false;
      Form->SetVisible(false);
    }
  } LEnd{this};
  if (OnShow) OnShow(this);
  if (const TModalHandler& LHandler = Application().ModalHandler()) LHandler(*this);
  if (FModalResult == mrNone) FModalResult = mrCancel;
  return FModalResult;
}

void TCustomForm::Close() {
  if (FModal)
    FModalResult = mrCancel;
  else
    SetVisible(false);
}

void TCustomForm::PressKey(Word AKey) {
  TButton* LButton = nullptr;
  if (AKey == vkReturn)
    LButton = FindButton(this, &TButton::Default);
  else if (AKey == vkEscape)
    LButton = FindButton(this, &TButton::Cancel);
  if (LButton) LButton->Click();
}

TDataModule::TDataModule(TComponent* AOwner, Integer ADummy) : TComponent(AOwner) {
  if (ADummy >= 0) Screen().FDataModules.push_back(this);
}

TDataModule::~TDataModule() {
  auto& LList = Screen().FDataModules;
  LList.erase(std::remove(LList.begin(), LList.end(), this), LList.end());
}

TApplication& Application() {
  static TApplication LApplication;
  return LApplication;
}

TScreen& Screen() {
  static TScreen LScreen;
  return LScreen;
}

}  // namespace Vorlane
