// The add-in's one access point to the IDE: the services it needs, fetched on first use and
// then kept, the IDE's library suffix and the test whether another IDE package is loaded.
#pragma once

#include "ide/ToolsAPI.h"

namespace Vorlane {

// Has no interface identifier of its own: it is reached only through the references the
// add-in hands around, never by QueryInterface.
class IServiceContainer : public virtual IInterface {
 public:
  static constexpr TGUID IID{};

  // The IDE's library suffix ("210"), empty while no "rtl" package is found.
  virtual UnicodeString IDELibSuffix() = 0;
  // Each service is nil while the IDE does not offer it.
  virtual TIntfPtr<INTAEnvironmentOptionsServices> NTAEnvironmentOptionsServices() = 0;
  virtual TIntfPtr<IOTAAboutBoxServices> OTAAboutBoxServices() = 0;
  virtual TIntfPtr<IOTAModuleServices> OTAModuleServices() = 0;
  virtual TIntfPtr<IOTAPackageServices> OTAPackageServices() = 0;
  virtual TIntfPtr<IOTAServices> OTAServices() = 0;
  virtual TIntfPtr<INTAServices> NTAServices() = 0;
  virtual TIntfPtr<IOTAPlatformServices> OTAPlatformServices() = 0;
  // True when the IDE has loaded APackageName + IDELibSuffix + ".bpl" (ignoring case).
  virtual bool IsPackageInstalled(const UnicodeString& APackageName) = 0;
};

class TServiceContainer : public TInterfacedObject, public virtual IServiceContainer {
 public:
  UnicodeString IDELibSuffix() override;
  TIntfPtr<INTAEnvironmentOptionsServices> NTAEnvironmentOptionsServices() override;
  TIntfPtr<IOTAAboutBoxServices> OTAAboutBoxServices() override;
  TIntfPtr<IOTAModuleServices> OTAModuleServices() override;
  TIntfPtr<IOTAPackageServices> OTAPackageServices() override;
  TIntfPtr<IOTAServices> OTAServices() override;
  TIntfPtr<INTAServices> NTAServices() override;
  TIntfPtr<IOTAPlatformServices> OTAPlatformServices() override;
  bool IsPackageInstalled(const UnicodeString& APackageName) override;

 private:
  UnicodeString FIDELibSuffix;
  TIntfPtr<INTAEnvironmentOptionsServices> FNTAEnvironmentOptionsServices;
  TIntfPtr<INTAServices> FNTAServices;
  TIntfPtr<IOTAAboutBoxServices> FOTAAboutBoxServices;
  TIntfPtr<IOTAModuleServices> FOTAModuleServices;
  TIntfPtr<IOTAPackageServices> FOTAPackageServices;
  TIntfPtr<IOTAPlatformServices> FOTAPlatformServices;
  TIntfPtr<IOTAServices> FOTAServices;
};

// A new, empty container.
TIntfPtr<IServiceContainer> CreateServiceContainer();

}  // namespace Vorlane
