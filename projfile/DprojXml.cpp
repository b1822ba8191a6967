#include "projfile/DprojXml.h"

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
  ProjFileSaveContent(AFileName, [this](TStream& AStream) { SaveToStream(&AStream); });
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
