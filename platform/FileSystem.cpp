// The system-independent half of the file-system routines: path texts, masks, enumeration
// order and whole-file text.
#include "platform/FileSystem.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/Classes.h"
#include "platform/OsBackend.h"

namespace Vorlane {

bool IsPathDelimiter(char16_t C) {
#ifdef _WIN32
  return C == u'\\' || C == u'/';
#else
  return C == u'/';
#endif
}

UnicodeString ConvertToPlatformDelimiters(const UnicodeString& APath) {
  UnicodeString R = APath;
  for (auto& c : R)
    if (c == ForeignPathDelim) c = PathDelim;
  return R;
}

namespace {

// Index just after the last delimiter or drive colon (0 when there is none).
size_t NameStart(const UnicodeString& S) {
  for (size_t i = S.size(); i > 0; --i) {
    char16_t c = S[i - 1];
    if (IsPathDelimiter(c) || (DriveDelim != 0 && c == DriveDelim)) return i;
  }
  return 0;
}

char16_t FoldChar(char16_t c) {
  if (c >= u'a' && c <= u'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  return c;
}

// '*' any run, '?' one character; classic two-pointer backtracking, linear in practice.
bool WildMatch(const UnicodeString& N, const UnicodeString& M) {
  size_t n = 0, m = 0, starM = UnicodeString::npos, starN = 0;
  while (n < N.size()) {
    if (m < M.size() && (M[m] == u'?' || (M[m] != u'*' && FoldChar(M[m]) == FoldChar(N[n])))) {
      ++n;
      ++m;
    } else if (m < M.size() && M[m] == u'*') {
      starM = m++;
      starN = n;
    } else if (starM != UnicodeString::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < M.size() && M[m] == u'*') ++m;
  return m == M.size();
}

}  // namespace

UnicodeString IncludeTrailingPathDelimiter(const UnicodeString& APath) {
  if (!APath.empty() && IsPathDelimiter(APath.back())) return APath;
  return APath + PathDelim;
}

UnicodeString ExcludeTrailingPathDelimiter(const UnicodeString& APath) {
  UnicodeString R = APath;
  if (!R.empty() && IsPathDelimiter(R.back())) R.pop_back();
  return R;
}

UnicodeString ExtractFilePath(const UnicodeString& AFileName) {
  return AFileName.substr(0, NameStart(AFileName));
}

UnicodeString ExtractFileDir(const UnicodeString& AFileName) {
  size_t i = NameStart(AFileName);
  // Keep the delimiter of a root ("/" or "C:\") and of a bare drive ("C:").
  if (i > 0 && IsPathDelimiter(AFileName[i - 1]) && i > 1 &&
      !IsPathDelimiter(AFileName[i - 2]) && !(DriveDelim != 0 && AFileName[i - 2] == DriveDelim))
    --i;
  return AFileName.substr(0, i);
}

UnicodeString ExtractFileName(const UnicodeString& AFileName) {
  return AFileName.substr(NameStart(AFileName));
}

UnicodeString ExtractFileExt(const UnicodeString& AFileName) {
  size_t start = NameStart(AFileName);
  size_t dot = AFileName.rfind(u'.');
  if (dot == UnicodeString::npos || dot < start) return UnicodeString();
  return AFileName.substr(dot);
}

UnicodeString ChangeFileExt(const UnicodeString& AFileName, const UnicodeString& AExtension) {
  size_t start = NameStart(AFileName);
  size_t dot = AFileName.rfind(u'.');
  if (dot == UnicodeString::npos || dot < start) return AFileName + AExtension;
  return AFileName.substr(0, dot) + AExtension;
}

UnicodeString GetFullPath(const UnicodeString& APath) {
  if (Trim(APath).empty()) throw EArgumentException("The path is empty");
  for (char16_t c : APath)
    if (c == 0 || OsBackend::IsInvalidPathChar(c)) throw EArgumentException("Invalid characters in path");
#ifdef _WIN32
  // Wildcards name no single folder on Windows (on POSIX they are ordinary characters).
  if (APath.find_first_of(u"*?") != UnicodeString::npos) throw EArgumentException("Invalid characters in path");
#endif
  return ExpandFileName(APath);
}

bool ForceDirectories(const UnicodeString& ADir) {
  if (ADir.empty()) return false;
  UnicodeString dir = ExcludeTrailingPathDelimiter(ExpandFileName(ADir));
  if (dir.empty() || DirectoryExists(dir)) return true;
  UnicodeString parent = ExtractFileDir(dir);
  // A root that does not exist (a missing drive) ends the climb.
  if (parent == dir || parent.empty()) return false;
  if (!ForceDirectories(parent)) return false;
  return CreateDir(dir) || DirectoryExists(dir);
}

bool MatchesMask(const UnicodeString& AName, const UnicodeString& AMask) {
  if (WildMatch(AName, AMask)) return true;
  // Windows lets "name.*" (and so "*.*") match names without any dot.
  if (AMask.size() >= 2 && AMask.compare(AMask.size() - 2, 2, u".*") == 0 &&
      AName.find(u'.') == UnicodeString::npos)
    return WildMatch(AName, AMask.substr(0, AMask.size() - 2));
  return false;
}

#ifdef _WIN32
// The Windows listing reports each entry's kind with its name, so filtering afterwards costs
// nothing extra there.
bool OsBackend::ListFolderMatching(const UnicodeString& AFolder,
                                   const std::function<bool(const UnicodeString&)>& AWantFile, bool AFolders,
                                   std::vector<TDirEntry>& AEntries) {
  std::vector<TDirEntry> all;
  if (!ListFolder(AFolder, all)) return false;
  for (auto& e : all)
    if (e.IsDirectory ? AFolders : AWantFile(e.Name)) AEntries.push_back(std::move(e));
  return true;
}
#endif

namespace {

// One mask tested against a whole folder. Without wildcards every mask character stands for
// exactly one name character, so names of another length (most of a folder) are out at once.
class TMaskTest {
 public:
  explicit TMaskTest(const UnicodeString& AMask)
      : FMask(AMask), FPlain(AMask.find_first_of(u"*?") == UnicodeString::npos) {}
  bool operator()(const UnicodeString& AName) const {
    return (!FPlain || AName.size() == FMask.size()) && MatchesMask(AName, FMask);
  }

 private:
  const UnicodeString& FMask;
  bool FPlain;
};

[[noreturn]] void PathNotFound() { throw EDirectoryNotFoundException("The specified path was not found"); }

void CollectFiles(const UnicodeString& AFolder, const UnicodeString& AMask, bool ARecursive,
                  TStringDynArray& AResult, bool ATop) {
  std::vector<OsBackend::TDirEntry> entries;
  const TMaskTest Matches(AMask);
  if (!OsBackend::ListFolderMatching(AFolder, Matches, ARecursive, entries)) {
    if (ATop) PathNotFound();
    return;  // a sub-folder that vanished or cannot be read adds nothing
  }
  UnicodeString base = IncludeTrailingPathDelimiter(AFolder);
  for (const auto& e : entries) {
    if (e.IsDirectory) {
      if (ARecursive) CollectFiles(base + e.Name, AMask, true, AResult, false);
    } else {
      AResult.push_back(base + e.Name);
    }
  }
}

void CheckSearchMask(const UnicodeString& AMask) {
  for (char16_t c : AMask)
    if (c == 0 || IsPathDelimiter(c) || OsBackend::IsInvalidPathChar(c))
      throw EArgumentException("Invalid characters in search pattern");
}

}  // namespace

TStringDynArray TDirectory::GetFiles(const UnicodeString& APath, const UnicodeString& AMask,
                                     TSearchOption AOption) {
  CheckSearchMask(AMask);
  if (APath.empty() || !DirectoryExists(APath)) PathNotFound();
  TStringDynArray R;
  CollectFiles(APath, AMask,
               AOption == soAllDirectories, R, true);
  return R;
}

TStringDynArray TDirectory::GetDirectories(const UnicodeString& APath) {
  std::vector<OsBackend::TDirEntry> entries;
  if (APath.empty() || !OsBackend::ListFolder(APath, entries)) PathNotFound();
  TStringDynArray R;
  UnicodeString base = IncludeTrailingPathDelimiter(APath);
  for (const auto& e : entries)
    if (e.IsDirectory) R.push_back(base + e.Name);
  return R;
}

// ---------------------------------------------------------------------------------------------
// Kept listings

#ifdef _WIN32
struct TFolderListingCache::TState {};

TFolderListingCache::TFolderListingCache(size_t) {}

TStringDynArray TFolderListingCache::GetFiles(const UnicodeString& APath, const UnicodeString& AMask,
                                              TSearchOption AOption) {
  return TDirectory::GetFiles(APath, AMask, AOption);
}
#else
struct TFolderListingCache::TState {
  using TEntries = std::vector<OsBackend::TKindEntry>;
  struct TListing {
    OsBackend::TFolderStamp Stamp;
    TEntries Entries;
  };
  // Keyed by the folder's name as given: a folder is only ever looked up again by the same
  // name, and the elements stay in place while others come and go.
  std::unordered_map<UnicodeString, TListing> Listings;
  // Per device: whether its file system sets change times that prove a listing current.
  std::unordered_map<uint64_t, bool> Trusted;
  size_t EntriesLeft = 0;
  // Set once a listing did not fit: no further listings are read for keeping.
  bool Full = false;
  Int64 SettleTime = 0;

  // A folder changed within the settle time may change again within the same tick of the
  // clock its file system stamps with, without a new stamp; once it has stayed unchanged for
  // longer, any change gets a later stamp. A stamp with no fraction of a second may come from
  // a file system that keeps whole seconds only: two seconds more for those.
  bool Settled(const OsBackend::TFolderStamp& AStamp) const {
    const Int64 Settle = AStamp.ChangeNsec != 0 ? SettleTime : SettleTime + 2000;
    const Int64 Now = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
    const Int64 Changed = AStamp.ChangeSec * 1000 + AStamp.ChangeNsec / 1000000;
    return Changed + Settle < Now;
  }

  // The kept listing of AFolder, read now when it may be kept (or a fresh listing in AScratch
  // that cannot be kept); nullptr when the folder is listed the ordinary way this time
  // (changed too recently, on a file system whose change times prove nothing, or no room).
  const TEntries* Kept(const UnicodeString& AFolder, const OsBackend::TFolderStamp& AStamp, TEntries& AScratch) {
    auto Found = Listings.find(AFolder);
    if (Found != Listings.end()) {
      if (Found->second.Stamp == AStamp) return &Found->second.Entries;
      EntriesLeft += Found->second.Entries.size();
      Listings.erase(Found);
    }
    auto Fs = Trusted.find(AStamp.Device);
    if (Fs == Trusted.end()) Fs = Trusted.emplace(AStamp.Device, OsBackend::TrustsChangeTimes(AFolder)).first;
    if (Full || !Fs->second || !Settled(AStamp)) return nullptr;
    TListing Fresh;
    if (!OsBackend::ListFolderStamped(AFolder, Fresh.Entries, Fresh.Stamp)) return nullptr;
    // Kept only when the folder read is the one stamped before (nothing changed in between)
    // and there is room; otherwise it serves as an ordinary listing, this once.
    if (!(Fresh.Stamp == AStamp) || Fresh.Entries.size() > EntriesLeft) {
      Full = Full || Fresh.Entries.size() > EntriesLeft;
      AScratch = std::move(Fresh.Entries);
      return &AScratch;
    }
    EntriesLeft -= Fresh.Entries.size();
    return &Listings.emplace(AFolder, std::move(Fresh)).first->second.Entries;
  }

  // CollectFiles over kept listings. The recursion only looks up names below AFolder, so the
  // listing walked here stays where it is meanwhile.
  void Collect(const UnicodeString& AFolder, const UnicodeString& AMask, bool ARecursive, TStringDynArray& AResult,
               bool ATop) {
    OsBackend::TFolderStamp Stamp;
    if (!OsBackend::GetFolderStamp(AFolder, Stamp)) {
      if (ATop) PathNotFound();
      return;
    }
    const UnicodeString Base = IncludeTrailingPathDelimiter(AFolder);
    const TMaskTest Matches(AMask);
    TEntries Scratch;
    if (const TEntries* Entries = Kept(AFolder, Stamp, Scratch)) {
      for (const auto& E : *Entries) {
        if (E.Kind == OsBackend::TEntryKind::Folder) {
          if (ARecursive) Collect(Base + E.Name, AMask, true, AResult, false);
        } else if (Matches(E.Name)) {
          UnicodeString Name = Base + E.Name;
          // Where a link leads may change without any change to the folder.
          if (E.Kind == OsBackend::TEntryKind::File || OsBackend::LinkNamesFile(Name)) AResult.push_back(std::move(Name));
        }
      }
      return;
    }
    std::vector<OsBackend::TDirEntry> Entries;
    if (!OsBackend::ListFolderMatching(AFolder, Matches, ARecursive, Entries)) {
      if (ATop) PathNotFound();
      return;
    }
    for (const auto& E : Entries) {
      if (!E.IsDirectory)
        AResult.push_back(Base + E.Name);
      else if (ARecursive)
        Collect(Base + E.Name, AMask, true, AResult, false);
    }
  }
};

TFolderListingCache::TFolderListingCache(size_t AEntryLimit) : FState(std::make_unique<TState>()) {
  FState->EntriesLeft = AEntryLimit;
}

TStringDynArray TFolderListingCache::GetFiles(const UnicodeString& APath, const UnicodeString& AMask,
                                              TSearchOption AOption) {
  CheckSearchMask(AMask);
  // The folder's status call decides both whether it is a folder and whether a kept listing
  // is still its listing.
  if (APath.empty()) PathNotFound();
  FState->SettleTime = FSettleTime;
  TStringDynArray R;
  FState->Collect(APath, AMask, AOption == soAllDirectories, R, true);
  return R;
}
#endif

TFolderListingCache::~TFolderListingCache() = default;

// ---------------------------------------------------------------------------------------------
// In-place rewrite

void (*OnOverwriteStep)(TOverwriteStep AStep) = nullptr;

namespace {

void Reached(TOverwriteStep AStep) {
  if (OnOverwriteStep != nullptr) OnOverwriteStep(AStep);
}

// A name of fixed length in ANear's folder: it does not grow with ANear's name.
UnicodeString TemporaryNameFor(const UnicodeString& ANear) {
  static unsigned Counter = 0;
  const std::uint64_t Seed = static_cast<std::uint64_t>(CurrentFileTime()) ^ (static_cast<std::uint64_t>(++Counter) << 48);
  UnicodeString Hex;
  for (int Shift = 60; Shift >= 0; Shift -= 4) Hex += u"0123456789abcdef"[(Seed >> Shift) & 0xF];
  return ExtractFilePath(ANear) + u"~vl" + Hex + u".tmp";
}

// Whether the two files hold the same bytes; false when either cannot be read.
bool SameContent(const UnicodeString& AFileName1, const UnicodeString& AFileName2) {
  try {
    TFileStream F1(AFileName1, fmOpenRead | fmShareDenyNone), F2(AFileName2, fmOpenRead | fmShareDenyNone);
    if (F1.Size() != F2.Size()) return false;
    std::vector<char> B1(65536), B2(B1.size());
    for (;;) {
      const Integer N = F1.Read(B1.data(), static_cast<Integer>(B1.size()));
      if (N <= 0) return N == 0 && F2.Read(B2.data(), 1) == 0;
      F2.ReadBuffer(B2.data(), N);
      if (std::memcmp(B1.data(), B2.data(), static_cast<size_t>(N)) != 0) return false;
    }
  } catch (const Exception&) {
    return false;
  }
}

// Copies AFileName into a new temporary file beside ANear and flushes it: the backup before
// it has its name. The copy is still listed as pending (an interrupt removes it).
UnicodeString CopyToTemporary(const UnicodeString& AFileName, const UnicodeString& ANear, int& APending) {
  UnicodeString Name;
  std::unique_ptr<TFileStream> Copy = CreateTemporaryFile(ANear, Name, APending);
  try {
    TFileStream Old(AFileName, fmOpenRead | fmShareDenyWrite);
    if (const Int64 Size = Old.Size(); Size > 0) Copy->CopyFrom(&Old, Size);
    Copy->FlushToDisk();
  } catch (...) {
    Copy.reset();
    TInterruptHold Hold;
    DeleteFile(Name);
    RemovePendingFile(APending);
    throw;
  }
  return Name;
}

}  // namespace

std::unique_ptr<TFileStream> CreateTemporaryFile(const UnicodeString& ANear, UnicodeString& AName, int& APending) {
  for (;;) {
    AName = TemporaryNameFor(ANear);
    TInterruptHold Hold;
    std::unique_ptr<TFileStream> Result;
    try {
      Result = std::make_unique<TFileStream>(AName, fmCreate | fmExclusive, 0600);
    } catch (const EFCreateError&) {
      if (FileExists(AName) || DirectoryExists(AName)) continue;  // the name is taken
      throw;
    }
    APending = AddPendingFile(AName);
    return Result;
  }
}

void OverwriteFileContent(const UnicodeString& AFileName, TStream& ASource, const UnicodeString& ABackupName) {
  int Pending = -1;
  const UnicodeString CopyName = CopyToTemporary(AFileName, ABackupName, Pending);
  Reached(owBackupCopied);
  // From here until the backup is gone again an interrupt would leave the file half written
  // or the backup behind for nothing: it waits.
  TInterruptHold Hold;
  if (!RenameFile(CopyName, ABackupName)) {
    const int Err = errno;
    DeleteFile(CopyName);
    RemovePendingFile(Pending);
    throw EFCreateError(Format(u"Cannot create file \"%s\". %s", {ABackupName, UTF8ToUnicode(std::strerror(Err))}));
  }
  RemovePendingFile(Pending);
  try {
    // The name must be on the disk before the first byte of the file changes.
    if (!FlushFolderToDisk(ExtractFileDir(ABackupName)))
      throw EWriteError(u"Stream write error. " + UTF8ToUnicode(std::strerror(errno)));
    Reached(owBackupNamed);
    TFileStream Stream(AFileName, fmOpenReadWrite | fmShareDenyWrite);
    const Int64 OldSize = Stream.Size();
    const Int64 Count = ASource.Size();
    if (const int Err = OsBackend::ReserveFileSpace(Stream.Handle(), Count)) {
      // A failed reservation may have grown the file; its content is still the old one.
      if (Stream.Size() != OldSize) Stream.SetSize(OldSize);
      throw EWriteError(u"Stream write error. " + UTF8ToUnicode(std::strerror(Err)));
    }
    Stream.SetPosition(0);
    ASource.SetPosition(0);
    const Int64 Half = Count / 2;
    if (Half > 0) Stream.CopyFrom(&ASource, Half);
    Reached(owHalfWritten);
    if (Count > Half) Stream.CopyFrom(&ASource, Count - Half);
    Reached(owWritten);
    Stream.SetSize(Count);
    Reached(owCut);
    Stream.FlushToDisk();
  } catch (Exception& E) {
    // The backup may go only while the file still holds exactly the old content.
    if (SameContent(AFileName, ABackupName)) DeleteFile(ABackupName);
    else E.SetMessage(E.Message() + Format(u" The old content is kept in \"%s\".", {ABackupName}));
    throw;
  } catch (...) {
    if (SameContent(AFileName, ABackupName)) DeleteFile(ABackupName);
    throw;
  }
  // Should the backup resist deletion, it stays, and the next save of the file says so.
  DeleteFile(ABackupName);
}

// ---------------------------------------------------------------------------------------------
// Whole-file text

TBytes TFile::ReadAllBytes(const UnicodeString& AFileName) {
  TFileStream Stream(AFileName, fmOpenRead | fmShareDenyWrite);
  TBytes R(static_cast<size_t>(Stream.Size()));
  if (!R.empty()) Stream.ReadBuffer(R.data(), static_cast<Integer>(R.size()));
  return R;
}

void TFile::WriteAllBytes(const UnicodeString& AFileName, const TBytes& ABytes) {
  TFileStream Stream(AFileName, fmCreate);
  if (!ABytes.empty()) Stream.WriteBuffer(ABytes.data(), static_cast<Integer>(ABytes.size()));
}

UnicodeString TFile::ReadAllText(const UnicodeString& AFileName, TEncoding* AEncoding) {
  TBytes bytes = ReadAllBytes(AFileName);
  TEncoding* found = nullptr;
  Integer skip = TEncoding::GetBufferEncoding(bytes, found, nullptr);
  if (skip == 0) found = AEncoding ? AEncoding : TEncoding::ANSI();
  return found->GetString(bytes.data() + skip, bytes.size() - static_cast<size_t>(skip));
}

void TFile::WriteAllText(const UnicodeString& AFileName, const UnicodeString& AContents,
                         TEncoding* AEncoding) {
  TBytes bytes;
  if (AEncoding) bytes = AEncoding->GetPreamble();
  TBytes body = (AEncoding ? AEncoding : TEncoding::UTF8NoBOM())->GetBytes(AContents);
  bytes.insert(bytes.end(), body.begin(), body.end());
  WriteAllBytes(AFileName, bytes);
}

}  // namespace Vorlane
