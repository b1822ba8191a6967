// Loading a shared library (a plug-in) at run time with the system's dynamic loader.
#pragma once

#include "platform/SysUtils.h"

namespace Vorlane {

using TModuleHandle = void*;

// Loads the library and resolves its references at once; null on failure, with the
// system's reason in AError when given.
TModuleHandle LoadModule(const UnicodeString& AFileName, UnicodeString* AError = nullptr);
// The address of an exported function or variable, null when the module has none.
void* GetModuleSymbol(TModuleHandle AModule, const char* AName);
// Unloads a module that LoadModule returned; false when the system refuses.
bool UnloadModule(TModuleHandle AModule);
// Whether the library of that file is in the process now, loaded by anyone; it is not loaded
// by asking. A library stays after its last UnloadModule when something pins it.
bool ModuleLoaded(const UnicodeString& AFileName);

}  // namespace Vorlane
