// The interface core of the IDE layer: interface identifiers, the counted-reference base
// interface, the reference-counted object base, a small intrusive smart pointer and the
// Supports-style cast.
//
// Counting is intrusive and exact: an object starts with no reference, every TIntfPtr holds
// one, and the object is destroyed the moment the last one is released. "The IDE holds the
// only reference" therefore means the destructor runs inside the IDE's Release.
//
// Interfaces derive virtually from IInterface (and from each other), so an object that
// implements several of them carries one IInterface and one counter. Parameters that pass an
// interface take a raw pointer and do not count (the callee takes its own TIntfPtr when it
// keeps the object); results hand over a counted TIntfPtr.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/Types.h"

namespace Vorlane {

// An interface identifier. Values are this layer's own; only equality matters.
struct TGUID {
  std::uint32_t D1 = 0;
  std::uint16_t D2 = 0;
  std::uint16_t D3 = 0;
  std::uint64_t D4 = 0;

  friend constexpr bool operator==(const TGUID&, const TGUID&) = default;
  constexpr bool IsEmpty() const { return D1 == 0 && D2 == 0 && D3 == 0 && D4 == 0; }
};

// Root of the class tree (the design's root object class).
class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject();
};

class IInterface {
 public:
  static constexpr TGUID IID{0x00000000, 0, 0, 0xC000000000000046ULL};

  // Fills AObj with a counted pointer to the interface AIID of this object (already added
  // to the count) and returns true; false and a null AObj when the object lacks it.
  virtual bool QueryInterface(const TGUID& AIID, void** AObj) = 0;
  virtual Integer AddRef() = 0;
  virtual Integer Release() = 0;

 protected:
  virtual ~IInterface() = default;
};

// Intrusive counted pointer to an interface (or to a class implementing one).
template <class T>
class TIntfPtr {
 public:
  TIntfPtr() = default;
  TIntfPtr(std::nullptr_t) {}
  // Takes a counted reference to AObj.
  explicit TIntfPtr(T* AObj) : FPtr(AObj) {
    if (FPtr) FPtr->AddRef();
  }
  TIntfPtr(const TIntfPtr& A) : TIntfPtr(A.FPtr) {}
  TIntfPtr(TIntfPtr&& A) noexcept : FPtr(std::exchange(A.FPtr, nullptr)) {}
  template <class U>
  TIntfPtr(const TIntfPtr<U>& A) : TIntfPtr(static_cast<T*>(A.Get())) {}
  ~TIntfPtr() { Clear(); }

  TIntfPtr& operator=(const TIntfPtr& A) {
    TIntfPtr(A).Swap(*this);
    return *this;
  }
  TIntfPtr& operator=(TIntfPtr&& A) noexcept {
    TIntfPtr(std::move(A)).Swap(*this);
    return *this;
  }
  TIntfPtr& operator=(std::nullptr_t) {
    Clear();
    return *this;
  }

  T* Get() const { return FPtr; }
  T* operator->() const { return FPtr; }
  T& operator*() const { return *FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }

  // Releases the reference held (the object goes when it was the last one).
  void Clear() {
    if (T* P = std::exchange(FPtr, nullptr)) P->Release();
  }
  // Adopts a reference that was already counted (as QueryInterface hands one out).
  void Attach(T* AObj) {
    Clear();
    FPtr = AObj;
  }
  // Gives up the reference without releasing it.
  T* Detach() { return std::exchange(FPtr, nullptr); }
  // Clears the pointer and returns its slot, for QueryInterface-style out parameters.
  void** Out() {
    Clear();
    return reinterpret_cast<void**>(&FPtr);
  }
  void Swap(TIntfPtr& A) noexcept { std::swap(FPtr, A.FPtr); }

  friend bool operator==(const TIntfPtr& A, std::nullptr_t) { return A.FPtr == nullptr; }

 private:
  T* FPtr = nullptr;
};

