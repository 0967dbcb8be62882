// The models' output shapes as the runtime might report them: a shape that is
// accepted always describes exactly the values there are, and decoding a line of
// an accepted recogniser output never reads outside it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <vector>

#include "fuzz/check.h"
#include "ocr/detection.h"
#include "ocr/recognition.h"

namespace {
using ornivex::fuzz::Check;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::vector<std::int64_t> shape(input.ConsumeIntegralInRange<std::size_t>(0, 5));
  for (auto& d : shape) d = input.ConsumeIntegral<std::int64_t>();
  const std::size_t values = input.ConsumeIntegralInRange<std::size_t>(0, 1 << 16);
  const std::size_t batch = input.ConsumeIntegralInRange<std::size_t>(0, 8);
  const ornivex::ocr::Size map{input.ConsumeIntegralInRange<int>(-2, 300), input.ConsumeIntegralInRange<int>(-2, 300)};

  if (ornivex::ocr::IsProbabilityMap(shape, values, map))
    Check(values == static_cast<std::size_t>(map.width) * map.height && shape.back() == map.width);

  const auto dictionary = ornivex::ocr::ParseDictionary("a\nb\nc");
  const std::size_t classes = dictionary->symbols.size();
  const auto steps = ornivex::ocr::RecognitionSteps(shape, values, batch, classes);
  if (!steps) return 0;
  Check(*steps * batch * classes == values);
  std::vector<float> output(values, 0.5f);
  for (std::size_t n = 0; n < batch; ++n) {
    const std::span<const float> line = std::span<const float>(output).subspan(n * *steps * classes, *steps * classes);
    Check(ornivex::ocr::DecodeCtc(line, *steps, classes, *dictionary).has_value());
  }
  return 0;
}
