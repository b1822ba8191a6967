// Large blocks straight from the system: anonymous mappings.
#include <sys/mman.h>

#include "platform/OsBackend.h"

namespace Vorlane::OsBackend {

void* AllocateBlock(size_t ASize) {
  void* Block = ::mmap(nullptr, ASize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return Block == MAP_FAILED ? nullptr : Block;
}

void ReleaseBlock(void* ABlock, size_t ASize) {
  if (ABlock != nullptr) ::munmap(ABlock, ASize);
}

}  // namespace Vorlane::OsBackend
