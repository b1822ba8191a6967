#include "ide/Graphics.h"

namespace Vorlane {

void TFont::Assign(const TPersistent* ASource) {
  if (auto LFont = dynamic_cast<const TFont*>(ASource)) {
    FName = LFont->FName;
    FHeight = LFont->FHeight;
    return;
  }
  TPersistent::Assign(ASource);
}

void TIcon::Assign(const TPersistent* ASource) {
  if (auto LIcon = dynamic_cast<const TIcon*>(ASource)) {
    SetSize(LIcon->Width(), LIcon->Height());
    FHandle = LIcon->FHandle;
    return;
  }
  TPersistent::Assign(ASource);
}

TBitmap::TBitmap() {
  static HBITMAP LLastHandle = 0;
  FHandle = ++LLastHandle;
}

void TBitmap::Assign(const TPersistent* ASource) {
  if (auto LGraphic = dynamic_cast<const TGraphic*>(ASource)) {
    SetSize(LGraphic->Width(), LGraphic->Height());
    FHasImage = !LGraphic->Empty();
    return;
  }
  TPersistent::Assign(ASource);
}

Integer TCustomImageList::AddIcon(const TIcon* AImage) {
  if (AImage == nullptr) return -1;
  return FCount++;
}

Integer TCustomImageList::Add(const TBitmap* AImage, const TBitmap*) {
  if (AImage == nullptr) return -1;
  return FCount++;
}

}  // namespace Vorlane
