// Date-time values of the runtime (days since 1899-12-30, the fraction is the time of day)
// and the local time bias.
#pragma once

#include "platform/Types.h"

namespace Vorlane {

inline constexpr Integer MSecsPerDay = 86400000;

bool IsLeapYear(Word Year);
Word DaysInAMonth(Word Year, Word Month);

// Encoding raises EConvertError "Invalid argument to date encode" / "... time encode".
bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date);
TDateTime EncodeDate(Word Year, Word Month, Word Day);
bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time);
TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec);
// Date plus time, also right for days before 1899-12-30 (whose values are negative).
TDateTime ComposeDateTime(TDateTime ADate, TDateTime ATime);

// Decoding rounds to the nearest millisecond.
void DecodeDate(TDateTime ADateTime, Word& Year, Word& Month, Word& Day);
void DecodeTime(TDateTime ADateTime, Word& Hour, Word& Min, Word& Sec, Word& MSec);
void DecodeDateTime(TDateTime ADateTime, Word& Year, Word& Month, Word& Day, Word& Hour,
                    Word& Min, Word& Sec, Word& MSec);

// Minutes such that UTC = local time + bias (positive west of Greenwich), for the zone's
// state at the moment of the call: Windows' time-zone information, the C library's zone
// offset on POSIX; 0 when the system cannot tell.
Integer GetLocalTimeBias();
// Lets tests fix the bias regardless of the machine's zone; ClearLocalTimeBias goes back to
// asking the system.
void SetLocalTimeBias(Integer ABias);
void ClearLocalTimeBias();

}  // namespace Vorlane
