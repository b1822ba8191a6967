#include "xml/XmlConvert.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/DateTime.h"
#include "platform/SysUtils.h"
#include "xml/XmlResStrings.h"
#include "xml/XmlText.h"

namespace Vorlane {

namespace {

// The runtime's integer conversion: optional blanks and sign, decimal digits.
bool TryStrToInt(const UTF8String& S, Integer& Value) {
  size_t i = 0;
  while (i < S.size() && S[i] == ' ') ++i;
  bool neg = false;
  if (i < S.size() && (S[i] == '-' || S[i] == '+')) neg = S[i++] == '-';
  if (i >= S.size()) return false;
  Int64 v = 0;
  for (; i < S.size(); ++i) {
    if (S[i] < '0' || S[i] > '9') return false;
    v = v * 10 + (S[i] - '0');
    if (v > 0x80000000LL) return false;
  }
  if (neg) v = -v;
  if (v > 0x7FFFFFFFLL) return false;
  Value = static_cast<Integer>(v);
  return true;
}

Integer StrToInt(const UTF8String& S) {
  Integer v;
  if (!TryStrToInt(S, v)) throw EConvertError("'" + S + "' is not a valid integer value");
  return v;
}

Integer StrToIntDef(const UTF8String& S, Integer ADefault) {
  Integer v;
  return TryStrToInt(S, v) ? v : ADefault;
}

// Copy of the runtime: 1-based start, clipped to the text.
UTF8String Copy(const UTF8String& S, size_t AStart, size_t ACount) {
  if (AStart < 1 || AStart > S.size()) return UTF8String();
  return S.substr(AStart - 1, ACount);
}

// Date and time parts must fit the encoders' ranges; anything else is an invalid argument.
Word ToWord(Integer V, const char* AWhat) {
  if (V < 0 || V > 0xFFFF) throw EConvertError(AWhat);
  return static_cast<Word>(V);
}

const char cBase64Chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Characters outside the alphabet decode as 0, like the fill character.
Byte Base64Value(char C) {
  if (C >= 'A' && C <= 'Z') return static_cast<Byte>(C - 'A');
  if (C >= 'a' && C <= 'z') return static_cast<Byte>(C - 'a' + 26);
  if (C >= '0' && C <= '9') return static_cast<Byte>(C - '0' + 52);
  if (C == '+') return 62;
  if (C == '/') return 63;
  return 0;
}

// Non-hexadecimal characters count as 0.
Byte HexValue(char C) {
  if (C >= '0' && C <= '9') return static_cast<Byte>(C - '0');
  if (C >= 'a' && C <= 'f') return static_cast<Byte>(C - 'a' + 10);
  if (C >= 'A' && C <= 'F') return static_cast<Byte>(C - 'A' + 10);
  return 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Date-times

Integer vxLocalTimeBias() { return GetLocalTimeBias(); }

TDateTime vxDateTimeFromString(const UTF8String& ADate, bool UseLocalBias) {
  const char* cDateErr = "Invalid argument to date encode";
  const char* cTimeErr = "Invalid argument to time encode";
  Word year = ToWord(StrToInt(Copy(ADate, 1, 4)), cDateErr);
  Word month = ToWord(StrToInt(Copy(ADate, 6, 2)), cDateErr);
  Word day = ToWord(StrToInt(Copy(ADate, 9, 2)), cDateErr);
  Word hour = 0, minute = 0, sec = 0, msec = 0;
  if (ADate.size() > 16) {
    hour = ToWord(StrToInt(Copy(ADate, 12, 2)), cTimeErr);
    minute = ToWord(StrToInt(Copy(ADate, 15, 2)), cTimeErr);
    sec = ToWord(StrToIntDef(Copy(ADate, 18, 2), 0), cTimeErr);
    msec = ToWord(StrToIntDef(Copy(ADate, 21, 3), 0), cTimeErr);
  }
  TDateTime result = ComposeDateTime(EncodeDate(year, month, day), EncodeTime(hour, minute, sec, msec));
  if (UseLocalBias) {
    if (ADate.size() > 24) {
      Integer m = StrToInt(Copy(ADate, 25, 2)) * 60 + StrToInt(Copy(ADate, 28, 2));
      if (ADate[23] == '+') m = -m;
      result += m / 1440.0;
    }
    result -= vxLocalTimeBias() / 1440.0;
  }
  return result;
}

TDateTime vxDateTimeFromStringDefault(const UTF8String& ADate, TDateTime ADefault,
                                      bool UseLocalBias) {
  try {
    return vxDateTimeFromString(ADate, UseLocalBias);
  } catch (const Exception&) {
    return ADefault;
  }
}

UTF8String vxDateTimeToString(TDateTime ADate, bool UseLocalBias) {
  Word y, mo, d, h, mi, s, ms;
  DecodeDateTime(ADate, y, mo, d, h, mi, s, ms);
  if (ADate == std::trunc(ADate)) return FormatUtf8("%.4d-%.2d-%.2d", {y, mo, d});
  Integer bias = UseLocalBias ? vxLocalTimeBias() : 0;
  if (bias != 0) {
    const char* sign = bias > 0 ? "-" : "+";
    Integer a = std::abs(bias);
    return FormatUtf8("%.4d-%.2d-%.2dT%.2d:%.2d:%.2d.%.3d%s%.2d:%.2d",
                      {y, mo, d, h, mi, s, ms, sign, a / 60, a % 60});
  }
  return FormatUtf8("%.4d-%.2d-%.2dT%.2d:%.2d:%.2d.%.3dZ", {y, mo, d, h, mi, s, ms});
}

// ---------------------------------------------------------------------------------------------
// Numbers

UTF8String vxWriteNumber(double Value, Integer SignificantDigits, bool AllowScientific) {
  static const Int64 cLimits[10] = {1,         10,         100,         1000,         10000,
                                    100000,    1000000,    10000000,    100000000,    1000000000};
  if (SignificantDigits < 1 || SignificantDigits > 9) throw Exception(sxeSignificantDigitsOutOfRange);
  if (Value == 0) return "0";
  // The scaling loops below would never end on an infinity, and NaN has no digits.
  if (std::isnan(Value)) return "NaN";
  if (std::isinf(Value)) return Value < 0 ? "-INF" : "INF";
  UTF8String result;
  // Scaled in extended precision: in double, the error that each x*10 or x*0.1 adds often
  // tips a value that lies just below or above a half of the last digit the other way
  // (3.145, stored as 3.14500000000000001776..., would come out 3.14 with three digits).
  long double x = Value;
  if (x < 0) {
    result += '-';  // g++ 12 flags a string assignment here as an overlapping copy
    x = -x;
  }
  Integer digits = SignificantDigits;
  const long double limit = static_cast<long double>(cLimits[digits]);
  Integer exponent = digits;
  while (limit / 10 > x) {
    x *= 10;
    --exponent;
  }
  while (!(x < limit)) {
    x *= 0.1L;
    ++exponent;
  }
  Int64 mantissa = static_cast<Int64>(std::nearbyint(x));
  if (mantissa >= cLimits[digits]) {
    mantissa /= 10;
    ++exponent;
  }
  while (mantissa % 10 == 0 && digits > exponent) {
    mantissa /= 10;
    --digits;
  }
  Integer e = 0;
  if (AllowScientific && (exponent < -1 || exponent > digits + 2)) {
    e = exponent - 1;
    exponent = 1;
  }
  UTF8String s = std::to_string(mantissa);
  while (digits < exponent) {
    s += '0';
    ++digits;
  }
  while (exponent < 0) {
    s.insert(s.begin(), '0');
    ++exponent;
  }
  if (exponent == 0) s.insert(s.begin(), '.');
  else if (exponent >= 1 && exponent <= digits - 1) s.insert(static_cast<size_t>(exponent), 1, '.');
  result += s;
  if (e != 0) {
    result += 'E';
    result += std::to_string(e);
  }
  return result;
}

// ---------------------------------------------------------------------------------------------
// Booleans

bool vxUTF8ToBool(const UTF8String& AValue) {
  if (!AValue.empty()) {
    switch (vxUpCase(AValue[0])) {
      case '0': case 'F': case 'N': return false;
      case '1': case 'T': case 'Y': return true;
      default: break;
    }
  }
  throw Exception(sxeCannotConvertToBoolean);
}

UTF8String vxBoolToUTF8(bool AValue) { return AValue ? "true" : "false"; }

// ---------------------------------------------------------------------------------------------
// Base64 and BinHex

UTF8String vxEncodeBase64Buffer(const void* Buffer, Integer Count) {
  if (Count <= 0) return UTF8String();
  const Byte* p = static_cast<const Byte*>(Buffer);
  UTF8String R(4 * ((static_cast<size_t>(Count) + 2) / 3), '=');
  size_t o = 0;
  for (Integer i = 0; i < Count; i += 3) {
    Integer n = std::min(3, Count - i);
    uint32_t v = static_cast<uint32_t>(p[i]) << 16;
    if (n > 1) v |= static_cast<uint32_t>(p[i + 1]) << 8;
    if (n > 2) v |= p[i + 2];
    R[o] = cBase64Chars[(v >> 18) & 63];
    R[o + 1] = cBase64Chars[(v >> 12) & 63];
    if (n > 1) R[o + 2] = cBase64Chars[(v >> 6) & 63];
    if (n > 2) R[o + 3] = cBase64Chars[v & 63];
    o += 4;
  }
  return R;
}

void vxDecodeBase64Buffer(const UTF8String& Source, void* Buffer, Integer Count) {
  if (Count <= 0) return;
  if (static_cast<Int64>(Source.size() / 4) * 3 < Count) throw EFilerError(sxeMissingDataInBinaryStream);
  Byte* p = static_cast<Byte*>(Buffer);
  Integer stored = 0;
  const size_t groups = Source.size() / 4;
  for (size_t g = 0; g < groups && stored < Count; ++g) {
    uint32_t v = 0;
    for (size_t k = 0; k < 4; ++k) v = (v << 6) | Base64Value(Source[g * 4 + k]);
    for (int b = 2; b >= 0 && stored < Count; --b) p[stored++] = static_cast<Byte>(v >> (8 * b));
  }
}

UTF8String EncodeBase64(const RawByteString& Source) {
  if (Source.empty()) return UTF8String();
  return vxEncodeBase64Buffer(Source.data(), static_cast<Integer>(Source.size()));
}

RawByteString DecodeBase64(const UTF8String& Source) {
  UTF8String s = vxRemoveControlChars(Source);
  if (s.size() % 4 != 0) throw EFilerError(sxeErrorCalcStreamLength);
  if (s.empty()) return RawByteString();
  size_t size = s.size() / 4 * 3;
  if (s.back() == '=') {
    --size;
    if (s[s.size() - 2] == '=') --size;
  }
  RawByteString R(size, '\0');
  vxDecodeBase64Buffer(s, R.data(), static_cast<Integer>(size));
  return R;
}

UTF8String vxEncodeBinHexBuffer(const void* Buffer, Integer Count) {
  static const char cHex[] = "0123456789ABCDEF";
  if (Count <= 0) return UTF8String();
  const Byte* p = static_cast<const Byte*>(Buffer);
  UTF8String R(static_cast<size_t>(Count) * 2, '0');
  for (Integer i = 0; i < Count; ++i) {
    R[static_cast<size_t>(i) * 2] = cHex[p[i] >> 4];
    R[static_cast<size_t>(i) * 2 + 1] = cHex[p[i] & 15];
  }
  return R;
}

void vxDecodeBinHexBuffer(const UTF8String& Source, void* Buffer, Integer Count) {
  if (Count <= 0) return;
  if (static_cast<Int64>(Source.size() / 2) < Count) throw EFilerError(sxeMissingDataInBinaryStream);
  Byte* p = static_cast<Byte*>(Buffer);
  for (Integer i = 0; i < Count; ++i)
    p[i] = static_cast<Byte>((HexValue(Source[static_cast<size_t>(i) * 2]) << 4) |
                             HexValue(Source[static_cast<size_t>(i) * 2 + 1]));
}

UTF8String EncodeBinHex(const RawByteString& Source) {
  return vxEncodeBinHexBuffer(Source.data(), static_cast<Integer>(Source.size()));
}

RawByteString DecodeBinHex(const UTF8String& Source) {
  UTF8String s = vxRemoveControlChars(Source);
  if (s.size() % 2 != 0) throw EFilerError(sxeErrorCalcStreamLength);
  RawByteString R(s.size() / 2, '\0');
  vxDecodeBinHexBuffer(s, R.data(), static_cast<Integer>(R.size()));
  return R;
}

}  // namespace Vorlane
