// The load + indented save of bench/dproj_throughput done by libxml2, for comparison only: built
// by bench/run_bench.sh from the Debian package, never part of the product.
//   libxml2_loadsave <file> <repetitions>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

// Appends the rendering to the harness's buffer, as pugixml's writer does in its harness.
int AppendTo(void* AContext, const char* AData, int ALength) {
  static_cast<std::string*>(AContext)->append(AData, static_cast<size_t>(ALength));
  return ALength;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: libxml2_loadsave <file> <repetitions>\n");
    return 2;
  }
  const int Reps = std::max(1, std::atoi(argv[2]));
  std::ifstream In(argv[1], std::ios::binary | std::ios::ate);
  const double MB = static_cast<double>(In.tellg()) / (1024.0 * 1024.0);
  xmlInitParser();
  // Indent by four blanks like the project writer; blank text is dropped on reading so the
  // formatter re-indents the whole tree.
  xmlTreeIndentString = "    ";
  std::vector<double> Load, Save, Total;
  size_t OutSize = 0;
  // One rendering buffer for all repetitions, emptied but not given back, as in the other two
  // harnesses; the output is the same as xmlDocDumpFormatMemoryEnc's.
  std::string Out;
  for (int I = 0; I < Reps; ++I) {
    const auto Start = std::chrono::steady_clock::now();
    xmlDocPtr Doc = xmlReadFile(argv[1], nullptr, XML_PARSE_NOBLANKS | XML_PARSE_HUGE);
    if (Doc == nullptr) {
      std::fprintf(stderr, "libxml2 could not read %s\n", argv[1]);
      return 1;
    }
    const auto Loaded = std::chrono::steady_clock::now();
    Out.clear();
    xmlSaveCtxtPtr Saver = xmlSaveToIO(AppendTo, nullptr, &Out, "UTF-8", XML_SAVE_FORMAT);
    if (Saver == nullptr || xmlSaveDoc(Saver, Doc) < 0 || xmlSaveClose(Saver) < 0) {
      std::fprintf(stderr, "libxml2 could not save %s\n", argv[1]);
      return 1;
    }
    const auto Saved = std::chrono::steady_clock::now();
    OutSize = Out.size();
    xmlFreeDoc(Doc);
    Load.push_back(std::chrono::duration<double, std::milli>(Loaded - Start).count());
    Save.push_back(std::chrono::duration<double, std::milli>(Saved - Loaded).count());
    Total.push_back(std::chrono::duration<double, std::milli>(Saved - Start).count());
  }
  auto Median = [](std::vector<double> V) {
    std::sort(V.begin(), V.end());
    return V.size() % 2 ? V[V.size() / 2] : (V[V.size() / 2 - 1] + V[V.size() / 2]) / 2;
  };
  const double T = Median(Total);
  std::printf("libxml2 loadsave %.2f MB: load %.1f ms, save %.1f ms, total %.1f ms, %.1f MB/s, output %zu bytes\n", MB,
              Median(Load), Median(Save), T, MB / (T / 1000.0), OutSize);
  xmlCleanupParser();
  return 0;
}
