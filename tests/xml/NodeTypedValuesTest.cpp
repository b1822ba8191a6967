// Typed values: strict getters, lenient getters with defaults, named children and attributes,
// the write-on-default rule, and binary values.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

using namespace Vorlane;

namespace {

std::unique_ptr<TXmlNode> WithValue(const char* AStored) {
  auto N = std::make_unique<TXmlNode>();
  N->SetValueDirect(AStored);
  return N;
}

std::string MessageOf(const Exception& E) { return E.MessageUtf8(); }

}  // namespace

TEST(NodeTypedStrict, BooleansLookAtTheFirstCharacterOnly) {
  TXmlNode N;
  N.SetValueAsBool(true);
  EXPECT_EQ(N.ValueDirect(), "true");
  N.SetValueAsBool(false);
  EXPECT_EQ(N.ValueDirect(), "false");
  struct {
    const char* Text;
    bool Value;
  } Cases[] = {{"0", false}, {"f", false}, {"No", false}, {"1", true}, {"t", true},
               {"yes please", true}, {"Y", true}, {"False", false}};
  for (auto& C : Cases) {
    N.SetValueDirect(C.Text);
    EXPECT_EQ(N.GetValueAsBool(), C.Value) << C.Text;
  }
  for (const char* Bad : {"", "2", "on", " true"}) {
    N.SetValueDirect(Bad);
    try {
      N.GetValueAsBool();
      FAIL() << Bad;
    } catch (const Exception& E) {
      EXPECT_EQ(MessageOf(E), "Cannot convert value to bool");
    }
    EXPECT_EQ(N.ValueDirect(), Bad);
  }
}

TEST(NodeTypedStrict, IntegersAndFloats) {
  TXmlNode N;
  N.SetValueAsInteger(-2147483647 - 1);
  EXPECT_EQ(N.ValueDirect(), "-2147483648");
  EXPECT_EQ(N.GetValueAsInteger(), -2147483647 - 1);
  N.SetValueAsInt64(5000000000LL);
  EXPECT_EQ(N.ValueDirect(), "5000000000");
  EXPECT_EQ(N.GetValueAsInt64(), 5000000000LL);
  EXPECT_THROW(N.GetValueAsInteger(), EConvertError);  // beyond 32 bits
  for (const char* Bad : {"", "12a", "1.0", "1 ", "--1", "$"}) {
    N.SetValueDirect(Bad);
    EXPECT_THROW(N.GetValueAsInteger(), EConvertError) << Bad;
    EXPECT_THROW(N.GetValueAsInt64(), EConvertError) << Bad;
  }
  // The runtime conversion takes leading blanks, a sign and hexadecimal forms.
  N.SetValueDirect("  +42");
  EXPECT_EQ(N.GetValueAsInteger(), 42);
  N.SetValueDirect("$FF");
  EXPECT_EQ(N.GetValueAsInteger(), 255);
  N.SetValueDirect("0x10");
  EXPECT_EQ(N.GetValueAsInteger(), 16);
  N.SetValueDirect("$FFFFFFFF");
  EXPECT_EQ(N.GetValueAsInteger(), -1);

  N.SetValueDirect("2,5");
  EXPECT_DOUBLE_EQ(N.GetValueAsFloat(), 2.5);
  N.SetValueDirect("-1.5E3");
  EXPECT_DOUBLE_EQ(N.GetValueAsFloat(), -1500.0);
  N.SetValueDirect(".5");
  EXPECT_DOUBLE_EQ(N.GetValueAsFloat(), 0.5);
  for (const char* Bad : {"abc", "1,000.5", "", "inf", "nan", "1e", "0x1p3", "1.5x"}) {
    N.SetValueDirect(Bad);
    try {
      N.GetValueAsFloat();
      FAIL() << Bad;
    } catch (const Exception& E) {
      EXPECT_STREQ(E.ClassName(), "Exception");
      EXPECT_EQ(MessageOf(E), "Cannot convert value to float");
    }
  }
}

