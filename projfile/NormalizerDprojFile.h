// Brings a .dproj document into one canonical order, so that saving a project from the IDE
// does not reshuffle it and a diff shows only real changes.
#pragma once

#include <cstdint>
#include <deque>
#include <string_view>
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
  // SortChildNodesIfUnsorted(ANode, *this) with the same result, reading what the comparison
  // needs from each child once: deployment sections hold thousands of entries.
  bool SortChildrenIfUnsorted(TXmlNode* ANode) const;

 private:
  // One key attribute value, read where the node stores it (or, where it had to be unescaped,
  // in the sort's own copy). Plain values (ASCII without NUL) order by their bytes as their
  // UTF-16 forms do; any other is compared on its UTF-16 form.
  struct TKey {
    const char* Data = nullptr;
    std::uint32_t Length = 0;
    bool Plain = true;
  };
  // What the comparison reads from one entry, small and flat, so that a sort moves the entries
  // themselves through memory rather than following pointers to each one's strings.
  struct TEntry {
    Integer Index = 0;  // among the parent's children
    Integer Kind = -1;
    // Position of the first Platform child's name in the known platforms; -1 for an unknown
    // name, -2 when there is no Platform child.
    Integer Platform = -2;
    // Eight bytes of a plain first key after the prefix all of them share, big-endian.
    std::uint64_t Head = 0;
    TKey Keys[3];
  };
  // Per kind, what the heads are taken after: the prefix that the plain first keys share so
  // far, measured against the first of them.
  struct THeadPrefix {
    bool Seen = false;
    TKey Model;
    size_t Shared = 0;
    // The kind's entries before this index got their heads after a longer prefix than Shared.
    Integer StaleBefore = 0;
  };
  // The entries of one sort: their children, and the unescaped key values that could not be
  // read in place (a deque, so that keys pointing into them stay valid as it grows).
  struct TEntries {
    std::vector<TXmlNode*> Nodes;
    std::deque<UTF8String> Unescaped;
    std::vector<TEntry> Items;
    THeadPrefix Prefixes[3];
  };
  static std::uint64_t HeadAfter(const TKey& AKey, size_t AFrom);
  static void FinishHeads(TEntries& AEntries);
  void AddEntry(TEntries& AEntries, TXmlNode* ANode) const;
  Integer CompareEntries(const TEntries& AEntries, const TEntry& ALeft, const TEntry& ARight) const;
  Integer PlatformPosition(std::string_view AName) const;

  TTextLookup FKnownPlatforms;
  // Platform names as written, to their position: a section repeats a few names thousands of
  // times.
  mutable std::unordered_map<UTF8String, Integer> FPlatformPositions;
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
