// UTF-8 text routines of the XML document model, the attribute list every node keeps and the
// memory stream that lets a document be read from or written to a string.
//
// Positions handed to these routines count bytes from 1; a close position is exclusive.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/Classes.h"
#include "platform/Types.h"

namespace Vorlane {

// ---------------------------------------------------------------------------------------------
// Character sets shared by parser, writer and text routines.

// Blank characters: TAB, LF, CR and space.
inline constexpr bool vxIsBlank(char Ch) {
  return Ch == '\t' || Ch == '\n' || Ch == '\r' || Ch == ' ';
}
// Quote characters: the double quote and the apostrophe.
inline constexpr bool vxIsQuote(char Ch) { return Ch == '"' || Ch == '\''; }

inline constexpr char cvxBlankChars[] = "\t\n\r ";
inline constexpr char cvxQuoteChars[] = "\"'";

// Characters and their references, in the order escaping applies them ("&" first, so the
// ampersands of inserted references are never doubled). The apostrophe has no entry.
struct TvxEscapePair {
  const char* Char;
  const char* Reference;
};
inline constexpr TvxEscapePair vxEscapeTable[4] = {
    {"&", "&amp;"}, {"<", "&lt;"}, {">", "&gt;"}, {"\"", "&quot;"}};

// ---------------------------------------------------------------------------------------------
// Text routines

// 1-based position of SubStr in S (byte-exact), 0 when absent or when SubStr is empty.
Integer vxUTF8IndexOf(const UTF8String& SubStr, const UTF8String& S);
// Every non-overlapping occurrence replaced left to right; an empty OldPattern replaces nothing.
UTF8String vxUTF8StringReplace(const UTF8String& S, const UTF8String& OldPattern,
                               const UTF8String& NewPattern);
UTF8String vxUTF8EscapeString(const UTF8String& AValue);
UTF8String vxUTF8UnEscapeString(const UTF8String& AValue);
UTF8String vxUTF8QuotedString(const UTF8String& AValue);
UTF8String vxUTF8UnQuotedString(const UTF8String& AValue);
// Inserts ControlChars before every LineLength-th byte run and once more at the end.
UTF8String vxAddControlChars(const UTF8String& AValue, const UTF8String& ControlChars,
                             Integer LineLength);
// The text without any blank character.
UTF8String vxRemoveControlChars(const UTF8String& AValue);
// True when S holds SubString at Start, comparing after folding ASCII letters.
bool vxUTF8MatchString(const UTF8String& SubString, const UTF8String& S, Integer Start);
bool vxUTF8FindString(const UTF8String& SubString, const UTF8String& S, Integer Start,
                      Integer Close, Integer& APos);
// Narrows IStart..IClose (exclusive) to the part without leading and trailing blanks.
bool vxUTF8TrimPos(const UTF8String& AValue, Integer& IStart, Integer& IClose);
UTF8String vxUTF8Trim(const UTF8String& AValue);

class TvxUTF8StringList;
// Splits the attribute part of a tag (First..Last, Last exclusive) into one item per attribute.
void vxUTF8ParseAttributes(const UTF8String& AValue, Integer First, Integer Last,
                           TvxUTF8StringList* List);
void vxUTF8WriteStringToStream(TStream* S, const UTF8String& AValue);

// "a".."z" to "A".."Z"; every other byte unchanged.
inline constexpr char vxUpCase(char Ch) {
  return (Ch >= 'a' && Ch <= 'z') ? static_cast<char>(Ch - 32) : Ch;
}

// The model's case-insensitive name comparison (locale-aware, on the UTF-16 form).
Integer vxUTF8CompareNoCase(const UTF8String& A, const UTF8String& B);
// Whether S holds ASCII only; eight bytes at a time (the last eight overlapping the ones
// before), as lookups test every name they pass.
inline bool vxUTF8IsAscii(const UTF8String& S) {
  const char* P = S.data();
  const size_t N = S.size();
  std::uint64_t Bits = 0;
  std::uint64_t W;
  if (N >= 8) {
    for (size_t I = 0; I + 8 <= N; I += 8) {
      std::memcpy(&W, P + I, 8);
      Bits |= W;
    }
    std::memcpy(&W, P + N - 8, 8);
    Bits |= W;
  } else {
    for (size_t I = 0; I < N; ++I) Bits |= static_cast<unsigned char>(P[I]);
  }
  return (Bits & 0x8080808080808080ull) == 0;
}
// vxUTF8CompareNoCase(A, B) == 0 without converting two ASCII names: for ASCII text the
// locale rule equates exactly the texts that differ in ASCII case alone, so only names with
// other characters need the full comparison.
bool vxUTF8SameTextNoCase(const UTF8String& A, const UTF8String& B);
// The same, with BIsAscii == vxUTF8IsAscii(B) known to the caller: a search tests one name
// against every child's.
inline bool vxUTF8SameTextNoCase(const UTF8String& A, const UTF8String& B, bool BIsAscii) {
  if (A.size() == B.size()) {
    size_t I = 0;
    while (I < A.size() && vxUpCase(A[I]) == vxUpCase(B[I])) ++I;
    if (I == A.size()) return true;
  }
  // Two ASCII names that differ beyond ASCII case differ for the locale rule too.
  if (BIsAscii && vxUTF8IsAscii(A)) return false;
  return vxUTF8CompareNoCase(A, B) == 0;
}
UTF8String vxIntToUTF8(Integer Value);
UTF8String vxInt64ToUTF8(Int64 Value);

// UTF-16 to UTF-8. A well-formed surrogate pair becomes one four-byte sequence; any other
// unit, a lone surrogate included, becomes one to three bytes on its own.
UTF8String vxUnicodeToUtf8(const UnicodeString& W);
// UTF-8 to UTF-16. Sequences of one to three bytes give one unit (three-byte encodings of
// surrogate units come back unchanged), four-byte sequences give a surrogate pair. Any
// malformed or truncated sequence makes the whole conversion fail with an empty result.
UnicodeString vxUtf8ToUnicode(const UTF8String& S);
// Ansi (the system's code page) to UTF-8 and back; characters the code page lacks become
// the platform's substitute character.
UTF8String vxAnsiToUtf8(const AnsiString& S);
AnsiString vxUtf8ToAnsi(const UTF8String& S);

// ---------------------------------------------------------------------------------------------
// The attribute list of a node: each item is name, "=", and the escaped, quoted value.
// The first item lives in the list object itself (most nodes have one attribute, which then
// needs no array of its own); the array of the others only grows (one slot at a time, its
// capacity doubling), so refilling a list costs no reallocation and a node's few attributes
// take no empty slots.

class TvxUTF8StringList {
 public:
  TvxUTF8StringList() = default;
  virtual ~TvxUTF8StringList() = default;
  TvxUTF8StringList(const TvxUTF8StringList&) = delete;
  TvxUTF8StringList& operator=(const TvxUTF8StringList&) = delete;
  // Lists of this exact class come from the model's object pool (see XmlPool.h).
  static void* operator new(std::size_t ASize);
  static void operator delete(void* AList, std::size_t ASize);

