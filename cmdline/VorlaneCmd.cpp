// Program entry of the console tool.
#include "cmdline/VorlaneCmdHandler.h"
#include "platform/Classes.h"
#include "platform/Console.h"

int main(int argc, char** argv) {
  using namespace Vorlane;
  SetCommandLine(argc, argv);
  // The program works through its files and ends: what one file's work freed serves the next.
  SetSpareMemoryLimit(cBatchSpareMemory);
  return RunProgram(TCmdLineHandler::ClassOf<TVorlaneCmd>());
}
