// Memory of the node model: bytes per node for one element holding 1,000,000 leaf elements
// without attributes, and the time to build, copy, sort and destroy that tree.
//
// Bytes are counted by replacing the global allocation functions, so the figure is what the
// program asks for; the allocator adds its own header and rounding per block on top.
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

namespace {

long long GLiveBytes = 0;
long long GLiveBlocks = 0;
constexpr std::size_t cHeader = 16;  // keeps the returned block aligned for any type

// Each block carries its requested size in a header in front of what the program sees. The
// step back to the header goes through an integer: the compiler assumes that operator new
// hands out exactly the requested bytes and would otherwise take the header for an access
// outside that object, and the block for one that new made and free releases.
std::uintptr_t AddressOf(void* P) { return reinterpret_cast<std::uintptr_t>(P); }

}  // namespace

void* operator new(std::size_t ASize) {
  void* Block = std::malloc(ASize + cHeader);
  if (!Block) throw std::bad_alloc();
  std::memcpy(Block, &ASize, sizeof ASize);
  GLiveBytes += static_cast<long long>(ASize);
  ++GLiveBlocks;
  return reinterpret_cast<void*>(AddressOf(Block) + cHeader);
}

void operator delete(void* P) noexcept {
  if (!P) return;
  void* Block = reinterpret_cast<void*>(AddressOf(P) - cHeader);
  std::size_t Size = 0;
  std::memcpy(&Size, Block, sizeof Size);
  GLiveBytes -= static_cast<long long>(Size);
  --GLiveBlocks;
  std::free(Block);
}

void operator delete(void* P, std::size_t) noexcept { operator delete(P); }
void* operator new[](std::size_t ASize) { return operator new(ASize); }
void operator delete[](void* P) noexcept { operator delete(P); }
void operator delete[](void* P, std::size_t) noexcept { operator delete(P); }

using namespace Vorlane;

namespace {

double MsSince(std::chrono::steady_clock::time_point AStart) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - AStart)
      .count();
}

Integer ReverseByName(TXmlNode* A, TXmlNode* B, void*) {
  return B->Name().compare(A->Name());
}

}  // namespace

int main() {
  const int Count = 1000000;
  std::printf("sizeof(TXmlNode) = %u bytes\n", static_cast<unsigned>(sizeof(TXmlNode)));

  TXmlDocument* Doc = new TXmlDocument();
  TXmlNode* Root = Doc->GetRoot();
  Root->SetName("Project");
  const long long Bytes0 = GLiveBytes, Blocks0 = GLiveBlocks;

  auto T = std::chrono::steady_clock::now();
  for (int I = 0; I < Count; ++I) Root->NodeNew("Item");  // short name, no attributes
  const double BuildMs = MsSince(T);
  const long long Bytes = GLiveBytes - Bytes0, Blocks = GLiveBlocks - Blocks0;
  std::printf("leaf elements:    %d\n", Count);
  std::printf("bytes requested:  %lld (%.1f per node, %.2f blocks per node)\n", Bytes,
              static_cast<double>(Bytes) / Count, static_cast<double>(Blocks) / Count);
  std::printf("build:            %.0f ms\n", BuildMs);

  // Longer names leave the string's inline buffer and cost one more block each.
  TXmlNode Long(Doc, "Group");
  const long long Bytes1 = GLiveBytes;
  for (int I = 0; I < Count / 10; ++I) Long.NodeNew("DCC_UnitSearchPath");
  std::printf("bytes per node with an 18-byte name: %.1f\n",
              static_cast<double>(GLiveBytes - Bytes1) / (Count / 10));
  Long.NodesClear();

  T = std::chrono::steady_clock::now();
  TXmlNode Copy(Doc);
  Copy.Assign(Root);
  std::printf("deep copy:        %.0f ms\n", MsSince(T));

  for (int I = 0; I < Copy.GetNodeCount(); ++I) {
    char Name[16];
    std::snprintf(Name, sizeof Name, "n%07d", I);
    Copy.GetNodes(I)->SetName(Name);
  }
  T = std::chrono::steady_clock::now();
  Copy.SortChildNodes(ReverseByName, nullptr);
  std::printf("sort (reverse):   %.0f ms\n", MsSince(T));

  T = std::chrono::steady_clock::now();
  Copy.NodesClear();
  delete Doc;
  std::printf("destroy:          %.0f ms\n", MsSince(T));
  return 0;
}
