// Reference counting and interface lookup: lifetimes in the add-in depend on "destroyed when
// the last reference goes", and on Supports finding exactly the interfaces an object has.
#include <gtest/gtest.h>

#include "ide/ToolsAPI.h"

using namespace Vorlane;

namespace {

class TCounted : public TModuleNotifierObject {
 public:
  explicit TCounted(int* ADestroyed) : FDestroyed(ADestroyed) {}
  // Hands itself out once more while it goes, as a destructor that unregisters might.
  ~TCounted() override {
    TIntfPtr<IOTANotifier> LSelf(static_cast<IOTANotifier*>(this));
    ++*FDestroyed;
  }

 private:
  int* FDestroyed;
};

}  // namespace

TEST(Interfaces, LastReleaseDestroysExactlyOnce) {
  int LDestroyed = 0;
  auto* LObject = new TCounted(&LDestroyed);
  EXPECT_EQ(LObject->RefCount(), 0);
  {
    TIntfPtr<IOTAModuleNotifier> A(LObject);
    TIntfPtr<IOTANotifier> B = A;
    TIntfPtr<IOTANotifier> C = std::move(B);
    EXPECT_FALSE(B);
    EXPECT_EQ(LObject->RefCount(), 2);
    A = nullptr;
    EXPECT_EQ(LDestroyed, 0);
  }
  EXPECT_EQ(LDestroyed, 1);
}

TEST(Interfaces, SupportsFindsImplementedInterfacesOnly) {
  int LDestroyed = 0;
  TIntfPtr<IOTAModuleNotifier> LObject(new TCounted(&LDestroyed));
  struct TCase {
    const char* Name;
    bool Supported;
    bool Actual;
  } const LCases[] = {
      {"IInterface", true, Supports<IInterface>(LObject)},
      {"IOTANotifier", true, Supports<IOTANotifier>(LObject)},
      {"IOTAModuleNotifier", true, Supports<IOTAModuleNotifier>(LObject)},
      {"IOTAIDENotifier", false, Supports<IOTAIDENotifier>(LObject)},
      {"IOTAServices", false, Supports<IOTAServices>(LObject)},
      {"nil instance", false, Supports<IOTANotifier>(static_cast<IInterface*>(nullptr))},
  };
  for (const TCase& LCase : LCases) EXPECT_EQ(LCase.Actual, LCase.Supported) << LCase.Name;
  // Every successful lookup handed out a counted reference that has been given back.
  EXPECT_EQ(dynamic_cast<TInterfacedObject*>(LObject.Get())->RefCount(), 1);
  TIntfPtr<IOTANotifier> LBase;
  ASSERT_TRUE(Supports(LObject, LBase));
  EXPECT_EQ(static_cast<IOTANotifier*>(LObject.Get()), LBase.Get());
}

TEST(Interfaces, InterfaceListHoldsCountedReferences) {
  int LDestroyed = 0;
  TIntfPtr<IInterfaceList> LList(new TInterfaceList());
  LList->Add(new TCounted(&LDestroyed));
  EXPECT_EQ(LList->Count(), 1);
  EXPECT_TRUE(Supports<IOTAModuleNotifier>(LList->Get(0)));
  EXPECT_FALSE(LList->Get(1));
  LList->Clear();
  EXPECT_EQ(LDestroyed, 1);
}
