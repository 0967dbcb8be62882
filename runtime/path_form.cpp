#include "runtime/path_form.h"

#include <vector>

namespace ornivex {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// The segments of `rest`, resolved and trimmed as the system normalises them.
std::wstring NormalisedSegments(std::wstring_view rest) {
  std::vector<std::wstring_view> segments;
  std::size_t at = 0;
  while (at < rest.size()) {
    while (at < rest.size() && IsSeparator(rest[at])) ++at;
    std::size_t end = at;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    std::wstring_view segment = rest.substr(at, end - at);
    at = end;
    if (segment.empty() || segment == L".") continue;
    if (segment == L"..") {
      if (!segments.empty()) segments.pop_back();
      continue;
    }
    // "name." is "name"; "..." and longer runs of periods are names.
    if (segment.size() >= 2 && segment.back() == L'.' && segment[segment.size() - 2] != L'.')
      segment.remove_suffix(1);
    segments.push_back(segment);
  }
  const bool trailingSeparator = !rest.empty() && IsSeparator(rest.back());
  if (!trailingSeparator && !segments.empty()) {
    std::wstring_view& last = segments.back();
    while (!last.empty() && (last.back() == L'.' || last.back() == L' ')) last.remove_suffix(1);
    if (last.empty()) segments.pop_back();
  }
  std::wstring out;
  for (std::size_t i = 0; i < segments.size(); ++i) {
    if (i > 0) out += L'\\';
    out += segments[i];
  }
  if (trailingSeparator && !segments.empty()) out += L'\\';
  return out;
}

}  // namespace

std::wstring ExtendedLengthPath(std::wstring_view path) {
  if (path.size() < kExtendedPathFrom) return std::wstring(path);
  const bool twoSeparators = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
  // \\?\ and \\.\ (in either slash), and the system's own \??\.
  if (twoSeparators && path.size() >= 4 && (path[2] == L'?' || path[2] == L'.') && IsSeparator(path[3]))
    return std::wstring(path);
  if (path.substr(0, 4) == L"\\??\\") return std::wstring(path);

  if (IsDriveLetter(path[0]) && path[1] == L':' && IsSeparator(path[2])) {
    std::wstring out = L"\\\\?\\";
    out += path.substr(0, 2);
    out += L'\\';
    return out + NormalisedSegments(path.substr(3));
  }
  if (twoSeparators) {
    // \\server\share\...: ".." stops at the share. The two names are taken as
    // they stand; a third separator where a name belongs is no whole path.
    std::size_t at = 2;
    std::wstring root;
    for (int part = 0; part < 2; ++part) {
      if (part > 0) ++at;  // the one separator between the server and the share
      const std::size_t start = at;
      while (at < path.size() && !IsSeparator(path[at])) ++at;
      if (at == start) return std::wstring(path);  // no server or no share
      if (part > 0) root += L'\\';
      root += path.substr(start, at - start);
    }
    const std::wstring rest = NormalisedSegments(path.substr(at));
    return L"\\\\?\\UNC\\" + root + (rest.empty() ? L"" : L"\\" + rest);
  }
  return std::wstring(path);  // relative, or rooted on the current drive
}

}  // namespace ornivex
