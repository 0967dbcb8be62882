#pragma once
// SendComHttpRequest: one blocking HTTP or HTTPS exchange through the system's
// scriptable WinHttp request object. Unlike SendHttpRequest it sends byte-buffer
// bodies, reports the numeric status and ignores certificate errors. It has no
// failure texts: when the exchange fails the body comes back empty, the header
// and cookie outputs empty and the status 0.
//
//   std::string headers = "Content-Type: multipart/form-data; boundary=X";
//   int status = 0;
//   ByteBuffer reply = SendComHttpRequest(url, {.method = kHttpPost, .headers = &headers,
//                                               .status = &status, .bodyBytes = form});
#include <oaidl.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "http/com.h"
#include "http/encoding.h"
#include "http/request_rules.h"

namespace ornivex {

// The optional parameters, in call order. Inputs fall back to the defaults shown;
// out parameters are written only when a pointer is given.
struct ComHttpRequestOptions {
  int method = kHttpGet;
  std::string_view body{};                    // text body, sent when bodyBytes is empty (the
                                            // object sends text as UTF-8; bytes go as they are)
  std::string_view cookies{};                 // "a=1; b=2"
  std::string* returnedCookies = nullptr;   // out: Set-Cookie pairs merged with `cookies`
  std::string* headers = nullptr;           // in/out: lines separated by CR LF; the default
                                            // lines are appended to the caller's text
  std::string* responseHeaders = nullptr;   // out: all response headers
  int* status = nullptr;                    // out: numeric HTTP status, 0 on failure
  bool noRedirect = false;
  std::span<const std::uint8_t> bodyBytes{};  // byte body; wins over `body` when not empty
  std::string_view proxy{};                   // empty: the object's default
  int timeoutSeconds = 0;                   // -1: leave the object's own; below 1: 15 seconds
  std::string_view proxyUser{};
  std::string_view proxyPassword{};
  int proxyAuthMode = 1;                    // 1: Basic Proxy-Authorization; other: none
  IDispatch* requestObject = nullptr;       // a request object to use instead of a new one
  bool mergeCookies = true;
  const Variant* bodyArray = nullptr;       // a byte-array Variant (Variant::ByteArray) sent as it
                                            // is, without a copy; wins over bodyBytes and body
};

// Returns the response body; empty when no request object could be made or the
// exchange failed.
ByteBuffer SendComHttpRequest(std::string_view url, const ComHttpRequestOptions& options = {});

}  // namespace ornivex