  Integer Add(const UTF8String& S);
  Integer Add(UTF8String&& S);
  // Makes room for ACount items in all, so that adding up to that many allocates no more.
  void Reserve(Integer ACount);
  // Copies another list; a null source raises the runtime's assignment error.
  virtual void Assign(const TvxUTF8StringList* Source);
  void Clear() { FCount = 0; }
  void Delete(Integer Index);
  Integer IndexOfName(const UTF8String& Name) const;

  Integer Count() const { return FCount; }
  UTF8String Text() const;
  UTF8String Items(Integer Index) const;
  // The item itself, without a copy; an empty text out of range.
  const UTF8String& ItemRef(Integer Index) const;
  void SetItems(Integer Index, const UTF8String& Value);
  UTF8String operator[](Integer Index) const { return Items(Index); }
  UTF8String Names(Integer Index) const;
  UTF8String Values(const UTF8String& Name) const;
  void SetValues(const UTF8String& Name, const UTF8String& Value);

 private:
  // Item Index: FFirst for 0, else FRest[Index - 1]; slots past FCount are kept for reuse.
  UTF8String& Slot(Integer Index) {
    return Index == 0 ? FFirst : FRest[static_cast<size_t>(Index - 1)];
  }
  const UTF8String& Slot(Integer Index) const {
    return Index == 0 ? FFirst : FRest[static_cast<size_t>(Index - 1)];
  }
  // Makes Slot(FCount) exist.
  void GrowForOne();

  UTF8String FFirst;
  std::vector<UTF8String> FRest;
  Integer FCount = 0;
};

// A memory stream over a UTF-8 string.
class TvxUTF8StringStream : public TMemoryStream {
 public:
  explicit TvxUTF8StringStream(const UTF8String& S);
  // The whole content, read from position 0; the position is left at the end.
  UTF8String DataString();
};

}  // namespace Vorlane
