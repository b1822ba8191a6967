#include "platform/FormFloat.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Vorlane::FormFloat {

namespace {

// ---------------------------------------------------------------------------------------------
// Unsigned integers of any size, just what exact decimal conversion needs. The largest ones
// come from extended values near the ends of their range (about 16,500 bits).

class TBig {
 public:
  static TBig From(std::uint64_t AValue) {
    TBig R;
    R.FWords = {static_cast<std::uint32_t>(AValue), static_cast<std::uint32_t>(AValue >> 32)};
    R.Trim();
    return R;
  }

  bool IsZero() const { return FWords.empty(); }

  int BitLength() const {
    if (FWords.empty()) return 0;
    int Bits = static_cast<int>(FWords.size() - 1) * 32;
    for (std::uint32_t Top = FWords.back(); Top != 0; Top >>= 1) ++Bits;
    return Bits;
  }

  bool Bit(int AIndex) const {
    const size_t Word = static_cast<size_t>(AIndex) / 32;
    return Word < FWords.size() && ((FWords[Word] >> (AIndex % 32)) & 1u) != 0;
  }

  // Whether any of the bits below ACount is set.
  bool LowBitsSet(int ACount) const {
    for (int I = 0; I < ACount && static_cast<size_t>(I / 32) < FWords.size(); I += 32) {
      const int Take = std::min(32, ACount - I);
      const std::uint32_t Mask = Take == 32 ? 0xFFFFFFFFu : ((1u << Take) - 1u);
      if ((FWords[static_cast<size_t>(I / 32)] & Mask) != 0) return true;
    }
    return false;
  }

  std::uint64_t Low64() const {
    std::uint64_t R = FWords.empty() ? 0 : FWords[0];
    if (FWords.size() > 1) R |= static_cast<std::uint64_t>(FWords[1]) << 32;
    return R;
  }

  void MulSmall(std::uint32_t AFactor) {
    std::uint64_t Carry = 0;
    for (auto& W : FWords) {
      const std::uint64_t P = static_cast<std::uint64_t>(W) * AFactor + Carry;
      W = static_cast<std::uint32_t>(P);
      Carry = P >> 32;
    }
    if (Carry != 0) FWords.push_back(static_cast<std::uint32_t>(Carry));
    Trim();
  }

  void AddSmall(std::uint32_t AValue) {
    std::uint64_t Carry = AValue;
    for (size_t I = 0; Carry != 0; ++I) {
      if (I == FWords.size()) FWords.push_back(0);
      const std::uint64_t S = static_cast<std::uint64_t>(FWords[I]) + Carry;
      FWords[I] = static_cast<std::uint32_t>(S);
      Carry = S >> 32;
    }
  }

  void MulPow5(int ACount) {
    for (; ACount >= 13; ACount -= 13) MulSmall(1220703125u);  // 5^13
    std::uint32_t F = 1;
    for (; ACount > 0; --ACount) F *= 5;
    MulSmall(F);
  }

  void MulPow10(int ACount) {
    MulPow5(ACount);
    ShiftLeft(ACount);
  }

  void ShiftLeft(int ACount) {
    if (FWords.empty() || ACount <= 0) return;
    const size_t Words = static_cast<size_t>(ACount) / 32;
    const int Bits = ACount % 32;
    FWords.insert(FWords.begin(), Words, 0);
    if (Bits != 0) {
      std::uint32_t Carry = 0;
      for (size_t I = Words; I < FWords.size(); ++I) {
        const std::uint32_t W = FWords[I];
        FWords[I] = (W << Bits) | Carry;
        Carry = W >> (32 - Bits);
      }
      if (Carry != 0) FWords.push_back(Carry);
    }
  }

  void ShiftRight(int ACount) {
    const size_t Words = static_cast<size_t>(ACount) / 32;
    const int Bits = ACount % 32;
    if (Words >= FWords.size()) {
      FWords.clear();
      return;
    }
    FWords.erase(FWords.begin(), FWords.begin() + static_cast<std::ptrdiff_t>(Words));
    if (Bits != 0) {
      for (size_t I = 0; I < FWords.size(); ++I) {
        const std::uint32_t Next = I + 1 < FWords.size() ? FWords[I + 1] : 0;
        FWords[I] = (FWords[I] >> Bits) | (Next << (32 - Bits));
      }
    }
    Trim();
  }

