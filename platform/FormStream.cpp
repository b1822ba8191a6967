#include "platform/FormStream.h"

#include <cstring>
#include <limits>

#include "platform/FormFloat.h"
#include "platform/FormStreamConsts.h"

namespace Vorlane {

namespace {

enum TValueType : std::uint8_t {
  vaNull, vaList, vaInt8, vaInt16, vaInt32, vaExtended, vaString, vaIdent, vaFalse, vaTrue, vaBinary,
  vaSet, vaLString, vaNil, vaCollection, vaSingle, vaCurrency, vaDate, vaWString, vaInt64,
  vaUTF8String, vaDouble
};

enum : std::uint8_t { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

// Components, lists and collections together; real forms stay far below. The bound keeps
// hostile input from exhausting the stack, and the indentation of the text from growing
// without end.
constexpr int cMaxNesting = 128;
constexpr size_t cStringChunk = 64;     // characters per line of a wrapped string
constexpr size_t cBinaryLineBytes = 32;  // bytes per hex line

const char kUtf8Bom[] = "\xEF\xBB\xBF";

Int64 I64(size_t V) { return static_cast<Int64>(V); }

std::string ReadRest(TStream* AStream) {
  const Int64 Size = AStream->Size() - AStream->Position();
  std::string Data(static_cast<size_t>(Size > 0 ? Size : 0), '\0');
  for (size_t Done = 0; Done < Data.size();) {
    const Integer Chunk = static_cast<Integer>(std::min<size_t>(Data.size() - Done, 1u << 30));
    AStream->ReadBuffer(&Data[Done], Chunk);
    Done += static_cast<size_t>(Chunk);
  }
  return Data;
}

// The bytes from AStream's position to its end, which becomes its position: a memory stream's
// own memory, else a copy kept in AHold. A form is read whole; this way it is not held twice.
std::string_view ReadRest(TStream* AStream, std::string& AHold) {
  if (auto* Memory = dynamic_cast<TCustomMemoryStream*>(AStream)) {
    const Int64 Start = std::min(AStream->Position(), AStream->Size());
    const Int64 End = AStream->Seek(0, soEnd);
    return std::string_view(static_cast<const char*>(Memory->Memory()) + Start, static_cast<size_t>(End - Start));
  }
  AHold = ReadRest(AStream);
  return AHold;
}

void WriteAll(TStream* AStream, std::string_view AData) {
  for (size_t Done = 0; Done < AData.size();) {
    const Integer Chunk = static_cast<Integer>(std::min<size_t>(AData.size() - Done, 1u << 30));
    AStream->WriteBuffer(AData.data() + Done, Chunk);
    Done += static_cast<size_t>(Chunk);
  }
}

bool IsIdentStart(char16_t C) {
  return (C >= u'A' && C <= u'Z') || (C >= u'a' && C <= u'z') || C == u'_' || C >= 0x80;
}
bool IsIdentChar(char16_t C) { return IsIdentStart(C) || (C >= u'0' && C <= u'9') || C == u'.'; }
bool IsIdent(const UnicodeString& S) {
  if (S.empty() || !IsIdentStart(S[0])) return false;
  for (char16_t C : S)
    if (!IsIdentChar(C)) return false;
  return true;
}
bool IsOneOf(const UnicodeString& S, std::initializer_list<const char16_t*> AWords) {
  for (const char16_t* W : AWords)
    if (SameText(S, W)) return true;
  return false;
}

TStreamOriginalFormat DetectFormat(std::string_view AData) {
  // A resource header starts with FF and the type's low byte, 0A: a UTF-16 text's FF FE is
  // no binary form.
  if (AData.compare(0, 4, "TPF0") == 0 || AData.compare(0, 2, "\xFF\x0A") == 0) return sofBinary;
  const bool Utf8 = AData.compare(0, 3, kUtf8Bom) == 0;
  size_t P = Utf8 ? 3 : 0;
  while (P < AData.size() && static_cast<std::uint8_t>(AData[P]) <= 0x20) ++P;
  size_t End = P;
  while (End < AData.size() && IsIdentChar(static_cast<std::uint8_t>(AData[End]))) ++End;
  const UnicodeString Word = UTF8ToUnicode(std::string(AData.substr(P, End - P)));
  if (IsOneOf(Word, {u"object", u"inherited", u"inline"})) return Utf8 ? sofUTF8Text : sofText;
  return sofUnknown;
}

// ---------------------------------------------------------------------------------------------
// Binary form to text.

// Reads a binary form once: to check it and find its property records (no text), or to write
// its text. Both runs go through the same reading code, so that they agree on every line.
class TBinaryToText {
 public:
  // The text goes to AOutput in pieces of this size, so that it is never held whole.
  static constexpr size_t cFlushSize = size_t{1} << 20;

  explicit TBinaryToText(std::string_view AData) : FData(AData) {}

  // Reads without writing; the records whose names AWanted accepts are kept (AWanted may be
  // empty).
  void Check(TFormStreamInfo& AInfo, const std::function<bool(const UnicodeString&)>* AWanted = nullptr) {
    FWanted = AWanted;
    Read(AInfo);
  }
  std::vector<TFormPropertyRecord>& Found() { return FFound; }
  // Whether the text needs UTF-8 (a name beyond ASCII); known after Check.
  bool NonAscii() const { return FNonAscii; }

