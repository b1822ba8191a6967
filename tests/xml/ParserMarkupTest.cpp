// The parser, grouped by markup kind: what tree each piece of text gives, and the errors of
// malformed text.

#include <gtest/gtest.h>

#include <string>

#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

using namespace Vorlane;

namespace {

std::string LoadError(TXmlDocument& ADoc, const std::string& AText) {
  try {
    ADoc.ReadFromString(AText);
  } catch (const EFilerError& E) {
    return E.what();
  }
  return "(loaded)";
}

std::string LoadError(const std::string& AText) {
  TXmlDocument Doc;
  return LoadError(Doc, AText);
}

}  // namespace

// ----- elements ---------------------------------------------------------------------------

TEST(ParserElements, EmptyElementFormsGiveTheSameTree) {
  for (const char* Text : {"<a/>", "<a />", "<a></a>", "<a></A>", "<a></a >"}) {
    TXmlDocument Doc;
    Doc.ReadFromString(Text);
    ASSERT_EQ(Doc.RootNodeList()->GetNodeCount(), 1) << Text;
    TXmlNode* Root = Doc.GetRoot();
    EXPECT_EQ(Root->Name(), "a") << Text;
    EXPECT_EQ(Root->ValueDirect(), "") << Text;
    EXPECT_EQ(Root->GetNodeCount(), 0) << Text;
    EXPECT_EQ(Root->GetAttributeCount(), 0) << Text;
  }
}

TEST(ParserElements, AttributesAreStoredAsWrittenAndQuotesProtectMarkup) {
  TXmlDocument Doc;
  Doc.ReadFromString("<a b=\">\" c = 'x y'  d=\"&amp;\">x</a>");
  TXmlNode* Root = Doc.GetRoot();
  ASSERT_EQ(Root->GetAttributeCount(), 3);
  EXPECT_EQ(Root->GetAttributePair(0), "b=\">\"");
  EXPECT_EQ(Root->GetAttributePair(1), "c='x y'");
  EXPECT_EQ(Root->GetAttributePair(2), "d=\"&amp;\"");
  EXPECT_EQ(Root->GetAttributeByName("d"), "&");
  EXPECT_EQ(Root->ValueDirect(), "x");
}

TEST(ParserElements, TextBeforeTheFirstChildIsTheValueAndLaterTextStaysAsCharData) {
  TXmlDocument Doc;
  Doc.ReadFromString("<a>x<b/>y</a>");
  TXmlNode* Root = Doc.GetRoot();
  EXPECT_EQ(Root->ValueDirect(), "x");
  ASSERT_EQ(Root->GetNodeCount(), 2);
  EXPECT_EQ(Root->GetNodes(0)->Name(), "b");
  EXPECT_EQ(Root->GetNodes(1)->ElementType(), xeCharData);
  EXPECT_EQ(Root->GetNodes(1)->ValueDirect(), "y");
}

TEST(ParserElements, BlankRunsBetweenChildrenAreDroppedButBlankOnlyContentStays) {
  TXmlDocument Doc;
  Doc.ReadFromString("<a>\r\n  <b/>\r\n</a>");
  EXPECT_EQ(Doc.GetRoot()->ValueDirect(), "");
  ASSERT_EQ(Doc.GetRoot()->GetNodeCount(), 1);
  Doc.ReadFromString("<a>  </a>");
  EXPECT_EQ(Doc.GetRoot()->ValueDirect(), "  ");
  EXPECT_EQ(Doc.GetRoot()->GetNodeCount(), 0);
}

TEST(ParserElements, CarriageReturnAfterLastChildTrimsTrailingBreaksOfCharData) {
  TXmlDocument Doc;
  Doc.ReadFromString("<a>\tx \r\n<b/>y \t\r\n</a>");
  TXmlNode* Root = Doc.GetRoot();
  // Trailing LF, CR and blanks go, a TAB stops the trimming, leading bytes stay.
  EXPECT_EQ(Root->ValueDirect(), "\tx");
  ASSERT_EQ(Root->GetNodeCount(), 2);
  EXPECT_EQ(Root->GetNodes(1)->ValueDirect(), "y \t");
  // Without a CR after the last child nothing is trimmed.
  Doc.ReadFromString("<a>x \n<b/>y \n</a>");
  EXPECT_EQ(Doc.GetRoot()->ValueDirect(), "x \n");
  EXPECT_EQ(Doc.GetRoot()->GetNodes(1)->ValueDirect(), "y \n");
}