TEST(NodeTypedStrict, FloatTextFollowsTheNodeSettings) {
  TXmlNode Free;
  Free.SetValueAsFloat(1234567.0);
  EXPECT_EQ(Free.ValueDirect(), "1234570");  // six digits
  Free.SetValueAsFloat(0.001234);
  EXPECT_EQ(Free.ValueDirect(), "1.234E-3");
  TXmlDocument Doc;
  Doc.SetFloatSignificantDigits(3);
  Doc.SetFloatAllowScientific(false);
  TXmlNode N(&Doc);
  N.SetValueAsFloat(0.001234);
  EXPECT_EQ(N.ValueDirect(), ".00123");
}

TEST(NodeTypedLenient, DefaultsForTextThatDoesNotConvert) {
  EXPECT_TRUE(WithValue("0")->ValueAsBoolDef(true));  // digits are not recognised
  EXPECT_FALSE(WithValue("0")->GetValueAsBool());
  EXPECT_TRUE(WithValue("")->ValueAsBoolDef(true));
  EXPECT_FALSE(WithValue("no")->ValueAsBoolDef(true));
  EXPECT_TRUE(WithValue("Yes")->ValueAsBoolDef(false));
  EXPECT_FALSE(WithValue("x")->ValueAsBoolDef(false));

  EXPECT_EQ(WithValue("")->ValueAsIntegerDef(7), 7);
  EXPECT_EQ(WithValue("12")->ValueAsIntegerDef(7), 12);
  EXPECT_EQ(WithValue("3000000000")->ValueAsIntegerDef(7), 7);
  EXPECT_EQ(WithValue("3000000000")->ValueAsInt64Def(7), 3000000000LL);
  EXPECT_EQ(WithValue("x")->ValueAsInt64Def(-1), -1);

  EXPECT_DOUBLE_EQ(WithValue("2,5")->ValueAsFloatDef(9), 2.5);
  EXPECT_DOUBLE_EQ(WithValue("abc")->ValueAsFloatDef(9), 9);
  EXPECT_DOUBLE_EQ(WithValue("")->ValueAsFloatDef(9), 9);
  EXPECT_DOUBLE_EQ(WithValue("1e999")->ValueAsFloatDef(9), 9);

  EXPECT_DOUBLE_EQ(WithValue("")->ValueAsDateTimeDef(3.5), 3.5);
  EXPECT_DOUBLE_EQ(WithValue("garbage")->ValueAsDateTimeDef(3.5), 3.5);
  // 2000-01-01 is day 36526 of the runtime's calendar.
  EXPECT_DOUBLE_EQ(WithValue("2000-01-01")->ValueAsDateTimeDef(3.5), 36526.0);
}

TEST(NodeTypedLenient, DateTimeRoundTripThroughTheValue) {
  TXmlNode N;
  N.SetValueAsDateTime(36526.5);
  EXPECT_EQ(N.ValueDirect(), "2000-01-01T12:00:00.000Z");
  EXPECT_DOUBLE_EQ(N.GetValueAsDateTime(), 36526.5);
  N.SetValueDirect("xx");
  EXPECT_THROW(N.GetValueAsDateTime(), Exception);
}

TEST(NodeNamedChildren, ReadsNeverCreateAndReturnDefaults) {
  TXmlNode P;
  EXPECT_EQ(P.ReadInteger("Missing", 5), 5);
  EXPECT_EQ(P.ReadString("Missing", "d"), "d");
  EXPECT_EQ(P.ReadUnicodeString("Missing", u"\u00e9"), u"\u00e9");
  EXPECT_TRUE(P.ReadBool("Missing", true));
  EXPECT_DOUBLE_EQ(P.ReadFloat("Missing", 1.5), 1.5);
  EXPECT_EQ(P.ReadInt64("Missing", -3), -3);
  EXPECT_DOUBLE_EQ(P.ReadDateTime("Missing", 2.0), 2.0);
  EXPECT_EQ(P.GetNodeCount(), 0);

  P.NodeNew("Empty");
  EXPECT_EQ(P.ReadString("empty", "d"), "");  // present but empty: not the default
  EXPECT_EQ(P.ReadInteger("Empty", 5), 5);
  P.NodeNew("Text")->SetValueAsString("a<b");
  EXPECT_EQ(P.ReadString("TEXT"), "a<b");
  P.NodeNew("Flag")->SetValueDirect("1");
  EXPECT_FALSE(P.ReadBool("Flag", false));  // lenient: digits give the default
  P.NodeNew("When")->SetValueDirect("2000-01-01");
  EXPECT_DOUBLE_EQ(P.ReadDateTime("When", 0), 36526.0);
}

