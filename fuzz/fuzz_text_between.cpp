// TextBetween (and ExtractAllBetween over the same markers) against the
// reference; ExtractAllBetween must end and only return trimmed values found
// between the markers.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "fuzz/reference.h"
#include "http/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool ignoreCase = in.ConsumeBool();
  const long long start = in.ConsumeIntegralInRange<long long>(-2, 64);
  const std::string left = in.ConsumeRandomLengthString(16);
  const std::string right = in.ConsumeRandomLengthString(16);
  const std::string text = in.ConsumeRemainingBytesAsString();

  const std::string got = ornivex::TextBetween(text, left, right, start, ignoreCase);
  if (got != ornivex::fuzz::RefTextBetween(text, left, right, start, ignoreCase)) std::abort();
  if (!got.empty() && text.find(got) == std::string::npos) std::abort();

  std::vector<std::string> items;
  const std::size_t n = ornivex::ExtractAllBetween(text, left, right, items,
                                                   {.caseSensitive = !ignoreCase, .start = start});
  if (n != items.size() || n > text.size() + 1) std::abort();
  for (const std::string& item : items) {
    if (item.empty() || ornivex::TrimSpaces(item) != item || text.find(item) == std::string::npos) std::abort();
  }
  return 0;
}
