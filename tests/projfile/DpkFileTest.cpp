#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "projfile/DpkFile.h"
#include "tests/projfile/DprojFileTestSupport.h"

using namespace Vorlane;
using namespace ProjFileTest;

namespace {

const std::string cBom = "\xEF\xBB\xBF";

TStringList Lines(const UnicodeString& AText) {
  TStringList Result;
  Result.SetText(AText);
  return Result;
}

UnicodeString Render(const TDpkFile& ADpk) {
  TStringList Out;
  ADpk.SaveToStrings(Out);
  return Out.Text();
}

std::string Utf8(const UnicodeString& S) { return UnicodeToUTF8(S); }

// The MANIFEST's note on each corpus file: "LIBSUFFIX='270'", "LIBSUFFIX=AUTO" or
// "LIBSUFFIX=(none)", and "BOM=utf8" or "BOM=none".
std::map<std::string, std::string> CorpusNotes() {
  std::map<std::string, std::string> Result;
  std::ifstream In(TestSupport::CorpusDir() / "MANIFEST.tsv");
  std::string Line;
  while (std::getline(In, Line)) {
    if (Line.rfind("dpk/", 0) != 0) continue;
    Result[Line.substr(4, Line.find('\t') - 4)] = Line;
  }
  return Result;
}

std::string NoteValue(const std::string& ANote, const std::string& AKey) {
  const size_t At = ANote.find(AKey + "=");
  if (At == std::string::npos) return std::string();
  const size_t Start = At + AKey.size() + 1;
  return ANote.substr(Start, ANote.find_first_of(";\t", Start) - Start);
}

// The parts a save writes: empty list entries (blank lines inside a clause, the empty line a
// CR CR LF break makes) are not among them.
bool SameParts(TDpkFile& A, TDpkFile& B) {
  auto Same = [](const TStringList& L, const TStringList& R) {
    return std::equal(L.begin(), L.end(), R.begin(), R.end());
  };
  auto SameEntries = [](const TStringList& L, const TStringList& R) {
    std::vector<UnicodeString> Left, Right;
    std::copy_if(L.begin(), L.end(), std::back_inserter(Left), [](const UnicodeString& S) { return !S.empty(); });
    std::copy_if(R.begin(), R.end(), std::back_inserter(Right), [](const UnicodeString& S) { return !S.empty(); });
    return Left == Right;
  };
  return A.Name() == B.Name() && Same(A.Resources(), B.Resources()) && Same(A.Settings(), B.Settings()) &&
         SameEntries(A.Requires(), B.Requires()) && SameEntries(A.Contains(), B.Contains()) &&
         A.Encoding() == B.Encoding();
}

}  // namespace

TEST(DpkFile, EveryCorpusPackageRoundTrips) {
  const fs::path Folder = TestSupport::CorpusDir() / "dpk";
  TESTSUPPORT_SKIP_IF_ABSENT(Folder, "package-source corpus");
  const auto Notes = CorpusNotes();
  TTempDir Dir;
  int Count = 0;
  for (const auto& Entry : fs::directory_iterator(Folder)) {
    const std::string Name = Entry.path().filename().string();
    SCOPED_TRACE(Name);
    ++Count;
    const std::string Original = ReadBytes(Entry.path());
    TDpkFile First(U16(Entry.path()));
    ASSERT_FALSE(First.Name().empty());
    EXPECT_FALSE(First.Requires().Count() == 0 && First.Contains().Count() == 0);

    const std::string Note = Notes.at(Name);
    const std::string Suffix = NoteValue(Note, "LIBSUFFIX");
    EXPECT_EQ(Suffix.front() == '\'' ? Suffix.substr(1, Suffix.size() - 2) : std::string(), Utf8(First.LibSuffix()));

    First.SaveToFile(U16(Dir / "a.dpk"));
    const std::string Saved = ReadBytes(Dir / "a.dpk");
    EXPECT_EQ(NoteValue(Note, "BOM") == "utf8", Saved.rfind(cBom, 0) == 0);
    EXPECT_EQ(Saved.size() - Saved.rfind("\r\nend.\r\n"), 8u);
    for (size_t I = 0; I < Saved.size(); ++I) {
      if (Saved[I] == '\r') {
        ASSERT_EQ('\n', Saved[I + 1]) << "at " << I;
      } else if (Saved[I] == '\n') {
        ASSERT_EQ('\r', Saved[I - 1]) << "at " << I;
      }
    }

    TDpkFile Second(U16(Dir / "a.dpk"));
    EXPECT_TRUE(SameParts(First, Second));
    Second.SaveToFile(U16(Dir / "b.dpk"));
    EXPECT_EQ(Saved, ReadBytes(Dir / "b.dpk"));

    // The suffix directive replaces the old one, or follows the last directive.
    TDpkFile::AdjustLibSuffixDpk(U16(Dir / "b.dpk"), u"290");
    TDpkFile Adjusted(U16(Dir / "b.dpk"));
    EXPECT_EQ(u"290", Adjusted.LibSuffix());
    Integer OldIndex = -1;
    for (Integer I = 0; I < First.Settings().Count() && OldIndex < 0; ++I)
      if (StartsText(u"{$LIBSUFFIX", First.Settings()[I])) OldIndex = I;
    EXPECT_EQ(OldIndex >= 0 ? OldIndex : Adjusted.Settings().Count() - 1,
              Adjusted.Settings().IndexOf(u"{$LIBSUFFIX '290'}"));
    EXPECT_EQ(ReadBytes(Entry.path()), Original);
  }
  EXPECT_EQ(65, Count);
}

