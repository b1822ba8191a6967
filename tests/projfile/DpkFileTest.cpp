#include <gtest/gtest.h>

#include <cctype>

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

// What the compiler takes from a package source, read token by token apart from the code
// under test: its directives in order, the tokens of its requires and contains clauses and
// the code after them.
struct TCompiled {
  std::vector<std::string> Directives, Requires, Contains, AfterContains;
  bool operator==(const TCompiled&) const = default;
};

TCompiled Compiled(const std::string& AText) {
  const auto IsName = [](char C) { return std::isalnum(static_cast<unsigned char>(C)) || C == '_' || C == '.'; };
  TCompiled Result;
  std::vector<std::string>* List = nullptr;
  for (size_t I = 0, End = 0; I < AText.size(); I = End) {
    // Comments and directives run to their closer, strings to their quote, names on.
    const char C = AText[I];
    const std::string Closer = C == '{' ? "}" : C == '\'' ? "'" : AText.compare(I, 2, "(*") == 0 ? "*)"
                               : AText.compare(I, 2, "//") == 0 ? "\n" : "";
    End = Closer.empty() ? I + 1 : std::min(AText.find(Closer, I + 1), AText.size()) + Closer.size();
    while (Closer.empty() && IsName(C) && End < AText.size() && IsName(AText[End])) ++End;
    const std::string Token = AText.substr(I, End - I);
    const UnicodeString Word = LowerCase(UTF8ToUnicode(Token));
    if (Token.rfind("{$", 0) == 0) Result.Directives.push_back(Token);
    if ((!Closer.empty() && C != '\'') || std::isspace(static_cast<unsigned char>(C))) continue;
    if (List == &Result.AfterContains && Word == u"end.") break;
    if (List != nullptr) List->push_back(Token);
    if (List == &Result.AfterContains) continue;
    if (C == ';') List = List == &Result.Contains ? &Result.AfterContains : nullptr;
    else if (List == nullptr && Word == u"end.") break;
    else if (List == nullptr && (Word == u"requires" || Word == u"contains"))
      List = Word == u"requires" ? &Result.Requires : &Result.Contains;
  }
  return Result;
}

}  // namespace

TEST(DpkFile, EveryCorpusPackageRoundTrips) {
  TESTSUPPORT_SKIP_IF_ABSENT(TestSupport::CorpusDir() / "dpk", "package-source corpus");
  const std::vector<fs::path> Files = CorpusFiles("dpk");
  EXPECT_EQ(Files.size(), 65u);
  TTempDir Dir;
  for (const fs::path& File : Files) {
    SCOPED_TRACE(File.filename().string());
    TDpkFile First(U16(File));
    ASSERT_FALSE(First.Name().empty() || First.Contains().Count() == 0);
    First.SaveToFile(U16(Dir / "a.dpk"));
    const std::string Saved = ReadBytes(Dir / "a.dpk");
    TCompiled Before = Compiled(ReadBytes(File));
    EXPECT_EQ(Before, Compiled(Saved));
    EXPECT_EQ(ReadBytes(File).rfind(cBom, 0) == 0, Saved.rfind(cBom, 0) == 0);

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
    TCompiled After = Compiled(ReadBytes(Dir / "b.dpk"));
    for (TCompiled* View : {&Before, &After})
      std::erase_if(View->Directives, [](const std::string& D) { return StartsText(u"{$LIBSUFFIX", UTF8ToUnicode(D)); });
    EXPECT_EQ(Before, After);
  }
}

TEST(DpkFile, FixedLayout) {
  const struct {
    const char* What;
    const char16_t* Source;
    const char* Expected;
  } Cases[] = {
      {"comments and blank lines go, resources come first, indented directives stay as read",
       u"// c\r\npackage Pkg;\r\n\r\n{$LIBSUFFIX '210'}\r\n(* c *)\r\n  {$DEFINE X}\r\n  {$R 'b.dres'}\r\n{$R *.res}\r\n"
       u"{%File 'x'}\r\nrequires\r\n  rtl,\r\n  vcl;\r\ncontains\r\n  A in 'A.pas';\r\nend.\r\n",
       "package Pkg;\r\n\r\n  {$R 'b.dres'}\r\n{$R *.res}\r\n{$LIBSUFFIX '210'}\r\n  {$DEFINE X}\r\n{%File 'x'}\r\n\r\n"
       "requires\r\n  rtl,\r\n  vcl;\r\n\r\ncontains\r\n  A in 'A.pas';\r\n\r\nend.\r\n"},
      {"directives keep their side of each clause; a conditional resource stays inside its condition",
       u"package P;\r\n{$IFDEF W}\r\n  {$R w.res}\r\n{$ENDIF} // w\r\n  {%File 'x'}\r\nrequires\r\n  rtl;\r\n  {$DEFINE W}\r\n"
       u"contains\r\n  A;\r\n{$IFDEF W}{$R a.res}{$ENDIF}\r\n\t{$R b.res}\r\nend.\r\n",
       "package P;\r\n\r\n\t{$R b.res}\r\n{$IFDEF W}\r\n  {$R w.res}\r\n{$ENDIF} // w\r\n  {%File 'x'}\r\n\r\nrequires\r\n  rtl;\r\n\r\n"
       "  {$DEFINE W}\r\n\r\ncontains\r\n  A;\r\n\r\n{$IFDEF W}{$R a.res}{$ENDIF}\r\n\r\nend.\r\n"},
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
      {u"{$RUNONLY}\r\n  {$LIBSUFFIX '210'} // indented", u"210", "{$RUNONLY}\r\n{$LIBSUFFIX '260'}\r\n"},
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
