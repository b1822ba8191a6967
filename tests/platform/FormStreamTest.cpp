#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

#include "PlatformTestSupport.h"
#include "platform/FormFloat.h"
#include "platform/FormStream.h"

using namespace Vorlane;
using TestSupport::Bytes;
using TestSupport::MessageOf;
using TestSupport::Utf16Bytes;

namespace {

// A form whose root has the one property "Prop" with the given value.
const std::string cHead = std::string("TPF0\x06TForm1\x05" "Form1\x04Prop", 22);
std::string BinaryForm(const std::string& AValue) { return cHead + AValue + std::string(2, '\0'); }
std::string TextForm(const std::string& AValue) { return "object Form1: TForm1\r\n  Prop = " + AValue + "\r\nend\r\n"; }

std::string ToText(const std::string& ABinary, TFormStreamInfo* AInfo = nullptr) {
  TBytesStream In(ABinary), Out;
  TFormStreamInfo Info;
  ObjectBinaryToText(&In, &Out, Info);
  if (AInfo) *AInfo = Info;
  return Out.DataString();
}

std::string ToBinary(const std::string& AText, const std::string& AHeader = "") {
  TBytesStream In(AText), Out;
  ObjectTextToBinary(&In, &Out, AHeader);
  return Out.DataString();
}

void BinaryToText(TStream* AInput, TStream* AOutput) { ObjectBinaryToText(AInput, AOutput); }
void TextToBinary(TStream* AInput, TStream* AOutput) { ObjectTextToBinary(AInput, AOutput); }

// "<class>: <message>" of what AConvert raises on AForm; a failed conversion writes nothing.
std::string FailureOf(const std::string& AForm, void (*AConvert)(TStream*, TStream*)) {
  TBytesStream In(AForm), Out;
  const std::string Message = MessageOf([&] { AConvert(&In, &Out); });
  EXPECT_EQ(Out.Size(), 0);
  return Message;
}

// A form and the one message it gives.
struct TMessageCase {
  const char* Name;
  std::string Form;
  std::string Expected;
};

std::string Repeat(const std::string& S, int N) {
  std::string R;
  while (N-- > 0) R += S;
  return R;
}

std::string Le32(std::uint32_t V) { return Bytes({int(V & 0xFF), int((V >> 8) & 0xFF), int((V >> 16) & 0xFF), int(V >> 24)}); }

struct TValueCase {
  const char* Name;
  std::string Text;    // the value as the text form writes it
  std::string Binary;  // type byte and payload
};

std::vector<TValueCase> ValueCases() {
  std::string Hex32, Bin32;
  for (int I = 0; I < 32; ++I) {
    char Buf[3];
    std::snprintf(Buf, sizeof Buf, "%02X", I);
    Hex32 += Buf;
    Bin32 += static_cast<char>(I);
  }
  const std::string A64 = std::string(64, 'A');
  return {
      {"int8", "-5", Bytes({2, 0xFB})},
      {"int8 edges", "-128", Bytes({2, 0x80})},
      {"int16", "300", Bytes({3, 0x2C, 0x01})},
      {"int16 low", "-129", Bytes({3, 0x7F, 0xFF})},
      {"int32", "70000", Bytes({4, 0x70, 0x11, 0x01, 0x00})},
      {"int64", "5000000000", Bytes({19, 0x00, 0xF2, 0x05, 0x2A, 0x01, 0, 0, 0})},
      {"int64 lowest", "-9223372036854775808", Bytes({19, 0, 0, 0, 0, 0, 0, 0, 0x80})},
      {"extended", "1.500000000000000000", Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F})},
      {"extended 16 digits", "0.333333333333333300", Bytes({5, 0xDD, 0xA5, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xFD, 0x3F})},
      {"extended date", "36579.998521296290000000", Bytes({5, 0xD2, 0xEC, 0x77, 0x17, 0x9F, 0xFF, 0xE3, 0x8E, 0x0E, 0x40})},
      {"extended negative", "-2.250000000000000000", Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0x90, 0x00, 0xC0})},
      {"extended small", "0.000000100000000000", Bytes({5, 0xBC, 0x42, 0x7A, 0xE5, 0xD5, 0x94, 0xBF, 0xD6, 0xE7, 0x3F})},
      {"extended large", "1E20", Bytes({5, 0x00, 0x00, 0x62, 0xAC, 0xC5, 0xEB, 0x78, 0xAD, 0x41, 0x40})},
      {"extended zero", "0.000000000000000000", Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
      {"single", "1.5s", Bytes({15, 0x00, 0x00, 0xC0, 0x3F})},
      {"single tenth", "0.100000001490116s", Bytes({15, 0xCD, 0xCC, 0xCC, 0x3D})},
      {"currency", "15000c", Bytes({16, 0x98, 0x3A, 0, 0, 0, 0, 0, 0})},
      {"date", "45000.5d", Bytes({17, 0, 0, 0, 0, 0x10, 0xF9, 0xE5, 0x40})},
      {"string", "'Caption'", Bytes({6, 7}) + "Caption"},
      {"empty string", "''", Bytes({6, 0})},
      {"quote", "'It'#39's'", Bytes({6, 4}) + "It's"},
      {"control characters", "#9'a'#13#10'b'#127", Bytes({6, 6}) + "\ta\r\nb\x7F"},
      {"string of 64", "'" + A64 + "'", Bytes({6, 64}) + A64},
      {"string of 65 wraps", "\r\n    '" + A64 + "' +\r\n    'B'", Bytes({6, 65}) + A64 + "B"},
      {"long string", "\r\n    '" + Repeat(A64 + "' +\r\n    '", 4) + "AAAA'", Bytes({12}) + Le32(260) + std::string(260, 'A')},
      {"wide string", "'caf'#233", Bytes({18, 4, 0, 0, 0}) + Utf16Bytes(u"caf\u00E9")},
      {"surrogate pair", "#55357#56832", Bytes({18, 2, 0, 0, 0, 0x3D, 0xD8, 0x00, 0xDE})},
      {"identifier", "clBtnFace", Bytes({7, 9}) + "clBtnFace"},
      {"dotted identifier", "Form2.Button1", Bytes({7, 13}) + "Form2.Button1"},
      {"false", "False", Bytes({8})},
      {"true", "True", Bytes({9})},
      {"nil", "nil", Bytes({13})},
      {"null", "Null", Bytes({0})},
      {"empty set", "[]", Bytes({11, 0})},
      {"set", "[akLeft, akTop]", Bytes({11, 6}) + "akLeft" + Bytes({5}) + "akTop" + Bytes({0})},
      {"empty list", "()", Bytes({1, 0})},
      {"list", "(\r\n    1\r\n    'a')", Bytes({1, 2, 1, 6, 1, 'a', 0})},
      {"nested list", "(\r\n    (\r\n      1)\r\n    2)", Bytes({1, 1, 2, 1, 0, 2, 2, 0})},
      {"long string in a list", "(\r\n    \r\n      '" + A64 + "' +\r\n      'B')", Bytes({1, 6, 65}) + A64 + "B" + Bytes({0})},
      {"empty binary", "{}", Bytes({10, 0, 0, 0, 0})},
      {"short binary", "{01FF}", Bytes({10, 2, 0, 0, 0, 1, 0xFF})},
      {"binary line", "{\r\n    " + Hex32 + "}", Bytes({10, 32, 0, 0, 0}) + Bin32},
      {"binary lines", "{\r\n    " + Hex32 + "\r\n    00}", Bytes({10, 33, 0, 0, 0}) + Bin32 + Bytes({0})},
      {"empty collection", "<>", Bytes({14, 0})},
      {"collection", "<\r\n    item\r\n      Name = 'a'\r\n    end\r\n    item [3]\r\n    end>",
       Bytes({14, 1, 4}) + "Name" + Bytes({6, 1, 'a', 0, 2, 3, 1, 0, 0})},
  };
}

}  // namespace

