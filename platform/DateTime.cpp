#include "platform/DateTime.h"

#include <cmath>
#include <ctime>
#include <optional>

#include "platform/SysUtils.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace Vorlane {

namespace {

// Day number of 1899-12-30 when 0001-01-01 is day 1.
constexpr Int64 cDateDelta = 693594;

// Splits a date-time into its day number (as the value's integer part) and the milliseconds
// of the day; a time that rounds up to midnight moves on to the next day.
void SplitDateTime(TDateTime V, Int64& Day, Int64& MSecs) {
  double ip = std::trunc(V);
  Day = static_cast<Int64>(ip);
  MSecs = static_cast<Int64>(std::llround(std::fabs(V - ip) * MSecsPerDay));
  if (MSecs >= MSecsPerDay) {
    MSecs -= MSecsPerDay;
    ++Day;
  }
}

std::optional<Integer> gBiasOverride;

}  // namespace

bool IsLeapYear(Word Year) { return (Year % 4 == 0) && ((Year % 100 != 0) || (Year % 400 == 0)); }

Word DaysInAMonth(Word Year, Word Month) {
  static const Word days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (Month < 1 || Month > 12) return 0;
  return (Month == 2 && IsLeapYear(Year)) ? 29 : days[Month - 1];
}

bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > DaysInAMonth(Year, Month))
    return false;
  Int64 d = Day;
  for (Word m = 1; m < Month; ++m) d += DaysInAMonth(Year, m);
  Int64 y = Year - 1;
  d += y * 365 + y / 4 - y / 100 + y / 400;
  Date = static_cast<double>(d - cDateDelta);
  return true;
}

TDateTime EncodeDate(Word Year, Word Month, Word Day) {
  TDateTime R;
  if (!TryEncodeDate(Year, Month, Day, R)) throw EConvertError("Invalid argument to date encode");
  return R;
}

bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time) {
  if (Hour >= 24 || Min >= 60 || Sec >= 60 || MSec >= 1000) return false;
  Time = (Hour * 3600000.0 + Min * 60000.0 + Sec * 1000.0 + MSec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec) {
  TDateTime R;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, R)) throw EConvertError("Invalid argument to time encode");
  return R;
}

TDateTime ComposeDateTime(TDateTime ADate, TDateTime ATime) {
  return ADate < 0 ? ADate - ATime : ADate + ATime;
}

void DecodeDate(TDateTime ADateTime, Word& Year, Word& Month, Word& Day) {
  Int64 day, ms;
  SplitDateTime(ADateTime, day, ms);
  Int64 n = day + cDateDelta - 1;  // days since 0001-01-01
  if (n < 0) {
    Year = Month = Day = 0;
    return;
  }
  Int64 y400 = n / 146097;
  n %= 146097;
  Int64 y100 = n / 36524;
  n %= 36524;
  if (y100 == 4) {
    y100 = 3;
    n += 36524;
  }
  Int64 y4 = n / 1461;
  n %= 1461;
  Int64 y1 = n / 365;
  n %= 365;
  if (y1 == 4) {
    y1 = 3;
    n += 365;
  }
  Int64 y = y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1;
  Year = static_cast<Word>(y);
  Word m = 1;
  while (n >= DaysInAMonth(Year, m)) {
    n -= DaysInAMonth(Year, m);
    ++m;
  }
  Month = m;
  Day = static_cast<Word>(n + 1);
}

void DecodeTime(TDateTime ADateTime, Word& Hour, Word& Min, Word& Sec, Word& MSec) {
  Int64 day, ms;
  SplitDateTime(ADateTime, day, ms);
  Hour = static_cast<Word>(ms / 3600000);
  Min = static_cast<Word>(ms / 60000 % 60);
  Sec = static_cast<Word>(ms / 1000 % 60);
  MSec = static_cast<Word>(ms % 1000);
}

void DecodeDateTime(TDateTime ADateTime, Word& Year, Word& Month, Word& Day, Word& Hour,
                    Word& Min, Word& Sec, Word& MSec) {
  DecodeDate(ADateTime, Year, Month, Day);
  DecodeTime(ADateTime, Hour, Min, Sec, MSec);
}

Integer GetLocalTimeBias() {
  if (gBiasOverride) return *gBiasOverride;
#ifdef _WIN32
  TIME_ZONE_INFORMATION tz;
  switch (GetTimeZoneInformation(&tz)) {
    case TIME_ZONE_ID_UNKNOWN: return tz.Bias;
    case TIME_ZONE_ID_STANDARD: return tz.Bias + tz.StandardBias;
    case TIME_ZONE_ID_DAYLIGHT: return tz.Bias + tz.DaylightBias;
    default: return 0;
  }
#else
  std::time_t now = std::time(nullptr);
  std::tm local{};
  if (!localtime_r(&now, &local)) return 0;
  return static_cast<Integer>(-local.tm_gmtoff / 60);
#endif
}

void SetLocalTimeBias(Integer ABias) { gBiasOverride = ABias; }

void ClearLocalTimeBias() { gBiasOverride.reset(); }

}  // namespace Vorlane
