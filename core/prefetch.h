// Loading a record into the cache ahead of its use.
#pragma once

namespace nw {

// Starts loading the cache line at p, for a read or write a little later. GCC counts a
// prefetch as no effect at all, so a function that does nothing else is taken for one without
// effects and calls to it are dropped (the frame path's look-ahead silently vanished that way).
// The empty volatile statement is an effect the compiler must keep; it emits no instruction.
inline void cache_preload(const void* p) {
  __builtin_prefetch(p, 1);
  asm volatile("" : : "r"(p));
}

}  // namespace nw