TEST(FormStreamTest, EveryValueTypeConvertsBothWaysByteForByte) {
  for (const TValueCase& C : ValueCases()) {
    SCOPED_TRACE(C.Name);
    TFormStreamInfo Info;
    EXPECT_EQ(ToText(BinaryForm(C.Binary), &Info), TextForm(C.Text));
    EXPECT_EQ(Info.OriginalFormat, sofBinary);
    EXPECT_EQ(Info.InexactValue, u"");
    EXPECT_EQ(ToBinary(TextForm(C.Text)), BinaryForm(C.Binary));
  }
}

TEST(FormStreamTest, ComponentHeadersAndNestingConvertBothWays) {
  const struct {
    const char* Name;
    std::string Text;
    std::string Binary;
  } Cases[] = {
      {"inherited", "inherited Form1: TForm1\r\nend\r\n", Bytes({0xF1, 6}) + "TForm1" + Bytes({5}) + "Form1" + Bytes({0, 0})},
      {"inline", "inline Frame1: TFrame1\r\nend\r\n", Bytes({0xF4, 7}) + "TFrame1" + Bytes({6}) + "Frame1" + Bytes({0, 0})},
      {"child position", "object L: TLabel [2]\r\nend\r\n", Bytes({0xF2, 2, 2, 6}) + "TLabel" + Bytes({1, 'L', 0, 0})},
      {"inherited at position", "inherited L: TLabel [300]\r\nend\r\n",
       Bytes({0xF3, 3, 0x2C, 0x01, 6}) + "TLabel" + Bytes({1, 'L', 0, 0})},
      {"unnamed", "object TLabel\r\nend\r\n", Bytes({6}) + "TLabel" + Bytes({0, 0, 0})},
      {"children after properties",
       "object F: TF\r\n  A = 1\r\n  object P: TP\r\n    B = 2\r\n    object Q: TQ\r\n    end\r\n  end\r\n  object R: TR\r\n  end\r\nend\r\n",
       Bytes({2, 'T', 'F', 1, 'F', 1, 'A', 2, 1, 0, 2, 'T', 'P', 1, 'P', 1, 'B', 2, 2, 0, 2, 'T', 'Q', 1, 'Q', 0, 0, 0, 2, 'T',
              'R', 1, 'R', 0, 0, 0})},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    EXPECT_EQ(ToText("TPF0" + C.Binary), C.Text);
    EXPECT_EQ(ToBinary(C.Text), "TPF0" + C.Binary);
  }
}

