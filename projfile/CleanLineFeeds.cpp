#include "projfile/CleanLineFeeds.h"

#include <algorithm>
#include <exception>

#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "projfile/ProjFileIO.h"

namespace Vorlane {

namespace {

constexpr unsigned cCR = 0x0D;
constexpr unsigned cLF = 0x0A;

// The text units of a file body: single bytes, or 16-bit units in either byte order.
struct TUnitLayout {
  size_t Width = 1;
  bool BigEndian = false;

  unsigned At(const TBytes& ABytes, size_t AIndex) const {
    if (Width == 1) return ABytes[AIndex];
    return BigEndian ? (ABytes[AIndex] << 8) | ABytes[AIndex + 1] : (ABytes[AIndex + 1] << 8) | ABytes[AIndex];
  }
  void Append(TBytes& AOut, unsigned AUnit) const {
    if (Width == 1) {
      AOut.push_back(static_cast<Byte>(AUnit));
    } else if (BigEndian) {
      AOut.push_back(static_cast<Byte>(AUnit >> 8));
      AOut.push_back(static_cast<Byte>(AUnit & 0xFF));
    } else {
      AOut.push_back(static_cast<Byte>(AUnit & 0xFF));
      AOut.push_back(static_cast<Byte>(AUnit >> 8));
    }
  }
};

// ABytes with the line breaks of the body (from AStart on) made CR LF. Everything else,
// including the byte-order mark and a dangling odd byte of UTF-16 text, is copied unchanged.
TBytes WithCrLf(const TBytes& ABytes, size_t AStart, const TUnitLayout& ALayout) {
  TBytes Out(ABytes.begin(), ABytes.begin() + static_cast<std::ptrdiff_t>(AStart));
  Out.reserve(ABytes.size() + ABytes.size() / 16);
  const size_t W = ALayout.Width;
  size_t I = AStart;
  for (; I + W <= ABytes.size(); I += W) {
    const unsigned Unit = ALayout.At(ABytes, I);
    if (Unit == cLF) ALayout.Append(Out, cCR);
    Out.insert(Out.end(), ABytes.begin() + static_cast<std::ptrdiff_t>(I),
               ABytes.begin() + static_cast<std::ptrdiff_t>(I + W));
    if (Unit != cCR) continue;
    if (I + 2 * W <= ABytes.size() && ALayout.At(ABytes, I + W) == cLF) {
      ALayout.Append(Out, cLF);
      I += W;
    } else {
      ALayout.Append(Out, cLF);
    }
  }
  Out.insert(Out.end(), ABytes.begin() + static_cast<std::ptrdiff_t>(I), ABytes.end());
  return Out;
}

}  // namespace

bool TCleanLineFeeds::CleanLineFeeds(const UnicodeString& AFileName) { return CleanLineFeeds(AFileName, AFileName); }

bool TCleanLineFeeds::CleanLineFeeds(const UnicodeString& AFileName, const UnicodeString& ATargetName) {
  if (!FileExists(AFileName)) return false;
  if (FileExists(ATargetName)) {
    const Integer Attributes = FileGetAttr(ATargetName);
    if (Attributes != faInvalid && (Attributes & faReadOnly) != 0) return false;
  }

  const TBytes Source = TFile::ReadAllBytes(AFileName);
  TEncoding* Found = nullptr;
  const size_t Start = static_cast<size_t>(TEncoding::GetBufferEncoding(Source, Found, nullptr));
  TUnitLayout Layout;
  if (Found == TEncoding::Unicode() || Found == TEncoding::BigEndianUnicode()) {
    Layout.Width = 2;
    Layout.BigEndian = Found == TEncoding::BigEndianUnicode();
  } else if (Start == 0 && std::find(Source.begin(), Source.end(), Byte{0}) != Source.end()) {
    return false;
  }

  // Breaks are only ever added to, so the same size means nothing changed.
  const TBytes Converted = WithCrLf(Source, Start, Layout);
  if (Converted.size() == Source.size()) return false;
  try {
    ProjFileReplaceContent(ATargetName, Converted.data(), static_cast<Int64>(Converted.size()));
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

}  // namespace Vorlane
