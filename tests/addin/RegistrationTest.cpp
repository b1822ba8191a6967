// The add-in's registration in this process: which indices are given back at the end, and the
// menus it inserts with and without a help file.
#include <gtest/gtest.h>

#include <cstdlib>

#include "addin/Main.h"
#include "common/TestSupport.h"
#include "ide/IdeTestSupport.h"
#include "ide/Menus.h"
#include "simide/SimIDE.h"

using namespace Vorlane;
using namespace TestSupport;
using IdeTest::U16;

TEST(Registration, OnlyIndicesAboveZeroAreGivenBack) {
  for (const Integer LFirst : {0, 1, 7}) {
    TScratchFolder LDir;
    TSimIDE LIDE(U16(LDir / "ide"));
    LIDE.SetNextIndex(LFirst);
    Register();
    ASSERT_TRUE(TVorlane::Instance());
    // The about entry comes first, then the notifier's own registrations, then the notifier.
    EXPECT_EQ(TVorlane::Instance()->PluginInfoID(), LFirst);
    EXPECT_EQ(TVorlane::Instance()->PackageNotifierID(), LFirst + 2);
    EXPECT_EQ(LIDE.RegistrationCount(), 4);
    Finalize();
    EXPECT_FALSE(TVorlane::Instance());
    EXPECT_EQ(LIDE.RegistrationCount(), LFirst > 0 ? 0 : 1) << "an about entry of index 0 stays";
    EXPECT_EQ(LIDE.AboutEntries().size(), LFirst > 0 ? 0u : 1u);
  }
}

TEST(Registration, FailedRegistrationLeavesNothingBehind) {
  TScratchFolder LDir;
  LDir.Touch("A.dproj", IdeTest::SampleDproj());
  TSimIDE LIDE(U16(LDir / "ide"));
  TIntfPtr<IOTAProject> LProject = LIDE.OpenProject(U16(LDir / "A.dproj"));
  LIDE.MainMenu().Find(u"ProjectOptionsItem")->SetName(u"Elsewhere");
  EXPECT_ANY_THROW(Register());
  EXPECT_FALSE(TVorlane::Instance());
  EXPECT_EQ(LIDE.RegistrationCount(), 0) << "no notifier of the half-built add-in stays";
  EXPECT_EQ(LIDE.AboutEntries().size(), 0u);
  LIDE.CloseAll();
}

#ifndef _WIN32
TEST(Registration, HelpEntryOnlyWithAHelpFileAndAPlaceForIt) {
  struct TCase {
    bool HelpFile;
    bool ThirdPartyItem;
    bool HelpEntry;
  } const LCases[] = {{true, true, true}, {false, true, false}, {true, false, false}};
  for (const TCase& LCase : LCases) {
    TScratchFolder LDir;
    LDir.Touch("help.chm");
    if (LCase.HelpFile) LDir.Touch("config/vorlane/help", (LDir / "help.chm").string());
    ::setenv("XDG_CONFIG_HOME", (LDir / "config").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (LDir / "none").c_str(), 1);
    TSimIDE LIDE(U16(LDir / "ide"));
    if (!LCase.ThirdPartyItem) LIDE.MainMenu().Find(u"HelpThirdPartyMenuItem")->SetName(u"Elsewhere");
    Register();  // a failed insertion of the help entry is no failure of the add-in
    EXPECT_EQ(LIDE.MainMenu().Find(u"VorlaneHelpItem") != nullptr, LCase.HelpEntry);
    TMenuItem* LOptions = LIDE.MainMenu().Find(u"ProjectOptionsItem");
    EXPECT_EQ(LOptions->Parent()->Items(LOptions->MenuIndex() - 1)->Caption(), u"Vorlane");
    Finalize();
    EXPECT_FALSE(LIDE.MainMenu().Find(u"VorlaneHelpItem"));
    EXPECT_EQ(LOptions->MenuIndex(), 1) << "the Project-menu item is gone";
  }
  ::unsetenv("XDG_CONFIG_HOME");
  ::unsetenv("XDG_CONFIG_DIRS");
}
#endif
