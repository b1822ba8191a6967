// Small fixed-size objects of the document model (nodes, their attribute lists, their child
// lists) come from chunks of 64 KiB instead of one heap block each: a node costs its own bytes
// and no heap header, taking one is a pointer step, and giving one back only counts down the
// chunk's live objects. A chunk is freed once none of its objects is alive, so a freed
// document goes back in whole chunks, not as millions of small blocks the heap would have to
// merge one by one. Chunks are cut from regions the pool maps itself, on huge pages for large
// trees; freed chunks are kept for the next documents up to the process's spare memory limit
// (SpareMemoryLimit), so that a run over many projects does not ask the system for fresh
// memory for each.
//
// Objects are taken from the chunk their thread is filling and may be given back from any
// thread. Slots are not reused: a chunk lives as long as its longest-lived object, which suits
// trees that are loaded and freed as a whole.
#pragma once

#include <cstddef>
#include <new>

namespace Vorlane::XmlPool {

// A slot of ASize bytes, for one of the model's pooled object sizes (a node, an attribute list,
// a child list); the heap's own operator new when the pool is not used (sanitizer builds,
// which must see every object on its own).
void* Allocate(std::size_t ASize);
// Gives back a slot that Allocate returned for the same size.
void Release(void* ASlot, std::size_t ASize);

// The class-specific operator new and delete of a pooled class T: objects of exactly T come
// from the pool, those of a derived class of another size from the heap.
template <class T>
void* AllocateFor(std::size_t ASize) {
  return ASize == sizeof(T) ? Allocate(ASize) : ::operator new(ASize);
}
template <class T>
void ReleaseFor(void* AObject, std::size_t ASize) {
  if (ASize == sizeof(T))
    Release(AObject, ASize);
  else
    ::operator delete(AObject);
}

}  // namespace Vorlane::XmlPool
