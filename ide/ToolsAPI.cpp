#include "ide/ToolsAPI.h"

#include "ide/Forms.h"

namespace Vorlane {

namespace {

TIntfPtr<IBorlandIDEServices>& IDEServicesSlot() {
  static TIntfPtr<IBorlandIDEServices> LSlot;
  return LSlot;
}

TIntfPtr<IOTASplashScreenServices>& SplashSlot() {
  static TIntfPtr<IOTASplashScreenServices> LSlot;
  return LSlot;
}

}  // namespace

void RegisterLayerInterfaces() {
  RegisterInterface<IInterfaceList>();
  RegisterInterface<IOTANotifier>();
  RegisterInterface<IOTAIDENotifier>();
  RegisterInterface<IOTAModuleNotifier>();
  RegisterInterface<IOTAEditor>();
  RegisterInterface<IOTAFormEditor>();
  RegisterInterface<IOTAEditReader>();
  RegisterInterface<IOTAEditWriter>();
  RegisterInterface<IOTASourceEditor>();
  RegisterInterface<IOTAEditBuffer>();
  RegisterInterface<IOTAModule>();
  RegisterInterface<IOTABuildConfiguration>();
  RegisterInterface<IOTAProjectOptions>();
  RegisterInterface<IOTAProjectOptionsConfigurations>();
  RegisterInterface<IOTAProject>();
  RegisterInterface<IOTAProjectGroup>();
  RegisterInterface<IBorlandIDEServices>();
  RegisterInterface<IOTAServices>();
  RegisterInterface<IOTASplashScreenServices>();
  RegisterInterface<IOTAAboutBoxServices>();
  RegisterInterface<INTAAddInOptions>();
  RegisterInterface<INTAEnvironmentOptionsServices>();
  RegisterInterface<INTAServices>();
  RegisterInterface<IOTAModuleServices>();
  RegisterInterface<IOTAPackageInfo>();
  RegisterInterface<IOTAPackageServices>();
  RegisterInterface<IOTAPlatformServices>();
  RegisterInterface<IOTALocalMenu>();
  RegisterInterface<IOTAProjectManagerMenu>();
  RegisterInterface<IOTAProjectMenuContext>();
  RegisterInterface<IOTAProjectMenuItemCreatorNotifier>();
  RegisterInterface<IOTAProjectManager>();
  RegisterInterface<IHelpSystem>();
}

TIntfPtr<IBorlandIDEServices> BorlandIDEServices() { return IDEServicesSlot(); }
void SetBorlandIDEServices(IBorlandIDEServices* AServices) {
  IDEServicesSlot() = TIntfPtr<IBorlandIDEServices>(AServices);
}

TIntfPtr<IOTASplashScreenServices> SplashScreenServices() { return SplashSlot(); }
void SetSplashScreenServices(IOTASplashScreenServices* AServices) {
  SplashSlot() = TIntfPtr<IOTASplashScreenServices>(AServices);
}

}  // namespace Vorlane
