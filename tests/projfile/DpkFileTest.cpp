#include <gtest/gtest.h>

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

std::string Render(const TDpkFile& ADpk) {
  TStringList Out;
  ADpk.SaveToStrings(Out);
  return UnicodeToUTF8(Out.Text());
}

// Every part a save writes, one per line. Empty list entries (blank lines in a clause, the
// empty line of a CR CR LF break) are left out of the layout, so they are no part.
UnicodeString Parts(TDpkFile& ADpk) {
  UnicodeString Result = ADpk.Name() + u"\n" + ADpk.Resources().Text() + u"|" + ADpk.Settings().Text() + u"|";
  for (TStringList* List : {&ADpk.Requires(), &ADpk.Contains()}) {
    for (const UnicodeString& Entry : *List)
      if (!Entry.empty()) Result += Entry + u"\n";
    Result += u"|";
  }
  return Result;
}

}  // namespace

TEST(DpkFile, EveryCorpusPackageRoundTrips) {
  const fs::path Folder = TestSupport::CorpusDir() / "dpk";
  TESTSUPPORT_SKIP_IF_ABSENT(Folder, "package-source corpus");
  TTempDir Dir;
  int Count = 0;
  for (const auto& Entry : fs::directory_iterator(Folder)) {
    SCOPED_TRACE(Entry.path().filename().string());
    ++Count;
    TDpkFile First(U16(Entry.path()));
    ASSERT_FALSE(First.Name().empty() || First.Contains().Count() == 0);
    First.SaveToFile(U16(Dir / "a.dpk"));
    const std::string Saved = ReadBytes(Dir / "a.dpk");
    EXPECT_EQ(ReadBytes(Entry.path()).rfind(cBom, 0) == 0, Saved.rfind(cBom, 0) == 0);

    TDpkFile Second(U16(Dir / "a.dpk"));
    EXPECT_EQ(Parts(First), Parts(Second));
    Second.SaveToFile(U16(Dir / "b.dpk"));
    EXPECT_EQ(Saved, ReadBytes(Dir / "b.dpk"));

    // One suffix directive afterwards, in place of the old one or after the last directive.
    const Integer Directives = First.Settings().Count();
    TDpkFile::AdjustLibSuffixDpk(U16(Dir / "b.dpk"), u"290");
    TDpkFile Adjusted(U16(Dir / "b.dpk"));
    EXPECT_EQ(u"290", Adjusted.LibSuffix());
    EXPECT_EQ(Directives + (Saved.find("{$LIBSUFFIX") == std::string::npos ? 1 : 0), Adjusted.Settings().Count());
  }
  EXPECT_EQ(65, Count);
}

TEST(DpkFile, FixedLayout) {
  const struct {
    const char* What;
    const char16_t* Source;
    const char* Expected;
  } Cases[] = {
      {"comments and blank lines go, resources come first, an indented define goes, an indented resource stays",
       u"// c\r\npackage Pkg;\r\n\r\n{$LIBSUFFIX '210'}\r\n(* c *)\r\n  {$DEFINE X}\r\n  {$R 'b.dres'}\r\n{$R *.res}\r\n"
       u"{%File 'x'}\r\nrequires\r\n  rtl,\r\n  vcl;\r\ncontains\r\n  A in 'A.pas';\r\nend.\r\n",
       "package Pkg;\r\n\r\n  {$R 'b.dres'}\r\n{$R *.res}\r\n{$LIBSUFFIX '210'}\r\n{%File 'x'}\r\n\r\n"
       "requires\r\n  rtl,\r\n  vcl;\r\n\r\ncontains\r\n  A in 'A.pas';\r\n\r\nend.\r\n"},
      {"no contains clause, entries trimmed, empty entries left out, a lone semicolon ends the list",
       u"PACKAGE  Pkg ;\n  REQUIRES  \n\trtl ,\n\n  vcl\n  ;\nend.", "package  Pkg;\r\n\r\n\r\nrequires\r\n  rtl,\r\n  vcl;\r\n\r\nend.\r\n"},
      {"a clause on the keyword's line is dropped with its continuation; \"end.\" stops reading",
       u"package P;\r\nrequires rtl,\r\n  vcl;\r\ncontains\r\n  U;\r\n end.\r\n{$R late.res}\r\n",
       "package P;\r\n\r\n\r\ncontains\r\n  U;\r\n\r\nend.\r\n"},
      {"directive and comment entries take no separator of their own",
       u"package P;\r\ncontains\r\n  A,\r\n  {$IFDEF W}\r\n  B,\r\n  {$ENDIF}\r\n  C,\r\n  {$IFDEF X} D {$ENDIF} // d\r\n  (* e *)\r\n  {$ENDIF};\r\n",
       "package P;\r\n\r\n\r\ncontains\r\n  A,\r\n  {$IFDEF W}\r\n  B,\r\n  {$ENDIF}\r\n  C,\r\n  {$IFDEF X} D {$ENDIF} // d\r\n"
       "  (* e *)\r\n  {$ENDIF};\r\n\r\nend.\r\n"},
      {"a line comment after the semicolon still ends the clause; \"//\" in a file name is none",
       u"package P;\r\nrequires\r\n  rtl, // base\r\n  vcl; // UI\r\ncontains\r\n  A in 'x//A.pas';\r\ncontains\r\n  B;\r\nend.\r\n",
       "package P;\r\n\r\n\r\nrequires\r\n  rtl, // base,\r\n  vcl; // UI;\r\n\r\ncontains\r\n  A in 'x//A.pas',\r\n  B;\r\n\r\n"
       "end.\r\n"},
      {"an empty source still gets the frame", u"", "package ;\r\n\r\n\r\nend.\r\n"},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.What);
    const std::string Written = Render(TDpkFile(Lines(Case.Source)));
    EXPECT_EQ(Case.Expected, Written);
    EXPECT_EQ(Case.Expected, Render(TDpkFile(Lines(UTF8ToUnicode(Written)))));
  }
}

