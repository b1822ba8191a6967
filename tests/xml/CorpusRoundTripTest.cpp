// Real project files written by the Delphi IDE: each loads, and one saved unchanged in the
// project layout (readable, four blanks) gives back its own bytes whenever it already is in
// that layout. Repositories often store these files with LF line breaks; the IDE writes
// CR LF, so the comparison is made on an in-memory copy with CR LF restored.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/TestSupport.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

using namespace Vorlane;
namespace fs = std::filesystem;

namespace {

using TestSupport::ReadBytes;

std::string WithCrLf(const std::string& AText) {
  std::string Result;
  Result.reserve(AText.size() + AText.size() / 16);
  for (size_t I = 0; I < AText.size(); ++I) {
    if (AText[I] == '\n' && (I == 0 || AText[I - 1] != '\r')) Result += '\r';
    Result += AText[I];
  }
  return Result;
}

std::vector<std::string> Lines(const std::string& AText) {
  std::vector<std::string> Result;
  size_t Start = 0;
  while (Start <= AText.size()) {
    size_t End = AText.find("\r\n", Start);
    if (End == std::string::npos) End = AText.size();
    Result.push_back(AText.substr(Start, End - Start));
    Start = End + 2;
  }
  return Result;
}

// The ways in which a file can differ from the layout the writer produces. A file that shows
// none of them is in that layout and must come back byte for byte.
std::set<std::string> LayoutDeviations(std::string AText) {
  std::set<std::string> Kinds;
  const bool Bom = AText.rfind("\xEF\xBB\xBF", 0) == 0;
  if (Bom) AText.erase(0, 3);
  for (const std::string& Line : Lines(AText)) {
    if (!Line.empty() && Line[0] == '\t') Kinds.insert("indented with TABs");
    size_t Blanks = 0;
    while (Blanks < Line.size() && Line[Blanks] == ' ') ++Blanks;
    if (Blanks < Line.size() && Blanks % 4 != 0) Kinds.insert("indent not a multiple of four blanks");
    if (!Line.empty() && (Line.back() == ' ' || Line.back() == '\t'))
      Kinds.insert("blanks at the end of a line");
  }
  for (size_t P = AText.find("<![CDATA["); P != std::string::npos;
       P = AText.find("<![CDATA[", P + 1)) {
    if (P > 0 && AText[P - 1] == '>') Kinds.insert("CDATA section inline after an opening tag");
  }
  // <X></X>, which the writer gives in the empty-element form below the root.
  for (size_t P = AText.find("></"); P != std::string::npos; P = AText.find("></", P + 1)) {
    const size_t Open = AText.rfind('<', P);
    if (Open == std::string::npos || std::string("/!?").find(AText[Open + 1]) != std::string::npos)
      continue;
    const size_t NameEnd = AText.find_first_of(" \t\r\n>", Open + 1);
    const size_t CloseEnd = AText.find('>', P + 3);
    if (CloseEnd != std::string::npos &&
        AText.compare(Open + 1, NameEnd - Open - 1, AText, P + 3, CloseEnd - P - 3) == 0)
      Kinds.insert("empty element written with a close tag");
  }
  if (!Bom && AText.rfind("<?xml", 0) == 0) Kinds.insert("UTF-8 declaration without byte-order mark");
  if (AText.size() < 3 || AText.compare(AText.size() - 3, 3, ">\r\n") != 0)
    Kinds.insert("no single line break after the last tag");
  return Kinds;
}

std::set<std::string> MalformedFiles(const fs::path& AManifest) {
  std::set<std::string> Result;
  std::istringstream In(ReadBytes(AManifest));
  std::string Line;
  while (std::getline(In, Line)) {
    if (Line.find("MALFORMED") == std::string::npos) continue;
    const std::string File = Line.substr(0, Line.find('\t'));
    Result.insert(fs::path(File).filename().string());
  }
  return Result;
}

}  // namespace

TEST(CorpusRoundTrip, ProjectFilesLoadAndKeepTheirBytes) {
  const fs::path Corpus = TestSupport::CorpusDir();
  TESTSUPPORT_SKIP_IF_ABSENT(Corpus / "dproj", "project-file corpus");
  const std::set<std::string> Malformed = MalformedFiles(Corpus / "MANIFEST.tsv");
  ASSERT_EQ(Malformed.size(), 3u);

  std::vector<fs::path> Files;
  for (const auto& Entry : fs::directory_iterator(Corpus / "dproj"))
    if (Entry.path().extension() == ".dproj") Files.push_back(Entry.path());
  std::sort(Files.begin(), Files.end());
  ASSERT_FALSE(Files.empty());

  size_t Identical = 0, Differing = 0, Refused = 0;
  std::map<std::string, size_t> Kinds;
  for (const fs::path& File : Files) {
    const std::string Name = File.filename().string();
    const std::string Expected = WithCrLf(ReadBytes(File));
    TXmlDocument Doc;
    Doc.SetXmlFormat(xfReadable);
    Doc.SetIndentString("    ");
    TBytesStream In(Expected);
    if (Malformed.count(Name) > 0) {
      EXPECT_THROW(Doc.LoadFromStream(&In), EFilerError) << Name;
      ++Refused;
      continue;
    }
    try {
      Doc.LoadFromStream(&In);
    } catch (const Exception& E) {
      ADD_FAILURE() << Name << ": " << E.ClassName() << ": " << E.what();
      continue;
    }
    TBytesStream Out;
    Doc.SaveToStream(&Out);
    // Whatever the file's own layout, what the writer made must come back unchanged: a
    // second load and save that still changed bytes would rewrite the file on every run.
    {
      TXmlDocument Again;
      Again.SetXmlFormat(xfReadable);
      Again.SetIndentString("    ");
      TBytesStream Written(Out.DataString());
      Again.LoadFromStream(&Written);
      TBytesStream Second;
      Again.SaveToStream(&Second);
      EXPECT_TRUE(Second.DataString() == Out.DataString())
          << Name << " changes again on a second save";
    }
    if (Out.DataString() == Expected) {
      ++Identical;
      continue;
    }
    ++Differing;
    const std::set<std::string> Deviations = LayoutDeviations(Expected);
    EXPECT_FALSE(Deviations.empty()) << Name << " is in the project layout but does not round-trip";
    // A file whose only deviation is the missing mark gets exactly the mark.
    if (Deviations == std::set<std::string>{"UTF-8 declaration without byte-order mark"}) {
      EXPECT_TRUE(Out.DataString() == "\xEF\xBB\xBF" + Expected) << Name;
    }
    for (const std::string& Kind : Deviations) ++Kinds[Kind];
  }
  std::cout << "[ corpus   ] " << Files.size() << " project files: " << Identical
            << " byte-identical, " << Differing << " re-laid-out, " << Refused
            << " malformed refused" << std::endl;
  for (const auto& [Kind, Count] : Kinds)
    std::cout << "[ corpus   ]   " << Count << " file(s): " << Kind << std::endl;
}
