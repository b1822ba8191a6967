// The streamed save: the rendering is compared with the file as it is produced, written only
// from the first difference on, and never mixed with bytes someone changed meanwhile.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

#include "platform/Classes.h"
#include "platform/FileSystem.h"
#include "projfile/ProjFileIO.h"
#include "tests/projfile/DprojFileTestSupport.h"

using namespace Vorlane;
using namespace ProjFileTest;

namespace {

// 2001-02-03 04:05:06 UTC in 100-ns ticks since 1601.
constexpr Int64 cOld = (981173106LL + 11644473600LL) * 10000000LL;

// ASize bytes of lines: 100 KB is held whole before the old file is looked at, 400 KB is
// compared as it comes; either crosses several blocks of the comparison.
std::string Content(size_t ASize) {
  std::string Result;
  for (int I = 0; Result.size() < ASize; ++I) Result += "        <Line Number=\"" + std::to_string(I) + "\"/>\r\n";
  return Result;
}

// A rendering that hands AText to the save in pieces of AChunk bytes, counting its runs.
struct TRender {
  std::string Text;
  size_t Chunk = 65536;
  int Runs = 0;
  size_t FailAfter = std::string::npos;  // throws once this many bytes are written

  std::function<void(TStream&)> operator()() {
    return [this](TStream& AStream) {
      ++Runs;
      for (size_t At = 0; At < Text.size(); At += Chunk) {
        if (At >= FailAfter) throw std::runtime_error("rendering failed");
        AStream.WriteBuffer(Text.data() + At, static_cast<Integer>(std::min(Chunk, Text.size() - At)));
      }
    };
  }
};

Int64 WriteTimeOf(const fs::path& AFile) {
  TFileTimes Times;
  EXPECT_TRUE(GetFileTimes(U16(AFile), Times));
  return Times.LastWriteTime;
}

struct TSeamReset {
  ~TSeamReset() { ProjFileOnFirstDifference = nullptr; }
};

std::function<void()> gOnDifference;

// Bytes this process has read so far, or -1 where the system does not tell.
long long BytesRead() {
#ifdef __linux__
  std::FILE* Io = std::fopen("/proc/self/io", "r");
  if (Io == nullptr) return -1;
  long long Result = -1;
  char Line[128];
  while (std::fgets(Line, sizeof Line, Io) != nullptr)
    if (std::sscanf(Line, "rchar: %lld", &Result) == 1) break;
  std::fclose(Io);
  return Result;
#else
  return -1;
#endif
}

}  // namespace

TEST(ProjFileStreamSave, WritesExactlyWhenTheBytesDiffer) {
  for (const size_t Size : {size_t{100000}, size_t{400000}}) {
    const std::string New = Content(Size);
    const bool Held = Size < 256 * 1024;
    auto Changed = [&](size_t AAt) {
      std::string Old = New;
      Old[AAt] = '#';
      return Old;
    };
    struct TCase {
      const char* Name;
      std::string Old;  // "-" for no file
    };
    const TCase Cases[] = {
        {"same bytes", New},
        {"differs at the first byte", Changed(0)},
        {"differs on a block boundary", Changed(65536)},
        {"differs in the middle", Changed(New.size() / 2)},
        {"differs at the last byte", Changed(New.size() - 1)},
        {"old file longer", New + "x"},
        {"old file a block longer", New + std::string(70000, 'x')},
        {"old file shorter", New.substr(0, New.size() - 10)},
        {"old file empty", ""},
        {"no old file", "-"},
    };
    for (const size_t Chunk : {size_t{1}, size_t{1000}, size_t{65536 + 7}}) {
      for (const TCase& C : Cases) {
        SCOPED_TRACE(std::string(C.Name) + ", " + std::to_string(Size) + " bytes in pieces of " + std::to_string(Chunk));
        TTempDir Dir;
        const fs::path File = Dir / "p.dproj";
        if (C.Old != "-") {
          WriteBytes(File, C.Old);
          ASSERT_TRUE(SetFileLastWriteTime(U16(File), cOld));
        }
        TRender Render{New, Chunk};
        const long long ReadBefore = BytesRead();
        const bool Written = ProjFileSaveContent(U16(File), Render());
        const long long ReadDuring = BytesRead() - ReadBefore;
        EXPECT_EQ(Written, C.Old != New);
        EXPECT_EQ(ReadBytes(File), New);
        if (!Written) {
          EXPECT_EQ(WriteTimeOf(File), cOld);
        }
        // A held rendering whose size is not the old file's reads none of it (the figure
        // includes the few bytes of the first look at the count).
        if (Held && ReadBefore >= 0 && C.Old.size() != New.size()) {
          EXPECT_LT(ReadDuring, 4096);
        }
        EXPECT_EQ(Render.Runs, 1);
        EXPECT_EQ(Dir.EntryCount(), 1u);
      }
    }
  }
  const std::string New = Content(100000);
  // An empty rendering over an empty file changes nothing; over content it empties the file.
  for (const std::string& Old : {std::string(), New}) {
    TTempDir Dir;
    WriteBytes(Dir / "p.dproj", Old);
    TRender Render{""};
    EXPECT_EQ(ProjFileSaveContent(U16(Dir / "p.dproj"), Render()), !Old.empty());
    EXPECT_EQ(ReadBytes(Dir / "p.dproj"), "");
  }
}

