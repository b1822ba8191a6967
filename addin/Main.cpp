#include "addin/Main.h"

#include "addin/Consts.h"
#include "addin/ImagesDM.h"
#include "addin/Notifier.h"
#include "addin/SettingsBaseFrame.h"
#include "addin/Tools.h"
#include "platform/FileSystem.h"

namespace Vorlane {

// ---------------------------------------------------------------------------------------------
// TAddInSettingsHandler

TCustomFrameClass TAddInSettingsHandler::GetFrameClass() { return FrameClassOf<TFrVorlaneSettingsBase>(); }

void TAddInSettingsHandler::FrameCreated(TCustomFrame* AFrame) {
  FSettings->Prepare();
  auto* LFrame = dynamic_cast<TFrVorlaneSettingsBase*>(AFrame);
  if (!LFrame) throw EInvalidCast(u"Invalid class typecast");
  FSettingsFrame = LFrame;
  FSettingsFrame->SetSettings(FSettings->Settings());
  FSettingsFrame->SetIsGroup(true);
  FSettingsFrame->SetIsGlobal(true);
}

void TAddInSettingsHandler::DialogClosed(bool AAccepted) {
  // The IDE frees the frame once the dialog has closed: it is not read again.
  TFrVorlaneSettingsBase* LFrame = FSettingsFrame;
  FSettingsFrame = nullptr;
  if (!AAccepted || !LFrame) return;
  FSettings->SetSettings(LFrame->Settings());
  FSettings->SaveToFile();
}

// ---------------------------------------------------------------------------------------------
// TVorlane

void TVorlane::CreateInstance() {
  // A second registration would enter everything twice.
  if (!FInstance) FInstance = new TVorlane();
}

void TVorlane::DestroyInstance() {
  delete FInstance;
  FInstance = nullptr;
}

TVorlane::TVorlane() {
  try {
    dmImages = new TdmImages(nullptr);
    FSettings = std::make_unique<TVorlaneSettings>(GetSettingsFileName());
    FSettings->SetOnPrepare([this](TVorlaneSettings* Sender) { PrepareSettings(Sender); });
    FAddInSettingsHandler = std::make_unique<TAddInSettingsHandler>(FSettings.get());

    if (TIntfPtr<IOTASplashScreenServices> LSplash = SplashScreenServices())
      LSplash->AddPluginBitmap(GetTitle(), GetSplashBitmap()->Handle(), false, UnicodeString(), UnicodeString());

    if (TIntfPtr<IOTAAboutBoxServices> LAbout = GetOTAAboutBoxServices())
      FPluginInfoID = LAbout->AddPluginInfo(GetTitle(), GetDescription(), GetAboutBitmap()->Handle(), false,
                                            UnicodeString(), UnicodeString(), true);

    if (TIntfPtr<IOTAServices> LServices = GetOTAServices()) {
      // Handed over uncounted-to-counted: once this reference goes, the IDE holds the only one.
      TIntfPtr<IOTAIDENotifier> LNotifier(new TVorlaneNotifier(GetServiceContainer().Get(), FSettings.get()));
      FPackageNotifierID = LServices->AddNotifier(LNotifier.Get());
    }

    if (TIntfPtr<INTAEnvironmentOptionsServices> LOptions = GetNTAEnvironmentOptionsServices())
      LOptions->RegisterAddInOptions(FAddInSettingsHandler.get());
  } catch (...) {
    Cleanup();
    throw;
  }
}

TVorlane::~TVorlane() { Cleanup(); }

void TVorlane::Cleanup() {
  // The IDE may fail on one step; the next ones still run, and nothing escapes a destructor.
  try {
    if (FAddInSettingsHandler)
      if (TIntfPtr<INTAEnvironmentOptionsServices> LOptions = GetNTAEnvironmentOptionsServices())
        LOptions->UnregisterAddInOptions(FAddInSettingsHandler.get());
  } catch (...) {
  }
  try {
    if (FPluginInfoID > 0)
      if (TIntfPtr<IOTAAboutBoxServices> LAbout = GetOTAAboutBoxServices()) LAbout->RemovePluginInfo(FPluginInfoID);
  } catch (...) {
  }
  FPluginInfoID = 0;
  try {
    // The IDE releases the notifier here, and its destructor takes everything it set up away.
    if (FPackageNotifierID > 0)
      if (TIntfPtr<IOTAServices> LServices = GetOTAServices()) LServices->RemoveNotifier(FPackageNotifierID);
  } catch (...) {
  }
  FPackageNotifierID = 0;
  FServiceContainer = nullptr;
  FAddInSettingsHandler.reset();
  FSettings.reset();
  FAboutBitmap.reset();
  FSplashBitmap.reset();
  delete dmImages;
  dmImages = nullptr;
}

TIntfPtr<IServiceContainer> TVorlane::GetServiceContainer() {
  if (!FServiceContainer) FServiceContainer = CreateServiceContainer();
  return FServiceContainer;
}

TIntfPtr<IOTAServices> TVorlane::GetOTAServices() { return GetServiceContainer()->OTAServices(); }

TIntfPtr<IOTAModuleServices> TVorlane::GetOTAModuleServices() { return GetServiceContainer()->OTAModuleServices(); }

TIntfPtr<IOTAPackageServices> TVorlane::GetOTAPackageServices() { return GetServiceContainer()->OTAPackageServices(); }

TIntfPtr<INTAServices> TVorlane::GetNTAServices() { return GetServiceContainer()->NTAServices(); }

TIntfPtr<IOTAAboutBoxServices> TVorlane::GetOTAAboutBoxServices() { return GetServiceContainer()->OTAAboutBoxServices(); }

TIntfPtr<INTAEnvironmentOptionsServices> TVorlane::GetNTAEnvironmentOptionsServices() {
  return GetServiceContainer()->NTAEnvironmentOptionsServices();
}

UnicodeString TVorlane::GetSettingsFileName() {
  TIntfPtr<IOTAServices> LServices = GetOTAServices();
  const UnicodeString LFolder = LServices ? LServices->GetApplicationDataDirectory() : UnicodeString();
  return (LFolder.empty() ? LFolder : IncludeTrailingPathDelimiter(LFolder)) + u"Vorlane.ini";
}

UnicodeString TVorlane::GetVersion() {
  if (FVersion.empty()) FVersion = TTools::AppVersion();
  return FVersion;
}

UnicodeString TVorlane::GetTitle() { return u"Vorlane " + GetVersion(); }

UnicodeString TVorlane::GetDescription() { return UnicodeString(SDescription) + u"\r\n\r\n" + SCopyright; }

TBitmap* TVorlane::CreateFromIconResource(Integer ASize) { return TTools::CreateFromIconResource(u"Vorlane", ASize); }

TBitmap* TVorlane::GetSplashBitmap() {
  if (!FSplashBitmap) FSplashBitmap.reset(CreateFromIconResource(24));
  return FSplashBitmap.get();
}

TBitmap* TVorlane::GetAboutBitmap() {
  if (!FAboutBitmap) FAboutBitmap.reset(CreateFromIconResource(48));
  return FAboutBitmap.get();
}

void TVorlane::PrepareSettings(TVorlaneSettings*) {
  TIntfPtr<IServiceContainer> LContainer = GetServiceContainer();
  TAbstractSettings::FIsKelvaryInstalled = LContainer->IsPackageInstalled(u"Kelvary");
  TAbstractSettings::FIsBrisendalInstalled = LContainer->IsPackageInstalled(u"Brisendal");
}

}  // namespace Vorlane

VORLANE_PLUGIN_EXPORT void Register() { Vorlane::TVorlane::CreateInstance(); }

VORLANE_PLUGIN_EXPORT void Finalize() {
  Vorlane::TVorlane::DestroyInstance();
  Vorlane::FinalizeTools();
}
