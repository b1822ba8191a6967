// The icon block of a Windows module file is its RCDATA resource "VORLANE_ICONS"; an icon's
// handle is an HICON made from the image.
#include "platform/windows/WinCommon.h"

#include <cstring>

#include "platform/IconResource.h"
#include "platform/OsBackend.h"

namespace Vorlane::OsBackend {

bool ReadIconBlock(const UnicodeString& AModuleFileName, std::string& ABlock) {
  HMODULE module = ::LoadLibraryExW(Win::W(AModuleFileName), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return false;
  bool found = false;
  if (HRSRC info = ::FindResourceW(module, L"VORLANE_ICONS", MAKEINTRESOURCEW(10))) {  // RT_RCDATA
    const DWORD size = ::SizeofResource(module, info);
    HGLOBAL data = ::LoadResource(module, info);
    const void* bytes = data ? ::LockResource(data) : nullptr;
    if (bytes) {
      ABlock.assign(static_cast<const char*>(bytes), size);
      found = true;
    }
  }
  ::FreeLibrary(module);
  return found;
}

std::uintptr_t CreateIconHandle(const TIconImage& AImage) {
  // An icon image as an icon resource holds it: the bitmap header (twice the height, for
  // the colour and the mask rows), the colour rows bottom-up, then the all-clear mask.
  const DWORD w = static_cast<DWORD>(AImage.Width), h = static_cast<DWORD>(AImage.Height);
  const DWORD maskStride = (w + 31) / 32 * 4;
  std::string bits(sizeof(BITMAPINFOHEADER) + w * h * 4 + maskStride * h, '\0');
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = static_cast<LONG>(w);
  header.biHeight = static_cast<LONG>(2 * h);
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  std::memcpy(bits.data(), &header, sizeof header);
  char* colour = bits.data() + sizeof header;
  for (DWORD row = 0; row < h; ++row)
    for (DWORD x = 0; x < w; ++x) {
      const std::uint32_t p = AImage.Pixels[(h - 1 - row) * w + x];
      const unsigned char bgra[4] = {static_cast<unsigned char>(p), static_cast<unsigned char>(p >> 8),
                                     static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 24)};
      std::memcpy(colour + (row * w + x) * 4, bgra, 4);
    }
  HICON icon = ::CreateIconFromResourceEx(reinterpret_cast<PBYTE>(bits.data()), static_cast<DWORD>(bits.size()),
                                          TRUE, 0x00030000, static_cast<int>(w), static_cast<int>(h),
                                          LR_DEFAULTCOLOR);
  return reinterpret_cast<std::uintptr_t>(icon);
}

void FreeIconHandle(std::uintptr_t AHandle) {
  if (AHandle) ::DestroyIcon(reinterpret_cast<HICON>(AHandle));
}

}  // namespace Vorlane::OsBackend
