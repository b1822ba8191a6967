// libFuzzer target: arbitrary bytes go through the binary form reader. A form whose values
// all have an exact text form must convert back, and the binary written from its text must
// give the same text again (a form with other values may have text that reads differently).
// A form whose names are all identifiers, with some property records cut from its bytes (as
// the form-file handler cuts its Explicit ones), must still read, as its text less exactly
// the lines of those records.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/FormStream.h"

using namespace Vorlane;

namespace {

// The lines of a text form; a byte-order mark comes and goes with the names beyond ASCII.
std::vector<std::string> Lines(const std::string& AText) {
  std::vector<std::string> R;
  for (size_t P = AText.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0, End; P < AText.size(); P = End + 2)
    R.push_back(AText.substr(P, (End = AText.find("\r\n", P)) - P));
  return R;
}

void CheckCut(std::string AData, const std::string& AText) {
  TFormStreamInfo Info;
  const auto Cut = FindFormProperties(AData, [](const UnicodeString& N) { return N.size() % 2 == 1; }, Info);
  size_t CutLines = 0;
  for (size_t I = Cut.size(); I-- > 0; CutLines += static_cast<size_t>(Cut[I].Lines)) AData.erase(Cut[I].Start, Cut[I].End - Cut[I].Start);
  const size_t Body = Info.ResourceHeader.empty() ? 0 : Info.ResourceHeader.size() + 4;
  for (size_t I = 0; Body != 0 && I < 4; ++I) AData[Body - 4 + I] = static_cast<char>(((AData.size() - Body) >> (8 * I)) & 0xFF);
  TBytesStream In(AData), Out;
  ObjectBinaryToText(&In, &Out);
  const std::vector<std::string> Before = Lines(AText), After = Lines(Out.DataString());
  size_t J = 0;  // After must be Before less CutLines lines
  for (size_t I = 0; I < Before.size() && J < After.size(); ++I) J += Before[I] == After[J];
  if (J == After.size() && After.size() + CutLines == Before.size()) return;
  std::fprintf(stderr, "cutting property records changed more than their lines\n");
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, size_t Size) {
  const std::string Input(reinterpret_cast<const char*>(Data), Size);
  TFormStreamInfo Info;
  std::string Text;
  {
    TBytesStream In(Input), Out;
    try {
      ObjectBinaryToText(&In, &Out, Info);
    } catch (const Exception&) {
      return 0;  // refused with the conversion's own error: fine
    }
    Text = Out.DataString();
  }
  if (Info.OriginalFormat == sofBinary && Info.InexactName.empty()) CheckCut(Input, Text);
  if (Info.OriginalFormat != sofBinary || !Info.InexactValue.empty()) return 0;
  std::string Binary;
  try {
    TBytesStream In(Text), Out;
    ObjectTextToBinary(&In, &Out, Info.ResourceHeader);
    Binary = Out.DataString();
  } catch (const Exception& E) {
    std::fprintf(stderr, "written text does not convert back: %s: %s\n", E.ClassName(), E.what());
    std::abort();
  }
  TBytesStream In(Binary), Out;
  TFormStreamInfo Again;
  try {
    ObjectBinaryToText(&In, &Out, Again);
  } catch (const Exception& E) {
    std::fprintf(stderr, "written binary does not read: %s: %s\n", E.ClassName(), E.what());
    std::abort();
  }
  if (Out.DataString() != Text || !Again.InexactValue.empty()) {
    std::fprintf(stderr, "text of the written binary differs from the first\n");
    std::abort();
  }
  return 0;
}
