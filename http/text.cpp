#include "http/text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>

namespace ornivex {
namespace {

constexpr unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

bool IsFullWidthSpace(std::string_view t, std::size_t at) {
  return at + 1 < t.size() && static_cast<unsigned char>(t[at]) == 0xA1 && static_cast<unsigned char>(t[at + 1]) == 0xA1;
}

// Case-blind comparison of needle with text at `at`, letters folded only where
// the needle holds a single-byte character; the two bytes of a double-byte
// character always compare exactly.
bool MatchesFolded(std::string_view text, std::size_t at, std::string_view needle) {
  for (std::size_t k = 0; k < needle.size();) {
    const auto n = static_cast<unsigned char>(needle[k]);
    const auto t = static_cast<unsigned char>(text[at + k]);
    const std::size_t len = GbkCharLength(needle, k);
    if (len == 2) {
      if (t != n || text[at + k + 1] != needle[k + 1]) return false;
    } else if (Fold(t) != Fold(n)) {
      return false;
    }
    k += len;
  }
  return true;
}

// Splits at every ';', trims each piece and drops empty ones. ';' can never be
// the second byte of a double-byte character, so a byte search is exact here.
std::vector<std::string_view> SplitCookiePairs(std::string_view text, std::size_t room = 0) {
  std::vector<std::string_view> pairs;
  pairs.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), ';')) + 1 + room);
  std::size_t from = 0;
  while (from <= text.size()) {
    std::size_t semi = text.find(';', from);
    if (semi == std::string_view::npos) semi = text.size();
    const std::string_view pair = TrimSpaces(text.substr(from, semi - from));
    if (!pair.empty()) pairs.push_back(pair);
    from = semi + 1;
  }
  return pairs;
}

// A set of views into text that outlives it: open addressing over one flat
// array of 16-byte slots, so large cookie texts cost one probe per item rather
// than a heap node.
class ViewSet {
 public:
  explicit ViewSet(std::size_t expected) {
    std::size_t capacity = 16;
    while (capacity < expected * 2) capacity *= 2;
    slots_.resize(capacity);
  }
  // True when `key` was not in the set yet. (A key of 4 GiB or more is never
  // taken for a repeat.)
  bool Insert(std::string_view key) {
    if (key.size() > UINT32_MAX) return true;
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    const auto hash = static_cast<std::uint32_t>(std::hash<std::string_view>{}(key));
    const auto size = static_cast<std::uint32_t>(key.size());
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (!slot.data) {
        slot = {key.data() ? key.data() : "", size, hash};
        ++count_;
        return true;
      }
      if (slot.hash == hash && slot.size == size && std::memcmp(slot.data, key.data(), size) == 0) return false;
    }
  }

 private:
  struct Slot {
    const char* data = nullptr;  // null: free
    std::uint32_t size = 0;
    std::uint32_t hash = 0;
  };
  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
      if (!slot.data) continue;
      std::size_t i = slot.hash & mask;
      while (slots_[i].data) i = (i + 1) & mask;
      slots_[i] = slot;
    }
  }
  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

constexpr std::string_view kDeletedMark = "=deleted";

bool IsDeletionMarker(std::string_view pair) {
  return pair.size() >= kDeletedMark.size() && pair.substr(pair.size() - kDeletedMark.size()) == kDeletedMark;
}

// Moves the character boundary `at` forward until it reaches or passes
// `target`. Eight bytes without the high bit are eight one-byte characters, so
// ASCII runs are crossed a word at a time.
std::size_t WalkTo(std::string_view text, std::size_t at, std::size_t target) {
  while (at < target) {
    if (target - at >= 8) {
      std::uint64_t word;
      std::memcpy(&word, text.data() + at, 8);
      if ((word & 0x8080808080808080ull) == 0) {
        at += 8;
        continue;
      }
    }
    at += GbkCharLength(text, at);
  }
  return at;
}