  // Writes the text of a form Check accepted to AOutput.
  void Write(TStream* AOutput, bool AByteOrderMark) {
    FOutput = AOutput;
    FEmit = true;
    FWanted = nullptr;
    if (AByteOrderMark) FOut = kUtf8Bom;
    TFormStreamInfo Info;
    Read(Info);
    Flush();
  }
  // Reads and writes in one run, holding the text until the form has been read whole.
  void Convert(TStream* AOutput, TFormStreamInfo& AInfo) {
    FEmit = true;
    Read(AInfo);
    if (FNonAscii) WriteAll(AOutput, kUtf8Bom);
    WriteAll(AOutput, FOut);
  }

 private:
  void Read(TFormStreamInfo& AInfo) {
    FPos = 0;
    FLines = 0;
    if (!FData.empty() && Byte0() == 0xFF) ReadResourceHeader(AInfo.ResourceHeader);
    if (FData.compare(FPos, 4, "TPF0") != 0) throw EReadError(Format(U(sfmMissingSignature), {I64(FPos)}));
    FPos += 4;
    ConvertObject(0);
    if (FPos != FData.size()) throw EReadError(Format(U(sfmTrailingData), {I64(FPos)}));
    AInfo.InexactValue = FInexact;
    AInfo.InexactName = FInexactName;
  }

  // --- reading, every access checked against the end
  std::uint8_t Byte0() const { return static_cast<std::uint8_t>(FData[FPos]); }
  void Need(std::uint64_t ACount) const {
    if (ACount > FData.size() - FPos)
      throw EReadError(Format(U(sfmReadPastEnd), {static_cast<Int64>(std::min<std::uint64_t>(ACount, std::numeric_limits<Int64>::max())),
                                                  I64(FPos), I64(FData.size() - FPos)}));
  }
  std::uint8_t Peek() const {
    Need(1);
    return Byte0();
  }
  std::uint8_t ReadByte() {
    Need(1);
    return static_cast<std::uint8_t>(FData[FPos++]);
  }
  std::uint64_t ReadUnsigned(int ACount) {
    Need(static_cast<std::uint64_t>(ACount));
    std::uint64_t R = 0;
    for (int I = ACount; I-- > 0;) R = (R << 8) | static_cast<std::uint8_t>(FData[FPos + static_cast<size_t>(I)]);
    FPos += static_cast<size_t>(ACount);
    return R;
  }
  std::string ReadBytes(std::uint64_t ACount) {
    Need(ACount);
    std::string R(FData.substr(FPos, static_cast<size_t>(ACount)));
    FPos += static_cast<size_t>(ACount);
    return R;
  }
  std::string ReadShortString() { return ReadBytes(ReadByte()); }
  const std::uint8_t* Raw(std::uint64_t ACount) {
    Need(ACount);
    const auto* R = reinterpret_cast<const std::uint8_t*>(FData.data() + FPos);
    FPos += static_cast<size_t>(ACount);
    return R;
  }

  void ReadResourceHeader(RawByteString& AHeader) {
    const size_t Start = FPos;
    auto Bad = [&] { return EReadError(Format(U(sfmInvalidResourceHeader), {I64(Start)})); };
    if (FData.size() - FPos < 3 || FData.compare(FPos, 3, std::string_view("\xFF\x0A\x00", 3)) != 0) throw Bad();
    FPos += 3;
    if (FPos < FData.size() && Byte0() == 0xFF) {
      FPos += 3;  // a numbered resource
    } else {
      const size_t Zero = FData.find('\0', FPos);
      if (Zero == std::string_view::npos) throw Bad();
      FPos = Zero + 1;
    }
    FPos += 2;  // memory flags
    if (FPos + 4 > FData.size()) throw Bad();
    AHeader = FData.substr(Start, FPos - Start);
    const std::uint64_t Size = ReadUnsigned(4);
    if (Size != FData.size() - FPos)
      throw EReadError(Format(U(sfmResourceSizeMismatch), {I64(Start), static_cast<Int64>(Size), I64(FData.size() - FPos)}));
  }

  Int64 ReadInteger(std::uint8_t AType) {
    switch (AType) {
      case vaInt8: return static_cast<std::int8_t>(ReadUnsigned(1));
      case vaInt16: return static_cast<std::int16_t>(ReadUnsigned(2));
      case vaInt32: return static_cast<std::int32_t>(ReadUnsigned(4));
      default: return static_cast<Int64>(ReadUnsigned(8));
    }
  }

  // --- writing; a check run only counts the lines
  void Out(std::string_view S) {
    if (FEmit) FOut.append(S);
  }
  void Out(char C) {
    if (FEmit) FOut += C;
  }
  void Indent(int ALevel) {
    if (FEmit) FOut.append(static_cast<size_t>(ALevel) * 2, ' ');
  }
  void NewLine() {
    ++FLines;
    if (!FEmit) return;
    FOut += "\r\n";
    if (FOutput && FOut.size() >= cFlushSize) Flush();
  }
  void Flush() {
    WriteAll(FOutput, FOut);
    FOut.clear();
  }
  void Put(const UnicodeString& S) {
    for (char16_t C : S)
      if (C >= 0x80) FNonAscii = true;
    if (FEmit) FOut += UnicodeToUTF8(S);
  }
  void Inexact(const char* AMessage, size_t AOffset) {
    if (FInexact.empty()) FInexact = Format(U(AMessage), {I64(AOffset)});
  }
  void Enter(size_t AOffset) {
    if (++FDepth > cMaxNesting) throw EReadError(Format(U(sfmNestingTooDeep), {cMaxNesting, I64(AOffset)}));
  }

