#include "projfile/DprojFile.h"

#include <algorithm>
#include <memory>

#include "projfile/NodeSortHelpers.h"
#include "xml/XmlText.h"

namespace Vorlane {

namespace {

// The set of platforms in use; platform names compare ignoring case.
class TUsedPlatforms {
 public:
  void Add(const UnicodeString& AName) { FNames.push_back(AName); }
  bool Contains(const UnicodeString& AName) const {
    return std::any_of(FNames.begin(), FNames.end(),
                       [&](const UnicodeString& N) { return AnsiSameText(N, AName); });
  }

 private:
  std::vector<UnicodeString> FNames;
};

// The element children of AParent named AName (case-insensitive), in document order.
std::vector<TXmlNode*> ChildrenByName(TXmlNode* AParent, const char* AName) {
  std::vector<TXmlNode*> Result;
  if (AParent == nullptr) return Result;
  TXmlNodeList List;
  AParent->NodesByName(AName, &List);
  for (int I = 0; I < List.Count(); ++I) Result.push_back(List.GetItems(I));
  return Result;
}

UnicodeString ChildValue(TXmlNode* AParent, const char* AName) {
  if (AParent == nullptr) return UnicodeString();
  TXmlNode* Child = AParent->NodeByName(AName);
  return Child != nullptr ? Child->GetValueAsUnicodeString() : UnicodeString();
}

// The Platform entries of the Platforms node. A comment or other non-element child records
// no platform: reading it as a Boolean would reject a valid project, and counting it as an
// entry would keep TargetedPlatforms from being read, so every platform would count as
// unused.
std::vector<TXmlNode*> PlatformEntries(TXmlNode* APlatforms) {
  std::vector<TXmlNode*> Result;
  for (int I = 0; I < APlatforms->GetNodeCount(); ++I) {
    TXmlNode* Child = APlatforms->GetNodes(I);
    if (Child->ElementType() == xeNormal) Result.push_back(Child);
  }
  return Result;
}

constexpr double cMinPlatformVersion = 13.0;
constexpr double cPlatformRenameVersion = 17.0;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Properties

UnicodeString TDProjFile::GetFrameWorkType() { return ChildValue(GetMainGroup(), "FrameworkType"); }

bool TDProjFile::GetIsPackage() {
  TXmlNode* Group = GetMainGroup();
  if (Group == nullptr) return false;
  TXmlNode* AppType = Group->NodeByName("AppType");
  return AppType != nullptr && AnsiSameText(AppType->GetValueAsUnicodeString(), u"Package");
}

UnicodeString TDProjFile::GetLibSuffix() {
  if (!GetIsPackage() || GetBaseGroup() == nullptr) return UnicodeString();
  return ChildValue(GetBaseGroup(), "DllSuffix");
}

void TDProjFile::SetLibSuffix(const UnicodeString& AValue) {
  if (!GetIsPackage() || GetBaseGroup() == nullptr) return;
  GetBaseGroup()->NodeFindOrCreate("DllSuffix")->SetValueAsUnicodeString(AValue);
}

// ---------------------------------------------------------------------------------------------
// Platforms

void TDProjFile::AddMissingPlatforms(const std::vector<UnicodeString>& Arr) {
  if (Arr.empty() || GetProjectVersion() < cMinPlatformVersion) return;
  AssurePlatformsExist();
  TXmlNode* PlatformsNode = GetPlatforms();
  // Without BorlandProject there is nowhere to record platforms: leave the project alone.
  if (PlatformsNode == nullptr) return;
  for (const UnicodeString& Name : Arr) {
    const UTF8String Name8 = vxUnicodeToUtf8(Name);
    if (PlatformsNode->NodeByAttributeValue("Platform", "value", Name8, true) != nullptr) continue;
    TXmlNode* Entry = TXmlNodeHelper::NodeNew(PlatformsNode, "Platform", "value", Name8);
    Entry->SetValueAsUnicodeString(u"False");
  }
}

void TDProjFile::AdjustKnownPlatformNames() {
  SetKnownPlatforms({});
  if (GetProjectVersion() >= cPlatformRenameVersion) return;
  std::vector<UnicodeString> Table = GetKnownPlatforms();
  for (UnicodeString& Name : Table) {
    if (Name == u"iOSDevice32") {
      Name = u"iOSDevice";
      SetKnownPlatforms(Table);
      return;
    }
  }
}

void TDProjFile::GetBuildConfigurations(std::vector<UnicodeString>& AList) {
  AList.clear();
  for (TXmlNode* Config : ChildrenByName(GetItemGroup(), "BuildConfiguration")) {
    TXmlNode* Key = Config->NodeByName("Key");
    if (Key != nullptr) AList.push_back(Key->GetValueAsUnicodeString());
  }
}

std::vector<UnicodeString> TDProjFile::GetBuildConfigurations() {
  std::vector<UnicodeString> Result;
  GetBuildConfigurations(Result);
  return Result;
}

void TDProjFile::RemoveUnusedPlatforms() {
  if (GetProjectVersion() < cMinPlatformVersion) return;
  AdjustKnownPlatformNames();
  AssurePlatformsExist();
  TXmlNode* PlatformsNode = GetPlatforms();
  // Without BorlandProject no platform can be recorded as used; removing groups then would
  // strip every platform from the project.
  if (PlatformsNode == nullptr) return;

  const std::vector<UnicodeString> Known = GetKnownPlatforms();
  const std::vector<Integer> Masks = GetPlatformMasks();

  // Older projects record their platforms only as bits.
  TXmlNode* Main = GetMainGroup();
  TXmlNode* Targeted = Main != nullptr ? Main->NodeByName("TargetedPlatforms") : nullptr;
  if (PlatformEntries(PlatformsNode).empty() && Targeted != nullptr) {
    const Integer Bits = Targeted->ValueAsIntegerDef(1);
    for (size_t I = 0; I < Masks.size() && I < Known.size(); ++I) {
      if ((Masks[I] & Bits) > 0) {
        TXmlNode* Entry =
            TXmlNodeHelper::NodeNew(PlatformsNode, "Platform", "value", vxUnicodeToUtf8(Known[I]));
        Entry->SetValueAsUnicodeString(u"true");
      }
    }
  }

  TUsedPlatforms Used;
  const std::vector<TXmlNode*> Entries = PlatformEntries(PlatformsNode);
  for (auto It = Entries.rbegin(); It != Entries.rend(); ++It)
    if ((*It)->GetValueAsBool()) Used.Add((*It)->GetAttributeByNameWide("value"));

  // Groups conditioned on one platform.
  static const UnicodeString cPlatformCondition = u"'$(Platform)'=='";
  const std::vector<TXmlNode*> Groups = ChildrenByName(GetRoot(), "PropertyGroup");
  for (auto It = Groups.rbegin(); It != Groups.rend(); ++It) {
    const UnicodeString Condition = (*It)->GetAttributeByNameWide("Condition");
    const auto Start = Condition.find(cPlatformCondition);
    if (Start == UnicodeString::npos) continue;
    const auto NameStart = Start + cPlatformCondition.size();
    const auto NameEnd = Condition.find(u'\'', NameStart);
    const UnicodeString Name =
        NameEnd == UnicodeString::npos ? UnicodeString() : Condition.substr(NameStart, NameEnd - NameStart);
    if (!Name.empty() && !Used.Contains(Name)) DeleteNodeSafe(*It);
  }

  // Groups of one build configuration on one platform. Each goes as GetPropertyGroup would
  // find it (the first root PropertyGroup whose whole Condition matches ignoring case), but
  // through one index of the conditions instead of a scan of the root per configuration and
  // platform. A group found leaves the index with its deletion, so a condition asked for twice
  // (keys that differ only in case) takes the next such group, as a second scan would.
  std::vector<TXmlNode*> ConditionGroups;
  TTextLookup ByCondition;
  for (int I = 0; I < GetRoot()->GetNodeCount(); ++I) {
    TXmlNode* Node = GetRoot()->GetNodes(I);
    if (!vxUTF8SameTextNoCase(Node->Name(), "PropertyGroup") || !Node->HasAttribute("Condition")) continue;
    ByCondition.Add(Node->GetAttributeByNameWide("Condition"), static_cast<Integer>(ConditionGroups.size()));
    ConditionGroups.push_back(Node);
  }
  for (const UnicodeString& Key : GetBuildConfigurations()) {
    for (const UnicodeString& PlatformName : Known) {
      if (Used.Contains(PlatformName)) continue;
      const UnicodeString Variable = Format(u"$(%s_%s)", {Key, PlatformName});
      const Integer Found = ByCondition.Take(_NE(Variable, UnicodeString()));
      if (Found >= 0) DeleteNodeSafe(ConditionGroups[static_cast<size_t>(Found)]);
    }
  }

  TXmlNode* DeploymentNode = GetDeployment();
  if (DeploymentNode == nullptr) return;
  for (int I = DeploymentNode->GetNodeCount() - 1; I >= 0; --I) {
    TXmlNode* Entry = DeploymentNode->GetNodes(I);
    const UTF8String& EntryName = Entry->Name();
    if (EntryName == "ProjectRoot") {
      if (!Entry->HasAttribute("Platform") || !Used.Contains(Entry->GetAttributeByNameWide("Platform")))
        DeploymentNode->NodeDelete(I);
    } else if (EntryName == "DeployFile" || EntryName == "DeployClass") {
      for (int J = Entry->GetNodeCount() - 1; J >= 0; --J) {
        TXmlNode* Target = Entry->GetNodes(J);
        if (Target->Name() != "Platform") continue;
        if (!Target->HasAttribute("name") || !Used.Contains(Target->GetAttributeByNameWide("name")))
          Entry->NodeDelete(J);
      }
      if (Entry->GetNodeCount() == 0) DeploymentNode->NodeDelete(I);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Other sections

void TDProjFile::RefreshFormType() {
  if (GetProjectVersion() < cMinPlatformVersion) return;
  const UnicodeString Framework = GetFrameWorkType();
  for (TXmlNode* Reference : ChildrenByName(GetItemGroup(), "DCCReference")) {
    if (Reference->NodeByName("Form") == nullptr || Reference->NodeByName("FormType") != nullptr)
      continue;
    const UnicodeString DesignClass = ChildValue(Reference, "DesignClass");
    const bool IsFmx = AnsiSameText(Framework, u"FMX") && !AnsiSameText(DesignClass, u"TDataModule");
    TXmlNode* FormType = Reference->NodeNew("FormType");
    FormType->SetValueAsUnicodeString(IsFmx ? u"fmx" : u"dfm");
    if (!DesignClass.empty()) {
      const int Index = FormType->IndexInParent();
      Reference->NodeExchange(Index, Index - 1);
    }
  }
}

void TDProjFile::RemoveDeployment() { DeleteNodeSafe(GetDeployment()); }

void TDProjFile::RemoveExcludedPackages() {
  TXmlNode* Node = GetExcludedPackages();
  if (Node != nullptr) Node->NodesClear();
}

void TDProjFile::RemoveUWP() {
  const std::vector<TXmlNode*> Groups = ChildrenByName(GetRoot(), "PropertyGroup");
  for (auto It = Groups.rbegin(); It != Groups.rend(); ++It) {
    TXmlNodeHelper::DeleteNode(*It, "UWP_DelphiLogo150");
    TXmlNodeHelper::DeleteNode(*It, "UWP_DelphiLogo44");
  }
}

// ---------------------------------------------------------------------------------------------
// Operations on a file

void TDProjFile::RefreshFormType(const UnicodeString& AFileName) {
  TDProjFile Project(AFileName);
  Project.RefreshFormType();
  Project.SaveToFile();
}

void TDProjFile::RemoveUnusedPlatforms(const UnicodeString& AFileName) {
  TDProjFile Project(AFileName);
  // A failure leaves the document half edited; the exception skips the save, so the file on
  // disk keeps its old content.
  Project.RemoveUnusedPlatforms();
  Project.SaveToFile();
}

}  // namespace Vorlane
