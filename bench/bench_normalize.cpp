// Normalizer speed on a generated large project: thousands of deployment entries, many build
// configurations with their structure and data groups per platform, all shuffled, plus the
// corpus when it is present.
//
//   bench_normalize [configurations] [deploy-files] [references]
//
// Prints the time of loading, of the first normalization (everything out of order), of a
// second one (already canonical) and of rendering, and whether the second one changed the
// rendering (it must not).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/GeneratedProject.h"
#include "projfile/DprojXml.h"
#include "projfile/NormalizerDprojFile.h"

using namespace Vorlane;
using Vorlane::Bench::GenerateProject;

namespace {

double Ms(std::chrono::steady_clock::time_point A, std::chrono::steady_clock::time_point B) {
  return std::chrono::duration<double, std::milli>(B - A).count();
}

void Run(int AConfigs, int ADeployFiles, int AReferences) {
  std::string LText = GenerateProject(AConfigs, ADeployFiles, AReferences);
  auto T0 = std::chrono::steady_clock::now();
  TDprojXml LXml;
  LXml.ReadFromString(LText);
  auto T1 = std::chrono::steady_clock::now();
  TNormalizerDProjFile::Normalize(&LXml);
  auto T2 = std::chrono::steady_clock::now();
  UTF8String LFirst = LXml.WriteToString();
  auto T3 = std::chrono::steady_clock::now();
  TNormalizerDProjFile::Normalize(&LXml);
  auto T4 = std::chrono::steady_clock::now();
  UTF8String LOut = LXml.WriteToString();
  auto T5 = std::chrono::steady_clock::now();
  std::printf("configs %5d  deploy files %6d  references %6d  root children %6d  (%.1f MB): load %8.1f ms  "
              "normalize %8.1f ms  again %8.1f ms  render %8.1f ms  second pass %s\n",
              AConfigs, ADeployFiles, AReferences, LXml.GetRoot()->GetNodeCount(), LText.size() / 1048576.0,
              Ms(T0, T1), Ms(T1, T2), Ms(T3, T4), Ms(T4, T5), LOut == LFirst ? "unchanged" : "CHANGED");
}

void RunCorpus() {
  namespace fs = std::filesystem;
  fs::path LDir = fs::path(VORLANE_SHARED_DIR) / "corpus" / "dproj";
  if (!fs::is_directory(LDir)) return;
  std::vector<std::unique_ptr<TDprojXml>> LDocs;
  for (const auto& LEntry : fs::directory_iterator(LDir)) {
    if (LEntry.path().extension() != ".dproj") continue;
    auto LXml = std::make_unique<TDprojXml>();
    try {
      LXml->LoadFromFile(UTF8ToUnicode(LEntry.path().string()));
    } catch (const std::exception&) {
      continue;
    }
    LDocs.push_back(std::move(LXml));
  }
  auto T0 = std::chrono::steady_clock::now();
  for (auto& LXml : LDocs) TNormalizerDProjFile::Normalize(LXml.get());
  auto T1 = std::chrono::steady_clock::now();
  std::printf("corpus: %zu project files normalized in memory in %.1f ms\n", LDocs.size(), Ms(T0, T1));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4) {
    Run(std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]));
    return 0;
  }
  Run(3, 100, 50);
  Run(50, 2000, 1000);
  Run(200, 5000, 3000);
  Run(500, 20000, 5000);
  Run(2000, 50000, 10000);
  RunCorpus();
  return 0;
}
