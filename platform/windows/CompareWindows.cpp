// Locale-aware comparisons on Windows: the system's own sort under the user-default locale,
// as the runtime library asks it.
#include "platform/windows/WinCommon.h"

#include "platform/SysUtils.h"

namespace Vorlane {

namespace {

#ifndef SORT_DIGITSASNUMBERS
#define SORT_DIGITSASNUMBERS 0x00000008
#endif

// CompareStringW answers 1, 2 or 3 for less, equal, greater and 0 on failure. A failure is
// not "equal": two names that the system cannot compare must not become one name, so the
// ordinal order of the case-folded texts decides then.
int CompareWithFlags(const UnicodeString& A, const UnicodeString& B, DWORD AFlags) {
  int r = ::CompareStringW(LOCALE_USER_DEFAULT, AFlags, Win::W(A), static_cast<int>(A.size()), Win::W(B),
                           static_cast<int>(B.size()));
  if (r != 0) return r - CSTR_EQUAL;
  int d = CompareText(A, B);
  if (d == 0) d = A.compare(B);
  return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

UnicodeString MapCase(const UnicodeString& S, bool AUpper) {
  UnicodeString R = S;
  if (R.empty()) return R;
  auto* p = reinterpret_cast<wchar_t*>(R.data());
  if (AUpper)
    ::CharUpperBuffW(p, static_cast<DWORD>(R.size()));
  else
    ::CharLowerBuffW(p, static_cast<DWORD>(R.size()));
  return R;
}

}  // namespace

int AnsiCompareText(const UnicodeString& A, const UnicodeString& B) {
  return CompareWithFlags(A, B, NORM_IGNORECASE);
}

bool AnsiSameText(const UnicodeString& A, const UnicodeString& B) { return AnsiCompareText(A, B) == 0; }

UnicodeString AnsiUpperCase(const UnicodeString& S) { return MapCase(S, true); }

UnicodeString AnsiLowerCase(const UnicodeString& S) { return MapCase(S, false); }

int CompareTextLogical(const UnicodeString& A, const UnicodeString& B) {
  // Systems before Windows 7 refuse the flag; they get the plain comparison.
  int r = ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_DIGITSASNUMBERS, Win::W(A),
                           static_cast<int>(A.size()), Win::W(B), static_cast<int>(B.size()));
  if (r != 0) return r - CSTR_EQUAL;
  return AnsiCompareText(A, B);
}

}  // namespace Vorlane
