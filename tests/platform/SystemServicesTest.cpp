// The registry, the shell and file sharing: the services whose behaviour is the system's own.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/Classes.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "PlatformTestSupport.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

using namespace Vorlane;
using PlatformTest::TScratch;
namespace fs = std::filesystem;

namespace {

const UnicodeString cKey = u"Software\\Harlowmere\\VorlaneTest";

#ifdef _WIN32
bool Exists(const UnicodeString& AName) { return FileExists(AName); }

std::wstring WS(const UnicodeString& S) { return std::wstring(S.begin(), S.end()); }

// Test values written with the system's own calls, removed again at the end. HKLM may refuse
// writing to a user without administrator rights; Has() then says so.
class TRegistryFixture {
 public:
  TRegistryFixture() {
    for (int i = 0; i < 2; ++i) {
      HKEY k = nullptr;
      if (::RegCreateKeyExW(Root(i), reinterpret_cast<const wchar_t*>(cKey.c_str()), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &k, nullptr) == ERROR_SUCCESS)
        FKey[i] = k;
    }
  }
  ~TRegistryFixture() {
    for (int i = 0; i < 2; ++i)
      if (FKey[i]) {
        ::RegCloseKey(FKey[i]);
        ::RegDeleteKeyW(Root(i), reinterpret_cast<const wchar_t*>(cKey.c_str()));
      }
  }
  bool Has(int ARoot) const { return FKey[ARoot] != nullptr; }
  // Bytes as stored, so that a value without its terminating zero can be written too.
  void Set(int ARoot, const wchar_t* AName, DWORD AType, const std::wstring& AData, bool AWithZero = true) {
    ASSERT_TRUE(Has(ARoot));
    const DWORD Size = static_cast<DWORD>((AData.size() + (AWithZero ? 1 : 0)) * sizeof(wchar_t));
    ASSERT_EQ(::RegSetValueExW(FKey[ARoot], AName, 0, AType, reinterpret_cast<const BYTE*>(AData.c_str()), Size),
              ERROR_SUCCESS);
  }
  void SetDword(int ARoot, const wchar_t* AName, DWORD AValue) {
    ASSERT_EQ(::RegSetValueExW(FKey[ARoot], AName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&AValue), sizeof AValue),
              ERROR_SUCCESS);
  }

 private:
  static HKEY Root(int i) { return i == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }
  HKEY FKey[2] = {nullptr, nullptr};
};
#endif

}  // namespace

// (POSIX has no registry: its backend finds nothing by construction.)
#ifdef _WIN32
TEST(RegistryTest, StringValuesUnderEitherRoot) {
  TRegistryFixture Reg;
  if (!Reg.Has(0)) GTEST_SKIP() << "the current user's registry cannot be written here";
  Reg.Set(0, L"Plain", REG_SZ, L"C:\\help\\vorlane.chm");
  Reg.Set(0, L"Expand", REG_EXPAND_SZ, L"%ProgramFiles%\\x");
  Reg.Set(0, L"NoZero", REG_SZ, L"abc", false);
  Reg.Set(0, L"Empty", REG_SZ, L"");
  Reg.Set(0, L"Multi", REG_MULTI_SZ, std::wstring(L"a\0b\0", 4));
  Reg.SetDword(0, L"Number", 7);
  struct Case {
    const char16_t* Name;
    bool Found;
    const char16_t* Value;
  };
  for (const Case& C : {Case{u"Plain", true, u"C:\\help\\vorlane.chm"}, Case{u"Expand", true, u"%ProgramFiles%\\x"},
                        Case{u"NoZero", true, u"abc"}, Case{u"Empty", true, u""}, Case{u"Multi", false, u"kept"},
                        Case{u"Number", false, u"kept"}, Case{u"Missing", false, u"kept"}}) {
    SCOPED_TRACE(PlatformTest::S8(C.Name));
    UnicodeString V = u"kept";
    EXPECT_EQ(RegistryReadString(rrCurrentUser, cKey, C.Name, V), C.Found);
    EXPECT_EQ(V, C.Value);
  }
  UnicodeString V = u"kept";
  EXPECT_FALSE(RegistryReadString(rrCurrentUser, cKey + u"\\Missing", u"Plain", V));
  EXPECT_EQ(V, u"kept");
}

