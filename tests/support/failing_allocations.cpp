#include "tests/support/failing_allocations.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>
#include <thread>

namespace ornivex::testing {
namespace {

std::atomic<std::size_t> gAtLeast{std::numeric_limits<std::size_t>::max()};
std::atomic<bool> gOtherThreadsOnly{false};
std::atomic<std::thread::id> gSpared{};
std::atomic<int> gFailed{0};

bool ShouldFail(std::size_t size) {
  if (size < gAtLeast.load(std::memory_order_relaxed)) return false;
  return !gOtherThreadsOnly.load() || std::this_thread::get_id() != gSpared.load();
}

}  // namespace

FailingAllocations::FailingAllocations(std::size_t atLeast, bool otherThreadsOnly) {
  gFailed = 0;
  gSpared = std::this_thread::get_id();
  gOtherThreadsOnly = otherThreadsOnly;
  gAtLeast = atLeast;
}

FailingAllocations::~FailingAllocations() { gAtLeast = std::numeric_limits<std::size_t>::max(); }

int FailingAllocations::Failed() const { return gFailed; }

}  // namespace ornivex::testing

// The replaceable allocation function; the library's array and nothrow forms
// call it, and its operator delete (free) matches the malloc below.
void* operator new(std::size_t size) {
  if (ornivex::testing::ShouldFail(size)) {
    ++ornivex::testing::gFailed;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
