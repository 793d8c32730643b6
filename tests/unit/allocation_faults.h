// Allocation failure on demand, for tests that treat out-of-memory as a normal case: the n-th allocation from now
// throws std::bad_alloc.
#pragma once

#include <cstddef>
#include <new>

namespace tessel::testing {

// Arms the failure: the allocation after `n` more successful ones fails. -1 disarms.
void failAllocationAfter(long n);
// Whether an armed failure has fired since it was armed.
bool allocationFailed();

// Runs `attempt` with the k-th allocation failing, for k = 0, 1, 2, ... until one run completes without a failure;
// `check` is called after every run that failed. Returns the number of failing runs.
template <typename Attempt, typename Check>
int forEachAllocationFailure(Attempt attempt, Check check) {
  for (long k = 0;; ++k) {
    failAllocationAfter(k);
    bool threw = false;
    try {
      attempt();
    } catch (const std::bad_alloc&) {
      threw = true;
    }
    const bool fired = allocationFailed();
    failAllocationAfter(-1);
    if (!fired) return static_cast<int>(k);
    check(threw);
  }
}

}  // namespace tessel::testing
