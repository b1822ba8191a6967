// Thread slots as fiber-local storage, the Win32 storage whose values reach a callback when
// their thread ends.
#include "platform/windows/WinCommon.h"

#include "platform/ThreadSlot.h"

namespace Vorlane {

bool CreateThreadSlot(TThreadExitProc AOnExit, TThreadSlot& ASlot) {
  const DWORD LIndex = ::FlsAlloc(AOnExit);
  if (LIndex == FLS_OUT_OF_INDEXES) return false;
  ASlot = LIndex;
  return true;
}

void SetThreadSlotValue(TThreadSlot ASlot, void* AValue) { ::FlsSetValue(static_cast<DWORD>(ASlot), AValue); }

void FreeThreadSlot(TThreadSlot ASlot) { ::FlsFree(static_cast<DWORD>(ASlot)); }

}  // namespace Vorlane
