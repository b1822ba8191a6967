// Icon resources of a module file: named icons, each a set of 32-bit images, that the build
// embeds in every module linking the add-in (cmake/IconResource.cmake). On POSIX the icon
// block is the ELF section ".vorlane_icons", on Windows the RCDATA resource "VORLANE_ICONS";
// the block is the same on both:
//
//   "VLIC", version (2 bytes, 1), number of icons (2 bytes), then per icon: the length of its
//   name (1 byte), the name in ASCII, the number of its images (1 byte), and per image its
//   width and height (2 bytes each, 1 to 256) and the offset of its pixels from the start of
//   the block (4 bytes); the pixels are width * height times R, G, B, A (alpha not
//   premultiplied), rows from the top. Numbers are little-endian.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/SysUtils.h"

namespace Vorlane {

struct TIconImage {
  Integer Width = 0;
  Integer Height = 0;
  // 0xAARRGGBB per pixel, rows from the top, alpha not premultiplied.
  std::vector<std::uint32_t> Pixels;
};

// The icon AName (ASCII case ignored) of the module file's icon block, at AWidth by AHeight
// pixels: its image of that size, else its smallest larger image (or, when none is larger,
// its largest) scaled to that size. Both sizes 0: its largest image as it is. False when the
// file has no such icon or a valid block; AImage is then untouched.
bool LoadIconImage(const UnicodeString& AModuleFileName, const UnicodeString& AName, Integer AWidth,
                   Integer AHeight, TIconImage& AImage);

// A handle naming a loaded icon: an HICON on Windows, the image's own address elsewhere.
using TIconHandle = std::uintptr_t;

// The icon as LoadIconImage gives it, as a shared handle: the same file, name and size give
// the same handle, which stays valid for the life of the process (or of the module holding
// this code) and is never freed by the caller. AWidth and AHeight are the requested size on
// entry and the image's size on return. 0 when LoadIconImage fails.
TIconHandle LoadSharedIcon(const UnicodeString& AModuleFileName, const UnicodeString& AName, Integer& AWidth,
                           Integer& AHeight);
// The image of a handle that LoadSharedIcon returned; nil for any other value.
const TIconImage* SharedIconImage(TIconHandle AHandle);

}  // namespace Vorlane
