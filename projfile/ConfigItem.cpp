#include "projfile/ConfigItem.h"

#include <functional>
#include <queue>
#include <unordered_map>
#include <utility>

#include "platform/SysUtils.h"
#include "projfile/NodeSortHelpers.h"

namespace Vorlane {

namespace {

const UnicodeString cBaseKey = u"Base";

UnicodeString ChildText(TXmlNode* ANode, const char* AName) {
  TXmlNode* LChild = ANode->NodeByName(AName);
  return LChild ? LChild->GetValueAsUnicodeString() : UnicodeString();
}

}  // namespace

TConfigItem::TConfigItem() = default;

TConfigItem::~TConfigItem() {
  // A chain of configurations is as deep as the project is long: releasing it by one nested
  // destructor call per level would exhaust the call stack, so each item is emptied before it
  // goes.
  std::vector<std::unique_ptr<TConfigItem>> LPending = std::move(FItems.FItems);
  while (!LPending.empty()) {
    std::unique_ptr<TConfigItem> LItem = std::move(LPending.back());
    LPending.pop_back();
    for (auto& LChild : LItem->FItems.FItems) LPending.push_back(std::move(LChild));
    LItem->FItems.FItems.clear();
  }
}

void TConfigItem::LoadFromNode(TXmlNode* ANode) {
  FKey.clear();
  FCfgParent.clear();
  FName = ANode->GetAttributeByNameWide("Include");
  FKey = ChildText(ANode, "Key");
  FCfgParent = ChildText(ANode, "CfgParent");
}

bool TConfigItem::LoadFromNodes(const TXmlNodeList& AList) {
  if (AList.Count() == 0) return false;

  std::vector<std::unique_ptr<TConfigItem>> LPending;
  for (Integer I = 0; I < AList.Count(); ++I) {
    auto LItem = std::make_unique<TConfigItem>();
    LItem->LoadFromNode(AList.GetItems(I));
    if (!LItem->FCfgParent.empty())
      LPending.push_back(std::move(LItem));
    else if (FKey != cBaseKey)
      LoadFromNode(AList.GetItems(I));
  }

  // Attaching always takes the first pending configuration (in list order) whose parent is
  // already in the tree, then looks again from the start. A configuration becomes attachable
  // once an item with its parent's key is in the tree and stays so, which makes "the first
  // attachable one" the smallest index among those whose parent key has turned up. Keeping
  // them in a heap gives the same attachment order without rescanning the list each time.
  std::unordered_map<UnicodeString, std::vector<size_t>> LWaiting;
  for (size_t I = 0; I < LPending.size(); ++I) LWaiting[LPending[I]->FCfgParent].push_back(I);
  std::priority_queue<size_t, std::vector<size_t>, std::greater<size_t>> LReady;
  std::unordered_map<UnicodeString, std::vector<TConfigItem*>> LInTree;

  auto KeyArrived = [&](TConfigItem* AItem) {
    LInTree[AItem->FKey].push_back(AItem);
    auto LIt = LWaiting.find(AItem->FKey);
    if (LIt == LWaiting.end()) return;
    for (size_t LIndex : LIt->second) LReady.push(LIndex);
    LWaiting.erase(LIt);
  };
  Iterate(KeyArrived);

  while (!LReady.empty()) {
    size_t LIndex = LReady.top();
    LReady.pop();
    std::unique_ptr<TConfigItem>& LItem = LPending[LIndex];
    // With duplicate keys the parent is the first match of a depth-first search, as Find
    // gives it at this moment.
    const std::vector<TConfigItem*>& LCandidates = LInTree[LItem->FCfgParent];
    TConfigItem* LParent = LCandidates.size() == 1 ? LCandidates.front() : Find(LItem->FCfgParent);
    if (!LParent) continue;
    TConfigItem* LAttached = LItem.get();
    LParent->FItems.Add(std::move(LItem));
    KeyArrived(LAttached);
  }
  // What is left never found its parent and is dropped with LPending.
  return true;
}

TConfigItem* TConfigItem::Find(const UnicodeString& AKey) {
  TConfigItem* LResult = nullptr;
  // Explicit stack: a long chain of configurations must not exhaust the call stack.
  std::vector<std::pair<TConfigItem*, Integer>> LStack{{this, -1}};
  while (!LStack.empty()) {
    auto& [LItem, LNext] = LStack.back();
    if (LNext < 0) {
      if (LItem->FKey == AKey) {
        LResult = LItem;
        break;
      }
      LNext = 0;
    }
    if (LNext < LItem->FItems.Count()) {
      TConfigItem* LChild = LItem->FItems.GetItems(LNext++);
      LStack.emplace_back(LChild, -1);
    } else {
      LStack.pop_back();
    }
  }
  return LResult;
}

void TConfigItem::Iterate(const std::function<void(TConfigItem*)>& AProc) {
  std::vector<std::pair<TConfigItem*, Integer>> LStack{{this, 0}};
  AProc(this);
  while (!LStack.empty()) {
    auto& [LItem, LNext] = LStack.back();
    if (LNext < LItem->FItems.Count()) {
      TConfigItem* LChild = LItem->FItems.GetItems(LNext++);
      AProc(LChild);
      LStack.emplace_back(LChild, 0);
    } else {
      LStack.pop_back();
    }
  }
}

void TConfigItem::Sort() {
  // Each item's list is sorted when the walk reaches it, before its children are visited.
  Iterate([](TConfigItem* AItem) {
    TConfigItemList& LItems = AItem->FItems;
    Integer LCount = LItems.Count();
    if (LCount > 1)
      ListPartitionSort(
          0, LCount - 1,
          [&](Integer A, Integer B) { return CompareText(LItems.GetItems(A)->FName, LItems.GetItems(B)->FName); },
          [&](Integer A, Integer B) { LItems.Exchange(A, B); });
  });
}

}  // namespace Vorlane