TEST(ParserElements, ErrorsNameTheElement) {
  EXPECT_EQ(LoadError("<a>text"), "Missing close tag in element a");
  EXPECT_EQ(LoadError("<a><b>x</a>"), "Incorrect close tag in element b");
  EXPECT_EQ(LoadError("<a></b>"), "Incorrect close tag in element a");
  EXPECT_EQ(LoadError("<a>x<   "), "Missing data after \"<\" in element a");
  EXPECT_EQ(LoadError("<a>x</a"), "Missing \">\" in close tag of element a");
  EXPECT_EQ(LoadError("<a><></a>"), "Missing element name");
  EXPECT_EQ(LoadError("<?xml version=\"1.0\"?>"), "No root element found in xml");
  EXPECT_EQ(LoadError(""), "No root element found in xml");
}

TEST(ParserElements, BlanksBetweenLessThanAndMarkupAreRefusedInsteadOfLosingText) {
  EXPECT_EQ(LoadError("<a>< b/></a>"), "Missing data after \"<\" in element a");
}

TEST(ParserElements, NodesReadBeforeAnErrorStayInTheTree) {
  TXmlDocument Doc;
  EXPECT_EQ(LoadError(Doc, "<!-- c --><a><b/><c>"), "Missing close tag in element c");
  ASSERT_EQ(Doc.RootNodeList()->GetNodeCount(), 2);
  EXPECT_EQ(Doc.GetRoot()->GetNodeCount(), 2);
}

TEST(ParserElements, RootLevelTextOutsideMarkupIsDropped) {
  TXmlDocument Doc;
  Doc.ReadFromString("junk <a/> more\r\n");
  ASSERT_EQ(Doc.RootNodeList()->GetNodeCount(), 1);
  EXPECT_EQ(Doc.GetRoot()->Name(), "a");
}

// ----- comments, CDATA, instructions ---------------------------------------------------------

TEST(ParserComments, CommentKeepsItsWholeTextAndFixedName) {
  TXmlDocument Doc;
  Doc.ReadFromString("<a><!-- x > y --></a>");
  ASSERT_EQ(Doc.GetRoot()->GetNodeCount(), 1);
  TXmlNode* Comment = Doc.GetRoot()->GetNodes(0);
  EXPECT_EQ(Comment->ElementType(), xeComment);
  EXPECT_EQ(Comment->Name(), "Comment");
  EXPECT_EQ(Comment->ValueDirect(), " x > y ");
}

TEST(ParserComments, DropCommentsOnParseAffectsOnlyCommentsInsideElements) {
  TXmlDocument Doc;
  Doc.SetDropCommentsOnParse(true);
  Doc.ReadFromString("<!--top--><a><!--inner--><b/></a>");
  EXPECT_EQ(Doc.RootNodeList()->GetNodes(0)->ElementType(), xeComment);
  ASSERT_EQ(Doc.GetRoot()->GetNodeCount(), 1);
  EXPECT_EQ(Doc.GetRoot()->GetNodes(0)->Name(), "b");
}

TEST(ParserComments, UnterminatedCommentConsumesTheRest) {
  EXPECT_EQ(LoadError("<!-- <a/>"), "No root element found in xml");
  TXmlDocument Doc;
  Doc.ReadFromString("<a/><!-- open");
  ASSERT_EQ(Doc.RootNodeList()->GetNodeCount(), 2);
  EXPECT_EQ(Doc.RootNodeList()->GetNodes(1)->ValueDirect(), "");
}

TEST(ParserCData, QuotesAndMarkupAreNotSpecialInside) {
  TXmlDocument Doc;
  Doc.ReadFromString("<a><![CDATA[x<y>\"'z]]></a>");
  TXmlNode* Data = Doc.GetRoot()->GetNodes(0);
  ASSERT_NE(Data, nullptr);
  EXPECT_EQ(Data->ElementType(), xeCData);
  EXPECT_EQ(Data->Name(), "CData");
  EXPECT_EQ(Data->ValueDirect(), "x<y>\"'z");
  EXPECT_EQ(Doc.GetRoot()->ValueDirect(), "");
}