TEST(NodeNamedChildren, WritesStoreTheirTexts) {
  TXmlNode P;
  P.WriteBool("B", true, false);
  EXPECT_EQ(P.NodeByName("B")->ValueDirect(), "True");
  P.WriteBool("B", false, false);
  EXPECT_EQ(P.NodeByName("B")->ValueDirect(), "False");
  P.WriteInt64("Big", 5000000000LL, 0);
  EXPECT_EQ(P.NodeByName("Big")->ValueDirect(), "5000000000");
  P.WriteHex("H", 255, 4, 0);
  EXPECT_EQ(P.NodeByName("H")->ValueDirect(), "$00FF");
  P.WriteHex("N", -1, 2, 0);
  EXPECT_EQ(P.NodeByName("N")->ValueDirect(), "$FFFFFFFF");
  P.WriteString("S", "<&>", "");
  EXPECT_EQ(P.NodeByName("S")->ValueDirect(), "&lt;&amp;&gt;");
  P.WriteUnicodeString("U", u"\u00fc", u"");
  EXPECT_EQ(P.NodeByName("U")->ValueDirect(), "\xc3\xbc");
  P.WriteFloat("F", 0.5, 0);
  EXPECT_EQ(P.NodeByName("F")->ValueDirect(), ".5");
  P.WriteDateTime("D", 36526.0, 0);
  EXPECT_EQ(P.NodeByName("D")->ValueDirect(), "2000-01-01");
  P.WriteInteger("I", 3, 0);
  P.WriteInteger("i", 4, 0);  // the same child, found ignoring case
  EXPECT_EQ(P.NodeByName("I")->ValueDirect(), "4");
  EXPECT_EQ(P.GetNodeCount(), 9);
  EXPECT_THROW(P.WriteInteger("a b", 1, 0), Exception);
  EXPECT_EQ(P.GetNodeCount(), 9);
}

TEST(NodeNamedChildren, WriteOnDefaultRule) {
  TXmlDocument Doc;
  TXmlNode P(&Doc);
  // With the setting on (the default) even the default value is written.
  P.WriteInteger("On", 0, 0);
  EXPECT_NE(P.NodeByName("On"), nullptr);

  Doc.SetWriteOnDefault(false);
  P.WriteInteger("Off", 5, 5);
  P.WriteBool("Off", false, false);
  P.WriteString("Off", "d", "d");
  P.WriteFloat("Off", 1.5, 1.5);
  P.WriteInt64("Off", 9, 9);
  P.WriteHex("Off", 1, 2, 1);
  P.WriteDateTime("Off", 2.0, 2.0);
  P.WriteUnicodeString("Off", u"x", u"x");
  EXPECT_EQ(P.NodeByName("Off"), nullptr);
  P.NodeByName("On")->SetValueDirect("keep");
  P.WriteInteger("On", 0, 0);
  EXPECT_EQ(P.NodeByName("On")->ValueDirect(), "keep");
  P.WriteInteger("On", 1, 0);
  EXPECT_EQ(P.NodeByName("On")->ValueDirect(), "1");
  P.WriteString("Str", "a", "A");  // byte-wise different
  EXPECT_EQ(P.ReadString("Str"), "a");
  P.WriteAttributeInteger("att", 0, 0);
  EXPECT_FALSE(P.HasAttribute("att"));
  P.WriteAttributeString("att", "x", "");
  EXPECT_EQ(P.GetAttributeByName("att"), "x");
}

