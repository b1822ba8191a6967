#include "xml/XmlPool.h"

#include <atomic>
#include <cstdlib>
#include <cstdint>
#include <mutex>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define VORLANE_XML_POOL 0
#elif defined(_WIN32)
// MinGW's thread-local destructors cannot be trusted with the pool's filling chunks (a tree
// freed on another thread crashed under wine); Windows builds take every node from the heap.
#define VORLANE_XML_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORLANE_XML_POOL 0
#endif
#endif
#ifndef VORLANE_XML_POOL
#define VORLANE_XML_POOL 1
#endif

namespace Vorlane::XmlPool {

#if VORLANE_XML_POOL

namespace {

constexpr std::size_t cChunkSize = 64 * 1024;  // also the chunks' alignment
constexpr std::size_t cHeaderSize = 64;

// While a thread fills a chunk, Live holds cFilling less the objects given back so far: the
// objects handed out are counted by the filling thread alone, without an atomic operation,
// and added when it moves on to another chunk. From then on Live is the number of objects
// alive. cFilling exceeds any number of slots, so Live cannot reach 0 before.
constexpr std::uint32_t cFilling = 1u << 30;

struct TChunk {
  std::atomic<std::uint32_t> Live{cFilling};
};
static_assert(sizeof(TChunk) <= cHeaderSize);

TChunk* ChunkOf(void* ASlot) {
  return reinterpret_cast<TChunk*>(reinterpret_cast<std::uintptr_t>(ASlot) & ~(cChunkSize - 1));
}

// Emptied chunks kept for the next document, up to cSpareLimit of them (4 MiB). A chunk comes
// from the system as a mapping of its own (the heap maps any request of twice its size, which
// its alignment needs) and goes back as one: a run over many small projects otherwise maps,
// faults in and unmaps every chunk of every document. Taken and given back once per 64 KiB of
// objects, so a lock costs nothing; every member is trivially destructible, so a document freed
// during the program's exit still finds it.
constexpr std::size_t cSpareLimit = 64;
std::mutex gSpareLock;
void* gSpare[cSpareLimit];
std::size_t gSpareCount = 0;

void* NewChunkMemory() {
  {
    const std::lock_guard<std::mutex> Lock(gSpareLock);
    if (gSpareCount > 0) return gSpare[--gSpareCount];
  }
  return ::operator new(cChunkSize, std::align_val_t{cChunkSize});
}

// Takes ACount off the chunk's count and keeps it, or returns it to the heap, when that leaves
// none.
void Drop(TChunk* AChunk, std::uint32_t ACount) {
  if (AChunk->Live.fetch_sub(ACount, std::memory_order_acq_rel) != ACount) return;
  AChunk->~TChunk();
  {
    const std::lock_guard<std::mutex> Lock(gSpareLock);
    if (gSpareCount < cSpareLimit) {
      gSpare[gSpareCount++] = AChunk;
      return;
    }
  }
  ::operator delete(static_cast<void*>(AChunk), std::align_val_t{cChunkSize});
}

// The chunks a thread is filling, one per object size.
class TFilling {
 public:
  ~TFilling() {
    for (TSlotClass& C : FClasses)
      if (C.Chunk != nullptr) Retire(C);
  }

  void* Take(std::size_t ASize) {
    TSlotClass* Class = nullptr;
    for (TSlotClass& C : FClasses) {
      if (C.Size == ASize || C.Size == 0) {
        Class = &C;
        break;
      }
    }
    // The model has three pooled object sizes; a fourth would be a change that needs a slot
    // class more here.
    if (Class == nullptr) std::abort();
    Class->Size = ASize;
    if (Class->Chunk == nullptr || Class->Next + ASize > Class->End) {
      void* Memory = NewChunkMemory();
      TChunk* Fresh = new (Memory) TChunk();
      if (Class->Chunk != nullptr) Retire(*Class);
      Class->Chunk = Fresh;
      Class->Next = static_cast<char*>(Memory) + cHeaderSize;
      Class->End = static_cast<char*>(Memory) + cChunkSize;
    }
    void* Slot = Class->Next;
    Class->Next += ASize;
    ++Class->HandedOut;
    return Slot;
  }

 private:
  struct TSlotClass {
    std::size_t Size = 0;
    TChunk* Chunk = nullptr;
    char* Next = nullptr;
    char* End = nullptr;
    std::uint32_t HandedOut = 0;
  };

  // The thread is done with the chunk: its objects handed out now count in Live.
  static void Retire(TSlotClass& AClass) {
    Drop(AClass.Chunk, cFilling - AClass.HandedOut);
    AClass.Chunk = nullptr;
    AClass.HandedOut = 0;
  }

  TSlotClass FClasses[4];
};

thread_local TFilling Filling;

}  // namespace

void* Allocate(std::size_t ASize) { return Filling.Take(ASize); }

void Release(void* ASlot, std::size_t) {
  if (ASlot != nullptr) Drop(ChunkOf(ASlot), 1);
}

#else

void* Allocate(std::size_t ASize) { return ::operator new(ASize); }

void Release(void* ASlot, std::size_t) { ::operator delete(ASlot); }

#endif

}  // namespace Vorlane::XmlPool