TEST(DpkFile, FixedLayout) {
  struct TCase {
    const char* What;
    const char16_t* Source;
    const char16_t* Expected;
  };
  const TCase Cases[] = {
      {"comments and blank lines go, resources come first, an indented define goes, an indented resource stays",
       u"// header\r\npackage Pkg;\r\n\r\n{$LIBSUFFIX '210'}\r\n(* note *)\r\n  {$DEFINE X}\r\n  {$R 'b.dres'}\r\n"
       u"{$R *.res}\r\n{%File 'x'}\r\n\r\nrequires\r\n  rtl,\r\n  vcl;\r\n\r\ncontains\r\n  A in 'A.pas';\r\n\r\nend.\r\n",
       u"package Pkg;\r\n\r\n  {$R 'b.dres'}\r\n{$R *.res}\r\n{$LIBSUFFIX '210'}\r\n{%File 'x'}\r\n\r\n"
       u"requires\r\n  rtl,\r\n  vcl;\r\n\r\ncontains\r\n  A in 'A.pas';\r\n\r\nend.\r\n"},
      {"no contains clause, entries trimmed, empty entries left out, a lone semicolon ends the list",
       u"PACKAGE  Pkg ;\n  REQUIRES  \n\trtl ,\n\n  vcl\n  ;\nend.", u"package  Pkg;\r\n\r\n\r\nrequires\r\n  rtl,\r\n  vcl;\r\n\r\nend.\r\n"},
      {"no requires clause; a clause on the keyword's line is dropped with its continuation",
       u"package P;\r\nrequires rtl,\r\n  vcl;\r\ncontains\r\n  U;\r\nend.\r\n",
       u"package P;\r\n\r\n\r\ncontains\r\n  U;\r\n\r\nend.\r\n"},
      {"\"end.\" stops reading; lines after it are ignored",
       u"package P;\r\ncontains\r\n  U;\r\n end.\r\n{$R late.res}\r\nrequires\r\n  rtl;\r\n", u"package P;\r\n\r\n\r\ncontains\r\n  U;\r\n\r\nend.\r\n"},
      {"directive and comment entries take no separator of their own",
       u"package P;\r\ncontains\r\n  A,\r\n  {$IFDEF WINDOWS}\r\n  B,\r\n  {$ENDIF}\r\n  C,\r\n  {$IFDEF X} D {$ENDIF} // d\r\n  (* e *)\r\n  {$ENDIF};\r\nend.\r\n",
       u"package P;\r\n\r\n\r\ncontains\r\n  A,\r\n  {$IFDEF WINDOWS}\r\n  B,\r\n  {$ENDIF}\r\n  C,\r\n  {$IFDEF X} D {$ENDIF} // d\r\n"
       u"  (* e *)\r\n  {$ENDIF};\r\n\r\nend.\r\n"},
      {"an empty source still gets the frame", u"", u"package ;\r\n\r\n\r\nend.\r\n"},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.What);
    TDpkFile Dpk(Lines(Case.Source));
    EXPECT_EQ(Utf8(Case.Expected), Utf8(Render(Dpk)));
    // Written again, the result reads back to itself.
    TDpkFile Again(Lines(Render(Dpk)));
    EXPECT_EQ(Utf8(Case.Expected), Utf8(Render(Again)));
  }
}

