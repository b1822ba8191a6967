#include "addin/ProjectManagerMenu.h"

namespace Vorlane {

void TProjectManagerMenu::Execute(IInterfaceList* MenuContextList) {
  if (fOnExecute) fOnExecute(MenuContextList);
}

bool TProjectManagerMenu::PreExecute(IInterfaceList*) { return true; }

bool TProjectManagerMenu::PostExecute(IInterfaceList*) { return true; }

}  // namespace Vorlane
