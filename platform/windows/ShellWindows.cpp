// Opening a file with the shell.
#include "platform/windows/WinCommon.h"

#include <shellapi.h>

#include "platform/FileSystem.h"
#include "platform/Shell.h"

namespace Vorlane {

bool ShellOpenFile(const UnicodeString& AFileName) {
  if (AFileName.empty() || !FileExists(AFileName)) return false;
  const UnicodeString folder = ExtractFileDir(ExpandFileName(AFileName));
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // The request must be handed over before a console program that asked for it ends.
  info.fMask = SEE_MASK_NOASYNC;
  info.hwnd = nullptr;
  info.lpVerb = L"open";
  info.lpFile = Win::W(AFileName);
  info.lpParameters = nullptr;
  info.lpDirectory = folder.empty() ? nullptr : Win::W(folder);
  info.nShow = SW_SHOWDEFAULT;
  return ::ShellExecuteExW(&info) != FALSE;
}

}  // namespace Vorlane
