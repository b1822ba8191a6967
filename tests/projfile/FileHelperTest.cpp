#include <gtest/gtest.h>

#include <string>

#include "projfile/FileHelper.h"
#include "tests/projfile/DprojFileTestSupport.h"
#include "xml/XmlNode.h"

using namespace Vorlane;
using namespace ProjFileTest;

namespace {

// A project document built from text, wrapped by a project-file object.
class TProject {
 public:
  explicit TProject(const std::string& AInnerXml) {
    FXml.ReadFromString("<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">" +
                        AInnerXml + "</Project>");
    FFile = std::make_unique<TCustomProjFile>(&FXml);
  }
  TCustomProjFile& operator*() { return *FFile; }
  TCustomProjFile* operator->() { return FFile.get(); }
  TDprojXml& Xml() { return FXml; }

 private:
  TDprojXml FXml;
  std::unique_ptr<TCustomProjFile> FFile;
};

// Restores the default platform tables whatever a test did to them.
class FileHelperTables : public ::testing::Test {
 protected:
  void TearDown() override {
    TCustomProjFile::SetKnownPlatforms({});
    TCustomProjFile::SetPlatformMasks({});
  }
};

}  // namespace

TEST(FileHelper, ConditionBuilders) {
  using P = TCustomProjFile;
  EXPECT_EQ(u"$(Config)", P::_Var(u"Config"));
  EXPECT_EQ(u"'$(Config)'=='Debug'", P::_EQ(P::_Var(u"Config"), u"Debug"));
  EXPECT_EQ(u"'$(Base)'!=''", P::_NE(P::_Var(u"Base"), u""));
  EXPECT_EQ(u"('$(Platform)'=='Win32' and '$(Cfg_1)'=='true')",
            P::_Brackets(P::_AND(P::_EQ(P::_Var(u"Platform"), u"Win32"), P::_EQ(P::_Var(u"Cfg_1"), u"true"))));
  EXPECT_EQ(u"a or b", P::_OR(u"a", u"b"));
  // A quote inside a value is doubled, as MSBuild reads it.
  EXPECT_EQ(u"'it''s'=='x'''", P::_EQ(u"it's", u"x'"));
}

TEST_F(FileHelperTables, DefaultTablesAndLengthCheck) {
  const auto Known = TCustomProjFile::GetKnownPlatforms();
  const auto Masks = TCustomProjFile::GetPlatformMasks();
  ASSERT_EQ(21u, Known.size());
  ASSERT_EQ(21u, Masks.size());
  const char16_t* Expected[] = {u"Win32",       u"Win64",      u"OSX32",      u"iOSSimulator",
                                u"Android",     u"Linux32",    u"iOSDevice",  u"Linux64",
                                u"WinNX32",     u"WinIoT32",   u"iOSDevice64", u"WinARM32",
                                u"OSX64",       u"LinuxARM32", u"LinuxARM64", u"Android64",
                                u"iOSSimulator64", u"OSXARM64", u"WinARM64",  u"iOSSimARM64",
                                u"Win64x"};
  for (size_t I = 0; I < 21; ++I) {
    EXPECT_EQ(UnicodeString(Expected[I]), Known[I]) << I;
    EXPECT_EQ(static_cast<Integer>(1u << I), Masks[I]) << I;
  }
  EXPECT_EQ(1048576, Masks[20]);

  auto Longer = Known;
  Longer.push_back(u"Amiga68k");
  TCustomProjFile::SetKnownPlatforms(Longer);
  try {
    TDprojXml Xml;
    TCustomProjFile File(&Xml);
    FAIL() << "tables of different length were accepted";
  } catch (const EProgrammerNotFound& E) {
    EXPECT_EQ(u"Arrays KnownPlatforms and PlatformMasks have different length!", E.Message());
  }
  EXPECT_THROW(TCustomProjFile(u"does-not-matter.dproj"), EProgrammerNotFound);

  TCustomProjFile::SetKnownPlatforms({});
  EXPECT_EQ(21u, TCustomProjFile::GetKnownPlatforms().size());
  EXPECT_NO_THROW(TCustomProjFile());
}

TEST(FileHelper, PropertyGroupLookups) {
  TProject P(
      "<PropertyGroup Condition=\"'$(Config)'==''\"><ProjectVersion>18,8</ProjectVersion></PropertyGroup>"
      "<propertygroup Condition=\"'$(Base)'!=''\"><DllSuffix>1</DllSuffix></propertygroup>"
      "<PropertyGroup Condition=\"'$(Cfg_1)'!=''\"/>"
      "<ItemGroup><A/></ItemGroup><ItemGroup><B/></ItemGroup>");
  TXmlNode* Root = P->GetRoot();
  // The first group is the main group even with a condition.
  EXPECT_EQ(Root->GetNodes(0), P->GetMainGroup());
  EXPECT_DOUBLE_EQ(18.8, P->GetProjectVersion());
  // Element name and condition compare without regard to case.
  EXPECT_EQ(Root->GetNodes(1), P->GetBaseGroup());
  EXPECT_EQ(Root->GetNodes(1), P->GetPropertyGroup(u"'$(BASE)'!=''"));
  EXPECT_EQ(nullptr, P->GetPropertyGroup(u"'$(Base)'!='' "));
  EXPECT_EQ(Root->GetNodes(3), P->GetItemGroup());

  const int Count = Root->GetNodeCount();
  EXPECT_EQ(Root->GetNodes(2), P->CreatePropertyGroup(u"'$(CFG_1)'!=''"));
  EXPECT_EQ(Count, Root->GetNodeCount());
  TXmlNode* Created = P->CreatePropertyGroup(u"'$(Cfg_2)'!=''");
  EXPECT_EQ(Count + 1, Root->GetNodeCount());
  EXPECT_EQ(Root->GetNodes(Count), Created);
  EXPECT_EQ(u"'$(Cfg_2)'!=''", Created->GetAttributeByNameWide("Condition"));
  EXPECT_EQ(Root->GetNodes(0), P->CreateMainGroup());
}

