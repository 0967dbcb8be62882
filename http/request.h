#pragma once
// SendHttpRequest: one complete, blocking HTTP or HTTPS exchange over the WinHttp
// flat API. Text is GBK throughout. Failures come back as empty text plus a
// numbered status text ("700 ..." to "713 ..."), never as exceptions.
//
// While the exchange runs the calling thread keeps dispatching its window
// messages, so a call from the user-interface thread leaves the windows
// responsive. A request started from a window procedure during that dispatching
// runs to completion without dispatching messages itself, so calls never nest
// more than one level deep.
//
//   std::string status, cookiesBack;
//   std::string page = SendHttpRequest("http://127.0.0.1:8080/a?b=1",
//                                      {.method = kHttpPost, .body = "x=1",
//                                       .returnedCookies = &cookiesBack, .statusText = &status});
#include <string>
#include <string_view>

#include "http/encoding.h"
#include "http/request_rules.h"

namespace ornivex {

// The optional parameters, in call order. Inputs fall back to the defaults shown;
// out parameters are written only when a pointer is given.
struct HttpRequestOptions {
  int method = kHttpGet;
  std::string_view body{};               // GBK bytes sent as they stand
  std::string_view cookies{};            // "a=1; b=2"
  std::string* returnedCookies = nullptr;  // in/out: the Set-Cookie pairs are appended ("; "
                                           // between old and new text)
  std::string_view headers{};            // extra lines separated by CR LF, no final CR LF
  std::string* responseHeaders = nullptr;  // out: the raw response header block
  bool noRedirect = false;
  std::string_view userName{};           // Basic authentication at the server
  std::string_view password{};
  std::string_view proxy{};              // "host:port"; empty: no proxy
  std::string_view proxyUser{};
  std::string_view proxyPassword{};
  int timeoutSeconds = 0;              // below 1: 30 seconds
  std::string* location = nullptr;     // out: value of the last Location header
  std::string* statusText = nullptr;   // out: "200 OK", or a numbered failure text; a body
                                       // cut short keeps "713 ..." (the rest is still written)
  ByteBuffer* responseBytes = nullptr; // out: the body exactly as received
  bool mergeCookies = true;            // merge `cookies` into *returnedCookies
};

// Returns the response body as GBK text (up to its first zero byte, re-decoded
// when the page declares another charset in a meta tag); empty on failure.
std::string SendHttpRequest(std::string_view url, const HttpRequestOptions& options = {});

// The numbered failure texts written to statusText.
namespace http_status {
inline constexpr std::string_view kNoWinHttp =
    "700 \xB5\xB1\xC7\xB0\xCF\xB5\xCD\xB3\xB2\xBB\xD6\xA7\xB3\xD6WinHttp\xB7\xFE\xCE\xF1!"; /* 700 当前系统不支持WinHttp服务! */
inline constexpr std::string_view kBadUrl =
    "701 \xBD\xE2\xCE\xF6URL\xB5\xD8\xD6\xB7\xCA\xA7\xB0\xDC!"; /* 701 解析URL地址失败! */
inline constexpr std::string_view kOpenFailed =
    "702 \xB4\xB4\xBD\xA8WinHttp\xBB\xE1\xBB\xB0\xCA\xA7\xB0\xDC!"; /* 702 创建WinHttp会话失败! */
inline constexpr std::string_view kConnectFailed =
    "703 \xB4\xB4\xBD\xA8WinHttp\xC1\xAC\xBD\xD3\xCA\xA7\xB0\xDC!"; /* 703 创建WinHttp连接失败! */
inline constexpr std::string_view kOpenRequestFailed =
    "704 \xB4\xB4\xBD\xA8WinHttp\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!"; /* 704 创建WinHttp请求失败! */
inline constexpr std::string_view kTimeoutsFailed =
    "705 \xC9\xE8\xD6\xC3\xB3\xAC\xCA\xB1\xCA\xB1\xBC\xE4\xCA\xA7\xB0\xDC!"; /* 705 设置超时时间失败! */
inline constexpr std::string_view kCredentialsFailed =
    "707 \xC9\xE8\xD6\xC3\xB4\xFA\xC0\xED\xC6\xBE\xD6\xA4\xCA\xA7\xB0\xDC!"; /* 707 设置代理凭证失败! */
inline constexpr std::string_view kCookieOptionFailed =
    "708 \xBD\xFB\xD6\xB9\xD7\xD4\xB6\xAF\xC9\xE8\xD6\xC3" "Cookies\xCA\xA7\xB0\xDC!"; /* 708 禁止自动设置Cookies失败! */
inline constexpr std::string_view kRedirectOptionFailed =
    "709 \xD6\xD8\xB6\xA8\xCF\xF2\xC9\xE8\xD6\xC3\xCA\xA7\xB0\xDC!"; /* 709 重定向设置失败! */
inline constexpr std::string_view kHeadersFailed =
    "710 \xC9\xE8\xD6\xC3\xD0\xAD\xD2\xE9\xCD\xB7\xCA\xA7\xB0\xDC!"; /* 710 设置协议头失败! */
inline constexpr std::string_view kSendFailed =
    "711 \xB7\xA2\xCB\xCD\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!"; /* 711 发送请求失败! */
inline constexpr std::string_view kNoResponse =
    "712 \xB7\xFE\xCE\xF1\xC6\xF7\xCE\xB4\xCF\xEC\xD3\xA6!"; /* 712 服务器未响应! */
inline constexpr std::string_view kReadFailed =
    "713 \xB6\xC1\xC8\xA1\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!"; /* 713 读取数据失败! */
}  // namespace http_status

}  // namespace ornivex
