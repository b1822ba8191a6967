#include <gtest/gtest.h>

#include <cstring>

#include "platform/Classes.h"
#include "PlatformTestSupport.h"

using namespace Vorlane;
using PlatformTest::TScratch;

TEST(MemoryStreamTest, PositionSizeAndSeekSemantics) {
  TMemoryStream M;
  EXPECT_EQ(M.Size(), 0);
  M.WriteBuffer("hello", 5);
  EXPECT_EQ(M.Position(), 5);
  EXPECT_EQ(M.Size(), 5);
  M.SetPosition(1);
  char Buf[8] = {};
  EXPECT_EQ(M.Read(Buf, 8), 4);
  EXPECT_EQ(std::string(Buf, 4), "ello");
  EXPECT_EQ(M.Read(Buf, 8), 0);  // at the end
  EXPECT_EQ(M.Seek(-2, soEnd), 3);
  EXPECT_EQ(M.Seek(1, soCurrent), 4);
  // Overwrite in the middle keeps the size; writing past the end grows it.
  M.SetPosition(4);
  M.WriteBuffer("O!", 2);
  EXPECT_EQ(M.Size(), 6);
  // A write after seeking past the end leaves zero bytes in the gap.
  M.Seek(8, soBeginning);
  M.WriteBuffer("z", 1);
  EXPECT_EQ(M.Size(), 9);
  EXPECT_EQ(std::memcmp(M.Memory(), "hellO!\0\0z", 9), 0);
  // Shrinking moves a position that lies beyond the new end.
  M.SetSize(3);
  EXPECT_EQ(M.Position(), 3);
  M.SetPosition(0);
  EXPECT_THROW(M.ReadBuffer(Buf, 4), EReadError);
  M.Clear();
  EXPECT_EQ(M.Size(), 0);
  EXPECT_EQ(M.Position(), 0);
}

TEST(MemoryStreamTest, BytesStreamAndCopyFrom) {
  TBytesStream Src(std::string("abc\0def", 7));
  EXPECT_EQ(Src.Size(), 7);
  TBytesStream Dst;
  Src.SetPosition(5);
  EXPECT_EQ(Dst.CopyFrom(&Src, 0), 7);  // 0 copies the whole source from its start
  EXPECT_EQ(Dst.DataString(), std::string("abc\0def", 7));
  Src.SetPosition(1);
  TBytesStream Part;
  EXPECT_EQ(Part.CopyFrom(&Src, 3), 3);
  EXPECT_EQ(Part.DataString(), std::string("bc\0", 3));
  Src.SetPosition(6);
  EXPECT_THROW(Part.CopyFrom(&Src, 3), EReadError);
}

TEST(SystemBufferTest, BlocksHoldTheirBytesAndAFreedOneServesTheNextWithinTheSpareLimit) {
  for (size_t Size : {size_t{0}, size_t{1}, size_t{4096}, size_t{128 * 1024 - 1}, size_t{128 * 1024},
                      size_t{3 * 1024 * 1024 + 5}}) {
    TSystemBuffer Buffer(Size);
    EXPECT_EQ(Size, Buffer.Size());
    if (Size == 0) continue;
    Buffer.Data()[Size / 2] = 'a';
    Buffer.Data()[Size - 1] = 'z';
    EXPECT_EQ(Size > 1 ? 'a' : 'z', Buffer.Data()[Size / 2]);
    EXPECT_EQ('z', Buffer.Data()[Size - 1]);
  }
  // A block beyond the limit goes back to the system (a fresh one reads as zero bytes); one
  // within it serves the next buffer of its size or less, earlier bytes and all.
  const size_t Before = SpareMemoryLimit();
  const struct {
    size_t Limit;
    char Mark;
    bool Kept;
  } Cases[] = {{0, 'p', false}, {size_t{1} << 20, 'q', false}, {size_t{8} << 20, 'r', true}};
  for (const auto& C : Cases) {
    SetSpareMemoryLimit(C.Limit);
    { TSystemBuffer(2 << 20).Data()[100] = C.Mark; }
    TSystemBuffer Next(1 << 20);
    EXPECT_EQ(C.Kept, Next.Data()[100] == C.Mark) << C.Limit;
  }
  SetSpareMemoryLimit(Before);
}

TEST(FileStreamTest, CreateOpenAndErrors) {
  TScratch Dir;
  const UnicodeString Name = Dir.U("f.bin");
  {
    TFileStream F(Name, fmCreate);
    F.WriteBuffer("0123456789", 10);
    EXPECT_EQ(F.Size(), 10);
    F.SetSize(4);
    EXPECT_EQ(F.Size(), 4);
  }
  EXPECT_EQ(PlatformTest::ReadBytes(Dir.Path() / "f.bin"), "0123");
  {
    TFileStream F(Name, fmOpenReadWrite | fmShareExclusive);
    F.Seek(0, soEnd);
    F.WriteBuffer("45", 2);
    F.SetPosition(1);
    char Buf[3] = {};
    F.ReadBuffer(Buf, 3);
    EXPECT_EQ(std::string(Buf, 3), "123");
  }
  {
    TFileStream F(Name, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(F.Size(), 6);
    EXPECT_EQ(F.Write("x", 1), 0);  // opened for reading only
    EXPECT_THROW(F.WriteBuffer("x", 1), EWriteError);
  }
  {
    TFileStream F(Name, fmCreate);  // replaces the content
  }
  EXPECT_EQ(PlatformTest::ReadBytes(Dir.Path() / "f.bin"), "");

  try {
    TFileStream F(Dir.U("missing.bin"), fmOpenRead);
    ADD_FAILURE() << "opened a missing file";
  } catch (const EFOpenError& E) {
    EXPECT_STREQ(E.ClassName(), "EFOpenError");
    const std::string Msg = E.MessageUtf8();
    EXPECT_EQ(Msg.rfind("Cannot open file \"" + Dir.Str("missing.bin") + "\". ", 0), 0u) << Msg;
  }
  EXPECT_THROW(TFileStream(Dir.U("no/such/dir.bin"), fmCreate), EFCreateError);
  // The file-stream errors belong to the stream error family.
  EXPECT_THROW(TFileStream(Dir.U("missing.bin"), fmOpenRead), EStreamError);
}