TEST(FileHelper, MainGroupCreatedOnlyWhenMissing) {
  TProject P("<ItemGroup/>");
  EXPECT_EQ(nullptr, P->GetMainGroup());
  EXPECT_EQ(0, P->GetProjectVersion());
  TXmlNode* Main = P->CreateMainGroup();
  ASSERT_NE(nullptr, Main);
  EXPECT_FALSE(Main->HasAttribute("Condition"));
  // A failed lookup is not cached: the new group is found now.
  EXPECT_EQ(Main, P->GetMainGroup());
}

TEST(FileHelper, ProjectVersionThatIsNoNumberReadsZero) {
  TProject P("<PropertyGroup><ProjectVersion>abc</ProjectVersion></PropertyGroup>");
  EXPECT_EQ(0, P->GetProjectVersion());
}

TEST(FileHelper, PersonalityName) {
  struct TCase {
    const char* Extensions;
    const char16_t* Expected;
  } Cases[] = {
      {"<Borland.Personality>Delphi.Personality.12</Borland.Personality>", u"Delphi.Personality"},
      {"<Borland.Personality>CustomPersonality</Borland.Personality>", u"CustomPersonality"},
      {"<Borland.Personality>.x</Borland.Personality>", u".x"},
      {"", u"Delphi.Personality"},
  };
  for (const auto& C : Cases) {
    TProject P(std::string("<ProjectExtensions>") + C.Extensions + "</ProjectExtensions>");
    EXPECT_EQ(UnicodeString(C.Expected), P->GetPersonalityName()) << C.Extensions;
  }
}

TEST(FileHelper, ExtensionLookupsAndPlatforms) {
  TProject P(
      "<ProjectExtensions><Borland.Personality>Delphi.Personality.12</Borland.Personality>"
      "<BorlandProject><Delphi.Personality><Excluded_Packages><Excluded_Packages Name=\"a\"/>"
      "</Excluded_Packages></Delphi.Personality><Deployment Version=\"3\"/></BorlandProject>"
      "</ProjectExtensions>");
  ASSERT_NE(nullptr, P->GetBorlandProject());
  ASSERT_NE(nullptr, P->GetPersonality());
  EXPECT_EQ("Delphi.Personality", P->GetPersonality()->Name());
  ASSERT_NE(nullptr, P->GetExcludedPackages());
  EXPECT_EQ(1, P->GetExcludedPackages()->GetNodeCount());
  ASSERT_NE(nullptr, P->GetDeployment());
  EXPECT_EQ(nullptr, P->GetPlatforms());

  P->AssurePlatformsExist();
  TXmlNode* Platforms = P->GetPlatforms();
  ASSERT_NE(nullptr, Platforms);
  EXPECT_EQ(P->GetBorlandProject(), Platforms->Parent());
  EXPECT_EQ(Platforms, P->GetBorlandProject()->GetNodes(P->GetBorlandProject()->GetNodeCount() - 1));
  P->AssurePlatformsExist();
  EXPECT_EQ(3, P->GetBorlandProject()->GetNodeCount());
}

TEST(FileHelper, MissingExtensionsGiveNothing) {
  TProject P("<PropertyGroup/><ProjectExtensions/>");
  EXPECT_EQ(nullptr, P->GetBorlandProject());
  EXPECT_EQ(nullptr, P->GetPersonality());
  EXPECT_EQ(nullptr, P->GetDeployment());
  EXPECT_EQ(nullptr, P->GetExcludedPackages());
  EXPECT_EQ(nullptr, P->GetPlatforms());
  const UTF8String Before = P.Xml().WriteToString();
  P->AssurePlatformsExist();
  EXPECT_EQ(nullptr, P->GetPlatforms());
  EXPECT_EQ(Before, P.Xml().WriteToString());
}

TEST(FileHelper, SetItemGroupMovesChildren) {
  TProject P("<ItemGroup><Old/></ItemGroup>");
  TXmlNode Source;
  Source.NodeNew("First");
  Source.NodeNew("Second");
  P->SetItemGroup(&Source);
  TXmlNode* Group = P->GetItemGroup();
  ASSERT_EQ(2, Group->GetNodeCount());
  EXPECT_EQ("First", Group->GetNodes(0)->Name());
  EXPECT_EQ("Second", Group->GetNodes(1)->Name());
  EXPECT_EQ(Group, Group->GetNodes(0)->Parent());
  EXPECT_EQ(0, Source.GetNodeCount());
}

