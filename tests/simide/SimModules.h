// The simulated IDE's open files: modules with their notifiers and editors, projects with
// their build configurations read from the project file, project groups, and the editor
// buffers with reader and writer.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ide/ToolsAPI.h"
#include "projfile/DprojXml.h"

namespace Vorlane {

class TSimIDE;
class TSimModule;
class TSimProject;

// Registrations held by the IDE: a counted reference per index (the IDE hands out indices
// from one counter and never reuses them).
template <class T>
class TSimRegistry {
 public:
  Integer Add(Integer AIndex, T* AItem) {
    FItems.push_back({AIndex, TIntfPtr<T>(AItem)});
    return AIndex;
  }
  // The entry leaves the list before its reference is released, so a destructor that runs
  // in the release sees a consistent list.
  void Remove(Integer AIndex) {
    TIntfPtr<T> LItem;
    for (auto It = FItems.begin(); It != FItems.end(); ++It)
      if (It->first == AIndex) {
        LItem = std::move(It->second);
        FItems.erase(It);
        break;
      }
  }
  bool Contains(Integer AIndex) const {
    for (const auto& LEntry : FItems)
      if (LEntry.first == AIndex) return true;
    return false;
  }
  // A snapshot to call through: an entry removed meanwhile is skipped by the caller testing
  // Contains, and stays alive until the snapshot goes.
  std::vector<std::pair<Integer, TIntfPtr<T>>> Snapshot() const { return FItems; }
  // Releases every entry (the list is emptied first); returns how many there were.
  Integer Clear() {
    auto LItems = std::move(FItems);
    FItems.clear();
    const Integer LCount = static_cast<Integer>(LItems.size());
    while (!LItems.empty()) LItems.pop_back();
    return LCount;
  }
  Integer Count() const { return static_cast<Integer>(FItems.size()); }

 private:
  std::vector<std::pair<Integer, TIntfPtr<T>>> FItems;
};

// ---------------------------------------------------------------------------------------------
// Editors

class TSimEditor : public TNotifierObject, public virtual IOTAEditor {
 public:
  TSimEditor(TSimModule* AModule, const UnicodeString& AFileName, std::string AContent);

  UnicodeString GetFileName() override { return FFileName; }
  TIntfPtr<IOTAModule> GetModule() override;

  // The buffer's bytes (UTF-8 for a source, the form file's bytes for a form).
  const std::string& Content() const { return FContent; }
  void SetContent(std::string AValue);
  bool IsModified() const { return FModified; }
  void SetModified(bool AValue) { FModified = AValue; }
  void SetFileName(const UnicodeString& AValue) { FFileName = AValue; }
  void Detach() { FModule = nullptr; }

 private:
  TSimModule* FModule;
  UnicodeString FFileName;
  std::string FContent;
  bool FModified = false;
};

class TSimSourceEditor : public TSimEditor, public virtual IOTAEditBuffer {
 public:
  using TSimEditor::TSimEditor;
  TIntfPtr<IOTAEditReader> CreateReader() override;
  TIntfPtr<IOTAEditWriter> CreateUndoableWriter() override;
  bool GetIsReadOnly() override { return false; }
};

class TSimFormEditor : public TSimEditor, public virtual IOTAFormEditor {
 public:
  using TSimEditor::TSimEditor;
};

// ---------------------------------------------------------------------------------------------
// Modules

class TSimModule : public TNotifierObject, public virtual IOTAModule {
 public:
  TSimModule(TSimIDE* AIDE, const UnicodeString& AFileName);
  ~TSimModule() override;

  UnicodeString GetFileName() override { return FFileName; }
  Integer AddNotifier(IOTAModuleNotifier* ANotifier) override;
  void RemoveNotifier(Integer AIndex) override { FNotifiers.Remove(AIndex); }
  Integer GetModuleFileCount() override { return static_cast<Integer>(FEditors.size()); }
  TIntfPtr<IOTAEditor> GetModuleFileEditor(Integer AIndex) override;

  // Another name under which FindModule finds this module (a project's source).
  virtual bool HasFileName(const UnicodeString& AFileName);
  void SetFileName(const UnicodeString& AValue) { FFileName = AValue; }
  void AddEditor(TSimEditor* AEditor);
  TSimEditor* FindEditor(const UnicodeString& AFileName);
  const std::vector<TIntfPtr<TSimEditor>>& Editors() const { return FEditors; }
  TSimRegistry<IOTAModuleNotifier>& Notifiers() { return FNotifiers; }
  // Each module notifier still registered, in order of registration.
  void NotifyEach(const std::function<void(IOTAModuleNotifier*)>& AEvent);
  // Closing: the editors forget the module and every notifier is released.
  virtual void Detach();

 protected:
  TSimIDE* FIDE;

 private:
  UnicodeString FFileName;
  TSimRegistry<IOTAModuleNotifier> FNotifiers;
  std::vector<TIntfPtr<TSimEditor>> FEditors;
};

class TSimBuildConfiguration : public TInterfacedObject, public virtual IOTABuildConfiguration {
 public:
  TSimBuildConfiguration(TSimProject* AProject, const UnicodeString& AKey, const UnicodeString& AName,
                         const UnicodeString& APlatform, TSimBuildConfiguration* AParent);

