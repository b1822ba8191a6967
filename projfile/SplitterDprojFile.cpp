#include "projfile/SplitterDprojFile.h"

#include "platform/FileSystem.h"
#include "xml/XmlText.h"

namespace Vorlane {

namespace {

bool IsUserSetting(TXmlNode* ANode) {
  if (ANode->ElementType() != xeNormal) return false;
  const UnicodeString Name = TXmlNode::ToUnicodeString(ANode->Name());
  for (const UnicodeString& UserNode : TSplitterDProjFile::FUserNodes)
    if (AnsiSameText(Name, UserNode)) return true;
  return false;
}

// A PropertyGroup whose Condition selects a configuration or platform. An empty condition
// applies everywhere, like none at all; looking it up by its text would also find the main
// group (the empty condition stands for "first group"), so a user setting there would end up
// in the shared part of a companion or project.
bool IsConditionalGroup(TXmlNode* ANode) {
  return ANode->ElementType() == xeNormal && vxUTF8SameTextNoCase(ANode->Name(), "PropertyGroup") &&
         ANode->HasAttribute("Condition") && !ANode->GetAttributeByName("Condition").empty();
}

UnicodeString ConditionOf(TXmlNode* AGroup) { return AGroup->GetAttributeByNameWide("Condition"); }

UnicodeString SelectedValue(TXmlNode* AMainGroup, const char* AName) {
  if (AMainGroup == nullptr) return UnicodeString();
  TXmlNode* Node = AMainGroup->NodeByName(AName);
  return Node != nullptr ? Node->GetValueAsUnicodeString() : UnicodeString();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Selected configuration and platform

UnicodeString TSplitterDProjFile::GetSelectedConfig() { return SelectedValue(GetMainGroup(), "Config"); }

UnicodeString TSplitterDProjFile::GetSelectedPlatform() { return SelectedValue(GetMainGroup(), "Platform"); }

void TSplitterDProjFile::SetSelectedConfig(const UnicodeString& AValue) { SetSelectedValue("Config", AValue); }

void TSplitterDProjFile::SetSelectedPlatform(const UnicodeString& AValue) { SetSelectedValue("Platform", AValue); }

void TSplitterDProjFile::SetSelectedValue(const char* AName, const UnicodeString& AValue) {
  TXmlNode* Group = CreateMainGroup();
  if (Group == nullptr) return;
  TXmlNode* Node = Group->NodeByName(AName);
  if (Node == nullptr) {
    Node = Group->NodeNew(AName);
    // The default the IDE writes: it applies only while nothing chose a value yet.
    Node->SetAttributeByNameWide("Condition", _EQ(_Var(TXmlNode::ToUnicodeString(AName)), UnicodeString()));
  }
  Node->SetValueAsUnicodeString(AValue);
}

// ---------------------------------------------------------------------------------------------
// Companion files

void TSplitterDProjFile::ExportUserSettings() {
  if (!FFileName.empty()) CopyUserSettingsTo(FFileName + u".user");
}

void TSplitterDProjFile::SaveUserSettings() {
  if (!FFileName.empty()) CopyUserSettingsTo(FFileName + u".save");
}

void TSplitterDProjFile::ImportUserSettings() {
  if (FFileName.empty()) return;
  TSplitterDProjFile User(FFileName + u".user");
  CopyUserSettingsFrom(User);
  SilentSaveToFile();
}

void TSplitterDProjFile::RestoreUserSettings() {
  if (FFileName.empty()) return;
  const UnicodeString SaveName = FFileName + u".save";
  if (!FileExists(SaveName)) return;
  {
    TSplitterDProjFile Saved(SaveName);
    CopyUserSettingsFrom(Saved);
    ClearUserSettingsFrom(Saved);
    SilentSaveToFile();
  }
  // Left behind, the old values would be restored again after the next opening.
  if (!DeleteFile(SaveName) && FileExists(SaveName))
    throw EInOutError(Format(u"Cannot delete file \"%s\"", {SaveName}));
}

// ---------------------------------------------------------------------------------------------
// Copy and clear steps

void TSplitterDProjFile::CopyUserSettingsFrom(TSplitterDProjFile& ASource) {
  const UnicodeString Config = ASource.GetSelectedConfig();
  if (!Config.empty()) SetSelectedConfig(Config);
  const UnicodeString Platform = ASource.GetSelectedPlatform();
  if (!Platform.empty()) SetSelectedPlatform(Platform);

  TXmlNode* SourceRoot = ASource.GetRoot();
  if (SourceRoot == nullptr) return;
  for (int I = 0; I < SourceRoot->GetNodeCount(); ++I) {
    TXmlNode* SourceGroup = SourceRoot->GetNodes(I);
    if (!IsConditionalGroup(SourceGroup)) continue;
    const UnicodeString Condition = ConditionOf(SourceGroup);
    // Groups of equal conditions (ignoring case) meet in the first one found.
    TXmlNode* Group = GetPropertyGroup(Condition);
    for (int J = 0; J < SourceGroup->GetNodeCount(); ++J) {
      TXmlNode* Setting = SourceGroup->GetNodes(J);
      if (!IsUserSetting(Setting)) continue;
      if (Group == nullptr) Group = CreatePropertyGroup(Condition);
      if (Group == nullptr) return;
      TXmlNode* Target = Group->NodeByName(Setting->Name());
      if (Target == nullptr) Target = Group->NodeNew(Setting->Name());
      Target->SetValueAsString(Setting->GetValueAsString());
    }
  }
}

void TSplitterDProjFile::ClearUserSettingsFrom(TSplitterDProjFile& ASource) {
  TXmlNode* R = GetRoot();
  if (R == nullptr) return;
  for (int I = 0; I < R->GetNodeCount(); ++I) {
    TXmlNode* Group = R->GetNodes(I);
    if (!IsConditionalGroup(Group)) continue;
    TXmlNode* SourceGroup = ASource.GetPropertyGroup(ConditionOf(Group));
    for (int J = Group->GetNodeCount() - 1; J >= 0; --J) {
      TXmlNode* Setting = Group->GetNodes(J);
      if (!IsUserSetting(Setting)) continue;
      if (SourceGroup != nullptr && SourceGroup->NodeByName(Setting->Name()) != nullptr) continue;
      DeleteNodeSafe(Setting);
    }
  }
}

void TSplitterDProjFile::CopyUserSettingsTo(const UnicodeString& AFileName) {
  TSplitterDProjFile Companion(AFileName);
  Companion.Clear();
  Companion.CopyUserSettingsFrom(*this);
  Companion.SaveToFile();
}

}  // namespace Vorlane
