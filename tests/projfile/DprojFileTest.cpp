#include <gtest/gtest.h>

#include <functional>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include "platform/FileSystem.h"
#include "projfile/DprojFile.h"
#include "tests/projfile/DprojFileTestSupport.h"
#include "xml/XmlNode.h"

using namespace Vorlane;
using namespace ProjFileTest;

namespace {

// Runs AOperation on a copy of AFixture loaded through a project-file object, saves it and
// returns the bytes on disk.
std::string RunOnCopy(const std::string& AFixture, const std::function<void(TDProjFile&)>& AOperation) {
  TTempDir Dir;
  const fs::path Copy = Dir.Copy(AFixture);
  {
    TDProjFile Project(U16(Copy));
    AOperation(Project);
    Project.SaveToFile();
  }
  return ReadBytes(Copy);
}

std::string Expected(const std::string& AName) { return ReadBytes(FixturePath(AName)); }

#ifndef _WIN32
// Last-write time with nanoseconds, and a way to put it in the past so a rewrite shows.
timespec WriteTime(const fs::path& APath) {
  struct stat St {};
  EXPECT_EQ(0, ::stat(APath.c_str(), &St));
  return St.st_mtim;
}

void AgeFile(const fs::path& APath) {
  timespec Times[2] = {{1000000000, 5}, {1000000000, 5}};
  ASSERT_EQ(0, ::utimensat(AT_FDCWD, APath.c_str(), Times, 0));
}
#endif

// Restores the default platform tables whatever a test did to them.
class DprojFile : public ::testing::Test {
 protected:
  void TearDown() override {
    TCustomProjFile::SetKnownPlatforms({});
    TCustomProjFile::SetPlatformMasks({});
  }
};

}  // namespace

TEST_F(DprojFile, AddMissingPlatforms) {
  const std::vector<UnicodeString> Names = {u"Win32", u"Linux64"};
  // An existing entry matches ignoring case and is left as it is.
  EXPECT_EQ(Expected("add_missing.expected.dproj"),
            RunOnCopy("add_missing.dproj", [&](TDProjFile& P) { P.AddMissingPlatforms(Names); }));
  // The Platforms element is created when BorlandProject lacks it.
  EXPECT_EQ(Expected("add_missing_noplatforms.expected.dproj"),
            RunOnCopy("add_missing_noplatforms.dproj", [&](TDProjFile& P) { P.AddMissingPlatforms(Names); }));
  // Below version 13 and with no names nothing changes.
  EXPECT_EQ(Expected("add_missing_v12.dproj"),
            RunOnCopy("add_missing_v12.dproj", [&](TDProjFile& P) { P.AddMissingPlatforms(Names); }));
  EXPECT_EQ(Expected("add_missing.dproj"),
            RunOnCopy("add_missing.dproj", [&](TDProjFile& P) { P.AddMissingPlatforms({}); }));
}

TEST_F(DprojFile, RemoveUnusedPlatformsFromTargetedPlatformsBits) {
  TTempDir Dir;
  const fs::path Copy = Dir.Copy("targeted.dproj");
  TDProjFile::RemoveUnusedPlatforms(U16(Copy));
  EXPECT_EQ(Expected("targeted.expected.dproj"), ReadBytes(Copy));
  // A second run finds nothing more to do.
  TDProjFile::RemoveUnusedPlatforms(U16(Copy));
  EXPECT_EQ(Expected("targeted.expected.dproj"), ReadBytes(Copy));
}

TEST_F(DprojFile, RemoveUnusedPlatformsFromPlatformEntries) {
  EXPECT_EQ(Expected("platforms.expected.dproj"),
            RunOnCopy("platforms.dproj", [](TDProjFile& P) { P.RemoveUnusedPlatforms(); }));
}

