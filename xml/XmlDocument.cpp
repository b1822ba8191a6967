// The XML document: construction and reset, copying, root-level queries, entity lookup and
// expansion, and the stream stacks of loading and saving.

#include "xml/XmlDocument.h"

#include <unordered_map>
#include <vector>

#include "platform/SysUtils.h"
#include "xml/XmlNode.h"
#include "xml/XmlNodeAccess.h"
#include "xml/XmlResStrings.h"
#include "xml/XmlStreams.h"
#include "xml/XmlText.h"

namespace Vorlane {

namespace {

// Sets ADocument on ANode and every node below it, without one call per tree level.
void SetDocumentOnTree(TXmlNode* ANode, TXmlDocument* ADocument) {
  std::vector<TXmlNode*> Pending{ANode};
  while (!Pending.empty()) {
    TXmlNode* Node = Pending.back();
    Pending.pop_back();
    Node->SetDocument(ADocument);
    for (Integer I = Node->GetNodeCount() - 1; I >= 0; --I) Pending.push_back(Node->GetNodes(I));
  }
}

bool IsInTree(TXmlNode* ANode, TXmlNode* ATreeRoot) {
  for (TXmlNode* N = ANode; N != nullptr; N = N->Parent())
    if (N == ATreeRoot) return true;
  return false;
}

// Inserts ANode at position 1 of the root-level list; a list too short for that gets it at
// its end, so the node is always placed and owned by the tree.
void InsertAtOneOrAppend(TXmlNode* AList, TXmlNode* ANode) {
  if (AList->GetNodeCount() >= 1)
    AList->NodeInsert(1, ANode);
  else
    AList->NodeAdd(ANode);
}

}  // namespace

TXmlDocument::TXmlDocument() : FRootNodes(std::make_unique<TXmlNode>(this)) {
  TXmlDocument::Clear();
}

TXmlDocument::TXmlDocument(const UTF8String& ARootName) : TXmlDocument() {
  GetRoot()->SetName(ARootName);
}

TXmlDocument::~TXmlDocument() {
  if (FRootNodes) FreeRootNodes();
}

void TXmlDocument::FreeRootNodes() {
  // Children are freed bottom-up, each only once its own children are gone, so no node's
  // destructor recurses more than one level however deep the tree is.
  // Plain nodes (the whole of a loaded tree) are read and emptied directly; a node of a
  // derived class is asked through its virtual operations, which it may override.
  struct TEntry {
    TXmlNode* Node;
    Integer Next;
    bool Plain;
  };
  auto Count = [](const TXmlNode* ANode, bool APlain) {
    return APlain ? TXmlNodeAccess::NodeCount(ANode) : ANode->GetNodeCount();
  };
  TXmlNode* Roots = FRootNodes.get();
  std::vector<TEntry> Stack{{Roots, 0, TXmlNodeAccess::IsPlain(Roots)}};
  while (!Stack.empty()) {
    TEntry& Top = Stack.back();
    if (Top.Next < Count(Top.Node, Top.Plain)) {
      const Integer Index = Top.Next++;
      TXmlNode* Child = Top.Plain ? TXmlNodeAccess::Node(Top.Node, Index) : Top.Node->GetNodes(Index);
      const bool Plain = TXmlNodeAccess::IsPlain(Child);
      if (Count(Child, Plain) > 0) Stack.push_back(TEntry{Child, 0, Plain});  // Top is invalid from here
      continue;
    }
    if (Top.Plain)
      Top.Node->FreeChildren();
    else
      Top.Node->NodesClear();
    Stack.pop_back();
  }
}

void TXmlDocument::Clear() {
  SetDefaults();
  FreeRootNodes();
  FRootNodes->Clear();
  auto Declaration = std::make_unique<TXmlNode>(this);
  Declaration->SetElementType(xeDeclaration);
  Declaration->SetName("xml");
  Declaration->AttributeAdd("version", cDefaultVersionString);
  Declaration->AttributeAdd("encoding", cDefaultEncodingString);
  FRootNodes->NodeAdd(Declaration.release());
  FRootNodes->NodeNew("");
}

void TXmlDocument::SetDefaults() {
  FExternalEncoding = cDefaultExternalEncoding;
  FXmlFormat = cDefaultXmlFormat;
  FWriteOnDefault = cDefaultWriteOnDefault;
  FBinaryEncoding = cDefaultBinaryEncoding;
  FIndentString = cDefaultIndentString;
  FDropCommentsOnParse = cDefaultDropCommentsOnParse;
  FUseFullNodes = cDefaultUseFullNodes;
  FUseLocalBias = cDefaultUseLocalBias;
  FFloatAllowScientific = cDefaultFloatAllowScientific;
  FFloatSignificantDigits = cDefaultFloatSignificantDigits;
  FOnNodeNew = nullptr;
  FOnNodeLoaded = nullptr;
}

void TXmlDocument::Assign(TXmlDocument* Source) {
  if (Source == nullptr) throw EConvertError("Cannot assign a nil to a TXmlDocument");
  // Copying onto itself would clear the source before reading it.
  if (Source == this) return;
  FBinaryEncoding = Source->FBinaryEncoding;
  FDropCommentsOnParse = Source->FDropCommentsOnParse;
  FExternalEncoding = Source->FExternalEncoding;
  FParserWarnings = Source->FParserWarnings;
  FIndentString = Source->FIndentString;
  FUseFullNodes = Source->FUseFullNodes;
  FUseLocalBias = Source->FUseLocalBias;
  FWriteOnDefault = Source->FWriteOnDefault;
  FXmlFormat = Source->FXmlFormat;
  FreeRootNodes();
  FRootNodes->Assign(Source->FRootNodes.get());
  SetDocumentOnTree(FRootNodes.get(), this);
}

void TXmlDocument::Assign(TXmlNode* Source) {
  if (Source == nullptr) throw EConvertError("Cannot assign a nil to a TXmlDocument");
  if (IsInTree(Source, FRootNodes.get())) {
    // The source lives in the tree that is about to be cleared: copy it out first.
    TXmlNode Copy(nullptr);
    Copy.Assign(Source);
    FreeRootNodes();
    FRootNodes->Assign(&Copy);
  } else {
    FreeRootNodes();
    FRootNodes->Assign(Source);
  }
  SetDocumentOnTree(FRootNodes.get(), this);
}

void TXmlDocument::CopyFrom(TXmlDocument* Source) {
  if (Source != nullptr) Assign(Source);
}

bool TXmlDocument::IsEmpty() {
  TXmlNode* Root = GetRoot();
  return Root == nullptr || Root->IsClear();
}

TXmlNode* TXmlDocument::GetRoot() { return FRootNodes->NodeByElementType(xeNormal); }

UTF8String TXmlDocument::LineFeed() { return FXmlFormat == xfReadable ? "\r\n" : "\n"; }

UTF8String TXmlDocument::GetCommentString() {
  TXmlNode* Node = FRootNodes->NodeByElementType(xeComment);
  return Node != nullptr ? Node->GetValueAsString() : UTF8String();
}

void TXmlDocument::SetCommentString(const UTF8String& AValue) {
  TXmlNode* Node = FRootNodes->NodeByElementType(xeComment);
  if (Node == nullptr) {
    if (AValue.empty()) return;
    Node = new TXmlNode(this);
    Node->SetElementType(xeComment);
    InsertAtOneOrAppend(FRootNodes.get(), Node);
  }
  Node->SetValueAsString(AValue);
}

namespace {

TXmlNode* FirstDeclaration(TXmlNode* AList) {
  TXmlNode* First = AList->GetNodes(0);
  return First != nullptr && First->ElementType() == xeDeclaration ? First : nullptr;
}

}  // namespace

UTF8String TXmlDocument::GetEncodingString() {
  TXmlNode* Declaration = FirstDeclaration(FRootNodes.get());
  return Declaration != nullptr ? Declaration->GetAttributeByName("encoding") : UTF8String();
}

void TXmlDocument::SetEncodingString(const UTF8String& AValue) {
  if (AValue == GetEncodingString()) return;
  TXmlNode* Declaration = FirstDeclaration(FRootNodes.get());
  if (Declaration == nullptr) {
    Declaration = new TXmlNode(this);
    Declaration->SetElementType(xeDeclaration);
    FRootNodes->NodeInsert(0, Declaration);
  }
  Declaration->SetAttributeByName("encoding", AValue);
}

UTF8String TXmlDocument::GetVersionString() {
  TXmlNode* Declaration = FirstDeclaration(FRootNodes.get());
  return Declaration != nullptr ? Declaration->GetAttributeByName("version") : UTF8String();
}

void TXmlDocument::SetVersionString(const UTF8String& AValue) {
  if (AValue == GetVersionString()) return;
  TXmlNode* Declaration = FirstDeclaration(FRootNodes.get());
  if (Declaration == nullptr) {
    if (AValue.empty()) return;
    Declaration = new TXmlNode(this);
    Declaration->SetElementType(xeDeclaration);
    FRootNodes->NodeInsert(0, Declaration);
  }
  Declaration->SetAttributeByName("version", AValue);
}

TXmlNode* TXmlDocument::GetStyleSheetNode() {
  TXmlNode* Node = FRootNodes->NodeByElementType(xeStylesheet);
  if (Node == nullptr) {
    Node = new TXmlNode(this);
    Node->SetElementType(xeStylesheet);
    InsertAtOneOrAppend(FRootNodes.get(), Node);
  }
  return Node;
}

UTF8String TXmlDocument::GetEntityByName(const UTF8String& AName) {
  const Integer Count = FRootNodes->GetNodeCount();
  for (Integer I = 0; I < Count; ++I) {
    TXmlNode* Node = FRootNodes->GetNodes(I);
    if (Node->ElementType() != xeDoctype) continue;
    for (Integer J = 0; J < Node->GetNodeCount(); ++J) {
      TXmlNode* Child = Node->GetNodes(J);
      if (Child->ElementType() == xeEntity && Child->Name() == AName)
        return vxUTF8UnQuotedString(vxUTF8Trim(Child->ValueDirect()));
    }
  }
  return UTF8String();
}

void TXmlDocument::ResolveEntityReferences() {
  if (TXmlNode* Root = GetRoot()) Root->ResolveEntityReferences();
}

// ---------------------------------------------------------------------------------------------
// Loading and saving

void TXmlDocument::LoadFromFile(const UnicodeString& AFileName) {
  TFileStream S(AFileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&S);
}

void TXmlDocument::LoadFromStream(TStream* Stream) {
  TvxBufferedReadStream Buffered(Stream, false);
  auto Codec = std::make_unique<TvxUtf8Stream>(&Buffered);
  FCodecStream = Codec.get();
  FLoadSource = Stream;
  Codec->SetOnUnicodeLoss([this](void* Sender) { DoUnicodeLoss(Sender); });
  try {
    ReadFromStream(Codec.get());
    FExternalEncoding = Codec->Encoding();
  } catch (...) {
    FCodecStream = nullptr;
    FLoadSource = nullptr;
    throw;
  }
  FCodecStream = nullptr;
  FLoadSource = nullptr;
}

void TXmlDocument::ReadFromString(const UTF8String& AValue) {
  TvxUTF8StringStream S(AValue);
  ReadFromStream(&S);
}

void TXmlDocument::SaveToFile(const UnicodeString& AFileName) {
  // The text is rendered before the file is created: a save that fails (an encoding the
  // codec refuses, a structure error of the writer) leaves an existing file as it was.
  TMemoryStream Rendered;
  SaveToStream(&Rendered);
  TFileStream S(AFileName, fmCreate);
  Rendered.SaveToStream(&S);
}

void TXmlDocument::SaveToStream(TStream* Stream) {
  TvxBufferedWriteStream Buffered(Stream, false);
  {
    auto Codec = std::make_unique<TvxUtf8Stream>(&Buffered);
    FCodecStream = Codec.get();
    Codec->SetEncoding(FExternalEncoding);
    try {
      WriteToStream(Codec.get());
    } catch (...) {
      FCodecStream = nullptr;
      throw;
    }
    FCodecStream = nullptr;
  }
  // Flushing here rather than in the destructor lets a failing target stream be reported.
  Buffered.Flush();
}

UTF8String TXmlDocument::WriteToString() {
  TvxUTF8StringStream S{UTF8String()};
  WriteToStream(&S);
  return S.DataString();
}

// ---------------------------------------------------------------------------------------------
// Event dispatchers

void TXmlDocument::DoNodeNew(TXmlNode* Node) {
  if (FOnNodeNew) FOnNodeNew(this, Node);
}

void TXmlDocument::DoNodeLoaded(TXmlNode* Node) {
  if (FOnNodeLoaded) FOnNodeLoaded(this, Node);
}

void TXmlDocument::DoProgress(Integer Size) {
  if (FOnProgress) FOnProgress(this, Size);
}

void TXmlDocument::DoUnicodeLoss(void*) {
  if (FOnUnicodeLoss) FOnUnicodeLoss(this);
}

}  // namespace Vorlane
