// Paths, files, folders and their enumeration: the runtime's file-system routines with one
// meaning on every system. File names are UnicodeString; the backend converts them at the
// operating-system boundary (UTF-8 on POSIX, UTF-16 on Windows).
#pragma once

#include <memory>
#include <vector>

#include "platform/Encoding.h"
#include "platform/SysUtils.h"

namespace Vorlane {

class TStream;
class TFileStream;

using TStringDynArray = std::vector<UnicodeString>;

// ---------------------------------------------------------------------------------------------
// Path delimiters. POSIX has no drives: DriveDelim is then 0 and never matches a character.

#ifdef _WIN32
inline constexpr char16_t PathDelim = u'\\';
inline constexpr char16_t ForeignPathDelim = u'/';
inline constexpr char16_t DriveDelim = u':';
#else
inline constexpr char16_t PathDelim = u'/';
inline constexpr char16_t ForeignPathDelim = u'\\';
inline constexpr char16_t DriveDelim = 0;
#endif

// True for the platform's delimiter (and on Windows also for '/', which Win32 accepts).
bool IsPathDelimiter(char16_t C);
// Turns the foreign delimiter into the platform's ('\' into '/' on POSIX, '/' into '\' on
// Windows).
UnicodeString ConvertToPlatformDelimiters(const UnicodeString& APath);

UnicodeString IncludeTrailingPathDelimiter(const UnicodeString& APath);
UnicodeString ExcludeTrailingPathDelimiter(const UnicodeString& APath);
// Folder part with its trailing delimiter ("" when there is none).
UnicodeString ExtractFilePath(const UnicodeString& AFileName);
// Folder part without the trailing delimiter (a root keeps its delimiter: "/" or "C:\").
UnicodeString ExtractFileDir(const UnicodeString& AFileName);
// The text after the last path delimiter (or drive colon).
UnicodeString ExtractFileName(const UnicodeString& AFileName);
// The extension with its dot, "" when the file-name part has no dot.
UnicodeString ExtractFileExt(const UnicodeString& AFileName);
// Replaces the extension of the file-name part (appends when there is none).
UnicodeString ChangeFileExt(const UnicodeString& AFileName, const UnicodeString& AExtension);

// The full path of AFileName against the current folder, with "." and ".." segments resolved
// and repeated delimiters collapsed. Wildcards are kept as they are. An empty name gives "".
UnicodeString ExpandFileName(const UnicodeString& AFileName);
// As ExpandFileName, but strict: an empty or blank path, or one with characters that are
// invalid in a path, raises EArgumentException.
UnicodeString GetFullPath(const UnicodeString& APath);

UnicodeString GetCurrentDir();
bool SetCurrentDir(const UnicodeString& ADir);

// ---------------------------------------------------------------------------------------------
// Files and folders. The Boolean results report success; nothing here raises.

bool FileExists(const UnicodeString& AFileName);        // an existing file, not a folder
bool DirectoryExists(const UnicodeString& ADirectory);  // an existing folder
bool CreateDir(const UnicodeString& ADir);
// Creates the folder together with every missing parent; true when it exists afterwards.
bool ForceDirectories(const UnicodeString& ADir);
bool RemoveDir(const UnicodeString& ADir);  // an empty folder
bool DeleteFile(const UnicodeString& AFileName);
// Moves a file or folder; fails when ANewName already exists (as on Windows).
bool RenameFile(const UnicodeString& AOldName, const UnicodeString& ANewName);
// Moves the file ASource over ATarget in one step, replacing ATarget when it exists, so
// that a reader sees either the old or the new file, never a partial one. Both must be in the
// same folder (same volume). Returns false and leaves both files as they were on failure.
bool MoveFileOver(const UnicodeString& ASource, const UnicodeString& ATarget);
// What a name stands for, links followed. Found from the name alone: nothing is opened, as
// opening a FIFO or a device may wait for the other side or act on the device. fkNone: no such
// name, or it cannot be examined. fkOther: a FIFO, device, socket (on Windows: a reserved
// device name such as NUL or COM1, or a name in the \\.\ device space).
enum TFileKind { fkNone, fkRegular, fkDirectory, fkOther };
TFileKind GetFileKind(const UnicodeString& AFileName);
// The file a symbolic link finally names (as a full path); any other name comes back as it is.
UnicodeString ResolveFileLink(const UnicodeString& AFileName);
// Gives ATarget the access rights of ASource: the permission bits on POSIX, the attributes
// on Windows. True on success.
bool CopyFileAccess(const UnicodeString& ASource, const UnicodeString& ATarget);

// ---------------------------------------------------------------------------------------------
// Replacing a file while keeping what it was.

// The number of names (hard links) of the file, 0 when it does not exist. Windows reports 1
// for every existing file.
Integer FileLinkCount(const UnicodeString& AFileName);
// Gives ATarget the owner and group of ASource. True when they are the same afterwards (at
// once when they already were); false when the system does not permit it. Windows: true.
bool CopyFileOwner(const UnicodeString& ASource, const UnicodeString& ATarget);
// Gives AFileName the access rights a newly created file gets (POSIX: 0666 less the umask).
bool SetDefaultFileAccess(const UnicodeString& AFileName);
// A new, empty file in the folder of ANear under a fresh name of fixed length ("~vl<hex>.tmp",
// so a name near the system's limit still leaves room for it), created exclusively (never
// through a name or link someone placed there), readable by its owner only, and listed as a
// pending file (below) in the same step. AName receives its name and APending its entry.
// Raises EFCreateError when the folder takes no new file.
std::unique_ptr<TFileStream> CreateTemporaryFile(const UnicodeString& ANear, UnicodeString& AName, int& APending);
// Pushes the folder's entries (a file created, renamed or deleted in it) to the disk. True on
// success and where the system cannot say (Windows).
bool FlushFolderToDisk(const UnicodeString& AFolder);
// Writes the whole content of ASource over the existing regular file AFileName in place (same
// file, same names, same owner), cut to ASource's size, without a moment in which the old
// content exists nowhere whole:
//  1. the old content is copied into a temporary file beside ABackupName, flushed to the
//     disk, and only then named ABackupName (which must not exist) with the folder flushed,
//     so a file of that name is always a complete copy;
//  2. room for the new content is claimed (a full disk raises before any byte changes), the
//     content is written, the file cut and flushed;
//  3. only then is the backup deleted.
// SIGINT and SIGTERM wait from the naming of the backup until it is deleted. A process killed
// outright (SIGKILL, power loss) leaves AFileName old, partly rewritten or new, with the
// complete backup beside it whenever any of its bytes may have changed; before that at most a
// stray temporary file. Raises EFCreateError, EFOpenError or EWriteError with the system's
// reason, also when the backup cannot be made (the name is taken, no room, no permission on
// the folder). AFileName then still holds its old content and no backup stays, unless the
// failure came after AFileName changed: then the backup stays and the message names it.
void OverwriteFileContent(const UnicodeString& AFileName, TStream& ASource, const UnicodeString& ABackupName);

// The steps of OverwriteFileContent after which a test may stop the process.
enum TOverwriteStep {
  owBackupCopied,  // the copy is complete under its temporary name; nothing named yet
  owBackupNamed,   // the backup has its name; the file is not touched yet
  owHalfWritten,   // the first half of the new content is over the old
  owWritten,       // all of the new content is written, the file not yet cut to its size
  owCut,           // the file has its new size, not yet flushed; the backup is still there
};
// Test seam: when set, called at each step above.
extern void (*OnOverwriteStep)(TOverwriteStep AStep);

// Temporary files that must not outlive the run. While listed, a file is deleted when SIGINT
// or SIGTERM ends the program (the signal then takes its default course); a signal that the
// program ignores stays ignored. AddPendingFile returns the entry to remove, -1 when it could
// not be listed (Windows keeps no list).
int AddPendingFile(const UnicodeString& AFileName);
void RemovePendingFile(int AEntry);
// Holds back SIGINT and SIGTERM while it lives (they arrive when the last hold ends), so that
// creating a file and listing it, or moving it and unlisting it, happen as one step. Nothing
// on Windows.
class TInterruptHold {
 public:
  TInterruptHold();
  ~TInterruptHold();
  TInterruptHold(const TInterruptHold&) = delete;
  TInterruptHold& operator=(const TInterruptHold&) = delete;
};

// Attributes of the runtime. On POSIX read-only is the absence of any write permission,
// faDirectory and faHidden (a name starting with '.') are reported, and faArchive stands for
// every other file.
enum : Integer {
  faReadOnly = 0x0001,
  faHidden = 0x0002,
  faSysFile = 0x0004,
  faDirectory = 0x0010,
  faArchive = 0x0020,
  faNormal = 0x0080,
  faInvalid = -1,
};
// faInvalid when the file does not exist.
Integer FileGetAttr(const UnicodeString& AFileName);
// Returns 0 on success, else the system's error code. On POSIX only faReadOnly has an effect:
// set, it removes every write permission; clear, it gives the owner write permission back
// when the file had none (other mode bits stay as they are).
Integer FileSetAttr(const UnicodeString& AFileName, Integer AAttr);

// File times are counted in 100-ns ticks since 1601-01-01 UTC (the Windows file time), so a
// time read and written back is exact. 0 means "unknown". POSIX keeps no settable creation
// time: it reports the status-change time (or the birth time where the system has one) and
// SetFileCreationTime returns false there.
struct TFileTimes {
  Int64 CreationTime = 0;
  Int64 LastWriteTime = 0;
  Int64 LastAccessTime = 0;
};
bool GetFileTimes(const UnicodeString& AFileName, TFileTimes& ATimes);
bool SetFileCreationTime(const UnicodeString& AFileName, Int64 ATime);
bool SetFileLastWriteTime(const UnicodeString& AFileName, Int64 ATime);
bool SetFileLastAccessTime(const UnicodeString& AFileName, Int64 ATime);
// The file time of now.
Int64 CurrentFileTime();

// ---------------------------------------------------------------------------------------------
// Enumeration with '*' and '?' masks.

// True when AName matches AMask: '*' any run of characters, '?' exactly one, compared without
// regard to case. A mask ending in ".*" also matches names without a dot, so "*.*" matches
// every name (as Windows does).
bool MatchesMask(const UnicodeString& AName, const UnicodeString& AMask);

enum TSearchOption { soTopDirectoryOnly, soAllDirectories };

struct TDirectory {
  // Full names of the files in APath whose names match AMask; with soAllDirectories the
  // matches of every sub-folder follow where that sub-folder stands in its parent's listing
  // (depth first). Listings are sorted by name without regard to case on POSIX, so results do
  // not depend on directory order; symbolic links to folders are not followed.
  // Raises EDirectoryNotFoundException "The specified path was not found" when APath is no
  // folder, and EArgumentException for a mask with invalid characters.
  static TStringDynArray GetFiles(const UnicodeString& APath, const UnicodeString& AMask,
                                  TSearchOption AOption = soTopDirectoryOnly);
  // Full names of the sub-folders of APath, same order; raises as GetFiles.
  static TStringDynArray GetDirectories(const UnicodeString& APath);
};

// TDirectory::GetFiles for a run that expands many names in the same folders (a console run
// with one argument per project): the same results and errors, but a folder's listing is kept
// and used again while a status call shows the folder unchanged (same folder, same change
// time). Only listings of local file systems whose change times are trustworthy are kept, and
// only when the folder was last changed well before they were taken, so a change made in the
// same clock tick cannot go unnoticed; links are looked at anew every time. Windows lists
// every time.
class TFolderListingCache {
 public:
  // Keeps at most AEntryLimit entries in all, so that a run over a large tree stays small.
  explicit TFolderListingCache(size_t AEntryLimit = 16384);
  ~TFolderListingCache();
  TFolderListingCache(const TFolderListingCache&) = delete;
  TFolderListingCache& operator=(const TFolderListingCache&) = delete;

