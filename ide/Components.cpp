#include "ide/Components.h"

#include <algorithm>

namespace Vorlane {

namespace {

void EraseFrom(std::vector<TComponent*>& AList, TComponent* AItem) {
  AList.erase(std::remove(AList.begin(), AList.end(), AItem), AList.end());
}

}  // namespace

void TPersistent::Assign(const TPersistent* ASource) {
  (void)ASource;
  throw EConvertError(u"Cannot assign this source to the object");
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Those who refer to this component forget it before it goes.
  while (!FFreeNotifies.empty()) {
    TComponent* LOther = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    EraseFrom(LOther->FFreeNotifies, this);
    LOther->Notification(this, opRemove);
  }
  // Each owned component leaves the list in its own destructor.
  while (!FComponents.empty()) delete FComponents.back();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::SetName(const UnicodeString& AValue) {
  if (AValue == FName) return;
  if (FOwner && !AValue.empty()) {
    TComponent* LOther = FOwner->FindComponent(AValue);
    if (LOther && LOther != this)
      throw EComponentError(u"A component named " + AValue + u" already exists");
  }
  FName = AValue;
}

TComponent* TComponent::Components(Integer AIndex) const {
  if (AIndex < 0 || AIndex >= ComponentCount()) throw EListError(u"List index out of bounds (" + IntToStr(AIndex) + u")");
  return FComponents[static_cast<size_t>(AIndex)];
}

TComponent* TComponent::FindComponent(const UnicodeString& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* LComponent : FComponents)
    if (SameText(LComponent->FName, AName)) return LComponent;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (AComponent->FOwner == this) return;
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (AComponent->FOwner != this) return;
  EraseFrom(FComponents, AComponent);
  AComponent->FOwner = nullptr;
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr || AComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
    FFreeNotifies.push_back(AComponent);
  if (std::find(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this) ==
      AComponent->FFreeNotifies.end())
    AComponent->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (AComponent == nullptr) return;
  EraseFrom(FFreeNotifies, AComponent);
  EraseFrom(AComponent->FFreeNotifies, this);
}

void TComponent::Notification(TComponent*, TOperation) {}

}  // namespace Vorlane
