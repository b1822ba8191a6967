// The add-in's registration and lifecycle. The IDE loads the plug-in and calls Register, which
// creates the one TVorlane; it sets up the image module, the global settings, the options page,
// the splash-screen and about-box entries and the IDE notifier. Finalize, called before the
// plug-in is unloaded, destroys it again, which undoes each registration.
#pragma once

#include <memory>

#include "addin/ApiHelper.h"
#include "addin/Config.h"
#include "ide/Graphics.h"
#include "ide/Plugin.h"
#include "ide/ToolsAPI.h"

namespace Vorlane {

class TFrVorlaneSettingsBase;

// The add-in's page in the IDE's options dialog. It always edits the global level. Its
// interface is not counted: TVorlane frees it.
class TAddInSettingsHandler : public TInterfacedPersistent, public virtual INTAAddInOptions {
 public:
  explicit TAddInSettingsHandler(TVorlaneSettings* ASettings) : FSettings(ASettings) {}

  UnicodeString GetArea() override { return UnicodeString(); }
  UnicodeString GetCaption() override { return u"Vorlane"; }
  TCustomFrameClass GetFrameClass() override;
  // Raises EInvalidCast for a frame of another class.
  void FrameCreated(TCustomFrame* AFrame) override;
  // Accepted: the frame's switches become the global settings, which are saved (also when
  // nothing changed).
  void DialogClosed(bool AAccepted) override;
  bool ValidateContents() override { return true; }
  Integer GetHelpContext() override { return 0; }
  bool IncludeInIDEInsight() override { return true; }

 private:
  TFrVorlaneSettingsBase* FSettingsFrame = nullptr;
  TVorlaneSettings* FSettings;
};

class TVorlane {
 public:
  static void CreateInstance();
  static void DestroyInstance();
  // nil while the plug-in is not registered.
  static TVorlane* Instance() { return FInstance; }

  TVorlane();
  ~TVorlane();
  TVorlane(const TVorlane&) = delete;
  TVorlane& operator=(const TVorlane&) = delete;

  TIntfPtr<IServiceContainer> GetServiceContainer();
  TIntfPtr<IOTAServices> GetOTAServices();
  TIntfPtr<IOTAModuleServices> GetOTAModuleServices();
  TIntfPtr<IOTAPackageServices> GetOTAPackageServices();
  TIntfPtr<INTAServices> GetNTAServices();
  TIntfPtr<IOTAAboutBoxServices> GetOTAAboutBoxServices();
  TIntfPtr<INTAEnvironmentOptionsServices> GetNTAEnvironmentOptionsServices();

  // The global settings' owner name: "Vorlane.ini" in the IDE's data folder.
  UnicodeString GetSettingsFileName();
  UnicodeString GetVersion();
  // "Vorlane V1.0.44".
  UnicodeString GetTitle();
  UnicodeString GetDescription();
  TBitmap* GetSplashBitmap();
  TBitmap* GetAboutBitmap();
  TVorlaneSettings* Settings() const { return FSettings.get(); }
  TAddInSettingsHandler* AddInSettingsHandler() const { return FAddInSettingsHandler.get(); }
  Integer PluginInfoID() const { return FPluginInfoID; }
  Integer PackageNotifierID() const { return FPackageNotifierID; }

 private:
  TBitmap* CreateFromIconResource(Integer ASize);
  void PrepareSettings(TVorlaneSettings* Sender);
  // The destructor's work; also undoes a construction that failed half way.
  void Cleanup();

  static inline TVorlane* FInstance = nullptr;

  Integer FPackageNotifierID = 0;
  TIntfPtr<IServiceContainer> FServiceContainer;
  std::unique_ptr<TBitmap> FSplashBitmap;
  std::unique_ptr<TBitmap> FAboutBitmap;
  Integer FPluginInfoID = 0;
  std::unique_ptr<TVorlaneSettings> FSettings;
  std::unique_ptr<TAddInSettingsHandler> FAddInSettingsHandler;
  UnicodeString FVersion;
};

}  // namespace Vorlane

// The plug-in's entry points (ide/Plugin.h): the IDE calls Register after loading the plug-in
// and Finalize, the plug-in's finalization, before unloading it.
VORLANE_PLUGIN_EXPORT void Register();
VORLANE_PLUGIN_EXPORT void Finalize();
