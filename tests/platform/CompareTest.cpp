#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/SysUtils.h"

using namespace Vorlane;

namespace {

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

std::vector<UnicodeString> Sorted(std::vector<UnicodeString> v, int (*cmp)(const UnicodeString&, const UnicodeString&)) {
  std::sort(v.begin(), v.end(), [cmp](const UnicodeString& a, const UnicodeString& b) { return cmp(a, b) < 0; });
  return v;
}

}  // namespace

TEST(CompareAnsiText, CaseNeverMakesADifference) {
  EXPECT_EQ(AnsiCompareText(u"PropertyGroup", u"propertygroup"), 0);
  EXPECT_EQ(AnsiCompareText(u"\u00C9T\u00C9", u"\u00E9t\u00E9"), 0);          // Latin-1
  EXPECT_EQ(AnsiCompareText(u"\u0141\u00D3D\u0179", u"\u0142\u00F3d\u017A"), 0);  // Latin Extended-A
  EXPECT_EQ(AnsiCompareText(u"\u0391\u0398\u0397\u039D\u0391", u"\u03B1\u03B8\u03B7\u03BD\u03B1"), 0);  // Greek
  EXPECT_EQ(AnsiCompareText(u"\u03A3\u039F\u03A6\u039F\u03A3", u"\u03C3\u03BF\u03C6\u03BF\u03C2"), 0);  // final sigma
  EXPECT_EQ(AnsiCompareText(u"\u041C\u041E\u0421\u041A\u0412\u0410", u"\u043C\u043E\u0441\u043A\u0432\u0430"), 0);  // Cyrillic
  EXPECT_EQ(AnsiCompareText(u"\u0401\u0416", u"\u0451\u0436"), 0);
  EXPECT_TRUE(AnsiSameText(u"Debug", u"DEBUG"));
  EXPECT_FALSE(AnsiSameText(u"Debug", u"Debugs"));
}

TEST(CompareAnsiText, PunctuationBeforeDigitsBeforeLetters) {
  EXPECT_LT(AnsiCompareText(u"_", u"0"), 0);
  EXPECT_LT(AnsiCompareText(u" ", u"0"), 0);
  EXPECT_LT(AnsiCompareText(u"~", u"0"), 0);
  EXPECT_LT(AnsiCompareText(u"9", u"a"), 0);
  EXPECT_LT(AnsiCompareText(u"Cfg_1", u"Cfg1"), 0);
  EXPECT_LT(AnsiCompareText(u"Base_Win32", u"BaseWin32"), 0);
  EXPECT_GT(AnsiCompareText(u"Z", u"\u00C4"), 0);  // Ä sorts with A, before Z
  EXPECT_LT(AnsiCompareText(u"abc", u"abcd"), 0);
  EXPECT_GT(AnsiCompareText(u"b", u"ABC"), 0);
  EXPECT_LT(AnsiCompareText(u"", u"a"), 0);
}

TEST(CompareAnsiText, AccentsDecideOnlyAfterTheBaseLetters) {
  EXPECT_LT(AnsiCompareText(u"resume", u"r\u00E9sum\u00E9"), 0);
  EXPECT_LT(AnsiCompareText(u"r\u00E9sum\u00E9", u"resumf"), 0);
  EXPECT_LT(AnsiCompareText(u"a", u"\u00E1"), 0);
  EXPECT_NE(AnsiCompareText(u"\u00E1", u"\u00E0"), 0);
#ifndef _WIN32
  // The rebuilt order tells "ß" from "ss"; Windows' own sort may count them as one.
  EXPECT_LT(AnsiCompareText(u"strasse", u"stra\u00DFe"), 0);
#endif
  EXPECT_LT(AnsiCompareText(u"stra\u00DFe", u"strasses"), 0);
  EXPECT_GT(AnsiCompareText(u"\u00E6", u"ad"), 0);  // æ counts as "ae"
  EXPECT_LT(AnsiCompareText(u"\u00E6", u"af"), 0);
  // Greek and Cyrillic letters follow the Latin ones.
  EXPECT_LT(AnsiCompareText(u"z", u"\u03B1"), 0);
  EXPECT_LT(AnsiCompareText(u"\u03C9", u"\u0430"), 0);
}

