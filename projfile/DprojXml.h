// The in-memory document of one .dproj project file: an XML document with the project-file
// conventions built in (Project root with the MSBuild namespace, no declaration, readable
// layout with four-blank indentation) and saves that touch the disk only when the rendered
// bytes differ from what is there.
#pragma once

#include "platform/Types.h"
#include "xml/XmlDocument.h"

namespace Vorlane {

// The namespace of MSBuild project files, written on the root of every new project document.
inline constexpr const char* cMSBuildNamespace = "http://schemas.microsoft.com/developer/msbuild/2003";

class TDprojXml : public TXmlDocument {
 public:
  TDprojXml();
  ~TDprojXml() override;

  // Resets to an empty project document: a Project root with the MSBuild namespace, no
  // declaration, readable output indented by four blanks.
  void Clear() override;

  // Writes AFileName only when the rendering differs from the file's bytes. The new content
  // goes to a temporary file in the same folder and replaces the old file only once it is
  // completely written, so a failed save leaves the old file as it was. An existing file
  // marked read-only is never replaced: the save raises instead.
  void SaveToFile(const UnicodeString& AFileName) override;

  // As SaveToFile, but the file keeps its attributes and its creation, last-write and
  // last-access times (as far as the system allows setting them).
  void SilentSaveToFile(const UnicodeString& AFileName);
};

}  // namespace Vorlane