TEST(ParserInstructions, DeclarationStyleSheetAndOtherInstructions) {
  TXmlDocument Doc;
  Doc.ReadFromString(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
      "<?xml-stylesheet  type=\"text/xsl\" href=\"a.xsl\" ?>"
      "<a><?pi some data?><!foo bar></a>");
  TXmlNode* List = Doc.RootNodeList();
  ASSERT_EQ(List->GetNodeCount(), 3);
  TXmlNode* Declaration = List->GetNodes(0);
  EXPECT_EQ(Declaration->ElementType(), xeDeclaration);
  EXPECT_EQ(Declaration->Name(), "xml");
  EXPECT_EQ(Declaration->GetAttributePair(0), "version=\"1.0\"");
  EXPECT_EQ(Declaration->GetAttributePair(1), "encoding=\"UTF-8\"");
  TXmlNode* Sheet = List->GetNodes(1);
  EXPECT_EQ(Sheet->ElementType(), xeStylesheet);
  EXPECT_EQ(Sheet->Name(), "xml-stylesheet");
  EXPECT_EQ(Sheet->ValueDirect(), "type=\"text/xsl\" href=\"a.xsl\"");
  EXPECT_EQ(Sheet->GetAttributeByName("href"), "a.xsl");
  TXmlNode* Pi = Doc.GetRoot()->GetNodes(0);
  EXPECT_EQ(Pi->ElementType(), xeQuestion);
  EXPECT_EQ(Pi->Name(), "Special");
  EXPECT_EQ(Pi->ValueDirect(), "pi some data");
  TXmlNode* Exclam = Doc.GetRoot()->GetNodes(1);
  EXPECT_EQ(Exclam->ElementType(), xeExclam);
  EXPECT_EQ(Exclam->ValueDirect(), "foo bar");
}

// ----- DOCTYPE and DTD declarations -------------------------------------------------------------

TEST(ParserDoctype, NameAndExternalIdentifier) {
  TXmlDocument Doc;
  Doc.ReadFromString("<!DOCTYPE doc SYSTEM  \"doc.dtd\"><doc/>");
  TXmlNode* Dtd = Doc.RootNodeList()->GetNodes(0);
  EXPECT_EQ(Dtd->ElementType(), xeDoctype);
  EXPECT_EQ(Dtd->Name(), "doc");
  EXPECT_EQ(Dtd->ValueDirect(), "SYSTEM \"doc.dtd\"");
  EXPECT_EQ(Dtd->GetNodeCount(), 0);
}

TEST(ParserDoctype, InternalSubsetDeclarationsBecomeChildren) {
  TXmlDocument Doc;
  Doc.ReadFromString(
      "<!DOCTYPE doc [\n"
      "  <!ENTITY nl \"line\">\n"
      "  <!ATTLIST item kind CDATA \"x\">\n"
      "  <!ELEMENT doc (#PCDATA)>\n"
      "  <!NOTATION n SYSTEM \"n\">\n"
      "  <!-- c -->\n"
      "  %pe;\n"
      "]>\n"
      "<doc/>");
  TXmlNode* Dtd = Doc.RootNodeList()->GetNodes(0);
  EXPECT_EQ(Dtd->Name(), "doc");
  EXPECT_EQ(Dtd->ValueDirect(), "");
  // The parameter-entity reference is kept as written, as text of the DOCTYPE.
  ASSERT_EQ(Dtd->GetNodeCount(), 6);
  EXPECT_EQ(Dtd->GetNodes(5)->ElementType(), xeCharData);
  EXPECT_EQ(Dtd->GetNodes(5)->ValueDirect(), "%pe;");
  EXPECT_EQ(Dtd->GetNodes(0)->ElementType(), xeEntity);
  EXPECT_EQ(Dtd->GetNodes(0)->Name(), "nl");
  EXPECT_EQ(Dtd->GetNodes(0)->ValueDirect(), "\"line\"");
  EXPECT_EQ(Dtd->GetNodes(1)->ElementType(), xeAttList);
  EXPECT_EQ(Dtd->GetNodes(1)->Name(), "item");
  EXPECT_EQ(Dtd->GetNodes(1)->ValueDirect(), "kind\r\nCDATA\r\n\"x\"");
  EXPECT_EQ(Dtd->GetNodes(2)->ElementType(), xeElement);
  EXPECT_EQ(Dtd->GetNodes(2)->ValueDirect(), "(#PCDATA)");
  EXPECT_EQ(Dtd->GetNodes(3)->ElementType(), xeNotation);
  EXPECT_EQ(Dtd->GetNodes(4)->ElementType(), xeComment);
  EXPECT_EQ(Doc.GetRoot()->Name(), "doc");
  EXPECT_EQ(Doc.GetEntityByName("nl"), "line");
  EXPECT_EQ(Doc.GetEntityByName("NL"), "");
}

