// The virtual operations of the parser and writer that a derived class may override are
// called where a document is read or written, and the overrides see their nodes at the
// right moment.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
#include "xml/XmlText.h"

using namespace Vorlane;

namespace {

// Records every DOCTYPE it is handed; reads it itself when asked to, else through the base.
class TDtdDocument : public TXmlDocument {
 public:
  bool ReadOwn = false;
  std::vector<std::string> Seen;

 protected:
  void ParseDTD(TXmlNode* ANode, TStream* AStream) override {
    Seen.push_back(ANode->Name());
    if (!ReadOwn) {
      TXmlDocument::ParseDTD(ANode, AStream);
      Seen.back() += "->" + ANode->Name() + ":" + std::to_string(ANode->GetNodeCount());
      return;
    }
    // The stream stands after "<!DOCTYPE" and the byte that follows it.
    std::string Text;
    char Ch;
    while (AStream->Read(&Ch, 1) == 1 && Ch != '>') Text += Ch;
    ANode->SetName("own");
    ANode->SetValueDirect(vxUTF8Trim(Text));
  }
};

// Wraps its own text in comments and puts a marker attribute into its tag.
class TMarkedNode : public TXmlNode {
 public:
  using TXmlNode::TXmlNode;
  int Reads = 0;
  void Load(const UTF8String& AText) { ReadFromString(AText); }

 protected:
  void ReadFromStream(TStream* AStream) override {
    ++Reads;
    TXmlNode::ReadFromStream(AStream);
  }
  void WriteToStream(TStream* AStream) override {
    vxUTF8WriteStringToStream(AStream, "<!--before-->");
    TXmlNode::WriteToStream(AStream);
    vxUTF8WriteStringToStream(AStream, "<!--after-->");
  }
  UTF8String WriteInnerTag() override { return " marked=\"1\"" + TXmlNode::WriteInnerTag(); }
};

// Shows only the first ShownChildren of its children and counts the calls to empty it.
class TPartialNode : public TXmlNode {
 public:
  using TXmlNode::TXmlNode;
  Integer ShownChildren = 1000;
  int* Clears = nullptr;
  Integer GetNodeCount() const override { return std::min(ShownChildren, TXmlNode::GetNodeCount()); }
  TXmlNode* GetNodes(Integer Index) const override {
    return Index < GetNodeCount() ? TXmlNode::GetNodes(Index) : nullptr;
  }
  void NodesClear() override {
    if (Clears != nullptr) ++*Clears;
    TXmlNode::NodesClear();
  }
};

}  // namespace

TEST(ExtensionPoints, ParseDTDIsCalledForEveryDoctype) {
  const std::string Text =
      "<!DOCTYPE d [<!ENTITY e \"x\"><!ENTITY f \"y\">]>"
      "<d><!DOCTYPE inner></d>";
  TDtdDocument Doc;
  Doc.ReadFromString(Text);
  // Called before the name is read; the base reads name, value and subset.
  EXPECT_EQ(Doc.Seen, (std::vector<std::string>{"DTD->d:2", "DTD->inner:0"}));
  EXPECT_EQ(Doc.GetEntityByName("f"), "y");

  TDtdDocument Own;
  Own.ReadOwn = true;
  Own.ReadFromString("<!DOCTYPE d SYSTEM 'd.dtd'><d>x</d>");
  EXPECT_EQ(Own.Seen, (std::vector<std::string>{"DTD"}));
  EXPECT_EQ(Own.WriteToString(), "<!DOCTYPE own d SYSTEM 'd.dtd'>\n<d>x</d>\n");
}

TEST(ExtensionPoints, DerivedNodesAreWrittenThroughTheirOwnOperations) {
  TXmlDocument Doc;
  Doc.ReadFromString("<r><a><b>t</b></a><c/></r>");
  auto* Marked = new TMarkedNode(&Doc, "m");
  Marked->NodeNew("k");
  Doc.GetRoot()->GetNodes(0)->NodeAdd(Marked);
  EXPECT_EQ(Doc.WriteToString(),
            "<r><a><b>t</b><!--before--><m marked=\"1\"><k/></m><!--after--></a><c/></r>\n");
  // An empty one closes itself after what its WriteInnerTag gives; its own indent follows
  // what its override writes first.
  Marked->NodesClear();
  Doc.SetXmlFormat(xfReadable);
  EXPECT_EQ(Doc.WriteToString(),
            "<r>\r\n  <a>\r\n    <b>t</b>\r\n<!--before-->    <m marked=\"1\"/><!--after-->\r\n"
            "  </a>\r\n  <c/>\r\n</r>\r\n");
}

TEST(ExtensionPoints, ReadFromStreamOfTheNodeBeingReadIsCalled) {
  TXmlDocument Doc;
  TMarkedNode Node(&Doc);
  Node.Load("<x a=\"1\"><y/></x>");
  EXPECT_EQ(Node.Reads, 1);
  EXPECT_EQ(Node.Name(), "x");
  EXPECT_EQ(Node.GetNodeCount(), 1);
}

TEST(ExtensionPoints, DerivedChildListsAreHonouredWhenWrittenAndFreed) {
  // The writer and the document's teardown read plain nodes' lists directly; a node of a
  // derived class must still be asked, and a tree below it still freed in full.
  struct TCase {
    Integer Shown;
    const char* Written;
    int Clears;
  };
  const TCase Cases[] = {
      {2, "<r><p><k>1</k><k>2</k></p><c/></r>\n", 1},
      {1, "<r><p><k>1</k></p><c/></r>\n", 1},
      {0, "<r><p/><c/></r>\n", 0},
  };
  for (const TCase& Case : Cases) {
    int Clears = 0;
    {
      TXmlDocument Doc;
      Doc.ReadFromString("<r><c/></r>");
      auto* Partial = new TPartialNode(&Doc, "p");
      Partial->NodeNew("k")->SetValueDirect("1");
      Partial->NodeNew("k")->SetValueDirect("2");
      Partial->ShownChildren = Case.Shown;
      Partial->Clears = &Clears;
      Doc.GetRoot()->NodeInsert(0, Partial);
      EXPECT_EQ(Doc.WriteToString(), Case.Written) << Case.Shown;
    }
    EXPECT_EQ(Clears, Case.Clears) << Case.Shown;
  }
}
