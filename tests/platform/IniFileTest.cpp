#include <gtest/gtest.h>

#include <functional>

#include "platform/IniFiles.h"
#include "PlatformTestSupport.h"

using namespace Vorlane;
using PlatformTest::ReadBytes;
using PlatformTest::TScratch;
using PlatformTest::WriteBytes;

// An edit rewrites only what it touches: the rest of the file, its encoding and its layout stay.
TEST(MemIniFileTest, EditsKeepTheRestOfTheFile) {
  struct TCase {
    const char* Name;
    const char* Before;  // nullptr: no file
    std::function<void(TMemIniFile&)> Edit;
    std::string After;
  };
  const TCase Cases[] = {
      {"new file", nullptr, [](TMemIniFile& I) { I.WriteString(u"S", u"k", u"v"); }, "[S]\r\nk=v\r\n"},
      {"changed key keeps its place", "[S]\n  K = 1 \nz=0\n", [](TMemIniFile& I) { I.WriteString(u"s", u"k", u"5"); },
       "[S]\r\nk=5\r\nz=0\r\n"},
      {"new key after the last entry", "[S]\n;c\nk=1\n\n[T]\n", [](TMemIniFile& I) { I.WriteBool(u"S", u"j", true); },
       "[S]\r\n;c\r\nk=1\r\nj=1\r\n\r\n[T]\r\n"},
      {"new section last", "k=1\n", [](TMemIniFile& I) { I.WriteBool(u"S", u"k", false); },
       "k=1\r\n\r\n[S]\r\nk=0\r\n"},
      {"repeated section and key", "[S]\nk=1\n[T]\nk=1\n[s]\nK=2\n",
       [](TMemIniFile& I) {
         I.DeleteKey(u"S", u"k");
         I.WriteString(u"S", u"n", u"x");
       },
       "[S]\r\n[T]\r\nk=1\r\n[s]\r\nn=x\r\n"},
      {"UTF-8 with mark", "\xEF\xBB\xBF[A]\nName=\xC3\x84pfel\n", [](TMemIniFile& I) { I.DeleteKey(u"a", u"none"); },
       "\xEF\xBB\xBF[A]\r\nName=\xC3\x84pfel\r\n"},
      {"UTF-8 without mark", "[A]\nName=\xC3\x84\n", [](TMemIniFile& I) { I.WriteString(u"A", u"B", u"\u00C4"); },
       "[A]\r\nName=\xC3\x84\r\nB=\xC3\x84\r\n"},
      {"Ansi", "[A]\nName=\xE4\x81\n", [](TMemIniFile& I) { I.WriteString(u"A", u"B", u"\u00E4"); },
       "[A]\r\nName=\xE4\x81\r\nB=\xE4\r\n"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TScratch Dir;
    if (C.Before) WriteBytes(Dir / "a.ini", C.Before);
    TMemIniFile Ini(Dir.U("a.ini"));
    C.Edit(Ini);
    Ini.UpdateFile();
    EXPECT_EQ(C.After, ReadBytes(Dir / "a.ini"));
  }

  TScratch Dir;
  const std::string Utf16 = TestSupport::Bytes({0xFF, 0xFE}) + TestSupport::Utf16Bytes(u"[A]\r\nx=\u20AC\r\n");
  WriteBytes(Dir / "w.ini", Utf16);
  TMemIniFile Ini(Dir.U("w.ini"));
  EXPECT_EQ(u"\u20AC", Ini.ReadString(u"A", u"X", u""));
  Ini.UpdateFile();
  EXPECT_EQ(Utf16, ReadBytes(Dir / "w.ini"));
}

TEST(MemIniFileTest, Reads) {
  TScratch Dir;
  WriteBytes(Dir / "r.ini", "pre=1\n[Main]\n Key = value \nnum=0x1F\nbad=12a\n;c=1\n[main]\nLate=-3\nKey=other\n");
  const TMemIniFile Ini(Dir.U("r.ini"));
  EXPECT_TRUE(Ini.SectionExists(u"MAIN"));
  EXPECT_FALSE(Ini.SectionExists(u""));
  EXPECT_EQ(u"value", Ini.ReadString(u"main", u"KEY", u"?"));
  EXPECT_EQ(u"?", Ini.ReadString(u"Main", u"pre", u"?"));
  EXPECT_FALSE(Ini.ValueExists(u"Main", u";c"));
  EXPECT_EQ(31, Ini.ReadInteger(u"Main", u"num", 0));
  EXPECT_EQ(-3, Ini.ReadInteger(u"Main", u"late", 0));
  EXPECT_EQ(7, Ini.ReadInteger(u"Main", u"bad", 7));
  EXPECT_TRUE(Ini.ReadBool(u"Main", u"bad", true));
  EXPECT_FALSE(Ini.ReadBool(u"Main", u"missing", false));
  EXPECT_TRUE(Ini.ReadBool(u"Main", u"late", false));
}
