// The extended form of paths on arbitrary input, spelt from the characters
// that matter to it and stretched past the length where the form is used. Then
//  - a path shorter than that length, or left alone, comes back unchanged;
//  - the form of a form is itself;
//  - a changed path is \\?\ and a drive, or \\?\UNC\ and a server and a share,
//    then segments with no "/", no empty segment, no "." or "..", none ending
//    in a single period.
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "runtime/path_form.h"

namespace {

using ornivex::fuzz::Check;

constexpr wchar_t kAlphabet[] = {L'a', L'.', L' ', L'\\', L'/', L':', L'?', L'C', L'x', L'\u00e9'};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ornivex;
  if (size < 1) return 0;
  std::wstring path;
  for (std::size_t i = 1; i < size; ++i) path += kAlphabet[data[i] % std::size(kAlphabet)];
  // Stretched: the first byte says how many times the last part repeats.
  const std::size_t repeat = data[0] % 64;
  const std::wstring tail = path.substr(path.size() / 2);
  for (std::size_t i = 0; i < repeat && !tail.empty(); ++i) path += tail;

  const std::wstring once = ExtendedLengthPath(path);
  if (path.size() < kExtendedPathFrom) Check(once == path);
  Check(ExtendedLengthPath(once) == once);
  if (once == path) return 0;
  std::wstring_view rest = once;
  Check(rest.starts_with(L"\\\\?\\"));
  rest.remove_prefix(4);
  if (rest.starts_with(L"UNC\\")) {
    // The server and the share, as given, then the segments.
    rest.remove_prefix(4);
    for (int name = 0; name < 2; ++name) {
      const std::size_t end = rest.find(L'\\');
      Check(end != 0);
      rest.remove_prefix(end == std::wstring_view::npos ? rest.size() : end + 1);
    }
  } else {
    Check(rest.size() >= 3 && rest[1] == L':' && rest[2] == L'\\');
    rest.remove_prefix(3);
  }
  Check(rest.find(L'/') == std::wstring_view::npos);
  std::size_t at = 0;
  while (at < rest.size()) {
    std::size_t end = rest.find(L'\\', at);
    if (end == std::wstring_view::npos) end = rest.size();
    const std::wstring_view segment = rest.substr(at, end - at);
    Check(!segment.empty() && segment != L"." && segment != L"..");
    Check(!(segment.size() >= 2 && segment.back() == L'.' && segment[segment.size() - 2] != L'.'));
    at = end + 1;
  }
  return 0;
}
