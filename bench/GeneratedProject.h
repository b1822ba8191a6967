// The shuffled project the normalizer benchmark measures: N build configurations (a chain of
// parents), 8 enabled platforms, structure and data groups for every configuration and
// platform, build-event groups for every fourth configuration, DCCReference items and
// DeployFile, DeployClass and ProjectRoot entries, all in random order (fixed seed). The
// tests use it too, so the measured projects are also checked.
#pragma once

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace Vorlane::Bench {

inline const char* const cPlatforms[] = {"Win32", "Win64", "Android", "Android64", "iOSDevice64", "OSX64", "OSXARM64", "Linux64"};

inline std::string Q(const std::string& S) { return "'" + S + "'"; }

inline std::string GenerateProject(int AConfigs, int ADeployFiles, int AReferences) {
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

}  // namespace Vorlane::Bench
