// Program entry of the console tool.
#include "cmdline/VorlaneCmdHandler.h"
#include "platform/Console.h"

int main(int argc, char** argv) {
  using namespace Vorlane;
  SetCommandLine(argc, argv);
  return RunProgram(TCmdLineHandler::ClassOf<TVorlaneCmd>());
}
