// The node's structure: construction and destruction, name, stored value, attributes, child
// list, searches and tree measures.
//
// Documents come from files, so trees may be as deep as the input is long. Every operation
// that visits a subtree walks it with an explicit stack instead of recursing once per level.
#include "xml/XmlNode.h"

#include <utility>

#include "xml/XmlDocument.h"
#include "xml/XmlNodeInternal.h"
#include "xml/XmlPool.h"
#include "xml/XmlResStrings.h"
#include "xml/XmlText.h"

namespace Vorlane {

// ---------------------------------------------------------------------------------------------
// TXmlNodeList

void TXmlNodeList::CheckIndex(Integer Index, Integer ACount) const {
  if (Index < 0 || Index >= ACount)
    throw EListError(Format(u"List index out of bounds (%d)", {Index}));
}

TXmlNode* TXmlNodeList::GetItems(Integer Index) const {
  CheckIndex(Index, Count());
  return FItems[static_cast<size_t>(Index)];
}

void TXmlNodeList::SetItems(Integer Index, TXmlNode* Value) {
  CheckIndex(Index, Count());
  FItems[static_cast<size_t>(Index)] = Value;
}

Integer TXmlNodeList::Add(TXmlNode* Item) {
  FItems.push_back(Item);
  return Count() - 1;
}

void TXmlNodeList::Insert(Integer Index, TXmlNode* Item) {
  CheckIndex(Index, Count() + 1);
  FItems.insert(FItems.begin() + Index, Item);
}

void TXmlNodeList::Delete(Integer Index) {
  CheckIndex(Index, Count());
  FItems.erase(FItems.begin() + Index);
}

Integer TXmlNodeList::Remove(TXmlNode* Item) {
  Integer I = IndexOf(Item);
  if (I >= 0) Delete(I);
  return I;
}

Integer TXmlNodeList::IndexOf(const TXmlNode* Item) const {
  for (size_t I = 0; I < FItems.size(); ++I)
    if (FItems[I] == Item) return static_cast<Integer>(I);
  return -1;
}

void TXmlNodeList::Exchange(Integer Index1, Integer Index2) {
  CheckIndex(Index1, Count());
  CheckIndex(Index2, Count());
  std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
}

TXmlNode* TXmlNodeList::ByAttribute(const UTF8String& AName, const UTF8String& AValue) const {
  for (TXmlNode* N : FItems)
    if (N && vxUTF8SameTextNoCase(N->GetAttributeByName(AName), AValue)) return N;
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Construction and destruction

TXmlNode::TXmlNode(TXmlDocument* ADocument) : FDocument(ADocument) {}

TXmlNode::TXmlNode(TXmlDocument* ADocument, const UTF8String& AName) : FDocument(ADocument) {
  SetName(AName);
}

TXmlNode::TXmlNode(TXmlDocument* ADocument, const UTF8String& AName, const UTF8String& AValue)
    : FDocument(ADocument) {
  SetName(AName);
  SetValueAsString(AValue);
}

TXmlNode::TXmlNode(TXmlDocument* ADocument, TXmlElementType AType)
    : FDocument(ADocument), FElementType(AType) {}

TXmlNode::~TXmlNode() { FreeChildren(); }

void* TXmlNode::operator new(std::size_t ASize) { return XmlPool::AllocateFor<TXmlNode>(ASize); }

void TXmlNode::operator delete(void* ANode, std::size_t ASize) { XmlPool::ReleaseFor<TXmlNode>(ANode, ASize); }

void* TXmlNode::TNodeVector::operator new(std::size_t ASize) { return XmlPool::AllocateFor<TNodeVector>(ASize); }

void TXmlNode::TNodeVector::operator delete(void* AList, std::size_t ASize) {
  XmlPool::ReleaseFor<TNodeVector>(AList, ASize);
}

TXmlNode* TXmlNode::Create(TXmlDocument* ADocument) { return new TXmlNode(ADocument); }

TXmlNode* TXmlNode::CreateName(TXmlDocument* ADocument, const UTF8String& AName) {
  return new TXmlNode(ADocument, AName);
}

TXmlNode* TXmlNode::CreateNameValue(TXmlDocument* ADocument, const UTF8String& AName,
                                    const UTF8String& AValue) {
  return new TXmlNode(ADocument, AName, AValue);
}

TXmlNode* TXmlNode::CreateType(TXmlDocument* ADocument, TXmlElementType AType) {
  return new TXmlNode(ADocument, AType);
}

void TXmlNode::FreeChildren() {
  if (!FNodes) return;
  // Each node is detached from its children before it is destroyed, so every destructor
  // below runs on a node without children and nothing nests. The detached child lists are
  // walked where they are instead of being copied into one work list: copying meant a
  // large allocation per freed list, and glibc sweeps every small freed block on each one.
  // The work list is only allocated once a child has children of its own: freed bottom-up
  // (as a document frees its tree), a node's children never have.
  std::vector<std::unique_ptr<TNodeVector>> Lists;
  auto FreeList = [&Lists](std::unique_ptr<TNodeVector> AList) {
    for (TXmlNode* N : *AList) {
      if (N->FNodes) Lists.push_back(std::move(N->FNodes));
      delete N;
    }
  };
  FreeList(std::move(FNodes));
  while (!Lists.empty()) {
    std::unique_ptr<TNodeVector> List = std::move(Lists.back());
    Lists.pop_back();
    FreeList(std::move(List));
  }
}

// ---------------------------------------------------------------------------------------------
// Whole node

namespace {

bool IsAncestor(const TXmlNode* AAncestor, const TXmlNode* ANode) {
  for (const TXmlNode* P = ANode->Parent(); P; P = P->Parent())
    if (P == AAncestor) return true;
  return false;
}

}  // namespace

void TXmlNode::AssignOwn(const TXmlNode* Source) {
  FElementType = Source->FElementType;
  FName = Source->FName;  // stored as is: the source's name was accepted once already
  FTag = Source->FTag;
  FValue = Source->FValue;
  if (Source->FAttributes) {
    CheckCreateAttributesList();
    FAttributes->Assign(Source->FAttributes.get());
  }
}

void TXmlNode::AssignTree(TXmlNode* Source) {
  Clear();
  AssignOwn(Source);
  // Depth-first copy: each frame is a copied node and the next child of its source to copy.
  struct TFrame {
    TXmlNode* Target;
    TXmlNode* Source;
    Integer Next;
  };
  std::vector<TFrame> Stack;
  Stack.push_back({this, Source, 0});
  while (!Stack.empty()) {
    TFrame& F = Stack.back();
    if (F.Next >= F.Source->GetNodeCount()) {
      Stack.pop_back();
      continue;
    }
    TXmlNode* SourceChild = F.Source->GetNodes(F.Next++);
    TXmlNode* Copy = F.Target->NodeNew(UTF8String());
    Copy->Clear();
    Copy->AssignOwn(SourceChild);
    if (SourceChild->GetNodeCount() > 0) Stack.push_back({Copy, SourceChild, 0});
  }
}

void TXmlNode::Assign(TXmlNode* Source) {
  if (!Source) throw EConvertError(u"Cannot assign a nil to a TXmlNode");
  if (Source == this) return;
  if (IsAncestor(this, Source) || IsAncestor(Source, this)) {
    // Clearing this node would destroy the source, or the copy would grow inside the tree it
    // is copying: copy through a detached node first.
    TXmlNode Temp(FDocument);
    Temp.AssignTree(Source);
    AssignTree(&Temp);
    return;
  }
  AssignTree(Source);
}

void TXmlNode::Assign(TXmlDocument* Source) {
  if (!Source) throw EConvertError(u"Cannot assign a nil to a TXmlNode");
  Assign(Source->RootNodeList());
}

void TXmlNode::ChangeDocument(TXmlDocument* ADocument) {
  FDocument = ADocument;
  if (!FNodes) return;
  TNodeVector Pending(FNodes->begin(), FNodes->end());
  while (!Pending.empty()) {
    TXmlNode* N = Pending.back();
    Pending.pop_back();
    N->FDocument = ADocument;
    if (N->FNodes) Pending.insert(Pending.end(), N->FNodes->begin(), N->FNodes->end());
  }
}

void TXmlNode::Clear() {
  FName.clear();
  FValue.clear();
  AttributesClear();
  NodesClear();
}

bool TXmlNode::IsEmpty() const {
  return FValue.empty() && GetNodeCount() == 0 && GetAttributeCount() == 0;
}

bool TXmlNode::IsClear() const { return FName.empty() && IsEmpty(); }

void TXmlNode::Delete() {
  if (FParent) FParent->NodeRemove(this);
}

void TXmlNode::DeleteEmptyAttributes() {
  for (Integer I = GetAttributeCount() - 1; I >= 0; --I)
    if (GetAttributeValue(I).empty()) AttributeDelete(I);
}

void TXmlNode::DeleteEmptyNodes() {
  // Post-order, last child first: a child is judged only after its own children were
  // cleaned. Each frame holds a node and the index of the child to visit next (counting down).
  struct TFrame {
    TXmlNode* Node;
    Integer Index;
  };
  std::vector<TFrame> Stack;
  Stack.push_back({this, GetNodeCount() - 1});
  while (!Stack.empty()) {
    TFrame& F = Stack.back();
    if (F.Index < 0) {
      Stack.pop_back();
      if (Stack.empty()) break;
      TFrame& Up = Stack.back();
      TXmlNode* Child = Up.Node->GetNodes(Up.Index);
      if (Child && Child->IsEmpty()) Up.Node->NodeDelete(Up.Index);
      --Up.Index;
      continue;
    }
    TXmlNode* Child = F.Node->GetNodes(F.Index);
    if (!Child) {
      --F.Index;
      continue;
    }
    Stack.push_back({Child, Child->GetNodeCount() - 1});
  }
}

// ---------------------------------------------------------------------------------------------
// Name and stored value

void TXmlNode::SetName(const UTF8String& AName) {
  if (AName == FName) return;
  for (char Ch : AName)
    if (vxIsBlank(Ch)) throw Exception(FormatUtf8(sxeIllegalCharInNodeName, {AName}));
  FName = AName;
}

UTF8String TXmlNode::UnescapeString(const UTF8String& AText) const {
  return vxUTF8UnEscapeString(AText);
}

UTF8String TXmlNode::GetValueAsString() const { return UnescapeString(FValue); }

void TXmlNode::SetValueAsString(const UTF8String& AValue) { FValue = vxUTF8EscapeString(AValue); }

UnicodeString TXmlNode::GetValueAsUnicodeString() const {
  return ToUnicodeString(GetValueAsString());
}

void TXmlNode::SetValueAsUnicodeString(const UnicodeString& AValue) {
  SetValueAsString(FromUnicodeString(AValue));
}

UTF8String TXmlNode::FromAnsiString(const AnsiString& S) { return vxAnsiToUtf8(S); }

UTF8String TXmlNode::FromUnicodeString(const UnicodeString& W) { return vxUnicodeToUtf8(W); }

UnicodeString TXmlNode::ToUnicodeString(const UTF8String& S) { return vxUtf8ToUnicode(S); }

// ---------------------------------------------------------------------------------------------
// Document settings

bool TXmlNode::AbortParsing() const { return FDocument ? FDocument->AbortParsing() : false; }

bool TXmlNode::FloatAllowScientific() const {
  return FDocument ? FDocument->FloatAllowScientific() : cDefaultFloatAllowScientific;
}

Integer TXmlNode::FloatSignificantDigits() const {
  return FDocument ? FDocument->FloatSignificantDigits() : cDefaultFloatSignificantDigits;
}

bool TXmlNode::UseFullNodes() const { return FDocument ? FDocument->UseFullNodes() : false; }

bool TXmlNode::UseLocalBias() const { return FDocument ? FDocument->UseLocalBias() : false; }

bool TXmlNode::GetWriteOnDefault() const {
  return FDocument ? FDocument->WriteOnDefault() : true;
}

TBinaryEncodingType TXmlNode::GetBinaryEncoding() const {
  return FDocument ? FDocument->BinaryEncoding() : xbeBinHex;
}

void TXmlNode::SetBinaryEncoding(TBinaryEncodingType AValue) {
  if (FDocument) FDocument->SetBinaryEncoding(AValue);
}

// ---------------------------------------------------------------------------------------------
// Attributes

namespace {

UTF8String QuoteForStorage(const UTF8String& AValue) {
  return vxUTF8QuotedString(vxUTF8EscapeString(AValue));
}

// Everything after the first "=" of an entry; empty when there is none.
bool EntryValue(const UTF8String& AEntry, UTF8String& AValue) {
  size_t P = AEntry.find('=');
  if (P == UTF8String::npos) return false;
  AValue = AEntry.substr(P + 1);
  return true;
}

}  // namespace

void TXmlNode::CheckCreateAttributesList() {
  if (!FAttributes) FAttributes = std::make_unique<TvxUTF8StringList>();
}

Integer TXmlNode::GetAttributeCount() const { return FAttributes ? FAttributes->Count() : 0; }

void TXmlNode::AttributeAdd(const UTF8String& AName, const UTF8String& AValue) {
  CheckCreateAttributesList();
  FAttributes->Add(AName + "=" + QuoteForStorage(AValue));
}

void TXmlNode::AttributeAdd(const UTF8String& AName, Integer AValue) {
  AttributeAdd(AName, vxIntToUTF8(AValue));
}

void TXmlNode::AttributeDelete(Integer Index) {
  if (Index >= 0 && Index < GetAttributeCount()) FAttributes->Delete(Index);
}

void TXmlNode::AttributeExchange(Integer Index1, Integer Index2) {
  Integer Count = GetAttributeCount();
  if (Index1 == Index2 || Index1 < 0 || Index1 >= Count || Index2 < 0 || Index2 >= Count) return;
  UTF8String Temp = FAttributes->Items(Index1);
  FAttributes->SetItems(Index1, FAttributes->Items(Index2));
  FAttributes->SetItems(Index2, Temp);
}

Integer TXmlNode::AttributeIndexByname(const UTF8String& AName) const {
  return FAttributes ? FAttributes->IndexOfName(AName) : -1;
}

void TXmlNode::AttributesClear() { FAttributes.reset(); }

bool TXmlNode::HasAttribute(const UTF8String& AName) const {
  return FAttributes && AttributeIndexByname(AName) >= 0;
}

bool TXmlNode::GetAttributeByNameInPlace(const UTF8String& AName, std::string_view& AValue) const {
  AValue = std::string_view();
  const Integer I = AttributeIndexByname(AName);
  if (I < 0) return true;
  const UTF8String& Entry = FAttributes->ItemRef(I);
  const size_t From = AName.size() + 1;
  if (Entry.size() > From + 1 && vxIsQuote(Entry[From])) {
    const size_t Close = Entry.find(Entry[From], From + 1);
    if (Close != UTF8String::npos && (Close + 1 == Entry.size() || Entry[Close + 1] != Entry[From]) &&
        Entry.find('&', From + 1) >= Close) {
      AValue = std::string_view(Entry).substr(From + 1, Close - From - 1);
      return true;
    }
  }
  return false;
}

UTF8String TXmlNode::GetAttributeByName(const UTF8String& AName) const {
  // The usual entry, name="value" with neither a doubled quote nor a reference in the value,
  // is cut out in one piece; any other goes through unquoting and unescaping.
  std::string_view Value;
  if (GetAttributeByNameInPlace(AName, Value)) return UTF8String(Value);
  const UTF8String& Entry = FAttributes->ItemRef(AttributeIndexByname(AName));
  return vxUTF8UnEscapeString(vxUTF8UnQuotedString(Entry.substr(AName.size() + 1)));
}

void TXmlNode::SetAttributeByName(const UTF8String& AName, const UTF8String& Value) {
  CheckCreateAttributesList();
  UTF8String Entry = AName + "=" + QuoteForStorage(Value);
  Integer I = FAttributes->IndexOfName(AName);
  if (I >= 0)
    FAttributes->SetItems(I, Entry);
  else
    FAttributes->Add(Entry);
}

UnicodeString TXmlNode::GetAttributeByNameWide(const UTF8String& AName) const {
  return ToUnicodeString(GetAttributeByName(AName));
}

void TXmlNode::SetAttributeByNameWide(const UTF8String& AName, const UnicodeString& Value) {
  SetAttributeByName(AName, FromUnicodeString(Value));
}

UTF8String TXmlNode::GetAttributeName(Integer Index) const {
  if (Index < 0 || Index >= GetAttributeCount()) return UTF8String();
  return FAttributes->Names(Index);
}

void TXmlNode::SetAttributeName(Integer Index, const UTF8String& Value) {
  if (Index < 0 || Index >= GetAttributeCount()) return;
  UTF8String Rest;
  if (!EntryValue(FAttributes->Items(Index), Rest)) return;
  FAttributes->SetItems(Index, Value + "=" + Rest);
}

UTF8String TXmlNode::GetAttributePair(Integer Index) const {
  if (Index < 0 || Index >= GetAttributeCount()) return UTF8String();
  return FAttributes->Items(Index);
}

UTF8String TXmlNode::GetAttributeValue(Integer Index) const {
  return vxUTF8UnEscapeString(GetAttributeValueDirect(Index));
}

void TXmlNode::SetAttributeValue(Integer Index, const UTF8String& Value) {
  if (Index < 0 || Index >= GetAttributeCount()) return;
  FAttributes->SetItems(Index, GetAttributeName(Index) + "=" + QuoteForStorage(Value));
}

UTF8String TXmlNode::GetAttributeValueDirect(Integer Index) const {
  if (Index < 0 || Index >= GetAttributeCount()) return UTF8String();
  UTF8String Stored;
  if (!EntryValue(FAttributes->Items(Index), Stored)) return UTF8String();
  return vxUTF8UnQuotedString(Stored);
}

void TXmlNode::SetAttributeValueDirect(Integer Index, const UTF8String& Value) {
  if (Index < 0 || Index >= GetAttributeCount()) return;
  FAttributes->SetItems(Index, GetAttributeName(Index) + "=" + vxUTF8QuotedString(Value));
}

Integer TXmlNode::GetAttributeValueAsInteger(Integer Index) const {
  Int64 V = 0;
  if (!XmlNodeInternal::TryTextToInt(GetAttributeValue(Index), V, false)) return 0;
  return static_cast<Integer>(V);
}

void TXmlNode::SetAttributeValueAsInteger(Integer Index, Integer Value) {
  SetAttributeValue(Index, vxIntToUTF8(Value));
}

UnicodeString TXmlNode::GetAttributeValueAsUnicodeString(Integer Index) const {
  return ToUnicodeString(GetAttributeValue(Index));
}

void TXmlNode::SetAttributeValueAsUnicodeString(Integer Index, const UnicodeString& Value) {
  SetAttributeValue(Index, FromUnicodeString(Value));
}

// ---------------------------------------------------------------------------------------------
// Children

Integer TXmlNode::GetNodeCount() const {
  return FNodes ? static_cast<Integer>(FNodes->size()) : 0;
}

TXmlNode* TXmlNode::GetNodes(Integer Index) const {
  if (!FNodes || Index < 0 || Index >= static_cast<Integer>(FNodes->size())) return nullptr;
  return (*FNodes)[static_cast<size_t>(Index)];
}

Integer TXmlNode::NodeIndexOf(const TXmlNode* ANode) const {
  if (!ANode || !FNodes) return -1;
  for (size_t I = 0; I < FNodes->size(); ++I)
    if ((*FNodes)[I] == ANode) return static_cast<Integer>(I);
  return -1;
}

Integer TXmlNode::IndexInParent() const { return FParent ? FParent->NodeIndexOf(this) : -1; }

namespace {

// A node cannot become its own descendant: the tree would hold a cycle and be destroyed
// twice. Only a node with children can be an ancestor, which keeps the walk up the tree off
// the path of a parser appending fresh nodes.
bool WouldCycle(const TXmlNode* AParent, const TXmlNode* ANode) {
  if (ANode == AParent) return true;
  // Listed twice, the node would also be destroyed twice. Only this parent's own list is
  // searched: the parent link of an extracted node may name a parent that is gone.
  if (ANode->Parent() == AParent && AParent->NodeIndexOf(ANode) >= 0) return true;
  if (ANode->GetNodeCount() == 0) return false;
  return IsAncestor(ANode, AParent);
}

}  // namespace

Integer TXmlNode::NodeAdd(TXmlNode* ANode) {
  if (!ANode || WouldCycle(this, ANode)) return -1;
  ANode->FParent = this;
  ANode->ChangeDocument(FDocument);
  if (!FNodes) FNodes = std::make_unique<TNodeVector>();
  FNodes->push_back(ANode);
  return static_cast<Integer>(FNodes->size()) - 1;
}

TXmlNode* TXmlNode::NodeNew(const UTF8String& AName) {
  std::unique_ptr<TXmlNode> N(new TXmlNode(FDocument, AName));
  Integer I = NodeAdd(N.get());
  if (I < 0) return nullptr;
  N.release();
  return GetNodes(I);
}

TXmlNode* TXmlNode::NodeNewAtIndex(Integer Index, const UTF8String& AName) {
  if (Index < 0 || Index > GetNodeCount()) return nullptr;
  std::unique_ptr<TXmlNode> N(new TXmlNode(FDocument, AName));
  NodeInsert(Index, N.get());
  if (N->FParent != this) return nullptr;
  return N.release();
}

void TXmlNode::NodeInsert(Integer Index, TXmlNode* ANode) {
  if (!ANode || Index < 0 || Index > GetNodeCount() || WouldCycle(this, ANode)) return;
  if (!FNodes) FNodes = std::make_unique<TNodeVector>();
  ANode->FParent = this;
  FNodes->insert(FNodes->begin() + Index, ANode);
}

TXmlNode* TXmlNode::NodeFindOrCreate(const UTF8String& AName) {
  TXmlNode* N = NodeByName(AName);
  return N ? N : NodeNew(AName);
}

void TXmlNode::NodeDelete(Integer Index) {
  if (!FNodes || Index < 0 || Index >= static_cast<Integer>(FNodes->size())) return;
  TXmlNode* N = (*FNodes)[static_cast<size_t>(Index)];
  FNodes->erase(FNodes->begin() + Index);
  // The loader adds every element's text as a child and then moves it into the element:
  // dropping the emptied list gives its two blocks back at once for each such leaf.
  if (FNodes->empty()) FNodes.reset();
  delete N;
}

Integer TXmlNode::NodeRemove(TXmlNode* ANode) {
  Integer I = NodeIndexOf(ANode);
  if (I >= 0) NodeDelete(I);
  return I;
}

TXmlNode* TXmlNode::NodeExtract(TXmlNode* ANode) {
  Integer I = NodeIndexOf(ANode);
  if (I < 0) return nullptr;
  FNodes->erase(FNodes->begin() + I);
  return ANode;
}

void TXmlNode::NodesClear() { FreeChildren(); }

void TXmlNode::NodeExchange(Integer Index1, Integer Index2) {
  Integer Count = GetNodeCount();
  if (Index1 < 0 || Index1 >= Count || Index2 < 0 || Index2 >= Count) return;
  std::swap((*FNodes)[static_cast<size_t>(Index1)], (*FNodes)[static_cast<size_t>(Index2)]);
}

TXmlNode* TXmlNode::NodeByName(const UTF8String& AName) const {
  return GetNodes(NodeIndexByName(AName));
}

Integer TXmlNode::NodeIndexByName(const UTF8String& AName) const {
  return NodeIndexByNameFrom(AName, 0);
}

Integer TXmlNode::NodeIndexByNameFrom(const UTF8String& AName, Integer AFrom) const {
  Integer Count = GetNodeCount();
  const bool Ascii = vxUTF8IsAscii(AName);
  for (Integer I = AFrom < 0 ? 0 : AFrom; I < Count; ++I) {
    TXmlNode* N = GetNodes(I);
    if (N && vxUTF8SameTextNoCase(N->FName, AName, Ascii)) return I;
  }
  return -1;
}

TXmlNode* TXmlNode::NodeByElementType(TXmlElementType ElementType) const {
  Integer Count = GetNodeCount();
  for (Integer I = 0; I < Count; ++I) {
    TXmlNode* N = GetNodes(I);
    if (N && N->FElementType == ElementType) return N;
  }
  return nullptr;
}

void TXmlNode::NodesByName(const UTF8String& AName, TXmlNodeList* AList) const {
  if (!AList) return;
  AList->Clear();
  Integer Count = GetNodeCount();
  const bool Ascii = vxUTF8IsAscii(AName);
  for (Integer I = 0; I < Count; ++I) {
    TXmlNode* N = GetNodes(I);
    if (N && vxUTF8SameTextNoCase(N->FName, AName, Ascii)) AList->Add(N);
  }
}

namespace {

// Visits the descendants of ARoot depth-first in document order, each node before its
// subtree, until AVisit returns true. Returns the node it stopped at, nullptr otherwise.
template <typename TVisit>
TXmlNode* WalkDescendants(const TXmlNode* ARoot, bool ARecurse, TVisit AVisit) {
  struct TFrame {
    const TXmlNode* Node;
    Integer Next;
  };
  std::vector<TFrame> Stack;
  Stack.push_back({ARoot, 0});
  while (!Stack.empty()) {
    TFrame& F = Stack.back();
    if (F.Next >= F.Node->GetNodeCount()) {
      Stack.pop_back();
      continue;
    }
    TXmlNode* Child = F.Node->GetNodes(F.Next++);
    if (!Child) continue;
    if (AVisit(Child)) return Child;
    if (ARecurse && Child->GetNodeCount() > 0) Stack.push_back({Child, 0});
  }
  return nullptr;
}

}  // namespace

TXmlNode* TXmlNode::NodeByAttributeValue(const UTF8String& NodeName, const UTF8String& AttribName,
                                         const UTF8String& AttribValue, bool ShouldRecurse) const {
  return WalkDescendants(this, ShouldRecurse, [&](TXmlNode* N) {
    return vxUTF8SameTextNoCase(N->FName, NodeName) && N->HasAttribute(AttribName) &&
           vxUTF8SameTextNoCase(N->GetAttributeByName(AttribName), AttribValue);
  });
}

namespace {

bool IsPath(const UTF8String& NodeName) { return !NodeName.empty() && NodeName[0] == '/'; }

}  // namespace

Integer TXmlNode::CompareNodeName(const UTF8String& NodeName) const {
  if (IsPath(NodeName)) return vxUTF8CompareNoCase(GetFullPath(), NodeName);
  return vxUTF8CompareNoCase(FName, NodeName);
}

namespace {

Integer SlashCount(const UTF8String& AText) {
  Integer Count = 0;
  for (char Ch : AText)
    if (Ch == '/') ++Count;
  return Count;
}

// A path search compares the full path of every descendant, and building a path costs its
// depth. Two texts that the name comparison finds equal hold the same number of "/": on their
// UTF-16 form every "/" is a character of its own that no other character equals and that is
// never left out (unlike soft hyphens and the like, so lengths may differ), and malformed
// UTF-8, compared byte by byte, shows every "/" byte as it is. The walk therefore carries the
// number of "/" in each node's path down the tree, compares only paths with as many as the
// searched one and stops descending below paths that already have more.
template <typename TVisit>
TXmlNode* WalkPathCandidates(const TXmlNode* ARoot, const UTF8String& APath, TVisit AVisit) {
  const Integer Target = SlashCount(APath);
  struct TFrame {
    const TXmlNode* Node;
    Integer Next;
    Integer Slashes;  // in Node's full path as its descendants see it
  };
  // Children of a node without parent have depth 0: their path is "/" and their name only.
  TFrame Start{ARoot, 0, 0};
  if (ARoot->Parent()) Start.Slashes = SlashCount(ARoot->GetFullPath());
  std::vector<TFrame> Stack;
  Stack.push_back(Start);
  while (!Stack.empty()) {
    TFrame& F = Stack.back();
    if (F.Next >= F.Node->GetNodeCount()) {
      Stack.pop_back();
      continue;
    }
    TXmlNode* Child = F.Node->GetNodes(F.Next++);
    if (!Child) continue;
    const Integer Slashes = F.Slashes + 1 + SlashCount(Child->Name());
    if (Slashes > Target) continue;
    if (Slashes == Target && Child->CompareNodeName(APath) == 0 && AVisit(Child)) return Child;
    if (Child->GetNodeCount() > 0) Stack.push_back({Child, 0, Slashes});
  }
  return nullptr;
}

}  // namespace

TXmlNode* TXmlNode::FindNode(const UTF8String& NodeName) const {
  if (IsPath(NodeName)) return WalkPathCandidates(this, NodeName, [](TXmlNode*) { return true; });
  return WalkDescendants(this, true, [&](TXmlNode* N) { return N->CompareNodeName(NodeName) == 0; });
}

void TXmlNode::FindNodes(const UTF8String& NodeName, TXmlNodeList* AList) const {
  if (!AList) return;
  AList->Clear();
  if (IsPath(NodeName)) {
    WalkPathCandidates(this, NodeName, [&](TXmlNode* N) {
      AList->Add(N);
      return false;
    });
    return;
  }
  WalkDescendants(this, true, [&](TXmlNode* N) {
    if (N->CompareNodeName(NodeName) == 0) AList->Add(N);
    return false;
  });
}

// ---------------------------------------------------------------------------------------------
// Tree measures

Integer TXmlNode::GetTreeDepth() const {
  Integer Depth = -1;
  for (const TXmlNode* P = FParent; P; P = P->FParent) ++Depth;
  return Depth;
}

UTF8String TXmlNode::GetFullPath() const {
  // The node's own name, then every ancestor that itself has a parent (the container of a
  // document, at depth -1, never shows).
  std::vector<const TXmlNode*> Chain;
  Chain.push_back(this);
  for (const TXmlNode* N = this; N->FParent && N->FParent->FParent; N = N->FParent)
    Chain.push_back(N->FParent);
  size_t Length = 0;
  for (const TXmlNode* N : Chain) Length += N->FName.size() + 1;
  UTF8String Result;
  Result.reserve(Length);
  for (auto It = Chain.rbegin(); It != Chain.rend(); ++It) {
    Result += '/';
    Result += (*It)->FName;
  }
  return Result;
}

namespace {

// "%s%.4d" of a name and an integer, the name's bytes kept as they are.
UTF8String CascadedPart(const UTF8String& AName, Integer AIndex) {
  Int64 V = AIndex;
  UTF8String Digits = vxInt64ToUTF8(V < 0 ? -V : V);
  if (Digits.size() < 4) Digits.insert(0, 4 - Digits.size(), '0');
  return AName + (V < 0 ? "-" : "") + Digits;
}

}  // namespace

UTF8String TXmlNode::GetCascadedName() const {
  std::vector<const TXmlNode*> Chain;
  for (const TXmlNode* N = this; N; N = N->FParent) Chain.push_back(N);
  UTF8String Result;
  for (auto It = Chain.rbegin(); It != Chain.rend(); ++It) {
    if (It != Chain.rbegin()) Result += '_';
    Result += CascadedPart((*It)->FName, (*It)->ReadAttributeInteger("Index", 0));
  }
  return Result;
}

Integer TXmlNode::GetTotalNodeCount() const {
  Integer Total = 0;
  WalkDescendants(this, true, [&](TXmlNode*) {
    ++Total;
    return false;
  });
  return Total;
}

}  // namespace Vorlane