// Binary forms other writers may produce: the text holds the same values, and the way back
// stores them as this writer does.
TEST(FormStreamTest, EquivalentBinaryEncodingsReadTheSame) {
  const struct {
    const char* Name;
    std::string Binary, Text, Canonical;
  } Cases[] = {
      {"wide int", BinaryForm(Bytes({4, 5, 0, 0, 0})), TextForm("5"), BinaryForm(Bytes({2, 5}))},
      {"double", BinaryForm(Bytes({21, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F})), TextForm("1.500000000000000000"),
       BinaryForm(Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F}))},
      {"UTF-8 string", BinaryForm(Bytes({20, 2, 0, 0, 0, 0xC3, 0xA9})), TextForm("#233"), BinaryForm(Bytes({18, 1, 0, 0, 0, 0xE9, 0}))},
      {"ASCII wide string", BinaryForm(Bytes({18, 2, 0, 0, 0, 'a', 0, 'b', 0})), TextForm("'ab'"), BinaryForm(Bytes({6, 2, 'a', 'b'}))},
      {"empty wide string", BinaryForm(Bytes({18, 0, 0, 0, 0})), TextForm("''"), BinaryForm(Bytes({6, 0}))},
      {"short long string", BinaryForm(Bytes({12, 1, 0, 0, 0, 'a'})), TextForm("'a'"), BinaryForm(Bytes({6, 1, 'a'}))},
      {"Ansi string", BinaryForm(Bytes({6, 2, 0xE9, 0x80})), TextForm("#233#8364"),
       BinaryForm(Bytes({18, 2, 0, 0, 0, 0xE9, 0x00, 0xAC, 0x20}))},
      {"flags byte without flags", "TPF0" + Bytes({0xF0, 1, 'T', 0, 0, 0}), "object T\r\nend\r\n", "TPF0" + Bytes({1, 'T', 0, 0, 0})},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    TFormStreamInfo Info;
    EXPECT_EQ(ToText(C.Binary, &Info), C.Text);
    EXPECT_EQ(Info.InexactValue, u"");
    EXPECT_EQ(ToBinary(C.Text), C.Canonical);
  }
}

