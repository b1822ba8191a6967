// The module of an address: GetModuleHandleExW finds it without taking a reference.
#include "platform/windows/WinCommon.h"

#include <vector>

#include "platform/ModuleInfo.h"

namespace Vorlane {

UnicodeString GetModuleFileNameOf(const void* AAddress) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(AAddress), &module))
    return UnicodeString();
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameW(module, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return UnicodeString();
    if (n < buf.size()) return Win::U16(buf.data(), n);
    if (buf.size() >= 32768) return UnicodeString();
    buf.resize(buf.size() * 2);
  }
}

}  // namespace Vorlane
