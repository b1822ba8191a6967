// The streams between a file and the XML parser or writer: the encoding-converting stream,
// the 64 KiB buffered streams, the push-back reader, the string builder, and the scanning
// routines that recognise markup.
#pragma once

#include <functional>

#include "platform/Classes.h"
#include "platform/Types.h"
#include "xml/XmlTypes.h"

namespace Vorlane {

// ---------------------------------------------------------------------------------------------
// Encoding detection

struct TvxEncodingSignature {
  Byte Pattern[4];
  Integer Length;
  TStringEncodingType Encoding;
  bool HasBOM;
};

// Searched in this order; only the first Length pattern bytes count.
inline constexpr TvxEncodingSignature vxEncodingSignatures[15] = {
    {{0x00, 0x00, 0xFE, 0xFF}, 4, seUCS4BE, true},
    {{0xFF, 0xFE, 0x00, 0x00}, 4, seUCS4LE, true},
    {{0x00, 0x00, 0xFF, 0xFE}, 4, seUCS4_2143, true},
    {{0xFE, 0xFF, 0x00, 0x00}, 4, seUCS4_3412, true},
    {{0xFE, 0xFF, 0x00, 0x00}, 2, seUTF16BE, true},
    {{0xFF, 0xFE, 0x00, 0x00}, 2, seUTF16LE, true},
    {{0xEF, 0xBB, 0xBF, 0x00}, 3, seUTF8, true},
    {{0x00, 0x00, 0x00, 0x3C}, 4, seUCS4BE, false},
    {{0x3C, 0x00, 0x00, 0x00}, 4, seUCS4LE, false},
    {{0x00, 0x00, 0x3C, 0x00}, 4, seUCS4_2143, false},
    {{0x00, 0x3C, 0x00, 0x00}, 4, seUCS4_3412, false},
    {{0x00, 0x3C, 0x00, 0x3F}, 4, seUTF16BE, false},
    {{0x3C, 0x00, 0x3F, 0x00}, 4, seUTF16LE, false},
    {{0x3C, 0x3F, 0x78, 0x6D}, 4, seAnsi, false},
    {{0x4C, 0x6F, 0xA7, 0x94}, 4, seEBCDIC, false},
};

class TvxBufferedReadStream;

// Notification with the sending object.
using TvxNotifyEvent = std::function<void(void* Sender)>;

// ---------------------------------------------------------------------------------------------
// Encoding-converting stream. Reading detects the encoding from the first bytes, skips the
// byte-order mark and hands out UTF-8 one byte at a time (0 marks the end). Writing emits the
// chosen encoding's byte-order mark and converts the UTF-8 it is given. One object serves one
// direction; the wrapped stream is not owned.

class TvxCodecStream : public TStream {
 public:
  explicit TvxCodecStream(TStream* AStream);
  ~TvxCodecStream() override;

  // Count must be 1: stores one UTF-8 byte and returns 1, or returns 0 at the end.
  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;

  virtual Byte ReadByte();
  virtual void StorePrevPositions();

  // Read(&B, 1) == 1 without the virtual call while the current character has bytes left or
  // the next one is ASCII within the buffered block; other cases go through Read.
  inline bool ReadOne(Byte& B);
  // The bytes that follow, for scanning in place: points P at them and returns how many may
  // be looked at, 0 when the shortcut does not apply. Only the leading bytes from 1 to 0x7F
  // are characters of their own; the caller stops at the first other byte (a 0 it may pass
  // only when it would go on reading after the end that 0 reads as).
  inline Integer AsciiWindow(const Byte*& P) const;
  // Consumes the first Count (1 or more) bytes of the window, each ASCII, leaving the state
  // Count calls of ReadOne would leave (a 0 among them is consumed as ReadOne consumes it,
  // though ReadOne would report it as the end: only a caller that goes on after that may
  // pass one).
  inline void SkipAscii(Integer Count);
  virtual void WriteByte(Byte B);
  virtual void WriteBuf(const void* Buffer, Integer Offset, Integer Count);

