#include "simide/SimIDE.h"

#include <algorithm>

#include "platform/FileSystem.h"
#include "platform/StringList.h"
#include "projfile/FileHelper.h"
#include "simide/SimModules.h"
#include "xml/XmlDocument.h"

namespace Vorlane {

namespace {

const UnicodeString cLibSuffix = u"210";

std::string ReadFileBytes(const UnicodeString& AFileName) {
  if (!FileExists(AFileName)) return std::string();
  const TBytes LBytes = TFile::ReadAllBytes(AFileName);
  return std::string(LBytes.begin(), LBytes.end());
}

void WriteFileBytes(const UnicodeString& AFileName, const std::string& AContent) {
  TFile::WriteAllBytes(AFileName, TBytes(AContent.begin(), AContent.end()));
}

class TSimPackageInfo : public TInterfacedObject, public virtual IOTAPackageInfo {
 public:
  explicit TSimPackageInfo(const TSimPackage& APackage) : FPackage(APackage) {}
  UnicodeString GetName() override { return FPackage.Name; }
  UnicodeString GetFileName() override { return FPackage.FileName; }

 private:
  TSimPackage FPackage;
};

class TSimProjectMenuContext : public TInterfacedObject, public virtual IOTAProjectMenuContext {
 public:
  explicit TSimProjectMenuContext(IOTAProject* AProject) : FProject(AProject) {}
  TIntfPtr<IOTAProject> GetProject() override { return FProject; }

