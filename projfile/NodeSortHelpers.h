// Shared tools of the normalizer: node comparers, sort-only-when-out-of-order routines and
// routines that move or delete children. They report whether they changed anything so the
// normalizer can tell the caller whether the document was touched.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/Types.h"
#include "xml/XmlNode.h"

namespace Vorlane {

// Base of every node comparer: orders by element name, ordinally and case-sensitively on the
// UTF-16 form. Subclasses fall back to it where their own rules tie.
class TNodeComparer {
 public:
  TNodeComparer() = default;
  virtual ~TNodeComparer();
  TNodeComparer(const TNodeComparer&) = delete;
  TNodeComparer& operator=(const TNodeComparer&) = delete;

  virtual Integer Compare(TXmlNode* Left, TXmlNode* Right) const;

 protected:
  static Integer CompareNames(TXmlNode* Left, TXmlNode* Right);
};

// The runtime list's partition sort: middle entry as pivot, Hoare-style exchanges. Not stable
// by itself; the normalizer's sorts hand it a total order (ties broken by document position),
// so which equal entries it would swap never shows. After a partition the two parts are independent, so sorting the
// smaller one first (recursively) and the larger one in the loop gives the same result as
// the runtime's left-then-right order while keeping the recursion depth logarithmic. The
// bounds checks only come into play with a comparer that contradicts itself, where the
// unguarded scan would run off the range.
template <class TCmp, class TExch>
void ListPartitionSort(Integer L, Integer R, const TCmp& Cmp, const TExch& Exch) {
  while (L < R) {
    Integer I = L;
    Integer J = R;
    Integer P = (L + R) >> 1;
    do {
      while (Cmp(I, P) < 0) {
        if (I >= R) break;
        ++I;
      }
      while (Cmp(J, P) > 0) {
        if (J <= L) break;
        --J;
      }
      if (I <= J) {
        if (I != J) Exch(I, J);
        // P keeps pointing at the same pivot entry.
        if (P == I)
          P = J;
        else if (P == J)
          P = I;
        ++I;
        --J;
      }
    } while (I <= J);
    if (J - L < R - I) {
      if (L < J) ListPartitionSort(L, J, Cmp, Exch);
      L = I;
    } else {
      if (I < R) ListPartitionSort(I, R, Cmp, Exch);
      R = J;
    }
  }
}

// Finds texts equal to a given one under the platform's locale-aware case-insensitive
// comparison without comparing against every entry: ASCII entries are bucketed by a hash of
// their upper-cased text, so an ASCII query compares only the entries of one bucket (and the
// few entries with other characters), in the order they were added. The hash is computed in
// place: no key text is built per lookup, and a rare collision only adds a comparison. Expected
// conditions and group lookups run once per comparison or per configuration, so a plain scan
// would make large projects quadratic.
class TTextLookup {
 public:
  void Add(const UnicodeString& AText, Integer AValue);
  // The value of the first added entry equal to AText, else ADefault.
  Integer Find(const UnicodeString& AText, Integer ADefault = -1) const;
  // As Find, and the entry found leaves the lookup: the next call finds the next equal one.
  Integer Take(const UnicodeString& AText, Integer ADefault = -1);