TEST(FileHelper, NodeHelper) {
  TProject P(
      "<ItemGroup><Outer><Item Key=\"a\"/><Deep><Item key=\"B\">inner</Item></Deep></Outer>"
      "<Item Key=\"b\">direct</Item></ItemGroup>");
  TXmlNode* Group = P->GetItemGroup();
  // Found two levels down, before the direct child with the same attribute.
  TXmlNode* Found = TXmlNodeHelper::NodeFindOrCreate(Group, "item", "Key", "b");
  EXPECT_EQ("inner", Found->GetValueAsString());
  EXPECT_EQ(2, Group->GetNodeCount());

  TXmlNode* Created = TXmlNodeHelper::NodeFindOrCreate(Group, "Item", "Key", "c");
  EXPECT_EQ(3, Group->GetNodeCount());
  EXPECT_EQ(Group, Created->Parent());
  EXPECT_EQ(1, Created->GetAttributeCount());
  EXPECT_EQ("c", Created->GetAttributeByName("Key"));

  TXmlNodeHelper::DeleteNode(Group, "Item", "KEY", "B");
  EXPECT_EQ(nullptr, Group->GetNodes(0)->NodeByName("Deep")->NodeByName("Item"));
  EXPECT_EQ(3, Group->GetNodeCount());

  // The plain form looks at direct children only.
  TXmlNodeHelper::DeleteNode(Group, "deep");
  EXPECT_EQ(3, Group->GetNodeCount());
  TXmlNodeHelper::DeleteNode(Group, "ITEM");
  ASSERT_EQ(2, Group->GetNodeCount());
  EXPECT_EQ("Outer", Group->GetNodes(0)->Name());
  EXPECT_EQ("c", Group->GetNodes(1)->GetAttributeByName("Key"));
}

TEST(FileHelper, OwnedDocumentFromMissingFileIsCreatedOnSave) {
  TTempDir Dir;
  const fs::path File = Dir / "fresh.dproj";
  {
    TCustomProjFile Project(U16(File));
    EXPECT_TRUE(Project.OwnsXML());
    ASSERT_NE(nullptr, Project.GetRoot());
    EXPECT_EQ("Project", Project.GetRoot()->Name());
    Project.CreateMainGroup();
    Project.SaveToFile();
  }
  EXPECT_EQ(std::string("\xEF\xBB\xBF") +
                "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">\r\n"
                "    <PropertyGroup/>\r\n"
                "</Project>\r\n",
            ReadBytes(File));
}

TEST(FileHelper, WrappedDocumentIsNeitherSavedNorFreed) {
  TDprojXml Xml;
  {
    TCustomProjFile Project(&Xml);
    EXPECT_FALSE(Project.OwnsXML());
    EXPECT_TRUE(Project.FileName().empty());
    Project.SaveToFile();
    Project.SilentSaveToFile();
  }
  // Still usable after the wrapper is gone.
  EXPECT_EQ("Project", Xml.GetRoot()->Name());
}

TEST(FileHelper, SetItemGroupFromInsideOrAboveTheGroup) {
  // A source inside the item group: its children survive the clearing and become the group.
  TProject Inner("<ItemGroup><Holder><First/><Second/></Holder><Old/></ItemGroup>");
  TXmlNode* Group = Inner->GetItemGroup();
  Inner->SetItemGroup(Group->GetNodes(0));
  ASSERT_EQ(2, Group->GetNodeCount());
  EXPECT_EQ("First", Group->GetNodes(0)->Name());
  EXPECT_EQ("Second", Group->GetNodes(1)->Name());
  EXPECT_EQ(Group, Group->GetNodes(1)->Parent());

  // A source that holds the item group is refused: the document stays as it was.
  TProject Outer("<ItemGroup><Old/></ItemGroup><PropertyGroup/>");
  const UTF8String Before = Outer.Xml().WriteToString();
  Outer->SetItemGroup(Outer->GetRoot());
  EXPECT_EQ(Before, Outer.Xml().WriteToString());
}

TEST(FileHelper, PersonalityNodeFollowsThePersonalityName) {
  // The excluded packages are looked up below the element the personality name names, not
  // below a Delphi personality that happens to be there too.
  TProject P(
      "<ProjectExtensions><Borland.Personality>CPlusPlusBuilder.Personality.12</Borland.Personality>"
      "<BorlandProject><Delphi.Personality><Excluded_Packages><A/></Excluded_Packages></Delphi.Personality>"
      "<CPlusPlusBuilder.Personality><Excluded_Packages><B/><C/></Excluded_Packages>"
      "</CPlusPlusBuilder.Personality></BorlandProject></ProjectExtensions>");
  ASSERT_NE(nullptr, P->GetExcludedPackages());
  EXPECT_EQ("CPlusPlusBuilder.Personality", P->GetPersonality()->Name());
  EXPECT_EQ(2, P->GetExcludedPackages()->GetNodeCount());
}
