// Windows side of the file-system routines, on the wide-character Win32 calls.
#include "platform/windows/WinCommon.h"

#include <vector>

#include "platform/FileSystem.h"
#include "platform/OsBackend.h"

namespace Vorlane {

using Win::U16;
using Win::W;

namespace {

bool Attributes(const UnicodeString& AName, DWORD& AAttr) {
  if (AName.empty()) return false;
  AAttr = ::GetFileAttributesW(W(AName));
  return AAttr != INVALID_FILE_ATTRIBUTES;
}

Int64 FromFileTime(const FILETIME& T) {
  return static_cast<Int64>((static_cast<std::uint64_t>(T.dwHighDateTime) << 32) | T.dwLowDateTime);
}

FILETIME ToFileTime(Int64 ATime) {
  FILETIME T;
  T.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ATime) & 0xFFFFFFFFu);
  T.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ATime) >> 32);
  return T;
}

bool SetTimes(const UnicodeString& AFileName, Int64 ATime, int AWhich) {
  if (ATime == 0) return false;
  HANDLE h = ::CreateFileW(W(AFileName), FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  FILETIME T = ToFileTime(ATime);
  BOOL ok = ::SetFileTime(h, AWhich == 0 ? &T : nullptr, AWhich == 1 ? &T : nullptr, AWhich == 2 ? &T : nullptr);
  ::CloseHandle(h);
  return ok != FALSE;
}

}  // namespace

UnicodeString GetCurrentDir() {
  DWORD n = ::GetCurrentDirectoryW(0, nullptr);
  std::vector<wchar_t> buf(n + 1);
  n = ::GetCurrentDirectoryW(static_cast<DWORD>(buf.size()), buf.data());
  return U16(buf.data(), n);
}

bool SetCurrentDir(const UnicodeString& ADir) { return ::SetCurrentDirectoryW(W(ADir)) != FALSE; }

