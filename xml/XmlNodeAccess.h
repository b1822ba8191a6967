// Direct reads of a node's lists for the model's walks over whole trees (writer, teardown).
// Only for nodes whose class is exactly TXmlNode: a derived class may answer GetNodeCount and
// GetNodes in its own way, and those calls must reach it.
#pragma once

#include <cstddef>
#include <typeinfo>

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
