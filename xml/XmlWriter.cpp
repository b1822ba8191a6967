// Turning a node tree back into XML text. Every byte here is part of what the project-file
// engine compares with the file on disk, so delimiters, indents and line feeds are exact.
//
// The tree is walked with an explicit stack instead of one call per level: a document may
// nest elements far deeper than the machine stack allows. The extension points are honoured
// where a node can have them: a node of a class derived from TXmlNode (added to the tree by
// its user; the parser builds plain nodes only) is written through its own WriteToStream,
// and its tag text through its WriteInnerTag. Plain nodes, the whole of every loaded
// document, are written inline, which is what their WriteToStream would do.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <typeinfo>
#include <vector>

#include "platform/SysUtils.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
#include "xml/XmlNodeAccess.h"
#include "xml/XmlResStrings.h"
#include "xml/XmlStreams.h"
#include "xml/XmlText.h"

namespace Vorlane {

namespace {

const char* const cCRLF = "\r\n";

Integer DepthOf(const TXmlNode* ANode) {
  // Counting parents in a loop: the recursive definition would overflow on deep trees.
  Integer Depth = -1;
  for (TXmlNode* P = ANode->Parent(); P != nullptr; P = P->Parent()) ++Depth;
  return Depth;
}

bool IsReadable(const TXmlNode* ANode) {
  TXmlDocument* Doc = ANode->Document();
  return Doc != nullptr && Doc->XmlFormat() == xfReadable;
}

// The text the writer gathers for the stream, reused for every node. Its appends test for room
// once and copy short pieces without a call: a string's append is a call into the library
// per piece, and an element is a dozen short pieces.
class TTextBuilder {
 public:
  size_t size() const { return FSize; }
  void clear() { FSize = 0; }
  TTextBuilder& operator+=(const char* AText) { return Append(AText, std::strlen(AText)); }
  TTextBuilder& operator+=(const UTF8String& AText) { return Append(AText.data(), AText.size()); }
  TTextBuilder& operator+=(char Ch) {
    if (FSize == FCapacity) Grow(1);
    FData[FSize++] = Ch;
    return *this;
  }
  void WriteTo(TStream* AStream) const {
    if (FSize > 0) AStream->Write(FData.get(), static_cast<Integer>(FSize));
  }

