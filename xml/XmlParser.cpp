// Turning XML text into the node tree. Nothing is validated or resolved while reading: names,
// attribute entries, values and character data are stored as the text has them.
//
// Nesting is handled with an explicit stack of open elements and DOCTYPE subsets instead of
// one call per level, so a hostile file of a million nested elements cannot overflow the
// machine stack. Such a file is refused all the same: the readable layout indents every
// node by its depth, so the text written for it grows with the square of its depth.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/SysUtils.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
#include "xml/XmlParserInternal.h"
#include "xml/XmlResStrings.h"
#include "xml/XmlStreams.h"
#include "xml/XmlText.h"

namespace Vorlane {

using namespace XmlParserInternal;

namespace {

const char* const cCRLF = "\r\n";

// Rows of vxTagTable the parser refers to by kind.
constexpr Integer cDeclarationRow = 7;
constexpr Integer cQuestionRow = 10;
static_assert(vxTagTable[cDeclarationRow].Style == xeDeclaration);
static_assert(vxTagTable[cQuestionRow].Style == xeQuestion);

// The name the parser gives each kind that does not take its name from the text.
const char* FixedName(TXmlElementType AType) {
  switch (AType) {
    case xeComment:
      return "Comment";
    case xeCData:
      return "CData";
    case xeDoctype:
      return "DTD";
    case xeExclam:
    case xeQuestion:
      return "Special";
    default:
      return "";
  }
}

EFilerError ElementError(const char* AFormat, const UTF8String& AName) {
  return EFilerError(FormatUtf8(AFormat, {AName}));
}

bool ReadByte(TStream* AStream, char& Ch) { return AStream->Read(&Ch, 1) == 1; }

Integer LowPosition(Int64 APos) { return static_cast<Integer>(static_cast<std::uint32_t>(APos)); }

// A DOCTYPE inside another DOCTYPE's subset (or inside elements below one) is read by a
// nested call of ParseDTD, one call per such level.
constexpr Integer cMaxDoctypeNesting = 32;

// Items 1.. of a split declaration, each followed by CR LF, trimmed as a whole.
UTF8String JoinRemainingItems(TvxUTF8StringList& AList) {
  UTF8String Result;
  for (Integer I = 0; I < AList.Count(); ++I) {
    Result += AList.Items(I);
    Result += cCRLF;
  }
  return vxUTF8Trim(Result);
}

// What became of a node after its tag was read.
enum class THead {
  Skipped,   // no markup found or parsing aborted: no events for this node
  Complete,  // the node is read
  Content,   // an element whose content follows
  Subset     // a DOCTYPE whose internal subset follows
};

// One element whose content, or one DOCTYPE whose internal subset, is being read.
struct TFrame {
  TXmlNode* Node;
  Integer Depth = 0;  // of Node in its tree
  bool IsSubset = false;
  // Element content state.
  UTF8String Pending;  // character data since the last child markup
  bool CRFlag = false;
  bool ChildFlag = false;
};

}  // namespace

class TXmlDocument::TTreeReader {
 public:
  // Reads below ATop (the node a read starts at, or the DOCTYPE whose subset it reads).
  TTreeReader(TStream* AStream, TXmlNode* ATop, bool ADoctype = false);
  ~TTreeReader();
  TTreeReader(const TTreeReader&) = delete;
  TTreeReader& operator=(const TTreeReader&) = delete;
  void ReadTree(TXmlNode* ANode);
  void ReadDoctype(TXmlNode* ANode);

 private:
  THead ReadHead(TXmlNode* ANode);
  THead ReadDoctypeHead(TXmlNode* ANode);
  void ReadDtdDeclaration(TXmlNode* ANode);
  void ReadParameterReference(TXmlNode* ADoctype);
  void Run();
  void StepContent(TFrame& AFrame);
  void StepSubset(TFrame& AFrame);
  THead StartChild(TXmlNode* AChild, const UTF8String& ASurplus = UTF8String());
  inline void EnterChild(const TFrame& AFrame);
  void CheckLimits(const TXmlNode* AParent, Integer ADepth);
  void EndContent(TFrame& AFrame);
  void EndSubset();
  void HandOver(TFrame& AFrame);
  void NodeDone(TXmlNode* ANode);
  static void RaiseNodeNew(TXmlNode* ANode);

  bool Aborted(TXmlNode* ANode) const {
    TXmlDocument* Doc = ANode->Document();
    return Doc != nullptr && Doc->AbortParsing();
  }