// The user's value wins when it is accepted; an empty or refused one gives way to the
// machine's.
TEST(RegistryTest, UserBeforeMachine) {
  TRegistryFixture Reg;
  if (!Reg.Has(0) || !Reg.Has(1)) GTEST_SKIP() << "the machine's registry can only be written by an administrator";
  TScratch Dir;
  Dir.Touch("user.chm");
  Dir.Touch("machine.chm");
  const std::wstring User = WS(Dir.U("user.chm")), Machine = WS(Dir.U("machine.chm")), Gone = WS(Dir.U("gone.chm"));
  struct Case {
    std::wstring UserValue;  // "" = an empty value
    bool CheckFile;
    UnicodeString Expected;
  };
  for (const Case& C : {Case{User, true, Dir.U("user.chm")}, Case{Gone, true, Dir.U("machine.chm")},
                        Case{Gone, false, Dir.U("gone.chm")}, Case{L"", false, Dir.U("machine.chm")}}) {
    SCOPED_TRACE(PlatformTest::S8(C.Expected));
    Reg.Set(0, L"Help", REG_SZ, C.UserValue);
    Reg.Set(1, L"Help", REG_SZ, Machine);
    UnicodeString V;
    EXPECT_TRUE(RegistryReadUserOrMachine(cKey, u"Help", V, C.CheckFile ? Exists : nullptr));
    EXPECT_EQ(V, C.Expected);
  }
  // Neither names an existing file: nothing.
  Reg.Set(1, L"Help", REG_SZ, Gone);
  UnicodeString V = u"kept";
  EXPECT_FALSE(RegistryReadUserOrMachine(cKey, u"Help", V, Exists));
  EXPECT_EQ(V, u"kept");
}
#endif

// Only existing files are handed to the shell; the refusals are the same on every system. (An
// existing file would open a viewer, which a test must not do.)
TEST(ShellTest, NothingIsOpenedForAMissingFileOrNoName) {
  TScratch Dir;
  for (const UnicodeString& Name : {UnicodeString(), Dir.U("missing.chm"), Dir.U()}) {
    SCOPED_TRACE(PlatformTest::S8(Name));
    EXPECT_FALSE(ShellOpenFile(Name));
  }
}

#ifndef _WIN32
// Inside a desktop session the file goes to xdg-open, detached, with the file's folder as
// working folder; without one nothing is started. A stand-in xdg-open records its call.
TEST(ShellTest, PosixHandsTheFileToXdgOpenInADesktopSession) {
  TScratch Dir;
  Dir.Touch("bin/xdg-open", "#!/bin/sh\npwd > \"$0.tmp\"; echo \"$1\" >> \"$0.tmp\"; mv \"$0.tmp\" \"$0.log\"\n");
  fs::permissions(Dir.Path() / "bin/xdg-open", fs::perms::owner_all);
  Dir.Touch("docs/help.chm");
  const std::string Log = Dir.Str("bin/xdg-open.log");
  struct TEnv {
    const char* Name;
    std::string Old;
    bool Had;
  };
  std::vector<TEnv> Saved;
  for (const char* Name : {"PATH", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* V = std::getenv(Name);
    Saved.push_back({Name, V ? V : "", V != nullptr});
  }
  ::setenv("PATH", (Dir.Str("bin") + ":/bin:/usr/bin").c_str(), 1);
  ::unsetenv("DISPLAY");
  ::unsetenv("WAYLAND_DISPLAY");
  EXPECT_FALSE(ShellOpenFile(Dir.U("docs/help.chm")));
  ::setenv("DISPLAY", ":0", 1);
  EXPECT_TRUE(ShellOpenFile(Dir.U("docs/help.chm")));
  for (const TEnv& E : Saved)
    E.Had ? ::setenv(E.Name, E.Old.c_str(), 1) : ::unsetenv(E.Name);
  // The opener runs detached; its record appears once it has run.
  for (int I = 0; I < 500 && !fs::exists(Log); ++I) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(PlatformTest::ReadBytes(Log), Dir.Str("docs") + "\n" + Dir.Str("docs/help.chm") + "\n");
}
#endif

#ifdef _WIN32
// Windows honours the share modes: a second opening that the first one denies fails.
TEST(ShareModeTest, SecondOpeningIsRefusedWhenTheFirstDeniesIt) {
  TScratch Dir;
  Dir.Touch("f.txt", "data");
  struct Case {
    Word First;
    Word Second;
    bool Allowed;
  };
  for (const Case& C : {Case{fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyNone, true},
                        Case{fmOpenRead | fmShareDenyWrite, fmOpenWrite | fmShareDenyNone, false},
                        Case{fmOpenRead | fmShareDenyNone, fmOpenReadWrite | fmShareDenyNone, true},
                        Case{fmOpenRead | fmShareExclusive, fmOpenRead | fmShareDenyNone, false},
                        Case{fmOpenReadWrite | fmShareDenyRead, fmOpenRead | fmShareDenyNone, false},
                        Case{fmOpenRead | fmShareDenyNone, fmOpenRead | fmShareDenyWrite, true},
                        Case{fmOpenWrite | fmShareDenyNone, fmOpenRead | fmShareDenyWrite, false}}) {
    SCOPED_TRACE(std::to_string(C.First) + " then " + std::to_string(C.Second));
    TFileStream First(Dir.U("f.txt"), C.First);
    if (C.Allowed)
      EXPECT_NO_THROW(TFileStream(Dir.U("f.txt"), C.Second));
    else
      EXPECT_THROW(TFileStream(Dir.U("f.txt"), C.Second), EFOpenError);
  }
  // Once the first stream is gone, anything goes again.
  EXPECT_NO_THROW(TFileStream(Dir.U("f.txt"), fmOpenReadWrite | fmShareExclusive));
}
#endif
