#include <gtest/gtest.h>

#include "platform/Encoding.h"
#include "platform/StringList.h"
#include "PlatformTestSupport.h"

using namespace Vorlane;
using PlatformTest::S8;
using PlatformTest::TScratch;

TEST(FormatTest, DirectivesOfTheRuntime) {
  EXPECT_EQ(Format(u"elapsed time: %d ms", {Int64(1234567890123)}), u"elapsed time: 1234567890123 ms");
  EXPECT_EQ(Format(u"Version %d.%d.%d.%d", {1, 0, 12, 345}), u"Version 1.0.12.345");
  EXPECT_EQ(Format(u"%s %s", {u"VorlaneCmd", "<no version info>"}), u"VorlaneCmd <no version info>");
  EXPECT_EQ(Format(u"%.4d|%.4d|%.2d", {7, -7, 12345}), u"0007|-0007|12345");
  EXPECT_EQ(Format(u"[%5d][%-5d][%3s]", {42, 42, "ab"}), u"[   42][42   ][ ab]");
  EXPECT_EQ(Format(u"100%%", {}), u"100%");
  EXPECT_EQ(Format(u"%s", {u"\u00E9\U0001F600"}), u"\u00E9\U0001F600");
  EXPECT_THROW(Format(u"%d", {"text"}), EConvertError);
  EXPECT_THROW(Format(u"%s", {3}), EConvertError);
  EXPECT_THROW(Format(u"%d %d", {1}), EConvertError);
  EXPECT_THROW(Format(u"50%", {}), EConvertError);
  EXPECT_EQ(FormatUtf8("%s: %d", {"caf\xC3\xA9", 3}), "caf\xC3\xA9: 3");
}

