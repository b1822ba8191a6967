// Puts the PropertyGroup elements of a project, and the children of each, into the order the
// build-configuration tree and the enabled platforms imply.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/Types.h"
#include "projfile/ConfigItem.h"
#include "projfile/FileHelper.h"
#include "projfile/NodeSortHelpers.h"
#include "xml/XmlNode.h"

namespace Vorlane {

// An ordered list of expected texts, searched without regard to case (first match wins).
class TOrderList {
 public:
  void Add(const UnicodeString& S);
  Integer Count() const { return static_cast<Integer>(FItems.size()); }
  const UnicodeString& GetItems(Integer AIndex) const { return FItems.at(AIndex); }
  // Position of the first entry equal to S ignoring case, -1 when none.
  Integer IndexOf(const UnicodeString& S) const { return FLookup.Find(S, -1); }

 private:
  std::vector<UnicodeString> FItems;
  TTextLookup FLookup;
};

// Orders groups by the position of their Condition in the order list; unlisted conditions
// sort before every listed one and tie among themselves.
class TPropertyGroupComparer : public TNodeComparer {
 public:
  explicit TPropertyGroupComparer(const TOrderList& AOrder) : FOrder(AOrder) {}
  Integer Compare(TXmlNode* Left, TXmlNode* Right) const override;
  const TOrderList& Order() const { return FOrder; }

 private:
  Integer Position(TXmlNode* ANode) const;
  const TOrderList& FOrder;
  // Nodes do not change while one sort runs: each condition is looked up once.
  mutable std::unordered_map<TXmlNode*, Integer> FPositions;
};

// Orders the children of a structure group by the reverse position of their names in the
// order list; unlisted names sort after every listed one and tie among themselves.
class TPropertyGroupStructureNodeComparer : public TNodeComparer {
 public:
  explicit TPropertyGroupStructureNodeComparer(const TOrderList& AOrder) : FOrder(AOrder) {}
  Integer Compare(TXmlNode* Left, TXmlNode* Right) const override;
  const TOrderList& Order() const { return FOrder; }
  // The position of a child name in the order list, -1 when unlisted.
  Integer Position(const UTF8String& AName) const;

 private:
  const TOrderList& FOrder;
  // The position depends on the name alone, and the groups share their names: each distinct
  // name is looked up once for all the groups one comparer sorts.
  mutable std::unordered_map<UTF8String, Integer> FPositions;
};

// A child named exactly "Base" first, the rest by name.
class TPropertyPropRootNodeComparer : public TNodeComparer {
 public:
  Integer Compare(TXmlNode* Left, TXmlNode* Right) const override;
};

// A child named exactly "SanitizedProjectName" first, the rest by name.
class TPropertyGroupDataNodeComparer : public TNodeComparer {
 public:
  Integer Compare(TXmlNode* Left, TXmlNode* Right) const override;
};

class TPropertyGroupSorter : public TCustomProjFile {
 public:
  TPropertyGroupSorter();
  ~TPropertyGroupSorter();

  // ARoot is the Project element, AItemGroup the item group (may be nil), APlatforms the
  // Platforms node below BorlandProject (may be nil). Always true.
  bool SortPropertyGroups(TXmlNode* ARoot, TXmlNode* AItemGroup, TXmlNode* APlatforms);
  // The same with the item group's BuildConfiguration children already at hand, in their
  // order there: a caller that has just placed them spares a search of every unit.
  bool SortPropertyGroups(TXmlNode* ARoot, const TXmlNodeList& AConfigs, TXmlNode* APlatforms);

  using TMakeCondition = UnicodeString (TPropertyGroupSorter::*)(TConfigItem* AItem,
                                                                 const UnicodeString& APlatform);
  UnicodeString MakeStructureCondition(TConfigItem* AItem, const UnicodeString& APlatform);
  UnicodeString MakeDataCondition(TConfigItem* AItem, const UnicodeString& APlatform);
  UnicodeString MakeBuildEventCondition(TConfigItem* AItem, const UnicodeString& APlatform);
  UnicodeString MakeStructureNodeName(TConfigItem* AItem, const UnicodeString& APlatform);

  static bool IsPropRoot(TXmlNode* ANode);
  static bool IsBuildEvent(TXmlNode* ANode);
  static bool IsStructureNode(TXmlNode* ANode);
  static bool IsDataNode(TXmlNode* ANode);

 private:
  void LoadPlatforms(TXmlNode* APlatforms);
  void CreateOrder(TOrderList& AOrder, TMakeCondition AMakeCondition);
  void ExtractPropRoot(TXmlNodeList& AList);
  void ExtractBuildEvents(TXmlNodeList& AList, TXmlNodeList& ATarget);
  void ExtractStructureNodes(TXmlNodeList& AList, TXmlNodeList& ATarget);
  void ExtractDataNodes(TXmlNodeList& AList, TXmlNodeList& ATarget);
  void SortByOrder(TXmlNodeList& AList, TMakeCondition AMakeCondition);
  bool SortPropRoot();
  bool SortStructureNodes();
  bool SortDataNodes();
  void RemoveObsoleteNodes(TXmlNode* ANode);
  bool MoveDependentImports(TXmlNode* ARoot, TXmlNode* AGroup);
  bool MoveAllDependentImports(TXmlNode* ARoot, const TXmlNodeList& AList);

  std::unique_ptr<TXmlNodeList> FBuildEvents;
  std::unique_ptr<TConfigItem> FConfigTree;
  std::unique_ptr<TXmlNodeList> FDataNodes;
  std::vector<UnicodeString> FPlatforms;
  TXmlNode* FPropRoot = nullptr;
  std::unique_ptr<TXmlNodeList> FStructure;
};

}  // namespace Vorlane
