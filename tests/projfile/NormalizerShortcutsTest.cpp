// The normalizer's direct routes give the results of the general tools they stand in for:
// conditions spelled out against the composed builders, name sorts on classified entries
// against the node comparers, one-pass deletion against deletion name by name, and the
// text lookup against a plain scan.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/TestSupport.h"
#include "platform/SysUtils.h"
#include "projfile/NodeSortHelpers.h"
#include "projfile/NormalizerTestSupport.h"
#include "projfile/PropertyGroupSorter.h"

namespace Vorlane {
namespace {

using namespace NormalizerTest;
namespace fs = std::filesystem;

using P = TCustomProjFile;

TEST(NormalizerShortcuts, ConditionsMatchTheComposedBuilders) {
  struct TCase {
    const char* Name;
    const char* Key;
  };
  const TCase cCases[] = {
      {"Debug", "Cfg_1"}, {"It's", "Cfg_'2'"}, {"", ""}, {"Relé ünd Test", "Cfg_3"}, {"''", "'"},
  };
  const UnicodeString cPlatforms[] = {u"", u"Win32", u"O'Brien", u"Plätt"};
  TPropertyGroupSorter LSorter;
  for (const TCase& C : cCases) {
    SCOPED_TRACE(std::string(C.Name) + " / " + C.Key);
    auto LXml = ParseProject(std::string("<Project><BuildConfiguration Include=\"") + C.Name + "\"><Key>" + C.Key +
                             "</Key></BuildConfiguration></Project>");
    TConfigItem LItem;
    LItem.LoadFromNode(LXml->GetRoot()->GetNodes(0));
    ASSERT_EQ(UTF8ToUnicode(C.Key), LItem.Key());
    const UnicodeString& K = LItem.Key();
    for (const UnicodeString& LPlatform : cPlatforms) {
      SCOPED_TRACE(UnicodeToUTF8(LPlatform));
      const bool LNone = LPlatform.empty();
      EXPECT_EQ(LNone ? P::_OR(P::_EQ(P::_Var(u"Config"), LItem.Name()), P::_NE(P::_Var(K), u""))
                      : P::_OR(P::_Brackets(P::_AND(P::_EQ(P::_Var(u"Platform"), LPlatform),
                                                    P::_EQ(P::_Var(K), u"true"))),
                               P::_NE(P::_Var(K + u"_" + LPlatform), u"")),
                LSorter.MakeStructureCondition(&LItem, LPlatform));
      EXPECT_EQ(P::_NE(P::_Var(LNone ? K : K + u"_" + LPlatform), u""), LSorter.MakeDataCondition(&LItem, LPlatform));
      EXPECT_EQ(LNone ? UnicodeString()
                      : P::_AND(P::_EQ(P::_Var(u"Config"), LItem.Name()), P::_EQ(P::_Var(u"Platform"), LPlatform)),
                LSorter.MakeBuildEventCondition(&LItem, LPlatform));
    }
  }
}

// AHand followed by every corpus project's text.
std::vector<std::string> WithCorpus(const std::string& AHand) {
  std::vector<std::string> LTexts = {AHand};
  const fs::path LDir = TestSupport::CorpusDir() / "dproj";
  if (TestSupport::SharedPresent(LDir, "project corpus"))
    for (const auto& LEntry : fs::directory_iterator(LDir))
      if (LEntry.path().extension() == ".dproj") LTexts.push_back(TestSupport::ReadBytes(LEntry.path()));
  return LTexts;
}

// Nil for a text that is no well-formed project (the normalizer never sees one).
std::unique_ptr<TDprojXml> TryParse(const std::string& AText) {
  try {
    return ParseProject(AText);
  } catch (const Exception&) {
    return nullptr;
  }
}

std::string ChildNames(const TXmlNode* ANode) {
  std::string LResult;
  for (Integer I = 0; I < ANode->GetNodeCount(); ++I) LResult += NodeLine(ANode->GetNodes(I)) + "|";
  return LResult;
}

// Every element with children, in document order.
void Parents(TXmlNode* ANode, std::vector<TXmlNode*>& AList) {
  if (ANode->GetNodeCount() > 1) AList.push_back(ANode);
  for (Integer I = 0; I < ANode->GetNodeCount(); ++I) Parents(ANode->GetNodes(I), AList);
}

// Sorts every parent of two copies of AText, one with the comparer and one by name with
// ALeading first, and expects the same answers and the same orders.
void ExpectSameNameSort(const std::string& AText, const TNodeComparer& AComparer, const UTF8String& ALeading) {
  auto LByComparer = TryParse(AText);
  auto LByName = TryParse(AText);
  if (!LByComparer) return;
  std::vector<TXmlNode*> LLeft, LRight;
  Parents(LByComparer->RootNodeList(), LLeft);
  Parents(LByName->RootNodeList(), LRight);
  ASSERT_EQ(LLeft.size(), LRight.size());
  for (size_t I = 0; I < LLeft.size(); ++I) {
    const bool LSorted = SortChildNodesIfUnsorted(LLeft[I], AComparer);
    EXPECT_EQ(LSorted, SortChildrenByNameIfUnsorted(LRight[I], ALeading)) << LLeft[I]->Name();
    EXPECT_EQ(ChildNames(LLeft[I]), ChildNames(LRight[I]));
  }
}

TEST(NormalizerShortcuts, NameSortsMatchTheComparers) {
  TPropertyGroupDataNodeComparer LData;
  TPropertyPropRootNodeComparer LRoot;
  for (const std::string& LText : WithCorpus(
           "<Project><g><Z id='1'/><é/><SanitizedProjectName id='1'/><a/><Base id='1'/><SanitizedProjectName id='2'/>"
           "<Z id='2'/><Ä/><\xF0\x9F\x98\x80/><\xEF\xBC\xA1/><Base id='2'/><base/><AA/><A/></g>"
           "<h><A/><B/></h><k><SanitizedProjectName/><Base/></k></Project>")) {
    SCOPED_TRACE(LText.substr(0, 120));
    ExpectSameNameSort(LText, LData, "SanitizedProjectName");
    ExpectSameNameSort(LText, LRoot, "Base");
  }
}

// Every corpus project's groups (plus a parentless one) sorted by a condition order built from
// every other of its own conditions, backwards: listed, unlisted and tied groups.
TEST(NormalizerShortcuts, KeyedListSortMatchesTheComparerSort) {
  for (const std::string& LText :
       WithCorpus("<Project><PropertyGroup Condition='b'/><PropertyGroup Condition='a'/><PropertyGroup/><X>"
                  "<PropertyGroup Condition='A'/></X><PropertyGroup Condition='c'/><PropertyGroup Condition='B'/>"
                  "</Project>")) {
    SCOPED_TRACE(LText.substr(0, 120));
    auto LXml = TryParse(LText);
    if (!LXml) continue;
    TXmlNodeList LGroups;
    LXml->GetRoot()->NodesByName("PropertyGroup", &LGroups);
    if (TXmlNode* LInner = LXml->GetRoot()->NodeByName("X")) LGroups.Add(LInner->GetNodes(0));
    TXmlNode LLoose(LXml.get(), "PropertyGroup");
    LLoose.AttributeAdd("Condition", "a");
    LGroups.Add(&LLoose);
    TOrderList LOrder;
    for (Integer I = LGroups.Count() - 1; I >= 0; I -= 2)
      LOrder.Add(LGroups.GetItems(I)->GetAttributeByNameWide("Condition"));
    TXmlNodeList LByComparer, LByKey;
    AddNodes(LByComparer, LGroups);
    AddNodes(LByKey, LGroups);
    TPropertyGroupComparer LComparer(LOrder);
    TXmlNodeListHelper::SortList(LByComparer, LComparer);
    std::vector<Integer> LKeys;
    for (Integer I = 0; I < LByKey.Count(); ++I)
      LKeys.push_back(LOrder.IndexOf(LByKey.GetItems(I)->GetAttributeByNameWide("Condition")));
    SortListByKey(LByKey, LKeys);
    ASSERT_EQ(LByComparer.Count(), LByKey.Count());
    for (Integer I = 0; I < LByKey.Count(); ++I) EXPECT_EQ(LByComparer.GetItems(I), LByKey.GetItems(I)) << I;
  }
}

TEST(NormalizerShortcuts, OnePassDeletionMatchesNameByName) {
  const char* const cChildren[] = {
      "<DCC_E/><x/><dcc_f/><DCC_K/><DCC_N/><Dcc_S/><DCC_S/><y/>",
      "<A/><B/>",
      "<DCC_EE/><DCC_/><DCC_É/><DCC_e/><DCC_Ñ/><ÄDCC_E/>",
      "<DCC_S/>",
      "",
  };
  for (const char* LChildren : cChildren) {
    SCOPED_TRACE(LChildren);
    const std::string LText = std::string("<Project><g>") + LChildren + "<z/></g></Project>";
    auto LOnePass = ParseProject(LText);
    auto LByName = ParseProject(LText);
    DeleteChildNodes(LOnePass->GetRoot()->GetNodes(0), {"DCC_E", "DCC_F", "DCC_K", "DCC_N", "DCC_S"});
    for (const char* LName : {"DCC_E", "DCC_F", "DCC_K", "DCC_N", "DCC_S"})
      DeleteChildNodes(LByName->GetRoot()->GetNodes(0), LName);
    EXPECT_EQ(DumpDocument(LByName.get()), DumpDocument(LOnePass.get()));
  }
  DeleteChildNodes(nullptr, {"DCC_E"});
}

TEST(NormalizerShortcuts, TextLookupFindsTheFirstEqualEntry) {
  const UnicodeString cEntries[] = {u"Cfg_1", u"cfg_1", u"Ärger", u"ärger", u"co-op", u"coop", u"",
                                    u"'$(Cfg_1)'!=''", u"Straße", u"x", u"strasse", u"ÆON"};
  TTextLookup LLookup;
  for (size_t I = 0; I < std::size(cEntries); ++I) LLookup.Add(cEntries[I], static_cast<Integer>(I));
  const UnicodeString cQueries[] = {u"CFG_1", u"ÄRGER", u"CO-OP", u"COOP", u"", u"'$(CFG_1)'!=''",
                                    u"STRASSE", u"straße", u"X", u"y", u"Cfg_2", u"AEON", u"æon"};
  for (const UnicodeString& LQuery : cQueries) {
    SCOPED_TRACE(UnicodeToUTF8(LQuery));
    Integer LExpected = -1;
    for (size_t I = 0; I < std::size(cEntries) && LExpected < 0; ++I)
      if (AnsiSameText(cEntries[I], LQuery)) LExpected = static_cast<Integer>(I);
    EXPECT_EQ(LExpected, LLookup.Find(LQuery));
  }
  bool LTaken[std::size(cEntries)] = {};
  LTaken[0] = LTaken[1] = true;
  // Take hands out the equal entries in the order they were added.
  EXPECT_EQ(0, LLookup.Take(u"CFG_1"));
  EXPECT_EQ(1, LLookup.Take(u"CFG_1"));
  EXPECT_EQ(-1, LLookup.Take(u"CFG_1"));
  // Taking follows the same first-equal rule across ASCII entries and the others.
  for (const UnicodeString LQuery : {u"STRASSE", u"STRASSE", u"STRASSE"}) {
    Integer LExpected = -1;
    for (size_t I = 0; I < std::size(cEntries) && LExpected < 0; ++I)
      if (AnsiSameText(cEntries[I], LQuery) && !LTaken[I]) LExpected = static_cast<Integer>(I);
    if (LExpected >= 0) LTaken[static_cast<size_t>(LExpected)] = true;
    EXPECT_EQ(LExpected, LLookup.Take(LQuery));
  }
}

}  // namespace
}  // namespace Vorlane