TEST(DpkFile, LibSuffixReadAndReplaced) {
  struct TCase {
    const char16_t* Directives;
    const char16_t* Read;
    const char16_t* AfterSet260;
  };
  const TCase Cases[] = {
      {u"{$libsuffix '210'}\r\n{$RUNONLY}", u"210", u"{$LIBSUFFIX '260'}\r\n{$RUNONLY}\r\n"},
      {u"{$RUNONLY}\r\n{$DESCRIPTION 'x'}", u"", u"{$RUNONLY}\r\n{$DESCRIPTION 'x'}\r\n{$LIBSUFFIX '260'}\r\n"},
      {u"{$LIBSUFFIX AUTO}", u"", u"{$LIBSUFFIX '260'}\r\n"},
      {u"{$LIBSUFFIX $(Auto)}\r\n{$LIBSUFFIX '9'}", u"", u"{$LIBSUFFIX '260'}\r\n{$LIBSUFFIX '9'}\r\n"},
      {u"{$LIBSUFFIX '}", u"", u"{$LIBSUFFIX '260'}\r\n"},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Utf8(Case.Directives));
    TDpkFile Dpk(Lines(Case.Directives));
    EXPECT_EQ(Case.Read, Dpk.LibSuffix());
    TStringList Buffer = Lines(u"package P;\r\n" + UnicodeString(Case.Directives) + u"\r\nend.");
    EXPECT_TRUE(TDpkFile::AdjustLibSuffixDpk(Buffer, u"260"));
    EXPECT_EQ(Utf8(u"package P;\r\n\r\n" + UnicodeString(Case.AfterSet260) + u"\r\nend.\r\n"), Utf8(Buffer.Text()));
  }
}

TEST(DpkFile, FilesKeepTheirEncoding) {
  TTempDir Dir;
  const std::string Body = "package P\xE9;\r\n\r\n{$DESCRIPTION 'caf\xE9'}\r\n\r\nend.\r\n";
  const std::string Utf8Body = cBom + "package P\xC3\xA9;\r\n\r\n{$DESCRIPTION '\xE2\x82\xAC'}\r\n\r\nend.\r\n";
  const std::string Utf16Body = TestSupport::Bytes({0xFF, 0xFE}) + TestSupport::Utf16Bytes(u"package \u20AC;\r\n\r\n\r\nend.\r\n");
  for (const std::string& Bytes : {Body, Utf8Body, Utf16Body}) {
    WriteBytes(Dir / "p.dpk", Bytes);
    TDpkFile Dpk(U16(Dir / "p.dpk"));
    EXPECT_EQ(U16(Dir / "p.dpk"), Dpk.FileName());
    Dpk.SaveToFile();
    EXPECT_EQ(Bytes, ReadBytes(Dir / "p.dpk"));
  }

  // Lines from memory are written as UTF-8 with a byte-order mark, into folders made on demand.
  TDpkFile FromLines(Lines(u"package Q\u00E9;"));
  EXPECT_EQ(nullptr, FromLines.Encoding());
  FromLines.SaveToFile(U16(Dir / "new" / "sub" / "q.dpk"));
  EXPECT_EQ(cBom + "package Q\xC3\xA9;\r\n\r\n\r\nend.\r\n", ReadBytes(Dir / "new" / "sub" / "q.dpk"));
  EXPECT_EQ(TEncoding::UTF8(), FromLines.Encoding());
  FromLines.SetEncoding(nullptr);
  EXPECT_EQ(TEncoding::ANSI(), FromLines.Encoding());

  // Missing and unnamed files are no error and create nothing.
  TDpkFile::AdjustLibSuffixDpk(U16(Dir / "missing.dpk"), u"1");
  TDpkFile::AdjustLibSuffixDpk(UnicodeString(), u"1");
  TDpkFile Missing(U16(Dir / "missing.dpk"));
  EXPECT_TRUE(Missing.FileName().empty());
  Missing.SaveToFile();
  EXPECT_FALSE(fs::exists(Dir / "missing.dpk"));
  EXPECT_EQ(2u, Dir.EntryCount());  // p.dpk and new: nothing left over from replacing saves
}
