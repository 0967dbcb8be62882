// SendHttpRequest against a scripted loopback server: what goes on the wire,
// what comes back, and how failures are reported.
#include "http/request.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/http/support/loopback_server.h"
#include "tests/support/failing_allocations.h"
#include "tests/http/support/tls_trust.h"

namespace ornivex {
namespace {

using testing::ChunkedReply;
using testing::ClosedPort;
using testing::EngineHeaderLines;
using testing::LoopbackServer;
using testing::PatternByte;
using testing::RecordedRequest;
using testing::Reply;
using testing::ScriptedReply;

const std::string kUserAgent = "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
const std::string kAccept = "Accept: text/html, application/xhtml+xml, */*";
const std::string kAcceptEncoding = "Accept-Encoding: gbk, GB2312";
const std::string kAcceptLanguage = "Accept-Language: zh-cn";
const std::string kFormType = "Content-Type: application/x-www-form-urlencoded";
const std::string kNoCache = "Cache-Control: no-cache";

class RequestTest : public ::testing::Test {
 protected:
  LoopbackServer server{[](const RecordedRequest&) { return Reply("200 OK", "", "ok"); }};

  RecordedRequest OnlyRequest() {
    std::vector<RecordedRequest> all = server.Requests();
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? RecordedRequest{} : all.front();
  }
};

TEST_F(RequestTest, PostWithoutHeadersSendsTheDefaultLinesInOrder) {
  std::string status;
  std::string text = SendHttpRequest(server.Url("/form?a=1&b=2"),
                                     {.method = kHttpPost, .body = "x=1&y=2", .statusText = &status});
  EXPECT_EQ(text, "ok");
  EXPECT_EQ(status, "200 OK");
  RecordedRequest r = OnlyRequest();
  EXPECT_EQ(r.requestLine, "POST /form?a=1&b=2 HTTP/1.1");
  EXPECT_EQ(EngineHeaderLines(r),
            (std::vector<std::string>{kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage, kFormType, kNoCache}));
  EXPECT_EQ(r.Header("Content-Length"), "7");
  EXPECT_EQ(r.body, "x=1&y=2");
}

TEST_F(RequestTest, VerbTableAndPathRules) {
  struct Case {
    int method;
    const char* verb;
  } cases[] = {{kHttpGet, "GET"},   {kHttpPut, "PUT"},     {kHttpOptions, "OPTIONS"}, {kHttpDelete, "DELETE"},
               {kHttpTrace, "TRACE"}, {9, "GET"},          {-1, "GET"}};
  for (const Case& c : cases) {
    server.ClearRequests();
    SendHttpRequest(server.Url("/v"), {.method = c.method});
    RecordedRequest r = OnlyRequest();
    EXPECT_EQ(r.requestLine, std::string(c.verb) + " /v HTTP/1.1");
    EXPECT_FALSE(r.HasHeader("Content-Type")) << c.verb;  // only POST gets the form type
    EXPECT_FALSE(r.HasHeader("Cookie")) << c.verb;
  }
  // HEAD: the declared length belongs to a body that never comes.
  server.ClearRequests();
  std::string status;
  EXPECT_EQ(SendHttpRequest(server.Url("/v"), {.method = kHttpHead, .statusText = &status}), "");
  EXPECT_EQ(status, "200 OK");
  EXPECT_EQ(OnlyRequest().requestLine, "HEAD /v HTTP/1.1");
  server.ClearRequests();
  SendHttpRequest(server.Url(""));  // no path at all
  EXPECT_EQ(OnlyRequest().requestLine, "GET / HTTP/1.1");
}

TEST_F(RequestTest, CallerLinesSuppressDefaultsByKey) {
  // Keys match in any case, but only with the space after the colon.
  SendHttpRequest(server.Url("/h"), {.method = kHttpPost,
                                     .headers = "user-agent: probe/1\r\nACCEPT-LANGUAGE: en\r\ncontent-type: text/plain",
                                     .timeoutSeconds = 5});
  EXPECT_EQ(EngineHeaderLines(OnlyRequest()),
            (std::vector<std::string>{"user-agent: probe/1", "ACCEPT-LANGUAGE: en", "content-type: text/plain",
                                      kAccept, kAcceptEncoding, kNoCache}));
  server.ClearRequests();
  // Without the space the caller's line does not count; WinHttp keeps one line
  // per name, so the default replaces it.
  SendHttpRequest(server.Url("/h"), {.headers = "Accept:x/y\r\nX-Trace: 7"});
  RecordedRequest r = OnlyRequest();
  EXPECT_EQ(r.Header("Accept"), "text/html, application/xhtml+xml, */*");
  EXPECT_EQ(r.Header("X-Trace"), "7");
  EXPECT_EQ(r.headerLines.front(), "X-Trace: 7");
}

TEST_F(RequestTest, CookieLineFromCookiesUnlessTheCallerHasOne) {
  SendHttpRequest(server.Url("/c"), {.cookies = "sid=1; lang=zh"});
  EXPECT_EQ(EngineHeaderLines(OnlyRequest()),
            (std::vector<std::string>{kUserAgent, kAccept, kAcceptEncoding, kAcceptLanguage, kNoCache,
                                      "Cookie: sid=1; lang=zh"}));
  server.ClearRequests();
  SendHttpRequest(server.Url("/c"), {.cookies = "sid=1", .headers = "cookie: mine=2"});
  RecordedRequest r = OnlyRequest();
  EXPECT_EQ(r.Header("Cookie"), "mine=2");
  int cookieLines = 0;
  for (const std::string& line : r.headerLines) cookieLines += line.find("ookie") != std::string::npos;
  EXPECT_EQ(cookieLines, 1);
}

TEST_F(RequestTest, BasicCredentialsOnlyWithUserAndPassword) {
  SendHttpRequest(server.Url("/a"), {.userName = "user", .password = "pa:ss"});
  EXPECT_EQ(OnlyRequest().Header("Authorization"), "Basic dXNlcjpwYTpzcw==");
  server.ClearRequests();
  SendHttpRequest(server.Url("/a"), {.userName = "user"});
  EXPECT_FALSE(OnlyRequest().HasHeader("Authorization"));
}

TEST(RequestProxyTest, NamedProxyGetsTheAbsoluteUrlAndProxyCredentials) {
  // The loopback server plays the proxy: the request line names the target,
  // and the credentials answer its challenge.
  LoopbackServer server([](const RecordedRequest& r) {
    if (!r.HasHeader("Proxy-Authorization"))
      return Reply("407 Proxy Authentication Required", "Proxy-Authenticate: Basic realm=\"loopback\"\r\n", "");
    return Reply("200 OK", "", "ok");
  });
  std::string status;
  std::string text = SendHttpRequest("http://ornivex.invalid:8080/p?x=1",
                                     {.proxy = "127.0.0.1:" + std::to_string(server.port()), .proxyUser = "pu",
                                      .proxyPassword = "pp", .statusText = &status});
  EXPECT_EQ(text, "ok");
  EXPECT_EQ(status, "200 OK");
  std::vector<RecordedRequest> all = server.Requests();
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all.back().requestLine, "GET http://ornivex.invalid:8080/p?x=1 HTTP/1.1");
  EXPECT_EQ(all.back().Header("Proxy-Authorization"), "Basic cHU6cHA=");
}

// --- What comes back. ---

TEST(RequestReplyTest, HeadersCookiesLocationAndStatus) {
  LoopbackServer server([](const RecordedRequest& r) {
    return Reply("404 Not Found",
                 "Set-Cookie: a=1; path=/; HttpOnly\r\nSet-Cookie: b=2\r\nSet-Cookie:nospace=3\r\n"
                 "set-cookie: lower=4\r\nlocation: /first\r\nLocation: /second\r\n",
                 "missing");
  });
  std::string status, headers, cookies, location = "unchanged";
  ByteBuffer bytes;
  std::string text = SendHttpRequest(server.Url("/x"), {.returnedCookies = &cookies,
                                                         .responseHeaders = &headers,
                                                         .location = &location,
                                                         .statusText = &status,
                                                         .responseBytes = &bytes});
  EXPECT_EQ(text, "missing");  // an HTTP error status is not a failure
  EXPECT_EQ(status, "404 Not Found");
  EXPECT_EQ(cookies, "a=1; b=2");  // exact-case name, ": " required
  EXPECT_EQ(location, "/second");
  EXPECT_TRUE(headers.starts_with("HTTP/1.1 404 Not Found\r\n"));
  EXPECT_TRUE(headers.ends_with("\r\n\r\n"));
  EXPECT_NE(headers.find("Set-Cookie: a=1; path=/; HttpOnly\r\n"), std::string::npos);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "missing");
}

