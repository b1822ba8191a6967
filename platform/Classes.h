// Streams with the runtime's semantics: an abstract stream, a memory stream and a file stream.
#pragma once

#include <memory>

#include "platform/SysUtils.h"

namespace Vorlane {

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
 public:
  virtual ~TStream();
  // Reads at most Count bytes, returns how many were read (0 at the end).
  virtual Integer Read(void* Buffer, Integer Count) = 0;
  // Writes at most Count bytes, returns how many were taken.
  virtual Integer Write(const void* Buffer, Integer Count) = 0;
  // Moves the position and returns the new one. Position and size go through it.
  virtual Int64 Seek(Int64 Offset, TSeekOrigin Origin) = 0;

  Int64 Position() { return Seek(0, soCurrent); }
  void SetPosition(Int64 APos) { Seek(APos, soBeginning); }
  virtual Int64 Size();
  virtual void SetSize(Int64 ANewSize);

  // Whole reads and writes: a shortfall raises EReadError "Stream read error" or
  // EWriteError "Stream write error", followed by the system's reason when there is one
  // ("Stream write error. No space left on device").
  void ReadBuffer(void* Buffer, Integer Count);
  void WriteBuffer(const void* Buffer, Integer Count);
  // WriteBuffer for a block that may exceed what one Integer count holds.
  void WriteBuffer64(const void* Buffer, Int64 Count);
  // Copies Count bytes from ASource (all of it from its start when Count is 0).
  Int64 CopyFrom(TStream* ASource, Int64 Count);

 protected:
  // The system's error code of the last failed Read or Write, 0 when none is known.
  virtual int LastSystemError() const { return 0; }
};

class TCustomMemoryStream : public TStream {
 public:
  Integer Read(void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  void* Memory() const { return FMemory; }
  void SaveToStream(TStream* AStream);
  void SaveToFile(const UnicodeString& AFileName);

 protected:
  void SetPointer(void* APtr, Int64 ASize);
  void* FMemory = nullptr;
  Int64 FSize = 0;
  Int64 FPosition = 0;
};

class TMemoryStream : public TCustomMemoryStream {
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;

  Integer Write(const void* Buffer, Integer Count) override;
  void SetSize(Int64 ANewSize) override;
  void Clear();
  void LoadFromStream(TStream* AStream);
  void LoadFromFile(const UnicodeString& AFileName);

 private:
  void SetCapacity(Int64 ANewCapacity);
  Int64 FCapacity = 0;
};

// A memory stream over UTF-8 / raw bytes held in a string.
class TBytesStream : public TMemoryStream {
 public:
  explicit TBytesStream(const std::string& AData = std::string());
  std::string DataString();
};

// Memory straight from the system for an allocator of its own (the document model's node
// pool): ASize bytes, a multiple of the page size; blocks of 4 MiB and more are backed by huge
// pages where the system offers them. nullptr when there is no memory. Any page-aligned part
// of a block can be given back on its own; on Windows its address range stays reserved.
void* AllocateSystemMemory(size_t ASize);
void ReleaseSystemMemory(void* AStart, size_t ASize);

// How much memory that one document freed the process keeps for the next: up to this many
// bytes of the node pool's emptied chunks, one file buffer of up to this size, and, where the
// C runtime heap can be told (glibc), up to this much free space at the heap's top. Memory
// the system hands out afresh costs a page fault for every page first touched, which on a
// virtual machine can outweigh the parse itself. The default, 4 MiB, suits a process that
// stays while idle (the add-in lives as long as the IDE); the console program, which works
// through its files and ends, keeps up to cBatchSpareMemory. A lower limit applies to memory
// freed from then on.
constexpr size_t cDefaultSpareMemory = size_t{4} << 20;
constexpr size_t cBatchSpareMemory = size_t{64} << 20;
void SetSpareMemoryLimit(size_t ABytes);
size_t SpareMemoryLimit();

// One large, short-lived buffer (a whole file held for parsing) taken from the system instead
// of the heap. Freed, a heap block of that size would stay with the process or change how the
// heap serves the next large requests (glibc then keeps blocks of up to that size in the heap,
// where a growing memory stream leaves each outgrown copy behind); a system block is returned
// in full, or kept for the next buffer when it is within the spare memory limit and larger
// than the one block already kept. Small buffers, which change nothing there, come from the
// heap.
// The content is undefined until written.
class TSystemBuffer {
 public:
  // Raises EOutOfMemory when the system has no block of that size.
  explicit TSystemBuffer(size_t ASize);
  ~TSystemBuffer();
  TSystemBuffer(const TSystemBuffer&) = delete;
  TSystemBuffer& operator=(const TSystemBuffer&) = delete;
  char* Data() const { return FData; }
  size_t Size() const { return FSize; }

 private:
  char* FData = nullptr;
  size_t FSize = 0;
  size_t FBlockSize = 0;  // of a system block, which may be a kept one larger than FSize
};

// File open modes and share modes of the runtime. Share modes are honoured on Windows;
// POSIX has no mandatory sharing, so they are accepted and ignored there.
enum : Word {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  // With fmCreate: fail when the name exists (also as a symbolic link) instead of truncating.
  fmExclusive = 0x0004,
  fmCreate = 0xFF00,
};

class THandleStream : public TStream {
 public:
  explicit THandleStream(intptr_t AHandle) : FHandle(AHandle) {}
  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  void SetSize(Int64 ANewSize) override;
  intptr_t Handle() const { return FHandle; }

 protected:
  int LastSystemError() const override { return FLastError; }
  intptr_t FHandle;
  int FLastError = 0;
};

class TFileStream : public THandleStream {
 public:
  // Raises EFCreateError "Cannot create file "%s". %s" or EFOpenError
  // "Cannot open file "%s". %s" with the system's reason. Opening never waits (a FIFO without
  // a writer, a device); on POSIX an existing file is opened only when it is a regular file
  // (also behind a symbolic link), while fmCreate also takes a device such as /dev/stderr.
  TFileStream(const UnicodeString& AFileName, Word AMode);
  // ARights are the POSIX permission bits of a file that fmCreate makes (less the umask);
  // Windows ignores them.
  TFileStream(const UnicodeString& AFileName, Word AMode, Cardinal ARights);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  const UnicodeString& FileName() const { return FFileName; }
  // Pushes written data to the disk (used before a file is moved into place). Raises
  // EWriteError with the system's reason when the data could not be stored.
  void FlushToDisk();

  // A regular file opened for reading only keeps its position itself and takes its size from
  // one status call, so that asking for either costs no system call (a project is read
  // through layers that ask often). Reads through Handle() are not seen by it.
  Integer Read(void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  Int64 Size() override;

 private:
  UnicodeString FFileName;
  // The position while the stream keeps it, else -1.
  Int64 FKnownPosition = -1;
};

}  // namespace Vorlane
