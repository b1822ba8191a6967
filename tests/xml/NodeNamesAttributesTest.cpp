// Node names, stored values and attribute entries.
#include <gtest/gtest.h>

#include <memory>

#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
#include "xml/XmlText.h"

using namespace Vorlane;

namespace {

std::string MessageOf(const Exception& E) { return E.MessageUtf8(); }

}  // namespace

TEST(NodeNames, IllegalCharactersAreRefusedAndTheNameStays) {
  TXmlNode N(nullptr, "old");
  for (const char* Bad : {"a b", "a\tb", "a\nb", "a\rb", " "}) {
    try {
      N.SetName(Bad);
      FAIL() << "accepted " << Bad;
    } catch (const Exception& E) {
      EXPECT_STREQ(E.ClassName(), "Exception");
      EXPECT_EQ(MessageOf(E), std::string("Illegal character in node name \"") + Bad + "\"");
    }
    EXPECT_EQ(N.Name(), "old");
  }
  // Only blanks are refused; markup characters, colons and the empty name are not.
  for (const char* Good : {"a<b", "x:y", "&amp;", ""}) {
    N.SetName(Good);
    EXPECT_EQ(N.Name(), Good);
  }
}

namespace {

// The parser stores element names without the check; this stands in for it.
struct TRawNameNode : TXmlNode {
  void SetRawName(const UTF8String& AName) { FName = AName; }
};

}  // namespace

TEST(NodeNames, SettingTheCurrentNameNeverRaises) {
  TRawNameNode Src;
  Src.SetRawName("a b");
  TXmlNode N;
  N.Assign(&Src);  // a copy takes the name as stored
  EXPECT_EQ(N.Name(), "a b");
  EXPECT_NO_THROW(N.SetName("a b"));
  EXPECT_THROW(N.SetName("a  b"), Exception);
  EXPECT_EQ(N.Name(), "a b");
}

TEST(NodeNames, ConstructorsValidateAndEscape) {
  EXPECT_THROW(TXmlNode(nullptr, "a b"), Exception);
  EXPECT_THROW(TXmlNode(nullptr, "a b", "v"), Exception);
  TXmlNode N(nullptr, "Item", "a<b & \"c\"");
  EXPECT_EQ(N.ValueDirect(), "a&lt;b &amp; &quot;c&quot;");
  EXPECT_EQ(N.GetValueAsString(), "a<b & \"c\"");
  TXmlNode T(nullptr, xeComment);
  EXPECT_EQ(T.ElementType(), xeComment);
  EXPECT_EQ(T.Name(), "");
  std::unique_ptr<TXmlNode> F(TXmlNode::CreateNameValue(nullptr, "n", "1"));
  EXPECT_EQ(F->ElementType(), xeNormal);
  EXPECT_EQ(F->Name(), "n");
}

TEST(NodeValues, StoredFormAndUnicode) {
  TXmlNode N;
  N.SetValueDirect("&lt;x&gt;");
  EXPECT_EQ(N.GetValueAsString(), "<x>");
  EXPECT_EQ(N.ValueDirect(), "&lt;x&gt;");
  N.SetValueAsUnicodeString(u"\u00e9<");
  EXPECT_EQ(N.ValueDirect(), "\xc3\xa9&lt;");
  EXPECT_EQ(N.GetValueAsUnicodeString(), u"\u00e9<");
}

TEST(NodeAttributes, AddKeepsDuplicatesAndLookupFindsTheFirst) {
  TXmlNode N;
  EXPECT_EQ(N.GetAttributeCount(), 0);
  EXPECT_EQ(N.AttributeIndexByname("x"), -1);
  EXPECT_FALSE(N.HasAttribute("x"));
  N.AttributeAdd("x", "1");
  N.AttributeAdd("x", 2);
  EXPECT_EQ(N.GetAttributeCount(), 2);
  EXPECT_EQ(N.GetAttributeByName("x"), "1");
  EXPECT_EQ(N.GetAttributePair(1), "x=\"2\"");
  EXPECT_EQ(N.AttributeIndexByname("X"), 0);
}