TEST(ParserDoctype, EmptySubsetDoesNotSwallowTheDocument) {
  for (const char* Text : {"<!DOCTYPE d SYSTEM 'd.dtd'[\n]>\n<d>x</d>", "<!DOCTYPE d []><d>x</d>"}) {
    TXmlDocument Doc;
    Doc.ReadFromString(Text);
    ASSERT_EQ(Doc.RootNodeList()->GetNodeCount(), 2) << Text;
    EXPECT_EQ(Doc.RootNodeList()->GetNodes(0)->GetNodeCount(), 0) << Text;
    EXPECT_EQ(Doc.GetRoot()->ValueDirect(), "x") << Text;
  }
}

TEST(ParserDoctype, SubsetWithMultiByteTextEnds) {
  // A stray two-byte character in the subset must not make the reader step back forever.
  TXmlDocument Doc;
  TBytesStream S("<!DOCTYPE d [ \xa7\x94 <!ENTITY e \"v\"> ]><d/>");
  Doc.LoadFromStream(&S);
  EXPECT_EQ(Doc.GetRoot()->Name(), "d");
  EXPECT_EQ(Doc.GetEntityByName("e"), "v");
}

// ----- constructs that must be written back as they were read --------------------------------

TEST(ParserWellFormedness, InstructionsAndDeclarationLiteralsAreWrittenBackAsRead) {
  struct TCase {
    const char* Text;
    const char* Written;    // compact; nullptr: the text itself and a line feed
    TXmlElementType First;  // kind of the first root-level node
  };
  const TCase Cases[] = {
      // Only the target "xml" itself is the declaration, in any case.
      {"<?xmlfoo keep this?>\n<a/>", "<?xmlfoo keep this?>\n<a></a>\n", xeQuestion},
      {"<?xml-foo x?>\n<a></a>", nullptr, xeQuestion},
      {"<?xml-stylesheetx y?>\n<a></a>", nullptr, xeQuestion},
      {"<?xml-stylesheet href=\"s.xsl\"?>\n<a></a>", nullptr, xeStylesheet},
      {"<?xml version=\"1.0\"?>\n<a></a>", nullptr, xeDeclaration},
      {"<?xml\tversion=\"1.0\"?>\n<a></a>", "<?xml version=\"1.0\"?>\n<a></a>\n", xeDeclaration},
      {"<?XML version=\"1.0\"?>\n<a></a>", "<?xml version=\"1.0\"?>\n<a></a>\n", xeDeclaration},
      {"<?xml?>\n<a></a>", nullptr, xeDeclaration},
      {"<?xml?x?>\n<a></a>", nullptr, xeQuestion},
      {"<?xm?>\n<a></a>", nullptr, xeQuestion},
      {"<?XMLx?>\n<a></a>", nullptr, xeQuestion},
      // Telling the targets apart reads nothing beyond the instruction's end.
      {"<a><?\?>q<?x?>r<?xml?\?>s<?XM?>t</a>", nullptr, xeNormal},
      // A quoted literal that holds "=" keeps the blank before the next literal.
      {"<!DOCTYPE Project PUBLIC \"x=\" \"p.dtd\">\n<Project></Project>", nullptr, xeDoctype},
      {"<!DOCTYPE d PUBLIC 'a=b' 'c'>\n<d></d>", nullptr, xeDoctype},
      {"<!DOCTYPE d [<!ENTITY = \"\" \"\">]>\n<d></d>", "<!DOCTYPE d  [<!ENTITY =\"\" \"\">]>\n<d></d>\n", xeDoctype},
      {"<!DOCTYPE d [<!NOTATION n PUBLIC \"=\" \"u\">]>\n<d></d>",
       "<!DOCTYPE d  [<!NOTATION n PUBLIC\r\n\"=\"\r\n\"u\">]>\n<d></d>\n", xeDoctype},
      // Parameter-entity references stay where they were, unexpanded. (A DOCTYPE without
      // external identifier is written with two blanks before its subset.)
      {"<!DOCTYPE d [<!ENTITY % p SYSTEM \"p.ent\">%p;]>\n<d>&e;</d>",
       "<!DOCTYPE d  [<!ENTITY % p\r\nSYSTEM\r\n\"p.ent\">%p;]>\n<d>&e;</d>\n", xeDoctype},
      {"<!DOCTYPE d [ %a; %b;<!ENTITY x \"y\"> %c ]>\n<d></d>",
       "<!DOCTYPE d  [%a;%b;<!ENTITY x \"y\">%c]>\n<d></d>\n", xeDoctype},
      {"<!DOCTYPE d  [%a;]>\n<d></d>", nullptr, xeDoctype},
  };
  for (const TCase& C : Cases) {
    const std::string Written = C.Written != nullptr ? C.Written : std::string(C.Text) + "\n";
    TXmlDocument Doc;
    Doc.ReadFromString(C.Text);
    EXPECT_EQ(Doc.RootNodeList()->GetNodes(0)->ElementType(), C.First) << C.Text;
    EXPECT_EQ(Doc.WriteToString(), Written) << C.Text;
    // And the written text reads back to itself.
    TXmlDocument Again;
    Again.ReadFromString(Written);
    EXPECT_EQ(Again.WriteToString(), Written) << C.Text;
  }
}

