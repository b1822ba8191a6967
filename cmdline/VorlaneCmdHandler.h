// The console program's tool: reads the command switches, owns the one project document of the
// run and, for every file the file handler hands over, loads it, applies the chosen commands
// through the project-file engine and saves the result to the target (written only when its
// bytes change).
#pragma once

#include <bitset>
#include <memory>

#include "cmdline/FileHandlerCmdLine.h"

namespace Vorlane {

class TDprojXml;

inline const UnicodeString rsVersionMissing = u"<Version> missing!";
inline const UnicodeString rsInvalidVersion =
    u"invalid version \"%s\" (up to 4 numbers from 0 to 65535 separated by dots)";

class TVorlaneCmd : public TFileHandlerCmdLine {
 public:
  // The commands, in this order; the order is not the order in which they run (see
  // ProcessFile).
  enum TCmd {
    SetVersion,
    Normalize,
    RemovePlatforms,
    RefreshFormType,
    RemoveExcludedPackages,
    RemoveDeployment,
    RemoveUWP,
  };
  static constexpr int cCmdCount = RemoveUWP + 1;
  using TCmdSet = std::bitset<cCmdCount>;

  TVorlaneCmd();
  ~TVorlaneCmd() override;

 protected:
  void AddKnownSwitches(std::vector<TSwitchDef>& ASwitches) const override;
  // Also refuses a -v value that is no version (ECmdLineError).
  void ReadParams() override;
  void ShowHelp() override;
  void ProcessFile(const UnicodeString& AFileName, const UnicodeString& ATargetName) override;

  // Runs the TDProjFile operations chosen by the switches on the loaded document.
  void ApplyProjectCommands();

  bool HasCmd(TCmd ACmd) const { return FCmd.test(ACmd); }

  TCmdSet FCmd;
  UnicodeString FVersion = u"*";
  // One document for the whole run, reloaded for every file.
  std::unique_ptr<TDprojXml> FXml;
};

}  // namespace Vorlane