  TStringEncodingType Encoding() const { return FEncoding; }
  // Whether reading or writing has begun (the encoding is then fixed for reading).
  bool Started() const { return FMode != umUnknown; }
  void SetEncoding(TStringEncodingType Value) { FEncoding = Value; }
  bool WarningUnicodeLoss() const { return FWarningUnicodeLoss; }
  const TvxNotifyEvent& OnUnicodeLoss() const { return FOnUnicodeLoss; }
  void SetOnUnicodeLoss(TvxNotifyEvent Value) { FOnUnicodeLoss = std::move(Value); }

 protected:
  Integer InternalRead(void* Buffer, Integer Offset, Integer Count);
  // 1 with the next byte, 0 at the end, -1 when the shortcut does not apply.
  inline Integer ReadFast(Byte& B);
  Integer InternalWrite(const void* Buffer, Integer Offset, Integer Count);
  Int64 InternalSeek(Int64 Offset, TSeekOrigin Origin);
  // Writes all Count bytes to the wrapped stream or raises sxeCannotWriteToOutputStream.
  void WriteToOutput(const void* Buffer, Integer Count);

  // The UTF-8 bytes of the character being handed out (reading) or of the sequence
  // collected so far (writing). A fixed array: no character needs more than four bytes,
  // and the hot read path must not allocate.
  char FBuffer[8] = {};
  Integer FBufferLen = 0;
  Integer FBufferPos = 1;  // 1-based index of the next byte to hand out
  TStringEncodingType FEncoding = seAnsi;
  TvxStreamModeType FMode = umUnknown;
  Int64 FPosMin1 = 0;
  Int64 FPosMin2 = 0;
  TStream* FStream = nullptr;
  bool FSwapByteOrder = false;
  bool FWarningUnicodeLoss = false;
  bool FWriteBom = false;
  TvxNotifyEvent FOnUnicodeLoss;
  // The wrapped stream when it is our buffered read stream: byte reads then skip two
  // virtual calls per character.
  TvxBufferedReadStream* FBuffered = nullptr;
  // Set once reading has begun on a plain TvxUtf8Stream over FBuffered: only then may ReadOne
  // bypass ReadByte, since a further subclass could decode differently.
  bool FFastRead = false;

 private:
  void DetectEncoding();
  void StartWriting();
};

class TvxUtf8Stream : public TvxCodecStream {
 public:
  using TvxCodecStream::TvxCodecStream;
  Byte ReadByte() override;
  void WriteByte(Byte B) override;
  void WriteBuf(const void* Buffer, Integer Offset, Integer Count) override;

 private:
  // Reads one byte of the wrapped stream; false at its end.
  bool ReadSourceByte(Byte& B);
  void DecodeNextChar();
  void DecodeUtf8Char();
  void DecodeUtf16Char();
  void EncodeCollected();
};

// ---------------------------------------------------------------------------------------------
// Buffered streams: the codec's byte-at-a-time access turned into 64 KiB blocks.

inline constexpr Integer cvxBufferSize = 65536;

class TvxBufferedReadStream : public TStream {
 public:
  explicit TvxBufferedReadStream(TStream* AStream, bool Owned = false);
  ~TvxBufferedReadStream() override;
  TvxBufferedReadStream(const TvxBufferedReadStream&) = delete;
  TvxBufferedReadStream& operator=(const TvxBufferedReadStream&) = delete;

  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;

