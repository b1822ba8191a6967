#include "platform/IconResource.h"

#include <algorithm>
#include <memory>

#include "platform/OsBackend.h"

namespace Vorlane {

namespace {

constexpr Integer kMaxIconSize = 256;

struct TBlockReader {
  const std::string& Block;
  size_t Pos = 0;

  bool Has(size_t ACount) const { return ACount <= Block.size() && Pos <= Block.size() - ACount; }
  std::uint32_t Number(int ASize) {
    std::uint32_t v = 0;
    for (int i = ASize - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(Block[Pos + i]);
    Pos += static_cast<size_t>(ASize);
    return v;
  }
};

struct TImageEntry {
  Integer Width = 0;
  Integer Height = 0;
  size_t Offset = 0;
};

// The images of icon AName in ABlock; false when the block is malformed or lacks the icon.
bool FindIcon(const std::string& ABlock, const UnicodeString& AName, std::vector<TImageEntry>& AImages) {
  TBlockReader R{ABlock};
  if (!R.Has(8) || ABlock.compare(0, 4, "VLIC") != 0) return false;
  R.Pos = 4;
  if (R.Number(2) != 1) return false;
  const std::uint32_t LCount = R.Number(2);
  std::vector<TImageEntry> LFound;
  for (std::uint32_t I = 0; I < LCount; ++I) {
    if (!R.Has(1)) return false;
    const size_t LNameLength = R.Number(1);
    if (!R.Has(LNameLength + 1)) return false;
    const UnicodeString LName = UTF8ToUnicode(ABlock.substr(R.Pos, LNameLength));
    R.Pos += LNameLength;
    const std::uint32_t LImages = R.Number(1);
    std::vector<TImageEntry> LEntries;
    for (std::uint32_t J = 0; J < LImages; ++J) {
      if (!R.Has(8)) return false;
      TImageEntry E;
      E.Width = static_cast<Integer>(R.Number(2));
      E.Height = static_cast<Integer>(R.Number(2));
      E.Offset = R.Number(4);
      if (E.Width < 1 || E.Width > kMaxIconSize || E.Height < 1 || E.Height > kMaxIconSize) return false;
      const size_t LBytes = static_cast<size_t>(E.Width) * static_cast<size_t>(E.Height) * 4;
      if (E.Offset > ABlock.size() || LBytes > ABlock.size() - E.Offset) return false;
      LEntries.push_back(E);
    }
    // The whole directory must hold together, not only the part before the icon.
    if (LFound.empty() && SameText(LName, AName)) LFound = std::move(LEntries);
  }
  if (LFound.empty()) return false;
  AImages = std::move(LFound);
  return true;
}

TIconImage DecodeImage(const std::string& ABlock, const TImageEntry& AEntry) {
  TIconImage LImage;
  LImage.Width = AEntry.Width;
  LImage.Height = AEntry.Height;
  LImage.Pixels.resize(static_cast<size_t>(AEntry.Width) * static_cast<size_t>(AEntry.Height));
  const auto* P = reinterpret_cast<const unsigned char*>(ABlock.data()) + AEntry.Offset;
  for (std::uint32_t& LPixel : LImage.Pixels) {
    LPixel = static_cast<std::uint32_t>(P[3]) << 24 | static_cast<std::uint32_t>(P[0]) << 16 |
             static_cast<std::uint32_t>(P[1]) << 8 | P[2];
    P += 4;
  }
  return LImage;
}

// Area-weighted resampling: every target pixel averages the source area it covers, colours
// weighted by their alpha so that transparent pixels lend no colour to the edges.
TIconImage Resample(const TIconImage& ASource, Integer AWidth, Integer AHeight) {
  TIconImage LTarget;
  LTarget.Width = AWidth;
  LTarget.Height = AHeight;
  LTarget.Pixels.resize(static_cast<size_t>(AWidth) * static_cast<size_t>(AHeight));
  const double LScaleX = static_cast<double>(ASource.Width) / AWidth;
  const double LScaleY = static_cast<double>(ASource.Height) / AHeight;
  for (Integer Y = 0; Y < AHeight; ++Y)
    for (Integer X = 0; X < AWidth; ++X) {
      const double X0 = X * LScaleX, X1 = (X + 1) * LScaleX, Y0 = Y * LScaleY, Y1 = (Y + 1) * LScaleY;
      double LSum[4] = {0, 0, 0, 0}, LArea = 0;
      for (Integer SY = static_cast<Integer>(Y0); SY < ASource.Height && SY < Y1; ++SY)
        for (Integer SX = static_cast<Integer>(X0); SX < ASource.Width && SX < X1; ++SX) {
          const double W = (std::min<double>(SX + 1, X1) - std::max<double>(SX, X0)) *
                           (std::min<double>(SY + 1, Y1) - std::max<double>(SY, Y0));
          const std::uint32_t P = ASource.Pixels[static_cast<size_t>(SY) * ASource.Width + SX];
          const double A = (P >> 24) / 255.0;
          LSum[0] += W * A * ((P >> 16) & 0xFF);
          LSum[1] += W * A * ((P >> 8) & 0xFF);
          LSum[2] += W * A * (P & 0xFF);
          LSum[3] += W * A;
          LArea += W;
        }
      std::uint32_t LPixel = 0;
      if (LSum[3] > 0) {
        auto Channel = [](double V) { return static_cast<std::uint32_t>(std::clamp(V + 0.5, 0.0, 255.0)); };
        LPixel = Channel(255.0 * LSum[3] / LArea) << 24 | Channel(LSum[0] / LSum[3]) << 16 |
                 Channel(LSum[1] / LSum[3]) << 8 | Channel(LSum[2] / LSum[3]);
      }
      LTarget.Pixels[static_cast<size_t>(Y) * AWidth + X] = LPixel;
    }
  return LTarget;
}

struct TSharedIcon {
  UnicodeString FileName;
  UnicodeString Name;
  Integer RequestedWidth;
  Integer RequestedHeight;
  std::unique_ptr<TIconImage> Image;
  TIconHandle Handle;
};

// Used from the IDE's main thread only, like everything of the add-in.
class TSharedIcons {
 public:
  ~TSharedIcons() {
    for (const TSharedIcon& LIcon : FIcons) OsBackend::FreeIconHandle(LIcon.Handle);
  }
  std::vector<TSharedIcon> FIcons;
};

TSharedIcons& SharedIcons() {
  static TSharedIcons LIcons;
  return LIcons;
}

}  // namespace

bool LoadIconImage(const UnicodeString& AModuleFileName, const UnicodeString& AName, Integer AWidth,
                   Integer AHeight, TIconImage& AImage) {
  if (AWidth < 0 || AHeight < 0 || AWidth > kMaxIconSize || AHeight > kMaxIconSize || (AWidth == 0) != (AHeight == 0))
    return false;
  std::string LBlock;
  std::vector<TImageEntry> LImages;
  if (!OsBackend::ReadIconBlock(AModuleFileName, LBlock) || !FindIcon(LBlock, AName, LImages)) return false;
  auto Area = [](const TImageEntry& E) { return static_cast<Integer>(E.Width * E.Height); };
  const TImageEntry* LBest = nullptr;
  for (const TImageEntry& E : LImages)
    if (E.Width == AWidth && E.Height == AHeight) {
      LBest = &E;
      break;
    }
  if (!LBest)
    for (const TImageEntry& E : LImages)
      if (AWidth > 0 && E.Width >= AWidth && E.Height >= AHeight && (!LBest || Area(E) < Area(*LBest))) LBest = &E;
  if (!LBest)
    for (const TImageEntry& E : LImages)
      if (!LBest || Area(E) > Area(*LBest)) LBest = &E;
  TIconImage LImage = DecodeImage(LBlock, *LBest);
  if (AWidth > 0 && (LImage.Width != AWidth || LImage.Height != AHeight)) LImage = Resample(LImage, AWidth, AHeight);
  AImage = std::move(LImage);
  return true;
}

TIconHandle LoadSharedIcon(const UnicodeString& AModuleFileName, const UnicodeString& AName, Integer& AWidth,
                           Integer& AHeight) {
  TSharedIcons& LShared = SharedIcons();
  for (const TSharedIcon& LIcon : LShared.FIcons)
    if (LIcon.FileName == AModuleFileName && SameText(LIcon.Name, AName) && LIcon.RequestedWidth == AWidth &&
        LIcon.RequestedHeight == AHeight) {
      AWidth = LIcon.Image->Width;
      AHeight = LIcon.Image->Height;
      return LIcon.Handle;
    }
  auto LImage = std::make_unique<TIconImage>();
  if (!LoadIconImage(AModuleFileName, AName, AWidth, AHeight, *LImage)) return 0;
  const TIconHandle LHandle = OsBackend::CreateIconHandle(*LImage);
  if (LHandle == 0) return 0;
  LShared.FIcons.push_back({AModuleFileName, AName, AWidth, AHeight, std::move(LImage), LHandle});
  AWidth = LShared.FIcons.back().Image->Width;
  AHeight = LShared.FIcons.back().Image->Height;
  return LHandle;
}

const TIconImage* SharedIconImage(TIconHandle AHandle) {
  if (AHandle == 0) return nullptr;
  TSharedIcons& LShared = SharedIcons();
  for (const TSharedIcon& LIcon : LShared.FIcons)
    if (LIcon.Handle == AHandle) return LIcon.Image.get();
  return nullptr;
}

}  // namespace Vorlane
