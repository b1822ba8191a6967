#include <gtest/gtest.h>

#include <cmath>

#include "common/TestSupport.h"
#include "platform/DateTime.h"
#include "platform/SysUtils.h"
#include "xml/XmlConvert.h"

using namespace Vorlane;

namespace {

// Fixes the local bias for one test and gives the machine's zone back afterwards.
class BiasScope {
 public:
  explicit BiasScope(Integer ABias) { SetLocalTimeBias(ABias); }
  ~BiasScope() { ClearLocalTimeBias(); }
};

using TestSupport::MessageOf;

// 2024-03-15 in days since 1899-12-30, worked out by hand: 45366.
constexpr double cMarch15 = 45366.0;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Date-times

TEST(ConvertDateTime, ReadsDatesAndTimes) {
  EXPECT_DOUBLE_EQ(vxDateTimeFromString("2024-03-15", false), cMarch15);
  // Sixteen characters or fewer: midnight, even with hours and minutes present.
  EXPECT_DOUBLE_EQ(vxDateTimeFromString("2024-03-15T12:30", false), cMarch15);
  EXPECT_DOUBLE_EQ(vxDateTimeFromString("2024-03-15T12:00:00.000", false), cMarch15 + 0.5);
  EXPECT_DOUBLE_EQ(vxDateTimeFromString("2024-03-15T06:00:0", false), cMarch15 + 0.25);
  EXPECT_NEAR(vxDateTimeFromString("2024-03-15T00:00:01.500", false), cMarch15 + 1.5 / 86400, 1e-9);
  EXPECT_DOUBLE_EQ(vxDateTimeFromString("1899-12-30", false), 0.0);
}

TEST(ConvertDateTime, WithoutBiasTheZoneIsIgnored) {
  BiasScope bias(-60);
  double plain = vxDateTimeFromString("2024-03-15T12:00:00.000", false);
  EXPECT_DOUBLE_EQ(vxDateTimeFromString("2024-03-15T12:00:00.000Z", false), plain);
  EXPECT_DOUBLE_EQ(vxDateTimeFromString("2024-03-15T12:00:00.000+02:00", false), plain);
}

TEST(ConvertDateTime, WithBiasTheOffsetIsAppliedAndTheLocalBiasSubtracted) {
  BiasScope bias(-60);  // local = UTC + 1 hour
  const double hour = 1.0 / 24;
  EXPECT_NEAR(vxDateTimeFromString("2024-03-15T12:00:00.000Z", true), cMarch15 + 0.5 + hour, 1e-9);
  EXPECT_NEAR(vxDateTimeFromString("2024-03-15T12:00:00.000", true), cMarch15 + 0.5 + hour, 1e-9);
  // 12:00 at +02:00 is 10:00 UTC, 11:00 local.
  EXPECT_NEAR(vxDateTimeFromString("2024-03-15T12:00:00.000+02:00", true), cMarch15 + 11 * hour, 1e-9);
  EXPECT_NEAR(vxDateTimeFromString("2024-03-15T12:00:00.000-01:30", true),
              cMarch15 + 14.5 * hour, 1e-9);
}

TEST(ConvertDateTime, MalformedTextRaisesAndTheDefaultVariantCatches) {
  EXPECT_EQ(MessageOf([] { vxDateTimeFromString("", false); }),
            "EConvertError: '' is not a valid integer value");
  EXPECT_EQ(MessageOf([] { vxDateTimeFromString("2024-13-01", false); }),
            "EConvertError: Invalid argument to date encode");
  EXPECT_EQ(MessageOf([] { vxDateTimeFromString("2023-02-29", false); }),
            "EConvertError: Invalid argument to date encode");
  EXPECT_EQ(MessageOf([] { vxDateTimeFromString("2024-03-15T25:00:00", false); }),
            "EConvertError: Invalid argument to time encode");
  EXPECT_EQ(MessageOf([] { vxDateTimeFromString("2024-03-15Txx:00:00", false); }),
            "EConvertError: 'xx' is not a valid integer value");
  EXPECT_DOUBLE_EQ(vxDateTimeFromStringDefault("", 7.5, false), 7.5);
  EXPECT_DOUBLE_EQ(vxDateTimeFromStringDefault("2024-02-30", 1.0, true), 1.0);
  EXPECT_DOUBLE_EQ(vxDateTimeFromStringDefault("2024-03-15", 1.0, false), cMarch15);
}

TEST(ConvertDateTime, WritesDateOnlyForMidnight) {
  BiasScope bias(-60);
  EXPECT_EQ(vxDateTimeToString(cMarch15, false), "2024-03-15");
  EXPECT_EQ(vxDateTimeToString(cMarch15, true), "2024-03-15");
}

TEST(ConvertDateTime, WritesTheBiasAsAnOffset) {
  {
    BiasScope bias(-60);
    EXPECT_EQ(vxDateTimeToString(cMarch15 + 0.5, true), "2024-03-15T12:00:00.000+01:00");
    EXPECT_EQ(vxDateTimeToString(cMarch15 + 0.5, false), "2024-03-15T12:00:00.000Z");
  }
  {
    BiasScope bias(330);
    EXPECT_EQ(vxDateTimeToString(cMarch15 + 0.75, true), "2024-03-15T18:00:00.000-05:30");
  }
  {
    BiasScope bias(0);
    EXPECT_EQ(vxDateTimeToString(cMarch15 + 0.5, true), "2024-03-15T12:00:00.000Z");
  }
}

TEST(ConvertDateTime, MillisecondsRoundTrip) {
  double v = vxDateTimeFromString("2024-03-15T23:59:59.999Z", false);
  EXPECT_EQ(vxDateTimeToString(v, false), "2024-03-15T23:59:59.999Z");
  v = vxDateTimeFromString("0001-01-01T00:00:00.001Z", false);
  EXPECT_EQ(vxDateTimeToString(v, false), "0001-01-01T00:00:00.001Z");
}

TEST(ConvertDateTime, RoundTripThroughTheBias) {
  BiasScope bias(-120);
  const char* text = "2024-03-15T08:15:30.250+02:00";
  EXPECT_EQ(vxDateTimeToString(vxDateTimeFromString(text, true), true), text);
}

// ---------------------------------------------------------------------------------------------
// Numbers

TEST(ConvertNumber, DocumentedExamplesWithSixDigits) {
  EXPECT_EQ(vxWriteNumber(1.5, 6, true), "1.5");
  EXPECT_EQ(vxWriteNumber(0.5, 6, true), ".5");
  EXPECT_EQ(vxWriteNumber(0.001234, 6, true), "1.234E-3");
  EXPECT_EQ(vxWriteNumber(999999.7, 6, true), "1000000");
  EXPECT_EQ(vxWriteNumber(1000000000.0, 6, true), "1.00000E9");
  EXPECT_EQ(vxWriteNumber(-0.25, 6, true), "-.25");
  EXPECT_EQ(vxWriteNumber(123456789.0, 6, true), "1.23457E8");
  EXPECT_EQ(vxWriteNumber(123456789.0, 6, false), "123457000");
}

TEST(ConvertNumber, MoreShapes) {
  EXPECT_EQ(vxWriteNumber(0.0, 6, true), "0");
  EXPECT_EQ(vxWriteNumber(-0.0, 6, true), "0");
  EXPECT_EQ(vxWriteNumber(1000000.0, 6, true), "1000000");
  EXPECT_EQ(vxWriteNumber(42.0, 6, true), "42");
  EXPECT_EQ(vxWriteNumber(-3.0, 1, true), "-3");
  EXPECT_EQ(vxWriteNumber(0.05, 6, true), ".05");
  EXPECT_EQ(vxWriteNumber(0.001234, 6, false), ".001234");
  EXPECT_EQ(vxWriteNumber(2.5, 1, true), "2");     // halves round to even
  EXPECT_EQ(vxWriteNumber(3.14159265, 9, true), "3.14159265");
}

// Values close to a half of the last kept digit round by the value the double really holds,
// worked out from its exact decimal expansion.
TEST(ConvertNumber, RoundsByTheStoredValueNotItsShortestText) {
  EXPECT_EQ(vxWriteNumber(3.145, 3, true), "3.15");   // 3.14500000000000001776...
  EXPECT_EQ(vxWriteNumber(1.905, 3, true), "1.91");   // 1.90500000000000002664...
  EXPECT_EQ(vxWriteNumber(29.05, 3, true), "29.1");   // 29.0500000000000007105...
  EXPECT_EQ(vxWriteNumber(78.35, 3, true), "78.3");   // 78.3499999999999943156...
  EXPECT_EQ(vxWriteNumber(-59.15, 3, true), "-59.1"); // 59.1499999999999985789...
}

TEST(ConvertNumber, ExponentsOfSeveralDigits) {
  EXPECT_EQ(vxWriteNumber(1.5e-12, 6, true), "1.5E-12");
  EXPECT_EQ(vxWriteNumber(-2.5e15, 6, true), "-2.50000E15");
  EXPECT_EQ(vxWriteNumber(0.01, 6, true), ".01");      // the last value without an exponent
  EXPECT_EQ(vxWriteNumber(0.009, 6, true), "9E-3");
  EXPECT_EQ(vxWriteNumber(12345600.0, 6, true), "12345600");  // two zeros: still plain
}

TEST(ConvertNumber, RejectsDigitCountsOutsideOneToNine) {
  EXPECT_EQ(MessageOf([] { vxWriteNumber(1, 0, true); }), "Exception: Significant digits out of range");
  EXPECT_EQ(MessageOf([] { vxWriteNumber(1, 10, true); }), "Exception: Significant digits out of range");
}

TEST(ConvertNumber, NonFiniteValuesEndAndGetTheirSchemaForms) {
  EXPECT_EQ(vxWriteNumber(INFINITY, 6, true), "INF");
  EXPECT_EQ(vxWriteNumber(-INFINITY, 6, true), "-INF");
  EXPECT_EQ(vxWriteNumber(NAN, 6, true), "NaN");
}

// ---------------------------------------------------------------------------------------------
// Booleans

TEST(ConvertBool, FirstCharacterDecides) {
  for (const char* t : {"t", "True", "y", "YES", "1", "10"}) EXPECT_TRUE(vxUTF8ToBool(t)) << t;
  for (const char* f : {"f", "FALSE", "n", "No", "0", "0.5"}) EXPECT_FALSE(vxUTF8ToBool(f)) << f;
  for (const char* bad : {"", "x", " true", "2"})
    EXPECT_EQ(MessageOf([&] { vxUTF8ToBool(bad); }), "Exception: Cannot convert value to bool") << bad;
  EXPECT_EQ(vxBoolToUTF8(true), "true");
  EXPECT_EQ(vxBoolToUTF8(false), "false");
}

// ---------------------------------------------------------------------------------------------
// Base64 and BinHex

TEST(ConvertBase64, KnownVectors) {
  EXPECT_EQ(EncodeBase64(""), "");
  EXPECT_EQ(EncodeBase64("f"), "Zg==");
  EXPECT_EQ(EncodeBase64("fo"), "Zm8=");
  EXPECT_EQ(EncodeBase64("foo"), "Zm9v");
  EXPECT_EQ(EncodeBase64("foobar"), "Zm9vYmFy");
  EXPECT_EQ(EncodeBase64(std::string("\xFB\xFF\xBF", 3)), "+/+/");
  EXPECT_EQ(DecodeBase64("Zm9vYg=="), "foob");
  EXPECT_EQ(DecodeBase64(" Zm9v\r\n  YmE=\n"), "fooba");
  EXPECT_EQ(DecodeBase64(""), "");
}

TEST(ConvertBase64, RoundTripOfEveryLengthUpTo300) {
  for (int len = 0; len <= 300; ++len) {
    std::string data;
    for (int i = 0; i < len; ++i) data += static_cast<char>((i * 37 + len) & 0xFF);
    UTF8String enc = EncodeBase64(data);
    ASSERT_EQ(enc.size(), static_cast<size_t>(4 * ((len + 2) / 3))) << len;
    ASSERT_EQ(DecodeBase64(enc), data) << len;
    // Broken into lines of 76 as the node writer does.
    UTF8String lines;
    for (size_t p = 0; p < enc.size(); p += 76) lines += "\r\n    " + enc.substr(p, 76);
    ASSERT_EQ(DecodeBase64(lines + "\r\n"), data) << len;
    // The buffer decoder stops at the count it is given.
    std::string buf(data.size(), '\0');
    vxDecodeBase64Buffer(enc, buf.data(), static_cast<Integer>(buf.size()));
    ASSERT_EQ(buf, data) << len;
  }
}

TEST(ConvertBase64, LengthErrors) {
  EXPECT_EQ(MessageOf([] { DecodeBase64("Zm9"); }), "EFilerError: Error while calculating streamlength");
  EXPECT_EQ(MessageOf([] {
              char b[4];
              vxDecodeBase64Buffer("Zm9v", b, 4);
            }),
            "EFilerError: Missing data in binary stream");
}

TEST(ConvertBinHex, KnownVectorsAndRoundTrips) {
  EXPECT_EQ(EncodeBinHex(std::string("\x00\x1F\xA0\xFF", 4)), "001FA0FF");
  EXPECT_EQ(DecodeBinHex("001fa0FF"), std::string("\x00\x1F\xA0\xFF", 4));
  EXPECT_EQ(DecodeBinHex(" 00\r\n1F "), std::string("\x00\x1F", 2));
  for (int len = 0; len <= 300; ++len) {
    std::string data;
    for (int i = 0; i < len; ++i) data += static_cast<char>((i * 91 + 3) & 0xFF);
    UTF8String enc = EncodeBinHex(data);
    ASSERT_EQ(enc.size(), static_cast<size_t>(2 * len));
    ASSERT_EQ(DecodeBinHex(enc), data) << len;
  }
  EXPECT_EQ(MessageOf([] { DecodeBinHex("ABC"); }), "EFilerError: Error while calculating streamlength");
  EXPECT_EQ(MessageOf([] {
              char b[3];
              vxDecodeBinHexBuffer("ABCD", b, 3);
            }),
            "EFilerError: Missing data in binary stream");
}
