// Locale-aware comparisons on POSIX. There is no user-default sort to ask, so the order that
// Windows' user-default sort gives for the text this product meets (names of elements,
// configurations, platforms and files) is rebuilt here, in levels as Windows compares:
//   1. base characters: punctuation and symbols before digits before letters; letters
//      without their case (ASCII, Latin, Greek, Cyrillic) and without their accents;
//      "ß", "æ", "œ" and "ĳ" count as two letters;
//   2. accents: an unaccented letter before its accented forms;
//   3. the hyphen and the apostrophe, which the word sort leaves out of the first two levels,
//      so that "cook" < "coop" < "co-op" < "cop".
// Case alone never makes two texts differ.
#include <vector>

#include "platform/SysUtils.h"

namespace Vorlane {

namespace {

char16_t ToUpperChar(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x178 || c == 0x17F) return c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
      return (c & 1) ? c : static_cast<char16_t>(c - 1);
    return (c & 1) ? static_cast<char16_t>(c - 1) : c;
  }
  if (c >= 0x370 && c <= 0x3FF) {  // Greek
    if (c == 0x3C2) return 0x3A3;
    if (c >= 0x3B1 && c <= 0x3CB) return static_cast<char16_t>(c - 32);
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return static_cast<char16_t>(c - 37);
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return static_cast<char16_t>(c - 63);
    return c;
  }
  if (c >= 0x400 && c <= 0x52F) {  // Cyrillic
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 32);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
      return (c & 1) ? static_cast<char16_t>(c - 1) : c;
    if (c >= 0x4C1 && c <= 0x4CE) return (c & 1) ? c : static_cast<char16_t>(c - 1);
    if (c == 0x4CF) return 0x4C0;
    return c;
  }
  return c;
}

char16_t ToLowerChar(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
      return (c & 1) ? static_cast<char16_t>(c + 1) : c;
    return (c & 1) ? c : static_cast<char16_t>(c + 1);
  }
  if (c >= 0x370 && c <= 0x3FF) {
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);
    if (c == 0x386) return 0x3AC;
    if (c >= 0x388 && c <= 0x38A) return static_cast<char16_t>(c + 37);
    if (c == 0x38C) return 0x3CC;
    if (c == 0x38E || c == 0x38F) return static_cast<char16_t>(c + 63);
    return c;
  }
  if (c >= 0x400 && c <= 0x52F) {
    if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
      return (c & 1) ? c : static_cast<char16_t>(c + 1);
    if (c >= 0x4C1 && c <= 0x4CE) return (c & 1) ? static_cast<char16_t>(c + 1) : c;
    if (c == 0x4C0) return 0x4CF;
    return c;
  }
  return c;
}

// The unaccented letter of an upper-case letter, or the letter itself.
char16_t BaseLetter(char16_t u) {
  if (u >= 0xC0 && u <= 0xDD) {
    static const char cLatin1[] = "AAAAAAACEEEEIIIIDNOOOOO*OUUUUY";
    char b = cLatin1[u - 0xC0];
    return b == '*' ? u : static_cast<char16_t>(b);
  }
  if (u >= 0x100 && u <= 0x17F) {
    static const char cExtA[] =
        "AAAAAACCCCCCCCDDDDEEEEEEEEEEGGGGGGGGHHHHIIIIIIIIIIIIJJKKKLLLLLLLLLLNNNNNNNNNOOOOOOOO"
        "RRRRRRSSSSSSSSTTTTTTUUUUUUUUUUUUWWYYYZZZZZZS";
    return static_cast<char16_t>(cExtA[u - 0x100]);
  }
  switch (u) {
    case 0x386: return 0x391;
    case 0x388: return 0x395;
    case 0x389: return 0x397;
    case 0x38A: case 0x3AA: return 0x399;
    case 0x38C: return 0x39F;
    case 0x38E: case 0x3AB: return 0x3A5;
    case 0x38F: return 0x3A9;
    case 0x400: case 0x401: return 0x415;
    case 0x40D: return 0x418;
    default: return u;
  }
}

enum TCharKind { ckIgnored, ckWordSort, ckSymbol, ckDigit, ckLetter };

TCharKind KindOf(char16_t c) {
  if (c == 0xAD || (c >= 0x200B && c <= 0x200D) || c == 0xFEFF) return ckIgnored;
  if (c == u'-' || c == u'\'') return ckWordSort;
  if (c >= u'0' && c <= u'9') return ckDigit;
  if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) return ckLetter;
  if (c < 0xC0) return ckSymbol;
  if (c == 0xD7 || c == 0xF7) return ckSymbol;
  if ((c >= 0x2000 && c <= 0x2BFF) || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFF0F))
    return ckSymbol;
  return ckLetter;
}

struct TSortElement {
  int Kind;        // TCharKind, the first thing compared
  char32_t Primary;
  char32_t Accent;  // 0 for a plain letter
};

struct TSortKey {
  std::vector<TSortElement> Elements;
  std::vector<std::pair<size_t, char16_t>> WordSort;  // position among the elements, char
};

