// The runtime's memory ini file: a whole ini file held in memory, read and changed by section
// and key, and written back in one piece.
#pragma once

#include <vector>

#include "platform/Encoding.h"
#include "platform/SysUtils.h"

namespace Vorlane {

// Section and key names match without regard to case. Everything in the file that is not
// touched stays as it was (foreign sections and keys, comments, blank lines, their order);
// lines are written back with CR LF. A changed key keeps its place, a new key goes after the
// last entry of its section, and a new section goes after the others, following a blank line.
// Keys before the first section header belong to no section and cannot be reached. A section
// whose header appears twice is read as one: the first occurrence of a key counts.
// The text keeps the encoding it was read in (byte-order mark, else UTF-8 when the bytes are
// valid UTF-8, else the Ansi code page); a new file is UTF-8 without a byte-order mark.
class TMemIniFile {
 public:
  // Reads AFileName when it exists (EFOpenError when it exists and cannot be read); a missing
  // file is an empty ini file.
  explicit TMemIniFile(const UnicodeString& AFileName);

  const UnicodeString& FileName() const { return FFileName; }

  bool SectionExists(const UnicodeString& ASection) const;
  bool ValueExists(const UnicodeString& ASection, const UnicodeString& AIdent) const;
  // The value with blanks trimmed at both ends; ADefault when the key is missing.
  UnicodeString ReadString(const UnicodeString& ASection, const UnicodeString& AIdent,
                           const UnicodeString& ADefault) const;
  // ADefault when the key is missing or its value is no integer (decimal, "$" or "0x" hex).
  Integer ReadInteger(const UnicodeString& ASection, const UnicodeString& AIdent, Integer ADefault) const;
  // An integer value is True when it is not 0; otherwise as ReadInteger.
  bool ReadBool(const UnicodeString& ASection, const UnicodeString& AIdent, bool ADefault) const;

  void WriteString(const UnicodeString& ASection, const UnicodeString& AIdent, const UnicodeString& AValue);
  // Writes "1" or "0".
  void WriteBool(const UnicodeString& ASection, const UnicodeString& AIdent, bool AValue);
  // Removes every entry of the key in the section.
  void DeleteKey(const UnicodeString& ASection, const UnicodeString& AIdent);

  // The bytes of the file as UpdateFile writes them.
  TBytes FileContent() const;
  // Creates or replaces the file with FileContent (EFCreateError when it cannot).
  void UpdateFile() const;

 private:
  struct TLine {
    UnicodeString Text;   // the line as it stands in the file
    UnicodeString Ident;  // the key, when IsKey
    UnicodeString Value;
    bool IsKey = false;
  };
  struct TSection {
    UnicodeString Name;
    UnicodeString Header;    // the header line as it stands in the file
    bool HasHeader = false;  // false only for the lines before the first header
    std::vector<TLine> Lines;
  };

  TLine* FindKey(const UnicodeString& ASection, const UnicodeString& AIdent);
  const TLine* FindKey(const UnicodeString& ASection, const UnicodeString& AIdent) const;
  void Parse(const UnicodeString& AText);

  UnicodeString FFileName;
  std::vector<TSection> FSections;
  TEncoding* FEncoding;
  bool FWriteBOM = false;
};

}  // namespace Vorlane
