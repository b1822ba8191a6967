#include <gtest/gtest.h>

#include <chrono>

#include "projfile/CleanLineFeeds.h"
#include "tests/projfile/DprojFileTestSupport.h"

using namespace Vorlane;
using namespace ProjFileTest;
using TestSupport::Bytes;
using TestSupport::Utf16Bytes;

namespace {

const std::string cBom = "\xEF\xBB\xBF";

fs::file_time_type Age(const fs::path& APath) {
  fs::last_write_time(APath, fs::last_write_time(APath) - std::chrono::hours(9600));
  return fs::last_write_time(APath);
}

// The lines of single-byte text, split at CR LF, and also at lone CR and LF unless ACrLfOnly.
std::vector<std::string> LinesOf(const std::string& AText, bool ACrLfOnly) {
  std::vector<std::string> Result(1);
  for (size_t I = 0; I < AText.size(); ++I) {
    const bool CrLf = AText.compare(I, 2, "\r\n") == 0;
    if (CrLf || (!ACrLfOnly && (AText[I] == '\r' || AText[I] == '\n'))) {
      Result.emplace_back();
      I += CrLf;
    } else {
      Result.back() += AText[I];
    }
  }
  return Result;
}

}  // namespace

TEST(CleanLineFeeds, CorpusSourcesGetCrLfAndNothingElseChanges) {
  TESTSUPPORT_SKIP_IF_ABSENT(TestSupport::CorpusDir() / "other", "line-break corpus");
  const std::vector<fs::path> Files = CorpusFiles("other");
  EXPECT_EQ(Files.size(), 12u);
  TTempDir Dir;
  for (const fs::path& File : Files) {
    SCOPED_TRACE(File.filename().string());
    const std::string Original = ReadBytes(File);
    WriteBytes(Dir / "copy", Original);
    EXPECT_EQ(LinesOf(Original, false) != LinesOf(Original, true), TCleanLineFeeds::CleanLineFeeds(U16(Dir / "copy")));
    const std::string Cleaned = ReadBytes(Dir / "copy");
    EXPECT_EQ(Original.rfind(cBom, 0) == 0, Cleaned.rfind(cBom, 0) == 0);
    EXPECT_EQ(LinesOf(Original, false), LinesOf(Cleaned, true));
    EXPECT_EQ(LinesOf(Cleaned, false), LinesOf(Cleaned, true));
    // Clean now: a second run writes nothing and the time stays.
    const auto Old = Age(Dir / "copy");
    EXPECT_FALSE(TCleanLineFeeds::CleanLineFeeds(U16(Dir / "copy")));
    EXPECT_EQ(Old, fs::last_write_time(Dir / "copy"));
  }
}

TEST(CleanLineFeeds, EncodingsKeepEveryByteButTheLineBreaks) {
  struct TCase {
    const char* What;
    std::string Source, Expected;  // Expected empty: the file needs no change
  };
  // U+0D0A is the byte pair 0A 0D (LE) or 0D 0A (BE), U+010D the pair 0D 01 (LE): line breaks
  // only for a byte-wise reading.
  const std::u16string Traps = u"\u0D0A\u010D\u0A0D";
  const TCase Cases[] = {
      {"Windows-1252 with e acute", "caf\xE9\nx\r\ny\rz\n\r\r\r\nend", "caf\xE9\r\nx\r\ny\r\nz\r\n\r\n\r\n\r\nend"},
      {"lone LF at the end", "unit A;\n", "unit A;\r\n"},
      {"no line break", "unit A;", ""},
      {"CR LF only", "a\r\nb\r\n", ""},
      {"empty file", "", ""},
      {"UTF-8 with byte-order mark", cBom + "\xC3\xA9\n\xE2\x82\xAC\r\r\n", cBom + "\xC3\xA9\r\n\xE2\x82\xAC\r\n\r\n"},
      {"UTF-16 LE", Bytes({0xFF, 0xFE}) + Utf16Bytes(u"\u00E9\n" + Traps + u"\r\r\nx\n\r"),
       Bytes({0xFF, 0xFE}) + Utf16Bytes(u"\u00E9\r\n" + Traps + u"\r\n\r\nx\r\n\r\n")},
      {"UTF-16 BE", Bytes({0xFE, 0xFF}) + Utf16Bytes(u"\u00E9\n" + Traps + u"\r", true),
       Bytes({0xFE, 0xFF}) + Utf16Bytes(u"\u00E9\r\n" + Traps + u"\r\n", true)},
      {"UTF-16 LE with a dangling byte", Bytes({0xFF, 0xFE}) + Utf16Bytes(u"a\n") + "\n",
       Bytes({0xFF, 0xFE}) + Utf16Bytes(u"a\r\n") + "\n"},
      {"UTF-16 LE clean", Bytes({0xFF, 0xFE}) + Utf16Bytes(u"a\r\n" + Traps), ""},
      {"NUL bytes without a byte-order mark", Utf16Bytes(u"a\nb"), ""},
  };
  TTempDir Dir;
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.What);
    const fs::path File = Dir / "unit.pas";
    WriteBytes(File, Case.Source);
    const auto Old = Age(File);
    EXPECT_EQ(!Case.Expected.empty(), TCleanLineFeeds::CleanLineFeeds(U16(File)));
    EXPECT_EQ(Case.Expected.empty() ? Case.Source : Case.Expected, ReadBytes(File));
    if (Case.Expected.empty()) {
      EXPECT_EQ(Old, fs::last_write_time(File));
    }
  }
  EXPECT_EQ(1u, Dir.EntryCount());
}

TEST(CleanLineFeeds, TargetsAndRefusals) {
  TTempDir Dir;
  const std::string Mixed = "a\nb\r\n";
  const fs::path Source = Dir / "a.pas", ReadOnly = Dir / "ro.pas";
  WriteBytes(Source, Mixed);
  // Missing source, missing target folder (a failed write): false, nothing written.
  EXPECT_FALSE(TCleanLineFeeds::CleanLineFeeds(U16(Dir / "missing.pas"), U16(Dir / "t.pas")));
  EXPECT_FALSE(TCleanLineFeeds::CleanLineFeeds(U16(Source), U16(Dir / "none" / "t.pas")));
  EXPECT_EQ(1u, Dir.EntryCount());
  // Read-only targets are refused, also when they are the source.
  fs::copy_file(Source, ReadOnly);
  fs::permissions(ReadOnly, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(TCleanLineFeeds::CleanLineFeeds(U16(ReadOnly)));
  EXPECT_FALSE(TCleanLineFeeds::CleanLineFeeds(U16(Source), U16(ReadOnly)));
  EXPECT_EQ(Mixed, ReadBytes(ReadOnly));
  // Another target is created and the source stays as it is.
  EXPECT_TRUE(TCleanLineFeeds::CleanLineFeeds(U16(Source), U16(Dir / "t.pas")));
  EXPECT_EQ(Mixed, ReadBytes(Source));
  EXPECT_EQ("a\r\nb\r\n", ReadBytes(Dir / "t.pas"));
  EXPECT_EQ(3u, Dir.EntryCount());
}
