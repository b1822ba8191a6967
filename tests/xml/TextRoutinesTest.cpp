#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/SysUtils.h"
#include "xml/XmlText.h"

using namespace Vorlane;

// ---------------------------------------------------------------------------------------------
// Escaping

TEST(TextEscape, EscapesTheFourTableCharactersButNotTheApostrophe) {
  EXPECT_EQ(vxUTF8EscapeString("a<b>c&d\"e'f"), "a&lt;b&gt;c&amp;d&quot;e'f");
  // References are not recognised: their ampersand is escaped again.
  EXPECT_EQ(vxUTF8EscapeString("&amp;"), "&amp;amp;");
  EXPECT_EQ(vxUTF8EscapeString(""), "");
}

TEST(TextEscape, UnescapeNamedAndNumericReferences) {
  EXPECT_EQ(vxUTF8UnEscapeString("a&amp;b"), "a&b");
  EXPECT_EQ(vxUTF8UnEscapeString("&lt;&gt;&quot;"), "<>\"");
  EXPECT_EQ(vxUTF8UnEscapeString("&#65;&#x42;"), "AB");
  EXPECT_EQ(vxUTF8UnEscapeString("&#X42;"), "B");
  EXPECT_EQ(vxUTF8UnEscapeString("&#xe9;"), "\xC3\xA9");
  EXPECT_EQ(vxUTF8UnEscapeString("&#65534;"), "\xEF\xBF\xBE");
}

TEST(TextEscape, UnescapeLeavesUnknownAndOutOfRangeReferencesAsWritten) {
  EXPECT_EQ(vxUTF8UnEscapeString("&apos;"), "&apos;");
  EXPECT_EQ(vxUTF8UnEscapeString("&AMP;"), "&AMP;");
  EXPECT_EQ(vxUTF8UnEscapeString("&#65535;"), "&#65535;");
  EXPECT_EQ(vxUTF8UnEscapeString("&#65536;"), "&#65536;");
  EXPECT_EQ(vxUTF8UnEscapeString("&#-1;"), "&#-1;");
  EXPECT_EQ(vxUTF8UnEscapeString("&#;"), "&#;");
  EXPECT_EQ(vxUTF8UnEscapeString("&#12a;"), "&#12a;");
  EXPECT_EQ(vxUTF8UnEscapeString("&#x+41;"), "&#x+41;");
  EXPECT_EQ(vxUTF8UnEscapeString("&#x;"), "&#x;");
  EXPECT_EQ(vxUTF8UnEscapeString("a & b"), "a & b");
  // The lone ampersand's reference runs to the first semicolon, swallowing "&amp;".
  EXPECT_EQ(vxUTF8UnEscapeString("x & y &amp; z"), "x & y &amp; z");
}

TEST(TextEscape, UnescapeExpandsOneLevelOnly) {
  UTF8String twice = vxUTF8EscapeString(vxUTF8EscapeString("a&b"));
  EXPECT_EQ(vxUTF8UnEscapeString(twice), "a&amp;b");
}

TEST(TextEscape, RoundTripOfAwkwardTexts) {
  for (const char* s : {"", "plain", "<a href=\"x\">&nbsp;</a>", "&&;;&", "\xC3\xA9\xE2\x82\xAC",
                        "\xF0\x9F\x98\x80 emoji"}) {
    EXPECT_EQ(vxUTF8UnEscapeString(vxUTF8EscapeString(s)), s) << s;
  }
}

TEST(TextReplace, ReplacesLeftToRightWithoutRescanning) {
  EXPECT_EQ(vxUTF8StringReplace("aaa", "aa", "b"), "ba");
  EXPECT_EQ(vxUTF8StringReplace("abc", "b", "bb"), "abbc");
  EXPECT_EQ(vxUTF8StringReplace("", "a", "b"), "");
  EXPECT_EQ(vxUTF8StringReplace("Abc", "a", "x"), "Abc");
  EXPECT_EQ(vxUTF8IndexOf("c", "abcabc"), 3);
  EXPECT_EQ(vxUTF8IndexOf("x", "abc"), 0);
}

// ---------------------------------------------------------------------------------------------
// Quoting

TEST(TextQuote, ChoosesTheQuoteThatNeedsNoDoubling) {
  EXPECT_EQ(vxUTF8QuotedString("it's"), "\"it's\"");
  EXPECT_EQ(vxUTF8QuotedString("say \"it's\""), "'say \"it''s\"'");
  EXPECT_EQ(vxUTF8QuotedString(""), "\"\"");
}

