// The build configurations of a project as a tree rooted at the base configuration, so that
// they can be visited parent before child.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/Types.h"
#include "xml/XmlNode.h"

namespace Vorlane {

class TConfigItem;

// Owns its items; releasing the list releases the whole subtree.
class TConfigItemList {
 public:
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  TConfigItem* GetItems(Integer AIndex) const { return FItems.at(AIndex).get(); }
  void Add(std::unique_ptr<TConfigItem> AItem) { FItems.push_back(std::move(AItem)); }
  void Exchange(Integer A, Integer B) { std::swap(FItems.at(A), FItems.at(B)); }

 private:
  friend class TConfigItem;
  std::vector<std::unique_ptr<TConfigItem>> FItems;
};

class TConfigItem {
 public:
  TConfigItem();
  ~TConfigItem();
  TConfigItem(const TConfigItem&) = delete;
  TConfigItem& operator=(const TConfigItem&) = delete;

  const UnicodeString& CfgParent() const { return FCfgParent; }
  TConfigItemList& Items() { return FItems; }
  const TConfigItemList& Items() const { return FItems; }
  const UnicodeString& Key() const { return FKey; }
  const UnicodeString& Name() const { return FName; }

  void LoadFromNode(TXmlNode* ANode);
  // Builds the tree below this item, which becomes the root. Configurations whose parent
  // never turns up in the tree (missing, misspelt, cyclic, or dropped as a second root) are
  // left out of the tree; the document keeps them. False when AList is empty.
  bool LoadFromNodes(const TXmlNodeList& AList);
  TConfigItem* Find(const UnicodeString& AKey);
  // Pre-order: this item, then each child's subtree in list order.
  void Iterate(const std::function<void(TConfigItem*)>& AProc);
  void Sort();

 private:
  UnicodeString FCfgParent;
  TConfigItemList FItems;
  UnicodeString FKey;
  UnicodeString FName;
};

}  // namespace Vorlane
