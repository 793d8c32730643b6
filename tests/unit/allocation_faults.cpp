#include "tests/unit/allocation_faults.h"

#include <cstdlib>
#include <new>

namespace {

long countdown = -1;
bool fired = false;

void* allocate(std::size_t size) {
  if (countdown == 0) {
    countdown = -1;
    fired = true;
    throw std::bad_alloc();
  }
  if (countdown > 0) --countdown;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void release(void* p) noexcept { std::free(p); }

}  // namespace

namespace tessel::testing {

void failAllocationAfter(long n) {
  countdown = n;
  fired = false;
}

bool allocationFailed() { return fired; }

}  // namespace tessel::testing

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
