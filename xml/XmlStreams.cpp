#include "xml/XmlStreams.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <typeinfo>

#include "platform/SysUtils.h"
#include "xml/XmlResStrings.h"
#include "xml/XmlText.h"

namespace Vorlane {

namespace {

bool IsContinuation(Byte B) { return (B & 0xC0) == 0x80; }

// Length of the UTF-8 sequence a lead byte opens; a byte that cannot open one stands alone.
Integer SequenceLength(Byte B) {
  if (B < 0x80) return 1;
  if ((B & 0xE0) == 0xC0) return 2;
  if ((B & 0xF0) == 0xE0) return 3;
  if ((B & 0xF8) == 0xF0) return 4;
  return 1;
}

bool IsRefused(TStringEncodingType E) {
  return E == seUCS4BE || E == seUCS4_2143 || E == seUCS4_3412 || E == seEBCDIC;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TvxCodecStream

TvxCodecStream::TvxCodecStream(TStream* AStream) : FStream(AStream) {}

TvxCodecStream::~TvxCodecStream() = default;

Integer TvxCodecStream::Read(void* Buffer, Integer Count) {
  if (Count == 1) {
    Byte B;
    const Integer Got = ReadFast(B);
    if (Got == 1) *static_cast<Byte*>(Buffer) = B;
    if (Got >= 0) return Got;
  }
  return InternalRead(Buffer, 0, Count);
}

Integer TvxCodecStream::Write(const void* Buffer, Integer Count) {
  return InternalWrite(Buffer, 0, Count);
}

Int64 TvxCodecStream::Seek(Int64 Offset, TSeekOrigin Origin) { return InternalSeek(Offset, Origin); }

Byte TvxCodecStream::ReadByte() { return 0; }

void TvxCodecStream::StorePrevPositions() {
  FPosMin2 = FPosMin1;
  FPosMin1 = FBuffered ? FBuffered->CurrentPosition() : FStream->Position();
}

void TvxCodecStream::WriteByte(Byte) {}

void TvxCodecStream::WriteBuf(const void* Buffer, Integer Offset, Integer Count) {
  const Byte* p = static_cast<const Byte*>(Buffer) + Offset;
  for (Integer i = 0; i < Count; ++i) WriteByte(p[i]);
}

void TvxCodecStream::DetectEncoding() {
  FMode = umRead;
  if (!FStream) throw EStreamError(sxeCodecStreamNotAssigned);
  FBuffered = dynamic_cast<TvxBufferedReadStream*>(FStream);
  FFastRead = FBuffered != nullptr && typeid(*this) == typeid(TvxUtf8Stream);
  Byte head[4] = {0, 0, 0, 0};
  Integer n = 0;
  while (n < 4) {
    Integer got = FStream->Read(head + n, 4 - n);
    if (got <= 0) break;
    n += got;
  }
  FEncoding = seAnsi;
  FWriteBom = false;
  Integer length = 0;
  for (const auto& row : vxEncodingSignatures) {
    Integer cmp = std::min(n, row.Length);
    if (std::memcmp(head, row.Pattern, static_cast<size_t>(cmp)) == 0) {
      FEncoding = row.Encoding;
      FWriteBom = row.HasBOM;
      length = row.Length;
      break;
    }
  }
  if (IsRefused(FEncoding)) throw EStreamError(sxeUnsupportedEncoding);
  FStream->Seek(FWriteBom ? length - n : -n, soCurrent);
  if (FEncoding == se16BitBE || FEncoding == seUTF16BE) FSwapByteOrder = true;
}

Integer TvxCodecStream::InternalRead(void* Buffer, Integer Offset, Integer Count) {
  if (FMode == umUnknown) DetectEncoding();
  if (FMode != umRead) throw EStreamError(sxeCannotReadCodecForWriting);
  if (Count != 1) throw EStreamError(sxeCannotReadMultipeChar);
  Byte b = ReadByte();
  if (b == 0) return 0;
  static_cast<Byte*>(Buffer)[Offset] = b;
  return 1;
}

void TvxCodecStream::StartWriting() {
  FMode = umWrite;
  if (!FStream) throw EStreamError(sxeCodecStreamNotAssigned);
  if (IsRefused(FEncoding)) throw EStreamError(sxeUnsupportedEncoding);
  for (const auto& row : vxEncodingSignatures) {
    if (row.Encoding != FEncoding) continue;
    FWriteBom = row.HasBOM;
    if (FWriteBom) WriteToOutput(row.Pattern, row.Length);
    break;
  }
  if (FEncoding == se16BitBE || FEncoding == seUTF16BE) FSwapByteOrder = true;
}

Integer TvxCodecStream::InternalWrite(const void* Buffer, Integer Offset, Integer Count) {
  if (FMode == umUnknown) StartWriting();
  if (FMode != umWrite) throw EStreamError(sxeCannotWriteCodecForReading);
  WriteBuf(Buffer, Offset, Count);
  return Count;
}

Int64 TvxCodecStream::InternalSeek(Int64 Offset, TSeekOrigin Origin) {
  if (FMode == umUnknown) throw EStreamError(sxeCannotSeekBeforeReadWrite);
  if (Origin == soCurrent && Offset == 0) return FStream->Position();
  if (Origin == soCurrent && (Offset == -1 || Offset == -2) && FMode == umRead) {
    FBufferLen = 0;
    FBufferPos = 1;
    FStream->Seek(Offset == -1 ? FPosMin1 : FPosMin2, soBeginning);
    return 0;
  }
  if (Origin == soEnd && Offset == 0) return FStream->Size();
  if (Origin == soBeginning) return 0;
  throw EStreamError(sxeCannotPerformSeek);
}

void TvxCodecStream::WriteToOutput(const void* Buffer, Integer Count) {
  if (Count <= 0) return;
  if (FStream->Write(Buffer, Count) != Count) throw EStreamError(sxeCannotWriteToOutputStream);
}

// ---------------------------------------------------------------------------------------------
// TvxUtf8Stream

bool TvxUtf8Stream::ReadSourceByte(Byte& B) {
  return FBuffered ? FBuffered->ReadOne(B) : FStream->Read(&B, 1) == 1;
}

Byte TvxUtf8Stream::ReadByte() {
  if (FBufferPos > FBufferLen) DecodeNextChar();
  if (FBufferPos < 1 || FBufferPos > FBufferLen) {
    ++FBufferPos;
    return 0;
  }
  return static_cast<Byte>(FBuffer[FBufferPos++ - 1]);
}

void TvxUtf8Stream::DecodeNextChar() {
  StorePrevPositions();
  FBufferPos = 1;
  FBufferLen = 0;
  switch (FEncoding) {
    case seAnsi: {
      Byte b = 0;
      ReadSourceByte(b);
      if (b < 0x80) {
        FBuffer[0] = static_cast<char>(b);
        FBufferLen = 1;
      } else {
        UTF8String u = vxAnsiToUtf8(AnsiString(1, static_cast<char>(b)));
        FBufferLen = static_cast<Integer>(std::min<size_t>(u.size(), sizeof(FBuffer)));
        std::memcpy(FBuffer, u.data(), static_cast<size_t>(FBufferLen));
      }
      break;
    }
    case seUTF8:
      DecodeUtf8Char();
      break;
    case se16BitBE:
    case se16BitLE:
    case seUTF16BE:
    case seUTF16LE:
      DecodeUtf16Char();
      break;
    default:
      throw EStreamError(sxeUnsupportedEncoding);
  }
}

// The bytes pass through unchanged; they are only grouped into one character so that
// stepping back lands on a character start. Only continuation bytes join a sequence: a
// byte that cannot continue it is left for the next character, and a truncated sequence at
// the end of the input is handed out as far as it goes.
void TvxUtf8Stream::DecodeUtf8Char() {
  Byte b = 0;
  if (!ReadSourceByte(b)) {
    FBuffer[0] = 0;
    FBufferLen = 1;
    return;
  }
  FBuffer[0] = static_cast<char>(b);
  FBufferLen = 1;
  Integer need = SequenceLength(b);
  while (FBufferLen < need) {
    Byte c;
    if (!ReadSourceByte(c)) break;
    if (!IsContinuation(c)) {
      FStream->Seek(-1, soCurrent);
      break;
    }
    FBuffer[FBufferLen++] = static_cast<char>(c);
  }
}

// One 16-bit unit per character, low byte first unless swapped; a high surrogate followed by
// a low one is one character of four UTF-8 bytes. A lone surrogate keeps its three-byte form.
// A missing byte at the end of the input reads as 0.
void TvxUtf8Stream::DecodeUtf16Char() {
  auto readUnit = [this](Integer& got) -> uint32_t {
    Byte b[2] = {0, 0};
    got = 0;
    if (ReadSourceByte(b[0])) {
      got = 1;
      if (ReadSourceByte(b[1])) got = 2;
    }
    return FSwapByteOrder ? (static_cast<uint32_t>(b[0]) << 8) | b[1]
                          : (static_cast<uint32_t>(b[1]) << 8) | b[0];
  };
  Integer got;
  uint32_t u = readUnit(got);
  uint32_t cp = u;
  if (u >= 0xD800 && u <= 0xDBFF) {
    Integer got2;
    uint32_t lo = readUnit(got2);
    if (got2 == 2 && lo >= 0xDC00 && lo <= 0xDFFF) {
      cp = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
    } else if (got2 > 0) {
      FStream->Seek(-got2, soCurrent);
    }
  }
  Byte* o = reinterpret_cast<Byte*>(FBuffer);
  if (cp < 0x80) {
    o[0] = static_cast<Byte>(cp);
    FBufferLen = 1;
  } else if (cp < 0x800) {
    o[0] = static_cast<Byte>(0xC0 | (cp >> 6));
    o[1] = static_cast<Byte>(0x80 | (cp & 0x3F));
    FBufferLen = 2;
  } else if (cp < 0x10000) {
    o[0] = static_cast<Byte>(0xE0 | (cp >> 12));
    o[1] = static_cast<Byte>(0x80 | ((cp >> 6) & 0x3F));
    o[2] = static_cast<Byte>(0x80 | (cp & 0x3F));
    FBufferLen = 3;
  } else {
    o[0] = static_cast<Byte>(0xF0 | (cp >> 18));
    o[1] = static_cast<Byte>(0x80 | ((cp >> 12) & 0x3F));
    o[2] = static_cast<Byte>(0x80 | ((cp >> 6) & 0x3F));
    o[3] = static_cast<Byte>(0x80 | (cp & 0x3F));
    FBufferLen = 4;
  }
}

void TvxUtf8Stream::WriteBuf(const void* Buffer, Integer Offset, Integer Count) {
  const Byte* p = static_cast<const Byte*>(Buffer) + Offset;
  if (FEncoding == seUTF8) {
    WriteToOutput(p, Count);
    return;
  }
  if (FEncoding != seAnsi) {
    TvxCodecStream::WriteBuf(Buffer, Offset, Count);
    return;
  }
  // An ASCII byte ends any sequence still collecting and is written as it is, so runs of them
  // (indents above all) go out in one piece instead of byte by byte.
  Integer i = 0;
  while (i < Count) {
    if (p[i] >= 0x80) {
      WriteByte(p[i++]);
      continue;
    }
    Integer j = i;
    while (j < Count && p[j] < 0x80) ++j;
    FBufferLen = 0;
    WriteToOutput(p + i, j - i);
    i = j;
  }
}

void TvxUtf8Stream::WriteByte(Byte B) {
  switch (FEncoding) {
    case seUTF8:
      WriteToOutput(&B, 1);
      return;
    case seAnsi:
    case se16BitBE:
    case se16BitLE:
    case seUTF16BE:
    case seUTF16LE:
      break;
    default:
      throw EStreamError(sxeUnsupportedEncoding);
  }
  // A sequence cut short by a byte that cannot continue it cannot be converted: it is
  // dropped, and that byte starts afresh, so the text after a broken sequence survives.
  if (FBufferLen < 0 || FBufferLen >= 4 || (FBufferLen > 0 && !IsContinuation(B))) FBufferLen = 0;
  if (FBufferLen == 0 && IsContinuation(B)) return;  // stray continuation byte
  FBuffer[FBufferLen++] = static_cast<char>(B);
  if (FBufferLen >= SequenceLength(static_cast<Byte>(FBuffer[0]))) {
    EncodeCollected();
    FBufferLen = 0;
  }
}

void TvxUtf8Stream::EncodeCollected() {
  const Byte* s = reinterpret_cast<const Byte*>(FBuffer);
  if (FEncoding == seAnsi) {
    if (FBufferLen == 1 && s[0] < 0x80) {
      WriteToOutput(s, 1);
      return;
    }
    AnsiString a = vxUtf8ToAnsi(UTF8String(FBuffer, static_cast<size_t>(FBufferLen)));
    if (a.size() == 1) WriteToOutput(a.data(), 1);
    return;
  }
  uint32_t cp;
  switch (FBufferLen) {
    case 1:
      if (s[0] >= 0x80) return;  // a byte that opens nothing converts to nothing
      cp = s[0];
      break;
    case 2:
      cp = ((s[0] & 0x1Fu) << 6) | (s[1] & 0x3Fu);
      break;
    case 3:
      cp = ((s[0] & 0x0Fu) << 12) | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu);
      break;
    default:
      cp = ((s[0] & 0x07u) << 18) | ((s[1] & 0x3Fu) << 12) | ((s[2] & 0x3Fu) << 6) | (s[3] & 0x3Fu);
      if (cp < 0x10000 || cp > 0x10FFFF) return;
      break;
  }
  Byte out[4];
  Integer n = 0;
  auto put = [&](uint32_t unit) {
    if (FSwapByteOrder) {
      out[n++] = static_cast<Byte>(unit >> 8);
      out[n++] = static_cast<Byte>(unit & 0xFF);
    } else {
      out[n++] = static_cast<Byte>(unit & 0xFF);
      out[n++] = static_cast<Byte>(unit >> 8);
    }
  };
  if (cp >= 0x10000) {
    cp -= 0x10000;
    put(0xD800 + (cp >> 10));
    put(0xDC00 + (cp & 0x3FF));
  } else {
    put(cp);
  }
  WriteToOutput(out, n);
}

// ---------------------------------------------------------------------------------------------
// TvxBufferedReadStream

TvxBufferedReadStream::TvxBufferedReadStream(TStream* AStream, bool Owned)
    : FStream(AStream), FBuffer(new Byte[cvxBufferSize]), FOwned(Owned) {}

TvxBufferedReadStream::~TvxBufferedReadStream() {
  if (FOwned) delete FStream;
  delete[] FBuffer;
}

void TvxBufferedReadStream::CheckPosition() {
  FMustCheck = false;
  if (FPosition < 0) {
    // Nothing lies before the start: reads return 0 until a seek moves back into range.
    FPage = -1;
    FBufPos = 0;
    FBufSize = 0;
    return;
  }
  Int64 page = FPosition / cvxBufferSize;
  FBufPos = static_cast<Integer>(FPosition % cvxBufferSize);
  if (page == FPage) return;
  FPage = page;
  Int64 start = page * cvxBufferSize;
  Int64 avail = FStream->Size() - start;
  FBufSize = static_cast<Integer>(std::clamp<Int64>(avail, 0, cvxBufferSize));
  FStream->Seek(start, soBeginning);
  // Only bytes that actually arrived count, so a short read never exposes stale buffer data.
  Integer got = 0;
  while (got < FBufSize) {
    Integer n = FStream->Read(FBuffer + got, FBufSize - got);
    if (n <= 0) break;
    got += n;
  }
  FBufSize = got;
}

Integer TvxBufferedReadStream::Read(void* Buffer, Integer Count) {
  if (FMustCheck) CheckPosition();
  if (Count == 1 && FBufPos < FBufSize - 1) {
    *static_cast<Byte*>(Buffer) = FBuffer[FBufPos++];
    ++FPosition;
    return 1;
  }
  Byte* dest = static_cast<Byte*>(Buffer);
  Integer total = 0;
  while (Count > 0) {
    Integer n = std::min(FBufSize - FBufPos, Count);
    if (n <= 0) break;
    std::memcpy(dest + total, FBuffer + FBufPos, static_cast<size_t>(n));
    total += n;
    Count -= n;
    FBufPos += n;
    FPosition += n;
    if (FBufPos >= FBufSize) CheckPosition();
  }
  return total;
}

Integer TvxBufferedReadStream::Write(const void*, Integer) {
  throw EStreamError(sxeCannotWriteCodecForReading);
}

Int64 TvxBufferedReadStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soBeginning:
      // The parser steps back a character or two before every element: within the block
      // already read, that is where CheckPosition would put us anyway.
      if (!FMustCheck && FPage >= 0 && Offset >= FPage * cvxBufferSize &&
          Offset - FPage * cvxBufferSize < FBufSize) {
        FPosition = Offset;
        FBufPos = static_cast<Integer>(Offset - FPage * cvxBufferSize);
        return FPosition;
      }
      FPosition = Offset;
      break;
    case soCurrent:
      if (Offset == 0) return FPosition;
      FPosition += Offset;
      break;
    case soEnd:
      FPosition = FStream->Size() + Offset;
      break;
  }
  FMustCheck = true;
  return FPosition;
}

