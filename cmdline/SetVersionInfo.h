// The console's version-information command: writes a four-part version number into a project
// as its version information, in the layout its project format calls for.
#pragma once

#include "projfile/FileHelper.h"

namespace Vorlane {

inline const UnicodeString rsProjectFileNotFound = u"Cannot open file \"%s\". The file does not exist";

class TSetVersionInfo : public TCustomProjFile {
 public:
  using TCustomProjFile::TCustomProjFile;

  // Loads the file, sets the version and saves it back (written only when its bytes change).
  // A missing file raises EFOpenError and nothing is created.
  static void SetVersionInfo(const UnicodeString& AFileName, const UnicodeString& AVersion);
  // Edits a document the caller owns; nothing is saved.
  static void SetVersionInfo(TDprojXml* AXML, const UnicodeString& AVersion);
  // One to four decimal numbers from 0 to 65535 (what a version resource holds), separated by
  // dots. The edit itself takes any text, turning what does not convert into 0; a version
  // that comes from a user is checked with this first.
  static bool IsValidVersion(const UnicodeString& AVersion);
  // The edit itself. A project of format 13 or later without a base group, and the parts of an
  // older project's version information that have no element to go into, are left unchanged.
  void SetVersionInfo(const UnicodeString& AVersion);

  // Major, Minor, Release, Build.
  struct TVersionNumbers {
    Integer Major = 0;
    Integer Minor = 0;
    Integer Release = 0;
    Integer Build = 0;
  };

 private:
  static TVersionNumbers ParseVersion(const UnicodeString& AVersion);
  static UnicodeString FormatVersion(const TVersionNumbers& AVersion);
  void ClearChildVersionInfo();
};

// The VerInfo_Keys text with its "FileVersion" entry set to AVersion: entries are separated by
// ";" only, an entry that begins with a double quote is a quoted text, and an entry holding ";"
// or a double quote is written quoted again. Every other entry keeps its text and position.
UnicodeString SetFileVersionKey(const UnicodeString& AKeys, const UnicodeString& AVersion);

}  // namespace Vorlane
