#include "platform/Encoding.h"

namespace Vorlane {

TEncoding::~TEncoding() = default;

namespace {

class TAnsiEncoding final : public TEncoding {
 public:
  TBytes GetPreamble() const override { return {}; }
  TBytes GetBytes(const UnicodeString& S) const override {
    AnsiString a = UnicodeToAnsi(S);
    return TBytes(a.begin(), a.end());
  }
  UnicodeString GetString(const Byte* AData, size_t ACount) const override {
    return AnsiToUnicode(AnsiString(reinterpret_cast<const char*>(AData), ACount));
  }
  const char* EncodingName() const override { return "ANSI"; }
};

class TUTF8Encoding final : public TEncoding {
 public:
  explicit TUTF8Encoding(bool ABOM) : FBOM(ABOM) {}
  TBytes GetPreamble() const override { return FBOM ? TBytes{0xEF, 0xBB, 0xBF} : TBytes{}; }
  TBytes GetBytes(const UnicodeString& S) const override {
    UTF8String u = UnicodeToUTF8(S);
    return TBytes(u.begin(), u.end());
  }
  UnicodeString GetString(const Byte* AData, size_t ACount) const override {
    return UTF8ToUnicode(UTF8String(reinterpret_cast<const char*>(AData), ACount));
  }
  const char* EncodingName() const override { return "UTF-8"; }

 private:
  bool FBOM;
};

class TUTF16Encoding final : public TEncoding {
 public:
  explicit TUTF16Encoding(bool ABigEndian) : FBigEndian(ABigEndian) {}
  TBytes GetPreamble() const override { return FBigEndian ? TBytes{0xFE, 0xFF} : TBytes{0xFF, 0xFE}; }
  TBytes GetBytes(const UnicodeString& S) const override {
    TBytes R;
    R.reserve(S.size() * 2);
    for (char16_t c : S) {
      Byte hi = static_cast<Byte>(c >> 8), lo = static_cast<Byte>(c & 0xFF);
      if (FBigEndian) { R.push_back(hi); R.push_back(lo); }
      else { R.push_back(lo); R.push_back(hi); }
    }
    return R;
  }
  UnicodeString GetString(const Byte* AData, size_t ACount) const override {
    UnicodeString R;
    R.reserve(ACount / 2 + 1);
    for (size_t i = 0; i + 1 < ACount; i += 2)
      R.push_back(FBigEndian ? static_cast<char16_t>((AData[i] << 8) | AData[i + 1])
                             : static_cast<char16_t>((AData[i + 1] << 8) | AData[i]));
    if (ACount % 2) R.push_back(0xFFFD);  // a dangling half unit cannot be a character
    return R;
  }
  const char* EncodingName() const override { return FBigEndian ? "UTF-16BE" : "UTF-16LE"; }

 private:
  bool FBigEndian;
};

bool StartsWith(const TBytes& ABuffer, const TBytes& APreamble) {
  if (APreamble.empty() || ABuffer.size() < APreamble.size()) return false;
  for (size_t i = 0; i < APreamble.size(); ++i)
    if (ABuffer[i] != APreamble[i]) return false;
  return true;
}

}  // namespace

TEncoding* TEncoding::ANSI() {
  static TAnsiEncoding E;
  return &E;
}
TEncoding* TEncoding::UTF8() {
  static TUTF8Encoding E(true);
  return &E;
}
TEncoding* TEncoding::UTF8NoBOM() {
  static TUTF8Encoding E(false);
  return &E;
}
TEncoding* TEncoding::Unicode() {
  static TUTF16Encoding E(false);
  return &E;
}
TEncoding* TEncoding::BigEndianUnicode() {
  static TUTF16Encoding E(true);
  return &E;
}

Integer TEncoding::GetBufferEncoding(const TBytes& ABuffer, TEncoding*& AEncoding, TEncoding* ADefault) {
  if (AEncoding) return StartsWith(ABuffer, AEncoding->GetPreamble()) ? static_cast<Integer>(AEncoding->GetPreamble().size()) : 0;
  for (TEncoding* E : {UTF8(), Unicode(), BigEndianUnicode()}) {
    if (StartsWith(ABuffer, E->GetPreamble())) {
      AEncoding = E;
      return static_cast<Integer>(E->GetPreamble().size());
    }
  }
  AEncoding = ADefault ? ADefault : ANSI();
  return 0;
}

UnicodeString AdjustLineBreaks(const UnicodeString& S) {
  UnicodeString R;
  R.reserve(S.size() + S.size() / 16);
  size_t i = 0, n = S.size();
  while (i < n) {
    char16_t c = S[i];
    if (c == u'\r' || c == u'\n') {
      R += u"\r\n";
      // CR LF and LF CR are one break each.
      if (i + 1 < n && S[i + 1] != c && (S[i + 1] == u'\r' || S[i + 1] == u'\n')) ++i;
      ++i;
      continue;
    }
    R.push_back(c);
    ++i;
  }
  return R;
}

}  // namespace Vorlane
