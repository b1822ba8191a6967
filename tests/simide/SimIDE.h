// A simulated IDE for tests: it offers every service of the IDE layer, works on real files in
// a folder the test gives it, and is driven the way a person drives the IDE (open, edit,
// save, rename, close, menus, dialogs). It also loads a plug-in library and unloads it.
//
// One instance at a time: it sets the process-wide BorlandIDEServices, SplashScreenServices,
// help system and modal handler, and clears them when it goes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ide/Forms.h"
#include "ide/Menus.h"
#include "ide/Plugin.h"
#include "ide/ToolsAPI.h"
#include "platform/Module.h"

namespace Vorlane {

class TSimModule;
class TSimProject;
class TSimProjectGroup;
class TSimServices;
class TSimSplashServices;
class TSimHelpSystem;

struct TSimPackage {
  UnicodeString Name;      // "rtl"
  UnicodeString FileName;  // full name of the package file ("<folder>/bin/rtl210.bpl")
};

struct TSimSplashEntry {
  UnicodeString Caption;
  HBITMAP Bitmap;
};

struct TSimAboutEntry {
  Integer Index;
  UnicodeString Title;
  UnicodeString Description;
  HBITMAP Image;
};

struct TSimImageRegistration {
  UnicodeString Ident;
  Integer FirstIndex;  // -1 when no list was given
  Integer Count;
};

class TSimIDE {
 public:
  // AFolder is the IDE's per-user data folder (created when missing). The IDE starts with the
  // packages "rtl", "vcl" and "designide" of library suffix 210, the engine's known
  // platforms, its menus and no open file.
  explicit TSimIDE(const UnicodeString& AFolder);
  // Closes every file, unloads a plug-in still loaded and clears the process-wide values.
  ~TSimIDE();
  TSimIDE(const TSimIDE&) = delete;
  TSimIDE& operator=(const TSimIDE&) = delete;

  const UnicodeString& Folder() const { return FFolder; }

  // --- Packages and platforms -----------------------------------------------------------------
  std::vector<TSimPackage>& Packages() { return FPackages; }
  // Adds the package <AName><suffix 210>.bpl (as the separate add-ins "Kelvary" and
  // "Brisendal" would be).
  void AddPackage(const UnicodeString& AName);
  TArrayOfString& Platforms() { return FPlatforms; }

  // --- Services -------------------------------------------------------------------------------
  // Makes BorlandIDEServices refuse (or offer again) the service of that identifier.
  void SetServiceOffered(const TGUID& AIID, bool AOffered);
  bool ServiceOffered(const TGUID& AIID) const;
  // The index the next registration of every kind gets (1 by default, counting up).
  void SetNextIndex(Integer AValue);

  // --- Files ----------------------------------------------------------------------------------
  // Each open sends "file opening" to the IDE notifiers, then reads the file, then sends
  // "file opened". A project becomes the active project ("active project changed").
  // With AOpenSource the project's .dpr or .dpk (when it exists) is open in an editor of the
  // project module; the module is found under the source's name either way.
  TIntfPtr<IOTAProject> OpenProject(const UnicodeString& AFileName, bool AOpenSource = true);
  // Closes what is open, then opens the group and each of its projects in order; the first
  // project becomes active.
  TIntfPtr<IOTAProjectGroup> OpenProjectGroup(const UnicodeString& AFileName);
  // A unit (.pas, with its .dfm as a form editor when that exists) or any other source file.
  TIntfPtr<IOTAModule> OpenFile(const UnicodeString& AFileName);
  // "File closing" to the IDE notifiers, Destroyed to the module's notifiers, which are then
  // released. A group closes its projects first. Closing the active project activates the
  // group's first remaining project (or none).
  void CloseModule(IOTAModule* AModule);
  void CloseAll();
  // BeforeSave to the module's notifiers, the file(s) written, AfterSave. A project writes
  // its whole in-memory state into its project file (and an edited source); a unit writes its
  // buffer and form.
  void SaveModule(IOTAModule* AModule);
  // Gives the module a new file name (ModuleRenamed to its notifiers), then saves it there.
  void SaveModuleAs(IOTAModule* AModule, const UnicodeString& ANewFileName);
  // Sends "active project changed" with the project's file name (empty for none) when the
  // active project changes.
  void SetActiveProject(IOTAProject* AProject);
  TIntfPtr<IOTAProject> ActiveProject() const;
  TIntfPtr<IOTAProjectGroup> ProjectGroup() const;
  TIntfPtr<IOTAModule> FindModule(const UnicodeString& AFileName) const;
  Integer ModuleCount() const { return static_cast<Integer>(FModules.size()); }
  // The user edits an option in the project options dialog: the value is set in that
  // configuration (key "Base", "Cfg_1", "Cfg_1_Win32", ...) and the project's notifiers are
  // told Modified. Raises when the project has no such configuration.
  void EditOption(IOTAProject* AProject, const UnicodeString& AConfigKey, const UnicodeString& AName,
                  const UnicodeString& AValue);
  // The bytes of the editor of that file in the module (raises when there is none).
  std::string EditorText(IOTAModule* AModule, const UnicodeString& AFileName) const;
  // The user types: replaces the editor's bytes.
  void SetEditorText(IOTAModule* AModule, const UnicodeString& AFileName, const std::string& AText);

