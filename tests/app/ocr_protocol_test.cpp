#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/ocr_protocol.h"

namespace ornivex {
namespace {

using namespace std::string_literals;

const std::string kDelimiter = "------WebKitFormBoundary4C4GSVIylEQB11fE";

TEST(UploadBody, LaidOutByteForByteAroundTheFile) {
  const std::string expected =
      kDelimiter + "\r\n" +
      "Content-Disposition: form-data; name=\"myfile\"; filename=\"20417\"\r\n"
      "Content-Type: image/png\r\n"
      "\r\n"
      "abc"
      "\r\n" + kDelimiter + "--";
  EXPECT_EQ(BuildUploadBody("20417", "abc"), expected);
  EXPECT_EQ(BuildUploadBody("20417", "abc").back(), '-');  // nothing after the closing dashes
}

TEST(UploadBody, EveryTemplateSixBecomesTheNumberAndNoOtherByteChanges) {
  // A number holding 6s and a body without a file: the 6s of the number
  // must survive, and only the file name differs from the template.
  const std::string head = UploadBodyHead("666666");
  EXPECT_EQ(head, kDelimiter + "\r\nContent-Disposition: form-data; name=\"myfile\"; filename=\"666666\"\r\n"
                               "Content-Type: image/png\r\n\r\n");
  EXPECT_EQ(BuildUploadBody("19999", ""), UploadBodyHead("19999") + "\r\n" + kDelimiter + "--");
}

TEST(UploadBody, FileBytesAreKeptExactlyIncludingZerosAndDelimiterLookalikes) {
  const std::string file = "\x89PNG\r\n\x1A\n\0\0\xFF"s + "\r\n" + kDelimiter + "--\r\n\0"s;
  const std::string body = BuildUploadBody("999999", file);
  const std::string head = UploadBodyHead("999999");
  ASSERT_EQ(body.size(), head.size() + file.size() + std::string(UploadBodyTail()).size());
  EXPECT_EQ(body.substr(head.size(), file.size()), file);
  EXPECT_EQ(UploadBodyTail(), "\r\n" + kDelimiter + "--");
}

TEST(UploadBody, FrameWritesOnlyIntoABufferOfItsExactSize) {
  const UploadBodyFrame frame = MakeUploadBodyFrame("20417", 3);
  EXPECT_EQ(frame.FileOffset(), UploadBodyHead("20417").size());
  for (const std::size_t size : {frame.Size() - 1, frame.Size() + 1}) {
    std::vector<std::uint8_t> wrong(size, 'x');
    EXPECT_FALSE(frame.WriteAround(wrong));
    EXPECT_EQ(wrong, std::vector<std::uint8_t>(size, 'x'));
  }
  std::vector<std::uint8_t> body(frame.Size(), 'x');
  ASSERT_TRUE(frame.WriteAround(body));
  EXPECT_EQ(std::string(body.begin(), body.end()), BuildUploadBody("20417", "xxx"));
}

TEST(UploadBody, HeaderBoundaryHasTwoDashesFewerThanTheDelimiterLines) {
  EXPECT_EQ(UploadContentTypeHeader(),
            "Content-Type: multipart/form-data; boundary=----WebKitFormBoundary4C4GSVIylEQB11fE");
  EXPECT_EQ("--" + std::string(kUploadBoundary), kDelimiter);
}

TEST(Endpoints, PictureUrlAndRequestsAreBuiltFromTheBaseUnchanged) {
  EXPECT_EQ(PictureUrl("http://127.0.0.1:18452", "20417"), "http://127.0.0.1:18452/photo/20417.png");
  EXPECT_EQ(PictureUrl("http://img.example.net/", "20417"), "http://img.example.net/photo/20417.png");
  EXPECT_EQ(UploadUrl("http://127.0.0.1:18452"), "http://127.0.0.1:18452/uploadheadimg.php");
  EXPECT_EQ(UploadUrl("http://h//"), "http://h/uploadheadimg.php");  // every trailing slash goes
  // Every form of image host the settings accept.
  for (const char* host : {"http://img.example.com", "https://img.example.com:8443", "http://[::1]:8080",
                           "http://[2001:db8::7]", "http://a-b.c_d.example"})
    for (const std::string& given : {std::string(host), std::string(host) + "/"}) {
      EXPECT_EQ(UploadUrl(given), std::string(host) + "/uploadheadimg.php");
      EXPECT_EQ(PictureUrl(given, "999999"), std::string(host) + "/photo/999999.png");
    }
  EXPECT_EQ(TokenUrl("http://127.0.0.1:18451", "Qx7kWm2LpR9tZa4VnB8cYe3D", "Hf6sJ2qT9wLm4Xr8Kp1Zc5Vb7Ng3Dy0E"),
            "http://127.0.0.1:18451/oauth/2.0/token?grant_type=client_credentials"
            "&client_id=Qx7kWm2LpR9tZa4VnB8cYe3D&client_secret=Hf6sJ2qT9wLm4Xr8Kp1Zc5Vb7Ng3Dy0E&");
  // credentials from a settings file may hold bytes that mean something in a query
  EXPECT_EQ(TokenUrl("https://o.example/", "a-b_c.d~e", "x&y=z #%+/?"),
            "https://o.example/oauth/2.0/token?grant_type=client_credentials"
            "&client_id=a-b_c.d~e&client_secret=x%26y%3Dz%20%23%25%2B%2F%3F&");
  // the ends of the letters and digits stay, the bytes just past them do not
  EXPECT_EQ(TokenUrl("http://o", "AZaz09", "@[`{/:"),
            "http://o/oauth/2.0/token?grant_type=client_credentials&client_id=AZaz09&client_secret=%40%5B%60%7B%2F%3A&");
  // neither the token nor the picture URL is percent-encoded
  EXPECT_EQ(RecognitionUrl("https://ocr.example.com", "24.ab-c.1"),
            "https://ocr.example.com/rest/2.0/ocr/v1/general_basic?access_token=24.ab-c.1");
  EXPECT_EQ(RecognitionUrl("https://ocr.example.com", ""),
            "https://ocr.example.com/rest/2.0/ocr/v1/general_basic?access_token=");
  EXPECT_EQ(RecognitionBody("http://h:1/photo/20417.png"), "url=http://h:1/photo/20417.png");
}

TEST(Endpoints, ImageBodyIsThePercentEncodedBase64OfTheFile) {
  // A 3 x 1 PNG whose Base64 holds "/", "+" and "==".
  const std::vector<std::uint8_t> png = {
      0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00,
      0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00, 0x00, 0x94, 0x82, 0x83, 0xE3, 0x00,
      0x00, 0x00, 0x13, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0x98, 0xBB, 0x62, 0xF3, 0xBE, 0x93, 0x57,
      0xEE, 0xBF, 0xFA, 0x0A, 0x00, 0x20, 0xCB, 0x07, 0x12, 0x37, 0xE8, 0x19, 0x6E, 0x00, 0x00, 0x00, 0x00,
      0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
  EXPECT_EQ(ImageRecognitionBody(png),
            "image=iVBORw0KGgoAAAANSUhEUgAAAAMAAAABCAIAAACUgoPjAAAAE0lEQVR42mOYu2LzvpNX7r%2F6CgAgywcSN%2BgZbgAAAABJ"
            "RU5ErkJggg%3D%3D");
  EXPECT_EQ(ImageRecognitionBody({}), "image=");
}

TEST(PictureNumber, DecimalTextAndDrawsStayInRangeAndSpreadOut) {
  EXPECT_EQ(PictureNumberText(19999), "19999");
  EXPECT_EQ(PictureNumberText(999999), "999999");
  std::set<std::uint32_t> seen;
  for (std::uint32_t seed = 0; seed < 2000; ++seed) seen.insert(DrawPictureNumber(seed * 15u));  // ticks 15 ms apart
  EXPECT_GT(seen.size(), 1990u);  // different ticks give different numbers
  EXPECT_EQ(DrawPictureNumber(12345), DrawPictureNumber(12345));
}

// Every number from 19999 to 999999 can be drawn, and each as often: draws over
// many seeds stay inside the range, come near both of its ends, and fill twenty
// equal parts of it evenly (a chi-square of the counts below the 0.1 % point for
// 19 degrees of freedom, which an even source passes all but once in a
// thousand seed sets, and a lopsided one fails).
TEST(PictureNumber, DrawsFillTheWholeRangeEvenly) {
  EXPECT_EQ(kPictureNumberMin, 19999u);
  EXPECT_EQ(kPictureNumberMax, 999999u);
  constexpr int kParts = 20, kDraws = 20000;
  constexpr std::uint32_t kSpan = kPictureNumberMax - kPictureNumberMin + 1;
  int counts[kParts] = {};
  std::uint32_t low = kPictureNumberMax, high = kPictureNumberMin;
  for (std::uint32_t seed = 0; seed < kDraws; ++seed) {
    const std::uint32_t n = DrawPictureNumber(seed * 16u + 7u);
    ASSERT_GE(n, kPictureNumberMin);
    ASSERT_LE(n, kPictureNumberMax);
    low = std::min(low, n);
    high = std::max(high, n);
    ++counts[std::uint64_t{n - kPictureNumberMin} * kParts / kSpan];
  }
  // Among 20,000 even draws the lowest lies within 0.1 % of the bottom, and the
  // highest of the top, but for a chance of about 2e-9.
  EXPECT_LT(low, kPictureNumberMin + kSpan / 1000);
  EXPECT_GT(high, kPictureNumberMax - kSpan / 1000);
  double chiSquare = 0;
  constexpr double kExpected = double{kDraws} / kParts;
  for (int count : counts) chiSquare += (count - kExpected) * (count - kExpected) / kExpected;
  EXPECT_LT(chiSquare, 43.82);
}

TEST(LineBreakRule, EachFullStopIsFollowedByCrLfAndFourSpaces) {
  // 第一行。 then "second line": the box gets 第一行。 CR LF, four spaces, second line.
  const std::string first = "\xB5\xDA\xD2\xBB\xD0\xD0\xA1\xA3";  // 第一行。
  EXPECT_EQ(ApplyLineBreakRule(first) + ApplyLineBreakRule("second line"),
            "\xB5\xDA\xD2\xBB\xD0\xD0\xA1\xA3\r\n    second line");
  EXPECT_EQ(ApplyLineBreakRule("\xA1\xA3\xA1\xA3"), "\xA1\xA3\r\n    \xA1\xA3\r\n    ");
  EXPECT_EQ(ApplyLineBreakRule("no stop. here"), "no stop. here");
  EXPECT_EQ(ApplyLineBreakRule(""), "");
}

TEST(LineBreakRule, BytesA1A3AcrossTwoCharactersAreNotAFullStop) {
  // 啊 (B0 A1) then Ａ (A3 C1): A1 A3 appears only across the boundary.
  const std::string text = "\xB0\xA1\xA3\xC1";
  EXPECT_EQ(ApplyLineBreakRule(text), text);
  // after an ASCII byte the pairing restarts: x 。 is a full stop again
  EXPECT_EQ(ApplyLineBreakRule("x\xA1\xA3"), "x\xA1\xA3\r\n    ");
  // a lone lead byte at the end is kept as it is
  EXPECT_EQ(ApplyLineBreakRule("a\xA1"), "a\xA1");
}

TEST(PictureFileNameTest, TextAfterTheLastRealBackslash) {
  EXPECT_EQ(PictureFileName("D:\\scan\\page1.png"), "page1.png");
  EXPECT_EQ(PictureFileName("page1.png"), "page1.png");
  EXPECT_EQ(PictureFileName(""), "");
  EXPECT_EQ(PictureFileName("C:\\dir\\"), "");
  EXPECT_EQ(PictureFileName("Z:\\tmp/a/b.png"), "tmp/a/b.png");  // only backslashes separate
}

TEST(PictureFileNameTest, TrailByte5CIsNotABackslash) {
  // D:\扫描\淺.png — 淺 is 9C 5C; its trail byte must not split the name.
  const std::string path = "D:\\\xC9\xA8\xC3\xE8\\\x9C\x5C.png";
  EXPECT_EQ(PictureFileName(path), "\x9C\x5C.png");
  // the folder itself ends in 淺: its trail byte is not the separator either
  EXPECT_EQ(PictureFileName("D:\\\x9C\x5C\\a.png"), "a.png");
  EXPECT_EQ(PictureFileName("\x9C\x5C\x9C\x5C"), "\x9C\x5C\x9C\x5C");
}

TEST(TokenReply, FoundWhereverTheMemberStandsButNotAsLastMember) {
  EXPECT_EQ(AccessTokenFromReply("{\"access_token\":\"24.abc.2592000\",\"expires_in\":2592000}"), "24.abc.2592000");
  // the service's own layout: refresh_token first, access_token in the middle
  EXPECT_EQ(AccessTokenFromReply("{\"refresh_token\":\"25.r\",\"expires_in\":2592000,"
                                 "\"access_token\":\"24.mid\",\"scope\":\"x\"}"),
            "24.mid");
  EXPECT_EQ(AccessTokenFromReply("{\"expires_in\":1,\"access_token\":\"24.last\"}"), "");
  EXPECT_EQ(AccessTokenFromReply("{\"error\":\"invalid_client\",\"error_description\":\"unknown client id\"}"), "");
  EXPECT_EQ(AccessTokenFromReply(""), "");
}

TEST(RecognitionReply, OnlyErrors110And111RefuseTheToken) {
  const struct {
    const char* reply;
    bool refused;
  } rows[] = {
      {"{\"error_code\": 110, \"error_msg\": \"Access token invalid or no longer valid\", \"log_id\": 1}", true},
      {"{\"error_code\":111,\"error_msg\":\"Access token expired\",\"log_id\":1}", true},
      {"{\"error_code\" :\t111}", true},
      {"{\"error_code\" 110}", false},  // no colon: no member
      {"{\"error_code\": 17, \"error_msg\": \"Open api daily request limit reached\"}", false},
      {"{\"error_code\": 1100}", false},
      {"{\"error_code\": 216201}", false},
      // a recognised line that reads like the member: its quotes are escaped
      {"{\"words_result\": [{\"words\": \"\\\"error_code\\\": 110\"}]}", false},
      {"", false},
  };
  for (const auto& row : rows) EXPECT_EQ(AccessTokenRefused(row.reply), row.refused) << row.reply;
}

TEST(RecognitionReply, LinesOfBothLayoutsInReplyOrder) {
  const std::string reply =
      "{\"log_id\": 1, \"words_result\": [{\"words\": \"one\"}, {\"words\":\"two\"},"
      "{\"WORDS\": \"three\"}, {\"words\":\"four\"}]}";
  EXPECT_EQ(RecognisedLines(reply), (std::vector<std::string>{"one", "two", "three", "four"}));
}

TEST(RecognitionReply, FillsTheBoxWithBreaksAfterFullStopsOnly) {
  // 第一行。 then "second line": 第一行。 CR LF four spaces second line, nothing after.
  const std::string reply = "{\"words_result_num\": 2, \"words_result\": [{\"words\": \"\xB5\xDA\xD2\xBB\xD0\xD0\xA1\xA3\"},"
                            " {\"words\": \"second line\"}]}";
  EXPECT_EQ(ResultBoxText(RecognisedLines(reply)), "\xB5\xDA\xD2\xBB\xD0\xD0\xA1\xA3\r\n    second line");
}

TEST(RecognitionReply, BlankLinesDroppedAndErrorRepliesGiveNothing) {
  // only ASCII spaces, only full-width spaces (A1 A1), empty: all dropped;
  // the search goes on after a dropped value.
  const std::string reply =
      "[{\"words\": \"   \"}, {\"words\":\"\xA1\xA1\xA1\xA1\"}, {\"words\": \"\"}, {\"words\": \" \xA1\xA1kept \"}]";
  EXPECT_EQ(RecognisedLines(reply), std::vector<std::string>{"kept"});
  EXPECT_TRUE(RecognisedLines("{\"error_code\":110,\"error_msg\":\"Access token invalid or no longer valid\"}").empty());
  EXPECT_TRUE(RecognisedLines("").empty());
  EXPECT_TRUE(RecognisedLines("{\"words\": \"never closed").empty());
  EXPECT_EQ(ResultBoxText({}), "");
}

TEST(RecognitionReply, EscapesStayAndAnEscapedQuoteBeforeABraceEndsTheValue) {
  EXPECT_EQ(RecognisedLines("{\"words\": \"a \\\"q\\\" \\u4e00\"}"),
            std::vector<std::string>{"a \\\"q\\\" \\u4e00"});
  EXPECT_EQ(RecognisedLines("{\"words\": \"x\\\"}y\"}"), std::vector<std::string>{"x\\"});
}

}  // namespace
}  // namespace ornivex
