// A command-line tool that works file by file: each file argument (folder and wildcard mask,
// optionally recursive with -s) is expanded into files, each file is mapped to its target
// (in place, or below the -o folder) and handed to ProcessFile.
#pragma once

#include "cmdline/CmdLineHandler.h"

namespace Vorlane {

inline const UnicodeString rsConverting = u"converting";
inline const UnicodeString rsUsage = u"usage";
inline const UnicodeString rsMayContainWildcards = u"may contain wildcards";
inline const UnicodeString rsCanNotCreateFolder = u"can not create folder";

class TFileHandlerCmdLine : public TCmdLineHandler {
 public:
  TFileHandlerCmdLine();

 protected:
  void AddKnownSwitches(std::vector<TSwitchDef>& ASwitches) const override;
  void DoExecute() override;
  void ShowHelp() override;

  // Handles one file; the base logs FLogPrefix + ": " + AFileName.
  virtual void ProcessFile(const UnicodeString& AFileName, const UnicodeString& ATargetName);
  // AFileName itself without an output folder, else AOutPath + the path of AFileName below
  // ABasePath (which ends with a delimiter). An empty result skips the file.
  virtual UnicodeString GetTargetName(const UnicodeString& AFileName, const UnicodeString& ABasePath,
                                      const UnicodeString& AOutPath);
  // May remove or reorder entries of one argument's expanded list; the base does nothing.
  virtual void FilterFiles(TStringList& AFiles);

  UnicodeString FLogPrefix;
};

}  // namespace Vorlane