// Between the comparison and the copy of the agreeing part someone rewrites the old file: the
// new file must not take those bytes, so the save renders again from the start. A change
// behind the agreeing part does not matter, since that part is not copied.
TEST(ProjFileStreamSave, OldFileChangedDuringTheSaveIsNotMixedIn) {
  const std::string New = Content(400000);
  const size_t Differs = 300000;
  std::string Old = New;
  Old[Differs] = '#';
  struct TCase {
    const char* Name;
    std::function<void(std::string&)> Change;
    int Runs;
  };
  auto Swap = [](std::string& S, size_t A, size_t B) {
    for (size_t I = 0; I < 8; ++I) std::swap(S[A + I], S[B + I]);
  };
  const TCase Cases[] = {
      {"one byte in the agreeing part", [](std::string& S) { S[10] = '#'; }, 2},
      // The agreeing part ends where the piece with the difference begins.
      {"last byte of the agreeing part", [&](std::string& S) { S[Differs / 4096 * 4096 - 1] = '#'; }, 2},
      {"in the piece with the difference", [&](std::string& S) { S[Differs - 1] = '#'; }, 1},
      {"two words exchanged", [&](std::string& S) { Swap(S, 64, 96000); }, 2},
      {"cut short", [](std::string& S) { S.resize(1000); }, 2},
      {"behind the agreeing part", [&](std::string& S) { S[Differs + 100] = '#'; }, 1},
      {"unchanged", [](std::string&) {}, 1},
  };
  const TSeamReset Reset;
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TTempDir Dir;
    const fs::path File = Dir / "p.dproj";
    WriteBytes(File, Old);
    std::string Meanwhile = Old;
    C.Change(Meanwhile);
    // Windows shuts writers out while the save reads the file: there the change never lands.
    bool Landed = false;
    gOnDifference = [&] {
      WriteBytes(File, Meanwhile);
      Landed = ReadBytes(File) == Meanwhile;
    };
    ProjFileOnFirstDifference = [](const UnicodeString&) { gOnDifference(); };
    TRender Render{New, 4096};
    EXPECT_TRUE(ProjFileSaveContent(U16(File), Render()));
    EXPECT_TRUE(ReadBytes(File) == New);
    EXPECT_EQ(Render.Runs, Landed ? C.Runs : 1);
#ifndef _WIN32
    EXPECT_TRUE(Landed);
#endif
    EXPECT_EQ(Dir.EntryCount(), 1u);
  }
}

// A rendering that fails leaves the old file as it was and no temporary file, whether it fails
// while the bytes still agree or after the new file was begun.
TEST(ProjFileStreamSave, FailedRenderingKeepsTheOldFile) {
  struct TCase {
    const char* Name;
    bool OldFile;
    size_t FailAt;  // in quarters of the rendering; the old file differs at its half
  };
  for (const size_t Size : {size_t{100000}, size_t{400000}}) {
    const std::string New = Content(Size);
    std::string Old = New;
    Old[Size / 2] = '#';
    for (const TCase& C : {TCase{"while agreeing", true, 1}, TCase{"after the difference", true, 3},
                           TCase{"at once", true, 0}, TCase{"new file", false, 3}}) {
      SCOPED_TRACE(std::string(C.Name) + ", " + std::to_string(Size) + " bytes");
      TTempDir Dir;
      const fs::path File = Dir / "p.dproj";
      if (C.OldFile) WriteBytes(File, Old);
      TRender Render{New, 1000, 0, C.FailAt * Size / 4};
      EXPECT_THROW(ProjFileSaveContent(U16(File), Render()), std::runtime_error);
      EXPECT_EQ(fs::exists(File), C.OldFile);
      if (C.OldFile) {
        EXPECT_EQ(ReadBytes(File), Old);
      }
      EXPECT_EQ(Dir.EntryCount(), C.OldFile ? 1u : 0u);
    }
  }
}
