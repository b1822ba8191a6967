#include "projfile/NormalizerDprojFile.h"

#include <memory>

#include "platform/SysUtils.h"
#include "xml/XmlText.h"

namespace Vorlane {

namespace {

Integer Sign(Integer A) { return A < 0 ? -1 : (A > 0 ? 1 : 0); }

Integer CompareOrdinal(const UnicodeString& A, const UnicodeString& B) { return Sign(A.compare(B)); }

// Position of AName in a list of names matched exactly, -1 when absent.
template <size_t N>
Integer IndexOfExact(const char* const (&AList)[N], const UTF8String& AName) {
  for (size_t I = 0; I < N; ++I)
    if (AName == AList[I]) return static_cast<Integer>(I);
  return -1;
}

const char* const cPersonalityLeading[] = {"Source", "Excluded_Packages", "VersionInfo", "VersionInfoKeys"};
const char* const cDeploymentKinds[] = {"DeployFile", "DeployClass", "ProjectRoot"};
const char* const cDeploymentKeys[] = {"LocalName;Configuration;Class", "Name", "Platform"};

std::vector<UTF8String> SplitKeys(const UTF8String& AText) {
  std::vector<UTF8String> LResult;
  size_t LStart = 0;
  for (;;) {
    size_t LPos = AText.find(';', LStart);
    LResult.push_back(AText.substr(LStart, LPos == UTF8String::npos ? UTF8String::npos : LPos - LStart));
    if (LPos == UTF8String::npos) break;
    LStart = LPos + 1;
  }
  return LResult;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

Integer TDelphiPersonalityNodeComparer::Compare(TXmlNode* Left, TXmlNode* Right) const {
  Integer LLeft = IndexOfExact(cPersonalityLeading, Left->Name());
  Integer LRight = IndexOfExact(cPersonalityLeading, Right->Name());
  if (LLeft >= 0 && LRight >= 0) return Sign(LLeft - LRight);
  if (LLeft >= 0) return -1;
  if (LRight >= 0) return 1;
  return TNodeComparer::Compare(Left, Right);
}

Integer TNodeAttributeComparer::Compare(TXmlNode* Left, TXmlNode* Right) const {
  if (Left->Name() != Right->Name()) return TNodeComparer::Compare(Left, Right);
  return CompareOrdinal(Left->GetAttributeByNameWide(FAttribute), Right->GetAttributeByNameWide(FAttribute));
}

TDeploymentNodeComparer::TDeploymentNodeComparer() {
  std::vector<UnicodeString> LKnown = TCustomProjFile::KnownPlatforms();
  for (size_t I = 0; I < LKnown.size(); ++I) FKnownPlatforms.Add(LKnown[I], static_cast<Integer>(I));
}

const TDeploymentNodeComparer::TEntry& TDeploymentNodeComparer::EntryOf(TXmlNode* ANode) const {
  auto [LIt, LNew] = FEntries.try_emplace(ANode);
  TEntry& LEntry = LIt->second;
  if (!LNew) return LEntry;
  LEntry.Kind = IndexOfExact(cDeploymentKinds, ANode->Name());
  if (LEntry.Kind < 0) return LEntry;
  for (const UTF8String& LKey : SplitKeys(cDeploymentKeys[LEntry.Kind]))
    LEntry.Keys.push_back(UTF8ToUnicode(ANode->GetAttributeByName(LKey)));
  if (TXmlNode* LPlatform = ANode->NodeByName("Platform"))
    LEntry.Platform = FKnownPlatforms.Find(LPlatform->GetAttributeByNameWide("Name"), -1);
  return LEntry;
}

Integer TDeploymentNodeComparer::Compare(TXmlNode* Left, TXmlNode* Right) const {
  const TEntry& LLeft = EntryOf(Left);
  const TEntry& LRight = EntryOf(Right);
  if (LLeft.Kind < 0 && LRight.Kind < 0) return TNodeComparer::Compare(Left, Right);
  if (LRight.Kind < 0) return -1;
  if (LLeft.Kind < 0) return 1;
  if (LLeft.Kind != LRight.Kind) return Sign(LLeft.Kind - LRight.Kind);

  for (size_t I = 0; I < LLeft.Keys.size(); ++I) {
    Integer LResult = CompareOrdinal(LLeft.Keys[I], LRight.Keys[I]);
    if (LResult != 0) return LResult;
  }
  // An entry without Platform child (-2) ranks before one with an unknown platform (-1),
  // which ranks before the known ones: a tie only between entries of one rank, so the order
  // stays transitive and a sorted section stays sorted.
  return Sign(LLeft.Platform - LRight.Platform);
}

// ---------------------------------------------------------------------------------------------

TNormalizerDProjFile::TNormalizerDProjFile(const UnicodeString& AFileName) : TCustomProjFile(AFileName) {}

TNormalizerDProjFile::TNormalizerDProjFile(TDprojXml* AXML) : TCustomProjFile(AXML) {}

TNormalizerDProjFile::~TNormalizerDProjFile() = default;

bool TNormalizerDProjFile::Normalize(const UnicodeString& AFileName) {
  auto LNormalizer = std::make_unique<TNormalizerDProjFile>(AFileName);
  bool LResult = LNormalizer->Normalize();
  if (LResult) LNormalizer->SaveToFile();
  return LResult;
}

bool TNormalizerDProjFile::Normalize(TDprojXml* AXML) {
  auto LNormalizer = std::make_unique<TNormalizerDProjFile>(AXML);
  return LNormalizer->Normalize();
}

bool TNormalizerDProjFile::Normalize() {
  CheckHealth();
  return SortEntries();
}

void TNormalizerDProjFile::CheckHealth() {
  // The threshold is held in extended precision: a version written 18.8 reads as a double a
  // little above it and qualifies.
  if (static_cast<long double>(GetProjectVersion()) >= 18.8L) CheckAndroid64Bug();
}

void TNormalizerDProjFile::CheckAndroid64Bug() {
  TXmlNode* LRoot = GetRoot();
  if (!LRoot) return;
  TXmlNodeList LNodes;
  if (TXmlNode* LItemGroup = GetItemGroup()) LItemGroup->NodesByName("BuildConfiguration", &LNodes);
  TConfigItem LTree;
  LTree.LoadFromNodes(LNodes);

  // The groups are found as GetPropertyGroup finds them (the first root child PropertyGroup
  // whose whole Condition matches ignoring case), through one index instead of a scan of the
  // root per configuration. The repair deletes children of groups only, so the index stays
  // valid while the tree is walked.
  std::vector<TXmlNode*> LGroups;
  TTextLookup LByCondition;
  for (Integer I = 0; I < LRoot->GetNodeCount(); ++I) {
    TXmlNode* LNode = LRoot->GetNodes(I);
    if (vxUTF8CompareNoCase(LNode->Name(), "PropertyGroup") != 0 || !LNode->HasAttribute("Condition")) continue;
    LByCondition.Add(LNode->GetAttributeByNameWide("Condition"), static_cast<Integer>(LGroups.size()));
    LGroups.push_back(LNode);
  }

  LTree.Iterate([&](TConfigItem* AItem) {
    Integer LFound = LByCondition.Find(_NE(u"$(" + AItem->Key() + u"_Android64)", u""));
    if (LFound < 0) return;
    TXmlNode* LGroup = LGroups[LFound];
    UTF8String LKey = UnicodeToUTF8(AItem->Key());
    // Every stray entry at once: a second one left for the next run would change the file
    // again then.
    DeleteChildNodes(LGroup, LKey + "_Android");
    DeleteChildNodes(LGroup, "CfgParent");
    DeleteChildNodes(LGroup, LKey);
  });
}

Integer TNormalizerDProjFile::CompareBuildConfigName(const UnicodeString& A, const UnicodeString& B) {
  if (A == B) return 0;
  if (A == u"Base") return -1;
  if (B == u"Base") return 1;
  return Sign(CompareTextLogical(A, B));
}

Integer TNormalizerDProjFile::SortBuildConfigurationNodes(TXmlNode* Item1, TXmlNode* Item2) {
  auto KeyOf = [](TXmlNode* ANode) {
    TXmlNode* LKey = ANode->NodeByName("Key");
    return LKey ? LKey->GetValueAsUnicodeString() : UnicodeString();
  };
  return CompareBuildConfigName(KeyOf(Item1), KeyOf(Item2));
}

bool TNormalizerDProjFile::SortEntries() {
  TXmlNode* LRoot = GetRoot();
  if (!LRoot || !GetProjectExtensions()) return false;
  TXmlNode* LBorlandProject = GetBorlandProject();
  if (!LBorlandProject) return false;

  bool LResult = false;
  TXmlNode* LPersonality = GetPersonality();
  if (LPersonality) {
    TDelphiPersonalityNodeComparer LComparer;
    if (SortChildNodesIfUnsorted(LPersonality, LComparer)) LResult = true;
  }
  if (TXmlNode* LExcluded = GetExcludedPackages()) {
    TNodeAttributeComparer LComparer("Name");
    if (SortChildNodesIfUnsorted(LExcluded, LComparer)) LResult = true;
  }
  TXmlNode* LPlatforms = GetPlatforms();
  if (LPlatforms) {
    TNodeAttributeComparer LComparer("value");
    if (SortChildNodesIfUnsorted(LPlatforms, LComparer)) LResult = true;
  }
  TXmlNode* LDeployment = GetDeployment();
  if (LDeployment) {
    TDeploymentNodeComparer LComparer;
    if (SortChildNodesIfUnsorted(LDeployment, LComparer)) LResult = true;
    // Exchanges, not a sort: the three trade the places they hold and the other children of
    // BorlandProject keep theirs. The Platforms exchange runs again after the personality
    // one, which can put Platforms before Deployment again (from Deployment or Platforms
    // first and the personality last); so every start order ends personality, Deployment,
    // Platforms in one run.
    auto PlatformsAfterDeployment = [&] {
      if (LPlatforms && LPlatforms->IndexInParent() < LDeployment->IndexInParent()) {
        LBorlandProject->NodeExchange(LPlatforms->IndexInParent(), LDeployment->IndexInParent());
        LResult = true;
      }
    };
    PlatformsAfterDeployment();
    if (LPersonality && LDeployment->IndexInParent() < LPersonality->IndexInParent()) {
      LBorlandProject->NodeExchange(LDeployment->IndexInParent(), LPersonality->IndexInParent());
      LResult = true;
    }
    PlatformsAfterDeployment();
  }

  TXmlNode* LItemGroup = GetItemGroup();
  if (LItemGroup) {
    TXmlNodeList LConfigs;
    LItemGroup->NodesByName("BuildConfiguration", &LConfigs);
    if (SortListIfUnsorted(LConfigs, &SortBuildConfigurationNodes)) LResult = true;
    if (MoveToEnd(LItemGroup, LConfigs)) LResult = true;
  }

  TPropertyGroupSorter LSorter;
  if (LSorter.SortPropertyGroups(LRoot, LItemGroup, LPlatforms)) LResult = true;
  return LResult;
}

}  // namespace Vorlane