  // Divides in place and returns the remainder.
  std::uint32_t DivSmall(std::uint32_t ADivisor) {
    std::uint64_t Rest = 0;
    for (size_t I = FWords.size(); I-- > 0;) {
      const std::uint64_t Cur = (Rest << 32) | FWords[I];
      FWords[I] = static_cast<std::uint32_t>(Cur / ADivisor);
      Rest = Cur % ADivisor;
    }
    Trim();
    return static_cast<std::uint32_t>(Rest);
  }

  friend int Compare(const TBig& A, const TBig& B) {
    if (A.FWords.size() != B.FWords.size()) return A.FWords.size() < B.FWords.size() ? -1 : 1;
    for (size_t I = A.FWords.size(); I-- > 0;)
      if (A.FWords[I] != B.FWords[I]) return A.FWords[I] < B.FWords[I] ? -1 : 1;
    return 0;
  }

  // this -= AValue; requires this >= AValue.
  void Subtract(const TBig& AValue) {
    std::int64_t Borrow = 0;
    for (size_t I = 0; I < FWords.size(); ++I) {
      std::int64_t D = static_cast<std::int64_t>(FWords[I]) - Borrow -
                       (I < AValue.FWords.size() ? static_cast<std::int64_t>(AValue.FWords[I]) : 0);
      Borrow = D < 0 ? 1 : 0;
      if (D < 0) D += static_cast<std::int64_t>(1) << 32;
      FWords[I] = static_cast<std::uint32_t>(D);
    }
    Trim();
  }

  // Decimal digits, "0" for zero.
  std::string ToDecimal() const {
    if (IsZero()) return "0";
    TBig N = *this;
    std::vector<std::uint32_t> Groups;
    while (!N.IsZero()) Groups.push_back(N.DivSmall(1000000000u));
    std::string R = std::to_string(Groups.back());
    for (size_t I = Groups.size() - 1; I-- > 0;) {
      const std::string G = std::to_string(Groups[I]);
      R.append(9 - G.size(), '0');
      R += G;
    }
    return R;
  }

 private:
  void Trim() {
    while (!FWords.empty() && FWords.back() == 0) FWords.pop_back();
  }
  std::vector<std::uint32_t> FWords;
};

// Quotient and remainder of ANum / ADen for a quotient of a few words: shift and subtract.
TBig Divide(TBig& ANum, const TBig& ADen) {
  TBig Quotient;
  const int Top = ANum.BitLength() - ADen.BitLength();
  for (int I = Top; I >= 0; --I) {
    TBig Shifted = ADen;
    Shifted.ShiftLeft(I);
    Quotient.ShiftLeft(1);
    if (Compare(ANum, Shifted) >= 0) {
      ANum.Subtract(Shifted);
      Quotient.AddSmall(1);
    }
  }
  return Quotient;
}

// Rounds ANum / ADen (both positive) to ABits bits, half to even, with the unit of the lowest
// bit never below 2^AMinExp. Gives AMantissa * 2^AExponent; AMantissa has fewer than ABits
// bits only when AExponent is AMinExp (gradual underflow).
void RoundRational(TBig ANum, TBig ADen, int ABits, int AMinExp, std::uint64_t& AMantissa, int& AExponent) {
  // A quotient of ABits + 1 or ABits + 2 bits leaves the rounding bit in it.
  int E = std::max(ANum.BitLength() - ADen.BitLength() - ABits - 1, AMinExp);
  if (E < 0)
    ANum.ShiftLeft(-E);
  else
    ADen.ShiftLeft(E);
  TBig Q = Divide(ANum, ADen);  // ANum is now the remainder
  bool Up;
  const int Excess = Q.BitLength() - ABits;
  if (Excess > 0) {
    const bool Half = Q.Bit(Excess - 1);
    const bool Below = Q.LowBitsSet(Excess - 1) || !ANum.IsZero();
    Q.ShiftRight(Excess);
    E += Excess;
    Up = Half && (Below || Q.Bit(0));
  } else {
    ANum.ShiftLeft(1);
    const int C = Compare(ANum, ADen);
    Up = C > 0 || (C == 0 && Q.Bit(0));
  }
  if (Up) Q.AddSmall(1);
  if (Q.BitLength() > ABits) {
    Q.ShiftRight(1);  // a power of two: nothing is lost
    ++E;
  }
  AMantissa = Q.Low64();
  AExponent = E;
}

int BitLength64(std::uint64_t V) {
  int N = 0;
  for (; V != 0; V >>= 1) ++N;
  return N;
}

std::uint64_t Load(const std::uint8_t* ABytes, int ACount) {
  std::uint64_t R = 0;
  for (int I = ACount; I-- > 0;) R = (R << 8) | ABytes[I];
  return R;
}

void Store(std::uint64_t AValue, std::uint8_t* ABytes, int ACount) {
  for (int I = 0; I < ACount; ++I, AValue >>= 8) ABytes[I] = static_cast<std::uint8_t>(AValue);
}

// Value = 0.ADigits * 10^AExp exactly, without trailing zeros; empty digits for zero.
void ExactDecimal(const TBinaryFloat& AValue, std::string& ADigits, int& AExp) {
  ADigits.clear();
  AExp = 0;
  if (AValue.Mantissa == 0) return;
  TBig N = TBig::From(AValue.Mantissa);
  int Fraction = 0;
  if (AValue.Exponent >= 0) {
    N.ShiftLeft(AValue.Exponent);
  } else {
    N.MulPow5(-AValue.Exponent);
    Fraction = -AValue.Exponent;
  }
  ADigits = N.ToDecimal();
  AExp = static_cast<int>(ADigits.size()) - Fraction;
  while (!ADigits.empty() && ADigits.back() == '0') ADigits.pop_back();
}

// Keeps ACount significant digits, rounding half away from zero on the exact value.
void RoundDigits(std::string& ADigits, int& AExp, int ACount) {
  if (ACount >= static_cast<int>(ADigits.size())) return;
  if (ACount < 0) {
    ADigits.clear();
    return;
  }
  const bool Up = ADigits[static_cast<size_t>(ACount)] >= '5';
  ADigits.resize(static_cast<size_t>(ACount));
  if (Up) {
    int I = ACount - 1;
    while (I >= 0 && ADigits[static_cast<size_t>(I)] == '9') ADigits[static_cast<size_t>(I--)] = '0';
    if (I < 0) {
      ADigits.insert(ADigits.begin(), '1');
      ++AExp;
    } else {
      ++ADigits[static_cast<size_t>(I)];
    }
  }
  while (!ADigits.empty() && ADigits.back() == '0') ADigits.pop_back();
}

std::string SpecialText(const TBinaryFloat& AValue) {
  if (AValue.Kind == TKind::NaN) return "NAN";
  return AValue.Negative ? "-INF" : "INF";
}

}  // namespace

