#include "projfile/DprojXml.h"

#include <cstring>

#include "platform/Classes.h"
#include "projfile/ProjFileIO.h"
#include "xml/XmlNode.h"

namespace Vorlane {

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
    if (File.Size() == Rendered.Size()) {
      TMemoryStream OnDisk;
      OnDisk.LoadFromStream(&File);
      if (OnDisk.Size() == Rendered.Size() &&
          (Rendered.Size() == 0 ||
           std::memcmp(OnDisk.Memory(), Rendered.Memory(), static_cast<size_t>(Rendered.Size())) == 0))
        return;
    }
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
