#include <gtest/gtest.h>

#include <cstring>

#include "common/TestSupport.h"
#include "platform/SysUtils.h"
#include "xml/XmlStreams.h"
#include "xml/XmlText.h"

using namespace Vorlane;

namespace {

using TestSupport::MessageOf;

// Reads everything the codec hands out, one byte at a time.
std::string ReadAll(TvxCodecStream& c) {
  std::string out;
  char ch;
  while (c.Read(&ch, 1) == 1) out += ch;
  return out;
}

using TestSupport::Bytes;

std::string Decode(const std::string& input, TStringEncodingType* detected = nullptr) {
  TBytesStream src(input);
  TvxUtf8Stream c(&src);
  std::string out = ReadAll(c);
  if (detected) *detected = c.Encoding();
  return out;
}

std::string Encode(const std::string& utf8, TStringEncodingType enc) {
  TBytesStream dst;
  {
    TvxUtf8Stream c(&dst);
    c.SetEncoding(enc);
    if (!utf8.empty()) c.Write(utf8.data(), static_cast<Integer>(utf8.size()));
  }
  return dst.DataString();
}

std::string Utf16LE(const std::u16string& s) { return TestSupport::Utf16Bytes(s, false); }
std::string Utf16BE(const std::u16string& s) { return TestSupport::Utf16Bytes(s, true); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Detection, row by row

TEST(StreamCodecDetect, MarkedEncodingsSkipTheirMark) {
  TStringEncodingType e;
  EXPECT_EQ(Decode("\xEF\xBB\xBF<a/>", &e), "<a/>");
  EXPECT_EQ(e, seUTF8);
  EXPECT_EQ(Decode("\xFF\xFE" + Utf16LE(u"<a/>"), &e), "<a/>");
  EXPECT_EQ(e, seUTF16LE);
  EXPECT_EQ(Decode("\xFE\xFF" + Utf16BE(u"<a/>"), &e), "<a/>");
  EXPECT_EQ(e, seUTF16BE);
}

TEST(StreamCodecDetect, UnmarkedEncodingsStartAtTheFirstByte) {
  TStringEncodingType e;
  EXPECT_EQ(Decode(Utf16LE(u"<?xml?><a/>"), &e), "<?xml?><a/>");
  EXPECT_EQ(e, seUTF16LE);
  EXPECT_EQ(Decode(Utf16BE(u"<?xml?><a/>"), &e), "<?xml?><a/>");
  EXPECT_EQ(e, seUTF16BE);
  EXPECT_EQ(Decode("<?xml version=\"1.0\"?>", &e), "<?xml version=\"1.0\"?>");
  EXPECT_EQ(e, seAnsi);
  EXPECT_EQ(Decode("<root>\xE9</root>", &e), "<root>\xC3\xA9</root>");  // no row: Ansi
  EXPECT_EQ(e, seAnsi);
}

TEST(StreamCodecDetect, RefusedEncodingsRaiseOnTheFirstRead) {
  const std::string refused[] = {
      Bytes({0x00, 0x00, 0xFE, 0xFF, 0, 0, 0, 0x3C}),  // row 0
      Bytes({0x00, 0x00, 0xFF, 0xFE}),                 // row 2
      Bytes({0xFE, 0xFF, 0x00, 0x00}),                 // row 3
      Bytes({0x00, 0x00, 0x00, 0x3C}),                 // row 7
      Bytes({0x00, 0x00, 0x3C, 0x00}),                 // row 9
      Bytes({0x00, 0x3C, 0x00, 0x00}),                 // row 10
      Bytes({0x4C, 0x6F, 0xA7, 0x94}),                 // row 14
      std::string(),                                   // empty: row 0 with nothing compared
  };
  for (const auto& r : refused)
    EXPECT_EQ(MessageOf([&] { Decode(r); }), "EStreamError: Unsupported string encoding") << r.size();
}

TEST(StreamCodecDetect, Ucs4LittleEndianIsRecognisedThenRefusedWhenDecoding) {
  TStringEncodingType e = seAnsi;
  for (const std::string& input : {Bytes({0xFF, 0xFE, 0x00, 0x00, 0x3C, 0, 0, 0}),  // row 1
                                   Bytes({0x3C, 0x00, 0x00, 0x00}),                 // row 8
                                   std::string("<")}) {                             // row 8, short
    TBytesStream src(input);
    TvxUtf8Stream c(&src);
    char ch;
    EXPECT_EQ(MessageOf([&] { c.Read(&ch, 1); }), "EStreamError: Unsupported string encoding");
    e = c.Encoding();
    EXPECT_EQ(e, seUCS4LE);
  }
}

TEST(StreamCodecDetect, MissingStreamAndWrongUse) {
  TvxUtf8Stream none(nullptr);
  char ch[2];
  EXPECT_EQ(MessageOf([&] { none.Read(ch, 1); }), "EStreamError: Encoding stream unassigned");

  TBytesStream src("<a/>");
  TvxUtf8Stream c(&src);
  EXPECT_EQ(MessageOf([&] { c.Seek(0, soCurrent); }),
            "EStreamError: Cannot seek before reading or writing in conversion stream");
  EXPECT_EQ(MessageOf([&] { c.Read(ch, 2); }),
            "EStreamError: Cannot read multiple chars from conversion stream at once");
  EXPECT_EQ(MessageOf([&] { c.Write("x", 1); }), "EStreamError: Cannot write to an UTF stream opened for reading");

  TBytesStream dst;
  TvxUtf8Stream w(&dst);
  w.SetEncoding(seUTF8);
  w.Write("x", 1);
  EXPECT_EQ(MessageOf([&] { w.Read(ch, 1); }),
            "EStreamError: Cannot read from a conversion stream opened for writing");
}

// ---------------------------------------------------------------------------------------------
// Reading

TEST(StreamCodecRead, ZeroByteEndsTheInput) {
  EXPECT_EQ(Decode(std::string("\xEF\xBB\xBF" "ab\0cd", 8)), "ab");
}

TEST(StreamCodecRead, Utf8PassesThroughUnchangedIncludingFourByteSequences) {
  std::string text = "\xEF\xBB\xBF<a>\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80</a>";
  EXPECT_EQ(Decode(text), text.substr(3));
}

TEST(StreamCodecRead, MalformedUtf8NeverSwallowsFollowingCharacters) {
  // Lone continuation bytes, a lead byte followed by "<", and a truncated sequence at the end.
  std::string body = "\x80<a\xC3<b\xE2\x82<c\xBF\xBF\xF0\x9F";
  EXPECT_EQ(Decode("\xEF\xBB\xBF" + body), body);
}

TEST(StreamCodecRead, Utf16SurrogatePairsBecomeFourByteSequences) {
  std::u16string text = u"<a>\u00E9\U0001F600</a>";
  std::string expected = "<a>\xC3\xA9\xF0\x9F\x98\x80</a>";
  EXPECT_EQ(Decode("\xFF\xFE" + Utf16LE(text)), expected);
  EXPECT_EQ(Decode("\xFE\xFF" + Utf16BE(text)), expected);
}

TEST(StreamCodecRead, LoneSurrogatesKeepTheirThreeByteFormAndTheNextUnitSurvives) {
  std::u16string text = u"<";
  text += static_cast<char16_t>(0xD83D);
  text += u"x";
  text += static_cast<char16_t>(0xDE00);
  EXPECT_EQ(Decode("\xFF\xFE" + Utf16LE(text)), "<\xED\xA0\xBDx\xED\xB8\x80");
  // A high surrogate as the very last unit.
  std::u16string tail = u"<";
  tail += static_cast<char16_t>(0xD83D);
  EXPECT_EQ(Decode("\xFF\xFE" + Utf16LE(tail)), "<\xED\xA0\xBD");
}

TEST(StreamCodecRead, OddLengthUtf16ReadsTheLastByteWithAZeroPartner) {
  EXPECT_EQ(Decode("\xFF\xFE" + Utf16LE(u"<a") + "b"), "<ab");
  EXPECT_EQ(Decode("\xFE\xFF" + Utf16BE(u"<a") + std::string(1, '\0')), "<a");
}

TEST(StreamCodecRead, SteppingBackLandsOnCharacterStarts) {
  // Characters of one, two, three and four bytes: step back one and two after each.
  std::string body = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";
  TBytesStream src("\xEF\xBB\xBF" + body);
  TvxUtf8Stream c(&src);
  std::string seen;
  char ch;
  // Read "a" and all of "é": step back one gives "é" again, two gives "aé" again.
  ASSERT_EQ(c.Read(&ch, 1), 1);
  ASSERT_EQ(c.Read(&ch, 1), 1);
  ASSERT_EQ(c.Read(&ch, 1), 1);
  EXPECT_EQ(c.Seek(-1, soCurrent), 0);
  ASSERT_EQ(c.Read(&ch, 1), 1);
  EXPECT_EQ(ch, '\xC3');
  ASSERT_EQ(c.Read(&ch, 1), 1);
  // Now the euro sign and the whole emoji.
  for (int i = 0; i < 7; ++i) ASSERT_EQ(c.Read(&ch, 1), 1);
  EXPECT_EQ(ch, '\x80');
  c.Seek(-2, soCurrent);
  for (int i = 0; i < 8; ++i) {
    ASSERT_EQ(c.Read(&ch, 1), 1);
    seen += ch;
  }
  EXPECT_EQ(seen, "\xE2\x82\xAC\xF0\x9F\x98\x80z");
}

TEST(StreamCodecRead, SteppingBackWorksOnUtf16Pairs) {
  TBytesStream src("\xFF\xFE" + Utf16LE(u"<\U0001F600>"));
  TvxUtf8Stream c(&src);
  char ch;
  for (int i = 0; i < 5; ++i) ASSERT_EQ(c.Read(&ch, 1), 1);
  c.Seek(-1, soCurrent);
  std::string again;
  while (c.Read(&ch, 1) == 1) again += ch;
  EXPECT_EQ(again, "\xF0\x9F\x98\x80>");
}

TEST(StreamCodecRead, SwitchingToUtf8AfterTheDeclaration) {
  // Detected as Ansi by "<?xm"; after switching, the rest decodes as UTF-8.
  TBytesStream src("<?xm\xC3\xA9");
  TvxUtf8Stream c(&src);
  char ch;
  for (int i = 0; i < 4; ++i) ASSERT_EQ(c.Read(&ch, 1), 1);
  EXPECT_EQ(c.Encoding(), seAnsi);
  c.SetEncoding(seUTF8);
  std::string rest;
  while (c.Read(&ch, 1) == 1) rest += ch;
  EXPECT_EQ(rest, "\xC3\xA9");
}

TEST(StreamCodecRead, PositionAndSizeFollowTheWrappedStream) {
  TBytesStream src("\xEF\xBB\xBF" "abc");
  TvxUtf8Stream c(&src);
  char ch;
  c.Read(&ch, 1);
  EXPECT_EQ(c.Position(), 4);
  EXPECT_EQ(c.Size(), 6);
  EXPECT_EQ(c.Seek(2, soBeginning), 0);
  EXPECT_EQ(c.Position(), 4);
  EXPECT_EQ(MessageOf([&] { c.Seek(1, soCurrent); }), "EStreamError: Cannot perform seek on codec stream");
  EXPECT_EQ(MessageOf([&] { c.Seek(-1, soEnd); }), "EStreamError: Cannot perform seek on codec stream");
}

// ---------------------------------------------------------------------------------------------
// Writing

TEST(StreamCodecWrite, ByteOrderMarksPerEncoding) {
  EXPECT_EQ(Encode("<a/>", seUTF8), "\xEF\xBB\xBF<a/>");
  EXPECT_EQ(Encode("<a/>", seUTF16LE), "\xFF\xFE" + Utf16LE(u"<a/>"));
  EXPECT_EQ(Encode("<a/>", seUTF16BE), "\xFE\xFF" + Utf16BE(u"<a/>"));
  EXPECT_EQ(Encode("<a/>", se16BitLE), Utf16LE(u"<a/>"));
  EXPECT_EQ(Encode("<a/>", se16BitBE), Utf16BE(u"<a/>"));
  EXPECT_EQ(Encode("<a/>", seAnsi), "<a/>");
  EXPECT_EQ(Encode("", seUTF8), "");  // nothing written, not even the mark
}

TEST(StreamCodecWrite, RefusedEncodings) {
  for (TStringEncodingType e : {seUCS4BE, seUCS4_2143, seUCS4_3412, seEBCDIC})
    EXPECT_EQ(MessageOf([&] { Encode("a", e); }), "EStreamError: Unsupported string encoding");
  EXPECT_EQ(MessageOf([&] { Encode("a", static_cast<TStringEncodingType>(42)); }),
            "EStreamError: Unsupported string encoding");
  TBytesStream dst;
  TvxUtf8Stream c(&dst);
  c.SetEncoding(seUCS4LE);
  EXPECT_EQ(MessageOf([&] { c.Write("a", 1); }), "EStreamError: Unsupported string encoding");
  EXPECT_EQ(dst.DataString(), Bytes({0xFF, 0xFE, 0x00, 0x00}));
}

TEST(StreamCodecWrite, Utf16ConvertsAllCharacterLengthsIncludingPairs) {
  std::string utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  EXPECT_EQ(Encode(utf8, seUTF16LE), "\xFF\xFE" + Utf16LE(u"a\u00E9\u20AC\U0001F600"));
  EXPECT_EQ(Encode(utf8, seUTF16BE), "\xFE\xFF" + Utf16BE(u"a\u00E9\u20AC\U0001F600"));
}

TEST(StreamCodecWrite, AnsiSubstitutesAndDropsNothingElse) {
  std::string utf8 = "a\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD\xF0\x9F\x98\x80z";
  EXPECT_EQ(Encode(utf8, seAnsi), "a\xE9\x80??z");
}

TEST(StreamCodecWrite, BrokenSequencesDoNotSwallowFollowingText) {
  // A lead byte cut short by "<", and a stray continuation byte.
  EXPECT_EQ(Encode("\xC3<a\x80>", seUTF16LE), "\xFF\xFE" + Utf16LE(u"<a>"));
  // Ansi writes runs of ASCII bytes in one piece; they end a sequence cut short all the same.
  EXPECT_EQ(Encode("\xC3<a\x80>  \xC3\xA9\xE2\x82", seAnsi), "<a>  \xE9");
}

TEST(StreamCodecWrite, SequencesSplitAcrossWritesAreJoined) {
  TBytesStream dst;
  {
    TvxUtf8Stream c(&dst);
    c.SetEncoding(seUTF16LE);
    const char* parts[] = {"\xF0\x9F", "\x98", "\x80\xE2", "\x82\xAC"};
    for (const char* p : parts) c.Write(p, static_cast<Integer>(std::strlen(p)));
  }
  EXPECT_EQ(dst.DataString(), "\xFF\xFE" + Utf16LE(u"\U0001F600\u20AC"));
  TBytesStream ansi;
  {
    TvxUtf8Stream c(&ansi);
    c.SetEncoding(seAnsi);
    for (const char* p : {"ab\xC3", "\xA9" "cd\xE2\x82", "\xAC"}) c.Write(p, static_cast<Integer>(std::strlen(p)));
  }
  EXPECT_EQ(ansi.DataString(), "ab\xE9" "cd\x80");
}

TEST(StreamCodecWrite, SeeksOnlyAnswerQuestions) {
  TBytesStream dst;
  TvxUtf8Stream c(&dst);
  c.SetEncoding(seUTF8);
  c.Write("abc", 3);
  EXPECT_EQ(c.Position(), 6);
  EXPECT_EQ(c.Seek(0, soEnd), 6);
  EXPECT_EQ(c.Seek(5, soBeginning), 0);
  EXPECT_EQ(MessageOf([&] { c.Seek(-1, soCurrent); }), "EStreamError: Cannot perform seek on codec stream");
}

// A stream that takes fewer bytes than offered.
class ShortStream : public TStream {
 public:
  Integer Read(void*, Integer) override { return 0; }
  Integer Write(const void*, Integer Count) override { return Count > 1 ? Count - 1 : 0; }
  Int64 Seek(Int64, TSeekOrigin) override { return 0; }
};

TEST(StreamCodecWrite, ShortWritesRaise) {
  ShortStream s;
  TvxUtf8Stream c(&s);
  c.SetEncoding(seAnsi);
  EXPECT_EQ(MessageOf([&] { c.Write("a", 1); }), "EStreamError: Cannot write to output stream");
  TvxUtf8Stream u(&s);
  u.SetEncoding(seUTF8);
  EXPECT_EQ(MessageOf([&] { u.Write("abc", 3); }), "EStreamError: Cannot write to output stream");
}

TEST(StreamCodecRoundTrip, EveryConvertedEncodingGivesTheTextBack) {
  std::string utf8 = "<?xml version=\"1.0\"?><r a=\"\xC3\xA9\">\xE2\x82\xAC \xF0\x9F\x98\x80 \xED\x9F\xBF</r>";
  for (TStringEncodingType e : {seUTF8, seUTF16LE, seUTF16BE}) {
    std::string bytes = Encode(utf8, e);
    TStringEncodingType detected;
    EXPECT_EQ(Decode(bytes, &detected), utf8) << e;
    EXPECT_EQ(detected, e);
    EXPECT_EQ(Encode(Decode(bytes), detected), bytes) << e;
  }
}