TBinaryFloat FromExtended(const std::uint8_t* ABytes) {
  TBinaryFloat R;
  const std::uint64_t Mantissa = Load(ABytes, 8);
  const unsigned SignExp = static_cast<unsigned>(Load(ABytes + 8, 2));
  const int Exp = static_cast<int>(SignExp & 0x7FFF);
  R.Negative = (SignExp & 0x8000) != 0;
  if (Exp == 0x7FFF) {
    R.Kind = (Mantissa << 1) == 0 ? TKind::Infinite : TKind::NaN;
    return R;
  }
  R.Mantissa = Mantissa;
  R.Exponent = (Exp == 0 ? 1 : Exp) - 16383 - 63;
  return R;
}

TBinaryFloat FromDouble(const std::uint8_t* ABytes) {
  TBinaryFloat R;
  const std::uint64_t Bits = Load(ABytes, 8);
  const int Exp = static_cast<int>((Bits >> 52) & 0x7FF);
  const std::uint64_t Fraction = Bits & ((std::uint64_t{1} << 52) - 1);
  R.Negative = (Bits >> 63) != 0;
  if (Exp == 0x7FF) {
    R.Kind = Fraction == 0 ? TKind::Infinite : TKind::NaN;
    return R;
  }
  R.Mantissa = Exp == 0 ? Fraction : Fraction | (std::uint64_t{1} << 52);
  R.Exponent = (Exp == 0 ? 1 : Exp) - 1023 - 52;
  return R;
}

TBinaryFloat FromSingle(const std::uint8_t* ABytes) {
  TBinaryFloat R;
  const std::uint32_t Bits = static_cast<std::uint32_t>(Load(ABytes, 4));
  const int Exp = static_cast<int>((Bits >> 23) & 0xFF);
  const std::uint32_t Fraction = Bits & ((1u << 23) - 1);
  R.Negative = (Bits >> 31) != 0;
  if (Exp == 0xFF) {
    R.Kind = Fraction == 0 ? TKind::Infinite : TKind::NaN;
    return R;
  }
  R.Mantissa = Exp == 0 ? Fraction : Fraction | (1u << 23);
  R.Exponent = (Exp == 0 ? 1 : Exp) - 127 - 23;
  return R;
}

