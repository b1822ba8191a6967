#include "projfile/ProjFileIO.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "platform/Classes.h"

namespace Vorlane {

namespace {

// Block size of the comparison with the old file and of copies between files.
constexpr Integer cBlock = 65536;

[[noreturn]] void RaiseCreateError(const UnicodeString& AFileName, const UnicodeString& AReason) {
  throw EFCreateError(Format(u"Cannot create file \"%s\". %s", {AFileName, AReason}));
}

// Where the new content of one file goes until it replaces the file: a temporary file in the
// same folder, moved over the old file once complete. A file with more than one name, or
// whose owner cannot be given to a new file, is rewritten in place from the complete
// temporary file instead, with a backup of the old content beside it for the time of the
// rewrite. Anything left unfinished is removed when the object goes.
class TReplacement {
 public:
  explicit TReplacement(const UnicodeString& AFileName);
  ~TReplacement() { Discard(); }
  TReplacement(const TReplacement&) = delete;
  TReplacement& operator=(const TReplacement&) = delete;

  TStream& Content() { return *FTemp; }
  // Empties the content, to write it again from the start.
  void StartOver() {
    FTemp->SetSize(0);
    FTemp->SetPosition(0);
  }
  // Puts the content in the file's place.
  void Commit();

 private:
  void Discard();

  UnicodeString FFileName;
  UnicodeString FTarget;
  bool FExists = false;
  bool FInPlace = false;
  UnicodeString FTempName;
  std::unique_ptr<TFileStream> FTemp;
  int FPending = -1;
  bool FTempLives = false;
};

TReplacement::TReplacement(const UnicodeString& AFileName) : FFileName(AFileName) {
  // Replacing a symbolic link would cut it loose from the file it names: write through it.
  FTarget = ResolveFileLink(AFileName);
  const Integer OldAttributes = FileGetAttr(FTarget);
  FExists = OldAttributes != faInvalid && (OldAttributes & faDirectory) == 0;
  if (FExists && (OldAttributes & faReadOnly) != 0) RaiseCreateError(AFileName, u"The file is read-only");
  // A folder that takes no new file takes no backup either, so the in-place rewrite needs
  // the temporary file as much as the replacing move does.
  FTemp = CreateTemporaryFile(FTarget, FTempName, FPending);
  FTempLives = true;
  // A new file under the name would split the file from its other names; and the new file
  // takes the old one's place, so it takes its owner and group as well. Where either cannot
  // be, the old file is rewritten where it is.
  FInPlace = FExists && (FileLinkCount(FTarget) > 1 || !CopyFileOwner(FTarget, FTempName));
}

void TReplacement::Commit() {
  if (FInPlace) {
    OverwriteFileContent(FTarget, *FTemp, ProjFileBackupName(FTarget));
    Discard();
    return;
  }
  FTemp->FlushToDisk();
  FTemp.reset();
  if (ProjFileOnTemporaryComplete != nullptr) ProjFileOnTemporaryComplete(FTempName);
  // The attributes come with the access rights (the mode bits on POSIX). Where they cannot be
  // read, the file stays private to its owner.
  if (FExists) CopyFileAccess(FTarget, FTempName);
  else SetDefaultFileAccess(FTempName);
  TInterruptHold Hold;
  if (!MoveFileOver(FTempName, FTarget)) RaiseCreateError(FFileName, u"The new content could not be moved into place");
  FTempLives = false;
  RemovePendingFile(FPending);
}

void TReplacement::Discard() {
  FTemp.reset();
  if (!FTempLives) return;
  TInterruptHold Hold;
  DeleteFile(FTempName);
  RemovePendingFile(FPending);
  FTempLives = false;
}

// A checksum of a byte sequence that does not depend on how the sequence is cut into pieces.
// Each 32-byte stripe enters four lanes through steps that are one-to-one in the lane, so a
// difference in a single word always shows; more differences cancel out only by chance.
class TRunningSum {
 public:
  void Add(const void* AData, size_t ACount) {
    const unsigned char* P = static_cast<const unsigned char*>(AData);
    FTotal += ACount;
    if (FTailLen > 0) {
      const size_t Take = std::min(ACount, sizeof FTail - FTailLen);
      std::memcpy(FTail + FTailLen, P, Take);
      FTailLen += Take;
      P += Take;
      ACount -= Take;
      if (FTailLen < sizeof FTail) return;
      Stripe(FTail);
      FTailLen = 0;
    }
    for (; ACount >= sizeof FTail; P += sizeof FTail, ACount -= sizeof FTail) Stripe(P);
    std::memcpy(FTail, P, ACount);
    FTailLen = ACount;
  }

