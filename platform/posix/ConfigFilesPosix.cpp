// The XDG base directories for configuration files.
#include <cstdlib>
#include <string>

#include "platform/ConfigFiles.h"
#include "platform/OsBackend.h"

namespace Vorlane {

namespace {

std::string Variable(const char* AName) {
  const char* LValue = std::getenv(AName);
  return LValue ? std::string(LValue) : std::string();
}

bool IsAbsolute(const std::string& APath) { return !APath.empty() && APath[0] == '/'; }

}  // namespace

std::vector<UnicodeString> ConfigFileCandidates(const UnicodeString& ARelative) {
  std::vector<std::string> LFolders;
  std::string LUser = Variable("XDG_CONFIG_HOME");
  if (!IsAbsolute(LUser)) {
    const std::string LHome = Variable("HOME");
    LUser = IsAbsolute(LHome) ? LHome + "/.config" : std::string();
  }
  if (!LUser.empty()) LFolders.push_back(LUser);

  std::string LSystem = Variable("XDG_CONFIG_DIRS");
  if (LSystem.empty()) LSystem = "/etc/xdg";
  for (size_t LStart = 0; LStart <= LSystem.size();) {
    size_t LEnd = LSystem.find(':', LStart);
    if (LEnd == std::string::npos) LEnd = LSystem.size();
    const std::string LFolder = LSystem.substr(LStart, LEnd - LStart);
    if (IsAbsolute(LFolder)) LFolders.push_back(LFolder);
    LStart = LEnd + 1;
  }

  std::vector<UnicodeString> LResult;
  for (std::string& LFolder : LFolders) {
    while (LFolder.size() > 1 && LFolder.back() == '/') LFolder.pop_back();
    LResult.push_back(OsBackend::FromSystemName(LFolder == "/" ? std::string() : LFolder) + u"/" + ARelative);
  }
  return LResult;
}

}  // namespace Vorlane
