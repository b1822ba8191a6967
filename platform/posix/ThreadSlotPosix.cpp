// Thread slots as thread-specific data keys.
#include <pthread.h>

#include "platform/ThreadSlot.h"

namespace Vorlane {

bool CreateThreadSlot(TThreadExitProc AOnExit, TThreadSlot& ASlot) {
  pthread_key_t LKey;
  if (::pthread_key_create(&LKey, AOnExit) != 0) return false;
  ASlot = static_cast<TThreadSlot>(LKey);
  return true;
}

void SetThreadSlotValue(TThreadSlot ASlot, void* AValue) {
  ::pthread_setspecific(static_cast<pthread_key_t>(ASlot), AValue);
}

void FreeThreadSlot(TThreadSlot ASlot) { ::pthread_key_delete(static_cast<pthread_key_t>(ASlot)); }

}  // namespace Vorlane
