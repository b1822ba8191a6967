#include "projfile/NormalizerDprojFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <memory>
#include <unordered_map>
#include <utility>

#include "platform/SysUtils.h"
#include "xml/XmlNodeAccess.h"
#include "xml/XmlText.h"

namespace Vorlane {

namespace {

Integer Sign(Integer A) { return A < 0 ? -1 : (A > 0 ? 1 : 0); }

Integer CompareOrdinal(const UnicodeString& A, const UnicodeString& B) { return Sign(A.compare(B)); }

// Orders records by Kind (0 to 255), then by Head, keeping the order of equal ones: a radix
// sort on the head's bytes, lowest first, then on the kind. It passes over the records once
// per byte where a merge sort compares each about log2(n) times, and skips a byte in which
// every record agrees.
template <class TRecord>
void SortByKindAndHead(std::vector<TRecord>& ARecords) {
  constexpr int cDigits = 9;
  auto DigitOf = [](const TRecord& A, int ADigit) -> unsigned {
    const std::uint64_t LDigits = ADigit < 8 ? A.Head >> (8 * ADigit) : static_cast<std::uint64_t>(A.Kind);
    return static_cast<unsigned>(LDigits & 0xFFu);
  };
  std::vector<std::array<size_t, 256>> LCounts(cDigits);
  for (const TRecord& A : ARecords)
    for (int D = 0; D < cDigits; ++D) ++LCounts[D][DigitOf(A, D)];
  std::vector<TRecord> LOther(ARecords.size());
  for (int D = 0; D < cDigits; ++D) {
    std::array<size_t, 256>& LPlace = LCounts[D];
    if (std::find(LPlace.begin(), LPlace.end(), ARecords.size()) != LPlace.end()) continue;
    size_t LSum = 0;
    for (size_t& LCount : LPlace) LSum += std::exchange(LCount, LSum);
    for (const TRecord& A : ARecords) LOther[LPlace[DigitOf(A, D)]++] = A;
    ARecords.swap(LOther);
  }
}

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

namespace {

// The key attribute names of each deployment kind.
const std::vector<UTF8String>& DeploymentKeyNames(Integer AKind) {
  static const std::vector<UTF8String> cNames[] = {SplitKeys(cDeploymentKeys[0]), SplitKeys(cDeploymentKeys[1]),
                                                   SplitKeys(cDeploymentKeys[2])};
  return cNames[AKind];
}

// Ordinal order of two byte runs (for ASCII text the order of its UTF-16 form).
Integer CompareBytes(const char* A, size_t ALength, const char* B, size_t BLength) {
  const int LResult = ALength == 0 || BLength == 0 ? 0 : std::memcmp(A, B, std::min(ALength, BLength));
  if (LResult != 0) return LResult < 0 ? -1 : 1;
  return ALength < BLength ? -1 : (ALength > BLength ? 1 : 0);
}

}  // namespace

Integer TDeploymentNodeComparer::PlatformPosition(std::string_view AName) const {
  auto [LIt, LNew] = FPlatformPositions.try_emplace(UTF8String(AName), -1);
  if (LNew) LIt->second = FKnownPlatforms.Find(vxUtf8ToUnicode(LIt->first), -1);
  return LIt->second;
}

void TDeploymentNodeComparer::AddEntry(TEntries& AEntries, TXmlNode* ANode) const {
  // The key values are read where the node stores them: copying them out meant writing and
  // page-faulting a text as large as every key of the section together.
  auto ReadKey = [&AEntries](const TXmlNode* AFrom, const UTF8String& AName) {
    std::string_view LValue;
    if (!AFrom->GetAttributeByNameInPlace(AName, LValue))
      LValue = AEntries.Unescaped.emplace_back(AFrom->GetAttributeByName(AName));
    return LValue;
  };
  TEntry LEntry;
  LEntry.Index = static_cast<Integer>(AEntries.Nodes.size());
  AEntries.Nodes.push_back(ANode);
  LEntry.Kind = IndexOfExact(cDeploymentKinds, ANode->Name());
  if (LEntry.Kind >= 0) {
    const std::vector<UTF8String>& LNames = DeploymentKeyNames(LEntry.Kind);
    for (size_t I = 0; I < LNames.size(); ++I) {
      const std::string_view LValue = ReadKey(ANode, LNames[I]);
      TKey& LKey = LEntry.Keys[I];
      LKey.Data = LValue.data();
      LKey.Length = static_cast<std::uint32_t>(LValue.size());
      for (unsigned char C : LValue) LKey.Plain = LKey.Plain && C != 0 && C < 0x80;
    }
    // The head starts after the prefix that the plain first keys of one kind share: keys such
    // as "Assets\Image123.png" would otherwise all have the same first eight bytes. Equal
    // prefixes leave the order to what follows them; heads of different kinds are never
    // compared. It is taken now, while the key is at hand, after the prefix shared so far.
    if (const TKey& LKey = LEntry.Keys[0]; LKey.Plain) {
      THeadPrefix& LPrefix = AEntries.Prefixes[static_cast<size_t>(LEntry.Kind)];
      if (!LPrefix.Seen) {
        LPrefix.Seen = true;
        LPrefix.Model = LKey;
        LPrefix.Shared = LKey.Length;
      } else {
        const size_t LLength = std::min<size_t>(LPrefix.Shared, LKey.Length);
        size_t I = 0;
        while (I < LLength && LPrefix.Model.Data[I] == LKey.Data[I]) ++I;
        if (I < LPrefix.Shared) {
          LPrefix.Shared = I;
          LPrefix.StaleBefore = LEntry.Index;
        }
      }
      LEntry.Head = HeadAfter(LKey, LPrefix.Shared);
    }
    static const UTF8String cPlatform = "Platform", cName = "Name";
    if (TXmlNode* LPlatform = ANode->NodeByName(cPlatform))
      LEntry.Platform = PlatformPosition(ReadKey(LPlatform, cName));
  }
  AEntries.Items.push_back(LEntry);
}

std::uint64_t TDeploymentNodeComparer::HeadAfter(const TKey& AKey, size_t AFrom) {
  std::uint64_t LHead = 0;
  for (size_t I = AFrom; I < AFrom + 8; ++I)
    LHead = (LHead << 8) | (I < AKey.Length ? static_cast<unsigned char>(AKey.Data[I]) : 0u);
  return LHead;
}

void TDeploymentNodeComparer::FinishHeads(TEntries& AEntries) {
  // Only the entries read before the shared prefix last shrank need a new head: usually the
  // first few, once the prefix has settled on what the section's keys have in common.
  Integer LStale = 0;
  for (const THeadPrefix& LPrefix : AEntries.Prefixes) LStale = std::max(LStale, LPrefix.StaleBefore);
  for (Integer I = 0; I < LStale; ++I) {
    TEntry& LEntry = AEntries.Items[static_cast<size_t>(I)];
    if (LEntry.Kind < 0 || !LEntry.Keys[0].Plain) continue;
    const THeadPrefix& LPrefix = AEntries.Prefixes[static_cast<size_t>(LEntry.Kind)];
    if (I < LPrefix.StaleBefore) LEntry.Head = HeadAfter(LEntry.Keys[0], LPrefix.Shared);
  }
}

Integer TDeploymentNodeComparer::Compare(TXmlNode* Left, TXmlNode* Right) const {
  TEntries LEntries;
  AddEntry(LEntries, Left);
  AddEntry(LEntries, Right);
  FinishHeads(LEntries);
  return CompareEntries(LEntries, LEntries.Items[0], LEntries.Items[1]);
}

Integer TDeploymentNodeComparer::CompareEntries(const TEntries& AEntries, const TEntry& ALeft,
                                                const TEntry& ARight) const {
  if (ALeft.Kind < 0 && ARight.Kind < 0)
    return TNodeComparer::Compare(AEntries.Nodes[static_cast<size_t>(ALeft.Index)],
                                  AEntries.Nodes[static_cast<size_t>(ARight.Index)]);
  if (ARight.Kind < 0) return -1;
  if (ALeft.Kind < 0) return 1;
  if (ALeft.Kind != ARight.Kind) return Sign(ALeft.Kind - ARight.Kind);

  // Plain first keys that differ in the eight bytes after their shared prefix are ordered by
  // those alone (a shorter key padded with zero bytes sorts first, as it does in full).
  if (ALeft.Keys[0].Plain && ARight.Keys[0].Plain && ALeft.Head != ARight.Head)
    return ALeft.Head < ARight.Head ? -1 : 1;
  for (size_t I = 0; I < DeploymentKeyNames(ALeft.Kind).size(); ++I) {
    const TKey& LA = ALeft.Keys[I];
    const TKey& LB = ARight.Keys[I];
    const Integer LResult = LA.Plain && LB.Plain ? CompareBytes(LA.Data, LA.Length, LB.Data, LB.Length)
                                                 : CompareOrdinal(UTF8ToUnicode(UTF8String(LA.Data, LA.Length)),
                                                                  UTF8ToUnicode(UTF8String(LB.Data, LB.Length)));
    if (LResult != 0) return LResult;
  }
  // An entry without Platform child (-2) ranks before one with an unknown platform (-1),
  // which ranks before the known ones: a tie only between entries of one rank, so the order
  // stays transitive and a sorted section stays sorted.
  return Sign(ALeft.Platform - ARight.Platform);
}

bool TDeploymentNodeComparer::SortChildrenIfUnsorted(TXmlNode* ANode) const {
  if (!ANode) return false;
  TEntries LEntries;
  const Integer LCount = ANode->GetNodeCount();
  LEntries.Nodes.reserve(static_cast<size_t>(LCount));
  LEntries.Items.reserve(static_cast<size_t>(LCount));
  for (Integer I = 0; I < LCount; ++I) {
    TXmlNodeAccess::PrefetchAhead(I, LCount, [&](Integer J) { return ANode->GetNodes(J); });
    AddEntry(LEntries, ANode->GetNodes(I));
  }
  FinishHeads(LEntries);
  // The sort moves small records (the head, the kind, the entry's index) and reads an entry only
  // when heads do not decide: thousands of entries then stay within the processor's caches.
  struct TSortRecord {
    std::uint64_t Head;
    Integer Kind;  // -1 when the head cannot decide (no kind, or a first key that is not plain)
    Integer Index;
  };
  std::vector<TSortRecord> LRecords;
  LRecords.reserve(LEntries.Items.size());
  for (const TEntry& LEntry : LEntries.Items)
    LRecords.push_back({LEntry.Head, LEntry.Keys[0].Plain ? LEntry.Kind : -1, LEntry.Index});
  auto LCompare = [&](const TSortRecord& A, const TSortRecord& B) {
    if (A.Kind >= 0 && A.Kind == B.Kind && A.Head != B.Head) return A.Head < B.Head ? -1 : 1;
    return CompareEntries(LEntries, LEntries.Items[static_cast<size_t>(A.Index)],
                          LEntries.Items[static_cast<size_t>(B.Index)]);
  };
  if (!std::all_of(LRecords.begin(), LRecords.end(), [](const TSortRecord& A) { return A.Kind >= 0; }))
    return SortChildEntriesIfUnsorted(ANode, LRecords, LCompare);
  // Every record has a kind and a plain first key: the order is the kind's, then the head's,
  // and only records equal in both are compared in full.
  auto LByKindAndHead = [](std::vector<TSortRecord>& ARecords, const auto& ALess) {
    SortByKindAndHead(ARecords);
    auto LRun = ARecords.begin();
    while (LRun != ARecords.end()) {
      auto LEnd = std::find_if(LRun + 1, ARecords.end(), [&](const TSortRecord& A) {
        return A.Kind != LRun->Kind || A.Head != LRun->Head;
      });
      if (LEnd - LRun > 1) std::stable_sort(LRun, LEnd, ALess);
      LRun = LEnd;
    }
  };
  return SortChildEntriesIfUnsorted(ANode, LRecords, LCompare, LByKindAndHead);
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
    if (!vxUTF8SameTextNoCase(LNode->Name(), "PropertyGroup") || !LNode->HasAttribute("Condition")) continue;
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

namespace {

UnicodeString BuildConfigurationKey(TXmlNode* ANode) {
  TXmlNode* LKey = ANode->NodeByName("Key");
  return LKey ? LKey->GetValueAsUnicodeString() : UnicodeString();
}

}  // namespace

Integer TNormalizerDProjFile::SortBuildConfigurationNodes(TXmlNode* Item1, TXmlNode* Item2) {
  return CompareBuildConfigName(BuildConfigurationKey(Item1), BuildConfigurationKey(Item2));
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
    if (LComparer.SortChildrenIfUnsorted(LDeployment)) LResult = true;
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
  TXmlNodeList LConfigs;
  if (LItemGroup) {
    LItemGroup->NodesByName("BuildConfiguration", &LConfigs);
    // SortBuildConfigurationNodes with each key read once: a search of the children and a
    // conversion per comparison made the sort of many configurations costly.
    std::unordered_map<const TXmlNode*, UnicodeString> LKeys;
    for (TXmlNode* LConfig : LConfigs) LKeys.emplace(LConfig, BuildConfigurationKey(LConfig));
    if (SortListIfUnsorted(LConfigs, [&](TXmlNode* A, TXmlNode* B) {
          return CompareBuildConfigName(LKeys.at(A), LKeys.at(B));
        }))
      LResult = true;
    if (MoveToEnd(LItemGroup, LConfigs)) LResult = true;
  }

  // The configurations now end the item group in the list's order, which is the order a new
  // search would find them in.
  TPropertyGroupSorter LSorter;
  if (LSorter.SortPropertyGroups(LRoot, LConfigs, LPlatforms)) LResult = true;
  return LResult;
}

}  // namespace Vorlane
