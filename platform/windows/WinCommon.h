// Shared helpers of the Windows backend. windows.h renames several of our routines through
// its A/W macros; they are undone here so that our own names stay intact.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef DeleteFile
#undef GetFileVersionInfo
#undef GetModuleFileName
#undef GetCurrentDirectory
#undef SetCurrentDirectory
#undef CreateDirectory

#include "platform/SysUtils.h"

namespace Vorlane::Win {

inline const wchar_t* W(const UnicodeString& S) { return reinterpret_cast<const wchar_t*>(S.c_str()); }
inline UnicodeString U16(const wchar_t* S) { return UnicodeString(reinterpret_cast<const char16_t*>(S)); }
inline UnicodeString U16(const wchar_t* S, size_t N) {
  return UnicodeString(reinterpret_cast<const char16_t*>(S), N);
}

}  // namespace Vorlane::Win
