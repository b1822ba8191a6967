#include "addin/Notifier.h"

#include <algorithm>

#include "addin/ImagesDM.h"
#include "addin/ProjectManagerMenu.h"
#include "addin/SettingsForm.h"
#include "addin/Tools.h"
#include "platform/FileSystem.h"
#include "platform/StringList.h"
#include "projfile/SplitterDprojFile.h"

namespace Vorlane {

namespace {

// The per-user settings a project file holds when no names list says otherwise.
const char16_t* const kDefaultUserNodes[] = {
    u"Debugger_RunParams",       u"Debugger_RemoteRunParams",      u"Debugger_HostApplication",
    u"Debugger_RemotePath",      u"Debugger_RemoteHost",           u"Debugger_EnvVars",
    u"Debugger_SymTabs",         u"Debugger_Launcher",             u"Debugger_RemoteLauncher",
    u"Debugger_IncludeSystemVars", u"Debugger_UseLauncher",        u"Debugger_UseRemoteLauncher",
    u"Debugger_CWD",             u"Debugger_RemoteCWD",            u"Debugger_RemoteDebug",
    u"Debugger_DebugSourcePath", u"Debugger_LoadAllSymbols",       u"Debugger_LoadUnspecifiedSymbols",
    u"Debugger_SymbolSourcePath"};

const char16_t* const kUserNodesFile = u"Brisendal.cfg";
const char16_t* const kProjectContainer = u"ProjectContainer";
constexpr Integer kProjectManagerMenuPosition = 2500000;
constexpr Integer kHelpItemImageIndex = 16;

template <class T>
void Untrack(std::vector<T*>& AList, T* AItem) {
  AList.erase(std::remove(AList.begin(), AList.end(), AItem), AList.end());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TProjectNotifier

TProjectNotifier::TProjectNotifier(TVorlaneNotifier* AVorlaneNotifier, const UnicodeString& AFileName)
    : FFileName(AFileName), FVorlaneNotifier(AVorlaneNotifier) {
  FVorlaneNotifier->FProjectNotifiers.push_back(this);
}

TProjectNotifier::~TProjectNotifier() {
  if (!FVorlaneNotifier) return;
  Untrack(FVorlaneNotifier->FProjectNotifiers, this);
  // The IDE releases notifiers from its own calls; a failure here has nobody to report to.
  try {
    FVorlaneNotifier->RemoveNotifier(FFileName);
  } catch (...) {
  }
}

void TProjectNotifier::AfterSave() {
  if (FVorlaneNotifier) FVorlaneNotifier->CheckProjectAfterSave(FFileName);
}

void TProjectNotifier::BeforeSave() {
  if (FVorlaneNotifier) FVorlaneNotifier->CheckProjectBeforeSave(FFileName);
}

void TProjectNotifier::Destroyed() {
  if (FVorlaneNotifier) FVorlaneNotifier->RemoveNotifier(FFileName);
}

void TProjectNotifier::Modified() {
  if (FVorlaneNotifier) FVorlaneNotifier->CheckProjectOptions(FFileName);
}

void TProjectNotifier::ModuleRenamed(const UnicodeString& NewName) {
  if (FVorlaneNotifier) FVorlaneNotifier->RenameProject(FFileName, NewName);
  FFileName = NewName;
}

// ---------------------------------------------------------------------------------------------
// TFormModuleNotifier

TFormModuleNotifier::TFormModuleNotifier(TVorlaneNotifier* AVorlaneNotifier, const UnicodeString& AFileName)
    : FFileName(AFileName), FVorlaneNotifier(AVorlaneNotifier) {
  FVorlaneNotifier->FFormNotifiers.push_back(this);
}

TFormModuleNotifier::~TFormModuleNotifier() {
  if (!FVorlaneNotifier) return;
  Untrack(FVorlaneNotifier->FFormNotifiers, this);
  try {
    FVorlaneNotifier->RemoveNotifier(FFileName);
  } catch (...) {
  }
}

void TFormModuleNotifier::AfterSave() {
  if (FVorlaneNotifier) FVorlaneNotifier->CheckFormAfterSave(FFileName);
}

void TFormModuleNotifier::Destroyed() {
  if (FVorlaneNotifier) FVorlaneNotifier->RemoveNotifier(FFileName);
}

void TFormModuleNotifier::ModuleRenamed(const UnicodeString& NewName) { FFileName = ChangeFileExt(NewName, u".dfm"); }

// ---------------------------------------------------------------------------------------------
// TProjectMenuItemCreatorNotifier

void TProjectMenuItemCreatorNotifier::AddMenu(IOTAProject* AProject, const TStrings* AIdentList,
                                              IInterfaceList* AProjectManagerMenuList, bool AIsMultiSelect) {
  if (AIsMultiSelect || !AProject || !AIdentList || !AProjectManagerMenuList ||
      AIdentList->IndexOf(kProjectContainer) < 0)
    return;
  TIntfPtr<TProjectManagerMenu> LMenu(new TProjectManagerMenu());
  LMenu->SetEnabled(true);
  LMenu->SetCaption(u"Vorlane");
  LMenu->SetPosition(kProjectManagerMenuPosition);
  // The entry keeps its creator alive; once the add-in is gone the creator does nothing.
  TIntfPtr<TProjectMenuItemCreatorNotifier> LSelf(this);
  LMenu->SetOnExecute([LSelf](IInterfaceList* MenuContextList) { LSelf->ExecuteProjectMenu(MenuContextList); });
  AProjectManagerMenuList->Add(LMenu.Get());
}

void TProjectMenuItemCreatorNotifier::ExecuteProjectMenu(IInterfaceList* MenuContextList) {
  if (!MenuContextList) return;
  for (Integer I = 0; I < MenuContextList->Count(); ++I) {
    if (!FVorlaneNotifier) return;
    TIntfPtr<IOTAProjectMenuContext> LContext;
    if (!Supports(MenuContextList->Get(I).Get(), LContext)) continue;
    TIntfPtr<IOTAModuleServices> LModuleServices = FVorlaneNotifier->FServiceContainer->OTAModuleServices();
    if (!LModuleServices) continue;
    TIntfPtr<IOTAProject> LProject = LContext->GetProject();
    TIntfPtr<IOTAProjectGroup> LGroup = LModuleServices->MainProjectGroup();
    if (!LGroup) {
      // Without a group the active project cannot be switched: the dialog is only right for
      // the project that is active already.
      if (LProject && LProject == LModuleServices->GetActiveProject()) FVorlaneNotifier->DoExecute(nullptr);
      continue;
    }
    const TIntfPtr<IOTAProject> LPrevious = LGroup->GetActiveProject();
    LGroup->SetActiveProject(LProject.Get());
    try {
      FVorlaneNotifier->DoExecute(nullptr);
    } catch (...) {
      LGroup->SetActiveProject(LPrevious.Get());
      throw;
    }
    LGroup->SetActiveProject(LPrevious.Get());
  }
}

// ---------------------------------------------------------------------------------------------
// TVorlaneNotifier

TVorlaneNotifier::TVorlaneNotifier(IServiceContainer* AServiceContainer, TVorlaneSettings* AVorlaneSettings)
    : FVorlaneSettings(AVorlaneSettings), FServiceContainer(AServiceContainer) {
  try {
    FVorlaneHandler = std::make_unique<TVorlaneHandler>(FServiceContainer.Get(), FVorlaneSettings);
    InitializeNotifiers();
    CreateMenus();
    FProjectMenuCreator = TIntfPtr<TProjectMenuItemCreatorNotifier>(new TProjectMenuItemCreatorNotifier(this));
    if (TIntfPtr<IOTAProjectManager> LManager = GetOTAProjectManager())
      FProjectMenuNotifierID = LManager->AddMenuItemCreatorNotifier(FProjectMenuCreator.Get());
  } catch (...) {
    // Nothing that was attached so far may stay behind pointing at this half-built object.
    Cleanup();
    throw;
  }
}

TVorlaneNotifier::~TVorlaneNotifier() { Cleanup(); }

void TVorlaneNotifier::Cleanup() {
  try {
    RemoveAllNotifiers();
  } catch (...) {
    // Whatever could not be taken away is cut loose below.
  }
  try {
    if (FProjectMenuNotifierID > 0)
      if (TIntfPtr<IOTAProjectManager> LManager = GetOTAProjectManager())
        LManager->RemoveMenuItemCreatorNotifier(FProjectMenuNotifierID);
  } catch (...) {
  }
  FProjectMenuNotifierID = 0;
  if (FProjectMenuCreator) FProjectMenuCreator->FVorlaneNotifier = nullptr;
  FProjectMenuCreator = nullptr;
  for (TProjectNotifier* LNotifier : FProjectNotifiers) LNotifier->FVorlaneNotifier = nullptr;
  FProjectNotifiers.clear();
  for (TFormModuleNotifier* LNotifier : FFormNotifiers) LNotifier->FVorlaneNotifier = nullptr;
  FFormNotifiers.clear();

  FNotifierDict.clear();
  FSettingsForm.reset();
  FHelpMenuItem.reset();
  FMenuItem.reset();
  FAction.reset();
  FVorlaneHandler.reset();
  FOTAProjectManager = nullptr;
  FServiceContainer = nullptr;
}

TIntfPtr<IOTAModule> TVorlaneNotifier::FindModule(const UnicodeString& AFileName) {
  TIntfPtr<IOTAModuleServices> LModuleServices = FServiceContainer ? FServiceContainer->OTAModuleServices() : nullptr;
  return LModuleServices ? LModuleServices->FindModule(AFileName) : nullptr;
}

TIntfPtr<IOTAProjectManager> TVorlaneNotifier::GetOTAProjectManager() {
  if (!FOTAProjectManager) Supports(BorlandIDEServices(), FOTAProjectManager);
  return FOTAProjectManager;
}

void TVorlaneNotifier::InitializeNotifiers() {
  FHelpFileName = TTools::FindHelpFile();
  UnicodeString LFolder;
  if (TIntfPtr<IOTAServices> LServices = FServiceContainer->OTAServices())
    LFolder = LServices->GetApplicationDataDirectory();
  LoadUserNodes(LFolder.empty() ? UnicodeString() : IncludeTrailingPathDelimiter(LFolder) + kUserNodesFile);

  if (TIntfPtr<IOTAModuleServices> LModuleServices = FServiceContainer->OTAModuleServices()) {
    if (TIntfPtr<IOTAProjectGroup> LGroup = LModuleServices->MainProjectGroup()) {
      for (Integer I = 0; I < LGroup->GetProjectCount(); ++I)
        if (TIntfPtr<IOTAProject> LProject = LGroup->GetProject(I)) AttachTo(LProject.Get(), LProject->GetFileName());
    } else if (TIntfPtr<IOTAProject> LProject = LModuleServices->GetActiveProject()) {
      AttachTo(LProject.Get(), LProject->GetFileName());
    }
  }
  FVorlaneHandler->Initialize();
}

void TVorlaneNotifier::LoadUserNodes(const UnicodeString& AFileName) {
  std::vector<UnicodeString> LNodes;
  if (!AFileName.empty() && FileExists(AFileName)) {
    TStringList LLines;
    LLines.LoadFromFile(AFileName);
    LNodes.assign(LLines.begin(), LLines.end());
  } else {
    LNodes.assign(std::begin(kDefaultUserNodes), std::end(kDefaultUserNodes));
  }
  TSplitterDProjFile::FUserNodes = std::move(LNodes);
}

void TVorlaneNotifier::CreateMenus() {
  FAction = std::make_unique<TAction>(nullptr);
  FAction->SetName(u"actVorlane");
  FAction->SetCaption(u"Vorlane");
  FAction->OnExecute = [this](TObject* Sender) { DoExecute(Sender); };
  FAction->OnUpdate = [this](TObject*) {
    TIntfPtr<IOTAModuleServices> LModuleServices = FServiceContainer->OTAModuleServices();
    FAction->SetEnabled(LModuleServices && LModuleServices->GetActiveProject());
  };

  FMenuItem = std::make_unique<TMenuItem>(nullptr);
  FMenuItem->SetAction(FAction.get());

  TIntfPtr<INTAServices> LNTAServices = FServiceContainer->NTAServices();
  if (!FHelpFileName.empty()) {
    FHelpMenuItem = std::make_unique<TMenuItem>(nullptr);
    FHelpMenuItem->SetName(u"VorlaneHelpItem");
    FHelpMenuItem->SetCaption(u"Vorlane Help");
    FHelpMenuItem->SetImageIndex(kHelpItemImageIndex);
    FHelpMenuItem->OnClick = [this](TObject*) { TTools::ShowTopicHelp(UnicodeString(), FHelpFileName); };
    try {
      if (!LNTAServices) throw EInvalidOperation(u"The IDE offers no menus");
      LNTAServices->AddActionMenu(u"HelpThirdPartyMenuItem", nullptr, FHelpMenuItem.get(), true, true);
    } catch (...) {
      // The help entry is a convenience: without it the add-in works as before.
      FHelpMenuItem.reset();
    }
  }

  if (!LNTAServices) return;
  // The action shows the add-in's icon at the place the IDE gives it in its own image list.
  const Integer LFirstImage = dmImages ? LNTAServices->AddImages(dmImages->MainImageList(), u"Vorlane") : -1;
  if (LFirstImage >= 0) FAction->SetImageIndex(LFirstImage + dmImages->IndexByName(u"Vorlane"));
  try {
    LNTAServices->AddActionMenu(u"ProjectOptionsItem", FAction.get(), FMenuItem.get(), false, false);
  } catch (...) {
    LNTAServices->AddImages(nullptr, u"Vorlane");
    throw;
  }
  LNTAServices->AddImages(nullptr, u"Vorlane");
}

TFormVorlaneSettings* TVorlaneNotifier::GetSettingsForm() {
  if (!FSettingsForm) FSettingsForm = std::make_unique<TFormVorlaneSettings>(nullptr);
  return FSettingsForm.get();
}

void TVorlaneNotifier::FileNotification(TOTAFileNotification NotifyCode, const UnicodeString& FileName, bool&) {
  // The IDE's text may change under the calls below; they work on a copy.
  const UnicodeString LFileName = FileName;
  switch (NotifyCode) {
    case ofnFileOpening:
      CheckCleanLineFeeds(LFileName);
      if (IsProjectFile(LFileName)) FVorlaneHandler->CheckProjectOpening(LFileName);
      break;
    case ofnFileOpened:
      HookFormModules(LFileName);
      AttachProjectNotifier(LFileName);
      break;
    case ofnActiveProjectChanged:
      ActiveProjectChanged(LFileName);
      break;
    default:
      // Closing (2) needs nothing: the project notifier hears of the module's end itself.
      break;
  }
}

void TVorlaneNotifier::CheckCleanLineFeeds(const UnicodeString& AFileName) {
  // Line-break cleaning is a global choice only.
  if (!FVorlaneSettings->Settings().CleanLineFeeds || !IsWritableFile(AFileName)) return;
  const UnicodeString LExt = LowerCase(ExtractFileExt(AFileName));
  if (LExt == u".dpr" || LExt == u".dpk" || LExt == u".pas" || LExt == u".inc")
    FVorlaneHandler->CleanLineFeeds(AFileName);
}

void TVorlaneNotifier::HookFormModules(const UnicodeString& AFileName) {
  TIntfPtr<IOTAModule> LModule = FindModule(AFileName);
  if (!LModule) return;
  for (Integer I = 0; I < LModule->GetModuleFileCount(); ++I) {
    TIntfPtr<IOTAEditor> LEditor = LModule->GetModuleFileEditor(I);
    if (!LEditor) continue;
    const UnicodeString LEditorFile = LEditor->GetFileName();
    CheckCleanLineFeeds(LEditorFile);
    if (Supports<IOTAFormEditor>(LEditor) && SameText(ExtractFileExt(LEditorFile), u".dfm")) {
      TIntfPtr<TFormModuleNotifier> LNotifier(new TFormModuleNotifier(this, LEditorFile));
      LNotifier->FIndex = LModule->AddNotifier(LNotifier.Get());
    }
  }
}

void TVorlaneNotifier::AttachTo(IOTAProject* AProject, const UnicodeString& AFileName) {
  // One notifier per project: a project reported again keeps the one it has.
  if (FNotifierDict.count(AFileName) != 0) return;
  TIntfPtr<IOTAModuleNotifier> LNotifier(new TProjectNotifier(this, AFileName));
  FNotifierDict[AFileName] = AProject->AddNotifier(LNotifier.Get());
}

void TVorlaneNotifier::AttachProjectNotifier(const UnicodeString& AFileName) {
  if (!IsProjectFile(AFileName)) return;
  TIntfPtr<IOTAProject> LProject;
  if (Supports(FindModule(AFileName), LProject)) AttachTo(LProject.Get(), AFileName);
  FVorlaneHandler->CheckProjectOpened(AFileName);
}

void TVorlaneNotifier::ActiveProjectChanged(const UnicodeString& AFileName) {
  if (AFileName == FLastProject) return;
  FLastProject = AFileName;
  FVorlaneHandler->HandleProjectChange(AFileName);
}

void TVorlaneNotifier::RemoveNotifier(UnicodeString AFileName) {
  auto LEntry = FNotifierDict.find(AFileName);
  if (LEntry == FNotifierDict.end()) return;
  const Integer LIndex = LEntry->second;
  TIntfPtr<IOTAProject> LProject;
  if (Supports(FindModule(AFileName), LProject)) LProject->RemoveNotifier(LIndex);
  // Removing the notifier may have removed the entry already.
  FNotifierDict.erase(AFileName);
}

void TVorlaneNotifier::RemoveAllNotifiers() {
  // Copies: each removal destroys a notifier, whose destructor changes the lists.
  const std::vector<std::pair<UnicodeString, Integer>> LProjects(FNotifierDict.begin(), FNotifierDict.end());
  for (const auto& [LFileName, LIndex] : LProjects) {
    TIntfPtr<IOTAProject> LProject;
    if (Supports(FindModule(LFileName), LProject)) LProject->RemoveNotifier(LIndex);
  }
  // Form notifiers go too: left with their modules they would call into an add-in that is
  // gone. A module is found by the name of its form file.
  const std::vector<TFormModuleNotifier*> LForms = FFormNotifiers;
  for (TFormModuleNotifier* LNotifier : LForms) {
    if (std::find(FFormNotifiers.begin(), FFormNotifiers.end(), LNotifier) == FFormNotifiers.end()) continue;
    const UnicodeString LFileName = LNotifier->FFileName;
    const Integer LIndex = LNotifier->FIndex;
    if (TIntfPtr<IOTAModule> LModule = FindModule(LFileName)) LModule->RemoveNotifier(LIndex);
  }
}

void TVorlaneNotifier::RenameProject(const UnicodeString& OldName, const UnicodeString& NewName) {
  const UnicodeString LOldName = OldName, LNewName = NewName;
  FVorlaneHandler->RenameProject(LOldName, LNewName);
  auto LEntry = FNotifierDict.find(LOldName);
  if (LEntry == FNotifierDict.end()) return;
  const Integer LIndex = LEntry->second;
  FNotifierDict.erase(LEntry);
  FNotifierDict[LNewName] = LIndex;
}

void TVorlaneNotifier::CheckProjectOptions(const UnicodeString& AFileName) { FVorlaneHandler->CheckProjectOptions(AFileName); }

void TVorlaneNotifier::CheckProjectAfterSave(const UnicodeString& AFileName) {
  FVorlaneHandler->CheckProjectAfterSave(AFileName);
}

void TVorlaneNotifier::CheckProjectBeforeSave(const UnicodeString& AFileName) {
  FVorlaneHandler->CheckProjectBeforeSave(AFileName);
}

void TVorlaneNotifier::CheckFormAfterSave(const UnicodeString& AFileName) { FVorlaneHandler->CheckFormAfterSave(AFileName); }

void TVorlaneNotifier::DoExecute(TObject*) {
  FVorlaneSettings->Prepare();
  TFormVorlaneSettings* LForm = GetSettingsForm();
  LForm->SetHelpFile(FHelpFileName);
  LForm->SetProjectName(FVorlaneHandler->ProjectName());
  LForm->SetProjectGroupName(FVorlaneHandler->ProjectGroupName());
  LForm->SetIsPackage(FVorlaneHandler->IsPackage());
  LForm->SetSettings(FVorlaneHandler->Settings());
  LForm->SetGroupSettings(FVorlaneHandler->GroupSettings());
  LForm->SetGlobalSettings(FVorlaneHandler->GlobalSettings());
  if (LForm->ShowModal() != mrOk) return;
  FVorlaneHandler->SetSettings(LForm->Settings());
  FVorlaneHandler->SetGroupSettings(LForm->GroupSettings());
  FVorlaneHandler->SetGlobalSettings(LForm->GlobalSettings());
  FVorlaneHandler->ConfigChanged();
}

bool TVorlaneNotifier::IsProjectFile(const UnicodeString& AFileName) {
  const UnicodeString LExt = LowerCase(ExtractFileExt(AFileName));
  return LExt == u".dproj" || LExt == u".cbproj";
}

bool TVorlaneNotifier::IsWritableFile(const UnicodeString& AFileName) {
  return !(FileExists(AFileName) && (FileGetAttr(AFileName) & faReadOnly) != 0);
}

}  // namespace Vorlane