  // A name or identifier: UTF-8 bytes that must read back the same.
  UnicodeString ReadName(bool AMayBeEmpty) {
    const size_t At = FPos;
    const std::string Bytes = ReadShortString();
    const UnicodeString Name = UTF8ToUnicode(Bytes);
    if (UnicodeToUTF8(Name) != Bytes || (Name.empty() ? !AMayBeEmpty : !IsIdent(Name))) {
      Inexact(sfmInexactName, At);
      if (FInexactName.empty()) FInexactName = Format(U(sfmInexactName), {I64(At)});
    }
    return Name;
  }

  void ConvertObject(int ALevel) {
    const size_t At = FPos;
    Enter(At);
    std::uint8_t Flags = 0;
    Int64 Position = 0;
    if ((Peek() & 0xF0) == 0xF0) {
      Flags = ReadByte() & 0x0F;
      // A text line names one of inherited and inline; bit 3 has no meaning at all.
      if ((Flags & ~(ffInherited | ffChildPos | ffInline)) != 0 || (Flags & (ffInherited | ffInline)) == (ffInherited | ffInline))
        Inexact(sfmInexactFlags, At);
      if ((Flags & ffChildPos) != 0) {
        const size_t TypeAt = FPos;
        const std::uint8_t Type = ReadByte();
        if (Type != vaInt8 && Type != vaInt16 && Type != vaInt32)
          throw EReadError(Format(U(sfmInvalidChildPosition), {Type, I64(TypeAt)}));
        Position = ReadInteger(Type);
      }
    }
    const UnicodeString ClassName = ReadName(false);
    const UnicodeString Name = ReadName(true);
    Indent(ALevel);
    Out((Flags & ffInline) != 0 ? "inline " : (Flags & ffInherited) != 0 ? "inherited " : "object ");
    if (!Name.empty()) {
      Put(Name);
      Out(": ");
    }
    Put(ClassName);
    if ((Flags & ffChildPos) != 0 && FEmit) FOut.append(" [").append(std::to_string(Position)).append("]");
    NewLine();
    while (Peek() != 0) ConvertProperty(ALevel + 1);
    ++FPos;
    while (Peek() != 0) ConvertObject(ALevel + 1);
    ++FPos;
    Indent(ALevel);
    Out("end");
    NewLine();
    --FDepth;
  }

  void ConvertProperty(int ALevel) {
    const size_t At = FPos;
    const Int64 FirstLine = FLines;
    const UnicodeString Name = ReadName(false);
    // The text reader takes these words for the start and end of a component.
    if (IsOneOf(Name, {u"object", u"inherited", u"inline", u"end"})) Inexact(sfmInexactName, At);
    const bool Wanted = FWanted && *FWanted && !FInWanted && (*FWanted)(Name);
    FInWanted = FInWanted || Wanted;
    Indent(ALevel);
    Put(Name);
    Out(" = ");
    ConvertValue(ALevel);
    NewLine();
    if (Wanted) {
      FFound.push_back({At, FPos, FLines - FirstLine});
      FInWanted = false;
    }
  }

  // A float printed as its text form, which must convert back to AExpected.
  void PutFloat(const std::string& AText, const char* ASuffix, FormFloat::TTarget ATarget, const std::uint8_t* AExpected,
                size_t ASize, size_t AAt) {
    std::uint8_t Back[10];
    if (FormFloat::ParseDecimal(AText, ATarget, Back) != FormFloat::TParseResult::Ok || std::memcmp(Back, AExpected, ASize) != 0)
      Inexact(sfmInexactFloat, AAt);
    Out(AText);
    Out(ASuffix);
  }

