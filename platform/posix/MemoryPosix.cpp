// Large blocks straight from the system: anonymous mappings.
#include <sys/mman.h>

#include <climits>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/OsBackend.h"

namespace Vorlane::OsBackend {

void* AllocateBlock(size_t ASize, bool AFilledAtOnce) {
  constexpr size_t cHugeFrom = 4u << 20;
  int Flags = MAP_PRIVATE | MAP_ANONYMOUS;
#ifdef MAP_POPULATE
  // A block below the huge-page size that is written whole at once gets its pages in the one
  // call: a virtual machine charges each page fault about twice what the call costs a page.
  if (AFilledAtOnce && ASize < cHugeFrom) Flags |= MAP_POPULATE;
#else
  (void)AFilledAtOnce;
#endif
  void* Block = ::mmap(nullptr, ASize, PROT_READ | PROT_WRITE, Flags, -1, 0);
  if (Block == MAP_FAILED) return nullptr;
  // Large blocks are filled soon after they are taken (a file read into one, a pool region cut
  // into chunks): a huge page costs one fault where small pages cost 512, and faults are what
  // large loads wait for on virtual machines. Only advice: where huge pages are off, nothing
  // changes.
#ifdef MADV_HUGEPAGE
  if (ASize >= cHugeFrom) ::madvise(Block, ASize, MADV_HUGEPAGE);
#endif
  return Block;
}

void ReleaseBlock(void* ABlock, size_t ASize) {
  if (ABlock != nullptr) ::munmap(ABlock, ASize);
}

void ReleaseBlockPart(void* AStart, size_t ASize) { ReleaseBlock(AStart, ASize); }

void KeepHeapTop(size_t ABytes) {
#if defined(__GLIBC__)
  // Setting it also ends glibc's own raising of the threshold after large frees, which would
  // otherwise keep blocks of any size it has seen freed.
  ::mallopt(M_TRIM_THRESHOLD, static_cast<int>(ABytes < INT_MAX ? ABytes : INT_MAX));
#else
  (void)ABytes;
#endif
}

}  // namespace Vorlane::OsBackend
