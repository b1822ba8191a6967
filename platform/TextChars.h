// Character-level pieces that the platform's text functions share: single characters to and
// from UTF-8 and UTF-16 (the text conversions and the POSIX name conversions differ only in
// what they make of what is no character) and per-unit mappings such as case.
// Not for use outside platform/.
#pragma once

#include <cstddef>
#include <string>

#include "platform/Types.h"

namespace Vorlane::TextChars {

// Length of the well-formed UTF-8 sequence at P[0..N) (N > 0) and its code point; 0 when the
// lead byte starts none (overlong forms, encoded surrogates and values past U+10FFFF included).
std::size_t DecodeUtf8(const unsigned char* P, std::size_t N, char32_t& ACp);

// Appends the UTF-8 bytes of ACp (at most U+10FFFF).
void AppendUtf8(std::string& R, char32_t ACp);

// Appends ACp as one UTF-16 unit or as a surrogate pair.
void AppendUtf16(UnicodeString& R, char32_t ACp);

// The code point at S[AIndex], a surrogate pair read as one, and AIndex moved past it. A lone
// surrogate comes back as it is, for the caller to decide about.
char32_t NextCodePoint(const UnicodeString& S, std::size_t& AIndex);

// S with every UTF-16 unit replaced by what AMap makes of it.
template <typename TMap>
UnicodeString MapChars(UnicodeString S, TMap AMap) {
  for (char16_t& C : S) C = AMap(C);
  return S;
}

}  // namespace Vorlane::TextChars
