// Components of the headless forms library: an owner frees what it owns, a name finds a
// component below its owner, and a component that goes tells those who asked to know.
#pragma once

#include <functional>
#include <vector>

#include "ide/Interfaces.h"
#include "platform/SysUtils.h"

namespace Vorlane {

VORLANE_DECLARE_EXCEPTION(EComponentError, Exception)
VORLANE_DECLARE_EXCEPTION(EInvalidCast, Exception)

using TNotifyEvent = std::function<void(TObject* ASender)>;

class TPersistent : public TObject {
 public:
  // Copies ASource into this object; raises EConvertError when the classes do not fit.
  virtual void Assign(const TPersistent* ASource);
};

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
 public:
  // AOwner (may be null) frees the component when it is freed itself.
  explicit TComponent(TComponent* AOwner);
  // Frees every owned component, last one first, after telling the components that asked
  // for it that this one goes.
  ~TComponent() override;

  TComponent* Owner() const { return FOwner; }
  const UnicodeString& Name() const { return FName; }
  // Raises EComponentError when another component of the same owner has the name already.
  void SetName(const UnicodeString& AValue);
  Integer Tag() const { return FTag; }
  void SetTag(Integer AValue) { FTag = AValue; }

  Integer ComponentCount() const { return static_cast<Integer>(FComponents.size()); }
  TComponent* Components(Integer AIndex) const;
  // The owned component of that name (compared without regard to case), nil when none.
  TComponent* FindComponent(const UnicodeString& AName) const;
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);

  // AComponent's Notification(this, opRemove) runs when this component is destroyed.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

 protected:
  // Told that AComponent (which this one refers to) is being destroyed.
  virtual void Notification(TComponent* AComponent, TOperation AOperation);

 private:
  TComponent* FOwner = nullptr;
  UnicodeString FName;
  Integer FTag = 0;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
};

}  // namespace Vorlane