 private:
  TIntfPtr<IOTAProject> FProject;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// The services behind BorlandIDEServices. They outlive the IDE when a plug-in keeps a
// reference; from then on every call raises.

class TSimServices : public TInterfacedObject,
                     public virtual IBorlandIDEServices,
                     public virtual IOTAServices,
                     public virtual IOTAModuleServices,
                     public virtual IOTAPackageServices,
                     public virtual IOTAPlatformServices,
                     public virtual IOTAAboutBoxServices,
                     public virtual INTAServices,
                     public virtual INTAEnvironmentOptionsServices,
                     public virtual IOTAProjectManager {
 public:
  explicit TSimServices(TSimIDE* AIDE) : FIDE(AIDE) {}

  bool QueryInterface(const TGUID& AIID, void** AObj) override {
    if (!FIDE || !FIDE->ServiceOffered(AIID)) {
      *AObj = nullptr;
      return false;
    }
    return TInterfacedObject::QueryInterface(AIID, AObj);
  }

  // IOTAServices
  Integer AddNotifier(IOTAIDENotifier* ANotifier) override { return FIDENotifiers.Add(IDE().TakeIndex(), ANotifier); }
  void RemoveNotifier(Integer AIndex) override { FIDENotifiers.Remove(AIndex); }
  UnicodeString GetApplicationDataDirectory() override { return IncludeTrailingPathDelimiter(IDE().Folder()); }

  // IOTAModuleServices
  TIntfPtr<IOTAModule> FindModule(const UnicodeString& AFileName) override { return IDE().FindModule(AFileName); }
  TIntfPtr<IOTAProjectGroup> MainProjectGroup() override { return IDE().ProjectGroup(); }
  TIntfPtr<IOTAProject> GetActiveProject() override { return IDE().ActiveProject(); }

  // IOTAPackageServices
  Integer GetPackageCount() override { return static_cast<Integer>(IDE().Packages().size()); }
  UnicodeString GetPackageName(Integer AIndex) override {
    return InRange(AIndex) ? ExtractFileName(IDE().Packages()[static_cast<size_t>(AIndex)].FileName) : UnicodeString();
  }
  TIntfPtr<IOTAPackageInfo> GetPackage(Integer AIndex) override {
    if (!InRange(AIndex)) return nullptr;
    return TIntfPtr<IOTAPackageInfo>(new TSimPackageInfo(IDE().Packages()[static_cast<size_t>(AIndex)]));
  }

  // IOTAPlatformServices
  TArrayOfString GetAllPlatforms() override { return IDE().Platforms(); }

  // IOTAAboutBoxServices
  Integer AddPluginInfo(const UnicodeString& ATitle, const UnicodeString& ADescription, HBITMAP AImage, bool,
                        const UnicodeString&, const UnicodeString&, bool) override {
    const Integer LIndex = IDE().TakeIndex();
    IDE().FAbout.push_back({LIndex, ATitle, ADescription, AImage});
    return LIndex;
  }
  void RemovePluginInfo(Integer AIndex) override {
    auto& LList = IDE().FAbout;
    LList.erase(std::remove_if(LList.begin(), LList.end(), [&](const TSimAboutEntry& E) { return E.Index == AIndex; }),
                LList.end());
  }

  // INTAServices
  void AddActionMenu(const UnicodeString& AName, TBasicAction* AAction, TMenuItem* AMenuItem, bool AInsertAfter,
                     bool AInsertAsChild) override {
    TMenuItem& LRoot = IDE().MainMenu();
    TMenuItem* LTarget = LRoot.Find(AName);
    if (!LTarget || LTarget == &LRoot) throw Exception(u"Menu item \"" + AName + u"\" not found");
    if (!AMenuItem) return;
    if (AAction) AMenuItem->SetAction(AAction);
    if (AInsertAsChild)
      LTarget->Insert(AInsertAfter ? LTarget->Count() : 0, AMenuItem);
    else
      LTarget->Parent()->Insert(LTarget->MenuIndex() + (AInsertAfter ? 1 : 0), AMenuItem);
  }
  Integer AddImages(TCustomImageList* AImages, const UnicodeString& AIdent) override {
    TSimIDE& LIDE = IDE();
    if (!AImages) {
      LIDE.FImages.push_back({AIdent, -1, 0});
      return -1;
    }
    const Integer LFirst = LIDE.FImageCount;
    LIDE.FImageCount += AImages->Count();
    LIDE.FImages.push_back({AIdent, LFirst, AImages->Count()});
    return LFirst;
  }

  // INTAEnvironmentOptionsServices
  void RegisterAddInOptions(INTAAddInOptions* AAddInOptions) override {
    auto& LPages = IDE().FOptionsPages;
    if (AAddInOptions && std::none_of(LPages.begin(), LPages.end(), [&](const auto& P) { return P.Get() == AAddInOptions; }))
      LPages.emplace_back(AAddInOptions);
  }
  void UnregisterAddInOptions(INTAAddInOptions* AAddInOptions) override {
    auto& LPages = IDE().FOptionsPages;
    auto LIt = std::find_if(LPages.begin(), LPages.end(), [&](const auto& P) { return P.Get() == AAddInOptions; });
    if (LIt == LPages.end()) return;
    TIntfPtr<INTAAddInOptions> LPage = std::move(*LIt);
    LPages.erase(LIt);
  }

  // IOTAProjectManager
  Integer AddMenuItemCreatorNotifier(IOTAProjectMenuItemCreatorNotifier* ANotifier) override {
    return FMenuCreators.Add(IDE().TakeIndex(), ANotifier);
  }
  void RemoveMenuItemCreatorNotifier(Integer AIndex) override { FMenuCreators.Remove(AIndex); }

  TSimIDE* FIDE;
  TSimRegistry<IOTAIDENotifier> FIDENotifiers;
  TSimRegistry<IOTAProjectMenuItemCreatorNotifier> FMenuCreators;

 private:
  TSimIDE& IDE() {
    if (!FIDE) throw EInvalidOperation(u"The IDE has closed");
    return *FIDE;
  }
  bool InRange(Integer AIndex) { return AIndex >= 0 && AIndex < GetPackageCount(); }
};

class TSimSplashServices : public TInterfacedObject, public virtual IOTASplashScreenServices {
 public:
  explicit TSimSplashServices(std::vector<TSimSplashEntry>* AEntries) : FEntries(AEntries) {}
  void AddPluginBitmap(const UnicodeString& ACaption, HBITMAP ABitmap, bool, const UnicodeString&,
                       const UnicodeString&) override {
    if (FEntries) FEntries->push_back({ACaption, ABitmap});
  }
  std::vector<TSimSplashEntry>* FEntries;
};

class TSimHelpSystem : public TInterfacedObject, public virtual IHelpSystem {
 public:
  void ShowTopicHelp(const UnicodeString& ATopic, const UnicodeString& AHelpFile) override {
    FCalls.emplace_back(ATopic, AHelpFile);
  }
  std::vector<std::pair<UnicodeString, UnicodeString>> FCalls;
};

// ---------------------------------------------------------------------------------------------
// TSimIDE

TSimIDE::TSimIDE(const UnicodeString& AFolder)
    : FFolder(ExcludeTrailingPathDelimiter(AFolder)),
      FPlatforms(TCustomProjFile::GetKnownPlatforms()),
      FServices(new TSimServices(this)),
      FSplashServices(new TSimSplashServices(&FSplash)),
      FHelpSystem(new TSimHelpSystem()),
      FMainMenu(new TMenuItem(nullptr)) {
  ForceDirectories(FFolder);
  for (const char16_t* LName : {u"rtl", u"vcl", u"designide"}) AddPackage(LName);

  FMainMenu->SetName(u"MainMenu");
  FOwnMenuItems.push_back(FMainMenu.get());
  auto AddItem = [this](TMenuItem* AParent, const UnicodeString& AName, const UnicodeString& ACaption) {
    auto* LItem = new TMenuItem(nullptr);
    LItem->SetName(AName);
    LItem->SetCaption(ACaption);
    AParent->Add(LItem);
    FOwnMenuItems.push_back(LItem);
    return LItem;
  };
  AddItem(AddItem(FMainMenu.get(), u"FileMenu", u"File"), u"FileOpenItem", u"Open...");
  TMenuItem* LProject = AddItem(FMainMenu.get(), u"ProjectMenu", u"Project");
  AddItem(LProject, u"ProjectAddItem", u"Add to Project...");
  AddItem(LProject, u"ProjectOptionsItem", u"Options...");
  TMenuItem* LHelp = AddItem(FMainMenu.get(), u"HelpMenu", u"Help");
  AddItem(LHelp, u"HelpContentsItem", u"Contents");
  AddItem(LHelp, u"HelpThirdPartyMenuItem", u"Third-Party Help");

  SetBorlandIDEServices(FServices.Get());
  SetSplashScreenServices(FSplashServices.Get());
  Application().SetHelpSystem(FHelpSystem.Get());
}

TSimIDE::~TSimIDE() {
  try {
    CloseAll();
  } catch (...) {
  }
  try {
    UnloadPlugin();
  } catch (...) {
  }
  SetBorlandIDEServices(nullptr);
  SetSplashScreenServices(nullptr);
  Application().SetHelpSystem(nullptr);
  Application().SetModalHandler(nullptr);
  FServices->FIDENotifiers.Clear();
  FServices->FMenuCreators.Clear();
  FServices->FIDE = nullptr;
  FSplashServices->FEntries = nullptr;
  FOptionsPages.clear();
  // Items that others inserted stay theirs: they leave the menu instead of going with it.
  std::vector<TMenuItem*> LPending{FMainMenu.get()};
  while (!LPending.empty()) {
    TMenuItem* LItem = LPending.back();
    LPending.pop_back();
    for (Integer I = LItem->Count() - 1; I >= 0; --I) {
      TMenuItem* LChild = LItem->Items(I);
      if (std::find(FOwnMenuItems.begin(), FOwnMenuItems.end(), LChild) == FOwnMenuItems.end())
        LItem->Remove(LChild);
      else
        LPending.push_back(LChild);
    }
  }
}

void TSimIDE::AddPackage(const UnicodeString& AName) {
  FPackages.push_back({AName, IncludeTrailingPathDelimiter(FFolder) + u"bin" + PathDelim + AName + cLibSuffix + u".bpl"});
}

void TSimIDE::SetServiceOffered(const TGUID& AIID, bool AOffered) {
  FWithheld.erase(std::remove(FWithheld.begin(), FWithheld.end(), AIID), FWithheld.end());
  if (!AOffered) FWithheld.push_back(AIID);
}

bool TSimIDE::ServiceOffered(const TGUID& AIID) const {
  return std::find(FWithheld.begin(), FWithheld.end(), AIID) == FWithheld.end();
}

void TSimIDE::SetNextIndex(Integer AValue) { FNextIndex = AValue; }

// --- Files -------------------------------------------------------------------------------------

TSimModule* TSimIDE::AsModule(IOTAModule* AModule) const {
  auto* LModule = dynamic_cast<TSimModule*>(AModule);
  if (!LModule || std::none_of(FModules.begin(), FModules.end(), [&](const auto& M) { return M.Get() == LModule; }))
    throw EInvalidOperation(u"The module is not open");
  return LModule;
}

void TSimIDE::NotifyIDE(TOTAFileNotification ACode, const UnicodeString& AFileName) {
  TIntfPtr<TSimServices> LServices = FServices;
  for (auto& [LIndex, LNotifier] : LServices->FIDENotifiers.Snapshot())
    if (LServices->FIDENotifiers.Contains(LIndex)) {
      bool LCancel = false;
      LNotifier->FileNotification(ACode, AFileName, LCancel);
    }
}

TIntfPtr<TSimProject> TSimIDE::OpenProjectFile(const UnicodeString& AFileName, bool AOpenSource) {
  if (auto LOpen = dynamic_cast<TSimProject*>(FindModule(AFileName).Get())) return TIntfPtr<TSimProject>(LOpen);
  NotifyIDE(ofnFileOpening, AFileName);
  TIntfPtr<TSimProject> LProject(new TSimProject(this, AFileName));
  LProject->ReadProjectFile();
  if (AOpenSource && FileExists(LProject->SourceFileName()))
    LProject->AddEditor(new TSimSourceEditor(LProject.Get(), LProject->SourceFileName(),
                                             ReadFileBytes(LProject->SourceFileName())));
  FModules.emplace_back(LProject.Get());
  if (FGroup) FGroup->Projects().push_back(LProject);
  NotifyIDE(ofnFileOpened, AFileName);
  return LProject;
}

TIntfPtr<IOTAProject> TSimIDE::OpenProject(const UnicodeString& AFileName, bool AOpenSource) {
  TIntfPtr<TSimProject> LProject = OpenProjectFile(AFileName, AOpenSource);
  SetActiveProject(LProject.Get());
  return LProject;
}

TIntfPtr<IOTAProjectGroup> TSimIDE::OpenProjectGroup(const UnicodeString& AFileName) {
  CloseAll();
  NotifyIDE(ofnFileOpening, AFileName);
  std::vector<UnicodeString> LProjects;
  if (FileExists(AFileName)) {
    TXmlDocument LDocument;
    LDocument.LoadFromFile(AFileName);
    TXmlNodeList LItems;
    if (TXmlNode* LRoot = LDocument.GetRoot())
      for (Integer I = 0; I < LRoot->GetNodeCount(); ++I)
        if (LRoot->GetNodes(I)->Name() == "ItemGroup") LRoot->GetNodes(I)->NodesByName("Projects", &LItems);
    for (Integer I = 0; I < LItems.Count(); ++I)
      LProjects.push_back(ExpandFileName(ExtractFilePath(AFileName) +
                                         ConvertToPlatformDelimiters(LItems.GetItems(I)->GetAttributeByNameWide("Include"))));
  }
  FGroup = TIntfPtr<TSimProjectGroup>(new TSimProjectGroup(this, AFileName));
  FModules.emplace_back(FGroup.Get());
  for (const UnicodeString& LProject : LProjects) OpenProjectFile(LProject, true);
  NotifyIDE(ofnFileOpened, AFileName);
  TIntfPtr<TSimProjectGroup> LGroup = FGroup;
  SetActiveProject(LGroup->Projects().empty() ? nullptr : LGroup->Projects().front().Get());
  return LGroup;
}

TIntfPtr<IOTAModule> TSimIDE::OpenFile(const UnicodeString& AFileName) {
  const UnicodeString LExt = LowerCase(ExtractFileExt(AFileName));
  if (LExt == u".dproj" || LExt == u".cbproj") return OpenProject(AFileName);
  if (LExt == u".groupproj") return OpenProjectGroup(AFileName);
  if (TIntfPtr<IOTAModule> LOpen = FindModule(AFileName)) return LOpen;
  NotifyIDE(ofnFileOpening, AFileName);
  TIntfPtr<TSimModule> LModule(new TSimModule(this, AFileName));
  LModule->AddEditor(new TSimSourceEditor(LModule.Get(), AFileName, ReadFileBytes(AFileName)));
  const UnicodeString LForm = ChangeFileExt(AFileName, u".dfm");
  if (LExt == u".pas" && FileExists(LForm))
    LModule->AddEditor(new TSimFormEditor(LModule.Get(), LForm, ReadFileBytes(LForm)));
  FModules.push_back(LModule);
  NotifyIDE(ofnFileOpened, AFileName);
  return LModule;
}

void TSimIDE::RemoveModule(TSimModule* AModule) {
  FModules.erase(std::remove_if(FModules.begin(), FModules.end(), [&](const auto& M) { return M.Get() == AModule; }),
                 FModules.end());
  if (FGroup) {
    auto& LProjects = FGroup->Projects();
    LProjects.erase(std::remove_if(LProjects.begin(), LProjects.end(), [&](const auto& P) { return P.Get() == AModule; }),
                    LProjects.end());
    if (FGroup.Get() == AModule) FGroup = nullptr;
  }
}

void TSimIDE::CloseModule(IOTAModule* AModule) {
  TIntfPtr<TSimModule> LModule(AsModule(AModule));
  if (auto LGroup = dynamic_cast<TSimProjectGroup*>(LModule.Get())) {
    const auto LProjects = LGroup->Projects();
    for (const auto& LProject : LProjects) CloseModule(LProject.Get());
  }
  NotifyIDE(ofnFileClosing, LModule->GetFileName());
  LModule->NotifyEach([](IOTAModuleNotifier* N) { N->Destroyed(); });
  RemoveModule(LModule.Get());
  LModule->Detach();
  if (FActiveProject.Get() == LModule.Get()) {
    TSimProject* LNext = FGroup && !FGroup->Projects().empty() ? FGroup->Projects().front().Get() : nullptr;
    SetActiveProject(LNext);
  }
}

void TSimIDE::CloseAll() {
  if (FGroup) CloseModule(FGroup.Get());
  while (!FModules.empty()) CloseModule(FModules.back().Get());
}

void TSimIDE::SaveModule(IOTAModule* AModule) {
  TIntfPtr<TSimModule> LModule(AsModule(AModule));
  LModule->NotifyEach([](IOTAModuleNotifier* N) { N->BeforeSave(); });
  auto LProject = dynamic_cast<TSimProject*>(LModule.Get());
  if (LProject) LProject->WriteProjectFile();
  for (const auto& LEditor : LModule->Editors())
    if (!LProject || LEditor->IsModified()) {
      WriteFileBytes(LEditor->GetFileName(), LEditor->Content());
      LEditor->SetModified(false);
    }
  LModule->NotifyEach([](IOTAModuleNotifier* N) { N->AfterSave(); });
}

void TSimIDE::SaveModuleAs(IOTAModule* AModule, const UnicodeString& ANewFileName) {
  TIntfPtr<TSimModule> LModule(AsModule(AModule));
  // A project's source editor keeps its own name; the project file is written whole under the
  // new name.
  if (!dynamic_cast<TSimProject*>(LModule.Get()))
    for (const auto& LEditor : LModule->Editors())
      LEditor->SetFileName(ChangeFileExt(ANewFileName, ExtractFileExt(LEditor->GetFileName())));
  LModule->SetFileName(ANewFileName);
  LModule->NotifyEach([&](IOTAModuleNotifier* N) { N->ModuleRenamed(ANewFileName); });
  SaveModule(LModule.Get());
}

void TSimIDE::SetActiveProject(IOTAProject* AProject) {
  TSimProject* LProject = AProject ? dynamic_cast<TSimProject*>(AsModule(AProject)) : nullptr;
  if (LProject == FActiveProject.Get()) return;
  FActiveProject = TIntfPtr<TSimProject>(LProject);
  NotifyIDE(ofnActiveProjectChanged, LProject ? LProject->GetFileName() : UnicodeString());
}

TIntfPtr<IOTAProject> TSimIDE::ActiveProject() const { return FActiveProject; }

TIntfPtr<IOTAProjectGroup> TSimIDE::ProjectGroup() const { return FGroup; }

TIntfPtr<IOTAModule> TSimIDE::FindModule(const UnicodeString& AFileName) const {
  for (const auto& LModule : FModules)
    if (LModule->HasFileName(AFileName)) return LModule;
  return nullptr;
}

void TSimIDE::EditOption(IOTAProject* AProject, const UnicodeString& AConfigKey, const UnicodeString& AName,
                         const UnicodeString& AValue) {
  auto LProject = dynamic_cast<TSimProject*>(AsModule(AProject));
  TSimBuildConfiguration* LConfig = LProject ? LProject->Options().Find(AConfigKey) : nullptr;
  if (!LConfig) throw EInvalidOperation(u"No build configuration " + AConfigKey);
  LConfig->SetValue(AName, AValue);
  LProject->NotifyEach([](IOTAModuleNotifier* N) { N->Modified(); });
}

std::string TSimIDE::EditorText(IOTAModule* AModule, const UnicodeString& AFileName) const {
  TSimEditor* LEditor = AsModule(AModule)->FindEditor(AFileName);
  if (!LEditor) throw EInvalidOperation(u"No editor for " + AFileName);
  return LEditor->Content();
}

void TSimIDE::SetEditorText(IOTAModule* AModule, const UnicodeString& AFileName, const std::string& AText) {
  TSimEditor* LEditor = AsModule(AModule)->FindEditor(AFileName);
  if (!LEditor) throw EInvalidOperation(u"No editor for " + AFileName);
  LEditor->SetContent(AText);
}

// --- Registrations -------------------------------------------------------------------------------

Integer TSimIDE::IDENotifierCount() const { return FServices->FIDENotifiers.Count(); }

Integer TSimIDE::ModuleNotifierCount(IOTAModule* AModule) const { return AsModule(AModule)->Notifiers().Count(); }

Integer TSimIDE::MenuCreatorCount() const { return FServices->FMenuCreators.Count(); }

Integer TSimIDE::RegistrationCount() const {
  Integer LCount = IDENotifierCount() + MenuCreatorCount() + OptionsPageCount() + static_cast<Integer>(FAbout.size());
  for (const auto& LModule : FModules) LCount += LModule->Notifiers().Count();
  return LCount;
}

const std::vector<std::pair<UnicodeString, UnicodeString>>& TSimIDE::HelpCalls() const { return FHelpSystem->FCalls; }

void TSimIDE::SetHelpSystemOffered(bool AOffered) { Application().SetHelpSystem(AOffered ? FHelpSystem.Get() : nullptr); }

// --- Dialogs -------------------------------------------------------------------------------------

void TSimIDE::SetModalHandler(TModalHandler AHandler) { Application().SetModalHandler(std::move(AHandler)); }

bool TSimIDE::ShowOptionsDialog(const UnicodeString& ACaption, const std::function<bool(TCustomFrame&)>& AUser) {
  auto LIt = std::find_if(FOptionsPages.begin(), FOptionsPages.end(),
                          [&](const auto& P) { return SameText(P->GetCaption(), ACaption); });
  if (LIt == FOptionsPages.end()) throw EInvalidOperation(u"No options page " + ACaption);
  TIntfPtr<INTAAddInOptions> LPage = *LIt;
  const TCustomFrameClass LClass = LPage->GetFrameClass();
  if (!LClass) throw EInvalidOperation(u"The options page has no frame class");
  TForm LDialog(nullptr);
  TCustomFrame* LFrame = LClass.Create(&LDialog);
  LFrame->SetParent(&LDialog);
  LPage->FrameCreated(LFrame);
  // The dialog shows while the user works on the page: hidden controls take no clicks.
  LDialog.SetVisible(true);
  const bool LAccepted = AUser(*LFrame) && LPage->ValidateContents();
  LDialog.SetVisible(false);
  LPage->DialogClosed(LAccepted);
  return LAccepted;
}

// --- Project Manager -----------------------------------------------------------------------------

TIntfPtr<IInterfaceList> TSimIDE::ProjectManagerMenus(IOTAProject* AProject, const std::vector<UnicodeString>& AIdents,
                                                       bool AMultiSelect) {
  TIntfPtr<IInterfaceList> LList(new TInterfaceList());
  TStringList LIdents;
  for (const UnicodeString& LIdent : AIdents) LIdents.Add(LIdent);
  TIntfPtr<TSimServices> LServices = FServices;
  for (auto& [LIndex, LCreator] : LServices->FMenuCreators.Snapshot())
    if (LServices->FMenuCreators.Contains(LIndex)) LCreator->AddMenu(AProject, &LIdents, LList.Get(), AMultiSelect);
  return LList;
}

void TSimIDE::ExecuteProjectManagerMenu(IOTAProjectManagerMenu* AMenu, const std::vector<IOTAProject*>& AProjects) {
  TIntfPtr<IInterfaceList> LContexts(new TInterfaceList());
  for (IOTAProject* LProject : AProjects) LContexts->Add(new TSimProjectMenuContext(LProject));
  TIntfPtr<IOTAProjectManagerMenu> LMenu(AMenu);
  LMenu->PreExecute(LContexts.Get());
  LMenu->Execute(LContexts.Get());
  LMenu->PostExecute(LContexts.Get());
}

// --- Plug-in -------------------------------------------------------------------------------------

void TSimIDE::LoadPlugin(const UnicodeString& AFileName) {
  if (FPlugin) throw EInvalidOperation(u"A plug-in is loaded already");
  UnicodeString LError;
  TModuleHandle LHandle = LoadModule(AFileName, &LError);
  if (!LHandle) throw EOSError(u"Cannot load " + AFileName + u": " + LError);
  void* LRegister = GetModuleSymbol(LHandle, cPluginRegisterName);
  if (!LRegister) {
    UnloadModule(LHandle);
    throw EOSError(AFileName + u" has no Register");
  }
  FPlugin = LHandle;
  reinterpret_cast<TPluginProc>(LRegister)();
}

Integer TSimIDE::UnloadPlugin() {
  if (!FPlugin) return 0;
  struct TUnload {
    TSimIDE* IDE;
    // Whatever the plug-in left behind refers to its code: it is let go before the code is.
    ~TUnload() {
      IDE->FServices->FIDENotifiers.Clear();
      IDE->FServices->FMenuCreators.Clear();
      for (const auto& LModule : IDE->FModules) LModule->Notifiers().Clear();
      IDE->FOptionsPages.clear();
      IDE->FAbout.clear();
      UnloadModule(IDE->FPlugin);
      IDE->FPlugin = nullptr;
    }
  };
  Integer LLeft = 0;
  {
    TUnload LUnload{this};
    if (void* LFinalize = GetModuleSymbol(FPlugin, cPluginFinalizeName)) reinterpret_cast<TPluginProc>(LFinalize)();
    LLeft = RegistrationCount();
  }
  return LLeft;
}

}  // namespace Vorlane
