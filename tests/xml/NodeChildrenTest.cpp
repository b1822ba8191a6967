// Child operations, searches and tree measures, with their nil and out-of-range contracts.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
#include "xml/XmlTestSupport.h"

using namespace Vorlane;

namespace {

using XmlTest::ChildNames;

std::string ListNames(const TXmlNodeList& L) {
  std::string S;
  for (Integer I = 0; I < L.Count(); ++I) {
    if (I) S += ",";
    S += L[I]->Name();
  }
  return S;
}

}  // namespace

TEST(NodeChildren, EmptyNodeAnswersNotFound) {
  TXmlNode N;
  EXPECT_EQ(N.GetNodeCount(), 0);
  EXPECT_EQ(N.GetNodes(0), nullptr);
  EXPECT_EQ(N.NodeByName("x"), nullptr);
  EXPECT_EQ(N.NodeIndexByName("x"), -1);
  EXPECT_EQ(N.NodeIndexOf(nullptr), -1);
  EXPECT_EQ(N.IndexInParent(), -1);
  EXPECT_EQ(N.NodeAdd(nullptr), -1);
  N.NodeDelete(0);
  N.NodeExchange(0, 0);
  EXPECT_EQ(N.NodeExtract(&N), nullptr);
  EXPECT_EQ(N.NodeRemove(&N), -1);
  EXPECT_EQ(N.GetTotalNodeCount(), 0);
}

TEST(NodeChildren, AddNewInsertAndIndexes) {
  TXmlNode P(nullptr, "p");
  EXPECT_EQ(P.NodeAdd(new TXmlNode(nullptr, "a")), 0);
  TXmlNode* C = P.NodeNew("c");
  EXPECT_EQ(C->Parent(), &P);
  EXPECT_EQ(P.NodeNewAtIndex(1, "b")->Name(), "b");
  EXPECT_EQ(P.NodeNewAtIndex(3, "d")->Name(), "d");  // at NodeCount appends
  EXPECT_EQ(P.NodeNewAtIndex(5, "x"), nullptr);
  EXPECT_EQ(P.NodeNewAtIndex(-1, "x"), nullptr);
  EXPECT_EQ(ChildNames(P), "a,b,c,d");
  EXPECT_EQ(C->IndexInParent(), 2);
  EXPECT_EQ(P.NodeIndexOf(C), 2);

  auto Free = std::make_unique<TXmlNode>(nullptr, "z");
  P.NodeInsert(P.GetNodeCount() + 1, Free.get());  // beyond the end: nothing
  EXPECT_EQ(Free->Parent(), nullptr);
  P.NodeInsert(-1, Free.get());
  P.NodeInsert(0, nullptr);
  EXPECT_EQ(P.GetNodeCount(), 4);
  P.NodeInsert(P.GetNodeCount(), Free.get());  // at NodeCount appends
  EXPECT_EQ(Free->Parent(), &P);
  Free.release();
  P.NodeInsert(0, new TXmlNode(nullptr, "first"));
  EXPECT_EQ(ChildNames(P), "first,a,b,c,d,z");
}

TEST(NodeChildren, IllegalNamesAddNothing) {
  TXmlNode P;
  EXPECT_THROW(P.NodeNew("a b"), Exception);
  EXPECT_THROW(P.NodeNewAtIndex(0, "a\tb"), Exception);
  EXPECT_THROW(P.NodeFindOrCreate("a\rb"), Exception);
  EXPECT_EQ(P.GetNodeCount(), 0);
}

TEST(NodeChildren, FindOrCreateFindsIgnoringCase) {
  TXmlNode P;
  TXmlNode* G = P.NodeNew("PropertyGroup");
  EXPECT_EQ(P.NodeByName("propertygroup"), G);
  EXPECT_EQ(P.NodeFindOrCreate("PROPERTYGROUP"), G);
  EXPECT_EQ(P.GetNodeCount(), 1);
  TXmlNode* New = P.NodeFindOrCreate("Other");
  EXPECT_EQ(P.GetNodes(1), New);
}

