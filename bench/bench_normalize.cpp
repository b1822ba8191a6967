// Normalizer speed on a generated large project: thousands of deployment entries, many build
// configurations with their structure and data groups per platform, all shuffled, plus the
// corpus when it is present.
//
//   bench_normalize [configurations] [deploy-files] [references]
//
// Prints the time of loading, of the first normalization (everything out of order), of a
// second one (already canonical) and of rendering.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "projfile/DprojXml.h"
#include "projfile/NormalizerDprojFile.h"

using namespace Vorlane;

namespace {

const char* const cPlatforms[] = {"Win32", "Win64", "Android", "Android64", "iOSDevice64", "OSX64", "OSXARM64", "Linux64"};

std::string Q(const std::string& S) { return "'" + S + "'"; }

std::string GenerateProject(int AConfigs, int ADeployFiles, int AReferences) {
  std::mt19937 LRandom(12345);
  std::vector<std::string> LGroups;
  std::vector<std::string> LKeys = {"Base"};
  for (int I = 1; I < AConfigs; ++I) LKeys.push_back("Cfg_" + std::to_string(I));
  for (size_t C = 0; C < LKeys.size(); ++C) {
    const std::string& K = LKeys[C];
    std::string N = C == 0 ? "Base" : "Config" + std::to_string(C);
    std::string LParent = C == 0 ? "" : (C < 3 ? "Base" : LKeys[1 + C % 2]);
    std::string S = "    <PropertyGroup Condition=\"" + Q("$(Config)") + "==" + Q(N) + " or " + Q("$(" + K + ")") +
                    "!=''\">\n        <" + K + ">true</" + K + ">\n";
    if (!LParent.empty()) S += "        <CfgParent>" + LParent + "</CfgParent>\n";
    S += "        <Base>true</Base>\n    </PropertyGroup>\n";
    LGroups.push_back(S);
    LGroups.push_back("    <PropertyGroup Condition=\"" + Q("$(" + K + ")") +
                      "!=''\">\n        <VerInfo_Keys>x</VerInfo_Keys>\n        <DCC_E>false</DCC_E>\n"
                      "        <SanitizedProjectName>P</SanitizedProjectName>\n        <DCC_Define>D</DCC_Define>\n"
                      "    </PropertyGroup>\n");
    for (const char* P : cPlatforms) {
      std::string KP = K + "_" + P;
      LGroups.push_back("    <PropertyGroup Condition=\"(" + Q("$(Platform)") + "==" + Q(P) + " and " +
                        Q("$(" + K + ")") + "=='true') or " + Q("$(" + KP + ")") + "!=''\">\n        <CfgParent>" +
                        K + "</CfgParent>\n        <Base>true</Base>\n        <" + KP + ">true</" + KP + ">\n        <" +
                        K + ">true</" + K + ">\n    </PropertyGroup>\n");
      LGroups.push_back("    <PropertyGroup Condition=\"" + Q("$(" + KP + ")") +
                        "!=''\">\n        <Icon_MainIcon>i.ico</Icon_MainIcon>\n        <DCC_Namespace>N</DCC_Namespace>\n"
                        "    </PropertyGroup>\n");
      if (C % 4 == 0)
        LGroups.push_back("    <PropertyGroup Condition=\"" + Q("$(Config)") + "==" + Q(N) + " and " + Q("$(Platform)") +
                          "==" + Q(P) + "\">\n        <PreBuildEvent>echo</PreBuildEvent>\n    </PropertyGroup>\n");
    }
  }
  LGroups.push_back(
      "    <PropertyGroup>\n        <ProjectVersion>19.5</ProjectVersion>\n        <MainSource>P.dpr</MainSource>\n"
      "        <Base>True</Base>\n        <AppType>Application</AppType>\n    </PropertyGroup>\n");
  std::shuffle(LGroups.begin(), LGroups.end(), LRandom);

  std::vector<std::string> LItems;
  for (int I = 0; I < AReferences; ++I)
    LItems.push_back("        <DCCReference Include=\"Unit" + std::to_string(I) + ".pas\"/>\n");
  for (size_t C = 0; C < LKeys.size(); ++C) {
    std::string LItem = "        <BuildConfiguration Include=\"" + (C == 0 ? std::string("Base") : "Config" + std::to_string(C)) +
                        "\">\n            <Key>" + LKeys[C] + "</Key>\n";
    if (C > 0) LItem += "            <CfgParent>" + (C < 3 ? std::string("Base") : LKeys[1 + C % 2]) + "</CfgParent>\n";
    LItems.push_back(LItem + "        </BuildConfiguration>\n");
  }
  std::shuffle(LItems.begin(), LItems.end(), LRandom);

  std::vector<std::string> LDeploy;
  for (int I = 0; I < ADeployFiles; ++I) {
    const char* P = cPlatforms[LRandom() % 8];
    LDeploy.push_back("                <DeployFile LocalName=\"File" + std::to_string(I % (ADeployFiles / 4 + 1)) +
                      ".bin\" Configuration=\"" + (I % 2 ? "Debug" : "Release") + "\" Class=\"File\">\n"
                      "                    <Platform Name=\"" + P + "\">\n                        <RemoteDir>.\\</RemoteDir>\n"
                      "                        <Overwrite>true</Overwrite>\n                    </Platform>\n"
                      "                </DeployFile>\n");
  }
  for (int I = 0; I < ADeployFiles / 20; ++I)
    LDeploy.push_back("                <DeployClass Name=\"Class" + std::to_string(I) +
                      "\">\n                    <Platform Name=\"Win32\"/>\n                </DeployClass>\n");
  for (const char* P : cPlatforms)
    LDeploy.push_back(std::string("                <ProjectRoot Platform=\"") + P + "\" Name=\"$(PROJECTNAME)\"/>\n");
  std::shuffle(LDeploy.begin(), LDeploy.end(), LRandom);

  std::string LText = "<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">\n";
  for (const std::string& G : LGroups) LText += G;
  LText += "    <ItemGroup>\n";
  for (const std::string& I : LItems) LText += I;
  LText += "    </ItemGroup>\n    <ProjectExtensions>\n        <Borland.Personality>Delphi.Personality.12</Borland.Personality>\n"
           "        <BorlandProject>\n            <Platforms>\n";
  for (int I = 7; I >= 0; --I)
    LText += std::string("                <Platform value=\"") + cPlatforms[I] + "\">True</Platform>\n";
  LText += "            </Platforms>\n            <Deployment Version=\"4\">\n";
  for (const std::string& D : LDeploy) LText += D;
  LText += "            </Deployment>\n            <Delphi.Personality>\n                <VersionInfo/>\n"
           "                <Source>\n                    <Source Name=\"MainSource\">P.dpr</Source>\n"
           "                </Source>\n            </Delphi.Personality>\n        </BorlandProject>\n"
           "    </ProjectExtensions>\n</Project>\n";
  return LText;
}

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
  TNormalizerDProjFile::Normalize(&LXml);
  auto T3 = std::chrono::steady_clock::now();
  UTF8String LOut = LXml.WriteToString();
  auto T4 = std::chrono::steady_clock::now();
  std::printf("configs %5d  deploy files %6d  references %6d  root children %6d  (%.1f MB): load %8.1f ms  "
              "normalize %8.1f ms  again %8.1f ms  render %8.1f ms\n",
              AConfigs, ADeployFiles, AReferences, LXml.GetRoot()->GetNodeCount(), LText.size() / 1048576.0,
              Ms(T0, T1), Ms(T1, T2), Ms(T2, T3), Ms(T3, T4));
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