TEST(TextQuote, UnquoteReducesDoubledQuotesAndIgnoresTheRest) {
  EXPECT_EQ(vxUTF8UnQuotedString("'say \"it''s\"'"), "say \"it's\"");
  EXPECT_EQ(vxUTF8UnQuotedString("\"abc\" tail"), "abc");
  EXPECT_EQ(vxUTF8UnQuotedString("\"\""), "");
  EXPECT_EQ(vxUTF8UnQuotedString("\""), "\"");
  EXPECT_EQ(vxUTF8UnQuotedString("abc"), "abc");
  // Never closed: everything after the opening quote is kept, the last byte included.
  EXPECT_EQ(vxUTF8UnQuotedString("\"abc"), "abc");
  EXPECT_EQ(vxUTF8UnQuotedString("'it''s"), "it's");
}

TEST(TextQuote, RoundTrip) {
  for (const char* s : {"", "a", "'", "\"", "'\"", "a''b\"\"c", "x\"y'z"})
    EXPECT_EQ(vxUTF8UnQuotedString(vxUTF8QuotedString(s)), s) << s;
}

// ---------------------------------------------------------------------------------------------
// Line breaking, blanks and trimming

TEST(TextControlChars, BreaksEveryLineLengthBytesAndAppendsOnce) {
  UTF8String v(100, 'x');
  UTF8String r = vxAddControlChars(v, "\n ", 76);
  EXPECT_EQ(r, "\n " + UTF8String(76, 'x') + "\n " + UTF8String(24, 'x') + "\n ");
  EXPECT_EQ(vxAddControlChars("", "|", 5), "|");
  EXPECT_EQ(vxAddControlChars("abc", "", 5), "abc");
  EXPECT_EQ(vxAddControlChars("abc", "|", 0), "abc");
  EXPECT_EQ(vxAddControlChars("abc", "|", 1), "abc|");
  EXPECT_EQ(vxAddControlChars("abcd", "|", 2), "|ab|cd|");
}

TEST(TextControlChars, RemoveDropsEveryBlank) {
  EXPECT_EQ(vxRemoveControlChars(" a\tb\r\nc d "), "abcd");
  EXPECT_EQ(vxRemoveControlChars(vxAddControlChars("abcdef", "\r\n  ", 2)), "abcdef");
}

TEST(TextTrim, TrimsOnlyBlanks) {
  EXPECT_EQ(vxUTF8Trim(" \t\r\n a b \n"), "a b");
  EXPECT_EQ(vxUTF8Trim("   "), "");
  EXPECT_EQ(vxUTF8Trim(""), "");
  EXPECT_EQ(vxUTF8Trim("\x01x\x01"), "\x01x\x01");
}

TEST(TextTrim, TrimPosClampsAndNarrows) {
  Integer s = -5, c = 100;
  EXPECT_TRUE(vxUTF8TrimPos("  ab ", s, c));
  EXPECT_EQ(s, 3);
  EXPECT_EQ(c, 5);
  s = 3;
  c = 3;
  EXPECT_FALSE(vxUTF8TrimPos("abcdef", s, c));
  s = 1;
  c = 4;
  EXPECT_FALSE(vxUTF8TrimPos("   x", s, c));
}

TEST(TextMatch, FoldsAsciiLettersOnly) {
  EXPECT_TRUE(vxUTF8MatchString("ID", "xid=", 2));
  EXPECT_TRUE(vxUTF8MatchString("", "abc", 10));
  EXPECT_FALSE(vxUTF8MatchString("abcd", "xabc", 2));
  EXPECT_FALSE(vxUTF8MatchString("\xC3\x89", "\xC3\xA9", 1));  // E acute vs e acute
  EXPECT_EQ(vxUpCase('q'), 'Q');
  EXPECT_EQ(vxUpCase('\xE9'), '\xE9');
  Integer pos = -1;
  EXPECT_TRUE(vxUTF8FindString("CD", "abcdcd", 1, 7, pos));
  EXPECT_EQ(pos, 3);
  EXPECT_FALSE(vxUTF8FindString("cd", "abcd", 1, 4, pos));  // close excludes the "d"
  EXPECT_EQ(pos, 0);
}

// ---------------------------------------------------------------------------------------------
// Attribute splitting and the attribute list

TEST(TextParseAttributes, OneItemPerAttribute) {
  TvxUTF8StringList list;
  UTF8String tag = "  a = \"x y\"  b='1' c  d =\"q\" ";
  vxUTF8ParseAttributes(tag, 1, static_cast<Integer>(tag.size()) + 1, &list);
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list[0], "a=\"x y\"");
  EXPECT_EQ(list[1], "b='1'");
  EXPECT_EQ(list[2], "c");
  EXPECT_EQ(list[3], "d=\"q\"");
}

