// Replacing a project file keeps what the file was: owner, group, access rights and hard
// links; the temporary file is private while it is written and does not survive an interrupt.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/Classes.h"
#include "projfile/ProjFileIO.h"
#include "tests/projfile/DprojFileTestSupport.h"

using namespace Vorlane;
using namespace ProjFileTest;

namespace {

constexpr uid_t cNobody = 65534;
constexpr gid_t cNogroup = 65534;
const std::string cNew = "<Project>the new content</Project>\r\n";

struct stat StatOf(const fs::path& APath) {
  struct stat St {};
  EXPECT_EQ(0, ::stat(APath.c_str(), &St)) << APath;
  return St;
}

void Replace(const fs::path& AFile) { ProjFileReplaceContent(U16(AFile), cNew.data(), static_cast<Int64>(cNew.size())); }

// Runs ABody in a child process that cannot outlive 20 seconds; exit code 0 when it returns.
template <typename TBody>
pid_t Child(TBody ABody) {
  const pid_t Pid = ::fork();
  if (Pid == 0) {
    ::alarm(20);
    try {
      ABody();
    } catch (...) {
      ::_exit(2);
    }
    ::_exit(0);
  }
  return Pid;
}

int WaitFor(pid_t APid) {
  int Status = -1;
  EXPECT_EQ(APid, ::waitpid(APid, &Status, 0));
  return Status;
}

}  // namespace

TEST(ProjFileReplace, OwnerGroupRightsAndLinksSurvive) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another owner needs root";
  struct TCase {
    uid_t Uid;
    gid_t Gid;
    mode_t Mode;
    bool HardLink;
  };
  for (const TCase& C : {TCase{cNobody, cNogroup, 0640, false}, TCase{0, cNogroup, 0604, false},
                         TCase{cNobody, cNogroup, 02660, false},  // set-group-id outlives the owner change
                         TCase{cNobody, cNogroup, 0660, true}}) {
    TTempDir Dir;
    const fs::path File = Dir / "p.dproj";
    WriteBytes(File, "old");
    ASSERT_EQ(0, ::chown(File.c_str(), C.Uid, C.Gid));
    ASSERT_EQ(0, ::chmod(File.c_str(), C.Mode));
    if (C.HardLink) fs::create_hard_link(File, Dir / "other.dproj");
    const struct stat Before = StatOf(File);
    Replace(File);
    const struct stat After = StatOf(File);
    const std::string What = "mode " + std::to_string(C.Mode) + (C.HardLink ? " linked" : "");
    EXPECT_EQ(ReadBytes(File), cNew) << What;
    EXPECT_EQ(After.st_uid, C.Uid) << What;
    EXPECT_EQ(After.st_gid, C.Gid) << What;
    EXPECT_EQ(After.st_mode & 07777, C.Mode) << What;
    // A single name is replaced whole (atomically); a second name keeps sharing the file.
    EXPECT_EQ(After.st_ino == Before.st_ino, C.HardLink) << What;
    EXPECT_EQ(ReadBytes(C.HardLink ? Dir / "other.dproj" : File), cNew) << What;
    EXPECT_EQ(Dir.EntryCount(), C.HardLink ? 2u : 1u) << What;
  }

  // A user who may write root's file but cannot give a new file to root rewrites it in place.
  TTempDir Dir;
  const fs::path File = Dir / "p.dproj";
  WriteBytes(File, "old content, longer than the new one ...............................");
  ASSERT_EQ(0, ::chmod(Dir.Path().c_str(), 0777));
  ASSERT_EQ(0, ::chmod(File.c_str(), 0666));
  const struct stat Before = StatOf(File);
  const int Status = WaitFor(Child([&] {
    if (::setgid(cNogroup) != 0 || ::setuid(cNobody) != 0) ::_exit(3);
    Replace(File);
  }));
  ASSERT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0) << Status;
  const struct stat After = StatOf(File);
  EXPECT_EQ(ReadBytes(File), cNew);
  EXPECT_EQ(After.st_ino, Before.st_ino);
  EXPECT_EQ(After.st_uid, 0u);
  EXPECT_EQ(Dir.EntryCount(), 1u);
}

TEST(ProjFileReplace, NewFileGetsTheRightsOfAnyNewFile) {
  TTempDir Dir;
  const mode_t OldMask = ::umask(027);
  Replace(Dir / "new.dproj");
  ::umask(OldMask);
  EXPECT_EQ(StatOf(Dir / "new.dproj").st_mode & 07777, 0640u);
}

TEST(ProjFileReplace, FullDiskKeepsTheOldFileAndSaysWhy) {
  TTempDir Dir;
  if (::geteuid() != 0 || ::mount("tmpfs", Dir.Path().c_str(), "tmpfs", 0, "size=16k") != 0)
    GTEST_SKIP() << "mounting a small file system needs root";
  const struct TUnmount {
    std::string Path;
    ~TUnmount() { ::umount(Path.c_str()); }
  } Unmount{Dir.Path().string()};
  const std::string Old(4000, 'o'), New(6000, 'n');  // the new content needs one more page
  WriteBytes(Dir / "single.dproj", Old);
  WriteBytes(Dir / "linked.dproj", Old);
  fs::create_hard_link(Dir / "linked.dproj", Dir / "other.dproj");
  WriteBytes(Dir / "fill", std::string(64 * 1024, 'f'));  // stops where the disk is full
  for (const char* Name : {"single.dproj", "linked.dproj"}) {
    try {
      ProjFileReplaceContent(U16(Dir / Name), New.data(), static_cast<Int64>(New.size()));
      ADD_FAILURE() << Name << ": no error";
    } catch (const Exception& E) {
      EXPECT_NE(E.Message().find(UTF8ToUnicode(std::strerror(ENOSPC))), UnicodeString::npos) << Name;
    }
    EXPECT_EQ(ReadBytes(Dir / Name), Old) << Name;
  }
  EXPECT_EQ(Dir.EntryCount(), 4u);
}

