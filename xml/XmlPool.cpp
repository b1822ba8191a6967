#include "xml/XmlPool.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstdint>
#include <functional>
#include <mutex>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/Classes.h"
#include "platform/ThreadSlot.h"

#if defined(__SANITIZE_ADDRESS__)
#define VORLANE_XML_POOL 0
#elif defined(_WIN32)
// Windows builds take every node from the heap: the pool crashed under wine once a tree was
// freed on another thread, back when MinGW's thread-local destructors retired the filling
// chunks, and has not been tried there since.
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

// Where chunks come from. They are cut from regions of address space taken from the system.
// Emptied chunks are kept for the next ones the pool needs, up to the process's spare memory
// limit (SpareMemoryLimit: 4 MiB in the add-in, 64 MiB in the console program), so that a run
// over many projects does not map and fault in fresh memory for each. Once more are kept, all
// but the half of the limit at the lowest addresses go back to the system. Giving back
// flushes the address translations of every processor the process ran on, which a virtual
// machine pays dearly for: the chunks go back in runs of adjacent chunks, one call each,
// instead of one call per chunk (a freed 20 MB project took 580 calls and a fifth of its
// load + save time).
// A pool that holds more than cLargeFrom bytes of live chunks (a large project) takes regions
// of cLargeRegion, which the system backs with huge pages where it can: filling them costs
// one page fault per 2 MiB instead of one per 4 KiB, which was most of the load time of a
// 200 MB project on a virtual machine whose faults are dear. A small document stays on small
// pages, which a huge page would outweigh. Taken and given back once per 64 KiB of objects,
// so one lock costs nothing. All of it is trivially destructible: a document freed during the
// program's exit, after the pool was given back (ReleaseEverything), still finds it.
constexpr std::size_t cSpareMost = 1024;  // chunks (64 MiB), whatever the limit
constexpr std::size_t cSmallRegion = 1u << 20;
constexpr std::size_t cLargeRegion = 8u << 20;
constexpr std::size_t cLargeFrom = 16u << 20;

std::mutex gChunkLock;
char* gSpare[cSpareMost + 1];
std::size_t gSpareCount = 0;
char* gRegionNext = nullptr;  // the unused, chunk-aligned rest of the last region
char* gRegionEnd = nullptr;
std::size_t gLiveChunks = 0;
// The first chunk of every region mapped so far, sorted: a run given back in one call stays
// within one region, as the system expects of a part of a block, even where two regions lie
// next to each other. Addresses the system hands out again are listed once. Made with the
// first region.
std::vector<char*>* gRegionStarts = nullptr;
std::vector<char*>& RegionStarts() {
  if (gRegionStarts == nullptr) gRegionStarts = new std::vector<char*>();
  return *gRegionStarts;
}

std::uintptr_t ChunkAligned(std::uintptr_t AAddress) { return (AAddress + cChunkSize - 1) & ~(cChunkSize - 1); }

void* NewChunkMemory() {
  const std::lock_guard<std::mutex> Lock(gChunkLock);
  if (gSpareCount > 0) {
    ++gLiveChunks;
    return gSpare[--gSpareCount];
  }
  if (gRegionNext == gRegionEnd) {
    // Room in the list of region starts first, so that a region once mapped is always listed;
    // nothing changes until both succeed.
    std::vector<char*>& Starts = RegionStarts();
    if (Starts.size() == Starts.capacity()) Starts.reserve(std::max<std::size_t>(16, 2 * Starts.size()));
    const std::size_t Size = (gLiveChunks + 1) * cChunkSize > cLargeFrom ? cLargeRegion : cSmallRegion;
    char* Region = static_cast<char*>(AllocateSystemMemory(Size));
    if (Region == nullptr) throw std::bad_alloc();
    // The region's ragged ends, short of a chunk, go back at once.
    const std::uintptr_t Start = reinterpret_cast<std::uintptr_t>(Region);
    char* First = reinterpret_cast<char*>(ChunkAligned(Start));
    char* End = reinterpret_cast<char*>((Start + Size) & ~(cChunkSize - 1));
    const auto At = std::lower_bound(Starts.begin(), Starts.end(), First);
    if (At == Starts.end() || *At != First) Starts.insert(At, First);
    if (First != Region) ReleaseSystemMemory(Region, static_cast<std::size_t>(First - Region));
    if (End != Region + Size) ReleaseSystemMemory(End, static_cast<std::size_t>(Region + Size - End));
    gRegionNext = First;
    gRegionEnd = End;
  }
  ++gLiveChunks;
  void* Chunk = gRegionNext;
  gRegionNext += cChunkSize;
  return Chunk;
}

// Gives back the chunks from AChunks on, sorted by address: each run of adjacent chunks
// within one region in one call.
void ReleaseChunks(char* const* AChunks, std::size_t ACount) {
  const std::vector<char*>& Starts = RegionStarts();
  for (std::size_t I = 0; I < ACount;) {
    std::size_t J = I + 1;
    while (J < ACount && AChunks[J] == AChunks[J - 1] + cChunkSize &&
           !std::binary_search(Starts.begin(), Starts.end(), AChunks[J]))
      ++J;
    ReleaseSystemMemory(AChunks[I], (J - I) * cChunkSize);
    I = J;
  }
}

