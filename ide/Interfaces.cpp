#include "ide/Interfaces.h"

#include <climits>

namespace Vorlane {

// The ToolsAPI and forms-library interfaces, registered the first time any interface is
// looked up (ide/ToolsAPI.cpp).
void RegisterLayerInterfaces();

namespace {

struct TRegistryEntry {
  TGUID IID;
  TInterfaceCaster Caster;
};

std::vector<TRegistryEntry>& Registry() {
  static std::vector<TRegistryEntry> LRegistry;
  return LRegistry;
}

void EnsureLayerInterfaces() {
  static const bool LDone = (RegisterLayerInterfaces(), true);
  (void)LDone;
}

bool QueryRegistered(IInterface* AObj, const TGUID& AIID, void** AObj2) {
  *AObj2 = nullptr;
  void* LResult = nullptr;
  if (AIID == IInterface::IID) {
    LResult = AObj;
  } else if (TInterfaceCaster LCaster = FindInterfaceCaster(AIID)) {
    LResult = LCaster(AObj);
  }
  if (LResult == nullptr) return false;
  AObj->AddRef();
  *AObj2 = LResult;
  return true;
}

}  // namespace

TObject::~TObject() = default;

void RegisterInterface(const TGUID& AIID, TInterfaceCaster ACaster) {
  for (TRegistryEntry& LEntry : Registry())
    if (LEntry.IID == AIID) {
      LEntry.Caster = ACaster;
      return;
    }
  Registry().push_back({AIID, ACaster});
}

TInterfaceCaster FindInterfaceCaster(const TGUID& AIID) {
  EnsureLayerInterfaces();
  if (AIID.IsEmpty()) return nullptr;
  for (const TRegistryEntry& LEntry : Registry())
    if (LEntry.IID == AIID) return LEntry.Caster;
  return nullptr;
}

TInterfacedObject::~TInterfacedObject() = default;

bool TInterfacedObject::QueryInterface(const TGUID& AIID, void** AObj) {
  return QueryRegistered(this, AIID, AObj);
}

Integer TInterfacedObject::AddRef() { return ++FRefCount; }

Integer TInterfacedObject::Release() {
  const Integer LCount = --FRefCount;
  if (LCount == 0) {
    // A destructor that hands the object out once more (a temporary reference taken and
    // dropped) must not bring the count back to 0 and destroy it a second time.
    FRefCount = INT_MIN / 2;
    delete this;
  }
  return LCount;
}

bool TInterfacedPersistent::QueryInterface(const TGUID& AIID, void** AObj) {
  return QueryRegistered(this, AIID, AObj);
}

TIntfPtr<IInterface> TInterfaceList::Get(Integer AIndex) {
  if (AIndex < 0 || AIndex >= Count()) return nullptr;
  return FItems[static_cast<size_t>(AIndex)];
}

Integer TInterfaceList::Add(IInterface* AItem) {
  FItems.emplace_back(AItem);
  return Count() - 1;
}

}  // namespace Vorlane
