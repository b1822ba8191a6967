#include "ide/Controls.h"

#include <algorithm>

#include "ide/Forms.h"

namespace Vorlane {

namespace {

template <class T>
void EraseFrom(std::vector<T*>& AList, const void* AItem) {
  AList.erase(std::remove(AList.begin(), AList.end(), AItem), AList.end());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {}

TControl::~TControl() { SetParent(nullptr); }

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  for (TControl* LAncestor = AParent; LAncestor; LAncestor = LAncestor->FParent)
    if (LAncestor == this) throw EInvalidOperation(u"A control cannot have itself or a child as its parent");
  if (FParent) FParent->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
}

void TControl::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
}

bool TControl::CanFocusByUser() const {
  for (const TControl* LControl = this; LControl; LControl = LControl->FParent)
    if (!LControl->FVisible || !LControl->FEnabled) return false;
  return true;
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::SimulateClick() {
  if (CanFocusByUser()) Click();
}

// ---------------------------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  while (!FControls.empty()) {
    TControl* LControl = FControls.back();
    RemoveControl(LControl);
    delete LControl;
  }
}

TControl* TWinControl::Controls(Integer AIndex) const {
  if (AIndex < 0 || AIndex >= ControlCount()) throw EListError(u"List index out of bounds (" + IntToStr(AIndex) + u")");
  return FControls[static_cast<size_t>(AIndex)];
}

Integer TWinControl::TabOrder() const {
  if (!Parent()) return -1;
  const auto& LList = Parent()->FTabList;
  return static_cast<Integer>(std::find(LList.begin(), LList.end(), this) - LList.begin());
}

void TWinControl::SetTabOrder(Integer AValue) {
  if (!Parent()) return;
  auto& LList = Parent()->FTabList;
  EraseFrom(LList, this);
  const Integer LIndex = std::clamp<Integer>(AValue, 0, static_cast<Integer>(LList.size()));
  LList.insert(LList.begin() + LIndex, this);
}

void TWinControl::EnableAlign() {
  if (FAlignLevel > 0) --FAlignLevel;
}

void TWinControl::InsertControl(TControl* AControl) {
  FControls.push_back(AControl);
  if (auto LWin = dynamic_cast<TWinControl*>(AControl)) FTabList.push_back(LWin);
  AControl->FParent = this;
}

void TWinControl::RemoveControl(TControl* AControl) {
  EraseFrom(FControls, AControl);
  EraseFrom(FTabList, AControl);
  AControl->FParent = nullptr;
}

TCustomForm* GetParentForm(const TControl* AControl) {
  if (!AControl) return nullptr;
  while (AControl->Parent()) AControl = AControl->Parent();
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(AControl));
}

// ---------------------------------------------------------------------------------------------
// TGridPanel

void TGridPanel::AddControl(TControl* AControl, Integer AColumn, Integer ARow) {
  AControl->SetParent(this);
  for (TPlacement& LPlacement : FPlacements)
    if (LPlacement.Control == AControl) {
      LPlacement.Column = AColumn;
      LPlacement.Row = ARow;
      return;
    }
  FPlacements.push_back({AControl, AColumn, ARow});
}

TControl* TGridPanel::ControlAt(Integer AColumn, Integer ARow) const {
  for (const TPlacement& LPlacement : FPlacements)
    if (LPlacement.Column == AColumn && LPlacement.Row == ARow) return LPlacement.Control;
  return nullptr;
}

void TGridPanel::RemoveControl(TControl* AControl) {
  FPlacements.erase(std::remove_if(FPlacements.begin(), FPlacements.end(),
                                   [AControl](const TPlacement& P) { return P.Control == AControl; }),
                    FPlacements.end());
  TPanel::RemoveControl(AControl);
}

// ---------------------------------------------------------------------------------------------
// TTabSheet, TPageControl

TTabSheet::~TTabSheet() {
  if (FPageControl) FPageControl->DetachPage(this);
}

void TTabSheet::SetPageControl(TPageControl* APageControl) {
  if (APageControl == FPageControl) return;
  if (FPageControl) FPageControl->DetachPage(this);
  if (APageControl) APageControl->AttachPage(this);
}

Integer TTabSheet::PageIndex() const {
  if (!FPageControl) return -1;
  const auto& LPages = FPageControl->FPages;
  return static_cast<Integer>(std::find(LPages.begin(), LPages.end(), this) - LPages.begin());
}

TPageControl::~TPageControl() {
  // The sheets are destroyed as child controls after this class's members are gone: they
  // must not reach back into the page list then.
  for (TTabSheet* LPage : FPages) LPage->FPageControl = nullptr;
  FPages.clear();
  FActivePage = nullptr;
}

TTabSheet* TPageControl::Pages(Integer AIndex) const {
  if (AIndex < 0 || AIndex >= PageCount()) throw EListError(u"List index out of bounds (" + IntToStr(AIndex) + u")");
  return FPages[static_cast<size_t>(AIndex)];
}

void TPageControl::SetActivePage(TTabSheet* APage) {
  if (APage && APage->FPageControl != this) return;
  FActivePage = APage;
}

Integer TPageControl::ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(Integer AValue) {
  SetActivePage(AValue >= 0 && AValue < PageCount() ? FPages[static_cast<size_t>(AValue)] : nullptr);
}

void TPageControl::SelectPage(TTabSheet* APage) {
  if (!APage || APage == FActivePage || APage->FPageControl != this || !APage->TabVisible() || !CanFocusByUser())
    return;
  FActivePage = APage;
  if (OnChange) OnChange(this);
}

void TPageControl::AttachPage(TTabSheet* APage) {
  FPages.push_back(APage);
  APage->FPageControl = this;
  APage->SetParent(this);
}

void TPageControl::DetachPage(TTabSheet* APage) {
  EraseFrom(FPages, APage);
  APage->FPageControl = nullptr;
  if (FActivePage == APage) FActivePage = nullptr;
}

// ---------------------------------------------------------------------------------------------
// TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) { SetTabStop(true); }

void TCheckBox::SetState(TCheckBoxState AValue) {
  if (AValue == FState) return;
  FState = AValue;
  Click();
}

void TCheckBox::SimulateClick() {
  if (CanFocusByUser()) Toggle();
}

void TCheckBox::Toggle() {
  switch (FState) {
    case cbUnchecked:
      SetState(FAllowGrayed ? cbGrayed : cbChecked);
      break;
    case cbChecked:
      SetState(cbUnchecked);
      break;
    case cbGrayed:
      SetState(cbChecked);
      break;
  }
}

// ---------------------------------------------------------------------------------------------
// TButton

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) { SetTabStop(true); }

TButton::~TButton() { SetImages(nullptr); }

void TButton::SetImages(TCustomImageList* AValue) {
  if (AValue == FImages) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = AValue;
  if (FImages) FImages->FreeNotification(this);
}

void TButton::Click() {
  if (FModalResult != mrNone)
    if (TCustomForm* LForm = GetParentForm(this)) LForm->SetModalResult(FModalResult);
  TWinControl::Click();
}

void TButton::Notification(TComponent* AComponent, TOperation AOperation) {
  TWinControl::Notification(AComponent, AOperation);
  if (AOperation == opRemove && AComponent == FImages) FImages = nullptr;
}

}  // namespace Vorlane