TEST(FormStreamTest, ValuesWithoutExactTextAreReportedWithTheirOffset) {
  const std::string Float = "the floating-point value at offset 22 has no exact text form";
  const TMessageCase Cases[] = {
      {"extended beyond 16 digits", BinaryForm(Bytes({5, 0xAB, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xFD, 0x3F})), Float},
      {"extended NaN", BinaryForm(Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F})), Float},
      {"double of 17 digits", BinaryForm(Bytes({21, 0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xB9, 0x3F})), Float},
      {"date of 17 digits", BinaryForm(Bytes({17, 0x34, 0x33, 0x33, 0x33, 0x33, 0x33, 0xD3, 0x3F})), Float},
      {"currency of 19 digits", BinaryForm(Bytes({16, 0x15, 0x81, 0xE9, 0x7D, 0xF4, 0x10, 0x22, 0x11})), Float},
      {"broken UTF-8", BinaryForm(Bytes({20, 1, 0, 0, 0, 0xFF})), "the string at offset 22 has no exact text form"},
      {"identifier reading as a Boolean", BinaryForm(Bytes({7, 4}) + "True"),
       "the identifier at offset 22 would read back as another value"},
      {"identifier with a blank", BinaryForm(Bytes({7, 3}) + "a b"), "the name at offset 23 has no exact text form"},
      {"set element reading as nil", BinaryForm(Bytes({11, 3}) + "nil" + Bytes({0})),
       "the identifier at offset 23 would read back as another value"},
      {"property named end", "TPF0" + Bytes({1, 'T', 0, 3}) + "end" + Bytes({2, 1, 0, 0}), "the name at offset 7 has no exact text form"},
      {"inherited and inline", "TPF0" + Bytes({0xF5, 1, 'T', 0, 0, 0}), "the component flags at offset 4 have no text form"},
      {"class name not UTF-8", "TPF0" + Bytes({1, 0xFF, 0, 0, 0}), "the name at offset 4 has no exact text form"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    TFormStreamInfo Info;
    ToText(C.Form, &Info);
    EXPECT_EQ(UnicodeToUTF8(Info.InexactValue), C.Expected);
  }
}