  std::uint64_t Value() const {
    std::uint64_t H = FTotal * cK1;
    for (std::uint64_t Lane : FLane) H = Mix(H ^ Lane);
    for (size_t I = 0; I < FTailLen; ++I) H = Mix(H ^ FTail[I]);
    return H;
  }

 private:
  static constexpr std::uint64_t cK1 = 0x9E3779B185EBCA87ULL;
  static constexpr std::uint64_t cK2 = 0xC2B2AE3D27D4EB4FULL;
  static std::uint64_t Mix(std::uint64_t AValue) {
    const std::uint64_t R = AValue * cK1;
    return ((R << 31) | (R >> 33)) * cK2;
  }
  void Stripe(const unsigned char* AStripe) {
    for (int I = 0; I < 4; ++I) {
      std::uint64_t Word;
      std::memcpy(&Word, AStripe + 8 * I, sizeof Word);
      FLane[I] = Mix(FLane[I] ^ Word);
    }
  }

  std::uint64_t FLane[4] = {cK1, cK2, cK1 ^ cK2, 0};
  unsigned char FTail[32];
  size_t FTailLen = 0;
  std::uint64_t FTotal = 0;
};

// Thrown through the rendering when the old file changed under the comparison: the save then
// renders again, into an emptied new file.
struct EStartOver {};

// The stream a save renders into. A rendering of up to cHold bytes is kept until it is
// complete, so that the old file's size can rule out a match before any of it is read. A longer
// one is compared with the old file as it comes: while they agree the sink only compares; at
// the first difference it opens the replacement, copies the agreeing part from the old file
// (checked against what was rendered) and from then on writes through.
class TSaveSink : public TStream {
 public:
  TSaveSink(const UnicodeString& AFileName, std::unique_ptr<TFileStream> AOld)
      : FFileName(AFileName), FOld(std::move(AOld)), FHolding(FOld != nullptr) {
    if (!FOld) FReplacement = std::make_unique<TReplacement>(FFileName);
  }

  Integer Read(void*, Integer) override { throw EReadError(u"Stream read error"); }
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override {
    const Int64 Position = FPosition + static_cast<Int64>(FHeld.size());
    if (Offset == 0 && Origin != soBeginning) return Position;
    if (Origin == soBeginning && Offset == Position) return Position;
    throw EStreamError(u"Stream seek error");
  }

  Integer Write(const void* Buffer, Integer Count) override {
    if (Count <= 0) return 0;
    const char* Data = static_cast<const char*>(Buffer);
    if (FHolding) {
      const size_t Want = FHeld.size() + static_cast<size_t>(Count);
      if (Want <= cHold) {
        // Grown by hand, as the library's doubling could overshoot the limit.
        if (Want > FHeld.capacity()) FHeld.reserve(std::min(cHold, std::max(Want, 2 * FHeld.capacity())));
        FHeld.append(Data, static_cast<size_t>(Count));
        return Count;
      }
      FHolding = false;
      FBlock.reset(new char[cBlock]);
      const std::string Held = std::exchange(FHeld, std::string());
      Pass(Held.data(), static_cast<Integer>(Held.size()));
    }
    Pass(Data, Count);
    return Count;
  }

  // After a StartOver the rendering goes to the replacement from its first byte.
  void StartOver() {
    FReplacement->StartOver();
    FPosition = 0;
  }

  // Completes the save once the rendering is done; false when the old file already held it.
  bool Finish() {
    if (FHolding) {
      if (HeldMatchesOld()) return false;
      FReplacement = std::make_unique<TReplacement>(FFileName);
      FReplacement->Content().WriteBuffer(FHeld.data(), static_cast<Integer>(FHeld.size()));
    } else if (!FReplacement) {
      if (FBlockPos < FBlockLen || FOld->Read(FBlock.get(), 1) > 0) Diverge();
      else return false;
    }
    FOld.reset();
    FReplacement->Commit();
    return true;
  }

 private:
  // Renderings up to this size are checked against the old file's size before it is read;
  // enough for nearly every real project, small beside what a larger one's document takes.
  static constexpr size_t cHold = 256 * 1024;

  // Whether the old file holds exactly the complete held rendering; read only when the sizes
  // agree.
  bool HeldMatchesOld() {
    if (FOld->Size() != static_cast<Int64>(FHeld.size())) return false;
    FBlock.reset(new char[cBlock]);
    return Agrees(FHeld.data(), static_cast<Integer>(FHeld.size())) && FBlockPos == FBlockLen &&
           FOld->Read(FBlock.get(), 1) <= 0;
  }