  TStringDynArray GetFiles(const UnicodeString& APath, const UnicodeString& AMask,
                           TSearchOption AOption = soTopDirectoryOnly);

  // How long (in milliseconds) a folder must have stayed unchanged before its listing is
  // kept; a folder whose change time shows whole seconds only waits two seconds more. Only
  // tests shorten it, to see kept listings at work on folders they have just made.
  void SetSettleTime(Int64 AMilliseconds) { FSettleTime = AMilliseconds; }

 private:
  struct TState;
  std::unique_ptr<TState> FState;
  // Ten times the coarsest clock tick of the kernels' file time stamps (10 ms).
  Int64 FSettleTime = 100;
};

// ---------------------------------------------------------------------------------------------
// Whole-file text.

struct TFile {
  // Reads the whole file as text: the encoding comes from a byte-order mark (which is not part
  // of the result), without one AEncoding is used (ANSI when null). EFOpenError when the file
  // cannot be opened.
  static UnicodeString ReadAllText(const UnicodeString& AFileName, TEncoding* AEncoding = nullptr);
  // Creates or replaces the file with the text, UTF-8 without a byte-order mark when
  // AEncoding is null, else AEncoding with its preamble. EFCreateError when it cannot.
  static void WriteAllText(const UnicodeString& AFileName, const UnicodeString& AContents,
                           TEncoding* AEncoding = nullptr);
  static TBytes ReadAllBytes(const UnicodeString& AFileName);
  static void WriteAllBytes(const UnicodeString& AFileName, const TBytes& ABytes);
};

}  // namespace Vorlane
