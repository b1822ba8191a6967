// Brings a .dproj document into one canonical order, so that saving a project from the IDE
// does not reshuffle it and a diff shows only real changes.
#pragma once

#include <unordered_map>
#include <vector>

#include "platform/Types.h"
#include "projfile/ConfigItem.h"
#include "projfile/DprojXml.h"
#include "projfile/FileHelper.h"
#include "projfile/NodeSortHelpers.h"
#include "projfile/PropertyGroupSorter.h"
#include "xml/XmlNode.h"

namespace Vorlane {

// Children of the personality node: Source, Excluded_Packages, VersionInfo, VersionInfoKeys
// first in that order, then the rest by name.
class TDelphiPersonalityNodeComparer : public TNodeComparer {
 public:
  Integer Compare(TXmlNode* Left, TXmlNode* Right) const override;
};

// Same-named nodes by the value of one attribute (ordinal, case-sensitive); others by name.
class TNodeAttributeComparer : public TNodeComparer {
 public:
  explicit TNodeAttributeComparer(const UTF8String& AAttribute) : FAttribute(AAttribute) {}
  Integer Compare(TXmlNode* Left, TXmlNode* Right) const override;
  const UTF8String& Attribute() const { return FAttribute; }

 private:
  UTF8String FAttribute;
};

// Deployment entries: DeployFile, DeployClass, ProjectRoot in that order, each kind by its
// key attributes, then entries without Platform child, then by the position of the first
// Platform child in the known platforms (unknown names first).
class TDeploymentNodeComparer : public TNodeComparer {
 public:
  TDeploymentNodeComparer();
  Integer Compare(TXmlNode* Left, TXmlNode* Right) const override;

 private:
  // What the comparison reads from one entry. Entries do not change while a sort runs, so it
  // is read once per entry: deployment sections hold thousands of them.
  struct TEntry {
    Integer Kind = -1;
    std::vector<UnicodeString> Keys;
    // Position of the first Platform child's name in the known platforms; -1 for an unknown
    // name, -2 when there is no Platform child.
    Integer Platform = -2;
  };
  const TEntry& EntryOf(TXmlNode* ANode) const;

  TTextLookup FKnownPlatforms;
  mutable std::unordered_map<TXmlNode*, TEntry> FEntries;
};

class TNormalizerDProjFile : public TCustomProjFile {
 public:
  explicit TNormalizerDProjFile(const UnicodeString& AFileName);
  explicit TNormalizerDProjFile(TDprojXml* AXML);
  ~TNormalizerDProjFile() override;

  // Normalizes the file and saves it when sorting ran (the save writes only changed bytes).
  static bool Normalize(const UnicodeString& AFileName);
  // Normalizes a document the caller owns; nothing is saved.
  static bool Normalize(TDprojXml* AXML);

  bool Normalize();
  bool SortEntries();

  static Integer CompareBuildConfigName(const UnicodeString& A, const UnicodeString& B);
  static Integer SortBuildConfigurationNodes(TXmlNode* Item1, TXmlNode* Item2);

 protected:
  // Repairs run before sorting; subclasses may add their own.
  virtual void CheckHealth();
  void CheckAndroid64Bug();
};

}  // namespace Vorlane