  void ConvertValue(int ALevel) {
    using namespace FormFloat;
    const size_t At = FPos;
    const std::uint8_t Type = ReadByte();
    switch (Type) {
      case vaList:
        Enter(At);
        Out('(');
        while (Peek() != 0) {
          NewLine();
          Indent(ALevel + 1);
          ConvertValue(ALevel + 1);
        }
        ++FPos;
        Out(')');
        --FDepth;
        break;
      case vaInt8:
      case vaInt16:
      case vaInt32:
      case vaInt64:
        Out(std::to_string(ReadInteger(Type)));
        break;
      case vaExtended: {
        const std::uint8_t* Bytes = Raw(10);
        PutFloat(FormatFixed(FromExtended(Bytes), 16, 18), "", TTarget::Extended, Bytes, 10, At);
        break;
      }
      case vaDouble: {
        // Read back as extended: the same value in the wider type.
        const TBinaryFloat Value = FromDouble(Raw(8));
        std::uint8_t Wide[10];
        ToExtended(Value, Wide);
        PutFloat(FormatFixed(Value, 16, 18), "", TTarget::Extended, Wide, 10, At);
        break;
      }
      case vaSingle: {
        const std::uint8_t* Bytes = Raw(4);
        PutFloat(FormatGeneral(FromSingle(Bytes), 15), "s", TTarget::Single, Bytes, 4, At);
        break;
      }
      case vaCurrency: {
        const std::uint8_t* Bytes = Raw(8);
        std::uint64_t Units = 0;
        for (int I = 8; I-- > 0;) Units = (Units << 8) | Bytes[I];
        PutFloat(FormatGeneral(FromInt64(static_cast<std::int64_t>(Units)), 15), "c", TTarget::Currency, Bytes, 8, At);
        break;
      }
      case vaDate: {
        const std::uint8_t* Bytes = Raw(8);
        PutFloat(FormatGeneral(FromDouble(Bytes), 15), "d", TTarget::Double, Bytes, 8, At);
        break;
      }
      case vaString:
      case vaLString: {
        const std::string Bytes = Type == vaString ? ReadShortString() : ReadBytes(ReadUnsigned(4));
        const UnicodeString S = AnsiToUnicode(Bytes);
        if (UnicodeToAnsi(S) != Bytes) Inexact(sfmInexactString, At);
        PutString(S, ALevel);
        break;
      }
      case vaUTF8String: {
        const std::string Bytes = ReadBytes(ReadUnsigned(4));
        const UnicodeString S = UTF8ToUnicode(Bytes);
        if (UnicodeToUTF8(S) != Bytes) Inexact(sfmInexactString, At);
        PutString(S, ALevel);
        break;
      }
      case vaWString: {
        const std::uint64_t Count = ReadUnsigned(4);
        const std::uint8_t* Units = Raw(Count * 2);
        UnicodeString S(static_cast<size_t>(Count), u'\0');
        for (size_t I = 0; I < S.size(); ++I) S[I] = static_cast<char16_t>(Units[2 * I] | (Units[2 * I + 1] << 8));
        PutString(S, ALevel);
        break;
      }
      case vaIdent: {
        const UnicodeString Ident = ReadName(false);
        if (IsOneOf(Ident, {u"True", u"False", u"nil", u"Null"})) Inexact(sfmInexactIdent, At);
        Put(Ident);
        break;
      }
      case vaFalse: Out("False"); break;
      case vaTrue: Out("True"); break;
      case vaNil: Out("nil"); break;
      case vaNull: Out("Null"); break;
      case vaBinary: {
        std::uint64_t Count = ReadUnsigned(4);
        const std::uint8_t* Bytes = Raw(Count);
        static const char Hex[] = "0123456789ABCDEF";
        // Less than a line of data stays on the property's line.
        const bool MultiLine = Count >= cBinaryLineBytes;
        Out('{');
        if (!FEmit) {
          if (MultiLine) FLines += static_cast<Int64>((Count + cBinaryLineBytes - 1) / cBinaryLineBytes);
          Count = 0;
        }
        for (size_t I = 0; I < Count; ++I) {
          if (MultiLine && I % cBinaryLineBytes == 0) {
            NewLine();
            Indent(ALevel + 1);
          }
          Out(Hex[Bytes[I] >> 4]);
          Out(Hex[Bytes[I] & 0xF]);
        }
        Out('}');
        break;
      }
      case vaSet: {
        Out('[');
        for (bool First = true; Peek() != 0; First = false) {
          const size_t ElementAt = FPos;
          if (!First) Out(", ");
          const UnicodeString Element = ReadName(false);
          if (IsOneOf(Element, {u"True", u"False", u"nil", u"Null"})) Inexact(sfmInexactIdent, ElementAt);
          Put(Element);
        }
        ++FPos;
        Out(']');
        break;
      }
      case vaCollection:
        Enter(At);
        Out('<');
        while (Peek() != 0) {
          NewLine();
          Indent(ALevel + 1);
          Out("item");
          const std::uint8_t Next = Peek();
          if (Next == vaInt8 || Next == vaInt16 || Next == vaInt32) {
            ++FPos;
            const Int64 Order = ReadInteger(Next);
            if (FEmit) FOut.append(" [").append(std::to_string(Order)).append("]");
          }
          const size_t ListAt = FPos;
          const std::uint8_t List = ReadByte();
          if (List != vaList) throw EReadError(Format(U(sfmInvalidValueType), {List, I64(ListAt)}));
          NewLine();
          while (Peek() != 0) ConvertProperty(ALevel + 2);
          ++FPos;
          Indent(ALevel + 1);
          Out("end");
        }
        ++FPos;
        Out('>');
        --FDepth;
        break;
      default:
        throw EReadError(Format(U(sfmInvalidValueType), {Type, I64(At)}));
    }
  }

