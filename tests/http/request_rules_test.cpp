// The header and cookie rules of the request engines, without a network.
#include "http/request_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ornivex {
namespace {

TEST(RequestRulesTest, VerbTable) {
  const char* verbs[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(HttpVerb(i), verbs[i]);
  // The named methods are those numbers (callers pass either).
  const HttpMethod named[] = {kHttpGet, kHttpPost, kHttpHead, kHttpPut, kHttpOptions, kHttpDelete, kHttpTrace,
                              kHttpConnect};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(HttpVerb(named[i]), verbs[i]);
  EXPECT_EQ(HttpVerb(8), "GET");
  EXPECT_EQ(HttpVerb(-1), "GET");
  EXPECT_EQ(HttpVerb(1 << 30), "GET");
}

TEST(RequestRulesTest, FlatHeaderBlockKeysNeedTheirSpace) {
  // "Accept:x" (no space) and "X-Accept: 1" differ: the first does not hold
  // the default back, the second does (the key occurs inside it).
  EXPECT_EQ(BuildRequestHeaderBlock("Accept:x", kHttpGet, ""),
            "Accept:x\r\n"
            "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"
            "Accept: text/html, application/xhtml+xml, */*\r\n"
            "Accept-Encoding: gbk, GB2312\r\nAccept-Language: zh-cn\r\nCache-Control: no-cache\r\n");
  std::string block = BuildRequestHeaderBlock("X-Accept: 1", kHttpGet, "");
  EXPECT_EQ(block.find("Accept: text/html"), std::string::npos);
  // A caller's Content-Type in any case holds the form type back, and a caller's
  // Cookie line the one made from the cookie text.
  block = BuildRequestHeaderBlock("content-type: application/json\r\nCOOKIE: a=1", kHttpPost, "b=2");
  EXPECT_EQ(block.find("Content-Type: application/x-www-form-urlencoded"), std::string::npos);
  EXPECT_EQ(block.find("Cookie: b=2"), std::string::npos);
  EXPECT_TRUE(block.ends_with("Cache-Control: no-cache\r\n"));
  // Without one, the cookie text is the last line, ended like the others.
  EXPECT_TRUE(BuildRequestHeaderBlock("", kHttpGet, "a=1; b=2").ends_with("no-cache\r\nCookie: a=1; b=2\r\n"));
}

TEST(RequestRulesTest, ComHeadersExtendInPlaceWithExactKeys) {
  std::string headers;
  ExtendComRequestHeaders(headers, "http://h/\xD6\xD0", kHttpGet);
  EXPECT_EQ(headers,
            "Accept: */*\r\nReferer: http://h/\xD6\xD0\r\nAccept-Language: zh-cn\r\n"
            "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
  // Already complete: nothing is added, even for POST with its own type.
  std::string full = headers + "\r\nContent-Type: text/plain";
  std::string copy = full;
  ExtendComRequestHeaders(copy, "http://other/", kHttpPost);
  EXPECT_EQ(copy, full);
  // Exact case: "referer:" does not count.
  std::string lower = "referer: x";
  ExtendComRequestHeaders(lower, "u", kHttpGet);
  EXPECT_NE(lower.find("\r\nReferer: u"), std::string::npos);
}

TEST(RequestRulesTest, HeaderLinesSplitAtTheFirstColon) {
  HeaderField f = SplitHeaderLine("  Host :  example.com:8080  ");
  EXPECT_EQ(f.name, "Host");
  EXPECT_EQ(f.value, "example.com:8080");
  f = SplitHeaderLine("no colon here");
  EXPECT_EQ(f.name, "");
  EXPECT_EQ(f.value, "");
  // Full-width spaces trim like ASCII ones.
  f = SplitHeaderLine("\xA1\xA1X:\xA1\xA1v\xA1\xA1");
  EXPECT_EQ(f.name, "X");
  EXPECT_EQ(f.value, "v");
  // A header text: empty lines skipped, the last line needs no CR LF.
  std::vector<HeaderField> fields = SplitHeaderLines("A: 1\r\n\r\nno colon\r\nB:2");
  ASSERT_EQ(fields.size(), 3u);
  EXPECT_EQ(fields[0].name, "A");
  EXPECT_EQ(fields[0].value, "1");
  EXPECT_EQ(fields[1].name, "");
  EXPECT_EQ(fields[2].name, "B");
  EXPECT_EQ(fields[2].value, "2");
  EXPECT_TRUE(SplitHeaderLines("").empty());
}

TEST(RequestRulesTest, SetCookieLinesGivePairsInOrder) {
  EXPECT_EQ(CollectSetCookies("HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"
                              "Set-Cookie:c=3\r\nset-cookie: d=4\r\nX-Set-Cookie: e=5\r\n"
                              "Set-Cookie: \xD6\xD0=\xCE\xC4; HttpOnly\r\n\r\n"),
            "a=1; b=2; \xD6\xD0=\xCE\xC4");
  // A value that repeats the marker, and a line with no pair at all.
  EXPECT_EQ(CollectSetCookies("Set-Cookie: x=Set-Cookie:y\r\nSet-Cookie: ; path=/\r\nSet-Cookie:   \r\n"), "x=y");
  EXPECT_EQ(CollectSetCookies(""), "");
  EXPECT_EQ(CollectSetCookies("Set-Cookie: tail=1"), "tail=1");  // no final CR LF
}

TEST(RequestRulesTest, LocationAndStatusLine) {
  bool found = true;
  EXPECT_EQ(LocationFromHeaders("HTTP/1.1 200 OK\r\nX-Location: a\r\n\r\n", &found), "");
  EXPECT_FALSE(found);
  EXPECT_EQ(LocationFromHeaders("HTTP/1.1 301 Moved\r\nLOCATION: /a\r\nLocation: /b?\xD6\xD0\r\n", &found),
            "/b?\xD6\xD0");
  EXPECT_TRUE(found);
  EXPECT_EQ(LocationFromHeaders("Location:/nospace\r\n", &found), "");
  EXPECT_FALSE(found);

  EXPECT_EQ(StatusTextFromHeaders("HTTP/1.1 200 OK\r\nA: b\r\n"), "200 OK");
  EXPECT_EQ(StatusTextFromHeaders("HTTP/1.0 404 Not Found\r\n"), "404 Not Found");
  EXPECT_EQ(StatusTextFromHeaders("HTTP/1.1 200 OK"), "");  // no CR LF after it
  EXPECT_EQ(StatusTextFromHeaders("HTTP/1.1\r\n"), "");
  EXPECT_EQ(StatusTextFromHeaders(""), "");
}

TEST(RequestRulesTest, ComProxyAuthorizationNeedsProxyUserAndBasicMode) {
  EXPECT_EQ(ComProxyAuthorization("127.0.0.1:8080", "user", "", 1), "Basic dXNlcjo=");  // "user:"
  EXPECT_EQ(ComProxyAuthorization("p:1", "\xD6\xD0", "pw", 1), "Basic 1tA6cHc=");      // GBK bytes of 中:pw
  EXPECT_EQ(ComProxyAuthorization("", "u", "p", 1), "");
  EXPECT_EQ(ComProxyAuthorization("p:1", "", "p", 1), "");
  EXPECT_EQ(ComProxyAuthorization("p:1", "u", "p", 2), "");
}

}  // namespace
}  // namespace ornivex
