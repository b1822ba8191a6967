#include "addin/ImagesDM.h"

#include "addin/Tools.h"

namespace Vorlane {

TdmImages* dmImages = nullptr;

TdmImages::TdmImages(TComponent* AOwner) : TdmImages(AOwner, -1) {}

TdmImages::TdmImages(TComponent* AOwner, Integer) : TDataModule(AOwner, -1) { SetName(u"dmImages"); }

TCustomImageList* TdmImages::GetMainImageList() {
  if (!FMainImageList) {
    FMainImageList = new TImageList(this);
    FillImageList(FMainImageList);
  }
  return FMainImageList;
}

void TdmImages::FillImageList(TCustomImageList* AImageList) {
  TIcon LIcon;
  LIcon.SetSize(AImageList->Width(), AImageList->Height());
  TTools::LoadFromIconResource(LIcon, u"Vorlane");
  AImageList->AddIcon(&LIcon);
}

Integer TdmImages::IndexByName(const UnicodeString&) { return 0; }

}  // namespace Vorlane
