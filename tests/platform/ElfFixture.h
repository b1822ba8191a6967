// Hand-built ELF program files with or without a section of our own (version block, icon block).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace ElfFixture {

inline void Put(std::string& S, size_t AOffset, std::uint64_t AValue, int ASize, bool ABigEndian) {
  if (S.size() < AOffset + ASize) S.resize(AOffset + ASize, '\0');
  for (int i = 0; i < ASize; ++i) {
    int Shift = 8 * (ABigEndian ? ASize - 1 - i : i);
    S[AOffset + i] = static_cast<char>((AValue >> Shift) & 0xFF);
  }
}

// A minimal ELF file with a section-name table and, when ASection is not empty, one more
// section of that name holding AContent.
inline std::string MakeElfWithSection(bool AWide, bool ABigEndian, const std::string& ASection,
                                      const std::string& AContent) {
  std::string F;
  F = std::string("\x7f" "ELF", 4);
  F.push_back(AWide ? 2 : 1);
  F.push_back(ABigEndian ? 2 : 1);
  F.push_back(1);
  const size_t HeaderSize = AWide ? 64 : 52;
  const size_t EntrySize = AWide ? 64 : 40;
  F.resize(HeaderSize, '\0');
  std::string Names = std::string("\0.shstrtab\0", 11) + ASection + std::string(1, '\0');
  const size_t NamesOffset = HeaderSize;
  F += Names;
  const size_t DataOffset = (F.size() + 3) / 4 * 4;
  F.resize(DataOffset, '\0');
  F += AContent;
  const size_t ShOff = (F.size() + 3) / 4 * 4;
  const unsigned Count = ASection.empty() ? 2 : 3;
  auto Section = [&](unsigned AIndex, std::uint64_t AName, std::uint64_t AOffset, std::uint64_t ASize) {
    const size_t H = ShOff + AIndex * EntrySize;
    F.resize(H + EntrySize, '\0');
    Put(F, H, AName, 4, ABigEndian);
    Put(F, H + 4, AIndex == 0 ? 0 : 1, 4, ABigEndian);
    Put(F, H + (AWide ? 0x18 : 0x10), AOffset, AWide ? 8 : 4, ABigEndian);
    Put(F, H + (AWide ? 0x20 : 0x14), ASize, AWide ? 8 : 4, ABigEndian);
  };
  Section(0, 0, 0, 0);
  Section(1, 1, NamesOffset, Names.size());
  if (!ASection.empty()) Section(2, 11, DataOffset, AContent.size());
  Put(F, AWide ? 0x28 : 0x20, ShOff, AWide ? 8 : 4, ABigEndian);
  Put(F, AWide ? 0x3A : 0x2E, EntrySize, 2, ABigEndian);
  Put(F, AWide ? 0x3C : 0x30, Count, 2, ABigEndian);
  Put(F, AWide ? 0x3E : 0x32, 1, 2, ABigEndian);
  return F;
}

// 32-bit words in the file's byte order.
inline std::string Words(std::initializer_list<std::uint32_t> AWords, bool ABigEndian) {
  std::string S;
  for (std::uint32_t W : AWords) Put(S, S.size(), W, 4, ABigEndian);
  return S;
}

// A version block of signature, structure version and the file version AMS, ALS.
inline std::string MakeElf(bool AWide, bool ABigEndian, const std::string& ASection, std::uint32_t ASignature,
                    std::uint32_t AMS, std::uint32_t ALS) {
  return MakeElfWithSection(AWide, ABigEndian, ASection,
                            ASection.empty() ? std::string() : Words({ASignature, 0x00010000, AMS, ALS}, ABigEndian));
}

}  // namespace ElfFixture
