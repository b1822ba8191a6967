#include <gtest/gtest.h>

#include <memory>

#include "addin/SettingsFrame.h"

using namespace Vorlane;

namespace {

using TBase = TFrVorlaneSettingsBase;

// Every box with the switch it stands for.
struct TBox {
  TCheckBox* TBase::*Box;
  bool TVorlaneSettingsRec::*Setting;
  const char* Name;
};
const TBox kBoxes[] = {
    {&TBase::chkNormalizeDproj, &TVorlaneSettingsRec::NormalizeDproj, "NormalizeDproj"},
    {&TBase::chkSplitDproj, &TVorlaneSettingsRec::SplitDproj, "SplitDproj"},
    {&TBase::chkRemoveExcludedPackages, &TVorlaneSettingsRec::RemoveExcludedPackages, "RemoveExcludedPackages"},
    {&TBase::chkRemoveDeployment, &TVorlaneSettingsRec::RemoveDeployment, "RemoveDeployment"},
    {&TBase::chkRemoveUWP, &TVorlaneSettingsRec::RemoveUWP, "RemoveUWP"},
    {&TBase::chkVersionInfo, &TVorlaneSettingsRec::ClearChildVersionInfo, "ClearChildVersionInfo"},
    {&TBase::chkAppSettings, &TVorlaneSettingsRec::ClearChildAppSettings, "ClearChildAppSettings"},
    {&TBase::chkPackageSettings, &TVorlaneSettingsRec::ClearChildPackageSettings, "ClearChildPackageSettings"},
    {&TBase::chkAutoLibSuffix, &TVorlaneSettingsRec::AutoLibSuffix, "AutoLibSuffix"},
    {&TBase::chkRefreshFormType, &TVorlaneSettingsRec::RefreshFormType, "RefreshFormType"},
    {&TBase::chkRemoveExplicits, &TVorlaneSettingsRec::RemoveExplicits, "RemoveExplicits"},
    {&TBase::chkEnableMissingPlatforms, &TVorlaneSettingsRec::EnableMissingPlatforms, "EnableMissingPlatforms"},
    {&TBase::chkRemoveUnusedPlatforms, &TVorlaneSettingsRec::RemoveUnusedPlatforms, "RemoveUnusedPlatforms"},
    {&TBase::chkCleanLineFeeds, &TVorlaneSettingsRec::CleanLineFeeds, "CleanLineFeeds"},
};

TVorlaneSettingsRec With(bool TVorlaneSettingsRec::*ASetting) {
  TVorlaneSettingsRec R;
  R.*ASetting = true;
  return R;
}

TVorlaneSettingsRec All() {
  TVorlaneSettingsRec R;
  for (const TBox& B : kBoxes) R.*B.Setting = true;
  return R;
}

bool Same(const TVorlaneSettingsRec& A, const TVorlaneSettingsRec& B) {
  for (const TBox& X : kBoxes)
    if (A.*X.Setting != B.*X.Setting) return false;
  return true;
}

class SettingsFrameTest : public ::testing::Test {
 protected:
  void TearDown() override { TAbstractSettings::FIsKelvaryInstalled = TAbstractSettings::FIsBrisendalInstalled = false; }
};

}  // namespace

// A user's clicks move the box on (checked) and back to what the level inherits (grayed or
// unchecked); each click switches exactly the box's own flag and no other.
TEST_F(SettingsFrameTest, ClickSequences) {
  struct Case {
    bool Inherited;
    bool Global;
    TCheckBoxState States[4];  // before, then after each of three clicks
  };
  const Case Cases[] = {
      {false, false, {cbUnchecked, cbChecked, cbUnchecked, cbChecked}},
      {true, false, {cbGrayed, cbChecked, cbGrayed, cbChecked}},
      {false, true, {cbUnchecked, cbChecked, cbUnchecked, cbChecked}},
      {true, true, {cbGrayed, cbChecked, cbGrayed, cbChecked}},
  };
  for (const Case& C : Cases)
    for (const TBox& B : kBoxes) {
      const bool LLineFeeds = B.Setting == &TVorlaneSettingsRec::CleanLineFeeds;
      if (LLineFeeds && !C.Global) continue;
      SCOPED_TRACE(std::string(B.Name) + (C.Inherited ? " inherited" : "") + (C.Global ? " global" : ""));
      TBase Frame(nullptr);
      Frame.SetIsGroup(true);
      Frame.SetIsGlobal(C.Global);
      Frame.SetParentSettings(C.Inherited ? All() : TVorlaneSettingsRec());
      TCheckBox* Box = Frame.*B.Box;
      for (int Click = 0; Click < 4; ++Click) {
        if (Click > 0) Box->SimulateClick();
        // Line feeds are a global switch: nothing is inherited there.
        const TCheckBoxState Expected = LLineFeeds && C.States[Click] == cbGrayed ? cbUnchecked : C.States[Click];
        EXPECT_EQ(Box->State(), Expected) << "after click " << Click;
        const bool On = Click % 2 == 1;
        EXPECT_TRUE(Same(Frame.Settings(), On ? With(B.Setting) : TVorlaneSettingsRec())) << "after click " << Click;
      }
    }
}

