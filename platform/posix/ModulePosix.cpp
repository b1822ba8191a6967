// Shared libraries through dlopen: every reference is bound at load time (RTLD_NOW), so a
// missing symbol is reported by LoadModule rather than at some later call.
#include <dlfcn.h>

#include "platform/Module.h"

namespace Vorlane {

TModuleHandle LoadModule(const UnicodeString& AFileName, UnicodeString* AError) {
  void* LHandle = ::dlopen(UnicodeToUTF8(AFileName).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!LHandle && AError) {
    const char* LReason = ::dlerror();
    *AError = UTF8ToUnicode(LReason ? LReason : "cannot load module");
  }
  return LHandle;
}

void* GetModuleSymbol(TModuleHandle AModule, const char* AName) {
  return AModule ? ::dlsym(AModule, AName) : nullptr;
}

bool UnloadModule(TModuleHandle AModule) { return AModule && ::dlclose(AModule) == 0; }

bool ModuleLoaded(const UnicodeString& AFileName) {
  // RTLD_NOLOAD still counts a reference when the library is there: it is given back at once.
  void* LHandle = ::dlopen(UnicodeToUTF8(AFileName).c_str(), RTLD_NOLOAD | RTLD_LAZY);
  if (!LHandle) return false;
  ::dlclose(LHandle);
  return true;
}

}  // namespace Vorlane
