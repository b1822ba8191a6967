// Small enumerations shared across the XML document model.
#pragma once

namespace Vorlane {

// Node kinds. The ordinals matter: tables and writers index by them. The underlying type is
// fixed so that a value outside the list (which the writer must reject) is still a value.
enum TXmlElementType : int {
  xeNormal,
  xeComment,
  xeCData,
  xeDeclaration,
  xeStylesheet,
  xeDoctype,
  xeElement,
  xeAttList,
  xeEntity,
  xeNotation,
  xeExclam,
  xeQuestion,
  xeCharData,
  xeUnknown
};

// Encodings the model recognises when reading and can be asked to write. Only seAnsi,
// seUTF8, the two UTF-16 and the two 16-bit layouts are converted; the rest, and any value
// beyond the list, are refused.
enum TStringEncodingType : int {
  seAnsi,
  seUCS4BE,
  seUCS4LE,
  seUCS4_2143,
  seUCS4_3412,
  se16BitBE,
  se16BitLE,
  seUTF8,
  seUTF16BE,
  seUTF16LE,
  seEBCDIC
};

// Direction of a conversion stream, fixed by its first read or write.
enum TvxStreamModeType : int { umUnknown, umRead, umWrite };

}  // namespace Vorlane
