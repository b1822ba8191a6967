// Structural comparison of nodes and the partition sort of children.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
#include "xml/XmlTestSupport.h"
#include "xml/XmlText.h"

using namespace Vorlane;

namespace {

using XmlTest::ChildNames;

void AddChildren(TXmlNode& P, std::initializer_list<const char*> Names) {
  for (const char* N : Names) P.NodeNew(N);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// IsEqualTo

TEST(NodeCompare, NilAndEmptyOptions) {
  TXmlNode A(nullptr, "a", "1"), B(nullptr, "b", "2");
  TXmlNodeList Mismatch;
  EXPECT_FALSE(A.IsEqualTo(nullptr, {xcNodeName}, &Mismatch));
  EXPECT_EQ(Mismatch.Count(), 0);
  EXPECT_TRUE(A.IsEqualTo(&B, {}, &Mismatch));
  EXPECT_EQ(Mismatch.Count(), 0);
}

TEST(NodeCompare, OwnTestsIgnoreCase) {
  TXmlNode A(nullptr, "Item", "abc"), B(nullptr, "ITEM", "ABC");
  EXPECT_TRUE(A.IsEqualTo(&B, {xcNodeName, xcNodeValue, xcNodeType}));
  B.SetElementType(xeComment);
  EXPECT_FALSE(A.IsEqualTo(&B, {xcNodeType}));
  TXmlNodeList Mismatch;
  B.SetValueAsString("abd");
  EXPECT_FALSE(A.IsEqualTo(&B, {xcNodeValue}, &Mismatch));
  ASSERT_EQ(Mismatch.Count(), 1);
  EXPECT_EQ(Mismatch[0], &A);
}

TEST(NodeCompare, AttributesOnlyThoseOfThisNodeAreLookedFor) {
  TXmlNode A, B;
  A.AttributeAdd("a", "1");
  A.AttributeAdd("b", "X");
  B.AttributeAdd("A", "1");
  B.AttributeAdd("b", "x");
  B.AttributeAdd("c", "3");
  EXPECT_TRUE(A.IsEqualTo(&B, {xcAttribNames}));
  EXPECT_TRUE(A.IsEqualTo(&B, {xcAttribValues}));  // values ignore case too
  EXPECT_FALSE(A.IsEqualTo(&B, {xcAttribNames, xcAttribCount}));
  EXPECT_FALSE(B.IsEqualTo(&A, {xcAttribNames}));  // c is missing in A
  EXPECT_TRUE(B.IsEqualTo(&A, {xcAttribValues}));  // a missing name is skipped
  B.SetAttributeByName("b", "y");
  EXPECT_FALSE(A.IsEqualTo(&B, {xcAttribValues}));
}

TEST(NodeCompare, ChildPassCollectsMismatchesInOrder) {
  TXmlNode A(nullptr, "root"), B(nullptr, "root");
  AddChildren(A, {"x", "only", "y"});
  AddChildren(B, {"y", "X"});
  TXmlNodeList Mismatch;
  EXPECT_FALSE(A.IsEqualTo(&B, {xcChildNames}, &Mismatch));
  ASSERT_EQ(Mismatch.Count(), 1);  // the child; A passes its own tests
  EXPECT_EQ(Mismatch[0], A.GetNodes(1));
  // Without xcChildNames an unpartnered child is ignored.
  EXPECT_TRUE(A.IsEqualTo(&B, {xcChildValues}));
  // Children of B without partner are not looked for.
  EXPECT_TRUE(B.IsEqualTo(&A, {xcChildNames}));
  EXPECT_FALSE(A.IsEqualTo(&B, {xcChildNames, xcChildCount}));

  A.GetNodes(0)->SetValueAsString("1");
  A.GetNodes(2)->SetValueAsString("2");
  Mismatch.Clear();
  EXPECT_FALSE(A.IsEqualTo(&B, {xcChildValues, xcChildCount}, &Mismatch));
  // Children in order, then A itself at the front (its child count differs).
  ASSERT_EQ(Mismatch.Count(), 3);
  EXPECT_EQ(Mismatch[0], &A);
  EXPECT_EQ(Mismatch[1], A.GetNodes(0));
  EXPECT_EQ(Mismatch[2], A.GetNodes(2));
}

TEST(NodeCompare, RecursiveFindsJustTheDifferingGrandchild) {
  TXmlNode A(nullptr, "r"), B(nullptr, "r");
  for (TXmlNode* N : {&A, &B}) {
    TXmlNode* C = N->NodeNew("c");
    C->NodeNew("g1")->SetValueAsString("same");
    C->NodeNew("g2")->SetValueAsString("v");
    N->NodeNew("d");
  }
  B.GetNodes(0)->GetNodes(1)->SetValueAsString("other");
  TXmlNodeList Mismatch;
  EXPECT_FALSE(A.IsEqualTo(&B, {xcRecursive, xcNodeValue}, &Mismatch));
  ASSERT_EQ(Mismatch.Count(), 1);
  EXPECT_EQ(Mismatch[0], A.GetNodes(0)->GetNodes(1));
  Mismatch.Clear();
  B.GetNodes(0)->GetNodes(1)->SetValueAsString("V");
  EXPECT_TRUE(A.IsEqualTo(&B, {xcRecursive, xcNodeValue}, &Mismatch));
  EXPECT_EQ(Mismatch.Count(), 0);
}

TEST(NodeCompare, RecursiveOrderOfMismatchesFollowsTheWalk) {
  // r has children c (whose child g differs) and e (differs itself).
  TXmlNode A(nullptr, "r"), B(nullptr, "r");
  for (TXmlNode* N : {&A, &B}) {
    N->NodeNew("c")->NodeNew("g");
    N->NodeNew("e");
  }
  A.GetNodes(0)->GetNodes(0)->SetValueAsString("1");
  A.GetNodes(1)->SetValueAsString("1");
  TXmlNodeList Mismatch;
  Mismatch.Add(&B);  // never cleared by the comparison
  EXPECT_FALSE(A.IsEqualTo(&B, {xcRecursive, xcNodeValue}, &Mismatch));
  // g is inserted at the front when its own test fails, then e likewise.
  ASSERT_EQ(Mismatch.Count(), 3);
  EXPECT_EQ(Mismatch[0], A.GetNodes(1));
  EXPECT_EQ(Mismatch[1], A.GetNodes(0)->GetNodes(0));
  EXPECT_EQ(Mismatch[2], &B);
}

// ---------------------------------------------------------------------------------------------
// SortChildNodes

namespace {

int GCalls = 0;

Integer CountingCompare(TXmlNode* A, TXmlNode* B, void*) {
  ++GCalls;
  return vxUTF8CompareNoCase(A->Name(), B->Name());
}

// Orders by the first letter only, so names that share it are ties.
Integer FirstLetter(TXmlNode* A, TXmlNode* B, void* Info) {
  ++*static_cast<int*>(Info);
  return static_cast<Integer>(A->Name()[0]) - static_cast<Integer>(B->Name()[0]);
}

}  // namespace

TEST(NodeSort, NoComparisonForFewerThanTwoChildren) {
  TXmlDocument Doc;
  int EventCalls = 0;
  Doc.SetOnNodeCompare([&](TXmlDocument*, TXmlNode*, TXmlNode*, void*) -> Integer {
    ++EventCalls;
    return 0;
  });
  TXmlNode P(&Doc);
  GCalls = 0;
  P.SortChildNodes(CountingCompare, nullptr);
  P.SortChildNodes();
  P.NodeNew("only");
  P.SortChildNodes(CountingCompare, nullptr);
  P.SortChildNodes();
  EXPECT_EQ(GCalls, 0);
  EXPECT_EQ(EventCalls, 0);
}

TEST(NodeSort, ByNameIgnoringCaseWithoutRoutineOrEvent) {
  TXmlNode P;
  AddChildren(P, {"b", "A", "c"});
  P.SortChildNodes();
  EXPECT_EQ(ChildNames(P), "A,b,c");
}

TEST(NodeSort, TiesFollowThePartitionExchanges) {
  // Hand trace, keys are the first letters, pivot index (L+R) div 2:
  //   0..4  B1 A1 B2 A2 A3, pivot B2: swap 0/4 -> A3 A1 B2 A2 B1; I stops at 2 (B2),
  //         J at 3 (A2): swap 2/3 -> A3 A1 A2 B2 B1; ranges 0..2 then 3..4.
  //   0..2  pivot A1: everything ties; swap 0/2 -> A2 A1 A3, then 1/1.
  //   3..4  pivot B2: swap 3/4 -> B1 B2.
  TXmlNode P;
  AddChildren(P, {"B1", "A1", "B2", "A2", "A3"});
  int Calls = 0;
  P.SortChildNodes(FirstLetter, &Calls);
  EXPECT_EQ(ChildNames(P), "A2,A1,A3,B1,B2");
  EXPECT_GT(Calls, 0);
}

TEST(NodeSort, EqualKeysSwapEvenWhenAlreadyOrdered) {
  // Four ties, pivot index 1: swap 0/3, then 1/2; ranges 0..1 and 2..3 swap once each.
  //   x1 x2 x3 x4 -> x4 x2 x3 x1 -> x4 x3 x2 x1 -> x3 x4 x2 x1 -> x3 x4 x1 x2
  TXmlNode P;
  AddChildren(P, {"x1", "x2", "x3", "x4"});
  int Calls = 0;
  P.SortChildNodes(FirstLetter, &Calls);
  EXPECT_EQ(ChildNames(P), "x3,x4,x1,x2");
}

TEST(NodeSort, PivotFollowedWhenSwappedFromTheRightAndCallsCounted) {
  // Hand trace (keys are the first letters, P tracks the pivot node):
  //   0..4  C1 A1 B1 C2 C3, P=2 (B1): I stops at 0 (1 call), J runs 4,3,2 (3 calls);
  //         swap 0/2 -> B1 A1 C1 C2 C3 and P=J -> P=0; I=1: A1 then C1 (2 calls), J=1:
  //         A1 (1 call); I>J. Ranges 0..1 and 2..4.
  //   0..1  B1 A1, P=0: one call each side; swap -> A1 B1.
  //   2..4  C1 C2 C3, P=3: ties on both sides (2 calls); swap 2/4 -> C3 C2 C1; then I=J=3
  //         (2 calls) and a swap of 3 with itself.
  TXmlNode P;
  AddChildren(P, {"C1", "A1", "B1", "C2", "C3"});
  int Calls = 0;
  P.SortChildNodes(FirstLetter, &Calls);
  EXPECT_EQ(ChildNames(P), "A1,B1,C3,C2,C1");
  EXPECT_EQ(Calls, 13);
}

TEST(NodeSort, RoutineWinsOverEventAndEventOverNames) {
  TXmlDocument Doc;
  int EventCalls = 0;
  void* SeenInfo = nullptr;
  TXmlDocument* SeenSender = nullptr;
  // Reverse order by name.
  Doc.SetOnNodeCompare([&](TXmlDocument* Sender, TXmlNode* A, TXmlNode* B, void* Info) -> Integer {
    ++EventCalls;
    SeenInfo = Info;
    SeenSender = Sender;
    return vxUTF8CompareNoCase(B->Name(), A->Name());
  });
  TXmlNode P(&Doc);
  AddChildren(P, {"b", "a", "c"});
  GCalls = 0;
  P.SortChildNodes(CountingCompare, nullptr);
  EXPECT_EQ(ChildNames(P), "a,b,c");
  EXPECT_EQ(EventCalls, 0);
  EXPECT_GT(GCalls, 0);
  int Marker = 0;
  P.SortChildNodes(nullptr, &Marker);
  EXPECT_EQ(ChildNames(P), "c,b,a");
  EXPECT_GT(EventCalls, 0);
  EXPECT_EQ(SeenInfo, &Marker);
  EXPECT_EQ(SeenSender, &Doc);
}

TEST(NodeSort, LargeInputsSortCompletely) {
  TXmlNode P;
  const int Count = 20000;
  // Descending order: every element starts on the wrong side of its pivot.
  for (int I = Count; I > 0; --I) {
    char Name[16];
    std::snprintf(Name, sizeof Name, "n%06d", I);
    P.NodeNew(Name);
  }
  P.SortChildNodes();
  for (int I = 1; I < Count; ++I)
    ASSERT_LT(P.GetNodes(I - 1)->Name(), P.GetNodes(I)->Name()) << I;
}

namespace {

// Claims every pair is "less", which would walk an unguarded scan off the list.
Integer AlwaysLess(TXmlNode* A, TXmlNode* B, void*) {
  EXPECT_NE(A, nullptr);
  EXPECT_NE(B, nullptr);
  return -1;
}

}  // namespace

TEST(NodeSort, ContradictoryRoutineNeverSeesMissingNodes) {
  TXmlNode P;
  AddChildren(P, {"a", "b", "c", "d", "e"});
  P.SortChildNodes(AlwaysLess, nullptr);
  EXPECT_EQ(P.GetNodeCount(), 5);
  std::string Names = ChildNames(P);
  for (const char* N : {"a", "b", "c", "d", "e"}) EXPECT_NE(Names.find(N), std::string::npos);
}
