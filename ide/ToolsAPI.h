// The IDE's programming interface as the add-in sees it: service lookup through
// BorlandIDEServices, the services, modules, projects, editors, build configurations,
// packages, platforms, the Project Manager and the notifiers the add-in implements.
//
// Operations are declared in the IDE's slot order where one matters. Text is UTF-16
// (UnicodeString); editor buffers are UTF-8 bytes addressed by byte position from 0.
// Notification indices are whatever the IDE returns from its Add operations.
#pragma once

#include <vector>

#include "ide/Interfaces.h"
#include "platform/StringList.h"

namespace Vorlane {

class TBasicAction;
class TCustomFrame;
class TCustomImageList;
class TMenuItem;
struct TCustomFrameClass;

using THandle = std::uintptr_t;
using HBITMAP = THandle;
using TArrayOfString = std::vector<UnicodeString>;

class IOTAProject;

// ---------------------------------------------------------------------------------------------
// Notifiers

class IOTANotifier : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0101, 0x3E51, 0x4B20, 0x9D3F00C1A2B30101ULL};
  virtual void AfterSave() = 0;
  virtual void BeforeSave() = 0;
  virtual void Destroyed() = 0;
  virtual void Modified() = 0;
};

// The codes of IOTAIDENotifier::FileNotification.
enum TOTAFileNotification : Integer {
  ofnFileOpening = 0,
  ofnFileOpened = 1,
  ofnFileClosing = 2,
  ofnDefaultDesktopLoad = 3,
  ofnDefaultDesktopSave = 4,
  ofnProjectDesktopLoad = 5,
  ofnProjectDesktopSave = 6,
  ofnPackageInstalled = 7,
  ofnPackageUninstalled = 8,
  ofnActiveProjectChanged = 9,
};

class IOTAIDENotifier : public virtual IOTANotifier {
 public:
  static constexpr TGUID IID{0x7A1C0102, 0x3E51, 0x4B20, 0x9D3F00C1A2B30102ULL};
  virtual void FileNotification(TOTAFileNotification ANotifyCode, const UnicodeString& AFileName,
                                bool& ACancel) = 0;
  virtual void BeforeCompile(IOTAProject* AProject, bool& ACancel) = 0;
  virtual void AfterCompile(bool ASucceeded) = 0;
};

class IOTAModuleNotifier : public virtual IOTANotifier {
 public:
  static constexpr TGUID IID{0x7A1C0103, 0x3E51, 0x4B20, 0x9D3F00C1A2B30103ULL};
  virtual bool CheckOverwrite() = 0;
  virtual void ModuleRenamed(const UnicodeString& ANewName) = 0;
};

// Base of the add-in's notifiers: every IOTANotifier operation does nothing.
class TNotifierObject : public TInterfacedObject, public virtual IOTANotifier {
 public:
  void AfterSave() override {}
  void BeforeSave() override {}
  void Destroyed() override {}
  void Modified() override {}
};

// Base of module notifiers: overwriting is allowed and a rename is ignored.
class TModuleNotifierObject : public TNotifierObject, public virtual IOTAModuleNotifier {
 public:
  bool CheckOverwrite() override { return true; }
  void ModuleRenamed(const UnicodeString&) override {}
};

// ---------------------------------------------------------------------------------------------
// Editors and their buffers

class IOTAModule;

class IOTAEditor : public virtual IOTANotifier {
 public:
  static constexpr TGUID IID{0x7A1C0201, 0x3E51, 0x4B20, 0x9D3F00C1A2B30201ULL};
  virtual UnicodeString GetFileName() = 0;
  virtual TIntfPtr<IOTAModule> GetModule() = 0;
};

class IOTAFormEditor : public virtual IOTAEditor {
 public:
  static constexpr TGUID IID{0x7A1C0202, 0x3E51, 0x4B20, 0x9D3F00C1A2B30202ULL};
};

// Reads the buffer's UTF-8 bytes.
class IOTAEditReader : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0203, 0x3E51, 0x4B20, 0x9D3F00C1A2B30203ULL};
  // Copies up to ACount bytes from byte position APosition into ABuffer; returns the number
  // copied (fewer only at the end of the buffer, 0 beyond it).
  virtual Integer GetText(Integer APosition, char* ABuffer, Integer ACount) = 0;
};

