// Basic vocabulary shared by every layer: string kinds and fixed-width integers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Vorlane {

// UTF-8 bytes; the XML document model works in these.
using UTF8String = std::string;
// UTF-16 code units; the runtime's ordinary string.
using UnicodeString = std::u16string;
// Bytes in the system's Ansi code page (Windows-1252 on POSIX).
using AnsiString = std::string;
using RawByteString = std::string;
using TBytes = std::vector<std::uint8_t>;

using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using Int64 = std::int64_t;
using Word = std::uint16_t;
using Byte = std::uint8_t;

// Days since 1899-12-30, fraction is the time of day (the runtime's date-time value).
using TDateTime = double;

}  // namespace Vorlane