TEST(RequestReplyTest, CookieMergingAndAppending) {
  LoopbackServer server([](const RecordedRequest& r) {
    if (r.requestLine.starts_with("GET /none")) return Reply("200 OK", "", "");
    return Reply("200 OK", "Set-Cookie: b=3\r\nSet-Cookie: a=deleted\r\n", "");
  });
  std::string cookies;
  SendHttpRequest(server.Url("/set"), {.cookies = "a=1; b=2; c=4", .returnedCookies = &cookies});
  EXPECT_EQ(cookies, "b=3; c=4");  // new wins, deleted dropped, old kept
  cookies.clear();
  SendHttpRequest(server.Url("/set"), {.cookies = "a=1", .returnedCookies = &cookies, .mergeCookies = false});
  EXPECT_EQ(cookies, "b=3; a=deleted");
  // Pairs are appended to what the variable held; with nothing new it keeps it whole.
  cookies = "old=1";
  SendHttpRequest(server.Url("/set"), {.returnedCookies = &cookies});
  EXPECT_EQ(cookies, "old=1; b=3; a=deleted");
  cookies = "old=1";
  SendHttpRequest(server.Url("/none"), {.returnedCookies = &cookies});
  EXPECT_EQ(cookies, "old=1");
  cookies.clear();
  SendHttpRequest(server.Url("/none"), {.returnedCookies = &cookies});
  EXPECT_EQ(cookies, "");
}

