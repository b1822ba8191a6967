// POSIX side of the file-system routines. File names travel as UTF-8, with bytes that are no
// UTF-8 carried through unchanged (OsBackend::ToSystemName, FromSystemName).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/vfs.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/OsBackend.h"

namespace Vorlane {

namespace {

std::string N(const UnicodeString& S) { return OsBackend::ToSystemName(S); }

// Seconds between 1601-01-01 and 1970-01-01.
constexpr Int64 kEpochDelta = 11644473600LL;

Int64 ToFileTime(const struct timespec& T) {
  return (static_cast<Int64>(T.tv_sec) + kEpochDelta) * 10000000LL + T.tv_nsec / 100;
}

struct timespec FromFileTime(Int64 ATime) {
  struct timespec T;
  Int64 ticks = ATime - kEpochDelta * 10000000LL;
  Int64 sec = ticks / 10000000LL, rest = ticks % 10000000LL;
  if (rest < 0) {
    rest += 10000000LL;
    --sec;
  }
  T.tv_sec = static_cast<time_t>(sec);
  T.tv_nsec = static_cast<long>(rest * 100);
  return T;
}

bool SetOneTime(const UnicodeString& AFileName, Int64 ATime, int AIndex) {
  if (ATime == 0) return false;
  struct timespec times[2];
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_nsec = UTIME_OMIT;
  times[0].tv_sec = times[1].tv_sec = 0;
  times[AIndex] = FromFileTime(ATime);
  return ::utimensat(AT_FDCWD, N(AFileName).c_str(), times, 0) == 0;
}

// Ordinal comparison ignoring case, then exact, so that listings are stable and close to the
// order Windows' file systems give.
bool NameLess(const UnicodeString& A, const UnicodeString& B) {
  int d = CompareText(A, B);
  return d != 0 ? d < 0 : A < B;
}

OsBackend::TFolderStamp StampOf(const struct stat& st) {
  OsBackend::TFolderStamp R;
  R.Device = static_cast<uint64_t>(st.st_dev);
  R.Inode = static_cast<uint64_t>(st.st_ino);
  R.ChangeSec = static_cast<int64_t>(st.st_ctim.tv_sec);
  R.ChangeNsec = static_cast<int64_t>(st.st_ctim.tv_nsec);
  return R;
}

}  // namespace

UnicodeString GetCurrentDir() {
  std::vector<char> buf(PATH_MAX + 1);
  while (::getcwd(buf.data(), buf.size()) == nullptr) {
    if (errno != ERANGE) return UnicodeString();
    buf.resize(buf.size() * 2);
  }
  return OsBackend::FromSystemName(buf.data());
}

bool SetCurrentDir(const UnicodeString& ADir) { return ::chdir(N(ADir).c_str()) == 0; }

UnicodeString ExpandFileName(const UnicodeString& AFileName) {
  if (AFileName.empty()) return UnicodeString();
  UnicodeString path = AFileName;
  if (path[0] != u'/') path = IncludeTrailingPathDelimiter(GetCurrentDir()) + path;
  bool trailing = path.size() > 1 && path.back() == u'/';
  std::vector<UnicodeString> parts;
  size_t i = 0;
  while (i < path.size()) {
    size_t j = path.find(u'/', i);
    if (j == UnicodeString::npos) j = path.size();
    UnicodeString seg = path.substr(i, j - i);
    if (seg == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!seg.empty() && seg != u".") {
      parts.push_back(seg);
    }
    i = j + 1;
  }
  UnicodeString R;
  for (const auto& p : parts) R += u"/" + p;
  if (R.empty()) return u"/";
  if (trailing) R += u"/";
  return R;
}

bool FileExists(const UnicodeString& AFileName) {
  struct stat st;
  return !AFileName.empty() && ::stat(N(AFileName).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const UnicodeString& ADirectory) {
  struct stat st;
  return !ADirectory.empty() && ::stat(N(ADirectory).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TFileKind GetFileKind(const UnicodeString& AFileName) {
  struct stat st;
  if (AFileName.empty() || ::stat(N(AFileName).c_str(), &st) != 0) return fkNone;
  return S_ISREG(st.st_mode) ? fkRegular : S_ISDIR(st.st_mode) ? fkDirectory : fkOther;
}

bool CreateDir(const UnicodeString& ADir) { return !ADir.empty() && ::mkdir(N(ADir).c_str(), 0777) == 0; }

bool RemoveDir(const UnicodeString& ADir) { return !ADir.empty() && ::rmdir(N(ADir).c_str()) == 0; }

bool DeleteFile(const UnicodeString& AFileName) {
  struct stat st;
  std::string n = N(AFileName);
  if (::lstat(n.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return ::unlink(n.c_str()) == 0;
}

bool RenameFile(const UnicodeString& AOldName, const UnicodeString& ANewName) {
  struct stat st;
  std::string target = N(ANewName);
  if (::lstat(target.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(N(AOldName).c_str(), target.c_str()) == 0;
}

bool MoveFileOver(const UnicodeString& ASource, const UnicodeString& ATarget) {
  return ::rename(N(ASource).c_str(), N(ATarget).c_str()) == 0;
}

UnicodeString ResolveFileLink(const UnicodeString& AFileName) {
  struct stat st;
  std::string n = N(AFileName);
  if (::lstat(n.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return AFileName;
  char* resolved = ::realpath(n.c_str(), nullptr);
  if (!resolved) return AFileName;
  UnicodeString result = OsBackend::FromSystemName(resolved);
  std::free(resolved);
  return result;
}

bool CopyFileAccess(const UnicodeString& ASource, const UnicodeString& ATarget) {
  struct stat st;
  if (::stat(N(ASource).c_str(), &st) != 0) return false;
  return ::chmod(N(ATarget).c_str(), st.st_mode & 07777) == 0;
}

Integer FileGetAttr(const UnicodeString& AFileName) {
  struct stat st;
  if (AFileName.empty() || ::stat(N(AFileName).c_str(), &st) != 0) return faInvalid;
  Integer attr = 0;
  if (S_ISDIR(st.st_mode)) attr |= faDirectory;
  else attr |= faArchive;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attr |= faReadOnly;
  UnicodeString name = ExtractFileName(ExcludeTrailingPathDelimiter(AFileName));
  if (!name.empty() && name[0] == u'.' && name != u"." && name != u"..") attr |= faHidden;
  return attr;
}

Integer FileSetAttr(const UnicodeString& AFileName, Integer AAttr) {
  struct stat st;
  std::string n = N(AFileName);
  if (::stat(n.c_str(), &st) != 0) return errno;
  mode_t mode = st.st_mode & 07777;
  if (AAttr & faReadOnly) mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  else if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) mode |= S_IWUSR;
  if (mode == (st.st_mode & 07777)) return 0;
  return ::chmod(n.c_str(), mode) == 0 ? 0 : errno;
}

bool GetFileTimes(const UnicodeString& AFileName, TFileTimes& ATimes) {
  struct stat st;
  if (AFileName.empty() || ::stat(N(AFileName).c_str(), &st) != 0) return false;
  ATimes.LastWriteTime = ToFileTime(st.st_mtim);
  ATimes.LastAccessTime = ToFileTime(st.st_atim);
  ATimes.CreationTime = ToFileTime(st.st_ctim);
  return true;
}

bool SetFileCreationTime(const UnicodeString&, Int64) { return false; }

bool SetFileLastWriteTime(const UnicodeString& AFileName, Int64 ATime) {
  return SetOneTime(AFileName, ATime, 1);
}

bool SetFileLastAccessTime(const UnicodeString& AFileName, Int64 ATime) {
  return SetOneTime(AFileName, ATime, 0);
}

Int64 CurrentFileTime() {
  struct timespec T;
  ::clock_gettime(CLOCK_REALTIME, &T);
  return ToFileTime(T);
}

namespace OsBackend {

bool ListFolderMatching(const UnicodeString& AFolder, const std::function<bool(const UnicodeString&)>& AWantFile,
                        bool AFolders, std::vector<TDirEntry>& AEntries) {
  std::string folder = N(AFolder);
  DIR* d = ::opendir(folder.c_str());
  if (!d) return false;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  while (struct dirent* e = ::readdir(d)) {
    const char* name = e->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
    // The directory entry's type spares a status call for plain files and folders; only
    // links, and file systems that do not report the type, need one.
    unsigned char type = e->d_type;
    if (type != DT_DIR && type != DT_REG && type != DT_LNK && type != DT_UNKNOWN) continue;
    if (type == DT_DIR && !AFolders) continue;
    TDirEntry entry;
    entry.Name = FromSystemName(name, std::strlen(name));
    // A folder is never a file to match, and whatever is not a folder must match the mask.
    const bool wanted = AWantFile(entry.Name);
    if (type == DT_REG && !wanted) continue;
    if (type == DT_LNK && !wanted) continue;
    if (type == DT_UNKNOWN) {
      if (!wanted && !AFolders) continue;
      struct stat st;
      if (::lstat((folder + name).c_str(), &st) != 0) continue;
      type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
      if (type == DT_UNKNOWN) continue;  // devices, pipes and sockets are no files to work on
      if (type == DT_DIR ? !AFolders : !wanted) continue;
    }
    if (type == DT_DIR) {
      entry.IsDirectory = true;
    } else if (type == DT_LNK) {
      // A link to a file is a file; a link to a folder is neither listed nor followed, which
      // keeps recursion free of cycles, and a link to a FIFO, device or socket counts as what
      // it names.
      struct stat target;
      if (::stat((folder + name).c_str(), &target) != 0 || !S_ISREG(target.st_mode)) continue;
    }
    AEntries.push_back(std::move(entry));
  }
  ::closedir(d);
  std::sort(AEntries.begin(), AEntries.end(),
            [](const TDirEntry& A, const TDirEntry& B) { return NameLess(A.Name, B.Name); });
  return true;
}

bool GetFolderStamp(const UnicodeString& AFolder, TFolderStamp& AStamp) {
  struct stat st;
  if (AFolder.empty() || ::stat(N(AFolder).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  AStamp = StampOf(st);
  return true;
}

bool ListFolderStamped(const UnicodeString& AFolder, std::vector<TKindEntry>& AEntries, TFolderStamp& AStamp) {
  std::string folder = N(AFolder);
  int fd;
  do fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  // A change while the entries are read sets a later change time than this one.
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return false;
  }
  AStamp = StampOf(st);
  DIR* d = ::fdopendir(fd);
  if (!d) {
    ::close(fd);
    return false;
  }
  if (!folder.empty() && folder.back() != '/') folder += '/';
  while (struct dirent* e = ::readdir(d)) {
    const char* name = e->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
    unsigned char type = e->d_type;
    if (type == DT_UNKNOWN) {
      struct stat entry;
      if (::lstat((folder + name).c_str(), &entry) != 0) continue;
      type = S_ISDIR(entry.st_mode) ? DT_DIR : S_ISLNK(entry.st_mode) ? DT_LNK : S_ISREG(entry.st_mode) ? DT_REG : DT_UNKNOWN;
    }
    if (type != DT_DIR && type != DT_REG && type != DT_LNK) continue;
    const TEntryKind kind = type == DT_DIR ? TEntryKind::Folder : type == DT_LNK ? TEntryKind::Link : TEntryKind::File;
    AEntries.push_back({FromSystemName(name, std::strlen(name)), kind});
  }
  ::closedir(d);
  std::sort(AEntries.begin(), AEntries.end(),
            [](const TKindEntry& A, const TKindEntry& B) { return NameLess(A.Name, B.Name); });
  return true;
}

bool TrustsChangeTimes(const UnicodeString& AFolder) {
  // Network and user-space file systems may answer a status call from a cache while a fresh
  // listing sees more, so they are not among these.
#ifdef __linux__
  struct statfs fs;
  if (::statfs(N(AFolder).c_str(), &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53UL:      // ext2, ext3, ext4
    case 0x58465342UL:  // XFS
    case 0x9123683EUL:  // Btrfs
    case 0x01021994UL:  // tmpfs
      return true;
    default:
      return false;
  }
#else
  (void)AFolder;
  return false;
#endif
}

bool LinkNamesFile(const UnicodeString& APath) {
  struct stat target;
  return ::stat(N(APath).c_str(), &target) == 0 && S_ISREG(target.st_mode);
}

bool ListFolder(const UnicodeString& AFolder, std::vector<TDirEntry>& AEntries) {
  return ListFolderMatching(AFolder, [](const UnicodeString&) { return true; }, true, AEntries);
}

bool IsInvalidPathChar(char16_t) { return false; }

UnicodeString ModuleFileName() {
  std::vector<char> buf(PATH_MAX + 1);
  ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return UnicodeString();
  return FromSystemName(std::string(buf.data(), static_cast<size_t>(n)));
}

}  // namespace OsBackend

}  // namespace Vorlane
