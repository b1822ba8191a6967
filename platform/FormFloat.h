// Exact conversions between the floating-point values of form files and their decimal text:
// the runtime's float-to-text for the text form, and correctly rounded text-to-float for the
// way back. Host floating-point types are never involved, so the results are the same on every
// compiler and processor (the 10-byte extended type included).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Vorlane::FormFloat {

enum class TKind { Finite, Infinite, NaN };

// A finite value is (-1)^Negative * Mantissa * 2^Exponent; a zero has Mantissa 0.
struct TBinaryFloat {
  TKind Kind = TKind::Finite;
  bool Negative = false;
  std::uint64_t Mantissa = 0;
  int Exponent = 0;
};

// The stored formats, little-endian as in the form: extended 10 bytes (64-bit mantissa with
// explicit integer bit, 15-bit exponent), double 8, single 4, currency an Int64 of 1/10000.
TBinaryFloat FromExtended(const std::uint8_t* ABytes);
TBinaryFloat FromDouble(const std::uint8_t* ABytes);
TBinaryFloat FromSingle(const std::uint8_t* ABytes);
TBinaryFloat FromInt64(std::int64_t AValue);
// The extended encoding of a value that has one exactly (every double and single has).
void ToExtended(const TBinaryFloat& AValue, std::uint8_t* ABytes);

// FloatToStrF with ffFixed: rounded to APrecision significant digits and at most ADigits
// decimals, printed with exactly ADigits decimals; more integer digits than APrecision switch
// to FormatGeneral. "INF", "-INF", "NAN" for the special values.
std::string FormatFixed(const TBinaryFloat& AValue, int APrecision, int ADigits);
// FloatToStr (ffGeneral): APrecision significant digits, trailing zeros removed; scientific
// ("1.5E-7", "1E20") below 0.00001 or with more integer digits than APrecision.
std::string FormatGeneral(const TBinaryFloat& AValue, int APrecision);

enum class TTarget { Extended, Double, Single, Currency };
enum class TParseResult { Ok, Malformed, OutOfRange };
// Decimal text "-"? digits ["." digits] [("e"|"E") ["+"|"-"] digits] rounded half to even
// into the target's encoding (10, 8, 4 and 8 bytes at AOut). A currency's text counts
// 1/10000 units, as its text form does. OutOfRange for values beyond the format's largest.
TParseResult ParseDecimal(std::string_view AText, TTarget ATarget, std::uint8_t* AOut);

}  // namespace Vorlane::FormFloat
