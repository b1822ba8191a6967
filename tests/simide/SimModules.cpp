#include "simide/SimModules.h"

#include <algorithm>
#include <cstring>

#include "platform/FileSystem.h"
#include "projfile/ConfigItem.h"
#include "projfile/FileHelper.h"
#include "simide/SimIDE.h"

namespace Vorlane {

namespace {

UnicodeString ChildText(TXmlNode* ANode, const char* AName) {
  TXmlNode* LChild = ANode ? ANode->NodeByName(AName) : nullptr;
  return LChild ? LChild->GetValueAsUnicodeString() : UnicodeString();
}

UnicodeString ConfigCondition(const UnicodeString& AKey) {
  return TCustomProjFile::_NE(TCustomProjFile::_Var(AKey), UnicodeString());
}

// The elements of the group of that condition, first one of a name wins.
void ReadValues(TCustomProjFile& AFile, const UnicodeString& AKey,
                std::vector<std::pair<UnicodeString, UnicodeString>>& AValues) {
  TXmlNode* LGroup = AFile.GetPropertyGroup(ConfigCondition(AKey));
  if (!LGroup) return;
  for (Integer I = 0; I < LGroup->GetNodeCount(); ++I) {
    TXmlNode* LNode = LGroup->GetNodes(I);
    if (LNode->ElementType() != xeNormal || LNode->Name().empty()) continue;
    const UnicodeString LName = UTF8ToUnicode(LNode->Name());
    if (std::none_of(AValues.begin(), AValues.end(), [&](const auto& V) { return SameText(V.first, LName); }))
      AValues.emplace_back(LName, LNode->GetValueAsUnicodeString());
  }
}

class TSimEditReader : public TInterfacedObject, public virtual IOTAEditReader {
 public:
  explicit TSimEditReader(TSimEditor* AEditor) : FEditor(AEditor) {}

  Integer GetText(Integer APosition, char* ABuffer, Integer ACount) override {
    const std::string& LText = FEditor->Content();
    if (APosition < 0 || ACount <= 0 || static_cast<size_t>(APosition) >= LText.size()) return 0;
    const size_t LCount = std::min(static_cast<size_t>(ACount), LText.size() - static_cast<size_t>(APosition));
    std::memcpy(ABuffer, LText.data() + APosition, LCount);
    return static_cast<Integer>(LCount);
  }

 private:
  TIntfPtr<TSimEditor> FEditor;
};

class TSimEditWriter : public TInterfacedObject, public virtual IOTAEditWriter {
 public:
  explicit TSimEditWriter(TSimEditor* AEditor) : FEditor(AEditor), FOriginal(AEditor->Content()) {}
  // The buffer changes when the writer goes.
  ~TSimEditWriter() override {
    FResult.append(FOriginal, FPos, std::string::npos);
    FEditor->SetContent(std::move(FResult));
  }

  void CopyTo(Integer APos) override {
    const size_t LTo = Target(APos);
    FResult.append(FOriginal, FPos, LTo - FPos);
    FPos = LTo;
  }
  void DeleteTo(Integer APos) override { FPos = Target(APos); }
  void Insert(const char* AText) override {
    if (AText) FResult += AText;
  }
  Integer GetCurrentPos() override { return static_cast<Integer>(FPos); }

 private:
  size_t Target(Integer APos) const {
    const size_t LTo = std::min(static_cast<size_t>(std::max<Integer>(APos, 0)), FOriginal.size());
    if (LTo < FPos) throw EInvalidOperation(u"The edit writer cannot move backwards");
    return LTo;
  }

