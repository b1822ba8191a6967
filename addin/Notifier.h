// The add-in's notifiers. The IDE notifier follows files being opened and the active project
// changing; it attaches a project notifier to every project and a form notifier to every form
// file of an opened module, and all three hand the events to the event handler. The IDE
// notifier also owns the add-in's action, menu items and settings dialog, and the Project
// Manager's menu creator.
//
// Lifetimes: the IDE holds the only counted reference to each notifier. Project and form
// notifiers refer back to the IDE notifier without counting; when it goes it takes every one of
// them out of its module, and any the IDE still holds afterwards forget it, so none can call
// into a notifier that is gone (or into a plug-in that has been unloaded).
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "addin/ApiHelper.h"
#include "addin/Config.h"
#include "addin/Handler.h"
#include "ide/Menus.h"
#include "ide/ToolsAPI.h"

namespace Vorlane {

class TFormVorlaneSettings;
class TVorlaneNotifier;

// Watches one project: saving, option edits, renaming and its end.
class TProjectNotifier : public TModuleNotifierObject {
 public:
  TProjectNotifier(TVorlaneNotifier* AVorlaneNotifier, const UnicodeString& AFileName);
  ~TProjectNotifier() override;

  void AfterSave() override;
  void BeforeSave() override;
  void Destroyed() override;
  void Modified() override;
  void ModuleRenamed(const UnicodeString& NewName) override;

  const UnicodeString& FileName() const { return FFileName; }

 private:
  friend class TVorlaneNotifier;
  UnicodeString FFileName;
  TVorlaneNotifier* FVorlaneNotifier;
};

// Watches the form file of a unit: its saving.
class TFormModuleNotifier : public TNotifierObject, public virtual IOTAModuleNotifier {
 public:
  TFormModuleNotifier(TVorlaneNotifier* AVorlaneNotifier, const UnicodeString& AFileName);
  ~TFormModuleNotifier() override;

  void AfterSave() override;
  void Destroyed() override;
  bool CheckOverwrite() override { return true; }
  void ModuleRenamed(const UnicodeString& NewName) override;

  const UnicodeString& FileName() const { return FFileName; }

 private:
  friend class TVorlaneNotifier;
  UnicodeString FFileName;
  TVorlaneNotifier* FVorlaneNotifier;
  // The index the module returned, so that the add-in can take the notifier away again.
  Integer FIndex = 0;
};

// Offers the Project Manager's "Vorlane" entry for a single selected project node.
class TProjectMenuItemCreatorNotifier : public TNotifierObject, public virtual IOTAProjectMenuItemCreatorNotifier {
 public:
  explicit TProjectMenuItemCreatorNotifier(TVorlaneNotifier* AVorlaneNotifier) : FVorlaneNotifier(AVorlaneNotifier) {}

  void AddMenu(IOTAProject* AProject, const TStrings* AIdentList, IInterfaceList* AProjectManagerMenuList,
               bool AIsMultiSelect) override;
  // Runs the settings dialog once for each selected project, each made the active project
  // for the time of its dialog; the project active before is made active again afterwards,
  // also when the dialog fails.
  void ExecuteProjectMenu(IInterfaceList* MenuContextList);

 private:
  friend class TVorlaneNotifier;
  TVorlaneNotifier* FVorlaneNotifier;
};

class TVorlaneNotifier : public TNotifierObject, public virtual IOTAIDENotifier {
 public:
  // Builds the handler, attaches project notifiers to the projects open already, reads the
  // per-user names list, creates the menus and registers the Project Manager's menu creator.
  TVorlaneNotifier(IServiceContainer* AServiceContainer, TVorlaneSettings* AVorlaneSettings);
  ~TVorlaneNotifier() override;

  // Codes 0 (opening), 1 (opened), 2 (closing) and 9 (active project changed) count; every
  // other code is ignored. Cancel is never set.
  void FileNotification(TOTAFileNotification NotifyCode, const UnicodeString& FileName, bool& Cancel) override;
  void BeforeCompile(IOTAProject*, bool&) override {}
  void AfterCompile(bool) override {}

  // Takes the project notifier of that project file away (the name is taken by value: the
  // caller's text may belong to the notifier that goes).
  void RemoveNotifier(UnicodeString AFileName);
  // The project's settings follow it, and its notifier is recorded under the new name.
  void RenameProject(const UnicodeString& OldName, const UnicodeString& NewName);
  void CheckProjectOptions(const UnicodeString& AFileName);
  void CheckProjectAfterSave(const UnicodeString& AFileName);
  void CheckProjectBeforeSave(const UnicodeString& AFileName);
  void CheckFormAfterSave(const UnicodeString& AFileName);
  // The settings dialog for the active project: shown modally, and after OK the three levels
  // go back to the handler, which saves them.
  void DoExecute(TObject* Sender);

  // What the notifier holds, for those who look on.
  const std::map<UnicodeString, Integer>& NotifierDict() const { return FNotifierDict; }
  const UnicodeString& LastProject() const { return FLastProject; }
  const UnicodeString& HelpFileName() const { return FHelpFileName; }
  TAction* Action() const { return FAction.get(); }
  TMenuItem* MenuItem() const { return FMenuItem.get(); }
  TMenuItem* HelpMenuItem() const { return FHelpMenuItem.get(); }
  TVorlaneHandler* VorlaneHandler() const { return FVorlaneHandler.get(); }

  static bool IsProjectFile(const UnicodeString& AFileName);
  // False only for an existing read-only file.
  static bool IsWritableFile(const UnicodeString& AFileName);

 private:
  friend class TProjectNotifier;
  friend class TFormModuleNotifier;
  friend class TProjectMenuItemCreatorNotifier;

  void InitializeNotifiers();
  void LoadUserNodes(const UnicodeString& AFileName);
  void CreateMenus();
  void CheckCleanLineFeeds(const UnicodeString& AFileName);
  void HookFormModules(const UnicodeString& AFileName);
  void AttachProjectNotifier(const UnicodeString& AFileName);
  void AttachTo(IOTAProject* AProject, const UnicodeString& AFileName);
  void ActiveProjectChanged(const UnicodeString& AFileName);
  void RemoveAllNotifiers();
  // The destructor's work; also undoes a construction that failed half way.
  void Cleanup();
  TIntfPtr<IOTAModule> FindModule(const UnicodeString& AFileName);
  TIntfPtr<IOTAProjectManager> GetOTAProjectManager();
  TFormVorlaneSettings* GetSettingsForm();

  std::unique_ptr<TAction> FAction;
  UnicodeString FHelpFileName;
  std::unique_ptr<TFormVorlaneSettings> FSettingsForm;
  UnicodeString FLastProject;
  std::unique_ptr<TVorlaneHandler> FVorlaneHandler;
  TVorlaneSettings* FVorlaneSettings;
  std::unique_ptr<TMenuItem> FMenuItem;
  std::unique_ptr<TMenuItem> FHelpMenuItem;
  // Project file name as the IDE gives it (compared exactly) -> index of its project notifier.
  std::map<UnicodeString, Integer> FNotifierDict;
  TIntfPtr<IOTAProjectManager> FOTAProjectManager;
  Integer FProjectMenuNotifierID = 0;
  TIntfPtr<TProjectMenuItemCreatorNotifier> FProjectMenuCreator;
  TIntfPtr<IServiceContainer> FServiceContainer;
  // Every project and form notifier alive that refers to this one.
  std::vector<TProjectNotifier*> FProjectNotifiers;
  std::vector<TFormModuleNotifier*> FFormNotifiers;
};

}  // namespace Vorlane