TEST(TextParseAttributes, BlankRangeLeavesListAloneAndGluedAttributesStayOne) {
  TvxUTF8StringList list;
  list.Add("keep");
  vxUTF8ParseAttributes("x    y", 2, 6, &list);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0], "keep");
  UTF8String tag = "a=\"1\"b=\"2\"";
  vxUTF8ParseAttributes(tag, 1, static_cast<Integer>(tag.size()) + 1, &list);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0], tag);
  vxUTF8ParseAttributes(tag, 1, 99, nullptr);  // no list: nothing happens
}

TEST(TextParseAttributes, QuotedValueWithoutEqualsBeforeStaysSeparate) {
  TvxUTF8StringList list;
  UTF8String tag = "name \"v\"";
  vxUTF8ParseAttributes(tag, 1, static_cast<Integer>(tag.size()) + 1, &list);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[1], "\"v\"");
  // Only an "=" outside quotes at the end of the item before makes a quoted item its value.
  for (const char* text : {"PUBLIC \"x=\" \"p.dtd\"", "a=\"x\" \"p.dtd\"", "= \"\" \"p.dtd\""}) {
    tag = text;
    vxUTF8ParseAttributes(tag, 1, static_cast<Integer>(tag.size()) + 1, &list);
    ASSERT_GE(list.Count(), 2) << text;
    EXPECT_EQ(list[list.Count() - 1], "\"p.dtd\"") << text;
  }
}

TEST(TextStringList, AddDeleteAndRangeRules) {
  TvxUTF8StringList list;
  for (int i = 0; i < 9; ++i) EXPECT_EQ(list.Add(std::to_string(i)), i);
  list.Delete(0);
  list.Delete(-1);
  list.Delete(8);
  ASSERT_EQ(list.Count(), 8);
  EXPECT_EQ(list[0], "1");
  EXPECT_EQ(list[7], "8");
  EXPECT_EQ(list.Items(8), "");
  list.SetItems(8, "x");
  list.SetItems(0, "one");
  EXPECT_EQ(list[0], "one");
  EXPECT_EQ(list.Count(), 8);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Text(), "");
  list.Add("a=1");
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0], "a=1");
}

TEST(TextStringList, NamesValuesAndText) {
  TvxUTF8StringList list;
  list.Add("id=\"7\"");
  list.Add("flag");
  list.Add("idx=\"a=b\"");
  EXPECT_EQ(list.Names(0), "id");
  EXPECT_EQ(list.Names(1), "");
  EXPECT_EQ(list.Names(5), "");
  EXPECT_EQ(list.IndexOfName("ID"), 0);
  EXPECT_EQ(list.IndexOfName("i"), -1);
  EXPECT_EQ(list.IndexOfName("idx"), 2);
  EXPECT_EQ(list.Values("Idx"), "\"a=b\"");
  EXPECT_EQ(list.Values("none"), "");
  EXPECT_EQ(list.Text(), "id=\"7\"\r\nflag\r\nidx=\"a=b\"\r\n");

  list.SetValues("id", "\"8\"");
  EXPECT_EQ(list[0], "id=\"8\"");
  list.SetValues("new", "\"n\"");
  EXPECT_EQ(list[3], "new=\"n\"");
  list.SetValues("id", "");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0], "flag");
  list.SetValues("absent", "");
  EXPECT_EQ(list.Count(), 3);
}

TEST(TextStringList, AssignCopiesExactlyTheUsedItems) {
  TvxUTF8StringList a, b;
  for (int i = 0; i < 6; ++i) a.Add(std::to_string(i));
  a.Delete(5);
  b.Add("old");
  b.Assign(&a);
  ASSERT_EQ(b.Count(), 5);
  EXPECT_EQ(b[4], "4");
  EXPECT_THROW(b.Assign(nullptr), Exception);
}

