// Load and save throughput of the XML document over the real project files, and over one
// deeply nested document. Run by hand: bench_xml_document [repetitions]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

using namespace Vorlane;
namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

namespace {

double Ms(TClock::duration D) { return std::chrono::duration<double, std::milli>(D).count(); }

std::string ReadFile(const fs::path& APath) {
  std::ifstream F(APath, std::ios::binary);
  std::stringstream S;
  S << F.rdbuf();
  return S.str();
}

}  // namespace

int main(int argc, char** argv) {
  const int Repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::vector<std::string> Files;
  size_t Bytes = 0;
  for (const auto& Entry : fs::directory_iterator(fs::path(VORLANE_SHARED_DIR) / "corpus" / "dproj")) {
    Files.push_back(ReadFile(Entry.path()));
    Bytes += Files.back().size();
  }
  double BestLoad = 1e300, BestSave = 1e300;
  for (int R = 0; R < Repetitions; ++R) {
    double Load = 0, Save = 0;
    for (const std::string& Data : Files) {
      TXmlDocument Doc;
      Doc.SetXmlFormat(xfReadable);
      Doc.SetIndentString("    ");
      TBytesStream In(Data);
      const auto T0 = TClock::now();
      try {
        Doc.LoadFromStream(&In);
      } catch (const Exception&) {
        continue;
      }
      const auto T1 = TClock::now();
      TBytesStream Out;
      Doc.SaveToStream(&Out);
      const auto T2 = TClock::now();
      Load += Ms(T1 - T0);
      Save += Ms(T2 - T1);
    }
    BestLoad = std::min(BestLoad, Load);
    BestSave = std::min(BestSave, Save);
  }
  const double MB = static_cast<double>(Bytes) / 1e6;
  std::printf("corpus: %zu files, %.1f MB; load %.1f ms (%.1f MB/s), save %.1f ms (%.1f MB/s)\n",
              Files.size(), MB, BestLoad, MB / BestLoad * 1000, BestSave, MB / BestSave * 1000);

  const int Depth = 1000000;
  std::string Nested;
  for (int I = 0; I < Depth; ++I) Nested += "<a>";
  Nested += "v";  // without a value the innermost element would be written as <a/>
  for (int I = 0; I < Depth; ++I) Nested += "</a>";
  const auto T0 = TClock::now();
  {
    TXmlDocument Doc;
    Doc.ReadFromString(Nested);
    const auto T1 = TClock::now();
    const std::string Text = Doc.WriteToString();
    const auto T2 = TClock::now();
    std::printf("1,000,000 nested elements: read %.0f ms, write %.0f ms (%s)", Ms(T1 - T0),
                Ms(T2 - T1), Text == Nested + "\n" ? "same text" : "TEXT DIFFERS");
  }
  std::printf(", with freeing %.0f ms in all\n", Ms(TClock::now() - T0));
  return 0;
}
