#include "projfile/DpkFile.h"

#include "platform/FileSystem.h"
#include "projfile/ProjFileIO.h"

namespace Vorlane {

namespace {

const UnicodeString cLibSuffixDirective = u"{$LIBSUFFIX";

bool IsBlank(char16_t C) { return C == u' ' || C == u'\t'; }
bool IsBlankOrSeparator(char16_t C) { return IsBlank(C) || C == u',' || C == u';'; }
bool IsBlankOrSemicolon(char16_t C) { return IsBlank(C) || C == u';'; }

template <typename TPredicate>
UnicodeString TrimWhere(const UnicodeString& S, TPredicate AStrip) {
  size_t B = 0, E = S.size();
  while (B < E && AStrip(S[B])) ++B;
  while (E > B && AStrip(S[E - 1])) --E;
  return S.substr(B, E - B);
}

UnicodeString TrimLeft(const UnicodeString& S) {
  size_t B = 0;
  while (B < S.size() && S[B] <= u' ') ++B;
  return S.substr(B);
}

// A line that begins with a directive ("{$") or an IDE marker ("{%"), leading blanks aside.
bool IsDirectiveLine(const UnicodeString& ALeft) {
  return ALeft.compare(0, 2, u"{$") == 0 || ALeft.compare(0, 2, u"{%") == 0;
}

// How many conditional directives are open after the directives of ALine, with ANesting
// open before it.
Integer NestingAfter(const UnicodeString& ALine, Integer ANesting) {
  for (size_t At = ALine.find(u"{$"); At != UnicodeString::npos; At = ALine.find(u"{$", At + 2)) {
    size_t End = At + 2;
    while (End < ALine.size() && (ALine[End] | 0x20) >= u'a' && (ALine[End] | 0x20) <= u'z') ++End;
    const UnicodeString Name = UpperCase(ALine.substr(At + 2, End - At - 2));
    if (Name == u"IF" || Name == u"IFDEF" || Name == u"IFNDEF" || Name == u"IFOPT") ++ANesting;
    else if ((Name == u"ENDIF" || Name == u"IFEND") && ANesting > 0) --ANesting;
  }
  return ANesting;
}

UnicodeString TrimRight(const UnicodeString& S) {
  size_t E = S.size();
  while (E > 0 && S[E - 1] <= u' ') --E;
  return S.substr(0, E);
}

// The line without a "//" comment at its end; a "//" inside a quoted file name is no comment.
UnicodeString WithoutLineComment(const UnicodeString& ALine) {
  bool Quoted = false;
  for (size_t I = 0; I < ALine.size(); ++I) {
    if (ALine[I] == u'\'') Quoted = !Quoted;
    else if (!Quoted && ALine.compare(I, 2, u"//") == 0) return ALine.substr(0, I);
  }
  return ALine;
}

// Reads one line of a requires or contains clause; false once the clause has ended. A comment
// after the closing semicolon ("vcl; // UI") still ends it: read on, the clause would take in
// the next keyword and everything after it, and the package would no longer compile.
bool AddClauseEntry(TStringList& AList, const UnicodeString& ALine) {
  AList.Add(TrimWhere(ALine, IsBlankOrSeparator));
  const UnicodeString Tail = TrimRight(WithoutLineComment(ALine));
  return Tail.empty() || Tail.back() != u';';
}

// What a clause entry is, for the separator written after it.
enum class TEntryKind { Empty, Name, Comment, LineComment };

// An entry that holds nothing but comments or directives ("{$IFDEF MSWINDOWS}") takes no
// separator of its own: a comma after it would stand between two commas, and one after a
// "//" comment would be part of the comment.
TEntryKind KindOf(const UnicodeString& AEntry) {
  if (AEntry.empty()) return TEntryKind::Empty;
  size_t I = 0;
  const size_t N = AEntry.size();
  for (;;) {
    while (I < N && AEntry[I] <= u' ') ++I;
    if (I == N) return TEntryKind::Comment;
    if (AEntry.compare(I, 2, u"//") == 0) return TEntryKind::LineComment;
    size_t Close;
    if (AEntry[I] == u'{') {
      Close = AEntry.find(u'}', I + 1);
      if (Close == UnicodeString::npos) return TEntryKind::LineComment;  // runs on: a separator would vanish in it
      I = Close + 1;
    } else if (AEntry.compare(I, 2, u"(*") == 0) {
      Close = AEntry.find(u"*)", I + 2);
      if (Close == UnicodeString::npos) return TEntryKind::LineComment;
      I = Close + 2;
    } else {
      return TEntryKind::Name;
    }
  }
}

// The directive lines after a clause, set off by an empty line as they are in the source.
void WriteDirectives(TStrings& ATarget, const TStringList& ALines) {
  if (ALines.Count() == 0) return;
  for (const UnicodeString& Line : ALines) ATarget.Add(Line);
  ATarget.Add(UnicodeString());
}

void WriteClause(TStrings& ATarget, const char16_t* AKeyword, const TStringList& AList) {
  if (AList.Count() == 0) return;
  const Integer Count = AList.Count();
  // The semicolon goes after the last entry that can carry it, commas after every name that
  // another name follows. A list of names only gets "name," lines and a final "name;".
  Integer LastName = -1, Terminator = -1;
  for (Integer I = 0; I < Count; ++I) {
    const TEntryKind Kind = KindOf(AList[I]);
    if (Kind == TEntryKind::Name) LastName = I;
    if (Kind == TEntryKind::Name || Kind == TEntryKind::Comment) Terminator = I;
  }
  if (Terminator < 0) Terminator = Count - 1;
  ATarget.Add(AKeyword);
  for (Integer I = 0; I < Count; ++I) {
    const UnicodeString& Entry = AList[I];
    if (I == Terminator) {
      ATarget.Add(u"  " + Entry + u";");
      continue;
    }
    const TEntryKind Kind = KindOf(Entry);
    if (Kind == TEntryKind::Empty) continue;
    ATarget.Add(u"  " + Entry + (Kind == TEntryKind::Name && I < LastName ? u"," : u""));
  }
  ATarget.Add(UnicodeString());
}

}  // namespace

TDpkFile::TDpkFile() = default;

TDpkFile::TDpkFile(const UnicodeString& AFileName) { LoadFromFile(AFileName); }

TDpkFile::TDpkFile(const TStrings& Source) { LoadFromStrings(Source); }

TDpkFile::~TDpkFile() = default;

void TDpkFile::SetEncoding(TEncoding* AValue) { FEncoding = AValue != nullptr ? AValue : TEncoding::ANSI(); }

// ---------------------------------------------------------------------------------------------
// Library suffix

TStringList* TDpkFile::FindLibSuffix(Integer& AIndex) {
  for (TStringList* List : {&FSettings, &FAfterRequires, &FAfterContains})
    for (AIndex = 0; AIndex < List->Count(); ++AIndex)
      if (StartsText(cLibSuffixDirective, TrimLeft((*List)[AIndex]))) return List;
  return nullptr;
}

UnicodeString TDpkFile::GetLibSuffix() const {
  Integer Index = 0;
  const TStringList* List = FindLibSuffix(Index);
  if (List == nullptr) return UnicodeString();
  const UnicodeString& Line = (*List)[Index];
  const size_t First = Line.find(u'\'');
  if (First == UnicodeString::npos) return UnicodeString();
  const size_t Second = Line.find(u'\'', First + 1);
  if (Second == UnicodeString::npos) return UnicodeString();
  return Line.substr(First + 1, Second - First - 1);
}

void TDpkFile::SetLibSuffix(const UnicodeString& AValue) {
  const UnicodeString Directive = cLibSuffixDirective + u" '" + AValue + u"'}";
  Integer Index = 0;
  if (TStringList* List = FindLibSuffix(Index))
    List->SetStrings(Index, Directive);
  else
    FSettings.Add(Directive);
}

// ---------------------------------------------------------------------------------------------
// Reading

void TDpkFile::LoadFromFile(const UnicodeString& AFileName) {
  if (AFileName.empty() || !FileExists(AFileName)) return;
  TStringList Lines;
  Lines.LoadFromFile(AFileName);
  SetEncoding(Lines.Encoding());
  LoadFromStrings(Lines);
  FFileName = AFileName;
}

void TDpkFile::LoadFromStrings(const TStrings& Source) {
  bool InRequires = false, InContains = false;
  // Directive lines belong before the clauses or after the clause read last: moved across a
  // clause, a define would no longer reach the units it selects.
  TStringList* Directives = &FSettings;
  // A resource inside a conditional stays with it; hoisted out, it would be linked always.
  Integer Conditionals = 0;
  for (const UnicodeString& Line : Source) {
    if (InRequires) {
      InRequires = AddClauseEntry(FRequires, Line);
      if (!InRequires) Directives = &FAfterRequires;
      continue;
    }
    if (InContains) {
      InContains = AddClauseEntry(FContains, Line);
      if (!InContains) Directives = &FAfterContains;
      continue;
    }
    const UnicodeString Left = TrimLeft(Line);
    if (StartsText(u"end.", Left)) break;
    if (StartsText(u"package ", Left)) {
      const UnicodeString Declaration = TrimWhere(Line, IsBlankOrSemicolon);
      FName = Declaration.size() > 8 ? Declaration.substr(8) : UnicodeString();
      continue;
    }
    if (IsDirectiveLine(Left)) {
      const bool Enclosed = Conditionals > 0;
      Conditionals = NestingAfter(Line, Conditionals);
      if (!Enclosed && StartsText(u"{$R ", Trim(Line)))
        FResources.Add(Line);
      else
        Directives->Add(Line);
      continue;
    }
    const UnicodeString Keyword = LowerCase(Trim(Line));
    if (Keyword == u"requires") InRequires = true;
    else if (Keyword == u"contains") InContains = true;
    // After the contains clause only code the compiler still reads can stand (assembly
    // attributes of a .NET package, say): kept as it is, with the comments around it.
    else if (Directives == &FAfterContains && (!Left.empty() || FAfterContains.Count() > 0))
      FAfterContains.Add(Line);
  }
  while (FAfterContains.Count() > 0 && Trim(FAfterContains[FAfterContains.Count() - 1]).empty())
    FAfterContains.Delete(FAfterContains.Count() - 1);
}

// ---------------------------------------------------------------------------------------------
// Writing

void TDpkFile::SaveToStrings(TStrings& Target) const {
  Target.Clear();
  Target.Add(u"package " + FName + u";");
  Target.Add(UnicodeString());
  for (const UnicodeString& Line : FResources) Target.Add(Line);
  for (const UnicodeString& Line : FSettings) Target.Add(Line);
  Target.Add(UnicodeString());
  WriteClause(Target, u"requires", FRequires);
  WriteDirectives(Target, FAfterRequires);
  WriteClause(Target, u"contains", FContains);
  WriteDirectives(Target, FAfterContains);
  Target.Add(u"end.");
}

void TDpkFile::SaveToFile(const UnicodeString& AFileName) {
  if (AFileName.empty()) return;
  TStringList Lines;
  SaveToStrings(Lines);
  if (FEncoding == nullptr) FEncoding = TEncoding::UTF8();
  const UnicodeString Folder = ExtractFileDir(AFileName);
  if (!Folder.empty()) ForceDirectories(Folder);
  TBytes Bytes = FEncoding->GetPreamble();
  const TBytes Body = FEncoding->GetBytes(Lines.Text());
  Bytes.insert(Bytes.end(), Body.begin(), Body.end());
  ProjFileReplaceContent(AFileName, Bytes.data(), static_cast<Int64>(Bytes.size()));
}

// ---------------------------------------------------------------------------------------------
// Library suffix of a file or of lines

void TDpkFile::AdjustLibSuffixDpk(const UnicodeString& AFileName, const UnicodeString& ALibSuffix) {
  if (AFileName.empty() || !FileExists(AFileName)) return;
  TDpkFile Dpk(AFileName);
  Dpk.SetLibSuffix(ALibSuffix);
  Dpk.SaveToFile(AFileName);
}

bool TDpkFile::AdjustLibSuffixDpk(TStrings& AStrings, const UnicodeString& ALibSuffix) {
  TDpkFile Dpk(AStrings);
  Dpk.SetLibSuffix(ALibSuffix);
  Dpk.SaveToStrings(AStrings);
  return true;
}

}  // namespace Vorlane
