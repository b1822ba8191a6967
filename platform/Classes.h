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
  // EWriteError "Stream write error".
  void ReadBuffer(void* Buffer, Integer Count);
  void WriteBuffer(const void* Buffer, Integer Count);
  // Copies Count bytes from ASource (all of it from its start when Count is 0).
  Int64 CopyFrom(TStream* ASource, Int64 Count);
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
  intptr_t FHandle;
};

class TFileStream : public THandleStream {
 public:
  // Raises EFCreateError "Cannot create file "%s". %s" or EFOpenError
  // "Cannot open file "%s". %s" with the system's reason.
  TFileStream(const UnicodeString& AFileName, Word AMode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  const UnicodeString& FileName() const { return FFileName; }
  // Pushes written data to the disk (used before a file is moved into place).
  void FlushToDisk();

 private:
  UnicodeString FFileName;
};

}  // namespace Vorlane