// ---------------------------------------------------------------------------------------------
// TvxBufferedWriteStream

TvxBufferedWriteStream::TvxBufferedWriteStream(TStream* AStream, bool Owned)
    : FStream(AStream), FBuffer(new Byte[cvxBufferSize]), FOwned(Owned) {}

TvxBufferedWriteStream::~TvxBufferedWriteStream() {
  try {
    Flush();
  } catch (...) {
  }
  if (FOwned) delete FStream;
  delete[] FBuffer;
}

Integer TvxBufferedWriteStream::Read(void*, Integer) {
  throw EStreamError(sxeCannotReadCodecForWriting);
}

Integer TvxBufferedWriteStream::Write(const void* Buffer, Integer Count) {
  if (Count <= 0) return 0;
  const Byte* src = static_cast<const Byte*>(Buffer);
  if (FBufPos + Count < cvxBufferSize) {
    std::memcpy(FBuffer + FBufPos, src, static_cast<size_t>(Count));
    FBufPos += Count;
    FPosition += Count;
    return Count;
  }
  Integer done = 0;
  while (done < Count) {
    Integer n = std::min(cvxBufferSize - FBufPos, Count - done);
    std::memcpy(FBuffer + FBufPos, src + done, static_cast<size_t>(n));
    FBufPos += n;
    FPosition += n;
    done += n;
    if (FBufPos == cvxBufferSize) Flush();
  }
  return Count;
}

