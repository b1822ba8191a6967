// Throughput of the project document on large generated MSBuild projects, run by hand from
// bench/run_bench.sh:
//   dproj_throughput generate <file> <megabytes>   writes a shuffled multi-platform project
//   dproj_throughput loadsave <file> <repetitions> load + indented save to memory
//   dproj_throughput normalize <file> <repetitions> load, normalize, indented save to memory
// Each measuring mode prints one line per measure with the median over the repetitions.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Classes.h"
#include "projfile/DprojXml.h"
#include "projfile/NormalizerDprojFile.h"

using namespace Vorlane;

namespace {

// A small deterministic generator, so every run measures the same file.
class TRandom {
 public:
  explicit TRandom(std::uint64_t ASeed) : FState(ASeed) {}
  std::uint32_t Next() {
    FState = FState * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(FState >> 33);
  }
  std::size_t Below(std::size_t N) { return N == 0 ? 0 : Next() % N; }
  template <class T>
  void Shuffle(std::vector<T>& AItems) {
    for (std::size_t I = AItems.size(); I > 1; --I) std::swap(AItems[I - 1], AItems[Below(I)]);
  }

 private:
  std::uint64_t FState;
};

const char* const cPlatforms[] = {"Win32", "Win64", "Android64", "iOSDevice64", "OSX64", "OSXARM64", "Linux64",
                                  "iOSSimARM64", "Android"};
const int cEnabledPlatforms = 8;  // the last one is present but switched off

std::string Line(int ADepth, const std::string& AText) { return std::string(ADepth * 4, ' ') + AText + "\r\n"; }

std::string Element(int ADepth, const std::string& AName, const std::string& AValue) {
  return Line(ADepth, "<" + AName + ">" + AValue + "</" + AName + ">");
}

std::string Generate(std::size_t ATargetBytes) {
  TRandom R(20261209);
  const int ConfigCount = 2 + static_cast<int>(ATargetBytes / (1024 * 1024));
  std::vector<std::string> Keys = {"Base"};
  for (int I = 1; I <= ConfigCount; ++I) Keys.push_back("Cfg_" + std::to_string(I));

  std::vector<std::string> Groups;
  // Structure groups.
  for (std::size_t K = 0; K < Keys.size(); ++K) {
    const std::string& Key = Keys[K];
    const std::string Parent = K <= 2 ? "Base" : Keys[1 + R.Below(K - 1)];
    std::string G = Line(1, "<PropertyGroup Condition=\"'$(Config)'=='" + (K == 0 ? std::string("Base") : "Config" + std::to_string(K)) +
                                "' or '$(" + Key + ")'!=''\">");
    G += Element(2, Key, "true");
    if (K > 0) G += Element(2, "CfgParent", Parent);
    G += Element(2, "Base", "true");
    G += Line(1, "</PropertyGroup>");
    Groups.push_back(G);
    for (const char* P : cPlatforms) {
      std::string S = Line(1, "<PropertyGroup Condition=\"('$(Platform)'=='" + std::string(P) + "' and '$(" + Key +
                                  ")'=='true') or '$(" + Key + "_" + P + ")'!=''\">");
      S += Element(2, Key + "_" + P, "true");
      S += Element(2, "CfgParent", Key);
      S += Element(2, Key, "true");
      S += Element(2, "Base", "true");
      S += Line(1, "</PropertyGroup>");
      Groups.push_back(S);
    }
  }
  // Data groups with shuffled settings.
  const char* const Settings[] = {"DCC_Namespace", "DCC_UsePackage", "DCC_Define", "DCC_ExeOutput", "DCC_DcuOutput",
                                  "VerInfo_Keys", "VerInfo_Locale", "VerInfo_IncludeVerInfo", "Icon_MainIcon",
                                  "Manifest_File", "AppDPIAwarenessMode", "BT_BuildType", "DCC_RemoteDebug",
                                  "DCC_Optimize", "DCC_DebugInformation", "DCC_LocalDebugSymbols",
                                  "DCC_SymbolReferenceInfo", "EnabledSysJars", "UWP_DelphiLogo44",
                                  "UWP_DelphiLogo150", "SanitizedProjectName", "DCC_E", "DCC_K"};
  for (const std::string& Key : Keys) {
    for (int P = -1; P < static_cast<int>(std::size(cPlatforms)); ++P) {
      const std::string Var = P < 0 ? Key : Key + "_" + cPlatforms[P];
      std::vector<std::string> Children;
      for (const char* S : Settings) {
        if (R.Below(3) == 0) continue;
        Children.push_back(Element(2, S, "$(BDS)\\bin\\" + Var + "\\" + S + ";value_" + std::to_string(R.Next() % 100000) +
                                             ";$(" + S + ")"));
      }
      R.Shuffle(Children);
      std::string G = Line(1, "<PropertyGroup Condition=\"'$(" + Var + ")'!=''\">");
      for (const auto& C : Children) G += C;
      G += Line(1, "</PropertyGroup>");
      Groups.push_back(G);
    }
  }
  R.Shuffle(Groups);

  std::vector<std::string> Configs;
  for (std::size_t K = 0; K < Keys.size(); ++K) {
    std::string C = Line(2, "<BuildConfiguration Include=\"" + (K == 0 ? std::string("Base") : "Config" + std::to_string(K)) + "\">");
    C += Element(3, "Key", Keys[K]);
    if (K > 0) C += Element(3, "CfgParent", "Base");
    C += Line(2, "</BuildConfiguration>");
    Configs.push_back(C);
  }
  R.Shuffle(Configs);

  std::string Head = "\xEF\xBB\xBF<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">\r\n";
  Head += Line(1, "<PropertyGroup>");
  Head += Element(2, "ProjectVersion", "19.5");
  Head += Element(2, "MainSource", "Generated.dpr");
  Head += Element(2, "FrameworkType", "FMX");
  Head += Element(2, "Base", "True");
  Head += Element(2, "AppType", "Application");
  Head += Element(2, "TargetedPlatforms", "1048575");
  Head += Line(1, "</PropertyGroup>");
  for (const auto& G : Groups) Head += G;

  // The bulk: units in the item group and deployment entries, until the size is reached.
  std::vector<std::string> Units;
  std::vector<std::string> Deploy;
  std::size_t Size = Head.size() + 4096;
  for (const auto& C : Configs) Size += C.size();
  for (int N = 0; Size < ATargetBytes; ++N) {
    std::string U = Line(2, "<DCCReference Include=\"Source\\Module" + std::to_string(N) + "\\Unit" + std::to_string(N) + ".pas\">");
    if (N % 3 == 0) U += Element(3, "Form", "Form" + std::to_string(N));
    if (N % 6 == 0) U += Element(3, "FormType", "fmx");
    U += Line(2, "</DCCReference>");
    std::string D = Line(4, "<DeployFile LocalName=\"Assets\\Image" + std::to_string(N) + ".png\" Configuration=\"" +
                                (N % 2 ? "Debug" : "Release") + "\" Class=\"File\">");
    for (int P = 0, Count = 1 + static_cast<int>(R.Below(3)); P < Count; ++P) {
      D += Line(5, "<Platform Name=\"" + std::string(cPlatforms[R.Below(cEnabledPlatforms)]) + "\">");
      D += Element(6, "RemoteDir", ".\\assets\\internal");
      D += Element(6, "RemoteName", "Image" + std::to_string(N) + ".png");
      D += Element(6, "Overwrite", "true");
      D += Line(5, "</Platform>");
    }
    D += Line(4, "</DeployFile>");
    Size += U.size() + D.size();
    Units.push_back(U);
    Deploy.push_back(D);
  }
  R.Shuffle(Deploy);

  std::string Out = Head;
  Out += Line(1, "<ItemGroup>");
  Out += Line(2, "<DelphiCompile Include=\"$(MainSource)\">");
  Out += Element(3, "MainSource", "MainSource");
  Out += Line(2, "</DelphiCompile>");
  for (const auto& U : Units) Out += U;
  for (const auto& C : Configs) Out += C;
  Out += Line(1, "</ItemGroup>");
  Out += Line(1, "<ProjectExtensions>");
  Out += Element(2, "Borland.Personality", "Delphi.Personality.12");
  Out += Line(2, "<BorlandProject>");
  Out += Line(3, "<Deployment Version=\"5\">");
  for (const auto& D : Deploy) Out += D;
  for (int P = cEnabledPlatforms - 1; P >= 0; --P)
    Out += Line(4, "<ProjectRoot Platform=\"" + std::string(cPlatforms[P]) + "\" Name=\"$(PROJECTNAME)\"/>");
  Out += Line(3, "</Deployment>");
  Out += Line(3, "<Platforms>");
  for (int P = static_cast<int>(std::size(cPlatforms)) - 1; P >= 0; --P)
    Out += Line(4, "<Platform value=\"" + std::string(cPlatforms[P]) + "\">" +
                       (P < cEnabledPlatforms ? "True" : "False") + "</Platform>");
  Out += Line(3, "</Platforms>");
  Out += Line(3, "<Delphi.Personality>");
  Out += Line(4, "<Source>");
  Out += Line(5, "<Source Name=\"MainSource\">Generated.dpr</Source>");
  Out += Line(4, "</Source>");
  Out += Line(3, "</Delphi.Personality>");
  Out += Line(2, "</BorlandProject>");
  Out += Line(1, "</ProjectExtensions>");
  Out += "</Project>\r\n";
  return Out;
}

double Median(std::vector<double> AValues) {
  std::sort(AValues.begin(), AValues.end());
  const std::size_t N = AValues.size();
  return N % 2 ? AValues[N / 2] : (AValues[N / 2 - 1] + AValues[N / 2]) / 2;
}

using TClock = std::chrono::steady_clock;

double Ms(TClock::time_point AStart) {
  return std::chrono::duration<double, std::milli>(TClock::now() - AStart).count();
}

std::int64_t FileSize(const char* AFile) {
  std::ifstream In(AFile, std::ios::binary | std::ios::ate);
  return In ? static_cast<std::int64_t>(In.tellg()) : -1;
}

int Usage() {
  std::fprintf(stderr, "usage: dproj_throughput generate <file> <megabytes> | loadsave <file> <reps> | normalize <file> <reps>\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return Usage();
  const std::string Mode = argv[1];
  const char* File = argv[2];
  try {
    if (Mode == "generate") {
      const std::string Text = Generate(static_cast<std::size_t>(std::atof(argv[3]) * 1024 * 1024));
      std::ofstream(File, std::ios::binary | std::ios::trunc) << Text;
      std::printf("generated %s: %zu bytes\n", File, Text.size());
      return 0;
    }
    // Repeated loads in one process, as the console program works through its files: it keeps
    // what one file's work freed for the next, and so does this harness.
    SetSpareMemoryLimit(cBatchSpareMemory);
    const int Reps = std::max(1, std::atoi(argv[3]));
    const double MB = FileSize(File) / (1024.0 * 1024.0);
    const UnicodeString Name = UTF8ToUnicode(File);
    std::vector<double> Load, Normalize, Save, Total;
    std::int64_t OutSize = 0;
    // One rendering buffer for all repetitions, as the peers' harnesses keep theirs: what is
    // measured is the rendering, not the growth of a fresh buffer into fresh memory.
    TMemoryStream Out;
    for (int I = 0; I < Reps; ++I) {
      TDprojXml Xml;
      Out.SetSize(0);
      const TClock::time_point W = TClock::now();
      Xml.LoadFromFile(Name);
      const double L = Ms(W);
      if (Mode == "normalize") TNormalizerDProjFile::Normalize(&Xml);
      const double N = Ms(W);
      Xml.SaveToStream(&Out);
      const double S = Ms(W);
      OutSize = Out.Size();
      Load.push_back(L);
      Normalize.push_back(N - L);
      Save.push_back(S - N);
      Total.push_back(S);
    }
    const double T = Median(Total);
    std::printf("vorlane %s %.2f MB: load %.1f ms, %s%.1f ms, save %.1f ms, total %.1f ms, %.1f MB/s, output %lld bytes\n",
                Mode.c_str(), MB, Median(Load), Mode == "normalize" ? "normalize " : "(none) ",
                Median(Normalize), Median(Save), T, MB / (T / 1000.0), static_cast<long long>(OutSize));
    return 0;
  } catch (const Exception& E) {
    std::fprintf(stderr, "%s: %s\n", E.ClassName(), E.MessageUtf8().c_str());
    return 1;
  }
}