  TIntfPtr<TSimEditor> FEditor;
  std::string FOriginal;
  std::string FResult;
  size_t FPos = 0;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Editors

TSimEditor::TSimEditor(TSimModule* AModule, const UnicodeString& AFileName, std::string AContent)
    : FModule(AModule), FFileName(AFileName), FContent(std::move(AContent)) {}

TIntfPtr<IOTAModule> TSimEditor::GetModule() { return TIntfPtr<IOTAModule>(FModule); }

void TSimEditor::SetContent(std::string AValue) {
  FContent = std::move(AValue);
  FModified = true;
}

TIntfPtr<IOTAEditReader> TSimSourceEditor::CreateReader() {
  return TIntfPtr<IOTAEditReader>(new TSimEditReader(this));
}

TIntfPtr<IOTAEditWriter> TSimSourceEditor::CreateUndoableWriter() {
  return TIntfPtr<IOTAEditWriter>(new TSimEditWriter(this));
}

// ---------------------------------------------------------------------------------------------
// Modules

TSimModule::TSimModule(TSimIDE* AIDE, const UnicodeString& AFileName) : FIDE(AIDE), FFileName(AFileName) {}

TSimModule::~TSimModule() = default;

Integer TSimModule::AddNotifier(IOTAModuleNotifier* ANotifier) {
  if (!FIDE) throw EInvalidOperation(u"The module is closed");
  return FNotifiers.Add(FIDE->TakeIndex(), ANotifier);
}

TIntfPtr<IOTAEditor> TSimModule::GetModuleFileEditor(Integer AIndex) {
  if (AIndex < 0 || AIndex >= GetModuleFileCount()) return nullptr;
  return TIntfPtr<IOTAEditor>(FEditors[static_cast<size_t>(AIndex)].Get());
}

bool TSimModule::HasFileName(const UnicodeString& AFileName) {
  if (AnsiSameText(FFileName, AFileName)) return true;
  return FindEditor(AFileName) != nullptr;
}

void TSimModule::AddEditor(TSimEditor* AEditor) { FEditors.emplace_back(AEditor); }

TSimEditor* TSimModule::FindEditor(const UnicodeString& AFileName) {
  for (const auto& LEditor : FEditors)
    if (AnsiSameText(LEditor->GetFileName(), AFileName)) return LEditor.Get();
  return nullptr;
}

void TSimModule::NotifyEach(const std::function<void(IOTAModuleNotifier*)>& AEvent) {
  TIntfPtr<IOTAModule> LKeep(this);
  for (auto& [LIndex, LNotifier] : FNotifiers.Snapshot())
    if (FNotifiers.Contains(LIndex)) AEvent(LNotifier.Get());
}

void TSimModule::Detach() {
  for (const auto& LEditor : FEditors) LEditor->Detach();
  FNotifiers.Clear();
  FIDE = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Build configurations

TSimBuildConfiguration::TSimBuildConfiguration(TSimProject* AProject, const UnicodeString& AKey,
                                               const UnicodeString& AName, const UnicodeString& APlatform,
                                               TSimBuildConfiguration* AParent)
    : FProject(AProject), FKey(AKey), FName(AName), FPlatform(APlatform), FParent(AParent) {}

TIntfPtr<IOTABuildConfiguration> TSimBuildConfiguration::GetParent() {
  return TIntfPtr<IOTABuildConfiguration>(FParent);
}

TIntfPtr<IOTABuildConfiguration> TSimBuildConfiguration::GetChild(Integer AIndex) {
  if (AIndex < 0 || AIndex >= GetChildCount()) return nullptr;
  return TIntfPtr<IOTABuildConfiguration>(FChildren[static_cast<size_t>(AIndex)]);
}

TArrayOfString TSimBuildConfiguration::GetPlatforms() {
  TArrayOfString LResult;
  for (TSimBuildConfiguration* LConfig : FPlatformConfigs) LResult.push_back(LConfig->FPlatform);
  return LResult;
}

TIntfPtr<IOTABuildConfiguration> TSimBuildConfiguration::GetPlatformConfiguration(const UnicodeString& APlatform) {
  for (TSimBuildConfiguration* LConfig : FPlatformConfigs)
    if (SameText(LConfig->FPlatform, APlatform)) return TIntfPtr<IOTABuildConfiguration>(LConfig);
  return nullptr;
}

const std::pair<UnicodeString, UnicodeString>* TSimBuildConfiguration::Find(const UnicodeString& APropName) const {
  for (const auto& LValue : FValues)
    if (SameText(LValue.first, APropName)) return &LValue;
  return nullptr;
}

UnicodeString TSimBuildConfiguration::GetValue(const UnicodeString& APropName, bool AIncludeInheritedValue) {
  for (const TSimBuildConfiguration* LConfig = this; LConfig;
       LConfig = AIncludeInheritedValue ? LConfig->FParent : nullptr)
    if (const auto* LValue = LConfig->Find(APropName)) return LValue->second;
  return UnicodeString();
}

void TSimBuildConfiguration::SetValue(const UnicodeString& APropName, const UnicodeString& AValue) {
  if (auto* LValue = const_cast<std::pair<UnicodeString, UnicodeString>*>(Find(APropName)))
    LValue->second = AValue;
  else
    FValues.emplace_back(APropName, AValue);
  Changed();
}

bool TSimBuildConfiguration::GetBoolean(const UnicodeString& APropName, bool AIncludeInheritedValue) {
  return SameText(GetValue(APropName, AIncludeInheritedValue), u"true");
}

void TSimBuildConfiguration::Remove(const UnicodeString& APropName) {
  auto LIt = std::find_if(FValues.begin(), FValues.end(), [&](const auto& V) { return SameText(V.first, APropName); });
  if (LIt == FValues.end()) return;
  FValues.erase(LIt);
  Changed();
}

void TSimBuildConfiguration::Changed() {
  if (FProject) FProject->SetModified(true);
}

void TSimBuildConfiguration::Detach() {
  FProject = nullptr;
  FParent = nullptr;
  FChildren.clear();
  FPlatformConfigs.clear();
}

// ---------------------------------------------------------------------------------------------
// Project options

bool TSimProjectOptions::GetModifiedState() { return FProject && FProject->Modified(); }

TIntfPtr<IOTABuildConfiguration> TSimProjectOptions::GetConfiguration(Integer AIndex) {
  if (AIndex < 0 || AIndex >= GetConfigurationCount()) return nullptr;
  return TIntfPtr<IOTABuildConfiguration>(FConfigurations[static_cast<size_t>(AIndex)]);
}

TIntfPtr<IOTABuildConfiguration> TSimProjectOptions::GetActiveConfiguration() {
  return TIntfPtr<IOTABuildConfiguration>(FActive);
}

TIntfPtr<IOTABuildConfiguration> TSimProjectOptions::GetBaseConfiguration() {
  return FConfigurations.empty() ? nullptr : TIntfPtr<IOTABuildConfiguration>(FConfigurations.front());
}

TSimBuildConfiguration* TSimProjectOptions::Find(const UnicodeString& AKey) {
  for (const auto& LConfig : FAll)
    if (SameText(LConfig->GetKey(), AKey)) return LConfig.Get();
  return nullptr;
}

void TSimProjectOptions::Detach() {
  for (const auto& LConfig : FAll) LConfig->Detach();
  FAll.clear();
  FConfigurations.clear();
  FActive = nullptr;
  FProject = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Projects

TSimProject::TSimProject(TSimIDE* AIDE, const UnicodeString& AFileName)
    : TSimModule(AIDE, AFileName), FOptions(new TSimProjectOptions(this)) {}

TIntfPtr<IOTAProjectOptions> TSimProject::GetProjectOptions() { return TIntfPtr<IOTAProjectOptions>(FOptions.Get()); }

bool TSimProject::HasFileName(const UnicodeString& AFileName) {
  return TSimModule::HasFileName(AFileName) || AnsiSameText(FSourceFileName, AFileName);
}

void TSimProject::ReadProjectFile() {
  FOptions->Detach();
  FOptions = TIntfPtr<TSimProjectOptions>(new TSimProjectOptions(this));
  auto LDocument = std::make_unique<TDprojXml>();
  if (FileExists(GetFileName())) LDocument->LoadFromFile(GetFileName());
  FDocument = std::move(LDocument);
  TCustomProjFile LFile(FDocument.get());

  const UnicodeString LAppType = ChildText(LFile.GetMainGroup(), "AppType");
  FApplicationType = LAppType.empty() ? UnicodeString(u"Application") : LAppType;

  FPlatforms.clear();
  if (TXmlNode* LPlatforms = LFile.GetPlatforms())
    for (Integer I = 0; I < LPlatforms->GetNodeCount(); ++I)
      if (LPlatforms->GetNodes(I)->Name() == "Platform")
        FPlatforms.push_back(LPlatforms->GetNodes(I)->GetAttributeByNameWide("value"));

  const UnicodeString LDpk = ChangeFileExt(GetFileName(), u".dpk");
  const UnicodeString LDpr = ChangeFileExt(GetFileName(), u".dpr");
  FSourceFileName = FileExists(LDpk) || (!FileExists(LDpr) && SameText(FApplicationType, u"Package")) ? LDpk : LDpr;

  // The configuration tree as the project file lists it; a platform configuration for every
  // platform of the project below each configuration.
  TXmlNodeList LNodes;
  if (TXmlNode* LItemGroup = LFile.GetItemGroup()) LItemGroup->NodesByName("BuildConfiguration", &LNodes);
  TConfigItem LTree;
  std::vector<std::pair<UnicodeString, TSimBuildConfiguration*>> LByKey;
  auto Add = [&](const UnicodeString& AKey, const UnicodeString& AName, const UnicodeString& APlatform,
                 TSimBuildConfiguration* AParent) {
    auto* LConfig = new TSimBuildConfiguration(this, AKey, AName, APlatform, AParent);
    FOptions->All().emplace_back(LConfig);
    ReadValues(LFile, AKey, LConfig->Values());
    return LConfig;
  };
  auto AddConfig = [&](const UnicodeString& AKey, const UnicodeString& AName, const UnicodeString& AParentKey) {
    TSimBuildConfiguration* LParent = nullptr;
    for (const auto& [LKey, LConfig] : LByKey)
      if (LKey == AParentKey) LParent = LConfig;
    TSimBuildConfiguration* LConfig = Add(AKey, AName, UnicodeString(), LParent);
    if (LParent) LParent->Children().push_back(LConfig);
    FOptions->Configurations().push_back(LConfig);
    LByKey.emplace_back(AKey, LConfig);
    for (const UnicodeString& LPlatform : FPlatforms)
      LConfig->PlatformConfigurations().push_back(Add(AKey + u"_" + LPlatform, AName, LPlatform, LConfig));
  };
  if (LTree.LoadFromNodes(LNodes))
    LTree.Iterate([&](TConfigItem* AItem) { AddConfig(AItem->Key(), AItem->Name(), AItem->CfgParent()); });
  else
    AddConfig(u"Base", u"Base", UnicodeString());

  FOptions->SetActive(FOptions->Configurations().front());
  const UnicodeString LActive = ChildText(LFile.GetMainGroup(), "Config");
  for (TSimBuildConfiguration* LConfig : FOptions->Configurations())
    if (SameText(LConfig->GetName(), LActive)) FOptions->SetActive(LConfig);
  FModified = false;
}

// A real IDE renders the project from its model: what the add-in changed in the file since it
// was read (its per-user values put back, say) is overwritten by the IDE's own state.
void TSimProject::WriteProjectFile() {
  TCustomProjFile LFile(FDocument.get());
  for (const auto& LConfig : FOptions->All()) {
    const UnicodeString LCondition = ConfigCondition(LConfig->GetKey());
    TXmlNode* LGroup = LFile.GetPropertyGroup(LCondition);
    for (Integer I = LGroup ? LGroup->GetNodeCount() - 1 : -1; I >= 0; --I) {
      TXmlNode* LNode = LGroup->GetNodes(I);
      if (LNode->ElementType() == xeNormal && !LNode->Name().empty() && !LConfig->HasKey(UTF8ToUnicode(LNode->Name())))
        LGroup->NodeDelete(I);
    }
    for (const auto& [LName, LValue] : LConfig->Values()) {
      if (!LGroup) LGroup = LFile.CreatePropertyGroup(LCondition);
      LGroup->NodeFindOrCreate(UnicodeToUTF8(LName))->SetValueAsUnicodeString(LValue);
    }
  }
  FDocument->SaveToFile(GetFileName());
  FModified = false;
}

void TSimProject::Detach() {
  FOptions->Detach();
  TSimModule::Detach();
}

// ---------------------------------------------------------------------------------------------
// Project groups

TIntfPtr<IOTAProject> TSimProjectGroup::GetProject(Integer AIndex) {
  if (AIndex < 0 || AIndex >= GetProjectCount()) return nullptr;
  return TIntfPtr<IOTAProject>(FProjects[static_cast<size_t>(AIndex)].Get());
}

TIntfPtr<IOTAProject> TSimProjectGroup::GetActiveProject() { return FIDE ? FIDE->ActiveProject() : nullptr; }

void TSimProjectGroup::SetActiveProject(IOTAProject* AProject) {
  if (FIDE) FIDE->SetActiveProject(AProject);
}

}  // namespace Vorlane
