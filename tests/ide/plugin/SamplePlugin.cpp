// A plug-in as small as the IDE allows: Register adds an IDE notifier and an about-box entry,
// Finalize takes both away again. The notifier reports what it is told, and its own end,
// as splash-screen entries, the one channel a test can read without sharing code with it.
#include "ide/Plugin.h"
#include "ide/ToolsAPI.h"

namespace {

using namespace Vorlane;

void Report(const UnicodeString& AText) {
  if (TIntfPtr<IOTASplashScreenServices> LSplash = SplashScreenServices())
    LSplash->AddPluginBitmap(AText, 0, false, UnicodeString(), UnicodeString());
}

class TSampleNotifier : public TNotifierObject, public virtual IOTAIDENotifier {
 public:
  ~TSampleNotifier() override { Report(u"destroyed"); }
  void FileNotification(TOTAFileNotification ANotifyCode, const UnicodeString& AFileName, bool&) override {
    Report(IntToStr(ANotifyCode) + u" " + AFileName);
  }
  void BeforeCompile(IOTAProject*, bool&) override {}
  void AfterCompile(bool) override {}
};

Integer GNotifierIndex = -1;
Integer GAboutIndex = -1;

}  // namespace

VORLANE_PLUGIN_EXPORT void Register() {
  TIntfPtr<IOTAServices> LServices;
  TIntfPtr<IOTAAboutBoxServices> LAbout;
  if (Supports(BorlandIDEServices(), LServices)) GNotifierIndex = LServices->AddNotifier(new TSampleNotifier());
  if (Supports(BorlandIDEServices(), LAbout))
    GAboutIndex = LAbout->AddPluginInfo(u"Sample", u"A sample plug-in", 0, false, UnicodeString(), UnicodeString(), true);
}

VORLANE_PLUGIN_EXPORT void Finalize() {
  TIntfPtr<IOTAServices> LServices;
  TIntfPtr<IOTAAboutBoxServices> LAbout;
  if (Supports(BorlandIDEServices(), LAbout)) LAbout->RemovePluginInfo(GAboutIndex);
  if (Supports(BorlandIDEServices(), LServices)) LServices->RemoveNotifier(GNotifierIndex);
}