namespace {

int gReportFd = -1;

// Stands for a save that is still running: tells the test where its temporary file is, then
// waits for the signal.
void ReportAndWait(const UnicodeString& ATempName) {
  const std::string Name = UnicodeToUTF8(ATempName) + "\n";
  if (::write(gReportFd, Name.data(), Name.size()) != static_cast<ssize_t>(Name.size())) ::_exit(4);
  for (;;) ::pause();
}

}  // namespace

TEST(ProjFileReplace, InterruptedSaveLeavesTheOldFileAndNoTemporary) {
  for (const int Signal : {SIGINT, SIGTERM}) {
    TTempDir Dir;
    const fs::path File = Dir / "p.dproj";
    WriteBytes(File, "old");
    int Pipe[2];
    ASSERT_EQ(0, ::pipe(Pipe));
    const pid_t Pid = Child([&] {
      ::close(Pipe[0]);
      ::signal(Signal, SIG_DFL);  // the test runner may have been started with it ignored
      gReportFd = Pipe[1];
      ProjFileOnTemporaryComplete = ReportAndWait;
      Replace(File);
    });
    ::close(Pipe[1]);
    std::string TempName;
    for (char C; ::read(Pipe[0], &C, 1) == 1 && C != '\n';) TempName += C;
    ::close(Pipe[0]);

    // The complete temporary file is still private to its owner.
    struct stat Temp {};
    ASSERT_EQ(0, ::stat(TempName.c_str(), &Temp)) << "signal " << Signal;
    EXPECT_EQ(Temp.st_mode & 07777, 0600u);
    EXPECT_EQ(static_cast<std::size_t>(Temp.st_size), cNew.size());

    ::kill(Pid, Signal);
    const int Status = WaitFor(Pid);
    EXPECT_TRUE(WIFSIGNALED(Status) && WTERMSIG(Status) == Signal) << "signal " << Signal << ", status " << Status;
    EXPECT_EQ(ReadBytes(File), "old");
    EXPECT_EQ(Dir.EntryCount(), 1u) << "signal " << Signal;
  }
}

// The streamed save rewrites a file in place where a new file cannot take its place: a second
// name, an owner the user cannot give away. A folder that takes no new file takes no backup
// either, so there the file is refused, untouched. The comparison still comes first.
TEST(ProjFileReplace, StreamedSaveRewritesInPlaceWhereItMust) {
  struct TCase {
    const char* Name;
    bool AsNobody;
    mode_t FolderMode;
    bool HardLink;
  };
  const std::string Old = "old content, longer than the new one ..............................";
  for (const TCase& C : {TCase{"second name", false, 0755, true}, TCase{"second name, closed folder", true, 0755, true},
                         TCase{"owner not kept", true, 0777, false}}) {
    SCOPED_TRACE(C.Name);
    const bool Refused = C.AsNobody && C.FolderMode == 0755;
    if (C.AsNobody && ::geteuid() != 0) continue;  // needs root to act as another user
    TTempDir Dir;
    const fs::path File = Dir / "p.dproj";
    WriteBytes(File, Old);
    ASSERT_EQ(0, ::chmod(File.c_str(), 0666));
    if (C.HardLink) fs::create_hard_link(File, Dir / "other.dproj");
    ASSERT_EQ(0, ::chmod(Dir.Path().c_str(), C.FolderMode));
    const struct stat Before = StatOf(File);
    auto Save = [&] {
      const auto Render = [](TStream& AStream) { AStream.WriteBuffer(cNew.data(), static_cast<Integer>(cNew.size())); };
      for (int Round = 0; Round < 2; ++Round)  // the second finds nothing to do
        if (ProjFileSaveContent(U16(File), Render) != (Round == 0)) ::_exit(5);
    };
    if (C.AsNobody) {
      const int Status = WaitFor(Child([&] {
        if (::setgid(cNogroup) != 0 || ::setuid(cNobody) != 0) ::_exit(3);
        Save();
      }));
      ASSERT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == (Refused ? 2 : 0)) << Status;
    } else {
      Save();
    }
    const struct stat After = StatOf(File);
    EXPECT_EQ(ReadBytes(File), Refused ? Old : cNew);
    if (C.HardLink) {
      EXPECT_EQ(ReadBytes(Dir / "other.dproj"), ReadBytes(File));
    }
    EXPECT_EQ(After.st_ino, Before.st_ino);
    EXPECT_EQ(After.st_uid, Before.st_uid);
    EXPECT_EQ(Dir.EntryCount(), C.HardLink ? 2u : 1u);
  }
}

#endif
