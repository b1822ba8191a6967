// Opening a file with the desktop's opener. xdg-open is started in a grandchild of its own
// session, so it outlives nothing of ours, leaves no zombie behind and never reads our terminal.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Shell.h"

namespace Vorlane {

namespace {

bool HasDesktop() {
  const char* x = std::getenv("DISPLAY");
  const char* w = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (w && *w);
}

// The full name of an executable on the PATH, "" when there is none.
std::string FindOnPath(const std::string& AName) {
  const char* path = std::getenv("PATH");
  if (!path) return std::string();
  std::string all = path;
  size_t i = 0;
  while (i <= all.size()) {
    size_t j = all.find(':', i);
    if (j == std::string::npos) j = all.size();
    std::string dir = all.substr(i, j - i);
    if (!dir.empty() && dir[0] == '/') {
      std::string candidate = dir + "/" + AName;
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    i = j + 1;
  }
  return std::string();
}

}  // namespace

bool ShellOpenFile(const UnicodeString& AFileName) {
  if (AFileName.empty() || !FileExists(AFileName)) return false;
  if (!HasDesktop()) return false;
  const std::string opener = FindOnPath("xdg-open");
  if (opener.empty()) return false;
  const UnicodeString full = ExpandFileName(AFileName);
  const std::string file = UnicodeToUTF8(full);
  const std::string folder = UnicodeToUTF8(ExtractFileDir(full));
  // Everything the children need is prepared before the fork: after it only calls that are
  // safe in a forked copy of a possibly threaded process are made.
  const char* argv[] = {opener.c_str(), file.c_str(), nullptr};
  int devnull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (devnull < 0) return false;
  pid_t child = ::fork();
  if (child < 0) {
    ::close(devnull);
    return false;
  }
  if (child == 0) {
    ::setsid();
    pid_t grandchild = ::fork();
    if (grandchild == 0) {
      ::dup2(devnull, 0);
      ::dup2(devnull, 1);
      ::dup2(devnull, 2);
      if (::chdir(folder.c_str()) != 0) {
        // The folder of an existing file; should it vanish, the opener runs from where it is.
      }
      ::execv(opener.c_str(), const_cast<char* const*>(argv));
      ::_exit(127);
    }
    ::_exit(grandchild < 0 ? 1 : 0);
  }
  ::close(devnull);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace Vorlane
