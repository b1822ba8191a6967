// What a page fault costs on this machine: the first touch of fresh memory, page by page, and
// the same with huge pages advised. Load figures of large documents follow it closely (a
// 200 MB project touches some 190,000 pages), so the benchmark prints it with the machine.
//   page_faults [megabytes]
#include <sys/mman.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

double TouchMs(std::size_t ASize, bool AHuge) {
  const auto Start = std::chrono::steady_clock::now();
  auto* Block = static_cast<volatile char*>(
      ::mmap(nullptr, ASize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  if (Block == MAP_FAILED) return -1;
  if (AHuge) ::madvise(const_cast<char*>(Block), ASize, MADV_HUGEPAGE);
  for (std::size_t At = 0; At < ASize; At += 4096) Block[At] = 1;
  const double Ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Start).count();
  ::munmap(const_cast<char*>(Block), ASize);
  return Ms;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t MB = argc > 1 ? static_cast<std::size_t>(std::atoi(argv[1])) : 64;
  const std::size_t Size = MB << 20;
  const double Small = TouchMs(Size, false);
  const double Huge = TouchMs(Size, true);
  std::printf("page faults: %.2f us per 4 KiB page (%zu MiB first touched in %.1f ms; %.1f ms with huge pages advised)\n",
              Small * 1000.0 / static_cast<double>(Size / 4096), MB, Small, Huge);
  return Small < 0 || Huge < 0;
}