// Rewrites the buffer in one forward pass over its old content: CopyTo keeps the old bytes up
// to a position, DeleteTo drops them, Insert adds UTF-8 text at the current position. The
// changes reach the buffer when the writer is released; the rest of the old content after the
// last position is kept.
class IOTAEditWriter : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0204, 0x3E51, 0x4B20, 0x9D3F00C1A2B30204ULL};
  virtual void CopyTo(Integer APos) = 0;
  virtual void DeleteTo(Integer APos) = 0;
  virtual void Insert(const char* AText) = 0;
  virtual Integer GetCurrentPos() = 0;
};

class IOTASourceEditor : public virtual IOTAEditor {
 public:
  static constexpr TGUID IID{0x7A1C0205, 0x3E51, 0x4B20, 0x9D3F00C1A2B30205ULL};
  virtual TIntfPtr<IOTAEditReader> CreateReader() = 0;
  virtual TIntfPtr<IOTAEditWriter> CreateUndoableWriter() = 0;
};

// The source editor's buffer.
class IOTAEditBuffer : public virtual IOTASourceEditor {
 public:
  static constexpr TGUID IID{0x7A1C0206, 0x3E51, 0x4B20, 0x9D3F00C1A2B30206ULL};
  virtual bool GetIsReadOnly() = 0;
};

// ---------------------------------------------------------------------------------------------
// Modules, projects, project groups and build configurations

class IOTAModule : public virtual IOTANotifier {
 public:
  static constexpr TGUID IID{0x7A1C0301, 0x3E51, 0x4B20, 0x9D3F00C1A2B30301ULL};
  virtual UnicodeString GetFileName() = 0;
  // The IDE holds a counted reference to the notifier until it is removed or the module
  // closes; returns the index for RemoveNotifier.
  virtual Integer AddNotifier(IOTAModuleNotifier* ANotifier) = 0;
  virtual void RemoveNotifier(Integer AIndex) = 0;
  virtual Integer GetModuleFileCount() = 0;
  // nil out of range.
  virtual TIntfPtr<IOTAEditor> GetModuleFileEditor(Integer AIndex) = 0;
};

class IOTABuildConfiguration : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0302, 0x3E51, 0x4B20, 0x9D3F00C1A2B30302ULL};
  // The identifying text ("Base", "Cfg_1", "Cfg_1_Win32").
  virtual UnicodeString GetKey() = 0;
  virtual UnicodeString GetName() = 0;
  // The platform of a platform configuration, empty otherwise.
  virtual UnicodeString GetPlatform() = 0;
  // nil for the root configuration.
  virtual TIntfPtr<IOTABuildConfiguration> GetParent() = 0;
  virtual Integer GetChildCount() = 0;
  virtual TIntfPtr<IOTABuildConfiguration> GetChild(Integer AIndex) = 0;
  // The platforms this configuration has platform configurations for.
  virtual TArrayOfString GetPlatforms() = 0;
  virtual TIntfPtr<IOTABuildConfiguration> GetPlatformConfiguration(const UnicodeString& APlatform) = 0;
  // The text of a key; with AIncludeInheritedValue a key this configuration does not set is
  // looked up in its parents. Empty when no one sets it.
  virtual UnicodeString GetValue(const UnicodeString& APropName, bool AIncludeInheritedValue = false) = 0;
  virtual void SetValue(const UnicodeString& APropName, const UnicodeString& AValue) = 0;
  // "true" (ignoring case) reads as true, anything else as false.
  virtual bool GetBoolean(const UnicodeString& APropName, bool AIncludeInheritedValue = false) = 0;
  // Removes the key from this configuration; an absent key changes nothing.
  virtual void Remove(const UnicodeString& APropName) = 0;
};

class IOTAProjectOptions : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0303, 0x3E51, 0x4B20, 0x9D3F00C1A2B30303ULL};
  virtual bool GetModifiedState() = 0;
};

class IOTAProjectOptionsConfigurations : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0304, 0x3E51, 0x4B20, 0x9D3F00C1A2B30304ULL};
  // The build configurations (not the platform configurations) in the project's order.
  virtual Integer GetConfigurationCount() = 0;
  virtual TIntfPtr<IOTABuildConfiguration> GetConfiguration(Integer AIndex) = 0;
  virtual TIntfPtr<IOTABuildConfiguration> GetActiveConfiguration() = 0;
  virtual TIntfPtr<IOTABuildConfiguration> GetBaseConfiguration() = 0;
};

class IOTAProject : public virtual IOTAModule {
 public:
  static constexpr TGUID IID{0x7A1C0305, 0x3E51, 0x4B20, 0x9D3F00C1A2B30305ULL};
  // "Application", "Package", ...: the project's AppType.
  virtual UnicodeString GetApplicationType() = 0;
  virtual TArrayOfString GetSupportedPlatforms() = 0;
  // Also offers IOTAProjectOptionsConfigurations.
  virtual TIntfPtr<IOTAProjectOptions> GetProjectOptions() = 0;
};

