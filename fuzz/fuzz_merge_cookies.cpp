// MergeCookies: no repeated pair, no deletion marker, no empty or untrimmed
// pair, every pair taken from the input, and merging the result into nothing
// changes nothing.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <set>

#include "fuzz/reference.h"
#include "http/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string oldCookies = in.ConsumeRandomLengthString(size);
  const std::string newCookies = in.ConsumeRemainingBytesAsString();

  const std::string merged = ornivex::MergeCookies(oldCookies, newCookies);
  if (merged.empty()) return 0;
  std::set<std::string> seen;
  for (const std::string& pair : ornivex::fuzz::RefSplit(merged, "; ")) {
    if (pair.empty() || !seen.insert(pair).second) std::abort();
    if (pair.size() >= 8 && pair.compare(pair.size() - 8, 8, "=deleted") == 0) std::abort();
    if (ornivex::TrimSpaces(pair) != pair || pair.find(';') != std::string::npos) std::abort();
    if (oldCookies.find(pair) == std::string::npos && newCookies.find(pair) == std::string::npos) std::abort();
  }
  if (ornivex::MergeCookies("", merged) != merged) std::abort();
  if (ornivex::JoinDistinct(merged, "; ") != merged) std::abort();
  return 0;
}
