// The load + indented save of bench/dproj_throughput done by pugixml, for comparison only: built
// by bench/run_bench.sh from the Debian package, never part of the product.
//   pugixml_loadsave <file> <repetitions>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct TStringWriter : pugi::xml_writer {
  std::string Data;
  void write(const void* AData, size_t ASize) override { Data.append(static_cast<const char*>(AData), ASize); }
};

// The whole file in one read() into a buffer pugixml then owns, as its own load_file does: no
// stream iterator, whose per-byte cost would be charged to pugixml's parser.
bool ReadWhole(const char* AFile, char*& ABuffer, size_t& ASize) {
  const int Fd = ::open(AFile, O_RDONLY);
  struct stat St;
  if (Fd < 0 || ::fstat(Fd, &St) != 0) return false;
  ASize = static_cast<size_t>(St.st_size);
  ABuffer = static_cast<char*>(pugi::get_memory_allocation_function()(ASize > 0 ? ASize : 1));
  size_t Done = 0;
  while (Done < ASize) {
    const ssize_t N = ::read(Fd, ABuffer + Done, ASize - Done);
    if (N <= 0) break;
    Done += static_cast<size_t>(N);
  }
  ::close(Fd);
  return Done == ASize;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: pugixml_loadsave <file> <repetitions>\n");
    return 2;
  }
  const int Reps = std::max(1, std::atoi(argv[2]));
  std::vector<double> Load, Save, Total;
  double MB = 0;
  size_t OutSize = 0;
  // One rendering buffer for all repetitions, emptied but not given back, as in the other two
  // harnesses.
  TStringWriter Writer;
  for (int I = 0; I < Reps; ++I) {
    const auto Start = std::chrono::steady_clock::now();
    // Reading the file is part of the work, as it is for the other two.
    char* Buffer = nullptr;
    size_t Size = 0;
    if (!ReadWhole(argv[1], Buffer, Size)) {
      std::fprintf(stderr, "pugixml_loadsave could not read %s\n", argv[1]);
      return 1;
    }
    MB = Size / (1024.0 * 1024.0);
    pugi::xml_document Doc;
    if (!Doc.load_buffer_inplace_own(Buffer, Size)) {
      std::fprintf(stderr, "pugixml could not read %s\n", argv[1]);
      return 1;
    }
    const auto Loaded = std::chrono::steady_clock::now();
    Writer.Data.clear();
    Doc.save(Writer, "    ", pugi::format_default, pugi::encoding_utf8);
    const auto Saved = std::chrono::steady_clock::now();
    OutSize = Writer.Data.size();
    Load.push_back(std::chrono::duration<double, std::milli>(Loaded - Start).count());
    Save.push_back(std::chrono::duration<double, std::milli>(Saved - Loaded).count());
    Total.push_back(std::chrono::duration<double, std::milli>(Saved - Start).count());
  }
  auto Median = [](std::vector<double> V) {
    std::sort(V.begin(), V.end());
    return V.size() % 2 ? V[V.size() / 2] : (V[V.size() / 2 - 1] + V[V.size() / 2]) / 2;
  };
  const double T = Median(Total);
  std::printf("pugixml loadsave %.2f MB: load %.1f ms, save %.1f ms, total %.1f ms, %.1f MB/s, output %zu bytes\n", MB,
              Median(Load), Median(Save), T, MB / (T / 1000.0), OutSize);
  return 0;
}
