// Windows console: wide-character output on a real console, the console's code page when
// output is redirected; the command line comes from the UTF-16 command line.
#include "platform/windows/WinCommon.h"

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "platform/Console.h"
#include "platform/OsBackend.h"

namespace Vorlane::OsBackend {

using Win::U16;
using Win::W;

namespace {

UINT OutputCodePage() {
  UINT cp = ::GetConsoleOutputCP();
  return cp ? cp : CP_ACP;
}

class TStdConsole final : public TConsole {
 public:
  void WriteLine(const UnicodeString& AText) override {
    UnicodeString line = AText + u"\r\n";
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode, written;
    if (::GetConsoleMode(out, &mode)) {
      ::WriteConsoleW(out, W(line), static_cast<DWORD>(line.size()), &written, nullptr);
      return;
    }
    int n = ::WideCharToMultiByte(OutputCodePage(), 0, W(line), static_cast<int>(line.size()), nullptr, 0,
                                  nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
      ::WideCharToMultiByte(OutputCodePage(), 0, W(line), static_cast<int>(line.size()), bytes.data(), n,
                            nullptr, nullptr);
    std::fflush(stdout);
    ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }

  bool ReadLine(UnicodeString& ALine) override {
    std::string line;
    if (!ReadStdInLine(line)) return false;
    UINT cp = ::GetConsoleCP();
    if (cp == 0) cp = CP_ACP;
    int n = ::MultiByteToWideChar(cp, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(cp, 0, line.data(), static_cast<int>(line.size()), w.data(), n);
    ALine = U16(w.data(), w.size());
    return true;
  }
};

}  // namespace

TConsole* StandardConsole() {
  static TStdConsole C;
  return &C;
}

std::vector<UnicodeString> SystemParams(int, char**) {
  std::vector<UnicodeString> R;
  R.push_back(ModuleFileName());
  int n = 0;
  LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &n);
  if (args) {
    for (int i = 1; i < n; ++i) R.push_back(U16(args[i]));
    ::LocalFree(args);
  }
  return R;
}

}  // namespace Vorlane::OsBackend
