// Conversions between node texts and typed values: date-times, numbers, Booleans and binary
// data in Base64 or BinHex.
#pragma once

#include "platform/Types.h"

namespace Vorlane {

// Minutes such that UTC = local time + bias (positive west of Greenwich).
Integer vxLocalTimeBias();

// Reads "YYYY-MM-DD" or "YYYY-MM-DDThh:mm:ss.zzz" with "Z" or "+hh:mm"/"-hh:mm".
// Raises EConvertError on malformed text. With UseLocalBias the zone is honoured and the
// result is local time; without it the time is taken as written.
TDateTime vxDateTimeFromString(const UTF8String& ADate, bool UseLocalBias);
TDateTime vxDateTimeFromStringDefault(const UTF8String& ADate, TDateTime ADefault,
                                      bool UseLocalBias);
UTF8String vxDateTimeToString(TDateTime ADate, bool UseLocalBias);

// Decimal text rounded to SignificantDigits (1..9) significant digits, without a zero before
// the point (".5"); when allowed, scientific form ("1.234E-3") for values below 0.01 or with
// more than two zeros beyond the kept digits. Infinities and NaN are written "INF", "-INF"
// and "NaN".
UTF8String vxWriteNumber(double Value, Integer SignificantDigits, bool AllowScientific);

// Decided by the first character: 0/F/N false, 1/T/Y true (ASCII case ignored); anything
// else, or an empty text, raises Exception "Cannot convert value to bool".
bool vxUTF8ToBool(const UTF8String& AValue);
UTF8String vxBoolToUTF8(bool AValue);

// Byte strings to and from text. The string decoders drop blanks first; the buffer coders
// neither write nor accept line breaks.
UTF8String EncodeBase64(const RawByteString& Source);
RawByteString DecodeBase64(const UTF8String& Source);
UTF8String EncodeBinHex(const RawByteString& Source);
RawByteString DecodeBinHex(const UTF8String& Source);

UTF8String vxEncodeBase64Buffer(const void* Buffer, Integer Count);
void vxDecodeBase64Buffer(const UTF8String& Source, void* Buffer, Integer Count);
UTF8String vxEncodeBinHexBuffer(const void* Buffer, Integer Count);
void vxDecodeBinHexBuffer(const UTF8String& Source, void* Buffer, Integer Count);

}  // namespace Vorlane
