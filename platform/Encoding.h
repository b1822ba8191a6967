// Text encodings of the runtime: turning UTF-16 text into bytes and back, with the
// byte-order mark (preamble) that belongs to each encoding.
#pragma once

#include "platform/SysUtils.h"

namespace Vorlane {

class TEncoding {
 public:
  virtual ~TEncoding();
  virtual TBytes GetPreamble() const = 0;
  virtual TBytes GetBytes(const UnicodeString& S) const = 0;
  // Decodes bytes without looking for a preamble; ill-formed input becomes U+FFFD.
  virtual UnicodeString GetString(const Byte* AData, size_t ACount) const = 0;
  UnicodeString GetString(const TBytes& ABytes) const {
    return GetString(ABytes.data(), ABytes.size());
  }
  virtual const char* EncodingName() const = 0;

  // Shared instances; never freed by callers.
  static TEncoding* ANSI();              // Windows-1252 on POSIX, the Ansi code page on Windows
  static TEncoding* Default() { return ANSI(); }
  static TEncoding* UTF8();              // preamble EF BB BF
  static TEncoding* UTF8NoBOM();         // no preamble
  static TEncoding* Unicode();           // UTF-16 little endian, preamble FF FE
  static TEncoding* BigEndianUnicode();  // UTF-16 big endian, preamble FE FF

  // Detects a byte-order mark at the start of ABuffer. When AEncoding is null it becomes the
  // encoding the mark names (ADefault when there is none). Returns the length of the mark
  // found for AEncoding (0 when AEncoding was given and the buffer does not start with its
  // preamble).
  static Integer GetBufferEncoding(const TBytes& ABuffer, TEncoding*& AEncoding,
                                   TEncoding* ADefault);
};

// Every line break (CR, LF, CR LF, LF CR) becomes CR LF.
UnicodeString AdjustLineBreaks(const UnicodeString& S);

}  // namespace Vorlane
