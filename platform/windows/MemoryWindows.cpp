// Large blocks straight from the system: VirtualAlloc.
#include "platform/windows/WinCommon.h"

#include "platform/OsBackend.h"

namespace Vorlane::OsBackend {

void* AllocateBlock(size_t ASize, bool) { return ::VirtualAlloc(nullptr, ASize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE); }

void ReleaseBlock(void* ABlock, size_t) {
  if (ABlock != nullptr) ::VirtualFree(ABlock, 0, MEM_RELEASE);
}

// Windows releases a reservation only whole; a part is decommitted, its memory given back.
void ReleaseBlockPart(void* AStart, size_t ASize) {
  if (AStart != nullptr) ::VirtualFree(AStart, ASize, MEM_DECOMMIT);
}

// The process heap decides alone what it keeps.
void KeepHeapTop(size_t) {}

}  // namespace Vorlane::OsBackend
