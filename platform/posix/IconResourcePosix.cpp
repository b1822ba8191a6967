// The icon block of a POSIX module file is its ELF section ".vorlane_icons". There is no
// system icon object: an icon's handle is the address of its image.
#include "platform/IconResource.h"
#include "platform/OsBackend.h"
#include "platform/posix/ElfSection.h"

namespace Vorlane::OsBackend {

bool ReadIconBlock(const UnicodeString& AModuleFileName, std::string& ABlock) {
  TElfSection LSection;
  if (!ReadElfSection(AModuleFileName, ".vorlane_icons", 16u << 20, LSection)) return false;
  ABlock = std::move(LSection.Data);
  return true;
}

std::uintptr_t CreateIconHandle(const TIconImage& AImage) { return reinterpret_cast<std::uintptr_t>(&AImage); }

void FreeIconHandle(std::uintptr_t) {}

}  // namespace Vorlane::OsBackend
