// Controls of the headless forms library: placement and state as properties, user actions
// as calls (SimulateClick, TPageControl::SelectPage), events as std::function. Nothing is
// drawn and no layout is computed.
#pragma once

#include <bitset>

#include "ide/Graphics.h"

namespace Vorlane {

class TWinControl;
class TCustomForm;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = std::bitset<4>;
inline TAnchors MakeAnchors(std::initializer_list<TAnchorKind> AKinds) {
  TAnchors LResult;
  for (TAnchorKind K : AKinds) LResult.set(K);
  return LResult;
}

using TModalResult = Integer;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrClose = 8;

// Left, top, right and bottom distances (margins default to 3 pixels).
class TMargins : public TPersistent {
 public:
  explicit TMargins(Integer ADefault = 3) : FLeft(ADefault), FTop(ADefault), FRight(ADefault), FBottom(ADefault) {}
  Integer Left() const { return FLeft; }
  Integer Top() const { return FTop; }
  Integer Right() const { return FRight; }
  Integer Bottom() const { return FBottom; }
  void SetLeft(Integer AValue) { FLeft = AValue; }
  void SetTop(Integer AValue) { FTop = AValue; }
  void SetRight(Integer AValue) { FRight = AValue; }
  void SetBottom(Integer AValue) { FBottom = AValue; }
  void SetBounds(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom) {
    FLeft = ALeft;
    FTop = ATop;
    FRight = ARight;
    FBottom = ABottom;
  }

 private:
  Integer FLeft, FTop, FRight, FBottom;
};

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  // Leaves its parent first.
  ~TControl() override;

  TWinControl* Parent() const { return FParent; }
  // Moves the control into AParent's controls (last in its tab order), or out of any.
  virtual void SetParent(TWinControl* AParent);

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign AValue) { FAlign = AValue; }
  bool AlignWithMargins() const { return FAlignWithMargins; }
  void SetAlignWithMargins(bool AValue) { FAlignWithMargins = AValue; }
  TMargins& Margins() { return FMargins; }
  const TMargins& Margins() const { return FMargins; }
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors AValue) { FAnchors = AValue; }

  Integer Left() const { return FLeft; }
  Integer Top() const { return FTop; }
  Integer Width() const { return FWidth; }
  Integer Height() const { return FHeight; }
  void SetLeft(Integer AValue) { FLeft = AValue; }
  void SetTop(Integer AValue) { FTop = AValue; }
  void SetWidth(Integer AValue) { FWidth = AValue; }
  void SetHeight(Integer AValue) { FHeight = AValue; }
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight);

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool AValue) { FVisible = AValue; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool AValue) { FEnabled = AValue; }
  // Visible and enabled, and so are all its parents: a user can reach it.
  bool CanFocusByUser() const;

  const UnicodeString& Caption() const { return FCaption; }
  void SetCaption(const UnicodeString& AValue) { FCaption = AValue; }
  TColor Color() const { return FColor; }
  void SetColor(TColor AValue) { FColor = AValue; }

  TNotifyEvent OnClick;
  // Reports a click: OnClick when assigned.
  virtual void Click();
  // A user's click; ignored when the control cannot be reached (hidden or disabled).
  virtual void SimulateClick();

 private:
  friend class TWinControl;
  TWinControl* FParent = nullptr;
  TAlign FAlign = alNone;
  bool FAlignWithMargins = false;
  TMargins FMargins;
  TAnchors FAnchors = MakeAnchors({akLeft, akTop});
  Integer FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FVisible = true;
  bool FEnabled = true;
  UnicodeString FCaption;
  TColor FColor = clBtnFace;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  // Frees its child controls (whoever owns them), last one first.
  ~TWinControl() override;

  Integer ControlCount() const { return static_cast<Integer>(FControls.size()); }
  TControl* Controls(Integer AIndex) const;
  // The position among the parent's child windows in tab order; -1 without a parent.
  Integer TabOrder() const;
  void SetTabOrder(Integer AValue);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool AValue) { FTabStop = AValue; }
  bool DoubleBuffered() const { return FDoubleBuffered; }
  void SetDoubleBuffered(bool AValue) { FDoubleBuffered = AValue; }

  // Alignment suspended while the count is above 0.
  void DisableAlign() { ++FAlignLevel; }
  void EnableAlign();
  bool AlignDisabled() const { return FAlignLevel > 0; }

 protected:
  friend class TControl;
  virtual void InsertControl(TControl* AControl);
  virtual void RemoveControl(TControl* AControl);

 private:
  std::vector<TControl*> FControls;
  std::vector<TWinControl*> FTabList;
  bool FTabStop = false;
  bool FDoubleBuffered = false;
  Integer FAlignLevel = 0;
};

// The form a control stands on, nil when none.
TCustomForm* GetParentForm(const TControl* AControl);

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public TWinControl {
 public:
  using TWinControl::TWinControl;
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut AValue) { FBevelOuter = AValue; }
  bool ShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool AValue) { FShowCaption = AValue; }

 private:
  TBevelCut FBevelOuter = bvRaised;
  bool FShowCaption = true;
};