TBinaryFloat FromInt64(std::int64_t AValue) {
  TBinaryFloat R;
  R.Negative = AValue < 0;
  R.Mantissa = AValue < 0 ? static_cast<std::uint64_t>(-(AValue + 1)) + 1 : static_cast<std::uint64_t>(AValue);
  return R;
}

void ToExtended(const TBinaryFloat& AValue, std::uint8_t* ABytes) {
  std::uint64_t Mantissa = 0;
  int Biased = 0;
  if (AValue.Kind != TKind::Finite) {
    Biased = 0x7FFF;
    Mantissa = AValue.Kind == TKind::NaN ? 0xC000000000000000u : 0x8000000000000000u;
  } else if (AValue.Mantissa != 0) {
    const int Shift = 64 - BitLength64(AValue.Mantissa);
    Mantissa = AValue.Mantissa << Shift;
    Biased = AValue.Exponent - Shift + 63 + 16383;
    if (Biased <= 0) {
      Mantissa >>= std::min(63, 1 - Biased);
      Biased = 0;
    }
  }
  Store(Mantissa, ABytes, 8);
  Store(static_cast<std::uint64_t>(Biased | (AValue.Negative ? 0x8000 : 0)), ABytes + 8, 2);
}

std::string FormatGeneral(const TBinaryFloat& AValue, int APrecision) {
  if (AValue.Kind != TKind::Finite) return SpecialText(AValue);
  const std::string Sign = AValue.Negative ? "-" : "";
  std::string Digits;
  int Exp;
  ExactDecimal(AValue, Digits, Exp);
  RoundDigits(Digits, Exp, APrecision);
  if (Digits.empty()) return Sign + "0";
  if (Exp > APrecision || Exp < -4) {
    std::string R = Sign + Digits[0];
    if (Digits.size() > 1) R.append(".").append(Digits, 1);
    return R.append("E").append(std::to_string(Exp - 1));
  }
  if (Exp <= 0) return std::string(Sign).append("0.").append(static_cast<size_t>(-Exp), '0').append(Digits);
  std::string R = Sign + Digits.substr(0, std::min(Digits.size(), static_cast<size_t>(Exp)));
  if (static_cast<int>(Digits.size()) < Exp) R.append(static_cast<size_t>(Exp) - Digits.size(), '0');
  if (static_cast<int>(Digits.size()) > Exp) R.append(".").append(Digits, static_cast<size_t>(Exp));
  return R;
}

std::string FormatFixed(const TBinaryFloat& AValue, int APrecision, int ADigits) {
  if (AValue.Kind != TKind::Finite) return SpecialText(AValue);
  std::string Digits;
  int Exp;
  ExactDecimal(AValue, Digits, Exp);
  {
    std::string Rounded = Digits;
    int RoundedExp = Exp;
    RoundDigits(Rounded, RoundedExp, APrecision);
    if (!Rounded.empty() && RoundedExp > APrecision) return FormatGeneral(AValue, APrecision);
  }
  RoundDigits(Digits, Exp, std::min(APrecision, Exp + ADigits));
  std::string R = AValue.Negative ? "-" : "";
  if (Digits.empty() || Exp <= 0) {
    R += '0';
  } else {
    for (int I = 0; I < Exp; ++I) R += I < static_cast<int>(Digits.size()) ? Digits[static_cast<size_t>(I)] : '0';
  }
  R += '.';
  for (int I = 0; I < ADigits; ++I) {
    const int At = Exp + I;
    R += !Digits.empty() && At >= 0 && At < static_cast<int>(Digits.size()) ? Digits[static_cast<size_t>(At)] : '0';
  }
  return R;
}

