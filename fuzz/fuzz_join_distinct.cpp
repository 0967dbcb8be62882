// JoinDistinct against the reference (quadratic, plain search).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "fuzz/reference.h"
#include "http/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string separator = in.ConsumeRandomLengthString(6);
  const std::string text = in.ConsumeRemainingBytesAsString();
  const std::string got = ornivex::JoinDistinct(text, separator);
  if (got.size() > text.size()) std::abort();
  if (got != ornivex::fuzz::RefJoinDistinct(text, separator)) std::abort();
  return 0;
}
