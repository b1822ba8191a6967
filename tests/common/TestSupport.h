// What every test suite needs around the code under test: whole files as bytes, scratch
// folders, the shared data folders and byte strings written as numbers. Kept independent of
// the code under test so that a fault there cannot hide itself in a test's own plumbing.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "platform/SysUtils.h"

namespace TestSupport {

namespace fs = std::filesystem;

// A relative name written with '/' in the system's own delimiters (sub\f.txt on Windows).
inline std::string Native(std::string ARelative) {
#ifdef _WIN32
  for (char& C : ARelative)
    if (C == '/') C = '\\';
#endif
  return ARelative;
}

// The whole file; "" when it cannot be read.
inline std::string ReadBytes(const fs::path& APath) {
  std::ifstream In(APath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

// Replaces the file with exactly these bytes, creating its folder first.
inline void WriteBytes(const fs::path& APath, const std::string& AData) {
  if (APath.has_parent_path()) fs::create_directories(APath.parent_path());
  std::ofstream Out(APath, std::ios::binary | std::ios::trunc);
  Out.write(AData.data(), static_cast<std::streamsize>(AData.size()));
}

// A fresh folder below the system's temporary folder, removed with everything in it. The
// path is canonical, so it compares equal to what the code under test resolves.
class TScratchFolder {
 public:
  explicit TScratchFolder(const std::string& APrefix = "vorlane-test") {
    static std::atomic<unsigned> Counter{0};
    const auto Stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    FPath = fs::temp_directory_path() / (APrefix + "-" + std::to_string(Stamp) + "-" + std::to_string(++Counter));
    fs::create_directories(FPath);
    FPath = fs::canonical(FPath);
  }
  ~TScratchFolder() {
    std::error_code Ec;
    // Read-only entries left by a test must not keep the folder alive; a folder is opened up
    // before the iterator descends into it.
    for (auto It = fs::recursive_directory_iterator(FPath, Ec); !Ec && It != fs::recursive_directory_iterator();
         It.increment(Ec))
      fs::permissions(It->path(), fs::perms::owner_all, fs::perm_options::add, Ec);
    fs::remove_all(FPath, Ec);
  }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;

  const fs::path& Path() const { return FPath; }
  fs::path operator/(const std::string& AName) const { return FPath / AName; }
  // Creates a file (and its folders) below the scratch folder.
  void Touch(const std::string& ARelative, const std::string& AData = "x") const { WriteBytes(FPath / ARelative, AData); }

 private:
  fs::path FPath;
};

// The shared data next to the project (real project files, the XML conformance suite); used
// by path only, and possibly absent. The environment variable VORLANE_SHARED_DIR names it at
// run time; without it, the folder beside the source tree that the build compiled in.
inline fs::path SharedDir() {
  const char* LFolder = std::getenv("VORLANE_SHARED_DIR");
  return fs::path(LFolder && *LFolder ? LFolder : VORLANE_SHARED_DIR);
}
inline fs::path CorpusDir() { return SharedDir() / "corpus"; }

// Whether the shared entry APath is there. A fresh clone has no shared data and its tests skip
// what needs it; a run with VORLANE_REQUIRE_SHARED=1 (CI) must not pass that way, so there an
// absent entry also fails the running test.
inline bool SharedPresent(const fs::path& APath, const std::string& AWhat) {
  if (fs::exists(APath)) return true;
  const char* LRequired = std::getenv("VORLANE_REQUIRE_SHARED");
  if (LRequired && *LRequired && std::string(LRequired) != "0")
    ADD_FAILURE() << AWhat << " not found at " << APath << ", and VORLANE_REQUIRE_SHARED is set";
  return false;
}

// Byte strings written as numbers, for encodings and markers that are unreadable as literals.
inline std::string Bytes(std::initializer_list<int> AValues) {
  std::string Result;
  for (int V : AValues) Result += static_cast<char>(V);
  return Result;
}

// UTF-16 code units as bytes, low byte first unless ABigEndian.
inline std::string Utf16Bytes(const std::u16string& AText, bool ABigEndian = false) {
  std::string Result;
  for (char16_t C : AText) {
    const char Hi = static_cast<char>(C >> 8), Lo = static_cast<char>(C & 0xFF);
    Result += ABigEndian ? Hi : Lo;
    Result += ABigEndian ? Lo : Hi;
  }
  return Result;
}

// S quoted for the system's shell as one argument.
#ifdef _WIN32
// cmd.exe: double quotes, with backslashes doubled before a quote as the program's argument
// splitting expects.
inline std::string ShellQuote(const std::string& S) {
  std::string R = "\"";
  size_t Slashes = 0;
  for (char C : S) {
    if (C == '\\') {
      ++Slashes;
      continue;
    }
    R.append(C == '"' ? Slashes * 2 + 1 : Slashes, '\\');
    Slashes = 0;
    R += C;
  }
  return R.append(Slashes * 2, '\\') + "\"";
}
#else
inline std::string ShellQuote(const std::string& S) {
  std::string R = "'";
  for (char C : S) R += C == '\'' ? std::string("'\\''") : std::string(1, C);
  return R + "'";
}
#endif

// Runs the program AExe in AWorkDir with the arguments (passed as they are, wildcards
// included) through the system's shell, standard input at its end so that a wait for Enter
// ends at once; standard output and error go to AOutput. Returns the exit code, -1 when the
// program could not be run.
inline int RunProgram(const fs::path& AWorkDir, const fs::path& AExe, const std::vector<std::string>& AArgs,
                      std::string& AOutput) {
  const fs::path OutFile = AWorkDir.parent_path() / (AWorkDir.filename().string() + ".stdout");
#ifdef _WIN32
  std::string Cmd = "cd /d " + ShellQuote(fs::path(AWorkDir).make_preferred().string()) + " && " +
                    ShellQuote(fs::path(AExe).make_preferred().string());
  for (const auto& A : AArgs) Cmd += " " + ShellQuote(A);
  Cmd += " <NUL >" + ShellQuote(fs::path(OutFile).make_preferred().string()) + " 2>&1";
  // -1: the shell itself could not be started (seen now and then under wine while many test
  // programs start at once); the program never ran, so trying again changes nothing it did.
  int Code = -1;
  for (int Attempt = 0; Attempt < 3 && Code == -1; ++Attempt) Code = std::system(Cmd.c_str());
#else
  std::string Cmd = "cd " + ShellQuote(AWorkDir.string()) + " && " + ShellQuote(AExe.string());
  for (const auto& A : AArgs) Cmd += " " + ShellQuote(A);
  Cmd += " </dev/null >" + ShellQuote(OutFile.string()) + " 2>&1";
  const int Status = std::system(Cmd.c_str());
  const int Code = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
#endif
  AOutput = ReadBytes(OutFile);
  std::error_code Ignored;
  fs::remove(OutFile, Ignored);
  return Code;
}

// "<class>: <message>" of the exception AAction raises, "no exception" when it raises none.
inline std::string MessageOf(const std::function<void()>& AAction) {
  try {
    AAction();
  } catch (const Vorlane::Exception& E) {
    return std::string(E.ClassName()) + ": " + E.MessageUtf8();
  }
  return "no exception";
}

}  // namespace TestSupport

// Ends the running test as skipped, saying what is missing, when APath (shared data that may
// not be installed) does not exist; as failed too when the run requires the shared data.
#define TESTSUPPORT_SKIP_IF_ABSENT(APath, AWhat)                                             \
  do {                                                                                       \
    const std::filesystem::path SkipPath_ = (APath);                                         \
    if (!TestSupport::SharedPresent(SkipPath_, AWhat))                                       \
      GTEST_SKIP() << AWhat << " not found at " << SkipPath_ << " (see VORLANE_SHARED_DIR)"; \
  } while (false)
