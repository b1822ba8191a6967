// One pointer per thread, handed to a procedure of the owner when its thread ends: for state a
// thread keeps (the node pool's filling chunks) that must be given back when the thread ends.
// A thread_local object with a destructor does the same, but the system's loader then keeps
// the library that holds the destructor until that thread ends, the main thread's until the
// process ends: a plug-in built that way stays in the IDE after its unload, and its next load
// finds the old image with its old static state. A slot keeps nothing loaded; its owner frees
// it before the code of the procedure goes.
#pragma once

#include <cstdint>

// The procedure is called by the system: on 32-bit Windows in the system's calling convention.
#if defined(_WIN32) && !defined(_WIN64)
#define VORLANE_THREAD_EXIT_CALL __stdcall
#else
#define VORLANE_THREAD_EXIT_CALL
#endif

namespace Vorlane {

using TThreadExitProc = void(VORLANE_THREAD_EXIT_CALL*)(void* AValue);
using TThreadSlot = std::uintptr_t;

// A new slot, null on every thread; false when the system has no slot left.
bool CreateThreadSlot(TThreadExitProc AOnExit, TThreadSlot& ASlot);
// The calling thread's value: when the thread ends with a value that is not null, AOnExit is
// called with it on that thread.
void SetThreadSlotValue(TThreadSlot ASlot, void* AValue);
// Ends the slot: threads that end from now on call nothing. Windows may hand the values still
// set to AOnExit during this call (POSIX does not), so AOnExit must accept a value whose state
// its owner has given back already.
void FreeThreadSlot(TThreadSlot ASlot);

}  // namespace Vorlane