  // Quoted runs and #nnn codes, wrapped into lines of 64 characters one level deeper.
  void PutString(const UnicodeString& S, int ALevel) {
    if (S.empty()) {
      Out("''");
      return;
    }
    const bool Wrap = S.size() > cStringChunk;
    if (!FEmit) {
      if (Wrap) FLines += static_cast<Int64>((S.size() + cStringChunk - 1) / cStringChunk);
      return;
    }
    for (size_t Start = 0; Start < S.size(); Start += cStringChunk) {
      if (Wrap) {
        if (Start != 0) Out(" +");
        NewLine();
        Indent(ALevel + 1);
      }
      bool Quoted = false;
      const size_t End = std::min(S.size(), Start + cStringChunk);
      for (size_t I = Start; I < End; ++I) {
        const char16_t C = S[I];
        const bool Plain = C >= 0x20 && C < 0x7F && C != u'\'';
        if (Plain != Quoted) {
          Out('\'');
          Quoted = Plain;
        }
        if (Plain)
          Out(static_cast<char>(C));
        else
          FOut.append("#").append(std::to_string(static_cast<unsigned>(C)));
      }
      if (Quoted) Out('\'');
    }
  }

  const std::string_view FData;
  size_t FPos = 0;
  int FDepth = 0;
  Int64 FLines = 0;
  bool FEmit = false;
  TStream* FOutput = nullptr;
  std::string FOut;
  bool FNonAscii = false;
  UnicodeString FInexact;
  UnicodeString FInexactName;
  const std::function<bool(const UnicodeString&)>* FWanted = nullptr;
  bool FInWanted = false;
  std::vector<TFormPropertyRecord> FFound;
};

// ---------------------------------------------------------------------------------------------
// Text form to binary.

class TTextToBinary {
 public:
  explicit TTextToBinary(const UnicodeString& AText) : FText(AText) {}

  std::string Convert() {
    FOut = "TPF0";
    ConvertObject();
    SkipBlanks();
    if (FPos < FText.size()) Fail(sfmTextAfterEnd);
    return FOut;
  }

 private:
  [[noreturn]] void Fail(const char* AMessage) { throw EParserError(Format(U(AMessage), {FLine})); }
  [[noreturn]] void Expected(const char16_t* AWhat) {
    throw EParserError(Format(U(sfmExpected), {UnicodeString(AWhat), FLine}));
  }
  void Enter() {
    if (++FDepth > cMaxNesting) throw EParserError(Format(U(sfmTextNestingTooDeep), {cMaxNesting, FLine}));
  }

  char16_t Peek() const { return FPos < FText.size() ? FText[FPos] : u'\0'; }
  bool AtEnd() const { return FPos >= FText.size(); }

  void SkipBlanks() {
    while (FPos < FText.size() && FText[FPos] <= u' ') {
      // CR LF, LF and a lone CR each end a line.
      if (FText[FPos] == u'\n' || (FText[FPos] == u'\r' && (FPos + 1 >= FText.size() || FText[FPos + 1] != u'\n'))) ++FLine;
      ++FPos;
    }
  }

  void Expect(char16_t C, const char16_t* AWhat) {
    SkipBlanks();
    if (AtEnd() || Peek() != C) Expected(AWhat);
    ++FPos;
  }

  UnicodeString ReadIdent() {
    SkipBlanks();
    if (AtEnd() || !IsIdentStart(Peek())) Expected(u"Identifier");
    const size_t Start = FPos;
    while (FPos < FText.size() && IsIdentChar(FText[FPos])) ++FPos;
    return FText.substr(Start, FPos - Start);
  }

  // The next identifier if it is one of AWords (it is then consumed).
  bool NextIs(std::initializer_list<const char16_t*> AWords, UnicodeString* AWord = nullptr) {
    SkipBlanks();
    if (AtEnd() || !IsIdentStart(Peek())) return false;
    const size_t Start = FPos;
    while (FPos < FText.size() && IsIdentChar(FText[FPos])) ++FPos;
    const UnicodeString Word = FText.substr(Start, FPos - Start);
    if (IsOneOf(Word, AWords)) {
      if (AWord) *AWord = Word;
      return true;
    }
    FPos = Start;
    return false;
  }

  // --- output
  void PutByte(std::uint8_t B) { FOut += static_cast<char>(B); }
  void PutUnsigned(std::uint64_t V, int ACount) {
    for (int I = 0; I < ACount; ++I, V >>= 8) PutByte(static_cast<std::uint8_t>(V));
  }
  void PutShortString(const UnicodeString& S) {
    const UTF8String Bytes = UnicodeToUTF8(S);
    if (Bytes.size() > 255) Fail(sfmNameTooLong);
    PutByte(static_cast<std::uint8_t>(Bytes.size()));
    FOut += Bytes;
  }
  void PutInteger(Int64 V) {
    if (V >= INT8_MIN && V <= INT8_MAX) {
      PutByte(vaInt8);
      PutUnsigned(static_cast<std::uint64_t>(V), 1);
    } else if (V >= INT16_MIN && V <= INT16_MAX) {
      PutByte(vaInt16);
      PutUnsigned(static_cast<std::uint64_t>(V), 2);
    } else if (V >= INT32_MIN && V <= INT32_MAX) {
      PutByte(vaInt32);
      PutUnsigned(static_cast<std::uint64_t>(V), 4);
    } else {
      PutByte(vaInt64);
      PutUnsigned(static_cast<std::uint64_t>(V), 8);
    }
  }
  // ASCII text as a short or long string; anything else as UTF-16, which holds every text.
  void PutString(const UnicodeString& S) {
    bool Ascii = true;
    for (char16_t C : S) Ascii = Ascii && C < 0x80;
    if (Ascii) {
      if (S.size() <= 255) {
        PutByte(vaString);
        PutByte(static_cast<std::uint8_t>(S.size()));
      } else {
        PutByte(vaLString);
        PutUnsigned(S.size(), 4);
      }
      for (char16_t C : S) PutByte(static_cast<std::uint8_t>(C));
    } else {
      PutByte(vaWString);
      PutUnsigned(S.size(), 4);
      for (char16_t C : S) PutUnsigned(C, 2);
    }
  }

