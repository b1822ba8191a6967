// What the shared platform code asks of the system backend (platform/posix or
// platform/windows). Not for use outside platform/.
#pragma once

#include <cstdint>
#include <functional>
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
// As ListFolder, but keeps only the files whose names AWantFile accepts, and the folders only
// when AFolders is set. The name test comes first, so an entry that is not wanted costs no
// further look at the file system (a folder of many projects is listed once per argument).
bool ListFolderMatching(const UnicodeString& AFolder, const std::function<bool(const UnicodeString&)>& AWantFile,
                        bool AFolders, std::vector<TDirEntry>& AEntries);

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

namespace Vorlane::OsBackend {
// A block of ASize bytes (ASize > 0) straight from the system, outside the heap (POSIX: an
// anonymous mapping, huge pages advised from 4 MiB; Windows: VirtualAlloc), and its release;
// nullptr when there is no memory. ReleaseBlockPart gives back a page-aligned part of a block
// (Windows: decommitted, the range stays reserved). AFilledAtOnce: the caller writes the whole
// block right away (a file read into it), so its pages may be given at once rather than one
// fault at a time.
void* AllocateBlock(size_t ASize, bool AFilledAtOnce = false);
void ReleaseBlock(void* ABlock, size_t ASize);
void ReleaseBlockPart(void* AStart, size_t ASize);
// Lets the C runtime heap keep up to ABytes free at its top instead of giving them back to the
// system (glibc's trim threshold); nothing where the heap cannot be told.
void KeepHeapTop(size_t ABytes);
}  // namespace Vorlane::OsBackend

namespace Vorlane::OsBackend {
// Makes sure the open file AHandle has room for ASize bytes, so that a later write of that
// much cannot fail for want of space; 0 or the system's error code. Where the system cannot
// say in advance, 0.
int ReserveFileSpace(intptr_t AHandle, Int64 ASize);
}  // namespace Vorlane::OsBackend

#ifndef _WIN32
namespace Vorlane::OsBackend {
// File names, arguments and console text to and from the system's bytes without loss: valid
// UTF-8 is decoded, each other byte becomes the lone surrogate U+DC00 + byte, and the way back
// turns exactly those surrogates into their bytes again.
UnicodeString FromSystemName(const std::string& AName);
UnicodeString FromSystemName(const char* AName, size_t ALength);
std::string ToSystemName(const UnicodeString& AName);

// What a status call tells of a folder: two equal stamps of a local folder mean that no entry
// was added, removed or renamed in between (each of those sets the change time).
struct TFolderStamp {
  uint64_t Device = 0;
  uint64_t Inode = 0;
  int64_t ChangeSec = 0;
  int64_t ChangeNsec = 0;
  bool operator==(const TFolderStamp&) const = default;
};
// The stamp of AFolder (links followed); false when it is no folder.
bool GetFolderStamp(const UnicodeString& AFolder, TFolderStamp& AStamp);

enum class TEntryKind { File, Folder, Link };
struct TKindEntry {
  UnicodeString Name;
  TEntryKind Kind;
};
// Every file, folder and link of AFolder that ListFolder would look at, sorted as ListFolder
// sorts, with the stamp of the folder as read (taken before its entries). False when AFolder
// is no readable folder.
bool ListFolderStamped(const UnicodeString& AFolder, std::vector<TKindEntry>& AEntries, TFolderStamp& AStamp);
// Whether the file system of AFolder is local and sets a folder's change time on every change
// of its entries, from this machine's clock: only then does an unchanged stamp prove an
// unchanged listing.
bool TrustsChangeTimes(const UnicodeString& AFolder);
// Whether the link APath finally names a regular file (ListFolder lists only those links).
bool LinkNamesFile(const UnicodeString& APath);
}  // namespace Vorlane::OsBackend
#endif

#ifdef _WIN32
namespace Vorlane::OsBackend {
// Conversions with the system's Ansi code page; characters it lacks become '?'.
UnicodeString SystemAnsiToUnicode(const AnsiString& S);
AnsiString UnicodeToSystemAnsi(const UnicodeString& S);
}  // namespace Vorlane::OsBackend
#endif