TEST(CompareAnsiText, HyphenAndApostropheOnlyBreakTies) {
  std::vector<UnicodeString> words = {u"cop", u"co-op", u"coop", u"cook", u"co'op"};
  std::vector<UnicodeString> expected = {u"cook", u"coop", u"co'op", u"co-op", u"cop"};
  EXPECT_EQ(Sorted(words, AnsiCompareText), expected);
  EXPECT_NE(AnsiCompareText(u"a-b", u"ab-"), 0);
  EXPECT_EQ(AnsiCompareText(u"A-B", u"a-b"), 0);
}

TEST(CompareAnsiText, IsAntisymmetricAndConsistentOverAMixedSet) {
  std::vector<UnicodeString> v = {u"",     u"a",      u"A",     u"\u00E1", u"b",    u"_x",   u"1",
                                  u"10",   u"co-op",  u"coop",  u"\u00DF", u"ss",   u"st",   u"\u0416",
                                  u"\u03A9", u"Debug", u"DEBUG", u"Release", u"Cfg_2", u"Cfg_10"};
  for (const auto& a : v)
    for (const auto& b : v) {
      EXPECT_EQ(Sign(AnsiCompareText(a, b)), -Sign(AnsiCompareText(b, a)));
      for (const auto& c : v) {
        if (AnsiCompareText(a, b) < 0 && AnsiCompareText(b, c) < 0) {
          EXPECT_LT(AnsiCompareText(a, c), 0);
        }
      }
    }
}

TEST(CompareCase, UpperAndLowerCaseMapsAreInverse) {
  EXPECT_EQ(AnsiUpperCase(u"abc\u00E9\u00FF\u0101\u0142\u03B1\u0436\u0451"),
            u"ABC\u00C9\u0178\u0100\u0141\u0391\u0416\u0401");
#ifndef _WIN32
  // The final sigma has the capital sigma as its upper case here; on Windows the system's
  // case table decides (some leave it as it is).
  EXPECT_EQ(AnsiUpperCase(u"\u03C2"), u"\u03A3");
#endif
  EXPECT_EQ(AnsiLowerCase(u"ABC\u00C9\u0178\u0100\u0141\u0391\u0416\u0401"),
            u"abc\u00E9\u00FF\u0101\u0142\u03B1\u0436\u0451");
  EXPECT_EQ(AnsiLowerCase(u"\u00D7\u00F7_1"), u"\u00D7\u00F7_1");
}

TEST(CompareLogical, DigitRunsCompareAsNumbers) {
  std::vector<UnicodeString> v = {u"Cfg_10", u"Cfg_2", u"cfg_1", u"Cfg_2a", u"Cfg", u"Cfg_2b", u"Cfg_100"};
  std::vector<UnicodeString> expected = {u"Cfg", u"cfg_1", u"Cfg_2", u"Cfg_2a", u"Cfg_2b", u"Cfg_10", u"Cfg_100"};
  EXPECT_EQ(Sorted(v, CompareTextLogical), expected);
  EXPECT_EQ(CompareTextLogical(u"File7", u"file7"), 0);
  EXPECT_LT(CompareTextLogical(u"x_1", u"x1"), 0);
  EXPECT_LT(CompareTextLogical(u"x1", u"xa"), 0);
  EXPECT_NE(CompareTextLogical(u"a01", u"a1"), 0);
  EXPECT_EQ(Sign(CompareTextLogical(u"Debug", u"Release")), Sign(AnsiCompareText(u"Debug", u"Release")));
#ifndef _WIN32
  // Where the leading zeros of equal numbers decide, and numbers beyond 64 bits, follow the
  // rebuilt order; Windows' own sort has rules of its own there.
  EXPECT_EQ(Sorted({u"Cfg_02a", u"Cfg_2", u"Cfg_2b"}, CompareTextLogical),
            (std::vector<UnicodeString>{u"Cfg_2", u"Cfg_02a", u"Cfg_2b"}));
  EXPECT_LT(CompareTextLogical(u"a99999999999999999999", u"a100000000000000000000"), 0);
#endif
}
