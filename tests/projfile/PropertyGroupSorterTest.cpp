// The property-group sorter: conditions it expects, how it classifies and places groups.
#include <gtest/gtest.h>

#include <string>

#include "projfile/NormalizerTestSupport.h"
#include "projfile/PropertyGroupSorter.h"

namespace Vorlane {
namespace {

using namespace NormalizerTest;

TEST(PropertyGroupSorter, ConditionMakers) {
  TPropertyGroupSorter LSorter;
  TConfigItem LItem;
  auto LXml = ParseProject("<Project><BuildConfiguration Include=\"It's\"><Key>Cfg_1</Key></BuildConfiguration></Project>");
  LItem.LoadFromNode(LXml->GetRoot()->GetNodes(0));

  EXPECT_EQ(u"'$(Config)'=='It''s' or '$(Cfg_1)'!=''", LSorter.MakeStructureCondition(&LItem, u""));
  EXPECT_EQ(u"('$(Platform)'=='Win32' and '$(Cfg_1)'=='true') or '$(Cfg_1_Win32)'!=''",
            LSorter.MakeStructureCondition(&LItem, u"Win32"));
  EXPECT_EQ(u"'$(Cfg_1)'!=''", LSorter.MakeDataCondition(&LItem, u""));
  EXPECT_EQ(u"'$(Cfg_1_Win64)'!=''", LSorter.MakeDataCondition(&LItem, u"Win64"));
  EXPECT_EQ(u"", LSorter.MakeBuildEventCondition(&LItem, u""));
  EXPECT_EQ(u"'$(Config)'=='It''s' and '$(Platform)'=='Android'",
            LSorter.MakeBuildEventCondition(&LItem, u"Android"));
  EXPECT_EQ(u"Cfg_1", LSorter.MakeStructureNodeName(&LItem, u""));
  EXPECT_EQ(u"Cfg_1_OSX64", LSorter.MakeStructureNodeName(&LItem, u"OSX64"));
}

TEST(PropertyGroupSorter, Classification) {
  auto LXml = ParseProject(
      "<Project>"
      "<PropertyGroup/>"
      "<PropertyGroup Condition=\"'$(CONFIG)'=='Debug' and '$(platform)'=='Win32'\"><base/></PropertyGroup>"
      "<PropertyGroup Condition=\"'$(Cfg_1)'!=''\"><BASE/></PropertyGroup>"
      "<PropertyGroup Label=\"Globals\"><X/></PropertyGroup>"
      "<PropertyGroup Condition=\"$(Config)=='Debug' and $(Platform)=='Win32'\"/>"
      "</Project>");
  TXmlNode* LRoot = LXml->GetRoot();
  EXPECT_TRUE(TPropertyGroupSorter::IsPropRoot(LRoot->GetNodes(0)));
  EXPECT_TRUE(TPropertyGroupSorter::IsBuildEvent(LRoot->GetNodes(1)));
  EXPECT_TRUE(TPropertyGroupSorter::IsStructureNode(LRoot->GetNodes(1)));
  EXPECT_FALSE(TPropertyGroupSorter::IsDataNode(LRoot->GetNodes(1)));
  EXPECT_TRUE(TPropertyGroupSorter::IsStructureNode(LRoot->GetNodes(2)));
  EXPECT_FALSE(TPropertyGroupSorter::IsDataNode(LRoot->GetNodes(2)));
  // Any attribute makes a data group, not only a condition.
  EXPECT_TRUE(TPropertyGroupSorter::IsDataNode(LRoot->GetNodes(3)));
  EXPECT_FALSE(TPropertyGroupSorter::IsDataNode(LRoot->GetNodes(0)));
  // The variables must stand in apostrophes.
  EXPECT_FALSE(TPropertyGroupSorter::IsBuildEvent(LRoot->GetNodes(4)));
}

TEST(PropertyGroupSorter, GroupComparers) {
  TOrderList LOrder;
  LOrder.Add(u"A");
  LOrder.Add(u"b");
  LOrder.Add(u"B");
  EXPECT_EQ(1, LOrder.IndexOf(u"b"));
  EXPECT_EQ(1, LOrder.IndexOf(u"B"));
  EXPECT_EQ(-1, LOrder.IndexOf(u"C"));

  auto LXml = ParseProject(
      "<Project><g Condition=\"a\"/><g Condition=\"B\"/><g Condition=\"x\"/><g/><A/><b/><x/><y/></Project>");
  TXmlNode* R = LXml->GetRoot();
  TPropertyGroupComparer LGroups(LOrder);
  EXPECT_EQ(-1, LGroups.Compare(R->GetNodes(0), R->GetNodes(1)));
  EXPECT_EQ(1, LGroups.Compare(R->GetNodes(1), R->GetNodes(0)));
  // Unexpected conditions, also a missing one, come first and tie.
  EXPECT_EQ(-1, LGroups.Compare(R->GetNodes(2), R->GetNodes(0)));
  EXPECT_EQ(0, LGroups.Compare(R->GetNodes(2), R->GetNodes(3)));

  TPropertyGroupStructureNodeComparer LNames(LOrder);
  EXPECT_EQ(1, LNames.Compare(R->GetNodes(4), R->GetNodes(5)));
  EXPECT_EQ(-1, LNames.Compare(R->GetNodes(5), R->GetNodes(4)));
  // Unlisted names go last and tie.
  EXPECT_EQ(1, LNames.Compare(R->GetNodes(6), R->GetNodes(4)));
  EXPECT_EQ(0, LNames.Compare(R->GetNodes(6), R->GetNodes(7)));
}

TEST(PropertyGroupSorter, LeadingChildComparers) {
  auto LXml = ParseProject("<Project><Base/><base/><AAA/><SanitizedProjectName/><Base/></Project>");
  TXmlNode* R = LXml->GetRoot();
  TPropertyPropRootNodeComparer LRoot;
  EXPECT_EQ(-1, LRoot.Compare(R->GetNodes(0), R->GetNodes(2)));
  EXPECT_EQ(1, LRoot.Compare(R->GetNodes(1), R->GetNodes(0)));
  EXPECT_EQ(0, LRoot.Compare(R->GetNodes(0), R->GetNodes(4)));
  // "base" is not the leading name: ordinal by name, so AAA < base.
  EXPECT_EQ(1, LRoot.Compare(R->GetNodes(1), R->GetNodes(2)));
  TPropertyGroupDataNodeComparer LData;
  EXPECT_EQ(-1, LData.Compare(R->GetNodes(3), R->GetNodes(2)));
  EXPECT_EQ(-1, LData.Compare(R->GetNodes(2), R->GetNodes(0)));
}

std::string RootOrder(TXmlNode* ARoot) {
  std::string LResult;
  for (Integer I = 0; I < ARoot->GetNodeCount(); ++I) {
    TXmlNode* LNode = ARoot->GetNodes(I);
    LResult += LNode->Name();
    if (LNode->GetAttributeCount() > 0) LResult += "[" + LNode->GetAttributeValue(0) + "]";
    LResult += " ";
  }
  return LResult;
}

TEST(PropertyGroupSorter, WithoutPlatformsAndAttributeLessGroup) {
  // No Platforms node: only conditions without platform are expected, so the platform group
  // comes first. No attribute-less group: nothing is put before the structure groups.
  auto LXml = ParseProject(
      "<Project>"
      "<ItemGroup><BuildConfiguration Include=\"Base\"><Key>Base</Key></BuildConfiguration></ItemGroup>"
      "<PropertyGroup Condition=\"'$(Base)'!=''\"><A/></PropertyGroup>"
      "<PropertyGroup Condition=\"'$(Base_Win32)'!=''\"><A/></PropertyGroup>"
      "<PropertyGroup Condition=\"'$(Config)'=='Base' or '$(Base)'!=''\"><Base/></PropertyGroup>"
      "</Project>");
  TPropertyGroupSorter LSorter;
  TXmlNode* LRoot = LXml->GetRoot();
  EXPECT_TRUE(LSorter.SortPropertyGroups(LRoot, LRoot->GetNodes(0), nullptr));
  EXPECT_EQ("PropertyGroup['$(Config)'=='Base' or '$(Base)'!=''] PropertyGroup['$(Base_Win32)'!=''] "
            "PropertyGroup['$(Base)'!=''] ItemGroup ",
            RootOrder(LRoot));
}

TEST(PropertyGroupSorter, DependentImports) {
  // Two groups name the same import (with blanks kept in the items); it ends before the
  // first of them. An import inside another element is found but left where it is.
  auto LXml = ParseProject(
      "<Project>"
      "<PropertyGroup><Base/></PropertyGroup>"
      "<PropertyGroup Condition=\"'$(Base)'!=''\"><CfgDependentOn>a.optset; b.optset</CfgDependentOn></PropertyGroup>"
      "<PropertyGroup Condition=\"'$(Cfg_1)'!=''\"><CfgDependentOn>A.OPTSET;nested.optset</CfgDependentOn></PropertyGroup>"
      "<ItemGroup/>"
      "<ImportGroup><Import Project=\"nested.optset\"/></ImportGroup>"
      "<Import Project=\"b.optset\"/>"
      "<Import Project=\" b.optset\"/>"
      "<Import Project=\"a.optset\"/>"
      "</Project>");
  TPropertyGroupSorter LSorter;
  TXmlNode* LRoot = LXml->GetRoot();
  LSorter.SortPropertyGroups(LRoot, LRoot->GetNodes(3), nullptr);
  EXPECT_EQ("PropertyGroup Import[a.optset] Import[ b.optset] PropertyGroup['$(Base)'!=''] "
            "PropertyGroup['$(Cfg_1)'!=''] ItemGroup ImportGroup Import[b.optset] ",
            RootOrder(LRoot));
  EXPECT_EQ(1, LRoot->GetNodes(6)->GetNodeCount());
}

TEST(PropertyGroupSorter, BuildEventWithBaseChildGoesLast) {
  auto LXml = ParseProject(
      "<Project>"
      "<PropertyGroup Condition=\"'$(Config)'=='Base' and '$(Platform)'=='Win32'\"><Base/></PropertyGroup>"
      "<PropertyGroup><X/></PropertyGroup>"
      "<ItemGroup/>"
      "</Project>");
  TPropertyGroupSorter LSorter;
  TXmlNode* LRoot = LXml->GetRoot();
  LSorter.SortPropertyGroups(LRoot, LRoot->GetNodes(2), nullptr);
  EXPECT_EQ("PropertyGroup ItemGroup PropertyGroup['$(Config)'=='Base' and '$(Platform)'=='Win32'] ",
            RootOrder(LRoot));
}

TEST(PropertyGroupSorter, CfgParentMovesToSecondPlace) {
  // Nothing is expected (no configurations), so the children tie and stay; CfgParent still
  // goes to index 1.
  auto LXml = ParseProject(
      "<Project><PropertyGroup Condition=\"'$(X)'!=''\"><CfgParent>Base</CfgParent><Base/></PropertyGroup>"
      "<ItemGroup/></Project>");
  TPropertyGroupSorter LSorter;
  TXmlNode* LRoot = LXml->GetRoot();
  LSorter.SortPropertyGroups(LRoot, LRoot->GetNodes(1), nullptr);
  TXmlNode* LGroup = LRoot->GetNodes(0);
  ASSERT_EQ(2, LGroup->GetNodeCount());
  EXPECT_EQ("Base", LGroup->GetNodes(0)->Name());
  EXPECT_EQ("CfgParent", LGroup->GetNodes(1)->Name());
}

}  // namespace
}  // namespace Vorlane
