// The spine of the console program: the run sequence (banner, help or run, timing, log file,
// final wait), the generic switches -p, -o and -l, switch lookup, and every progress and error
// line. Descendants supply the work (DoExecute) and the help text (ShowHelp).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/StringList.h"
#include "platform/SysUtils.h"

namespace Vorlane {

// Replaceable texts of the console program.
inline const UnicodeString rsPressEnter = u"press <enter> to continue...";
inline const UnicodeString rsElapsedTime = u"elapsed time: %d ms";
inline const UnicodeString rsNoVersionInfo = u"<no version info>";
inline const UnicodeString rsVersion = u"Version %d.%d.%d.%d";
inline const UnicodeString rsUnknownSwitch = u"unknown switch";
inline const UnicodeString rsLogNotARegularFile = u"log file is not a regular file";

// A command line the program refuses (an unknown switch, a value it cannot use): the run ends
// with one "Error: " line, the help text when HelpNeeded, and the wait for Enter, before any
// file is read or written.
class ECmdLineError : public Exception {
 public:
  explicit ECmdLineError(const UnicodeString& AMessage, bool AHelpNeeded = false)
      : Exception(AMessage), FHelpNeeded(AHelpNeeded) {}
  const char* ClassName() const override { return "ECmdLineError"; }
  bool HelpNeeded() const { return FHelpNeeded; }

 private:
  bool FHelpNeeded;
};

// A switch the program knows: a flag matches the whole text after the switch character, a
// value switch its beginning (as GetSwitch and FindSwitchValue match them).
struct TSwitchDef {
  UnicodeString Name;
  bool TakesValue = false;
};

class TCmdLineHandler;

// The class of a handler: how Execute builds "the class of the caller" and asks its
// class-level NeedsHelp.
struct TCmdLineHandlerClass {
  std::function<std::unique_ptr<TCmdLineHandler>()> Create;
  std::function<bool()> NeedsHelp;
};

class TCmdLineHandler {
 public:
  TCmdLineHandler();
  virtual ~TCmdLineHandler();
  TCmdLineHandler(const TCmdLineHandler&) = delete;
  TCmdLineHandler& operator=(const TCmdLineHandler&) = delete;

  template <class T>
  static TCmdLineHandlerClass ClassOf() {
    return {[] { return std::unique_ptr<TCmdLineHandler>(new T()); }, [] { return T::NeedsHelp(); }};
  }

  // The whole program run for the given handler class. Returns the process exit code: 1 when
  // an "Error: " line was written or an error escaped the run, else 0. Errors of construction,
  // banner or help are not caught here (the program entry reports them). AProcessEnds: the
  // process ends right after, so the handler (and the last project it loaded) is left to the
  // system instead of being destroyed.
  static int Execute(const TCmdLineHandlerClass& AClass, bool AProcessEnds = false);
  template <class T>
  static int Execute() {
    return Execute(ClassOf<T>());
  }

  // Help instead of a run: no parameters at all, or -? / -help. Decided from the raw command
  // line before ReadParams. Descendants may hide it with their own static NeedsHelp.
  static bool NeedsHelp();

  // A parameter made of a switch character and exactly AName (case ignored).
  static bool GetSwitch(const UnicodeString& AName);
  // The value of a value switch (matched by prefix); ADefault when no parameter matches. A
  // switch present without a value gives "".
  static UnicodeString SwitchValue(const UnicodeString& AName, const UnicodeString& ADefault);
  // As SwitchValue, telling whether the switch is present.
  static bool FindSwitchValue(const UnicodeString& AName, UnicodeString& AValue);

  // Program file name of parameter 0 without folder and extension.
  static UnicodeString GetExeName();
  // "Version 1.2.3.4" from the program file itself, or "<no version info>".
  static UnicodeString GetVersionText();

  // Foreign path delimiters become the platform's.
  static UnicodeString ConvertPathDelimiters(const UnicodeString& AText);
  static UnicodeString ReplaceChar(const UnicodeString& AText, char16_t AOld, char16_t ANew);

  void SaveLog(const UnicodeString& AFileName);

  // Whether an "Error: " line was written or an error escaped the run.
  bool ErrorReported() const { return FErrorReported; }

 protected:
  virtual void Finish();
  virtual void DoExecute() = 0;
  // A recoverable error: logs "Error: " + AMsg, then waits for Enter.
  virtual void Error(const UnicodeString& AMsg);
  // A progress line: into the log (when one is kept) and onto standard output.
  virtual void Log(const UnicodeString& AMsg);
  // Refuses an unknown switch and a log name that is no regular file (ECmdLineError).
  virtual void ReadParams();
  // The switches ReadParams accepts; descendants add theirs to the inherited ones.
  virtual void AddKnownSwitches(std::vector<TSwitchDef>& ASwitches) const;
  virtual void ShowHelp() = 0;
  virtual void ShowBanner();

  // Writes rsPressEnter and reads one line; end of input ends the wait at once.
  void WaitForEnter();
  // Whether file argument AIndex is the separate value of a value switch (-o out), which the
  // switch syntax also counts as a file argument.
  bool IsSwitchValue(Integer AIndex) const;

  UnicodeString FLogFileName;
  std::unique_ptr<TStringList> FLogs;
  UnicodeString FOutPath;
  TStringList FParams;
  // Parallel to FParams: the entries that follow a value switch written without its value.
  std::vector<bool> FParamIsSwitchValue;
  bool FWaitForEnter = false;

 private:
  void Run();
  bool FErrorReported = false;
};

// The program entry's part: runs Execute for the handler class and reports an error that
// escapes it (construction, banner or help) as its class name, ": " and its message. Returns
// the process exit code (1 after such an error).
int RunProgram(const TCmdLineHandlerClass& AClass);

// Reads the fixed file version of a module file.
bool GetFileVersion(const UnicodeString& AFileName, Integer& AMajor, Integer& AMinor,
                    Integer& ARelease, Integer& ABuild);

}  // namespace Vorlane
