// The build-configuration tree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "projfile/ConfigItem.h"
#include "projfile/NormalizerTestSupport.h"

namespace Vorlane {
namespace {

using namespace NormalizerTest;

// Each entry "Name:Key:Parent" becomes a BuildConfiguration; an empty part leaves its child out.
struct TConfigs {
  explicit TConfigs(const std::vector<const char*>& AEntries) {
    std::string LText = "<Project><ItemGroup>";
    for (const char* LEntry : AEntries) {
      std::string S = LEntry;
      size_t A = S.find(':'), B = S.find(':', A + 1);
      std::string LName = S.substr(0, A), LKey = S.substr(A + 1, B - A - 1), LParent = S.substr(B + 1);
      LText += "<BuildConfiguration Include=\"" + LName + "\">";
      if (!LKey.empty()) LText += "<Key>" + LKey + "</Key>";
      if (!LParent.empty()) LText += "<CfgParent>" + LParent + "</CfgParent>";
      LText += "</BuildConfiguration>";
    }
    LText += "</ItemGroup></Project>";
    FXml = ParseProject(LText);
    FXml->GetRoot()->GetNodes(0)->NodesByName("BuildConfiguration", &FList);
  }
  std::unique_ptr<TDprojXml> FXml;
  TXmlNodeList FList;
};

// Pre-order walk as "Key(Name)" with children in braces.
std::string Shape(TConfigItem* AItem) {
  std::string LResult = UnicodeToUTF8(AItem->Key());
  if (AItem->Items().Count() == 0) return LResult;
  LResult += "{";
  for (Integer I = 0; I < AItem->Items().Count(); ++I) {
    if (I > 0) LResult += ",";
    LResult += Shape(AItem->Items().GetItems(I));
  }
  return LResult + "}";
}

std::string Visit(TConfigItem& ARoot) {
  std::string LResult;
  ARoot.Iterate([&](TConfigItem* AItem) { LResult += UnicodeToUTF8(AItem->Key()) + " "; });
  return LResult;
}

TEST(ConfigItem, EmptyListLeavesTheRootAlone) {
  TConfigItem LRoot;
  TXmlNodeList LEmpty;
  EXPECT_FALSE(LRoot.LoadFromNodes(LEmpty));
  EXPECT_TRUE(LRoot.Name().empty() && LRoot.Key().empty() && LRoot.CfgParent().empty());
  EXPECT_EQ(" ", Visit(LRoot));
}

TEST(ConfigItem, BuildsTheTreeInAttachmentOrder) {
  TConfigs L({"Base:Base:", "Debug:Cfg_1:Base", "Release:Cfg_2:Base"});
  TConfigItem LRoot;
  EXPECT_TRUE(LRoot.LoadFromNodes(L.FList));
  EXPECT_EQ(u"Base", LRoot.Name());
  EXPECT_EQ("Base{Cfg_1,Cfg_2}", Shape(&LRoot));
  EXPECT_EQ(u"Release", LRoot.Find(u"Cfg_2")->Name());
  EXPECT_EQ(u"Base", LRoot.Find(u"Cfg_2")->CfgParent());
  EXPECT_EQ(nullptr, LRoot.Find(u"base"));

  // A child listed before its parent is attached in the first scan after the parent was.
  TConfigs L2({"Base:Base:", "Child:Cfg_3:Cfg_1", "Debug:Cfg_1:Base", "Release:Cfg_2:Base"});
  TConfigItem LRoot2;
  LRoot2.LoadFromNodes(L2.FList);
  EXPECT_EQ("Base{Cfg_1{Cfg_3},Cfg_2}", Shape(&LRoot2));
  EXPECT_EQ("Base Cfg_1 Cfg_3 Cfg_2 ", Visit(LRoot2));
}

TEST(ConfigItem, EveryScanRestartsAtTheFirstPendingEntry) {
  // C waits for B, B for A; D and A hang below Base; E below A. Scans attach D, A, B, C, E.
  TConfigs L({"C:C:B", "B:B:A", "D:D:Base", "A:A:Base", "E:E:A", "Base:Base:"});
  TConfigItem LRoot;
  LRoot.LoadFromNodes(L.FList);
  EXPECT_EQ("Base{D,A{B{C},E}}", Shape(&LRoot));
}

TEST(ConfigItem, ChoosesTheRoot) {
  struct {
    std::vector<const char*> Entries;
    const char* Root;
  } LCases[] = {
      {{"Base:Base:", "X:X:"}, "Base"},
      {{"X:X:", "Base:Base:"}, "Base"},
      {{"X:X:", "Y:Y:"}, "Y"},
      // Without a Key child the key is empty and never counts as Base.
      {{"Base::", "Y:Y:"}, "Y"},
  };
  for (auto& LCase : LCases) {
    TConfigs L(LCase.Entries);
    TConfigItem LRoot;
    LRoot.LoadFromNodes(L.FList);
    EXPECT_EQ(LCase.Root, UnicodeToUTF8(LRoot.Key()));
    EXPECT_EQ(0, LRoot.Items().Count());
  }
}

TEST(ConfigItem, UnresolvableParentsAreDroppedFromTheTree) {
  // Missing parent, misspelt (case differs), a cycle, and the child of a dropped second root.
  TConfigs L({"Base:Base:", "Other:Other:", "Lost:Cfg_1:Nowhere", "Case:Cfg_2:base", "A:Cfg_3:Cfg_4",
              "B:Cfg_4:Cfg_3", "Self:Cfg_5:Cfg_5", "Orphan:Cfg_6:Other", "Ok:Cfg_7:Base", "Deep:Cfg_8:Cfg_7"});
  TConfigItem LRoot;
  EXPECT_TRUE(LRoot.LoadFromNodes(L.FList));
  EXPECT_EQ("Base{Cfg_7{Cfg_8}}", Shape(&LRoot));
  // The document keeps every configuration.
  EXPECT_EQ(10, L.FXml->GetRoot()->GetNodes(0)->GetNodeCount());
}

TEST(ConfigItem, LongChainsAndManyConfigurations) {
  // Listed child before parent, thousands deep: no quadratic rescans and no deep recursion.
  const int N = 3000;
  std::string LText = "<Project><ItemGroup>";
  for (int I = N; I >= 1; --I)
    LText += "<BuildConfiguration Include=\"C" + std::to_string(I) + "\"><Key>Cfg_" + std::to_string(I) +
             "</Key><CfgParent>" + (I == 1 ? std::string("Base") : "Cfg_" + std::to_string(I - 1)) +
             "</CfgParent></BuildConfiguration>";
  LText += "<BuildConfiguration Include=\"Base\"><Key>Base</Key></BuildConfiguration></ItemGroup></Project>";
  auto LXml = ParseProject(LText);
  TXmlNodeList LList;
  LXml->GetRoot()->GetNodes(0)->NodesByName("BuildConfiguration", &LList);
  TConfigItem LRoot;
  LRoot.LoadFromNodes(LList);
  int LCount = 0;
  LRoot.Iterate([&](TConfigItem*) { ++LCount; });
  EXPECT_EQ(N + 1, LCount);
  TConfigItem* LLast = LRoot.Find(u"Cfg_3000");
  ASSERT_NE(nullptr, LLast);
  EXPECT_EQ(u"Cfg_2999", LLast->CfgParent());
}

TEST(ConfigItem, DeepChainIsReleasedWithoutExhaustingTheStack) {
  // Releasing a tree one nested call per level overflowed the stack long before this depth.
  auto LRoot = std::make_unique<TConfigItem>();
  TConfigItem* LLast = LRoot.get();
  for (int I = 0; I < 1000000; ++I) {
    auto LChild = std::make_unique<TConfigItem>();
    TConfigItem* LNext = LChild.get();
    LLast->Items().Add(std::move(LChild));
    LLast = LNext;
  }
  int LCount = 0;
  LRoot->Iterate([&](TConfigItem*) { ++LCount; });
  EXPECT_EQ(1000001, LCount);
  LRoot.reset();
}

TEST(ConfigItem, SortOrdersByNameIgnoringAsciiCase) {
  TConfigs L({"Base:Base:", "release:Cfg_2:Base", "Debug:Cfg_1:Base", "alpha:Cfg_3:Base", "Zeta:Cfg_4:Cfg_1",
              "beta:Cfg_5:Cfg_1"});
  TConfigItem LRoot;
  LRoot.LoadFromNodes(L.FList);
  LRoot.Sort();
  EXPECT_EQ("Base{Cfg_3,Cfg_1{Cfg_5,Cfg_4},Cfg_2}", Shape(&LRoot));
}

}  // namespace
}  // namespace Vorlane