std::size_t StartOffset(long long start) { return start < 1 ? 0 : static_cast<std::size_t>(start - 1); }

}  // namespace

std::size_t GbkCharLength(std::string_view text, std::size_t at) {
  if (at + 1 < text.size() && IsGbkLeadByte(static_cast<unsigned char>(text[at])) &&
      IsGbkTrailByte(static_cast<unsigned char>(text[at + 1])))
    return 2;
  return 1;
}

std::size_t FindGbk(std::string_view text, std::string_view needle, std::size_t from, bool ignoreCase) {
  if (from > text.size()) return std::string_view::npos;
  if (needle.empty()) return from;
  if (needle.size() > text.size() - from) return std::string_view::npos;
  const std::size_t last = text.size() - needle.size();  // last offset a match can start at
  std::size_t boundary = from;                            // always the start of a character
  if (!ignoreCase) {
    // Let the library's byte search run ahead, then check that the hit starts a
    // character; both cursors only move forward, so this stays linear.
    std::size_t hit = text.find(needle, from);
    while (hit != std::string_view::npos) {
      boundary = WalkTo(text, boundary, hit);
      if (boundary == hit) return hit;
      hit = text.find(needle, boundary);
    }
    return std::string_view::npos;
  }
  const unsigned char first = Fold(static_cast<unsigned char>(needle[0]));
  while (boundary <= last) {
    if (Fold(static_cast<unsigned char>(text[boundary])) == first && MatchesFolded(text, boundary, needle))
      return boundary;
    boundary += GbkCharLength(text, boundary);
  }
  return std::string_view::npos;
}

std::string_view TrimSpaces(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    if (text[begin] == ' ') {
      ++begin;
    } else if (IsFullWidthSpace(text, begin)) {
      begin += 2;
    } else {
      break;
    }
  }
  // Walk forward so that an A1 A1 pair is only taken for a space when it really
  // starts at a character boundary (a trail byte A1 may precede it).
  std::size_t end = begin;
  for (std::size_t at = begin; at < text.size();) {
    if (text[at] == ' ') {
      ++at;
    } else if (IsFullWidthSpace(text, at)) {
      at += 2;
    } else {
      at += GbkCharLength(text, at);
      end = at;
    }
  }
  return text.substr(begin, end - begin);
}

std::string ExpandQuotePlaceholder(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  for (;;) {
    const std::size_t hit = FindGbk(text, kQuotePlaceholder, from);
    if (hit == std::string_view::npos) break;
    out.append(text, from, hit - from);
    out.push_back('"');
    from = hit + kQuotePlaceholder.size();
  }
  out.append(text, from);
  return out;
}

long long FindText(std::string_view text, std::string_view needle, long long start, bool ignoreCase) {
  const std::size_t hit = FindGbk(text, needle, StartOffset(start), ignoreCase);
  return hit == std::string_view::npos ? -1 : static_cast<long long>(hit) + 1;
}

std::string TextBefore(std::string_view text, std::string_view separator, long long start, bool ignoreCase) {
  const std::size_t hit = FindGbk(text, separator, StartOffset(start), ignoreCase);
  if (hit == std::string_view::npos) return {};
  return std::string(text.substr(0, hit));
}

std::string TextBetween(std::string_view text, std::string_view left, std::string_view right, long long start,
                        bool ignoreCase) {
  const std::string leftMarker = ExpandQuotePlaceholder(left);
  const std::string rightMarker = ExpandQuotePlaceholder(right);
  const std::size_t l = FindGbk(text, leftMarker, StartOffset(start), ignoreCase);
  if (l == std::string_view::npos) return {};
  const std::size_t q = l + leftMarker.size();
  const std::size_t r = FindGbk(text, rightMarker, q, ignoreCase);
  if (r == std::string_view::npos) return {};
  return std::string(text.substr(q, r - q));
}

