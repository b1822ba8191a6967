// File names, arguments and console text at the POSIX boundary. A name there is any byte
// string without NUL and '/', not necessarily UTF-8, and a file must stay reachable under the
// name the system gave it: undecodable bytes travel as lone surrogates (U+DC80..U+DCFF), which
// valid UTF-8 can never produce, so the conversion back restores exactly the original bytes.
#include "platform/OsBackend.h"
#include "platform/TextChars.h"

namespace Vorlane::OsBackend {

UnicodeString FromSystemName(const std::string& AName) { return FromSystemName(AName.data(), AName.size()); }

UnicodeString FromSystemName(const char* AName, size_t ALength) {
  const auto* P = reinterpret_cast<const unsigned char*>(AName);
  const size_t N = ALength;
  // The ASCII part (most names are nothing else) is widened in one go.
  size_t Ascii = 0;
  while (Ascii < N && P[Ascii] < 0x80) ++Ascii;
  UnicodeString R(P, P + Ascii);
  if (Ascii == N) return R;
  R.reserve(N);
  for (size_t I = Ascii; I < N;) {
    char32_t Cp;
    const size_t Len = TextChars::DecodeUtf8(P + I, N - I, Cp);
    if (Len == 0) {
      R.push_back(static_cast<char16_t>(0xDC00 + P[I]));
      ++I;
      continue;
    }
    I += Len;
    TextChars::AppendUtf16(R, Cp);
  }
  return R;
}

std::string ToSystemName(const UnicodeString& AName) {
  std::string R;
  R.reserve(AName.size());
  for (size_t I = 0; I < AName.size();) {
    char32_t Cp = TextChars::NextCodePoint(AName, I);
    if (Cp >= 0xDC80 && Cp <= 0xDCFF) {
      R.push_back(static_cast<char>(Cp - 0xDC00));  // an escaped byte
      continue;
    }
    if (Cp >= 0xD800 && Cp <= 0xDFFF) Cp = 0xFFFD;  // no system text decodes to this surrogate
    TextChars::AppendUtf8(R, Cp);
  }
  return R;
}

}  // namespace Vorlane::OsBackend
