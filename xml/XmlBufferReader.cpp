// The parser's reader for a document held in memory as a whole: ordinary files (a project
// file, any UTF-8 or ASCII document of elements, attributes, text, comments and CDATA
// sections) are read here in one pass over the bytes, scanning for the next "<", ">" or quote
// with memchr-style loops instead of asking a stream for one byte at a time, and comparing
// close tags where they stand.
//
// It builds exactly the tree the stream reader (XmlParser.cpp) builds. Whatever it does not
// handle itself (other encodings, a DOCTYPE, processing instructions other than the
// declaration, events, malformed markup and its error messages, the load limits) it leaves to
// the stream reader: it stops, the document is cleared, and the stream reader reads the input
// from its start.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/Classes.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
#include "xml/XmlParserInternal.h"
#include "xml/XmlStreams.h"
#include "xml/XmlText.h"

namespace Vorlane {

using namespace XmlParserInternal;

namespace {

inline bool IsBlank(char Ch) { return vxIsBlank(Ch); }

// The pieces a file is read in: each is checked while it is still in the cache.
constexpr size_t cWholeInputChunk = 1u << 20;

// The first ">" at or after P outside quoted text, nullptr when there is none: the end of a
// tag as the stream reader finds it.
const char* TagEnd(const char* P, const char* E) {
  char Quote = 0;
  for (; P < E; ++P) {
    const char Ch = *P;
    if (Quote != 0) {
      if (Ch == Quote) Quote = 0;
    } else if (Ch == '>') {
      return P;
    } else if (vxIsQuote(Ch)) {
      Quote = Ch;
    }
  }
  return nullptr;
}

const char* Find(const char* P, const char* E, const char* AText, size_t ALength) {
  if (static_cast<size_t>(E - P) < ALength) return nullptr;
  const char* Last = E - ALength;
  while (P <= Last) {
    const void* Hit = std::memchr(P, AText[0], static_cast<size_t>(Last - P) + 1);
    if (Hit == nullptr) return nullptr;
    P = static_cast<const char*>(Hit);
    if (std::memcmp(P, AText, ALength) == 0) return P;
    ++P;
  }
  return nullptr;
}

// The first byte at or after P that is not blank, E when there is none; ACR is set when a
// CR was passed. Indents are runs of spaces: those go eight at a time.
const char* SkipBlanks(const char* P, const char* E, bool& ACR) {
  constexpr std::uint64_t cSpaces = 0x2020202020202020ULL;
  while (P < E) {
    if (E - P >= 8) {
      std::uint64_t Word;
      std::memcpy(&Word, P, sizeof Word);
      if (Word == cSpaces) {
        P += 8;
        continue;
      }
    }
    const char Ch = *P;
    if (!IsBlank(Ch)) return P;
    if (Ch == '\r') ACR = true;
    ++P;
  }
  return P;
}

// The first byte at or after P that may end a piece of a tag: ">", a quote, or a byte up to
// the blank (which takes in TAB, LF and CR, and a few the caller passes over itself). Names
// and attribute names go eight bytes at a time; the last few bytes before E are left to the
// caller's byte loop.
const char* SkipTagText(const char* P, const char* E) {
  if constexpr (std::endian::native == std::endian::little) {
    // A byte of X is zero: the lowest such byte is marked exactly (a borrow only runs upward).
    auto ZeroBytes = [](std::uint64_t X) { return (X - cByteOnes) & ~X & cByteHighs; };
    while (E - P >= 8) {
      std::uint64_t W;
      std::memcpy(&W, P, sizeof W);
      // Bytes below 0x21 (a subtraction that borrows, for bytes under 0x80 only).
      const std::uint64_t Stops = ZeroBytes(W ^ (cByteOnes * '>')) | ZeroBytes(W ^ (cByteOnes * '"')) |
                                  ZeroBytes(W ^ (cByteOnes * '\'')) | ((W - cByteOnes * 0x21) & ~W & cByteHighs);
      if (Stops != 0) return P + std::countr_zero(Stops) / 8;
      P += 8;
    }
  }
  return P;
}

bool StartsWith(const char* P, const char* E, const char* AText, size_t ALength) {
  return static_cast<size_t>(E - P) >= ALength && std::memcmp(P, AText, ALength) == 0;
}

}  // namespace

class TXmlDocument::TBufferReader {
 public:
  // AData..AData+ASize: the text after a byte-order mark. AConverted: it comes through the
  // encoding stream, whose encoding is AEncoding (seUTF8 or seAnsi) at the start.
  TBufferReader(TXmlDocument* ADocument, const char* AData, size_t ASize, bool AConverted,
                TStringEncodingType AEncoding)
      : FDocument(ADocument),
        FData(AData),
        FEnd(AData + ASize),
        FConverted(AConverted),
        FEncoding(AEncoding) {}

