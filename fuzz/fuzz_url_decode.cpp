// UrlDecode: never longer than its input, equal to a plain reference decoder,
// and the inverse of escaping every byte.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "http/encoding.h"

namespace {

int Hex(char c) {
  const std::string digits = "0123456789ABCDEF";
  const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  const std::size_t at = digits.find(upper);
  return at == std::string::npos || c == '\0' ? -1 : static_cast<int>(at);
}

std::string Reference(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && Hex(s[i + 1]) >= 0 && Hex(s[i + 2]) >= 0) {
      out += static_cast<char>(Hex(s[i + 1]) * 16 + Hex(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string decoded = ornivex::UrlDecode(text);
  if (decoded.size() > text.size()) std::abort();
  if (decoded != Reference(text)) std::abort();

  static const char kDigits[] = "0123456789abcdef";
  std::string escaped;
  for (unsigned char c : text) {
    escaped += '%';
    escaped += kDigits[c >> 4];
    escaped += kDigits[c & 15];
  }
  if (ornivex::UrlDecode(escaped) != text) std::abort();
  return 0;
}
