// Form files of the shared corpus through the conversion: how many come back byte for byte
// (binary -> text -> binary, text -> binary -> text), and how fast the conversion runs.
// Usage: bench_dfm_roundtrip [rounds]   (default 5)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/FormStream.h"

using namespace Vorlane;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Load(const char* AFolder, std::vector<std::string>& ANames) {
  std::vector<fs::path> Paths;
  for (const auto& E : fs::directory_iterator(fs::path(VORLANE_SHARED_DIR) / "corpus" / AFolder))
    if (E.path().extension() == ".dfm") Paths.push_back(E.path());
  std::sort(Paths.begin(), Paths.end());
  std::vector<std::string> Result;
  for (const fs::path& P : Paths) {
    std::ifstream In(P, std::ios::binary);
    Result.emplace_back(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
    ANames.push_back(P.filename().string());
  }
  return Result;
}

std::string ToText(const std::string& AData, TFormStreamInfo& AInfo) {
  TBytesStream In(AData), Out;
  ObjectBinaryToText(&In, &Out, AInfo);
  return Out.DataString();
}

std::string ToBinary(const std::string& AText, const std::string& AHeader) {
  TBytesStream In(AText), Out;
  ObjectTextToBinary(&In, &Out, AHeader);
  return Out.DataString();
}

std::string Crlf(std::string S) {
  if (S.compare(0, 3, "\xEF\xBB\xBF") == 0) S.erase(0, 3);
  std::string R;
  for (size_t I = 0; I < S.size(); ++I) {
    if (S[I] == '\n' && (I == 0 || S[I - 1] != '\r')) R += '\r';
    R += S[I];
  }
  return R;
}

double Median(std::vector<double> V) {
  std::sort(V.begin(), V.end());
  return V[V.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int Rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::vector<std::string> BinaryNames, TextNames;
  const std::vector<std::string> Binary = Load("dfm-binary", BinaryNames), Text = Load("dfm-text", TextNames);

  int BinaryExact = 0, TextExact = 0, TextLines = 0;
  size_t BinaryBytes = 0, TextBytes = 0;
  for (size_t I = 0; I < Binary.size(); ++I) {
    TFormStreamInfo Info;
    const std::string Back = ToBinary(ToText(Binary[I], Info), Info.ResourceHeader);
    if (Back == Binary[I])
      ++BinaryExact;
    else
      std::printf("binary differs: %s\n", BinaryNames[I].c_str());
    BinaryBytes += Binary[I].size();
  }
  for (size_t I = 0; I < Text.size(); ++I) {
    TFormStreamInfo Info;
    const std::string Back = ToText(ToBinary(Text[I], ""), Info);
    if (Back == Text[I]) ++TextExact;
    if (Back == Crlf(Text[I])) ++TextLines;
    TextBytes += Text[I].size();
  }
  std::printf("binary -> text -> binary: %d of %zu byte for byte\n", BinaryExact, Binary.size());
  std::printf("text -> binary -> text: %d of %zu byte for byte, %d of %zu line for line\n", TextExact, Text.size(),
              TextLines, Text.size());

  std::vector<double> ToTextMs, ToBinaryMs;
  for (int R = 0; R < Rounds; ++R) {
    auto T0 = std::chrono::steady_clock::now();
    for (const std::string& B : Binary) {
      TFormStreamInfo Info;
      ToText(B, Info);
    }
    auto T1 = std::chrono::steady_clock::now();
    for (const std::string& T : Text) ToBinary(T, "");
    auto T2 = std::chrono::steady_clock::now();
    ToTextMs.push_back(std::chrono::duration<double, std::milli>(T1 - T0).count());
    ToBinaryMs.push_back(std::chrono::duration<double, std::milli>(T2 - T1).count());
  }
  std::printf("binary -> text: %.1f ms for %.2f MiB (%.1f MiB/s)\n", Median(ToTextMs), BinaryBytes / 1048576.0,
              BinaryBytes / 1048576.0 / (Median(ToTextMs) / 1000));
  std::printf("text -> binary: %.1f ms for %.2f MiB (%.1f MiB/s)\n", Median(ToBinaryMs), TextBytes / 1048576.0,
              TextBytes / 1048576.0 / (Median(ToBinaryMs) / 1000));
  return 0;
}
