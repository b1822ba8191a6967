// Program entry of the console tool.
#include <new>

#include "cmdline/VorlaneCmdHandler.h"
#include "platform/Console.h"

int main(int argc, char** argv) {
  using namespace Vorlane;
  SetCommandLine(argc, argv);
  try {
    return TCmdLineHandler::Execute<TVorlaneCmd>();
  } catch (const Exception& E) {
    WriteLn(UTF8ToUnicode(E.ClassName()) + u": " + E.Message());
  } catch (const std::bad_alloc&) {
    WriteLn(u"EOutOfMemory: Out of memory");
  }
  return 1;
}