  // Hands on ACount rendered bytes past the held part: compared while they agree, written from
  // the first difference on.
  void Pass(const char* AData, Integer ACount) {
    if (ACount <= 0) return;
    if (!FReplacement) {
      if (Agrees(AData, ACount)) {
        FSum.Add(AData, static_cast<size_t>(ACount));
        FPosition += ACount;
        return;
      }
      Diverge();
    }
    FReplacement->Content().WriteBuffer(AData, ACount);
    FPosition += ACount;
  }

  // Whether the old file continues with the ACount bytes at AData.
  bool Agrees(const char* AData, Integer ACount) {
    while (ACount > 0) {
      if (FBlockPos == FBlockLen) {
        FBlockLen = FOld->Read(FBlock.get(), cBlock);
        FBlockPos = 0;
        if (FBlockLen <= 0) {
          FBlockLen = 0;
          return false;
        }
      }
      const Integer Step = std::min(ACount, FBlockLen - FBlockPos);
      if (std::memcmp(FBlock.get() + FBlockPos, AData, static_cast<size_t>(Step)) != 0) return false;
      FBlockPos += Step;
      AData += Step;
      ACount -= Step;
    }
    return true;
  }

  // Switches from comparing to writing: the replacement starts with the old file's first
  // FPosition bytes, which agreed with the rendering. Someone may have changed them since; the
  // checksum shows that, and the save then starts over rather than mix two contents.
  void Diverge() {
    if (ProjFileOnFirstDifference != nullptr) ProjFileOnFirstDifference(FFileName);
    FReplacement = std::make_unique<TReplacement>(FFileName);
    TStream& Content = FReplacement->Content();
    TRunningSum Copied;
    if (FPosition > 0) FOld->SetPosition(0);
    for (Int64 Left = FPosition; Left > 0;) {
      const Integer Got = FOld->Read(FBlock.get(), static_cast<Integer>(std::min<Int64>(cBlock, Left)));
      if (Got <= 0) break;  // the file shrank meanwhile; the checksums differ
      Copied.Add(FBlock.get(), static_cast<size_t>(Got));
      Content.WriteBuffer(FBlock.get(), Got);
      Left -= Got;
    }
    FOld.reset();
    FBlock.reset();
    if (Copied.Value() != FSum.Value()) throw EStartOver();
  }

  UnicodeString FFileName;
  std::unique_ptr<TFileStream> FOld;
  bool FHolding;
  std::string FHeld;
  std::unique_ptr<char[]> FBlock;
  Integer FBlockPos = 0;
  Integer FBlockLen = 0;
  TRunningSum FSum;
  Int64 FPosition = 0;
  std::unique_ptr<TReplacement> FReplacement;
};

}  // namespace

void (*ProjFileOnFirstDifference)(const UnicodeString& AFileName) = nullptr;
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

UnicodeString ProjFileBackupName(const UnicodeString& AFileName) {
  return ResolveFileLink(AFileName) + u".vorlane-backup";
}

void ProjFileCheckNoBackup(const UnicodeString& AFileName) {
  const UnicodeString Backup = ProjFileBackupName(AFileName);
  if (FileExists(Backup) || DirectoryExists(Backup))
    throw EInOutError(Format(u"\"%s\" is left alone: \"%s\" holds its content from before an interrupted save. "
                             u"Put the right content in the file, then delete the backup.",
                             {AFileName, Backup}));
}

void ProjFileReplaceContent(const UnicodeString& AFileName, const void* AData, Int64 ACount) {
  ProjFileCheckNoBackup(AFileName);
  TReplacement Replacement(AFileName);
  Replacement.Content().WriteBuffer64(AData, ACount);
  Replacement.Commit();
}

bool ProjFileSaveContent(const UnicodeString& AFileName, const std::function<void(TStream&)>& ARender) {
  ProjFileCheckNoBackup(AFileName);
  std::unique_ptr<TFileStream> Old;
  if (FileExists(AFileName)) Old = std::make_unique<TFileStream>(AFileName, fmOpenRead | fmShareDenyWrite);
  TSaveSink Sink(AFileName, std::move(Old));
  try {
    ARender(Sink);
  } catch (const EStartOver&) {
    Sink.StartOver();
    ARender(Sink);
  }
  return Sink.Finish();
}

}  // namespace Vorlane
