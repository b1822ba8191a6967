#include "projfile/NodeSortHelpers.h"

#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/SysUtils.h"
#include "xml/XmlNodeAccess.h"
#include "xml/XmlText.h"

namespace Vorlane {

namespace {

template <class TCmp>
bool IsOutOfOrder(Integer ACount, const TCmp& Cmp) {
  for (Integer I = 0; I + 1 < ACount; ++I)
    if (Cmp(I, I + 1) > 0) return true;
  return false;
}

using TPositions = std::unordered_map<const TXmlNode*, Integer>;

// Each listed node's index among its parent's children, read with one walk per parent
// (IndexInParent is a search, and lists hold thousands of nodes). Only listed nodes are kept:
// a few configurations among a million units would otherwise fill a table of a million.
TPositions PositionsInParents(const TXmlNodeList& AList) {
  TPositions LResult;
  const std::unordered_set<const TXmlNode*> LListed(AList.begin(), AList.end());
  std::unordered_set<const TXmlNode*> LParents;
  for (TXmlNode* LNode : AList) {
    const TXmlNode* LParent = LNode ? LNode->Parent() : nullptr;
    if (!LParent || !LParents.insert(LParent).second) continue;
    for (Integer I = 0; I < LParent->GetNodeCount(); ++I)
      if (const TXmlNode* LChild = LParent->GetNodes(I); LListed.count(LChild) != 0) LResult.emplace(LChild, I);
  }
  return LResult;
}

Integer ComparePositions(const TPositions& APositions, const TXmlNode* A, const TXmlNode* B) {
  auto LA = APositions.find(A);
  auto LB = APositions.find(B);
  if (LA == APositions.end() || LB == APositions.end()) return 0;
  return LA->second < LB->second ? -1 : (LA->second > LB->second ? 1 : 0);
}

// A comparer made total: the entries the given one ranks equal go by their recorded position.
class TPositionTieBreak : public TNodeComparer {
 public:
  TPositionTieBreak(const TNodeComparer& AOrder, TPositions APositions)
      : FOrder(AOrder), FPositions(std::move(APositions)) {}
  Integer Compare(TXmlNode* Left, TXmlNode* Right) const override {
    Integer LResult = FOrder.Compare(Left, Right);
    return LResult != 0 ? LResult : ComparePositions(FPositions, Left, Right);
  }