void TvxBufferedWriteStream::Flush() {
  if (FBufPos <= 0) return;
  Integer pending = FBufPos;
  FBufPos = 0;
  // A wrapped stream that takes less would lose output silently.
  if (FStream->Write(FBuffer, pending) != pending) throw EStreamError(sxeCannotWriteToOutputStream);
}

Int64 TvxBufferedWriteStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  if ((Origin == soBeginning && Offset == FPosition) ||
      ((Origin == soCurrent || Origin == soEnd) && Offset == 0))
    return FPosition;
  throw EStreamError(sxeCannotPerformSeek);
}

// ---------------------------------------------------------------------------------------------
// TvxSurplusReader

bool TvxSurplusReader::ReadSurplusChar(char& Ch) {
  Ch = FSurplus[0];
  FSurplus.erase(0, 1);
  return true;
}

bool TvxSurplusReader::ReadCharSkipBlanks(char& Ch) {
  while (ReadChar(Ch))
    if (!vxIsBlank(Ch)) return true;
  return false;
}

// ---------------------------------------------------------------------------------------------
// TvxStringBuilder

TvxStringBuilder::TvxStringBuilder() : FData(64, '\0') {}

void TvxStringBuilder::Reserve(Integer ANeeded) {
  size_t len = FData.size();
  if (static_cast<size_t>(ANeeded) <= len) return;
  while (len < static_cast<size_t>(ANeeded)) len *= 2;
  FData.resize(len);
}