TEST(NodeAttributes, ValuesAreEscapedQuotedAndReadBack) {
  TXmlNode N;
  N.SetAttributeByName("x", "a<b");
  EXPECT_EQ(N.GetAttributePair(0), "x=\"a&lt;b\"");
  EXPECT_EQ(N.GetAttributeByName("X"), "a<b");
  EXPECT_EQ(N.GetAttributeValueDirect(0), "a&lt;b");
  EXPECT_EQ(N.GetAttributeValue(0), "a<b");
  // Replacing takes the letter case given now and keeps the position.
  N.AttributeAdd("y", "2");
  N.SetAttributeByName("X", "it's \"q\"");
  EXPECT_EQ(N.GetAttributePair(0), "X=\"it's &quot;q&quot;\"");
  EXPECT_EQ(N.GetAttributeByName("x"), "it's \"q\"");
  EXPECT_EQ(N.GetAttributeCount(), 2);
  // Direct values are not escaped; a double quote makes the quotes single.
  N.SetAttributeValueDirect(1, "say \"hi\"");
  EXPECT_EQ(N.GetAttributePair(1), "y='say \"hi\"'");
  EXPECT_EQ(N.GetAttributeValueDirect(1), "say \"hi\"");
  // An empty value keeps the attribute.
  N.SetAttributeByName("y", "");
  EXPECT_TRUE(N.HasAttribute("y"));
  EXPECT_EQ(N.GetAttributePair(1), "y=\"\"");
  EXPECT_EQ(N.GetAttributeByName("missing"), "");
  N.SetAttributeByNameWide("w", u"\u00fc");
  EXPECT_EQ(N.GetAttributeByName("w"), "\xc3\xbc");
  EXPECT_EQ(N.GetAttributeByNameWide("W"), u"\u00fc");
}

TEST(NodeAttributes, LookupByNameUnquotesAndUnescapesEveryStoredForm) {
  // Entries as files have them, quoted both ways, with doubled quotes, references, text after
  // the closing quote, no quotes, empty: the value read by name is always
  // the stored value unquoted, then unescaped.
  TXmlDocument Doc;
  Doc.ReadFromString(
      "<n a=\"x\" b='y' c=\"x\"\"y\" d=\"x&amp;y\" e=\"x\"tail f=\"\" g=plain h= i='it''s' "
      "j=\"&lt;&#65;\" k=\"a'b\" l=\"\"\"\"/>");
  TXmlNode* N = Doc.GetRoot();
  ASSERT_EQ(12, N->GetAttributeCount());
  for (Integer I = 0; I < N->GetAttributeCount(); ++I) {
    const UTF8String Name = N->GetAttributeName(I);
    const UTF8String Stored = N->GetAttributePair(I).substr(Name.size() + 1);
    EXPECT_EQ(vxUTF8UnEscapeString(vxUTF8UnQuotedString(Stored)), N->GetAttributeByName(Name)) << Stored;
    EXPECT_TRUE(N->HasAttribute(Name));
    // Read in place only where the stored text between the first quotes is the value itself.
    std::string_view InPlace;
    if (N->GetAttributeByNameInPlace(Name, InPlace)) EXPECT_EQ(N->GetAttributeByName(Name), InPlace) << Stored;
    EXPECT_EQ(Stored == "\"x\"" || Stored == "'y'" || Stored == "\"x\"tail" || Stored == "\"\"" || Stored == "\"a'b\"",
              N->GetAttributeByNameInPlace(Name, InPlace))
        << Stored;
  }
  EXPECT_EQ("x&y", N->GetAttributeByName("D"));
  EXPECT_FALSE(N->HasAttribute("x"));
  std::string_view Missing = "?";
  EXPECT_TRUE(N->GetAttributeByNameInPlace("x", Missing));
  EXPECT_TRUE(Missing.empty());
}

TEST(NodeAttributes, NamesAreFoldedInAsciiOnly) {
  TXmlNode N;
  N.AttributeAdd("\xc3\x84x", "1");  // capital A with diaeresis
  EXPECT_EQ(N.AttributeIndexByname("\xc3\xa4x"), -1);
  EXPECT_EQ(N.AttributeIndexByname("\xc3\x84X"), 0);
  // A prefix of a name is not the name.
  N.AttributeAdd("id", "2");
  EXPECT_EQ(N.AttributeIndexByname("i"), -1);
}