TEST(TextStringList, BehavesLikeAPlainListThroughAnySequenceOfChanges) {
  // The first item lives apart from the others: every operation must treat the boundary
  // between them like any other, whatever the list held before.
  std::mt19937 Random(18);
  for (int Round = 0; Round < 200; ++Round) {
    TvxUTF8StringList List;
    std::vector<std::string> Model;
    for (int Step = 0; Step < 40; ++Step) {
      const int Kind = static_cast<int>(Random() % 7);
      const int Size = static_cast<int>(Model.size());
      const int Index = static_cast<int>(Random() % (Model.size() + 2)) - 1;
      const std::string Item = "n" + std::to_string(Random() % 4) + "=\"" + std::string(Random() % 40, 'v') + "\"";
      switch (Kind) {
        case 0:
        case 1:
          EXPECT_EQ(List.Add(Item), Size);
          Model.push_back(Item);
          break;
        case 2:
          List.Delete(Index);
          if (Index >= 0 && Index < Size) Model.erase(Model.begin() + Index);
          break;
        case 3:
          List.SetItems(Index, Item);
          if (Index >= 0 && Index < Size) Model[static_cast<size_t>(Index)] = Item;
          break;
        case 4:
          if (Random() % 4 == 0) {
            List.Clear();
            Model.clear();
          }
          break;
        case 5: {
          TvxUTF8StringList Copy;
          for (int I = 0; I < static_cast<int>(Random() % 5); ++I) Copy.Add("old");
          Copy.Assign(&List);
          List.Clear();
          List.Assign(&Copy);
          break;
        }
        default: {
          const std::string Name = "n" + std::to_string(Random() % 4);
          const std::string Value = Random() % 3 == 0 ? std::string() : "\"s\"";
          List.SetValues(Name, Value);
          auto Hit = std::find_if(Model.begin(), Model.end(),
                                  [&](const std::string& S) { return S.rfind(Name + "=", 0) == 0; });
          if (Value.empty()) {
            if (Hit != Model.end()) Model.erase(Hit);
          } else if (Hit != Model.end()) {
            *Hit = Name + "=" + Value;
          } else {
            Model.push_back(Name + "=" + Value);
          }
        }
      }
      ASSERT_EQ(List.Count(), static_cast<Integer>(Model.size())) << "round " << Round << " step " << Step;
      std::string Text;
      for (size_t I = 0; I < Model.size(); ++I) {
        ASSERT_EQ(List.ItemRef(static_cast<Integer>(I)), Model[I]) << "round " << Round << " step " << Step;
        Text += Model[I] + "\r\n";
      }
      EXPECT_EQ(List.Items(static_cast<Integer>(Model.size())), "");
      EXPECT_EQ(List.Text(), Text);
    }
  }
}

TEST(TextStringStream, CreateAndDataString) {
  TvxUTF8StringStream s("h\xC3\xA9llo");
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(s.Size(), 6);
  char c;
  EXPECT_EQ(s.Read(&c, 1), 1);
  EXPECT_EQ(c, 'h');
  EXPECT_EQ(s.DataString(), "h\xC3\xA9llo");
  EXPECT_EQ(s.Position(), 6);
  TvxUTF8StringStream e("");
  EXPECT_EQ(e.Size(), 0);
  EXPECT_EQ(e.DataString(), "");
}

TEST(TextWriteToStream, WritesBytesAsTheyAre) {
  TMemoryStream m;
  vxUTF8WriteStringToStream(&m, "ab");
  vxUTF8WriteStringToStream(&m, "");
  vxUTF8WriteStringToStream(&m, "\xE2\x82\xAC");
  EXPECT_EQ(m.Size(), 5);
  EXPECT_EQ(std::string(static_cast<char*>(m.Memory()), 5), "ab\xE2\x82\xAC");
}

// ---------------------------------------------------------------------------------------------
// Encoding conversions

TEST(TextUnicode, UnitsBecomeOneToThreeBytes) {
  EXPECT_EQ(vxUnicodeToUtf8(u""), "");
  EXPECT_EQ(vxUnicodeToUtf8(u"A"), "A");
  EXPECT_EQ(vxUnicodeToUtf8(u"\u00E9"), "\xC3\xA9");
  EXPECT_EQ(vxUnicodeToUtf8(u"\u07FF"), "\xDF\xBF");
  EXPECT_EQ(vxUnicodeToUtf8(u"\u0800"), "\xE0\xA0\x80");
  EXPECT_EQ(vxUnicodeToUtf8(u"\u20AC"), "\xE2\x82\xAC");
  EXPECT_EQ(vxUnicodeToUtf8(u"\uFFFF"), "\xEF\xBF\xBF");
  EXPECT_EQ(vxUtf8ToUnicode("\xE2\x82\xAC"), u"\u20AC");
  EXPECT_EQ(vxUtf8ToUnicode("a\xC3\xA9z"), u"a\u00E9z");
}

