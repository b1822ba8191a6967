// Form files (.dfm): the runtime's conversion of a streamed component between its binary form
// and its text form.
//
// Binary form: optionally the 16-bit resource header the IDE writes (FF, type 0A 00, the
// upper-case form name ending in 00, flags 30 10, a 4-byte size), then the signature "TPF0"
// and the root component: an optional flags byte (F0 | inherited 1 | child position 2 |
// inline 4, followed by the position when flagged), class name, component name, properties
// (name and typed value) up to an empty name, child components up to a zero byte.
//
// Text form: "object", "inherited" or "inline" blocks indented two blanks per level, one
// "name = value" per line, strings quoted with #nnn for control, quote and non-ASCII
// characters and wrapped after 64 characters with " +", binary data as hex lines in { },
// collections as < item ... end >, sets in [ ], lists in ( ). Lines end in CR LF.
#pragma once

#include "platform/Classes.h"

namespace Vorlane {

// Errors of the text form's reader ("<what> on line <n>").
VORLANE_DECLARE_EXCEPTION(EParserError, Exception)

enum TStreamOriginalFormat { sofUnknown, sofBinary, sofText, sofUTF8Text };

// What converting a form to text found out about its input.
struct TFormStreamInfo {
  TStreamOriginalFormat OriginalFormat = sofUnknown;
  // The resource header in front of a binary form up to (without) its size field; empty for a
  // bare "TPF0" stream and for text.
  RawByteString ResourceHeader;
  // Empty when every value of a binary form has a text form that converts back to the same
  // value; otherwise why not, naming the offset of the first such value. A form with such a
  // value must not be written back from its text.
  UnicodeString InexactValue;
};

// The format of the form data from AStream's position on (which stays where it is): binary
// ("TPF0" or a resource header), UTF-8 text (byte-order mark), text (first word "object",
// "inherited" or "inline"), else unknown.
TStreamOriginalFormat TestStreamFormat(TStream* AStream);

// Converts the form from AInput's position to its end into text written to AOutput (ASCII with
// CR LF; UTF-8 with a byte-order mark when a name holds other characters). Text input is
// checked to be a valid form and copied unchanged. Invalid input raises EReadError (binary,
// naming the offset), EParserError (text, naming the line) or EFilerError (neither); nothing
// is written to AOutput then.
void ObjectBinaryToText(TStream* AInput, TStream* AOutput);
void ObjectBinaryToText(TStream* AInput, TStream* AOutput, TStreamOriginalFormat& AOriginalFormat);
void ObjectBinaryToText(TStream* AInput, TStream* AOutput, TFormStreamInfo& AInfo);

// Converts the text form from AInput's position (ANSI, or UTF-8 after a byte-order mark) to
// the binary form, preceded by AResourceHeader and the new size when that is not empty.
// Invalid text raises EParserError naming the line; nothing is written to AOutput then.
void ObjectTextToBinary(TStream* AInput, TStream* AOutput, const RawByteString& AResourceHeader = RawByteString());

}  // namespace Vorlane