TParseResult ParseDecimal(std::string_view AText, TTarget ATarget, std::uint8_t* AOut) {
  size_t P = 0;
  const bool Negative = P < AText.size() && AText[P] == '-';
  if (Negative) ++P;
  std::string Digits;
  int DigitCount = 0;
  long Scale = 0;  // decimal places taken from the fraction
  auto IsDigit = [&](size_t I) { return I < AText.size() && AText[I] >= '0' && AText[I] <= '9'; };
  for (; IsDigit(P); ++P, ++DigitCount)
    if (!Digits.empty() || AText[P] != '0') Digits += AText[P];
  if (P < AText.size() && AText[P] == '.') {
    for (++P; IsDigit(P); ++P, ++DigitCount, ++Scale)
      if (!Digits.empty() || AText[P] != '0') Digits += AText[P];
  }
  if (DigitCount == 0) return TParseResult::Malformed;
  long Exp10 = 0;
  if (P < AText.size() && (AText[P] == 'e' || AText[P] == 'E')) {
    ++P;
    const bool ExpNegative = P < AText.size() && AText[P] == '-';
    if (P < AText.size() && (AText[P] == '-' || AText[P] == '+')) ++P;
    if (!IsDigit(P)) return TParseResult::Malformed;
    for (; IsDigit(P); ++P) Exp10 = std::min(Exp10 * 10 + (AText[P] - '0'), 1000000L);
    if (ExpNegative) Exp10 = -Exp10;
  }
  if (P != AText.size()) return TParseResult::Malformed;
  Exp10 -= Scale;

  int Bits = 64, MinExp = 0, Size = 8;
  switch (ATarget) {
    case TTarget::Extended: Bits = 64; MinExp = 1 - 16383 - 63; Size = 10; break;
    case TTarget::Double: Bits = 53; MinExp = 1 - 1023 - 52; break;
    case TTarget::Single: Bits = 24; MinExp = 1 - 127 - 23; Size = 4; break;
    case TTarget::Currency: Bits = 64; MinExp = 0; break;
  }
  std::memset(AOut, 0, static_cast<size_t>(Size));
  std::uint64_t Mantissa = 0;
  int Exp2 = MinExp;
  // Past 10^5000 every format overflows, below 10^-5000 every one rounds to zero; the
  // bounds keep hostile exponents from building huge numbers.
  const long Magnitude = static_cast<long>(Digits.size()) + Exp10;
  if (!Digits.empty() && Magnitude > 5000) return TParseResult::OutOfRange;
  if (!Digits.empty() && Magnitude >= -5000) {
    TBig Num, Den = TBig::From(1);
    for (char C : Digits) {
      Num.MulSmall(10);
      Num.AddSmall(static_cast<std::uint32_t>(C - '0'));
    }
    if (Exp10 >= 0)
      Num.MulPow10(static_cast<int>(Exp10));
    else
      Den.MulPow10(static_cast<int>(-Exp10));
    RoundRational(Num, Den, Bits, MinExp, Mantissa, Exp2);
  }
  const bool Full = BitLength64(Mantissa) == Bits;
  switch (ATarget) {
    case TTarget::Extended: {
      const int Biased = Full ? Exp2 + 63 + 16383 : 0;
      if (Biased >= 0x7FFF) return TParseResult::OutOfRange;
      Store(Mantissa, AOut, 8);
      Store(static_cast<std::uint64_t>(Biased | (Negative ? 0x8000 : 0)), AOut + 8, 2);
      break;
    }
    case TTarget::Double:
    case TTarget::Single: {
      const int FractionBits = Bits - 1;
      const int Bias = ATarget == TTarget::Double ? 1023 : 127;
      const int MaxBiased = ATarget == TTarget::Double ? 0x7FF : 0xFF;
      const int Biased = Full ? Exp2 + FractionBits + Bias : 0;
      if (Biased >= MaxBiased) return TParseResult::OutOfRange;
      const std::uint64_t Encoded = (Mantissa & ((std::uint64_t{1} << FractionBits) - 1)) |
                                    (static_cast<std::uint64_t>(Biased) << FractionBits) |
                                    (static_cast<std::uint64_t>(Negative ? 1 : 0) << (FractionBits + (ATarget == TTarget::Double ? 11 : 8)));
      Store(Encoded, AOut, Size);
      break;
    }
    case TTarget::Currency: {
      if (Mantissa != 0 && (Exp2 >= 64 || BitLength64(Mantissa) + Exp2 > 64)) return TParseResult::OutOfRange;
      const std::uint64_t Magnitude64 = Mantissa << Exp2;
      const std::uint64_t Limit = Negative ? (std::uint64_t{1} << 63) : (std::uint64_t{1} << 63) - 1;
      if (Magnitude64 > Limit) return TParseResult::OutOfRange;
      Store(Negative ? ~Magnitude64 + 1 : Magnitude64, AOut, 8);
      break;
    }
  }
  return TParseResult::Ok;
}

}  // namespace Vorlane::FormFloat