// ----- document-level structure checks ----------------------------------------------------------

TEST(ParserWarnings, StructureChecksOnlyWhenEnabled) {
  const char* Cases[][2] = {
      {"<a/><b/>", "More than one root element found in xml"},
      {"<?xml version=\"1.0\"?><?xml version=\"1.0\"?><a/>",
       "More than one xml declaration found in xml"},
      {"<!-- c --><?xml version=\"1.0\"?><a/>", "Xml declaration must be first element"},
      {"<!DOCTYPE a><!DOCTYPE a><a/>", "More than one doctype declaration found in root"},
      {"<a/><!DOCTYPE a>", "Doctype declaration found after root element"},
      {"<a/><![CDATA[x]]>", "No CDATA allowed in root"},
  };
  for (const auto& Case : Cases) {
    TXmlDocument Lenient;
    EXPECT_EQ(LoadError(Lenient, Case[0]), "(loaded)") << Case[0];
    TXmlDocument Strict;
    Strict.SetParserWarnings(true);
    EXPECT_EQ(LoadError(Strict, Case[0]), Case[1]) << Case[0];
  }
  TXmlDocument Strict;
  Strict.SetParserWarnings(true);
  EXPECT_EQ(LoadError(Strict, "<?xml version=\"1.0\"?><!DOCTYPE a><!--c--><a/>"), "(loaded)");
  // A missing root is reported whatever the setting.
  EXPECT_EQ(LoadError(Strict, "<!-- only -->"), "No root element found in xml");
}

// ----- entity references ----------------------------------------------------------------------

TEST(ParserEntities, ReferencesWithMarkupBecomeNodesAndAttributesAreRebuilt) {
  TXmlDocument Doc;
  Doc.ReadFromString(
      "<!DOCTYPE d [<!ENTITY e \"<b>x</b>\"><!ENTITY c \"C\">]>"
      "<d a=\"1&c;2&u;3\">pre&e;post<f>&e;</f></d>");
  Doc.ResolveEntityReferences();
  TXmlNode* Root = Doc.GetRoot();
  EXPECT_EQ(Root->GetAttributeByName("a"), "1C2&u;3");
  EXPECT_EQ(Root->ValueDirect(), "pre");
  ASSERT_EQ(Root->GetNodeCount(), 3);
  EXPECT_EQ(Root->GetNodes(0)->Name(), "b");
  EXPECT_EQ(Root->GetNodes(0)->ValueDirect(), "x");
  EXPECT_EQ(Root->GetNodes(1)->ElementType(), xeCharData);
  EXPECT_EQ(Root->GetNodes(1)->ValueDirect(), "post");
  TXmlNode* F = Root->GetNodes(2);
  EXPECT_EQ(F->ValueDirect(), "");
  ASSERT_EQ(F->GetNodeCount(), 1);
  EXPECT_EQ(F->GetNodes(0)->Name(), "b");
}

