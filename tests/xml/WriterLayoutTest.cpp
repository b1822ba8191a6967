// Byte-exact output of the writer for every kind of node, in the readable and the compact
// layout. Expected texts are written out by hand.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

using namespace Vorlane;

namespace {

// A document without declaration whose root element is AName.
void MakeBare(TXmlDocument& ADoc, const char* AName) {
  ADoc.RootNodeList()->NodeDelete(0);
  ADoc.GetRoot()->SetName(AName);
}

void Readable(TXmlDocument& ADoc) {
  ADoc.SetXmlFormat(xfReadable);
  ADoc.SetIndentString("    ");
}

TXmlNode* AddTyped(TXmlNode* AParent, TXmlElementType AType, const char* AName,
                   const char* AValue) {
  TXmlNode* Node = new TXmlNode(AParent->Document(), AType);
  Node->SetName(AName);
  Node->SetValueDirect(AValue);
  AParent->NodeAdd(Node);
  return Node;
}

}  // namespace

TEST(WriterLayout, NewDocumentIsDeclarationAndEmptyRootInCompactLayout) {
  TXmlDocument Doc;
  EXPECT_EQ(Doc.WriteToString(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<></>\n");
}

TEST(WriterLayout, ProjectTreeInBothLayouts) {
  TXmlDocument Doc;
  MakeBare(Doc, "Project");
  Doc.GetRoot()->NodeNew("PropertyGroup")->NodeNew("Config")->SetValueAsString("Debug");
  EXPECT_EQ(Doc.WriteToString(),
            "<Project><PropertyGroup><Config>Debug</Config></PropertyGroup></Project>\n");
  Readable(Doc);
  EXPECT_EQ(Doc.WriteToString(),
            "<Project>\r\n"
            "    <PropertyGroup>\r\n"
            "        <Config>Debug</Config>\r\n"
            "    </PropertyGroup>\r\n"
            "</Project>\r\n");
}

TEST(WriterLayout, EmptyElementForms) {
  TXmlDocument Doc;
  MakeBare(Doc, "Root");
  EXPECT_EQ(Doc.WriteToString(), "<Root></Root>\n");  // never "<Root/>" at root level
  TXmlNode* Item = Doc.GetRoot()->NodeNew("Item");
  Item->AttributeAdd("a", "1");
  Item->AttributeAdd("b", "2");
  EXPECT_EQ(Doc.WriteToString(), "<Root><Item a=\"1\" b=\"2\"/></Root>\n");
  Doc.SetUseFullNodes(true);
  EXPECT_EQ(Doc.WriteToString(), "<Root><Item a=\"1\" b=\"2\"></Item></Root>\n");
  Readable(Doc);
  Doc.SetUseFullNodes(false);
  EXPECT_EQ(Doc.WriteToString(), "<Root>\r\n    <Item a=\"1\" b=\"2\"/>\r\n</Root>\r\n");
}

TEST(WriterLayout, AttributesAreWrittenAsStored) {
  TXmlDocument Doc;
  MakeBare(Doc, "r");
  Doc.GetRoot()->SetAttributeByName("q", "a<\"b\"&c");
  Doc.GetRoot()->AttributeAdd("q", "second");
  EXPECT_EQ(Doc.WriteToString(), "<r q=\"a&lt;&quot;b&quot;&amp;c\" q=\"second\"></r>\n");
}

TEST(WriterLayout, TextAroundChildElementsGetsNoLineFeeds) {
  TXmlDocument Doc;
  MakeBare(Doc, "a");
  TXmlNode* Root = Doc.GetRoot();
  Root->SetValueDirect("x");
  Root->NodeNew("b");
  AddTyped(Root, xeCharData, "", "y");
  Root->NodeNew("c");
  EXPECT_EQ(Doc.WriteToString(), "<a>x<b/>y<c/></a>\n");
  Readable(Doc);
  EXPECT_EQ(Doc.WriteToString(), "<a>x\r\n    <b/>y    <c/>\r\n</a>\r\n");
}

TEST(WriterLayout, DeclarationDropsEmptyAttributes) {
  TXmlDocument Doc;
  Doc.SetEncodingString("");
  EXPECT_EQ(Doc.WriteToString(), "<?xml version=\"1.0\"?>\n<></>\n");
  // The empty attribute is gone from the tree itself, not only from the text.
  EXPECT_EQ(Doc.RootNodeList()->GetNodes(0)->GetAttributeCount(), 1);
}

TEST(WriterLayout, EveryMarkupKindInReadableLayout) {
  TXmlDocument Doc;
  Readable(Doc);
  TXmlNode* List = Doc.RootNodeList();
  TXmlNode* Sheet = Doc.GetStyleSheetNode();  // position 1, after the declaration
  Sheet->AttributeAdd("type", "text/xsl");
  Sheet->SetValueDirect("never written");
  TXmlNode* Root = Doc.GetRoot();
  Root->SetName("r");
  AddTyped(Root, xeComment, "Comment", " note ");
  AddTyped(Root, xeCData, "CData", "x<y");
  AddTyped(Root, xeExclam, "Special", "foo bar");
  AddTyped(Root, xeQuestion, "Special", "pi data");
  AddTyped(Root, xeUnknown, "", "odd");
  TXmlNode* Dtd = new TXmlNode(&Doc, xeDoctype);
  Dtd->SetName("r");
  List->NodeInsert(2, Dtd);
  AddTyped(Dtd, xeEntity, "e", "\"text\"");
  AddTyped(Dtd, xeElement, "r", "(#PCDATA)");
  AddTyped(Dtd, xeAttList, "r", "a CDATA #IMPLIED");
  AddTyped(Dtd, xeNotation, "n", "SYSTEM \"n\"");
  EXPECT_EQ(Doc.WriteToString(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<?xml-stylesheet type=\"text/xsl\"?>\r\n"
            "<!DOCTYPE r  [\r\n"
            "    <!ENTITY e \"text\">\r\n"
            "    <!ELEMENT r (#PCDATA)>\r\n"
            "    <!ATTLIST r a CDATA #IMPLIED>\r\n"
            "    <!NOTATION n SYSTEM \"n\">\r\n"
            "]>\r\n"
            "<r>\r\n"
            "    <!-- note -->\r\n"
            "    <![CDATA[x<y]]>\r\n"
            "    <!foo bar>\r\n"
            "    <?pi data?>\r\n"
            "    <odd>\r\n"
            "</r>\r\n");
  Doc.SetXmlFormat(xfCompact);
  EXPECT_EQ(Doc.WriteToString(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<?xml-stylesheet type=\"text/xsl\"?>\n"
            "<!DOCTYPE r  [<!ENTITY e \"text\"><!ELEMENT r (#PCDATA)><!ATTLIST r a CDATA "
            "#IMPLIED><!NOTATION n SYSTEM \"n\">]>\n"
            "<r><!-- note --><![CDATA[x<y]]><!foo bar><?pi data?><odd></r>\n");
}

TEST(WriterLayout, DoctypeWithoutSubsetAndEmptyDeclarationValues) {
  TXmlDocument Doc;
  TXmlNode* Dtd = new TXmlNode(&Doc, xeDoctype);
  Dtd->SetName("html");
  Doc.RootNodeList()->NodeInsert(1, Dtd);
  // One blank separates name and value even when the value is empty.
  EXPECT_EQ(Dtd->WriteToString(), "<!DOCTYPE html >");
  Dtd->SetValueDirect("PUBLIC \"x\"");
  EXPECT_EQ(Dtd->WriteToString(), "<!DOCTYPE html PUBLIC \"x\">");
}

TEST(WriterLayout, NodeTextIncludesItsOwnIndent) {
  TXmlDocument Doc;
  Readable(Doc);
  TXmlNode* Child = Doc.GetRoot()->NodeNew("Config");
  Child->SetValueAsString("Debug");
  EXPECT_EQ(Child->WriteToString(), "    <Config>Debug</Config>");
  // A node without a document writes compact, and an empty one in full.
  TXmlNode Free;
  Free.SetName("x");
  EXPECT_EQ(Free.WriteToString(), "<x></x>");
}

TEST(WriterLayout, CharacterDataIsNeverIndented) {
  TXmlDocument Doc;
  Readable(Doc);
  TXmlNode* Data = AddTyped(Doc.GetRoot(), xeCharData, "", "t");
  EXPECT_EQ(Data->WriteToString(), "t");
}

TEST(WriterFailures, IllegalKindAndMissingRoot) {
  TXmlDocument Doc;
  // In the range of the type, yet no kind of node.
  Doc.GetRoot()->SetElementType(static_cast<TXmlElementType>(15));
  try {
    Doc.WriteToString();
    FAIL() << "no exception";
  } catch (const EFilerError& E) {
    EXPECT_STREQ(E.what(), "Illegal element type");
  }
  TXmlDocument NoRoot;
  NoRoot.RootNodeList()->NodeDelete(1);
  EXPECT_EQ(NoRoot.WriteToString(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  NoRoot.SetParserWarnings(true);
  try {
    NoRoot.WriteToString();
    FAIL() << "no exception";
  } catch (const EFilerError& E) {
    EXPECT_STREQ(E.what(), "XML root element not defined.");
  }
}

TEST(WriterEvents, ProgressReportsStartPositionsAndSize) {
  TXmlDocument Doc;
  MakeBare(Doc, "a");
  Doc.GetRoot()->NodeNew("b");
  std::vector<Integer> Sizes;
  Doc.SetOnProgress([&](TXmlDocument* Sender, Integer Size) {
    EXPECT_EQ(Sender, &Doc);
    Sizes.push_back(Size);
  });
  EXPECT_EQ(Doc.WriteToString(), "<a><b/></a>\n");
  // Start, after "<a><b/>", after "</a>", and the final size with the line feed.
  EXPECT_EQ(Sizes, (std::vector<Integer>{0, 7, 11, 12}));
}

TEST(WriterDepth, MillionNestedElementsWriteAndFreeWithoutRecursion) {
  TXmlDocument Doc;
  MakeBare(Doc, "a");
  TXmlNode* Node = Doc.GetRoot();
  const int Depth = 1000000;
  for (int I = 1; I < Depth; ++I) Node = Node->NodeNew("a");
  Node->SetValueDirect("x");
  const std::string Text = Doc.WriteToString();
  std::string Expected;
  Expected.reserve(7u * Depth + 2);
  for (int I = 0; I < Depth; ++I) Expected += "<a>";
  Expected += "x";
  for (int I = 0; I < Depth; ++I) Expected += "</a>";
  Expected += "\n";
  EXPECT_TRUE(Text == Expected);
}

TEST(WriterLayout, IdeWrittenProjectComesBackInTheWritersLayout) {
  // As older IDE versions write a project: TAB indents, a build event as CDATA directly
  // after its opening tag, blanks at the end of a line, no line break after the root, no
  // byte-order mark although the declaration names UTF-8.
  const std::string Input =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">\r\n"
      "\t<PropertyGroup Condition=\"'$(Base)'!=''\">\r\n"
      "\t\t<PostBuildEvent><![CDATA[copy a b\r\n$(PostBuildEvent)]]></PostBuildEvent>\r\n"
      "\t\t<Item Include=\"x\"/>   \r\n"
      "\t</PropertyGroup>\r\n"
      "</Project>";
  // The CDATA section is a child of its element, so it gets a line and indent of its own
  // and the close tag follows on the next line; its text is kept byte for byte.
  const std::string Expected =
      "\xEF\xBB\xBF"
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">\r\n"
      "    <PropertyGroup Condition=\"'$(Base)'!=''\">\r\n"
      "        <PostBuildEvent>\r\n"
      "            <![CDATA[copy a b\r\n$(PostBuildEvent)]]>\r\n"
      "        </PostBuildEvent>\r\n"
      "        <Item Include=\"x\"/>\r\n"
      "    </PropertyGroup>\r\n"
      "</Project>\r\n";
  TXmlDocument Doc;
  Readable(Doc);
  TBytesStream In(Input);
  Doc.LoadFromStream(&In);
  TBytesStream Out;
  Doc.SaveToStream(&Out);
  EXPECT_EQ(Out.DataString(), Expected);
  // The writer's own layout reads back to the same tree and the same bytes.
  TXmlDocument Again;
  Readable(Again);
  TBytesStream Written(Out.DataString());
  Again.LoadFromStream(&Written);
  TXmlNode* Event = Again.GetRoot()->NodeByName("PropertyGroup")->NodeByName("PostBuildEvent");
  ASSERT_NE(Event, nullptr);
  EXPECT_EQ(Event->GetNodeCount(), 1);
  TBytesStream Second;
  Again.SaveToStream(&Second);
  EXPECT_EQ(Second.DataString(), Expected);
}
