// Graphics of the headless forms library: colours, fonts, icons, bitmaps and image lists as
// properties only. Nothing is drawn; a handle is an opaque number that names an image.
#pragma once

#include "ide/Components.h"
#include "ide/ToolsAPI.h"

namespace Vorlane {

using TColor = Integer;
inline constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000F);
inline constexpr TColor clWindow = static_cast<TColor>(0xFF000005);

using HICON = THandle;

class TFont : public TPersistent {
 public:
  const UnicodeString& Name() const { return FName; }
  void SetName(const UnicodeString& AValue) { FName = AValue; }
  // Negative: the character height in pixels.
  Integer Height() const { return FHeight; }
  void SetHeight(Integer AValue) { FHeight = AValue; }
  void Assign(const TPersistent* ASource) override;

 private:
  UnicodeString FName = u"Tahoma";
  Integer FHeight = -11;
};

class TGraphic : public TPersistent {
 public:
  Integer Width() const { return FWidth; }
  Integer Height() const { return FHeight; }
  void SetWidth(Integer AValue) { FWidth = AValue; }
  void SetHeight(Integer AValue) { FHeight = AValue; }
  void SetSize(Integer AWidth, Integer AHeight) {
    FWidth = AWidth;
    FHeight = AHeight;
  }
  // True while the graphic holds no image.
  virtual bool Empty() const = 0;

 private:
  Integer FWidth = 0;
  Integer FHeight = 0;
};

// An icon; its handle comes from whoever loads the image (0: none).
class TIcon : public TGraphic {
 public:
  HICON Handle() const { return FHandle; }
  void SetHandle(HICON AValue) { FHandle = AValue; }
  bool HandleAllocated() const { return FHandle != 0; }
  bool Empty() const override { return FHandle == 0; }
  void Assign(const TPersistent* ASource) override;

 private:
  HICON FHandle = 0;
};

class TBitmap : public TGraphic {
 public:
  TBitmap();
  // Takes size and image of a bitmap or an icon.
  void Assign(const TPersistent* ASource) override;
  bool Empty() const override { return !FHasImage; }
  // A handle unique to this bitmap; never 0.
  HBITMAP Handle() const { return FHandle; }

 private:
  HBITMAP FHandle;
  bool FHasImage = false;
};

enum TColorDepth { cdDeviceDependent, cd4Bit, cd8Bit, cd16Bit, cd24Bit, cd32Bit };

class TCustomImageList : public TComponent {
 public:
  using TComponent::TComponent;

  Integer Width() const { return FWidth; }
  Integer Height() const { return FHeight; }
  void SetWidth(Integer AValue) { FWidth = AValue; }
  void SetHeight(Integer AValue) { FHeight = AValue; }
  void SetSize(Integer AWidth, Integer AHeight) {
    FWidth = AWidth;
    FHeight = AHeight;
  }
  TColorDepth ColorDepth() const { return FColorDepth; }
  void SetColorDepth(TColorDepth AValue) { FColorDepth = AValue; }

  Integer Count() const { return FCount; }
  // The index of the added image.
  Integer AddIcon(const TIcon* AImage);
  Integer Add(const TBitmap* AImage, const TBitmap* AMask);
  void Clear() { FCount = 0; }

 private:
  Integer FWidth = 16;
  Integer FHeight = 16;
  TColorDepth FColorDepth = cdDeviceDependent;
  Integer FCount = 0;
};

class TImageList : public TCustomImageList {
 public:
  using TCustomImageList::TCustomImageList;
};

}  // namespace Vorlane
