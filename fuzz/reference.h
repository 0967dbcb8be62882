#pragma once
// Slow, obviously-correct versions of the text routines for the fuzz targets to
// compare the real ones against. They share no code with http/.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ornivex::fuzz {

inline bool RefDoubleByteAt(std::string_view t, std::size_t i) {
  if (i + 1 >= t.size()) return false;
  const auto a = static_cast<unsigned char>(t[i]);
  const auto b = static_cast<unsigned char>(t[i + 1]);
  return a >= 0x81 && a <= 0xFE && b >= 0x40 && b <= 0xFE && b != 0x7F;
}

// Start offsets of the characters of t from `from` on.
inline std::vector<std::size_t> RefBoundaries(std::string_view t, std::size_t from) {
  std::vector<std::size_t> b;
  for (std::size_t i = from; i < t.size(); i += RefDoubleByteAt(t, i) ? 2 : 1) b.push_back(i);
  b.push_back(t.size());
  return b;
}

inline char RefLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool RefMatchAt(std::string_view t, std::size_t at, std::string_view n, bool ignoreCase) {
  if (at + n.size() > t.size()) return false;
  std::vector<bool> secondByte(n.size(), false);
  for (std::size_t k = 0; k < n.size(); k += RefDoubleByteAt(n, k) ? 2 : 1)
    if (RefDoubleByteAt(n, k)) secondByte[k + 1] = true;
  for (std::size_t k = 0; k < n.size(); ++k) {
    const bool foldable = ignoreCase && !secondByte[k] && !(k + 1 < n.size() && secondByte[k + 1]);
    if (foldable ? RefLower(t[at + k]) != RefLower(n[k]) : t[at + k] != n[k]) return false;
  }
  return true;
}

inline std::size_t RefFind(std::string_view t, std::string_view n, std::size_t from, bool ignoreCase) {
  if (from > t.size()) return std::string_view::npos;
  for (std::size_t b : RefBoundaries(t, from))
    if (RefMatchAt(t, b, n, ignoreCase)) return b;
  return std::string_view::npos;
}

inline std::string RefExpandQuotes(std::string_view s) {
  static const std::string kPlaceholder = "#\xD2\xFD\xBA\xC5";
  std::string out;
  std::size_t from = 0;
  for (;;) {
    const std::size_t hit = RefFind(s, kPlaceholder, from, false);
    if (hit == std::string_view::npos) break;
    out += std::string(s.substr(from, hit - from)) + '"';
    from = hit + kPlaceholder.size();
  }
  return out + std::string(s.substr(from));
}

inline std::size_t RefStart(long long start) { return start < 1 ? 0 : static_cast<std::size_t>(start - 1); }

inline std::string RefTextBefore(std::string_view t, std::string_view sep, long long start, bool ic) {
  const std::size_t hit = RefFind(t, sep, RefStart(start), ic);
  return hit == std::string_view::npos ? std::string() : std::string(t.substr(0, hit));
}

inline std::string RefTextBetween(std::string_view t, std::string_view left, std::string_view right, long long start,
                                  bool ic) {
  const std::string l = RefExpandQuotes(left), r = RefExpandQuotes(right);
  const std::size_t lp = RefFind(t, l, RefStart(start), ic);
  if (lp == std::string_view::npos) return {};
  const std::size_t rp = RefFind(t, r, lp + l.size(), ic);
  if (rp == std::string_view::npos) return {};
  return std::string(t.substr(lp + l.size(), rp - lp - l.size()));
}

inline std::vector<std::string> RefSplit(std::string_view t, std::string_view sep) {
  std::vector<std::string> pieces;
  std::size_t from = 0;
  for (;;) {
    const std::size_t hit = RefFind(t, sep, from, false);
    if (hit == std::string_view::npos) break;
    pieces.emplace_back(t.substr(from, hit - from));
    from = hit + sep.size();
  }
  pieces.emplace_back(t.substr(from));
  return pieces;
}

inline std::string RefJoinDistinct(std::string_view t, std::string_view sep) {
  if (t.empty() || sep.empty()) return std::string(t);
  std::vector<std::string> kept;
  for (const std::string& piece : RefSplit(t, sep)) {
    bool seen = false;
    for (const std::string& k : kept) seen = seen || k == piece;
    if (!seen) kept.push_back(piece);
  }
  std::string out;
  for (const std::string& k : kept) out += k + std::string(sep);
  return out.substr(0, out.size() - sep.size());
}

}  // namespace ornivex::fuzz