// Setting records in code shows them without counting as clicks; while updating, a click
// changes nothing.
TEST_F(SettingsFrameTest, CodeChangesAreNoClicks) {
  TBase Frame(nullptr);
  Frame.SetIsGlobal(true);
  Frame.SetSettings(All());
  EXPECT_TRUE(Same(Frame.Settings(), All()));
  Frame.SetParentSettings(All());
  Frame.SetSettings(TVorlaneSettingsRec());
  EXPECT_TRUE(Same(Frame.Settings(), TVorlaneSettingsRec()));
  EXPECT_EQ(Frame.chkRemoveUWP->State(), cbGrayed);
  EXPECT_TRUE(Same(Frame.EffectiveSettings(), All()));
  Frame.BeginUpdate();
  Frame.chkRemoveUWP->SimulateClick();
  Frame.EndUpdate();
  EXPECT_FALSE(Frame.Settings().RemoveUWP);
}

// Which boxes a level offers: package boxes for packages, application boxes for
// applications, all of them for a group and the global level; line feeds only globally.
TEST_F(SettingsFrameTest, EnablingTable) {
  struct Case {
    const char* Level;
    bool Group, Package, Global;
    bool AutoLibSuffix, PackageSettings, AppSettings, LineFeeds;
  };
  const Case Cases[] = {
      {"package", false, true, false, true, true, false, false},
      {"application", false, false, false, false, false, true, false},
      {"group", true, false, false, true, true, true, false},
      {"group of a package", true, true, false, true, true, true, false},
      {"global", true, false, true, true, true, true, true},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Level);
    TBase Frame(nullptr);
    Frame.SetIsGroup(C.Group);
    Frame.SetIsPackage(C.Package);
    Frame.SetIsGlobal(C.Global);
    EXPECT_EQ(Frame.chkAutoLibSuffix->Enabled(), C.AutoLibSuffix);
    EXPECT_EQ(Frame.chkPackageSettings->Enabled(), C.PackageSettings);
    EXPECT_EQ(Frame.chkAppSettings->Enabled(), C.AppSettings);
    EXPECT_EQ(Frame.chkCleanLineFeeds->Visible(), C.LineFeeds);
    for (const TBox& B : kBoxes) {
      if (B.Box == &TBase::chkAutoLibSuffix || B.Box == &TBase::chkPackageSettings || B.Box == &TBase::chkAppSettings ||
          B.Box == &TBase::chkCleanLineFeeds)
        continue;
      EXPECT_TRUE((Frame.*B.Box)->Enabled()) << B.Name;
    }
    // A box the level does not offer ignores the user.
    Frame.chkAppSettings->SimulateClick();
    EXPECT_EQ(Frame.Settings().ClearChildAppSettings, C.AppSettings);
  }
}

// With the separate normalizing or splitting add-in loaded, that box is disabled and says
// why, on every page and whatever its flags.
TEST_F(SettingsFrameTest, KelvaryAndBrisendalCaptions) {
  struct Case {
    bool Kelvary, Brisendal;
    const char16_t* Normalize;
    const char16_t* Split;
  };
  const Case Cases[] = {
      {false, false, u"Normalize", u"Split"},
      {true, false, u"Normalize (Kelvary installed!)", u"Split"},
      {false, true, u"Normalize", u"Split (Brisendal installed!)"},
      {true, true, u"Normalize (Kelvary installed!)", u"Split (Brisendal installed!)"},
  };
  TFrVorlaneSettings Frame(nullptr);
  for (const Case& C : Cases) {
    TAbstractSettings::FIsKelvaryInstalled = C.Kelvary;
    TAbstractSettings::FIsBrisendalInstalled = C.Brisendal;
    Frame.SetSettings(All());
    Frame.SetGlobalSettings(All());
    Frame.SetGroupSettings(TVorlaneSettingsRec());
    for (TBase* Page : {Frame.FrProjectSettings, Frame.FrProjectGroupSettings, Frame.FrGlobalSettings}) {
      SCOPED_TRACE(UnicodeToUTF8(Page->Name()) + " " + std::to_string(C.Kelvary) + std::to_string(C.Brisendal));
      EXPECT_EQ(Page->chkNormalizeDproj->Caption(), C.Normalize);
      EXPECT_EQ(Page->chkNormalizeDproj->Enabled(), !C.Kelvary);
      EXPECT_EQ(Page->chkSplitDproj->Caption(), C.Split);
      EXPECT_EQ(Page->chkSplitDproj->Enabled(), !C.Brisendal);
    }
  }
}

