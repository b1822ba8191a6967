// A form file (.dfm), binary or text, as lines of its text form: loaded in the constructor,
// edited (the Explicit* position lines removed), and written back in the form it had when the
// handler is destroyed after an edit. The last-write time of the file survives the write.
#pragma once

#include <memory>

#include "platform/FormStream.h"
#include "platform/StringList.h"

namespace Vorlane {

// Why a form is not written (EWriteError).
inline constexpr const char* sdfmCannotWriteUnchanged = "Cannot write \"%s\" back without changing it: %s";
inline constexpr const char* sdfmTextNotKept = "the file holds bytes that its encoding (%s) cannot give back unchanged";
inline constexpr const char* sdfmEditedTextInvalid = "Cannot write \"%s\": the edited text is no longer a valid form (%s)";

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
  // Writes the content in the original form: binary (with the resource header it had) or
  // text in the encoding it was read with. The file keeps its last-write time. Refuses
  // (EWriteError, file untouched) a form that would change in more than the removed lines (a
  // binary value without exact text, text bytes its encoding cannot keep), and text that no
  // longer reads as a form.
  void SaveToFromFile(const UnicodeString& AFileName);
  // Deletes every line that, without its leading blanks, starts with "ExplicitLeft = ",
  // "ExplicitTop = ", "ExplicitWidth = " or "ExplicitHeight = " (case-sensitive).
  void RemoveExplicit();

  TStringList* Content() const { return FContent.get(); }
  const UnicodeString& FileName() const { return FFileName; }

 private:
  std::unique_ptr<TStringList> FContent;
  UnicodeString FFileName;
  bool FModified = false;
  TStreamOriginalFormat FOriginalFormat = sofUnknown;
  RawByteString FResourceHeader;
  UnicodeString FInexactValue;
  int FUncaught = 0;
};

}  // namespace Vorlane