TEST(NodeChildren, DocumentMovesWithAddButNotWithInsert) {
  TXmlDocument D1, D2;
  TXmlNode P(&D1, "p");
  auto* Added = new TXmlNode(&D2, "a");
  Added->NodeNew("aa")->NodeNew("aaa");
  P.NodeAdd(Added);
  EXPECT_EQ(Added->Document(), &D1);
  EXPECT_EQ(Added->GetNodes(0)->GetNodes(0)->Document(), &D1);
  auto* Inserted = new TXmlNode(&D2, "i");
  P.NodeInsert(0, Inserted);
  EXPECT_EQ(Inserted->Document(), &D2);
  EXPECT_EQ(P.NodeNew("n")->Document(), &D1);
}

TEST(NodeChildren, NodeCannotBecomeItsOwnDescendantOrAChildTwice) {
  TXmlNode Root;
  TXmlNode* A = Root.NodeNew("a");
  TXmlNode* B = A->NodeNew("b");
  // Such a tree would hold a cycle and be destroyed twice.
  EXPECT_EQ(B->NodeAdd(A), -1);
  B->NodeInsert(0, A);
  EXPECT_EQ(A->NodeAdd(A), -1);
  EXPECT_EQ(B->GetNodeCount(), 0);
  EXPECT_EQ(A->Parent(), &Root);
  // A child listed twice would be destroyed twice.
  EXPECT_EQ(A->NodeAdd(B), -1);
  A->NodeInsert(0, B);
  EXPECT_EQ(A->GetNodeCount(), 1);
  // Extracted, it may come back.
  A->NodeExtract(B);
  A->NodeInsert(0, B);
  EXPECT_EQ(A->GetNodes(0), B);
}

TEST(NodeChildren, DeleteRemoveExtract) {
  TXmlNode P;
  for (const char* N : {"a", "b", "c", "d"}) P.NodeNew(N);
  TXmlNode* B = P.GetNodes(1);
  TXmlNode Stranger;
  EXPECT_EQ(P.NodeRemove(&Stranger), -1);
  EXPECT_EQ(P.NodeExtract(&Stranger), nullptr);
  P.NodeDelete(4);
  P.NodeDelete(-1);
  EXPECT_EQ(P.GetNodeCount(), 4);

  std::unique_ptr<TXmlNode> Extracted(P.NodeExtract(B));
  EXPECT_EQ(Extracted.get(), B);
  EXPECT_EQ(P.GetNodeCount(), 3);
  EXPECT_EQ(B->Parent(), &P);       // the link still names the former parent
  EXPECT_EQ(B->IndexInParent(), -1);  // which no longer lists it
  B->Delete();                        // not listed: nothing happens
  EXPECT_EQ(P.GetNodeCount(), 3);

  EXPECT_EQ(P.NodeRemove(P.GetNodes(2)), 2);
  P.GetNodes(0)->Delete();
  EXPECT_EQ(ChildNames(P), "c");
  P.NodesClear();
  EXPECT_EQ(P.GetNodeCount(), 0);

  TXmlNode Free;
  Free.Delete();  // no parent: the node lives on
  Free.SetName("still");
  EXPECT_EQ(Free.Name(), "still");
}

TEST(NodeChildren, ExchangeNeedsBothIndexesInRange) {
  TXmlNode P;
  for (const char* N : {"a", "b", "c"}) P.NodeNew(N);
  P.NodeExchange(0, 3);
  P.NodeExchange(-1, 2);
  EXPECT_EQ(ChildNames(P), "a,b,c");
  P.NodeExchange(0, 2);
  EXPECT_EQ(ChildNames(P), "c,b,a");
  P.NodeExchange(1, 1);
  EXPECT_EQ(ChildNames(P), "c,b,a");
}

TEST(NodeChildren, SearchesOneLevel) {
  TXmlNode P;
  P.NodeNew("Item");
  P.NodeAdd(TXmlNode::CreateType(nullptr, xeComment));
  P.NodeNew("item")->NodeNew("Item");
  P.NodeNew("Other");
  EXPECT_EQ(P.NodeIndexByNameFrom("ITEM", 0), 0);
  EXPECT_EQ(P.NodeIndexByNameFrom("ITEM", 1), 2);
  EXPECT_EQ(P.NodeIndexByNameFrom("ITEM", 3), -1);
  EXPECT_EQ(P.NodeIndexByNameFrom("ITEM", 10), -1);
  EXPECT_EQ(P.NodeByElementType(xeComment), P.GetNodes(1));
  EXPECT_EQ(P.NodeByElementType(xeCData), nullptr);

  TXmlNodeList L;
  L.Add(&P);
  P.NodesByName("item", &L);  // clears first, one level only
  EXPECT_EQ(L.Count(), 2);
  EXPECT_EQ(L[0], P.GetNodes(0));
  EXPECT_EQ(L[1], P.GetNodes(2));
  P.NodesByName("item", nullptr);
}