TEST(NodeNamedAttributes, ReadsAndWrites) {
  TXmlNode N;
  N.WriteAttributeBool("b", true, false);
  EXPECT_EQ(N.GetAttributePair(0), "b=\"true\"");
  N.WriteAttributeBool("B", false, true);  // replaces the first of that name
  EXPECT_EQ(N.GetAttributePair(0), "b=\"false\"");
  N.WriteAttributeInteger("i", -5, 0);
  N.WriteAttributeInt64("l", 5000000000LL, 0);
  N.WriteAttributeFloat("f", 2.5, 0);
  N.WriteAttributeDateTime("d", 36526.0, 0);
  N.WriteAttributeString("s", "a\"b", "");
  EXPECT_EQ(N.GetAttributePair(1), "i=\"-5\"");
  EXPECT_EQ(N.GetAttributePair(2), "l=\"5000000000\"");
  EXPECT_EQ(N.GetAttributePair(3), "f=\"2.5\"");
  EXPECT_EQ(N.GetAttributePair(4), "d=\"2000-01-01\"");
  EXPECT_EQ(N.GetAttributePair(5), "s=\"a&quot;b\"");

  EXPECT_FALSE(N.ReadAttributeBool("b", true));
  EXPECT_EQ(N.ReadAttributeInteger("I", 1), -5);
  EXPECT_EQ(N.ReadAttributeInt64("l", 1), 5000000000LL);
  EXPECT_EQ(N.ReadAttributeInteger("l", 1), 1);
  EXPECT_DOUBLE_EQ(N.ReadAttributeFloat("f", 0), 2.5);
  EXPECT_DOUBLE_EQ(N.ReadAttributeDateTime("d", 0), 36526.0);
  EXPECT_EQ(N.ReadAttributeString("s", "x"), "a\"b");

  N.AttributeAdd("zero", "0");
  N.AttributeAdd("empty", "");
  N.AttributeAdd("bad", "maybe");
  EXPECT_FALSE(N.ReadAttributeBool("zero", true));  // strict rule knows digits
  EXPECT_TRUE(N.ReadAttributeBool("bad", true));
  EXPECT_TRUE(N.ReadAttributeBool("empty", true));
  EXPECT_EQ(N.ReadAttributeString("empty", "dflt"), "dflt");
  EXPECT_EQ(N.ReadAttributeString("missing", "dflt"), "dflt");
  EXPECT_EQ(N.ReadAttributeInteger("bad", 4), 4);
  EXPECT_DOUBLE_EQ(N.ReadAttributeFloat("bad", 4), 4);
  EXPECT_DOUBLE_EQ(N.ReadAttributeDateTime("bad", 4), 4);
  EXPECT_DOUBLE_EQ(N.ReadAttributeDateTime("empty", 4), 4);
}

TEST(NodeConversions, AnsiUnicodeUtf8) {
  EXPECT_EQ(TXmlNode::FromAnsiString("\xe9"), "\xc3\xa9");  // Windows-1252 e acute
  EXPECT_EQ(TXmlNode::FromUnicodeString(u"\u20ac"), "\xe2\x82\xac");
  EXPECT_EQ(TXmlNode::ToUnicodeString("\xe2\x82\xac"), u"\u20ac");
}

// ---------------------------------------------------------------------------------------------
// Binary values

TEST(NodeBinary, Base64InReadableDocumentIsBrokenInto76CharacterLines) {
  TXmlDocument Doc;
  Doc.SetXmlFormat(xfReadable);
  TXmlNode* Data = Doc.GetRoot()->NodeNew("Data");  // depth 1: one indent
  RawByteString Bytes;
  for (int I = 0; I < 100; ++I) Bytes += static_cast<char>(I);
  Doc.SetBinaryEncoding(xbeBinHex);
  Data->SetBinaryString(Bytes);
  EXPECT_EQ(Doc.BinaryEncoding(), xbeBinHex);  // restored

  const std::string& V = Data->ValueDirect();
  const std::string Break = "\r\n  ";
  ASSERT_EQ(V.size(), 136 + 3 * Break.size());
  EXPECT_EQ(V.substr(0, 4), Break);
  EXPECT_EQ(V.substr(4, 8), "AAECAwQF");  // bytes 00 01 02 / 03 04 05
  EXPECT_EQ(V.substr(4 + 76, 4), Break);
  EXPECT_EQ(V.substr(4 + 76 + 4 + 60), Break);
  EXPECT_EQ(V.substr(4 + 76 + 4 + 58, 2), "==");  // 100 = 33 * 3 + 1
  EXPECT_EQ(Data->GetBinaryString(), Bytes);
  EXPECT_EQ(Doc.BinaryEncoding(), xbeBinHex);
}