  // The one-byte read without the virtual call, for the codec stream on top.
  bool ReadOne(Byte& B) {
    if (!FMustCheck && FBufPos < FBufSize - 1) {
      B = FBuffer[FBufPos++];
      ++FPosition;
      return true;
    }
    return Read(&B, 1) == 1;
  }
  // Takes the next byte only when it is ASCII and ReadOne would take it without a call;
  // otherwise leaves everything as it was and returns false.
  bool ReadOneAscii(Byte& B) {
    if (FMustCheck || FBufPos >= FBufSize - 1 || FBuffer[FBufPos] >= 0x80) return false;
    B = FBuffer[FBufPos++];
    ++FPosition;
    return true;
  }
  Int64 CurrentPosition() const { return FPosition; }
  // The bytes ReadOne would hand out without a call; the last one of a block is left out,
  // as ReadOne leaves it to Read, which moves on to the next block.
  Integer FastWindow(const Byte*& P) const {
    if (FMustCheck || FBufPos >= FBufSize - 1) return 0;
    P = FBuffer + FBufPos;
    return FBufSize - 1 - FBufPos;
  }
  // Count may not exceed what FastWindow returned.
  void FastSkip(Integer Count) {
    FBufPos += Count;
    FPosition += Count;
  }

 private:
  void CheckPosition();

  TStream* FStream;
  Byte* FBuffer;
  Int64 FPage = -1;
  Integer FBufPos = 0;
  Integer FBufSize = 0;
  Int64 FPosition = 0;
  bool FOwned;
  bool FMustCheck = true;
};

inline Integer TvxCodecStream::ReadFast(Byte& B) {
  if (!FFastRead) return -1;
  // The character being handed out: a 0 byte in it reads as the end, as in ReadByte.
  if (FBufferPos <= FBufferLen) {
    B = static_cast<Byte>(FBuffer[FBufferPos++ - 1]);
    return B != 0 ? 1 : 0;
  }
  // An ASCII character is its own single byte in both single-byte and UTF-8 input.
  if (FEncoding == seUTF8 || FEncoding == seAnsi) {
    const Int64 Pos = FBuffered->CurrentPosition();
    if (FBuffered->ReadOneAscii(B)) {
      FPosMin2 = FPosMin1;
      FPosMin1 = Pos;
      FBuffer[0] = static_cast<char>(B);
      FBufferLen = 1;
      FBufferPos = 2;
      return B != 0 ? 1 : 0;
    }
  }
  return -1;
}

inline Integer TvxCodecStream::AsciiWindow(const Byte*& P) const {
  if (!FFastRead || FBufferPos <= FBufferLen || (FEncoding != seUTF8 && FEncoding != seAnsi))
    return 0;
  return FBuffered->FastWindow(P);
}

inline void TvxCodecStream::SkipAscii(Integer Count) {
  const Byte* P = nullptr;
  FBuffered->FastWindow(P);
  const Int64 Last = FBuffered->CurrentPosition() + Count - 1;
  FPosMin2 = Count >= 2 ? Last - 1 : FPosMin1;
  FPosMin1 = Last;
  FBuffer[0] = static_cast<char>(P[Count - 1]);
  FBufferLen = 1;
  FBufferPos = 2;
  FBuffered->FastSkip(Count);
}

inline bool TvxCodecStream::ReadOne(Byte& B) {
  const Integer Got = ReadFast(B);
  if (Got >= 0) return Got == 1;
  // Without the shortcut the stream may be any subclass, so its own Read decides.
  Byte Slow;
  if ((FFastRead ? InternalRead(&Slow, 0, 1) : Read(&Slow, 1)) != 1) return false;
  B = Slow;
  return true;
}

class TvxBufferedWriteStream : public TStream {
 public:
  explicit TvxBufferedWriteStream(TStream* AStream, bool Owned = false);
  // Flushes; a failure to flush here is swallowed (destructors must not throw), so callers
  // that need to know call Flush first.
  ~TvxBufferedWriteStream() override;
  TvxBufferedWriteStream(const TvxBufferedWriteStream&) = delete;
  TvxBufferedWriteStream& operator=(const TvxBufferedWriteStream&) = delete;

  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  // Hands the waiting bytes to the wrapped stream; raises EStreamError when it takes fewer.
  void Flush();