TSortKey MakeKey(const UnicodeString& S) {
  TSortKey k;
  k.Elements.reserve(S.size() + 2);
  for (char16_t c : S) {
    TCharKind kind = KindOf(c);
    if (kind == ckIgnored) continue;
    if (kind == ckWordSort) {
      k.WordSort.emplace_back(k.Elements.size(), c);
      continue;
    }
    char16_t u = ToUpperChar(c);
    if (kind != ckLetter) {
      k.Elements.push_back({kind, u, 0});
      continue;
    }
    // Letters that sort as two.
    const char* pair = nullptr;
    switch (u) {
      case 0xDF: pair = "SS"; break;
      case 0xC6: pair = "AE"; break;
      case 0x152: pair = "OE"; break;
      case 0x132: pair = "IJ"; break;
      default: break;
    }
    if (pair) {
      k.Elements.push_back({ckLetter, static_cast<char32_t>(pair[0]), u});
      k.Elements.push_back({ckLetter, static_cast<char32_t>(pair[1]), u});
      continue;
    }
    char16_t b = BaseLetter(u);
    k.Elements.push_back({ckLetter, b, b == u ? 0 : static_cast<char32_t>(u)});
  }
  return k;
}

int Sign(long long d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }

int ComparePrimary(const TSortElement& a, const TSortElement& b) {
  if (a.Kind != b.Kind) return Sign(a.Kind - b.Kind);
  return Sign(static_cast<long long>(a.Primary) - static_cast<long long>(b.Primary));
}

// Levels 2 and 3, once the base characters agree.
int CompareTieBreak(const TSortKey& A, const TSortKey& B) {
  size_t n = std::min(A.Elements.size(), B.Elements.size());
  for (size_t i = 0; i < n; ++i) {
    int d = Sign(static_cast<long long>(A.Elements[i].Accent) - static_cast<long long>(B.Elements[i].Accent));
    if (d) return d;
  }
  size_t m = std::min(A.WordSort.size(), B.WordSort.size());
  for (size_t i = 0; i < m; ++i) {
    // A hyphen further on means more of the text agreed before it: that text sorts first.
    if (A.WordSort[i].first != B.WordSort[i].first) return A.WordSort[i].first > B.WordSort[i].first ? -1 : 1;
    int d = Sign(static_cast<long long>(A.WordSort[i].second) - static_cast<long long>(B.WordSort[i].second));
    if (d) return d;
  }
  return Sign(static_cast<long long>(A.WordSort.size()) - static_cast<long long>(B.WordSort.size()));
}

}  // namespace

int AnsiCompareText(const UnicodeString& A, const UnicodeString& B) {
  TSortKey ka = MakeKey(A), kb = MakeKey(B);
  size_t n = std::min(ka.Elements.size(), kb.Elements.size());
  for (size_t i = 0; i < n; ++i) {
    int d = ComparePrimary(ka.Elements[i], kb.Elements[i]);
    if (d) return d;
  }
  if (ka.Elements.size() != kb.Elements.size()) return ka.Elements.size() < kb.Elements.size() ? -1 : 1;
  return CompareTieBreak(ka, kb);
}

bool AnsiSameText(const UnicodeString& A, const UnicodeString& B) { return AnsiCompareText(A, B) == 0; }

UnicodeString AnsiUpperCase(const UnicodeString& S) {
  UnicodeString R = S;
  for (auto& c : R) c = ToUpperChar(c);
  return R;
}

UnicodeString AnsiLowerCase(const UnicodeString& S) {
  UnicodeString R = S;
  for (auto& c : R) c = ToLowerChar(c);
  return R;
}

// As AnsiCompareText, but a run of digits is one element compared by its numeric value, as
// Explorer orders file names (Cfg_2 before Cfg_10).
int CompareTextLogical(const UnicodeString& A, const UnicodeString& B) {
  TSortKey ka = MakeKey(A), kb = MakeKey(B);
  const auto& ea = ka.Elements;
  const auto& eb = kb.Elements;
  size_t i = 0, j = 0;
  while (i < ea.size() && j < eb.size()) {
    if (ea[i].Kind == ckDigit && eb[j].Kind == ckDigit) {
      size_t si = i, sj = j;
      while (si < ea.size() && ea[si].Kind == ckDigit && ea[si].Primary == u'0') ++si;
      while (sj < eb.size() && eb[sj].Kind == ckDigit && eb[sj].Primary == u'0') ++sj;
      size_t ei = si, ej = sj;
      while (ei < ea.size() && ea[ei].Kind == ckDigit) ++ei;
      while (ej < eb.size() && eb[ej].Kind == ckDigit) ++ej;
      if (ei - si != ej - sj) return ei - si < ej - sj ? -1 : 1;
      for (size_t k = 0; k < ei - si; ++k)
        if (ea[si + k].Primary != eb[sj + k].Primary) return ea[si + k].Primary < eb[sj + k].Primary ? -1 : 1;
      i = ei;
      j = ej;
      continue;
    }
    int d = ComparePrimary(ea[i], eb[j]);
    if (d) return d;
    ++i;
    ++j;
  }
  if (i < ea.size()) return 1;
  if (j < eb.size()) return -1;
  // Equal as numbers and letters: leading zeros, accents and hyphens decide.
  return AnsiCompareText(A, B);
}

}  // namespace Vorlane