TEST(RequestReplyTest, RedirectsFollowedUnlessSwitchedOff) {
  LoopbackServer server([](const RecordedRequest& r) {
    if (r.requestLine.starts_with("GET /from")) return Reply("302 Found", "Location: /to\r\n", "moved");
    return Reply("200 OK", "", "arrived");
  });
  std::string status, location;
  EXPECT_EQ(SendHttpRequest(server.Url("/from"), {.statusText = &status}), "arrived");
  EXPECT_EQ(status, "200 OK");
  EXPECT_EQ(server.RequestCount(), 2u);
  server.ClearRequests();
  EXPECT_EQ(SendHttpRequest(server.Url("/from"), {.noRedirect = true, .location = &location, .statusText = &status}),
            "moved");
  EXPECT_EQ(status, "302 Found");
  EXPECT_EQ(location, "/to");
  EXPECT_EQ(server.RequestCount(), 1u);
}

TEST(RequestReplyTest, BodiesWithZerosChunksAndSize) {
  std::string large(3 * 1024 * 1024 + 17, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = PatternByte(i * 7);
  LoopbackServer server([&large](const RecordedRequest& r) {
    if (r.requestLine.starts_with("GET /zero")) return Reply("200 OK", "", std::string("ab\0cd", 5));
    if (r.requestLine.starts_with("GET /chunked")) return ChunkedReply("200 OK", "", large, 10000);
    ScriptedReply reply = Reply("200 OK", "", "");
    reply.head = "HTTP/1.1 200 OK\r\nContent-Length: 20000000\r\n\r\n";
    reply.patternBytes = 20000000;
    return reply;
  });
  ByteBuffer bytes;
  EXPECT_EQ(SendHttpRequest(server.Url("/zero"), {.responseBytes = &bytes}), "ab");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("ab\0cd", 5));

  EXPECT_EQ(SendHttpRequest(server.Url("/chunked"), {.responseBytes = &bytes}), large);
  EXPECT_EQ(bytes.size(), large.size());

  std::string text = SendHttpRequest(server.Url("/big"));
  ASSERT_EQ(text.size(), 20000000u);
  bool intact = true;
  for (std::size_t i = 0; i < text.size() && intact; i += 4099) intact = text[i] == PatternByte(i);
  EXPECT_TRUE(intact);
}

