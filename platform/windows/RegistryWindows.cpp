// Registry reads through the wide-character Win32 calls, read access only.
#include "platform/windows/WinCommon.h"

#include <vector>

#include "platform/Registry.h"

namespace Vorlane {

bool RegistryReadString(TRegistryRoot ARoot, const UnicodeString& AKey, const UnicodeString& AName,
                        UnicodeString& AValue) {
  HKEY root = ARoot == rrLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  HKEY key;
  if (::RegOpenKeyExW(root, Win::W(AKey), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  bool ok = false;
  DWORD type = 0, size = 0;
  LSTATUS status = ::RegQueryValueExW(key, Win::W(AName), nullptr, &type, nullptr, &size);
  std::vector<BYTE> data;
  // The value may grow between the two calls; ask again with the size now reported.
  while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    if (type != REG_SZ && type != REG_EXPAND_SZ) break;
    data.resize(size + sizeof(wchar_t));
    size = static_cast<DWORD>(data.size());
    status = ::RegQueryValueExW(key, Win::W(AName), nullptr, &type, data.data(), &size);
    if (status == ERROR_SUCCESS) {
      ok = type == REG_SZ || type == REG_EXPAND_SZ;
      break;
    }
  }
  ::RegCloseKey(key);
  if (!ok) return false;
  // A stored string need not end in a zero, and may carry several; the text ends at the first.
  size_t n = size / sizeof(wchar_t);
  const auto* w = reinterpret_cast<const wchar_t*>(data.data());
  size_t len = 0;
  while (len < n && w[len] != L'\0') ++len;
  AValue = Win::U16(w, len);
  return true;
}

}  // namespace Vorlane
