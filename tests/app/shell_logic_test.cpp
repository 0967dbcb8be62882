#include "app/shell_logic.h"

#include "app/capture_key.h"
#include "app/texts.h"

#include <gtest/gtest.h>

namespace ornivex {
namespace {

TEST(StartTime, NumbersHaveNoLeadingZeros) {
  EXPECT_EQ(FormatStartTime({2027, 1, 1, 0, 0, 0}), "2027/1/1 0:0 0s");
  EXPECT_EQ(FormatStartTime({2026, 6, 7, 9, 5, 3}), "2026/6/7 9:5 3s");
  EXPECT_EQ(FormatStartTime({2026, 12, 31, 23, 59, 59}), "2026/12/31 23:59 59s");
  EXPECT_EQ(FormatStartTime({2030, 10, 20, 10, 30, 10}), "2030/10/20 10:30 10s");
}

TEST(WindowAlpha, ModeDecidesTheAlpha) {
  EXPECT_EQ(WindowAlphaFor(2, 220), 220);
  EXPECT_EQ(WindowAlphaFor(2, -1), 0);
  EXPECT_EQ(WindowAlphaFor(2, 256), 255);
  EXPECT_EQ(WindowAlphaFor(1, 10), 192);
  EXPECT_EQ(WindowAlphaFor(0, 10), 255);
  EXPECT_EQ(WindowAlphaFor(3, 10), 255);
}

TEST(ActivityLog, RecordIsOneCrLfLineOfGbkBytes) {
  EXPECT_EQ(ActivityRecord("2026/6/7 9:5 3s", "page1.png", 20417), "2026/6/7 9:5 3s|page1.png-->20417\r\n");
  // 淺.png: the trail byte 5C stays as it is.
  EXPECT_EQ(ActivityRecord("2027/1/1 0:0 0s", "\x9C\x5C.png", 999999), "2027/1/1 0:0 0s|\x9C\x5C.png-->999999\r\n");
  EXPECT_EQ(ActivityRecord("", "", 0), "|-->0\r\n");
}

TEST(ResultFile, NamedAfterThePictureNumber) {
  EXPECT_EQ(ResultFileName(20417), "20417.txt");
  EXPECT_EQ(ResultFileName(0), "0.txt");
}

TEST(PictureInput, PicturesAreKnownByTheirExtensionInAnyCase) {
  for (const wchar_t* yes : {L"a.jpg", L"C:\\x\\b.JPEG", L"c.Png", L"Z:\\R\u00e9sum\u00e9\\d.bmp", L".png"})
    EXPECT_TRUE(HasPictureExtension(yes)) << yes;
  for (const wchar_t* no : {L"a.txt", L"a.png.txt", L"C:\\pics.png\\readme", L"png", L"a.jpe", L""})
    EXPECT_FALSE(HasPictureExtension(no)) << no;
}

TEST(PictureInput, ACommandLineWithNothingAfterTheProgramNeedsNoSplitting) {
  for (const wchar_t* none : {L"", L"Ornivex.exe", L"Ornivex.exe \t ", L"\"C:\\Program Files\\Ornivex.exe\"",
                              L"\"C:\\a b\\Ornivex.exe\"  ", L"\"C:\\a b\\Ornivex.exe"})
    EXPECT_FALSE(CommandLineMayHaveArgument(none)) << none;
  for (const wchar_t* some : {L"Ornivex.exe a.png", L"Ornivex.exe\t\"\"", L"\"C:\\a b\\Ornivex.exe\"a.png",
                              L"\"C:\\a b\\Ornivex.exe\" \"c d.png\"", L"C:\\a\"b c\" d", L"\"\" a.png"})
    EXPECT_TRUE(CommandLineMayHaveArgument(some)) << some;
}

TEST(PictureInput, PastedPicturesAreNamedByDateAndTime) {
  EXPECT_EQ(PastedPictureName({2026, 6, 7, 9, 5, 3, 42}), L"2026-06-07 09.05.03.042.png");
  EXPECT_EQ(PastedPictureName({2027, 12, 31, 23, 59, 59, 999}, 2), L"2027-12-31 23.59.59.999 (2).png");
}

TEST(PictureInput, OnlyThePicturesItWroteAreSweptAndOnlyAfterADay) {
  constexpr std::int64_t kOld = kTemporaryPictureLifetimeSeconds + 1;
  for (const std::wstring& ours : {PastedPictureName({2026, 6, 7, 9, 5, 3, 42}),
                                   PastedPictureName({2026, 6, 7, 9, 5, 3, 42}, 12),
                                   std::wstring(L"2026-06-07 09.05.03.042.png.4711.tmp"),
                                   std::wstring(L"2026-06-07 09.05.03.042 (3).png.8.tmp"),
                                   std::wstring(L"2029-09-09 09.09.09.999 (9).png.99.tmp")}) {
    EXPECT_TRUE(IsStaleTemporaryPicture(ours, kOld)) << ours;
    EXPECT_FALSE(IsStaleTemporaryPicture(ours, kTemporaryPictureLifetimeSeconds)) << ours;
  }
  EXPECT_FALSE(IsStaleTemporaryPicture(PastedPictureName({2026, 6, 7, 9, 5, 3, 42}), 24 * 3600));  // a day
  EXPECT_TRUE(IsStaleTemporaryPicture(PastedPictureName({2026, 6, 7, 9, 5, 3, 42}), 24 * 3600 + 1));
  for (const wchar_t* other : {L"", L"notes.png", L"2026-06-07 09.05.03.042.PNG", L"2026-06-07 09.05.03.42.png",
                               L"2026-06-07_09.05.03.042.png", L"2026-06-07 09.05.03.042 ().png",
                               L"2026-06-07 09.05.03.042 (2.png", L"2026-06-07 09.05.03.042.png.tmp",
                               L"2026-06-07 09.05.03.042.png.12", L"2026-06-07 09.05.03.042.png.12.tmpx",
                               L"2026-06-07 09.05.03.042.jpg", L"x2026-06-07 09.05.03.042.png",
                               L"2026-06-07 09.05.03.042.pngx", L"2026-0a-07 09.05.03.042.png"})
    EXPECT_FALSE(IsStaleTemporaryPicture(other, kOld)) << other;
}

TEST(CaptureKey, TheSettingsChooseTheKeyAndTheMenuAndNoticeNameIt) {
  using capture::kDefaultHotkey;
  EXPECT_EQ(CaptureKeyFor({}), kDefaultHotkey);
  EXPECT_EQ(CaptureKeyFor({.hotkey = "Ctrl+Shift+F1"}), (capture::Hotkey{capture::kModControl | capture::kModShift, capture::kVkF1}));
  EXPECT_EQ(CaptureKeyFor({.hotkey = ""}), std::nullopt);
  EXPECT_EQ(CaptureKeyFor({.hotkey = "Shift+A"}), std::nullopt);
  // 截图识别, then a tab and the key's name, as menus show their keys.
  EXPECT_EQ(CaptureMenuText(kDefaultHotkey), "\xBD\xD8\xCD\xBC\xCA\xB6\xB1\xF0\tWin+Shift+O");
  EXPECT_EQ(CaptureMenuText(std::nullopt), "\xBD\xD8\xCD\xBC\xCA\xB6\xB1\xF0");
  // The notice names the key and the menu's item by its own words.
  const std::string taken = CaptureKeyTakenText(*CaptureKeyFor({.hotkey = "Alt+F9"}));
  EXPECT_NE(taken.find(" Alt+F9 "), std::string::npos) << taken;
  EXPECT_NE(taken.find(texts::kCaptureMenuItem), std::string::npos);
}

}  // namespace
}  // namespace ornivex