TEST(NodeAttributes, IndexOperationsIgnoreBadIndexes) {
  TXmlNode N;
  N.AttributeExchange(0, 1);  // no list at all
  N.AttributeDelete(0);
  N.SetAttributeValue(0, "v");
  N.SetAttributeName(0, "n");
  EXPECT_EQ(N.GetAttributeCount(), 0);
  N.AttributeAdd("a", "1");
  N.AttributeAdd("b", "2");
  for (Integer Bad : {-1, 2}) {
    EXPECT_EQ(N.GetAttributeName(Bad), "");
    EXPECT_EQ(N.GetAttributeValue(Bad), "");
    EXPECT_EQ(N.GetAttributePair(Bad), "");
    EXPECT_EQ(N.GetAttributeValueDirect(Bad), "");
    EXPECT_EQ(N.GetAttributeValueAsInteger(Bad), 0);
    N.SetAttributeValue(Bad, "x");
    N.SetAttributeValueDirect(Bad, "x");
    N.SetAttributeName(Bad, "x");
    N.SetAttributeValueAsInteger(Bad, 5);
    N.AttributeDelete(Bad);
    N.AttributeExchange(0, Bad);
  }
  EXPECT_EQ(N.GetAttributePair(0), "a=\"1\"");
  EXPECT_EQ(N.GetAttributePair(1), "b=\"2\"");
  N.AttributeExchange(0, 1);
  EXPECT_EQ(N.GetAttributePair(0), "b=\"2\"");
  N.SetAttributeName(0, "c");
  EXPECT_EQ(N.GetAttributePair(0), "c=\"2\"");
  N.SetAttributeValueAsInteger(0, -17);
  EXPECT_EQ(N.GetAttributeValueAsInteger(0), -17);
  N.SetAttributeValue(0, "1x");
  EXPECT_EQ(N.GetAttributeValueAsInteger(0), 0);
  N.SetAttributeValueAsUnicodeString(1, u"\u00e9");
  EXPECT_EQ(N.GetAttributeValueAsUnicodeString(1), u"\u00e9");
  N.AttributeDelete(0);
  EXPECT_EQ(N.GetAttributeCount(), 1);
  EXPECT_EQ(N.GetAttributeName(0), "a");
}

TEST(NodeAttributes, DeleteEmptyAttributesAndClear) {
  TXmlNode N;
  N.AttributeAdd("a", "");
  N.AttributeAdd("b", "1");
  N.AttributeAdd("c", "");
  N.DeleteEmptyAttributes();
  ASSERT_EQ(N.GetAttributeCount(), 1);
  EXPECT_EQ(N.GetAttributeName(0), "b");
  N.AttributesClear();
  EXPECT_EQ(N.GetAttributeCount(), 0);
  EXPECT_FALSE(N.HasAttribute("b"));
}

TEST(NodeState, EmptyClearAndClearKeepKindTagAndLinks) {
  TXmlDocument Doc;
  TXmlNode Parent(&Doc, "p");
  TXmlNode* N = Parent.NodeNew("n");
  EXPECT_TRUE(N->IsEmpty());
  EXPECT_FALSE(N->IsClear());
  N->AttributeAdd("a", "");
  EXPECT_FALSE(N->IsEmpty());
  N->SetElementType(xeCData);
  N->SetTag(42);
  N->SetValueAsString("v");
  N->NodeNew("c");
  N->Clear();
  EXPECT_TRUE(N->IsClear());
  EXPECT_EQ(N->ElementType(), xeCData);
  EXPECT_EQ(N->Tag(), 42);
  EXPECT_EQ(N->Parent(), &Parent);
  EXPECT_EQ(N->Document(), &Doc);
}

TEST(NodeState, DocumentSettingsWithoutADocument) {
  TXmlNode N;
  EXPECT_FALSE(N.AbortParsing());
  EXPECT_TRUE(N.FloatAllowScientific());
  EXPECT_EQ(N.FloatSignificantDigits(), 6);
  EXPECT_FALSE(N.UseFullNodes());
  EXPECT_FALSE(N.UseLocalBias());
  EXPECT_TRUE(N.GetWriteOnDefault());
  EXPECT_EQ(N.GetBinaryEncoding(), xbeBinHex);
  N.SetBinaryEncoding(xbeBase64);  // no document to write to
  EXPECT_EQ(N.GetBinaryEncoding(), xbeBinHex);
}

TEST(NodeState, DocumentSettingsAreReadThroughTheDocument) {
  TXmlDocument Doc;
  TXmlNode N(&Doc);
  Doc.SetFloatSignificantDigits(3);
  Doc.SetFloatAllowScientific(false);
  Doc.SetWriteOnDefault(false);
  Doc.SetUseLocalBias(true);
  Doc.SetUseFullNodes(true);
  Doc.SetAbortParsing(true);
  EXPECT_EQ(N.FloatSignificantDigits(), 3);
  EXPECT_FALSE(N.FloatAllowScientific());
  EXPECT_FALSE(N.GetWriteOnDefault());
  EXPECT_TRUE(N.UseLocalBias());
  EXPECT_TRUE(N.UseFullNodes());
  EXPECT_TRUE(N.AbortParsing());
  N.SetBinaryEncoding(xbeBinHex);
  EXPECT_EQ(Doc.BinaryEncoding(), xbeBinHex);
}