UnicodeString ExpandFileName(const UnicodeString& AFileName) {
  if (AFileName.empty()) return UnicodeString();
  DWORD n = ::GetFullPathNameW(W(AFileName), 0, nullptr, nullptr);
  if (n == 0) return AFileName;
  std::vector<wchar_t> buf(n + 1);
  n = ::GetFullPathNameW(W(AFileName), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
  return U16(buf.data(), n);
}

bool FileExists(const UnicodeString& AFileName) {
  DWORD a;
  return Attributes(AFileName, a) && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const UnicodeString& ADirectory) {
  DWORD a;
  return Attributes(ADirectory, a) && (a & FILE_ATTRIBUTE_DIRECTORY);
}

TFileKind GetFileKind(const UnicodeString& AFileName) {
  if (AFileName.empty()) return fkNone;
  // Asking for the attributes of a pipe or a device may open it, so those are told by their
  // names: the \\.\ (or \\?\) device space, apart from the drive and share paths written
  // in it, and the reserved device names, which stand for the device in any folder and with
  // any extension.
  const UnicodeString Full = ExpandFileName(AFileName);
  if (Full.rfind(u"\\\\.\\", 0) == 0 || Full.rfind(u"\\\\?\\", 0) == 0) {
    const UnicodeString Rest = Full.substr(4);
    const bool Drive = Rest.size() >= 2 && Rest[1] == u':';
    if (!Drive && !StartsText(u"UNC\\", Rest)) return fkOther;
  }
  UnicodeString Base = ExtractFileName(Full);
  Base = Base.substr(0, Base.find(u'.'));
  while (!Base.empty() && Base.back() == u' ') Base.pop_back();
  Base = UpperCase(Base);
  if (Base == u"CON" || Base == u"PRN" || Base == u"AUX" || Base == u"NUL" || Base == u"CONIN$" ||
      Base == u"CONOUT$" ||
      (Base.size() == 4 && (Base.rfind(u"COM", 0) == 0 || Base.rfind(u"LPT", 0) == 0) && Base[3] >= u'0' &&
       Base[3] <= u'9'))
    return fkOther;
  DWORD a;
  if (!Attributes(Full, a)) return fkNone;
  if (a & FILE_ATTRIBUTE_DIRECTORY) return fkDirectory;
  return (a & FILE_ATTRIBUTE_DEVICE) ? fkOther : fkRegular;
}

bool CreateDir(const UnicodeString& ADir) { return !ADir.empty() && ::CreateDirectoryW(W(ADir), nullptr) != FALSE; }

bool RemoveDir(const UnicodeString& ADir) { return !ADir.empty() && ::RemoveDirectoryW(W(ADir)) != FALSE; }

bool DeleteFile(const UnicodeString& AFileName) { return !AFileName.empty() && ::DeleteFileW(W(AFileName)) != FALSE; }

bool RenameFile(const UnicodeString& AOldName, const UnicodeString& ANewName) {
  return ::MoveFileW(W(AOldName), W(ANewName)) != FALSE;
}

bool MoveFileOver(const UnicodeString& ASource, const UnicodeString& ATarget) {
  if (FileExists(ATarget)) {
    // The new content takes over the old file's identity: its attributes, creation time,
    // access control and short name stay, as users of the file expect after a save. The old
    // file is parked under a backup name during the exchange: without one, a failure half way
    // would leave no file under the target's name at all.
    UnicodeString backup = ASource + u".old";
    for (int i = 1; FileExists(backup) || DirectoryExists(backup); ++i) backup = ASource + u".old" + IntToStr(i);
    if (::ReplaceFileW(W(ATarget), W(ASource), W(backup), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
      ::SetFileAttributesW(W(backup), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileW(W(backup));
      return true;
    }
    switch (::GetLastError()) {
      case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
        // The old file already went to the backup name: it goes back into place.
        ::MoveFileExW(W(backup), W(ATarget), MOVEFILE_WRITE_THROUGH);
        return false;
      case ERROR_INVALID_FUNCTION:
      case ERROR_NOT_SUPPORTED:
      case ERROR_CALL_NOT_IMPLEMENTED:
        // A file system without the replace operation (some network shares) still takes
        // the plain replacing move.
        break;
      default:
        return false;  // both files keep their names and contents
    }
  }
  return ::MoveFileExW(W(ASource), W(ATarget), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

UnicodeString ResolveFileLink(const UnicodeString& AFileName) {
  DWORD a;
  if (!Attributes(AFileName, a) || (a & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return AFileName;
  HANDLE h = ::CreateFileW(W(AFileName), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return AFileName;
  std::vector<wchar_t> buf(32768);
  DWORD n = ::GetFinalPathNameByHandleW(h, buf.data(), static_cast<DWORD>(buf.size()), FILE_NAME_NORMALIZED);
  ::CloseHandle(h);
  if (n == 0 || n >= buf.size()) return AFileName;
  UnicodeString result = U16(buf.data());
  // The handle's name carries the \\?\ prefix of long paths; the rest of the system does not.
  // A share comes as \\?\UNC\server\share, which is \\server\share without the prefix.
  if (result.rfind(u"\\\\?\\UNC\\", 0) == 0) return u"\\\\" + result.substr(8);
  if (result.rfind(u"\\\\?\\", 0) == 0) result.erase(0, 4);
  return result;
}

bool CopyFileAccess(const UnicodeString& ASource, const UnicodeString& ATarget) {
  DWORD a;
  if (!Attributes(ASource, a)) return false;
  return ::SetFileAttributesW(W(ATarget), a & ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY)) != FALSE;
}

Integer FileGetAttr(const UnicodeString& AFileName) {
  DWORD a;
  return Attributes(AFileName, a) ? static_cast<Integer>(a) : faInvalid;
}

Integer FileSetAttr(const UnicodeString& AFileName, Integer AAttr) {
  return ::SetFileAttributesW(W(AFileName), static_cast<DWORD>(AAttr)) ? 0 : static_cast<Integer>(::GetLastError());
}

bool GetFileTimes(const UnicodeString& AFileName, TFileTimes& ATimes) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (AFileName.empty() || !::GetFileAttributesExW(W(AFileName), GetFileExInfoStandard, &d)) return false;
  ATimes.CreationTime = FromFileTime(d.ftCreationTime);
  ATimes.LastAccessTime = FromFileTime(d.ftLastAccessTime);
  ATimes.LastWriteTime = FromFileTime(d.ftLastWriteTime);
  return true;
}

bool SetFileCreationTime(const UnicodeString& AFileName, Int64 ATime) { return SetTimes(AFileName, ATime, 0); }
bool SetFileLastAccessTime(const UnicodeString& AFileName, Int64 ATime) { return SetTimes(AFileName, ATime, 1); }
bool SetFileLastWriteTime(const UnicodeString& AFileName, Int64 ATime) { return SetTimes(AFileName, ATime, 2); }

Int64 CurrentFileTime() {
  FILETIME T;
  ::GetSystemTimeAsFileTime(&T);
  return FromFileTime(T);
}

namespace OsBackend {

bool ListFolder(const UnicodeString& AFolder, std::vector<TDirEntry>& AEntries) {
  UnicodeString pattern = IncludeTrailingPathDelimiter(AFolder) + u"*";
  WIN32_FIND_DATAW fd;
  HANDLE h = ::FindFirstFileW(W(pattern), &fd);
  if (h == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    UnicodeString name = U16(fd.cFileName);
    if (name == u"." || name == u"..") continue;
    bool dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // Junctions and folder links are not followed, which keeps recursion free of cycles.
    if (dir && (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    AEntries.push_back({name, dir});
  } while (::FindNextFileW(h, &fd));
  ::FindClose(h);
  return true;
}

bool IsInvalidPathChar(char16_t C) {
  return C < 32 || C == u'<' || C == u'>' || C == u'|' || C == u'"';
}

UnicodeString ModuleFileName() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return UnicodeString();
    if (n < buf.size()) return U16(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

}  // namespace OsBackend

}  // namespace Vorlane
