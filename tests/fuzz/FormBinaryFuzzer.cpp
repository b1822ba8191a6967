// libFuzzer target: arbitrary bytes go through the binary form reader. A form whose values
// all have an exact text form must convert back, and the binary written from its text must
// give the same text again (a form with other values may have text that reads differently).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/FormStream.h"

using namespace Vorlane;

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
