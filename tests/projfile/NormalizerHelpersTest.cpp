// The sorting and moving tools the normalizer is built from.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "projfile/NodeSortHelpers.h"
#include "projfile/NormalizerTestSupport.h"

namespace Vorlane {
namespace {

using namespace NormalizerTest;

// Orders by the attribute "k" only, so nodes with equal keys tie; counts its calls.
class TKeyComparer : public TNodeComparer {
 public:
  Integer Compare(TXmlNode* Left, TXmlNode* Right) const override {
    ++FCalls;
    return Left->GetAttributeByName("k").compare(Right->GetAttributeByName("k")) < 0   ? -1
           : Left->GetAttributeByName("k") == Right->GetAttributeByName("k") ? 0
                                                                             : 1;
  }
  mutable int FCalls = 0;
};

std::string Ids(TXmlNode* AParent) {
  std::string LResult;
  for (Integer I = 0; I < AParent->GetNodeCount(); ++I) {
    if (!LResult.empty()) LResult += ",";
    LResult += AParent->GetNodes(I)->GetAttributeByName("id");
  }
  return LResult;
}

std::string Ids(const TXmlNodeList& AList) {
  std::string LResult;
  for (TXmlNode* LNode : AList) {
    if (!LResult.empty()) LResult += ",";
    LResult += LNode->GetAttributeByName("id");
  }
  return LResult;
}

TEST(NormalizerHelpers, SortChildNodesOnlyWhenOutOfOrder) {
  auto LXml = ParseProject(R"(<Project><a k="1" id="x"/><a k="1" id="y"/><a k="2" id="z"/></Project>)");
  TXmlNode* LRoot = LXml->GetRoot();
  TKeyComparer LComparer;
  // Equal neighbours count as in order: the tie x, y is not touched.
  EXPECT_FALSE(SortChildNodesIfUnsorted(LRoot, LComparer));
  EXPECT_EQ(2, LComparer.FCalls);
  EXPECT_EQ("x,y,z", Ids(LRoot));

  auto LSmall = ParseProject(R"(<Project><a k="9" id="x"/></Project>)");
  TKeyComparer LNever;
  EXPECT_FALSE(SortChildNodesIfUnsorted(LSmall->GetRoot(), LNever));
  EXPECT_FALSE(SortChildNodesIfUnsorted(LSmall->GetRoot()->GetNodes(0), LNever));
  EXPECT_EQ(0, LNever.FCalls);
}

Integer CompareById(TXmlNode* A, TXmlNode* B) {
  UTF8String LA = A->GetAttributeByName("k"), LB = B->GetAttributeByName("k");
  return LA < LB ? -1 : (LA == LB ? 0 : 1);
}

TEST(NormalizerHelpers, EqualNodesKeepTheirDocumentOrder) {
  // Keys with ties in several places; every sort must give the stable order, whichever way
  // the list was filled, and sorting that result again must leave it as it is.
  struct TCase {
    const char* Keys;  // one key per child, ids are the positions
    const char* Expected;
  };
  const TCase cCases[] = {
      {"b,a,b", "1,0,2"},
      {"3,1,2,1", "1,3,2,0"},
      {"x,x,x,a,x", "3,0,1,2,4"},
      {"c,b,a,c,b,a,c,b,a", "2,5,8,1,4,7,0,3,6"},
  };
  for (const TCase& C : cCases) {
    SCOPED_TRACE(C.Keys);
    std::string LText = "<Project>";
    std::string LKeys = C.Keys;
    int LId = 0;
    for (size_t LStart = 0; LStart <= LKeys.size();) {
      size_t LEnd = LKeys.find(',', LStart);
      if (LEnd == std::string::npos) LEnd = LKeys.size();
      LText += "<a k=\"" + LKeys.substr(LStart, LEnd - LStart) + "\" id=\"" + std::to_string(LId++) + "\"/>";
      LStart = LEnd + 1;
    }
    LText += "</Project>";

    TKeyComparer LComparer;
    auto LChildren = ParseProject(LText);
    SortChildNodesIfUnsorted(LChildren->GetRoot(), LComparer);
    EXPECT_EQ(C.Expected, Ids(LChildren->GetRoot()));
    EXPECT_FALSE(SortChildNodesIfUnsorted(LChildren->GetRoot(), LComparer));

    // Lists: filled in reverse, as the group sorter extracts its groups; ties still go by the
    // document. The document itself is never reordered.
    auto LDoc = ParseProject(LText);
    TXmlNodeList LList;
    for (Integer I = LDoc->GetRoot()->GetNodeCount() - 1; I >= 0; --I) LList.Add(LDoc->GetRoot()->GetNodes(I));
    TXmlNodeListHelper::SortList(LList, LComparer);
    EXPECT_EQ(C.Expected, Ids(LList));
    TXmlNodeList LForward;
    LDoc->GetRoot()->NodesByName("a", &LForward);
    SortListIfUnsorted(LForward, &CompareById);
    EXPECT_EQ(C.Expected, Ids(LForward));
    EXPECT_FALSE(SortListIfUnsorted(LForward, &CompareById));
    for (Integer I = 0; I < LDoc->GetRoot()->GetNodeCount(); ++I)
      EXPECT_EQ(std::to_string(I), LDoc->GetRoot()->GetNodes(I)->GetAttributeByName("id"));
  }
}

TEST(NormalizerHelpers, SortListIfUnsorted) {
  auto LXml = ParseProject(
      R"(<Project><a k="3" id="c"/><a k="1" id="a1"/><a k="2" id="b"/><a k="1" id="a2"/></Project>)");
  TXmlNodeList LList;
  LXml->GetRoot()->NodesByName("a", &LList);
  EXPECT_TRUE(SortListIfUnsorted(LList, &CompareById));
  // The partition sort alone would end with a2 before a1.
  EXPECT_EQ("a1,a2,b,c", Ids(LList));
  EXPECT_FALSE(SortListIfUnsorted(LList, &CompareById));
  EXPECT_EQ("a1,a2,b,c", Ids(LList));
  TXmlNodeList LEmpty;
  EXPECT_FALSE(SortListIfUnsorted(LEmpty, &CompareById));
}

TEST(NormalizerHelpers, MoveToEndAndToFront) {
  auto LXml = ParseProject(
      R"(<Project><n id="1"/><n id="2"/><n id="3"/><n id="4"/><n id="5"/></Project>)");
  TXmlNode* LRoot = LXml->GetRoot();
  auto Node = [&](int AId) { return LRoot->NodeByAttributeValue("n", "id", std::to_string(AId), false); };

  TXmlNodeList LList;
  LList.Add(Node(4));
  LList.Add(Node(5));
  EXPECT_FALSE(MoveToEnd(LRoot, LList));
  EXPECT_EQ("1,2,3,4,5", Ids(LRoot));

  LList.Clear();
  LList.Add(Node(5));
  LList.Add(Node(4));
  EXPECT_TRUE(MoveToEnd(LRoot, LList));
  EXPECT_EQ("1,2,3,5,4", Ids(LRoot));

  LList.Clear();
  LList.Add(Node(2));
  LList.Add(Node(1));
  LList.Add(Node(2));  // listed twice: placed once
  EXPECT_TRUE(MoveToEnd(LRoot, LList));
  EXPECT_EQ("3,5,4,2,1", Ids(LRoot));

  LList.Clear();
  EXPECT_FALSE(MoveToFront(LRoot, LList));
  LList.Add(Node(4));
  LList.Add(Node(1));
  EXPECT_TRUE(MoveToFront(LRoot, LList));
  EXPECT_EQ("4,1,3,5,2", Ids(LRoot));
  EXPECT_FALSE(MoveToFront(LRoot, LList));

  // A node of another parent is not taken over.
  auto LOther = ParseProject(R"(<Project><n id="9"/></Project>)");
  LList.Clear();
  LList.Add(LOther->GetRoot()->GetNodes(0));
  EXPECT_FALSE(MoveToFront(LRoot, LList));
  EXPECT_EQ("4,1,3,5,2", Ids(LRoot));
  EXPECT_EQ(1, LOther->GetRoot()->GetNodeCount());
}

TEST(NormalizerHelpers, MoveBlockOnLargeParent) {
  // Thousands of children and a block of thousands: must finish quickly and keep every node.
  std::string LText = "<Project>";
  for (int I = 0; I < 6000; ++I) LText += "<n id=\"" + std::to_string(I) + "\"/>";
  LText += "</Project>";
  auto LXml = ParseProject(LText);
  TXmlNode* LRoot = LXml->GetRoot();
  TXmlNodeList LList;
  for (Integer I = LRoot->GetNodeCount() - 1; I >= 0; I -= 2) LList.Add(LRoot->GetNodes(I));
  EXPECT_TRUE(MoveToFront(LRoot, LList));
  ASSERT_EQ(6000, LRoot->GetNodeCount());
  EXPECT_EQ("5999", LRoot->GetNodes(0)->GetAttributeByName("id"));
  EXPECT_EQ("1", LRoot->GetNodes(2999)->GetAttributeByName("id"));
  EXPECT_EQ("0", LRoot->GetNodes(3000)->GetAttributeByName("id"));
  EXPECT_EQ("5998", LRoot->GetNodes(5999)->GetAttributeByName("id"));
  EXPECT_TRUE(MoveToEnd(LRoot, LList));
  EXPECT_EQ("0", LRoot->GetNodes(0)->GetAttributeByName("id"));
  EXPECT_EQ("5999", LRoot->GetNodes(3000)->GetAttributeByName("id"));
  for (Integer I = 0; I < LRoot->GetNodeCount(); ++I) EXPECT_EQ(LRoot, LRoot->GetNodes(I)->Parent());
}

TEST(NormalizerHelpers, ArrangeChildrenPutsEachChildAtItsPlace) {
  struct TCase {
    std::vector<Integer> Order;
    const char* Result;
  };
  const TCase cCases[] = {
      {{0, 1, 2, 3, 4}, "0,1,2,3,4"}, {{4, 3, 2, 1, 0}, "4,3,2,1,0"}, {{1, 2, 3, 4, 0}, "1,2,3,4,0"},
      {{2, 0, 1, 4, 3}, "2,0,1,4,3"},
      // An order over the first children only leaves the others where they are.
      {{1, 0}, "1,0,2,3,4"}, {{}, "0,1,2,3,4"},
  };
  for (const TCase& C : cCases) {
    auto LXml = ParseProject(R"(<Project><n id="0"/><n id="1"/><n id="2"/><n id="3"/><n id="4"/></Project>)");
    ArrangeChildren(LXml->GetRoot(), C.Order);
    EXPECT_EQ(C.Result, Ids(LXml->GetRoot())) << ::testing::PrintToString(C.Order);
  }
}

TEST(NormalizerHelpers, MoveBefore) {
  auto LXml = ParseProject(R"(<Project><n id="1"/><n id="2"/><n id="3"><Import id="deep"/></n></Project>)");
  TXmlNode* LRoot = LXml->GetRoot();
  TXmlNode* L1 = LRoot->GetNodes(0);
  TXmlNode* L2 = LRoot->GetNodes(1);
  EXPECT_TRUE(MoveBefore(LRoot, L2, L1));
  EXPECT_EQ("2,1,3", Ids(LRoot));
  EXPECT_FALSE(MoveBefore(LRoot, L2, L1));
  // A node below another child stays where it is.
  TXmlNode* LDeep = LRoot->GetNodes(2)->GetNodes(0);
  EXPECT_FALSE(MoveBefore(LRoot, LDeep, L2));
  EXPECT_EQ("2,1,3", Ids(LRoot));
  EXPECT_EQ(LDeep, LRoot->GetNodes(2)->GetNodes(0));
}

TEST(NormalizerHelpers, DeleteChildNodeTakesTheFirstMatchOnly) {
  auto LXml = ParseProject(R"(<Project><Base id="0"/><CfgParent id="1"/><CfgParent id="2"/></Project>)");
  DeleteChildNode(LXml->GetRoot(), "cfgparent");
  EXPECT_EQ("0,2", Ids(LXml->GetRoot()));
  DeleteChildNode(LXml->GetRoot(), "Missing");
  EXPECT_EQ(2, LXml->GetRoot()->GetNodeCount());
}

TEST(NormalizerHelpers, DeleteChildNodesTakesEveryMatch) {
  struct TCase {
    const char* Children;
    const char* Name;
    const char* Left;
  };
  const TCase cCases[] = {
      {R"(<X id="0"/><DCC_E id="1"/><Y id="2"/><dcc_e id="3"/><DCC_E id="4"/>)", "DCC_E", "0,2"},
      {R"(<DCC_E id="0"/><DCC_E id="1"/>)", "DCC_E", ""},
      {R"(<A id="0"/><B id="1"/>)", "DCC_E", "0,1"},
      {R"(<DCC_EX id="0"/><DCC_E id="1"/><DCC_ id="2"/>)", "DCC_E", "0,2"},
  };
  for (const TCase& C : cCases) {
    SCOPED_TRACE(C.Children);
    auto LXml = ParseProject(std::string("<Project>") + C.Children + "</Project>");
    DeleteChildNodes(LXml->GetRoot(), C.Name);
    EXPECT_EQ(C.Left, Ids(LXml->GetRoot()));
  }
  DeleteChildNodes(nullptr, "DCC_E");
}

TEST(NormalizerHelpers, BaseComparerIsOrdinalOnNames) {
  auto LXml = ParseProject("<Project><b/><B/><a/><Ab/><A/></Project>");
  TNodeComparer LComparer;
  EXPECT_TRUE(SortChildNodesIfUnsorted(LXml->GetRoot(), LComparer));
  std::string LNames;
  for (Integer I = 0; I < LXml->GetRoot()->GetNodeCount(); ++I) LNames += LXml->GetRoot()->GetNodes(I)->Name() + " ";
  EXPECT_EQ("A Ab B a b ", LNames);
}

}  // namespace
}  // namespace Vorlane
