#include "projfile/ProjFileIO.h"

#include <cstdint>
#include <memory>

#include "platform/Classes.h"

namespace Vorlane {

namespace {

[[noreturn]] void RaiseCreateError(const UnicodeString& AFileName, const UnicodeString& AReason) {
  throw EFCreateError(Format(u"Cannot create file \"%s\". %s", {AFileName, AReason}));
}

// A name in AFileName's folder that no file has yet. It does not grow with AFileName: a
// project whose name is already close to the system's limit must still be saveable.
UnicodeString TemporaryNameFor(const UnicodeString& AFileName) {
  static unsigned Counter = 0;
  const UnicodeString Folder = ExtractFilePath(AFileName);
  for (;;) {
    const std::uint64_t Seed = static_cast<std::uint64_t>(CurrentFileTime()) ^ (static_cast<std::uint64_t>(++Counter) << 48);
    UnicodeString Hex;
    for (int Shift = 60; Shift >= 0; Shift -= 4) Hex += u"0123456789abcdef"[(Seed >> Shift) & 0xF];
    const UnicodeString Name = Folder + u"~vl" + Hex + u".tmp";
    if (!FileExists(Name) && !DirectoryExists(Name)) return Name;
  }
}

}  // namespace

void (*ProjFileOnTemporaryComplete)(const UnicodeString& ATempName) = nullptr;

TProjFileStamp ProjFileGetStamp(const UnicodeString& AFileName) {
  TProjFileStamp Result;
  Result.Attributes = FileGetAttr(AFileName);
  Result.HasTimes = GetFileTimes(AFileName, Result.Times);
  return Result;
}

void ProjFileSetStamp(const UnicodeString& AFileName, const TProjFileStamp& AStamp) {
  if (AStamp.Attributes != faInvalid) FileSetAttr(AFileName, AStamp.Attributes);
  if (!AStamp.HasTimes) return;
  // A time that still reads the same is left alone: the system may keep it finer than the
  // 100-ns ticks, and setting it would cut off the rest although the file was not touched.
  TFileTimes Now;
  const bool HaveNow = GetFileTimes(AFileName, Now);
  auto Changed = [&](Int64 AOld, Int64 ANow) { return AOld != 0 && !(HaveNow && ANow == AOld); };
  // POSIX keeps no settable creation time; the other two are what users see there.
  if (Changed(AStamp.Times.CreationTime, Now.CreationTime)) SetFileCreationTime(AFileName, AStamp.Times.CreationTime);
  if (Changed(AStamp.Times.LastWriteTime, Now.LastWriteTime)) SetFileLastWriteTime(AFileName, AStamp.Times.LastWriteTime);
  if (Changed(AStamp.Times.LastAccessTime, Now.LastAccessTime))
    SetFileLastAccessTime(AFileName, AStamp.Times.LastAccessTime);
}

void ProjFileReplaceContent(const UnicodeString& AFileName, const void* AData, Int64 ACount) {
  // Replacing a symbolic link would cut it loose from the file it names: write through it.
  const UnicodeString Target = ResolveFileLink(AFileName);

  const bool Exists = FileExists(Target);
  const Integer OldAttributes = Exists ? FileGetAttr(Target) : faInvalid;
  if (Exists && OldAttributes != faInvalid && (OldAttributes & faReadOnly) != 0)
    RaiseCreateError(AFileName, u"The file is read-only");
  // A new file under the name would split the file from its other names: rewrite it where it
  // is. The content is complete in memory, so the rewrite is one pass over the file.
  if (Exists && FileLinkCount(Target) > 1) {
    OverwriteFileContent(Target, AData, ACount);
    return;
  }

  const UnicodeString TempName = TemporaryNameFor(Target);
  // Created exclusively (never through a name someone placed there) and readable by the owner
  // only until it is complete; listed at once, so an interrupt removes it.
  std::unique_ptr<TFileStream> Stream;
  int Pending;
  {
    TInterruptHold Hold;
    Stream = std::make_unique<TFileStream>(TempName, fmCreate | fmExclusive, 0600);
    Pending = AddPendingFile(TempName);
  }
  const auto Discard = [&] {
    Stream.reset();
    TInterruptHold Hold;
    DeleteFile(TempName);
    RemovePendingFile(Pending);
  };
  // The new file takes the old one's place, so it takes its owner and group as well; where
  // the system does not permit that, the old file is rewritten in place instead.
  bool OwnerKept = true;
  try {
    OwnerKept = !Exists || CopyFileOwner(Target, TempName);
    if (OwnerKept) {
      const char* Bytes = static_cast<const char*>(AData);
      for (Int64 Left = ACount; Left > 0;) {
        const Integer Chunk = Left > 0x40000000 ? 0x40000000 : static_cast<Integer>(Left);
        Stream->WriteBuffer(Bytes, Chunk);
        Bytes += Chunk;
        Left -= Chunk;
      }
      Stream->FlushToDisk();
      Stream.reset();
      if (ProjFileOnTemporaryComplete != nullptr) ProjFileOnTemporaryComplete(TempName);
      if (Exists) {
        CopyFileAccess(Target, TempName);
        if (OldAttributes != faInvalid) FileSetAttr(TempName, OldAttributes & ~faDirectory);
      } else {
        SetDefaultFileAccess(TempName);
      }
      TInterruptHold Hold;
      if (!MoveFileOver(TempName, Target)) RaiseCreateError(AFileName, u"The new content could not be moved into place");
      RemovePendingFile(Pending);
    }
  } catch (...) {
    Discard();
    throw;
  }
  if (!OwnerKept) {
    Discard();
    OverwriteFileContent(Target, AData, ACount);
  }
}

}  // namespace Vorlane
