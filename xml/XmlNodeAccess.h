// Direct reads of a node's lists for the model's walks over whole trees (writer, teardown).
// Only for nodes whose class is exactly TXmlNode: a derived class may answer GetNodeCount and
// GetNodes in its own way, and those calls must reach it.
#pragma once

#include <cstddef>
#include <typeinfo>
#include <vector>

#include "xml/XmlNode.h"
#include "xml/XmlText.h"

namespace Vorlane {

struct TXmlNodeAccess {
  // A hint to the processor, nothing where the compiler has none to give.
  static void PrefetchAddress(const void* AAddress) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(AAddress);
#else
    (void)AAddress;
#endif
  }

  static bool IsPlain(const TXmlNode* ANode) { return typeid(*ANode) == typeid(TXmlNode); }
  static Integer NodeCount(const TXmlNode* ANode) {
    return ANode->FNodes ? static_cast<Integer>(ANode->FNodes->size()) : 0;
  }
  // Index must lie in 0..NodeCount-1.
  static TXmlNode* Node(const TXmlNode* ANode, Integer Index) {
    return (*ANode->FNodes)[static_cast<size_t>(Index)];
  }
  static const TvxUTF8StringList* Attributes(const TXmlNode* ANode) { return ANode->FAttributes.get(); }
  // Puts the child at AOrder[I] at place I, as a series of NodeExchange calls would: AOrder
  // is a permutation of the first AOrder.size() children. One read of each child's place,
  // where a series of exchanges reads and writes two scattered places per child, which is
  // what costs once a large list no longer fits the processor's caches.
  static void Rearrange(TXmlNode* ANode, const std::vector<Integer>& AOrder) {
    const size_t Count = AOrder.size();
    if (!ANode->FNodes || Count > ANode->FNodes->size()) return;
    std::vector<TXmlNode*>& Nodes = *ANode->FNodes;
    const std::vector<TXmlNode*> Old(Nodes.begin(), Nodes.begin() + static_cast<std::ptrdiff_t>(Count));
    for (size_t I = 0; I < Count; ++I) Nodes[I] = Old[static_cast<size_t>(AOrder[I])];
  }

  // Asks the processor for the memory a walk will read of ANode once it gets there, in
  // stages: the node itself first, then what it points to once that is at hand, then what
  // that points to. A sorted tree is walked in an order unrelated to where its nodes lie;
  // without this every node costs a chain of dependent misses. Reads nothing but the node's
  // own fields, so any node will do.
  static void Prefetch(const TXmlNode* ANode, int AStage) {
    switch (AStage) {
      case 0:
        PrefetchAddress(ANode);
        PrefetchAddress(reinterpret_cast<const char*>(ANode) + 64);
        break;
      case 1:
        PrefetchAddress(ANode->FAttributes.get());
        PrefetchAddress(ANode->FNodes.get());
        PrefetchAddress(ANode->FName.data());
        PrefetchAddress(ANode->FValue.data());
        break;
      default:
        if (const TvxUTF8StringList* List = ANode->FAttributes.get()) {
          const Integer Count = List->Count();
          for (Integer I = 0; I < Count && I < 4; ++I) PrefetchAddress(List->ItemRef(I).data());
        }
        if (const auto* Nodes = ANode->FNodes.get(); Nodes != nullptr && !Nodes->empty())
          PrefetchAddress((*Nodes)[0]);
        break;
    }
  }
  // The three stages for the siblings a walk reaches next: AAt(I) is child I of a parent with
  // ACount children, and the walk is at child AIndex. A sibling that lies next to the one
  // before it is left to the processor, which follows memory read in order by itself: only a
  // sorted tree's scattered siblings are worth the extra reads.
  template <class TAt>
  static void PrefetchAhead(Integer AIndex, Integer ACount, const TAt& AAt) {
    constexpr Integer cAhead[] = {16, 8, 4};  // children ahead, per stage
    constexpr std::ptrdiff_t cNear = 4096;
    for (int Stage = 0; Stage < 3; ++Stage) {
      const Integer At = AIndex + cAhead[Stage];
      if (At >= ACount) continue;
      const TXmlNode* Node = AAt(At);
      const std::ptrdiff_t Gap = reinterpret_cast<const char*>(Node) - reinterpret_cast<const char*>(AAt(At - 1));
      if (Gap > cNear || Gap < -cNear) Prefetch(Node, Stage);
    }
  }
};

}  // namespace Vorlane
