// A form file (.dfm), binary or text, as lines of its text form: loaded in the constructor,
// edited (the Explicit* position lines removed), and written back in the form it had when the
// handler is destroyed after an edit. The last-write time of the file survives the write.
//
// A binary form is kept as its bytes, and its Explicit properties are cut from them record by
// record: the text form cannot say how a value was stored (a wide or a short string, an int32
// holding 5, a double), so a form written from its text would change values nobody edited.
// Its lines are built only when asked for.
#pragma once

#include <memory>
#include <vector>

#include "platform/FormStream.h"
#include "platform/StringList.h"

namespace Vorlane {

// Why a form is not written (EWriteError).
inline constexpr const char* sdfmCannotWriteUnchanged = "Cannot write \"%s\" back without changing it: %s";
inline constexpr const char* sdfmTextNotKept = "the file holds bytes that its encoding (%s) cannot give back unchanged";
inline constexpr const char* sdfmEditedTextInvalid = "Cannot write \"%s\": the edited text is no longer a valid form (%s)";
inline constexpr const char* sdfmExplicitNotOneLine = "the Explicit property at offset %d takes more than one line";
inline constexpr const char* sdfmLinesNotBinary =
    "Cannot write \"%s\": its lines were edited other than by removing Explicit properties, and a binary form is "
    "written from its own bytes";

class TDfmHandler {
 public:
  // Loads AFileName. A missing or unreadable file raises EFOpenError; a file that is no form,
  // or an invalid one, raises the conversion's error naming the offset or line. Nothing is
  // written then.
  explicit TDfmHandler(const UnicodeString& AFileName);
  // Writes the file when a line was removed. A failed write raises from here, unless another
  // exception is already on its way, which then goes on alone.
  ~TDfmHandler() noexcept(false);

  TDfmHandler(const TDfmHandler&) = delete;
  TDfmHandler& operator=(const TDfmHandler&) = delete;

  // Reads AFileName in place of the current form; a pending edit is dropped unwritten. A
  // load that raises leaves the handler as it was, edit included.
  void LoadFromFile(const UnicodeString& AFileName);
  // Writes the form in the form it had: a binary form as its bytes less the removed
  // property records (the resource header it had with the new size), a text form as the
  // content in the encoding it was read with. The file keeps its last-write time. Refuses
  // (EWriteError, file untouched) a form that would change in more than the removed lines:
  // text bytes its encoding cannot keep, text that no longer reads as a form, a binary form
  // whose lines were edited otherwise or do not follow its records (a name that is no
  // identifier, an Explicit property over several lines).
  void SaveToFromFile(const UnicodeString& AFileName);
  // Deletes every line that, without its leading blanks, starts with "ExplicitLeft = ",
  // "ExplicitTop = ", "ExplicitWidth = " or "ExplicitHeight = " (case-sensitive); from a
  // binary form, the property records those lines show.
  void RemoveExplicit();

  // The lines of the text form; for a binary form built on the first call, from its bytes as
  // they are then.
  TStringList* Content() const;
  const UnicodeString& FileName() const { return FFileName; }

 private:
  // The lines of a text form; of a binary form only once asked for.
  mutable std::unique_ptr<TStringList> FContent;
  UnicodeString FFileName;
  bool FModified = false;
  TStreamOriginalFormat FOriginalFormat = sofUnknown;
  // A binary form: the file's bytes less the records removed so far. A resource header's size
  // field ends at FFormStart (0: none).
  RawByteString FBinary;
  size_t FFormStart = 0;
  // The Explicit property records of the binary form still in FBinary.
  std::vector<TFormPropertyRecord> FExplicit;
  // Why the form cannot be written unchanged; for a binary form also why removals go by
  // lines (which then cannot be written).
  UnicodeString FInexactValue;
  int FUncaught = 0;
};

}  // namespace Vorlane