void TvxStringBuilder::AddString(const UTF8String& S) {
  if (S.empty()) return;
  Reserve(FCurrentIdx + static_cast<Integer>(S.size()));
  std::memcpy(&FData[static_cast<size_t>(FCurrentIdx)], S.data(), S.size());
  FCurrentIdx += static_cast<Integer>(S.size());
}

UTF8String TvxStringBuilder::Value() const { return FData.substr(0, static_cast<size_t>(FCurrentIdx)); }

UTF8String TvxStringBuilder::StringCopy(Integer AFirst, Integer ALength) const {
  if (AFirst < 1) AFirst = 1;
  if (ALength <= 0 || AFirst > FCurrentIdx) return UTF8String();
  Integer n = std::min(ALength, FCurrentIdx - AFirst + 1);
  return FData.substr(static_cast<size_t>(AFirst - 1), static_cast<size_t>(n));
}

// ---------------------------------------------------------------------------------------------
// Scanning

Integer vxReadTagStart(TvxSurplusReader* SR) {
  constexpr Integer cRows = 12;
  Integer result = cRows - 1;
  bool candidate[cRows];
  std::fill(std::begin(candidate), std::end(candidate), true);
  static constexpr auto lengths = [] {
    std::array<Integer, cRows> l{};
    for (Integer r = 0; r < cRows; ++r)
      l[static_cast<size_t>(r)] = static_cast<Integer>(std::char_traits<char>::length(vxTagTable[r].Start));
    return l;
  }();
  char ch;
  if (!SR->ReadChar(ch)) return result;
  // Only "<!" and "<?" open longer rows; any other byte starts the name of an element.
  if (ch != '!' && ch != '?') {
    SR->PushBack(ch);
    return result;
  }
  UTF8String read;
  Integer column = 2;
  for (bool more = true; more; more = SR->ReadChar(ch)) {
    read += ch;
    bool matched = false;
    for (Integer r = cRows - 1; r >= 0; --r) {
      if (!candidate[r] || lengths[r] < column) continue;
      if (vxTagTable[r].Start[column - 1] == ch) {
        matched = true;
        if (lengths[r] == column) result = r;
      } else {
        candidate[r] = false;
      }
    }
    if (!matched) break;
    ++column;
  }
  // Whatever was read past the opening belongs to the item; at the end of the input this
  // keeps a partly matched longer opening as text instead of dropping it.
  size_t keep = static_cast<size_t>(lengths[result] - 1);
  if (read.size() > keep) SR->SetSurplus(read.substr(keep) + SR->Surplus());
  return result;
}

