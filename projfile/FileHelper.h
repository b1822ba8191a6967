// The base of every .dproj operation class: one project document (owned or wrapped), cached
// lookups of the main MSBuild nodes, the project-format version, MSBuild condition builders
// and the process-wide table of known target platforms with their TargetedPlatforms bits.
#pragma once

#include <vector>

#include "platform/SysUtils.h"
#include "platform/Types.h"
#include "projfile/DprojXml.h"
#include "xml/XmlNode.h"

namespace Vorlane {

// Extra operations on a node that find, create and delete children by element name and
// attribute value. Names, attribute names and values are UTF-8.
class TXmlNodeHelper {
 public:
  TXmlNodeHelper() = delete;

  // Deletes the first direct child of N named AName (case-insensitive), if any.
  static void DeleteNode(TXmlNode* N, const UTF8String& AName);
  // Deletes the first node of N's subtree (depth first, each node before its descendants)
  // named AName whose attribute AAttribute has the value AValue (case-insensitive).
  static void DeleteNode(TXmlNode* N, const UTF8String& AName, const UTF8String& AAttribute,
                         const UTF8String& AValue);
  // Appends a child element AName carrying the single attribute AAttribute = AValue.
  static TXmlNode* NodeNew(TXmlNode* N, const UTF8String& AName, const UTF8String& AAttribute,
                           const UTF8String& AValue);
  // The node the second DeleteNode would delete, else a new child as NodeNew makes it.
  static TXmlNode* NodeFindOrCreate(TXmlNode* N, const UTF8String& AName,
                                    const UTF8String& AAttribute, const UTF8String& AValue);
};

class TCustomProjFile {
 public:
  // Each constructor first checks that KnownPlatforms and PlatformMasks have the same
  // length and raises EProgrammerNotFound otherwise. The parameterless one holds no document.
  TCustomProjFile();
  // Owns a new project document, loaded from AFileName when that file exists.
  explicit TCustomProjFile(const UnicodeString& AFileName);
  // Wraps a document that stays the caller's.
  explicit TCustomProjFile(TDprojXml* AXML);
  virtual ~TCustomProjFile();

  TCustomProjFile(const TCustomProjFile&) = delete;
  TCustomProjFile& operator=(const TCustomProjFile&) = delete;

  // Document level.
  void Clear();
  // Save to the file the object was created from (nothing for a wrapped document).
  void SaveToFile();
  void SilentSaveToFile();
  TXmlNode* GetRoot();
  TXmlNode* Root() { return GetRoot(); }
  TDprojXml* XML() const { return FXML; }
  const UnicodeString& FileName() const { return FFileName; }
  bool OwnsXML() const { return FOwnsXML; }

  // Property groups (direct children of the root only). An empty condition finds the
  // first PropertyGroup whatever its attributes.
  TXmlNode* GetPropertyGroup(const UnicodeString& ACondition);
  TXmlNode* PropertyGroup(const UnicodeString& ACondition) { return GetPropertyGroup(ACondition); }
  TXmlNode* GetMainGroup();
  TXmlNode* MainGroup() { return GetMainGroup(); }
  TXmlNode* GetBaseGroup();
  TXmlNode* BaseGroup() { return GetBaseGroup(); }
  TXmlNode* CreatePropertyGroup(const UnicodeString& ACondition);
  TXmlNode* CreateMainGroup();
  TXmlNode* GetItemGroup();
  TXmlNode* ItemGroup() { return GetItemGroup(); }
  // Replaces the item group's children by those of AValue (which is left empty).
  void SetItemGroup(TXmlNode* AValue);

  // Project extensions; each is none when its parent is none.
  TXmlNode* GetProjectExtensions();
  TXmlNode* ProjectExtensions() { return GetProjectExtensions(); }
  TXmlNode* GetBorlandProject();
  TXmlNode* BorlandProject() { return GetBorlandProject(); }
  UnicodeString GetPersonalityName();
  UnicodeString PersonalityName() { return GetPersonalityName(); }
  TXmlNode* GetPersonality();
  TXmlNode* Personality() { return GetPersonality(); }
  TXmlNode* GetDeployment();
  TXmlNode* Deployment() { return GetDeployment(); }
  TXmlNode* GetExcludedPackages();
  TXmlNode* ExcludedPackages() { return GetExcludedPackages(); }
  TXmlNode* GetPlatforms();
  TXmlNode* Platforms() { return GetPlatforms(); }
  // Makes sure the Platforms element exists below BorlandProject; nothing without one.
  void AssurePlatformsExist();

  // The main group's ProjectVersion as a number; 0 when missing or not a number.
  double GetProjectVersion();
  double ProjectVersion() { return GetProjectVersion(); }

  // MSBuild condition builders.
  static UnicodeString _Var(const UnicodeString& A);
  static UnicodeString _EQ(const UnicodeString& A, const UnicodeString& B);
  static UnicodeString _NE(const UnicodeString& A, const UnicodeString& B);
  static UnicodeString _AND(const UnicodeString& A, const UnicodeString& B);
  static UnicodeString _OR(const UnicodeString& A, const UnicodeString& B);
  static UnicodeString _Brackets(const UnicodeString& A);

  // Process-wide platform tables. Reading an empty table builds, stores and returns the
  // default; setting an empty table brings the default back on the next read.
  static std::vector<UnicodeString> GetKnownPlatforms();
  static std::vector<UnicodeString> KnownPlatforms() { return GetKnownPlatforms(); }
  static void SetKnownPlatforms(const std::vector<UnicodeString>& AValue);
  static std::vector<Integer> GetPlatformMasks();
  static std::vector<Integer> PlatformMasks() { return GetPlatformMasks(); }
  static void SetPlatformMasks(const std::vector<Integer>& AValue);

 protected:
  // Deletes ANode from its parent and forgets every cached lookup that pointed into the
  // removed subtree, so a later getter searches again instead of using a freed node.
  void DeleteNodeSafe(TXmlNode* ANode);
  // Forgets the cached lookups that lie in ANode's subtree (ANode included).
  void ForgetCachedNodesIn(TXmlNode* ANode);

  TXmlNode* FBaseGroup = nullptr;
  TXmlNode* FBorlandProject = nullptr;
  TXmlNode* FPersonality = nullptr;
  TXmlNode* FDeployment = nullptr;
  TXmlNode* FExcludedPackages = nullptr;
  UnicodeString FFileName;
  TXmlNode* FItemGroup = nullptr;
  TXmlNode* FMainGroup = nullptr;
  bool FOwnsXML = false;
  UnicodeString FPersonalityName;
  TXmlNode* FPlatforms = nullptr;
  TXmlNode* FProjectExtensions = nullptr;
  TDprojXml* FXML = nullptr;
};

}  // namespace Vorlane
