// The runtime's string list: lines of text, loaded from and saved to files and streams with
// byte-order-mark detection.
#pragma once

#include <vector>

#include "platform/Classes.h"
#include "platform/Encoding.h"

namespace Vorlane {

class TStringList {
 public:
  TStringList() = default;
  TStringList(const TStringList&) = default;
  TStringList& operator=(const TStringList&) = default;
  virtual ~TStringList();

  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  // Index out of range raises EListError "List index out of bounds (%d)".
  const UnicodeString& Strings(Integer AIndex) const;
  void SetStrings(Integer AIndex, const UnicodeString& S);
  const UnicodeString& operator[](Integer AIndex) const { return Strings(AIndex); }

  Integer Add(const UnicodeString& S);
  void Append(const UnicodeString& S) { Add(S); }
  void AddStrings(const TStringList& AStrings);
  void Assign(const TStringList& AStrings) { *this = AStrings; }
  void Insert(Integer AIndex, const UnicodeString& S);
  void Delete(Integer AIndex);
  void Exchange(Integer AIndex1, Integer AIndex2);
  void Clear();
  // First index of S compared without regard to case (CaseSensitive off) or exactly; -1.
  Integer IndexOf(const UnicodeString& S) const;
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool AValue) { FCaseSensitive = AValue; }
  // Sorts with AnsiCompareText (or ordinal when CaseSensitive).
  void Sort();

  // Every line followed by LineBreak (the last one too unless TrailingLineBreak is off).
  UnicodeString Text() const;
  // Splits at CR LF, LF and CR. A final line break adds no empty line.
  void SetText(const UnicodeString& AText);
  // CR LF by default on every system: the files this product writes are Windows files.
  const UnicodeString& LineBreak() const { return FLineBreak; }
  void SetLineBreak(const UnicodeString& AValue) { FLineBreak = AValue; }
  bool TrailingLineBreak() const { return FTrailingLineBreak; }
  void SetTrailingLineBreak(bool AValue) { FTrailingLineBreak = AValue; }

  // The encoding found by the last load (null before any load).
  TEncoding* Encoding() const { return FEncoding; }
  // Used by a save when neither the call nor a load named an encoding (ANSI by default).
  TEncoding* DefaultEncoding() const { return FDefaultEncoding; }
  void SetDefaultEncoding(TEncoding* AValue) { FDefaultEncoding = AValue; }
  // Whether a save writes the encoding's preamble (on by default).
  bool WriteBOM() const { return FWriteBOM; }
  void SetWriteBOM(bool AValue) { FWriteBOM = AValue; }

  // Loads with the encoding named by a byte-order mark, else AEncoding, else ANSI; raises
  // EFOpenError when the file cannot be opened.
  void LoadFromFile(const UnicodeString& AFileName, TEncoding* AEncoding = nullptr);
  void LoadFromStream(TStream* AStream, TEncoding* AEncoding = nullptr);
  // Saves in AEncoding, else the loaded encoding, else DefaultEncoding; creates or replaces
  // the file (EFCreateError when it cannot).
  void SaveToFile(const UnicodeString& AFileName, TEncoding* AEncoding = nullptr) const;
  void SaveToStream(TStream* AStream, TEncoding* AEncoding = nullptr) const;

  std::vector<UnicodeString>::const_iterator begin() const { return FItems.begin(); }
  std::vector<UnicodeString>::const_iterator end() const { return FItems.end(); }

 private:
  std::vector<UnicodeString> FItems;
  UnicodeString FLineBreak = u"\r\n";
  bool FTrailingLineBreak = true;
  bool FCaseSensitive = false;
  bool FWriteBOM = true;
  TEncoding* FEncoding = nullptr;
  TEncoding* FDefaultEncoding = TEncoding::ANSI();
};

using TStrings = TStringList;

}  // namespace Vorlane
