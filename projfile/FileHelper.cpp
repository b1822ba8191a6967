#include "projfile/FileHelper.h"

#include <memory>

#include "platform/FileSystem.h"
#include "xml/XmlText.h"

namespace Vorlane {

namespace {

bool SameNodeName(TXmlNode* ANode, const char* AName) {
  return vxUTF8SameTextNoCase(ANode->Name(), AName);
}

// Direct child of AParent whose element name matches AName ignoring case.
TXmlNode* ChildByName(TXmlNode* AParent, const char* AName) {
  if (AParent == nullptr) return nullptr;
  return AParent->NodeByName(AName);
}

UnicodeString QuotedStr(const UnicodeString& A) {
  UnicodeString Result = u"'";
  for (char16_t C : A) {
    Result += C;
    if (C == u'\'') Result += C;
  }
  Result += u'\'';
  return Result;
}

std::vector<UnicodeString> DefaultKnownPlatforms() {
  return {u"Win32",       u"Win64",       u"OSX32",      u"iOSSimulator", u"Android",
          u"Linux32",     u"iOSDevice",   u"Linux64",    u"WinNX32",      u"WinIoT32",
          u"iOSDevice64", u"WinARM32",    u"OSX64",      u"LinuxARM32",   u"LinuxARM64",
          u"Android64",   u"iOSSimulator64", u"OSXARM64", u"WinARM64",    u"iOSSimARM64",
          u"Win64x"};
}

std::vector<Integer> DefaultPlatformMasks() {
  std::vector<Integer> Result;
  for (int I = 0; I < 21; ++I) Result.push_back(static_cast<Integer>(1u << I));
  return Result;
}

// The process-wide tables; they live until the program ends.
std::vector<UnicodeString>& KnownPlatformsTable() {
  static std::vector<UnicodeString> Table;
  return Table;
}

std::vector<Integer>& PlatformMasksTable() {
  static std::vector<Integer> Table;
  return Table;
}

void CheckPlatformTables() {
  if (TCustomProjFile::GetKnownPlatforms().size() != TCustomProjFile::GetPlatformMasks().size())
    throw EProgrammerNotFound(u"Arrays KnownPlatforms and PlatformMasks have different length!");
}

// Depth-first search of N's subtree for AName with AAttribute = AValue.
TXmlNode* FindByAttribute(TXmlNode* N, const UTF8String& AName, const UTF8String& AAttribute,
                          const UTF8String& AValue) {
  if (N == nullptr) return nullptr;
  return N->NodeByAttributeValue(AName, AAttribute, AValue, true);
}

bool IsInSubtree(TXmlNode* ANode, TXmlNode* ARoot) {
  for (TXmlNode* P = ANode; P != nullptr; P = P->Parent())
    if (P == ARoot) return true;
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TXmlNodeHelper

void TXmlNodeHelper::DeleteNode(TXmlNode* N, const UTF8String& AName) {
  if (N == nullptr) return;
  TXmlNode* Child = N->NodeByName(AName);
  if (Child != nullptr) Child->Delete();
}

void TXmlNodeHelper::DeleteNode(TXmlNode* N, const UTF8String& AName, const UTF8String& AAttribute,
                                const UTF8String& AValue) {
  TXmlNode* Found = FindByAttribute(N, AName, AAttribute, AValue);
  if (Found != nullptr) Found->Delete();
}

TXmlNode* TXmlNodeHelper::NodeNew(TXmlNode* N, const UTF8String& AName, const UTF8String& AAttribute,
                                  const UTF8String& AValue) {
  if (N == nullptr) return nullptr;
  TXmlNode* Result = N->NodeNew(AName);
  Result->AttributeAdd(AAttribute, AValue);
  return Result;
}

TXmlNode* TXmlNodeHelper::NodeFindOrCreate(TXmlNode* N, const UTF8String& AName,
                                           const UTF8String& AAttribute, const UTF8String& AValue) {
  TXmlNode* Found = FindByAttribute(N, AName, AAttribute, AValue);
  if (Found != nullptr) return Found;
  return NodeNew(N, AName, AAttribute, AValue);
}

// ---------------------------------------------------------------------------------------------
// TCustomProjFile: construction

TCustomProjFile::TCustomProjFile() { CheckPlatformTables(); }

TCustomProjFile::TCustomProjFile(const UnicodeString& AFileName) : TCustomProjFile() {
  auto XML = std::make_unique<TDprojXml>();
  if (FileExists(AFileName)) XML->LoadFromFile(AFileName);
  FFileName = AFileName;
  FXML = XML.release();
  FOwnsXML = true;
}

TCustomProjFile::TCustomProjFile(TDprojXml* AXML) : TCustomProjFile() { FXML = AXML; }

TCustomProjFile::~TCustomProjFile() {
  if (FOwnsXML) delete FXML;
}

// ---------------------------------------------------------------------------------------------
// Document level

void TCustomProjFile::Clear() {
  if (FXML != nullptr) FXML->Clear();
}

void TCustomProjFile::SaveToFile() {
  if (!FFileName.empty() && FXML != nullptr) FXML->SaveToFile(FFileName);
}

void TCustomProjFile::SilentSaveToFile() {
  if (!FFileName.empty() && FXML != nullptr) FXML->SilentSaveToFile(FFileName);
}

TXmlNode* TCustomProjFile::GetRoot() { return FXML != nullptr ? FXML->GetRoot() : nullptr; }

// ---------------------------------------------------------------------------------------------
// Property groups and item group

TXmlNode* TCustomProjFile::GetPropertyGroup(const UnicodeString& ACondition) {
  TXmlNode* R = GetRoot();
  if (R == nullptr) return nullptr;
  for (int I = 0; I < R->GetNodeCount(); ++I) {
    TXmlNode* Node = R->GetNodes(I);
    if (!SameNodeName(Node, "PropertyGroup")) continue;
    if (ACondition.empty()) return Node;
    if (Node->HasAttribute("Condition") &&
        AnsiSameText(Node->GetAttributeByNameWide("Condition"), ACondition))
      return Node;
  }
  return nullptr;
}

TXmlNode* TCustomProjFile::GetMainGroup() {
  if (FMainGroup == nullptr) FMainGroup = GetPropertyGroup(UnicodeString());
  return FMainGroup;
}

TXmlNode* TCustomProjFile::GetBaseGroup() {
  if (FBaseGroup == nullptr) FBaseGroup = GetPropertyGroup(_NE(u"$(Base)", UnicodeString()));
  return FBaseGroup;
}

TXmlNode* TCustomProjFile::CreatePropertyGroup(const UnicodeString& ACondition) {
  TXmlNode* Result = GetPropertyGroup(ACondition);
  if (Result != nullptr) return Result;
  TXmlNode* R = GetRoot();
  if (R == nullptr) return nullptr;
  Result = R->NodeNew("PropertyGroup");
  if (!ACondition.empty()) Result->SetAttributeByNameWide("Condition", ACondition);
  return Result;
}

TXmlNode* TCustomProjFile::CreateMainGroup() { return CreatePropertyGroup(UnicodeString()); }

TXmlNode* TCustomProjFile::GetItemGroup() {
  if (FItemGroup == nullptr) FItemGroup = ChildByName(GetRoot(), "ItemGroup");
  return FItemGroup;
}

void TCustomProjFile::SetItemGroup(TXmlNode* AValue) {
  TXmlNode* Group = GetItemGroup();
  if (Group == nullptr || AValue == nullptr || AValue == Group) return;
  // A source that holds the item group cannot hand its children into it without putting the
  // group inside itself.
  if (IsInSubtree(Group, AValue)) return;
  // The children are taken out before the group is emptied: the source may lie inside the
  // item group and go with its old content.
  std::vector<std::unique_ptr<TXmlNode>> Moved;
  while (AValue->GetNodeCount() > 0) Moved.emplace_back(AValue->NodeExtract(AValue->GetNodes(0)));
  Group->NodesClear();
  for (auto& Child : Moved)
    if (Group->NodeAdd(Child.get()) >= 0) Child.release();
}

// ---------------------------------------------------------------------------------------------
// Project extensions

TXmlNode* TCustomProjFile::GetProjectExtensions() {
  if (FProjectExtensions == nullptr) FProjectExtensions = ChildByName(GetRoot(), "ProjectExtensions");
  return FProjectExtensions;
}

TXmlNode* TCustomProjFile::GetBorlandProject() {
  if (FBorlandProject == nullptr) FBorlandProject = ChildByName(GetProjectExtensions(), "BorlandProject");
  return FBorlandProject;
}

UnicodeString TCustomProjFile::GetPersonalityName() {
  if (FPersonalityName.empty()) {
    UnicodeString Result = u"Delphi.Personality";
    TXmlNode* Node = ChildByName(GetProjectExtensions(), "Borland.Personality");
    if (Node != nullptr) {
      Result = Node->GetValueAsUnicodeString();
      // A trailing version part (Delphi.Personality.12) is not part of the element name.
      const auto Dot = Result.rfind(u'.');
      if (Dot != UnicodeString::npos && Dot > 0) Result.resize(Dot);
    }
    FPersonalityName = Result;
  }
  return FPersonalityName;
}

TXmlNode* TCustomProjFile::GetPersonality() {
  if (FPersonality == nullptr) {
    TXmlNode* Parent = GetBorlandProject();
    if (Parent != nullptr) {
      const UnicodeString Name = GetPersonalityName();
      if (!Name.empty()) FPersonality = Parent->NodeByName(vxUnicodeToUtf8(Name));
    }
  }
  return FPersonality;
}

TXmlNode* TCustomProjFile::GetDeployment() {
  if (FDeployment == nullptr) FDeployment = ChildByName(GetBorlandProject(), "Deployment");
  return FDeployment;
}

TXmlNode* TCustomProjFile::GetExcludedPackages() {
  if (FExcludedPackages == nullptr) FExcludedPackages = ChildByName(GetPersonality(), "Excluded_Packages");
  return FExcludedPackages;
}

TXmlNode* TCustomProjFile::GetPlatforms() {
  if (FPlatforms == nullptr) FPlatforms = ChildByName(GetBorlandProject(), "Platforms");
  return FPlatforms;
}

void TCustomProjFile::AssurePlatformsExist() {
  if (FPlatforms != nullptr) return;
  TXmlNode* Parent = GetBorlandProject();
  if (Parent == nullptr) return;
  FPlatforms = Parent->NodeFindOrCreate("Platforms");
}

// ---------------------------------------------------------------------------------------------
// Project-format version

double TCustomProjFile::GetProjectVersion() {
  TXmlNode* Node = ChildByName(GetMainGroup(), "ProjectVersion");
  if (Node == nullptr) return 0;
  return Node->ValueAsFloatDef(0);
}

// ---------------------------------------------------------------------------------------------
// Condition builders

UnicodeString TCustomProjFile::_Var(const UnicodeString& A) { return u"$(" + A + u")"; }

UnicodeString TCustomProjFile::_EQ(const UnicodeString& A, const UnicodeString& B) {
  return QuotedStr(A) + u"==" + QuotedStr(B);
}

UnicodeString TCustomProjFile::_NE(const UnicodeString& A, const UnicodeString& B) {
  return QuotedStr(A) + u"!=" + QuotedStr(B);
}

UnicodeString TCustomProjFile::_AND(const UnicodeString& A, const UnicodeString& B) {
  return A + u" and " + B;
}

UnicodeString TCustomProjFile::_OR(const UnicodeString& A, const UnicodeString& B) {
  return A + u" or " + B;
}

UnicodeString TCustomProjFile::_Brackets(const UnicodeString& A) { return u"(" + A + u")"; }

// ---------------------------------------------------------------------------------------------
// Platform tables

std::vector<UnicodeString> TCustomProjFile::GetKnownPlatforms() {
  auto& Table = KnownPlatformsTable();
  if (Table.empty()) Table = DefaultKnownPlatforms();
  return Table;
}

void TCustomProjFile::SetKnownPlatforms(const std::vector<UnicodeString>& AValue) {
  KnownPlatformsTable() = AValue;
}

std::vector<Integer> TCustomProjFile::GetPlatformMasks() {
  auto& Table = PlatformMasksTable();
  if (Table.empty()) Table = DefaultPlatformMasks();
  return Table;
}

void TCustomProjFile::SetPlatformMasks(const std::vector<Integer>& AValue) {
  PlatformMasksTable() = AValue;
}

// ---------------------------------------------------------------------------------------------
// Cache upkeep

void TCustomProjFile::ForgetCachedNodesIn(TXmlNode* ANode) {
  if (ANode == nullptr) return;
  TXmlNode** Fields[] = {&FBaseGroup, &FBorlandProject,   &FPersonality, &FDeployment,
                         &FExcludedPackages, &FItemGroup, &FMainGroup,   &FPlatforms,
                         &FProjectExtensions};
  for (TXmlNode** Field : Fields)
    if (*Field != nullptr && IsInSubtree(*Field, ANode)) *Field = nullptr;
}

void TCustomProjFile::DeleteNodeSafe(TXmlNode* ANode) {
  if (ANode == nullptr) return;
  ForgetCachedNodesIn(ANode);
  ANode->Delete();
}

}  // namespace Vorlane