TEST(ConversionTest, Utf8Utf16AndAnsi) {
  EXPECT_EQ(UTF8ToUnicode("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), u"A\u00E9\u20AC\U0001F600");
  EXPECT_EQ(UnicodeToUTF8(u"A\u00E9\u20AC\U0001F600"), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  // Ill-formed input becomes U+FFFD: a stray continuation byte, an overlong form, an encoded
  // surrogate, a truncated sequence, a lone surrogate on the UTF-16 side.
  EXPECT_EQ(UTF8ToUnicode("a\x80" "b"), u"a\uFFFDb");
  EXPECT_EQ(UTF8ToUnicode("\xC0\xAF"), u"\uFFFD\uFFFD");
  EXPECT_EQ(UTF8ToUnicode("\xED\xA0\x80").substr(0, 1), u"\uFFFD");
  EXPECT_EQ(UTF8ToUnicode("x\xE2\x82").substr(0, 2), u"x\uFFFD");
  EXPECT_EQ(UnicodeToUTF8(UnicodeString(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  // Windows-1252: the 0x80..0x9F block holds typographic characters.
  EXPECT_EQ(AnsiToUnicode("\x80\x8A\x93\xE9\xFF"), u"\u20AC\u0160\u201C\u00E9\u00FF");
  EXPECT_EQ(UnicodeToAnsi(u"\u20AC\u0160\u201C\u00E9\u00FF"), "\x80\x8A\x93\xE9\xFF");
  EXPECT_EQ(UnicodeToAnsi(u"\u4E2D\U0001F600"), "??");
  EXPECT_EQ(AnsiToUnicode("\x81"), u"\u0081");
}

TEST(EncodingTest, ByteOrderMarkDetection) {
  TEncoding* E = nullptr;
  EXPECT_EQ(TEncoding::GetBufferEncoding({0xEF, 0xBB, 0xBF, 'a'}, E, nullptr), 3);
  EXPECT_EQ(E, TEncoding::UTF8());
  E = nullptr;
  EXPECT_EQ(TEncoding::GetBufferEncoding({0xFF, 0xFE, 'a', 0}, E, nullptr), 2);
  EXPECT_EQ(E, TEncoding::Unicode());
  E = nullptr;
  EXPECT_EQ(TEncoding::GetBufferEncoding({0xFE, 0xFF, 0, 'a'}, E, nullptr), 2);
  EXPECT_EQ(E, TEncoding::BigEndianUnicode());
  E = nullptr;
  EXPECT_EQ(TEncoding::GetBufferEncoding({'a', 'b'}, E, TEncoding::UTF8NoBOM()), 0);
  EXPECT_EQ(E, TEncoding::UTF8NoBOM());
  E = nullptr;
  EXPECT_EQ(TEncoding::GetBufferEncoding({}, E, nullptr), 0);
  EXPECT_EQ(E, TEncoding::ANSI());
  // A given encoding only reports the length of its own preamble.
  E = TEncoding::Unicode();
  EXPECT_EQ(TEncoding::GetBufferEncoding({0xEF, 0xBB, 0xBF}, E, nullptr), 0);
  EXPECT_EQ(TEncoding::UTF8()->GetString(TBytes{0xC3, 0xA9}), u"\u00E9");
  EXPECT_EQ(TEncoding::Unicode()->GetString(TBytes{'a', 0, 'b'}), u"a\uFFFD");
}

TEST(EncodingTest, AdjustLineBreaksMakesCrLf) {
  EXPECT_EQ(AdjustLineBreaks(u"a\nb\rc\r\nd\n\re\n\nf"), u"a\r\nb\r\nc\r\nd\r\ne\r\n\r\nf");
  EXPECT_EQ(AdjustLineBreaks(u"\r\r"), u"\r\n\r\n");
  EXPECT_EQ(AdjustLineBreaks(u""), u"");
}

TEST(StringListTest, TextSplittingAndJoining) {
  TStringList L;
  L.SetText(u"a\r\nb\nc\rd\r\n");
  ASSERT_EQ(L.Count(), 4);
  EXPECT_EQ(L[3], u"d");
  EXPECT_EQ(L.Text(), u"a\r\nb\r\nc\r\nd\r\n");
  L.SetText(u"a\n\nb");
  EXPECT_EQ(L.Count(), 3);
  EXPECT_EQ(L[1], u"");
  L.SetTrailingLineBreak(false);
  EXPECT_EQ(L.Text(), u"a\r\n\r\nb");
  L.SetText(u"");
  EXPECT_EQ(L.Count(), 0);
  EXPECT_THROW(L.Strings(0), EListError);
  L.Add(u"Beta");
  L.Add(u"alpha");
  L.Insert(0, u"Gamma");
  EXPECT_EQ(L.IndexOf(u"ALPHA"), 2);
  EXPECT_EQ(L.IndexOf(u"delta"), -1);
  L.Sort();
  EXPECT_EQ(L[0], u"alpha");
  EXPECT_EQ(L[2], u"Gamma");
  L.Delete(0);
  EXPECT_EQ(L.Count(), 2);
  EXPECT_THROW(L.Delete(2), EListError);
  EXPECT_THROW(L.Insert(4, u"x"), EListError);
}

TEST(StringListTest, LoadAndSaveKeepTheEncoding) {
  TScratch Dir;
  Dir.Touch("bom.txt", "\xEF\xBB\xBF" "caf\xC3\xA9\r\nx\r\n");
  Dir.Touch("ansi.txt", "caf\xE9\nx");
  TStringList L;
  L.LoadFromFile(Dir.U("bom.txt"));
  EXPECT_EQ(L.Encoding(), TEncoding::UTF8());
  ASSERT_EQ(L.Count(), 2);
  EXPECT_EQ(L[0], u"caf\u00E9");
  L.Add(u"\u20AC");
  L.SaveToFile(Dir.U("bom-out.txt"));  // in the encoding it was read with
  EXPECT_EQ(PlatformTest::ReadBytes(Dir.Path() / "bom-out.txt"), "\xEF\xBB\xBF" "caf\xC3\xA9\r\nx\r\n\xE2\x82\xAC\r\n");

  TStringList A;
  A.LoadFromFile(Dir.U("ansi.txt"));
  EXPECT_EQ(A.Encoding(), TEncoding::ANSI());
  EXPECT_EQ(A[0], u"caf\u00E9");
  A.SaveToFile(Dir.U("ansi-out.txt"));
  EXPECT_EQ(PlatformTest::ReadBytes(Dir.Path() / "ansi-out.txt"), "caf\xE9\r\nx\r\n");
  A.SaveToFile(Dir.U("le.txt"), TEncoding::Unicode());
  EXPECT_EQ(PlatformTest::ReadBytes(Dir.Path() / "le.txt"),
            std::string("\xFF\xFE" "c\0a\0f\0\xE9\0\r\0\n\0x\0\r\0\n\0", 20));
  A.SetWriteBOM(false);
  A.SaveToFile(Dir.U("nobom.txt"), TEncoding::UTF8());
  EXPECT_EQ(PlatformTest::ReadBytes(Dir.Path() / "nobom.txt"), "caf\xC3\xA9\r\nx\r\n");

  TStringList Fresh;  // never loaded: the default encoding, ANSI
  Fresh.Add(u"\u00E9\u4E2D");
  Fresh.SaveToFile(Dir.U("fresh.txt"));
  EXPECT_EQ(PlatformTest::ReadBytes(Dir.Path() / "fresh.txt"), "\xE9?\r\n");
  EXPECT_THROW(Fresh.LoadFromFile(Dir.U("missing.txt")), EFOpenError);
  EXPECT_THROW(Fresh.SaveToFile(Dir.U("missing/x.txt")), EFCreateError);
}
