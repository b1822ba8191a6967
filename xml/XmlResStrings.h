// The message texts of the XML document model. Every error it raises takes its text from here.
#pragma once

namespace Vorlane {

// Encoding-converting and buffered streams
inline constexpr const char* sxeCodecStreamNotAssigned = "Encoding stream unassigned";
inline constexpr const char* sxeUnsupportedEncoding = "Unsupported string encoding";
inline constexpr const char* sxeCannotReadCodecForWriting = "Cannot read from a conversion stream opened for writing";
inline constexpr const char* sxeCannotWriteCodecForReading = "Cannot write to an UTF stream opened for reading";
inline constexpr const char* sxeCannotReadMultipeChar = "Cannot read multiple chars from conversion stream at once";
inline constexpr const char* sxeCannotSeekBeforeReadWrite = "Cannot seek before reading or writing in conversion stream";
inline constexpr const char* sxeCannotSeek = "Cannot perform seek in conversion stream";
inline constexpr const char* sxeCannotPerformSeek = "Cannot perform seek on codec stream";
inline constexpr const char* sxeCannotWriteToOutputStream = "Cannot write to output stream";

// Value conversions
inline constexpr const char* sxeSignificantDigitsOutOfRange = "Significant digits out of range";
inline constexpr const char* sxeCannotConvertToBoolean = "Cannot convert value to bool";
inline constexpr const char* sxeCannotConvertToFloat = "Cannot convert value to float";
inline constexpr const char* sxeErrorCalcStreamLength = "Error while calculating streamlength";
inline constexpr const char* sxeMissingDataInBinaryStream = "Missing data in binary stream";

// Node model; %s is the whole rejected name
inline constexpr const char* sxeIllegalCharInNodeName = "Illegal character in node name \"%s\"";

// Parser; %s is the element's name
inline constexpr const char* sxeMissingCloseTagInElement = "Missing close tag in element %s";
inline constexpr const char* sxeMissingDataAfterGreaterThan = "Missing data after \"<\" in element %s";
inline constexpr const char* sxeMissingLessThanInCloseTag = "Missing \">\" in close tag of element %s";
inline constexpr const char* sxeIncorrectCloseTag = "Incorrect close tag in element %s";
inline constexpr const char* sxeMissingElementName = "Missing element name";
inline constexpr const char* sxeNoRootElement = "No root element found in xml";
inline constexpr const char* sxeMoreThanOneRootElement = "More than one root element found in xml";
inline constexpr const char* sxeMoreThanOneDeclaration = "More than one xml declaration found in xml";
inline constexpr const char* sxeDeclarationMustBeFirstElem = "Xml declaration must be first element";
inline constexpr const char* sxeMoreThanOneDoctype = "More than one doctype declaration found in root";
inline constexpr const char* sxeDoctypeAfterRootElement = "Doctype declaration found after root element";
inline constexpr const char* sxeNoCDataInRoot = "No CDATA allowed in root";

// Limits of a load (see the parser); the first %d is the limit, %s the enclosing element's name
inline constexpr const char* sxeNestingTooDeep = "Nesting deeper than %d levels in element %s";
inline constexpr const char* sxeNestingTooCostly = "Too many deeply nested nodes for the size of the document in element %s";
inline constexpr const char* sxeDoctypeNestingTooDeep = "DOCTYPE declarations nested more than %d deep in element %s";

// Writer
inline constexpr const char* sxeRootElementNotDefined = "XML root element not defined.";
inline constexpr const char* sxeIllegalElementType = "Illegal element type";

// Entity resolution refuses documents whose expansion would grow without bound.
inline constexpr const char* sxeEntityExpansionLimit = "Entity expansion limit exceeded in element %s";

}  // namespace Vorlane
