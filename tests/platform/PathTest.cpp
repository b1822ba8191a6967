#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "PlatformTestSupport.h"

using namespace Vorlane;
using PlatformTest::S8;

TEST(PathTest, PartsOfAFileName) {
#ifndef _WIN32
  EXPECT_EQ(S8(ExtractFilePath(u"/src/app/App.dproj")), "/src/app/");
  EXPECT_EQ(S8(ExtractFileDir(u"/src/app/App.dproj")), "/src/app");
  EXPECT_EQ(S8(ExtractFileDir(u"/App.dproj")), "/");
  EXPECT_EQ(S8(ExtractFileName(u"/src/app/App.dproj")), "App.dproj");
  EXPECT_EQ(S8(ExtractFileName(u"/src/app/")), "");
  EXPECT_EQ(S8(ExtractFilePath(u"App.dproj")), "");
  // A dot in a folder name is no extension of the file.
  EXPECT_EQ(S8(ExtractFileExt(u"/src/my.app/App")), "");
  EXPECT_EQ(S8(ExtractFileExt(u"/src/App.dproj.user")), ".user");
  EXPECT_EQ(S8(ChangeFileExt(u"/src/my.app/App", u".dproj")), "/src/my.app/App.dproj");
  EXPECT_EQ(S8(ChangeFileExt(u"/src/VorlaneCmd.exe", u"")), "/src/VorlaneCmd");
  EXPECT_EQ(S8(ChangeFileExt(u"/src/a.b.c", u".d")), "/src/a.b.d");
#else
  // Drives, both delimiters and shares.
  struct Case {
    const char16_t* Name;
    const char* Path;
    const char* Dir;
    const char* File;
    const char* Ext;
  };
  for (const Case& C : {Case{u"C:\\src\\app\\App.dproj", "C:\\src\\app\\", "C:\\src\\app", "App.dproj", ".dproj"},
                        Case{u"C:\\App.dproj", "C:\\", "C:\\", "App.dproj", ".dproj"},
                        Case{u"C:App.dproj", "C:", "C:", "App.dproj", ".dproj"},
                        Case{u"C:/src/my.app/App", "C:/src/my.app/", "C:/src/my.app", "App", ""},
                        Case{u"\\\\server\\share\\App.dproj.user", "\\\\server\\share\\", "\\\\server\\share", "App.dproj.user", ".user"},
                        Case{u"App.dproj", "", "", "App.dproj", ".dproj"}}) {
    SCOPED_TRACE(S8(C.Name));
    EXPECT_EQ(S8(ExtractFilePath(C.Name)), C.Path);
    EXPECT_EQ(S8(ExtractFileDir(C.Name)), C.Dir);
    EXPECT_EQ(S8(ExtractFileName(C.Name)), C.File);
    EXPECT_EQ(S8(ExtractFileExt(C.Name)), C.Ext);
  }
  EXPECT_EQ(S8(ChangeFileExt(u"C:\\my.app\\App", u".dproj")), "C:\\my.app\\App.dproj");
  EXPECT_EQ(S8(ChangeFileExt(u"C:\\src\\VorlaneCmd.exe", u"")), "C:\\src\\VorlaneCmd");
#endif
}

TEST(PathTest, TrailingDelimiters) {
  const UnicodeString D(1, PathDelim);
  EXPECT_EQ(IncludeTrailingPathDelimiter(u"out"), u"out" + D);
  EXPECT_EQ(IncludeTrailingPathDelimiter(u"out" + D), u"out" + D);
  EXPECT_EQ(ExcludeTrailingPathDelimiter(u"out" + D), u"out");
  EXPECT_EQ(ExcludeTrailingPathDelimiter(u"out"), u"out");
}

TEST(PathTest, ForeignDelimitersBecomeThePlatforms) {
#ifdef _WIN32
  EXPECT_EQ(S8(ConvertToPlatformDelimiters(u"a/b\\c/")), "a\\b\\c\\");
#else
  EXPECT_EQ(S8(ConvertToPlatformDelimiters(u"a\\b/c\\")), "a/b/c/");
  EXPECT_TRUE(IsPathDelimiter(u'/'));
  EXPECT_FALSE(IsPathDelimiter(u'\\'));
#endif
}

TEST(PathTest, FullPathsResolveAgainstTheCurrentFolder) {
#ifndef _WIN32
  PlatformTest::TScratch Dir;
  const UnicodeString Old = GetCurrentDir();
  ASSERT_TRUE(SetCurrentDir(Dir.U()));
  const std::string Base = Dir.Str();
  EXPECT_EQ(S8(ExpandFileName(u"out")), Base + "/out");
  EXPECT_EQ(S8(ExpandFileName(u"./a/../b//c.dproj")), Base + "/b/c.dproj");
  EXPECT_EQ(S8(ExpandFileName(u"sub/")), Base + "/sub/");
  // Wildcards are part of the name, not of the path rules.
  EXPECT_EQ(S8(ExpandFileName(u"src/*.dproj")), Base + "/src/*.dproj");
  EXPECT_EQ(S8(ExpandFileName(u"/x/../../y")), "/y");
  EXPECT_EQ(S8(ExpandFileName(u"/")), "/");
  EXPECT_EQ(S8(ExpandFileName(u"")), "");
  EXPECT_EQ(S8(GetFullPath(u"out")), Base + "/out");
  SetCurrentDir(Old);
#else
  PlatformTest::TScratch Dir;
  const UnicodeString Old = GetCurrentDir();
  ASSERT_TRUE(SetCurrentDir(Dir.U()));
  const std::string Base = Dir.Str();
  EXPECT_EQ(S8(ExpandFileName(u"out")), Base + "\\out");
  EXPECT_EQ(S8(ExpandFileName(u".\\a\\..\\b\\c.dproj")), Base + "\\b\\c.dproj");
  EXPECT_EQ(S8(ExpandFileName(u"a/b.dproj")), Base + "\\a\\b.dproj");
  EXPECT_EQ(S8(ExpandFileName(u"sub\\")), Base + "\\sub\\");
  EXPECT_EQ(S8(ExpandFileName(u"src\\*.dproj")), Base + "\\src\\*.dproj");
  EXPECT_EQ(S8(ExpandFileName(u"C:\\x\\..\\..\\y")), "C:\\y");
  EXPECT_EQ(S8(ExpandFileName(u"")), "");
  EXPECT_EQ(S8(GetFullPath(u"out")), Base + "\\out");
  // A wildcard names no single folder.
  EXPECT_THROW(GetFullPath(u"src\\*.dproj"), EArgumentException);
  SetCurrentDir(Old);
#endif
}

TEST(PathTest, StrictFullPathRejectsEmptyAndBlank) {
  EXPECT_THROW(GetFullPath(u""), EArgumentException);
  EXPECT_THROW(GetFullPath(u"   "), EArgumentException);
  try {
    GetFullPath(u"");
  } catch (const Exception& E) {
    EXPECT_STREQ(E.ClassName(), "EArgumentException");
    EXPECT_FALSE(E.Message().empty());
  }
#ifdef _WIN32
  EXPECT_THROW(GetFullPath(u"a|b"), EArgumentException);
#endif
}
