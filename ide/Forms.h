// Frames, forms, data modules and the application of the headless forms library.
//
// A modal form has no one to answer it: the host (a test, the simulated IDE) installs a
// modal handler on the application that plays the user while the form is shown; it clicks
// controls or presses keys, and ShowModal returns the ModalResult set by then (mrCancel, as
// the window's close box gives, when nothing set one).
#pragma once

#include <functional>

#include "ide/Controls.h"

namespace Vorlane {

class TCustomFrame : public TWinControl {
 public:
  using TWinControl::TWinControl;
};

class TFrame : public TCustomFrame {
 public:
  using TCustomFrame::TCustomFrame;
};

// A frame class as a value: what the IDE needs to build a frame of that class.
struct TCustomFrameClass {
  std::function<TCustomFrame*(TComponent* AOwner)> Create;

  explicit operator bool() const { return static_cast<bool>(Create); }
};
template <class T>
TCustomFrameClass FrameClassOf() {
  return TCustomFrameClass{[](TComponent* AOwner) -> TCustomFrame* { return new T(AOwner); }};
}

// Keys a modal form reacts to.
inline constexpr Word vkReturn = 0x0D;
inline constexpr Word vkEscape = 0x1B;

enum TPosition { poDesigned, poDefault, poScreenCenter, poMainFormCenter };


class TCustomForm : public TWinControl {
 public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  Integer ClientWidth() const { return FClientWidth; }
  Integer ClientHeight() const { return FClientHeight; }
  void SetClientWidth(Integer AValue) { FClientWidth = AValue; }
  void SetClientHeight(Integer AValue) { FClientHeight = AValue; }
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition AValue) { FPosition = AValue; }
  TFont& Font() { return FFont; }
  TIcon& Icon() { return FIcon; }
  const UnicodeString& HelpFile() const { return FHelpFile; }
  void SetHelpFile(const UnicodeString& AValue) { FHelpFile = AValue; }

  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult AValue) { FModalResult = AValue; }
  // True while ShowModal runs.
  bool Modal() const { return FModal; }

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  // A form class runs this at the end of its constructor (OnCreate when assigned).
  void DoCreate();
  // Shows the form (OnShow), lets the application's modal handler play the user and
  // returns the modal result. Raises EInvalidOperation when the form is showing already.
  TModalResult ShowModal();
  // The window's close box: cancels a modal showing.
  void Close();
  // A key pressed on the form: Enter clicks the default button, Escape the cancel button
  // (when reachable); other keys do nothing.
  void PressKey(Word AKey);

 private:
  TFont FFont;
  TIcon FIcon;
  Integer FClientWidth = 0;
  Integer FClientHeight = 0;
  TPosition FPosition = poDefault;
  UnicodeString FHelpFile;
  TModalResult FModalResult = mrNone;
  bool FModal = false;
};

class TForm : public TCustomForm {
 public:
  using TCustomForm::TCustomForm;
};

// A non-visual container. With ADummy of 0 or more it is entered in the screen's list of data
// modules (and leaves it when freed); -1 keeps it out.
class TDataModule : public TComponent {
 public:
  explicit TDataModule(TComponent* AOwner, Integer ADummy = 0);
  ~TDataModule() override;
};

// The forms library's localized button texts.
extern const char16_t* const SOKButton;
extern const char16_t* const SCancelButton;

// The application's help system.
class IHelpSystem : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0601, 0x3E51, 0x4B20, 0x9D3F00C1A2B30601ULL};
  virtual void ShowTopicHelp(const UnicodeString& ATopic, const UnicodeString& AHelpFile) = 0;
};

using TModalHandler = std::function<void(TCustomForm& AForm)>;

class TApplication {
 public:
  // nil when the application has no help system.
  TIntfPtr<IHelpSystem> HelpSystem() const { return FHelpSystem; }
  void SetHelpSystem(IHelpSystem* AValue) { FHelpSystem = TIntfPtr<IHelpSystem>(AValue); }
  // Host side: who answers modal forms (none: every modal showing ends with mrCancel).
  void SetModalHandler(TModalHandler AHandler) { FModalHandler = std::move(AHandler); }
  const TModalHandler& ModalHandler() const { return FModalHandler; }

 private:
  TIntfPtr<IHelpSystem> FHelpSystem;
  TModalHandler FModalHandler;
};

class TScreen {
 public:
  Integer DataModuleCount() const { return static_cast<Integer>(FDataModules.size()); }
  TDataModule* DataModules(Integer AIndex) const { return FDataModules.at(AIndex); }

 private:
  friend class TDataModule;
  std::vector<TDataModule*> FDataModules;
};

// One each per process.
TApplication& Application();
TScreen& Screen();

}  // namespace Vorlane
