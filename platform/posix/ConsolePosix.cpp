// POSIX console: UTF-8 lines on the standard streams; arguments and file names keep bytes that
// are no UTF-8.
#include <cstdio>
#include <string>

#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/OsBackend.h"

namespace Vorlane::OsBackend {

namespace {

class TStdConsole final : public TConsole {
 public:
  void WriteLine(const UnicodeString& AText) override {
    // File names that are no UTF-8 come out as the bytes the system knows them by.
    std::string s = ToSystemName(AText);
    s.push_back('\n');
    std::fwrite(s.data(), 1, s.size(), stdout);
    // Lines must reach a pipe in order with anything a child process or the log writes.
    std::fflush(stdout);
  }

  bool ReadLine(UnicodeString& ALine) override {
    std::string line;
    if (!ReadStdInLine(line)) return false;
    ALine = UTF8ToUnicode(line);
    return true;
  }
};

}  // namespace

TConsole* StandardConsole() {
  static TStdConsole C;
  return &C;
}

std::vector<UnicodeString> SystemParams(int argc, char** argv) {
  std::vector<UnicodeString> R;
  UnicodeString self = ModuleFileName();
  if (self.empty() && argc > 0 && argv[0]) self = ExpandFileName(FromSystemName(argv[0]));
  R.push_back(self);
  for (int i = 1; i < argc; ++i) R.push_back(FromSystemName(argv[i] ? argv[i] : ""));
  return R;
}

}  // namespace Vorlane::OsBackend
