#include "platform/posix/ElfSection.h"

#include <cstring>

#include "platform/Classes.h"

namespace Vorlane::OsBackend {

namespace {

struct TElfReader {
  TStream& S;
  bool Wide = false;       // ELFCLASS64
  bool BigEndian = false;  // ELFDATA2MSB

  bool ReadAt(std::uint64_t AOffset, void* ABuffer, std::uint64_t ACount) {
    if (AOffset > (1ULL << 40) || ACount > (1ULL << 30)) return false;
    const Int64 LOffset = static_cast<Int64>(AOffset);
    if (S.Seek(LOffset, soBeginning) != LOffset) return false;
    std::uint64_t done = 0;
    while (done < ACount) {
      Integer n = S.Read(static_cast<char*>(ABuffer) + done, static_cast<Integer>(ACount - done));
      if (n <= 0) return false;
      done += static_cast<std::uint64_t>(n);
    }
    return true;
  }

  std::uint64_t Value(const unsigned char* p, int ASize) const { return ElfValue(p, ASize, BigEndian); }
};

}  // namespace

std::uint64_t ElfValue(const unsigned char* AData, int ASize, bool ABigEndian) {
  std::uint64_t v = 0;
  for (int i = 0; i < ASize; ++i) {
    int k = ABigEndian ? i : ASize - 1 - i;
    v = (v << 8) | AData[k];
  }
  return v;
}

bool ReadElfSection(const UnicodeString& AFileName, const char* AName, std::uint64_t AMaxSize,
                    TElfSection& ASection) {
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
      if (!R.ReadAt(shoff + static_cast<std::uint64_t>(AIndex) * shentsize, h, minEntry)) return false;
      ASec.Name = R.Value(h, 4);
      ASec.Offset = R.Wide ? R.Value(h + 0x18, 8) : R.Value(h + 0x10, 4);
      ASec.Size = R.Wide ? R.Value(h + 0x20, 8) : R.Value(h + 0x14, 4);
      return true;
    };

    TSection names;
    if (!section(shstrndx, names)) return false;
    const size_t nameLen = std::strlen(AName) + 1;  // with its terminating zero
    std::string name(nameLen, '\0');
    for (unsigned i = 0; i < shnum; ++i) {
      TSection sec;
      if (!section(i, sec)) return false;
      if (sec.Name + nameLen > names.Size) continue;
      if (!R.ReadAt(names.Offset + sec.Name, name.data(), nameLen)) continue;
      if (std::memcmp(name.data(), AName, nameLen) != 0) continue;
      if (sec.Size > AMaxSize) return false;
      ASection.Data.assign(static_cast<size_t>(sec.Size), '\0');
      ASection.BigEndian = R.BigEndian;
      return R.ReadAt(sec.Offset, ASection.Data.data(), sec.Size);
    }
    return false;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace Vorlane::OsBackend
