#pragma once

// Counts every allocation of the benchmark program, so a benchmark can report allocations per
// operation. Include in exactly one source file of a benchmark program: it replaces the global
// operator new and delete.

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace kv::bench {

inline std::atomic<uint64_t> allocations{0};

}  // namespace kv::bench

// GCC sees through the replacement and takes the free() below for a mismatch with new.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
  kv::bench::allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
