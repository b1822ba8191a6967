// Turning a node tree back into XML text. Every byte here is part of what the project-file
// engine compares with the file on disk, so delimiters, indents and line feeds are exact.
//
// The tree is walked with an explicit stack instead of one call per level: a document may
// nest elements far deeper than the machine stack allows.

#include <cstdint>
#include <vector>

#include "platform/SysUtils.h"
#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"
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

UTF8String IndentFor(const TXmlNode* ANode, Integer ADepth) {
  if (!IsReadable(ANode) || ADepth <= 0) return UTF8String();
  const UTF8String& One = ANode->Document()->IndentString();
  UTF8String Result;
  Result.reserve(One.size() * static_cast<size_t>(ADepth));
  for (Integer I = 0; I < ADepth; ++I) Result += One;
  return Result;
}

UTF8String LineFeedFor(const TXmlNode* ANode) {
  return IsReadable(ANode) ? UTF8String(cCRLF) : UTF8String();
}

bool IsDirect(const TXmlNode* ANode, Integer ADepth) {
  if (!ANode->ValueDirect().empty()) return false;
  if (ANode->GetNodeCount() > 0) return false;
  if (ANode->ElementType() != xeNormal) return false;
  TXmlDocument* Doc = ANode->Document();
  if (Doc != nullptr && Doc->UseFullNodes()) return false;
  return ADepth >= 1;
}

UTF8String InnerTag(const TXmlNode* ANode, bool ADirect) {
  UTF8String Result;
  const Integer Count = ANode->GetAttributeCount();
  for (Integer I = 0; I < Count; ++I) {
    Result += ' ';
    Result += ANode->GetAttributePair(I);
  }
  if (ADirect) Result += '/';
  return Result;
}

// One open element or DOCTYPE whose children are being written.
struct TWriteFrame {
  TXmlNode* Node;
  Integer Depth;
  Integer Next;  // index of the next child to write
};

}  // namespace

// The text of a node up to its children, or the whole text when it has none; returns true
// when the node's children follow and its close part is still to be written.
static bool WriteNodeOpening(TXmlNode* ANode, Integer ADepth, TStream* AStream) {
  const UTF8String I = IndentFor(ANode, ADepth);
  const UTF8String L = LineFeedFor(ANode);
  const UTF8String& N = ANode->Name();
  const UTF8String& V = ANode->ValueDirect();
  const bool HasChildren = ANode->GetNodeCount() > 0;
  UTF8String Text;
  switch (ANode->ElementType()) {
    case xeNormal: {
      const bool Direct = IsDirect(ANode, ADepth);
      Text = I + "<" + N + InnerTag(ANode, Direct) + ">" + V;
      if (HasChildren) {
        Text += L;
        vxUTF8WriteStringToStream(AStream, Text);
        return true;
      }
      if (!Direct) Text += "</" + N + ">";
      break;
    }
    case xeComment:
      Text = I + "<!--" + V + "-->";
      break;
    case xeCData:
      Text = I + "<![CDATA[" + V + "]]>";
      break;
    case xeDeclaration:
      ANode->DeleteEmptyAttributes();
      Text = I + "<?xml" + InnerTag(ANode, false) + "?>";
      break;
    case xeStylesheet:
      Text = I + "<?xml-stylesheet" + InnerTag(ANode, false) + "?>";
      break;
    case xeDoctype:
      Text = I + "<!DOCTYPE " + N + " " + V;
      if (HasChildren) {
        Text += " [" + L;
        vxUTF8WriteStringToStream(AStream, Text);
        return true;
      }
      Text += ">";
      break;
    case xeElement:
      Text = I + "<!ELEMENT " + N + " " + V + ">";
      break;
    case xeAttList:
      Text = I + "<!ATTLIST " + N + " " + V + ">";
      break;
    case xeEntity:
      Text = I + "<!ENTITY " + N + " " + V + ">";
      break;
    case xeNotation:
      Text = I + "<!NOTATION " + N + " " + V + ">";
      break;
    case xeExclam:
      Text = I + "<!" + V + ">";
      break;
    case xeQuestion:
      Text = I + "<?" + V + "?>";
      break;
    case xeCharData:
      Text = V;
      break;
    case xeUnknown:
      Text = I + "<" + V + ">";
      break;
    default:
      throw EFilerError(sxeIllegalElementType);
  }
  vxUTF8WriteStringToStream(AStream, Text);
  return false;
}

void TXmlNode::WriteToStream(TStream* AStream) {
  auto RaiseProgress = [](const TXmlNode* ANode, TStream* S) {
    if (TXmlDocument* Doc = ANode->Document())
      Doc->DoProgress(static_cast<Integer>(static_cast<std::uint32_t>(S->Position())));
  };
  const Integer Depth = DepthOf(this);
  if (!WriteNodeOpening(this, Depth, AStream)) {
    RaiseProgress(this, AStream);
    return;
  }
  std::vector<TWriteFrame> Stack;
  Stack.push_back(TWriteFrame{this, Depth, 0});
  while (!Stack.empty()) {
    TWriteFrame& Top = Stack.back();
    TXmlNode* Node = Top.Node;
    const Integer Count = Node->GetNodeCount();
    if (Top.Next > 0) {
      // The separator after the child written last.
      TXmlNode* Prev = Node->GetNodes(Top.Next - 1);
      if (Node->ElementType() == xeDoctype) {
        vxUTF8WriteStringToStream(AStream, LineFeedFor(Node));
      } else {
        TXmlNode* NextChild = Top.Next < Count ? Node->GetNodes(Top.Next) : nullptr;
        if (Prev->ElementType() != xeCharData &&
            !(NextChild != nullptr && NextChild->ElementType() == xeCharData)) {
          vxUTF8WriteStringToStream(AStream, LineFeedFor(Node));
        }
      }
    }
    if (Top.Next < Count) {
      TXmlNode* Child = Node->GetNodes(Top.Next);
      const Integer ChildDepth = Top.Depth + 1;
      ++Top.Next;
      // The separator after the child is written on the next round, once its parent's
      // frame is on top again.
      if (WriteNodeOpening(Child, ChildDepth, AStream))
        Stack.push_back(TWriteFrame{Child, ChildDepth, 0});  // Top is invalid from here
      else
        RaiseProgress(Child, AStream);
      continue;
    }
    // All children written: the close part.
    if (Node->ElementType() == xeDoctype) {
      vxUTF8WriteStringToStream(AStream, "]>");
    } else {
      vxUTF8WriteStringToStream(AStream, IndentFor(Node, Top.Depth) + "</" + Node->Name() + ">");
    }
    RaiseProgress(Node, AStream);
    Stack.pop_back();
  }
}

UTF8String TXmlNode::WriteInnerTag() { return InnerTag(this, QualifyAsDirectNode()); }

bool TXmlNode::QualifyAsDirectNode() const { return IsDirect(this, DepthOf(this)); }

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
