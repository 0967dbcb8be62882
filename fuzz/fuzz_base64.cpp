// EncodeBase64: 4 * ceil(n / 3) characters of the alphabet, padding only at the
// end, and a reference decoder gets the bytes back.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "http/encoding.h"

namespace {

int Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Strict RFC 4648 decoding; aborts on anything malformed.
std::vector<std::uint8_t> Decode(const std::string& s) {
  if (s.size() % 4 != 0) std::abort();
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < s.size(); i += 4) {
    const bool last = i + 4 == s.size();
    int pads = 0;
    std::uint32_t v = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = s[i + k];
      if (c == '=') {
        if (!last || k < 2) std::abort();
        ++pads;
        v <<= 6;
        continue;
      }
      if (pads > 0) std::abort();  // data after padding
      const int d = Value(c);
      if (d < 0) std::abort();
      v = (v << 6) | static_cast<std::uint32_t>(d);
    }
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    if (pads < 2) out.push_back(static_cast<std::uint8_t>(v >> 8));
    if (pads < 1) out.push_back(static_cast<std::uint8_t>(v));
    // Bits that padding hides must be zero (canonical encoding).
    if ((pads == 1 && (v & 0xFF) != 0) || (pads == 2 && (v & 0xFFFF) != 0)) std::abort();
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string encoded = ornivex::EncodeBase64(std::span<const std::uint8_t>(data, size));
  if (encoded.size() != (size + 2) / 3 * 4) std::abort();
  if (Decode(encoded) != std::vector<std::uint8_t>(data, data + size)) std::abort();
  const std::string asText = ornivex::EncodeBase64(std::string_view(reinterpret_cast<const char*>(data), size));
  if (asText != encoded) std::abort();
  return 0;
}
