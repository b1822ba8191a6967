// The process's command line, console lines and a stopwatch.
#pragma once

#include <chrono>
#include <vector>

#include "platform/SysUtils.h"

namespace Vorlane {

// ---------------------------------------------------------------------------------------------
// Command-line parameters. Parameter 0 is the program file's own full path; 1..ParamCount()
// are the arguments as the system splits them (on Windows from the UTF-16 command line).

// Called once by the program entry; tests call the second form to stage a command line.
void SetCommandLine(int argc, char** argv);
void SetCommandLine(const std::vector<UnicodeString>& AParams);
Integer ParamCount();
// "" for an index out of range.
UnicodeString ParamStr(Integer AIndex);
// The running program's own file (full path), independent of what SetCommandLine staged.
UnicodeString GetModuleFileName();

// Characters that introduce a command-line switch: only '-' on POSIX, where '/' begins
// absolute paths; '-' and '/' on Windows.
bool IsSwitchChar(char16_t C);

// ---------------------------------------------------------------------------------------------
// Console lines. Output goes to standard output (UTF-8 with LF on POSIX; the console's own
// code page on Windows); input reads one line from standard input.

class TConsole {
 public:
  virtual ~TConsole();
  virtual void WriteLine(const UnicodeString& AText) = 0;
  // One line without its line break; false at end of input (nothing is waited for then).
  virtual bool ReadLine(UnicodeString& ALine) = 0;
};

// The console in use: the process's standard streams unless replaced.
TConsole* Console();
// Replaces the console (tests capture output this way); null restores the standard one.
// Returns the previous one. The caller keeps ownership.
TConsole* SetConsole(TConsole* AConsole);

inline void WriteLn(const UnicodeString& AText = UnicodeString()) { Console()->WriteLine(AText); }
inline bool ReadLn(UnicodeString& ALine) { return Console()->ReadLine(ALine); }
inline bool ReadLn() {
  UnicodeString ignored;
  return Console()->ReadLine(ignored);
}

// ---------------------------------------------------------------------------------------------
// Stopwatch on the monotonic clock.

class TStopwatch {
 public:
  static TStopwatch StartNew() {
    TStopwatch W;
    W.Start();
    return W;
  }
  void Start() {
    if (!FRunning) {
      FStart = std::chrono::steady_clock::now();
      FRunning = true;
    }
  }
  void Stop() {
    if (FRunning) {
      FElapsed += std::chrono::steady_clock::now() - FStart;
      FRunning = false;
    }
  }
  void Reset() {
    FElapsed = {};
    FRunning = false;
  }
  bool IsRunning() const { return FRunning; }
  Int64 ElapsedMilliseconds() const {
    auto total = FElapsed;
    if (FRunning) total += std::chrono::steady_clock::now() - FStart;
    return std::chrono::duration_cast<std::chrono::milliseconds>(total).count();
  }

 private:
  std::chrono::steady_clock::time_point FStart{};
  std::chrono::steady_clock::duration FElapsed{};
  bool FRunning = false;
};

}  // namespace Vorlane