  Int64 ReadInteger() {
    SkipBlanks();
    const size_t Start = FPos;
    const std::string Token = ReadNumberToken();
    Int64 V;
    if (!ParseInteger(Token, V)) {
      FPos = Start;
      Expected(u"Integer");
    }
    return V;
  }

  // The characters of a number: sign, "$" and hex digits, or digits, fraction, exponent and
  // type letter.
  std::string ReadNumberToken() {
    std::string Token;
    auto Take = [&] { Token += static_cast<char>(FText[FPos++]); };
    auto IsDigit = [&] { return FPos < FText.size() && FText[FPos] >= u'0' && FText[FPos] <= u'9'; };
    if (Peek() == u'-') Take();
    if (Peek() == u'$') {
      Take();
      while (FPos < FText.size() && (IsDigit() || (FText[FPos] >= u'A' && FText[FPos] <= u'F') ||
                                     (FText[FPos] >= u'a' && FText[FPos] <= u'f')))
        Take();
    } else {
      while (IsDigit()) Take();
      if (Peek() == u'.') {
        Take();
        while (IsDigit()) Take();
      }
      if (Peek() == u'e' || Peek() == u'E') {
        Take();
        if (Peek() == u'+' || Peek() == u'-') Take();
        while (IsDigit()) Take();
      }
      const char16_t Suffix = Peek();
      if (Suffix == u's' || Suffix == u'S' || Suffix == u'c' || Suffix == u'C' || Suffix == u'd' || Suffix == u'D') Take();
    }
    if (FPos < FText.size() && IsIdentChar(FText[FPos])) Fail(sfmInvalidNumber);
    if (Token.size() > 4096) Fail(sfmInvalidNumber);
    return Token;
  }

  static bool ParseInteger(const std::string& AToken, Int64& AValue) {
    size_t P = 0;
    const bool Negative = P < AToken.size() && AToken[P] == '-';
    if (Negative) ++P;
    const bool Hex = P < AToken.size() && AToken[P] == '$';
    if (Hex) ++P;
    if (P == AToken.size()) return false;
    std::uint64_t Magnitude = 0;
    const std::uint64_t Limit = Negative ? (std::uint64_t{1} << 63) : (std::uint64_t{1} << 63) - 1;
    for (; P < AToken.size(); ++P) {
      const char C = AToken[P];
      unsigned Digit;
      if (C >= '0' && C <= '9')
        Digit = static_cast<unsigned>(C - '0');
      else if (Hex && C >= 'A' && C <= 'F')
        Digit = static_cast<unsigned>(C - 'A' + 10);
      else if (Hex && C >= 'a' && C <= 'f')
        Digit = static_cast<unsigned>(C - 'a' + 10);
      else
        return false;
      const unsigned Base = Hex ? 16 : 10;
      if (Magnitude > (Limit - Digit) / Base) return false;
      Magnitude = Magnitude * Base + Digit;
    }
    AValue = Negative ? static_cast<Int64>(~Magnitude + 1) : static_cast<Int64>(Magnitude);
    return true;
  }

  void ConvertObject() {
    UnicodeString Keyword;
    if (!NextIs({u"object", u"inherited", u"inline"}, &Keyword)) Expected(u"\"object\"");
    Enter();
    std::uint8_t Flags = SameText(Keyword, u"inherited") ? ffInherited : SameText(Keyword, u"inline") ? ffInline : 0;
    UnicodeString Name, ClassName = ReadIdent();
    SkipBlanks();
    if (Peek() == u':') {
      ++FPos;
      Name = ClassName;
      ClassName = ReadIdent();
    }
    SkipBlanks();
    Int64 Position = 0;
    if (Peek() == u'[') {
      ++FPos;
      Position = ReadInteger();
      if (Position < INT32_MIN || Position > INT32_MAX) Fail(sfmNumberOutOfRange);
      Expect(u']', u"\"]\"");
      Flags |= ffChildPos;
    }
    // A class name of 240 bytes or more would read as a flags byte without one in front.
    if (Flags != 0 || UnicodeToUTF8(ClassName).size() >= 0xF0) PutByte(0xF0 | Flags);
    if ((Flags & ffChildPos) != 0) PutInteger(Position);
    PutShortString(ClassName);
    PutShortString(Name);
    bool Ended = false;
    for (;;) {
      if (NextIs({u"end"})) {
        Ended = true;
        break;
      }
      const size_t Start = FPos;
      if (NextIs({u"object", u"inherited", u"inline"})) {
        FPos = Start;  // NextIs skipped the blanks before Start already
        break;
      }
      ConvertProperty();
    }
    PutByte(0);
    if (!Ended)
      while (!NextIs({u"end"})) ConvertObject();
    PutByte(0);
    --FDepth;
  }

