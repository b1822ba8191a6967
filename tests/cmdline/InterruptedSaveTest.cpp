// A project with a second name is rewritten in place. A run killed, or failing, at any step of
// that rewrite loses nothing, and the next run does not build on what it left.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "VorlaneCmdTestUtil.h"
#include "cmdline/SetVersionInfo.h"
#include "projfile/ProjFileIO.h"

using namespace VorlaneCmdTest;
using namespace Vorlane;

namespace {
TOverwriteStep gStopAt;
bool gKill;
void StopAtStep(TOverwriteStep AStep) {
  if (AStep == gStopAt && gKill) ::raise(SIGKILL);
  if (AStep == gStopAt) throw EWriteError(u"Stream write error");
}
}  // namespace

// Wherever the project may differ from its old content, a complete backup stands beside it;
// the next run then names both in an error line and leaves both alone, even when the project
// already holds what that run would write. Without a backup the next run saves normally.
TEST(InterruptedSave, InPlaceRewriteStoppedAtEachStepLeavesAWholeBackupTheNextRunReports) {
#ifndef VORLANE_CMD_EXE
  GTEST_SKIP() << "the VorlaneCmd program is not part of this build";
#else
  const std::string Old = OnDisk(Fixture("verinfo/format18.dproj"));
  const std::string New = OnDisk(Fixture("verinfo/format18.v2.expected.dproj"));  // shorter
  // Project left: o the old content, m a mix, n the new content.
  const struct { TOverwriteStep Step; bool Kill; char Project; bool Backup; } Cases[] = {
      {owBackupCopied, true, 'o', false}, {owBackupNamed, true, 'o', true}, {owHalfWritten, true, 'm', true},
      {owWritten, true, 'm', true},       {owCut, true, 'n', true},         {owBackupNamed, false, 'o', false},
      {owHalfWritten, false, 'm', true}};
  for (const auto& C : Cases) {
    SCOPED_TRACE(std::string(C.Kill ? "killed" : "failed") + " at step " + std::to_string(C.Step));
    TTempDir Dir;
    const fs::path File = Dir / "App.dproj", Backup = Dir / "App.dproj.vorlane-backup";
    WriteBytes(File, Old);
    fs::create_hard_link(File, Dir / "Other.dproj");
    const pid_t Pid = ::fork();
    if (Pid == 0) {
      ::alarm(20);
      gStopAt = C.Step, gKill = C.Kill, OnOverwriteStep = StopAtStep;
      try {
        TSetVersionInfo::SetVersionInfo(UTF8ToUnicode(File.string()), u"2");
      } catch (const EWriteError& E) {  // 3: the message names a kept backup
        ::_exit(E.Message().find(u".vorlane-backup\".") != UnicodeString::npos ? 3 : 2);
      }
      ::_exit(0);
    }
    int Status = 0;
    ASSERT_EQ(Pid, ::waitpid(Pid, &Status, 0));
    EXPECT_EQ(Status, C.Kill ? SIGKILL : (C.Backup ? 3 : 2) << 8);
    const std::string Left = ReadBytes(File);
    EXPECT_EQ(Left == Old, C.Project == 'o');
    EXPECT_EQ(Left == New, C.Project == 'n');
    EXPECT_EQ(fs::exists(Backup) ? ReadBytes(Backup) : "none", C.Backup ? Old : "none");

    const TRunResult Run = RunCmd(Dir.Path(), {"-v:2", "App.dproj"});
    const std::string Error = "Error: \"" + File.string() + "\" is left alone: \"" + Backup.string() + "\"";
    EXPECT_EQ(Run.Output.find("\n" + Error) != std::string::npos, C.Backup) << Run.Output;
    EXPECT_EQ(ReadBytes(File), C.Backup ? Left : New);
    EXPECT_EQ(fs::exists(Backup) ? ReadBytes(Backup) : "none", C.Backup ? Old : "none");
    if (C.Backup) {
      EXPECT_THROW(ProjFileReplaceContent(UTF8ToUnicode(File.string()), "x", 1), EInOutError);
    }
    EXPECT_EQ(ReadBytes(Dir / "Other.dproj"), ReadBytes(File)) << "still one file";
  }
#endif
}

#endif
