#pragma once
// Text routines on GBK (code page 936) text: searching that steps over
// double-byte characters as units, trimming, cutting values out between markers,
// and cookie-text merging. No Windows header: these build and run everywhere.
//
// Positions are 1-based byte positions; a search that finds nothing gives -1.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ornivex {

// "#引号": in marker and pattern arguments it stands for one double quote.
inline constexpr std::string_view kQuotePlaceholder = "#\xD2\xFD\xBA\xC5"; /* #引号 */

// --- The shared GBK primitives every routine below is built on. ---

// True for a byte that opens a double-byte character (0x81..0xFE).
constexpr bool IsGbkLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
// True for a byte that may close a double-byte character (0x40..0xFE except 0x7F).
constexpr bool IsGbkTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

// Length in bytes (1 or 2) of the character starting at text[at]. A lead byte
// without a valid trail byte after it (including a lead byte at the very end)
// counts as a one-byte character, so no walk ever runs past the end.
std::size_t GbkCharLength(std::string_view text, std::size_t at);

// Finds `needle` in `text` at a character boundary at or after the 0-based byte
// offset `from` (which is taken to be a boundary). ASCII letters compare without
// case when `ignoreCase` is set; double-byte characters always compare exactly.
// Returns the 0-based offset, or std::string_view::npos. An empty needle is
// found at `from` when `from` <= text.size().
std::size_t FindGbk(std::string_view text, std::string_view needle, std::size_t from = 0,
                    bool ignoreCase = false);

// Removes leading and trailing ASCII spaces and full-width spaces (A1 A1). The
// result views into `text`.
std::string_view TrimSpaces(std::string_view text);

// Replaces every "#引号" by a double quote.
std::string ExpandQuotePlaceholder(std::string_view text);

// --- Routines. ---

// 1-based position of `needle` in `text` searched from the 1-based `start`
// (values below 1 count as 1), or -1.
long long FindText(std::string_view text, std::string_view needle, long long start = 1, bool ignoreCase = false);

// The text before the first `separator` found from `start`; empty when absent.
std::string TextBefore(std::string_view text, std::string_view separator, long long start = 1,
                       bool ignoreCase = false);

// The text between the first `left` marker found from `start` (0 or 1: the
// beginning) and the first `right` marker after it; empty when either is
// missing. "#引号" in either marker stands for a double quote.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right, long long start = 0,
                        bool ignoreCase = false);

// The name of one cookie pair: the text before its first "=", or the whole
// pair, trimmed. The result views into `pair`.
std::string_view CookieName(std::string_view pair);

// True when some pair in `pairs` has exactly the name `name` (case matters).
bool HasCookieName(std::span<const std::string> pairs, std::string_view name);

// 1-based index of the first item equal to `text`, or -1.
long long IndexOfText(std::span<const std::string> list, std::string_view text);

// `text` split at every `separator`, repeated pieces removed (first kept), joined
// again with `separator`.
std::string JoinDistinct(std::string_view text, std::string_view separator);

// Merges the cookies a request sent (`oldCookies`) with those its response set
// (`newCookies`): new pairs first, then old pairs whose name the new ones lack;
// pairs ending in "=deleted" are dropped, repeated pairs removed. "a=1; b=2".
std::string MergeCookies(std::string_view oldCookies, std::string_view newCookies);

struct ExtractOptions {
  bool caseSensitive = false;
  std::size_t maxLength = 0;  // above 0: keep only texts shorter than this
  std::string prefix{};       // put before each text
  std::string suffix{};       // put after each text
  bool includeLeft = false;   // keep the left marker in front of each text
  bool includeRight = false;  // keep the right marker after each text
  long long start = 1;        // 1-based byte position where the search begins
};

// Collects every trimmed text between `left` and the next `right` marker into
// `out` (emptied first) and returns how many there are. Empty texts are skipped.
//   ExtractAllBetween(reply, "{\"words\": \"", "\"}", lines, {.caseSensitive = false});
std::size_t ExtractAllBetween(std::string_view text, std::string_view left, std::string_view right,
                              std::vector<std::string>& out, const ExtractOptions& options = {});

}  // namespace ornivex
