#include "platform/SysUtils.h"

#include "platform/OsBackend.h"
#include "platform/TextChars.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace Vorlane {

// ---------------------------------------------------------------------------------------------
// Exceptions

Exception::Exception(const UnicodeString& AMessage) { SetMessage(AMessage); }
Exception::Exception(const char* AMessageUtf8) { SetMessage(UTF8ToUnicode(AMessageUtf8 ? AMessageUtf8 : "")); }
Exception::Exception(const std::string& AMessageUtf8) { SetMessage(UTF8ToUnicode(AMessageUtf8)); }
Exception::~Exception() = default;

std::string Exception::MessageUtf8() const { return FWhat; }

void Exception::SetMessage(const UnicodeString& AMessage) {
  FMessage = AMessage;
  FWhat = UnicodeToUTF8(AMessage);
}

// ---------------------------------------------------------------------------------------------
// UTF-8 / UTF-16

namespace TextChars {

std::size_t DecodeUtf8(const unsigned char* P, std::size_t N, char32_t& ACp) {
  const unsigned C = P[0];
  std::size_t Extra;
  char32_t Minimum;
  if (C < 0x80) {
    ACp = C;
    return 1;
  }
  if ((C & 0xE0) == 0xC0) { Extra = 1; ACp = C & 0x1F; Minimum = 0x80; }
  else if ((C & 0xF0) == 0xE0) { Extra = 2; ACp = C & 0x0F; Minimum = 0x800; }
  else if ((C & 0xF8) == 0xF0) { Extra = 3; ACp = C & 0x07; Minimum = 0x10000; }
  else return 0;
  if (Extra >= N) return 0;
  for (std::size_t K = 1; K <= Extra; ++K) {
    if ((P[K] & 0xC0) != 0x80) return 0;
    ACp = (ACp << 6) | (P[K] & 0x3F);
  }
  if (ACp < Minimum || ACp > 0x10FFFF || (ACp >= 0xD800 && ACp <= 0xDFFF)) return 0;
  return Extra + 1;
}

void AppendUtf8(std::string& R, char32_t ACp) {
  if (ACp < 0x80) {
    R.push_back(static_cast<char>(ACp));
  } else if (ACp < 0x800) {
    R.push_back(static_cast<char>(0xC0 | (ACp >> 6)));
    R.push_back(static_cast<char>(0x80 | (ACp & 0x3F)));
  } else if (ACp < 0x10000) {
    R.push_back(static_cast<char>(0xE0 | (ACp >> 12)));
    R.push_back(static_cast<char>(0x80 | ((ACp >> 6) & 0x3F)));
    R.push_back(static_cast<char>(0x80 | (ACp & 0x3F)));
  } else {
    R.push_back(static_cast<char>(0xF0 | (ACp >> 18)));
    R.push_back(static_cast<char>(0x80 | ((ACp >> 12) & 0x3F)));
    R.push_back(static_cast<char>(0x80 | ((ACp >> 6) & 0x3F)));
    R.push_back(static_cast<char>(0x80 | (ACp & 0x3F)));
  }
}

void AppendUtf16(UnicodeString& R, char32_t ACp) {
  if (ACp >= 0x10000) {
    ACp -= 0x10000;
    R.push_back(static_cast<char16_t>(0xD800 + (ACp >> 10)));
    R.push_back(static_cast<char16_t>(0xDC00 + (ACp & 0x3FF)));
  } else {
    R.push_back(static_cast<char16_t>(ACp));
  }
}

char32_t NextCodePoint(const UnicodeString& S, std::size_t& AIndex) {
  const char32_t C = S[AIndex++];
  if (C >= 0xD800 && C <= 0xDBFF && AIndex < S.size() && S[AIndex] >= 0xDC00 && S[AIndex] <= 0xDFFF)
    return 0x10000 + ((C - 0xD800) << 10) + (S[AIndex++] - 0xDC00);
  return C;
}

}  // namespace TextChars

