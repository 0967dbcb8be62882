#pragma once
// Allocation failures on demand, for tests of what the program does when memory
// runs out. A test program that compiles failing_allocations.cpp gets an
// operator new that throws std::bad_alloc while a FailingAllocations lives.
#include <cstddef>

namespace ornivex::testing {

class FailingAllocations {
 public:
  // Every allocation of at least `atLeast` bytes fails, on any thread, or with
  // `otherThreadsOnly` on every thread but the one that makes this object.
  explicit FailingAllocations(std::size_t atLeast, bool otherThreadsOnly = false);
  ~FailingAllocations();
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;

  // How many allocations have failed so far.
  int Failed() const;
};

}  // namespace ornivex::testing