TEST(ParserEntities, ReferencesWithoutMarkupOrUnknownStayAsWritten) {
  TXmlDocument Doc;
  Doc.ReadFromString("<!DOCTYPE d [<!ENTITY c \"C\">]><d>&c;&zz;</d>");
  Doc.ResolveEntityReferences();
  EXPECT_EQ(Doc.GetRoot()->ValueDirect(), "&c;&zz;");
  EXPECT_EQ(Doc.GetRoot()->GetNodeCount(), 0);
}

TEST(ParserEntities, SelfReferencingEntityExpandsOnce) {
  TXmlDocument Doc;
  Doc.ReadFromString("<!DOCTYPE d [<!ENTITY s \"<i>&s;</i>\">]><d>&s;</d>");
  Doc.ResolveEntityReferences();
  TXmlNode* I = Doc.GetRoot()->GetNodes(0);
  ASSERT_NE(I, nullptr);
  EXPECT_EQ(I->Name(), "i");
  EXPECT_EQ(I->ValueDirect(), "&s;");
  EXPECT_EQ(I->GetNodeCount(), 0);
}


namespace {

std::string ResolveError(TXmlDocument& ADoc) {
  try {
    ADoc.ResolveEntityReferences();
  } catch (const EFilerError& E) {
    return E.what();
  }
  return "(resolved)";
}

std::string Repeat(const std::string& AText, int ACount) {
  std::string Result;
  for (int I = 0; I < ACount; ++I) Result += AText;
  return Result;
}

}  // namespace

TEST(ParserEntities, NestedExpansionIsRefusedBeforeItExhaustsMemory) {
  // Ten levels of ten references each: ten billion nodes if expanded.
  std::string Text = "<!DOCTYPE d [<!ENTITY l0 \"<x>1</x>\">";
  for (int Level = 1; Level <= 10; ++Level)
    Text += "<!ENTITY l" + std::to_string(Level) + " \"<y>" +
            Repeat("&l" + std::to_string(Level - 1) + ";", 10) + "</y>\">";
  Text += "]><d>&l10;</d>";
  TXmlDocument Doc;
  Doc.ReadFromString(Text);
  EXPECT_EQ(ResolveError(Doc).rfind("Entity expansion limit exceeded in element ", 0), 0u);

  // Two levels stay well inside the limit and expand completely, in order.
  TXmlDocument Small;
  Small.ReadFromString(
      "<!DOCTYPE d [<!ENTITY a \"<x>1</x>\"><!ENTITY b \"<y>&a;&a;</y>\">]><d>&b;&b;</d>");
  EXPECT_EQ(ResolveError(Small), "(resolved)");
  EXPECT_EQ(Small.GetRoot()->WriteToString(),
            "<d><y><x>1</x><x>1</x></y><y><x>1</x><x>1</x></y></d>");
}

TEST(ParserEntities, AttributeExpansionIsBoundedToo) {
  // Replacement texts in attributes are not read again, but many references to a long
  // text still multiply it.
  const std::string Long(1000, 'A');
  const std::string Declarations = "<!DOCTYPE d [<!ENTITY e \"" + Long + "\">]>";
  TXmlDocument Fits;
  Fits.ReadFromString(Declarations + "<d a=\"" + Repeat("&e;", 1000) + "\"/>");
  EXPECT_EQ(ResolveError(Fits), "(resolved)");
  EXPECT_EQ(Fits.GetRoot()->GetAttributeByName("a"), Repeat(Long, 1000));

  TXmlDocument TooMuch;
  TooMuch.ReadFromString(Declarations + "<d a=\"" + Repeat("&e;", 1100) + "\"/>");
  EXPECT_EQ(ResolveError(TooMuch), "Entity expansion limit exceeded in element d");
}

