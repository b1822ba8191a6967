#include "cmdline/SetVersionInfo.h"

#include <vector>

#include "platform/FileSystem.h"
#include "projfile/DprojXml.h"
#include "xml/XmlNode.h"

namespace Vorlane {

namespace {

const char* const cVerInfoIncludeVerInfo = "VerInfo_IncludeVerInfo";
const char* const cVerInfoMajorVer = "VerInfo_MajorVer";
const char* const cVerInfoMinorVer = "VerInfo_MinorVer";
const char* const cVerInfoRelease = "VerInfo_Release";
const char* const cVerInfoBuild = "VerInfo_Build";
const char* const cVerInfoKeys = "VerInfo_Keys";
const char16_t* const cFileVersion = u"FileVersion";
const char16_t cKeyDelimiter = u';';
const char16_t cKeyQuote = u'"';

std::vector<UnicodeString> SplitKeys(const UnicodeString& AKeys) {
  std::vector<UnicodeString> Entries;
  const size_t N = AKeys.size();
  size_t P = 0;
  while (P < N) {
    UnicodeString Entry;
    if (AKeys[P] == cKeyQuote) {
      ++P;
      while (P < N) {
        if (AKeys[P] == cKeyQuote) {
          if (P + 1 < N && AKeys[P + 1] == cKeyQuote) {
            Entry += cKeyQuote;
            P += 2;
            continue;
          }
          ++P;
          break;
        }
        Entry += AKeys[P++];
      }
      // Text after the closing quote stays with its entry, so the ";" structure of the value
      // is kept.
      while (P < N && AKeys[P] != cKeyDelimiter) Entry += AKeys[P++];
    } else {
      const size_t Start = P;
      while (P < N && AKeys[P] != cKeyDelimiter) ++P;
      Entry = AKeys.substr(Start, P - Start);
    }
    Entries.push_back(Entry);
    if (P < N && AKeys[P] == cKeyDelimiter) {
      ++P;
      if (P == N) Entries.push_back(UnicodeString());
    }
  }
  return Entries;
}

UnicodeString JoinKeys(const std::vector<UnicodeString>& AEntries) {
  UnicodeString Result;
  for (size_t I = 0; I < AEntries.size(); ++I) {
    const UnicodeString& Entry = AEntries[I];
    if (I > 0) Result += cKeyDelimiter;
    if (Entry.find_first_of(u";\"") == UnicodeString::npos) {
      Result += Entry;
      continue;
    }
    Result += cKeyQuote;
    for (char16_t C : Entry) {
      if (C == cKeyQuote) Result += cKeyQuote;
      Result += C;
    }
    Result += cKeyQuote;
  }
  return Result;
}

}  // namespace

UnicodeString SetFileVersionKey(const UnicodeString& AKeys, const UnicodeString& AVersion) {
  std::vector<UnicodeString> Entries = SplitKeys(AKeys);
  const UnicodeString NewEntry = UnicodeString(cFileVersion) + u"=" + AVersion;
  bool Found = false;
  for (UnicodeString& Entry : Entries) {
    const size_t Eq = Entry.find(u'=');
    if (Eq != UnicodeString::npos && SameText(Entry.substr(0, Eq), cFileVersion)) {
      Entry = NewEntry;
      Found = true;
      break;
    }
  }
  if (!Found) Entries.push_back(NewEntry);
  return JoinKeys(Entries);
}

void TSetVersionInfo::SetVersionInfo(const UnicodeString& AFileName, const UnicodeString& AVersion) {
  // A project object made from a missing file starts empty and its save would create a bare
  // project under that (probably misspelt) name; there is no version to set in it.
  if (!FileExists(AFileName)) throw EFOpenError(Format(rsProjectFileNotFound, {AFileName}));
  TSetVersionInfo Instance(AFileName);
  Instance.SetVersionInfo(AVersion);
  Instance.SaveToFile();
}

void TSetVersionInfo::SetVersionInfo(TDprojXml* AXML, const UnicodeString& AVersion) {
  TSetVersionInfo Instance(AXML);
  Instance.SetVersionInfo(AVersion);
}

bool TSetVersionInfo::IsValidVersion(const UnicodeString& AVersion) {
  Integer Parts = 1;
  Integer Value = 0;
  bool Digits = false;
  for (char16_t C : AVersion) {
    if (C == u'.') {
      if (!Digits || ++Parts > 4) return false;
      Value = 0;
      Digits = false;
    } else if (C >= u'0' && C <= u'9') {
      Value = Value * 10 + (C - u'0');
      if (Value > 65535) return false;
      Digits = true;
    } else {
      return false;
    }
  }
  return Digits;
}

TSetVersionInfo::TVersionNumbers TSetVersionInfo::ParseVersion(const UnicodeString& AVersion) {
  TVersionNumbers Result;
  Integer* const Parts[] = {&Result.Major, &Result.Minor, &Result.Release, &Result.Build};
  size_t Start = 0;
  for (Integer* Part : Parts) {
    const size_t Dot = AVersion.find(u'.', Start);
    Integer Value;
    if (TryStrToInt(AVersion.substr(Start, Dot == UnicodeString::npos ? UnicodeString::npos : Dot - Start),
                    Value))
      *Part = Value;
    if (Dot == UnicodeString::npos) break;
    Start = Dot + 1;
  }
  return Result;
}

UnicodeString TSetVersionInfo::FormatVersion(const TVersionNumbers& AVersion) {
  return Format(u"%d.%d.%d.%d", {AVersion.Major, AVersion.Minor, AVersion.Release, AVersion.Build});
}

void TSetVersionInfo::SetVersionInfo(const UnicodeString& AVersion) {
  const TVersionNumbers Version = ParseVersion(AVersion);
  if (GetProjectVersion() >= 13) {
    // Without a base group the entries have no place that every configuration inherits from.
    TXmlNode* BaseGroup = GetBaseGroup();
    if (BaseGroup == nullptr) return;
    BaseGroup->NodeFindOrCreate(cVerInfoIncludeVerInfo)->SetValueAsBool(true);
    BaseGroup->NodeFindOrCreate(cVerInfoMajorVer)->SetValueAsInteger(Version.Major);
    BaseGroup->NodeFindOrCreate(cVerInfoMinorVer)->SetValueAsInteger(Version.Minor);
    BaseGroup->NodeFindOrCreate(cVerInfoRelease)->SetValueAsInteger(Version.Release);
    BaseGroup->NodeFindOrCreate(cVerInfoBuild)->SetValueAsInteger(Version.Build);
    if (TXmlNode* Keys = BaseGroup->NodeByName(cVerInfoKeys))
      Keys->SetValueAsUnicodeString(SetFileVersionKey(Keys->GetValueAsUnicodeString(), FormatVersion(Version)));
    ClearChildVersionInfo();
    return;
  }
  TXmlNode* BorlandProject = GetBorlandProject();
  if (BorlandProject == nullptr) return;
  TXmlNode* Personality = BorlandProject->NodeByName("Delphi.Personality");
  if (Personality == nullptr) return;
  // A part whose container element is missing is left out rather than invented.
  if (TXmlNode* Info = Personality->NodeByName("VersionInfo")) {
    TXmlNodeHelper::NodeFindOrCreate(Info, "VersionInfo", "Name", "IncludeVerInfo")->SetValueAsString("True");
    TXmlNodeHelper::NodeFindOrCreate(Info, "VersionInfo", "Name", "MajorVer")->SetValueAsInteger(Version.Major);
    TXmlNodeHelper::NodeFindOrCreate(Info, "VersionInfo", "Name", "MinorVer")->SetValueAsInteger(Version.Minor);
    TXmlNodeHelper::NodeFindOrCreate(Info, "VersionInfo", "Name", "Release")->SetValueAsInteger(Version.Release);
    TXmlNodeHelper::NodeFindOrCreate(Info, "VersionInfo", "Name", "Build")->SetValueAsInteger(Version.Build);
  }
  if (TXmlNode* Keys = Personality->NodeByName("VersionInfoKeys"))
    TXmlNodeHelper::NodeFindOrCreate(Keys, "VersionInfoKeys", "Name", "FileVersion")
        ->SetValueAsUnicodeString(FormatVersion(Version));
}

void TSetVersionInfo::ClearChildVersionInfo() {
  TXmlNode* Root = GetRoot();
  if (Root == nullptr) return;
  TXmlNode* MainGroup = GetMainGroup();
  TXmlNode* BaseGroup = GetBaseGroup();
  for (Integer I = Root->NodeIndexByName("PropertyGroup"); I >= 0;
       I = Root->NodeIndexByNameFrom("PropertyGroup", I + 1)) {
    TXmlNode* Group = Root->GetNodes(I);
    if (Group == MainGroup || Group == BaseGroup) continue;
    for (const char* Name : {cVerInfoIncludeVerInfo, cVerInfoMajorVer, cVerInfoMinorVer, cVerInfoRelease,
                             cVerInfoBuild, cVerInfoKeys})
      TXmlNodeHelper::DeleteNode(Group, Name);
  }
}

}  // namespace Vorlane