// The same object, whichever of its interfaces the two pointers hold.
template <class T, class U>
bool operator==(const TIntfPtr<T>& A, const TIntfPtr<U>& B) {
  return static_cast<const IInterface*>(A.Get()) == static_cast<const IInterface*>(B.Get());
}

// Interface lookup table: how an object's IInterface is turned into one of its interfaces.
// Every interface with an identifier registers once; the ToolsAPI interfaces and the
// interfaces of this layer are registered by the layer itself.
using TInterfaceCaster = void* (*)(IInterface* AObj);
void RegisterInterface(const TGUID& AIID, TInterfaceCaster ACaster);
TInterfaceCaster FindInterfaceCaster(const TGUID& AIID);

template <class I>
void* CastToInterface(IInterface* AObj) {
  I* LIntf = dynamic_cast<I*>(AObj);
  return LIntf ? static_cast<void*>(LIntf) : nullptr;
}
template <class I>
void RegisterInterface() {
  RegisterInterface(I::IID, &CastToInterface<I>);
}

// The usual base of an implementation: counts its references and answers QueryInterface for
// every registered interface it implements. A constructor must not hand out a counted
// reference to the object it is building: the count would return to 0 and destroy it.
class TInterfacedObject : public TObject, public virtual IInterface {
 public:
  TInterfacedObject() = default;
  ~TInterfacedObject() override;

  bool QueryInterface(const TGUID& AIID, void** AObj) override;
  Integer AddRef() override;
  Integer Release() override;
  Integer RefCount() const { return FRefCount; }

 private:
  Integer FRefCount = 0;
};

// An object whose interfaces are not counted: AddRef and Release do nothing, and its
// owner frees it (the design's interfaced persistent class).
class TInterfacedPersistent : public TObject, public virtual IInterface {
 public:
  bool QueryInterface(const TGUID& AIID, void** AObj) override;
  Integer AddRef() override { return -1; }
  Integer Release() override { return -1; }
};

// The Supports cast: true and a counted AIntf when AInstance (which may be null) offers I.
template <class I>
bool Supports(IInterface* AInstance, TIntfPtr<I>& AIntf) {
  AIntf = nullptr;
  return AInstance != nullptr && AInstance->QueryInterface(I::IID, AIntf.Out());
}
template <class I, class U>
bool Supports(const TIntfPtr<U>& AInstance, TIntfPtr<I>& AIntf) {
  return Supports<I>(static_cast<IInterface*>(AInstance.Get()), AIntf);
}
template <class I>
bool Supports(IInterface* AInstance) {
  TIntfPtr<I> LIntf;
  return Supports<I>(AInstance, LIntf);
}
template <class I, class U>
bool Supports(const TIntfPtr<U>& AInstance) {
  return Supports<I>(static_cast<IInterface*>(AInstance.Get()));
}
// The interface I of AInstance, or nil.
template <class I, class U>
TIntfPtr<I> InterfaceCast(const TIntfPtr<U>& AInstance) {
  TIntfPtr<I> LIntf;
  Supports<I>(AInstance, LIntf);
  return LIntf;
}

// A list of counted interface references.
class IInterfaceList : public virtual IInterface {
 public:
  static constexpr TGUID IID{0x7A1C0001, 0x3E51, 0x4B20, 0x9D3F00C1A2B30001ULL};

  virtual Integer Count() = 0;
  virtual TIntfPtr<IInterface> Get(Integer AIndex) = 0;  // nil out of range
  virtual Integer Add(IInterface* AItem) = 0;
  virtual void Clear() = 0;
};

class TInterfaceList : public TInterfacedObject, public virtual IInterfaceList {
 public:
  Integer Count() override { return static_cast<Integer>(FItems.size()); }
  TIntfPtr<IInterface> Get(Integer AIndex) override;
  Integer Add(IInterface* AItem) override;
  void Clear() override { FItems.clear(); }

 private:
  std::vector<TIntfPtr<IInterface>> FItems;
};

}  // namespace Vorlane
