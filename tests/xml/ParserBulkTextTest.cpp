// Character data read from a file or stream: the loader takes runs of ASCII text in one piece
// from the buffered block, and an element without children gets its text directly. These
// cases pin down what must come out the same as reading the text byte by byte.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Classes.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

using namespace Vorlane;

namespace {

void Load(TXmlDocument& ADoc, const std::string& ABytes) {
  TBytesStream S(ABytes);
  ADoc.LoadFromStream(&S);
}

std::string Save(TXmlDocument& ADoc) {
  TBytesStream S;
  ADoc.SaveToStream(&S);
  return std::string(static_cast<const char*>(S.Memory()), static_cast<size_t>(S.Size()));
}

}  // namespace

TEST(ParserBulkText, TextRunsKeepEveryByteAcrossBlocksAndCharacters) {
  // Longer than two 64 KiB blocks, with two-byte and three-byte characters on the way and
  // text that ends right before a block's last byte.
  std::string Text;
  for (int I = 0; I < 30000; ++I) Text += "ab&amp;c";
  Text += "caf\xC3\xA9 \xE2\x82\xAC";
  Text += std::string(65536 - 7, 'x');
  Text += "\xC3\xA9";
  const std::string Decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  const std::string Xml = Decl + "<a>" + Text + "</a>";
  TXmlDocument Doc;
  Load(Doc, Xml);
  TXmlNode* Root = Doc.GetRoot();
  ASSERT_NE(Root, nullptr);
  EXPECT_EQ(Root->GetNodeCount(), 0);
  EXPECT_EQ(Root->ValueDirect().size(), Text.size());
  EXPECT_TRUE(Root->ValueDirect() == Text);

  // Every place a child may start relative to a block's end.
  for (int Shift = 0; Shift < 6; ++Shift) {
    const std::string Lead(65536 - 8 + Shift, 'q');
    TXmlDocument D;
    Load(D, Decl + "<a>" + Lead + "<b>\xC3\xA9z</b>tail</a>");
    TXmlNode* A = D.GetRoot();
    ASSERT_EQ(A->GetNodeCount(), 2) << Shift;
    EXPECT_TRUE(A->ValueDirect() == Lead) << Shift;
    EXPECT_EQ(A->GetNodes(0)->ValueDirect(), "\xC3\xA9z") << Shift;
    EXPECT_EQ(A->GetNodes(1)->ElementType(), xeCharData) << Shift;
    EXPECT_EQ(A->GetNodes(1)->ValueDirect(), "tail") << Shift;
  }
}

TEST(ParserBulkText, CarriageReturnAfterTheLastChildTrimsTheTexts) {
  // A CR after the last child marks line-structured content: the texts lose their trailing
  // line ends and blanks. Without one they are kept as they are.
  {
    TXmlDocument Doc;
    Load(Doc, "<a>x \r\n<b>y</b>\r\n  z \r\n<c/>\r\n</a>");
    TXmlNode* A = Doc.GetRoot();
    EXPECT_EQ(A->ValueDirect(), "x");
    ASSERT_EQ(A->GetNodeCount(), 3);
    EXPECT_EQ(A->GetNodes(0)->ValueDirect(), "y");
    EXPECT_EQ(A->GetNodes(1)->ElementType(), xeCharData);
    EXPECT_EQ(A->GetNodes(1)->ValueDirect(), "\r\n  z");
  }
  {
    TXmlDocument Doc;
    Load(Doc, "<a>x \n<b>y</b>\n</a>");
    EXPECT_EQ(Doc.GetRoot()->ValueDirect(), "x \n");
  }
  {
    // A CR before the last child only does not count.
    TXmlDocument Doc;
    Load(Doc, "<a>x \r\n<b>y</b></a>");
    EXPECT_EQ(Doc.GetRoot()->ValueDirect(), "x \r\n");
  }
}

TEST(ParserBulkText, ChildlessElementsKeepTheirTextRawAndEmptyOnesStayEmpty) {
  TXmlDocument Doc;
  Doc.SetXmlFormat(xfReadable);
  Load(Doc, "<r><a> x &lt; y > z </a><b></b><c>\r\n</c><d/></r>");
  TXmlNode* R = Doc.GetRoot();
  ASSERT_EQ(R->GetNodeCount(), 4);
  EXPECT_EQ(R->GetNodes(0)->ValueDirect(), " x &lt; y > z ");
  EXPECT_EQ(R->GetNodes(0)->GetValueAsString(), " x < y > z ");
  for (Integer I = 0; I < 4; ++I) EXPECT_EQ(R->GetNodes(I)->GetNodeCount(), 0) << I;
  EXPECT_EQ(R->GetNodes(1)->ValueDirect(), "");
  EXPECT_EQ(R->GetNodes(2)->ValueDirect(), "\r\n");
  EXPECT_EQ(Save(Doc),
            "<r>\r\n"
            "  <a> x &lt; y > z </a>\r\n"
            "  <b/>\r\n"
            "  <c>\r\n</c>\r\n"
            "  <d/>\r\n"
            "</r>\r\n");
}

TEST(ParserBulkText, EventsSeeOnlyTheElements) {
  TXmlDocument Doc;
  std::vector<std::string> Events;
  Doc.SetOnNodeNew([&](TXmlDocument*, TXmlNode* N) { Events.push_back("new " + N->Name()); });
  Doc.SetOnNodeLoaded([&](TXmlDocument*, TXmlNode* N) {
    Events.push_back("loaded " + N->Name() + "=" + N->ValueDirect());
  });
  Load(Doc, "<a>t<b>u</b><c/></a>");
  const std::vector<std::string> Expected{"new a",   "new b",      "loaded b=u",
                                          "new c",   "loaded c=", "loaded a=t"};
  EXPECT_EQ(Events, Expected);
}

TEST(ParserBulkText, BrokenTextIsStillRefused) {
  // A 0 byte reads as the end of the input, in the middle of a long run as anywhere. After
  // the root, a run of them that crosses a block is passed over and what follows still read.
  for (const std::string& Xml :
       {std::string("<a>") + std::string(1000, 'x') + std::string(1, '\0') + "y</a>",
        "<a/>" + std::string(70001, '\0') + "<b>never closed",
        std::string("<a>") + std::string(70000, 'x'), std::string("<a>text</b>")}) {
    TXmlDocument Doc;
    EXPECT_THROW(Load(Doc, Xml), EFilerError) << Xml.size();
  }
}

TEST(WriterSeparators, GoOutWithTheNextTextAndProgressSeesTheSamePositions) {
  // The line feed between two children is written together with the second one (or with
  // the close tag): each progress event still reports the position right after its node.
  TXmlDocument Doc;
  Doc.SetXmlFormat(xfReadable);
  Doc.ReadFromString("<a><b/><c>t</c><!DOCTYPE d [<!ENTITY e \"v\">]></a>");
  std::vector<Integer> Sizes;
  Doc.SetOnProgress([&](TXmlDocument*, Integer Size) { Sizes.push_back(Size); });
  EXPECT_EQ(Doc.WriteToString(),
            "<a>\r\n"
            "  <b/>\r\n"
            "  <c>t</c>\r\n"
            "  <!DOCTYPE d  [\r\n"
            "    <!ENTITY e \"v\">\r\n"
            "]>\r\n"
            "</a>\r\n");
  // 0, after <b/>, after <c>t</c>, after the entity, after "]>", after </a>, the total.
  EXPECT_EQ(Sizes, (std::vector<Integer>{0, 11, 23, 62, 66, 72, 74}));
}