// What a page inherits follows the pages above it when their records are set and whenever
// the user switches pages; the global page never inherits.
TEST_F(SettingsFrameTest, ParentSettingsFollowPageChanges) {
  TFrVorlaneSettings Frame(nullptr);
  EXPECT_EQ(Frame.pgcSettings->ActivePage(), Frame.tbsProject);
  Frame.SetGlobalSettings(With(&TVorlaneSettingsRec::NormalizeDproj));
  EXPECT_EQ(Frame.FrProjectGroupSettings->chkNormalizeDproj->State(), cbGrayed);
  EXPECT_EQ(Frame.FrProjectSettings->chkNormalizeDproj->State(), cbGrayed);

  // Clicks on the upper pages reach the lower ones with the next page switch.
  Frame.pgcSettings->SelectPage(Frame.tbsGlobal);
  Frame.FrGlobalSettings->chkRemoveUWP->SimulateClick();
  EXPECT_EQ(Frame.FrProjectSettings->chkRemoveUWP->State(), cbUnchecked);
  Frame.pgcSettings->SelectPage(Frame.tbsProjectGroup);
  EXPECT_EQ(Frame.FrProjectGroupSettings->chkRemoveUWP->State(), cbGrayed);
  Frame.FrProjectGroupSettings->chkRemoveDeployment->SimulateClick();
  Frame.pgcSettings->SelectPage(Frame.tbsProject);
  EXPECT_EQ(Frame.FrProjectSettings->chkRemoveUWP->State(), cbGrayed);
  EXPECT_EQ(Frame.FrProjectSettings->chkRemoveDeployment->State(), cbGrayed);

  // On the project page an inherited switch goes on and back to grayed, never off.
  TCheckBox* Box = Frame.FrProjectSettings->chkRemoveDeployment;
  Box->SimulateClick();
  EXPECT_EQ(Box->State(), cbChecked);
  Box->SimulateClick();
  EXPECT_EQ(Box->State(), cbGrayed);
  EXPECT_FALSE(Frame.Settings().RemoveDeployment);

  // Nothing flows upwards, and each level keeps only its own switches.
  Frame.SetSettings(With(&TVorlaneSettingsRec::RefreshFormType));
  Frame.pgcSettings->SelectPage(Frame.tbsGlobal);
  EXPECT_EQ(Frame.FrGlobalSettings->chkRemoveDeployment->State(), cbUnchecked);
  EXPECT_EQ(Frame.FrProjectGroupSettings->chkRefreshFormType->State(), cbUnchecked);
  TVorlaneSettingsRec Global = With(&TVorlaneSettingsRec::NormalizeDproj);
  Global.RemoveUWP = true;
  EXPECT_TRUE(Same(Frame.GlobalSettings(), Global));
  EXPECT_TRUE(Same(Frame.GroupSettings(), With(&TVorlaneSettingsRec::RemoveDeployment)));

  // Only the global page is offered on the global level, and nothing is handed down there.
  Frame.SetIsGlobal(true);
  EXPECT_FALSE(Frame.tbsProject->TabVisible());
  EXPECT_FALSE(Frame.tbsProjectGroup->TabVisible());
  Frame.SetGlobalSettings(All());
  EXPECT_EQ(Frame.FrProjectSettings->chkRemoveExplicits->State(), cbUnchecked);
}

// The header names the level's file and is hidden without one.
TEST_F(SettingsFrameTest, EmptyFileNameHidesTheHeader) {
  TFrVorlaneSettings Frame(nullptr);
  for (TBase* Page : {Frame.FrProjectSettings, Frame.FrProjectGroupSettings, Frame.FrGlobalSettings})
    EXPECT_FALSE(Page->pnlHeader->Visible());
  Frame.SetProjectName(u"/p/App.dproj");
  Frame.SetProjectGroupName(u"/p/All.groupproj");
  EXPECT_TRUE(Frame.FrProjectSettings->pnlHeader->Visible());
  EXPECT_EQ(Frame.FrProjectSettings->lblFileName->Caption(), u"/p/App.dproj");
  EXPECT_EQ(Frame.FrProjectGroupSettings->lblFileName->Caption(), u"/p/All.groupproj");
  EXPECT_FALSE(Frame.FrGlobalSettings->pnlHeader->Visible());
  Frame.SetProjectName(u"");
  EXPECT_FALSE(Frame.FrProjectSettings->pnlHeader->Visible());
  EXPECT_EQ(Frame.ProjectGroupName(), u"/p/All.groupproj");
}
