#include "projfile/PropertyGroupSorter.h"

#include <algorithm>

#include "platform/SysUtils.h"
#include "xml/XmlText.h"

namespace Vorlane {

namespace {

const UnicodeString cConfigVar = u"'$(CONFIG)'";
const UnicodeString cPlatformVar = u"'$(PLATFORM)'";

Integer Sign(Integer A) { return A < 0 ? -1 : (A > 0 ? 1 : 0); }

UnicodeString ConditionOf(TXmlNode* ANode) { return ANode->GetAttributeByNameWide("Condition"); }

// A leading name (matched exactly) sorts before every other name; the rest go by name.
Integer CompareWithLeadingName(TXmlNode* Left, TXmlNode* Right, const UTF8String& ALeading,
                               const TNodeComparer& ABase) {
  bool LLeft = Left->Name() == ALeading;
  bool LRight = Right->Name() == ALeading;
  if (LLeft && LRight) return 0;
  if (LLeft) return -1;
  if (LRight) return 1;
  return ABase.TNodeComparer::Compare(Left, Right);
}

// Strict split at ";": blanks stay part of the items, empty items are kept.
std::vector<UnicodeString> SplitItems(const UnicodeString& AText) {
  std::vector<UnicodeString> LResult;
  if (AText.empty()) return LResult;
  size_t LStart = 0;
  for (;;) {
    size_t LPos = AText.find(u';', LStart);
    if (LPos == UnicodeString::npos) {
      LResult.push_back(AText.substr(LStart));
      break;
    }
    LResult.push_back(AText.substr(LStart, LPos - LStart));
    LStart = LPos + 1;
  }
  return LResult;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

void TOrderList::Add(const UnicodeString& S) {
  FLookup.Add(S, static_cast<Integer>(FItems.size()));
  FItems.push_back(S);
}

Integer TPropertyGroupComparer::Position(TXmlNode* ANode) const {
  auto [LIt, LNew] = FPositions.try_emplace(ANode, -1);
  if (LNew) LIt->second = FOrder.IndexOf(ConditionOf(ANode));
  return LIt->second;
}

Integer TPropertyGroupComparer::Compare(TXmlNode* Left, TXmlNode* Right) const {
  return Sign(Position(Left) - Position(Right));
}

Integer TPropertyGroupStructureNodeComparer::Position(const UTF8String& AName) const {
  auto LIt = FPositions.find(AName);
  if (LIt == FPositions.end()) LIt = FPositions.emplace(AName, FOrder.IndexOf(UTF8ToUnicode(AName))).first;
  return LIt->second;
}

Integer TPropertyGroupStructureNodeComparer::Compare(TXmlNode* Left, TXmlNode* Right) const {
  return Sign(Position(Right->Name()) - Position(Left->Name()));
}

Integer TPropertyPropRootNodeComparer::Compare(TXmlNode* Left, TXmlNode* Right) const {
  return CompareWithLeadingName(Left, Right, "Base", *this);
}

Integer TPropertyGroupDataNodeComparer::Compare(TXmlNode* Left, TXmlNode* Right) const {
  return CompareWithLeadingName(Left, Right, "SanitizedProjectName", *this);
}

// ---------------------------------------------------------------------------------------------

TPropertyGroupSorter::TPropertyGroupSorter()
    : TCustomProjFile(),
      FBuildEvents(std::make_unique<TXmlNodeList>()),
      FConfigTree(std::make_unique<TConfigItem>()),
      FDataNodes(std::make_unique<TXmlNodeList>()),
      FStructure(std::make_unique<TXmlNodeList>()) {}

TPropertyGroupSorter::~TPropertyGroupSorter() {
  FPlatforms.clear();
  FDataNodes.reset();
  FStructure.reset();
  FBuildEvents.reset();
  FConfigTree.reset();
}

// The makers below spell out what the condition builders (_EQ, _NE, _AND, _OR, _Var,
// _Brackets) compose, into one string: they run once per configuration and platform for every
// expected group, and the composed form builds a dozen temporaries per condition.
namespace {

// Appends A as a quoted text's content: each quote doubled.
void AppendQuotedContent(UnicodeString& R, const UnicodeString& A) {
  for (char16_t C : A) {
    R += C;
    if (C == u'\'') R += C;
  }
}

// Appends '$(AKey)' or, with a platform, '$(AKey_APlatform)'.
void AppendQuotedVar(UnicodeString& R, const UnicodeString& AKey, const UnicodeString& APlatform) {
  R += u"'$(";
  AppendQuotedContent(R, AKey);
  if (!APlatform.empty()) {
    R += u'_';
    AppendQuotedContent(R, APlatform);
  }
  R += u")'";
}

// Appends '$(AVar)'=='AValue'.
void AppendEquals(UnicodeString& R, const char16_t* AVar, const UnicodeString& AValue) {
  R += u"'$(";
  R += AVar;
  R += u")'=='";
  AppendQuotedContent(R, AValue);
  R += u'\'';
}

UnicodeString NewCondition(const TConfigItem* AItem, const UnicodeString& APlatform) {
  UnicodeString R;
  R.reserve(64 + 2 * (AItem->Key().size() + AItem->Name().size() + APlatform.size()));
  return R;
}

}  // namespace

UnicodeString TPropertyGroupSorter::MakeStructureCondition(TConfigItem* AItem, const UnicodeString& APlatform) {
  UnicodeString R = NewCondition(AItem, APlatform);
  if (APlatform.empty()) {
    AppendEquals(R, u"Config", AItem->Name());
    R += u" or ";
  } else {
    R += u'(';
    AppendEquals(R, u"Platform", APlatform);
    R += u" and ";
    AppendQuotedVar(R, AItem->Key(), UnicodeString());
    R += u"=='true') or ";
  }
  AppendQuotedVar(R, AItem->Key(), APlatform);
  R += u"!=''";
  return R;
}

UnicodeString TPropertyGroupSorter::MakeDataCondition(TConfigItem* AItem, const UnicodeString& APlatform) {
  UnicodeString R = NewCondition(AItem, APlatform);
  AppendQuotedVar(R, AItem->Key(), APlatform);
  R += u"!=''";
  return R;
}

UnicodeString TPropertyGroupSorter::MakeBuildEventCondition(TConfigItem* AItem, const UnicodeString& APlatform) {
  if (APlatform.empty()) return UnicodeString();
  UnicodeString R = NewCondition(AItem, APlatform);
  AppendEquals(R, u"Config", AItem->Name());
  R += u" and ";
  AppendEquals(R, u"Platform", APlatform);
  return R;
}

UnicodeString TPropertyGroupSorter::MakeStructureNodeName(TConfigItem* AItem, const UnicodeString& APlatform) {
  if (APlatform.empty()) return AItem->Key();
  return AItem->Key() + u"_" + APlatform;
}

bool TPropertyGroupSorter::IsPropRoot(TXmlNode* ANode) { return ANode->GetAttributeCount() == 0; }

bool TPropertyGroupSorter::IsBuildEvent(TXmlNode* ANode) {
  UnicodeString LCondition = AnsiUpperCase(ConditionOf(ANode));
  return LCondition.find(cConfigVar) != UnicodeString::npos &&
         LCondition.find(cPlatformVar) != UnicodeString::npos;
}

bool TPropertyGroupSorter::IsStructureNode(TXmlNode* ANode) { return ANode->NodeByName("Base") != nullptr; }

bool TPropertyGroupSorter::IsDataNode(TXmlNode* ANode) {
  return ANode->GetAttributeCount() > 0 && !IsBuildEvent(ANode) && !IsStructureNode(ANode);
}

void TPropertyGroupSorter::LoadPlatforms(TXmlNode* APlatforms) {
  FPlatforms.clear();
  if (!APlatforms) return;
  for (Integer I = 0; I < APlatforms->GetNodeCount(); ++I) {
    TXmlNode* LNode = APlatforms->GetNodes(I);
    if (vxUTF8SameTextNoCase(LNode->Name(), "Platform") && LNode->ValueAsBoolDef(false))
      FPlatforms.push_back(LNode->GetAttributeByNameWide("value"));
  }
}

void TPropertyGroupSorter::CreateOrder(TOrderList& AOrder, TMakeCondition AMakeCondition) {
  FConfigTree->Iterate([&](TConfigItem* AItem) {
    UnicodeString LCondition = (this->*AMakeCondition)(AItem, UnicodeString());
    if (!LCondition.empty()) AOrder.Add(LCondition);
    for (const UnicodeString& LPlatform : FPlatforms) AOrder.Add((this->*AMakeCondition)(AItem, LPlatform));
  });
}

void TPropertyGroupSorter::ExtractPropRoot(TXmlNodeList& AList) {
  FPropRoot = nullptr;
  for (Integer I = 0; I < AList.Count(); ++I) {
    if (IsPropRoot(AList.GetItems(I))) {
      FPropRoot = AList.GetItems(I);
      AList.Delete(I);
      return;
    }
  }
}

namespace {

template <class TTest>
void ExtractInto(TXmlNodeList& AList, TXmlNodeList& ATarget, const TTest& ATest) {
  for (Integer I = AList.Count() - 1; I >= 0; --I) {
    TXmlNode* LNode = AList.GetItems(I);
    if (ATest(LNode)) {
      AList.Delete(I);
      ATarget.Add(LNode);
    }
  }
}

}  // namespace

void TPropertyGroupSorter::ExtractBuildEvents(TXmlNodeList& AList, TXmlNodeList& ATarget) {
  ExtractInto(AList, ATarget, &IsBuildEvent);
}

void TPropertyGroupSorter::ExtractStructureNodes(TXmlNodeList& AList, TXmlNodeList& ATarget) {
  ExtractInto(AList, ATarget, &IsStructureNode);
}

void TPropertyGroupSorter::ExtractDataNodes(TXmlNodeList& AList, TXmlNodeList& ATarget) {
  ExtractInto(AList, ATarget, &IsDataNode);
}

void TPropertyGroupSorter::SortByOrder(TXmlNodeList& AList, TMakeCondition AMakeCondition) {
  TOrderList LOrder;
  CreateOrder(LOrder, AMakeCondition);
  // The order TPropertyGroupComparer gives, with each condition looked up once.
  std::vector<Integer> LKeys;
  LKeys.reserve(static_cast<size_t>(AList.Count()));
  for (Integer I = 0; I < AList.Count(); ++I) LKeys.push_back(LOrder.IndexOf(ConditionOf(AList.GetItems(I))));
  SortListByKey(AList, std::move(LKeys));
}

// The prop root and the data groups are sorted as TPropertyPropRootNodeComparer and
// TPropertyGroupDataNodeComparer order them, with each child's name classified once.
bool TPropertyGroupSorter::SortPropRoot() { return SortChildrenByNameIfUnsorted(FPropRoot, "Base"); }

bool TPropertyGroupSorter::SortStructureNodes() {
  TOrderList LOrder;
  CreateOrder(LOrder, &TPropertyGroupSorter::MakeStructureNodeName);
  TPropertyGroupStructureNodeComparer LComparer(LOrder);
  // The comparer's order, each child's position read once.
  struct TEntry {
    Integer Position;
    Integer Index;
  };
  bool LResult = false;
  std::vector<TEntry> LEntries;
  for (Integer I = 0; I < FStructure->Count(); ++I) {
    TXmlNode* LGroup = FStructure->GetItems(I);
    if (!LGroup || LGroup->GetNodeCount() < 2) continue;
    LEntries.clear();
    for (Integer J = 0; J < LGroup->GetNodeCount(); ++J)
      LEntries.push_back({LComparer.Position(LGroup->GetNodes(J)->Name()), J});
    if (SortChildEntriesIfUnsorted(LGroup, LEntries, [](const TEntry& A, const TEntry& B) {
          return A.Position == B.Position ? 0 : (A.Position > B.Position ? -1 : 1);
        }))
      LResult = true;
  }
  for (Integer I = 0; I < FStructure->Count(); ++I) {
    TXmlNode* LGroup = FStructure->GetItems(I);
    Integer LIndex = LGroup->NodeIndexByName("CfgParent");
    if (LIndex >= 0 && LIndex != 1) {
      TXmlNode* LCfgParent = LGroup->GetNodes(LIndex);
      LGroup->NodeExtract(LCfgParent);
      // A group holding nothing but CfgParent takes it back at its end rather than lose it.
      LGroup->NodeInsert(std::min<Integer>(1, LGroup->GetNodeCount()), LCfgParent);
      LResult = true;
    }
  }
  return LResult;
}

void TPropertyGroupSorter::RemoveObsoleteNodes(TXmlNode* ANode) {
  // All of each kind in one run, so that a second run finds none left to delete.
  DeleteChildNodes(ANode, {"DCC_E", "DCC_F", "DCC_K", "DCC_N", "DCC_S"});
}

bool TPropertyGroupSorter::SortDataNodes() {
  for (Integer I = 0; I < FDataNodes->Count(); ++I) RemoveObsoleteNodes(FDataNodes->GetItems(I));
  bool LResult = false;
  for (Integer I = 0; I < FDataNodes->Count(); ++I)
    if (SortChildrenByNameIfUnsorted(FDataNodes->GetItems(I), "SanitizedProjectName")) LResult = true;
  return LResult;
}

bool TPropertyGroupSorter::MoveDependentImports(TXmlNode* ARoot, TXmlNode* AGroup) {
  bool LResult = false;
  for (Integer I = 0; I < AGroup->GetNodeCount(); ++I) {
    TXmlNode* LChild = AGroup->GetNodes(I);
    if (!vxUTF8SameTextNoCase(LChild->Name(), "CfgDependentOn")) continue;
    for (const UnicodeString& LItem : SplitItems(LChild->GetValueAsUnicodeString())) {
      TXmlNode* LImport = ARoot->NodeByAttributeValue("Import", "Project", UnicodeToUTF8(LItem), true);
      if (LImport && MoveBefore(ARoot, LImport, AGroup)) LResult = true;
    }
  }
  return LResult;
}

bool TPropertyGroupSorter::MoveAllDependentImports(TXmlNode* ARoot, const TXmlNodeList& AList) {
  bool LResult = false;
  for (Integer I = 0; I < AList.Count(); ++I)
    if (MoveDependentImports(ARoot, AList.GetItems(I))) LResult = true;
  return LResult;
}

bool TPropertyGroupSorter::SortPropertyGroups(TXmlNode* ARoot, TXmlNode* AItemGroup, TXmlNode* APlatforms) {
  TXmlNodeList LConfigs;
  if (ARoot && AItemGroup) AItemGroup->NodesByName("BuildConfiguration", &LConfigs);
  return SortPropertyGroups(ARoot, LConfigs, APlatforms);
}

bool TPropertyGroupSorter::SortPropertyGroups(TXmlNode* ARoot, const TXmlNodeList& AConfigs, TXmlNode* APlatforms) {
  if (!ARoot) return true;
  LoadPlatforms(APlatforms);
  FConfigTree->LoadFromNodes(AConfigs);

  TXmlNodeList LWork;
  ARoot->NodesByName("PropertyGroup", &LWork);
  ExtractPropRoot(LWork);
  ExtractBuildEvents(LWork, *FBuildEvents);
  ExtractStructureNodes(LWork, *FStructure);
  ExtractDataNodes(LWork, *FDataNodes);

  // A project without an attribute-less group has nothing to put first.
  if (FPropRoot) SortPropRoot();
  SortByOrder(*FStructure, &TPropertyGroupSorter::MakeStructureCondition);
  SortStructureNodes();
  SortByOrder(*FDataNodes, &TPropertyGroupSorter::MakeDataCondition);
  SortDataNodes();
  SortByOrder(*FBuildEvents, &TPropertyGroupSorter::MakeBuildEventCondition);

  LWork.Clear();
  if (FPropRoot) LWork.Add(FPropRoot);
  AddNodes(LWork, *FStructure);
  AddNodes(LWork, *FDataNodes);
  MoveToFront(ARoot, LWork);
  MoveAllDependentImports(ARoot, LWork);
  MoveToEnd(ARoot, *FBuildEvents);
  return true;
}

}  // namespace Vorlane
