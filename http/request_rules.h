#pragma once
// The text rules of the two request engines that need no network: verbs, the
// default request headers each engine adds, and what is read back out of a raw
// response header block. No Windows header.
#include <string>
#include <string_view>
#include <vector>

namespace ornivex {

// Verbs by index; any other index sends GET.
enum HttpMethod : int {
  kHttpGet = 0,
  kHttpPost = 1,
  kHttpHead = 2,
  kHttpPut = 3,
  kHttpOptions = 4,
  kHttpDelete = 5,
  kHttpTrace = 6,
  kHttpConnect = 7,
};

// The verb sent for a method index ("GET" for an index outside 0..7).
std::string_view HttpVerb(int method);

// SendHttpRequest's header block: the caller's lines (followed by CR LF when
// there are any), then each default line whose key is not in the block yet, in
// this order: User-Agent, Accept, Accept-Encoding, Accept-Language, Content-Type
// (POST only), Cache-Control, Cookie (when `cookies` is not empty). Keys are
// searched with the space after the colon, ignoring letter case; every line
// ends in CR LF.
std::string BuildRequestHeaderBlock(std::string_view headers, int method, std::string_view cookies);

// SendComHttpRequest's header text, extended in place: "Accept: */*" when it is
// empty, then CR LF and each default line whose key (searched exactly, without
// the space) it lacks: Accept, Referer (the request URL), Accept-Language,
// User-Agent, and Content-Type for POST.
void ExtendComRequestHeaders(std::string& headers, std::string_view url, int method);

// The Proxy-Authorization value SendComHttpRequest sets: "Basic " and the Base64
// of the GBK bytes of the user, ":" and the password. Empty when it sets none:
// without a proxy, without a proxy user, or with a mode other than 1.
std::string ComProxyAuthorization(std::string_view proxy, std::string_view proxyUser,
                                  std::string_view proxyPassword, int proxyAuthMode);

// A URL without its query and fragment, for traces: the query may carry
// credentials or a token.
std::string_view UrlWithoutQuery(std::string_view url);

// One request header line cut at its first colon, both parts trimmed. A line
// without a colon gives two empty parts.
struct HeaderField {
  std::string name;
  std::string value;
};
HeaderField SplitHeaderLine(std::string_view line);
// SplitHeaderLine of each non-empty line of a header text whose lines are
// separated by CR LF.
std::vector<HeaderField> SplitHeaderLines(std::string_view headers);

// The cookie pairs of the "Set-Cookie: " lines of a raw header block, in order,
// joined by "; " (attributes such as path and expiry dropped). The header name
// is taken up to the first ": " and compared exactly.
std::string CollectSetCookies(std::string_view responseHeaders);

// The value of the last "Location: " line (name in any case); `found` tells
// whether there was one.
std::string LocationFromHeaders(std::string_view responseHeaders, bool* found = nullptr);

// The status line after its protocol version ("200 OK" out of "HTTP/1.1 200 OK"
// CR LF ...); empty when the block has no CR LF after that point.
std::string StatusTextFromHeaders(std::string_view responseHeaders);

}  // namespace ornivex
