// The normalizer on whole project documents: hand-written inputs and their canonical forms.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

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

TEST(Normalizer, SecondPassRemovesTheSurvivingObsoleteEntry) {
  // Each pass deletes only the first DCC_E of a data group, so the second one goes next time;
  // after that the project no longer changes.
  auto LTwice = LoadFixture("property-groups.expected.dproj");
  EXPECT_TRUE(TNormalizerDProjFile::Normalize(LTwice.get()));
  TXmlNode* LBaseData = LTwice->GetRoot()->GetNodes(8);
  ASSERT_EQ("'$(Base)'!=''", LBaseData->GetAttributeByName("Condition"));
  EXPECT_EQ(-1, LBaseData->NodeIndexByName("DCC_E"));
  EXPECT_EQ(4, LBaseData->GetNodeCount());

  std::string LSecond = TreeText(LTwice.get());
  EXPECT_TRUE(TNormalizerDProjFile::Normalize(LTwice.get()));
  EXPECT_EQ(LSecond, TreeText(LTwice.get()));
}

TEST(Normalizer, GroupsOfOneKindAreAlwaysResorted) {
  // The groups of a kind are sorted on every pass, also when already in order, so groups whose
  // conditions are not expected (they tie) move again: U2, U1, U3 come out as U1, U2, U3.
  auto LXml = LoadFixture("ties.expected.dproj");
  TNormalizerDProjFile::Normalize(LXml.get());
  std::string LOrder;
  for (Integer I = 2; I < 7; ++I) LOrder += LXml->GetRoot()->GetNodes(I)->GetNodes(0)->Name() + " ";
  EXPECT_EQ("U1 U2 U3 D0 D1 ", LOrder);
}

TEST(Normalizer, PlatformsDeploymentAndPersonalityAreTwoExchangesNotASort) {
  auto LXml = ParseProject(
      "<Project><ProjectExtensions><BorlandProject>"
      "<Delphi.Personality/><Platforms/><Other/><Deployment/>"
      "</BorlandProject></ProjectExtensions></Project>");
  EXPECT_TRUE(TNormalizerDProjFile::Normalize(LXml.get()));
  auto LExpected = ParseProject(
      "<Project><ProjectExtensions><BorlandProject>"
      "<Delphi.Personality/><Deployment/><Other/><Platforms/>"
      "</BorlandProject></ProjectExtensions></Project>");
  EXPECT_EQ(TreeText(LExpected.get()), TreeText(LXml.get()));

  // Deployment first, personality last: only the second exchange applies.
  LXml = ParseProject(
      "<Project><ProjectExtensions><BorlandProject>"
      "<Deployment/><Other/><Delphi.Personality/>"
      "</BorlandProject></ProjectExtensions></Project>");
  TNormalizerDProjFile::Normalize(LXml.get());
  LExpected = ParseProject(
      "<Project><ProjectExtensions><BorlandProject>"
      "<Delphi.Personality/><Other/><Deployment/>"
      "</BorlandProject></ProjectExtensions></Project>");
  EXPECT_EQ(TreeText(LExpected.get()), TreeText(LXml.get()));
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
  // Without a Platform child on one side the entries tie.
  EXPECT_EQ(0, LComparer.Compare(R->GetNodes(4), R->GetNodes(0)));
  // Keys decide before platforms.
  EXPECT_EQ(1, LComparer.Compare(R->GetNodes(5), R->GetNodes(0)));
}

TEST(Normalizer, OnlyAdjacentPairsDecideWhetherDeploymentIsSorted) {
  // Win64 before Win32 is out of order, but an entry without Platform child stands between
  // them and ties with both: no adjacent pair is out of order, so nothing moves.
  const char* LText =
      "<Project><ProjectExtensions><BorlandProject><Deployment>"
      "<DeployFile LocalName=\"a\" Id=\"1\"><Platform Name=\"Win64\"/></DeployFile>"
      "<DeployFile LocalName=\"a\" Id=\"2\"/>"
      "<DeployFile LocalName=\"a\" Id=\"3\"><Platform Name=\"Win32\"/></DeployFile>"
      "</Deployment></BorlandProject></ProjectExtensions></Project>";
  auto LXml = ParseProject(LText);
  auto LBefore = ParseProject(LText);
  EXPECT_TRUE(TNormalizerDProjFile::Normalize(LXml.get()));
  EXPECT_EQ(TreeText(LBefore.get()), TreeText(LXml.get()));
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

  // The second pass drops the DCC_E that survived the first; the third finds nothing to do
  // and, the project being in the writer's layout, writes nothing.
  EXPECT_TRUE(TNormalizerDProjFile::Normalize(LName));
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