TEST(FormStreamTest, InvalidBinaryFormsRaiseNamingTheOffset) {
  const std::string Deep = "TPF0" + Bytes({1, 'T', 0, 1, 'P'}) + std::string(200, '\x01') + std::string(202, '\0');
  const TMessageCase Cases[] = {
      {"empty", "", "EFilerError: Not a form file"},
      {"other data", "<?xml version=\"1.0\"?>", "EFilerError: Not a form file"},
      {"signature only", "TPF0", "EReadError: Form data ends early: 1 bytes needed at offset 4, 0 left"},
      {"unknown value type", BinaryForm(Bytes({22})), "EReadError: Invalid property value (type 22) at offset 22"},
      {"long string past the end", BinaryForm(Bytes({12, 0xFF, 0xFF, 0xFF, 0xFF})),
       "EReadError: Form data ends early: 4294967295 bytes needed at offset 27, 2 left"},
      {"wide string past the end", BinaryForm(Bytes({18, 0xFF, 0xFF, 0xFF, 0xFF})),
       "EReadError: Form data ends early: 8589934590 bytes needed at offset 27, 2 left"},
      {"binary past the end", BinaryForm(Bytes({10, 0, 0, 0, 0x80})), "EReadError: Form data ends early: 2147483648 bytes needed"},
      {"deep lists", Deep, "EReadError: Form nested deeper than 128 levels at offset 136"},
      {"data after the form", BinaryForm(Bytes({8})) + "x", "EReadError: Unexpected data after the end of the form at offset 25"},
      {"child position not an integer", "TPF0" + Bytes({0xF2, 6, 1, 'x', 1, 'T', 0, 0, 0}),
       "EReadError: Invalid child position (type 6) at offset 5"},
      {"collection item without list", BinaryForm(Bytes({14, 8, 0})), "EReadError: Invalid property value (type 8) at offset 23"},
      {"resource of another type", Bytes({0xFF, 0x0A, 0x01, 'X', 0, 0x30, 0x10}) + Le32(4) + "TPF0",
       "EReadError: Invalid resource header at offset 0"},
      {"resource name without end", Bytes({0xFF, 0x0A, 0x00, 'X', 'Y'}), "EReadError: Invalid resource header at offset 0"},
      {"resource size too large", Bytes({0xFF, 0x0A, 0x00, 'X', 0, 0x30, 0x10}) + Le32(100) + BinaryForm(Bytes({8})),
       "EReadError: The resource header at offset 0 announces 100 bytes of form data, but 25 bytes follow"},
      {"resource without signature", Bytes({0xFF, 0x0A, 0x00, 'X', 0, 0x30, 0x10}) + Le32(4) + "TPF1",
       "EReadError: Form signature \"TPF0\" missing at offset 11"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    EXPECT_EQ(FailureOf(C.Form, BinaryToText).substr(0, C.Expected.size()), C.Expected);
  }
}

// Every cut of a form holding every kind of value raises a read error: no read past the end.
TEST(FormStreamTest, EveryTruncationOfABinaryFormRaises) {
  std::string Values;
  for (const TValueCase& C : ValueCases()) Values += Bytes({4}) + "Prop" + C.Binary;
  const std::string Form = Bytes({0xFF, 0x0A, 0x00, 'T', 0, 0x30, 0x10}) + Le32(0) + "TPF0" +
                           Bytes({0xF3, 2, 1, 6}) + "TForm1" + Bytes({5}) + "Form1" + Values + Bytes({0}) +
                           Bytes({1, 'T', 0, 0, 0, 0});
  const std::string Sized = Form.substr(0, 7) + Le32(static_cast<std::uint32_t>(Form.size() - 11)) + Form.substr(11);
  ASSERT_NE(ToText(Sized), "");
  for (size_t Cut = 0; Cut < Sized.size(); ++Cut) {
    // Cut the size field as well, so that the body is read and not refused up front.
    std::string Part = Sized.substr(0, Cut);
    if (Cut >= 11) Part = Part.substr(0, 7) + Le32(static_cast<std::uint32_t>(Cut - 11)) + Part.substr(11);
    TBytesStream In(Part), Out;
    EXPECT_THROW(ObjectBinaryToText(&In, &Out), EStreamError) << "cut at " << Cut;
  }
}

// A form too large to hold its text whole is checked first and then written out in pieces:
// the same text (with the byte-order mark a name beyond ASCII asks for), and nothing at all
// when the form turns out invalid.
TEST(FormStreamTest, LargeBinaryFormsConvertLikeSmallOnes) {
  const std::string Data(size_t{3} << 20, '\xA5');
  const std::string Form = "TPF0" + Bytes({6}) + "TForm1" + Bytes({2, 0xC3, 0xA9, 4}) + "Prop" + Bytes({10}) +
                           Le32(static_cast<std::uint32_t>(Data.size())) + Data + Bytes({0, 0});
  std::string Expected = "\xEF\xBB\xBFobject \xC3\xA9: TForm1\r\n  Prop = {";
  for (size_t I = 0; I < Data.size(); I += 32) Expected += "\r\n    " + Repeat("A5", 32);
  const std::string Text = ToText(Form);  // compared whole: a diff of megabytes would not end
  EXPECT_TRUE(Text == Expected + "}\r\nend\r\n") << Text.substr(0, 40);
  EXPECT_EQ(FailureOf(Form.substr(0, Form.size() - 1), BinaryToText),
            "EReadError: Form data ends early: 1 bytes needed at offset 3145753, 0 left");
}

TEST(FormStreamTest, InvalidTextFormsRaiseNamingTheLine) {
  const std::string Start = "object Form1: TForm1\r\n";
  const TMessageCase Cases[] = {
      {"missing equals sign", Start + "  Prop 5\r\nend\r\n", "\"=\" expected on line 2"},
      {"unterminated string", Start + "  Prop = 'abc\r\nend\r\n", "Unterminated string on line 2"},
      {"letters after a number", Start + "  Prop = 12abc\r\nend\r\n", "Invalid number on line 2"},
      {"integer too large", Start + "  Prop = 9223372036854775808\r\nend\r\n", "Number out of range on line 2"},
      {"float too large", Start + "  Prop = 1e40s\r\nend\r\n", "Number out of range on line 2"},
      {"character code too large", Start + "  Prop = #65536\r\nend\r\n", "Character code out of range on line 2"},
      {"odd hex digits", Start + "  Prop = {\r\n    ABC}\r\nend\r\n", "Invalid binary value on line 3"},
      {"no value", Start + "  Prop = )\r\nend\r\n", "Value expected on line 2"},
      {"string after plus", Start + "  Prop = 'a' +\r\n    5\r\nend\r\n", "String expected on line 3"},
      {"collection without item", Start + "  Prop = <\r\n    entry\r\n  end>\r\nend\r\n", "\"item\" expected on line 3"},
      {"unclosed list", Start + "  Prop = (\r\n    1\r\n", "\")\" expected on line 4"},
      {"missing end", Start + "  Prop = 1\r\n", "Identifier expected on line 3"},
      {"text after the end", Start + "end\r\nend\r\n", "Unexpected text after the end of the form on line 3"},
      {"name too long", Start + "  " + std::string(256, 'N') + " = 1\r\nend\r\n", "Name longer than 255 bytes on line 2"},
      {"deep lists", Start + "  Prop = " + std::string(200, '(') + std::string(200, ')') + "\r\nend\r\n",
       "Form nested deeper than 128 levels on line 2"},
      {"not a form at all", "objection\r\n", "\"object\" expected on line 1"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    EXPECT_EQ(FailureOf(C.Form, TextToBinary), "EParserError: " + C.Expected);
    // Reading a text form checks it the same way before copying it.
    if (C.Form.compare(0, 6, "object") == 0 && C.Form.compare(0, 9, "objection") != 0) {
      EXPECT_EQ(FailureOf(C.Form, BinaryToText), "EParserError: " + C.Expected);
    }
  }
}

TEST(FormStreamTest, FormatIsTestedWithoutMovingTheStream) {
  const struct {
    std::string Data;
    TStreamOriginalFormat Expected;
  } Cases[] = {
      {"TPF0", sofBinary},
      {Bytes({0xFF, 0x0A, 0x00}), sofBinary},
      {"object A: TA", sofText},
      {" \r\n\tINHERITED A: TA", sofText},
      {"\xEF\xBB\xBFinline A: TA", sofUTF8Text},
      {"objects", sofUnknown},
      {"", sofUnknown},
      {Utf16Bytes(u"\uFEFFobject"), sofUnknown},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Data);
    TBytesStream S("xy" + C.Data);
    S.SetPosition(2);
    EXPECT_EQ(TestStreamFormat(&S), C.Expected);
    EXPECT_EQ(S.Position(), 2);
  }
}

TEST(FormStreamTest, TextFormsAreCopiedUnchangedAndReportTheirEncoding) {
  const std::string Ansi = "object A: TA\n  Caption = 'caf\xE9'\nend";
  const std::string Utf8 = "\xEF\xBB\xBFobject A: TA\r\n  Caption = 'caf\xC3\xA9'\r\nend\r\n";
  TFormStreamInfo Info;
  EXPECT_EQ(ToText(Ansi, &Info), Ansi);
  EXPECT_EQ(Info.OriginalFormat, sofText);
  EXPECT_EQ(ToText(Utf8, &Info), Utf8);
  EXPECT_EQ(Info.OriginalFormat, sofUTF8Text);
  // Both read as the same characters.
  EXPECT_EQ(ToBinary(Ansi), "TPF0" + Bytes({2, 'T', 'A', 1, 'A', 7}) + "Caption" + Bytes({18, 4, 0, 0, 0}) +
                                Utf16Bytes(u"caf\u00E9") + Bytes({0, 0}));
  EXPECT_EQ(ToBinary(Utf8), ToBinary(Ansi));
  // A name with other than ASCII characters makes the text UTF-8 with a byte-order mark.
  const std::string Named = "TPF0" + Bytes({2, 'T', 'A', 2, 0xC3, 0xA9, 0, 0});
  EXPECT_EQ(ToText(Named), "\xEF\xBB\xBFobject \xC3\xA9: TA\r\nend\r\n");
  EXPECT_EQ(ToBinary(ToText(Named)), Named);
}

TEST(FormStreamTest, ResourceHeaderIsReportedAndWrittenWithTheNewSize) {
  const std::string Header = Bytes({0xFF, 0x0A, 0x00}) + "TFORM1" + Bytes({0, 0x30, 0x10});
  const std::string Body = BinaryForm(Bytes({2, 7}));
  TFormStreamInfo Info;
  const std::string Text = ToText(Header + Le32(static_cast<std::uint32_t>(Body.size())) + Body, &Info);
  EXPECT_EQ(Text, TextForm("7"));
  EXPECT_EQ(Info.ResourceHeader, Header);
  const std::string Shorter = "object Form1: TForm1\r\nend\r\n";
  const std::string ShorterBody = "TPF0" + Bytes({6}) + "TForm1" + Bytes({5}) + "Form1" + Bytes({0, 0});
  EXPECT_EQ(ToBinary(Shorter, Header), Header + Le32(static_cast<std::uint32_t>(ShorterBody.size())) + ShorterBody);
  // A bare stream has no header to report.
  ToText(Body, &Info);
  EXPECT_EQ(Info.ResourceHeader, "");
}

// The decimal conversions against the C library's, where long double is the same 10-byte type.
TEST(FormFloatTest, DecimalConversionsAgreeWithTheHostsExtendedType) {
  if (std::numeric_limits<long double>::digits != 64) GTEST_SKIP() << "long double is not the 10-byte extended type here";
  std::mt19937_64 Random(20261209);
  for (int I = 0; I < 3000; ++I) {
    // Parsing: random digit strings and exponents, some near the ends of the range.
    const int Exp = I % 10 == 0 ? static_cast<int>(Random() % 9800) - 4900 : static_cast<int>(Random() % 80) - 40;
    std::string Text = std::to_string(Random() % 100000000000000000ULL) + "." + std::to_string(Random() % 1000000) + "e" + std::to_string(Exp);
    std::uint8_t Mine[10];
    ASSERT_EQ(FormFloat::ParseDecimal(Text, FormFloat::TTarget::Extended, Mine), FormFloat::TParseResult::Ok) << Text;
    const long double Host = std::strtold(Text.c_str(), nullptr);
    EXPECT_EQ(std::memcmp(Mine, &Host, 10), 0) << Text;

    // Printing: 16 significant digits of random bit patterns.
    std::uint8_t Value[10];
    for (auto& B : Value) B = static_cast<std::uint8_t>(Random());
    Value[7] |= 0x80;                                            // normal numbers only
    Value[9] = static_cast<std::uint8_t>((Value[9] & 0x80) | 0x3F);  // 2^-255 to 2
    long double V;
    std::memcpy(&V, Value, 10);
    char Expected[64];
    std::snprintf(Expected, sizeof Expected, "%.15Le", V);
    const std::string General = FormFloat::FormatGeneral(FormFloat::FromExtended(Value), 16);
    long double Back = std::strtold(General.c_str(), nullptr), Want = std::strtold(Expected, nullptr);
    EXPECT_EQ(Back, Want) << General << " against " << Expected;
  }
}
