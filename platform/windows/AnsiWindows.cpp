// Conversions with the system's Ansi code page.
#include "platform/windows/WinCommon.h"

#include <string>

#include "platform/OsBackend.h"

namespace Vorlane::OsBackend {

UnicodeString SystemAnsiToUnicode(const AnsiString& S) {
  if (S.empty()) return UnicodeString();
  int n = ::MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), w.data(), n);
  return Win::U16(w.data(), w.size());
}

AnsiString UnicodeToSystemAnsi(const UnicodeString& S) {
  if (S.empty()) return AnsiString();
  const wchar_t* w = Win::W(S);
  int n = ::WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(S.size()), nullptr, 0, "?", nullptr);
  AnsiString R(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(S.size()), R.data(), n, "?", nullptr);
  return R;
}

}  // namespace Vorlane::OsBackend