class IOTAProjectGroup : public virtual IOTAModule {
 public:
  static constexpr TGUID IID{0x7A1C0306, 0x3E51, 0x4B20, 0x9D3F00C1A2B30306ULL};
  virtual Integer GetProjectCount() = 0;
  virtual TIntfPtr<IOTAProject> GetProject(Integer AIndex) = 0;
  virtual TIntfPtr<IOTAProject> GetActiveProject() = 0;
  virtual void SetActiveProject(IOTAProject* AProject) = 0;
};

// ---------------------------------------------------------------------------------------------
// Services

// BorlandIDEServices: every service is found by QueryInterface with its identifier.
class IBorlandIDEServices : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0401, 0x3E51, 0x4B20, 0x9D3F00C1A2B30401ULL};
};

class IOTAServices : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0402, 0x3E51, 0x4B20, 0x9D3F00C1A2B30402ULL};
  virtual Integer AddNotifier(IOTAIDENotifier* ANotifier) = 0;
  virtual void RemoveNotifier(Integer AIndex) = 0;
  // The IDE's folder for per-user data, with a trailing delimiter.
  virtual UnicodeString GetApplicationDataDirectory() = 0;
};

class IOTASplashScreenServices : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0403, 0x3E51, 0x4B20, 0x9D3F00C1A2B30403ULL};
  virtual void AddPluginBitmap(const UnicodeString& ACaption, HBITMAP ABitmap, bool AIsUnRegistered,
                               const UnicodeString& ALicenseStatus, const UnicodeString& ASKUName) = 0;
};

class IOTAAboutBoxServices : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0404, 0x3E51, 0x4B20, 0x9D3F00C1A2B30404ULL};
  virtual Integer AddPluginInfo(const UnicodeString& ATitle, const UnicodeString& ADescription, HBITMAP AImage,
                                bool AIsUnRegistered, const UnicodeString& ALicenseStatus,
                                const UnicodeString& ASKUName, bool AVisible) = 0;
  virtual void RemovePluginInfo(Integer AIndex) = 0;
};

// A page of the IDE's options dialog, implemented by the add-in.
class INTAAddInOptions : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0405, 0x3E51, 0x4B20, 0x9D3F00C1A2B30405ULL};
  virtual UnicodeString GetArea() = 0;
  virtual UnicodeString GetCaption() = 0;
  virtual TCustomFrameClass GetFrameClass() = 0;
  virtual void FrameCreated(TCustomFrame* AFrame) = 0;
  virtual void DialogClosed(bool AAccepted) = 0;
  virtual bool ValidateContents() = 0;
  virtual Integer GetHelpContext() = 0;
  virtual bool IncludeInIDEInsight() = 0;
};

class INTAEnvironmentOptionsServices : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0406, 0x3E51, 0x4B20, 0x9D3F00C1A2B30406ULL};
  virtual void RegisterAddInOptions(INTAAddInOptions* AAddInOptions) = 0;
  virtual void UnregisterAddInOptions(INTAAddInOptions* AAddInOptions) = 0;
};

class INTAServices : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0407, 0x3E51, 0x4B20, 0x9D3F00C1A2B30407ULL};
  // Inserts AMenuItem (linked to AAction when given) before or after the IDE's menu item
  // whose component name is AName, or as its first or last child. Raises when the IDE has no
  // item of that name. The item stays the caller's: freeing it takes it out of the menu.
  virtual void AddActionMenu(const UnicodeString& AName, TBasicAction* AAction, TMenuItem* AMenuItem,
                             bool AInsertAfter = true, bool AInsertAsChild = false) = 0;
  // Copies the images of AImages into the IDE's image list under AIdent and returns the
  // index of the first one; with no list nothing is added and the result is -1.
  virtual Integer AddImages(TCustomImageList* AImages, const UnicodeString& AIdent) = 0;
};

class IOTAModuleServices : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0408, 0x3E51, 0x4B20, 0x9D3F00C1A2B30408ULL};
  // The open module of a file name (compared without regard to case), nil when none.
  virtual TIntfPtr<IOTAModule> FindModule(const UnicodeString& AFileName) = 0;
  virtual TIntfPtr<IOTAProjectGroup> MainProjectGroup() = 0;
  virtual TIntfPtr<IOTAProject> GetActiveProject() = 0;
};

