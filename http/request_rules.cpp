#include "http/request_rules.h"

#include "http/encoding.h"
#include "http/text.h"

namespace ornivex {
namespace {

constexpr std::string_view kCrLf = "\r\n";

bool Contains(std::string_view text, std::string_view key, bool ignoreCase) {
  return FindGbk(text, key, 0, ignoreCase) != std::string_view::npos;
}

// Calls `visit` for each line of `block` split at CR LF (the last piece too).
template <typename Visit>
void ForEachLine(std::string_view block, Visit&& visit) {
  std::size_t from = 0;
  for (;;) {
    std::size_t end = block.find(kCrLf, from);
    if (end == std::string_view::npos) {
      visit(block.substr(from));
      return;
    }
    visit(block.substr(from, end - from));
    from = end + kCrLf.size();
  }
}

}  // namespace

std::string_view HttpVerb(int method) {
  static constexpr std::string_view kVerbs[] = {"GET",     "POST",   "HEAD",  "PUT",
                                                "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  if (method < 0 || method > 7) return kVerbs[0];
  return kVerbs[method];
}

std::string BuildRequestHeaderBlock(std::string_view headers, int method, std::string_view cookies) {
  std::string block;
  block.reserve(headers.size() + 400 + cookies.size());
  if (!headers.empty()) {
    block.append(headers);
    block.append(kCrLf);
  }
  auto addUnless = [&block](std::string_view key, std::string_view line) {
    if (Contains(block, key, true)) return;
    block.append(line);
    block.append(kCrLf);
  };
  addUnless("User-Agent: ", "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)");
  addUnless("Accept: ", "Accept: text/html, application/xhtml+xml, */*");
  addUnless("Accept-Encoding: ", "Accept-Encoding: gbk, GB2312");
  addUnless("Accept-Language: ", "Accept-Language: zh-cn");
  // WinHttp replaces a header of the same name whatever its case, so a caller's
  // "content-type:" line must hold the default back too or its value is lost.
  if (method == kHttpPost) addUnless("Content-Type:", "Content-Type: application/x-www-form-urlencoded");
  addUnless("Cache-Control: ", "Cache-Control: no-cache");
  if (!cookies.empty() && !Contains(block, "Cookie: ", true)) {
    block.append("Cookie: ");
    block.append(cookies);
    block.append(kCrLf);
  }
  return block;
}

void ExtendComRequestHeaders(std::string& headers, std::string_view url, int method) {
  if (headers.empty()) {
    headers = "Accept: */*";
  } else if (!Contains(headers, "Accept:", false)) {
    headers.append("\r\nAccept: */*");
  }
  if (!Contains(headers, "Referer:", false)) {
    headers.append("\r\nReferer: ");
    headers.append(url);
  }
  if (!Contains(headers, "Accept-Language:", false)) headers.append("\r\nAccept-Language: zh-cn");
  if (!Contains(headers, "User-Agent:", false))
    headers.append("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
  if (method == kHttpPost && !Contains(headers, "Content-Type:", false))
    headers.append("\r\nContent-Type: application/x-www-form-urlencoded");
}

HeaderField SplitHeaderLine(std::string_view line) {
  std::size_t colon = FindGbk(line, ":");
  if (colon == std::string_view::npos) return {};
  return {std::string(TrimSpaces(line.substr(0, colon))), std::string(TrimSpaces(line.substr(colon + 1)))};
}

std::vector<HeaderField> SplitHeaderLines(std::string_view headers) {
  std::vector<HeaderField> fields;
  ForEachLine(headers, [&fields](std::string_view line) {
    if (!line.empty()) fields.push_back(SplitHeaderLine(line));
  });
  return fields;
}

std::string CollectSetCookies(std::string_view responseHeaders) {
  std::string cookies;
  ForEachLine(responseHeaders, [&cookies](std::string_view line) {
    if (TextBefore(line, ": ") != "Set-Cookie") return;
    std::string pair;
    if (FindGbk(line, ";") != std::string_view::npos) {
      pair = TextBetween(line, "Set-Cookie:", ";");
    } else {
      std::string_view rest = line;
      for (std::size_t at; (at = FindGbk(rest, "Set-Cookie:")) != std::string_view::npos;) {
        pair.append(rest.substr(0, at));
        rest.remove_prefix(at + 11);
      }
      pair.append(rest);
    }
    std::string_view trimmed = TrimSpaces(pair);
    if (trimmed.empty()) return;  // "Set-Cookie: ; path=/" carries no pair
    if (!cookies.empty()) cookies.append("; ");
    cookies.append(trimmed);
  });
  return cookies;
}

std::string LocationFromHeaders(std::string_view responseHeaders, bool* found) {
  std::string location;
  bool any = false;
  ForEachLine(responseHeaders, [&](std::string_view line) {
    if (line.size() >= 10 && FindGbk(line.substr(0, 10), "Location: ", 0, true) == 0) {
      location.assign(line.substr(10));
      any = true;
    }
  });
  if (found) *found = any;
  return location;
}

std::string StatusTextFromHeaders(std::string_view responseHeaders) {
  if (responseHeaders.size() < 9) return {};
  std::size_t end = responseHeaders.find(kCrLf, 9);
  if (end == std::string_view::npos) return {};
  return std::string(responseHeaders.substr(9, end - 9));
}

std::string ComProxyAuthorization(std::string_view proxy, std::string_view proxyUser,
                                  std::string_view proxyPassword, int proxyAuthMode) {
  if (proxy.empty() || proxyUser.empty() || proxyAuthMode != 1) return {};
  std::string credentials(proxyUser);
  credentials += ':';
  credentials += proxyPassword;
  return "Basic " + EncodeBase64(std::string_view(credentials));
}

std::string_view UrlWithoutQuery(std::string_view url) { return url.substr(0, url.find_first_of("?#")); }

}  // namespace ornivex