TEST(NodeChildren, NodeByAttributeValueIsDepthFirstNodeBeforeDescendants) {
  TXmlNode R;
  TXmlNode* First = R.NodeNew("Group");
  TXmlNode* Grand = First->NodeNew("x")->NodeNew("Item");
  Grand->AttributeAdd("Include", "A&B");
  TXmlNode* Second = R.NodeNew("Item");
  Second->AttributeAdd("Include", "a&b");
  EXPECT_EQ(R.NodeByAttributeValue("item", "include", "A&B", true), Grand);
  EXPECT_EQ(R.NodeByAttributeValue("item", "include", "A&B", false), Second);
  First->AttributeAdd("Include", "a&b");
  EXPECT_EQ(R.NodeByAttributeValue("Group", "Include", "A&b"), First);
  // A missing attribute never matches, even an empty value.
  EXPECT_EQ(R.NodeByAttributeValue("x", "Include", ""), nullptr);
  EXPECT_EQ(R.NodeByAttributeValue("Item", "Include", "zzz"), nullptr);
}

TEST(NodeChildren, NodeListByAttributeAndBounds) {
  TXmlNode A(nullptr, "a"), B(nullptr, "b");
  B.AttributeAdd("Cond", "X");
  TXmlNodeList L;
  L.Add(&A);
  L.Add(&B);
  EXPECT_EQ(L.ByAttribute("cond", "x"), &B);
  EXPECT_EQ(L.ByAttribute("cond", ""), &A);  // a missing attribute reads empty
  EXPECT_EQ(L.ByAttribute("cond", "y"), nullptr);
  EXPECT_THROW(L.GetItems(2), EListError);
  EXPECT_THROW(L.SetItems(-1, &A), EListError);
  L.Insert(0, &B);
  EXPECT_EQ(ListNames(L), "b,a,b");
  L.Exchange(0, 1);
  EXPECT_EQ(ListNames(L), "a,b,b");
  EXPECT_EQ(L.Remove(&B), 1);
  EXPECT_EQ(ListNames(L), "a,b");
}

TEST(NodeChildren, FindNodeByNameOrPath) {
  TXmlDocument Doc;
  TXmlNode* Root = Doc.GetRoot();
  Root->SetName("Project");
  TXmlNode* G1 = Root->NodeNew("PropertyGroup");
  TXmlNode* Inner = G1->NodeNew("Config")->NodeNew("PropertyGroup");
  TXmlNode* G2 = Root->NodeNew("PropertyGroup");
  EXPECT_EQ(Inner->GetFullPath(), "/Project/PropertyGroup/Config/PropertyGroup");
  EXPECT_EQ(Root->GetFullPath(), "/Project");
  EXPECT_EQ(Root->FindNode("propertygroup"), G1);
  EXPECT_EQ(Root->FindNode("/project/propertygroup/config/PROPERTYGROUP"), Inner);
  EXPECT_EQ(Root->FindNode("/Config"), nullptr);
  EXPECT_EQ(Root->FindNode("Project"), nullptr);  // never the node itself
  EXPECT_EQ(G1->CompareNodeName("/Project/PropertyGroup"), 0);
  EXPECT_NE(G1->CompareNodeName("Project/PropertyGroup"), 0);

  TXmlNodeList L;
  L.Add(Root);
  Root->FindNodes("PropertyGroup", &L);
  ASSERT_EQ(L.Count(), 3);
  EXPECT_EQ(L[0], G1);
  EXPECT_EQ(L[1], Inner);
  EXPECT_EQ(L[2], G2);
  Root->FindNodes("/Project/PropertyGroup", &L);
  EXPECT_EQ(L.Count(), 2);
  // A name that is not valid UTF-8 is still found by its exact bytes.
  TXmlNode* Odd = G2->NodeNew("\xff");
  EXPECT_EQ(Root->FindNode("/Project/PropertyGroup/\xff"), Odd);
  EXPECT_EQ(Root->FindNode("\xff"), Odd);
}

