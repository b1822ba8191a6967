// The add-in's access to the IDE, through the simulated IDE: the library suffix from the
// "rtl" package, the installed-package test, and services fetched on first use, asked for
// again while missing and kept once found.
#include <gtest/gtest.h>

#include "addin/ApiHelper.h"
#include "common/TestSupport.h"
#include "simide/SimIDE.h"

using namespace Vorlane;
using TestSupport::TScratchFolder;

namespace {

UnicodeString Folder(const TScratchFolder& ADir) { return UTF8ToUnicode((ADir / "ide").string()); }

}  // namespace

TEST(ApiHelper, LibSuffixAndInstalledPackages) {
  struct TCase {
    const char* Name;
    std::vector<TSimPackage> Packages;
    const char16_t* Suffix;
    const char16_t* Asked;
    bool Installed;
  } const LCases[] = {
      {"rtl210", {{u"vcl", u"/ide/vcl210.bpl"}, {u"rtl", u"/ide/rtl210.bpl"}, {u"Kelvary", u"/ide/Kelvary210.bpl"}},
       u"210", u"Kelvary", true},
      {"name in other case", {{u"RTL", u"/ide/RTL280.BPL"}, {u"x", u"/ide/KELVARY280.BPL"}}, u"280", u"Kelvary", true},
      {"package of another version", {{u"rtl", u"/ide/rtl210.bpl"}, {u"x", u"/ide/Brisendal280.bpl"}}, u"210",
       u"Brisendal", false},
      {"no rtl package", {{u"rtlx", u"/ide/rtlx210.bpl"}, {u"x", u"/ide/Brisendal.bpl"}}, u"", u"Brisendal", true},
      {"no rtl package, suffixed file", {{u"x", u"/ide/Brisendal210.bpl"}}, u"", u"Brisendal", false},
      {"first rtl wins", {{u"rtl", u"/ide/rtl270.bpl"}, {u"rtl", u"/ide/rtl210.bpl"}}, u"270", u"rtl", true},
      {"rtl without suffix", {{u"rtl", u"/ide/rtl.bpl"}}, u"", u"rtl", true},
  };
  TScratchFolder LDir;
  for (const TCase& LCase : LCases) {
    TSimIDE LIDE(Folder(LDir));
    LIDE.Packages() = LCase.Packages;
    TIntfPtr<IServiceContainer> LContainer = CreateServiceContainer();
    EXPECT_EQ(LContainer->IDELibSuffix(), LCase.Suffix) << LCase.Name;
    EXPECT_EQ(LContainer->IsPackageInstalled(LCase.Asked), LCase.Installed) << LCase.Name;
  }
}

TEST(ApiHelper, SuffixIsSoughtUntilFoundAndThenKept) {
  TScratchFolder LDir;
  TSimIDE LIDE(Folder(LDir));
  LIDE.Packages().clear();
  TIntfPtr<IServiceContainer> LContainer = CreateServiceContainer();
  EXPECT_EQ(LContainer->IDELibSuffix(), u"");
  LIDE.AddPackage(u"rtl");
  EXPECT_EQ(LContainer->IDELibSuffix(), u"210");
  LIDE.Packages() = {{u"rtl", u"/ide/rtl300.bpl"}};
  EXPECT_EQ(LContainer->IDELibSuffix(), u"210");
  EXPECT_EQ(CreateServiceContainer()->IDELibSuffix(), u"300") << "each container starts empty";
}

TEST(ApiHelper, ServicesAreFetchedOnFirstUseAndRetriedWhileMissing) {
  TScratchFolder LDir;
  TSimIDE LIDE(Folder(LDir));
  TIntfPtr<IServiceContainer> LContainer = CreateServiceContainer();
  struct TCase {
    const char* Name;
    TGUID IID;
    std::function<bool()> Present;
  } const LCases[] = {
      {"NTAEnvironmentOptionsServices", INTAEnvironmentOptionsServices::IID,
       [&] { return bool(LContainer->NTAEnvironmentOptionsServices()); }},
      {"OTAAboutBoxServices", IOTAAboutBoxServices::IID, [&] { return bool(LContainer->OTAAboutBoxServices()); }},
      {"OTAModuleServices", IOTAModuleServices::IID, [&] { return bool(LContainer->OTAModuleServices()); }},
      {"OTAPackageServices", IOTAPackageServices::IID, [&] { return bool(LContainer->OTAPackageServices()); }},
      {"OTAServices", IOTAServices::IID, [&] { return bool(LContainer->OTAServices()); }},
      {"NTAServices", INTAServices::IID, [&] { return bool(LContainer->NTAServices()); }},
      {"OTAPlatformServices", IOTAPlatformServices::IID, [&] { return bool(LContainer->OTAPlatformServices()); }},
  };
  for (const TCase& LCase : LCases) {
    LIDE.SetServiceOffered(LCase.IID, false);
    EXPECT_FALSE(LCase.Present()) << LCase.Name;
    LIDE.SetServiceOffered(LCase.IID, true);
    EXPECT_TRUE(LCase.Present()) << LCase.Name << " is asked for again";
    LIDE.SetServiceOffered(LCase.IID, false);
    EXPECT_TRUE(LCase.Present()) << LCase.Name << " is kept once found";
  }
  LIDE.SetServiceOffered(IOTAPackageServices::IID, false);
  EXPECT_EQ(CreateServiceContainer()->IDELibSuffix(), u"");
  EXPECT_FALSE(CreateServiceContainer()->IsPackageInstalled(u"rtl"));
}

TEST(ApiHelper, WithoutAnIDEEveryServiceIsNil) {
  TIntfPtr<IServiceContainer> LContainer = CreateServiceContainer();
  EXPECT_FALSE(LContainer->OTAServices());
  EXPECT_EQ(LContainer->IDELibSuffix(), u"");
  EXPECT_FALSE(LContainer->IsPackageInstalled(u"Kelvary"));
}