TEST_F(DprojFile, RemoveUnusedPlatformsVersionGate) {
  TTempDir Dir;
  const fs::path Copy = Dir.Copy("targeted.dproj");
  std::string Old = ReadBytes(Copy);
  Old.replace(Old.find("<ProjectVersion>19.5<"), 21, "<ProjectVersion>12.9<");
  WriteBytes(Copy, Old);
  TDProjFile::RemoveUnusedPlatforms(U16(Copy));
  EXPECT_EQ(Old, ReadBytes(Copy));
}

TEST_F(DprojFile, EmptyPlatformsWithoutTargetedPlatformsUsesNone) {
  TDprojXml Xml;
  Xml.ReadFromString(
      "<Project><PropertyGroup><ProjectVersion>18.8</ProjectVersion></PropertyGroup>"
      "<PropertyGroup Condition=\"'$(Platform)'=='Win32'\"/>"
      "<PropertyGroup Condition=\"'$(Cfg_1_Win64)'!=''\"/>"
      "<PropertyGroup Condition=\"'$(Config)'=='Debug'\"/>"
      "<ItemGroup><BuildConfiguration><Key>Cfg_1</Key></BuildConfiguration></ItemGroup>"
      "<ProjectExtensions><BorlandProject><Platforms/></BorlandProject></ProjectExtensions></Project>");
  TDProjFile P(&Xml);
  P.RemoveUnusedPlatforms();
  TXmlNodeList Groups;
  Xml.GetRoot()->NodesByName("PropertyGroup", &Groups);
  ASSERT_EQ(2, Groups.Count());
  EXPECT_EQ(u"'$(Config)'=='Debug'", Groups[1]->GetAttributeByNameWide("Condition"));
  EXPECT_EQ(0, P.GetPlatforms()->GetNodeCount());
}

TEST_F(DprojFile, NonBooleanPlatformValueRaisesAndFileStaysUntouched) {
  TTempDir Dir;
  const fs::path Copy = Dir.Copy("nonbool.dproj");
  const std::string Old = ReadBytes(Copy);
#ifndef _WIN32
  AgeFile(Copy);
  const timespec Before = WriteTime(Copy);
#endif
  try {
    TDProjFile::RemoveUnusedPlatforms(U16(Copy));
    FAIL() << "no error for a platform value that is not a Boolean";
  } catch (const Exception& E) {
    EXPECT_EQ(u"Cannot convert value to bool", E.Message());
  }
  EXPECT_EQ(Old, ReadBytes(Copy));
#ifndef _WIN32
  const timespec After = WriteTime(Copy);
  EXPECT_EQ(Before.tv_sec, After.tv_sec);
  EXPECT_EQ(Before.tv_nsec, After.tv_nsec);
#endif
  EXPECT_EQ(1u, Dir.EntryCount());

  // On a wrapped document the error comes before any edit, so the caller's document still
  // renders as loaded.
  TDprojXml Xml;
  Xml.LoadFromFile(U16(Copy));
  const UTF8String Rendered = Xml.WriteToString();
  TDProjFile Wrapped(&Xml);
  EXPECT_THROW(Wrapped.RemoveUnusedPlatforms(), Exception);
  EXPECT_EQ(Rendered, Xml.WriteToString());
}

TEST_F(DprojFile, RefreshFormType) {
  TTempDir Dir;
  const fs::path Vcl = Dir.Copy("forms_vcl.dproj");
  const fs::path Fmx = Dir.Copy("forms_fmx.dproj");
  const fs::path Old = Dir.Copy("forms_v12.dproj");
  TDProjFile::RefreshFormType(U16(Vcl));
  TDProjFile::RefreshFormType(U16(Fmx));
  TDProjFile::RefreshFormType(U16(Old));
  EXPECT_EQ(Expected("forms_vcl.expected.dproj"), ReadBytes(Vcl));
  EXPECT_EQ(Expected("forms_fmx.expected.dproj"), ReadBytes(Fmx));
  EXPECT_EQ(Expected("forms_v12.dproj"), ReadBytes(Old));
}

