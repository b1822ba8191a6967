#include "addin/ApiHelper.h"

#include "platform/FileSystem.h"

namespace Vorlane {

namespace {

// A service the IDE does not offer stays nil and is asked for again on the next call.
template <class I>
TIntfPtr<I> LazyService(TIntfPtr<I>& AField) {
  if (!AField) Supports(BorlandIDEServices(), AField);
  return AField;
}

const UnicodeString cRtlPackage = u"rtl";

}  // namespace

UnicodeString TServiceContainer::IDELibSuffix() {
  if (FIDELibSuffix.empty())
    if (TIntfPtr<IOTAPackageServices> LServices = OTAPackageServices())
      for (Integer I = 0; I < LServices->GetPackageCount(); ++I) {
        TIntfPtr<IOTAPackageInfo> LInfo = LServices->GetPackage(I);
        if (!LInfo || !SameText(LInfo->GetName(), cRtlPackage)) continue;
        const UnicodeString LName = ChangeFileExt(ExtractFileName(LInfo->GetFileName()), UnicodeString());
        if (LName.size() > cRtlPackage.size()) FIDELibSuffix = LName.substr(cRtlPackage.size());
        break;
      }
  return FIDELibSuffix;
}

TIntfPtr<INTAEnvironmentOptionsServices> TServiceContainer::NTAEnvironmentOptionsServices() {
  return LazyService(FNTAEnvironmentOptionsServices);
}
TIntfPtr<IOTAAboutBoxServices> TServiceContainer::OTAAboutBoxServices() { return LazyService(FOTAAboutBoxServices); }
TIntfPtr<IOTAModuleServices> TServiceContainer::OTAModuleServices() { return LazyService(FOTAModuleServices); }
TIntfPtr<IOTAPackageServices> TServiceContainer::OTAPackageServices() { return LazyService(FOTAPackageServices); }
TIntfPtr<IOTAServices> TServiceContainer::OTAServices() { return LazyService(FOTAServices); }
TIntfPtr<INTAServices> TServiceContainer::NTAServices() { return LazyService(FNTAServices); }
TIntfPtr<IOTAPlatformServices> TServiceContainer::OTAPlatformServices() { return LazyService(FOTAPlatformServices); }

bool TServiceContainer::IsPackageInstalled(const UnicodeString& APackageName) {
  const UnicodeString LFileName = APackageName + IDELibSuffix() + u".bpl";
  if (TIntfPtr<IOTAPackageServices> LServices = OTAPackageServices())
    for (Integer I = 0; I < LServices->GetPackageCount(); ++I)
      if (SameText(LServices->GetPackageName(I), LFileName)) return true;
  return false;
}

TIntfPtr<IServiceContainer> CreateServiceContainer() {
  return TIntfPtr<IServiceContainer>(new TServiceContainer());
}

}  // namespace Vorlane
