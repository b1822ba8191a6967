#include "platform/Classes.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <unistd.h>
#endif

#include "platform/OsBackend.h"

namespace Vorlane {

namespace {

UnicodeString SysErrorMessage(int AErr) { return UTF8ToUnicode(std::strerror(AErr)); }

// The runtime's message, with the system's reason when the stream knows one.
UnicodeString StreamErrorText(const char16_t* AMessage, int AErr) {
  return AErr == 0 ? UnicodeString(AMessage) : UnicodeString(AMessage) + u". " + SysErrorMessage(AErr);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TStream

TStream::~TStream() = default;

Int64 TStream::Size() {
  Int64 pos = Seek(0, soCurrent);
  Int64 size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(Int64) {}

void TStream::ReadBuffer(void* Buffer, Integer Count) {
  Integer done = 0;
  while (done < Count) {
    Integer n = Read(static_cast<char*>(Buffer) + done, Count - done);
    if (n <= 0) throw EReadError(StreamErrorText(u"Stream read error", LastSystemError()));
    done += n;
  }
}

void TStream::WriteBuffer(const void* Buffer, Integer Count) {
  Integer done = 0;
  while (done < Count) {
    Integer n = Write(static_cast<const char*>(Buffer) + done, Count - done);
    if (n <= 0) throw EWriteError(StreamErrorText(u"Stream write error", LastSystemError()));
    done += n;
  }
}

void TStream::WriteBuffer64(const void* Buffer, Int64 Count) {
  const char* Bytes = static_cast<const char*>(Buffer);
  for (Int64 Left = Count; Left > 0;) {
    const Integer Chunk = Left > 0x40000000 ? 0x40000000 : static_cast<Integer>(Left);
    WriteBuffer(Bytes, Chunk);
    Bytes += Chunk;
    Left -= Chunk;
  }
}

Int64 TStream::CopyFrom(TStream* ASource, Int64 Count) {
  if (Count == 0) {
    ASource->SetPosition(0);
    Count = ASource->Size();
  }
  Int64 result = Count;
  std::vector<char> buf(static_cast<size_t>(std::min<Int64>(Count, 1 << 20)) + 1);
  while (Count > 0) {
    Integer n = static_cast<Integer>(std::min<Int64>(Count, static_cast<Int64>(buf.size())));
    ASource->ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    Count -= n;
  }
  return result;
}

// ---------------------------------------------------------------------------------------------
// Memory streams

void TCustomMemoryStream::SetPointer(void* APtr, Int64 ASize) {
  FMemory = APtr;
  FSize = ASize;
}

Integer TCustomMemoryStream::Read(void* Buffer, Integer Count) {
  if (FPosition >= 0 && Count > 0) {
    Int64 n = FSize - FPosition;
    if (n > 0) {
      if (n > Count) n = Count;
      std::memcpy(Buffer, static_cast<char*>(FMemory) + FPosition, static_cast<size_t>(n));
      FPosition += n;
      return static_cast<Integer>(n);
    }
  }
  return 0;
}

Int64 TCustomMemoryStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soBeginning: FPosition = Offset; break;
    case soCurrent: FPosition += Offset; break;
    case soEnd: FPosition = FSize + Offset; break;
  }
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* AStream) {
  if (FSize != 0) AStream->WriteBuffer(FMemory, static_cast<Integer>(FSize));
}

void TCustomMemoryStream::SaveToFile(const UnicodeString& AFileName) {
  TFileStream f(AFileName, fmCreate);
  SaveToStream(&f);
}

TMemoryStream::~TMemoryStream() { std::free(FMemory); }

void TMemoryStream::SetCapacity(Int64 ANewCapacity) {
  if (ANewCapacity == FCapacity) return;
  if (ANewCapacity == 0) {
    std::free(FMemory);
    FMemory = nullptr;
  } else {
    void* p = std::realloc(FMemory, static_cast<size_t>(ANewCapacity));
    if (!p) throw EStreamError("Out of memory while expanding memory stream");
    FMemory = p;
  }
  FCapacity = ANewCapacity;
}

void TMemoryStream::SetSize(Int64 ANewSize) {
  Int64 oldPos = FPosition;
  if (ANewSize > FCapacity) SetCapacity(std::max(ANewSize, FCapacity + FCapacity / 2));
  FSize = ANewSize;
  if (oldPos > ANewSize) FPosition = ANewSize;
}

Integer TMemoryStream::Write(const void* Buffer, Integer Count) {
  if (FPosition < 0 || Count <= 0) return 0;
  Int64 end = FPosition + Count;
  if (end > FSize) {
    if (end > FCapacity) SetCapacity(std::max<Int64>(end, std::max<Int64>(256, FCapacity * 2)));
    // A write after a seek past the end leaves no undefined bytes in the gap.
    if (FPosition > FSize)
      std::memset(static_cast<char*>(FMemory) + FSize, 0, static_cast<size_t>(FPosition - FSize));
    FSize = end;
  }
  std::memcpy(static_cast<char*>(FMemory) + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = end;
  return Count;
}

void TMemoryStream::Clear() {
  SetCapacity(0);
  FSize = 0;
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* AStream) {
  AStream->SetPosition(0);
  Int64 count = AStream->Size();
  SetSize(count);
  if (count != 0) AStream->ReadBuffer(FMemory, static_cast<Integer>(count));
  FPosition = 0;
}

void TMemoryStream::LoadFromFile(const UnicodeString& AFileName) {
  TFileStream f(AFileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f);
}

TBytesStream::TBytesStream(const std::string& AData) {
  if (!AData.empty()) {
    SetSize(static_cast<Int64>(AData.size()));
    std::memcpy(FMemory, AData.data(), AData.size());
  }
  FPosition = 0;
}

std::string TBytesStream::DataString() {
  return std::string(static_cast<const char*>(FMemory), static_cast<size_t>(FSize));
}

// ---------------------------------------------------------------------------------------------
// System memory and TSystemBuffer

void* AllocateSystemMemory(size_t ASize) { return OsBackend::AllocateBlock(ASize); }

void ReleaseSystemMemory(void* AStart, size_t ASize) { OsBackend::ReleaseBlockPart(AStart, ASize); }

namespace {
std::atomic<size_t> gSpareMemoryLimit{cDefaultSpareMemory};

// Below this a block comes from the heap: the heap serves it from its own space without
// changing how it serves later requests, and two system calls per small file are saved.
constexpr size_t cSystemBlockMinimum = 128 * 1024;

// The one system block kept for the next buffer, under a lock held for a few instructions
// once per file read (a spin lock: MinGW's win32 thread model has no std::mutex).
std::atomic_flag gSpareBlockBusy = ATOMIC_FLAG_INIT;
char* gSpareBlock = nullptr;
size_t gSpareBlockSize = 0;

class TSpareBlockLock {
 public:
  TSpareBlockLock() {
    while (gSpareBlockBusy.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~TSpareBlockLock() { gSpareBlockBusy.clear(std::memory_order_release); }
  TSpareBlockLock(const TSpareBlockLock&) = delete;
  TSpareBlockLock& operator=(const TSpareBlockLock&) = delete;
};

// The kept block goes back with the code that keeps it: when a plug-in holding this layer is
// unloaded, nothing would be left to use or free it. A buffer freed later (during the
// program's exit) is kept again, as before.
struct TSpareBlockEnd {
  ~TSpareBlockEnd() {
    const TSpareBlockLock Lock;
    if (gSpareBlock != nullptr) OsBackend::ReleaseBlock(std::exchange(gSpareBlock, nullptr), std::exchange(gSpareBlockSize, 0));
  }
} gSpareBlockEnd;
}  // namespace

void SetSpareMemoryLimit(size_t ABytes) {
  gSpareMemoryLimit.store(ABytes, std::memory_order_relaxed);
  OsBackend::KeepHeapTop(ABytes);
}

size_t SpareMemoryLimit() { return gSpareMemoryLimit.load(std::memory_order_relaxed); }

TSystemBuffer::TSystemBuffer(size_t ASize) : FSize(ASize) {
  if (ASize == 0) return;
  if (ASize < cSystemBlockMinimum) {
    FData = new char[ASize];
    return;
  }
  {
    const TSpareBlockLock Lock;
    if (gSpareBlock != nullptr && gSpareBlockSize >= ASize) {
      FData = std::exchange(gSpareBlock, nullptr);
      FBlockSize = std::exchange(gSpareBlockSize, 0);
      return;
    }
  }
  FData = static_cast<char*>(OsBackend::AllocateBlock(ASize, true));
  if (FData == nullptr) throw EOutOfMemory(u"Out of memory");
  FBlockSize = ASize;
}

TSystemBuffer::~TSystemBuffer() {
  if (FBlockSize == 0) {
    delete[] FData;
    return;
  }
  char* Release = FData;
  size_t ReleaseSize = FBlockSize;
  if (FBlockSize <= SpareMemoryLimit()) {
    const TSpareBlockLock Lock;
    if (FBlockSize > gSpareBlockSize) {
      std::swap(Release, gSpareBlock);
      std::swap(ReleaseSize, gSpareBlockSize);
    }
  }
  if (Release != nullptr) OsBackend::ReleaseBlock(Release, ReleaseSize);
}

// ---------------------------------------------------------------------------------------------
// Handle and file streams. The C runtime's descriptor calls serve both systems; Windows gets
// binary mode and wide file names.

Integer THandleStream::Read(void* Buffer, Integer Count) {
  FLastError = 0;
  if (Count <= 0) return 0;
#ifdef _WIN32
  int n = _read(static_cast<int>(FHandle), Buffer, static_cast<unsigned>(Count));
#else
  ssize_t n;
  do n = ::read(static_cast<int>(FHandle), Buffer, static_cast<size_t>(Count));
  while (n < 0 && errno == EINTR);
#endif
  if (n < 0) FLastError = errno;
  return n < 0 ? 0 : static_cast<Integer>(n);
}

Integer THandleStream::Write(const void* Buffer, Integer Count) {
  FLastError = 0;
  if (Count <= 0) return 0;
#ifdef _WIN32
  int n = _write(static_cast<int>(FHandle), Buffer, static_cast<unsigned>(Count));
#else
  ssize_t n;
  do n = ::write(static_cast<int>(FHandle), Buffer, static_cast<size_t>(Count));
  while (n < 0 && errno == EINTR);
#endif
  if (n < 0) FLastError = errno;
  return n < 0 ? 0 : static_cast<Integer>(n);
}

Int64 THandleStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
#ifdef _WIN32
  Int64 r = _lseeki64(static_cast<int>(FHandle), Offset, whence);
#else
  Int64 r = ::lseek(static_cast<int>(FHandle), static_cast<off_t>(Offset), whence);
#endif
  return r;
}

void THandleStream::SetSize(Int64 ANewSize) {
  Seek(ANewSize, soBeginning);
#ifdef _WIN32
  if (_chsize_s(static_cast<int>(FHandle), ANewSize) != 0)
#else
  if (::ftruncate(static_cast<int>(FHandle), static_cast<off_t>(ANewSize)) != 0)
#endif
    throw EStreamError(StreamErrorText(u"Stream write error", errno));
}

TFileStream::TFileStream(const UnicodeString& AFileName, Word AMode) : TFileStream(AFileName, AMode, 0666) {}

TFileStream::TFileStream(const UnicodeString& AFileName, Word AMode, Cardinal ARights)
    : THandleStream(-1), FFileName(AFileName) {
  int flags;
  bool create = (AMode & 0xFF00) == fmCreate;
  if (create) {
    flags = (AMode & fmExclusive) ? O_RDWR | O_CREAT | O_EXCL : O_RDWR | O_CREAT | O_TRUNC;
  } else {
    switch (AMode & 3) {
      case fmOpenWrite: flags = O_WRONLY; break;
      case fmOpenReadWrite: flags = O_RDWR; break;
      default: flags = O_RDONLY; break;
    }
  }
#ifdef _WIN32
  flags |= O_BINARY;
  int share = _SH_DENYNO;
  switch (AMode & 0xF0) {
    case fmShareExclusive: share = _SH_DENYRW; break;
    case fmShareDenyWrite: share = _SH_DENYWR; break;
    case fmShareDenyRead: share = _SH_DENYRD; break;
    default: break;
  }
  int fd = -1;
  errno_t e = _wsopen_s(&fd, reinterpret_cast<const wchar_t*>(AFileName.c_str()), flags, share,
                        _S_IREAD | _S_IWRITE);
  if (e != 0) fd = -1;
  (void)ARights;
#else
  // Never wait in open(): a FIFO without a writer would block it for good. Only a regular file
  // is opened as an existing file (a FIFO, device or socket, also behind a link, never ends or
  // never holds a project); creating may still address a device such as /dev/stderr.
  // An exclusive create makes a new regular file or fails, so it has nothing to check.
  const bool fresh = create && (AMode & fmExclusive) != 0;
  flags |= fresh ? O_CLOEXEC | O_NOCTTY : O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  int fd;
  do fd = ::open(OsBackend::ToSystemName(AFileName).c_str(), flags, static_cast<mode_t>(ARights & 07777));
  while (fd < 0 && errno == EINTR);
  if (fd >= 0 && !fresh) {
    struct stat st;
    const char16_t* refusal = nullptr;
    if (::fstat(fd, &st) != 0) refusal = u"The file cannot be examined";
    else if (!create && !S_ISREG(st.st_mode)) refusal = u"Not a regular file";
    // O_NONBLOCK is the only status flag the open set; F_SETFL ignores the access mode.
    else if (::fcntl(fd, F_SETFL, 0) != 0) refusal = u"The file cannot be set to blocking mode";
    if (refusal != nullptr) {
      ::close(fd);
      if (create) throw EFCreateError(Format(u"Cannot create file \"%s\". %s", {AFileName, UnicodeString(refusal)}));
      throw EFOpenError(Format(u"Cannot open file \"%s\". %s", {AFileName, UnicodeString(refusal)}));
    }
    // A file that is only read moves only with this stream's own calls.
    if (!create && (AMode & 3) == fmOpenRead) FKnownPosition = 0;
  }
#endif
  if (fd < 0) {
    int err = errno;
    if (create)
      throw EFCreateError(Format(u"Cannot create file \"%s\". %s", {AFileName, SysErrorMessage(err)}));
    throw EFOpenError(Format(u"Cannot open file \"%s\". %s", {AFileName, SysErrorMessage(err)}));
  }
  FHandle = fd;
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) {
#ifdef _WIN32
    _close(static_cast<int>(FHandle));
#else
    ::close(static_cast<int>(FHandle));
#endif
  }
}

Integer TFileStream::Read(void* Buffer, Integer Count) {
  const Integer n = THandleStream::Read(Buffer, Count);
  if (FKnownPosition >= 0) FKnownPosition += n;
  return n;
}

Int64 TFileStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  if (FKnownPosition >= 0 && Offset == (Origin == soCurrent ? 0 : FKnownPosition) && Origin != soEnd)
    return FKnownPosition;
  const Int64 r = THandleStream::Seek(Offset, Origin);
  if (FKnownPosition >= 0) FKnownPosition = r < 0 ? -1 : r;
  return r;
}

Int64 TFileStream::Size() {
#ifndef _WIN32
  struct stat st;
  if (FKnownPosition >= 0 && ::fstat(static_cast<int>(FHandle), &st) == 0) return static_cast<Int64>(st.st_size);
#endif
  return THandleStream::Size();
}

void TFileStream::FlushToDisk() {
#ifdef _WIN32
  _commit(static_cast<int>(FHandle));
#else
  // A late write failure (delayed allocation, a network file system) shows only here; a file
  // that cannot be synchronised at all (a pipe, a device) has nothing to lose.
  if (::fsync(static_cast<int>(FHandle)) != 0 && errno != EINVAL && errno != EROFS)
    throw EWriteError(StreamErrorText(u"Stream write error", errno));
#endif
}

}  // namespace Vorlane
