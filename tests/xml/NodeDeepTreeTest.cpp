// Trees as deep as a file can make them: a chain of a million nested elements must not exhaust
// the call stack in any operation that walks a subtree.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

using namespace Vorlane;

namespace {

constexpr int cDepth = 1000000;

// Root plus cDepth - 1 nested descendants; returns the innermost.
TXmlNode* BuildChain(TXmlNode& ARoot, int ADepth) {
  TXmlNode* N = &ARoot;
  for (int I = 1; I < ADepth; ++I) N = N->NodeNew("n");
  return N;
}

}  // namespace

TEST(NodeDeepTree, WalksAndCopiesOfAMillionLevels) {
  TXmlDocument Doc;
  auto Root = std::make_unique<TXmlNode>(nullptr, "root");
  TXmlNode* Leaf = BuildChain(*Root, cDepth);
  Leaf->SetName("leaf");
  Leaf->AttributeAdd("id", "deep");
  EXPECT_EQ(Root->GetTotalNodeCount(), cDepth - 1);
  EXPECT_EQ(Root->FindNode("LEAF"), Leaf);
  TXmlNodeList Found;
  Root->FindNodes("leaf", &Found);
  EXPECT_EQ(Found.Count(), 1);
  EXPECT_EQ(Root->NodeByAttributeValue("leaf", "id", "DEEP", true), Leaf);
  // Paths below a node without parent start at its children.
  std::string Path;
  for (int I = 2; I < cDepth; ++I) Path += "/n";
  EXPECT_EQ(Root->FindNode(Path + "/LEAF"), Leaf);
  Root->FindNodes(Path, &Found);
  ASSERT_EQ(Found.Count(), 1);
  EXPECT_EQ(Found[0], Leaf->Parent());
  EXPECT_EQ(Leaf->GetTreeDepth(), cDepth - 2);

  Root->ChangeDocument(&Doc);
  EXPECT_EQ(Leaf->Document(), &Doc);

  TXmlNode Copy;
  Copy.Assign(Root.get());
  EXPECT_EQ(Copy.GetTotalNodeCount(), cDepth - 1);
  EXPECT_EQ(Copy.FindNode("leaf")->GetAttributeByName("id"), "deep");
  EXPECT_TRUE(Copy.IsEqualTo(Root.get(), {xcNodeName, xcRecursive, xcAttribValues}));
  Copy.FindNode("leaf")->SetAttributeByName("id", "other");
  TXmlNodeList Mismatch;
  EXPECT_FALSE(Copy.IsEqualTo(Root.get(), {xcRecursive, xcAttribValues}, &Mismatch));
  ASSERT_EQ(Mismatch.Count(), 1);
  EXPECT_EQ(Mismatch[0]->Name(), "leaf");

  Root.reset();  // destruction of the whole chain
  Copy.NodesClear();
  EXPECT_EQ(Copy.GetNodeCount(), 0);
}

TEST(NodeDeepTree, DeleteEmptyNodesRemovesAWholeEmptyChain) {
  TXmlNode Root(nullptr, "root");
  BuildChain(Root, cDepth);
  TXmlNode* Keep = Root.NodeNew("keep");
  Keep->SetValueAsString("1");
  Root.DeleteEmptyNodes();
  ASSERT_EQ(Root.GetNodeCount(), 1);
  EXPECT_EQ(Root.GetNodes(0), Keep);
}

TEST(NodeDeepTree, NodeAddMovesADeepSubtreeToTheDocument) {
  TXmlDocument Doc;
  auto* Sub = new TXmlNode(nullptr, "sub");
  TXmlNode* Leaf = BuildChain(*Sub, cDepth);
  Doc.GetRoot()->NodeAdd(Sub);
  EXPECT_EQ(Leaf->Document(), &Doc);
}