 private:
  TTextBuilder& Append(const char* AText, size_t ALength) {
    if (FCapacity - FSize < ALength) Grow(ALength);
    char* To = FData.get() + FSize;
    // Most pieces are an indent, a delimiter or a name: copied with two overlapping moves of
    // fixed size, which need no call.
    if (ALength >= 8 && ALength <= 16) {
      std::uint64_t Head, Tail;
      std::memcpy(&Head, AText, 8);
      std::memcpy(&Tail, AText + ALength - 8, 8);
      std::memcpy(To, &Head, 8);
      std::memcpy(To + ALength - 8, &Tail, 8);
    } else if (ALength >= 4 && ALength < 8) {
      std::uint32_t Head, Tail;
      std::memcpy(&Head, AText, 4);
      std::memcpy(&Tail, AText + ALength - 4, 4);
      std::memcpy(To, &Head, 4);
      std::memcpy(To + ALength - 4, &Tail, 4);
    } else if (ALength > 0 && ALength < 4) {
      To[0] = AText[0];
      To[ALength / 2] = AText[ALength / 2];
      To[ALength - 1] = AText[ALength - 1];
    } else if (ALength > 16) {
      std::memcpy(To, AText, ALength);
    }
    FSize += ALength;
    return *this;
  }
  void Grow(size_t AMore) {
    const size_t Capacity = std::max({FCapacity * 2, FSize + AMore, size_t{1024}});
    auto Data = std::make_unique_for_overwrite<char[]>(Capacity);
    if (FSize > 0) std::memcpy(Data.get(), FData.get(), FSize);
    FData = std::move(Data);
    FCapacity = Capacity;
  }
  std::unique_ptr<char[]> FData;
  size_t FSize = 0;
  size_t FCapacity = 0;
};

// The Append* forms add to a text the writer reuses for every node: building each node's
// text from temporaries cost several allocations per node.
template <class TText>
void AppendIndent(TText& AText, const TXmlNode* ANode, Integer ADepth) {
  if (!IsReadable(ANode) || ADepth <= 0) return;
  const UTF8String& One = ANode->Document()->IndentString();
  for (Integer I = 0; I < ADepth; ++I) AText += One;
}

UTF8String IndentFor(const TXmlNode* ANode, Integer ADepth) {
  UTF8String Result;
  AppendIndent(Result, ANode, ADepth);
  return Result;
}

template <class TText>
void AppendLineFeed(TText& AText, const TXmlNode* ANode) {
  if (IsReadable(ANode)) AText += cCRLF;
}

UTF8String LineFeedFor(const TXmlNode* ANode) {
  return IsReadable(ANode) ? UTF8String(cCRLF) : UTF8String();
}

// ACount: the node's number of children.
bool IsDirect(const TXmlNode* ANode, Integer ADepth, Integer ACount) {
  if (!ANode->ValueDirect().empty()) return false;
  if (ACount > 0) return false;
  if (ANode->ElementType() != xeNormal) return false;
  TXmlDocument* Doc = ANode->Document();
  if (Doc != nullptr && Doc->UseFullNodes()) return false;
  return ADepth >= 1;
}

template <class TText>
void AppendInnerTag(TText& AText, const TXmlNode* ANode, bool ADirect) {
  if (const TvxUTF8StringList* List = TXmlNodeAccess::Attributes(ANode)) {
    const Integer Count = List->Count();
    for (Integer I = 0; I < Count; ++I) {
      AText += ' ';
      AText += List->ItemRef(I);
    }
  }
  if (ADirect) AText += '/';
}

// A node whose class may override the writer's virtual operations.
bool IsDerived(const TXmlNode* ANode) { return !TXmlNodeAccess::IsPlain(ANode); }

// The children of a node through its virtual operations where its class may override them,
// directly for a plain node.
Integer ChildCount(const TXmlNode* ANode, bool APlain) {
  return APlain ? TXmlNodeAccess::NodeCount(ANode) : ANode->GetNodeCount();
}

TXmlNode* ChildAt(const TXmlNode* ANode, bool APlain, Integer Index) {
  return APlain ? TXmlNodeAccess::Node(ANode, Index) : ANode->GetNodes(Index);
}

UTF8String InnerTag(const TXmlNode* ANode, bool ADirect) {
  UTF8String Result;
  AppendInnerTag(Result, ANode, ADirect);
  return Result;
}

// One open element or DOCTYPE whose children are being written.
struct TWriteFrame {
  TXmlNode* Node;
  Integer Depth;
  Integer Next;  // index of the next child to write
  bool Plain;    // its class is exactly TXmlNode
};

}  // namespace

// The text of a node up to its children, or the whole text when it has none, appended to
// AText; returns true when the node's children follow and its close part is still to be
// written. AText holds what the caller still owes the stream (at least the separator before
// the node) and the caller writes it: one write for many nodes where nobody watches the
// stream's position, a write per separator and per node cost as much as the text itself. A node of a derived class
// gets its tag text from ADerivedInnerTag, the caller's way to its virtual WriteInnerTag.
// ACount is the node's number of children.
using TInnerTagFunction = UTF8String (*)(TXmlNode* ANode);

static bool WriteNodeOpening(TXmlNode* ANode, Integer ADepth, Integer ACount, TStream* AStream,
                             TTextBuilder& AText, TInnerTagFunction ADerivedInnerTag) {
  const UTF8String& N = ANode->Name();
  const UTF8String& V = ANode->ValueDirect();
  const bool HasChildren = ACount > 0;
  // Every kind but character data opens with the indent.
  auto Open = [&](const char* AStart) {
    AppendIndent(AText, ANode, ADepth);
    AText += AStart;
  };
  // The declarations of a DOCTYPE subset: keyword, name, a blank and the value.
  auto Declaration = [&](const char* AStart) {
    Open(AStart);
    AText += N;
    AText += ' ';
    AText += V;
    AText += '>';
  };
  switch (ANode->ElementType()) {
    case xeNormal: {
      const bool Direct = IsDirect(ANode, ADepth, ACount);
      Open("<");
      AText += N;
      if (IsDerived(ANode)) [[unlikely]]
        AText += ADerivedInnerTag(ANode);
      else
        AppendInnerTag(AText, ANode, Direct);
      AText += '>';
      AText += V;
      if (HasChildren) {
        AppendLineFeed(AText, ANode);
        return true;
      }
      if (!Direct) {
        AText += "</";
        AText += N;
        AText += '>';
      }
      break;
    }
    case xeComment:
      Open("<!--");
      AText += V;
      AText += "-->";
      break;
    case xeCData:
      Open("<![CDATA[");
      AText += V;
      AText += "]]>";
      break;
    case xeDeclaration:
      ANode->DeleteEmptyAttributes();
      Open("<?xml");
      if (IsDerived(ANode)) [[unlikely]]
        AText += ADerivedInnerTag(ANode);
      else
        AppendInnerTag(AText, ANode, false);
      AText += "?>";
      break;
    case xeStylesheet:
      Open("<?xml-stylesheet");
      if (IsDerived(ANode)) [[unlikely]]
        AText += ADerivedInnerTag(ANode);
      else
        AppendInnerTag(AText, ANode, false);
      AText += "?>";
      break;
    case xeDoctype:
      Open("<!DOCTYPE ");
      AText += N;
      AText += ' ';
      AText += V;
      if (HasChildren) {
        AText += " [";
        AppendLineFeed(AText, ANode);
        return true;
      }
      AText += '>';
      break;
    case xeElement:
      Declaration("<!ELEMENT ");
      break;
    case xeAttList:
      Declaration("<!ATTLIST ");
      break;
    case xeEntity:
      Declaration("<!ENTITY ");
      break;
    case xeNotation:
      Declaration("<!NOTATION ");
      break;
    case xeExclam:
      Open("<!");
      AText += V;
      AText += '>';
      break;
    case xeQuestion:
      Open("<?");
      AText += V;
      AText += "?>";
      break;
    case xeCharData:
      // Written as it is, without an indent: the text belongs to the line it is on.
      AText += V;
      break;
    case xeUnknown:
      Open("<");
      AText += V;
      AText += '>';
      break;
    default:
      AText.WriteTo(AStream);  // what came before stays written
      AText.clear();
      throw EFilerError(sxeIllegalElementType);
  }
  return false;
}

void TXmlNode::WriteToStream(TStream* AStream) {
  TXmlDocument* const Doc = Document();
  // A progress handler sees the stream's position after every node and may change the tree
  // while it is written: then each node goes out on its own and counts are read again every
  // round. Without one the text of many nodes is gathered and written in large pieces.
  const bool Watched = Doc != nullptr && static_cast<bool>(Doc->OnProgress());
  constexpr size_t cBatch = 16384;
  TTextBuilder Text;
  auto Flush = [&] {
    Text.WriteTo(AStream);
    Text.clear();
  };
  auto NodeWritten = [&](const TXmlNode* ANode) {
    TXmlDocument* const D = ANode->Document();
    // A node taken over from another document reports to that one.
    if (Watched || (D != Doc && D != nullptr && D->OnProgress())) {
      Flush();
      if (D != nullptr) D->DoProgress(static_cast<Integer>(static_cast<std::uint32_t>(AStream->Position())));
    } else if (Text.size() >= cBatch) {
      Flush();
    }
  };

  const Integer Depth = DepthOf(this);
  const bool ThisPlain = TXmlNodeAccess::IsPlain(this);
  const Integer ThisCount = ChildCount(this, ThisPlain);
  if (!WriteNodeOpening(this, Depth, ThisCount, AStream, Text, &CallWriteInnerTag)) {
    if (!Watched) Flush();
    NodeWritten(this);
    return;
  }
  if (Watched) Flush();
  std::vector<TWriteFrame> Stack;
  Stack.push_back(TWriteFrame{this, Depth, 0, ThisPlain});
  while (!Stack.empty()) {
    TWriteFrame& Top = Stack.back();
    TXmlNode* Node = Top.Node;
    const bool Plain = Top.Plain;
    const Integer Count = ChildCount(Node, Plain);
    if (Top.Next > 0) {
      // The separator after the child written last.
      TXmlNode* Prev = ChildAt(Node, Plain, Top.Next - 1);
      if (Node->ElementType() == xeDoctype) {
        AppendLineFeed(Text, Node);
      } else {
        TXmlNode* NextChild = Top.Next < Count ? ChildAt(Node, Plain, Top.Next) : nullptr;
        if (Prev->ElementType() != xeCharData &&
            !(NextChild != nullptr && NextChild->ElementType() == xeCharData)) {
          AppendLineFeed(Text, Node);
        }
      }
    }
    if (Top.Next < Count) {
      if (Plain)
        TXmlNodeAccess::PrefetchAhead(Top.Next, Count, [&](Integer I) { return TXmlNodeAccess::Node(Node, I); });
      TXmlNode* Child = ChildAt(Node, Plain, Top.Next);
      const Integer ChildDepth = Top.Depth + 1;
      ++Top.Next;
      // The separator after the child is written on the next round, once its parent's
      // frame is on top again.
      if (IsDerived(Child)) {
        Flush();  // all owed before the child, which writes itself
        Child->WriteToStream(AStream);
      } else if (const Integer ChildCount = TXmlNodeAccess::NodeCount(Child);
                 WriteNodeOpening(Child, ChildDepth, ChildCount, AStream, Text, &CallWriteInnerTag)) {
        Stack.push_back(TWriteFrame{Child, ChildDepth, 0, true});  // Top is invalid from here
        if (Watched) Flush();
      } else {
        NodeWritten(Child);
      }
      continue;
    }
    // All children written: the close part.
    if (Node->ElementType() == xeDoctype) {
      Text += "]>";
    } else {
      AppendIndent(Text, Node, Top.Depth);
      Text += "</";
      Text += Node->Name();
      Text += '>';
    }
    NodeWritten(Node);
    Stack.pop_back();
  }
  Flush();
}

UTF8String TXmlNode::CallWriteInnerTag(TXmlNode* ANode) { return ANode->WriteInnerTag(); }

UTF8String TXmlNode::WriteInnerTag() { return InnerTag(this, QualifyAsDirectNode()); }

bool TXmlNode::QualifyAsDirectNode() const { return IsDirect(this, DepthOf(this), GetNodeCount()); }

UTF8String TXmlNode::GetIndent() const { return IndentFor(this, DepthOf(this)); }

UTF8String TXmlNode::GetLineFeed() const { return LineFeedFor(this); }

UTF8String TXmlNode::WriteToString() {
  TvxUTF8StringStream S{UTF8String()};
  WriteToStream(&S);
  return S.DataString();
}

void TXmlDocument::WriteToStream(TStream* AStream) {
  if (GetRoot() == nullptr && FParserWarnings) throw EFilerError(sxeRootElementNotDefined);
  DoProgress(0);
  const UTF8String LF = LineFeed();
  const Integer Count = FRootNodes->GetNodeCount();
  for (Integer I = 0; I < Count; ++I) {
    FRootNodes->GetNodes(I)->WriteToStream(AStream);
    vxUTF8WriteStringToStream(AStream, LF);
  }
  DoProgress(static_cast<Integer>(static_cast<std::uint32_t>(AStream->Size())));
}

}  // namespace Vorlane