  // Frees the nodes still waiting in the child scratch lists (a read that stopped or raised).
  ~TBufferReader();
  TBufferReader(const TBufferReader&) = delete;
  TBufferReader& operator=(const TBufferReader&) = delete;

  // Builds the root-level nodes; false when the text holds something left to the stream
  // reader (the tree is then incomplete and must be cleared).
  bool Read();
  TStringEncodingType Encoding() const { return FEncoding; }

 private:
  TXmlNode* NewChild(TXmlNode* AParent, TXmlElementType AType);
  // A new element or markup node under the open element at AOpenIndex, kept in that level's
  // scratch list until the element closes.
  TXmlNode* NewScratchChild(size_t AOpenIndex);
  // Gives the element at AOpenIndex its children from the scratch list, in one exactly sized
  // child list instead of one grown by doubling.
  void TakeScratchChildren(size_t AOpenIndex);
  // Reads the markup whose "<" is at P into ANode. The position after it, nullptr when it is
  // left to the stream reader; AOpen tells whether an element's content follows.
  const char* ReadMarkup(TXmlNode* ANode, const char* P, bool& AOpen);
  // The element tag whose name starts at AFrom; the position after its ">".
  const char* ReadElementTag(TXmlNode* ANode, const char* AFrom, bool& AOpen);
  // Reads the content of AElement (at tree depth ADepth) and of every element below it.
  const char* ReadContent(TXmlNode* AElement, const char* P, Integer ADepth);

  TXmlDocument* FDocument;
  const char* FData;
  const char* FEnd;
  bool FConverted;
  TStringEncodingType FEncoding;
  // The depths of the nodes read, summed as the stream reader sums them for its limit.
  std::uint64_t FLevels = 0;
  // Piece bounds of the tag being split, kept between tags.
  std::vector<std::pair<const char*, const char*>> FPieces;