std::string_view CookieName(std::string_view pair) {
  const std::size_t eq = FindGbk(pair, "=");
  return TrimSpaces(eq == std::string_view::npos ? pair : pair.substr(0, eq));
}

bool HasCookieName(std::span<const std::string> pairs, std::string_view name) {
  for (const std::string& pair : pairs)
    if (CookieName(pair) == name) return true;
  return false;
}

long long IndexOfText(std::span<const std::string> list, std::string_view text) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i] == text) return static_cast<long long>(i) + 1;
  return -1;
}

std::string JoinDistinct(std::string_view text, std::string_view separator) {
  if (text.empty() || separator.empty()) return std::string(text);
  ViewSet seen(16);
  std::string out;
  out.reserve(text.size());
  bool first = true;
  std::size_t from = 0;
  for (;;) {
    std::size_t hit = FindGbk(text, separator, from);
    const bool lastPiece = hit == std::string_view::npos;
    if (lastPiece) hit = text.size();
    const std::string_view piece = text.substr(from, hit - from);
    if (seen.Insert(piece)) {
      if (!first) out.append(separator);
      out.append(piece);
      first = false;
    }
    if (lastPiece) break;
    from = hit + separator.size();
  }
  return out;
}

std::string MergeCookies(std::string_view oldCookies, std::string_view newCookies) {
  const std::vector<std::string_view> oldPairs = SplitCookiePairs(TrimSpaces(oldCookies));
  std::vector<std::string_view> pairs = SplitCookiePairs(TrimSpaces(newCookies), oldPairs.size());
  const std::size_t newCount = pairs.size();
  ViewSet names(newCount + oldPairs.size());
  // Identical pairs can only come from the new text (an old pair never shares
  // a name with an earlier pair), and only when a name repeats there.
  bool repeatedName = false;
  for (std::size_t i = 0; i < newCount; ++i) repeatedName |= !names.Insert(CookieName(pairs[i]));
  // An old pair survives only when no pair before it (new, or an old one that
  // survived) carries its name.
  for (std::string_view pair : oldPairs)
    if (names.Insert(CookieName(pair))) pairs.push_back(pair);

  ViewSet written(16);
  std::string out;
  out.reserve(newCookies.size() + oldCookies.size());
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    const std::string_view pair = pairs[i];
    if (IsDeletionMarker(pair)) continue;
    if (repeatedName && i < newCount && !written.Insert(pair)) continue;
    if (!out.empty()) out += "; ";
    out.append(pair);
  }
  return out;
}

std::size_t ExtractAllBetween(std::string_view text, std::string_view left, std::string_view right,
                              std::vector<std::string>& out, const ExtractOptions& options) {
  out.clear();
  const bool ignoreCase = !options.caseSensitive;
  std::size_t pos = StartOffset(options.start);
  while (pos <= text.size()) {
    const std::size_t l = FindGbk(text, left, pos, ignoreCase);
    if (l == std::string_view::npos) break;
    const std::size_t afterLeft = l + left.size();
    const std::size_t r = FindGbk(text, right, afterLeft, ignoreCase);
    if (r == std::string_view::npos) break;
    const std::string_view content = TrimSpaces(text.substr(afterLeft, r - afterLeft));
    std::size_t next;
    if (!options.prefix.empty() || !content.empty() || !options.suffix.empty()) {
      std::string item;
      item.reserve(left.size() + options.prefix.size() + content.size() + options.suffix.size() + right.size());
      if (options.includeLeft) item.append(left);
      item.append(options.prefix).append(content).append(options.suffix);
      if (options.includeRight) item.append(right);
      if (options.maxLength == 0 || item.size() < options.maxLength) out.push_back(std::move(item));
      next = r;
    } else {
      next = afterLeft;
    }
    // Empty markers would otherwise find the same place again forever.
    if (next <= pos) {
      if (pos >= text.size()) break;
      next = pos + GbkCharLength(text, pos);
    }
    pos = next;
  }
  return out.size();
}

}  // namespace ornivex
