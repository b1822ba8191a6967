// Small routines of the add-in: its version and title, its help file, opening a file with the
// shell, and its icons, all taken from the module that holds the add-in's code.
#pragma once

#include "ide/Graphics.h"
#include "platform/SysUtils.h"

namespace Vorlane {

class TTools {
 public:
  TTools() = delete;

  // "V<major>.<minor>.<release>" of the product version of the add-in's own module; "V1.0.0"
  // when that module carries no version information.
  static UnicodeString AppVersion();
  static UnicodeString FindHelpFile();
  static void ShowTopicHelp(const UnicodeString& Topic, const UnicodeString& HelpFile);
  static void OpenLocalFile(const UnicodeString& Path);
  // A new bitmap (the caller's) showing the icon resource AName at ASize by ASize pixels.
  static TBitmap* CreateFromIconResource(const UnicodeString& AName, Integer ASize);
  // Target shows the icon resource AName at Target's size (its largest image when the size
  // is 0), and takes the image's size; without such a resource Target becomes empty.
  static void LoadFromIconResource(TIcon& Target, const UnicodeString& AName);
  // The version text, asked for once and kept.
  static UnicodeString GetVersion();
  // "Vorlane " and the version.
  static UnicodeString GetTitle();
  // The description, a blank line and the copyright line.
  static UnicodeString GetDescription();
  // Major, minor and release of the file's product version; false when the file has no
  // version information or it cannot be read.
  static bool GetModuleVersionParts(const UnicodeString& AFileName, Integer& AMajor, Integer& AMinor,
                                    Integer& ARelease);
};

// AppVersion's text for the module file AFileName.
UnicodeString AppVersionOf(const UnicodeString& AFileName);
// The file of the module that holds the add-in's code.
UnicodeString OwnModuleFileName();

}  // namespace Vorlane
