// File names, arguments and console text at the POSIX boundary. A name there is any byte
// string without NUL and '/', not necessarily UTF-8, and a file must stay reachable under the
// name the system gave it: undecodable bytes travel as lone surrogates (U+DC80..U+DCFF), which
// valid UTF-8 can never produce, so the conversion back restores exactly the original bytes.
#include "platform/OsBackend.h"

namespace Vorlane::OsBackend {

namespace {

void AppendUtf8(std::string& R, char32_t Cp) {
  if (Cp < 0x80) {
    R.push_back(static_cast<char>(Cp));
  } else if (Cp < 0x800) {
    R.push_back(static_cast<char>(0xC0 | (Cp >> 6)));
    R.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
  } else if (Cp < 0x10000) {
    R.push_back(static_cast<char>(0xE0 | (Cp >> 12)));
    R.push_back(static_cast<char>(0x80 | ((Cp >> 6) & 0x3F)));
    R.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
  } else {
    R.push_back(static_cast<char>(0xF0 | (Cp >> 18)));
    R.push_back(static_cast<char>(0x80 | ((Cp >> 12) & 0x3F)));
    R.push_back(static_cast<char>(0x80 | ((Cp >> 6) & 0x3F)));
    R.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
  }
}

// Length of the well-formed UTF-8 sequence at P[0..N) and its code point; 0 when the lead byte
// starts none (overlong forms, encoded surrogates and values past U+10FFFF included).
size_t DecodeOne(const unsigned char* P, size_t N, char32_t& Cp) {
  const unsigned C = P[0];
  size_t Extra;
  char32_t Minimum;
  if (C < 0x80) {
    Cp = C;
    return 1;
  }
  if ((C & 0xE0) == 0xC0) { Extra = 1; Cp = C & 0x1F; Minimum = 0x80; }
  else if ((C & 0xF0) == 0xE0) { Extra = 2; Cp = C & 0x0F; Minimum = 0x800; }
  else if ((C & 0xF8) == 0xF0) { Extra = 3; Cp = C & 0x07; Minimum = 0x10000; }
  else return 0;
  if (Extra >= N) return 0;
  for (size_t K = 1; K <= Extra; ++K) {
    if ((P[K] & 0xC0) != 0x80) return 0;
    Cp = (Cp << 6) | (P[K] & 0x3F);
  }
  if (Cp < Minimum || Cp > 0x10FFFF || (Cp >= 0xD800 && Cp <= 0xDFFF)) return 0;
  return Extra + 1;
}

}  // namespace

UnicodeString FromSystemName(const std::string& AName) {
  const auto* P = reinterpret_cast<const unsigned char*>(AName.data());
  const size_t N = AName.size();
  // The ASCII part (most names are nothing else) is widened in one go.
  size_t Ascii = 0;
  while (Ascii < N && P[Ascii] < 0x80) ++Ascii;
  UnicodeString R(P, P + Ascii);
  if (Ascii == N) return R;
  R.reserve(N);
  for (size_t I = Ascii; I < N;) {
    char32_t Cp;
    const size_t Len = DecodeOne(P + I, N - I, Cp);
    if (Len == 0) {
      R.push_back(static_cast<char16_t>(0xDC00 + P[I]));
      ++I;
      continue;
    }
    I += Len;
    if (Cp >= 0x10000) {
      Cp -= 0x10000;
      R.push_back(static_cast<char16_t>(0xD800 + (Cp >> 10)));
      R.push_back(static_cast<char16_t>(0xDC00 + (Cp & 0x3FF)));
    } else {
      R.push_back(static_cast<char16_t>(Cp));
    }
  }
  return R;
}

std::string ToSystemName(const UnicodeString& AName) {
  std::string R;
  R.reserve(AName.size());
  for (size_t I = 0; I < AName.size(); ++I) {
    char32_t Cp = AName[I];
    if (Cp >= 0xD800 && Cp <= 0xDBFF && I + 1 < AName.size() && AName[I + 1] >= 0xDC00 && AName[I + 1] <= 0xDFFF) {
      Cp = 0x10000 + ((Cp - 0xD800) << 10) + (AName[I + 1] - 0xDC00);
      ++I;
    } else if (Cp >= 0xDC80 && Cp <= 0xDCFF) {
      R.push_back(static_cast<char>(Cp - 0xDC00));  // an escaped byte
      continue;
    } else if (Cp >= 0xD800 && Cp <= 0xDFFF) {
      Cp = 0xFFFD;  // no system text decodes to this surrogate
    }
    AppendUtf8(R, Cp);
  }
  return R;
}

}  // namespace Vorlane::OsBackend
