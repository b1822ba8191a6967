// libFuzzer target: arbitrary bytes go through the whole load path (encoding detection, codec
// stream, parser). Both readers must end in the same tree or error, and whatever loads must
// write, reload and write again to the same text.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "xml/XmlDocument.h"
#include "xml/XmlNode.h"

using namespace Vorlane;

namespace {

bool IsNameByte(unsigned char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') ||
         C == '_' || C == ':' || C == '.' || C == '-' || C >= 0x80;
}

bool IsName(const std::string& S) {
  if (S.empty()) return false;
  for (unsigned char C : S)
    if (!IsNameByte(C)) return false;
  return true;
}

// Names are stored without any check of XML's name rules, so a name holding markup
// characters reads back as other markup. The round trip is required of documents whose
// element and attribute names are names.
bool HasPlainNames(TXmlNode* ARoot) {
  std::vector<TXmlNode*> Pending{ARoot};
  while (!Pending.empty()) {
    TXmlNode* Node = Pending.back();
    Pending.pop_back();
    if (Node != ARoot && Node->ElementType() == xeNormal && !IsName(Node->Name())) return false;
    for (Integer I = 0; I < Node->GetAttributeCount(); ++I) {
      const std::string Pair = Node->GetAttributePair(I);
      const size_t Eq = Pair.find('=');
      if (Eq == std::string::npos || !IsName(Pair.substr(0, Eq))) return false;
      const std::string Value = Pair.substr(Eq + 1);
      if (Value.size() < 2 || (Value[0] != '"' && Value[0] != '\'') || Value.back() != Value[0] ||
          Value.find(Value[0], 1) != Value.size() - 1)
        return false;
    }
    for (Integer I = 0; I < Node->GetNodeCount(); ++I) Pending.push_back(Node->GetNodes(I));
  }
  return true;
}

// What a load leaves: the error, or the encoding and the text written. An event handler keeps
// the load on the stream reader, which reads anything; without one the buffer reader reads
// what it can.
std::string Outcome(const std::string& AInput, bool AStreamReader) {
  TXmlDocument Doc;
  if (AStreamReader) Doc.SetOnProgress([](TXmlDocument*, Integer) {});
  TBytesStream S(AInput);
  std::string Result;
  try {
    Doc.LoadFromStream(&S);
    Result = std::to_string(static_cast<int>(Doc.ExternalEncoding()));
  } catch (const Exception& E) {
    Result = std::string("error ") + E.ClassName() + ": " + E.MessageUtf8();
  }
  try {
    Result += "\n" + Doc.WriteToString();  // after an error, what was read before it
  } catch (const Exception& E) {
    Result += std::string("\nnot written: ") + E.ClassName();
  }
  return Result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, size_t Size) {
  std::string Input(reinterpret_cast<const char*>(Data), Size);
  if (Outcome(Input, false) != Outcome(Input, true)) {
    std::fprintf(stderr, "the buffer reader and the stream reader differ\n");
    std::abort();
  }
  std::string First;
  {
    TXmlDocument Doc;
    TBytesStream S(Input);
    try {
      Doc.LoadFromStream(&S);
    } catch (const Exception&) {
      return 0;  // refused with the model's own error: fine
    }
    First = Doc.WriteToString();
    const bool Plain = HasPlainNames(Doc.RootNodeList());
    // Expanding entity references must end too, however the declarations nest or repeat,
    // and leave a tree that can be written.
    try {
      Doc.ResolveEntityReferences();
    } catch (const Exception&) {
    }
    (void)Doc.WriteToString();
    if (!Plain) return 0;
  }
  // The codec reads a zero byte as the end of the input and the parser then goes on after
  // it, so markup split by one may merge on a second reading; such input only has to load
  // or fail cleanly.
  if (Input.find('\0') != std::string::npos) return 0;
  TXmlDocument Again;
  try {
    Again.ReadFromString(First);
  } catch (const Exception& E) {
    std::fprintf(stderr, "written text does not load again: %s: %s\n", E.ClassName(), E.what());
    std::abort();
  }
  if (Again.WriteToString() != First) {
    std::fprintf(stderr, "second writing differs from the first\n");
    std::abort();
  }
  return 0;
}