UnicodeString UTF8ToUnicode(const UTF8String& S) {
  UnicodeString R;
  R.reserve(S.size());
  const auto* P = reinterpret_cast<const unsigned char*>(S.data());
  for (size_t I = 0; I < S.size();) {
    char32_t Cp;
    const size_t Len = TextChars::DecodeUtf8(P + I, S.size() - I, Cp);
    if (Len == 0) {
      R.push_back(0xFFFD);
      ++I;
      continue;
    }
    I += Len;
    TextChars::AppendUtf16(R, Cp);
  }
  return R;
}

UTF8String UnicodeToUTF8(const UnicodeString& S) {
  UTF8String R;
  R.reserve(S.size());
  for (size_t I = 0; I < S.size();) {
    const char32_t Cp = TextChars::NextCodePoint(S, I);
    TextChars::AppendUtf8(R, Cp >= 0xD800 && Cp <= 0xDFFF ? 0xFFFD : Cp);
  }
  return R;
}

// ---------------------------------------------------------------------------------------------
// Windows-1252: bytes 0x80..0x9F map to these characters (0 = unassigned).

static const char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

#ifdef _WIN32
// Windows has a system Ansi code page of its own; the backend converts with it.
UnicodeString AnsiToUnicode(const AnsiString& S) { return OsBackend::SystemAnsiToUnicode(S); }
AnsiString UnicodeToAnsi(const UnicodeString& S) { return OsBackend::UnicodeToSystemAnsi(S); }
#else
UnicodeString AnsiToUnicode(const AnsiString& S) {
  UnicodeString R;
  R.reserve(S.size());
  for (unsigned char c : S) {
    if (c >= 0x80 && c <= 0x9F) {
      char16_t u = kCp1252High[c - 0x80];
      // Unassigned bytes map to the C1 control of the same value, as Windows does.
      R.push_back(u ? u : static_cast<char16_t>(c));
    } else {
      R.push_back(static_cast<char16_t>(c));
    }
  }
  return R;
}

AnsiString UnicodeToAnsi(const UnicodeString& S) {
  AnsiString R;
  R.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i) {
    char16_t u = S[i];
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
      R.push_back(static_cast<char>(u));
      continue;
    }
    char out = '?';
    for (int k = 0; k < 32; ++k) {
      if (kCp1252High[k] == u || (kCp1252High[k] == 0 && u == 0x80 + k)) {
        out = static_cast<char>(0x80 + k);
        break;
      }
    }
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < S.size() && S[i + 1] >= 0xDC00 && S[i + 1] <= 0xDFFF)
      ++i;  // a surrogate pair is one character, one substitute
    R.push_back(out);
  }
  return R;
}
#endif

// ---------------------------------------------------------------------------------------------
// Format

namespace {

[[noreturn]] void FormatError(const UnicodeString& AFormat) {
  throw EConvertError(u"Format '" + AFormat + u"' invalid or incompatible with argument");
}

void AppendAscii(UnicodeString& R, const char* s) {
  while (*s) R.push_back(static_cast<char16_t>(static_cast<unsigned char>(*s++)));
}

void Pad(UnicodeString& R, const UnicodeString& text, int width, bool left) {
  int fill = width - static_cast<int>(text.size());
  if (!left)
    for (int i = 0; i < fill; ++i) R.push_back(u' ');
  R += text;
  if (left)
    for (int i = 0; i < fill; ++i) R.push_back(u' ');
}

}  // namespace

