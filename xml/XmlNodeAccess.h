// Direct reads of a node's lists for the model's walks over whole trees (writer, teardown).
// Only for nodes whose class is exactly TXmlNode: a derived class may answer GetNodeCount and
// GetNodes in its own way, and those calls must reach it.
#pragma once

#include <typeinfo>

#include "xml/XmlNode.h"
#include "xml/XmlText.h"

namespace Vorlane {

struct TXmlNodeAccess {
  static bool IsPlain(const TXmlNode* ANode) { return typeid(*ANode) == typeid(TXmlNode); }
  static Integer NodeCount(const TXmlNode* ANode) {
    return ANode->FNodes ? static_cast<Integer>(ANode->FNodes->size()) : 0;
  }
  // Index must lie in 0..NodeCount-1.
  static TXmlNode* Node(const TXmlNode* ANode, Integer Index) {
    return (*ANode->FNodes)[static_cast<size_t>(Index)];
  }
  static const TvxUTF8StringList* Attributes(const TXmlNode* ANode) { return ANode->FAttributes.get(); }
};

}  // namespace Vorlane