  // --- Notifiers and registrations ------------------------------------------------------------
  Integer IDENotifierCount() const;
  Integer ModuleNotifierCount(IOTAModule* AModule) const;
  Integer MenuCreatorCount() const;
  // Registrations of every kind still held (IDE notifiers, module notifiers of open modules,
  // menu creators, options pages, about-box entries).
  Integer RegistrationCount() const;

  // --- Menus, images, splash, about box, help --------------------------------------------------
  // The main menu: "FileMenu", "ProjectMenu" (holding "ProjectOptionsItem"), "HelpMenu"
  // (holding "HelpContentsItem" and "HelpThirdPartyMenuItem").
  TMenuItem& MainMenu() { return *FMainMenu; }
  const std::vector<TSimImageRegistration>& ImageRegistrations() const { return FImages; }
  const std::vector<TSimSplashEntry>& SplashEntries() const { return FSplash; }
  const std::vector<TSimAboutEntry>& AboutEntries() const { return FAbout; }
  // The help system's ShowTopicHelp calls: (topic, help file).
  const std::vector<std::pair<UnicodeString, UnicodeString>>& HelpCalls() const;
  // Whether the application has a help system (it has one by default).
  void SetHelpSystemOffered(bool AOffered);

  // --- Dialogs --------------------------------------------------------------------------------
  // Who answers modal forms: AHandler plays the user (clicks, keys) while the form shows.
  void SetModalHandler(TModalHandler AHandler);
  // Opens the IDE's options dialog on the registered page of that caption: the page's frame
  // is created and handed to FrameCreated, AUser edits it and returns whether the user
  // presses OK; DialogClosed follows (accepted only when the page also validates), then the
  // frame is freed. Raises when no page has the caption.
  bool ShowOptionsDialog(const UnicodeString& ACaption, const std::function<bool(TCustomFrame&)>& AUser);
  Integer OptionsPageCount() const { return static_cast<Integer>(FOptionsPages.size()); }

  // --- Project Manager ------------------------------------------------------------------------
  // The context menu for AProject's node with these identifiers: every menu creator adds its
  // entries to the returned list.
  TIntfPtr<IInterfaceList> ProjectManagerMenus(IOTAProject* AProject, const std::vector<UnicodeString>& AIdents,
                                                bool AMultiSelect = false);
  // Runs a menu entry for the selected projects (PreExecute, Execute, PostExecute).
  void ExecuteProjectManagerMenu(IOTAProjectManagerMenu* AMenu, const std::vector<IOTAProject*>& AProjects);

  // --- Plug-in --------------------------------------------------------------------------------
  // Loads the library and calls its Register. Raises when it cannot be loaded or has none.
  void LoadPlugin(const UnicodeString& AFileName);
  // Calls the plug-in's Finalize, releases the registrations still held (they would point
  // into the unloaded code) and unloads the library; returns how many were left.
  Integer UnloadPlugin();
  bool PluginLoaded() const { return FPlugin != nullptr; }

  // --- Used by the services and modules --------------------------------------------------------
  void NotifyIDE(TOTAFileNotification ACode, const UnicodeString& AFileName);
  Integer NextIndex() const { return FNextIndex; }
  Integer TakeIndex() { return FNextIndex++; }

 private:
  friend class TSimServices;
  TSimModule* AsModule(IOTAModule* AModule) const;
  TIntfPtr<TSimProject> OpenProjectFile(const UnicodeString& AFileName, bool AOpenSource);
  void RemoveModule(TSimModule* AModule);

  UnicodeString FFolder;
  std::vector<TSimPackage> FPackages;
  TArrayOfString FPlatforms;
  std::vector<TGUID> FWithheld;
  Integer FNextIndex = 1;

  TIntfPtr<TSimServices> FServices;
  TIntfPtr<TSimSplashServices> FSplashServices;
  TIntfPtr<TSimHelpSystem> FHelpSystem;

  std::vector<TIntfPtr<TSimModule>> FModules;
  TIntfPtr<TSimProjectGroup> FGroup;
  TIntfPtr<TSimProject> FActiveProject;

  std::unique_ptr<TMenuItem> FMainMenu;
  std::vector<const TMenuItem*> FOwnMenuItems;
  std::vector<TSimImageRegistration> FImages;
  Integer FImageCount = 120;
  std::vector<TSimSplashEntry> FSplash;
  std::vector<TSimAboutEntry> FAbout;
  std::vector<TIntfPtr<INTAAddInOptions>> FOptionsPages;

  TModuleHandle FPlugin = nullptr;
};

}  // namespace Vorlane
