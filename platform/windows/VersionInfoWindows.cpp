// The fixed file and product versions from a module's VERSIONINFO resource.
#include "platform/windows/WinCommon.h"

#include <vector>

#include "platform/VersionInfo.h"

namespace Vorlane {

namespace {

bool ReadFixedFileInfo(const UnicodeString& AFileName, VS_FIXEDFILEINFO& AInfo) {
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
  AInfo = *info;
  return true;
}

}  // namespace

bool GetFileVersionInfo(const UnicodeString& AFileName, Cardinal& AFileVersionMS,
                        Cardinal& AFileVersionLS) {
  VS_FIXEDFILEINFO info;
  if (!ReadFixedFileInfo(AFileName, info)) return false;
  AFileVersionMS = info.dwFileVersionMS;
  AFileVersionLS = info.dwFileVersionLS;
  return true;
}

bool GetProductVersionInfo(const UnicodeString& AFileName, Cardinal& AProductVersionMS,
                           Cardinal& AProductVersionLS) {
  VS_FIXEDFILEINFO info;
  if (!ReadFixedFileInfo(AFileName, info)) return false;
  AProductVersionMS = info.dwProductVersionMS;
  AProductVersionLS = info.dwProductVersionLS;
  return true;
}

}  // namespace Vorlane