TEST(NodeBinary, BinHexInReadableDocumentIsIndentedToTheNodeDepth) {
  TXmlDocument Doc;
  Doc.SetXmlFormat(xfReadable);
  Doc.SetBinaryEncoding(xbeBinHex);
  TXmlNode* Data = Doc.GetRoot()->NodeNew("Group")->NodeNew("Data");  // depth 2
  unsigned char In[40];
  for (int I = 0; I < 40; ++I) In[I] = static_cast<unsigned char>(I);
  Data->BufferWrite(In, 40);
  const std::string Break = "\r\n    ";
  const std::string Hex =
      "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F2021222324252627";
  EXPECT_EQ(Data->ValueDirect(), Break + Hex.substr(0, 76) + Break + Hex.substr(76) + Break);
  EXPECT_EQ(Data->BufferLength(), 40);
  unsigned char Out[40] = {};
  Data->BufferRead(Out, 40);
  EXPECT_EQ(Out[39], 39);
  EXPECT_EQ(Out[20], 20);
}

TEST(NodeBinary, CompactDocumentAndFreeNode) {
  TXmlDocument Doc;  // compact by default, Base64 by default
  TXmlNode* Data = Doc.GetRoot()->NodeNew("Data");
  Data->SetBinaryString("ab");
  EXPECT_EQ(Data->ValueDirect(), "YWI=");
  EXPECT_EQ(Data->BufferLength(), 2);
  Data->SetBinaryString("");
  EXPECT_EQ(Data->ValueDirect(), "");
  EXPECT_EQ(Data->GetBinaryString(), "");

  TXmlNode Free;  // no document: hexadecimal text in one piece
  Free.SetBinaryString(std::string("\x01\xab", 2));
  EXPECT_EQ(Free.ValueDirect(), "01AB");
  EXPECT_EQ(Free.GetBinaryString(), std::string("\x01\xab", 2));
  EXPECT_EQ(Free.BufferLength(), 2);
}

TEST(NodeBinary, BufferOperationsFollowTheDocumentEncoding) {
  TXmlDocument Doc;
  TXmlNode N(&Doc);
  Doc.SetBinaryEncoding(xbeBinHex);
  const unsigned char In[3] = {0x00, 0x7f, 0xff};
  N.BufferWrite(In, 3);
  EXPECT_EQ(N.ValueDirect(), "007FFF");
  unsigned char Out[3] = {1, 1, 1};
  N.BufferRead(Out, 3);
  EXPECT_EQ(Out[2], 0xff);
  N.SetValueDirect("00 7\r\nFF");
  EXPECT_THROW(N.BufferLength(), EFilerError);  // five digits
  Doc.SetBinaryEncoding(xbeBase64);
  N.SetValueDirect("QUJD\r\nRA==");
  EXPECT_EQ(N.BufferLength(), 4);
  EXPECT_EQ(N.GetBinaryString(), "ABCD");
  N.BufferWrite(In, 0);
  EXPECT_EQ(N.ValueDirect(), "");
}

TEST(NodeBinary, Base64LengthCountsOnlyTrailingFillCharacters) {
  TXmlDocument Doc;  // Base64
  TXmlNode N(&Doc);
  struct {
    const char* Stored;
    Integer Length;
  } Cases[] = {{"", 0}, {"QUJD", 3}, {"QUI=", 2}, {"QQ==", 1}, {"QUJD\r\n  QQ==\r\n", 4},
               {"QU=D", 3}, {"Q==D", 3}};
  for (auto& C : Cases) {
    N.SetValueDirect(C.Stored);
    EXPECT_EQ(N.BufferLength(), C.Length) << C.Stored;
  }
  Doc.SetBinaryEncoding(xbeBinHex);
  N.SetValueDirect("0A 0b\t0C");
  EXPECT_EQ(N.BufferLength(), 3);
}

TEST(NodeBinary, ImpossibleLengthRaisesAndRestoresTheEncoding) {
  TXmlDocument Doc;
  Doc.SetBinaryEncoding(xbeBinHex);
  TXmlNode N(&Doc);
  N.SetValueDirect("QUJDRA==QU");  // ten characters
  try {
    N.GetBinaryString();
    FAIL();
  } catch (const EFilerError& E) {
    EXPECT_EQ(E.MessageUtf8(), "Error while calculating streamlength");
  }
  EXPECT_EQ(Doc.BinaryEncoding(), xbeBinHex);
}
