#include "addin/Handler.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/StringList.h"
#include "projfile/CleanLineFeeds.h"
#include "projfile/DfmHandler.h"
#include "projfile/DpkFile.h"
#include "projfile/DprojFile.h"
#include "projfile/NormalizerDprojFile.h"
#include "projfile/SplitterDprojFile.h"

namespace Vorlane {

namespace {

const UnicodeString cPackage = u"Package";
const UnicodeString cDllSuffix = u"DllSuffix";
constexpr Integer cReadChunk = 1024;

// Keys cleared from child build configurations, in the order they are removed.
const std::array<const char16_t*, 4> cAppKeys = {u"OutputExt", u"Icon_MainIcon", u"Icns_MainIcns", u"Manifest_File"};
const std::array<const char16_t*, 6> cPackageKeys = {u"DllPrefixDefined", u"DllPrefix",       u"DllVersion",
                                                     u"DllSuffix",        u"DCC_Description", u"DCC_OutputNeverBuildDcps"};
const std::array<const char16_t*, 9> cVerInfoKeys = {
    u"VerInfo_IncludeVerInfo", u"VerInfo_AutoGenVersion", u"VerInfo_AutoIncVersion",
    u"VerInfo_MajorVer",       u"VerInfo_MinorVer",       u"VerInfo_Release",
    u"VerInfo_Build",          u"VerInfo_Locale",         u"VerInfo_Keys"};

template <size_t N>
void RemoveKeys(IOTABuildConfiguration* AConfig, const std::array<const char16_t*, N>& AKeys) {
  for (const char16_t* LKey : AKeys) AConfig->Remove(LKey);
}

bool IsPackageProject(IOTAProject* AProject) { return AnsiSameText(AProject->GetApplicationType(), cPackage); }

bool EndsWithLineBreak(const UnicodeString& AText) {
  return !AText.empty() && (AText.back() == u'\r' || AText.back() == u'\n');
}

// The lines joined by CR LF, with one final CR LF only when the buffer they came from ended
// with a line break: rewriting a buffer must not add or drop its last line break.
UnicodeString JoinLines(TStringList& ALines, bool AFinalLineBreak) {
  ALines.SetLineBreak(u"\r\n");
  ALines.SetTrailingLineBreak(AFinalLineBreak);
  return ALines.Text();
}

// The root of the project's configuration tree; nil when the project has none.
TIntfPtr<IOTABuildConfiguration> RootConfiguration(IOTAProject* AProject) {
  TIntfPtr<IOTAProjectOptionsConfigurations> LConfigs =
      InterfaceCast<IOTAProjectOptionsConfigurations>(AProject->GetProjectOptions());
  if (!LConfigs) return nullptr;
  TIntfPtr<IOTABuildConfiguration> LConfig = LConfigs->GetActiveConfiguration();
  if (!LConfig) LConfig = LConfigs->GetBaseConfiguration();
  while (LConfig)
    if (TIntfPtr<IOTABuildConfiguration> LParent = LConfig->GetParent())
      LConfig = LParent;
    else
      break;
  return LConfig;
}

// The editor's source buffer; an editor the IDE gives no buffer for (a form) raises, as
// there is no text to work on.
TIntfPtr<IOTAEditBuffer> EditBuffer(IOTAEditor* AEditor) {
  TIntfPtr<IOTAEditBuffer> LBuffer;
  if (!Supports<IOTAEditBuffer>(AEditor, LBuffer))
    throw EInvalidOperation(u"The editor of " + AEditor->GetFileName() + u" has no source buffer");
  return LBuffer;
}

std::string ReadEditorBytes(IOTAEditor* AEditor) {
  TIntfPtr<IOTAEditReader> LReader = EditBuffer(AEditor)->CreateReader();
  std::string LBytes;
  Integer LRead;
  do {
    const size_t LOld = LBytes.size();
    LBytes.resize(LOld + cReadChunk);
    LRead = LReader->GetText(static_cast<Integer>(LOld), LBytes.data() + LOld, cReadChunk);
    LBytes.resize(LOld + static_cast<size_t>(std::max<Integer>(LRead, 0)));
  } while (LRead >= cReadChunk);
  return LBytes;
}

// The first editor of the module that holds AFileName; nil when none does.
TIntfPtr<IOTAEditor> FindEditor(IOTAModule* AModule, const UnicodeString& AFileName) {
  for (Integer I = 0; I < AModule->GetModuleFileCount(); ++I) {
    TIntfPtr<IOTAEditor> LEditor = AModule->GetModuleFileEditor(I);
    if (LEditor && AnsiSameText(LEditor->GetFileName(), AFileName)) return LEditor;
  }
  return nullptr;
}

// The platform edits of the opening and the saved project alike, as configured: the IDE's
// platforms the project lacks are added, those it does not use removed.
void AdjustPlatforms(TVorlaneHandler& AHandler, TVorlaneConfig* AConfig, TDProjFile& AFile) {
  if (AConfig->EnableMissingPlatforms()) {
    TIntfPtr<IOTAPlatformServices> LPlatforms = AHandler.OTAPlatformServices();
    AFile.AddMissingPlatforms(LPlatforms ? LPlatforms->GetAllPlatforms() : TArrayOfString());
  }
  if (AConfig->RemoveUnusedPlatforms()) AFile.RemoveUnusedPlatforms();
}

}  // namespace

TVorlaneHandler::TVorlaneHandler(IServiceContainer* AServiceContainer, TVorlaneSettings* AVorlaneSettings)
    : FVorlaneSettings(AVorlaneSettings), FServiceContainer(AServiceContainer) {}

TVorlaneHandler::~TVorlaneHandler() = default;

// --- Properties --------------------------------------------------------------------------------

TIntfPtr<IOTAModuleServices> TVorlaneHandler::OTAModuleServices() { return FServiceContainer->OTAModuleServices(); }

TIntfPtr<IOTAPackageServices> TVorlaneHandler::OTAPackageServices() { return FServiceContainer->OTAPackageServices(); }

TIntfPtr<IOTAPlatformServices> TVorlaneHandler::OTAPlatformServices() {
  return FServiceContainer->OTAPlatformServices();
}

TIntfPtr<IOTAProject> TVorlaneHandler::CurrentProject() {
  TIntfPtr<IOTAModuleServices> LServices = OTAModuleServices();
  return LServices ? LServices->GetActiveProject() : nullptr;
}

TIntfPtr<IOTAProjectGroup> TVorlaneHandler::CurrentProjectGroup() {
  TIntfPtr<IOTAModuleServices> LServices = OTAModuleServices();
  return LServices ? LServices->MainProjectGroup() : nullptr;
}

UnicodeString TVorlaneHandler::ProjectName() {
  TIntfPtr<IOTAProject> LProject = CurrentProject();
  return LProject ? LProject->GetFileName() : UnicodeString();
}

UnicodeString TVorlaneHandler::ProjectGroupName() {
  TIntfPtr<IOTAProjectGroup> LGroup = CurrentProjectGroup();
  return LGroup ? LGroup->GetFileName() : UnicodeString();
}

bool TVorlaneHandler::IsPackage() {
  TIntfPtr<IOTAProject> LProject = CurrentProject();
  return LProject && IsPackageProject(LProject.Get());
}

TVorlaneConfig* TVorlaneHandler::VorlaneConfig() {
  if (!FVorlaneConfig) FVorlaneConfig = std::make_unique<TVorlaneConfig>();
  return FVorlaneConfig.get();
}

TVorlaneConfig* TVorlaneHandler::VorlaneGroupConfig() {
  if (!FVorlaneGroupConfig) FVorlaneGroupConfig = std::make_unique<TVorlaneConfig>();
  return FVorlaneGroupConfig.get();
}

// --- Settings levels ---------------------------------------------------------------------------

void TVorlaneHandler::Initialize() {
  FLibSuffix = FServiceContainer->IDELibSuffix();
  if (TIntfPtr<IOTAProject> LProject = CurrentProject()) HandleProjectChange(LProject->GetFileName());
}

void TVorlaneHandler::HandleProjectChange(const UnicodeString& FileName) { LoadConfigs(FileName); }

void TVorlaneHandler::LoadConfigs(const UnicodeString& AFileName) {
  VorlaneGroupConfig()->LoadFromFile(ProjectGroupName());
  VorlaneGroupConfig()->SetCleanLineFeeds(false);
  VorlaneConfig()->LoadFromFile(AFileName);
  VorlaneConfig()->SetCleanLineFeeds(false);
}

std::unique_ptr<TVorlaneConfig> TVorlaneHandler::CreateMergedSettings(const UnicodeString& AFileName) {
  FVorlaneSettings->Prepare();
  auto LConfig = std::make_unique<TVorlaneConfig>();
  LConfig->SetSettings(FVorlaneSettings->Settings());
  // The group level in memory is loaded when the active project changes, which is after the
  // IDE has opened the projects of a new group: while they open it still belongs to the group
  // before (or to none), so the level of the group being opened comes from its file.
  const UnicodeString LGroupName = ProjectGroupName();
  if (AnsiSameText(VorlaneGroupConfig()->FileName(), LGroupName))
    LConfig->MergeSettings(VorlaneGroupConfig()->Settings());
  else
    LConfig->MergeSettings(LGroupName);
  if (AnsiSameText(AFileName, ProjectName()))
    LConfig->MergeSettings(VorlaneConfig()->Settings());
  else
    LConfig->MergeSettings(AFileName);
  return LConfig;
}

void TVorlaneHandler::ConfigChanged() {
  FVorlaneSettings->SaveToFile();
  VorlaneGroupConfig()->SaveToFile();
  VorlaneConfig()->SaveToFile();
  if (TIntfPtr<IOTAProjectGroup> LGroup = CurrentProjectGroup()) {
    for (Integer I = 0; I < LGroup->GetProjectCount(); ++I)
      if (TIntfPtr<IOTAProject> LProject = LGroup->GetProject(I)) CheckProjectOptions(LProject->GetFileName());
  } else {
    CheckProjectOptions(ProjectName());
  }
}

void TVorlaneHandler::RenameProject(const UnicodeString& OldName, const UnicodeString& NewName) {
  VorlaneConfig()->RenameProject(OldName, NewName);
}

// --- Project events ----------------------------------------------------------------------------

void TVorlaneHandler::CheckProjectOpening(const UnicodeString& AFileName) {
  CheckProjectOpening(AFileName, CreateMergedSettings(AFileName).get());
}

void TVorlaneHandler::CheckProjectOpening(const UnicodeString& AFileName, TVorlaneConfig* AConfig) {
  // A project file that is not there (yet) is not created by the edits: an empty document
  // saved in its place would be what the IDE then reads.
  if ((AConfig->EnableMissingPlatforms() || AConfig->RemoveUnusedPlatforms() || AConfig->RefreshFormType()) &&
      FileExists(AFileName)) {
    TDProjFile LFile(AFileName);
    AdjustPlatforms(*this, AConfig, LFile);
    if (AConfig->RefreshFormType()) LFile.RefreshFormType();
    LFile.SilentSaveToFile();
  }
  if (AConfig->SplitDproj()) ImportUserSettings(AFileName);
}

void TVorlaneHandler::CheckProjectOpened(const UnicodeString& AFileName) {
  CheckProjectOpened(AFileName, CreateMergedSettings(AFileName).get());
}

void TVorlaneHandler::CheckProjectOpened(const UnicodeString& AFileName, TVorlaneConfig* AConfig) {
  if (AConfig->SplitDproj()) RestoreUserSettings(AFileName);
  if (AConfig->AutoLibSuffix()) AdjustLibSuffix(AFileName);
}

void TVorlaneHandler::CheckProjectBeforeSave(const UnicodeString& AFileName) {
  CheckProjectBeforeSave(AFileName, CreateMergedSettings(AFileName).get());
}

void TVorlaneHandler::CheckProjectBeforeSave(const UnicodeString& AFileName, TVorlaneConfig* AConfig) {
  if (AConfig->SplitDproj()) SaveUserSettings(AFileName);
}

void TVorlaneHandler::CheckProjectAfterSave(const UnicodeString& AFileName) {
  CheckProjectAfterSave(AFileName, CreateMergedSettings(AFileName).get());
}

void TVorlaneHandler::CheckProjectAfterSave(const UnicodeString& AFileName, TVorlaneConfig* AConfig) {
  if ((AConfig->EnableMissingPlatforms() || AConfig->RemoveUnusedPlatforms() || AConfig->RemoveExcludedPackages() ||
       AConfig->RemoveUWP() || AConfig->RemoveDeployment()) &&
      FileExists(AFileName)) {
    TDProjFile LFile(AFileName);
    AdjustPlatforms(*this, AConfig, LFile);
    if (AConfig->RemoveExcludedPackages()) LFile.RemoveExcludedPackages();
    if (AConfig->RemoveUWP()) LFile.RemoveUWP();
    if (AConfig->RemoveDeployment()) LFile.RemoveDeployment();
    LFile.SilentSaveToFile();
  }
  if (AConfig->NormalizeDproj()) TNormalizerDProjFile::Normalize(AFileName);
  if (AConfig->SplitDproj()) ExportUserSettings(AFileName);
}

void TVorlaneHandler::CheckFormAfterSave(const UnicodeString& AFileName) {
  CheckFormAfterSave(AFileName, CreateMergedSettings(AFileName).get());
}

void TVorlaneHandler::CheckFormAfterSave(const UnicodeString& AFileName, TVorlaneConfig* AConfig) {
  if (!AConfig->Settings().RemoveExplicits) return;
  TDfmHandler LHandler(AFileName);
  LHandler.RemoveExplicit();
}

// --- Per-user settings -------------------------------------------------------------------------

void TVorlaneHandler::SaveUserSettings(const UnicodeString& AFileName) {
  TSplitterDProjFile LFile(AFileName);
  LFile.SaveUserSettings();
}

void TVorlaneHandler::RestoreUserSettings(const UnicodeString& AFileName) {
  TSplitterDProjFile LFile(AFileName);
  LFile.RestoreUserSettings();
}

void TVorlaneHandler::ImportUserSettings(const UnicodeString& AFileName) {
  TSplitterDProjFile LFile(AFileName);
  LFile.SaveUserSettings();
  LFile.ImportUserSettings();
}

void TVorlaneHandler::ExportUserSettings(const UnicodeString& AFileName) {
  TSplitterDProjFile LFile(AFileName);
  LFile.ExportUserSettings();
  LFile.RestoreUserSettings();
}

// --- Library suffix ----------------------------------------------------------------------------

void TVorlaneHandler::AdjustLibSuffix(const UnicodeString& AFileName) {
  TIntfPtr<IOTAModuleServices> LServices = OTAModuleServices();
  TIntfPtr<IOTAProject> LProject = InterfaceCast<IOTAProject>(LServices ? LServices->FindModule(AFileName) : nullptr);
  if (!LProject || !IsPackageProject(LProject.Get())) return;
  if (TIntfPtr<IOTABuildConfiguration> LRoot = RootConfiguration(LProject.Get()))
    AdjustLibSuffix(AFileName, LRoot.Get());
}

void TVorlaneHandler::AdjustLibSuffix(const UnicodeString& AFileName, IOTABuildConfiguration* ABuildConfig) {
  if (AnsiSameText(ABuildConfig->GetValue(cDllSuffix, false), FLibSuffix)) return;
  ABuildConfig->SetValue(cDllSuffix, FLibSuffix);
  AdjustLibSuffixDPK(ChangeFileExt(AFileName, u".dpk"), FLibSuffix);
}

void TVorlaneHandler::AdjustLibSuffixDPK(const UnicodeString& D, const UnicodeString& X) {
  TIntfPtr<IOTAModuleServices> LServices = OTAModuleServices();
  TIntfPtr<IOTAModule> LModule = LServices ? LServices->FindModule(D) : nullptr;
  if (!LModule) {
    TDpkFile::AdjustLibSuffixDpk(D, X);
    return;
  }
  TIntfPtr<IOTAEditor> LEditor = FindEditor(LModule.Get(), D);
  if (!LEditor) return;
  UnicodeString LText;
  Integer LSize = 0;
  ReadEditorText(LEditor.Get(), LText, LSize);
  TStringList LLines;
  LLines.SetText(LText);
  if (TDpkFile::AdjustLibSuffixDpk(LLines, X))
    WriteEditorText(LEditor.Get(), JoinLines(LLines, EndsWithLineBreak(LText)), LSize);
}

// --- Line breaks and editor buffers ------------------------------------------------------------

void TVorlaneHandler::CleanLineFeeds(const UnicodeString& AFileName) {
  TIntfPtr<IOTAModuleServices> LServices = OTAModuleServices();
  TIntfPtr<IOTAModule> LModule = LServices ? LServices->FindModule(AFileName) : nullptr;
  TIntfPtr<IOTAEditor> LEditor = LModule ? FindEditor(LModule.Get(), AFileName) : nullptr;
  if (!LEditor) {
    TCleanLineFeeds::CleanLineFeeds(AFileName);
    return;
  }
  UnicodeString LText;
  Integer LSize = 0;
  ReadEditorText(LEditor.Get(), LText, LSize);
  TStringList LLines;
  LLines.SetText(LText);
  const UnicodeString LClean = JoinLines(LLines, EndsWithLineBreak(LText));
  if (LClean != LText) WriteEditorText(LEditor.Get(), LClean, LSize);
}

void TVorlaneHandler::ReadEditorText(IOTAEditor* AEditor, UnicodeString& AText, Integer& ASize) {
  const std::string LBytes = ReadEditorBytes(AEditor);
  AText = UTF8ToUnicode(LBytes);
  ASize = static_cast<Integer>(LBytes.size());
}

void TVorlaneHandler::WriteEditorText(IOTAEditor* AEditor, const UnicodeString& AText, Integer AOldSize) {
  // The writer takes zero-terminated text: everything after a NUL character would be lost, so
  // such a buffer keeps its old content.
  if (AText.find(u'\0') != UnicodeString::npos) return;
  TIntfPtr<IOTAEditWriter> LWriter = EditBuffer(AEditor)->CreateUndoableWriter();
  LWriter->DeleteTo(AOldSize);
  LWriter->Insert(UnicodeToUTF8(AText).c_str());
}

// --- Child configurations ----------------------------------------------------------------------

void TVorlaneHandler::CheckProjectOptions(const UnicodeString& AFileName) {
  CheckProjectOptions(AFileName, CreateMergedSettings(AFileName).get());
}

void TVorlaneHandler::CheckProjectOptions(const UnicodeString& AFileName, TVorlaneConfig* AConfig) {
  TIntfPtr<IOTAModuleServices> LServices = OTAModuleServices();
  TIntfPtr<IOTAProject> LProject = InterfaceCast<IOTAProject>(LServices ? LServices->FindModule(AFileName) : nullptr);
  if (!LProject) return;
  const bool moduleIsPackage = IsPackageProject(LProject.Get());
  const bool keepPlatformBase = HasNonWinPlatform(LProject.Get());
  TIntfPtr<IOTAProjectOptionsConfigurations> LConfigs =
      InterfaceCast<IOTAProjectOptionsConfigurations>(LProject->GetProjectOptions());
  TIntfPtr<IOTABuildConfiguration> buildConfiguration = RootConfiguration(LProject.Get());
  if (!LConfigs || !buildConfiguration) return;

  if (moduleIsPackage && AConfig->AutoLibSuffix()) AdjustLibSuffix(AFileName);

  const UnicodeString LRootKey = buildConfiguration->GetKey();
  IterateBuildConfigChildren(LConfigs.Get(), [&](IOTABuildConfiguration* C) {
    TIntfPtr<IOTABuildConfiguration> LParent = C->GetParent();
    if (!LParent) return;
    // The first level below the root holds what the project sets on purpose per
    // configuration; only deeper levels are cleared of it.
    const bool LParentIsRoot = LParent->GetKey() == LRootKey;
    if (!moduleIsPackage && AConfig->ClearChildAppSettings()) {
      if (LParentIsRoot) return;
      RemoveKeys(C, cAppKeys);
    }
    if (moduleIsPackage && AConfig->ClearChildPackageSettings()) RemoveKeys(C, cPackageKeys);
    if (AConfig->ClearChildVersionInfo()) {
      if (keepPlatformBase && LParentIsRoot) return;
      if (!C->GetBoolean(u"VerInfo_AutoGenVersion", true) && !C->GetBoolean(u"VerInfo_AutoIncVersion", true))
        RemoveKeys(C, cVerInfoKeys);
    }
  });
}

bool TVorlaneHandler::HasNonWinPlatform(IOTAProject* AProject) {
  for (const UnicodeString& LPlatform : AProject->GetSupportedPlatforms())
    if (LPlatform != u"Win32" && LPlatform != u"Win64") return true;
  return false;
}

void TVorlaneHandler::IterateBuildConfigChildren(IOTAProjectOptionsConfigurations* AConfigs,
                                                 const TBuildConfigAction& AAction) {
  for (Integer I = 0; I < AConfigs->GetConfigurationCount(); ++I)
    if (TIntfPtr<IOTABuildConfiguration> LConfig = AConfigs->GetConfiguration(I))
      IterateBuildConfiguration(LConfig.Get(), AAction);
}

// Explicit stack instead of recursion: a deep configuration tree cannot exhaust the stack,
// and the order stays the recursive one (the configuration, its platform configurations
// with what is below them, then its children).
void TVorlaneHandler::IterateBuildConfiguration(IOTABuildConfiguration* AConfig, const TBuildConfigAction& AAction) {
  std::vector<TIntfPtr<IOTABuildConfiguration>> LPending{TIntfPtr<IOTABuildConfiguration>(AConfig)};
  while (!LPending.empty()) {
    TIntfPtr<IOTABuildConfiguration> LConfig = std::move(LPending.back());
    LPending.pop_back();
    AAction(LConfig.Get());
    std::vector<TIntfPtr<IOTABuildConfiguration>> LNext;
    for (const UnicodeString& LPlatform : LConfig->GetPlatforms())
      if (auto LPlatformConfig = LConfig->GetPlatformConfiguration(LPlatform)) LNext.push_back(LPlatformConfig);
    for (Integer I = 0; I < LConfig->GetChildCount(); ++I)
      if (auto LChild = LConfig->GetChild(I)) LNext.push_back(LChild);
    LPending.insert(LPending.end(), std::make_move_iterator(LNext.rbegin()), std::make_move_iterator(LNext.rend()));
  }
}

}  // namespace Vorlane