TEST_F(DprojFile, SectionRemovals) {
  EXPECT_EQ(Expected("sections_nodeploy.expected.dproj"),
            RunOnCopy("sections.dproj", [](TDProjFile& P) {
              P.RemoveDeployment();
              // The cached node went with the section.
              EXPECT_EQ(nullptr, P.GetDeployment());
              P.RemoveDeployment();
            }));
  EXPECT_EQ(Expected("sections_noexcluded.expected.dproj"),
            RunOnCopy("sections.dproj", [](TDProjFile& P) { P.RemoveExcludedPackages(); }));
  EXPECT_EQ(Expected("sections_nouwp.expected.dproj"),
            RunOnCopy("sections.dproj", [](TDProjFile& P) { P.RemoveUWP(); }));
}

TEST_F(DprojFile, LibSuffix) {
  EXPECT_EQ(Expected("package_set.expected.dproj"), RunOnCopy("package.dproj", [](TDProjFile& P) {
              EXPECT_TRUE(P.IsPackage());
              EXPECT_EQ(u"290", P.LibSuffix());
              EXPECT_EQ(u"None", P.FrameWorkType());
              P.SetLibSuffix(u"$(Auto)");
              EXPECT_EQ(u"$(Auto)", P.LibSuffix());
            }));
  EXPECT_EQ(Expected("package_nosuffix.expected.dproj"), RunOnCopy("package_nosuffix.dproj", [](TDProjFile& P) {
              EXPECT_EQ(u"", P.LibSuffix());
              P.SetLibSuffix(u"290");
            }));
  EXPECT_EQ(Expected("application.dproj"), RunOnCopy("application.dproj", [](TDProjFile& P) {
              EXPECT_FALSE(P.IsPackage());
              EXPECT_EQ(u"", P.LibSuffix());
              P.SetLibSuffix(u"290");
              EXPECT_EQ(u"", P.LibSuffix());
            }));
}

TEST_F(DprojFile, BuildConfigurations) {
  TTempDir Dir;
  TDProjFile P(U16(Dir.Copy("targeted.dproj")));
  std::vector<UnicodeString> List = {u"stale"};
  P.GetBuildConfigurations(List);
  EXPECT_EQ((std::vector<UnicodeString>{u"Base", u"Cfg_1", u"Cfg_2"}), List);

  TDProjFile NoItems(U16(Dir.Copy("add_missing.dproj")));
  NoItems.GetBuildConfigurations(List);
  EXPECT_TRUE(List.empty());
}

TEST_F(DprojFile, AdjustKnownPlatformNamesRestoresDefaultTable) {
  TTempDir Dir;
  TDProjFile P(U16(Dir.Copy("platforms.dproj")));
  auto Table = TCustomProjFile::GetKnownPlatforms();
  Table[6] = u"iOSDevice32";
  TCustomProjFile::SetKnownPlatforms(Table);
  P.AdjustKnownPlatformNames();
  const auto After = TCustomProjFile::GetKnownPlatforms();
  ASSERT_EQ(21u, After.size());
  EXPECT_EQ(u"iOSDevice", After[6]);
}

TEST_F(DprojFile, ProjectsWithoutExtensionsOrMainGroupStayUnchanged) {
  const std::string Plain = Expected("noextensions.dproj");
  EXPECT_EQ(Plain, RunOnCopy("noextensions.dproj", [](TDProjFile& P) {
              P.AddMissingPlatforms({u"Win32"});
              P.RemoveUnusedPlatforms();
              P.RemoveDeployment();
              P.RemoveExcludedPackages();
              EXPECT_EQ(nullptr, P.GetPlatforms());
            }));

  EXPECT_EQ(Expected("nomaingroup.dproj"), RunOnCopy("nomaingroup.dproj", [](TDProjFile& P) {
              EXPECT_FALSE(P.IsPackage());
              EXPECT_EQ(u"", P.LibSuffix());
              EXPECT_EQ(u"", P.FrameWorkType());
              EXPECT_EQ(0, P.ProjectVersion());
              P.SetLibSuffix(u"290");
              P.RemoveUnusedPlatforms();
              P.RefreshFormType();
              P.RemoveUWP();
            }));
}