 private:
  struct TEntry {
    UnicodeString Text;
    Integer Value;
  };
  static std::uint64_t BucketKey(const UnicodeString& AText);
  // The position in FEntries of the first live entry equal to AText, else -1.
  std::ptrdiff_t Locate(const UnicodeString& AText) const;
  // Every entry in the order added; FLive tells which are not taken yet.
  std::vector<TEntry> FEntries;
  std::vector<bool> FLive;
  // Positions of the entries with ASCII text, by the key of their folded text: ASCII texts are
  // equal to the locale comparison only when they differ in ASCII case alone.
  std::unordered_map<std::uint64_t, std::vector<std::size_t>> FBuckets;
  // Positions of the entries with other characters: the locale comparison may equate them
  // with texts of another key ("Straße" and "STRASSE" where the system expands ß), so every
  // ASCII query looks at them as well, and a query with such characters at every entry.
  std::vector<std::size_t> FIrregular;
};

// Compare routine over two list entries (used for the build-configuration list).
using TListSortCompare = Integer (*)(TXmlNode* Item1, TXmlNode* Item2);

// The compare routine handed to TXmlNode::SortChildNodes; Info carries a TNodeComparer.
Integer CompareNodesByComparer(TXmlNode* Node1, TXmlNode* Node2, void* Info);

// Every sort below ranks the entries its comparer calls equal by where they stood in the
// document when the sort began, so the partition sort meets a total order and its result is
// the stable one: a normalized project normalizes to itself. Without a tie the order is the
// comparer's alone.

// Sorts ANode's children only when some adjacent pair is out of order; true when it sorted.
bool SortChildNodesIfUnsorted(TXmlNode* ANode, const TNodeComparer& AComparer);
// Gives AParent's children the order AOrder (AOrder[I] is the current index of the child that
// goes to place I; a permutation of all children), in one pass over the child list.
void ArrangeChildren(TXmlNode* AParent, const std::vector<Integer>& AOrder);
// SortChildNodesIfUnsorted for a comparison that reads a few values from each child: AEntries
// holds them, one per child in child order, each with its child's position in Index, and
// ACompare(Entry1, Entry2) compares two. Each child is read once instead of twice per
// comparison, and the entries are sorted in place; ties keep the document order, so the
// children end in the order a node comparer of the same rules gives them.
// ASort(AEntries, ALess) sorts the entries by ALess, which is ACompare with ties going by
// Index; a caller may pass a sort of its own that ends in the same order.
template <class TEntry, class TCmp, class TSort>
bool SortChildEntriesIfUnsorted(TXmlNode* AParent, std::vector<TEntry>& AEntries, const TCmp& ACompare,
                                const TSort& ASort) {
  const Integer LCount = static_cast<Integer>(AEntries.size());
  Integer LFirst = 0;
  while (LFirst + 1 < LCount && ACompare(AEntries[LFirst], AEntries[LFirst + 1]) <= 0) ++LFirst;
  if (LFirst + 1 >= LCount) return false;
  // Ties go by Index, so the order is total and every sort algorithm ends in the one order the
  // partition sort would give.
  ASort(AEntries, [&](const TEntry& LA, const TEntry& LB) {
    const Integer LResult = ACompare(LA, LB);
    return LResult != 0 ? LResult < 0 : LA.Index < LB.Index;
  });
  std::vector<Integer> LOrder;
  LOrder.reserve(AEntries.size());
  for (const TEntry& LEntry : AEntries) LOrder.push_back(LEntry.Index);
  ArrangeChildren(AParent, LOrder);
  return true;
}

// The same with a merge sort: fewer comparisons than the partition sort, the small entries
// moved instead of exchanged through callbacks, and never outside the range even for a
// comparer that contradicts itself.
template <class TEntry, class TCmp>
bool SortChildEntriesIfUnsorted(TXmlNode* AParent, std::vector<TEntry>& AEntries, const TCmp& ACompare) {
  auto LMergeSort = [](std::vector<TEntry>& AList, const auto& ALess) {
    std::stable_sort(AList.begin(), AList.end(), ALess);
  };
  return SortChildEntriesIfUnsorted(AParent, AEntries, ACompare, LMergeSort);
}

// SortChildNodesIfUnsorted with a comparer that puts the children named exactly ALeading first
// (tied among themselves) and orders the rest as TNodeComparer does; each child's name is
// classified once instead of at every comparison.
bool SortChildrenByNameIfUnsorted(TXmlNode* ANode, const UTF8String& ALeading);

// SortChildNodesIfUnsorted on every node of AList with the one comparer.
bool SortEachIfUnsorted(const TXmlNodeList& AList, const TNodeComparer& AComparer);

struct TXmlNodeListHelper {
  // Always sorts (no test first). Ties go by each node's position among its parent's
  // children, whatever order the list was filled in.
  static void SortList(TXmlNodeList& AList, const TNodeComparer& AComparer);
};

// TXmlNodeListHelper::SortList for a comparer that ranks each node by one number: AKeys[I] is
// the rank of AList's node I (smaller first). Ranks and positions are read once per node
// instead of at every comparison; the order is the one SortList gives.
void SortListByKey(TXmlNodeList& AList, std::vector<Integer> AKeys);

// Sorts AList only when it is out of order; ties as in SortList.
bool SortListIfUnsorted(TXmlNodeList& AList, TListSortCompare ACompare);
// The same for a comparison that carries values read from the nodes beforehand.
bool SortListIfUnsorted(TXmlNodeList& AList, const std::function<Integer(TXmlNode*, TXmlNode*)>& ACompare);

void AddNodes(TXmlNodeList& AList, const TXmlNodeList& ASource);
// Destroys the first child whose name matches AName (case-insensitive); nothing otherwise.
void DeleteChildNode(TXmlNode* ANode, const UTF8String& AName);
// Destroys every child whose name matches AName (case-insensitive), in one pass over the
// children; the others keep their order.
void DeleteChildNodes(TXmlNode* ANode, const UTF8String& AName);
// Destroys every child whose name matches one of ANames (case-insensitive), in one pass.
void DeleteChildNodes(TXmlNode* ANode, std::initializer_list<const char*> ANames);
// Places ANode directly before AAnchor when it stands after it; true when it moved.
bool MoveBefore(TXmlNode* AParent, TXmlNode* ANode, TXmlNode* AAnchor);
// Makes the listed nodes the first / last children of AParent, in list order, keeping the
// relative order of all other children; true when anything moved.
bool MoveToFront(TXmlNode* AParent, const TXmlNodeList& AList);
bool MoveToEnd(TXmlNode* AParent, const TXmlNodeList& AList);

}  // namespace Vorlane
