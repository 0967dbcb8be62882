#include "http/encoding.h"

namespace ornivex {
namespace {

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

std::string UrlDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    // Copy the run up to the next '%' in one go.
    std::size_t pct = text.find('%', i);
    if (pct == std::string_view::npos) pct = text.size();
    out.append(text, i, pct - i);
    i = pct;
    if (i == text.size()) break;
    const int hi = i + 1 < text.size() ? HexValue(static_cast<unsigned char>(text[i + 1])) : -1;
    const int lo = i + 2 < text.size() ? HexValue(static_cast<unsigned char>(text[i + 2])) : -1;
    if (hi < 0 || lo < 0) {
      out.push_back('%');  // not an escape: keep it and carry on after it
      ++i;
      continue;
    }
    out.push_back(static_cast<char>(hi * 16 + lo));
    i += 3;
  }
  return out;
}

void AppendPercentEncoded(std::string& out, std::string_view bytes) {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::size_t escaped = 0;
  for (const char c : bytes) escaped += Unreserved(static_cast<unsigned char>(c)) ? 0 : 1;
  out.reserve(out.size() + bytes.size() + 2 * escaped);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (Unreserved(byte)) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
}

std::string PercentEncode(std::string_view bytes) {
  std::string out;
  AppendPercentEncoded(out, bytes);
  return out;
}

std::string EncodeBase64(std::span<const std::uint8_t> bytes) {
  const std::size_t n = bytes.size();
  std::string out((n + 2) / 3 * 4, '\0');
  char* o = out.data();
  const std::uint8_t* p = bytes.data();
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3, o += 4) {
    const std::uint32_t v = (std::uint32_t{p[i]} << 16) | (std::uint32_t{p[i + 1]} << 8) | p[i + 2];
    o[0] = kBase64Alphabet[v >> 18];
    o[1] = kBase64Alphabet[(v >> 12) & 63];
    o[2] = kBase64Alphabet[(v >> 6) & 63];
    o[3] = kBase64Alphabet[v & 63];
  }
  if (const std::size_t rest = n - i; rest > 0) {
    const std::uint32_t v = (std::uint32_t{p[i]} << 16) | (rest == 2 ? std::uint32_t{p[i + 1]} << 8 : 0);
    o[0] = kBase64Alphabet[v >> 18];
    o[1] = kBase64Alphabet[(v >> 12) & 63];
    o[2] = rest == 2 ? kBase64Alphabet[(v >> 6) & 63] : '=';
    o[3] = '=';
  }
  return out;
}

std::string EncodeBase64(std::string_view bytes) {
  return EncodeBase64(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace ornivex
