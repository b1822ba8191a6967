#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "platform/SysUtils.h"
#include "xml/XmlStreams.h"

using namespace Vorlane;

namespace {

using TestSupport::MessageOf;

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

// Counts the calls that reach the wrapped stream.
class CountingStream : public TBytesStream {
 public:
  using TBytesStream::TBytesStream;
  Integer Read(void* Buffer, Integer Count) override {
    ++Reads;
    return TBytesStream::Read(Buffer, Count);
  }
  Integer Write(const void* Buffer, Integer Count) override {
    ++Writes;
    return TBytesStream::Write(Buffer, Count);
  }
  int Reads = 0;
  int Writes = 0;
};

std::string ReadBytewise(TStream& s) {
  std::string out;
  char c;
  while (s.Read(&c, 1) == 1) out += c;
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Buffered reading

TEST(StreamBufferedRead, PageSizedAndEmptyStreamsReadCompletely) {
  for (size_t n : {size_t(0), size_t(1), size_t(65535), size_t(65536), size_t(65537), size_t(3 * 65536 + 5)}) {
    std::string data = Pattern(n);
    TBytesStream src(data);
    TvxBufferedReadStream s(&src);
    EXPECT_EQ(ReadBytewise(s), data) << n;
    char c;
    EXPECT_EQ(s.Read(&c, 1), 0) << n;
  }
}

TEST(StreamBufferedRead, BlockReadsAcrossPageBoundaries) {
  std::string data = Pattern(200000);
  TBytesStream src(data);
  TvxBufferedReadStream s(&src);
  std::string out;
  std::vector<char> buf(70001);
  Integer sizes[] = {1, 65534, 2, 70001, 3};
  size_t k = 0;
  while (true) {
    Integer want = sizes[k++ % 5];
    Integer got = s.Read(buf.data(), want);
    out.append(buf.data(), static_cast<size_t>(got));
    if (got < want) break;
  }
  EXPECT_EQ(out, data);
}

TEST(StreamBufferedRead, OneWrappedReadPerPage) {
  CountingStream src(Pattern(3 * 65536));
  TvxBufferedReadStream s(&src);
  ReadBytewise(s);
  EXPECT_LE(src.Reads, 4);
}

TEST(StreamBufferedRead, SeeksMoveTheOwnPosition) {
  std::string data = Pattern(65536 + 10);
  TBytesStream src(data);
  TvxBufferedReadStream s(&src);
  char c;
  EXPECT_EQ(s.Seek(0, soEnd), 65546);
  EXPECT_EQ(s.Read(&c, 1), 0);
  EXPECT_EQ(s.Seek(65535, soBeginning), 65535);
  ASSERT_EQ(s.Read(&c, 1), 1);
  EXPECT_EQ(c, data[65535]);
  ASSERT_EQ(s.Read(&c, 1), 1);
  EXPECT_EQ(c, data[65536]);
  EXPECT_EQ(s.Seek(-1, soCurrent), 65536);
  ASSERT_EQ(s.Read(&c, 1), 1);
  EXPECT_EQ(c, data[65536]);
  EXPECT_EQ(s.Seek(-2, soCurrent), 65535);  // back across the page boundary
  ASSERT_EQ(s.Read(&c, 1), 1);
  EXPECT_EQ(c, data[65535]);
  EXPECT_EQ(s.Seek(0, soCurrent), 65536);
  EXPECT_EQ(s.Seek(-3, soEnd), 65543);
  ASSERT_EQ(s.Read(&c, 1), 1);
  EXPECT_EQ(c, data[65543]);
}

TEST(StreamBufferedRead, PositionsOutsideTheDataReadNothing) {
  TBytesStream src("abc");
  TvxBufferedReadStream s(&src);
  char buf[4];
  s.Seek(-5, soBeginning);
  EXPECT_EQ(s.Read(buf, 1), 0);
  EXPECT_EQ(s.Read(buf, 4), 0);
  s.Seek(100000, soBeginning);
  EXPECT_EQ(s.Read(buf, 1), 0);
  EXPECT_EQ(s.Read(buf, 4), 0);
  s.Seek(1, soBeginning);
  EXPECT_EQ(s.Read(buf, 4), 2);
  EXPECT_EQ(std::string(buf, 2), "bc");
}

TEST(StreamBufferedRead, WritingIsRefusedAndOwnedStreamsAreFreed) {
  auto* src = new TBytesStream("x");
  TvxBufferedReadStream s(src, true);  // LeakSanitizer checks the release
  EXPECT_EQ(MessageOf([&] { s.Write("a", 1); }), "EStreamError: Cannot write to an UTF stream opened for reading");
}

// ---------------------------------------------------------------------------------------------
// Buffered writing

TEST(StreamBufferedWrite, NothingReachesTheWrappedStreamBeforeTheBufferIsFull) {
  CountingStream dst;
  std::string data = Pattern(65536);
  {
    TvxBufferedWriteStream w(&dst);
    EXPECT_EQ(w.Write(data.data(), 65535), 65535);
    EXPECT_EQ(dst.Writes, 0);
    EXPECT_EQ(w.Seek(0, soCurrent), 65535);
    EXPECT_EQ(w.Write(data.data() + 65535, 1), 1);
    EXPECT_EQ(dst.Writes, 1);
    EXPECT_EQ(dst.Size(), 65536);
    w.Write("tail", 4);
    EXPECT_EQ(dst.Writes, 1);
    w.Flush();
    EXPECT_EQ(dst.Writes, 2);
    w.Write("!", 1);
  }
  EXPECT_EQ(dst.DataString(), data + "tail!");
}

TEST(StreamBufferedWrite, LargeWritesSpanSeveralBuffers) {
  TBytesStream dst;
  std::string data = Pattern(300001);
  {
    TvxBufferedWriteStream w(&dst);
    w.Write(data.data(), 100);
    w.Write(data.data() + 100, 200000);
    w.Write(data.data() + 200100, 99901);
  }
  EXPECT_EQ(dst.DataString(), data);
}

TEST(StreamBufferedWrite, SeeksOnlyAnswerQuestionsAndReadIsRefused) {
  TBytesStream dst;
  TvxBufferedWriteStream w(&dst);
  w.Write("abc", 3);
  EXPECT_EQ(w.Seek(0, soCurrent), 3);
  EXPECT_EQ(w.Seek(0, soEnd), 3);
  EXPECT_EQ(w.Seek(3, soBeginning), 3);
  EXPECT_EQ(w.Size(), 3);
  EXPECT_EQ(MessageOf([&] { w.Seek(0, soBeginning); }), "EStreamError: Cannot perform seek on codec stream");
  char c;
  EXPECT_EQ(MessageOf([&] { w.Read(&c, 1); }),
            "EStreamError: Cannot read from a conversion stream opened for writing");
}

class RefusingStream : public TStream {
 public:
  Integer Read(void*, Integer) override { return 0; }
  Integer Write(const void*, Integer Count) override { return Count / 2; }
  Int64 Seek(Int64, TSeekOrigin) override { return 0; }
};

TEST(StreamBufferedWrite, AFlushTheWrappedStreamRefusesIsReported) {
  RefusingStream dst;
  TvxBufferedWriteStream w(&dst);
  w.Write("abcd", 4);
  EXPECT_EQ(MessageOf([&] { w.Flush(); }), "EStreamError: Cannot write to output stream");
}

TEST(StreamBufferedStack, CodecOverBufferedStreamsAcrossPageBoundaries) {
  // Multi-byte characters straddle every 64 KiB boundary of the file.
  std::string text;
  while (text.size() < 3 * 65536) text += "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  TBytesStream file;
  {
    TvxBufferedWriteStream bw(&file);
    TvxUtf8Stream codec(&bw);
    codec.SetEncoding(seUTF16LE);
    codec.Write(text.data(), static_cast<Integer>(text.size()));
  }
  file.SetPosition(0);
  TvxBufferedReadStream br(&file);
  TvxUtf8Stream codec(&br);
  EXPECT_EQ(ReadBytewise(codec), text);
  EXPECT_EQ(codec.Encoding(), seUTF16LE);
}

// ---------------------------------------------------------------------------------------------
// Push-back reader and string builder

TEST(StreamSurplusReader, PushedBackBytesComeFirstAndBlanksAreSkipped) {
  TBytesStream src("  x y");
  TvxSurplusReader r(&src);
  r.SetSurplus(" \tab");
  char c;
  ASSERT_TRUE(r.ReadCharSkipBlanks(c));
  EXPECT_EQ(c, 'a');
  EXPECT_EQ(r.Surplus(), "b");
  ASSERT_TRUE(r.ReadChar(c));
  EXPECT_EQ(c, 'b');
  ASSERT_TRUE(r.ReadCharSkipBlanks(c));
  EXPECT_EQ(c, 'x');
  ASSERT_TRUE(r.ReadCharSkipBlanks(c));
  EXPECT_EQ(c, 'y');
  EXPECT_FALSE(r.ReadCharSkipBlanks(c));
  EXPECT_FALSE(r.ReadChar(c));
}

TEST(StreamStringBuilder, GrowsAndCopiesWithinWhatIsUsed) {
  TvxStringBuilder b;
  EXPECT_EQ(b.Length(), 0);
  EXPECT_EQ(b.Value(), "");
  std::string expected;
  for (int i = 0; i < 1000; ++i) {
    b.AddChar(static_cast<char>('a' + i % 26));
    expected += static_cast<char>('a' + i % 26);
  }
  b.AddString("");
  b.AddString(std::string(300, 'Z'));
  expected += std::string(300, 'Z');
  EXPECT_EQ(b.Value(), expected);
  EXPECT_EQ(b.Length(), 1300);
  EXPECT_EQ(b.Data(1), 'a');
  EXPECT_EQ(b.StringCopy(1299, 10), "ZZ");
  EXPECT_EQ(b.StringCopy(2, 3), "bcd");
  EXPECT_EQ(b.StringCopy(1301, 1), "");
  b.Clear();
  EXPECT_EQ(b.Value(), "");
  b.AddString("xy");
  EXPECT_EQ(b.Value(), "xy");
}

// ---------------------------------------------------------------------------------------------
// Tag scanning

namespace {

struct TagScan {
  Integer Row;
  std::string Surplus;
};

TagScan ScanTag(const std::string& afterLessThan) {
  TBytesStream src(afterLessThan);
  TvxSurplusReader r(&src);
  Integer row = vxReadTagStart(&r);
  return {row, r.Surplus()};
}

}  // namespace

TEST(StreamTagScan, LongestOpeningWins) {
  EXPECT_EQ(ScanTag("!DOCTYPE x").Row, 1);
  EXPECT_EQ(ScanTag("!DOCTYPE x").Surplus, " ");
  EXPECT_EQ(ScanTag("abc").Row, 11);
  EXPECT_EQ(ScanTag("abc").Surplus, "a");
  EXPECT_EQ(ScanTag("![CDATA[x]]>").Row, 0);
  EXPECT_EQ(ScanTag("![CDATA[x]]>").Surplus, "x");
  EXPECT_EQ(ScanTag("!ELEMENT e").Row, 2);
  EXPECT_EQ(ScanTag("!ATTLIST e").Row, 3);
  EXPECT_EQ(ScanTag("!ENTITY e").Row, 4);
  EXPECT_EQ(ScanTag("!NOTATION n").Row, 5);
  EXPECT_EQ(ScanTag("?xml-stylesheet href").Row, 6);
  EXPECT_EQ(ScanTag("?xml version").Row, 7);
  EXPECT_EQ(ScanTag("?xml version").Surplus, " ");
  EXPECT_EQ(ScanTag("!-- c -->").Row, 8);
  EXPECT_EQ(ScanTag("!-- c -->").Surplus, " ");
  EXPECT_EQ(ScanTag("!x>").Row, 9);
  EXPECT_EQ(ScanTag("?pi?>").Row, 10);
  EXPECT_EQ(ScanTag("?pi?>").Surplus, "p");
}

TEST(StreamTagScan, PartlyMatchedLongerOpeningsArePushedBack) {
  // "<?xmlfoo": the declaration opening with the first extra letter pushed back.
  EXPECT_EQ(ScanTag("?xmlfoo").Row, 7);
  EXPECT_EQ(ScanTag("?xmlfoo").Surplus, "f");
  // "<?xml-style": longer than "<?xml" but not the whole stylesheet opening.
  EXPECT_EQ(ScanTag("?xml-style x").Row, 7);
  EXPECT_EQ(ScanTag("?xml-style x").Surplus, "-style ");
  EXPECT_EQ(ScanTag("!-x").Row, 9);
  EXPECT_EQ(ScanTag("!-x").Surplus, "-x");
  EXPECT_EQ(ScanTag("!DOCTYP>").Row, 9);
  EXPECT_EQ(ScanTag("!DOCTYP>").Surplus, "DOCTYP>");
}

TEST(StreamTagScan, EndOfInput) {
  EXPECT_EQ(ScanTag("").Row, 11);
  EXPECT_EQ(ScanTag("").Surplus, "");
  EXPECT_EQ(ScanTag("!--").Row, 8);
  EXPECT_EQ(ScanTag("!--").Surplus, "");
  // What was read past the longest opening is kept, not dropped.
  EXPECT_EQ(ScanTag("?x").Row, 10);
  EXPECT_EQ(ScanTag("?x").Surplus, "x");
}

TEST(StreamTagScan, BytesStillWaitingInTheSurplusKeepTheirPlace) {
  // The scan stops inside pushed-back bytes: what it read goes back in front of the rest.
  TBytesStream src("def");
  TvxSurplusReader r(&src);
  r.SetSurplus("abc");
  EXPECT_EQ(vxReadTagStart(&r), 11);
  EXPECT_EQ(r.Surplus(), "abc");
  r.SetSurplus("!-x>abc");
  EXPECT_EQ(vxReadTagStart(&r), 9);
  EXPECT_EQ(r.Surplus(), "-x>abc");
  std::string rest;
  char c;
  while (r.ReadChar(c)) rest += c;
  EXPECT_EQ(rest, "-x>abcdef");
}

TEST(StreamReadUntilClose, FindsTheCloseStringAndHonoursQuotes) {
  TBytesStream src("a->b-->rest");
  TvxSurplusReader r(&src);
  UTF8String v = "untouched";
  ASSERT_TRUE(vxReadUntilClose(&r, "-->", v, false));
  EXPECT_EQ(v, "a->b");
  char c;
  ASSERT_TRUE(r.ReadChar(c));
  EXPECT_EQ(c, 'r');

  TBytesStream tag("a b=\">\" c='x>'>after");
  TvxSurplusReader t(&tag);
  ASSERT_TRUE(vxReadUntilClose(&t, ">", v, true));
  EXPECT_EQ(v, "a b=\">\" c='x>'");

  TBytesStream noq("a b=\">\">");
  TvxSurplusReader n(&noq);
  ASSERT_TRUE(vxReadUntilClose(&n, ">", v, false));
  EXPECT_EQ(v, "a b=\"");
}

TEST(StreamReadUntilClose, EndOfInputAndEmptyCloseLeaveValueAlone) {
  TBytesStream src("no close here -");
  TvxSurplusReader r(&src);
  UTF8String v = "keep";
  EXPECT_FALSE(vxReadUntilClose(&r, "]]>", v, false));
  EXPECT_EQ(v, "keep");
  EXPECT_FALSE(vxReadUntilClose(&r, "", v, false));
  EXPECT_EQ(v, "keep");
  // The close string may start right away; a pushed-back surplus is read first.
  TBytesStream s2("]>x");
  TvxSurplusReader r2(&s2);
  r2.SetSurplus("]");
  ASSERT_TRUE(vxReadUntilClose(&r2, "]]>", v, false));
  EXPECT_EQ(v, "");
}

TEST(StreamReadUntilUnquoted, StopsAtTheFirstUnquotedTerminator) {
  TBytesStream src("nl \"a>b\" 'c>' x>tail");
  UTF8String v = "keep";
  ASSERT_TRUE(vxReadUntilUnquoted(&src, '>', v));
  EXPECT_EQ(v, "nl \"a>b\" 'c>' x");
  char c;
  ASSERT_EQ(src.Read(&c, 1), 1);
  EXPECT_EQ(c, 't');
  TBytesStream open("\"never closed>");
  v = "keep";
  EXPECT_FALSE(vxReadUntilUnquoted(&open, '>', v));
  EXPECT_EQ(v, "keep");
}