TEST(TextUnicode, SurrogatePairsAndFourByteSequences) {
  // U+1F600 is F0 9F 98 80 in UTF-8 and D83D DE00 in UTF-16.
  const UnicodeString emoji = u"x\U0001F600y";
  EXPECT_EQ(vxUnicodeToUtf8(emoji), "x\xF0\x9F\x98\x80y");
  EXPECT_EQ(vxUtf8ToUnicode("x\xF0\x9F\x98\x80y"), emoji);
  EXPECT_EQ(vxUtf8ToUnicode("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
  // A lone surrogate keeps its three-byte form and comes back unchanged.
  UnicodeString lone = u"a";
  lone += static_cast<char16_t>(0xD800);
  lone += u"b";
  EXPECT_EQ(vxUnicodeToUtf8(lone), "a\xED\xA0\x80" "b");
  EXPECT_EQ(vxUtf8ToUnicode("a\xED\xA0\x80" "b"), lone);
}

TEST(TextUnicode, MalformedOrTruncatedInputGivesEmpty) {
  EXPECT_EQ(vxUtf8ToUnicode("ab\xC3"), u"");
  EXPECT_EQ(vxUtf8ToUnicode("ab\xE2\x82"), u"");
  EXPECT_EQ(vxUtf8ToUnicode("\xF0\x9F\x98"), u"");
  EXPECT_EQ(vxUtf8ToUnicode("\xC3" "A"), u"");
  EXPECT_EQ(vxUtf8ToUnicode("\xF0\x8F\xBF\xBF"), u"");  // overlong four-byte form
  EXPECT_EQ(vxUtf8ToUnicode("\xF4\x90\x80\x80"), u"");  // beyond U+10FFFF
}

TEST(TextUnicode, RoundTripOfEveryUnitAndSomePairs) {
  UnicodeString all;
  for (char32_t u = 1; u <= 0xFFFF; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;
    all += static_cast<char16_t>(u);
  }
  all += u"\U00010000\U0001F600\U0010FFFF";
  UTF8String utf8 = vxUnicodeToUtf8(all);
  EXPECT_EQ(utf8, UnicodeToUTF8(all));
  EXPECT_EQ(vxUtf8ToUnicode(utf8), all);
}

TEST(TextAnsi, ConvertsThroughTheAnsiCodePage) {
  EXPECT_EQ(vxAnsiToUtf8(""), "");
  EXPECT_EQ(vxAnsiToUtf8("a\xE9\x80"), "a\xC3\xA9\xE2\x82\xAC");  // é and € in Windows-1252
  EXPECT_EQ(vxUtf8ToAnsi("a\xC3\xA9\xE2\x82\xAC"), "a\xE9\x80");
  EXPECT_EQ(vxUtf8ToAnsi("\xE4\xB8\xAD"), "?");               // not in the code page
  EXPECT_EQ(vxUtf8ToAnsi("\xF0\x9F\x98\x80"), "?");           // one character, one substitute
}

TEST(TextCompare, NoCaseComparisonGoesThroughTheLocaleAwareRule) {
  EXPECT_EQ(vxUTF8CompareNoCase("PropertyGroup", "propertygroup"), 0);
  EXPECT_EQ(vxUTF8CompareNoCase("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"), 0);  // Été / éTÉ
  EXPECT_LT(vxUTF8CompareNoCase("a", "B"), 0);
  EXPECT_GT(vxUTF8CompareNoCase("b", "A"), 0);
  // Malformed names differ by their bytes instead of all converting to nothing.
  EXPECT_NE(vxUTF8CompareNoCase("x\xFF", "y\xFF"), 0);
  EXPECT_EQ(vxUTF8CompareNoCase("x\xFF", "X\xFF"), 0);
  EXPECT_EQ(vxIntToUTF8(-42), "-42");
  EXPECT_EQ(vxInt64ToUTF8(-9000000000LL), "-9000000000");
}

TEST(TextCompare, SameTextAgreesWithTheFullComparison) {
  // The equality test skips the conversion only for two ASCII names; every pair must get the
  // answer the full comparison gives, also where a non-ASCII character is ignored (soft
  // hyphen), folds (accents, case) or is malformed.
  const char* const Names[] = {"PropertyGroup", "propertygroup", "PROPERTYGROUP", "PropertyGroups", "Property-Group",
                               "PropertyÂ­Group", "PropertygroupÃ©", "PropertyGroupÃ",
                               "xÿ", "Xÿ", "yÿ", "", "a", "A", "-", "'", "Ã", "ss", "SS",
                               // non-ASCII inside the second eight bytes, and far behind them
                               "PropertyGroup\xC3\xA9Items", "PROPERTYGROUP\xC3\x89ITEMS", "PropertyGroupeItems",
                               "PropertyGroupItemsAndMore\xC2\xAD", "propertygroupitemsandmore"};
  for (const char* A : Names)
    for (const char* B : Names)
      EXPECT_EQ(vxUTF8SameTextNoCase(A, B), vxUTF8CompareNoCase(A, B) == 0) << A << " / " << B;
}
