// The fixed file and product versions from a module's VERSIONINFO resource.
#include "platform/windows/WinCommon.h"

#include <vector>

#include "platform/VersionInfo.h"

namespace Vorlane {

namespace {

// One version pair (file or product) of the module's fixed file info.
bool ReadVersionPair(const UnicodeString& AFileName, DWORD VS_FIXEDFILEINFO::*AMS, DWORD VS_FIXEDFILEINFO::*ALS,
                     Cardinal& AVersionMS, Cardinal& AVersionLS) {
  DWORD handle = 0;
  DWORD size = ::GetFileVersionInfoSizeW(Win::W(AFileName), &handle);
  if (size == 0) return false;
  std::vector<unsigned char> buffer(size);
  if (!::GetFileVersionInfoW(Win::W(AFileName), 0, size, buffer.data())) return false;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT len = 0;
  if (!::VerQueryValueW(buffer.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info ||
      len < sizeof(VS_FIXEDFILEINFO))
    return false;
  AVersionMS = info->*AMS;
  AVersionLS = info->*ALS;
  return true;
}

}  // namespace

bool GetFileVersionInfo(const UnicodeString& AFileName, Cardinal& AFileVersionMS,
                        Cardinal& AFileVersionLS) {
  return ReadVersionPair(AFileName, &VS_FIXEDFILEINFO::dwFileVersionMS, &VS_FIXEDFILEINFO::dwFileVersionLS,
                         AFileVersionMS, AFileVersionLS);
}

bool GetProductVersionInfo(const UnicodeString& AFileName, Cardinal& AProductVersionMS,
                           Cardinal& AProductVersionLS) {
  return ReadVersionPair(AFileName, &VS_FIXEDFILEINFO::dwProductVersionMS, &VS_FIXEDFILEINFO::dwProductVersionLS,
                         AProductVersionMS, AProductVersionLS);
}

}  // namespace Vorlane
