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
  UnicodeString text = S;
  if (::GetACP() != CP_UTF8) {
    // No Ansi code page but UTF-8 holds a character beyond U+FFFF. The system would give one
    // substitute per half of its surrogate pair; it is one character, so it gets one.
    UnicodeString folded;
    folded.reserve(S.size());
    for (size_t i = 0; i < S.size(); ++i) {
      bool pair = S[i] >= 0xD800 && S[i] <= 0xDBFF && i + 1 < S.size() && S[i + 1] >= 0xDC00 && S[i + 1] <= 0xDFFF;
      folded.push_back(pair ? u'?' : S[i]);
      if (pair) ++i;
    }
    text.swap(folded);
  }
  const wchar_t* w = Win::W(text);
  // UTF-8 takes no substitute character.
  const char* fallback = ::GetACP() == CP_UTF8 ? nullptr : "?";
  int n = ::WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(text.size()), nullptr, 0, fallback, nullptr);
  AnsiString R(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_ACP, 0, w, static_cast<int>(text.size()), R.data(), n, fallback, nullptr);
  return R;
}

}  // namespace Vorlane::OsBackend
