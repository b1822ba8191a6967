// The module of an address through the dynamic linker (dladdr). The program itself is
// reported by its link map with an empty name, and dladdr's own name for it is only the path
// it was started with, so the program's file comes from /proc/self/exe instead.
#include <dlfcn.h>
#include <link.h>

#include "platform/FileSystem.h"
#include "platform/ModuleInfo.h"
#include "platform/OsBackend.h"

namespace Vorlane {

UnicodeString GetModuleFileNameOf(const void* AAddress) {
  Dl_info info{};
  link_map* map = nullptr;
  if (::dladdr1(AAddress, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0) return UnicodeString();
  if (!map || !map->l_name || map->l_name[0] == '\0') return OsBackend::ModuleFileName();
  // A library opened by a relative name keeps that name; it is made absolute against the
  // current folder, as the loader resolved it.
  return ExpandFileName(UTF8ToUnicode(map->l_name));
}

}  // namespace Vorlane