 private:
  const TNodeComparer& FOrder;
  TPositions FPositions;
};

template <class TCmp>
void SortNodeList(TXmlNodeList& AList, const TCmp& ACompareNodes) {
  Integer LCount = AList.Count();
  if (LCount < 2) return;
  TPositions LPositions = PositionsInParents(AList);
  auto LTotal = [&](TXmlNode* A, TXmlNode* B) {
    Integer LResult = ACompareNodes(A, B);
    return LResult != 0 ? LResult : ComparePositions(LPositions, A, B);
  };
  ListPartitionSort(
      0, LCount - 1, [&](Integer A, Integer B) { return LTotal(AList.GetItems(A), AList.GetItems(B)); },
      [&](Integer A, Integer B) { AList.Exchange(A, B); });
}

// Places the listed children of AParent as one block at the front or at the end. Entries that
// are not children of AParent, or are listed twice, cannot be placed and are passed over.
// Works on child indexes: the few listed nodes are looked up, not every child (an item group
// may hold a million units around a handful of configurations).
bool MoveBlock(TXmlNode* AParent, const TXmlNodeList& AList, bool AToFront) {
  if (!AParent || AList.Count() == 0) return false;
  std::unordered_map<const TXmlNode*, Integer> LPlaceOf;  // -1: not a child
  for (TXmlNode* LNode : AList) LPlaceOf.emplace(LNode, -1);
  const Integer LCount = AParent->GetNodeCount();
  for (Integer I = 0; I < LCount; ++I)
    if (auto LIt = LPlaceOf.find(AParent->GetNodes(I)); LIt != LPlaceOf.end()) LIt->second = I;
  std::vector<Integer> LBlock;
  std::vector<bool> LInBlock(static_cast<size_t>(LCount), false);
  for (TXmlNode* LNode : AList) {
    const Integer LPlace = LPlaceOf.at(LNode);
    if (LPlace < 0 || LInBlock[static_cast<size_t>(LPlace)]) continue;
    LInBlock[static_cast<size_t>(LPlace)] = true;
    LBlock.push_back(LPlace);
  }
  if (LBlock.empty()) return false;
  std::vector<Integer> LOrder;
  LOrder.reserve(static_cast<size_t>(LCount));
  if (AToFront) LOrder.insert(LOrder.end(), LBlock.begin(), LBlock.end());
  for (Integer I = 0; I < LCount; ++I)
    if (!LInBlock[static_cast<size_t>(I)]) LOrder.push_back(I);
  if (!AToFront) LOrder.insert(LOrder.end(), LBlock.begin(), LBlock.end());
  bool LMoved = false;
  for (Integer I = 0; I < LCount && !LMoved; ++I) LMoved = LOrder[static_cast<size_t>(I)] != I;
  if (LMoved) ArrangeChildren(AParent, LOrder);
  return LMoved;
}

}  // namespace

namespace {

bool IsAsciiText(const UnicodeString& AText) {
  for (char16_t C : AText)
    if (C >= 0x80) return false;
  return true;
}

}  // namespace

std::uint64_t TTextLookup::BucketKey(const UnicodeString& AText) {
  // FNV-1a over the ASCII-folded characters (only ASCII texts are keyed).
  std::uint64_t LHash = 0xcbf29ce484222325ull;
  for (char16_t C : AText) LHash = (LHash ^ (C >= u'a' && C <= u'z' ? C - 32 : C)) * 0x100000001b3ull;
  return LHash;
}

void TTextLookup::Add(const UnicodeString& AText, Integer AValue) {
  const std::size_t LPos = FEntries.size();
  FEntries.push_back({AText, AValue});
  FLive.push_back(true);
  if (IsAsciiText(AText))
    FBuckets[BucketKey(AText)].push_back(LPos);
  else
    FIrregular.push_back(LPos);
}

std::ptrdiff_t TTextLookup::Locate(const UnicodeString& AText) const {
  auto Equal = [&](std::size_t APos) {
    return FLive[APos] && (FEntries[APos].Text == AText || AnsiSameText(FEntries[APos].Text, AText));
  };
  if (!IsAsciiText(AText)) {
    for (std::size_t LPos = 0; LPos < FEntries.size(); ++LPos)
      if (Equal(LPos)) return static_cast<std::ptrdiff_t>(LPos);
    return -1;
  }
  // Both lists are in the order added: the first entry equal in either, the earlier of the two.
  std::ptrdiff_t LFound = -1;
  auto LIt = FBuckets.find(BucketKey(AText));
  if (LIt != FBuckets.end())
    for (std::size_t LPos : LIt->second)
      if (Equal(LPos)) {
        LFound = static_cast<std::ptrdiff_t>(LPos);
        break;
      }
  for (std::size_t LPos : FIrregular) {
    if (LFound >= 0 && LPos > static_cast<std::size_t>(LFound)) break;
    if (Equal(LPos)) return static_cast<std::ptrdiff_t>(LPos);
  }
  return LFound;
}

Integer TTextLookup::Find(const UnicodeString& AText, Integer ADefault) const {
  const std::ptrdiff_t LPos = Locate(AText);
  return LPos < 0 ? ADefault : FEntries[static_cast<std::size_t>(LPos)].Value;
}

Integer TTextLookup::Take(const UnicodeString& AText, Integer ADefault) {
  const std::ptrdiff_t LPos = Locate(AText);
  if (LPos < 0) return ADefault;
  FLive[static_cast<std::size_t>(LPos)] = false;
  return FEntries[static_cast<std::size_t>(LPos)].Value;
}

TNodeComparer::~TNodeComparer() = default;

Integer TNodeComparer::Compare(TXmlNode* Left, TXmlNode* Right) const { return CompareNames(Left, Right); }

Integer TNodeComparer::CompareNames(TXmlNode* Left, TXmlNode* Right) {
  const UTF8String& A = Left->Name();
  const UTF8String& B = Right->Name();
  if (A == B) return 0;
  // Byte order equals UTF-16 code unit order for ASCII; other names are compared on their
  // UTF-16 form, where characters beyond the BMP sort below U+E000..U+FFFF.
  if (vxUTF8IsAscii(A) && vxUTF8IsAscii(B)) return A.compare(B) < 0 ? -1 : 1;
  Integer LResult = UTF8ToUnicode(A).compare(UTF8ToUnicode(B));
  return LResult < 0 ? -1 : (LResult > 0 ? 1 : 0);
}

Integer CompareNodesByComparer(TXmlNode* Node1, TXmlNode* Node2, void* Info) {
  return static_cast<const TNodeComparer*>(Info)->Compare(Node1, Node2);
}

bool SortChildNodesIfUnsorted(TXmlNode* ANode, const TNodeComparer& AComparer) {
  if (!ANode) return false;
  Integer LCount = ANode->GetNodeCount();
  if (LCount < 2) return false;
  if (!IsOutOfOrder(LCount, [&](Integer A, Integer B) {
        return AComparer.Compare(ANode->GetNodes(A), ANode->GetNodes(B));
      }))
    return false;
  TPositions LPositions;
  LPositions.reserve(LCount);
  for (Integer I = 0; I < LCount; ++I) LPositions.emplace(ANode->GetNodes(I), I);
  TPositionTieBreak LTotal(AComparer, std::move(LPositions));
  ANode->SortChildNodes(&CompareNodesByComparer, static_cast<TNodeComparer*>(&LTotal));
  return true;
}

void ArrangeChildren(TXmlNode* AParent, const std::vector<Integer>& AOrder) {
  TXmlNodeAccess::Rearrange(AParent, AOrder);
}

bool SortChildrenByNameIfUnsorted(TXmlNode* ANode, const UTF8String& ALeading) {
  if (!ANode || ANode->GetNodeCount() < 2) return false;
  struct TEntry {
    const UTF8String* Name;
    bool Leading;
    bool Ascii;
    Integer Index;
  };
  std::vector<TEntry> LEntries;
  LEntries.reserve(static_cast<size_t>(ANode->GetNodeCount()));
  for (Integer I = 0; I < ANode->GetNodeCount(); ++I) {
    const UTF8String& LName = ANode->GetNodes(I)->Name();
    LEntries.push_back({&LName, LName == ALeading, vxUTF8IsAscii(LName), I});
  }
  return SortChildEntriesIfUnsorted(ANode, LEntries, [](const TEntry& A, const TEntry& B) -> Integer {
    if (A.Leading || B.Leading) return A.Leading == B.Leading ? 0 : (A.Leading ? -1 : 1);
    const UTF8String& LA = *A.Name;
    const UTF8String& LB = *B.Name;
    if (LA == LB) return 0;
    // As CompareNames: bytes for ASCII, the UTF-16 form otherwise.
    if (A.Ascii && B.Ascii) return LA.compare(LB) < 0 ? -1 : 1;
    const Integer LResult = UTF8ToUnicode(LA).compare(UTF8ToUnicode(LB));
    return LResult < 0 ? -1 : (LResult > 0 ? 1 : 0);
  });
}

bool SortEachIfUnsorted(const TXmlNodeList& AList, const TNodeComparer& AComparer) {
  bool LResult = false;
  for (Integer I = 0; I < AList.Count(); ++I)
    if (SortChildNodesIfUnsorted(AList.GetItems(I), AComparer)) LResult = true;
  return LResult;
}

void TXmlNodeListHelper::SortList(TXmlNodeList& AList, const TNodeComparer& AComparer) {
  SortNodeList(AList, [&](TXmlNode* A, TXmlNode* B) { return AComparer.Compare(A, B); });
}

void SortListByKey(TXmlNodeList& AList, std::vector<Integer> AKeys) {
  const Integer LCount = AList.Count();
  if (LCount < 2) return;
  // Each node's place among its parent's children, -1 for a node without parent: such a
  // node ties with every node of equal rank, as in SortList.
  const TPositions LPositions = PositionsInParents(AList);
  std::vector<Integer> LPlaces(static_cast<size_t>(LCount), -1);
  for (Integer I = 0; I < LCount; ++I) {
    auto LIt = LPositions.find(AList.GetItems(I));
    if (LIt != LPositions.end()) LPlaces[static_cast<size_t>(I)] = LIt->second;
  }
  ListPartitionSort(
      0, LCount - 1,
      [&](Integer A, Integer B) {
        const size_t LA = static_cast<size_t>(A), LB = static_cast<size_t>(B);
        if (AKeys[LA] != AKeys[LB]) return AKeys[LA] < AKeys[LB] ? -1 : 1;
        if (LPlaces[LA] < 0 || LPlaces[LB] < 0) return 0;
        return LPlaces[LA] < LPlaces[LB] ? -1 : (LPlaces[LA] > LPlaces[LB] ? 1 : 0);
      },
      [&](Integer A, Integer B) {
        AList.Exchange(A, B);
        std::swap(AKeys[static_cast<size_t>(A)], AKeys[static_cast<size_t>(B)]);
        std::swap(LPlaces[static_cast<size_t>(A)], LPlaces[static_cast<size_t>(B)]);
      });
}

bool SortListIfUnsorted(TXmlNodeList& AList, TListSortCompare ACompare) {
  return SortListIfUnsorted(AList, std::function<Integer(TXmlNode*, TXmlNode*)>(ACompare));
}

bool SortListIfUnsorted(TXmlNodeList& AList, const std::function<Integer(TXmlNode*, TXmlNode*)>& ACompare) {
  if (!IsOutOfOrder(AList.Count(),
                    [&](Integer A, Integer B) { return ACompare(AList.GetItems(A), AList.GetItems(B)); }))
    return false;
  SortNodeList(AList, ACompare);
  return true;
}

void AddNodes(TXmlNodeList& AList, const TXmlNodeList& ASource) {
  for (Integer I = 0; I < ASource.Count(); ++I) AList.Add(ASource.GetItems(I));
}

void DeleteChildNode(TXmlNode* ANode, const UTF8String& AName) {
  if (!ANode) return;
  Integer LIndex = ANode->NodeIndexByName(AName);
  if (LIndex >= 0) ANode->NodeDelete(LIndex);
}

namespace {

// Destroys the children AMatches picks; the others keep their order.
template <class TMatch>
void DeleteMatchingChildren(TXmlNode* ANode, const TMatch& AMatches) {
  if (!ANode) return;
  // Most calls find nothing: a first pass that allocates nothing settles those.
  const Integer LCount = ANode->GetNodeCount();
  Integer LFirst = 0;
  while (LFirst < LCount && !AMatches(ANode->GetNodes(LFirst)->Name())) ++LFirst;
  if (LFirst == LCount) return;
  // The matches are gathered at the end first, so that each deletion takes the last child
  // and no list is shifted once per match.
  std::vector<Integer> LOrder, LDoomed;
  LOrder.reserve(static_cast<size_t>(LCount));
  for (Integer I = 0; I < LFirst; ++I) LOrder.push_back(I);
  for (Integer I = LFirst; I < LCount; ++I) (AMatches(ANode->GetNodes(I)->Name()) ? LDoomed : LOrder).push_back(I);
  const size_t LKept = LOrder.size();
  LOrder.insert(LOrder.end(), LDoomed.begin(), LDoomed.end());
  ArrangeChildren(ANode, LOrder);
  while (static_cast<size_t>(ANode->GetNodeCount()) > LKept) ANode->NodeDelete(ANode->GetNodeCount() - 1);
}

// Whether AName equals AWanted (ASCII, NUL-terminated) ignoring case. Between ASCII names
// that is a byte comparison with ASCII case folding; a name that is not plain ASCII
// (AAscii false) goes to the locale-aware comparison.
bool SameName(const UTF8String& AName, bool AAscii, const char* AWanted, size_t AWantedLength) {
  if (!AAscii) return vxUTF8SameTextNoCase(AName, AWanted);
  if (AName.size() != AWantedLength) return false;
  for (size_t I = 0; I < AWantedLength; ++I)
    if (vxUpCase(AName[I]) != vxUpCase(AWanted[I])) return false;
  return true;
}

}  // namespace

void DeleteChildNodes(TXmlNode* ANode, const UTF8String& AName) {
  const bool LAscii = vxUTF8IsAscii(AName);
  DeleteMatchingChildren(ANode,
                         [&](const UTF8String& AChild) { return vxUTF8SameTextNoCase(AChild, AName, LAscii); });
}

void DeleteChildNodes(TXmlNode* ANode, std::initializer_list<const char*> ANames) {
  std::vector<size_t> LLengths;
  for (const char* LName : ANames) LLengths.push_back(std::strlen(LName));
  DeleteMatchingChildren(ANode, [&](const UTF8String& AChild) {
    const bool LAscii = vxUTF8IsAscii(AChild);
    size_t I = 0;
    for (const char* LName : ANames)
      if (SameName(AChild, LAscii, LName, LLengths[I++])) return true;
    return false;
  });
}

bool MoveBefore(TXmlNode* AParent, TXmlNode* ANode, TXmlNode* AAnchor) {
  if (!AParent || !ANode || !AAnchor) return false;
  // Only children of AParent can be moved among its children; a node found elsewhere in the
  // tree stays where it is.
  Integer LIndex = AParent->NodeIndexOf(ANode);
  Integer LAnchor = AParent->NodeIndexOf(AAnchor);
  if (LIndex < 0 || LAnchor < 0 || LIndex <= LAnchor) return false;
  AParent->NodeExtract(ANode);
  AParent->NodeInsert(LAnchor, ANode);
  return true;
}

bool MoveToFront(TXmlNode* AParent, const TXmlNodeList& AList) { return MoveBlock(AParent, AList, true); }

bool MoveToEnd(TXmlNode* AParent, const TXmlNodeList& AList) { return MoveBlock(AParent, AList, false); }

}  // namespace Vorlane
