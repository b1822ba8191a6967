#include <gtest/gtest.h>

#include <functional>

#include "addin/SettingsForm.h"
#include "platform/IconResource.h"

using namespace Vorlane;

namespace {

// Plays the user while the dialog is shown; the previous player comes back afterwards.
class TUser {
 public:
  explicit TUser(TModalHandler AHandler) : FPrevious(Application().ModalHandler()) {
    Application().SetModalHandler(std::move(AHandler));
  }
  ~TUser() { Application().SetModalHandler(FPrevious); }

 private:
  TModalHandler FPrevious;
};

TFormVorlaneSettings& AsDialog(TCustomForm& AForm) { return dynamic_cast<TFormVorlaneSettings&>(AForm); }

}  // namespace

// OK and Enter accept the dialog; Cancel, Escape, the close box and Help do not (Help without
// a help file leaves the dialog open).
TEST(SettingsFormTest, ModalResults) {
  struct Case {
    const char* Action;
    std::function<void(TFormVorlaneSettings&)> Play;
    TModalResult Result;
  };
  const Case Cases[] = {
      {"OK", [](TFormVorlaneSettings& F) { F.btnOK->SimulateClick(); }, mrOk},
      {"Enter", [](TFormVorlaneSettings& F) { F.PressKey(vkReturn); }, mrOk},
      {"Cancel", [](TFormVorlaneSettings& F) { F.btnCancel->SimulateClick(); }, mrCancel},
      {"Escape", [](TFormVorlaneSettings& F) { F.PressKey(vkEscape); }, mrCancel},
      {"close box", [](TFormVorlaneSettings& F) { F.Close(); }, mrCancel},
      {"Help", [](TFormVorlaneSettings& F) {
         F.btnHelp->SimulateClick();
         EXPECT_EQ(F.ModalResult(), mrNone);
       }, mrCancel},
  };
  TFormVorlaneSettings Form(nullptr);
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Action);
    TUser User([&](TCustomForm& AForm) { C.Play(AsDialog(AForm)); });
    EXPECT_EQ(Form.ShowModal(), C.Result);
    EXPECT_FALSE(Form.Visible());
  }
}

// The dialog is made once and reused: the first showing starts on the project page, every
// later one on the page the user left; the records pass through unchanged unless the user
// clicks.
TEST(SettingsFormTest, ReuseKeepsTheLastPage) {
  TFormVorlaneSettings Form(nullptr);
  EXPECT_EQ(Form.Caption(), u"Vorlane");
  EXPECT_EQ(Form.btnOK->Caption(), SOKButton);
  EXPECT_EQ(Form.btnCancel->Caption(), SCancelButton);
  TVorlaneSettingsRec Global;
  Global.SplitDproj = true;
  Form.SetGlobalSettings(Global);
  Form.SetProjectName(u"App.dproj");
  Form.SetIsPackage(true);

  std::vector<TTabSheet*> Shown;
  TUser User([&](TCustomForm& AForm) {
    TFormVorlaneSettings& F = AsDialog(AForm);
    Shown.push_back(F.FrSettings->pgcSettings->ActivePage());
    if (Shown.size() == 1) {
      EXPECT_EQ(F.FrSettings->FrProjectSettings->chkSplitDproj->State(), cbGrayed);
      F.FrSettings->pgcSettings->SelectPage(F.FrSettings->tbsProjectGroup);
      F.FrSettings->FrProjectGroupSettings->chkRemoveUWP->SimulateClick();
    }
    F.PressKey(vkReturn);
  });
  ASSERT_EQ(Form.ShowModal(), mrOk);
  ASSERT_EQ(Form.ShowModal(), mrOk);
  ASSERT_EQ(Shown.size(), 2u);
  EXPECT_EQ(Shown[0], Form.FrSettings->tbsProject);
  EXPECT_EQ(Shown[1], Form.FrSettings->tbsProjectGroup);
  EXPECT_TRUE(Form.GroupSettings().RemoveUWP);
  EXPECT_TRUE(Form.GlobalSettings().SplitDproj);
  EXPECT_FALSE(Form.Settings().SplitDproj);
  EXPECT_TRUE(Form.IsPackage());
  EXPECT_EQ(Form.ProjectName(), u"App.dproj");
  // Alignment is back after every showing, with OK and Cancel anchored top right.
  EXPECT_FALSE(Form.AlignDisabled());
  EXPECT_EQ(Form.btnOK->Anchors(), MakeAnchors({akTop, akRight}));
}

// The buttons' glyphs and the window's icon come from the add-in's icon resources.
TEST(SettingsFormTest, GlyphsAndIcon) {
  TFormVorlaneSettings Form(nullptr);
  EXPECT_EQ(Form.btnImages->Count(), 9);
  EXPECT_EQ(Form.btnImages->Width(), 24);
  EXPECT_EQ(Form.btnImages->ColorDepth(), cd32Bit);
  for (TButton* B : {Form.btnOK, Form.btnCancel, Form.btnHelp}) EXPECT_EQ(B->Images(), Form.btnImages);
  EXPECT_EQ(Form.btnCancel->HotImageIndex(), 4);
  const TIconImage* Icon = SharedIconImage(Form.Icon().Handle());
  ASSERT_NE(Icon, nullptr);
  EXPECT_EQ(Icon->Width, 48);
  // The tab order of the bottom row runs Cancel, OK, Help.
  EXPECT_EQ(Form.btnCancel->TabOrder(), 0);
  EXPECT_EQ(Form.btnOK->TabOrder(), 1);
  EXPECT_EQ(Form.btnHelp->TabOrder(), 2);
}