 private:
  TStream* FStream;
  Byte* FBuffer;
  Integer FBufPos = 0;
  Int64 FPosition = 0;
  bool FOwned;
};

// ---------------------------------------------------------------------------------------------
// A reader that can take back bytes it read too far.

class TvxSurplusReader {
 public:
  explicit TvxSurplusReader(TStream* AStream)
      : FStream(AStream), FCodec(dynamic_cast<TvxCodecStream*>(AStream)) {}
  bool ReadChar(char& Ch) {
    if (FSurplus.empty()) {
      if (FCodec) {
        Byte B;
        if (!FCodec->ReadOne(B)) return false;
        Ch = static_cast<char>(B);
        return true;
      }
      return FStream->Read(&Ch, 1) == 1;
    }
    return ReadSurplusChar(Ch);
  }
  bool ReadCharSkipBlanks(char& Ch);
  // The codec's window of ASCII bytes (see TvxCodecStream::AsciiWindow) while no byte was
  // pushed back; 0 otherwise.
  Integer AsciiWindow(const Byte*& P) const {
    return FSurplus.empty() && FCodec ? FCodec->AsciiWindow(P) : 0;
  }
  void SkipAscii(Integer Count) { FCodec->SkipAscii(Count); }
  const UTF8String& Surplus() const { return FSurplus; }
  void SetSurplus(const UTF8String& Value) { FSurplus = Value; }
  // Makes Ch the next byte to read, before any surplus already waiting.
  void PushBack(char Ch) { FSurplus.insert(FSurplus.begin(), Ch); }

 private:
  bool ReadSurplusChar(char& Ch);
  TStream* FStream;
  // The codec behind FStream, when it is one: its byte reads then skip the virtual call.
  TvxCodecStream* FCodec;
  UTF8String FSurplus;
};

// A growable byte buffer that doubles its size.

class TvxStringBuilder {
 public:
  TvxStringBuilder();
  void AddChar(char Ch) {
    if (static_cast<size_t>(FCurrentIdx) >= FData.size()) Reserve(FCurrentIdx + 1);
    FData[static_cast<size_t>(FCurrentIdx++)] = Ch;
  }
  void AddString(const UTF8String& S);
  void Clear() { FCurrentIdx = 0; }
  UTF8String Value() const;
  UTF8String StringCopy(Integer AFirst, Integer ALength) const;
  // 1-based; no range check.
  char Data(Integer Index) const { return FData[static_cast<size_t>(Index - 1)]; }
  Integer Length() const { return FCurrentIdx; }

 private:
  void Reserve(Integer ANeeded);
  UTF8String FData;
  Integer FCurrentIdx = 0;
};

// ---------------------------------------------------------------------------------------------
// Markup openings. Searched from the last row up; the longest opening the input completes wins.

struct TvxTagEntry {
  const char* Start;
  const char* Close;
  TXmlElementType Style;
};

inline constexpr TvxTagEntry vxTagTable[12] = {
    {"<![CDATA[", "]]>", xeCData},
    {"<!DOCTYPE", ">", xeDoctype},
    {"<!ELEMENT", ">", xeElement},
    {"<!ATTLIST", ">", xeAttList},
    {"<!ENTITY", ">", xeEntity},
    {"<!NOTATION", ">", xeNotation},
    {"<?xml-stylesheet", "?>", xeStylesheet},
    {"<?xml", "?>", xeDeclaration},
    {"<!--", "-->", xeComment},
    {"<!", ">", xeExclam},
    {"<?", "?>", xeQuestion},
    {"<", ">", xeNormal},
};

// Called just after the "<" of a markup item: returns the vxTagTable row of the item and
// pushes back what was read beyond its opening.
Integer vxReadTagStart(TvxSurplusReader* SR);
// Reads up to and including AClose; Value becomes the text before it. False (Value untouched)
// at the end of the input or for an empty AClose.
bool vxReadUntilClose(TvxSurplusReader* SR, const UTF8String& AClose, UTF8String& Value,
                      bool SkipQuotes);
// Reads bytes of S up to the first ATerminator outside quotes.
bool vxReadUntilUnquoted(TStream* S, char ATerminator, UTF8String& Value);

}  // namespace Vorlane
