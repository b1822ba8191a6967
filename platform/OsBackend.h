// What the shared platform code asks of the system backend (platform/posix or
// platform/windows). Not for use outside platform/.
#pragma once

#include <string>
#include <vector>

#include "platform/SysUtils.h"

namespace Vorlane {
struct TIconImage;
}

namespace Vorlane::OsBackend {

struct TDirEntry {
  UnicodeString Name;
  bool IsDirectory = false;  // a real folder (links to folders are not followed)
};

// The entries of a folder without "." and "..", in the order the backend lists them (sorted
// by name on POSIX). False when AFolder is no readable folder.
bool ListFolder(const UnicodeString& AFolder, std::vector<TDirEntry>& AEntries);

// Characters that may not appear in a path (besides NUL).
bool IsInvalidPathChar(char16_t C);

// The program file's full path, "" when unknown.
UnicodeString ModuleFileName();

// The icon block the build embedded in a module file (platform/IconResource.h); false when
// the file has none or cannot be read.
bool ReadIconBlock(const UnicodeString& AModuleFileName, std::string& ABlock);
// The system's handle for an icon showing AImage (AImage stays alive as long as the handle),
// 0 when it cannot make one; FreeIconHandle releases it.
std::uintptr_t CreateIconHandle(const TIconImage& AImage);
void FreeIconHandle(std::uintptr_t AHandle);

}  // namespace Vorlane::OsBackend

namespace Vorlane {
class TConsole;
}

namespace Vorlane::OsBackend {

// The console on the process's standard streams.
TConsole* StandardConsole();
// The program's arguments as the system hands them over (argc/argv on POSIX, the UTF-16
// command line on Windows), parameter 0 included.
std::vector<UnicodeString> SystemParams(int argc, char** argv);
// One line of standard input as raw bytes, without its LF or CR LF; false at end of input.
// Shared by the backends, which differ only in how they decode the bytes.
bool ReadStdInLine(std::string& ALine);

}  // namespace Vorlane::OsBackend

#ifdef _WIN32
namespace Vorlane::OsBackend {
// Conversions with the system's Ansi code page; characters it lacks become '?'.
UnicodeString SystemAnsiToUnicode(const AnsiString& S);
AnsiString UnicodeToSystemAnsi(const UnicodeString& S);
}  // namespace Vorlane::OsBackend
#endif
