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
inline const UnicodeString rsFileNotFound = u"file not found";
inline const UnicodeString rsNotARegularFile = u"not a regular file";

class TFileHandlerCmdLine : public TCmdLineHandler {
 public:
  TFileHandlerCmdLine();

 protected:
  void AddKnownSwitches(std::vector<TSwitchDef>& ASwitches) const override;
  // A name without wildcards that expands to no file (with -s: none anywhere below its
  // folder) is reported with "Error: "; a mask that matches nothing stays silent.
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
