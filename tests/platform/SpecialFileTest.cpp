// Names that are no UTF-8, exclusive creation and the reason of a failed write.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <cerrno>
#include <cstring>

#include "platform/Classes.h"
#include "platform/FileSystem.h"
#include "PlatformTestSupport.h"

using namespace Vorlane;
using PlatformTest::ReadBytes;
using PlatformTest::TScratch;
using PlatformTest::WriteBytes;
namespace fs = std::filesystem;

TEST(SystemNameTest, NamesThatAreNoUtf8CanBeListedReadAndWritten) {
  struct TCase {
    std::string Raw;
    std::u16string Listed;
  };
  const TCase Cases[] = {
      {"caf\xE9", u"caf\xDCE9"},                              // Latin-1
      {"\xFF\xFE", u"\xDCFF\xDCFE"},                          // bytes UTF-8 never uses
      {"ok\xC3\xA9", u"ok\u00E9"},                            // valid UTF-8 stays a character
      {"\xF0\x9F\x98\x80", u"\U0001F600"},                    // four bytes: a surrogate pair
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},                // an encoded surrogate is no UTF-8
      {"\xC0\xAF", u"\xDCC0\xDCAF"},                          // overlong form
      {"cut\xE2\x82", u"cut\xDCE2\xDC82"},                    // sequence cut short
      {"\xE2\x82\xAC\x80", u"\u20AC\xDC80"},                  // stray continuation byte
  };
  for (const TCase& C : Cases) {
    TScratch Dir;
    WriteBytes(Dir.Path() / C.Raw, "old");
    const TStringDynArray Files = TDirectory::GetFiles(Dir.U(), u"*");
    ASSERT_EQ(Files.size(), 1u) << C.Raw;
    const UnicodeString Name = Files[0];
    EXPECT_EQ(ExtractFileName(Name), C.Listed) << C.Raw;
    EXPECT_EQ(TFile::ReadAllBytes(Name), TBytes({'o', 'l', 'd'})) << C.Raw;
    TFile::WriteAllBytes(Name, TBytes({'n', 'e', 'w'}));
    EXPECT_EQ(ReadBytes(Dir.Path() / C.Raw), "new") << C.Raw;
  }
}

TEST(SpecialFileTest, ExclusiveCreationRefusesAnExistingNameOrPlantedLink) {
  TScratch Dir;
  WriteBytes(Dir.Path() / "taken.tmp", "abc");
  fs::create_symlink(Dir.Path() / "elsewhere", Dir.Path() / "planted.tmp");
  for (const char* Name : {"taken.tmp", "planted.tmp"})
    EXPECT_THROW(TFileStream(Dir.U(Name), fmCreate | fmExclusive, 0600), EFCreateError) << Name;
  EXPECT_EQ(ReadBytes(Dir.Path() / "taken.tmp"), "abc");
  EXPECT_FALSE(fs::exists(Dir.Path() / "elsewhere"));
}

TEST(SpecialFileTest, WriteFailuresSayTheSystemsReason) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
  TFileStream F(u"/dev/full", fmCreate);
  try {
    F.WriteBuffer("x", 1);
    FAIL() << "no error";
  } catch (const EWriteError& E) {
    EXPECT_EQ(E.Message(), u"Stream write error. " + UTF8ToUnicode(std::strerror(ENOSPC)));
  }
}

#endif