TEST(NodeChildren, PathSearchFindsWhatThePathComparisonMatches) {
  // Paths are compared with the locale-aware comparison, which passes over a soft hyphen
  // (U+00AD): a path of another length can still match. A "/" inside a name counts as part
  // of the path.
  TXmlDocument Doc;
  TXmlNode* Root = Doc.GetRoot();
  Root->SetName("Project");
  TXmlNode* Plain = Root->NodeNew("Other");
  TXmlNode* Hyphen = Root->NodeNew("Property\xc2\xadGroup");
  TXmlNode* Leaf = Hyphen->NodeNew("Leaf");
  TXmlNode* Slashed = Root->NodeNew("a/b");
  ASSERT_EQ(Hyphen->CompareNodeName("/Project/PropertyGroup"), 0);
  EXPECT_EQ(Root->FindNode("/Project/PropertyGroup"), Hyphen);
  EXPECT_EQ(Root->FindNode("/project/propertygroup/LEAF"), Leaf);
  EXPECT_EQ(Doc.RootNodeList()->FindNode("/Project/PropertyGroup/Leaf"), Leaf);
  EXPECT_EQ(Root->FindNode("/Project/a/b"), Slashed);
  EXPECT_EQ(Root->FindNode("/Project/a"), nullptr);
  EXPECT_EQ(Root->FindNode("/Project/Other"), Plain);
  TXmlNodeList L;
  Root->FindNodes("/Project/PropertyGroup", &L);
  ASSERT_EQ(L.Count(), 1);
  EXPECT_EQ(L[0], Hyphen);
}

TEST(NodeChildren, TreeMeasures) {
  TXmlDocument Doc;
  TXmlNode* Container = Doc.RootNodeList();
  TXmlNode* Root = Doc.GetRoot();
  Root->SetName("R");
  TXmlNode* Item = Root->NodeNew("Item");
  Item->AttributeAdd("Index", "3");
  TXmlNode* Leaf = Item->NodeNew("Leaf");
  EXPECT_EQ(Container->GetTreeDepth(), -1);
  EXPECT_EQ(Root->GetTreeDepth(), 0);
  EXPECT_EQ(Leaf->GetTreeDepth(), 2);
  EXPECT_EQ(Leaf->GetCascadedName(), "0000_R0000_Item0003_Leaf0000");
  EXPECT_EQ(Leaf->GetTotalNodeCount(), 0);
  EXPECT_EQ(Root->GetTotalNodeCount(), 2);
  // Container: declaration, root, item, leaf.
  EXPECT_EQ(Container->GetTotalNodeCount(), 4);

  TXmlNode Free(nullptr, "Item");
  EXPECT_EQ(Free.GetCascadedName(), "Item0000");
  EXPECT_EQ(Free.GetFullPath(), "/Item");
  Free.AttributeAdd("Index", "3");
  EXPECT_EQ(Free.GetCascadedName(), "Item0003");
  Free.SetAttributeByName("Index", "12345");
  EXPECT_EQ(Free.GetCascadedName(), "Item12345");
  Free.SetAttributeByName("Index", "-7");
  EXPECT_EQ(Free.GetCascadedName(), "Item-0007");
  Free.SetAttributeByName("Index", "x");
  EXPECT_EQ(Free.GetCascadedName(), "Item0000");
}

TEST(NodeChildren, DeleteEmptyNodesWorksBottomUp) {
  TXmlNode A(nullptr, "a");
  A.NodeNew("b");
  A.NodeNew("c")->SetValueAsString("1");
  A.NodeNew("d")->NodeNew("e");
  TXmlNode* F = A.NodeNew("f");
  F->AttributeAdd("k", "");
  A.DeleteEmptyNodes();
  EXPECT_EQ(ChildNames(A), "c,f");
}