  struct TOpen {
    TXmlNode* Node;
    Integer Depth;
    UTF8String Pending;
    bool CRFlag = false;
    bool ChildFlag = false;
    // A character-data child was made: only then has the close work to do past the children.
    bool TextChild = false;
  };
  std::vector<TOpen> FOpen;
  // The children read so far of each open element, by its index in FOpen. The lists stay
  // allocated between elements; entries past the open count are empty.
  std::vector<std::vector<TXmlNode*>> FScratch;
};

TXmlDocument::TBufferReader::~TBufferReader() {
  // Children of an element that never closed belong to no tree yet: only this reader can free
  // them. A scratch node's own children are either in its child list (it closed) or in the
  // next level's scratch list, never in both.
  for (std::vector<TXmlNode*>& Level : FScratch)
    for (TXmlNode* Node : Level) delete Node;
}

TXmlNode* TXmlDocument::TBufferReader::NewScratchChild(size_t AOpenIndex) {
  if (FScratch.size() <= AOpenIndex) FScratch.resize(AOpenIndex + 1);
  std::vector<TXmlNode*>& Level = FScratch[AOpenIndex];
  // Room first, so that no node exists without a place to free it from.
  if (Level.size() == Level.capacity()) Level.reserve(std::max<size_t>(16, Level.capacity() * 2));
  TXmlNode* Node = new TXmlNode(FDocument, xeNormal);
  Node->FParent = FOpen[AOpenIndex].Node;
  Level.push_back(Node);
  return Node;
}

void TXmlDocument::TBufferReader::TakeScratchChildren(size_t AOpenIndex) {
  if (FScratch.size() <= AOpenIndex) return;
  std::vector<TXmlNode*>& Level = FScratch[AOpenIndex];
  if (Level.empty()) return;
  TXmlNode* Element = FOpen[AOpenIndex].Node;
  // Only a fresh element is read here: it has no children of its own yet.
  Element->FNodes = std::make_unique<TXmlNode::TNodeVector>(Level.begin(), Level.end());
  Level.clear();
}

TXmlNode* TXmlDocument::TBufferReader::NewChild(TXmlNode* AParent, TXmlElementType AType) {
  // A new node cannot close a cycle or stand twice in the list: added without those checks.
  auto Node = std::make_unique<TXmlNode>(FDocument, AType);
  Node->FParent = AParent;
  if (!AParent->FNodes) AParent->FNodes = std::make_unique<TXmlNode::TNodeVector>();
  AParent->FNodes->push_back(Node.get());
  return Node.release();
}

const char* TXmlDocument::TBufferReader::ReadElementTag(TXmlNode* ANode, const char* AFrom, bool& AOpen) {
  // One pass over the tag: pieces end at blanks outside quotes (the split of
  // vxUTF8ParseAttributes, the first piece being the name), a quoted value is skipped with one
  // memchr for its closing quote, and the first ">" outside quotes ends the tag. A "/" just
  // before it closes the element and belongs to no piece.
  const char* E = FEnd;
  FPieces.clear();
  const char* Start = AFrom;
  const char* P = AFrom;
  for (;;) {
    P = SkipTagText(P, E);
    if (P >= E) return nullptr;
    const char Ch = *P;
    if (Ch == '>') break;
    if (Ch == '"' || Ch == '\'') {
      const void* Close = std::memchr(P + 1, Ch, static_cast<size_t>(E - P - 1));
      if (Close == nullptr) return nullptr;
      P = static_cast<const char*>(Close) + 1;
      continue;
    }
    if (IsBlank(Ch)) {
      if (Start < P) FPieces.emplace_back(Start, P);
      Start = P + 1;
    }
    ++P;
  }
  const char* Gt = P;
  const bool ClosedInTag = Gt > AFrom && Gt[-1] == '/';
  const char* To = ClosedInTag ? Gt - 1 : Gt;
  if (Start < To) FPieces.emplace_back(Start, To);
  if (FPieces.empty()) return nullptr;
  ANode->SetElementType(xeNormal);
  AOpen = !ClosedInTag;
  // A piece after the first that opens with "=" or a quote ("a = 'x'") is glued to the one
  // before by vxUTF8ParseAttributes: such a tag goes through it.
  for (size_t I = 1; I < FPieces.size(); ++I) {
    const char First = *FPieces[I].first;
    if (First == '=' || vxIsQuote(First)) {
      const UTF8String Text(AFrom, To);
      ANode->ParseTag(Text, 1, static_cast<Integer>(Text.size()) + 1);
      return Gt + 1;
    }
  }
  ANode->FName.assign(FPieces[0].first, FPieces[0].second);
  if (FPieces.size() > 1) {
    ANode->CheckCreateAttributesList();
    TvxUTF8StringList& List = *ANode->FAttributes;
    List.Reserve(static_cast<Integer>(FPieces.size()) - 1);
    for (size_t I = 1; I < FPieces.size(); ++I) List.Add(UTF8String(FPieces[I].first, FPieces[I].second));
  }
  return Gt + 1;
}

const char* TXmlDocument::TBufferReader::ReadMarkup(TXmlNode* ANode, const char* P, bool& AOpen) {
  AOpen = false;
  const char* E = FEnd;
  if (E - P < 2) return nullptr;
  const char Ch = P[1];
  if (Ch == '!') {
    if (StartsWith(P, E, "<!--", 4)) {
      const char* Close = Find(P + 4, E, "-->", 3);
      if (Close == nullptr) return nullptr;
      ANode->SetElementType(xeComment);
      ANode->FName = "Comment";
      ANode->FValue.assign(P + 4, Close);
      return Close + 3;
    }
    if (StartsWith(P, E, "<![CDATA[", 9)) {
      const char* Close = Find(P + 9, E, "]]>", 3);
      if (Close == nullptr) return nullptr;
      ANode->SetElementType(xeCData);
      ANode->FName = "CData";
      ANode->FValue.assign(P + 9, Close);
      return Close + 3;
    }
    return nullptr;
  }
  if (Ch == '?') {
    // Only the declaration: "<?xml" and a blank.
    if (!StartsWith(P, E, "<?xml", 5) || E - P < 6 || !IsBlank(P[5])) return nullptr;
    const char* From = P + 5;
    const char* Q = From;
    for (;;) {
      const char* Gt = TagEnd(Q, E);
      if (Gt == nullptr) return nullptr;
      if (Gt > From && Gt[-1] == '?') {
        ANode->SetElementType(xeDeclaration);
        const UTF8String Text(From, Gt - 1);
        ANode->ParseTag(Text, 1, static_cast<Integer>(Text.size()) + 1);
        return Gt + 1;
      }
      Q = Gt + 1;
    }
  }
  // An element. A blank after "<", or a "<" that closes or opens nothing, is left to the
  // stream reader (an error inside content).
  if (IsBlank(Ch) || Ch == '/') return nullptr;
  return ReadElementTag(ANode, P + 1, AOpen);
}

const char* TXmlDocument::TBufferReader::ReadContent(TXmlNode* AElement, const char* P, Integer ADepth) {
  const char* E = FEnd;
  const bool DropComments = FDocument->FDropCommentsOnParse;
  FOpen.clear();
  FOpen.push_back(TOpen{AElement, ADepth, UTF8String()});
  while (!FOpen.empty()) {
    TOpen* Top = &FOpen.back();
    // Between markup there is mostly a line end and an indent: one pass over the blanks finds
    // the next "<" and any CR among them. Only text that is not blank needs a search.
    bool CR = false;
    const char* Lt = SkipBlanks(P, E, CR);
    const bool Blank = Lt < E && *Lt == '<';
    if (!Blank) Lt = static_cast<const char*>(std::memchr(Lt, '<', static_cast<size_t>(E - Lt)));
    if (Lt == nullptr || Lt + 1 >= E) return nullptr;
    // The text since the last markup (Pending is empty here). Blanks before a child, or
    // before the close tag of an element with children, are dropped by the rules of element
    // content, where only a CR among them counts: they are not copied.
    if (Lt > P) {
      const bool Dropped = (Lt[1] != '/' || Top->ChildFlag) && Blank;
      if (!Dropped) Top->Pending.append(P, static_cast<size_t>(Lt - P));
      if (CR || (!Blank && std::memchr(P, '\r', static_cast<size_t>(Lt - P)) != nullptr)) Top->CRFlag = true;
    }
    if (Lt[1] == '/') {
      const char* Gt = TagEnd(Lt + 2, E);
      if (Gt == nullptr) return nullptr;
      const char* From = Lt + 2;
      const char* To = Gt;
      while (From < To && IsBlank(*From)) ++From;
      while (To > From && IsBlank(To[-1])) --To;
      const UTF8String& Name = Top->Node->FName;
      if (Name.size() != static_cast<size_t>(To - From) || std::memcmp(Name.data(), From, Name.size()) != 0) {
        if (!vxUTF8SameTextNoCase(UTF8String(From, To), Name)) return nullptr;
      }
      TakeScratchChildren(FOpen.size() - 1);
      // Element content alone (children and the blanks between them) leaves nothing to
      // finish; the walk over the children for text to trim would find none.
      if (!Top->ChildFlag || Top->TextChild || !Top->Pending.empty())
        FinishContent(Top->Node, Top->Pending, Top->CRFlag, Top->ChildFlag);
      FOpen.pop_back();
      P = Gt + 1;
      continue;
    }
    // A child begins. The limits are the stream reader's: past them it raises, so it reads
    // such a document itself. The offset of the byte after the child's "<" never exceeds the
    // stream position the stream reader compares with, so nothing it accepts is left to it
    // needlessly before the allowance runs out.
    const Integer Depth = Top->Depth + 1;
    FLevels += static_cast<std::uint64_t>(Depth);
    if (Depth >= cMaxNestingDepth ||
        (FLevels > cNestingAllowance &&
         FLevels > cNestingAllowance + cNestingPerByte * static_cast<std::uint64_t>(Lt + 2 - FData)))
      return nullptr;
    const size_t Level = FOpen.size() - 1;
    if (!Top->Pending.empty() && HasNonBlank(Top->Pending)) {
      // Text between children is a child of its own, in its place among them.
      TXmlNode* Data = NewScratchChild(Level);
      Data->SetElementType(xeCharData);
      Data->FValue = std::move(Top->Pending);
      Top->TextChild = true;
    }
    Top->Pending.clear();
    Top->CRFlag = false;
    Top->ChildFlag = true;
    TXmlNode* Child = NewScratchChild(Level);
    bool Open = false;
    P = ReadMarkup(Child, Lt, Open);
    if (P == nullptr) return nullptr;
    if (Open) {
      // Most elements of a project file hold one run of text and close at once with their own
      // name: read as such they need no open level. Anything else (a child, a comment, blanks
      // or another case in the close tag) goes through the open level below.
      const char* Close = static_cast<const char*>(std::memchr(P, '<', static_cast<size_t>(E - P)));
      const UTF8String& Name = Child->FName;
      if (Close != nullptr && static_cast<size_t>(E - Close) > Name.size() + 2 && Close[1] == '/' &&
          Close[Name.size() + 2] == '>' && std::memcmp(Close + 2, Name.data(), Name.size()) == 0) {
        Child->FValue.assign(P, Close);
        P = Close + Name.size() + 3;
        continue;
      }
      FOpen.push_back(TOpen{Child, Depth, UTF8String()});  // Top is invalid from here
    } else if (DropComments && Child->ElementType() == xeComment) {
      FScratch[Level].pop_back();
      delete Child;
    }
  }
  return P;
}

bool TXmlDocument::TBufferReader::Read() {
  TXmlNode* Roots = FDocument->FRootNodes.get();
  // Text read as single-byte Ansi is converted from its first byte above 0x7F on; that is left
  // to the stream reader, unless a declaration switches the reading to UTF-8 before.
  const char* FirstHigh = FEnd;
  if (FEncoding == seAnsi)
    for (const char* P = FData; P < FEnd; ++P)
      if (static_cast<unsigned char>(*P) >= 0x80) {
        FirstHigh = P;
        break;
      }
  const char* P = FData;
  while (P < FEnd) {
    // Text outside markup is dropped up to the next "<".
    const char* Lt = static_cast<const char*>(std::memchr(P, '<', static_cast<size_t>(FEnd - P)));
    if (Lt == nullptr) break;
    TXmlNode* Node = NewChild(Roots, xeNormal);
    bool Open = false;
    P = ReadMarkup(Node, Lt, Open);
    if (P == nullptr) return false;
    if (Open) {
      P = ReadContent(Node, P, 0);
      if (P == nullptr) return false;
    }
    if (FEncoding == seAnsi && P > FirstHigh) return false;
    if (Node->ElementType() == xeDeclaration && FConverted) {
      UTF8String Encoding = Node->GetAttributeByName("encoding");
      for (char& Ch : Encoding) Ch = vxUpCase(Ch);
      if ((!Node->HasAttribute("encoding") || Encoding == "UTF-8") && FEncoding == seAnsi) FEncoding = seUTF8;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------------------------

bool TXmlDocument::ReadWholeInput(TStream* AStream) {
  // Events report stream positions and may abort the load: the stream reader serves them.
  if (FOnNodeNew || FOnNodeLoaded || FOnProgress || FActiveReader != nullptr) return false;
  const bool Converted = FCodecStream != nullptr;
  TStream* Source = nullptr;
  if (Converted) {
    if (AStream != FCodecStream || FLoadSource == nullptr || FCodecStream->Started()) return false;
    Source = FLoadSource;
  } else {
    Source = AStream;
  }
  // Only streams that hand over their bytes as they are.
  auto* Memory = dynamic_cast<TCustomMemoryStream*>(Source);
  if (Memory == nullptr && dynamic_cast<THandleStream*>(Source) == nullptr) return false;
  const Int64 Start = Source->Position();
  const Int64 Size = Source->Size();
  if (Start < 0 || Size < Start) return false;
  const size_t Count = static_cast<size_t>(Size - Start);
  if (Count == 0) return false;
  // A 0 byte ends the text for the encoding stream: left to the stream reader. A file is
  // checked piece by piece as it comes in, so that the reading stops at the first 0: a run of
  // them after the root (a sparse file) is not read into memory whole only to be let go.
  std::unique_ptr<TSystemBuffer> Owned;
  const char* Data;
  if (Memory != nullptr) {
    Data = static_cast<const char*>(Memory->Memory()) + Start;
    if (std::memchr(Data, 0, Count) != nullptr) return false;
  } else {
    Owned = std::make_unique<TSystemBuffer>(Count);
    size_t Done = 0;
    while (Done < Count) {
      const Integer Chunk = static_cast<Integer>(std::min<size_t>(Count - Done, cWholeInputChunk));
      char* Piece = Owned->Data() + Done;
      const Integer Got = Source->Read(Piece, Chunk);
      if (Got <= 0 || std::memchr(Piece, 0, static_cast<size_t>(Got)) != nullptr) break;
      Done += static_cast<size_t>(Got);
    }
    Data = Owned->Data();
    if (Done != Count) {
      Source->SetPosition(Start);
      return false;
    }
  }
  // The encoding stream's detection: a UTF-8 byte-order mark, else single-byte Ansi unless
  // another signature names an encoding of more than one byte per character.
  size_t Skip = 0;
  TStringEncodingType Encoding = seUTF8;
  if (Converted) {
    Encoding = seAnsi;
    bool Known = Count >= 4;
    for (const auto& Row : vxEncodingSignatures) {
      if (!Known || std::memcmp(Data, Row.Pattern, static_cast<size_t>(Row.Length)) != 0) continue;
      if (Row.Encoding == seUTF8 && Row.HasBOM)
        Skip = 3, Encoding = seUTF8;
      else if (Row.Encoding != seAnsi)
        Known = false;
      break;
    }
    if (!Known) {
      if (Memory == nullptr) Source->SetPosition(Start);
      return false;
    }
  }
  FreeRootNodes();
  FRootNodes->Clear();
  TBufferReader Reader(this, Data + Skip, Count - Skip, Converted, Encoding);
  if (!Reader.Read()) {
    FreeRootNodes();
    FRootNodes->Clear();
    Source->SetPosition(Start);
    return false;
  }
  Source->SetPosition(Size);
  if (Converted) FCodecStream->SetEncoding(Reader.Encoding());
  return true;
}

}  // namespace Vorlane
