// The add-in's image module: one image list holding the add-in's icon, which the add-in
// registers with the IDE for its menu entries.
#pragma once

#include "ide/Forms.h"
#include "ide/Graphics.h"

namespace Vorlane {

class TdmImages : public TDataModule {
 public:
  // Never entered in the screen's list of data modules: the module belongs to the add-in,
  // not to the IDE's application.
  explicit TdmImages(TComponent* AOwner);
  TdmImages(TComponent* AOwner, Integer ADummy);

  // Made and filled on first use; the module owns it.
  TCustomImageList* GetMainImageList();
  TCustomImageList* MainImageList() { return GetMainImageList(); }
  // Adds the add-in's icon, at the list's image size, to AImageList.
  void FillImageList(TCustomImageList* AImageList);
  // The index of an image of the main list; the add-in's icon is its only image.
  Integer IndexByName(const UnicodeString& AName);

 private:
  TCustomImageList* FMainImageList = nullptr;
};

// Made and freed by the add-in's registration.
extern TdmImages* dmImages;

}  // namespace Vorlane