UnicodeString Format(const UnicodeString& AFormat, std::initializer_list<TVarRec> AArgs) {
  UnicodeString R;
  const TVarRec* arg = AArgs.begin();
  const TVarRec* end = AArgs.end();
  size_t i = 0, n = AFormat.size();
  while (i < n) {
    char16_t c = AFormat[i++];
    if (c != u'%') {
      R.push_back(c);
      continue;
    }
    if (i >= n) FormatError(AFormat);
    if (AFormat[i] == u'%') {
      R.push_back(u'%');
      ++i;
      continue;
    }
    bool left = false;
    if (AFormat[i] == u'-') { left = true; ++i; }
    int width = -1, prec = -1;
    while (i < n && AFormat[i] >= u'0' && AFormat[i] <= u'9') width = (width < 0 ? 0 : width * 10) + (AFormat[i++] - u'0');
    if (i < n && AFormat[i] == u'.') {
      ++i;
      prec = 0;
      while (i < n && AFormat[i] >= u'0' && AFormat[i] <= u'9') prec = prec * 10 + (AFormat[i++] - u'0');
    }
    if (i >= n || arg == end) FormatError(AFormat);
    char16_t conv = AFormat[i++];
    const auto& v = arg->Value();
    ++arg;
    UnicodeString text;
    char buf[512];
    switch (conv) {
      case u'd': case u'D': case u'u': case u'U': {
        if (!std::holds_alternative<Int64>(v)) FormatError(AFormat);
        Int64 x = std::get<Int64>(v);
        if ((conv == u'u' || conv == u'U') && x < 0) x = static_cast<Int64>(static_cast<std::uint32_t>(x));
        bool neg = x < 0;
        unsigned long long ux = neg ? 0ULL - static_cast<unsigned long long>(x) : static_cast<unsigned long long>(x);
        std::snprintf(buf, sizeof buf, "%llu", ux);
        std::string digits = buf;
        if (prec > 0 && static_cast<int>(digits.size()) < prec) digits.insert(0, prec - digits.size(), '0');
        if (neg) digits.insert(0, 1, '-');
        AppendAscii(text, digits.c_str());
        break;
      }
      case u'x': case u'X': {
        if (!std::holds_alternative<Int64>(v)) FormatError(AFormat);
        std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(std::get<Int64>(v)));
        std::string digits = buf;
        if (prec > 0 && static_cast<int>(digits.size()) < prec) digits.insert(0, prec - digits.size(), '0');
        AppendAscii(text, digits.c_str());
        break;
      }
      case u's': case u'S': {
        if (!std::holds_alternative<UnicodeString>(v)) FormatError(AFormat);
        text = std::get<UnicodeString>(v);
        if (prec >= 0 && static_cast<int>(text.size()) > prec) text.resize(prec);
        break;
      }
      case u'f': case u'F': case u'g': case u'G': case u'e': case u'E': case u'n': case u'N': {
        double d;
        if (std::holds_alternative<double>(v)) d = std::get<double>(v);
        else if (std::holds_alternative<Int64>(v)) d = static_cast<double>(std::get<Int64>(v));
        else FormatError(AFormat);
        char spec[8] = "%.*f";
        char lc = static_cast<char>(conv | 0x20);
        spec[3] = lc == 'n' ? 'f' : lc;
        std::snprintf(buf, sizeof buf, spec, prec < 0 ? (lc == 'g' ? 15 : 2) : prec, d);
        AppendAscii(text, buf);
        break;
      }
      default:
        FormatError(AFormat);
    }
    Pad(R, text, width, left);
  }
  return R;
}

UTF8String FormatUtf8(const UTF8String& AFormat, std::initializer_list<TVarRec> AArgs) {
  return UnicodeToUTF8(Format(UTF8ToUnicode(AFormat), AArgs));
}

// ---------------------------------------------------------------------------------------------
// String helpers

UnicodeString IntToStr(Int64 AValue) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(AValue));
  UnicodeString R;
  AppendAscii(R, buf);
  return R;
}

