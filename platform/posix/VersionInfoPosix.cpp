// The version block of a POSIX program file: the build places a fixed-file-info record in the
// ELF section ".vorlane_version" (see cmake/VersionInfo.cmake). It is read back from the file
// through the ELF section table, so a program reports what its own file carries.
#include "platform/VersionInfo.h"
#include "platform/posix/ElfSection.h"

namespace Vorlane {

namespace {

constexpr Cardinal kFixedFileInfoSignature = 0xFEEF04BD;

// The two words at AOffset of the version block (signature, structure version, file version
// MS and LS, product version MS and LS).
bool ReadVersionWords(const UnicodeString& AFileName, size_t AOffset, Cardinal& AMS, Cardinal& ALS) {
  OsBackend::TElfSection LSection;
  if (!OsBackend::ReadElfSection(AFileName, ".vorlane_version", 4096, LSection)) return false;
  const auto* LData = reinterpret_cast<const unsigned char*>(LSection.Data.data());
  if (LSection.Data.size() < AOffset + 8) return false;
  if (OsBackend::ElfValue(LData, 4, LSection.BigEndian) != kFixedFileInfoSignature) return false;
  AMS = static_cast<Cardinal>(OsBackend::ElfValue(LData + AOffset, 4, LSection.BigEndian));
  ALS = static_cast<Cardinal>(OsBackend::ElfValue(LData + AOffset + 4, 4, LSection.BigEndian));
  return true;
}

}  // namespace

bool GetFileVersionInfo(const UnicodeString& AFileName, Cardinal& AFileVersionMS,
                        Cardinal& AFileVersionLS) {
  return ReadVersionWords(AFileName, 8, AFileVersionMS, AFileVersionLS);
}

bool GetProductVersionInfo(const UnicodeString& AFileName, Cardinal& AProductVersionMS,
                           Cardinal& AProductVersionLS) {
  return ReadVersionWords(AFileName, 16, AProductVersionMS, AProductVersionLS);
}

}  // namespace Vorlane
