#include <gtest/gtest.h>

#include <memory>

#include "addin/ImagesDM.h"
#include "addin/ProjectManagerMenu.h"
#include "addin/Tools.h"
#include "common/TestSupport.h"
#include "platform/Console.h"
#include "platform/IconResource.h"
#include "platform/ElfFixture.h"

using namespace Vorlane;

#ifndef _WIN32
// The version text names major, minor and release of the product version; a module without
// version information is "V1.0.0".
TEST(ToolsTest, AppVersion) {
  TestSupport::TScratchFolder Dir;
  struct Case {
    const char* Name;
    std::string Block;
    const char16_t* Version;
  };
  const Case Cases[] = {
      {"v44.so", ElfFixture::Words({0xFEEF04BD, 0x00010000, 0x00090009, 0, 0x00010000, 0x002C0000}, false), u"V1.0.44"},
      {"v2.so", ElfFixture::Words({0xFEEF04BD, 0x00010000, 0, 0, 0x00020003, 0x00040005}, false), u"V2.3.4"},
      {"fileonly.so", ElfFixture::Words({0xFEEF04BD, 0x00010000, 0x00020003, 0x00040005}, false), u"V1.0.0"},
      {"none.so", "", u"V1.0.0"},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    TestSupport::WriteBytes(Dir / C.Name, ElfFixture::MakeElfWithSection(true, false, C.Block.empty() ? "" : ".vorlane_version", C.Block));
    EXPECT_EQ(AppVersionOf(UTF8ToUnicode((Dir / C.Name).string())), C.Version);
  }
  EXPECT_EQ(AppVersionOf(UTF8ToUnicode((Dir / "missing.so").string())), u"V1.0.0");
  // The tests' own program carries no version information.
  EXPECT_EQ(OwnModuleFileName(), GetModuleFileName());
  EXPECT_EQ(TTools::AppVersion(), u"V1.0.0");
  EXPECT_EQ(TTools::GetTitle(), u"Vorlane V1.0.0");
  EXPECT_EQ(TTools::GetDescription().rfind(u"Automates some tasks with projects.\r\n\r\n", 0), 0u);
}
#endif

// The add-in's icon at the sizes it is drawn in, at a size in between (scaled), and at its
// largest when the target has no size; an unknown resource leaves the target empty.
TEST(ToolsTest, IconSizes) {
  struct Case {
    Integer Request;
    Integer Size;
  };
  for (Case C : {Case{16, 16}, Case{24, 24}, Case{32, 32}, Case{48, 48}, Case{20, 20}, Case{0, 48}}) {
    SCOPED_TRACE(C.Request);
    TIcon Icon;
    Icon.SetSize(C.Request, C.Request);
    TTools::LoadFromIconResource(Icon, u"Vorlane");
    ASSERT_FALSE(Icon.Empty());
    EXPECT_EQ(Icon.Width(), C.Size);
    EXPECT_EQ(Icon.Height(), C.Size);
    const TIconImage* Image = SharedIconImage(Icon.Handle());
    ASSERT_NE(Image, nullptr);
    ASSERT_EQ(Image->Pixels.size(), static_cast<size_t>(C.Size * C.Size));
    // A rounded tile: clear in the corner, opaque in the middle.
    EXPECT_EQ(Image->Pixels.front() >> 24, 0u);
    EXPECT_EQ(Image->Pixels[C.Size * (C.Size / 2) + C.Size / 4] >> 24, 0xFFu);
    if (C.Request > 0) {
      std::unique_ptr<TBitmap> Bitmap(TTools::CreateFromIconResource(u"Vorlane", C.Request));
      EXPECT_FALSE(Bitmap->Empty());
      EXPECT_EQ(Bitmap->Width(), C.Size);
      EXPECT_EQ(Bitmap->Height(), C.Size);
    }
  }
  TIcon Icon;
  Icon.SetSize(16, 16);
  TTools::LoadFromIconResource(Icon, u"NoSuchIcon");
  EXPECT_TRUE(Icon.Empty());
  std::unique_ptr<TBitmap> Bitmap(TTools::CreateFromIconResource(u"NoSuchIcon", 24));
  EXPECT_TRUE(Bitmap->Empty());
}

// The image module stays out of the application's data modules and makes its list once.
TEST(ToolsTest, ImageModule) {
  const Integer LModules = Screen().DataModuleCount();
  {
    TdmImages Images(nullptr);
    EXPECT_EQ(Screen().DataModuleCount(), LModules);
    EXPECT_EQ(Images.Name(), u"dmImages");
    TCustomImageList* List = Images.MainImageList();
    EXPECT_EQ(List, Images.GetMainImageList());
    EXPECT_EQ(List->Owner(), &Images);
    EXPECT_EQ(List->Count(), 1);
    EXPECT_EQ(Images.IndexByName(u"Vorlane"), 0);
  }
  TdmImages Second(nullptr, 0);
  EXPECT_EQ(Screen().DataModuleCount(), LModules);
}

// A Project Manager entry hands the selection to its handler and lets the IDE go on.
TEST(ToolsTest, ProjectManagerMenu) {
  auto* Entry = new TProjectManagerMenu();
  TIntfPtr<IOTAProjectManagerMenu> Menu(Entry);
  TIntfPtr<IInterfaceList> List(new TInterfaceList());
  Menu->Execute(List.Get());  // no handler: nothing happens
  IInterfaceList* Seen = nullptr;
  Entry->SetOnExecute([&](IInterfaceList* AList) { Seen = AList; });
  EXPECT_TRUE(Menu->PreExecute(List.Get()));
  Menu->Execute(List.Get());
  EXPECT_TRUE(Menu->PostExecute(List.Get()));
  EXPECT_EQ(Seen, List.Get());
  EXPECT_TRUE(Supports<IOTALocalMenu>(Menu));
}