TEST(RequestReplyTest, MetaCharsetRedecodesOtherCharsets) {
  // 中文 in UTF-8 and in GBK.
  const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87";
  const std::string gbk = "\xD6\xD0\xCE\xC4";
  LoopbackServer server([&](const RecordedRequest& r) {
    std::string path = r.requestLine.substr(4, r.requestLine.find(' ', 4) - 4);
    if (path == "/utf8")
      return Reply("200 OK", "", "<html><META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">" + utf8);
    if (path == "/gb2312") return Reply("200 OK", "", "<meta charset=\"gb2312\">" + gbk);
    if (path == "/GBK") return Reply("200 OK", "", "<meta charset=\"GBK\">" + gbk);
    if (path == "/bad-utf8")
      return Reply("200 OK", "", "<meta charset=utf-8>\xFF\xFE\xC3(" + utf8 + "\xE4\xB8");
    if (path == "/late") return Reply("200 OK", "", std::string(1100, ' ') + "<meta charset=utf-8>" + utf8);
    return Reply("200 OK", "", "<meta charset=\"no-such-charset\">" + gbk);
  });
  EXPECT_EQ(SendHttpRequest(server.Url("/utf8")), "<html><META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">" + gbk);
  EXPECT_EQ(SendHttpRequest(server.Url("/gb2312")), "<meta charset=\"gb2312\">" + gbk);
  EXPECT_EQ(SendHttpRequest(server.Url("/GBK")), "<meta charset=\"GBK\">" + gbk);
  // Only the first 1024 bytes are searched for the tag.
  EXPECT_EQ(SendHttpRequest(server.Url("/late")), std::string(1100, ' ') + "<meta charset=utf-8>" + utf8);
  // Broken UTF-8 still decodes (replacement characters), the good part intact.
  std::string bad = SendHttpRequest(server.Url("/bad-utf8"));
  EXPECT_TRUE(bad.starts_with("<meta charset=utf-8>")) << bad;
  EXPECT_NE(bad.find(gbk), std::string::npos) << bad;
  // A charset the stream object does not know leaves the text as received.
  EXPECT_EQ(SendHttpRequest(server.Url("/unknown")), "<meta charset=\"no-such-charset\">" + gbk);
}

// --- Failures. ---

TEST(RequestFailureTest, NumberedStatusTexts) {
  std::string status, headers = "kept", cookies = "kept";
  ByteBuffer bytes{1, 2, 3};
  EXPECT_EQ(SendHttpRequest("not a url", {.returnedCookies = &cookies, .responseHeaders = &headers,
                                          .statusText = &status, .responseBytes = &bytes}),
            "");
  EXPECT_EQ(status, "701 \xBD\xE2\xCE\xF6URL\xB5\xD8\xD6\xB7\xCA\xA7\xB0\xDC!"); /* 701 解析URL地址失败! */
  EXPECT_EQ(headers, "kept");
  EXPECT_EQ(cookies, "kept");
  EXPECT_EQ(bytes.size(), 3u);
  EXPECT_EQ(SendHttpRequest("", {.statusText = &status}), "");
  EXPECT_EQ(status, http_status::kBadUrl);
  EXPECT_EQ(SendHttpRequest("ftp://127.0.0.1/x", {.statusText = &status}), "");
  EXPECT_EQ(status, http_status::kBadUrl);

  // A header text WinHttp cannot take.
  EXPECT_EQ(SendHttpRequest("http://127.0.0.1:1/", {.headers = "no colon in this line", .statusText = &status}), "");
  EXPECT_EQ(status, "710 \xC9\xE8\xD6\xC3\xD0\xAD\xD2\xE9\xCD\xB7\xCA\xA7\xB0\xDC!"); /* 710 设置协议头失败! */

  // Nothing listening: the send fails (or, on some systems, the receive).
  EXPECT_EQ(SendHttpRequest("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/", {.statusText = &status}), "");
  EXPECT_TRUE(status == "711 \xB7\xA2\xCB\xCD\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!" /* 711 发送请求失败! */ ||
              status == "712 \xB7\xFE\xCE\xF1\xC6\xF7\xCE\xB4\xCF\xEC\xD3\xA6!" /* 712 服务器未响应! */)
      << status;
}

TEST(RequestFailureTest, StalledReplyTimesOut) {
  LoopbackServer server([](const RecordedRequest&) {
    ScriptedReply reply = Reply("200 OK", "", "late");
    reply.delayMs = 10000;
    return reply;
  });
  std::string status;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SendHttpRequest(server.Url("/slow"), {.timeoutSeconds = 1, .statusText = &status}), "");
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(status, http_status::kNoResponse);
  EXPECT_LT(seconds, 6.0);
}

TEST(RequestFailureTest, ConnectionDroppedMidBodyIsReported) {
  LoopbackServer server([](const RecordedRequest& r) {
    ScriptedReply reply;
    if (r.requestLine.starts_with("GET /chunked")) {
      reply = ChunkedReply("200 OK", "", std::string(50000, 'z'), 4096);
    } else {
      reply.head = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n";
      reply.patternBytes = 100000;
    }
    reply.dropAfter = reply.head.size() + 30000;
    return reply;
  });
  std::string status, headers;
  ByteBuffer bytes;
  std::string text = SendHttpRequest(server.Url("/plain"),
                                     {.responseHeaders = &headers, .statusText = &status, .responseBytes = &bytes});
  // A body shorter than its declared length never passes for a whole one; what
  // arrived is still handed over.
  EXPECT_EQ(status, http_status::kReadFailed);
  EXPECT_EQ(bytes.size(), 30000u);
  EXPECT_EQ(text.size(), 30000u);
  EXPECT_TRUE(headers.starts_with("HTTP/1.1 200 OK\r\n"));
  // A chunked body cut short ends the read without a hang or a crash; whether
  // the cut shows depends on what the system's WinHttp reports.
  bytes.clear();
  SendHttpRequest(server.Url("/chunked"), {.statusText = &status, .responseBytes = &bytes});
  EXPECT_LT(bytes.size(), 30000u);
  EXPECT_TRUE(status == "200 OK" || status == http_status::kReadFailed) << status;
}

TEST(RequestFailureTest, RunningOutOfMemoryIsAFailedRead) {
  LoopbackServer server([](const RecordedRequest& r) {
    ScriptedReply reply;
    if (r.requestLine.starts_with("GET /claims")) {
      // Claims 4 GB, sends 1 KB.
      reply.head = "HTTP/1.1 200 OK\r\nContent-Length: 4294967296\r\n\r\n";
      reply.body = std::string(1024, 'c');
      reply.close = true;
    } else {
      reply.head = "HTTP/1.1 200 OK\r\nContent-Length: 4194304\r\n\r\n";
      reply.patternBytes = 4 << 20;  // generated as it goes out: the server needs no such block
    }
    return reply;
  });
  std::string status;
  ByteBuffer bytes;
  {
    // Nothing the size of the claim may be set aside.
    testing::FailingAllocations failing(64 << 20);
    EXPECT_EQ(SendHttpRequest(server.Url("/claims"), {.statusText = &status, .responseBytes = &bytes}),
              std::string(1024, 'c'));
    EXPECT_EQ(failing.Failed(), 0);
  }
  EXPECT_EQ(status, http_status::kReadFailed);
  EXPECT_EQ(bytes.size(), 1024u);

  // Memory that runs out while an honest body arrives.
  {
    testing::FailingAllocations failing(2 << 20);
    SendHttpRequest(server.Url("/honest"), {.statusText = &status});
    EXPECT_GT(failing.Failed(), 0);
  }
  EXPECT_EQ(status, http_status::kReadFailed);
}

TEST(RequestTlsTest, HttpsWithATrustedTestCertificate) {
  // The fixture's HTTPS server echoes each request. The flat engine checks
  // certificates, so inside Wine the server's throw-away certificate is made a
  // trusted root of the test prefix first.
  const std::string base = testing::TlsServerUrl(ORNIVEX_TLS_DIR);
  if (base.empty()) GTEST_SKIP() << "no HTTPS test server (it runs as a CTest fixture)";
  if (!testing::RunningUnderWine()) GTEST_SKIP() << "needs the test certificate among the trusted roots";
  ASSERT_TRUE(testing::TrustTlsServerCertificate(ORNIVEX_TLS_DIR));
  std::string status, cookies;
  std::string echo = SendHttpRequest(base + "/s?q=1", {.method = kHttpPost, .body = "k=v",
                                                        .returnedCookies = &cookies, .statusText = &status});
  EXPECT_EQ(status, "200 OK");
  EXPECT_EQ(cookies, "tls=1");
  EXPECT_TRUE(echo.starts_with("POST /s?q=1 HTTP/1.1\r\n" + kUserAgent + "\r\n" + kAccept + "\r\n")) << echo;
  EXPECT_TRUE(echo.ends_with("\r\n\r\nk=v")) << echo;
}

// --- Bad input never crashes or hangs. ---

TEST(RequestRobustnessTest, HundredMegabyteRequestBody) {
  std::size_t received = 0;
  LoopbackServer server([&received](const RecordedRequest& r) {
    received = r.body.size();
    return Reply("200 OK", "", "got it");
  });
  std::string body(100u << 20, 'q');
  std::string status;
  EXPECT_EQ(SendHttpRequest(server.Url("/up"), {.method = kHttpPost, .body = body, .timeoutSeconds = 30,
                                                .statusText = &status}),
            "got it");
  EXPECT_EQ(status, "200 OK");
  EXPECT_EQ(received, body.size());
}

TEST(RequestRobustnessTest, TenThousandHeaderLines) {
  LoopbackServer server([](const RecordedRequest&) {
    std::string lines;
    for (int i = 0; i < 10000; ++i) lines += "X-Line-" + std::to_string(i) + ": value\r\n";
    lines += "Set-Cookie: last=1\r\n";
    return Reply("200 OK", lines, "body");
  });
  std::string headers, cookies, status;
  std::string requestLines;
  for (int i = 0; i < 1000; ++i) requestLines += (i ? "\r\nX-Req-" : "X-Req-") + std::to_string(i) + ": v";
  std::string text = SendHttpRequest(server.Url("/many"), {.returnedCookies = &cookies, .headers = requestLines,
                                                           .responseHeaders = &headers, .statusText = &status});
  // Either the exchange goes through whole or it fails cleanly with a text.
  if (status == "200 OK") {
    EXPECT_EQ(text, "body");
    EXPECT_EQ(cookies, "last=1");
    EXPECT_NE(headers.find("X-Line-9999: value\r\n"), std::string::npos);
  } else {
    EXPECT_EQ(text, "");
    EXPECT_TRUE(status.starts_with("7")) << status;
  }
}

}  // namespace
}  // namespace ornivex
