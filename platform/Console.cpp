#include "platform/Console.h"

#include <cstdio>
#include <string>

#include "platform/OsBackend.h"

namespace Vorlane {

namespace {
std::vector<UnicodeString>& Params() {
  static std::vector<UnicodeString> P;
  return P;
}
TConsole* gConsole = nullptr;
}  // namespace

TConsole::~TConsole() = default;

void SetCommandLine(int argc, char** argv) { Params() = OsBackend::SystemParams(argc, argv); }

void SetCommandLine(const std::vector<UnicodeString>& AParams) { Params() = AParams; }

Integer ParamCount() {
  return Params().empty() ? 0 : static_cast<Integer>(Params().size()) - 1;
}

UnicodeString ParamStr(Integer AIndex) {
  if (AIndex == 0 && Params().empty()) return GetModuleFileName();
  if (AIndex < 0 || static_cast<size_t>(AIndex) >= Params().size()) return UnicodeString();
  return Params()[static_cast<size_t>(AIndex)];
}

UnicodeString GetModuleFileName() { return OsBackend::ModuleFileName(); }

bool IsSwitchChar(char16_t C) {
#ifdef _WIN32
  return C == u'-' || C == u'/';
#else
  return C == u'-';
#endif
}

TConsole* Console() { return gConsole ? gConsole : OsBackend::StandardConsole(); }

TConsole* SetConsole(TConsole* AConsole) {
  TConsole* previous = Console();
  gConsole = AConsole;
  return previous;
}

}  // namespace Vorlane

namespace Vorlane::OsBackend {

bool ReadStdInLine(std::string& ALine) {
  ALine.clear();
  int c;
  bool any = false;
  while ((c = std::fgetc(stdin)) != EOF) {
    any = true;
    if (c == '\n') break;
    ALine.push_back(static_cast<char>(c));
  }
  if (!any) return false;
  if (!ALine.empty() && ALine.back() == '\r') ALine.pop_back();
  return true;
}

}  // namespace Vorlane::OsBackend
