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

#include <functional>
#include <string_view>
#include <vector>

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
  // Empty when every name of a binary form (classes, components, properties, identifiers, set
  // elements) is an identifier that gives back its bytes; otherwise why not, naming the
  // offset of the first other one. Only then does every line of the text belong to the one
  // record that wrote it: a name with a line break or blanks in it can split or fake a line.
  UnicodeString InexactName;
};

// A property record of a binary form (its name and value) as found in the data.
struct TFormPropertyRecord {
  size_t Start = 0;  // offset of the name's length byte in the data handed over
  size_t End = 0;    // offset after the value
  Int64 Lines = 0;   // lines of the record in the text form
};

// The format of the form data from AStream's position on (which stays where it is): binary
// ("TPF0" or a resource header), UTF-8 text (byte-order mark), text (first word "object",
// "inherited" or "inline"), else unknown.
TStreamOriginalFormat TestStreamFormat(TStream* AStream);
// The same for form data held in memory.
TStreamOriginalFormat TestStreamFormat(std::string_view AData);

// Converts the form from AInput's position to its end into text written to AOutput (ASCII with
// CR LF; UTF-8 with a byte-order mark when a name holds other characters). Text input is
// checked to be a valid form and copied unchanged. Invalid input raises EReadError (binary,
// naming the offset), EParserError (text, naming the line) or EFilerError (neither); nothing
// is written to AOutput then.
void ObjectBinaryToText(TStream* AInput, TStream* AOutput);
void ObjectBinaryToText(TStream* AInput, TStream* AOutput, TStreamOriginalFormat& AOriginalFormat);
void ObjectBinaryToText(TStream* AInput, TStream* AOutput, TFormStreamInfo& AInfo);

// Reads the binary form in AData as ObjectBinaryToText does, with the same checks and errors
// and AInfo filled alike, but writes no text; returns the property records, in the order of
// the data, whose names AWanted accepts, wherever they stand (components and collection items
// alike). A record inside an accepted one is not looked at. Data that is not a binary form
// raises EFilerError.
std::vector<TFormPropertyRecord> FindFormProperties(std::string_view AData,
                                                    const std::function<bool(const UnicodeString&)>& AWanted,
                                                    TFormStreamInfo& AInfo);

// Converts the text form from AInput's position (ANSI, or UTF-8 after a byte-order mark) to
// the binary form, preceded by AResourceHeader and the new size when that is not empty.
// Invalid text raises EParserError naming the line; nothing is written to AOutput then.
void ObjectTextToBinary(TStream* AInput, TStream* AOutput, const RawByteString& AResourceHeader = RawByteString());

}  // namespace Vorlane
