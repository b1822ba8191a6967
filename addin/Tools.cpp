#include "addin/Tools.h"

#include <memory>

#include "addin/Consts.h"
#include "platform/IconResource.h"
#include "platform/ModuleInfo.h"
#include "platform/VersionInfo.h"

namespace Vorlane {

namespace {

UnicodeString GVersion;

// An address inside this module. Internal linkage keeps it from being resolved to a like
// function of another module, so it always names the module this code was linked into.
void ModuleAnchor() {}

}  // namespace

UnicodeString OwnModuleFileName() { return GetModuleFileNameOf(reinterpret_cast<const void*>(&ModuleAnchor)); }

UnicodeString AppVersionOf(const UnicodeString& AFileName) {
  Integer LMajor = 0, LMinor = 0, LRelease = 0;
  if (!TTools::GetModuleVersionParts(AFileName, LMajor, LMinor, LRelease)) return u"V1.0.0";
  return Format(u"V%d.%d.%d", {LMajor, LMinor, LRelease});
}

UnicodeString TTools::AppVersion() { return AppVersionOf(OwnModuleFileName()); }

UnicodeString TTools::FindHelpFile() { return UnicodeString(); }

void TTools::ShowTopicHelp(const UnicodeString&, const UnicodeString&) {}

void TTools::OpenLocalFile(const UnicodeString&) {}

TBitmap* TTools::CreateFromIconResource(const UnicodeString& AName, Integer ASize) {
  auto LBitmap = std::make_unique<TBitmap>();
  TIcon LIcon;
  LIcon.SetSize(ASize, ASize);
  LoadFromIconResource(LIcon, AName);
  LBitmap->Assign(&LIcon);
  return LBitmap.release();
}

void TTools::LoadFromIconResource(TIcon& Target, const UnicodeString& AName) {
  Integer LWidth = Target.Width(), LHeight = Target.Height();
  const TIconHandle LHandle = LoadSharedIcon(OwnModuleFileName(), AName, LWidth, LHeight);
  Target.SetHandle(LHandle);
  if (LHandle != 0) Target.SetSize(LWidth, LHeight);
}

UnicodeString TTools::GetVersion() {
  if (GVersion.empty()) GVersion = AppVersion();
  return GVersion;
}

UnicodeString TTools::GetTitle() { return u"Vorlane " + GetVersion(); }

UnicodeString TTools::GetDescription() { return UnicodeString(SDescription) + u"\r\n\r\n" + SCopyright; }

bool TTools::GetModuleVersionParts(const UnicodeString& AFileName, Integer& AMajor, Integer& AMinor,
                                   Integer& ARelease) {
  Cardinal LMS = 0, LLS = 0;
  if (!GetProductVersionInfo(AFileName, LMS, LLS)) return false;
  AMajor = static_cast<Integer>(LMS >> 16);
  AMinor = static_cast<Integer>(LMS & 0xFFFF);
  ARelease = static_cast<Integer>(LLS >> 16);
  return true;
}

}  // namespace Vorlane
