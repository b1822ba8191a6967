#include "cmdline/CmdLineHandler.h"

#include <algorithm>
#include <new>

#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/VersionInfo.h"

namespace Vorlane {

namespace {

bool StartsWithSwitchChar(const UnicodeString& AParam) {
  return !AParam.empty() && IsSwitchChar(AParam[0]);
}

void WriteEscapedError(const char* AClassName, const UnicodeString& AMessage) {
  WriteLn(UTF8ToUnicode(AClassName) + u": " + AMessage);
}

// The log goes into a regular file or a new one. A FIFO nobody reads fills up and then blocks
// the write for good, and a device or folder is no log either.
bool IsLogFileName(const UnicodeString& AFileName) {
  const TFileKind Kind = GetFileKind(AFileName);
  return Kind == fkNone || Kind == fkRegular;
}

}  // namespace

TCmdLineHandler::TCmdLineHandler() = default;
TCmdLineHandler::~TCmdLineHandler() = default;

// Reachable to the end, so leak checkers do not count what it holds; visible outside this
// file, so the store is never dropped as unused.
extern TCmdLineHandler* GHandlerLeftToExit;
TCmdLineHandler* GHandlerLeftToExit = nullptr;

int TCmdLineHandler::Execute(const TCmdLineHandlerClass& AClass, bool AProcessEnds) {
  std::unique_ptr<TCmdLineHandler> Handler = AClass.Create();
  Handler->ShowBanner();
  if (AClass.NeedsHelp())
    Handler->ShowHelp();
  else
    Handler->Run();
  const int Result = Handler->FErrorReported ? 1 : 0;
  // The run has saved its log and every file; what is left is memory. The system takes that
  // back at once when the process ends, where freeing the last project's tree node by node
  // costs about half as long as loading it did.
  if (AProcessEnds) {
    delete GHandlerLeftToExit;  // a host that runs the program more than once keeps one
    GHandlerLeftToExit = Handler.release();
  }
  return Result;
}

bool TCmdLineHandler::NeedsHelp() {
  return ParamCount() == 0 || GetSwitch(u"?") || GetSwitch(u"help");
}

bool TCmdLineHandler::GetSwitch(const UnicodeString& AName) {
  for (Integer i = 1; i <= ParamCount(); ++i) {
    UnicodeString P = ParamStr(i);
    if (StartsWithSwitchChar(P) && SameText(P.substr(1), AName)) return true;
  }
  return false;
}

bool TCmdLineHandler::FindSwitchValue(const UnicodeString& AName, UnicodeString& AValue) {
  for (Integer i = 1; i <= ParamCount(); ++i) {
    UnicodeString P = ParamStr(i);
    if (!StartsWithSwitchChar(P) || !StartsText(AName, P.substr(1))) continue;
    if (P.size() > 1 + AName.size()) {
      AValue = P.substr(1 + AName.size());
      if (!AValue.empty() && AValue[0] == u':') AValue.erase(0, 1);
    } else if (i < ParamCount() && !StartsWithSwitchChar(ParamStr(i + 1))) {
      AValue = ParamStr(i + 1);
    } else {
      AValue.clear();
    }
    return true;
  }
  return false;
}

UnicodeString TCmdLineHandler::SwitchValue(const UnicodeString& AName, const UnicodeString& ADefault) {
  UnicodeString Value;
  return FindSwitchValue(AName, Value) ? Value : ADefault;
}

UnicodeString TCmdLineHandler::GetExeName() {
  return ChangeFileExt(ExtractFileName(ParamStr(0)), UnicodeString());
}

UnicodeString TCmdLineHandler::GetVersionText() {
  Integer Major = 0, Minor = 0, Release = 0, Build = 0;
  if (!GetFileVersion(ParamStr(0), Major, Minor, Release, Build)) return rsNoVersionInfo;
  return Format(rsVersion, {Major, Minor, Release, Build});
}

UnicodeString TCmdLineHandler::ConvertPathDelimiters(const UnicodeString& AText) {
  return ReplaceChar(AText, ForeignPathDelim, PathDelim);
}

UnicodeString TCmdLineHandler::ReplaceChar(const UnicodeString& AText, char16_t AOld, char16_t ANew) {
  UnicodeString R = AText;
  for (auto& c : R)
    if (c == AOld) c = ANew;
  return R;
}

void TCmdLineHandler::SaveLog(const UnicodeString& AFileName) {
  if (AFileName.empty() || !FLogs || FLogs->Count() == 0) return;
  // Looked at again: the name may have changed hands during the run.
  if (!IsLogFileName(AFileName))
    throw EFCreateError(Format(u"Cannot create file \"%s\". Not a regular file", {AFileName}));
  TStringList Lines(*FLogs);
  Lines.SetLineBreak(u"\r\n");
  Lines.SetTrailingLineBreak(true);
  Lines.SetWriteBOM(false);
  Lines.SaveToFile(AFileName, TEncoding::ANSI());
}

void TCmdLineHandler::Finish() {
  SaveLog(FLogFileName);
  FLogs.reset();
}

void TCmdLineHandler::Error(const UnicodeString& AMsg) {
  FErrorReported = true;
  Log(u"Error: " + AMsg);
  WaitForEnter();
}

void TCmdLineHandler::Log(const UnicodeString& AMsg) {
  if (FLogs) FLogs->Add(AMsg);
  WriteLn(AMsg);
}

void TCmdLineHandler::AddKnownSwitches(std::vector<TSwitchDef>& ASwitches) const {
  for (const char16_t* Flag : {u"?", u"help", u"p"}) ASwitches.push_back({Flag, false});
  for (const char16_t* Value : {u"o", u"l"}) ASwitches.push_back({Value, true});
}

bool TCmdLineHandler::IsSwitchValue(Integer AIndex) const {
  return AIndex >= 0 && static_cast<size_t>(AIndex) < FParamIsSwitchValue.size() && FParamIsSwitchValue[AIndex];
}

void TCmdLineHandler::ReadParams() {
  // A mistyped switch would otherwise be passed over and the files handled without it, as
  // if the run had done what was asked.
  std::vector<TSwitchDef> Known;
  AddKnownSwitches(Known);
  bool ValueFollows = false;
  for (Integer i = 1; i <= ParamCount(); ++i) {
    UnicodeString P = ParamStr(i);
    if (!StartsWithSwitchChar(P)) {
      FParams.Add(P);
      FParamIsSwitchValue.push_back(ValueFollows);
      ValueFollows = false;
      continue;
    }
    const UnicodeString Text = P.substr(1);
    const auto Match = std::find_if(Known.begin(), Known.end(), [&](const TSwitchDef& S) {
      return S.TakesValue ? StartsText(S.Name, Text) : SameText(S.Name, Text);
    });
    if (Match == Known.end()) throw ECmdLineError(rsUnknownSwitch + u": " + P, true);
    ValueFollows = Match->TakesValue && Text.size() == Match->Name.size();
  }
  FWaitForEnter = GetSwitch(u"p");
  UnicodeString Value;
  if (FindSwitchValue(u"o", Value))
    FOutPath = GetFullPath(ConvertPathDelimiters(Value));
  else
    FOutPath.clear();
  if (FindSwitchValue(u"l", Value))
    FLogFileName = ConvertPathDelimiters(Value);
  else
    FLogFileName.clear();
  if (!FLogFileName.empty()) {
    if (!IsLogFileName(FLogFileName)) throw ECmdLineError(rsLogNotARegularFile + u": " + FLogFileName);
    FLogs = std::make_unique<TStringList>();
  }
}

void TCmdLineHandler::ShowBanner() {
  WriteLn(Format(u"%s %s", {GetExeName(), GetVersionText()}));
}

void TCmdLineHandler::WaitForEnter() {
  WriteLn(rsPressEnter);
  ReadLn();
}

void TCmdLineHandler::Run() {
  try {
    TStopwatch Watch = TStopwatch::StartNew();
    ReadParams();
    try {
      DoExecute();
    } catch (...) {
      Finish();
      throw;
    }
    Finish();
    Log(Format(rsElapsedTime, {Watch.ElapsedMilliseconds()}));
  } catch (const ECmdLineError& E) {
    FErrorReported = true;
    WriteLn(u"Error: " + E.Message());
    if (E.HelpNeeded()) ShowHelp();
    WaitForEnter();
  } catch (const Exception& E) {
    FErrorReported = true;
    WriteEscapedError(E.ClassName(), E.Message());
  } catch (const std::bad_alloc&) {
    FErrorReported = true;
    WriteEscapedError("EOutOfMemory", u"Out of memory");
  } catch (const std::exception& E) {
    FErrorReported = true;
    WriteEscapedError("Exception", UTF8ToUnicode(E.what()));
  }
  if (FWaitForEnter) WaitForEnter();
}

int RunProgram(const TCmdLineHandlerClass& AClass) {
  try {
    return TCmdLineHandler::Execute(AClass, true);
  } catch (const Exception& E) {
    WriteEscapedError(E.ClassName(), E.Message());
  } catch (const std::bad_alloc&) {
    WriteEscapedError("EOutOfMemory", u"Out of memory");
  } catch (const std::exception& E) {
    // Reported like the run's own handler does, rather than ending the process unannounced.
    WriteEscapedError("Exception", UTF8ToUnicode(E.what()));
  }
  return 1;
}

bool GetFileVersion(const UnicodeString& AFileName, Integer& AMajor, Integer& AMinor,
                    Integer& ARelease, Integer& ABuild) {
  Cardinal MS = 0, LS = 0;
  if (!GetFileVersionInfo(AFileName, MS, LS)) return false;
  AMajor = static_cast<Integer>(MS >> 16);
  AMinor = static_cast<Integer>(MS & 0xFFFF);
  ARelease = static_cast<Integer>(LS >> 16);
  ABuild = static_cast<Integer>(LS & 0xFFFF);
  return true;
}

}  // namespace Vorlane
