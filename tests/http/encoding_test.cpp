#include "http/encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace ornivex {
namespace {

using namespace std::string_literals;

TEST(UrlDecodeTest, DecodesEscapesInEitherCase) {
  EXPECT_EQ(UrlDecode("%E4%B8%AD"), "\xE4\xB8\xAD");
  EXPECT_EQ(UrlDecode("a%2fb%2Fc"), "a/b/c");
  EXPECT_EQ(UrlDecode("%41%42c"), "ABc");
  EXPECT_EQ(UrlDecode("%00x"), "\0x"s);
}

TEST(UrlDecodeTest, LeavesEverythingElseAlone) {
  EXPECT_EQ(UrlDecode("a+b c"), "a+b c");
  EXPECT_EQ(UrlDecode("\xD6\xD0\xB9\xFA"), "\xD6\xD0\xB9\xFA");  // 中国
  EXPECT_EQ(UrlDecode(""), "");
}

TEST(UrlDecodeTest, BrokenEscapesPassThroughUnchanged) {
  EXPECT_EQ(UrlDecode("100%"), "100%");
  EXPECT_EQ(UrlDecode("a%4"), "a%4");
  EXPECT_EQ(UrlDecode("%zz%41"), "%zzA");
  EXPECT_EQ(UrlDecode("%%41"), "%A");
  EXPECT_EQ(UrlDecode("%4g"), "%4g");
  EXPECT_EQ(UrlDecode("%"), "%");
}

TEST(PercentEncodeTest, OnlyUnreservedBytesStayAndTheRestReadsBack) {
  EXPECT_EQ(PercentEncode("azAZ09-._~"), "azAZ09-._~");
  EXPECT_EQ(PercentEncode("+/= %&\xD6\xD0\x00"s), "%2B%2F%3D%20%25%26%D6%D0%00");
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  const std::string encoded = PercentEncode(all);
  EXPECT_EQ(encoded.size(), 66u + 190u * 3u);  // 66 unreserved bytes, 190 escaped ones
  EXPECT_EQ(encoded.capacity(), encoded.size());  // room taken once, for every escape
  EXPECT_EQ(UrlDecode(encoded), all);
  std::string out = "k=";
  AppendPercentEncoded(out, "a b");
  EXPECT_EQ(out, "k=a%20b");
}

TEST(Base64Test, StandardVectors) {
  EXPECT_EQ(EncodeBase64(""), "");
  EXPECT_EQ(EncodeBase64("f"), "Zg==");
  EXPECT_EQ(EncodeBase64("fo"), "Zm8=");
  EXPECT_EQ(EncodeBase64("foo"), "Zm9v");
  EXPECT_EQ(EncodeBase64("foob"), "Zm9vYg==");
  EXPECT_EQ(EncodeBase64("fooba"), "Zm9vYmE=");
  EXPECT_EQ(EncodeBase64("foobar"), "Zm9vYmFy");
  EXPECT_EQ(EncodeBase64("user:pass"), "dXNlcjpwYXNz");
  EXPECT_EQ(EncodeBase64("\xFF\xFE\xFD\x00\x01"s), "//79AAE=");
  EXPECT_EQ(EncodeBase64("\xFB\xEF\xBE"), "++++");
}

TEST(Base64Test, LengthAndPaddingForEveryRemainder) {
  std::string bytes;
  for (int n = 0; n <= 64; ++n) {
    const std::string encoded = EncodeBase64(bytes);
    ASSERT_EQ(encoded.size(), static_cast<std::size_t>((n + 2) / 3 * 4)) << n;
    const std::size_t pads = encoded.size() - encoded.find_last_not_of('=') - 1;
    EXPECT_EQ(n == 0 ? 0u : pads, n % 3 == 0 ? 0u : 3u - n % 3) << n;
    EXPECT_EQ(encoded.find_first_not_of(
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
              std::string::npos);
    bytes.push_back(static_cast<char>(n * 37 + 11));
  }
}

}  // namespace
}  // namespace ornivex
