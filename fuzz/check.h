#pragma once
// What a fuzz target holds true: a broken promise stops it, so the fuzzer keeps
// the input that broke it.
#include <cstdlib>

namespace ornivex::fuzz {

inline void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace ornivex::fuzz