TEST(DpkFile, LibSuffixReadAndReplaced) {
  const struct {
    const char16_t* Directives;
    const char16_t* Read;
    const char* AfterSet;
  } Cases[] = {
      {u"{$libsuffix '210'}\r\n{$RUNONLY}", u"210", "{$LIBSUFFIX '260'}\r\n{$RUNONLY}\r\n"},
      {u"{$RUNONLY}\r\n{$DESCRIPTION 'x'}", u"", "{$RUNONLY}\r\n{$DESCRIPTION 'x'}\r\n{$LIBSUFFIX '260'}\r\n"},
      {u"{$LIBSUFFIX AUTO}", u"", "{$LIBSUFFIX '260'}\r\n"},
      {u"{$LIBSUFFIX $(Auto)}\r\n{$LIBSUFFIX '9'}", u"", "{$LIBSUFFIX '260'}\r\n{$LIBSUFFIX '9'}\r\n"},
      {u"{$LIBSUFFIX '}", u"", "{$LIBSUFFIX '260'}\r\n"},
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(Case.Read, TDpkFile(Lines(Case.Directives)).LibSuffix());
    TStringList Buffer = Lines(u"package P;\r\n" + UnicodeString(Case.Directives));
    EXPECT_TRUE(TDpkFile::AdjustLibSuffixDpk(Buffer, u"260"));
    EXPECT_EQ("package P;\r\n\r\n" + std::string(Case.AfterSet) + "\r\nend.\r\n", UnicodeToUTF8(Buffer.Text()));
  }
}

TEST(DpkFile, FilesKeepTheirEncoding) {
  TTempDir Dir;
  for (const std::string& Bytes :
       {std::string("package P\xE9;\r\n\r\n{$DESCRIPTION 'caf\xE9'}\r\n\r\nend.\r\n"),
        cBom + "package P\xC3\xA9;\r\n\r\n{$DESCRIPTION '\xE2\x82\xAC'}\r\n\r\nend.\r\n",
        TestSupport::Bytes({0xFF, 0xFE}) + TestSupport::Utf16Bytes(u"package \u20AC;\r\n\r\n\r\nend.\r\n")}) {
    WriteBytes(Dir / "p.dpk", Bytes);
    TDpkFile(U16(Dir / "p.dpk")).SaveToFile();
    EXPECT_EQ(Bytes, ReadBytes(Dir / "p.dpk"));
  }
  // Lines from memory are written as UTF-8 with a byte-order mark, into folders made on demand.
  TDpkFile FromLines(Lines(u"package Q\u00E9;"));
  FromLines.SaveToFile(U16(Dir / "new" / "q.dpk"));
  EXPECT_EQ(cBom + "package Q\xC3\xA9;\r\n\r\n\r\nend.\r\n", ReadBytes(Dir / "new" / "q.dpk"));
  // Missing and unnamed files are no error and create nothing.
  TDpkFile::AdjustLibSuffixDpk(U16(Dir / "missing.dpk"), u"1");
  TDpkFile::AdjustLibSuffixDpk(UnicodeString(), u"1");
  TDpkFile(U16(Dir / "missing.dpk")).SaveToFile();
  EXPECT_EQ(2u, Dir.EntryCount());
}
