// The streams as the loader stacks them (codec over the buffered read stream), where reads
// of ASCII runs skip the per-byte calls: results and stepping back must match byte reading.

#include <gtest/gtest.h>

#include "xml/XmlStreams.h"

using namespace Vorlane;

namespace {

const std::string cBom = "\xEF\xBB\xBF";
const std::string cEmoji = "\xF0\x9F\x98\x80";

struct TStack {
  explicit TStack(const std::string& AText) : Source(AText), Buffered(&Source), Codec(&Buffered), Reader(&Codec) {}
  TBytesStream Source;
  TvxBufferedReadStream Buffered;
  TvxUtf8Stream Codec;
  TvxSurplusReader Reader;
};

char Next(TStack& S) {
  char Ch = '?';
  EXPECT_TRUE(S.Reader.ReadChar(Ch));
  return Ch;
}

}  // namespace

TEST(StreamLoadingStack, TagTextAcrossTheBlockBoundaryWithAFourByteCharacterOnIt) {
  // 3 + 65520 + 12 bytes put the emoji on bytes 65535..65538, across the first block's end.
  const std::string Head = std::string(65520, 'a') + " b=\"x>y\" c='";
  TStack S(cBom + Head + cEmoji + "'>tail");
  UTF8String V = "untouched";
  ASSERT_TRUE(vxReadUntilClose(&S.Reader, ">", V, true));
  EXPECT_EQ(V, Head + cEmoji + "'");
  // Stepping back two characters from after the ">" lands on the closing quote.
  S.Codec.Seek(-2, soCurrent);
  EXPECT_EQ(Next(S), '\'');
  EXPECT_EQ(Next(S), '>');
  EXPECT_EQ(Next(S), 't');
  S.Codec.Seek(-1, soCurrent);
  EXPECT_EQ(Next(S), 't');
}

TEST(StreamLoadingStack, SteppingBackAfterAOneByteRunReachesTheCharacterBefore) {
  TStack S(cBom + "\xC3\xA9>z");
  EXPECT_EQ(Next(S), '\xC3');
  EXPECT_EQ(Next(S), '\xA9');
  UTF8String V = "untouched";
  ASSERT_TRUE(vxReadUntilClose(&S.Reader, ">", V, false));
  EXPECT_EQ(V, "");
  S.Codec.Seek(-2, soCurrent);
  EXPECT_EQ(Next(S), '\xC3');
  EXPECT_EQ(Next(S), '\xA9');
  EXPECT_EQ(Next(S), '>');
  EXPECT_EQ(Next(S), 'z');
}

TEST(StreamLoadingStack, ZeroByteOrEndOfInputStopsTheScan) {
  TStack Zero(cBom + std::string("ab\0cd>", 6));
  UTF8String V = "untouched";
  EXPECT_FALSE(vxReadUntilClose(&Zero.Reader, ">", V, false));
  EXPECT_EQ(V, "untouched");

  TStack Cut(cBom + std::string(70000, 'q') + "-->");
  EXPECT_FALSE(vxReadUntilClose(&Cut.Reader, "]]>", V, false));
  EXPECT_EQ(V, "untouched");
  char Ch;
  EXPECT_FALSE(Cut.Reader.ReadChar(Ch));
}

TEST(StreamLoadingStack, PushedBackBytesComeBeforeTheScannedRun) {
  TStack S(cBom + "ame x='1'>rest");
  S.Reader.SetSurplus("N");
  UTF8String V;
  ASSERT_TRUE(vxReadUntilClose(&S.Reader, ">", V, true));
  EXPECT_EQ(V, "Name x='1'");
  S.Reader.PushBack('q');
  EXPECT_EQ(Next(S), 'q');
  EXPECT_EQ(Next(S), 'r');
}

TEST(StreamLoadingStack, ByteReadsHandOutEveryByteAcrossSeveralBlocks) {
  // Multi-byte characters land on and around every block end, and on the very last byte.
  std::string Body;
  while (Body.size() < 3 * 65536) {
    Body += "<Item Name=\"x\">";
    Body += cEmoji;
    Body += "\xC3\xA9\xE2\x82\xAC";
    Body += std::string(Body.size() % 7, ' ');
  }
  Body += cEmoji;
  TStack S(cBom + Body);
  std::string ViaReader;
  char Ch;
  while (S.Reader.ReadChar(Ch)) ViaReader += Ch;
  EXPECT_TRUE(ViaReader == Body);

  TStack T(cBom + Body);
  std::string ViaRead;
  while (T.Codec.Read(&Ch, 1) == 1) ViaRead += Ch;
  EXPECT_TRUE(ViaRead == Body);
}

TEST(StreamLoadingStack, SeeksWithinAndBeforeTheCurrentBlock) {
  std::string Text(2 * 65536 + 10, '\0');
  for (size_t I = 0; I < Text.size(); ++I) Text[I] = static_cast<char>('a' + (I * 5 + I / 65536) % 26);
  TBytesStream Source(Text);
  TvxBufferedReadStream B(&Source);
  Byte Got = 0;
  B.Seek(65536 + 100, soBeginning);
  ASSERT_TRUE(B.ReadOne(Got));
  EXPECT_EQ(Got, static_cast<Byte>(Text[65536 + 100]));
  B.Seek(65536 + 3, soBeginning);  // same block, earlier
  ASSERT_TRUE(B.ReadOne(Got));
  EXPECT_EQ(Got, static_cast<Byte>(Text[65536 + 3]));
  EXPECT_EQ(B.Position(), 65536 + 4);
  B.Seek(65535, soBeginning);  // last byte of the block before
  ASSERT_TRUE(B.ReadOne(Got));
  EXPECT_EQ(Got, static_cast<Byte>(Text[65535]));
  ASSERT_TRUE(B.ReadOne(Got));
  EXPECT_EQ(Got, static_cast<Byte>(Text[65536]));
  B.Seek(static_cast<Int64>(Text.size()) - 1, soBeginning);
  ASSERT_TRUE(B.ReadOne(Got));
  EXPECT_EQ(Got, static_cast<Byte>(Text.back()));
  EXPECT_FALSE(B.ReadOne(Got));
}