  UnicodeString GetKey() override { return FKey; }
  UnicodeString GetName() override { return FName; }
  UnicodeString GetPlatform() override { return FPlatform; }
  TIntfPtr<IOTABuildConfiguration> GetParent() override;
  Integer GetChildCount() override { return static_cast<Integer>(FChildren.size()); }
  TIntfPtr<IOTABuildConfiguration> GetChild(Integer AIndex) override;
  TArrayOfString GetPlatforms() override;
  TIntfPtr<IOTABuildConfiguration> GetPlatformConfiguration(const UnicodeString& APlatform) override;
  UnicodeString GetValue(const UnicodeString& APropName, bool AIncludeInheritedValue) override;
  void SetValue(const UnicodeString& APropName, const UnicodeString& AValue) override;
  bool GetBoolean(const UnicodeString& APropName, bool AIncludeInheritedValue) override;
  void Remove(const UnicodeString& APropName) override;

  TSimBuildConfiguration* Parent() const { return FParent; }
  bool HasKey(const UnicodeString& APropName) const { return Find(APropName) != nullptr; }
  std::vector<TSimBuildConfiguration*>& Children() { return FChildren; }
  std::vector<TSimBuildConfiguration*>& PlatformConfigurations() { return FPlatformConfigs; }
  // The keys as read from the file and edited since, in file order.
  std::vector<std::pair<UnicodeString, UnicodeString>>& Values() { return FValues; }
  void Detach();

 private:
  const std::pair<UnicodeString, UnicodeString>* Find(const UnicodeString& APropName) const;
  void Changed();

  TSimProject* FProject;
  UnicodeString FKey;
  UnicodeString FName;
  UnicodeString FPlatform;
  TSimBuildConfiguration* FParent;
  std::vector<TSimBuildConfiguration*> FChildren;
  std::vector<TSimBuildConfiguration*> FPlatformConfigs;
  std::vector<std::pair<UnicodeString, UnicodeString>> FValues;
};

class TSimProjectOptions : public TInterfacedObject,
                           public virtual IOTAProjectOptions,
                           public virtual IOTAProjectOptionsConfigurations {
 public:
  explicit TSimProjectOptions(TSimProject* AProject) : FProject(AProject) {}

  bool GetModifiedState() override;
  Integer GetConfigurationCount() override { return static_cast<Integer>(FConfigurations.size()); }
  TIntfPtr<IOTABuildConfiguration> GetConfiguration(Integer AIndex) override;
  TIntfPtr<IOTABuildConfiguration> GetActiveConfiguration() override;
  TIntfPtr<IOTABuildConfiguration> GetBaseConfiguration() override;

  // Every configuration, platform configurations included (they own the objects).
  std::vector<TIntfPtr<TSimBuildConfiguration>>& All() { return FAll; }
  // The build configurations, parent before child.
  std::vector<TSimBuildConfiguration*>& Configurations() { return FConfigurations; }
  void SetActive(TSimBuildConfiguration* AValue) { FActive = AValue; }
  TSimBuildConfiguration* Find(const UnicodeString& AKey);
  void Detach();

 private:
  TSimProject* FProject;
  std::vector<TIntfPtr<TSimBuildConfiguration>> FAll;
  std::vector<TSimBuildConfiguration*> FConfigurations;
  TSimBuildConfiguration* FActive = nullptr;
};

class TSimProject : public TSimModule, public virtual IOTAProject {
 public:
  TSimProject(TSimIDE* AIDE, const UnicodeString& AFileName);

  UnicodeString GetApplicationType() override { return FApplicationType; }
  TArrayOfString GetSupportedPlatforms() override { return FPlatforms; }
  TIntfPtr<IOTAProjectOptions> GetProjectOptions() override;

  bool HasFileName(const UnicodeString& AFileName) override;
  // Reads the project file into memory, and from it type, platforms and build configurations
  // (a missing file gives an application with a lone "Base" configuration).
  void ReadProjectFile();
  // Writes the whole project as the IDE holds it, the project file as read with every option
  // as it is now, over whatever the file holds meanwhile (written only when its bytes change).
  void WriteProjectFile();
  // The project source (.dpr or .dpk) beside the project file.
  UnicodeString SourceFileName() const { return FSourceFileName; }
  TSimProjectOptions& Options() { return *FOptions; }
  bool Modified() const { return FModified; }
  void SetModified(bool AValue) { FModified = AValue; }
  void Detach() override;

 private:
  UnicodeString FApplicationType;
  TArrayOfString FPlatforms;
  UnicodeString FSourceFileName;
  TIntfPtr<TSimProjectOptions> FOptions;
  std::unique_ptr<TDprojXml> FDocument;
  bool FModified = false;
};

class TSimProjectGroup : public TSimModule, public virtual IOTAProjectGroup {
 public:
  using TSimModule::TSimModule;

  Integer GetProjectCount() override { return static_cast<Integer>(FProjects.size()); }
  TIntfPtr<IOTAProject> GetProject(Integer AIndex) override;
  TIntfPtr<IOTAProject> GetActiveProject() override;
  void SetActiveProject(IOTAProject* AProject) override;

  std::vector<TIntfPtr<TSimProject>>& Projects() { return FProjects; }

 private:
  std::vector<TIntfPtr<TSimProject>> FProjects;
};

}  // namespace Vorlane
