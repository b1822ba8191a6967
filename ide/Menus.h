// Actions and menu items of the headless forms library.
#pragma once

#include "ide/Components.h"

namespace Vorlane {

class TBasicAction : public TComponent {
 public:
  using TComponent::TComponent;

  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;
  // Runs OnExecute; false when there is none.
  virtual bool Execute();
  // Runs OnUpdate (which may change the action's state); false when there is none.
  virtual bool Update();
};

// An action with the state its menu items show.
class TAction : public TBasicAction {
 public:
  using TBasicAction::TBasicAction;

  const UnicodeString& Caption() const { return FCaption; }
  void SetCaption(const UnicodeString& AValue) { FCaption = AValue; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool AValue) { FEnabled = AValue; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool AValue) { FVisible = AValue; }
  Integer ImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer AValue) { FImageIndex = AValue; }

  // Updates first, then runs OnExecute only while the action is enabled.
  bool Execute() override;

 private:
  UnicodeString FCaption;
  bool FEnabled = true;
  bool FVisible = true;
  Integer FImageIndex = -1;
};

// A menu item. Its sub-items are its own: they are freed with it. Freeing an item takes it out
// of its parent's list. An item linked to an action shows the action's caption, state and
// image, and a click executes the action.
class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  UnicodeString Caption() const;
  void SetCaption(const UnicodeString& AValue) { FCaption = AValue; }
  bool Enabled() const;
  void SetEnabled(bool AValue) { FEnabled = AValue; }
  bool Visible() const;
  void SetVisible(bool AValue) { FVisible = AValue; }
  Integer ImageIndex() const;
  void SetImageIndex(Integer AValue) { FImageIndex = AValue; }
  TBasicAction* Action() const { return FAction; }
  void SetAction(TBasicAction* AValue);

  TNotifyEvent OnClick;
  // A click: an item linked to an action updates it and executes it while it is enabled;
  // any other item reports OnClick while it is enabled.
  virtual void Click();

  TMenuItem* Parent() const { return FParent; }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TMenuItem* Items(Integer AIndex) const;
  // The position in the parent's list, -1 without a parent.
  Integer MenuIndex() const;
  Integer IndexOf(const TMenuItem* AItem) const;
  // Inserting an item that has a parent raises EMenuError.
  void Add(TMenuItem* AItem);
  void Insert(Integer AIndex, TMenuItem* AItem);
  // Takes the item out of this item's list without freeing it.
  void Remove(TMenuItem* AItem);
  // This item or the first item below it (depth first) with that name, nil when none.
  TMenuItem* Find(const UnicodeString& AName);

 protected:
  void Notification(TComponent* AComponent, TOperation AOperation) override;

 private:
  UnicodeString FCaption;
  bool FEnabled = true;
  bool FVisible = true;
  Integer FImageIndex = -1;
  TBasicAction* FAction = nullptr;
  TMenuItem* FParent = nullptr;
  std::vector<TMenuItem*> FItems;
};

VORLANE_DECLARE_EXCEPTION(EMenuError, Exception)

}  // namespace Vorlane