  TStream* FStream;
  // Bytes a node reader pushed back belong to that node alone. Between nodes none are
  // pending (a tag's text consumes what its detection pushed back; what DOCTYPE and DTD
  // declarations leave is dropped at the end of their tag), so one reader serves the
  // open elements of all levels and a frame needs none of its own.
  TvxSurplusReader FReader;
  // A deque: frames keep their place while deeper ones are added, and growing it never
  // copies a million frames at once.
  std::deque<TFrame> FStack;
  // The document whose active reader this one is while it runs, and the reader that was
  // active before: a DOCTYPE read by ParseDTD during a load counts against the limits of
  // the load around it.
  TXmlDocument* FDocument;
  TTreeReader* FOuter;
  // Tree depth of the node at the bottom of FStack; frames above it are one level each.
  Integer FBaseDepth;
  Integer FDoctypeNesting;
  // The reader of the whole load; it keeps the sum of the depths of the nodes read.
  TTreeReader* FOutermost;
  std::uint64_t FLevels = 0;
};

TXmlDocument::TTreeReader::TTreeReader(TStream* AStream, TXmlNode* ATop, bool ADoctype)
    : FStream(AStream),
      FReader(AStream),
      FDocument(ATop->Document()),
      FOuter(FDocument != nullptr ? FDocument->FActiveReader : nullptr),
      FBaseDepth(0),
      FDoctypeNesting(FOuter != nullptr ? FOuter->FDoctypeNesting : 0),
      FOutermost(FOuter != nullptr ? FOuter->FOutermost : this) {
  for (const TXmlNode* P = ATop->Parent(); P != nullptr && P->Parent() != nullptr; P = P->Parent())
    ++FBaseDepth;
  if (ADoctype) ++FDoctypeNesting;
  if (FDocument != nullptr) FDocument->FActiveReader = this;
}

TXmlDocument::TTreeReader::~TTreeReader() {
  if (FDocument != nullptr) FDocument->FActiveReader = FOuter;
}

// A child of the top frame's node begins.
void TXmlDocument::TTreeReader::EnterChild(const TFrame& AFrame) {
  const Integer Depth = AFrame.Depth + 1;
  std::uint64_t& Levels = FOutermost->FLevels;
  Levels += static_cast<std::uint64_t>(Depth);
  if (Depth >= cMaxNestingDepth || Levels > cNestingAllowance) [[unlikely]]
    CheckLimits(AFrame.Node, Depth);
}

// The position is asked for only once the allowance alone no longer covers the sum of the
// depths.
void TXmlDocument::TTreeReader::CheckLimits(const TXmlNode* AParent, Integer ADepth) {
  if (ADepth >= cMaxNestingDepth)
    throw EFilerError(FormatUtf8(sxeNestingTooDeep, {cMaxNestingDepth, AParent->Name()}));
  if (FOutermost->FLevels >
      cNestingAllowance + cNestingPerByte * static_cast<std::uint64_t>(FStream->Position()))
    throw ElementError(sxeNestingTooCostly, AParent->Name());
}

void TXmlDocument::TTreeReader::NodeDone(TXmlNode* ANode) {
  TXmlDocument* Doc = ANode->Document();
  if (Doc == nullptr || Doc->AbortParsing()) return;
  Doc->DoProgress(LowPosition(FStream->Position()));
  Doc->DoNodeLoaded(ANode);
}

void TXmlDocument::TTreeReader::RaiseNodeNew(TXmlNode* ANode) {
  if (TXmlDocument* Doc = ANode->Document()) Doc->DoNodeNew(ANode);
}

namespace {

// Whether the next bytes end a processing instruction's target: a blank, "?>" or the end of
// the input. Whatever is read is pushed back; nothing beyond a closing "?>" is read.
bool TargetEndsHere(TvxSurplusReader& AReader) {
  char Ch = 0;
  if (!AReader.ReadChar(Ch)) return true;
  bool Ends = vxIsBlank(Ch);
  if (Ch == '?') {
    char Next = 0;
    if (AReader.ReadChar(Next)) {
      Ends = Next == '>';
      AReader.PushBack(Next);
    } else {
      Ends = true;
    }
  }
  AReader.PushBack(Ch);
  return Ends;
}

void PushBackText(TvxSurplusReader& AReader, const char* AText) {
  for (size_t I = std::strlen(AText); I > 0; --I) AReader.PushBack(AText[I - 1]);
}

// The tag table picks the longest opening, so "<?xmlfoo" would open a declaration and
// "<?xml-stylesheetx" a style-sheet instruction, and either would be written back without its
// data. Only the complete target "xml" (in any case) is the declaration and only
// "xml-stylesheet" the style sheet; any other target is an instruction whose text is read
// from the target on.
Integer RefineInstructionRow(TvxSurplusReader& AReader, Integer ARow) {
  const TXmlElementType Style = vxTagTable[ARow].Style;
  if (Style == xeDeclaration || Style == xeStylesheet) {
    if (TargetEndsHere(AReader)) return ARow;
    PushBackText(AReader, vxTagTable[ARow].Start + 2);  // the target, after "<?"
    return cQuestionRow;
  }
  if (Style != xeQuestion) return ARow;
  // Read no further than needed: what the tag leaves unread when it closes is dropped.
  char Target[3];
  Integer Got = 0;
  bool Matches = true;
  while (Matches && Got < 3 && AReader.ReadChar(Target[Got])) {
    Matches = vxUpCase(Target[Got]) == "XML"[Got];
    ++Got;
  }
  if (Matches && Got == 3 && TargetEndsHere(AReader)) return cDeclarationRow;
  while (Got > 0) AReader.PushBack(Target[--Got]);
  return ARow;
}

}  // namespace

THead TXmlDocument::TTreeReader::ReadHead(TXmlNode* ANode) {
  // What the tag detection pushed back and the tag left unread dies with the tag.
  struct TDropSurplus {
    TvxSurplusReader& Reader;
    ~TDropSurplus() { Reader.SetSurplus(UTF8String()); }
  } DropSurplus{FReader};
  TvxSurplusReader& AReader = FReader;
  char Ch = 0;
  if (!AReader.ReadCharSkipBlanks(Ch) || Ch != '<') return THead::Skipped;
  try {
    const Integer Row = RefineInstructionRow(AReader, vxReadTagStart(&AReader));
    const TvxTagEntry& Entry = vxTagTable[Row];
    ANode->SetElementType(Entry.Style);
    switch (Entry.Style) {
      case xeNormal:
      case xeDeclaration:
      case xeStylesheet: {
        UTF8String Text;
        vxReadUntilClose(&AReader, Entry.Close, Text, true);
        bool ClosedInTag = false;
        if (Entry.Style == xeNormal && !Text.empty() && Text.back() == '/') {
          Text.pop_back();
          ClosedInTag = true;
        }
        ANode->ParseTag(Text, 1, static_cast<Integer>(Text.size()) + 1);
        RaiseNodeNew(ANode);
        if (Aborted(ANode)) return THead::Skipped;
        if (ClosedInTag || Entry.Style != xeNormal) break;
        return THead::Content;
      }
      case xeComment:
      case xeCData:
      case xeExclam:
      case xeQuestion: {
        ANode->SetName(FixedName(Entry.Style));
        RaiseNodeNew(ANode);
        if (Aborted(ANode)) return THead::Skipped;
        UTF8String Text;
        vxReadUntilClose(&AReader, Entry.Close, Text, false);
        ANode->SetValueDirect(Text);
        break;
      }
      case xeDoctype: {
        ANode->SetName(FixedName(xeDoctype));
        RaiseNodeNew(ANode);
        if (Aborted(ANode)) return THead::Skipped;
        TXmlDocument* Doc = ANode->Document();
        if (Doc == nullptr) break;
        if (FDoctypeNesting >= cMaxDoctypeNesting) {
          const TXmlNode* Parent = ANode->Parent();
          const UTF8String Where = Parent != nullptr ? Parent->Name() : UTF8String();
          throw EFilerError(FormatUtf8(sxeDoctypeNestingTooDeep, {cMaxDoctypeNesting, Where}));
        }
        Doc->ParseDTD(ANode, FStream);
        break;
      }
      default:  // the DTD declarations
        ReadDtdDeclaration(ANode);
        RaiseNodeNew(ANode);
        if (Aborted(ANode)) return THead::Skipped;
        break;
    }
  } catch (...) {
    NodeDone(ANode);
    throw;
  }
  return THead::Complete;
}

void TXmlDocument::TTreeReader::ReadDtdDeclaration(TXmlNode* ANode) {
  UTF8String Text;
  vxReadUntilUnquoted(FStream, '>', Text);
  TvxUTF8StringList Items;
  vxUTF8ParseAttributes(Text, 1, static_cast<Integer>(Text.size()) + 1, &Items);
  if (Items.Count() > 0) {
    ANode->SetName(Items.Items(0));
    Items.Delete(0);
    ANode->SetValueDirect(JoinRemainingItems(Items));
  }
}

// The DOCTYPE up to its ">" or the "[" of its internal subset.
THead TXmlDocument::TTreeReader::ReadDoctypeHead(TXmlNode* ANode) {
  UTF8String Text;
  char Ch = 0;
  bool Found = false;
  while (ReadByte(FStream, Ch)) {
    if (Ch == '>' || Ch == '[') {
      Found = true;
      break;
    }
    Text += Ch;
  }
  if (!Found) return THead::Complete;
  TvxUTF8StringList Items;
  vxUTF8ParseAttributes(Text, 1, static_cast<Integer>(Text.size()) + 1, &Items);
  if (Items.Count() > 0) {
    ANode->SetName(Items.Items(0));
    Items.Delete(0);
    UTF8String Value;
    for (Integer I = 0; I < Items.Count(); ++I) {
      Value += Items.Items(I);
      Value += cCRLF;
    }
    ANode->SetValueDirect(vxUTF8Trim(vxUTF8StringReplace(Value, cCRLF, " ")));
  }
  return Ch == '[' ? THead::Subset : THead::Complete;
}

// Starts reading a node that was just added to its parent (or is the top node): pushes a
// frame when content or a subset follows.
THead TXmlDocument::TTreeReader::StartChild(TXmlNode* AChild, const UTF8String& ASurplus) {
  FReader.SetSurplus(ASurplus);
  const THead Head = ReadHead(AChild);
  if (Head == THead::Content || Head == THead::Subset) {
    TFrame Frame;
    Frame.Node = AChild;
    Frame.Depth = FStack.empty() ? FBaseDepth : FStack.back().Depth + 1;
    Frame.IsSubset = Head == THead::Subset;
    FStack.push_back(std::move(Frame));
  } else if (Head == THead::Complete) {
    NodeDone(AChild);
  }
  return Head;
}

void XmlParserInternal::HandOverText(TXmlNode* AParent, UTF8String& APending) {
  TXmlNode* Data = new TXmlNode(AParent->Document());
  Data->SetElementType(xeCharData);
  Data->SetValueDirect(std::move(APending));
  AParent->NodeAdd(Data);
  APending.clear();
}

void XmlParserInternal::FinishContent(TXmlNode* Node, UTF8String& APending, bool ACRFlag, bool AChildFlag) {
  // An element without children (most of a project file) would get its text as a
  // character-data child that is moved into the element at once, with no event on the way:
  // the text goes there directly.
  if (!AChildFlag && Node->GetNodeCount() == 0) {
    Node->SetValueDirect(std::move(APending));
    APending.clear();
    return;
  }
  if (!AChildFlag || HasNonBlank(APending)) {
    if (!APending.empty() || !AChildFlag) HandOverText(Node, APending);
  }
  APending.clear();
  if (AChildFlag && ACRFlag) {
    for (Integer I = 0; I < Node->GetNodeCount(); ++I) {
      TXmlNode* Child = Node->GetNodes(I);
      if (Child->ElementType() != xeCharData) continue;
      UTF8String V = Child->ValueDirect();
      while (!V.empty() && (V.back() == '\n' || V.back() == '\r' || V.back() == ' ')) V.pop_back();
      Child->SetValueDirect(V);
    }
  }
  TXmlNode* First = Node->GetNodes(0);
  if (First != nullptr && First->ElementType() == xeCharData) {
    Node->SetValueDirect(First->ValueDirect());
    Node->NodeDelete(0);
  }
}

void TXmlDocument::TTreeReader::HandOver(TFrame& AFrame) { HandOverText(AFrame.Node, AFrame.Pending); }

void TXmlDocument::TTreeReader::EndContent(TFrame& AFrame) {
  FinishContent(AFrame.Node, AFrame.Pending, AFrame.CRFlag, AFrame.ChildFlag);
}

void TXmlDocument::TTreeReader::StepContent(TFrame& AFrame) {
  TXmlNode* Node = AFrame.Node;
  // A run of ASCII text is taken from the buffered block in one piece: byte by byte it cost a
  // virtual read and an append each. The run ends before anything the byte-wise path below
  // treats differently ("<", the 0 that reads as the end, a multi-byte character), and it
  // leaves the stream where as many single reads would.
  const Byte* P = nullptr;
  const Integer N = FReader.AsciiWindow(P);
  Integer Len = 0;
  if (N > 0) {
    const void* Lt = std::memchr(P, '<', static_cast<size_t>(N));
    const Integer Limit =
        Lt != nullptr ? static_cast<Integer>(static_cast<const Byte*>(Lt) - P) : N;
    // Eight bytes at a time while none is 0 or above 0x7F (a borrow can only raise a false
    // alarm, which the byte loop then settles), then byte by byte: bytes 1..0x7F pass.
    while (Limit - Len >= 8) {
      std::uint64_t W;
      std::memcpy(&W, P + Len, sizeof W);
      if (((W - cByteOnes) | W) & cByteHighs) break;
      Len += 8;
    }
    while (Len < Limit && static_cast<Byte>(P[Len] - 1) < 0x7F) ++Len;
  }
  if (Len > 0) {
    if (std::memchr(P, '\r', static_cast<size_t>(Len)) != nullptr) AFrame.CRFlag = true;
    // No reserve here: most runs are an indent or a short value, which stay in the string's
    // inline buffer, and a leaf's text moves into its element as it is.
    AFrame.Pending.append(reinterpret_cast<const char*>(P), static_cast<size_t>(Len));
    FReader.SkipAscii(Len);
    return;
  }
  char Ch = 0;
  if (!ReadByte(FStream, Ch)) throw ElementError(sxeMissingCloseTagInElement, Node->Name());
  if (Ch != '<') {
    if (Ch == '\r') AFrame.CRFlag = true;
    if (AFrame.Pending.capacity() < 80) AFrame.Pending.reserve(80);
    AFrame.Pending += Ch;
    return;
  }
  if (!FReader.ReadCharSkipBlanks(Ch))
    throw ElementError(sxeMissingDataAfterGreaterThan, Node->Name());
  if (Ch == '/') {
    UTF8String Text;
    if (!vxReadUntilClose(&FReader, ">", Text, true))
      throw ElementError(sxeMissingLessThanInCloseTag, Node->Name());
    if (vxUTF8CompareNoCase(vxUTF8Trim(Text), Node->Name()) != 0)
      throw ElementError(sxeIncorrectCloseTag, Node->Name());
    EndContent(AFrame);
    FStack.pop_back();  // AFrame is gone from here on
    NodeDone(Node);
    return;
  }
  // A child begins: its text and the "<" are read again by the child itself.
  EnterChild(AFrame);
  if (HasNonBlank(AFrame.Pending)) HandOver(AFrame);
  AFrame.Pending.clear();
  AFrame.CRFlag = false;
  AFrame.ChildFlag = true;
  FStream->Seek(-2, soCurrent);
  TXmlNode* Child = new TXmlNode(Node->Document());
  Node->NodeAdd(Child);
  TXmlDocument* Doc = Node->Document();
  const size_t Depth = FStack.size();
  const THead Head = StartChild(Child);  // may open a frame for the child
  // Blanks between "<" and the markup leave the child without markup: the bytes it skipped
  // would be lost and an unnamed element kept, so such content is refused.
  if (Head == THead::Skipped && !Aborted(Node))
    throw ElementError(sxeMissingDataAfterGreaterThan, Node->Name());
  if (FStack.size() == Depth && Doc != nullptr && Doc->DropCommentsOnParse() &&
      Child->ElementType() == xeComment) {
    Node->NodeDelete(Node->GetNodeCount() - 1);
  }
}

void TXmlDocument::TTreeReader::EndSubset() {
  char Ch = 0;
  while (FReader.ReadChar(Ch) && Ch != '>') {
  }
}

// A parameter-entity reference of the subset ("%name;") stays as written, as a text node of
// the DOCTYPE: it is never expanded or fetched, and dropping it would drop the declarations
// it stands for. The reference ends after its ";" or before a byte that cannot be part of it.
void TXmlDocument::TTreeReader::ReadParameterReference(TXmlNode* ADoctype) {
  UTF8String Text(1, '%');
  char Ch = 0;
  while (FReader.ReadChar(Ch)) {
    if (vxIsBlank(Ch) || vxIsQuote(Ch) || std::strchr("<>[]%&", Ch) != nullptr) {
      FReader.PushBack(Ch);
      break;
    }
    Text += Ch;
    if (Ch == ';') break;
  }
  auto Reference = std::make_unique<TXmlNode>(ADoctype->Document(), xeCharData);
  Reference->SetValueDirect(std::move(Text));
  ADoctype->NodeAdd(Reference.release());
}

void TXmlDocument::TTreeReader::StepSubset(TFrame& AFrame) {
  TXmlNode* Node = AFrame.Node;
  // Before every declaration of the subset, the first one included: blanks, then "]" or
  // the declaration. Checking only between declarations would let an empty subset ("[ ]")
  // take its "]" for text and read the rest of the document into the DOCTYPE.
  char Ch = 0;
  bool More = false;
  while (FReader.ReadChar(Ch)) {
    if (vxIsBlank(Ch)) continue;
    More = Ch != ']';
    break;
  }
  if (!More) {
    // The DOCTYPE itself is complete once ParseDTD returns; its reader raises its events.
    EndSubset();
    FStack.pop_back();
    return;
  }
  if (Ch == '%') {
    ReadParameterReference(Node);
    return;
  }
  EnterChild(AFrame);
  TXmlNode* Child = Node->NodeNew("");
  // The byte goes back to the child through its reader rather than by stepping the stream
  // back one character: when the byte is the second of a multi-byte character, the step
  // would return to that character's first byte and the subset would never end.
  const THead Head = StartChild(Child, UTF8String(1, Ch));  // may open a frame for the child
  // Other text of the subset that is not markup is skipped; kept as an unnamed element it
  // would be written as "</>", which no parser reads back.
  if (Head == THead::Skipped && Child->IsClear()) Node->NodeDelete(Node->GetNodeCount() - 1);
}

void TXmlDocument::TTreeReader::Run() {
  while (!FStack.empty()) {
    TFrame& Top = FStack.back();
    if (Aborted(Top.Node)) {
      // An aborted subset stops at once: its children would read nothing, and stepping back
      // before each of them would loop forever.
      if (!Top.IsSubset) EndContent(Top);
      FStack.pop_back();
      continue;
    }
    if (Top.IsSubset)
      StepSubset(Top);
    else
      StepContent(Top);
  }
}

void TXmlDocument::TTreeReader::ReadTree(TXmlNode* ANode) {
  if (Aborted(ANode)) return;
  ANode->Clear();
  try {
    StartChild(ANode);
    Run();
  } catch (...) {
    // Every node still open ends with the exception: each raises its events on the way out,
    // innermost first, as nested readers would.
    std::exception_ptr Error = std::current_exception();
    while (!FStack.empty()) {
      TXmlNode* Node = FStack.back().Node;
      FStack.pop_back();
      try {
        NodeDone(Node);
      } catch (...) {
        Error = std::current_exception();
      }
    }
    std::rethrow_exception(Error);
  }
}

void TXmlDocument::TTreeReader::ReadDoctype(TXmlNode* ANode) {
  if (ReadDoctypeHead(ANode) != THead::Subset) return;
  TFrame Frame;
  Frame.Node = ANode;
  Frame.Depth = FBaseDepth;
  Frame.IsSubset = true;
  FStack.push_back(std::move(Frame));
  try {
    Run();
  } catch (...) {
    std::exception_ptr Error = std::current_exception();
    while (!FStack.empty()) {
      TXmlNode* Node = FStack.back().Node;
      FStack.pop_back();
      if (Node == ANode) break;
      try {
        NodeDone(Node);
      } catch (...) {
        Error = std::current_exception();
      }
    }
    std::rethrow_exception(Error);
  }
}

// ---------------------------------------------------------------------------------------------
// TXmlNode

void TXmlNode::ReadFromStream(TStream* AStream) {
  TXmlDocument::TTreeReader Reader(AStream, this);
  Reader.ReadTree(this);
}

void TXmlNode::ReadFromString(const UTF8String& AValue) {
  TvxUTF8StringStream S(AValue);
  ReadFromStream(&S);
}

void TXmlNode::ParseTag(const UTF8String& AValue, Integer First, Integer Last) {
  TvxUTF8StringList Items;
  vxUTF8ParseAttributes(AValue, First, Last, &Items);
  // The element name is item 0; it is skipped rather than deleted, which would shift the rest.
  Integer From = 0;
  switch (FElementType) {
    case xeDeclaration:
      FName = "xml";
      break;
    case xeStylesheet: {
      FName = "xml-stylesheet";
      const Integer Lo = std::max<Integer>(First, 1);
      const Integer Hi = std::min<Integer>(Last, static_cast<Integer>(AValue.size()) + 1);
      FValue = Hi > Lo ? vxUTF8Trim(AValue.substr(static_cast<size_t>(Lo - 1),
                                                  static_cast<size_t>(Hi - Lo)))
                       : UTF8String();
      break;
    }
    default:
      if (Items.Count() == 0) throw EFilerError(sxeMissingElementName);
      FName = Items.Items(0);
      From = 1;
      break;
  }
  if (Items.Count() > From) {
    CheckCreateAttributesList();
    for (Integer I = From; I < Items.Count(); ++I) FAttributes->Add(Items.Items(I));
  }
}

// ---------------------------------------------------------------------------------------------
// TXmlDocument

void TXmlDocument::ParseDTD(TXmlNode* ANode, TStream* AStream) {
  TXmlDocument::TTreeReader Reader(AStream, ANode, true);
  Reader.ReadDoctype(ANode);
}

namespace {

// Drops the text before the next markup: every byte up to the next "<" (which is read again
// by the node that starts there). One node round per byte would read and drop them one by
// one, as slowly as if each were a node. False at the end of the input.
//
// A 0 byte in the window is skipped with the text: read on its own it would end this call,
// and the caller, finding input left, would call again, so the result is the same. Only a
// "<" or a byte above 0x7F stops the scan, which looks no further than that byte: searching
// the whole window again before every byte taken on its own made a run of them quadratic
// (seconds for a few megabytes of 0 bytes after the root).
bool SkipToMarkup(TStream* AStream) {
  TvxSurplusReader Reader(AStream);
  for (;;) {
    const Byte* P = nullptr;
    const Integer N = Reader.AsciiWindow(P);
    if (N > 0) {
      // Eight bytes at a time while none is "<" or above 0x7F (a borrow can only raise a
      // false alarm, which the byte loop then settles), then byte by byte.
      constexpr std::uint64_t cLts = cByteOnes * '<';
      Integer Skip = 0;
      while (N - Skip >= 8) {
        std::uint64_t W;
        std::memcpy(&W, P + Skip, sizeof W);
        if ((W | ((W ^ cLts) - cByteOnes)) & cByteHighs) break;
        Skip += 8;
      }
      while (Skip < N && P[Skip] != '<' && P[Skip] < 0x80) ++Skip;
      if (Skip > 0) {
        Reader.SkipAscii(Skip);
        continue;
      }
    }
    char Ch = 0;
    if (!Reader.ReadChar(Ch)) return false;
    if (Ch == '<') {
      AStream->Seek(-1, soCurrent);
      return true;
    }
  }
}

}  // namespace

void TXmlDocument::ReadFromStream(TStream* AStream) {
  FAbortParsing = false;
  if (ReadWholeInput(AStream)) {
    CheckRootNodes();
    return;
  }
  FreeRootNodes();
  FRootNodes->Clear();
  // Reads nothing itself: while it is the active reader, the readers of the root-level
  // nodes share the limits of one load.
  TTreeReader Load(AStream, FRootNodes.get());
  DoProgress(0);
  // Asked once, after the first node (a conversion stream knows it only once reading has
  // begun): on a file it costs two system calls.
  Int64 Size = -1;
  do {
    if (Size >= 0 && !SkipToMarkup(AStream)) continue;
    TXmlNode* Node = FRootNodes->NodeNew("");
    Node->ReadFromStream(AStream);
    if (FAbortParsing) return;
    if (Node->ElementType() == xeDeclaration && FCodecStream != nullptr) {
      UTF8String Encoding = Node->GetAttributeByName("encoding");
      for (char& Ch : Encoding) Ch = vxUpCase(Ch);
      // Only a single-byte reading is switched: text that was recognised as UTF-16 stays
      // UTF-16 when its declaration leaves the encoding out, as UTF-16 documents may.
      if ((!Node->HasAttribute("encoding") || Encoding == "UTF-8") &&
          FCodecStream->Encoding() == seAnsi)
        FCodecStream->SetEncoding(seUTF8);
    }
    if (Node->IsClear()) FRootNodes->NodeDelete(FRootNodes->GetNodeCount() - 1);
    if (Size < 0) Size = AStream->Size();
  } while (AStream->Position() < Size);
  DoProgress(LowPosition(Size));
  CheckRootNodes();
}

void TXmlDocument::CheckRootNodes() {
  Integer Elements = 0, Declarations = 0, Doctypes = 0, CDatas = 0;
  Integer LastElement = -1, LastDoctype = -1;
  const Integer Count = FRootNodes->GetNodeCount();
  for (Integer I = 0; I < Count; ++I) {
    switch (FRootNodes->GetNodes(I)->ElementType()) {
      case xeNormal:
        ++Elements;
        LastElement = I;
        break;
      case xeDeclaration:
        ++Declarations;
        break;
      case xeDoctype:
        ++Doctypes;
        LastDoctype = I;
        break;
      case xeCData:
        ++CDatas;
        break;
      default:
        break;
    }
  }
  if (Elements == 0) throw EFilerError(sxeNoRootElement);
  if (!FParserWarnings) return;
  if (Elements > 1) throw EFilerError(sxeMoreThanOneRootElement);
  if (Declarations > 1) throw EFilerError(sxeMoreThanOneDeclaration);
  if (Declarations == 1 && FRootNodes->GetNodes(0)->ElementType() != xeDeclaration)
    throw EFilerError(sxeDeclarationMustBeFirstElem);
  if (Doctypes > 1) throw EFilerError(sxeMoreThanOneDoctype);
  if (Doctypes == 1 && LastDoctype > LastElement) throw EFilerError(sxeDoctypeAfterRootElement);
  if (CDatas > 0) throw EFilerError(sxeNoCDataInRoot);
}

// ---------------------------------------------------------------------------------------------
// Entity references, expanded on demand

namespace {

// A text split at its first "&": the text before it, the entity name up to the next ";" and
// the rest after that ";". Without a ";" the name is empty and the rest follows the "&".
struct TReferenceSplit {
  UTF8String Before;
  UTF8String Name;
  UTF8String Rest;
  bool HasAmpersand = false;
};

TReferenceSplit SplitAtReference(const UTF8String& S) {
  TReferenceSplit R;
  const size_t Amp = S.find('&');
  if (Amp == UTF8String::npos) {
    R.Before = S;
    return R;
  }
  R.HasAmpersand = true;
  R.Before = S.substr(0, Amp);
  const size_t Semi = S.find(';', Amp + 1);
  if (Semi == UTF8String::npos) {
    R.Rest = S.substr(Amp + 1);
    return R;
  }
  R.Name = S.substr(Amp + 1, Semi - Amp - 1);
  R.Rest = S.substr(Semi + 1);
  return R;
}

// Entities whose replacements hold references to other entities multiply with every level
// ("billion laughs"): a few hundred bytes of declarations stand for gigabytes of nodes.
// Resolving stops with an error once the replacement texts used in one call reach this
// size, far beyond what any real document expands to.
constexpr std::uint64_t cMaxEntityExpansion = 1024 * 1024;
// The text after an expanded reference becomes a character-data node that is split again,
// and the nodes of a reference are inserted among their siblings: one long text or one long
// list of siblings with many references costs its length times their number. This bounds
// the bytes copied and the sibling slots moved.
constexpr std::uint64_t cMaxEntityWork = 256 * 1024 * 1024;

// The entity names whose replacement produced a node, outermost first.
using TEntityChain = std::shared_ptr<const std::vector<UTF8String>>;

bool InChain(const TEntityChain& AChain, const UTF8String& AName) {
  if (!AChain) return false;
  for (const UTF8String& N : *AChain)
    if (N == AName) return true;
  return false;
}

TEntityChain Extend(const TEntityChain& AChain, const UTF8String& AName) {
  auto Result = std::make_shared<std::vector<UTF8String>>();
  if (AChain) *Result = *AChain;
  Result->push_back(AName);
  return Result;
}

}  // namespace

void TXmlNode::ResolveEntityReferences() {
  std::unordered_map<TXmlNode*, TEntityChain> Origin;
  std::uint64_t Expanded = 0;
  std::uint64_t Work = 0;
  // Every reference would otherwise scan all declarations again, which makes a document
  // with many declarations and many references quadratic. Expansion only adds nodes below
  // the nodes it visits, never declarations, so a name's replacement stays the same.
  std::map<std::pair<TXmlDocument*, UTF8String>, UTF8String> Entities;
  auto EntityText = [&](TXmlDocument* Doc, const UTF8String& AName) -> const UTF8String& {
    auto Key = std::make_pair(Doc, AName);
    auto Found = Entities.find(Key);
    if (Found == Entities.end())
      Found = Entities.emplace(std::move(Key), Doc->GetEntityByName(AName)).first;
    return Found->second;
  };
  auto Charge = [](std::uint64_t& ACounter, std::uint64_t AAmount, std::uint64_t ALimit,
                   const TXmlNode* AElement) {
    ACounter += AAmount;
    if (ACounter > ALimit) throw ElementError(sxeEntityExpansionLimit, AElement->Name());
  };

  // The nodes a reference stands for, when its replacement text holds markup. An entity is
  // not expanded inside its own replacement, so a self-referencing entity cannot grow the
  // tree without end.
  auto NodesOf = [&](TXmlDocument* Doc, const UTF8String& AName, const TEntityChain& AChain,
                     const TXmlNode* AElement) {
    std::vector<std::unique_ptr<TXmlNode>> Result;
    if (AName.empty() || Doc == nullptr || InChain(AChain, AName)) return Result;
    const UTF8String& Text = EntityText(Doc, AName);
    if (Text.find('<') == UTF8String::npos) return Result;
    Charge(Expanded, Text.size(), cMaxEntityExpansion, AElement);
    TvxUTF8StringStream S(Text);
    while (S.Position() < S.Size()) {
      const Int64 Before = S.Position();
      auto Node = std::make_unique<TXmlNode>(Doc);
      Node->ReadFromStream(&S);
      if (!Node->IsEmpty()) Result.push_back(std::move(Node));
      // After an aborted parse nodes read nothing; stop rather than spin.
      if (S.Position() == Before) break;
    }
    return Result;
  };

  auto NewCharData = [&](TXmlDocument* Doc, const UTF8String& AValue, const TXmlNode* AElement) {
    Charge(Work, AValue.size(), cMaxEntityWork, AElement);
    auto Node = std::make_unique<TXmlNode>(Doc, xeCharData);
    Node->SetValueDirect(AValue);
    return Node;
  };

  // AIndex is the node's position in its parent, known to the walk; looking it up would scan
  // the siblings once per node.
  auto Process = [&](TXmlNode* Node, const TEntityChain& AChain, Integer AIndex) {
    TXmlDocument* Doc = Node->Document();
    if (Node->FElementType == xeNormal && !Node->FValue.empty()) {
      const TReferenceSplit Split = SplitAtReference(Node->FValue);
      auto Nodes = NodesOf(Doc, Split.Name, AChain, Node);
      if (!Nodes.empty()) {
        Charge(Work, Nodes.size() * static_cast<std::uint64_t>(Node->GetNodeCount() + 1),
               cMaxEntityWork, Node);
        const TEntityChain Inner = Extend(AChain, Split.Name);
        Integer Index = 0;
        for (auto& N : Nodes) {
          Origin[N.get()] = Inner;
          Node->NodeInsert(Index++, N.release());
        }
        Node->FValue = Split.Before;
        if (!vxUTF8Trim(Split.Rest).empty()) {
          auto Rest = NewCharData(Doc, Split.Rest, Node);
          Origin[Rest.get()] = AChain;
          Node->NodeInsert(Index, Rest.release());
        }
      }
    } else if (Node->FElementType == xeCharData && Node->FParent != nullptr) {
      TXmlNode* Parent = Node->FParent;
      const TReferenceSplit Split = SplitAtReference(Node->FValue);
      auto Nodes = NodesOf(Doc, Split.Name, AChain, Parent);
      if (!Nodes.empty()) {
        Integer Index = AIndex + 1;
        Charge(Work, Nodes.size() * static_cast<std::uint64_t>(Parent->GetNodeCount() - Index + 1),
               cMaxEntityWork, Parent);
        const TEntityChain Inner = Extend(AChain, Split.Name);
        for (auto& N : Nodes) {
          Origin[N.get()] = Inner;
          Parent->NodeInsert(Index++, N.release());
        }
        Node->FValue = vxUTF8Trim(Split.Before).empty() ? UTF8String() : Split.Before;
        if (!vxUTF8Trim(Split.Rest).empty()) {
          auto Rest = NewCharData(Doc, Split.Rest, Parent);
          Origin[Rest.get()] = AChain;
          Parent->NodeInsert(Index, Rest.release());
        }
      }
    }
    // Scanned by position rather than by cutting off the rest at every reference, which
    // would copy a long value once per reference.
    for (Integer I = 0; I < Node->GetAttributeCount(); ++I) {
      const UTF8String Text = Node->GetAttributeValue(I);
      UTF8String Result;
      size_t Pos = 0;
      while (true) {
        const size_t Amp = Text.find('&', Pos);
        if (Amp == UTF8String::npos) {
          Result.append(Text, Pos, UTF8String::npos);
          break;
        }
        Result.append(Text, Pos, Amp - Pos);
        const size_t Semi = Text.find(';', Amp + 1);
        // A "&" without a ";" ends the scan and is not kept; neither is an empty name.
        if (Semi == UTF8String::npos) {
          Result.append(Text, Amp + 1, UTF8String::npos);
          break;
        }
        const UTF8String Name = Text.substr(Amp + 1, Semi - Amp - 1);
        Pos = Semi + 1;
        if (Name.empty()) {
          Result.append(Text, Pos, UTF8String::npos);
          break;
        }
        const UTF8String Replacement = Doc != nullptr ? EntityText(Doc, Name) : UTF8String();
        if (!Replacement.empty()) {
          Charge(Expanded, Replacement.size(), cMaxEntityExpansion, Node);
          Result += Replacement;
        } else {
          Result += "&" + Name + ";";
        }
      }
      Node->SetAttributeValue(I, Result);
    }
  };

  struct TEntry {
    TXmlNode* Node;
    Integer Next;
    TEntityChain Chain;
  };
  Process(this, nullptr, IndexInParent());
  std::vector<TEntry> Stack{{this, 0, nullptr}};
  while (!Stack.empty()) {
    TEntry& Top = Stack.back();
    if (Top.Next < Top.Node->GetNodeCount()) {
      const Integer Index = Top.Next++;
      TXmlNode* Child = Top.Node->GetNodes(Index);
      auto Found = Origin.find(Child);
      TEntityChain Chain = Found != Origin.end() ? Found->second : Top.Chain;
      Process(Child, Chain, Index);
      Stack.push_back(TEntry{Child, 0, std::move(Chain)});  // Top is invalid from here
      continue;
    }
    TXmlNode* Node = Top.Node;
    for (Integer I = Node->GetNodeCount() - 1; I >= 0; --I) {
      TXmlNode* Child = Node->GetNodes(I);
      if (Child->ElementType() == xeCharData && Child->ValueDirect().empty()) {
        Origin.erase(Child);
        Node->NodeDelete(I);
      }
    }
    Stack.pop_back();
  }
}

}  // namespace Vorlane