bool vxReadUntilClose(TvxSurplusReader* SR, const UTF8String& AClose, UTF8String& Value,
                      bool SkipQuotes) {
  if (AClose.empty()) return false;
  const size_t len = AClose.size();
  const char last = AClose.back();
  // Short items (close tags, most names) stay within the string's own inline buffer.
  UTF8String text;
  char quote = 0;
  auto endsWithClose = [&] {
    return text.size() >= len && text.compare(text.size() - len, len, AClose) == 0;
  };
  // Takes one more byte of the item (already in text); true when it completes AClose.
  auto step = [&](char ch) {
    if (SkipQuotes) {
      if (quote) {
        if (ch == quote) quote = 0;
        return false;
      }
      if (vxIsQuote(ch)) {
        quote = ch;
        return false;
      }
    }
    return ch == last && endsWithClose();
  };
  auto found = [&] {
    text.resize(text.size() - len);
    Value = std::move(text);
    return true;
  };
  for (;;) {
    // Runs of ASCII are scanned where the buffered stream holds them; everything else (a
    // pushed-back byte, a multi-byte character, the end of a block) comes through ReadChar.
    const Byte* p = nullptr;
    const Integer n = SR->AsciiWindow(p);
    Integer i = 0, from = 0;
    while (i < n) {
      const Byte b = p[i];
      if (b == 0 || b >= 0x80) break;
      ++i;
      if (SkipQuotes) {
        if (quote) {
          if (b == static_cast<Byte>(quote)) quote = 0;
          continue;
        }
        if (vxIsQuote(static_cast<char>(b))) {
          quote = static_cast<char>(b);
          continue;
        }
      }
      if (b != static_cast<Byte>(last)) continue;
      text.append(reinterpret_cast<const char*>(p + from), static_cast<size_t>(i - from));
      from = i;
      if (endsWithClose()) {
        SR->SkipAscii(i);
        return found();
      }
    }
    if (i > 0) {
      text.append(reinterpret_cast<const char*>(p + from), static_cast<size_t>(i - from));
      SR->SkipAscii(i);
      continue;
    }
    char ch;
    if (!SR->ReadChar(ch)) return false;
    text.push_back(ch);
    if (step(ch)) return found();
  }
}

bool vxReadUntilUnquoted(TStream* S, char ATerminator, UTF8String& Value) {
  TvxStringBuilder sb;
  char quote = 0;
  char ch;
  while (S->Read(&ch, 1) == 1) {
    if (quote) {
      if (ch == quote) quote = 0;
    } else if (vxIsQuote(ch)) {
      quote = ch;
    } else if (ch == ATerminator) {
      Value = sb.Value();
      return true;
    }
    sb.AddChar(ch);
  }
  return false;
}

}  // namespace Vorlane