class TGroupBox : public TWinControl {
 public:
  using TWinControl::TWinControl;
};

enum TSizeStyle { ssAbsolute, ssPercent, ssAuto };

// A column or a row of a grid panel.
struct TCellItem {
  TSizeStyle SizeStyle = ssPercent;
  double Value = 0;
};

// Controls placed in cells. A control that leaves the panel leaves its cell.
class TGridPanel : public TPanel {
 public:
  using TPanel::TPanel;

  std::vector<TCellItem>& ColumnCollection() { return FColumns; }
  std::vector<TCellItem>& RowCollection() { return FRows; }
  // Makes AControl a child placed in that cell.
  void AddControl(TControl* AControl, Integer AColumn, Integer ARow);
  // The control in that cell, nil when none.
  TControl* ControlAt(Integer AColumn, Integer ARow) const;

 protected:
  void RemoveControl(TControl* AControl) override;

 private:
  struct TPlacement {
    TControl* Control;
    Integer Column;
    Integer Row;
  };
  std::vector<TCellItem> FColumns;
  std::vector<TCellItem> FRows;
  std::vector<TPlacement> FPlacements;
};

class TPageControl;

class TTabSheet : public TWinControl {
 public:
  using TWinControl::TWinControl;
  ~TTabSheet() override;

  TPageControl* PageControl() const { return FPageControl; }
  // Moves the sheet to the end of APageControl's pages (and makes it its child).
  void SetPageControl(TPageControl* APageControl);
  Integer PageIndex() const;
  bool TabVisible() const { return FTabVisible; }
  void SetTabVisible(bool AValue) { FTabVisible = AValue; }

 private:
  friend class TPageControl;
  TPageControl* FPageControl = nullptr;
  bool FTabVisible = true;
};

enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };

class TPageControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
  ~TPageControl() override;

  Integer PageCount() const { return static_cast<Integer>(FPages.size()); }
  TTabSheet* Pages(Integer AIndex) const;
  TTabSheet* ActivePage() const { return FActivePage; }
  // Selecting in code reports no change.
  void SetActivePage(TTabSheet* APage);
  Integer ActivePageIndex() const;
  void SetActivePageIndex(Integer AValue);
  TTabStyle Style() const { return FStyle; }
  void SetStyle(TTabStyle AValue) { FStyle = AValue; }

  TNotifyEvent OnChange;
  // A user's click on a page's tab: selects it and reports the change. Nothing happens for
  // the active page, a hidden tab or a control the user cannot reach.
  void SelectPage(TTabSheet* APage);

 private:
  friend class TTabSheet;
  void AttachPage(TTabSheet* APage);
  void DetachPage(TTabSheet* APage);
  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
  TTabStyle FStyle = tsTabs;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// A change of State, in code or by the user, is reported as a click. A user's click first
// moves the box to its next state (unchecked, then grayed when AllowGrayed, then checked,
// then unchecked) and the move reports the click.
class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TComponent* AOwner);

  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool AValue) { FAllowGrayed = AValue; }
  TCheckBoxState State() const { return FState; }
  void SetState(TCheckBoxState AValue);
  bool Checked() const { return FState == cbChecked; }
  void SetChecked(bool AValue) { SetState(AValue ? cbChecked : cbUnchecked); }
  void SimulateClick() override;

 protected:
  virtual void Toggle();

 private:
  bool FAllowGrayed = false;
  TCheckBoxState FState = cbUnchecked;
};

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TLabel : public TControl {
 public:
  using TControl::TControl;
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout AValue) { FLayout = AValue; }

 private:
  TTextLayout FLayout = tlTop;
};

// A push button. A click sets the parent form's ModalResult to the button's own (when not
// mrNone) and then reports the click.
class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* AOwner);
  ~TButton() override;

  bool Default() const { return FDefault; }
  void SetDefault(bool AValue) { FDefault = AValue; }
  bool Cancel() const { return FCancel; }
  void SetCancel(bool AValue) { FCancel = AValue; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult AValue) { FModalResult = AValue; }

  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* AValue);
  Integer ImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer AValue) { FImageIndex = AValue; }
  Integer HotImageIndex() const { return FHotImageIndex; }
  void SetHotImageIndex(Integer AValue) { FHotImageIndex = AValue; }
  Integer DisabledImageIndex() const { return FDisabledImageIndex; }
  void SetDisabledImageIndex(Integer AValue) { FDisabledImageIndex = AValue; }
  TMargins& ImageMargins() { return FImageMargins; }
  const TMargins& ImageMargins() const { return FImageMargins; }

  void Click() override;

 protected:
  void Notification(TComponent* AComponent, TOperation AOperation) override;

 private:
  bool FDefault = false;
  bool FCancel = false;
  TModalResult FModalResult = mrNone;
  TCustomImageList* FImages = nullptr;
  Integer FImageIndex = -1;
  Integer FHotImageIndex = -1;
  Integer FDisabledImageIndex = -1;
  TMargins FImageMargins{0};
};

}  // namespace Vorlane
