// Files that are not what a project file usually is: names that are no UTF-8, FIFOs, devices
// and sockets (also behind links), exclusive creation, write failures and in-place rewrites.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

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

namespace {

// Runs ABody in a child process that a hang cannot keep alive; true when it ended normally
// with exit code 0.
template <typename TBody>
bool InBoundedChild(TBody ABody) {
  const pid_t Pid = ::fork();
  if (Pid == 0) {
    ::alarm(20);
    ::_exit(ABody() ? 0 : 1);
  }
  int Status = 0;
  return Pid > 0 && ::waitpid(Pid, &Status, 0) == Pid && WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
}

}  // namespace

TEST(SystemNameTest, NamesThatAreNoUtf8CanBeListedOpenedWrittenAndRenamed) {
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
    EXPECT_TRUE(FileExists(Name)) << C.Raw;
    EXPECT_EQ(TFile::ReadAllBytes(Name), TBytes({'o', 'l', 'd'})) << C.Raw;
    TFile::WriteAllBytes(Name, TBytes({'n', 'e', 'w'}));
    EXPECT_EQ(ReadBytes(Dir.Path() / C.Raw), "new") << C.Raw;
    ASSERT_TRUE(RenameFile(Name, Name + u".bak")) << C.Raw;
    EXPECT_EQ(ReadBytes(Dir.Path() / (C.Raw + ".bak")), "new") << C.Raw;
  }
}

TEST(SpecialFileTest, FifosDevicesAndSocketsAreNeitherListedNorOpenedEvenBehindLinks) {
  TScratch Dir;
  WriteBytes(Dir.Path() / "plain.dproj", "x");
  fs::create_symlink(Dir.Path() / "plain.dproj", Dir.Path() / "to-plain.dproj");
  ASSERT_EQ(0, ::mkfifo(Dir.Str("fifo.dproj").c_str(), 0644));
  fs::create_symlink(Dir.Path() / "fifo.dproj", Dir.Path() / "to-fifo.dproj");
  fs::create_symlink("/dev/zero", Dir.Path() / "to-device.dproj");
  const int Sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un Addr{};
  Addr.sun_family = AF_UNIX;
  const std::string SockPath = Dir.Str("sock.dproj");
  ASSERT_LT(SockPath.size(), sizeof Addr.sun_path);
  std::strcpy(Addr.sun_path, SockPath.c_str());
  ASSERT_EQ(0, ::bind(Sock, reinterpret_cast<sockaddr*>(&Addr), sizeof Addr));
  fs::create_symlink(SockPath, Dir.Path() / "to-sock.dproj");

  const TStringDynArray Files = TDirectory::GetFiles(Dir.U(), u"*.dproj");
  ASSERT_EQ(Files.size(), 2u);
  EXPECT_EQ(ExtractFileName(Files[0]), u"plain.dproj");
  EXPECT_EQ(ExtractFileName(Files[1]), u"to-plain.dproj");

  // A blocking open of the FIFO would never return: the opens run in a bounded child.
  for (const char* Name : {"fifo.dproj", "to-fifo.dproj", "to-device.dproj", "sock.dproj", "to-sock.dproj"}) {
    const UnicodeString Path = Dir.U(Name);
    EXPECT_TRUE(InBoundedChild([&] {
      try {
        TFileStream F(Path, fmOpenRead | fmShareDenyWrite);
      } catch (const EFOpenError& E) {
        return E.Message().find(u"Not a regular file") != UnicodeString::npos ||
               E.Message().find(u"No such device") != UnicodeString::npos;
      }
      return false;
    })) << Name;
  }
  ::close(Sock);
}

TEST(SpecialFileTest, ExclusiveCreationNeverReusesAName) {
  TScratch Dir;
  const mode_t OldMask = ::umask(022);
  {
    TFileStream F(Dir.U("new.tmp"), fmCreate | fmExclusive, 0600);
    F.WriteBuffer("abc", 3);
  }
  struct stat St {};
  ASSERT_EQ(0, ::stat(Dir.Str("new.tmp").c_str(), &St));
  EXPECT_EQ(St.st_mode & 07777, 0600u);
  // An existing file, and a link placed under the name, are refused and left as they were.
  fs::create_symlink(Dir.Path() / "elsewhere", Dir.Path() / "planted.tmp");
  for (const char* Name : {"new.tmp", "planted.tmp"})
    EXPECT_THROW(TFileStream(Dir.U(Name), fmCreate | fmExclusive, 0600), EFCreateError) << Name;
  EXPECT_EQ(ReadBytes(Dir.Path() / "new.tmp"), "abc");
  EXPECT_FALSE(fs::exists(Dir.Path() / "elsewhere"));
  ::umask(OldMask);
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
  // A plain shortfall has no system reason to add.
  TBytesStream Empty;
  char Buf[1];
  try {
    Empty.ReadBuffer(Buf, 1);
    FAIL() << "no error";
  } catch (const EReadError& E) {
    EXPECT_EQ(E.Message(), u"Stream read error");
  }
}

TEST(SpecialFileTest, InPlaceRewriteKeepsTheFileAndFitsItsLength) {
  TScratch Dir;
  const fs::path File = Dir.Path() / "f.txt";
  for (const std::string& Content : {std::string("a much longer content than before"), std::string("tiny"), std::string()}) {
    WriteBytes(File, "0123456789");
    fs::create_hard_link(File, Dir.Path() / "second");
    OverwriteFileContent(Dir.U("f.txt"), Content.data(), static_cast<Int64>(Content.size()));
    EXPECT_EQ(ReadBytes(File), Content);
    EXPECT_EQ(ReadBytes(Dir.Path() / "second"), Content);
    EXPECT_EQ(FileLinkCount(Dir.U("f.txt")), 2);
    fs::remove(Dir.Path() / "second");
  }
  EXPECT_THROW(OverwriteFileContent(Dir.U("missing"), "x", 1), EFOpenError);
  EXPECT_FALSE(fs::exists(Dir.Path() / "missing"));
}

#endif
