// The typed face of a node: Booleans, integers, floats, date-times and binary data in its own
// value, in named child elements and in named attributes.
#include <charconv>
#include <cstring>

#include "xml/XmlConvert.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
#include "xml/XmlNodeInternal.h"
#include "xml/XmlResStrings.h"
#include "xml/XmlText.h"

namespace Vorlane {

// ---------------------------------------------------------------------------------------------
// Number texts

namespace XmlNodeInternal {

bool TryTextToInt(const UTF8String& AText, Int64& AValue, bool AIs64) {
  size_t I = 0;
  const size_t N = AText.size();
  while (I < N && AText[I] == ' ') ++I;
  bool Negative = false;
  if (I < N && (AText[I] == '+' || AText[I] == '-')) {
    Negative = AText[I] == '-';
    ++I;
  }
  bool Hex = false;
  if (I < N && AText[I] == '$') {
    Hex = true;
    ++I;
  } else if (I < N && (AText[I] == 'x' || AText[I] == 'X')) {
    Hex = true;
    ++I;
  } else if (I + 1 < N && AText[I] == '0' && (AText[I + 1] == 'x' || AText[I + 1] == 'X')) {
    Hex = true;
    I += 2;
  }
  if (I >= N) return false;
  std::uint64_t Magnitude = 0;
  if (Hex) {
    const std::uint64_t Max = AIs64 ? ~std::uint64_t(0) : 0xFFFFFFFFull;
    for (; I < N; ++I) {
      char C = AText[I];
      unsigned D;
      if (C >= '0' && C <= '9') D = static_cast<unsigned>(C - '0');
      else if (C >= 'a' && C <= 'f') D = static_cast<unsigned>(C - 'a' + 10);
      else if (C >= 'A' && C <= 'F') D = static_cast<unsigned>(C - 'A' + 10);
      else return false;
      if (Magnitude > (Max >> 4)) return false;
      Magnitude = (Magnitude << 4) | D;
    }
    // Hexadecimal text fills the bits of the type: $FFFFFFFF reads as -1.
    Int64 V = AIs64 ? static_cast<Int64>(Magnitude)
                    : static_cast<Int64>(static_cast<std::int32_t>(static_cast<std::uint32_t>(Magnitude)));
    AValue = Negative ? static_cast<Int64>(0 - static_cast<std::uint64_t>(V)) : V;
    if (!AIs64) AValue = static_cast<std::int32_t>(static_cast<std::uint32_t>(AValue));
    return true;
  }
  const std::uint64_t Limit = AIs64 ? (Negative ? 0x8000000000000000ull : 0x7FFFFFFFFFFFFFFFull)
                                    : (Negative ? 0x80000000ull : 0x7FFFFFFFull);
  for (; I < N; ++I) {
    char C = AText[I];
    if (C < '0' || C > '9') return false;
    unsigned D = static_cast<unsigned>(C - '0');
    if (Magnitude > (Limit - D) / 10) return false;
    Magnitude = Magnitude * 10 + D;
  }
  AValue = Negative ? static_cast<Int64>(0 - Magnitude) : static_cast<Int64>(Magnitude);
  return true;
}

bool TryTextToFloat(const UTF8String& AText, double& AValue) {
  UTF8String S = vxUTF8StringReplace(AText, ",", ".");
  size_t I = 0;
  const size_t N = S.size();
  while (I < N && S[I] == ' ') ++I;
  bool Negative = false;
  if (I < N && (S[I] == '+' || S[I] == '-')) {
    Negative = S[I] == '-';
    ++I;
  }
  // Check the shape first: from_chars alone would accept "inf", "nan" and hexadecimal forms
  // that the runtime's conversion refuses.
  size_t Start = I, Digits = 0;
  while (I < N && S[I] >= '0' && S[I] <= '9') ++I, ++Digits;
  if (I < N && S[I] == '.') {
    ++I;
    while (I < N && S[I] >= '0' && S[I] <= '9') ++I, ++Digits;
  }
  if (Digits == 0) return false;
  if (I < N && (S[I] == 'e' || S[I] == 'E')) {
    ++I;
    if (I < N && (S[I] == '+' || S[I] == '-')) ++I;
    size_t ExpDigits = 0;
    while (I < N && S[I] >= '0' && S[I] <= '9') ++I, ++ExpDigits;
    if (ExpDigits == 0) return false;
  }
  if (I != N) return false;
  std::string Body = S.substr(Start);
  if (!Body.empty() && Body[0] == '.') Body.insert(0, 1, '0');
  double V = 0;
  auto R = std::from_chars(Body.data(), Body.data() + Body.size(), V);
  if (R.ec == std::errc::result_out_of_range) {
    // Underflow reads as 0; overflow is an error, as in the runtime.
    bool Tiny = false;
    size_t E = Body.find_first_of("eE");
    if (E != std::string::npos && Body.find('-', E) != std::string::npos) Tiny = true;
    if (!Tiny) return false;
    V = 0;
  } else if (R.ec != std::errc() || R.ptr != Body.data() + Body.size()) {
    return false;
  }
  AValue = Negative ? -V : V;
  return true;
}

}  // namespace XmlNodeInternal

namespace {

using XmlNodeInternal::TryTextToFloat;
using XmlNodeInternal::TryTextToInt;

[[noreturn]] void RaiseNotInteger(const UTF8String& AText) {
  throw EConvertError(Format(u"'%s' is not a valid integer value", {vxUtf8ToUnicode(AText)}));
}

Int64 StrictInt(const UTF8String& AText, bool AIs64) {
  Int64 V = 0;
  if (!TryTextToInt(AText, V, AIs64)) RaiseNotInteger(AText);
  return V;
}

// The lenient Boolean rule: only T/Y and F/N count; digits and everything else give the default.
bool LenientBool(const UTF8String& AText, bool ADefault) {
  if (AText.empty()) return ADefault;
  switch (vxUpCase(AText[0])) {
    case 'T':
    case 'Y':
      return true;
    case 'F':
    case 'N':
      return false;
    default:
      return ADefault;
  }
}

UTF8String HexText(Integer AValue, Integer ADigits) {
  static const char Hex[] = "0123456789ABCDEF";
  std::uint32_t U = static_cast<std::uint32_t>(AValue);
  UTF8String Digits;
  do {
    Digits.insert(Digits.begin(), Hex[U & 0xF]);
    U >>= 4;
  } while (U != 0);
  if (ADigits > 0 && Digits.size() < static_cast<size_t>(ADigits))
    Digits.insert(0, static_cast<size_t>(ADigits) - Digits.size(), '0');
  return "$" + Digits;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The node's own value

bool TXmlNode::GetValueAsBool() const { return vxUTF8ToBool(FValue); }

void TXmlNode::SetValueAsBool(bool Value) { FValue = vxBoolToUTF8(Value); }

Integer TXmlNode::GetValueAsInteger() const {
  return static_cast<Integer>(StrictInt(FValue, false));
}

void TXmlNode::SetValueAsInteger(Integer Value) { FValue = vxIntToUTF8(Value); }

Int64 TXmlNode::GetValueAsInt64() const { return StrictInt(FValue, true); }

void TXmlNode::SetValueAsInt64(Int64 Value) { FValue = vxInt64ToUTF8(Value); }

double TXmlNode::GetValueAsFloat() const {
  double V = 0;
  if (!TryTextToFloat(FValue, V)) throw Exception(sxeCannotConvertToFloat);
  return V;
}

void TXmlNode::SetValueAsFloat(double Value) {
  FValue = vxWriteNumber(Value, FloatSignificantDigits(), FloatAllowScientific());
}

TDateTime TXmlNode::GetValueAsDateTime() const {
  return vxDateTimeFromString(GetValueAsString(), UseLocalBias());
}

void TXmlNode::SetValueAsDateTime(TDateTime Value) {
  SetValueAsString(vxDateTimeToString(Value, UseLocalBias()));
}

bool TXmlNode::ValueAsBoolDef(bool ADefault) const { return LenientBool(FValue, ADefault); }

Integer TXmlNode::ValueAsIntegerDef(Integer ADefault) const {
  Int64 V = 0;
  return TryTextToInt(FValue, V, false) ? static_cast<Integer>(V) : ADefault;
}

Int64 TXmlNode::ValueAsInt64Def(Int64 ADefault) const {
  Int64 V = 0;
  return TryTextToInt(FValue, V, true) ? V : ADefault;
}

double TXmlNode::ValueAsFloatDef(double ADefault) const {
  double V = 0;
  return TryTextToFloat(FValue, V) ? V : ADefault;
}

TDateTime TXmlNode::ValueAsDateTimeDef(TDateTime ADefault) const {
  return vxDateTimeFromStringDefault(GetValueAsString(), ADefault, UseLocalBias());
}

// ---------------------------------------------------------------------------------------------
// Named child elements

bool TXmlNode::ReadBool(const UTF8String& AName, bool ADefault) const {
  TXmlNode* Child = GetNodes(NodeIndexByName(AName));
  return Child ? Child->ValueAsBoolDef(ADefault) : ADefault;
}

Integer TXmlNode::ReadInteger(const UTF8String& AName, Integer ADefault) const {
  TXmlNode* Child = GetNodes(NodeIndexByName(AName));
  return Child ? Child->ValueAsIntegerDef(ADefault) : ADefault;
}

Int64 TXmlNode::ReadInt64(const UTF8String& AName, Int64 ADefault) const {
  TXmlNode* Child = GetNodes(NodeIndexByName(AName));
  return Child ? Child->ValueAsInt64Def(ADefault) : ADefault;
}

double TXmlNode::ReadFloat(const UTF8String& AName, double ADefault) const {
  TXmlNode* Child = GetNodes(NodeIndexByName(AName));
  return Child ? Child->ValueAsFloatDef(ADefault) : ADefault;
}

UTF8String TXmlNode::ReadString(const UTF8String& AName, const UTF8String& ADefault) const {
  TXmlNode* Child = GetNodes(NodeIndexByName(AName));
  return Child ? Child->GetValueAsString() : ADefault;
}

UnicodeString TXmlNode::ReadUnicodeString(const UTF8String& AName,
                                          const UnicodeString& ADefault) const {
  return ToUnicodeString(ReadString(AName, FromUnicodeString(ADefault)));
}

TDateTime TXmlNode::ReadDateTime(const UTF8String& AName, TDateTime ADefault) const {
  return vxDateTimeFromStringDefault(ReadString(AName, UTF8String()), ADefault, UseLocalBias());
}

void TXmlNode::WriteBool(const UTF8String& AName, bool AValue, bool ADefault) {
  if (GetWriteOnDefault() || AValue != ADefault)
    NodeFindOrCreate(AName)->SetValueAsString(AValue ? "True" : "False");
}

void TXmlNode::WriteInteger(const UTF8String& AName, Integer AValue, Integer ADefault) {
  if (GetWriteOnDefault() || AValue != ADefault)
    NodeFindOrCreate(AName)->SetValueAsString(vxIntToUTF8(AValue));
}

void TXmlNode::WriteInt64(const UTF8String& AName, Int64 AValue, Int64 ADefault) {
  if (GetWriteOnDefault() || AValue != ADefault)
    NodeFindOrCreate(AName)->SetValueAsString(vxInt64ToUTF8(AValue));
}

void TXmlNode::WriteFloat(const UTF8String& AName, double AValue, double ADefault) {
  if (GetWriteOnDefault() || AValue != ADefault) {
    TXmlNode* Child = NodeFindOrCreate(AName);
    Child->SetValueAsString(
        vxWriteNumber(AValue, Child->FloatSignificantDigits(), Child->FloatAllowScientific()));
  }
}

void TXmlNode::WriteHex(const UTF8String& AName, Integer AValue, Integer Digits,
                        Integer ADefault) {
  if (GetWriteOnDefault() || AValue != ADefault)
    NodeFindOrCreate(AName)->SetValueAsString(HexText(AValue, Digits));
}

void TXmlNode::WriteString(const UTF8String& AName, const UTF8String& AValue,
                           const UTF8String& ADefault) {
  if (GetWriteOnDefault() || AValue != ADefault) NodeFindOrCreate(AName)->SetValueAsString(AValue);
}

void TXmlNode::WriteUnicodeString(const UTF8String& AName, const UnicodeString& AValue,
                                  const UnicodeString& ADefault) {
  WriteString(AName, FromUnicodeString(AValue), FromUnicodeString(ADefault));
}

void TXmlNode::WriteDateTime(const UTF8String& AName, TDateTime AValue, TDateTime ADefault) {
  if (GetWriteOnDefault() || AValue != ADefault)
    WriteString(AName, vxDateTimeToString(AValue, UseLocalBias()), UTF8String());
}

// ---------------------------------------------------------------------------------------------
// Named attributes

bool TXmlNode::ReadAttributeBool(const UTF8String& AName, bool ADefault) const {
  UTF8String Text = GetAttributeByName(AName);
  if (Text.empty()) return ADefault;
  try {
    return vxUTF8ToBool(Text);
  } catch (const Exception&) {
    return ADefault;
  }
}

Integer TXmlNode::ReadAttributeInteger(const UTF8String& AName, Integer ADefault) const {
  Int64 V = 0;
  return TryTextToInt(GetAttributeByName(AName), V, false) ? static_cast<Integer>(V) : ADefault;
}

Int64 TXmlNode::ReadAttributeInt64(const UTF8String& AName, Int64 ADefault) const {
  Int64 V = 0;
  return TryTextToInt(GetAttributeByName(AName), V, true) ? V : ADefault;
}

double TXmlNode::ReadAttributeFloat(const UTF8String& AName, double ADefault) const {
  double V = 0;
  return TryTextToFloat(GetAttributeByName(AName), V) ? V : ADefault;
}

TDateTime TXmlNode::ReadAttributeDateTime(const UTF8String& AName, TDateTime ADefault) const {
  UTF8String Text = GetAttributeByName(AName);
  if (Text.empty()) return ADefault;
  try {
    return vxDateTimeFromStringDefault(Text, ADefault, UseLocalBias());
  } catch (const Exception&) {
    return ADefault;
  }
}

UTF8String TXmlNode::ReadAttributeString(const UTF8String& AName,
                                         const UTF8String& ADefault) const {
  UTF8String Text = GetAttributeByName(AName);
  return Text.empty() ? ADefault : Text;
}

namespace {

void WriteAttributeText(TXmlNode* ANode, const UTF8String& AName, const UTF8String& AText) {
  Integer I = ANode->AttributeIndexByname(AName);
  if (I >= 0)
    ANode->SetAttributeValue(I, AText);
  else
    ANode->AttributeAdd(AName, AText);
}

}  // namespace

void TXmlNode::WriteAttributeBool(const UTF8String& AName, bool AValue, bool ADefault) {
  if (GetWriteOnDefault() || AValue != ADefault) WriteAttributeText(this, AName, vxBoolToUTF8(AValue));
}

void TXmlNode::WriteAttributeInteger(const UTF8String& AName, Integer AValue, Integer ADefault) {
  if (GetWriteOnDefault() || AValue != ADefault) WriteAttributeText(this, AName, vxIntToUTF8(AValue));
}

void TXmlNode::WriteAttributeInt64(const UTF8String& AName, Int64 AValue, Int64 ADefault) {
  if (GetWriteOnDefault() || AValue != ADefault)
    WriteAttributeText(this, AName, vxInt64ToUTF8(AValue));
}

void TXmlNode::WriteAttributeFloat(const UTF8String& AName, double AValue, double ADefault) {
  if (GetWriteOnDefault() || AValue != ADefault)
    WriteAttributeText(this, AName,
                       vxWriteNumber(AValue, FloatSignificantDigits(), FloatAllowScientific()));
}

void TXmlNode::WriteAttributeDateTime(const UTF8String& AName, TDateTime AValue,
                                      TDateTime ADefault) {
  if (GetWriteOnDefault() || AValue != ADefault)
    WriteAttributeText(this, AName, vxDateTimeToString(AValue, UseLocalBias()));
}

void TXmlNode::WriteAttributeString(const UTF8String& AName, const UTF8String& AValue,
                                    const UTF8String& ADefault) {
  if (GetWriteOnDefault() || AValue != ADefault) WriteAttributeText(this, AName, AValue);
}

// ---------------------------------------------------------------------------------------------
// Binary values

Integer TXmlNode::BufferLength() const {
  UTF8String Text = vxRemoveControlChars(FValue);
  Integer Length = static_cast<Integer>(Text.size());
  if (GetBinaryEncoding() == xbeBinHex) {
    if (Length % 2 != 0) throw EFilerError(sxeErrorCalcStreamLength);
    return Length / 2;
  }
  if (Length % 4 != 0) throw EFilerError(sxeErrorCalcStreamLength);
  Integer Result = Length / 4 * 3;
  // Only fill characters at the very end count: one "=" or two.
  if (Length >= 1 && Text[static_cast<size_t>(Length) - 1] == '=') {
    --Result;
    if (Length >= 2 && Text[static_cast<size_t>(Length) - 2] == '=') --Result;
  }
  return Result;
}

void TXmlNode::BufferRead(void* Buffer, Integer Count) const {
  UTF8String Text = vxRemoveControlChars(FValue);
  if (GetBinaryEncoding() == xbeBinHex)
    vxDecodeBinHexBuffer(Text, Buffer, Count);
  else
    vxDecodeBase64Buffer(Text, Buffer, Count);
}

void TXmlNode::BufferWrite(const void* Buffer, Integer Count) {
  UTF8String Encoded;
  if (Count > 0) {
    Encoded = GetBinaryEncoding() == xbeBinHex ? vxEncodeBinHexBuffer(Buffer, Count)
                                               : vxEncodeBase64Buffer(Buffer, Count);
  }
  UTF8String ControlChars;
  if (FDocument && FDocument->XmlFormat() == xfReadable) {
    ControlChars = "\r\n";
    const UTF8String& Indent = FDocument->IndentString();
    for (Integer I = GetTreeDepth(); I > 0; --I) ControlChars += Indent;
  }
  FValue = vxAddControlChars(Encoded, ControlChars, 76);
}

namespace {

// Base64 while a binary string is read or written; the previous setting comes back also
// when the conversion fails.
class TBase64Scope {
 public:
  explicit TBase64Scope(TXmlNode* ANode) : FNode(ANode), FSaved(ANode->GetBinaryEncoding()) {
    FNode->SetBinaryEncoding(xbeBase64);
  }
  ~TBase64Scope() { FNode->SetBinaryEncoding(FSaved); }
  TBase64Scope(const TBase64Scope&) = delete;
  TBase64Scope& operator=(const TBase64Scope&) = delete;

 private:
  TXmlNode* FNode;
  TBinaryEncodingType FSaved;
};

}  // namespace

RawByteString TXmlNode::GetBinaryString() {
  TBase64Scope Scope(this);
  RawByteString Result(static_cast<size_t>(BufferLength()), '\0');
  if (!Result.empty()) BufferRead(Result.data(), static_cast<Integer>(Result.size()));
  return Result;
}

void TXmlNode::SetBinaryString(const RawByteString& Value) {
  TBase64Scope Scope(this);
  if (Value.empty())
    SetValueAsString(UTF8String());
  else
    BufferWrite(Value.data(), static_cast<Integer>(Value.size()));
}

}  // namespace Vorlane
