#include "projfile/DfmHandler.h"

#include <exception>

#include "platform/FileSystem.h"
#include "projfile/ProjFileIO.h"

namespace Vorlane {

namespace {

std::string Bytes(TMemoryStream& AStream) {
  return std::string(static_cast<const char*>(AStream.Memory()), static_cast<size_t>(AStream.Size()));
}

}  // namespace

TDfmHandler::TDfmHandler(const UnicodeString& AFileName)
    : FContent(std::make_unique<TStringList>()), FUncaught(std::uncaught_exceptions()) {
  LoadFromFile(AFileName);
}

TDfmHandler::~TDfmHandler() noexcept(false) {
  if (!FModified) return;
  if (std::uncaught_exceptions() > FUncaught) {
    // Unwinding already: a second exception would end the program.
    try {
      SaveToFromFile(FFileName);
    } catch (...) {
    }
    return;
  }
  SaveToFromFile(FFileName);
}

// Nothing of the handler changes until the new file has been read: after a failed load a
// pending edit still belongs to the file it was made on, and is never written over the file
// that could not be read.
void TDfmHandler::LoadFromFile(const UnicodeString& AFileName) {
  TMemoryStream Input;
  Input.LoadFromFile(AFileName);
  TMemoryStream Text;
  TFormStreamInfo Info;
  ObjectBinaryToText(&Input, &Text, Info);
  Text.SetPosition(0);
  auto Content = std::make_unique<TStringList>();
  Content->LoadFromStream(&Text);

  UnicodeString InexactValue = Info.InexactValue;
  if (Info.OriginalFormat != sofBinary) {
    // A text form is written back through its encoding: bytes that do not decode and encode
    // to themselves (broken UTF-8, say) would change on the way.
    const std::string Original = Bytes(Input);
    TEncoding* Encoding = Content->Encoding();
    const size_t Skip = Encoding->GetPreamble().size();
    const std::string Body = Original.substr(Skip);
    const TBytes Again = Encoding->GetBytes(Encoding->GetString(reinterpret_cast<const Byte*>(Body.data()), Body.size()));
    if (std::string(Again.begin(), Again.end()) != Body)
      InexactValue = Format(U(sdfmTextNotKept), {UnicodeString(U(Encoding->EncodingName()))});
  }
  FFileName = AFileName;
  FInexactValue = std::move(InexactValue);
  FContent = std::move(Content);
  FOriginalFormat = Info.OriginalFormat;
  FResourceHeader = Info.ResourceHeader;
  // The lines are the file's again; nothing is left to write.
  FModified = false;
}

void TDfmHandler::SaveToFromFile(const UnicodeString& AFileName) {
  TFileTimes Times;
  const bool KeepTime = FileExists(AFileName) && GetFileTimes(AFileName, Times) && Times.LastWriteTime != 0;
  if (!FInexactValue.empty()) throw EWriteError(Format(U(sdfmCannotWriteUnchanged), {AFileName, FInexactValue}));

  TMemoryStream Text;
  FContent->SaveToStream(&Text);
  Text.SetPosition(0);
  TMemoryStream Binary;
  try {
    // A text form is converted too, only to make sure the edit left a valid form.
    ObjectTextToBinary(&Text, &Binary, FOriginalFormat == sofBinary ? FResourceHeader : RawByteString());
  } catch (const EParserError& E) {
    throw EWriteError(Format(U(sdfmEditedTextInvalid), {AFileName, E.Message()}));
  }
  TMemoryStream& Output = FOriginalFormat == sofBinary ? Binary : Text;
  ProjFileReplaceContent(AFileName, Output.Memory(), Output.Size());
  if (KeepTime) SetFileLastWriteTime(AFileName, Times.LastWriteTime);
}

void TDfmHandler::RemoveExplicit() {
  static const UnicodeString Prefixes[] = {u"ExplicitLeft = ", u"ExplicitTop = ", u"ExplicitWidth = ",
                                           u"ExplicitHeight = "};
  for (Integer I = FContent->Count() - 1; I >= 0; --I) {
    const UnicodeString& Line = FContent->Strings(I);
    size_t Start = 0;
    while (Start < Line.size() && Line[Start] <= u' ') ++Start;
    for (const UnicodeString& Prefix : Prefixes) {
      if (Line.compare(Start, Prefix.size(), Prefix) == 0) {
        FContent->Delete(I);
        FModified = true;
        break;
      }
    }
  }
}

}  // namespace Vorlane
