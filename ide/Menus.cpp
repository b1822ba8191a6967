#include "ide/Menus.h"

#include <algorithm>

namespace Vorlane {

bool TBasicAction::Execute() {
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

bool TBasicAction::Update() {
  if (!OnUpdate) return false;
  OnUpdate(this);
  return true;
}

bool TAction::Execute() {
  Update();
  return FEnabled && TBasicAction::Execute();
}

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
  SetAction(nullptr);
  while (!FItems.empty()) delete FItems.back();
  if (FParent) FParent->Remove(this);
}

UnicodeString TMenuItem::Caption() const {
  if (auto LAction = dynamic_cast<const TAction*>(FAction)) return LAction->Caption();
  return FCaption;
}

bool TMenuItem::Enabled() const {
  if (auto LAction = dynamic_cast<const TAction*>(FAction)) return LAction->Enabled();
  return FEnabled;
}

bool TMenuItem::Visible() const {
  if (auto LAction = dynamic_cast<const TAction*>(FAction)) return LAction->Visible();
  return FVisible;
}

Integer TMenuItem::ImageIndex() const {
  if (auto LAction = dynamic_cast<const TAction*>(FAction)) return LAction->ImageIndex();
  return FImageIndex;
}

void TMenuItem::SetAction(TBasicAction* AValue) {
  if (AValue == FAction) return;
  if (FAction) FAction->RemoveFreeNotification(this);
  FAction = AValue;
  if (FAction) FAction->FreeNotification(this);
}

void TMenuItem::Click() {
  if (FAction) {
    // The menu shows the action's state as of now, as an idle update would have set it.
    FAction->Update();
    if (Enabled()) FAction->Execute();
  } else if (FEnabled && OnClick) {
    OnClick(this);
  }
}

TMenuItem* TMenuItem::Items(Integer AIndex) const {
  if (AIndex < 0 || AIndex >= Count()) throw EMenuError(u"Menu index out of range");
  return FItems[static_cast<size_t>(AIndex)];
}

Integer TMenuItem::MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }

Integer TMenuItem::IndexOf(const TMenuItem* AItem) const {
  auto LIt = std::find(FItems.begin(), FItems.end(), AItem);
  return LIt == FItems.end() ? -1 : static_cast<Integer>(LIt - FItems.begin());
}

void TMenuItem::Add(TMenuItem* AItem) { Insert(Count(), AItem); }

void TMenuItem::Insert(Integer AIndex, TMenuItem* AItem) {
  if (AItem == nullptr) return;
  if (AItem->FParent) throw EMenuError(u"Menu inserted twice");
  for (const TMenuItem* LAncestor = this; LAncestor; LAncestor = LAncestor->FParent)
    if (LAncestor == AItem) throw EMenuError(u"Menu inserted into itself");
  AIndex = std::clamp<Integer>(AIndex, 0, Count());
  FItems.insert(FItems.begin() + AIndex, AItem);
  AItem->FParent = this;
}

void TMenuItem::Remove(TMenuItem* AItem) {
  auto LIt = std::find(FItems.begin(), FItems.end(), AItem);
  if (LIt == FItems.end()) return;
  FItems.erase(LIt);
  AItem->FParent = nullptr;
}

TMenuItem* TMenuItem::Find(const UnicodeString& AName) {
  std::vector<TMenuItem*> LPending{this};
  while (!LPending.empty()) {
    TMenuItem* LItem = LPending.back();
    LPending.pop_back();
    if (SameText(LItem->Name(), AName)) return LItem;
    LPending.insert(LPending.end(), LItem->FItems.rbegin(), LItem->FItems.rend());
  }
  return nullptr;
}

void TMenuItem::Notification(TComponent* AComponent, TOperation AOperation) {
  TComponent::Notification(AComponent, AOperation);
  if (AOperation == opRemove && AComponent == FAction) FAction = nullptr;
}

}  // namespace Vorlane
