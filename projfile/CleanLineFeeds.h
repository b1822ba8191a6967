// Gives a source file (.pas, .inc, .dpr, .dpk) CR LF line breaks. Only the line breaks
// change: the encoding, the byte-order mark and every other byte stay as they are, so string
// literals and identifiers read the same to the compiler afterwards.
#pragma once

#include "platform/Types.h"

namespace Vorlane {

class TCleanLineFeeds {
 public:
  TCleanLineFeeds() = delete;

  // Converts the file in place.
  static bool CleanLineFeeds(const UnicodeString& AFileName);
  // Reads AFileName and writes it with CR LF line breaks to ATargetName: a CR LF pair stays,
  // every other CR and every other LF becomes a CR LF pair of its own. Works on the bytes of
  // Ansi and UTF-8 text and on the 16-bit units of UTF-16 text (by its byte-order mark).
  // True only when the target was written. False, with nothing written, when the source is
  // missing, the target is read-only, nothing needs changing, or the source has no byte-order
  // mark and holds NUL bytes (not text in a single-byte or UTF-8 form; it could be UTF-16
  // without a mark, which a byte-wise conversion would break). A failed write also gives
  // false and leaves the target as it was; a failed read raises.
  static bool CleanLineFeeds(const UnicodeString& AFileName, const UnicodeString& ATargetName);
};

}  // namespace Vorlane