TEST_F(DprojFile, UnchangedProjectKeepsItsTimeStamp) {
  TTempDir Dir;
  const fs::path Platforms = Dir.Copy("targeted.expected.dproj", "platforms-done.dproj");
  const fs::path Forms = Dir.Copy("forms_fmx.expected.dproj", "forms-done.dproj");
  // 2001-02-03 04:05:06.1234567 UTC in 100-ns ticks since 1601: any rewrite shows.
  const Int64 Old = (981173106LL + 11644473600LL) * 10000000LL + 1234567;
  for (const fs::path& File : {Platforms, Forms}) {
    ASSERT_TRUE(SetFileLastWriteTime(U16(File), Old));
    if (File == Platforms)
      TDProjFile::RemoveUnusedPlatforms(U16(File));
    else
      TDProjFile::RefreshFormType(U16(File));
    TFileTimes After;
    ASSERT_TRUE(GetFileTimes(U16(File), After));
    EXPECT_EQ(After.LastWriteTime, Old) << File;
  }
}

TEST_F(DprojFile, DeletingCachedGroupDoesNotLeaveStaleLookups) {
  // The first property group is conditioned on a platform that is not used, so the main
  // group goes; later lookups must search again rather than use the removed node.
  TDprojXml Xml;
  Xml.ReadFromString(
      "<Project><PropertyGroup Condition=\"'$(Platform)'=='Android'\"><ProjectVersion>18.8</ProjectVersion>"
      "<FrameworkType>FMX</FrameworkType></PropertyGroup>"
      "<PropertyGroup><AppType>Package</AppType></PropertyGroup>"
      "<ProjectExtensions><BorlandProject><Platforms><Platform value=\"Win32\">True</Platform>"
      "</Platforms></BorlandProject></ProjectExtensions></Project>");
  TDProjFile P(&Xml);
  EXPECT_EQ(u"FMX", P.FrameWorkType());
  P.RemoveUnusedPlatforms();
  EXPECT_EQ(u"", P.FrameWorkType());
  EXPECT_TRUE(P.IsPackage());
}

TEST_F(DprojFile, RemoveUnusedPlatformsDetailRules) {
  // Version exactly 13.0; a TargetedPlatforms value that is no number counts as 1 (Win32);
  // a comment in Platforms is no entry; one configuration-platform group goes per key and
  // platform; deployment element names match exactly, attribute names ignoring case.
  EXPECT_EQ(Expected("platform_rules.expected.dproj"),
            RunOnCopy("platform_rules.dproj", [](TDProjFile& P) { P.RemoveUnusedPlatforms(); }));
}