class IOTAPackageInfo : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0409, 0x3E51, 0x4B20, 0x9D3F00C1A2B30409ULL};
  // The package's name ("rtl").
  virtual UnicodeString GetName() = 0;
  // The package's full file name (".../rtl210.bpl").
  virtual UnicodeString GetFileName() = 0;
};

class IOTAPackageServices : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C040A, 0x3E51, 0x4B20, 0x9D3F00C1A2B3040AULL};
  virtual Integer GetPackageCount() = 0;
  // The loaded package's file name without folder ("rtl210.bpl").
  virtual UnicodeString GetPackageName(Integer AIndex) = 0;
  virtual TIntfPtr<IOTAPackageInfo> GetPackage(Integer AIndex) = 0;
};

class IOTAPlatformServices : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C040B, 0x3E51, 0x4B20, 0x9D3F00C1A2B3040BULL};
  virtual TArrayOfString GetAllPlatforms() = 0;
};

// ---------------------------------------------------------------------------------------------
// Project Manager menus

class IOTALocalMenu : public virtual IOTANotifier {
 public:
  static constexpr TGUID IID{0x7A1C0501, 0x3E51, 0x4B20, 0x9D3F00C1A2B30501ULL};
  virtual UnicodeString GetCaption() = 0;
  virtual bool GetChecked() = 0;
  virtual bool GetEnabled() = 0;
  virtual Integer GetHelpContext() = 0;
  virtual UnicodeString GetName() = 0;
  virtual UnicodeString GetParent() = 0;
  virtual Integer GetPosition() = 0;
  virtual UnicodeString GetVerb() = 0;
  virtual void SetCaption(const UnicodeString& AValue) = 0;
  virtual void SetChecked(bool AValue) = 0;
  virtual void SetEnabled(bool AValue) = 0;
  virtual void SetHelpContext(Integer AValue) = 0;
  virtual void SetName(const UnicodeString& AValue) = 0;
  virtual void SetParent(const UnicodeString& AValue) = 0;
  virtual void SetPosition(Integer AValue) = 0;
  virtual void SetVerb(const UnicodeString& AValue) = 0;
};

class IOTAProjectManagerMenu : public virtual IOTALocalMenu {
 public:
  static constexpr TGUID IID{0x7A1C0502, 0x3E51, 0x4B20, 0x9D3F00C1A2B30502ULL};
  virtual bool GetIsMultiSelectable() = 0;
  virtual void SetIsMultiSelectable(bool AValue) = 0;
  // AMenuContextList holds one IOTAProjectMenuContext per selected node.
  virtual void Execute(IInterfaceList* AMenuContextList) = 0;
  virtual bool PreExecute(IInterfaceList* AMenuContextList) = 0;
  virtual bool PostExecute(IInterfaceList* AMenuContextList) = 0;
};

// What a Project Manager menu command is for.
class IOTAProjectMenuContext : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0503, 0x3E51, 0x4B20, 0x9D3F00C1A2B30503ULL};
  virtual TIntfPtr<IOTAProject> GetProject() = 0;
};

class IOTAProjectMenuItemCreatorNotifier : public virtual IOTANotifier {
 public:
  static constexpr TGUID IID{0x7A1C0504, 0x3E51, 0x4B20, 0x9D3F00C1A2B30504ULL};
  // Called whenever the Project Manager builds its context menu: AIdentList names the
  // selected node's kinds ("ProjectContainer", ...); menus go into AProjectManagerMenuList as
  // IOTAProjectManagerMenu entries.
  virtual void AddMenu(IOTAProject* AProject, const TStrings* AIdentList, IInterfaceList* AProjectManagerMenuList,
                       bool AIsMultiSelect) = 0;
};

class IOTAProjectManager : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0505, 0x3E51, 0x4B20, 0x9D3F00C1A2B30505ULL};
  virtual Integer AddMenuItemCreatorNotifier(IOTAProjectMenuItemCreatorNotifier* ANotifier) = 0;
  virtual void RemoveMenuItemCreatorNotifier(Integer AIndex) = 0;
};

// ---------------------------------------------------------------------------------------------
// The IDE globals. The host sets them before it loads a plug-in and clears them when it
// closes; the IDE layer is one shared library, so plug-in and host see the same values.

TIntfPtr<IBorlandIDEServices> BorlandIDEServices();
void SetBorlandIDEServices(IBorlandIDEServices* AServices);
TIntfPtr<IOTASplashScreenServices> SplashScreenServices();
void SetSplashScreenServices(IOTASplashScreenServices* AServices);

}  // namespace Vorlane
