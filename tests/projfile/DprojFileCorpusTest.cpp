// Every project operation over every real project file of the shared corpus, each on a
// temporary copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "projfile/DprojFile.h"
#include "tests/projfile/DprojFileTestSupport.h"

using namespace Vorlane;
using namespace ProjFileTest;

namespace {

fs::path CorpusFolder() { return TestSupport::CorpusDir() / "dproj"; }

std::vector<fs::path> CorpusProjects() {
  std::vector<fs::path> Result;
  std::error_code Ec;
  for (const auto& Entry : fs::directory_iterator(CorpusFolder(), Ec))
    if (Entry.path().extension() == ".dproj") Result.push_back(Entry.path());
  std::sort(Result.begin(), Result.end());
  return Result;
}

// Names of the corpus projects that its manifest lists as malformed XML: those must fail to
// load with a clear error and stay as they are.
std::set<std::string> MalformedProjects() {
  std::set<std::string> Result;
  std::istringstream Manifest(ReadBytes(TestSupport::CorpusDir() / "MANIFEST.tsv"));
  std::string Line;
  while (std::getline(Manifest, Line)) {
    if (Line.rfind("dproj/", 0) != 0 || Line.find("MALFORMED XML") == std::string::npos) continue;
    Result.insert(Line.substr(6, Line.find('\t') - 6));
  }
  return Result;
}

struct TOperation {
  const char* Name;
  std::function<void(TDProjFile&)> Run;
};

const std::vector<TOperation>& Operations() {
  static const std::vector<TOperation> List = {
      {"AddMissingPlatforms", [](TDProjFile& P) { P.AddMissingPlatforms({u"Win32", u"Win64", u"Android64"}); }},
      {"RemoveUnusedPlatforms", [](TDProjFile& P) { P.RemoveUnusedPlatforms(); }},
      {"RefreshFormType", [](TDProjFile& P) { P.RefreshFormType(); }},
      {"RemoveDeployment", [](TDProjFile& P) { P.RemoveDeployment(); }},
      {"RemoveExcludedPackages", [](TDProjFile& P) { P.RemoveExcludedPackages(); }},
      {"RemoveUWP", [](TDProjFile& P) { P.RemoveUWP(); }},
      {"LibSuffix", [](TDProjFile& P) { P.SetLibSuffix(P.LibSuffix() + u"0"); }},
      {"Queries", [](TDProjFile& P) {
         (void)P.FrameWorkType();
         (void)P.GetBuildConfigurations();
         P.AdjustKnownPlatformNames();
       }},
  };
  return List;
}

}  // namespace

TEST(DprojFileCorpus, EveryOperationOnEveryProject) {
  TESTSUPPORT_SKIP_IF_ABSENT(CorpusFolder(), "project corpus");
  const auto Projects = CorpusProjects();

  const auto Malformed = MalformedProjects();
  TTempDir Dir;
  int NonBoolean = 0;
  for (const fs::path& Source : Projects) {
    const std::string Original = ReadBytes(Source);
    if (Malformed.count(Source.filename().string()) != 0) {
      const fs::path Copy = Dir / "work.dproj";
      WriteBytes(Copy, Original);
      EXPECT_THROW(TDProjFile::RemoveUnusedPlatforms(U16(Copy)), EFilerError) << Source.filename();
      EXPECT_THROW(TDProjFile::RefreshFormType(U16(Copy)), EFilerError) << Source.filename();
      EXPECT_EQ(Original, ReadBytes(Copy)) << Source.filename();
      continue;
    }
    for (const TOperation& Op : Operations()) {
      const fs::path Copy = Dir / "work.dproj";
      WriteBytes(Copy, Original);
      try {
        TDProjFile Project(U16(Copy));
        Op.Run(Project);
        Project.SaveToFile();
        // What was written must load again.
        TDProjFile Reloaded(U16(Copy));
      } catch (const Exception& E) {
        const bool Documented = std::string(Op.Name) == "RemoveUnusedPlatforms" &&
                                E.Message() == u"Cannot convert value to bool";
        EXPECT_TRUE(Documented) << Source.filename() << " / " << Op.Name << ": " << E.ClassName() << ": "
                                << E.MessageUtf8();
        if (Documented) {
          ++NonBoolean;
          // The operation on the file name must leave the file as it was.
          EXPECT_THROW(TDProjFile::RemoveUnusedPlatforms(U16(Copy)), Exception);
          EXPECT_EQ(Original, ReadBytes(Copy)) << Source.filename();
        }
      }
    }
  }
  EXPECT_EQ(1u, Dir.EntryCount());
  RecordProperty("NonBooleanPlatformValues", NonBoolean);
}
