// A Delphi package source (.dpk) read into its parts (name, resource directives, other
// directives, the requires and contains lists) and written back in one fixed layout. Comments
// and blank lines do not survive a save; every directive line does, as read, and stays on its
// side of the requires and contains clauses, so that a save never changes what the package
// compiles.
#pragma once

#include "platform/Encoding.h"
#include "platform/StringList.h"
#include "platform/Types.h"

namespace Vorlane {

class TDpkFile {
 public:
  TDpkFile();
  // Loads the file when it exists.
  explicit TDpkFile(const UnicodeString& AFileName);
  // Parses the lines; the file name stays empty and the encoding unknown.
  explicit TDpkFile(const TStrings& Source);
  ~TDpkFile();

  TDpkFile(const TDpkFile&) = delete;
  TDpkFile& operator=(const TDpkFile&) = delete;

  // The lists; the setters copy the given lines.
  TStringList& Contains() { return FContains; }
  void SetContains(const TStrings& AValue) { FContains.Assign(AValue); }
  TStringList& Requires() { return FRequires; }
  void SetRequires(const TStrings& AValue) { FRequires.Assign(AValue); }
  // Resource directive lines, exactly as read (indentation kept), that no conditional
  // directive encloses: written before all other directives. One inside "{$IFDEF ...}"
  // stays in its place among the other directive lines.
  TStringList& Resources() { return FResources; }
  void SetResources(const TStrings& AValue) { FResources.Assign(AValue); }
  // Every other directive line ("{$" or "{%" after leading blanks) before the clauses,
  // exactly as read.
  TStringList& Settings() { return FSettings; }
  void SetSettings(const TStrings& AValue) { FSettings.Assign(AValue); }
  // The directive lines that stand after the requires clause, and every line after the
  // contains clause (directives, assembly attributes, the comments among them; blank lines at
  // either end left out): written there again (Indy defines WINDOWS between the two clauses
  // for the units it contains).
  TStringList& AfterRequires() { return FAfterRequires; }
  void SetAfterRequires(const TStrings& AValue) { FAfterRequires.Assign(AValue); }
  TStringList& AfterContains() { return FAfterContains; }
  void SetAfterContains(const TStrings& AValue) { FAfterContains.Assign(AValue); }

  // The encoding a save writes in; null until a file was loaded or saved. Setting null
  // selects the Ansi code page. Encodings are the platform's shared instances, never owned.
  TEncoding* Encoding() const { return FEncoding; }
  void SetEncoding(TEncoding* AValue);

  const UnicodeString& FileName() const { return FFileName; }
  void SetFileName(const UnicodeString& AValue) { FFileName = AValue; }
  const UnicodeString& Name() const { return FName; }
  void SetName(const UnicodeString& AValue) { FName = AValue; }

  // The text between the first two apostrophes of the first "{$LIBSUFFIX" directive line
  // (in the order written, leading blanks aside); empty without one or when it has no quoted
  // text ("{$LIBSUFFIX AUTO}"). Setting replaces that whole line by
  // "{$LIBSUFFIX '<value>'}", or appends it as the last directive before the clauses.
  UnicodeString GetLibSuffix() const;
  UnicodeString LibSuffix() const { return GetLibSuffix(); }
  void SetLibSuffix(const UnicodeString& AValue);

  // Nothing for an empty name or a missing file. Otherwise reads the file (encoding from its
  // byte-order mark, else the Ansi code page), keeps that encoding, adds the parsed parts
  // to what the object holds and remembers the name.
  void LoadFromFile(const UnicodeString& AFileName);
  // Adds the parts found in Source; the lists are not cleared first.
  void LoadFromStrings(const TStrings& Source);
  // Replaces Target's lines by the package source in the fixed layout.
  void SaveToStrings(TStrings& Target) const;
  // Nothing for an empty name. Writes the package source in the kept encoding (UTF-8 with
  // byte-order mark when none is known yet), CR LF after every line, creating missing
  // folders. The new content replaces the file only once it is completely written.
  void SaveToFile(const UnicodeString& AFileName);
  void SaveToFile() { SaveToFile(FFileName); }

  // Sets the library suffix of the package source file and writes it back (always, in the
  // fixed layout); nothing for an empty name or a missing file.
  static void AdjustLibSuffixDpk(const UnicodeString& AFileName, const UnicodeString& ALibSuffix);
  // The same on lines held in memory (an editor buffer); AStrings receives the result. True.
  static bool AdjustLibSuffixDpk(TStrings& AStrings, const UnicodeString& ALibSuffix);

 private:
  // The list holding the first library-suffix directive line, in the order the lines are
  // written, and its index there; null when there is none.
  TStringList* FindLibSuffix(Integer& AIndex);
  const TStringList* FindLibSuffix(Integer& AIndex) const {
    return const_cast<TDpkFile*>(this)->FindLibSuffix(AIndex);
  }

  TStringList FAfterContains;
  TStringList FAfterRequires;
  TStringList FContains;
  TEncoding* FEncoding = nullptr;
  UnicodeString FFileName;
  UnicodeString FName;
  TStringList FRequires;
  TStringList FResources;
  TStringList FSettings;
};

}  // namespace Vorlane
