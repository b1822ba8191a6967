// Exceptions, text conversions and formatting: the runtime facilities every layer relies on.
#pragma once

#include <exception>
#include <initializer_list>
#include <string>
#include <variant>

#include "platform/Types.h"

namespace Vorlane {

// ---------------------------------------------------------------------------------------------
// Exceptions. ClassName() is what an escaped error prints before ": " and the message.

class Exception : public std::exception {
 public:
  explicit Exception(const UnicodeString& AMessage);
  explicit Exception(const char* AMessageUtf8);
  explicit Exception(const std::string& AMessageUtf8);
  ~Exception() override;

  virtual const char* ClassName() const { return "Exception"; }
  const UnicodeString& Message() const { return FMessage; }
  std::string MessageUtf8() const;
  void SetMessage(const UnicodeString& AMessage);
  const char* what() const noexcept override { return FWhat.c_str(); }

 private:
  UnicodeString FMessage;
  std::string FWhat;
};

#define VORLANE_DECLARE_EXCEPTION(Name, Base)                  \
  class Name : public Base {                                   \
   public:                                                     \
    using Base::Base;                                          \
    const char* ClassName() const override { return #Name; }   \
  };

VORLANE_DECLARE_EXCEPTION(EAbort, Exception)
VORLANE_DECLARE_EXCEPTION(EStreamError, Exception)
VORLANE_DECLARE_EXCEPTION(EFilerError, EStreamError)
VORLANE_DECLARE_EXCEPTION(EReadError, EFilerError)
VORLANE_DECLARE_EXCEPTION(EWriteError, EFilerError)
VORLANE_DECLARE_EXCEPTION(EFileStreamError, EStreamError)
VORLANE_DECLARE_EXCEPTION(EFOpenError, EFileStreamError)
VORLANE_DECLARE_EXCEPTION(EFCreateError, EFileStreamError)
VORLANE_DECLARE_EXCEPTION(EConvertError, Exception)
VORLANE_DECLARE_EXCEPTION(EListError, Exception)
VORLANE_DECLARE_EXCEPTION(EArgumentException, Exception)
VORLANE_DECLARE_EXCEPTION(EArgumentOutOfRangeException, EArgumentException)
VORLANE_DECLARE_EXCEPTION(EInOutError, Exception)
VORLANE_DECLARE_EXCEPTION(EDirectoryNotFoundException, EInOutError)
VORLANE_DECLARE_EXCEPTION(EFileNotFoundException, EInOutError)
VORLANE_DECLARE_EXCEPTION(EPathTooLongException, EInOutError)
VORLANE_DECLARE_EXCEPTION(EOutOfMemory, Exception)
VORLANE_DECLARE_EXCEPTION(EOSError, Exception)
VORLANE_DECLARE_EXCEPTION(EInvalidOperation, Exception)
VORLANE_DECLARE_EXCEPTION(EProgrammerNotFound, Exception)
VORLANE_DECLARE_EXCEPTION(ENotSupportedException, Exception)

// ---------------------------------------------------------------------------------------------
// Conversions between UTF-8, UTF-16 and the Ansi code page. These are the lenient,
// general-purpose conversions of the runtime (ill-formed input becomes U+FFFD); the XML
// document model has its own exact routines.

UnicodeString UTF8ToUnicode(const UTF8String& S);
UTF8String UnicodeToUTF8(const UnicodeString& S);
// Windows-1252 on POSIX, the system's Ansi code page on Windows. Characters the code page
// lacks become '?'.
UnicodeString AnsiToUnicode(const AnsiString& S);
AnsiString UnicodeToAnsi(const UnicodeString& S);
// Convenience for literals and messages.
inline UnicodeString U(const char* AUtf8) { return UTF8ToUnicode(AUtf8); }

// ---------------------------------------------------------------------------------------------
// Formatting with the runtime's directives: %d %u %x %s %f %g %e %%, with optional
// "-", width and ".precision" (for %d the precision is the minimum number of digits:
// %.4d of 7 gives 0007). A directive that does not fit its argument raises EConvertError.

class TVarRec {
 public:
  TVarRec(int V) : FValue(static_cast<Int64>(V)) {}
  TVarRec(unsigned V) : FValue(static_cast<Int64>(V)) {}
  TVarRec(long V) : FValue(static_cast<Int64>(V)) {}
  TVarRec(unsigned long V) : FValue(static_cast<Int64>(V)) {}
  TVarRec(long long V) : FValue(static_cast<Int64>(V)) {}
  TVarRec(unsigned long long V) : FValue(static_cast<Int64>(V)) {}
  TVarRec(double V) : FValue(V) {}
  TVarRec(const char* V) : FValue(UTF8ToUnicode(V ? V : "")) {}
  TVarRec(const std::string& V) : FValue(UTF8ToUnicode(V)) {}
  TVarRec(const char16_t* V) : FValue(UnicodeString(V ? V : u"")) {}
  TVarRec(const UnicodeString& V) : FValue(V) {}

  const std::variant<Int64, double, UnicodeString>& Value() const { return FValue; }

 private:
  std::variant<Int64, double, UnicodeString> FValue;
};

UnicodeString Format(const UnicodeString& AFormat, std::initializer_list<TVarRec> AArgs);
UTF8String FormatUtf8(const UTF8String& AFormat, std::initializer_list<TVarRec> AArgs);

// ---------------------------------------------------------------------------------------------
// Small string helpers of the runtime.

UnicodeString IntToStr(Int64 AValue);
// The runtime's integer conversion: leading blanks, an optional sign, decimal digits or
// hexadecimal after "$" or "0x"; nothing may follow, and the value must fit 32 bits.
bool TryStrToInt(const UnicodeString& S, Integer& AValue);
Integer StrToIntDef(const UnicodeString& S, Integer ADefault);
UnicodeString UpperCase(const UnicodeString& S);   // ASCII letters only
UnicodeString LowerCase(const UnicodeString& S);   // ASCII letters only
UnicodeString Trim(const UnicodeString& S);        // removes characters <= space at both ends
bool SameText(const UnicodeString& A, const UnicodeString& B);  // ASCII case-insensitive
int CompareText(const UnicodeString& A, const UnicodeString& B);  // ASCII case-insensitive
bool StartsText(const UnicodeString& ASubText, const UnicodeString& AText);
bool EndsText(const UnicodeString& ASubText, const UnicodeString& AText);
// 1-based position of ASubStr in S, 0 when absent.
int Pos(const UnicodeString& ASubStr, const UnicodeString& S);
UnicodeString StringReplaceAll(const UnicodeString& S, const UnicodeString& AOld,
                               const UnicodeString& ANew, bool AIgnoreCase = false);

// Locale-aware comparison ignoring case, as the Windows user-default sort does it: letters
// that differ only in case (ASCII, Latin, Greek, Cyrillic) compare equal, and punctuation
// sorts before digits before letters.
int AnsiCompareText(const UnicodeString& A, const UnicodeString& B);
bool AnsiSameText(const UnicodeString& A, const UnicodeString& B);
UnicodeString AnsiUpperCase(const UnicodeString& S);
UnicodeString AnsiLowerCase(const UnicodeString& S);
// As AnsiCompareText, but runs of digits compare by their numeric value (Cfg_2 < Cfg_10).
int CompareTextLogical(const UnicodeString& A, const UnicodeString& B);

}  // namespace Vorlane
