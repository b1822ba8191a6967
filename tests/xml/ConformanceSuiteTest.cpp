// Loads every file of the W3C XML conformance suite: no input may crash or hang the parser.
// The suite is unpacked into a temporary folder for the run and removed afterwards.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>

#include "common/TestSupport.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

using namespace Vorlane;
namespace fs = std::filesystem;

namespace {

// The value of attribute AName inside one tag text, empty when absent.
std::string TagAttribute(const std::string& ATag, const std::string& AName) {
  size_t P = 0;
  while ((P = ATag.find(AName, P)) != std::string::npos) {
    const bool Boundary = P > 0 && (ATag[P - 1] == ' ' || ATag[P - 1] == '\n' ||
                                    ATag[P - 1] == '\t' || ATag[P - 1] == '\r');
    size_t Q = P + AName.size();
    while (Q < ATag.size() && ATag[Q] == ' ') ++Q;
    if (Boundary && Q < ATag.size() && ATag[Q] == '=') {
      ++Q;
      while (Q < ATag.size() && ATag[Q] == ' ') ++Q;
      if (Q < ATag.size() && (ATag[Q] == '"' || ATag[Q] == '\'')) {
        const size_t End = ATag.find(ATag[Q], Q + 1);
        if (End != std::string::npos) return ATag.substr(Q + 1, End - Q - 1);
      }
    }
    P += AName.size();
  }
  return std::string();
}

}  // namespace

TEST(ConformanceSuite, EveryFileLoadsOrFailsCleanly) {
  const fs::path Zip = TestSupport::SharedDir() / "xmlts" / "xmlts20130923.zip";
  TESTSUPPORT_SKIP_IF_ABSENT(Zip, "W3C conformance suite");
#ifdef _WIN32
  // Windows 10 and later ship tar.exe, which unpacks zip files; wine has none.
  if (std::system("tar --version >NUL 2>&1") != 0) GTEST_SKIP() << "no tar.exe here to unpack the suite";
  TestSupport::TScratchFolder Temp("vorlane-xmlts");
  const std::string Command = "tar -xf \"" + fs::path(Zip).make_preferred().string() + "\" -C \"" +
                              Temp.Path().string() + "\" >NUL 2>&1";
#else
  if (std::system("unzip -v > /dev/null 2>&1") != 0) GTEST_SKIP() << "unzip is not installed";
  TestSupport::TScratchFolder Temp("vorlane-xmlts");
  const std::string Command =
      "unzip -q -o '" + Zip.string() + "' -d '" + Temp.Path().string() + "' > /dev/null 2>&1";
#endif
  ASSERT_EQ(std::system(Command.c_str()), 0) << "could not unpack " << Zip;

  // Every test entry of the suite's catalogs, with the kind the suite gives it.
  std::set<fs::path> ValidDocs;
  std::set<fs::path> AllFiles;
  for (const auto& Entry : fs::recursive_directory_iterator(Temp.Path())) {
    if (!Entry.is_regular_file()) continue;
    AllFiles.insert(Entry.path());
    if (Entry.path().extension() != ".xml") continue;
    const std::string Text = TestSupport::ReadBytes(Entry.path());
    size_t P = 0;
    while ((P = Text.find("<TEST", P)) != std::string::npos) {
      const size_t End = Text.find('>', P);
      if (End == std::string::npos) break;
      const std::string Tag = Text.substr(P, End - P);
      P = End;
      if (TagAttribute(Tag, "TYPE") != "valid") continue;
      const std::string Uri = TagAttribute(Tag, "URI");
      if (Uri.empty()) continue;
      ValidDocs.insert(fs::weakly_canonical(Entry.path().parent_path() / Uri));
    }
  }
  ASSERT_GT(AllFiles.size(), 1000u);
  ASSERT_GT(ValidDocs.size(), 100u);

  size_t Loaded = 0, Failed = 0, ValidLoaded = 0, ValidSeen = 0, NotResolved = 0;
  for (const fs::path& File : AllFiles) {
    const bool IsValid = ValidDocs.count(fs::weakly_canonical(File)) > 0;
    if (IsValid) ++ValidSeen;
    TXmlDocument Doc;
    try {
      Doc.LoadFromFile(UTF8ToUnicode(File.string()));
      // A loaded document must also write out without fault.
      (void)Doc.WriteToString();
      ++Loaded;
      if (IsValid) ++ValidLoaded;
    } catch (const Exception&) {
      ++Failed;
      continue;
    }
    // The suite declares entities of every shape; expanding them must end, and what results
    // must write out too. A replacement text is read as markup without resolving character
    // references in it, so one that hides a "<" behind "&#60;" may be refused: that is an
    // error of the model, not a fault.
    try {
      Doc.ResolveEntityReferences();
      (void)Doc.WriteToString();
    } catch (const Exception&) {
      ++NotResolved;
    }
  }
  std::cout << "[ suite    ] files: " << AllFiles.size() << ", loaded: " << Loaded
            << ", refused: " << Failed << "; documents marked valid: " << ValidSeen
            << ", of which loaded: " << ValidLoaded << "; entity references not resolved: "
            << NotResolved << std::endl;
  EXPECT_EQ(Loaded + Failed, AllFiles.size());
  EXPECT_EQ(ValidLoaded, ValidSeen);
}
