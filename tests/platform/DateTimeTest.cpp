#include <gtest/gtest.h>

#include "platform/DateTime.h"
#include "platform/SysUtils.h"

using namespace Vorlane;

TEST(DateTimeEncode, KnownDayNumbers) {
  // Day numbers counted by hand from 1899-12-30.
  EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_DOUBLE_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_DOUBLE_EQ(EncodeDate(1900, 3, 1), 61.0);  // 1900 is no leap year
  EXPECT_DOUBLE_EQ(EncodeDate(2000, 1, 1), 36526.0);
  EXPECT_DOUBLE_EQ(EncodeDate(2024, 3, 15), 45366.0);
  EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 29), -1.0);
  EXPECT_DOUBLE_EQ(EncodeDate(1, 1, 1), -693593.0);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
}

TEST(DateTimeEncode, InvalidPartsRaise) {
  EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
  EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
  EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
  EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
  EXPECT_THROW(EncodeDate(10000, 1, 1), EConvertError);
  EXPECT_THROW(EncodeDate(2024, 0, 1), EConvertError);
  EXPECT_THROW(EncodeDate(2024, 4, 31), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 60, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
  try {
    EncodeDate(2024, 13, 1);
  } catch (const Exception& e) {
    EXPECT_EQ(e.MessageUtf8(), "Invalid argument to date encode");
  }
}

TEST(DateTimeDecode, RoundTripOverFourCenturiesOfDays) {
  for (int d = -693593; d <= 2958465; d += 97) {
    Word y, m, day;
    DecodeDate(d, y, m, day);
    ASSERT_DOUBLE_EQ(EncodeDate(y, m, day), d) << d;
  }
  Word y, m, day;
  DecodeDate(2958465, y, m, day);  // the last day the runtime knows
  EXPECT_EQ(y, 9999);
  EXPECT_EQ(m, 12);
  EXPECT_EQ(day, 31);
}

TEST(DateTimeDecode, TimesRoundToTheMillisecondAndCarryIntoTheNextDay) {
  Word y, mo, d, h, mi, s, ms;
  DecodeDateTime(45366.5 + 1.0 / 86400000 * 0.6, y, mo, d, h, mi, s, ms);
  EXPECT_EQ(h, 12);
  EXPECT_EQ(ms, 1);
  DecodeDateTime(45366.0 + 0.9999999999, y, mo, d, h, mi, s, ms);
  EXPECT_EQ(d, 16);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(ms, 0);
  // Before 1899-12-30 the time counts away from the day's number.
  DecodeDateTime(-1.25, y, mo, d, h, mi, s, ms);
  EXPECT_EQ(y, 1899);
  EXPECT_EQ(d, 29);
  EXPECT_EQ(h, 6);
  EXPECT_DOUBLE_EQ(ComposeDateTime(-1.0, 0.25), -1.25);
  EXPECT_DOUBLE_EQ(ComposeDateTime(2.0, 0.25), 2.25);
}

TEST(DateTimeBias, TestsCanFixTheBias) {
  SetLocalTimeBias(-90);
  EXPECT_EQ(GetLocalTimeBias(), -90);
  SetLocalTimeBias(300);
  EXPECT_EQ(GetLocalTimeBias(), 300);
  ClearLocalTimeBias();
  Integer system = GetLocalTimeBias();
  EXPECT_GE(system, -14 * 60);
  EXPECT_LE(system, 12 * 60);
}
