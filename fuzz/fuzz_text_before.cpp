// TextBefore against the reference, and the search it rests on: a hit is
// always at a character boundary and is the first one.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "fuzz/reference.h"
#include "http/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool ignoreCase = in.ConsumeBool();
  const long long start = in.ConsumeIntegralInRange<long long>(-2, 64);
  const std::string separator = in.ConsumeRandomLengthString(12);
  const std::string text = in.ConsumeRemainingBytesAsString();

  const std::string got = ornivex::TextBefore(text, separator, start, ignoreCase);
  if (got != ornivex::fuzz::RefTextBefore(text, separator, start, ignoreCase)) std::abort();

  const long long pos = ornivex::FindText(text, separator, start, ignoreCase);
  const std::size_t ref = ornivex::fuzz::RefFind(text, separator, ornivex::fuzz::RefStart(start), ignoreCase);
  if (pos != (ref == std::string_view::npos ? -1 : static_cast<long long>(ref) + 1)) std::abort();

  // Trimming removes only spaces, and only at the ends.
  const std::string_view trimmed = ornivex::TrimSpaces(text);
  if (ornivex::TrimSpaces(trimmed) != trimmed) std::abort();
  if (text.find(trimmed) == std::string::npos) std::abort();
  return 0;
}