TEST_F(DprojFile, ConfigurationPlatformGroupsGoOnePerKeyAndPlatform) {
  // Each key and unused platform deletes the first root PropertyGroup whose whole condition
  // matches ignoring case (element name too); keys that differ only in case each take the next
  // such group; groups below other elements and of used platforms stay.
  TDprojXml Xml;
  Xml.ReadFromString(
      "<Project><PropertyGroup><ProjectVersion>18.8</ProjectVersion><A>main</A></PropertyGroup>"
      "<PropertyGroup Condition=\"'$(Cfg_1_Android)'!=''\"><A>1</A></PropertyGroup>"
      "<propertygroup Condition=\"'$(CFG_1_ANDROID)'!=''\"><A>2</A></propertygroup>"
      "<PropertyGroup Condition=\"'$(Cfg_1_Android)'!=''\"><A>3</A></PropertyGroup>"
      "<ItemGroup><PropertyGroup Condition=\"'$(Base_Android)'!=''\"><A>4</A></PropertyGroup>"
      "<BuildConfiguration Include=\"Base\"><Key>Base</Key></BuildConfiguration>"
      "<BuildConfiguration Include=\"Debug\"><Key>Cfg_1</Key></BuildConfiguration>"
      "<BuildConfiguration Include=\"Twin\"><Key>cfg_1</Key></BuildConfiguration></ItemGroup>"
      "<PropertyGroup Condition=\"'$(Cfg_1_Win32)'!=''\"><A>5</A></PropertyGroup>"
      "<PropertyGroup Condition=\"'$(Base_Android)'!=''\"><A>6</A></PropertyGroup>"
      "<PropertyGroup Condition=\"'$(Base_Android)'!=''\"><A>7</A></PropertyGroup>"
      "<ProjectExtensions><BorlandProject><Platforms><Platform value=\"Win32\">True</Platform>"
      "<Platform value=\"Android\">False</Platform></Platforms></BorlandProject></ProjectExtensions></Project>");
  TDProjFile P(&Xml);
  P.RemoveUnusedPlatforms();
  std::string Left;
  for (TXmlNode* Root : {Xml.GetRoot(), P.GetItemGroup()})
    for (Integer I = 0; I < Root->GetNodeCount(); ++I)
      if (TXmlNode* A = Root->GetNodes(I)->NodeByName("A")) Left += A->GetValueAsString() + " ";
  EXPECT_EQ("main 3 5 7 4 ", Left);
}

TEST_F(DprojFile, CommentsAmongPlatformEntriesAreNoEntries) {
  TDprojXml Xml;
  Xml.ReadFromString(
      "<Project><PropertyGroup><ProjectVersion>18.8</ProjectVersion><TargetedPlatforms>2</TargetedPlatforms>"
      "</PropertyGroup>"
      "<PropertyGroup Condition=\"'$(Platform)'=='Win32'\"/><PropertyGroup Condition=\"'$(Platform)'=='Win64'\"/>"
      "<ProjectExtensions><BorlandProject><Platforms><!-- on --><Platform value=\"Win32\">True</Platform>"
      "<!-- off --><Platform value=\"Win64\">False</Platform></Platforms></BorlandProject></ProjectExtensions>"
      "</Project>");
  TDProjFile P(&Xml);
  ASSERT_NO_THROW(P.RemoveUnusedPlatforms());
  TXmlNodeList Groups;
  Xml.GetRoot()->NodesByName("PropertyGroup", &Groups);
  ASSERT_EQ(2, Groups.Count());
  EXPECT_EQ(u"'$(Platform)'=='Win32'", Groups[1]->GetAttributeByNameWide("Condition"));
  // The entries were there, so TargetedPlatforms added nothing.
  EXPECT_EQ(4, P.GetPlatforms()->GetNodeCount());
}

TEST_F(DprojFile, FormTypeVersionGateAtThirteen) {
  struct TCase {
    const char* Version;
    bool Added;
  } Cases[] = {{"12,99", false}, {"13", true}, {"13,0", true}, {"", false}};
  for (const TCase& C : Cases) {
    TDprojXml Xml;
    Xml.ReadFromString(std::string("<Project><PropertyGroup><ProjectVersion>") + C.Version +
                       "</ProjectVersion></PropertyGroup><ItemGroup><DCCReference Include=\"a.pas\">"
                       "<Form>A</Form></DCCReference></ItemGroup></Project>");
    TDProjFile P(&Xml);
    P.RefreshFormType();
    TXmlNode* FormType = P.GetItemGroup()->GetNodes(0)->NodeByName("FormType");
    EXPECT_EQ(C.Added, FormType != nullptr) << C.Version;
    if (FormType != nullptr) {
      EXPECT_EQ(u"dfm", FormType->GetValueAsUnicodeString()) << C.Version;
    }
  }
}