TEST(ParserEntities, AttributeScanKeepsTextAroundReferences) {
  TXmlDocument Doc;
  Doc.ReadFromString(
      "<!DOCTYPE d [<!ENTITY c \"C\">]>"
      "<d a=\"x&c;y&c;z\" b=\"p&;q\" e=\"m&c;n&o\" f=\"&c;\"/>");
  Doc.ResolveEntityReferences();
  TXmlNode* Root = Doc.GetRoot();
  EXPECT_EQ(Root->GetAttributeByName("a"), "xCyCz");
  // An empty name and a "&" without ";" end the scan; neither is kept.
  EXPECT_EQ(Root->GetAttributeByName("b"), "pq");
  EXPECT_EQ(Root->GetAttributeByName("e"), "mCno");
  EXPECT_EQ(Root->GetAttributeByName("f"), "C");
}

TEST(ParserEntities, ManyReferencesInOneTextAreRefusedInsteadOfHanging) {
  // Each reference leaves the rest of the text in a node of its own that is split again:
  // a long run of references costs their number times the text's length.
  TXmlDocument Doc;
  Doc.ReadFromString("<!DOCTYPE d [<!ENTITY e \"<b>1</b>\">]><d>" + Repeat("&e;", 15000) + "</d>");
  EXPECT_EQ(ResolveError(Doc), "Entity expansion limit exceeded in element d");

  // A few thousand are fine: every reference becomes its element, nothing else remains.
  TXmlDocument Fine;
  Fine.ReadFromString("<!DOCTYPE d [<!ENTITY e \"<b>1</b>\">]><d>" + Repeat("&e;", 2000) + "</d>");
  EXPECT_EQ(ResolveError(Fine), "(resolved)");
  TXmlNode* Root = Fine.GetRoot();
  EXPECT_EQ(Root->ValueDirect(), "");
  ASSERT_EQ(Root->GetNodeCount(), 2000);
  EXPECT_EQ(Root->GetNodes(0)->Name(), "b");
  EXPECT_EQ(Root->GetNodes(1999)->Name(), "b");
  EXPECT_EQ(Root->GetNodes(1999)->ValueDirect(), "1");
}

TEST(ParserEntities, ManyReferencesAmongManySiblingsAreRefusedInsteadOfHanging) {
  // Every reference in text between child elements inserts its nodes among the siblings.
  const std::string Entity = "<!DOCTYPE d [<!ENTITY e \"<b>1</b>\">]>";
  TXmlDocument Doc;
  Doc.ReadFromString(Entity + "<d>" + Repeat("<c>1</c>x&e;", 20000) + "</d>");
  EXPECT_EQ(ResolveError(Doc), "Entity expansion limit exceeded in element d");

  TXmlDocument Fine;
  Fine.ReadFromString(Entity + "<d>" + Repeat("<c>1</c>x&e;", 1000) + "</d>");
  EXPECT_EQ(ResolveError(Fine), "(resolved)");
  TXmlNode* Root = Fine.GetRoot();
  ASSERT_EQ(Root->GetNodeCount(), 3000);
  for (Integer I : {0, 1500, 2997}) {
    EXPECT_EQ(Root->GetNodes(I)->Name(), "c");
    EXPECT_EQ(Root->GetNodes(I + 1)->ElementType(), xeCharData);
    EXPECT_EQ(Root->GetNodes(I + 1)->ValueDirect(), "x");
    EXPECT_EQ(Root->GetNodes(I + 2)->Name(), "b");
  }
}
// ----- nesting depth ----------------------------------------------------------------------------

TEST(ParserDepth, MillionNestedElementsAreRefusedWithoutRecursion) {
  const int Depth = 1000000;
  std::string Text;
  Text.reserve(7u * Depth + 1);
  for (int I = 0; I < Depth; ++I) Text += "<a>";
  Text += "v";
  for (int I = 0; I < Depth; ++I) Text += "</a>";
  TXmlDocument Doc;
  EXPECT_EQ(LoadError(Doc, Text), "Nesting deeper than 4096 levels in element a");
  // What was read stays in the tree until the next read frees it.
  Doc.ReadFromString("<b/>");
  EXPECT_EQ(Doc.GetRoot()->Name(), "b");
}

TEST(ParserDepth, DeepUnclosedInputFailsCleanly) {
  std::string Text;
  for (int I = 0; I < 200000; ++I) Text += "<a><!DOCTYPE x [";
  EXPECT_NE(LoadError(Text), "(loaded)");
}