TEST(NodeAssign, DeepCopyIsEqualAndIndependent) {
  TXmlDocument Doc;
  TXmlNode Src(&Doc, "src", "v&1");
  Src.SetTag(7);
  Src.SetElementType(xeCData);
  Src.AttributeAdd("a", "1");
  TXmlNode* C = Src.NodeNew("c");
  C->AttributeAdd("b", "<");
  C->NodeNew("g")->SetValueAsString("deep");
  Src.NodeNew("d");

  TXmlDocument Other;
  TXmlNode Parent(&Other);
  TXmlNode* Copy = Parent.NodeNew("old");
  Copy->NodeNew("gone");
  Copy->Assign(&Src);
  EXPECT_EQ(Copy->Name(), "src");
  EXPECT_EQ(Copy->ValueDirect(), "v&amp;1");
  EXPECT_EQ(Copy->Tag(), 7);
  EXPECT_EQ(Copy->ElementType(), xeCData);
  EXPECT_EQ(Copy->GetAttributePair(0), "a=\"1\"");
  EXPECT_EQ(ChildNames(*Copy), "c,d");
  EXPECT_EQ(Copy->GetNodes(0)->GetAttributeByName("b"), "<");
  EXPECT_EQ(Copy->GetNodes(0)->GetNodes(0)->GetValueAsString(), "deep");
  EXPECT_EQ(Copy->Parent(), &Parent);
  EXPECT_EQ(Copy->Document(), &Other);
  EXPECT_EQ(Copy->GetNodes(0)->GetNodes(0)->Document(), &Other);
  EXPECT_TRUE(Copy->IsEqualTo(&Src, {xcNodeName, xcNodeValue, xcAttribCount, xcAttribValues,
                                     xcChildCount, xcChildNames, xcRecursive}));

  Copy->GetNodes(0)->GetNodes(0)->SetValueAsString("changed");
  Copy->SetAttributeByName("a", "2");
  EXPECT_EQ(C->GetNodes(0)->GetValueAsString(), "deep");
  EXPECT_EQ(Src.GetAttributeByName("a"), "1");
  EXPECT_THROW(Copy->Assign(static_cast<TXmlNode*>(nullptr)), EConvertError);
}

TEST(NodeAssign, CopiesBetweenRelatedNodesStayIntact) {
  // A descendant copied over its ancestor, and an ancestor over its descendant.
  TXmlNode Top(nullptr, "top");
  TXmlNode* Mid = Top.NodeNew("mid");
  Mid->NodeNew("leaf")->SetValueAsString("x");
  Top.Assign(Mid);
  EXPECT_EQ(Top.Name(), "mid");
  EXPECT_EQ(ChildNames(Top), "leaf");
  EXPECT_EQ(Top.GetNodes(0)->GetValueAsString(), "x");

  TXmlNode A(nullptr, "a");
  TXmlNode* B = A.NodeNew("b");
  B->Assign(&A);
  EXPECT_EQ(B->Name(), "a");
  EXPECT_EQ(ChildNames(*B), "b");
  EXPECT_EQ(B->GetNodes(0)->GetNodeCount(), 0);
  A.Assign(&A);
  EXPECT_EQ(A.Name(), "a");
}

namespace {

// Counts the children its NodeNew builds, to show that Assign builds through it.
struct TCountingNode : TXmlNode {
  using TXmlNode::TXmlNode;
  int Built = 0;
  TXmlNode* NodeNew(const UTF8String& AName) override {
    ++Built;
    return TXmlNode::NodeNew(AName);
  }
};

}  // namespace

TEST(NodeAssign, BuildsChildrenThroughNodeNewAndCopiesADocument) {
  TXmlNode Src;
  Src.NodeNew("a");
  Src.NodeNew("b");
  TCountingNode Dst;
  Dst.Assign(&Src);
  EXPECT_EQ(Dst.Built, 2);

  TXmlDocument Doc;
  Doc.GetRoot()->SetName("Root");
  TXmlNode Holder;
  Holder.Assign(&Doc);
  ASSERT_EQ(Holder.GetNodeCount(), 2);
  EXPECT_EQ(Holder.GetNodes(0)->ElementType(), xeDeclaration);
  EXPECT_EQ(Holder.GetNodes(1)->Name(), "Root");
}
