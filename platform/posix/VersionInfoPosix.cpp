// The version block of a POSIX program file: the build places a fixed-file-info record in the
// ELF section ".vorlane_version" (see cmake/VersionInfo.cmake). It is read back from the file
// through the ELF section table, so a program reports what its own file carries.
#include <cstring>

#include "platform/Classes.h"
#include "platform/VersionInfo.h"

namespace Vorlane {

namespace {

constexpr Cardinal kFixedFileInfoSignature = 0xFEEF04BD;
const char kSectionName[] = ".vorlane_version";

struct TElfReader {
  TStream& S;
  bool Wide = false;       // ELFCLASS64
  bool BigEndian = false;  // ELFDATA2MSB

  bool ReadAt(Int64 AOffset, void* ABuffer, Integer ACount) {
    if (AOffset < 0 || S.Seek(AOffset, soBeginning) != AOffset) return false;
    Integer done = 0;
    while (done < ACount) {
      Integer n = S.Read(static_cast<char*>(ABuffer) + done, ACount - done);
      if (n <= 0) return false;
      done += n;
    }
    return true;
  }

  std::uint64_t Value(const unsigned char* p, int ASize) const {
    std::uint64_t v = 0;
    for (int i = 0; i < ASize; ++i) {
      int k = BigEndian ? i : ASize - 1 - i;
      v = (v << 8) | p[k];
    }
    return v;
  }
};

}  // namespace

bool GetFileVersionInfo(const UnicodeString& AFileName, Cardinal& AFileVersionMS,
                        Cardinal& AFileVersionLS) {
  try {
    TFileStream F(AFileName, fmOpenRead | fmShareDenyNone);
    TElfReader R{F};
    unsigned char ident[64];
    if (!R.ReadAt(0, ident, 52)) return false;
    if (std::memcmp(ident, "\x7f" "ELF", 4) != 0) return false;
    if (ident[4] != 1 && ident[4] != 2) return false;
    if (ident[5] != 1 && ident[5] != 2) return false;
    R.Wide = ident[4] == 2;
    R.BigEndian = ident[5] == 2;
    if (R.Wide && !R.ReadAt(0, ident, 64)) return false;

    std::uint64_t shoff = R.Wide ? R.Value(ident + 0x28, 8) : R.Value(ident + 0x20, 4);
    unsigned shentsize = static_cast<unsigned>(R.Value(ident + (R.Wide ? 0x3A : 0x2E), 2));
    unsigned shnum = static_cast<unsigned>(R.Value(ident + (R.Wide ? 0x3C : 0x30), 2));
    unsigned shstrndx = static_cast<unsigned>(R.Value(ident + (R.Wide ? 0x3E : 0x32), 2));
    unsigned minEntry = R.Wide ? 64 : 40;
    if (shoff == 0 || shnum == 0 || shentsize < minEntry || shstrndx >= shnum || shoff > (1ULL << 40))
      return false;

    struct TSection {
      std::uint64_t Name, Offset, Size;
    };
    auto section = [&](unsigned AIndex, TSection& ASec) {
      unsigned char h[64];
      if (!R.ReadAt(static_cast<Int64>(shoff + static_cast<std::uint64_t>(AIndex) * shentsize), h,
                    static_cast<Integer>(minEntry)))
        return false;
      ASec.Name = R.Value(h, 4);
      ASec.Offset = R.Wide ? R.Value(h + 0x18, 8) : R.Value(h + 0x10, 4);
      ASec.Size = R.Wide ? R.Value(h + 0x20, 8) : R.Value(h + 0x14, 4);
      return true;
    };

    TSection names;
    if (!section(shstrndx, names)) return false;
    const size_t nameLen = sizeof kSectionName;  // with its terminating zero
    for (unsigned i = 0; i < shnum; ++i) {
      TSection sec;
      if (!section(i, sec)) return false;
      if (sec.Name + nameLen > names.Size) continue;
      char name[sizeof kSectionName];
      if (!R.ReadAt(static_cast<Int64>(names.Offset + sec.Name), name, static_cast<Integer>(nameLen))) continue;
      if (std::memcmp(name, kSectionName, nameLen) != 0) continue;
      unsigned char block[16];
      if (sec.Size < sizeof block || !R.ReadAt(static_cast<Int64>(sec.Offset), block, sizeof block)) return false;
      if (R.Value(block, 4) != kFixedFileInfoSignature) return false;
      AFileVersionMS = static_cast<Cardinal>(R.Value(block + 8, 4));
      AFileVersionLS = static_cast<Cardinal>(R.Value(block + 12, 4));
      return true;
    }
    return false;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace Vorlane
