// The virtual operations of the parser and writer that a derived class may override are
// called where a document is read or written, and the overrides see their nodes at the
// right moment.

#include <gtest/gtest.h>

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
