#include <gtest/gtest.h>

#include <exception>
#include <functional>

#include "PlatformTestSupport.h"
#include "platform/Console.h"
#include "platform/ElfFixture.h"
#include "platform/IconResource.h"
#include "platform/ModuleInfo.h"
#include "platform/VersionInfo.h"

using namespace Vorlane;
using PlatformTest::TScratch;

#ifndef _WIN32
namespace {

void LocalFunction() {}

struct TTestImage {
  int Size;
  std::vector<std::uint32_t> Pixels;  // 0xAARRGGBB
};
struct TTestIcon {
  std::string Name;
  std::vector<TTestImage> Images;
};

// An icon block as the build writes it.
std::string IconBlock(const std::vector<TTestIcon>& AIcons) {
  using ElfFixture::Put;
  size_t LDirectory = 8;
  for (const TTestIcon& I : AIcons) LDirectory += 2 + I.Name.size() + 8 * I.Images.size();
  std::string B = "VLIC";
  Put(B, 4, 1, 2, false);
  Put(B, 6, AIcons.size(), 2, false);
  std::string LPixels;
  for (const TTestIcon& I : AIcons) {
    B += static_cast<char>(I.Name.size());
    B += I.Name;
    B += static_cast<char>(I.Images.size());
    for (const TTestImage& M : I.Images) {
      Put(B, B.size(), M.Size, 2, false);
      Put(B, B.size(), M.Size, 2, false);
      Put(B, B.size(), LDirectory + LPixels.size(), 4, false);
      for (std::uint32_t P : M.Pixels) LPixels += {char(P >> 16), char(P >> 8), char(P), char(P >> 24)};
    }
  }
  return B + LPixels;
}

TTestImage Filled(int ASize, std::uint32_t APixel) { return {ASize, std::vector<std::uint32_t>(ASize * ASize, APixel)}; }

}  // namespace

TEST(ModuleInfoTest, AddressesNameTheirModule) {
  EXPECT_EQ(GetModuleFileNameOf(reinterpret_cast<const void*>(&LocalFunction)), GetModuleFileName());
  // A shared library is named by its full path, not the program's.
  const UnicodeString LLibrary = GetModuleFileNameOf(reinterpret_cast<const void*>(&std::terminate));
  ASSERT_FALSE(LLibrary.empty());
  EXPECT_EQ(LLibrary[0], u'/');
  EXPECT_NE(LLibrary.find(u"libstdc++"), UnicodeString::npos);
  EXPECT_EQ(GetModuleFileNameOf(nullptr), u"");
}

TEST(ModuleInfoTest, ProductVersionComesFromItsOwnWords) {
  TScratch Dir;
  struct Case {
    const char* Name;
    bool BigEndian;
    std::string Block;
    bool Product;  // the product version can be read
  };
  const Case Cases[] = {
      {"full.bin", false, ElfFixture::Words({0xFEEF04BD, 0x00010000, 0x00020003, 0x00040005, 0x0001002C, 0x00300000}, false), true},
      {"big.bin", true, ElfFixture::Words({0xFEEF04BD, 0x00010000, 0x00020003, 0x00040005, 0x0001002C, 0x00300000}, true), true},
      {"fileonly.bin", false, ElfFixture::Words({0xFEEF04BD, 0x00010000, 0x00020003, 0x00040005}, false), false},
      {"badsig.bin", false, ElfFixture::Words({0x12345678, 0x00010000, 1, 2, 3, 4}, false), false},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    Dir.Touch(C.Name, ElfFixture::MakeElfWithSection(!C.BigEndian, C.BigEndian, ".vorlane_version", C.Block));
    Cardinal MS = 7, LS = 9;
    EXPECT_EQ(GetProductVersionInfo(Dir.U(C.Name), MS, LS), C.Product);
    EXPECT_EQ(MS, C.Product ? 0x0001002Cu : 7u);
    EXPECT_EQ(LS, C.Product ? 0x00300000u : 9u);
    // The file version stands where it always stood.
    if (C.Block.size() >= 16 && C.Name != std::string("badsig.bin")) {
      ASSERT_TRUE(GetFileVersionInfo(Dir.U(C.Name), MS, LS));
      EXPECT_EQ(MS, 0x00020003u);
      EXPECT_EQ(LS, 0x00040005u);
    }
  }
}

