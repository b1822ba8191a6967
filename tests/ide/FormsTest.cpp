// The forms-library behaviour the settings frames and dialog build on: the three-state check
// box, modal results through default and cancel buttons, page changes, and who frees whom.
#include <gtest/gtest.h>

#include "ide/Forms.h"
#include "ide/Menus.h"

using namespace Vorlane;

TEST(Forms, CheckBoxClickMovesStateThenReports) {
  struct TCase {
    bool AllowGrayed;
    TCheckBoxState Start;
    TCheckBoxState Next;
  } const LCases[] = {
      {true, cbUnchecked, cbGrayed}, {true, cbGrayed, cbChecked},     {true, cbChecked, cbUnchecked},
      {false, cbUnchecked, cbChecked}, {false, cbChecked, cbUnchecked}, {false, cbGrayed, cbChecked},
  };
  for (const TCase& LCase : LCases) {
    TCheckBox LBox(nullptr);
    LBox.SetAllowGrayed(LCase.AllowGrayed);
    LBox.SetState(LCase.Start);
    std::vector<TCheckBoxState> LSeen;
    LBox.OnClick = [&](TObject*) { LSeen.push_back(LBox.State()); };
    LBox.SimulateClick();
    EXPECT_EQ(LBox.State(), LCase.Next) << LCase.AllowGrayed << " " << LCase.Start;
    EXPECT_EQ(LSeen, std::vector<TCheckBoxState>{LCase.Next}) << "the click is reported after the move";
  }
  // A state set in code counts as a click too, an unchanged one does not; a disabled box
  // ignores the user.
  TCheckBox LBox(nullptr);
  int LClicks = 0;
  LBox.OnClick = [&](TObject*) { ++LClicks; };
  LBox.SetChecked(true);
  LBox.SetChecked(true);
  LBox.SetEnabled(false);
  LBox.SimulateClick();
  EXPECT_EQ(LClicks, 1);
  EXPECT_TRUE(LBox.Checked());
}

TEST(Forms, ModalFormEndsWithTheButtonsResult) {
  struct TCase {
    const char* Name;
    std::function<void(TCustomForm&)> User;
    TModalResult Expected;
  };
  TButton* LOK = nullptr;
  const TCase LCases[] = {
      {"Enter", [](TCustomForm& F) { F.PressKey(vkReturn); }, mrOk},
      {"Escape", [](TCustomForm& F) { F.PressKey(vkEscape); }, mrCancel},
      {"OK clicked", [&](TCustomForm&) { LOK->SimulateClick(); }, mrOk},
      {"close box", [](TCustomForm& F) { F.Close(); }, mrCancel},
      {"no answer", [](TCustomForm&) {}, mrCancel},
      {"Enter on a disabled default button", [&](TCustomForm& F) { LOK->SetEnabled(false); F.PressKey(vkReturn); }, mrCancel},
  };
  for (const TCase& LCase : LCases) {
    TForm LForm(nullptr);
    auto* LPanel = new TPanel(&LForm);
    LPanel->SetParent(&LForm);
    LOK = new TButton(&LForm);
    LOK->SetParent(LPanel);
    LOK->SetDefault(true);
    LOK->SetModalResult(mrOk);
    auto* LCancel = new TButton(&LForm);
    LCancel->SetParent(LPanel);
    LCancel->SetCancel(true);
    LCancel->SetModalResult(mrCancel);
    int LShown = 0;
    LForm.OnShow = [&](TObject*) { ++LShown; };
    Application().SetModalHandler(LCase.User);
    EXPECT_EQ(LForm.ShowModal(), LCase.Expected) << LCase.Name;
    EXPECT_EQ(LShown, 1) << LCase.Name;
    EXPECT_FALSE(LForm.Visible()) << LCase.Name;
  }
  Application().SetModalHandler(nullptr);
}

TEST(Forms, PageControlReportsOnlyUserChanges) {
  TPageControl LPages(nullptr);
  auto* LFirst = new TTabSheet(&LPages);
  auto* LSecond = new TTabSheet(&LPages);
  LFirst->SetPageControl(&LPages);
  LSecond->SetPageControl(&LPages);
  int LChanges = 0;
  LPages.OnChange = [&](TObject*) { ++LChanges; };
  LPages.SetActivePage(LFirst);
  LPages.SelectPage(LFirst);
  EXPECT_EQ(LChanges, 0);
  LPages.SelectPage(LSecond);
  EXPECT_EQ(LChanges, 1);
  EXPECT_EQ(LPages.ActivePageIndex(), 1);
  LFirst->SetTabVisible(false);
  LPages.SelectPage(LFirst);
  EXPECT_EQ(LPages.ActivePage(), LSecond);
  delete LSecond;
  EXPECT_EQ(LPages.PageCount(), 1);
  EXPECT_EQ(LPages.ActivePage(), nullptr);
}

TEST(Forms, OwnersAndParentsFreeWhatTheyHold) {
  auto* LForm = new TForm(nullptr);
  auto* LImages = new TImageList(LForm);
  auto* LGroup = new TGroupBox(LForm);
  LGroup->SetParent(LForm);
  auto* LButtons = new TButton*[3];
  for (int I = 0; I < 3; ++I) {
    LButtons[I] = new TButton(LForm);
    LButtons[I]->SetName(u"btn" + IntToStr(I));
    LButtons[I]->SetParent(LGroup);
    LButtons[I]->SetImages(LImages);
  }
  EXPECT_THROW(LButtons[1]->SetName(u"BTN0"), EComponentError);
  LButtons[2]->SetTabOrder(0);
  EXPECT_EQ(LButtons[2]->TabOrder(), 0);
  EXPECT_EQ(LButtons[0]->TabOrder(), 1);
  delete LImages;  // the buttons forget it
  EXPECT_EQ(LButtons[0]->Images(), nullptr);
  delete LButtons[1];  // leaves its parent and its owner
  EXPECT_EQ(LGroup->ControlCount(), 2);
  EXPECT_EQ(LForm->FindComponent(u"btn1"), nullptr);
  EXPECT_EQ(LForm->FindComponent(u"BTN2"), LButtons[2]);
  delete[] LButtons;
  delete LForm;  // frees the rest: the sanitizer build reports anything left or freed twice
}

TEST(Forms, MenuItemsFollowTheirActionAndLeaveTheirParent) {
  TMenuItem LRoot(nullptr);
  TAction LAction(nullptr);
  LAction.SetCaption(u"Vorlane");
  bool LActive = false;
  int LRuns = 0;
  LAction.OnUpdate = [&](TObject*) { LAction.SetEnabled(LActive); };
  LAction.OnExecute = [&](TObject*) { ++LRuns; };
  auto* LItem = new TMenuItem(nullptr);
  LItem->SetAction(&LAction);
  LRoot.Add(LItem);
  EXPECT_EQ(LItem->Caption(), u"Vorlane");
  LItem->Click();  // updated to disabled: nothing runs
  LActive = true;
  LItem->Click();
  EXPECT_EQ(LRuns, 1);
  EXPECT_THROW(LRoot.Add(LItem), EMenuError);
  delete LItem;
  EXPECT_EQ(LRoot.Count(), 0);
}
