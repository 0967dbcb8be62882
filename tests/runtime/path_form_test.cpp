// When a path is handed to the file functions in its extended-length form, and
// what that form is: it names the file the path as written names.
#include <gtest/gtest.h>

#include <string>

#include "runtime/path_form.h"

namespace ornivex {
namespace {

// A folder name that brings any path past the length where the form is used.
const std::wstring kLong(kExtendedPathFrom, L'n');

TEST(ExtendedLengthPath, OnlyLongWholePathsChange) {
  // Folders' limit: MAX_PATH less an 8.3 name.
  EXPECT_EQ(ExtendedLengthPath(L"C:\\" + std::wstring(244, L'x')), L"C:\\" + std::wstring(244, L'x'));
  EXPECT_EQ(ExtendedLengthPath(L"C:\\" + std::wstring(245, L'x')), L"\\\\?\\C:\\" + std::wstring(245, L'x'));
  const std::wstring shortPath = L"C:/Users/a/./b/../pic.png";
  EXPECT_EQ(ExtendedLengthPath(shortPath), shortPath);
  const std::wstring edge(kExtendedPathFrom - 1, L'x');
  EXPECT_EQ(ExtendedLengthPath(L"C:\\" + edge.substr(3)), L"C:\\" + edge.substr(3));
  EXPECT_EQ(ExtendedLengthPath(L"C:\\" + edge.substr(2)), L"\\\\?\\C:\\" + edge.substr(2));

  // Not whole: relative, on a drive's current folder, on the current drive's root.
  for (const std::wstring& partial : {kLong + L"\\pic.png", L"..\\" + kLong, L"C:" + kLong, L"\\" + kLong,
                                      L"/" + kLong, L"\\\\" + kLong + L"\\", L"\\\\\\" + kLong + L"\\s\\x",
                                      L"\\\\s\\\\" + kLong})
    EXPECT_EQ(ExtendedLengthPath(partial), partial);
  // Device paths are left as they are, in either slash.
  for (const std::wstring& device : {L"\\\\?\\C:\\" + kLong + L"\\.\\x", L"\\\\.\\C:\\" + kLong,
                                     L"//?/C:/" + kLong, L"\\??\\C:\\" + kLong, L"\\\\?\\UNC\\s\\h\\" + kLong})
    EXPECT_EQ(ExtendedLengthPath(device), device);
}

TEST(ExtendedLengthPath, DrivesAndSharesAreNormalisedAsTheSystemWould) {
  const struct {
    std::wstring given, expected;
  } cases[] = {
      {L"C:\\" + kLong + L"\\pic.png", L"\\\\?\\C:\\" + kLong + L"\\pic.png"},
      {L"d:/" + kLong + L"//sub///pic.png", L"\\\\?\\d:\\" + kLong + L"\\sub\\pic.png"},
      {L"C:\\" + kLong + L"\\.\\a\\..\\b\\.\\pic.png", L"\\\\?\\C:\\" + kLong + L"\\b\\pic.png"},
      {L"C:\\..\\..\\" + kLong + L"\\x", L"\\\\?\\C:\\" + kLong + L"\\x"},
      {L"C:\\" + kLong + L"\\..\\..\\x", L"\\\\?\\C:\\x"},
      // One trailing period of a segment goes; a name of periods stays; the last
      // segment loses its trailing periods and spaces, unless a separator ends the path.
      {L"C:\\" + kLong + L".\\a.b.\\...\\pic.png. . ", L"\\\\?\\C:\\" + kLong + L"\\a.b\\...\\pic.png"},
      {L"C:\\" + kLong + L"\\dir. \\", L"\\\\?\\C:\\" + kLong + L"\\dir. \\"},
      {L"C:\\" + kLong + L"\\pic.png   ", L"\\\\?\\C:\\" + kLong + L"\\pic.png"},
      {L"C:\\" + kLong + L"\\b.\\x", L"\\\\?\\C:\\" + kLong + L"\\b\\x"},
      {L"C:\\" + kLong + L"\\..", L"\\\\?\\C:\\"},
      {L"\\\\server\\share\\" + kLong + L"\\pic.png", L"\\\\?\\UNC\\server\\share\\" + kLong + L"\\pic.png"},
      {L"//server/share/../../" + kLong + L"/./x/", L"\\\\?\\UNC\\server\\share\\" + kLong + L"\\x\\"},
      {L"\\\\server\\share\\" + kLong + L"\\..", L"\\\\?\\UNC\\server\\share"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtendedLengthPath(c.given), c.expected) << c.given.size();
}

}  // namespace
}  // namespace ornivex
