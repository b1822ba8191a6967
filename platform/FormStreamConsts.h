// Messages of the form-file conversion (platform/FormStream.h).
#pragma once

namespace Vorlane {

// Neither form (EFilerError).
inline constexpr const char* sfmInvalidFormat =
    "Not a form file: neither a binary form (\"TPF0\") nor a text form (\"object\", \"inherited\" or \"inline\")";

// Binary form (EReadError); offsets count bytes from the start of the input.
inline constexpr const char* sfmInvalidResourceHeader = "Invalid resource header at offset %d";
inline constexpr const char* sfmResourceSizeMismatch =
    "The resource header at offset %d announces %d bytes of form data, but %d bytes follow";
inline constexpr const char* sfmMissingSignature = "Form signature \"TPF0\" missing at offset %d";
inline constexpr const char* sfmReadPastEnd = "Form data ends early: %d bytes needed at offset %d, %d left";
inline constexpr const char* sfmInvalidValueType = "Invalid property value (type %d) at offset %d";
inline constexpr const char* sfmInvalidChildPosition = "Invalid child position (type %d) at offset %d";
inline constexpr const char* sfmNestingTooDeep = "Form nested deeper than %d levels at offset %d";
inline constexpr const char* sfmTrailingData = "Unexpected data after the end of the form at offset %d";

// Text form (EParserError).
inline constexpr const char* sfmExpected = "%s expected on line %d";
inline constexpr const char* sfmInvalidNumber = "Invalid number on line %d";
inline constexpr const char* sfmNumberOutOfRange = "Number out of range on line %d";
inline constexpr const char* sfmUnterminatedString = "Unterminated string on line %d";
inline constexpr const char* sfmInvalidString = "Invalid string on line %d";
inline constexpr const char* sfmCharCodeOutOfRange = "Character code out of range on line %d";
inline constexpr const char* sfmInvalidBinary = "Invalid binary value on line %d";
inline constexpr const char* sfmNameTooLong = "Name longer than 255 bytes on line %d";
inline constexpr const char* sfmTextNestingTooDeep = "Form nested deeper than %d levels on line %d";
inline constexpr const char* sfmTextAfterEnd = "Unexpected text after the end of the form on line %d";

// Values of a binary form whose text does not convert back to them (TFormStreamInfo).
inline constexpr const char* sfmInexactFloat = "the floating-point value at offset %d has no exact text form";
inline constexpr const char* sfmInexactString = "the string at offset %d has no exact text form";
inline constexpr const char* sfmInexactName = "the name at offset %d has no exact text form";
inline constexpr const char* sfmInexactIdent = "the identifier at offset %d would read back as another value";
inline constexpr const char* sfmInexactFlags = "the component flags at offset %d have no text form";

}  // namespace Vorlane
