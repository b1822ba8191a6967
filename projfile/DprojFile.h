// Edits of a .dproj in place: target platforms, deployment section, excluded packages, UWP
// logo entries, form types and the package library suffix. The instance operations never
// save; only the operations that take a file name do.
#pragma once

#include <vector>

#include "projfile/FileHelper.h"

namespace Vorlane {

class TDProjFile : public TCustomProjFile {
 public:
  using TCustomProjFile::TCustomProjFile;

  // The main group's FrameworkType; empty without one.
  UnicodeString GetFrameWorkType();
  UnicodeString FrameWorkType() { return GetFrameWorkType(); }
  // True when the main group's AppType is "Package" (ignoring case).
  bool GetIsPackage();
  bool IsPackage() { return GetIsPackage(); }
  // The base group's DllSuffix of a package; empty for anything else. Setting it on
  // anything but a package with a base group changes nothing.
  UnicodeString GetLibSuffix();
  UnicodeString LibSuffix() { return GetLibSuffix(); }
  void SetLibSuffix(const UnicodeString& AValue);

  // Adds a Platform entry with the value "False" for each name not present yet.
  void AddMissingPlatforms(const std::vector<UnicodeString>& Arr);
  void AdjustKnownPlatformNames();
  // Fills AList with the Key of every BuildConfiguration of the item group, in order.
  void GetBuildConfigurations(std::vector<UnicodeString>& AList);
  std::vector<UnicodeString> GetBuildConfigurations();
  void RefreshFormType();
  void RemoveDeployment();
  void RemoveExcludedPackages();
  // May raise "Cannot convert value to bool" for a Platforms entry that is not a Boolean,
  // after earlier steps changed the document: such a document must not be saved.
  void RemoveUnusedPlatforms();
  void RemoveUWP();

  // Load AFileName, run the operation and save (only when the bytes change). When the
  // operation raises, nothing is written.
  static void RefreshFormType(const UnicodeString& AFileName);
  static void RemoveUnusedPlatforms(const UnicodeString& AFileName);
};

}  // namespace Vorlane
