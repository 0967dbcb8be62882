// The recogniser's dictionary file and the decoding over it: whatever the file
// holds, a parsed dictionary has the blank first and the space last, every symbol
// is a line of the file, and CTC decoding of made-up output only yields text made
// of those symbols.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "ocr/recognition.h"

namespace {
using ornivex::fuzz::Check;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::size_t steps = input.ConsumeIntegralInRange<std::size_t>(0, 16);
  const std::string text = input.ConsumeRemainingBytesAsString();
  const auto dictionary = ornivex::ocr::ParseDictionary(text);
  if (!dictionary) return 0;
  const auto& symbols = dictionary->symbols;
  Check(symbols.size() >= 3 && symbols.front().empty() && symbols.back() == " ");
  for (std::size_t i = 1; i + 1 < symbols.size(); ++i) {
    Check(!symbols[i].empty() && text.find(symbols[i]) != std::string::npos);
    Check(symbols[i].find('\n') == std::string::npos && symbols[i].find('\r') == std::string::npos);
  }
  // Each step's most probable class comes from the text's bytes.
  const std::size_t classes = symbols.size();
  if (classes > 4096) return 0;
  std::vector<float> output(steps * classes, 0.0f);
  for (std::size_t t = 0; t < steps; ++t)
    output[t * classes + static_cast<unsigned char>(text[t % text.size()]) % classes] = 1.0f;
  const auto line = ornivex::ocr::DecodeCtc(output, steps, classes, *dictionary);
  Check(line.has_value() && line->text.size() <= steps * 32);
  Check(!ornivex::ocr::DecodeCtc(output, steps + 1, classes, *dictionary));
  return 0;
}