TEST(IconResourceTest, MalformedBlocksLoadNothing) {
  TScratch Dir;
  const std::string LValid = IconBlock({{"Vorlane", {Filled(2, 0xFF102030)}}});
  const std::function<std::string()> Cases[] = {
      [&] { return std::string("VLIX") + LValid.substr(4); },                  // signature
      [&] { return LValid.substr(0, 4) + '\x02' + LValid.substr(5); },         // version
      [&] { return LValid.substr(0, 12); },                                    // directory cut short
      [&] { return LValid.substr(0, LValid.size() - 1); },                     // pixels cut short
      [&] { std::string B = LValid; B[6] = '\x05'; return B; },                // more icons than listed
      [&] { std::string B = LValid; B[17] = B[18] = '\0'; return B; },         // width 0
      [&] { std::string B = LValid; B[17] = '\x01'; B[18] = '\x01'; return B; },  // width 257
      [&] { std::string B = LValid; B[21] = B[22] = B[23] = B[24] = '\xff'; return B; },  // offset far out
      [&] { return IconBlock({{"Other", {Filled(2, 0xFF102030)}}}); },         // no such icon
      [&] { return IconBlock({{"Vorlane", {}}}); },                             // no images
  };
  int N = 0;
  for (const auto& Make : Cases) {
    SCOPED_TRACE(N);
    const std::string Name = "bad" + std::to_string(N++) + ".so";
    Dir.Touch(Name, ElfFixture::MakeElfWithSection(true, false, ".vorlane_icons", Make()));
    TIconImage Image;
    Image.Width = 99;
    EXPECT_FALSE(LoadIconImage(Dir.U(Name), u"Vorlane", 2, 2, Image));
    EXPECT_EQ(Image.Width, 99);
  }
  // The valid block, a file without the section and a missing file.
  Dir.Touch("good.so", ElfFixture::MakeElfWithSection(true, false, ".vorlane_icons", LValid));
  Dir.Touch("none.so", ElfFixture::MakeElfWithSection(true, false, ".vorlane_version", LValid));
  TIconImage Image;
  EXPECT_TRUE(LoadIconImage(Dir.U("good.so"), u"vorlane", 2, 2, Image));
  EXPECT_FALSE(LoadIconImage(Dir.U("none.so"), u"Vorlane", 2, 2, Image));
  EXPECT_FALSE(LoadIconImage(Dir.U("missing.so"), u"Vorlane", 2, 2, Image));
}

TEST(IconResourceTest, ImageChoiceAndScaling) {
  TScratch Dir;
  // A 2-pixel image and a 4-pixel one whose left half is opaque red and right half clear.
  TTestImage LHalf = Filled(4, 0);
  for (int Y = 0; Y < 4; ++Y) LHalf.Pixels[Y * 4] = LHalf.Pixels[Y * 4 + 1] = 0xFFFF0000;
  Dir.Touch("m.so", ElfFixture::MakeElfWithSection(true, false, ".vorlane_icons",
                                                   IconBlock({{"Small", {Filled(1, 0xFF000000)}},
                                                              {"Tile", {Filled(2, 0x800000FF), LHalf}},
                                                              {"Half", {LHalf}}})));
  struct Case {
    const char16_t* Name;
    int Request;
    int Size;
    std::vector<std::uint32_t> Pixels;  // expected, row by row
  };
  const Case Cases[] = {
      {u"TILE", 2, 2, std::vector<std::uint32_t>(4, 0x800000FF)},  // its own size
      {u"Tile", 0, 4, LHalf.Pixels},                                // the largest as it is
      {u"Tile", 4, 4, LHalf.Pixels},
      {u"Tile", 1, 1, {0x800000FF}},  // the smallest larger image, scaled
      // Clear pixels lend no colour when scaled: they only thin it out.
      {u"Half", 1, 1, {0x80FF0000}},
      {u"Half", 2, 2, {0xFFFF0000, 0, 0xFFFF0000, 0}},
      {u"Tile", 8, 8, {}},  // scaled up from the largest
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(std::to_string(C.Request) + UnicodeToUTF8(C.Name));
    TIconImage Image;
    ASSERT_TRUE(LoadIconImage(Dir.U("m.so"), C.Name, C.Request, C.Request, Image));
    EXPECT_EQ(Image.Width, C.Size);
    EXPECT_EQ(Image.Height, C.Size);
    ASSERT_EQ(Image.Pixels.size(), static_cast<size_t>(C.Size * C.Size));
    if (!C.Pixels.empty()) {
      EXPECT_EQ(Image.Pixels, C.Pixels);
    }
  }
  TIconImage Image;
  ASSERT_TRUE(LoadIconImage(Dir.U("m.so"), u"Tile", 8, 8, Image));
  EXPECT_EQ(Image.Pixels[0], 0xFFFF0000u);
  EXPECT_EQ(Image.Pixels[7], 0u);
  // Sizes the system cannot have.
  for (int Bad : {-1, 257}) EXPECT_FALSE(LoadIconImage(Dir.U("m.so"), u"Tile", Bad, Bad, Image));
  EXPECT_FALSE(LoadIconImage(Dir.U("m.so"), u"Tile", 0, 4, Image));

  // Shared handles: one per file, name and size, naming their image.
  Integer W = 2, H = 2;
  const TIconHandle LHandle = LoadSharedIcon(Dir.U("m.so"), u"Tile", W, H);
  ASSERT_NE(LHandle, 0u);
  Integer W2 = 2, H2 = 2;
  EXPECT_EQ(LoadSharedIcon(Dir.U("m.so"), u"tile", W2, H2), LHandle);
  W = H = 0;
  const TIconHandle LLargest = LoadSharedIcon(Dir.U("m.so"), u"Tile", W, H);
  EXPECT_NE(LLargest, LHandle);
  EXPECT_EQ(W, 4);
  ASSERT_NE(SharedIconImage(LLargest), nullptr);
  EXPECT_EQ(SharedIconImage(LLargest)->Pixels, LHalf.Pixels);
  EXPECT_EQ(SharedIconImage(0), nullptr);
  EXPECT_EQ(LoadSharedIcon(Dir.U("m.so"), u"Missing", W, H), 0u);
}
#endif
