// POSIX side of replacing a file: owner, links and access rights of the file being replaced,
// room for an in-place rewrite, flushing a folder, and the list of temporary files that an
// interrupt removes.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/FileSystem.h"
#include "platform/OsBackend.h"

namespace Vorlane {

using OsBackend::ToSystemName;

Integer FileLinkCount(const UnicodeString& AFileName) {
  struct stat St;
  if (AFileName.empty() || ::stat(ToSystemName(AFileName).c_str(), &St) != 0) return 0;
  return St.st_nlink > static_cast<nlink_t>(INT_MAX) ? INT_MAX : static_cast<Integer>(St.st_nlink);
}

bool CopyFileOwner(const UnicodeString& ASource, const UnicodeString& ATarget) {
  struct stat Src, Dst;
  const std::string Target = ToSystemName(ATarget);
  if (::stat(ToSystemName(ASource).c_str(), &Src) != 0 || ::stat(Target.c_str(), &Dst) != 0) return false;
  if (Src.st_uid == Dst.st_uid && Src.st_gid == Dst.st_gid) return true;
  // Only what differs is changed: an owner may give a file to one of its own groups without
  // the right to give files away.
  const uid_t Uid = Src.st_uid == Dst.st_uid ? static_cast<uid_t>(-1) : Src.st_uid;
  const gid_t Gid = Src.st_gid == Dst.st_gid ? static_cast<gid_t>(-1) : Src.st_gid;
  return ::chown(Target.c_str(), Uid, Gid) == 0;
}

bool SetDefaultFileAccess(const UnicodeString& AFileName) {
  // The umask can only be read by setting it; the program runs one thread.
  const mode_t Mask = ::umask(0);
  ::umask(Mask);
  return ::chmod(ToSystemName(AFileName).c_str(), 0666 & ~Mask) == 0;
}

bool FlushFolderToDisk(const UnicodeString& AFolder) {
  const std::string Name = AFolder.empty() ? std::string(".") : ToSystemName(AFolder);
  int Fd;
  do Fd = ::open(Name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  while (Fd < 0 && errno == EINTR);
  if (Fd < 0) return false;
  // As with files, a file system that cannot synchronise a folder has nothing to lose.
  const bool Flushed = ::fsync(Fd) == 0 || errno == EINVAL || errno == EROFS;
  const int Err = errno;
  ::close(Fd);
  errno = Err;
  return Flushed;
}

namespace OsBackend {

int ReserveFileSpace(intptr_t AHandle, Int64 ASize) {
  if (ASize <= 0) return 0;
  int Err;
  do Err = ::posix_fallocate(static_cast<int>(AHandle), 0, static_cast<off_t>(ASize));
  while (Err == EINTR);
  // Only a lack of room is an answer; a file system that cannot reserve says nothing.
  return Err == ENOSPC || Err == EDQUOT || Err == EFBIG ? Err : 0;
}

}  // namespace OsBackend

// ---------------------------------------------------------------------------------------------
// Pending temporary files. The handler may only touch what is async-signal-safe: fixed slots
// of bytes, flags of sig_atomic_t, unlink and raise. Slots change only while interrupts are
// held back, so the handler never sees one half written.

namespace {

constexpr int kPendingSlots = 8;

struct TPendingSlot {
  volatile sig_atomic_t Used;
  char Path[PATH_MAX];
};

TPendingSlot gPending[kPendingSlots];
int gHoldDepth = 0;
sigset_t gHoldSaved;

void RemovePendingAndReraise(int ASignal) {
  const int SavedErrno = errno;
  for (auto& Slot : gPending)
    if (Slot.Used) ::unlink(Slot.Path);
  // SA_RESETHAND restored the default action and SA_NODEFER left the signal unblocked: this
  // ends the program the way the signal would have without the handler.
  ::raise(ASignal);
  errno = SavedErrno;
}

// Installed over the default action only: a signal the program ignores (a background job's
// SIGINT) or handles itself stays as it is.
void WatchSignal(int ASignal) {
  struct sigaction Current;
  if (::sigaction(ASignal, nullptr, &Current) != 0) return;
  if ((Current.sa_flags & SA_SIGINFO) != 0 || Current.sa_handler != SIG_DFL) return;
  struct sigaction Act;
  std::memset(&Act, 0, sizeof Act);
  Act.sa_handler = RemovePendingAndReraise;
  sigemptyset(&Act.sa_mask);
  Act.sa_flags = SA_RESETHAND | SA_NODEFER;
  ::sigaction(ASignal, &Act, nullptr);
}

}  // namespace

TInterruptHold::TInterruptHold() {
  if (gHoldDepth++ > 0) return;
  sigset_t Set;
  sigemptyset(&Set);
  sigaddset(&Set, SIGINT);
  sigaddset(&Set, SIGTERM);
  ::pthread_sigmask(SIG_BLOCK, &Set, &gHoldSaved);
}

TInterruptHold::~TInterruptHold() {
  if (--gHoldDepth == 0) ::pthread_sigmask(SIG_SETMASK, &gHoldSaved, nullptr);
}

int AddPendingFile(const UnicodeString& AFileName) {
  const std::string Name = ToSystemName(AFileName);
  if (Name.empty() || Name.size() >= PATH_MAX) return -1;
  TInterruptHold Hold;
  for (int I = 0; I < kPendingSlots; ++I) {
    if (gPending[I].Used) continue;
    std::memcpy(gPending[I].Path, Name.c_str(), Name.size() + 1);
    gPending[I].Used = 1;
    // Checked on every listing: a child process may have reset what its parent installed.
    WatchSignal(SIGINT);
    WatchSignal(SIGTERM);
    return I;
  }
  return -1;
}

void RemovePendingFile(int AEntry) {
  if (AEntry < 0 || AEntry >= kPendingSlots) return;
  TInterruptHold Hold;
  gPending[AEntry].Used = 0;
}

}  // namespace Vorlane
