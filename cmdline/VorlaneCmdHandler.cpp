#include "cmdline/VorlaneCmdHandler.h"

#include "cmdline/SetVersionInfo.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "projfile/DprojFile.h"
#include "projfile/DprojXml.h"
#include "projfile/NormalizerDprojFile.h"
#include "projfile/ProjFileIO.h"

namespace Vorlane {

namespace {

// Arguments are checked before their delimiters are converted, so both kinds count here, and
// the drive colon where the platform has one.
bool HasFileExtension(const UnicodeString& AArgument) {
  for (size_t I = AArgument.size(); I > 0; --I) {
    const char16_t C = AArgument[I - 1];
    if (C == u'.') return true;
    if (C == u'/' || C == u'\\' || (DriveDelim != 0 && C == DriveDelim)) return false;
  }
  return false;
}

}  // namespace

TVorlaneCmd::TVorlaneCmd() : FXml(std::make_unique<TDprojXml>()) {}

TVorlaneCmd::~TVorlaneCmd() = default;

void TVorlaneCmd::AddKnownSwitches(std::vector<TSwitchDef>& ASwitches) const {
  TFileHandlerCmdLine::AddKnownSwitches(ASwitches);
  ASwitches.push_back({u"v", true});
  for (const char16_t* Flag : {u"n", u"r", u"f", u"x", u"d", u"uwp"}) ASwitches.push_back({Flag, false});
}

void TVorlaneCmd::ReadParams() {
  TFileHandlerCmdLine::ReadParams();
  FCmd.reset();
  // Presence is asked for, not read from the value: "-v:*" is a (bad) value, not "no -v".
  if (FindSwitchValue(u"v", FVersion)) {
    FCmd.set(SetVersion);
    if (FVersion.empty()) {
      ShowHelp();
      throw Exception(rsVersionMissing);
    }
    // The edit turns what it cannot read into 0 and takes numbers that the version resource
    // cannot hold: "-version" (the -v switch with "ersion") would stamp 0.0.0.0 everywhere.
    if (!TSetVersionInfo::IsValidVersion(FVersion)) throw ECmdLineError(Format(rsInvalidVersion, {FVersion}));
  } else {
    FVersion = u"*";
  }
  if (GetSwitch(u"n")) FCmd.set(Normalize);
  if (GetSwitch(u"r")) FCmd.set(RemovePlatforms);
  if (GetSwitch(u"f")) FCmd.set(RefreshFormType);
  if (GetSwitch(u"x")) FCmd.set(RemoveExcludedPackages);
  if (GetSwitch(u"d")) FCmd.set(RemoveDeployment);
  if (GetSwitch(u"uwp")) FCmd.set(RemoveUWP);
  for (Integer I = 0; I < FParams.Count(); ++I) {
    if (!HasFileExtension(FParams[I])) FParams.SetStrings(I, FParams[I] + u".dproj");
  }
}

void TVorlaneCmd::ShowHelp() {
  WriteLn(u"Manipulates dproj files according to the given command.");
  WriteLn();
  WriteLn(rsUsage + u": " + GetExeName() +
          u" [-v:<version> | -n | -r | -x | -f | -d | -uwp] [<filepath>]<filename> [-l:<logfile>] [-s]");
  WriteLn();
  WriteLn(u"       -v = Sets VersionInfo in dproj files to a given value.");
  WriteLn(u"            Clears all version info entries in child build configurations.");
  WriteLn();
  WriteLn(u"            <version> up to 4 numbers separated by dots");
  WriteLn();
  WriteLn(u"       -n = Normalizes dproj file.");
  WriteLn();
  WriteLn(u"       -r = Removes unused platforms.");
  WriteLn();
  WriteLn(u"       -x = Removes \"Excluded Packages\".");
  WriteLn();
  WriteLn(u"       -f = Refreshes and adds missing form type entries.");
  WriteLn();
  WriteLn(u"       -d = Remove Deployment subtree.");
  WriteLn();
  WriteLn(u"     -uwp = Remove UWP entries.");
  WriteLn();
  WriteLn(u"       <filename> " + rsMayContainWildcards);
  WriteLn();
}

void TVorlaneCmd::ProcessFile(const UnicodeString& AFileName, const UnicodeString& ATargetName) {
  TFileHandlerCmdLine::ProcessFile(AFileName, ATargetName);
  if (FCmd.none()) return;
  // A failure of loading, editing or saving leaves the file as it was and ends in the file
  // handler's "Error: <message>" line; the "converting" line before it names the file. A
  // backup left by an interrupted rewrite means the file may be damaged: that is what the user
  // must hear, rather than what the damage does to loading.
  ProjFileCheckNoBackup(AFileName);
  FXml->LoadFromFile(AFileName);
  if (HasCmd(RemovePlatforms) || HasCmd(RefreshFormType) || HasCmd(RemoveExcludedPackages) ||
      HasCmd(RemoveDeployment) || HasCmd(RemoveUWP))
    ApplyProjectCommands();
  if (HasCmd(SetVersion)) TSetVersionInfo::SetVersionInfo(FXml.get(), FVersion);
  if (HasCmd(Normalize)) TNormalizerDProjFile::Normalize(FXml.get());
  FXml->SaveToFile(ATargetName);
}

void TVorlaneCmd::ApplyProjectCommands() {
  TDProjFile ProjFile(FXml.get());
  if (HasCmd(RemovePlatforms)) ProjFile.RemoveUnusedPlatforms();
  if (HasCmd(RemoveExcludedPackages)) ProjFile.RemoveExcludedPackages();
  if (HasCmd(RefreshFormType)) ProjFile.RefreshFormType();
  if (HasCmd(RemoveUWP)) ProjFile.RemoveUWP();
  if (HasCmd(RemoveDeployment)) ProjFile.RemoveDeployment();
}

}  // namespace Vorlane