  void ConvertProperty() {
    const UnicodeString Name = ReadIdent();
    Expect(u'=', u"\"=\"");
    PutShortString(Name);
    ConvertValue();
  }

  void ConvertValue() {
    SkipBlanks();
    const char16_t C = Peek();
    if (C == u'\'' || C == u'#') {
      PutString(ReadString());
    } else if (C == u'-' || C == u'$' || (C >= u'0' && C <= u'9')) {
      ConvertNumber();
    } else if (!AtEnd() && IsIdentStart(C)) {
      const UnicodeString Ident = ReadIdent();
      if (SameText(Ident, u"True"))
        PutByte(vaTrue);
      else if (SameText(Ident, u"False"))
        PutByte(vaFalse);
      else if (SameText(Ident, u"nil"))
        PutByte(vaNil);
      else if (SameText(Ident, u"Null"))
        PutByte(vaNull);
      else {
        PutByte(vaIdent);
        PutShortString(Ident);
      }
    } else if (C == u'[') {
      ++FPos;
      PutByte(vaSet);
      SkipBlanks();
      if (Peek() != u']') {
        for (;;) {
          PutShortString(ReadIdent());
          SkipBlanks();
          if (Peek() != u',') break;
          ++FPos;
        }
      }
      Expect(u']', u"\"]\"");
      PutByte(0);
    } else if (C == u'(') {
      ++FPos;
      Enter();
      PutByte(vaList);
      for (SkipBlanks(); Peek() != u')'; SkipBlanks()) {
        if (AtEnd()) Expected(u"\")\"");
        ConvertValue();
      }
      ++FPos;
      PutByte(0);
      --FDepth;
    } else if (C == u'{') {
      ++FPos;
      ConvertBinary();
    } else if (C == u'<') {
      ++FPos;
      Enter();
      PutByte(vaCollection);
      for (SkipBlanks(); Peek() != u'>'; SkipBlanks()) {
        if (!NextIs({u"item"})) Expected(u"\"item\"");
        SkipBlanks();
        if (Peek() == u'[') {
          ++FPos;
          const Int64 Order = ReadInteger();
          if (Order < INT32_MIN || Order > INT32_MAX) Fail(sfmNumberOutOfRange);
          PutInteger(Order);
          Expect(u']', u"\"]\"");
        }
        PutByte(vaList);
        while (!NextIs({u"end"})) ConvertProperty();
        PutByte(0);
      }
      ++FPos;
      PutByte(0);
      --FDepth;
    } else {
      Expected(u"Value");
    }
  }

  void ConvertNumber() {
    const std::string Token = ReadNumberToken();
    const char Last = Token.empty() ? '\0' : Token.back();
    const bool Hex = Token.find('$') != std::string::npos;
    const bool Suffixed = !Hex && Last != '\0' && std::strchr("sScCdD", Last) != nullptr;
    if (!Suffixed && (Hex || Token.find_first_of(".eE") == std::string::npos)) {
      Int64 V;
      if (!ParseInteger(Token, V))
        Fail(Token.find_first_of("0123456789ABCDEFabcdef") != std::string::npos ? sfmNumberOutOfRange : sfmInvalidNumber);
      PutInteger(V);
      return;
    }
    using FormFloat::TTarget;
    TTarget Target = TTarget::Extended;
    std::uint8_t Type = vaExtended;
    int Size = 10;
    switch (Suffixed ? Last | 0x20 : 0) {
      case 's': Target = TTarget::Single; Type = vaSingle; Size = 4; break;
      case 'c': Target = TTarget::Currency; Type = vaCurrency; Size = 8; break;
      case 'd': Target = TTarget::Double; Type = vaDate; Size = 8; break;
      default: break;
    }
    std::uint8_t Bytes[10];
    switch (FormFloat::ParseDecimal(Suffixed ? std::string_view(Token).substr(0, Token.size() - 1) : std::string_view(Token), Target, Bytes)) {
      case FormFloat::TParseResult::Malformed: Fail(sfmInvalidNumber);
      case FormFloat::TParseResult::OutOfRange: Fail(sfmNumberOutOfRange);
      case FormFloat::TParseResult::Ok: break;
    }
    PutByte(Type);
    FOut.append(reinterpret_cast<const char*>(Bytes), static_cast<size_t>(Size));
  }

  void ConvertBinary() {
    std::string Bytes;
    int High = -1;
    for (;;) {
      SkipBlanks();
      if (AtEnd()) Fail(sfmInvalidBinary);
      const char16_t C = FText[FPos++];
      if (C == u'}') break;
      int Digit;
      if (C >= u'0' && C <= u'9')
        Digit = C - u'0';
      else if (C >= u'A' && C <= u'F')
        Digit = C - u'A' + 10;
      else if (C >= u'a' && C <= u'f')
        Digit = C - u'a' + 10;
      else
        Fail(sfmInvalidBinary);
      if (High < 0) {
        High = Digit;
      } else {
        Bytes += static_cast<char>(High * 16 + Digit);
        High = -1;
      }
    }
    if (High >= 0) Fail(sfmInvalidBinary);
    PutByte(vaBinary);
    PutUnsigned(Bytes.size(), 4);
    FOut += Bytes;
  }

