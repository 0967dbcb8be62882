#include "http/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace ornivex {
namespace {

using namespace std::string_literals;

ByteBuffer Bytes(std::string_view s) { return ByteBuffer(s.begin(), s.end()); }

TEST(GbkToUtf16Test, TerminatorAndEmptyText) {
  EXPECT_EQ(GbkToUtf16("/"), Bytes("\x2F\x00\x00\x00"s));
  EXPECT_EQ(GbkToUtf16("/", true), Bytes("\x2F\x00"s));
  EXPECT_TRUE(GbkToUtf16("").empty());
  EXPECT_TRUE(GbkToUtf16("", true).empty());
  EXPECT_EQ(GbkToUtf16("\xD6\xD0" "a", true), Bytes("\x2D\x4E" "a\x00"s));  // 中a
  // The text ends at its first zero byte.
  EXPECT_EQ(GbkToUtf16("ab\0cd"s, true), Bytes("a\0b\0"s));
}

TEST(Utf16ToGbkTest, ConvertsExactlyTheUnitsGiven) {
  EXPECT_EQ(Utf16ToGbk(Bytes("1\x00" "2\x00" "7\x00.\x00" "0\x00.\x00" "0\x00.\x00" "1\x00"s)), "127.0.0.1");
  EXPECT_EQ(Utf16ToGbk(Bytes("\x2D\x4E\xFD\x56"s)), "\xD6\xD0\xB9\xFA");  // 中国
  EXPECT_EQ(Utf16ToGbk(Bytes("a\0\0\0b\0"s)), "a");
  EXPECT_EQ(Utf16ToGbk(Bytes("a\0b"s)), "a");  // the odd last byte is not a unit
  EXPECT_EQ(Utf16ToGbk(ByteBuffer{}), "");
  EXPECT_EQ(Utf16ToGbk(std::wstring_view(L"x\u4E2D")), "x\xD6\xD0");
}

TEST(CodePages, Utf8AndOtherCodePages) {
  // 中 in UTF-8 is E4 B8 AD, in UTF-16 2D 4E, in GBK D6 D0.
  EXPECT_EQ(MultiByteToUtf16("\xE4\xB8\xAD"), Bytes("\x2D\x4E\x00\x00"s));
  EXPECT_EQ(MultiByteToUtf16("\xD6\xD0", 936), Bytes("\x2D\x4E\x00\x00"s));
  EXPECT_EQ(MultiByteToUtf16(""), Bytes("\x00\x00"s));
  EXPECT_EQ(Utf16ToMultiByte(Bytes("\x2D\x4E\x00\x00"s), 936), "\xD6\xD0");
  EXPECT_EQ(Utf16ToMultiByte(Bytes("\x2D\x4E\x00\x00"s), 65001), "\xE4\xB8\xAD");
  EXPECT_EQ(Utf16ToMultiByte(Bytes("o\0k\0\0\0z\0"s)), "ok");
  EXPECT_EQ(Utf16ToMultiByte(ByteBuffer{}, 936), "");
}

TEST(CodePages, Utf8ToGbkOfServiceText) {
  EXPECT_EQ(Utf8ToGbk("{\"words\": \"\xE4\xB8\xAD\xE5\x9B\xBD\xE3\x80\x82\"}"),
            "{\"words\": \"\xD6\xD0\xB9\xFA\xA1\xA3\"}");  // 中国。
  EXPECT_EQ(Utf8ToGbk(""), "");
  EXPECT_EQ(Utf8ToGbk("abc\0def"s), "abc");
}

TEST(CodePages, InvalidInputNeverBreaksTheSurroundingText) {
  // Stray continuation bytes, an overlong form and a truncated sequence.
  const std::string gbk = Utf8ToGbk("a\x80" "b\xC0\xAF" "c\xE4\xB8");
  ASSERT_FALSE(gbk.empty());
  EXPECT_EQ(gbk.front(), 'a');
  EXPECT_NE(gbk.find('b'), std::string::npos);
  EXPECT_NE(gbk.find('c'), std::string::npos);
  // An unpaired surrogate and a lone GBK lead byte.
  EXPECT_EQ(Utf16ToGbk(Bytes("x\0\x00\xD8y\0"s)).front(), 'x');
  EXPECT_EQ(GbkToUtf16("x\xD6", true).size(), 4u);
}

TEST(CodePages, UrlDecodeFromUtf8) {
  EXPECT_EQ(UrlDecode("%E4%B8%AD", true), "\xD6\xD0");
  EXPECT_EQ(UrlDecode("%E4%B8%AD", false), "\xE4\xB8\xAD");
  EXPECT_EQ(UrlDecode("a+%E4%B8%AD%", true), "a+\xD6\xD0%");
}

TEST(CodePages, LargeMixedTextRoundTrips) {
  std::string gbk;
  for (int i = 0; i < 20000; ++i) gbk += "ab \xD6\xD0\xB9\xFA\xA1\xA3";  // ab 中国。
  const ByteBuffer wide = GbkToUtf16(gbk, true);
  EXPECT_EQ(wide.size(), 20000u * 6 * 2);
  EXPECT_EQ(Utf16ToGbk(wide), gbk);
  EXPECT_EQ(Utf8ToGbk(Utf16ToMultiByte(GbkToUtf16(gbk), 65001)), gbk);
}

TEST(CodePages, LongUtf8TextConvertsLikeItsPieces) {
  // One-, two-, three- and four-byte sequences (a, é, 中, U+1F600) in an 11-byte
  // unit, repeated well past any internal slice size, so sequences straddle
  // every possible cut. The result must be the unit's own result repeated.
  const std::string unit = "a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80z";
  const std::string piece = Utf8ToGbk(unit);
  ASSERT_FALSE(piece.empty());
  std::string text, expected;
  for (int i = 0; i < 30000; ++i) {
    text += unit;
    expected += piece;
  }
  EXPECT_EQ(Utf8ToGbk(text), expected);

  // Invalid bytes in a long text cost at most their place, never the rest.
  std::string broken(200000, 'x');
  for (std::size_t i = 0; i < broken.size(); i += 997) broken[i] = '\x80';
  const std::string converted = Utf8ToGbk(broken);
  EXPECT_EQ(converted.size(), broken.size());
  EXPECT_EQ(converted.back(), 'x');
}

}  // namespace
}  // namespace ornivex
