// Shared libraries (DLLs) through LoadLibraryW.
#include "platform/windows/WinCommon.h"

#include "platform/Module.h"

namespace Vorlane {

TModuleHandle LoadModule(const UnicodeString& AFileName, UnicodeString* AError) {
  HMODULE LHandle = ::LoadLibraryW(Win::W(AFileName));
  if (!LHandle && AError) {
    const DWORD LCode = ::GetLastError();
    wchar_t* LText = nullptr;
    const DWORD LLength = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, LCode, 0,
        reinterpret_cast<wchar_t*>(&LText), 0, nullptr);
    *AError = LLength ? Win::U16(LText, LLength) : u"cannot load module (error " + IntToStr(LCode) + u")";
    if (LText) ::LocalFree(LText);
  }
  return reinterpret_cast<TModuleHandle>(LHandle);
}

void* GetModuleSymbol(TModuleHandle AModule, const char* AName) {
  if (!AModule) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(AModule), AName));
}

bool UnloadModule(TModuleHandle AModule) { return AModule && ::FreeLibrary(static_cast<HMODULE>(AModule)) != 0; }

// GetModuleHandleW takes no reference, unlike LoadLibraryW.
bool ModuleLoaded(const UnicodeString& AFileName) { return ::GetModuleHandleW(Win::W(AFileName)) != nullptr; }

}  // namespace Vorlane
