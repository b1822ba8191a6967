#include "cmdline/FileHandlerCmdLine.h"

#include <new>

#include "platform/Console.h"
#include "platform/FileSystem.h"

namespace Vorlane {

TFileHandlerCmdLine::TFileHandlerCmdLine() : FLogPrefix(rsConverting) {}

void TFileHandlerCmdLine::ShowHelp() {
  WriteLn(rsUsage + u": " + GetExeName() + u" [<filepath>]<filename> [-o:<outputpath>] [-l:<logfile>] [-s]");
  WriteLn(u"       <filename> " + rsMayContainWildcards);
  WriteLn(UnicodeString());
}

void TFileHandlerCmdLine::AddKnownSwitches(std::vector<TSwitchDef>& ASwitches) const {
  TCmdLineHandler::AddKnownSwitches(ASwitches);
  ASwitches.push_back({u"s", false});
}

void TFileHandlerCmdLine::DoExecute() {
  const bool Recursive = GetSwitch(u"s");
  const Integer Count = FParams.Count();
  // Arguments naming one project each mostly share their folders: those are listed once and
  // then only checked for changes.
  std::unique_ptr<TFolderListingCache> Listings;
  if (Count > 1) Listings = std::make_unique<TFolderListingCache>();
  for (Integer i = 0; i < Count; ++i) {
    // One argument's failure is reported and the next argument still runs.
    try {
      const UnicodeString Name = ExpandFileName(ConvertPathDelimiters(FParams[i]));
      const UnicodeString Mask = ExtractFileName(Name);
      const UnicodeString Folder = ExtractFilePath(Name);
      // A name the user typed out is a file expected to be there: finding nothing is a
      // mistake to report. The separate value of a value switch only counts as a file
      // argument by the switch syntax, so its finding nothing is no news.
      const bool Named = !Mask.empty() && Mask.find_first_of(u"*?") == UnicodeString::npos && !IsSwitchValue(i);
      TStringList Files;
      const TSearchOption Option = Recursive ? soAllDirectories : soTopDirectoryOnly;
      try {
        for (const auto& F : Listings ? Listings->GetFiles(Folder, Mask, Option) : TDirectory::GetFiles(Folder, Mask, Option))
          Files.Add(F);
      } catch (const EDirectoryNotFoundException&) {
        if (!Named) throw;
      }
      if (Named && Files.Count() == 0) {
        Error((GetFileKind(Name) == fkNone ? rsFileNotFound : rsNotARegularFile) + u": " + Name);
        continue;
      }
      FilterFiles(Files);
      const UnicodeString BasePath = IncludeTrailingPathDelimiter(Folder);
      for (Integer k = 0; k < Files.Count(); ++k) {
        const UnicodeString F = Files[k];
        const UnicodeString Target = GetTargetName(F, BasePath, FOutPath);
        if (Target.empty()) {
          Log(u"skipped " + F + u" (no target)");
          continue;
        }
        const UnicodeString TargetFolder = ExtractFileDir(Target);
        if (TargetFolder.empty() || DirectoryExists(TargetFolder) || ForceDirectories(TargetFolder))
          ProcessFile(F, Target);
        else
          Error(rsCanNotCreateFolder + u": " + TargetFolder);
      }
    } catch (const Exception& E) {
      Error(E.Message());
    } catch (const std::bad_alloc&) {
      Error(u"Out of memory");
    } catch (const std::exception& E) {
      Error(UTF8ToUnicode(E.what()));
    }
  }
}

void TFileHandlerCmdLine::ProcessFile(const UnicodeString& AFileName, const UnicodeString&) {
  Log(FLogPrefix + u": " + AFileName);
}

UnicodeString TFileHandlerCmdLine::GetTargetName(const UnicodeString& AFileName, const UnicodeString& ABasePath,
                                                 const UnicodeString& AOutPath) {
  if (AOutPath.empty()) return AFileName;
  UnicodeString Relative;
#ifdef _WIN32
  const bool Below = StartsText(ABasePath, AFileName);
#else
  const bool Below = AFileName.compare(0, ABasePath.size(), ABasePath) == 0;
#endif
  Relative = Below ? AFileName.substr(ABasePath.size()) : ExtractFileName(AFileName);
  return IncludeTrailingPathDelimiter(AOutPath) + Relative;
}

void TFileHandlerCmdLine::FilterFiles(TStringList&) {}

}  // namespace Vorlane
