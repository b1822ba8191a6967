// Locale-aware comparisons. On POSIX there is no user-default sort to ask, so the order that
// Windows' user-default sort gives for the text this product meets (names of elements,
// configurations, platforms and files) is built here: case is ignored for ASCII, Latin,
// Greek and Cyrillic letters, and punctuation sorts before digits before letters.
#include "platform/SysUtils.h"

namespace Vorlane {

namespace {

char16_t FoldCase(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? c - 32 : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;               // Latin-1
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {                                        // Latin Extended-A
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : c - 1;
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c & 1) ? c - 1 : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;             // Greek
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x3AC && c <= 0x3AF) {
    static const char16_t m[] = {0x386, 0x388, 0x389, 0x38A};
    return m[c - 0x3AC];
  }
  if (c >= 0x430 && c <= 0x44F) return c - 32;                           // Cyrillic
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  return c;
}

// Primary class: punctuation and symbols, then digits, then letters and everything else.
int CharClass(char16_t c) {
  if (c >= u'0' && c <= u'9') return 1;
  if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c >= 0xC0) return 2;
  return 0;
}

int CompareChars(char16_t a, char16_t b) {
  a = FoldCase(a);
  b = FoldCase(b);
  if (a == b) return 0;
  int ca = CharClass(a), cb = CharClass(b);
  if (ca != cb) return ca - cb;
  return static_cast<int>(a) - static_cast<int>(b);
}

}  // namespace

int AnsiCompareText(const UnicodeString& A, const UnicodeString& B) {
  size_t n = std::min(A.size(), B.size());
  for (size_t i = 0; i < n; ++i) {
    int d = CompareChars(A[i], B[i]);
    if (d != 0) return d < 0 ? -1 : 1;
  }
  if (A.size() == B.size()) return 0;
  return A.size() < B.size() ? -1 : 1;
}

bool AnsiSameText(const UnicodeString& A, const UnicodeString& B) { return AnsiCompareText(A, B) == 0; }

UnicodeString AnsiUpperCase(const UnicodeString& S) {
  UnicodeString R = S;
  for (auto& c : R) c = FoldCase(c);
  return R;
}

UnicodeString AnsiLowerCase(const UnicodeString& S) {
  UnicodeString R = S;
  for (auto& c : R) {
    char16_t u = FoldCase(c);
    if (u != c) continue;  // already lower case or caseless
    for (char16_t l = c + 1; l < c + 81 && l != 0; ++l)
      if (FoldCase(l) == c && l != c) { c = l; break; }
  }
  return R;
}

int CompareTextLogical(const UnicodeString& A, const UnicodeString& B) {
  size_t i = 0, j = 0;
  auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
  while (i < A.size() && j < B.size()) {
    if (isDigit(A[i]) && isDigit(B[j])) {
      size_t si = i, sj = j;
      while (si < A.size() && A[si] == u'0') ++si;
      while (sj < B.size() && B[sj] == u'0') ++sj;
      size_t ei = si, ej = sj;
      while (ei < A.size() && isDigit(A[ei])) ++ei;
      while (ej < B.size() && isDigit(B[ej])) ++ej;
      if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
      for (size_t k = 0; k < ei - si; ++k)
        if (A[si + k] != B[sj + k]) return A[si + k] < B[sj + k] ? -1 : 1;
      i = ei;
      j = ej;
      continue;
    }
    int d = CompareChars(A[i], B[j]);
    if (d != 0) return d < 0 ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < A.size()) return 1;
  if (j < B.size()) return -1;
  return 0;
}

}  // namespace Vorlane