// Takes ACount off the chunk's count and keeps the chunk, when that leaves none.
void Drop(TChunk* AChunk, std::uint32_t ACount) {
  if (AChunk->Live.fetch_sub(ACount, std::memory_order_acq_rel) != ACount) return;
  AChunk->~TChunk();
  const std::size_t Keep = std::min(SpareMemoryLimit() / cChunkSize, cSpareMost);
  const std::lock_guard<std::mutex> Lock(gChunkLock);
  --gLiveChunks;
  gSpare[gSpareCount++] = reinterpret_cast<char*>(AChunk);
  if (gSpareCount <= Keep) return;
  // Rare (once per half a limit of chunks), and the other threads wait for chunks only while
  // this one gives back memory that none of them could have used.
  std::sort(gSpare, gSpare + gSpareCount, std::less<char*>());
  const std::size_t Kept = Keep / 2;
  ReleaseChunks(gSpare + Kept, gSpareCount - Kept);
  gSpareCount = Kept;
}

// The chunks a thread is filling, one per object size. No destructor of its own, and no
// dynamic initialization: a thread_local object with either is checked for its setup on every
// access and, worse, has its destructor registered with the C++ runtime, which makes the
// system's loader keep the plug-in loaded until that thread ends, for the main thread never.
// Instead a thread is listed with its first chunk; a thread slot tells when it ends, and the
// pool's end (ReleaseEverything) retires the chunks of the threads still listed.
class TFilling {
 public:
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
      if (!FListed) List();
    }
    void* Slot = Class->Next;
    Class->Next += ASize;
    ++Class->HandedOut;
    return Slot;
  }

  // When a thread ends, and for the threads still listed when the pool ends: the thread's
  // chunks are retired and it leaves the list. Nothing for a thread no longer listed.
  static void Unlist(TFilling* AFilling);
  // Every listed thread unlisted; the thread slot is given back.
  static void UnlistAll();

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

  void List();
  void UnlistLocked();
  static void VORLANE_THREAD_EXIT_CALL ThreadEnded(void* AFilling) { Unlist(static_cast<TFilling*>(AFilling)); }

  TSlotClass FClasses[4];
  bool FListed = false;
  TFilling* FPrior = nullptr;
  TFilling* FNext = nullptr;

  // The threads listed, and the slot that tells when one ends (made with the first), under a
  // lock taken once per thread and never while the chunk lock is held.
  static std::mutex FListLock;
  static TFilling* FFirst;
  static bool FHaveSlot;
  static TThreadSlot FSlot;
};

std::mutex TFilling::FListLock;
TFilling* TFilling::FFirst = nullptr;
bool TFilling::FHaveSlot = false;
TThreadSlot TFilling::FSlot = 0;

static_assert(std::is_trivially_destructible_v<TFilling>);
constinit thread_local TFilling Filling;

void TFilling::List() {
  const std::lock_guard<std::mutex> Lock(FListLock);
  // Without a slot (the system has none left) the thread's chunks are retired only when the
  // pool ends.
  if (!FHaveSlot) FHaveSlot = CreateThreadSlot(&ThreadEnded, FSlot);
  if (FHaveSlot) SetThreadSlotValue(FSlot, this);
  FListed = true;
  FPrior = nullptr;
  FNext = FFirst;
  if (FFirst != nullptr) FFirst->FPrior = this;
  FFirst = this;
}

void TFilling::UnlistLocked() {
  for (TSlotClass& C : FClasses)
    if (C.Chunk != nullptr) Retire(C);
  (FPrior != nullptr ? FPrior->FNext : FFirst) = FNext;
  if (FNext != nullptr) FNext->FPrior = FPrior;
  FListed = false;
  FPrior = FNext = nullptr;
}

void TFilling::Unlist(TFilling* AFilling) {
  const std::lock_guard<std::mutex> Lock(FListLock);
  if (AFilling->FListed) AFilling->UnlistLocked();
}

void TFilling::UnlistAll() {
  bool LHadSlot = false;
  {
    const std::lock_guard<std::mutex> Lock(FListLock);
    while (FFirst != nullptr) FFirst->UnlistLocked();
    LHadSlot = std::exchange(FHaveSlot, false);
  }
  // Outside the lock: the system may call ThreadEnded from here (see FreeThreadSlot).
  if (LHadSlot) FreeThreadSlot(FSlot);
}

// Gives back every chunk the pool holds that no object lives in, and the unused rest of the
// last region. Run when the pool's code goes: at the unload of the plug-in that holds it,
// whose memory would otherwise stay mapped with nothing left to use or free it, and at the
// program's exit. No other thread may build nodes then. A document freed later still finds
// the pool, and a node built later starts it again.
void ReleaseEverything() {
  TFilling::UnlistAll();
  const std::lock_guard<std::mutex> Lock(gChunkLock);
  if (gSpareCount > 0) {
    std::sort(gSpare, gSpare + gSpareCount, std::less<char*>());
    ReleaseChunks(gSpare, gSpareCount);
    gSpareCount = 0;
  }
  if (gRegionNext != gRegionEnd) ReleaseSystemMemory(gRegionNext, static_cast<std::size_t>(gRegionEnd - gRegionNext));
  gRegionNext = gRegionEnd = nullptr;
  // Chunks with objects alive (a document the program has not freed yet) keep the regions'
  // list for their giving back.
  if (gLiveChunks == 0) {
    delete gRegionStarts;
    gRegionStarts = nullptr;
  }
}

struct TPoolEnd {
  ~TPoolEnd() { ReleaseEverything(); }
} gPoolEnd;

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