bool TryStrToInt(const UnicodeString& S, Integer& AValue) {
  size_t P = 0;
  while (P < S.size() && S[P] == u' ') ++P;
  bool Negative = false;
  if (P < S.size() && (S[P] == u'+' || S[P] == u'-')) {
    Negative = S[P] == u'-';
    ++P;
  }
  unsigned Base = 10;
  if (P < S.size() && S[P] == u'$') {
    Base = 16;
    ++P;
  } else if (P + 1 < S.size() && S[P] == u'0' && (S[P + 1] == u'x' || S[P + 1] == u'X')) {
    Base = 16;
    P += 2;
  }
  if (P >= S.size()) return false;
  Int64 Value = 0;
  for (; P < S.size(); ++P) {
    const char16_t C = S[P];
    unsigned Digit;
    if (C >= u'0' && C <= u'9')
      Digit = C - u'0';
    else if (Base == 16 && C >= u'a' && C <= u'f')
      Digit = C - u'a' + 10;
    else if (Base == 16 && C >= u'A' && C <= u'F')
      Digit = C - u'A' + 10;
    else
      return false;
    Value = Value * Base + Digit;
    if (Value > Int64(std::numeric_limits<Integer>::max()) + 1) return false;
  }
  if (Negative) Value = -Value;
  if (Value > std::numeric_limits<Integer>::max() || Value < std::numeric_limits<Integer>::min())
    return false;
  AValue = static_cast<Integer>(Value);
  return true;
}

Integer StrToIntDef(const UnicodeString& S, Integer ADefault) {
  Integer Value;
  return TryStrToInt(S, Value) ? Value : ADefault;
}

static char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? c - 32 : c; }
static char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + 32 : c; }

UnicodeString UpperCase(const UnicodeString& S) { return TextChars::MapChars(S, AsciiUpper); }
UnicodeString LowerCase(const UnicodeString& S) { return TextChars::MapChars(S, AsciiLower); }

UnicodeString Trim(const UnicodeString& S) {
  size_t b = 0, e = S.size();
  while (b < e && S[b] <= u' ') ++b;
  while (e > b && S[e - 1] <= u' ') --e;
  return S.substr(b, e - b);
}

int CompareText(const UnicodeString& A, const UnicodeString& B) {
  size_t n = std::min(A.size(), B.size());
  for (size_t i = 0; i < n; ++i) {
    int d = static_cast<int>(AsciiUpper(A[i])) - static_cast<int>(AsciiUpper(B[i]));
    if (d != 0) return d;
  }
  return static_cast<int>(A.size()) - static_cast<int>(B.size());
}

bool SameText(const UnicodeString& A, const UnicodeString& B) {
  return A.size() == B.size() && CompareText(A, B) == 0;
}

bool StartsText(const UnicodeString& ASubText, const UnicodeString& AText) {
  return AText.size() >= ASubText.size() && SameText(AText.substr(0, ASubText.size()), ASubText);
}

bool EndsText(const UnicodeString& ASubText, const UnicodeString& AText) {
  return AText.size() >= ASubText.size() &&
         SameText(AText.substr(AText.size() - ASubText.size()), ASubText);
}

int Pos(const UnicodeString& ASubStr, const UnicodeString& S) {
  if (ASubStr.empty()) return 0;
  size_t p = S.find(ASubStr);
  return p == UnicodeString::npos ? 0 : static_cast<int>(p) + 1;
}

UnicodeString StringReplaceAll(const UnicodeString& S, const UnicodeString& AOld,
                               const UnicodeString& ANew, bool AIgnoreCase) {
  if (AOld.empty()) return S;
  UnicodeString R;
  UnicodeString hay = AIgnoreCase ? UpperCase(S) : S;
  UnicodeString needle = AIgnoreCase ? UpperCase(AOld) : AOld;
  size_t i = 0;
  while (true) {
    size_t p = hay.find(needle, i);
    if (p == UnicodeString::npos) break;
    R.append(S, i, p - i);
    R += ANew;
    i = p + AOld.size();
  }
  R.append(S, i, UnicodeString::npos);
  return R;
}

}  // namespace Vorlane
