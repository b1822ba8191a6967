#include "platform/Console.h"

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
