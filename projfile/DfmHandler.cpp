#include "projfile/DfmHandler.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "platform/FileSystem.h"
#include "projfile/ProjFileIO.h"

namespace Vorlane {

namespace {

bool IsExplicitLine(const UnicodeString& ALine) {
  static const UnicodeString Prefixes[] = {u"ExplicitLeft = ", u"ExplicitTop = ", u"ExplicitWidth = ",
                                           u"ExplicitHeight = "};
  size_t Start = 0;
  while (Start < ALine.size() && ALine[Start] <= u' ') ++Start;
  for (const UnicodeString& Prefix : Prefixes)
    if (ALine.compare(Start, Prefix.size(), Prefix) == 0) return true;
  return false;
}

// A property's line is its name, " = " and its value. A name that is an identifier holds no
// blank, so the line starts with an Explicit prefix exactly when name and " = " do.
bool IsExplicitName(const UnicodeString& AName) { return IsExplicitLine(AName + u" = "); }

// Deletes the Explicit lines, last to first; true when there was one.
bool RemoveExplicitLines(TStringList& ALines) {
  bool Removed = false;
  for (Integer I = ALines.Count() - 1; I >= 0; --I) {
    if (IsExplicitLine(ALines.Strings(I))) {
      ALines.Delete(I);
      Removed = true;
    }
  }
  return Removed;
}

RawByteString ReadFileBytes(const UnicodeString& AFileName) {
  TFileStream Stream(AFileName, fmOpenRead | fmShareDenyWrite);
  RawByteString Data(static_cast<size_t>(Stream.Size()), '\0');
  for (size_t Done = 0; Done < Data.size();) {
    const Integer Chunk = static_cast<Integer>(std::min<size_t>(Data.size() - Done, 1u << 30));
    Stream.ReadBuffer(&Data[Done], Chunk);
    Done += static_cast<size_t>(Chunk);
  }
  return Data;
}

std::unique_ptr<TStringList> LinesOf(TStream& AText) {
  AText.SetPosition(0);
  auto Lines = std::make_unique<TStringList>();
  Lines->LoadFromStream(&AText);
  return Lines;
}

std::unique_ptr<TStringList> BinaryLines(const RawByteString& ABinary) {
  TBytesStream Input(ABinary);
  TMemoryStream Text;
  ObjectBinaryToText(&Input, &Text);
  return LinesOf(Text);
}

// Moves every byte outside ARecords (in the order of the data, none inside another) towards
// the front, in one pass.
void CutRecords(RawByteString& AData, const std::vector<TFormPropertyRecord>& ARecords) {
  size_t To = ARecords.front().Start;
  for (size_t I = 0; I < ARecords.size(); ++I) {
    const size_t From = ARecords[I].End;
    const size_t Until = I + 1 < ARecords.size() ? ARecords[I + 1].Start : AData.size();
    std::memmove(&AData[To], AData.data() + From, Until - From);
    To += Until - From;
  }
  AData.resize(To);
}

}  // namespace

TDfmHandler::TDfmHandler(const UnicodeString& AFileName) : FUncaught(std::uncaught_exceptions()) {
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
  RawByteString Data = ReadFileBytes(AFileName);
  TFormStreamInfo Info;
  std::unique_ptr<TStringList> Content;
  std::vector<TFormPropertyRecord> Explicit;
  UnicodeString InexactValue;
  if (TestStreamFormat(Data) == sofBinary) {
    Explicit = FindFormProperties(Data, IsExplicitName, Info);
    // The records follow the lines only where every name is an identifier and every Explicit
    // property one line; otherwise the lines are edited, and the form is not written.
    InexactValue = Info.InexactName;
    for (const TFormPropertyRecord& Record : Explicit)
      if (InexactValue.empty() && Record.Lines != 1)
        InexactValue = Format(U(sdfmExplicitNotOneLine), {static_cast<Int64>(Record.Start)});
  } else {
    TBytesStream Input(Data);
    TMemoryStream Text;
    ObjectBinaryToText(&Input, &Text, Info);
    Content = LinesOf(Text);
    // A text form is written back through its encoding: bytes that do not decode and encode
    // to themselves (broken UTF-8, say) would change on the way.
    TEncoding* Encoding = Content->Encoding();
    const size_t Skip = Encoding->GetPreamble().size();
    const std::string Body = Data.substr(Skip);
    const TBytes Again = Encoding->GetBytes(Encoding->GetString(reinterpret_cast<const Byte*>(Body.data()), Body.size()));
    if (std::string(Again.begin(), Again.end()) != Body)
      InexactValue = Format(U(sdfmTextNotKept), {UnicodeString(U(Encoding->EncodingName()))});
  }
  FFileName = AFileName;
  FInexactValue = std::move(InexactValue);
  FContent = std::move(Content);
  FOriginalFormat = Info.OriginalFormat;
  FBinary = Info.OriginalFormat == sofBinary ? std::move(Data) : RawByteString();
  FFormStart = Info.ResourceHeader.empty() ? 0 : Info.ResourceHeader.size() + 4;
  FExplicit = std::move(Explicit);
  // The lines are the file's again; nothing is left to write.
  FModified = false;
}

TStringList* TDfmHandler::Content() const {
  if (!FContent) FContent = BinaryLines(FBinary);
  return FContent.get();
}

void TDfmHandler::SaveToFromFile(const UnicodeString& AFileName) {
  TFileTimes Times;
  const bool KeepTime = FileExists(AFileName) && GetFileTimes(AFileName, Times) && Times.LastWriteTime != 0;
  if (!FInexactValue.empty()) throw EWriteError(Format(U(sdfmCannotWriteUnchanged), {AFileName, FInexactValue}));

  if (FOriginalFormat == sofBinary) {
    // Lines handed out must still be the text of the bytes written, or an edit made on them
    // would be lost without a word.
    if (FContent) {
      const std::unique_ptr<TStringList> Written = BinaryLines(FBinary);
      if (!std::equal(FContent->begin(), FContent->end(), Written->begin(), Written->end()))
        throw EWriteError(Format(U(sdfmLinesNotBinary), {AFileName}));
    }
    ProjFileReplaceContent(AFileName, FBinary.data(), static_cast<Int64>(FBinary.size()));
  } else {
    TMemoryStream Text;
    FContent->SaveToStream(&Text);
    Text.SetPosition(0);
    TMemoryStream Binary;
    try {
      // Converted only to make sure the edit left a valid form.
      ObjectTextToBinary(&Text, &Binary);
    } catch (const EParserError& E) {
      throw EWriteError(Format(U(sdfmEditedTextInvalid), {AFileName, E.Message()}));
    }
    ProjFileReplaceContent(AFileName, Text.Memory(), Text.Size());
  }
  if (KeepTime) SetFileLastWriteTime(AFileName, Times.LastWriteTime);
}

void TDfmHandler::RemoveExplicit() {
  if (FOriginalFormat != sofBinary || !FInexactValue.empty()) {
    if (RemoveExplicitLines(*Content())) FModified = true;
    return;
  }
  bool Removed = !FExplicit.empty();
  if (Removed) {
    CutRecords(FBinary, FExplicit);
    FExplicit.clear();
    if (FFormStart != 0) {
      const size_t Size = FBinary.size() - FFormStart;
      for (size_t I = 0; I < 4; ++I) FBinary[FFormStart - 4 + I] = static_cast<char>((Size >> (8 * I)) & 0xFF);
    }
  }
  // Lines already handed out lose the same lines.
  if (FContent) Removed = RemoveExplicitLines(*FContent) || Removed;
  if (Removed) FModified = true;
}

}  // namespace Vorlane
