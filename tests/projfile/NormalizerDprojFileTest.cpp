// The normalizer on whole project documents: hand-written inputs and their canonical forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <random>

#include "common/TestSupport.h"
#include "projfile/NormalizerDprojFile.h"
#include "projfile/NormalizerTestSupport.h"

namespace Vorlane {
namespace {

using namespace NormalizerTest;

class NormalizeFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(NormalizeFixture, ProducesTheCanonicalOrder) {
  std::string LName = GetParam();
  auto LInput = LoadFixture(LName + ".dproj");
  auto LExpected = LoadFixture(LName + ".expected.dproj");
  EXPECT_TRUE(TNormalizerDProjFile::Normalize(LInput.get()));
  EXPECT_EQ(TreeText(LExpected.get()), TreeText(LInput.get()));
  // The canonical form is a fixed point.
  EXPECT_TRUE(TNormalizerDProjFile::Normalize(LExpected.get()));
  EXPECT_EQ(TreeText(LInput.get()), TreeText(LExpected.get()));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, NormalizeFixture,
                         ::testing::Values("borland-sections", "property-groups", "android64-18.8",
                                           "android64-18.7", "ties", "unexpected-entries"),
                         [](const ::testing::TestParamInfo<const char*>& AInfo) {
                           std::string LName = AInfo.param;
                           for (char& C : LName)
                             if (!isalnum(static_cast<unsigned char>(C))) C = '_';
                           return LName;
                         });

// A small project: the main group, the given groups, one Base configuration, and the given
// children of BorlandProject.
std::string SmallProject(const std::string& AGroups, const std::string& ABorland, const char* AVersion = "19.5") {
  return std::string("<Project><PropertyGroup><ProjectVersion>") + AVersion + "</ProjectVersion></PropertyGroup>" +
         AGroups +
         "<ItemGroup><BuildConfiguration Include=\"Base\"><Key>Base</Key></BuildConfiguration></ItemGroup>"
         "<ProjectExtensions><BorlandProject>" +
         ABorland + "</BorlandProject></ProjectExtensions></Project>";
}

std::string Group(const std::string& ACondition, const std::string& AChildren) {
  return "<PropertyGroup Condition=\"" + ACondition + "\">" + AChildren + "</PropertyGroup>";
}

std::string Deploy(const char* AId, const char* APlatform) {
  std::string LPlatform = *APlatform ? std::string("<Platform Name=\"") + APlatform + "\"/>" : "";
  return std::string("<DeployFile LocalName=\"a\" Configuration=\"Debug\" Class=\"X\" Id=\"") + AId + "\">" +
         LPlatform + "</DeployFile>";
}

std::string Config(const char* AName, const char* AKey) {
  return std::string("<BuildConfiguration Include=\"") + AName + "\">" + (*AKey ? std::string("<Key>") + AKey + "</Key>" : "") +
         "</BuildConfiguration>";
}

TEST(Normalizer, TiesSettleInOnePass) {
  // Each project holds entries the order ranks equal (or, for the obsolete and stray entries,
  // more than one of a kind). One run gives the expected order, the document's for equal
  // entries; a second run changes nothing.
  const std::string cPlatforms =
      "<Platforms><Platform value=\"OSX64\">False</Platform><Platform value=\"Win32\">True</Platform>"
      "<Platform value=\"Win64\">False</Platform></Platforms>";
  const std::string cWin32 = "<Platforms><Platform value=\"Win32\">True</Platform></Platforms>";
  struct TCase {
    const char* Name;
    std::string Input;
    std::string Expected;
  };
  const TCase cCases[] = {
      {"groups of disabled platforms",
       SmallProject(Group("'$(Base_Win64)'!=''", "<U1/>") + Group("'$(Base)'!=''", "<D/>") +
                        Group("'$(Base_OSX64)'!=''", "<U2/>") + Group("'$(Base_Win32)'!=''", "<D32/>") +
                        Group("'$(Base_Linux64)'!=''", "<U3/>"),
                    cPlatforms),
       SmallProject(Group("'$(Base_Win64)'!=''", "<U1/>") + Group("'$(Base_OSX64)'!=''", "<U2/>") +
                        Group("'$(Base_Linux64)'!=''", "<U3/>") + Group("'$(Base)'!=''", "<D/>") +
                        Group("'$(Base_Win32)'!=''", "<D32/>"),
                    cPlatforms)},
      {"a data group with a Base child",
       SmallProject(Group("'$(Base_Win32)'!=''", "<Zed/><Base>true</Base><Alpha/><CfgParent>Base</CfgParent><Mid/>"),
                    cWin32),
       SmallProject(Group("'$(Base_Win32)'!=''", "<Base>true</Base><CfgParent>Base</CfgParent><Zed/><Alpha/><Mid/>"),
                    cWin32)},
      {"DeployFile entries with and without Platform",
       SmallProject("", "<Deployment>" + Deploy("1", "Win64") + Deploy("2", "") + Deploy("3", "Win32") +
                            Deploy("4", "") + Deploy("5", "Amiga") + Deploy("6", "Win64") + "</Deployment>"),
       SmallProject("", "<Deployment>" + Deploy("2", "") + Deploy("4", "") + Deploy("5", "Amiga") +
                            Deploy("3", "Win32") + Deploy("1", "Win64") + Deploy("6", "Win64") + "</Deployment>")},
      {"configurations with equal keys among other items",
       "<Project><PropertyGroup><ProjectVersion>19.5</ProjectVersion></PropertyGroup><ItemGroup>" + Config("c", "Cfg_10") +
           "<X/>" + Config("d", "Cfg_2") + Config("e", "") + Config("Base", "Base") + Config("a", "Cfg_2") +
           "</ItemGroup><ProjectExtensions><BorlandProject/></ProjectExtensions></Project>",
       "<Project><PropertyGroup><ProjectVersion>19.5</ProjectVersion></PropertyGroup><ItemGroup><X/>" +
           Config("Base", "Base") + Config("e", "") + Config("d", "Cfg_2") + Config("a", "Cfg_2") + Config("c", "Cfg_10") +
           "</ItemGroup><ProjectExtensions><BorlandProject/></ProjectExtensions></Project>"},
      {"two of each obsolete entry",
       SmallProject(Group("'$(Base)'!=''", "<DCC_E>1</DCC_E><DCC_K/><B/><DCC_E>2</DCC_E><A/><DCC_K/><dcc_s/>"), ""),
       SmallProject(Group("'$(Base)'!=''", "<A/><B/>"), "")},
      {"two of each stray Android64 entry",
       SmallProject(Group("'$(Base_Android64)'!=''",
                          "<Base_Android/><CfgParent/><Base/><Keep/><Base_Android/><CfgParent/><Base/>"),
                    "", "19.2"),
       SmallProject(Group("'$(Base_Android64)'!=''", "<Keep/>"), "", "19.2")},
  };
  for (const TCase& C : cCases) {
    SCOPED_TRACE(C.Name);
    auto LXml = ParseProject(C.Input);
    EXPECT_TRUE(TNormalizerDProjFile::Normalize(LXml.get()));
    EXPECT_EQ(TreeText(ParseProject(C.Expected).get()), TreeText(LXml.get()));
    UTF8String LFirst = LXml->WriteToString();
    TNormalizerDProjFile::Normalize(LXml.get());
    EXPECT_EQ(LFirst, LXml->WriteToString());
  }
}

TEST(Normalizer, TiedGroupsKeepTheirOrder) {
  // Groups whose conditions are not expected tie; they keep the order they have, run after run.
  auto LXml = LoadFixture("ties.expected.dproj");
  for (int LRun = 0; LRun < 2; ++LRun) {
    TNormalizerDProjFile::Normalize(LXml.get());
    std::string LOrder;
    for (Integer I = 2; I < 7; ++I) LOrder += LXml->GetRoot()->GetNodes(I)->GetNodes(0)->Name() + " ";
    EXPECT_EQ("U1 U2 U3 D0 D1 ", LOrder);
  }
}

TEST(Normalizer, BorlandProjectSectionsTradePlacesNotASort) {
  // Every start order of personality, Deployment and Platforms ends in that order in one run,
  // within the places the three held; the other child keeps its place.
  std::vector<std::string> LChildren = {"Delphi.Personality", "Deployment", "Other", "Platforms"};
  const std::vector<std::string> cEnd = {"Delphi.Personality", "Deployment", "Platforms"};
  do {
    std::string LText = "<Project><ProjectExtensions><BorlandProject>";
    for (const std::string& LName : LChildren) LText += "<" + LName + "/>";
    auto LXml = ParseProject(LText + "</BorlandProject></ProjectExtensions></Project>");
    TNormalizerDProjFile::Normalize(LXml.get());
    std::string LWant, LGot;
    for (size_t I = 0, K = 0; I < LChildren.size(); ++I) LWant += (LChildren[I] == "Other" ? "Other" : cEnd[K++]) + " ";
    TXmlNode* LBorland = LXml->GetRoot()->GetNodes(0)->GetNodes(0);
    for (Integer I = 0; I < LBorland->GetNodeCount(); ++I) LGot += LBorland->GetNodes(I)->Name() + " ";
    EXPECT_EQ(LWant, LGot) << "from " << LText;
  } while (std::next_permutation(LChildren.begin(), LChildren.end()));
}

TEST(Normalizer, DocumentsWithoutBorlandProjectAreLeftAlone) {
  for (const char* LText :
       {"<Project><PropertyGroup Condition=\"'$(Base)'!=''\"><B/><A/></PropertyGroup><PropertyGroup>"
        "<Z/><Base/></PropertyGroup><ItemGroup><BuildConfiguration><Key>Cfg_2</Key></BuildConfiguration>"
        "<BuildConfiguration><Key>Base</Key></BuildConfiguration><X/></ItemGroup></Project>",
        "<Project><PropertyGroup><Z/><Base/></PropertyGroup><ProjectExtensions><Borland.Personality>"
        "Delphi.Personality.12</Borland.Personality></ProjectExtensions><PropertyGroup><Y/></PropertyGroup>"
        "</Project>"}) {
    auto LXml = ParseProject(LText);
    auto LBefore = ParseProject(LText);
    EXPECT_FALSE(TNormalizerDProjFile::Normalize(LXml.get()));
    EXPECT_EQ(TreeText(LBefore.get()), TreeText(LXml.get()));
  }
}

TEST(Normalizer, ProjectWithoutItemGroupOrMainGroupIsSorted) {
  auto LXml = ParseProject(
      "<Project>"
      "<PropertyGroup Condition=\"'$(Config)'=='Debug' and '$(Platform)'=='Win32'\"><E/></PropertyGroup>"
      "<PropertyGroup Condition=\"'$(Base)'!=''\"><B/><SanitizedProjectName/><DCC_S/></PropertyGroup>"
      "<ProjectExtensions><BorlandProject/></ProjectExtensions></Project>");
  EXPECT_TRUE(TNormalizerDProjFile::Normalize(LXml.get()));
  auto LExpected = ParseProject(
      "<Project>"
      "<PropertyGroup Condition=\"'$(Base)'!=''\"><SanitizedProjectName/><B/></PropertyGroup>"
      "<ProjectExtensions><BorlandProject/></ProjectExtensions>"
      "<PropertyGroup Condition=\"'$(Config)'=='Debug' and '$(Platform)'=='Win32'\"><E/></PropertyGroup>"
      "</Project>");
  EXPECT_EQ(TreeText(LExpected.get()), TreeText(LXml.get()));
}

TEST(Normalizer, Android64RepairThreshold) {
  auto Repaired = [](const char* AVersion) {
    auto LXml = ParseProject(std::string("<Project><PropertyGroup><ProjectVersion>") + AVersion +
                             "</ProjectVersion></PropertyGroup>"
                             "<PropertyGroup Condition=\"'$(Base_Android64)'!=''\"><Base_Android/><CfgParent/>"
                             "<Base/><Keep/></PropertyGroup><ItemGroup><BuildConfiguration Include=\"Base\">"
                             "<Key>Base</Key></BuildConfiguration></ItemGroup></Project>");
    TNormalizerDProjFile::Normalize(LXml.get());
    TXmlNode* LGroup = LXml->GetRoot()->GetNodes(1);
    return LGroup->GetNodeCount() == 1;
  };
  EXPECT_TRUE(Repaired("18.8"));
  EXPECT_TRUE(Repaired("18,8"));
  EXPECT_TRUE(Repaired("19.2"));
  EXPECT_FALSE(Repaired("18.79"));
  EXPECT_FALSE(Repaired("18.7"));
  EXPECT_FALSE(Repaired("garbage"));
}

TEST(Normalizer, CompareBuildConfigName) {
  auto C = &TNormalizerDProjFile::CompareBuildConfigName;
  EXPECT_EQ(0, C(u"Base", u"Base"));
  EXPECT_EQ(-1, C(u"Base", u"Aaa"));
  EXPECT_EQ(1, C(u"Aaa", u"Base"));
  // Only the exact spelling is the base configuration.
  EXPECT_EQ(1, C(u"base", u"Aaa"));
  EXPECT_EQ(-1, C(u"Base", u"base"));
  EXPECT_EQ(-1, C(u"Cfg_2", u"Cfg_10"));
  EXPECT_EQ(1, C(u"Cfg_10", u"Cfg_9"));
  EXPECT_EQ(0, C(u"cfg_1", u"Cfg_1"));
  EXPECT_EQ(-1, C(u"Cfg_1", u"Cfg_1a"));
}

TEST(Normalizer, DeploymentPlatformPositions) {
  auto LXml = ParseProject(
      "<Project>"
      "<DeployFile LocalName=\"a\"><Platform Name=\"win64\"/></DeployFile>"
      "<DeployFile LocalName=\"a\"><Platform Name=\"WIN32\"/></DeployFile>"
      "<DeployFile LocalName=\"a\"><Platform Name=\"Amiga\"/></DeployFile>"
      "<DeployFile LocalName=\"a\"><Other/><platform Name=\"Win32\"/></DeployFile>"
      "<DeployFile LocalName=\"a\"/>"
      "<DeployFile LocalName=\"b\"><Platform Name=\"Amiga\"/></DeployFile>"
      "</Project>");
  TXmlNode* R = LXml->GetRoot();
  TDeploymentNodeComparer LComparer;
  // Known platforms by table position, ignoring case; an unknown name before all known ones.
  EXPECT_EQ(1, LComparer.Compare(R->GetNodes(0), R->GetNodes(1)));
  EXPECT_EQ(-1, LComparer.Compare(R->GetNodes(2), R->GetNodes(1)));
  // The first Platform child counts wherever it stands.
  EXPECT_EQ(0, LComparer.Compare(R->GetNodes(3), R->GetNodes(1)));
  // An entry without Platform child ranks before every entry with one, unknown ones included.
  EXPECT_EQ(-1, LComparer.Compare(R->GetNodes(4), R->GetNodes(0)));
  EXPECT_EQ(-1, LComparer.Compare(R->GetNodes(4), R->GetNodes(2)));
  EXPECT_EQ(1, LComparer.Compare(R->GetNodes(2), R->GetNodes(4)));
  EXPECT_EQ(0, LComparer.Compare(R->GetNodes(4), R->GetNodes(4)));
  // Keys decide before platforms.
  EXPECT_EQ(1, LComparer.Compare(R->GetNodes(5), R->GetNodes(0)));
}

// The deployment order written out plainly, on UTF-16 texts read from the nodes at every
// comparison: the reference for the comparer's own reading of the entries.
class TPlainDeploymentOrder : public TNodeComparer {
 public:
  Integer Compare(TXmlNode* Left, TXmlNode* Right) const override {
    static const std::vector<std::vector<UTF8String>> LKinds = {
        {"DeployFile", "LocalName", "Configuration", "Class"}, {"DeployClass", "Name"}, {"ProjectRoot", "Platform"}};
    auto KindOf = [&](TXmlNode* ANode) {
      for (size_t I = 0; I < LKinds.size(); ++I)
        if (ANode->Name() == LKinds[I][0]) return static_cast<int>(I);
      return -1;
    };
    auto PlatformOf = [](TXmlNode* ANode) {
      TXmlNode* LPlatform = ANode->NodeByName("Platform");
      if (!LPlatform) return -2;
      const std::vector<UnicodeString> LKnown = TCustomProjFile::KnownPlatforms();
      for (size_t I = 0; I < LKnown.size(); ++I)
        if (AnsiSameText(LKnown[I], LPlatform->GetAttributeByNameWide("Name"))) return static_cast<int>(I);
      return -1;
    };
    const int LLeft = KindOf(Left), LRight = KindOf(Right);
    if (LLeft < 0 && LRight < 0) return TNodeComparer::Compare(Left, Right);
    if (LLeft < 0 || LRight < 0) return LLeft < 0 ? 1 : -1;
    if (LLeft != LRight) return LLeft < LRight ? -1 : 1;
    for (size_t I = 1; I < LKinds[LLeft].size(); ++I) {
      const int LResult = UTF8ToUnicode(Left->GetAttributeByName(LKinds[LLeft][I]))
                              .compare(UTF8ToUnicode(Right->GetAttributeByName(LKinds[LLeft][I])));
      if (LResult != 0) return LResult < 0 ? -1 : 1;
    }
    const int LA = PlatformOf(Left), LB = PlatformOf(Right);
    return LA < LB ? -1 : (LA > LB ? 1 : 0);
  }
};

TEST(Normalizer, DeploymentSortReadingEachEntryOnceMatchesThePlainOrder) {
  // The comparer works on what it read from each entry (byte-compared plain keys, an
  // eight-byte head of the first key, cached platform positions); it must order every pair,
  // and its section sort every section, exactly as the plain rules do. Values cover shared and short heads, empty and missing
  // keys, non-ASCII text (also beyond U+FFFF against U+E000, whose UTF-8 and UTF-16 orders
  // differ), escapes, unknown and foreign kinds, and many ties.
  const char* const LKinds[] = {"DeployFile", "DeployFile", "DeployClass", "ProjectRoot", "Other", "deployfile"};
  const char* const LValues[] = {"", "a", "ab", "Assets\\Image1.png", "Assets\\Image10.png", "Assets\\Image1",
                                 "Assets\\Imagf", "\xC3\x84.png", "a\xC3\xA9", "\xF0\x9F\x98\x80", "\xEE\x80\x80",
                                 "&amp;x", "&lt;"};
  const char* const LPlatforms[] = {"Win32", "win64", "Amiga", "Android64", "\xC3\x84"};
  // Sections whose entries all have a known kind and plain keys are ordered by kind and head
  // first; every other round has only those.
  const char* const LPlainKinds[] = {"DeployFile", "DeployFile", "DeployClass", "ProjectRoot"};
  const char* const LPlainValues[] = {"", "a", "ab", "Assets\\Image1.png", "Assets\\Image10.png",
                                      "Assets\\Image1", "Assets\\Imagf", "&amp;x", "&lt;"};
  std::mt19937 LRandom(20261209);
  auto Pick = [&](const auto& AList) { return AList[LRandom() % std::size(AList)]; };
  for (int LRound = 0; LRound < 40; ++LRound) {
    const bool LOnlyPlain = LRound % 2 == 1;
    std::string LText = "<Project>";
    for (int I = 0; I < 60; ++I) {
      const std::string LKind = LOnlyPlain ? Pick(LPlainKinds) : Pick(LKinds);
      LText += "<" + LKind;
      for (const char* LAttribute : {"LocalName", "Configuration", "Class", "Name", "Platform"})
        if (LRandom() % 4 != 0) {
          const char* LValue = LOnlyPlain ? Pick(LPlainValues) : Pick(LValues);
          LText += std::string(" ") + LAttribute + "=\"" + LValue + "\"";
        }
      LText += ">";
      if (LRandom() % 3 != 0) LText += std::string("<Platform Name=\"") + Pick(LPlatforms) + "\"/>";
      LText += "</" + LKind + ">";
    }
    LText += "</Project>";
    auto LByNodes = ParseProject(LText);
    auto LByEntries = ParseProject(LText);
    TDeploymentNodeComparer LComparer;
    TPlainDeploymentOrder LPlain;
    TXmlNode* LRoot = LByNodes->GetRoot();
    for (Integer I = 0; I < LRoot->GetNodeCount(); ++I)
      for (Integer J = 0; J < LRoot->GetNodeCount(); ++J)
        ASSERT_EQ(LPlain.Compare(LRoot->GetNodes(I), LRoot->GetNodes(J)),
                  LComparer.Compare(LRoot->GetNodes(I), LRoot->GetNodes(J)))
            << NodeLine(LRoot->GetNodes(I)) << " / " << NodeLine(LRoot->GetNodes(J));
    const bool LSorted = SortChildNodesIfUnsorted(LRoot, LPlain);
    EXPECT_EQ(LSorted, LComparer.SortChildrenIfUnsorted(LByEntries->GetRoot())) << LText;
    EXPECT_EQ(TreeText(LByNodes.get()), TreeText(LByEntries.get())) << LText;
    // A sorted section is left alone.
    EXPECT_FALSE(LComparer.SortChildrenIfUnsorted(LByEntries->GetRoot()));
  }
}

class NormalizeFile : public ::testing::Test {
 protected:
  TestSupport::TScratchFolder FScratch{"vorlane-normalize"};
  const std::filesystem::path FDir = FScratch.Path();
};

TEST_F(NormalizeFile, WritesOnlyWhenTheBytesChange) {
  auto LFile = FDir / "App.dproj";
  std::filesystem::copy_file(FixturePath("property-groups.dproj"), LFile);
  UnicodeString LName = UTF8ToUnicode(LFile.string());

  EXPECT_TRUE(TNormalizerDProjFile::Normalize(LName));
  auto LExpected = LoadFixture("property-groups.expected.dproj");
  auto LWritten = LoadProject(LFile.string());
  EXPECT_EQ(TreeText(LExpected.get()), TreeText(LWritten.get()));

  // The second run finds nothing to do and, the project being in the writer's layout,
  // writes nothing.
  std::string LBytes = TestSupport::ReadBytes(LFile);
  EXPECT_EQ(std::string::npos, LBytes.find("DCC_E"));
  std::filesystem::last_write_time(LFile, std::filesystem::last_write_time(LFile) - std::chrono::hours(1));
  auto LTime = std::filesystem::last_write_time(LFile);
  EXPECT_TRUE(TNormalizerDProjFile::Normalize(LName));
  EXPECT_EQ(LBytes, TestSupport::ReadBytes(LFile));
  EXPECT_EQ(LTime, std::filesystem::last_write_time(LFile));
}

TEST_F(NormalizeFile, MissingFileIsNotCreated) {
  auto LFile = FDir / "Missing.dproj";
  EXPECT_FALSE(TNormalizerDProjFile::Normalize(UTF8ToUnicode(LFile.string())));
  EXPECT_FALSE(std::filesystem::exists(LFile));
}

TEST_F(NormalizeFile, UnreadableXmlRaisesAndLeavesTheFile) {
  auto LFile = FDir / "Broken.dproj";
  const std::string LText = "<Project><PropertyGroup><Base>true</Base></Project>";
  TestSupport::WriteBytes(LFile, LText);
  EXPECT_ANY_THROW(TNormalizerDProjFile::Normalize(UTF8ToUnicode(LFile.string())));
  EXPECT_EQ(LText, TestSupport::ReadBytes(LFile));
}

}  // namespace
}  // namespace Vorlane
