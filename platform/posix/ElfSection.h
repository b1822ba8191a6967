// Reading one named section of an ELF file (32 or 64 bit, either byte order). The build puts
// what a module carries about itself (its version block, its icon resources) into sections
// of its own; the POSIX backend reads them back from the module file. Backend-internal.
#pragma once

#include <cstdint>
#include <string>

#include "platform/SysUtils.h"

namespace Vorlane::OsBackend {

struct TElfSection {
  std::string Data;
  bool BigEndian = false;  // the file's byte order, for reading multi-byte values
};

// The bytes of the section AName (at most AMaxSize of them; a larger section fails). False
// when the file cannot be read, is no ELF file or has no such section.
bool ReadElfSection(const UnicodeString& AFileName, const char* AName, std::uint64_t AMaxSize,
                    TElfSection& ASection);

// An unsigned value of ASize bytes at AData in the given byte order.
std::uint64_t ElfValue(const unsigned char* AData, int ASize, bool ABigEndian);

}  // namespace Vorlane::OsBackend