  // Quoted runs and #nnn codes, joined across lines by "+".
  UnicodeString ReadString() {
    UnicodeString S;
    for (;;) {
      while (Peek() == u'\'' || Peek() == u'#') {
        if (FText[FPos++] == u'\'') {
          for (;;) {
            if (AtEnd() || Peek() == u'\r' || Peek() == u'\n') Fail(sfmUnterminatedString);
            const char16_t C = FText[FPos++];
            if (C == u'\'') {
              if (Peek() != u'\'') break;
              ++FPos;
            }
            S += C;
          }
        } else {
          const bool Hex = Peek() == u'$';
          if (Hex) ++FPos;
          std::uint32_t Code = 0;
          size_t Digits = 0;
          for (; !AtEnd(); ++FPos, ++Digits) {
            const char16_t D = Peek();
            unsigned V;
            if (D >= u'0' && D <= u'9')
              V = D - u'0';
            else if (Hex && D >= u'A' && D <= u'F')
              V = D - u'A' + 10;
            else if (Hex && D >= u'a' && D <= u'f')
              V = D - u'a' + 10;
            else
              break;
            Code = Code * (Hex ? 16 : 10) + V;
            if (Code > 0xFFFF) Fail(sfmCharCodeOutOfRange);
          }
          if (Digits == 0) Fail(sfmInvalidString);
          S += static_cast<char16_t>(Code);
        }
      }
      const size_t Start = FPos;
      const int Line = FLine;
      SkipBlanks();
      if (Peek() != u'+') {
        FPos = Start;
        FLine = Line;
        return S;
      }
      ++FPos;
      SkipBlanks();
      if (Peek() != u'\'' && Peek() != u'#') Expected(u"String");
    }
  }

  const UnicodeString& FText;
  size_t FPos = 0;
  int FLine = 1;
  int FDepth = 0;
  std::string FOut;
};

UnicodeString DecodeText(std::string_view AData) {
  if (AData.compare(0, 3, kUtf8Bom) == 0) return UTF8ToUnicode(std::string(AData.substr(3)));
  return AnsiToUnicode(std::string(AData));
}

}  // namespace

TStreamOriginalFormat TestStreamFormat(TStream* AStream) {
  const Int64 Start = AStream->Position();
  std::string Hold;
  const TStreamOriginalFormat Format = DetectFormat(ReadRest(AStream, Hold));
  AStream->SetPosition(Start);
  return Format;
}

TStreamOriginalFormat TestStreamFormat(std::string_view AData) { return DetectFormat(AData); }

void ObjectBinaryToText(TStream* AInput, TStream* AOutput) {
  TFormStreamInfo Info;
  ObjectBinaryToText(AInput, AOutput, Info);
}

void ObjectBinaryToText(TStream* AInput, TStream* AOutput, TStreamOriginalFormat& AOriginalFormat) {
  TFormStreamInfo Info;
  ObjectBinaryToText(AInput, AOutput, Info);
  AOriginalFormat = Info.OriginalFormat;
}

// Nothing is written for an invalid binary form. A small one is converted in one run with its
// text held; a larger one is read twice, once to check it and once to write its text piece by
// piece, so that its text (twice its size and more) is never held whole.
void ObjectBinaryToText(TStream* AInput, TStream* AOutput, TFormStreamInfo& AInfo) {
  std::string Hold;
  const std::string_view Data = ReadRest(AInput, Hold);
  TFormStreamInfo Info;
  Info.OriginalFormat = DetectFormat(Data);
  switch (Info.OriginalFormat) {
    case sofBinary: {
      TBinaryToText Reader(Data);
      if (Data.size() <= TBinaryToText::cFlushSize) {
        Reader.Convert(AOutput, Info);
      } else {
        Reader.Check(Info);
        Reader.Write(AOutput, Reader.NonAscii());
      }
      break;
    }
    case sofText:
    case sofUTF8Text:
      TTextToBinary(DecodeText(Data)).Convert();
      WriteAll(AOutput, Data);
      break;
    case sofUnknown:
      throw EFilerError(sfmInvalidFormat);
  }
  AInfo = Info;
}

std::vector<TFormPropertyRecord> FindFormProperties(std::string_view AData,
                                                    const std::function<bool(const UnicodeString&)>& AWanted,
                                                    TFormStreamInfo& AInfo) {
  TFormStreamInfo Info;
  Info.OriginalFormat = DetectFormat(AData);
  if (Info.OriginalFormat != sofBinary) throw EFilerError(sfmInvalidFormat);
  TBinaryToText Reader(AData);
  Reader.Check(Info, &AWanted);
  AInfo = Info;
  return std::move(Reader.Found());
}

void ObjectTextToBinary(TStream* AInput, TStream* AOutput, const RawByteString& AResourceHeader) {
  std::string Hold, Binary;
  {
    // The decoded text is the largest piece: it goes before anything is written.
    const UnicodeString Text = DecodeText(ReadRest(AInput, Hold));
    Binary = TTextToBinary(Text).Convert();
  }
  if (!AResourceHeader.empty()) {
    std::string Size;
    for (int I = 0; I < 4; ++I) Size += static_cast<char>((Binary.size() >> (8 * I)) & 0xFF);
    WriteAll(AOutput, AResourceHeader + Size);
  }
  WriteAll(AOutput, Binary);
}

}  // namespace Vorlane
