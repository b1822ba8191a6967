// The normalizer over real project files: it must never raise, must keep every element,
// attribute and text except the entries it is meant to delete, and a normalized project must
// normalize to the same bytes (in memory and on disk, where a second run writes nothing). The
// benchmark's generated projects are held to the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <cctype>
#include <set>
#include <sstream>

#include "bench/GeneratedProject.h"
#include "common/TestSupport.h"
#include "projfile/NormalizerDprojFile.h"
#include "projfile/NormalizerTestSupport.h"

namespace Vorlane {
namespace {

using namespace NormalizerTest;

namespace fs = std::filesystem;

std::vector<fs::path> CorpusFiles() {
  std::vector<fs::path> LResult;
  fs::path LDir = TestSupport::CorpusDir() / "dproj";
  if (!fs::is_directory(LDir)) return LResult;
  for (const auto& LEntry : fs::directory_iterator(LDir))
    if (LEntry.is_regular_file() && LEntry.path().extension() == ".dproj") LResult.push_back(LEntry.path());
  std::sort(LResult.begin(), LResult.end());
  return LResult;
}

struct TNodeInfo {
  int Count = 0;
  std::string Name;
  std::string ParentName;
  std::string ParentCondition;
  bool ParentHasAttributes = false;
};
using TNodeInfos = std::map<std::string, TNodeInfo>;

void Collect(const TXmlNode* ANode, const std::string& APath, TNodeInfos& AOut) {
  std::string LSelf = APath + "/" + NodeLine(ANode);
  TNodeInfo& LInfo = AOut[LSelf];
  ++LInfo.Count;
  LInfo.Name = ANode->Name();
  if (const TXmlNode* LParent = ANode->Parent()) {
    LInfo.ParentName = LParent->Name();
    LInfo.ParentCondition = LParent->GetAttributeByName("Condition");
    LInfo.ParentHasAttributes = LParent->GetAttributeCount() > 0;
  }
  for (Integer I = 0; I < ANode->GetNodeCount(); ++I) Collect(ANode->GetNodes(I), LSelf, AOut);
}

TNodeInfos Infos(TXmlDocument* ADoc) {
  TNodeInfos LResult;
  Collect(ADoc->RootNodeList(), "", LResult);
  return LResult;
}

// The only nodes the normalizer may remove: obsolete compiler switches of data groups, and the
// stray entries of the Android64 groups of projects from version 18.8 on.
bool MayBeDeleted(const TNodeInfo& AInfo, double AVersion) {
  static const std::set<std::string> cObsolete = {"DCC_E", "DCC_F", "DCC_K", "DCC_N", "DCC_S"};
  if (AInfo.ParentName == "PropertyGroup" && AInfo.ParentHasAttributes && cObsolete.count(AInfo.Name)) return true;
  // A condition of the form '$(K_Android64)'!='' (fixed parts compared ignoring case).
  const std::string& C = AInfo.ParentCondition;
  const std::string Head = "'$(", Tail = "_android64)'!=''";
  auto Lower = [](std::string S) {
    for (char& Ch : S) Ch = static_cast<char>(std::tolower(static_cast<unsigned char>(Ch)));
    return S;
  };
  if (AVersion >= 18.8 && AInfo.ParentName == "PropertyGroup" && C.size() > Head.size() + Tail.size() &&
      C.compare(0, Head.size(), Head) == 0 && Lower(C.substr(C.size() - Tail.size())) == Tail) {
    const std::string K = C.substr(Head.size(), C.size() - Head.size() - Tail.size());
    return AInfo.Name == K + "_Android" || AInfo.Name == "CfgParent" || AInfo.Name == K;
  }
  return false;
}

// The first line where two dumps differ, with the path of elements leading to it.
std::string FirstDifference(const std::string& A, const std::string& B) {
  std::istringstream LA(A), LB(B);
  std::string LLineA, LLineB;
  std::vector<std::string> LPath;
  while (true) {
    bool LHasA = static_cast<bool>(std::getline(LA, LLineA));
    bool LHasB = static_cast<bool>(std::getline(LB, LLineB));
    if (!LHasA || !LHasB) return "length differs";
    size_t LDepth = LLineA.find_first_not_of(' ') / 2;
    LPath.resize(LDepth);
    if (LLineA != LLineB) {
      std::string LResult;
      for (const std::string& P : LPath) LResult += P.substr(0, 60) + " / ";
      return LResult + "\n      first: " + LLineA.substr(0, 120) + "\n      second: " + LLineB.substr(0, 120);
    }
    LPath.push_back(LLineA.substr(LLineA.find('<')));
  }
}

// Normalizes ADoc four more times; every run must give AFirst again.
void ExpectFixedPoint(TDprojXml* ADoc, const UTF8String& AFirst, const std::string& AName) {
  for (int LRun = 2; LRun <= 5; ++LRun) {
    TNormalizerDProjFile::Normalize(ADoc);
    UTF8String LAgain = ADoc->WriteToString();
    if (LAgain == AFirst) continue;
    ADD_FAILURE() << "run " << LRun << " changes " << AName << ": " << FirstDifference(AFirst, LAgain);
    return;
  }
}

TEST(NormalizerCorpus, KeepsContentAndSettlesInOneRun) {
  TESTSUPPORT_SKIP_IF_ABSENT(TestSupport::CorpusDir() / "dproj", "project corpus");
  std::vector<fs::path> LFiles = CorpusFiles();

  int LUnreadable = 0, LChanged = 0, LDeleted = 0;
  std::ostringstream LReport;
  for (const fs::path& LFile : LFiles) {
    SCOPED_TRACE(LFile.filename().string());
    std::unique_ptr<TDprojXml> LXml;
    try {
      LXml = LoadProject(LFile.string());
    } catch (const std::exception& E) {
      ++LUnreadable;
      LReport << "  unreadable " << LFile.filename().string() << ": " << E.what() << "\n";
      continue;
    }
    double LVersion;
    {
      TCustomProjFile LProj(LXml.get());
      LVersion = LProj.GetProjectVersion();
    }
    TNodeInfos LBefore = Infos(LXml.get());
    std::string LOriginal = TreeText(LXml.get());
    EXPECT_NO_THROW(TNormalizerDProjFile::Normalize(LXml.get()));
    TNodeInfos LAfter = Infos(LXml.get());
    for (const auto& [LKey, LInfo] : LAfter) {
      auto LIt = LBefore.find(LKey);
      int LWas = LIt == LBefore.end() ? 0 : LIt->second.Count;
      EXPECT_LE(LInfo.Count, LWas) << "node appeared: " << LKey;
    }
    for (const auto& [LKey, LInfo] : LBefore) {
      auto LIt = LAfter.find(LKey);
      int LNow = LIt == LAfter.end() ? 0 : LIt->second.Count;
      if (LNow < LInfo.Count) {
        LDeleted += LInfo.Count - LNow;
        EXPECT_TRUE(MayBeDeleted(LInfo, LVersion)) << "node lost: " << LKey;
      }
    }
    std::string LFirst = TreeText(LXml.get());
    if (LFirst != LOriginal) ++LChanged;

    // By file name, on a temporary copy: the same result reaches the disk.
    TestSupport::TScratchFolder LScratch("vorlane-corpus");
    fs::path LTemp = LScratch / LFile.filename().string();
    fs::copy_file(LFile, LTemp, fs::copy_options::overwrite_existing);
    fs::permissions(LTemp, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    EXPECT_NO_THROW(TNormalizerDProjFile::Normalize(UTF8ToUnicode(LTemp.string())));
    std::string LOnDisk = TreeText(LoadProject(LTemp.string()).get());
    EXPECT_TRUE(LFirst == LOnDisk) << FirstDifference(LFirst, LOnDisk);

    // A second run over the file leaves its bytes and its time stamp alone.
    const std::string LBytes = TestSupport::ReadBytes(LTemp);
    const auto LTime = fs::last_write_time(LTemp) - std::chrono::hours(1);
    fs::last_write_time(LTemp, LTime);
    EXPECT_NO_THROW(TNormalizerDProjFile::Normalize(UTF8ToUnicode(LTemp.string())));
    EXPECT_TRUE(LBytes == TestSupport::ReadBytes(LTemp)) << "a second run rewrote the file";
    EXPECT_EQ(LTime, fs::last_write_time(LTemp));

    ExpectFixedPoint(LXml.get(), LXml->WriteToString(), LFile.filename().string());
  }
  std::cout << "corpus: " << LFiles.size() << " files, " << LUnreadable << " unreadable, " << LChanged
            << " changed by normalizing, " << LDeleted << " nodes deleted\n"
            << LReport.str();
}

TEST(NormalizerCorpus, GeneratedProjectsSettleInOneRun) {
  // The benchmark's shuffled projects: many ties among deployment entries of one platform.
  struct TSize {
    int Configs, DeployFiles, References;
  };
  for (const TSize& S : {TSize{3, 100, 50}, TSize{50, 2000, 1000}}) {
    const std::string LName = std::to_string(S.Configs) + " configurations";
    SCOPED_TRACE(LName);
    auto LXml = ParseProject(Bench::GenerateProject(S.Configs, S.DeployFiles, S.References));
    const UTF8String LOriginal = LXml->WriteToString();
    TNormalizerDProjFile::Normalize(LXml.get());
    const UTF8String LFirst = LXml->WriteToString();
    EXPECT_NE(LOriginal, LFirst);
    ExpectFixedPoint(LXml.get(), LFirst, LName);
  }
}

}  // namespace
}  // namespace Vorlane
