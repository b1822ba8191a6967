#include "projfile/DprojXml.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/Classes.h"
#include "projfile/ProjFileIO.h"
#include "xml/XmlNode.h"

namespace Vorlane {

namespace {

// Whether the rest of AFile holds exactly the ACount bytes at AData. Read a block at a time, so
// the comparison never holds a second copy of the whole project in memory.
bool SameBytes(TStream& AFile, const char* AData, Int64 ACount) {
  constexpr Integer cBlock = 65536;
  std::unique_ptr<char[]> Block(new char[cBlock]);
  for (Int64 Done = 0; Done < ACount;) {
    const Integer Want = static_cast<Integer>(std::min<Int64>(cBlock, ACount - Done));
    AFile.ReadBuffer(Block.get(), Want);
    if (std::memcmp(Block.get(), AData + Done, static_cast<size_t>(Want)) != 0) return false;
    Done += Want;
  }
  return true;
}

}  // namespace

TDprojXml::TDprojXml() {
  // The base constructor ran the base Clear; a constructor cannot reach the override, so the
  // project conventions are applied here.
  Clear();
}

TDprojXml::~TDprojXml() = default;

void TDprojXml::Clear() {
  TXmlDocument::Clear();
  TXmlNode* R = GetRoot();
  if (R != nullptr && R->Name().empty()) {
    R->SetName("Project");
    R->AttributeAdd("xmlns", cMSBuildNamespace);
  }
  TXmlNode* Declaration = RootNodeList()->NodeByElementType(xeDeclaration);
  if (Declaration != nullptr) Declaration->Delete();
  SetXmlFormat(xfReadable);
  SetIndentString("    ");
}

void TDprojXml::SaveToFile(const UnicodeString& AFileName) {
  TMemoryStream Rendered;
  SaveToStream(&Rendered);
  if (FileExists(AFileName)) {
    // Sizes first, as 64-bit values, from the opened file: a file of another size is replaced
    // without reading it; equal sizes then need equal bytes. The file is opened either way, so
    // one that cannot be read still raises.
    TFileStream File(AFileName, fmOpenRead | fmShareDenyWrite);
    if (File.Size() == Rendered.Size() && SameBytes(File, static_cast<const char*>(Rendered.Memory()), Rendered.Size()))
      return;
  }
  ProjFileReplaceContent(AFileName, Rendered.Memory(), Rendered.Size());
}

void TDprojXml::SilentSaveToFile(const UnicodeString& AFileName) {
  if (!FileExists(AFileName)) {
    SaveToFile(AFileName);
    return;
  }
  const TProjFileStamp Stamp = ProjFileGetStamp(AFileName);
  SaveToFile(AFileName);
  ProjFileSetStamp(AFileName, Stamp);
}

}  // namespace Vorlane
