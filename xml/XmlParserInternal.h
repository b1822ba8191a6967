// What the parser's two readers share: the stream reader (any input, every construct) and the
// buffer reader (a whole document in memory, the constructs of ordinary files). Both must build
// the same tree, so the limits of a load and the way element content ends live here once.
#pragma once

#include <cstdint>

#include "platform/Types.h"
#include "xml/XmlText.h"

namespace Vorlane {

class TXmlNode;

namespace XmlParserInternal {

// Limits of a load. Real project files nest fewer than 20 levels. The readable layout writes
// depth times the indent before every node, so the text a document renders to grows with the
// sum of its nodes' depths: a few megabytes of nested elements would render to terabytes.
// Loading refuses a node deeper than cMaxNestingDepth, and stops once the depths of the nodes
// read add up to more than cNestingAllowance plus cNestingPerByte for every byte read (an
// indented file carries at least one byte of indent per level already).
constexpr Integer cMaxNestingDepth = 4096;
constexpr std::uint64_t cNestingAllowance = 16 * 1024 * 1024;
constexpr std::uint64_t cNestingPerByte = 4;

// Scanning eight bytes at a time: a byte 01 in every place, and every byte's high bit.
constexpr std::uint64_t cByteOnes = 0x0101010101010101ULL;
constexpr std::uint64_t cByteHighs = 0x8080808080808080ULL;

inline bool HasNonBlank(const UTF8String& S) {
  for (char Ch : S)
    if (!vxIsBlank(Ch)) return true;
  return false;
}

// Appends the character data APending as a child of AParent and empties it.
void HandOverText(TXmlNode* AParent, UTF8String& APending);

// Ends ANode's content once its close tag was read. APending is the character data since its
// last child (or since its tag), ACRFlag whether that text held a CR, AChildFlag whether any
// child markup was read. A leaf takes the text as its value; otherwise text that is not blank
// becomes the last child, character-data children lose their trailing line ends and blanks
// when the closing text held a CR, and a first character-data child moves into the value.
void FinishContent(TXmlNode* ANode, UTF8String& APending, bool ACRFlag, bool AChildFlag);

}  // namespace XmlParserInternal
}  // namespace Vorlane
