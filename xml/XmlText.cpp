#include "xml/XmlText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/SysUtils.h"
#include "xml/XmlPool.h"

namespace Vorlane {

namespace {

// Parses a 32-bit integer, decimal with an optional sign or bare hexadecimal digits; false
// for anything else (blanks, overflow).
bool TryParseInt32(const UTF8String& S, int Base, Integer& Value) {
  size_t i = 0;
  bool neg = false;
  if (Base == 10 && i < S.size() && (S[i] == '-' || S[i] == '+')) {
    neg = S[i] == '-';
    ++i;
  }
  if (i >= S.size()) return false;
  Int64 v = 0;
  for (; i < S.size(); ++i) {
    int d;
    char c = S[i];
    if (c >= '0' && c <= '9') d = c - '0';
    else if (Base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (Base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * Base + d;
    if (v > 0x80000000LL) return false;
  }
  if (neg) v = -v;
  if (v > 0x7FFFFFFFLL || v < -0x80000000LL) return false;
  Value = static_cast<Integer>(v);
  return true;
}

void AppendUtf8(UTF8String& R, uint32_t cp) {
  if (cp < 0x80) {
    R += static_cast<char>(cp);
  } else if (cp < 0x800) {
    R += static_cast<char>(0xC0 | (cp >> 6));
    R += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    R += static_cast<char>(0xE0 | (cp >> 12));
    R += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    R += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    R += static_cast<char>(0xF0 | (cp >> 18));
    R += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    R += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    R += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Searching and replacing

Integer vxUTF8IndexOf(const UTF8String& SubStr, const UTF8String& S) {
  if (SubStr.empty()) return 0;
  size_t p = S.find(SubStr);
  return p == UTF8String::npos ? 0 : static_cast<Integer>(p + 1);
}

UTF8String vxUTF8StringReplace(const UTF8String& S, const UTF8String& OldPattern,
                               const UTF8String& NewPattern) {
  if (S.empty() || OldPattern.empty()) return S;
  size_t p = S.find(OldPattern);
  if (p == UTF8String::npos) return S;
  UTF8String R;
  R.reserve(S.size() + NewPattern.size());
  size_t from = 0;
  while (p != UTF8String::npos) {
    R.append(S, from, p - from);
    R += NewPattern;
    from = p + OldPattern.size();
    p = S.find(OldPattern, from);
  }
  R.append(S, from, UTF8String::npos);
  return R;
}

UTF8String vxUTF8EscapeString(const UTF8String& AValue) {
  UTF8String R = AValue;
  for (const auto& e : vxEscapeTable) R = vxUTF8StringReplace(R, e.Char, e.Reference);
  return R;
}

UTF8String vxUTF8UnEscapeString(const UTF8String& AValue) {
  size_t amp = AValue.find('&');
  if (amp == UTF8String::npos) return AValue;
  UTF8String R;
  R.reserve(AValue.size());
  size_t pos = 0;
  while (true) {
    amp = AValue.find('&', pos);
    if (amp == UTF8String::npos) {
      R.append(AValue, pos, UTF8String::npos);
      break;
    }
    R.append(AValue, pos, amp - pos);
    size_t semi = AValue.find(';', amp);
    if (semi == UTF8String::npos) {
      R.append(AValue, amp, UTF8String::npos);
      break;
    }
    UTF8String ref = AValue.substr(amp, semi - amp + 1);
    pos = semi + 1;
    if (ref.size() < 2 || ref[1] != '#') {
      bool found = false;
      for (const auto& e : vxEscapeTable) {
        if (ref == e.Reference) {
          R += e.Char;
          found = true;
          break;
        }
      }
      if (!found) R += ref;
      continue;
    }
    UTF8String digits = ref.substr(2, ref.size() - 3);
    if (digits.empty()) {
      R += ref;
      continue;
    }
    Integer code;
    bool ok;
    if (vxUpCase(digits[0]) == 'X') ok = TryParseInt32(digits.substr(1), 16, code);
    else ok = TryParseInt32(digits, 10, code);
    if (!ok) code = -1;
    if (code >= 0 && code <= 65534) {
      R += vxUnicodeToUtf8(UnicodeString(1, static_cast<char16_t>(code)));
    } else {
      R += ref;
    }
  }
  return R;
}

// ---------------------------------------------------------------------------------------------
// Quoting

UTF8String vxUTF8QuotedString(const UTF8String& AValue) {
  char quote = AValue.find('"') == UTF8String::npos ? '"' : '\'';
  size_t count = 0;
  for (char c : AValue)
    if (c == quote) ++count;
  UTF8String R;
  R.reserve(AValue.size() + count + 2);
  R += quote;
  for (char c : AValue) {
    R += c;
    if (c == quote) R += c;
  }
  R += quote;
  return R;
}

UTF8String vxUTF8UnQuotedString(const UTF8String& AValue) {
  if (AValue.size() <= 1 || !vxIsQuote(AValue[0])) return AValue;
  char quote = AValue[0];
  UTF8String R;
  R.reserve(AValue.size());
  size_t i = 1;
  while (i < AValue.size()) {
    char c = AValue[i];
    if (c == quote) {
      if (i + 1 < AValue.size() && AValue[i + 1] == quote) {
        R += quote;
        i += 2;
        continue;
      }
      return R;  // the closing quote; anything after it is ignored
    }
    R += c;
    ++i;
  }
  // Never closed: callers only pass closed texts. Keep what followed the opening quote
  // rather than guessing which byte was meant to be the closing one.
  return R;
}

// ---------------------------------------------------------------------------------------------
// Line breaking of encoded values and blank handling

UTF8String vxAddControlChars(const UTF8String& AValue, const UTF8String& ControlChars,
                             Integer LineLength) {
  if (ControlChars.empty() || LineLength <= 0) return AValue;
  size_t len = AValue.size();
  size_t lines = LineLength > 1 ? (len + LineLength - 1) / LineLength : 0;
  UTF8String R;
  R.reserve(len + (lines + 1) * ControlChars.size());
  for (size_t i = 0; i < len; ++i) {
    if (LineLength > 1 && i % static_cast<size_t>(LineLength) == 0) R += ControlChars;
    R += AValue[i];
  }
  R += ControlChars;
  return R;
}

UTF8String vxRemoveControlChars(const UTF8String& AValue) {
  UTF8String R;
  R.reserve(AValue.size());
  for (char c : AValue)
    if (!vxIsBlank(c)) R += c;
  return R;
}

bool vxUTF8MatchString(const UTF8String& SubString, const UTF8String& S, Integer Start) {
  if (SubString.empty()) return true;
  if (Start < 1) return false;
  size_t start = static_cast<size_t>(Start - 1);
  if (start > S.size() || S.size() - start < SubString.size()) return false;
  for (size_t i = 0; i < SubString.size(); ++i)
    if (vxUpCase(SubString[i]) != vxUpCase(S[start + i])) return false;
  return true;
}

bool vxUTF8FindString(const UTF8String& SubString, const UTF8String& S, Integer Start,
                      Integer Close, Integer& APos) {
  APos = 0;
  Integer last = Close - static_cast<Integer>(SubString.size());
  if (last < Start) return false;
  for (Integer i = Start; i <= last; ++i) {
    if (vxUTF8MatchString(SubString, S, i)) {
      APos = i;
      return true;
    }
  }
  return false;
}

bool vxUTF8TrimPos(const UTF8String& AValue, Integer& IStart, Integer& IClose) {
  if (IStart < 1) IStart = 1;
  Integer len = static_cast<Integer>(AValue.size());
  if (IClose > len + 1) IClose = len + 1;
  if (IStart >= IClose) return false;
  while (IStart < IClose && vxIsBlank(AValue[static_cast<size_t>(IStart - 1)])) ++IStart;
  while (IClose > IStart && vxIsBlank(AValue[static_cast<size_t>(IClose - 2)])) --IClose;
  return IStart < IClose;
}

UTF8String vxUTF8Trim(const UTF8String& AValue) {
  Integer first = 1, close = static_cast<Integer>(AValue.size()) + 1;
  if (!vxUTF8TrimPos(AValue, first, close)) return UTF8String();
  return AValue.substr(static_cast<size_t>(first - 1), static_cast<size_t>(close - first));
}

void vxUTF8ParseAttributes(const UTF8String& AValue, Integer First, Integer Last,
                           TvxUTF8StringList* List) {
  if (!List) return;
  if (!vxUTF8TrimPos(AValue, First, Last)) return;
  List->Clear();
  Integer segStart = First;
  char quote = 0;
  // Set when a piece after the first opens with "=" or a quote and may need gluing.
  bool glue = false;
  auto addPiece = [&](Integer AFrom, Integer ATo) {
    const char c = AValue[static_cast<size_t>(AFrom - 1)];
    if (List->Count() > 0 && (c == '=' || vxIsQuote(c))) glue = true;
    List->Add(AValue.substr(static_cast<size_t>(AFrom - 1), static_cast<size_t>(ATo - AFrom)));
  };
  for (Integer i = First; i < Last; ++i) {
    char c = AValue[static_cast<size_t>(i - 1)];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (vxIsQuote(c)) {
      quote = c;
    } else if (vxIsBlank(c)) {
      if (segStart < i) addPiece(segStart, i);
      segStart = i + 1;
    }
  }
  if (segStart < Last) addPiece(segStart, Last);
  if (!glue) return;
  // "a = 'x'" arrives as three pieces: glue the "=" pieces first, then the quoted values.
  for (Integer i = List->Count() - 1; i >= 1; --i) {
    UTF8String item = List->Items(i);
    if (!item.empty() && item[0] == '=') {
      List->SetItems(i - 1, List->Items(i - 1) + item);
      List->Delete(i);
    }
  }
  // A quoted piece is a value only after a name and its "=": in a declaration, a quoted
  // literal that merely holds "=" ("x=" "p.dtd") is followed by the next literal, and gluing
  // the two would lose the blank that separates them in the written text.
  auto endsWithEquals = [](const UTF8String& AItem) {
    if (AItem.empty() || AItem.back() != '=') return false;
    char q = 0;
    for (size_t k = 0; k + 1 < AItem.size(); ++k) {
      if (q) {
        if (AItem[k] == q) q = 0;
      } else if (vxIsQuote(AItem[k])) {
        q = AItem[k];
      }
    }
    return q == 0;
  };
  for (Integer i = List->Count() - 1; i >= 1; --i) {
    UTF8String item = List->Items(i);
    if (!item.empty() && vxIsQuote(item[0])) {
      UTF8String prev = List->Items(i - 1);
      if (endsWithEquals(prev)) {
        List->SetItems(i - 1, prev + item);
        List->Delete(i);
      }
    }
  }
}

void vxUTF8WriteStringToStream(TStream* S, const UTF8String& AValue) {
  if (!AValue.empty()) S->Write(AValue.data(), static_cast<Integer>(AValue.size()));
}

// ---------------------------------------------------------------------------------------------
// Comparison and numbers

Integer vxUTF8CompareNoCase(const UTF8String& A, const UTF8String& B) {
  // Names that agree byte for byte apart from ASCII case are equal under the locale rule
  // too; most successful lookups end here without converting anything.
  if (A.size() == B.size()) {
    if (A == B) return 0;  // a close tag repeats its element's name exactly
    size_t i = 0;
    while (i < A.size() && vxUpCase(A[i]) == vxUpCase(B[i])) ++i;
    if (i == A.size()) return 0;
  }
  UnicodeString WA = vxUtf8ToUnicode(A), WB = vxUtf8ToUnicode(B);
  if ((WA.empty() && !A.empty()) || (WB.empty() && !B.empty())) {
    // Malformed UTF-8 converts to nothing; two different malformed names must not meet as
    // equal, so they compare by their bytes, ASCII case ignored.
    size_t n = std::min(A.size(), B.size());
    for (size_t i = 0; i < n; ++i) {
      Byte a = static_cast<Byte>(vxUpCase(A[i])), b = static_cast<Byte>(vxUpCase(B[i]));
      if (a != b) return a < b ? -1 : 1;
    }
    return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
  }
  return AnsiCompareText(WA, WB);
}

bool vxUTF8SameTextNoCase(const UTF8String& A, const UTF8String& B) {
  return vxUTF8SameTextNoCase(A, B, vxUTF8IsAscii(B));
}

UTF8String vxIntToUTF8(Integer Value) { return std::to_string(Value); }

UTF8String vxInt64ToUTF8(Int64 Value) { return std::to_string(Value); }

// ---------------------------------------------------------------------------------------------
// Encoding conversions

UTF8String vxUnicodeToUtf8(const UnicodeString& W) {
  UTF8String R;
  if (W.empty()) return R;
  R.reserve(W.size() * 3);
  for (size_t i = 0; i < W.size(); ++i) {
    uint32_t u = W[i];
    // A well-formed pair is one character beyond U+FFFF: four bytes, as UTF-8 requires.
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < W.size() && W[i + 1] >= 0xDC00 && W[i + 1] <= 0xDFFF) {
      uint32_t cp = 0x10000 + ((u - 0xD800) << 10) + (W[i + 1] - 0xDC00);
      AppendUtf8(R, cp);
      ++i;
      continue;
    }
    AppendUtf8(R, u);
  }
  return R;
}

UnicodeString vxUtf8ToUnicode(const UTF8String& S) {
  UnicodeString R;
  if (S.empty()) return R;
  R.reserve(S.size());
  const size_t n = S.size();
  size_t i = 0;
  while (i < n) {
    Byte b = static_cast<Byte>(S[i]);
    if (b < 0x80) {
      R += static_cast<char16_t>(b);
      ++i;
      continue;
    }
    // Bit 5 clear: two bytes; set: three; an F0..F7 lead opens a four-byte sequence, which
    // becomes a surrogate pair.
    size_t follow;
    uint32_t v;
    if (b >= 0xF0 && b <= 0xF7) {
      follow = 3;
      v = b & 0x07;
    } else if (b & 0x20) {
      follow = 2;
      v = b & 0x0F;
    } else {
      follow = 1;
      v = b & 0x1F;
    }
    if (n - i - 1 < follow) return UnicodeString();
    for (size_t k = 1; k <= follow; ++k) {
      Byte c = static_cast<Byte>(S[i + k]);
      if ((c & 0xC0) != 0x80) return UnicodeString();
      v = (v << 6) | (c & 0x3F);
    }
    i += follow + 1;
    if (follow == 3) {
      if (v < 0x10000 || v > 0x10FFFF) return UnicodeString();
      v -= 0x10000;
      R += static_cast<char16_t>(0xD800 + (v >> 10));
      R += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
    } else {
      R += static_cast<char16_t>(v & 0xFFFF);
    }
  }
  return R;
}

UTF8String vxAnsiToUtf8(const AnsiString& S) {
  if (S.empty()) return UTF8String();
  return vxUnicodeToUtf8(AnsiToUnicode(S));
}

AnsiString vxUtf8ToAnsi(const UTF8String& S) {
  if (S.empty()) return AnsiString();
  UnicodeString W = vxUtf8ToUnicode(S);
  // A character beyond U+FFFF is one character: it becomes one substitute byte, not two.
  UnicodeString Folded;
  Folded.reserve(W.size());
  for (size_t i = 0; i < W.size(); ++i) {
    char16_t u = W[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < W.size() && W[i + 1] >= 0xDC00 && W[i + 1] <= 0xDFFF) {
      Folded += u'\xFFFD';
      ++i;
    } else {
      Folded += u;
    }
  }
  return UnicodeToAnsi(Folded);
}

// ---------------------------------------------------------------------------------------------
// TvxUTF8StringList

void* TvxUTF8StringList::operator new(std::size_t ASize) { return XmlPool::AllocateFor<TvxUTF8StringList>(ASize); }

void TvxUTF8StringList::operator delete(void* AList, std::size_t ASize) {
  XmlPool::ReleaseFor<TvxUTF8StringList>(AList, ASize);
}

void TvxUTF8StringList::GrowForOne() {
  if (FCount > 0 && static_cast<size_t>(FCount - 1) == FRest.size()) FRest.emplace_back();
}

Integer TvxUTF8StringList::Add(const UTF8String& S) {
  GrowForOne();
  Slot(FCount) = S;
  return FCount++;
}

Integer TvxUTF8StringList::Add(UTF8String&& S) {
  GrowForOne();
  Slot(FCount) = std::move(S);
  return FCount++;
}

void TvxUTF8StringList::Reserve(Integer ACount) {
  if (ACount > 1) FRest.reserve(static_cast<size_t>(ACount - 1));
}

void TvxUTF8StringList::Assign(const TvxUTF8StringList* Source) {
  if (!Source) throw EConvertError("Cannot assign a nil to a TvxUTF8StringList");
  if (Source == this) return;
  FCount = 0;
  Reserve(Source->FCount);
  for (Integer i = 0; i < Source->FCount; ++i) Add(Source->Slot(i));
}

void TvxUTF8StringList::Delete(Integer Index) {
  if (Index < 0 || Index >= FCount) return;
  for (Integer i = Index; i < FCount - 1; ++i) Slot(i).swap(Slot(i + 1));
  --FCount;
}

const UTF8String& TvxUTF8StringList::ItemRef(Integer Index) const {
  static const UTF8String cNone;
  if (Index < 0 || Index >= FCount) return cNone;
  return Slot(Index);
}

UTF8String TvxUTF8StringList::Items(Integer Index) const {
  if (Index < 0 || Index >= FCount) return UTF8String();
  return Slot(Index);
}

void TvxUTF8StringList::SetItems(Integer Index, const UTF8String& Value) {
  if (Index < 0 || Index >= FCount) return;
  Slot(Index) = Value;
}

UTF8String TvxUTF8StringList::Names(Integer Index) const {
  if (Index < 0 || Index >= FCount) return UTF8String();
  const UTF8String& item = Slot(Index);
  size_t eq = item.find('=');
  if (eq == UTF8String::npos) return UTF8String();
  return item.substr(0, eq);
}

UTF8String TvxUTF8StringList::Text() const {
  size_t total = 0;
  for (Integer i = 0; i < FCount; ++i) total += Slot(i).size() + 2;
  UTF8String R;
  R.reserve(total);
  for (Integer i = 0; i < FCount; ++i) {
    R += Slot(i);
    R += "\r\n";
  }
  return R;
}

Integer TvxUTF8StringList::IndexOfName(const UTF8String& Name) const {
  // The item begins with the name (ASCII letters folded) and "=".
  const size_t n = Name.size();
  for (Integer i = 0; i < FCount; ++i) {
    const UTF8String& item = Slot(i);
    if (item.size() <= n || item[n] != '=') continue;
    size_t k = 0;
    while (k < n && vxUpCase(item[k]) == vxUpCase(Name[k])) ++k;
    if (k == n) return i;
  }
  return -1;
}

UTF8String TvxUTF8StringList::Values(const UTF8String& Name) const {
  Integer i = IndexOfName(Name);
  if (i < 0) return UTF8String();
  return Slot(i).substr(Name.size() + 1);
}

void TvxUTF8StringList::SetValues(const UTF8String& Name, const UTF8String& Value) {
  Integer i = IndexOfName(Name);
  if (Value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  if (i < 0) i = Add(UTF8String());
  Slot(i) = Name + "=" + Value;
}

// ---------------------------------------------------------------------------------------------
// TvxUTF8StringStream

TvxUTF8StringStream::TvxUTF8StringStream(const UTF8String& S) {
  SetSize(static_cast<Int64>(S.size()));
  if (!S.empty()) {
    SetPosition(0);
    WriteBuffer(S.data(), static_cast<Integer>(S.size()));
  }
  SetPosition(0);
}

UTF8String TvxUTF8StringStream::DataString() {
  UTF8String R(static_cast<size_t>(Size()), '\0');
  SetPosition(0);
  if (!R.empty()) ReadBuffer(R.data(), static_cast<Integer>(R.size()));
  return R;
}

}  // namespace Vorlane
