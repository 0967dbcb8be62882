#include "http/com_request.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <string>

#include "http/com.h"
#include "http/text.h"
#include "runtime/diagnostics.h"

namespace ornivex {
namespace {

constexpr std::int32_t kProxySettingProxy = 2;           // HTTPREQUEST_PROXYSETTING_PROXY
constexpr std::int32_t kOptionSslErrorIgnoreFlags = 4;   // WinHttpRequestOption_SslErrorIgnoreFlags
constexpr std::int32_t kOptionEnableRedirects = 6;       // WinHttpRequestOption_EnableRedirects
constexpr std::int32_t kIgnoreAllCertificateErrors = 0x3300;

std::int32_t TimeoutMilliseconds(int seconds) {
  if (seconds < 1) return 15000;
  return static_cast<std::int32_t>(std::min<long long>(static_cast<long long>(seconds) * 1000, INT_MAX));
}

HRESULT PutOption(IDispatch* request, std::int32_t option, Variant value) {
  Variant index = Variant::FromInt(option);
  Variant args[] = {index, value};
  return InvokeByName(request, L"Option", DISPATCH_PROPERTYPUT, args, nullptr);
}

void SetHeader(IDispatch* request, std::string_view name, std::string_view value) {
  if (name.empty()) return;  // the object refuses a nameless header anyway
  CallMethod(request, L"SetRequestHeader", {Variant::FromGbk(name), Variant::FromGbk(value)});
}

}  // namespace

ByteBuffer SendComHttpRequest(std::string_view url, const ComHttpRequestOptions& o) {
  ComApartment com;  // first: released last
  const std::string_view verb = HttpVerb(o.method);

  DispatchRef request =
      o.requestObject ? DispatchRef::Share(o.requestObject) : CreateDispatchObject(L"WinHttp.WinHttpRequest.5.1");
  if (!request) return {};
  IDispatch* r = request.get();

  if (o.timeoutSeconds != -1) {
    const std::int32_t t = TimeoutMilliseconds(o.timeoutSeconds);
    CallMethod(r, L"SetTimeouts", {Variant::FromInt(t), Variant::FromInt(t), Variant::FromInt(t), Variant::FromInt(t)});
  }
  if (!o.proxy.empty()) CallMethod(r, L"SetProxy", {Variant::FromInt(kProxySettingProxy), Variant::FromGbk(o.proxy)});

  HRESULT hr = CallMethod(r, L"Open", {Variant::FromGbk(verb), Variant::FromGbk(url), Variant::FromBool(false)});
  bool ok = SUCCEEDED(hr);
  if (!ok) TraceHresult(L"COM HTTP request: Open", hr, UrlWithoutQuery(url));
  // The object takes request headers only once it is open.
  if (ok) {
    const std::string proxyAuthorization =
        ComProxyAuthorization(o.proxy, o.proxyUser, o.proxyPassword, o.proxyAuthMode);
    if (!proxyAuthorization.empty()) SetHeader(r, "Proxy-Authorization", proxyAuthorization);
  }
  if (ok && o.noRedirect) PutOption(r, kOptionEnableRedirects, Variant::FromBool(false));
  if (ok) PutOption(r, kOptionSslErrorIgnoreFlags, Variant::FromInt(kIgnoreAllCertificateErrors));

  std::string localHeaders;
  std::string& headers = o.headers ? *o.headers : localHeaders;
  ExtendComRequestHeaders(headers, url, o.method);
  if (ok) {
    if (!o.cookies.empty()) SetHeader(r, "Cookie", o.cookies);
    for (const HeaderField& field : SplitHeaderLines(headers)) SetHeader(r, field.name, field.value);
    // The caller's array goes as it is; only a body given in another form is
    // copied into one. (An argument list in braces would copy it once more.)
    Variant made;
    if (!o.bodyArray) made = o.bodyBytes.empty() ? Variant::FromGbk(o.body) : Variant::FromBytes(o.bodyBytes);
    const Variant& body = o.bodyArray ? *o.bodyArray : made;
    hr = InvokeByName(r, L"Send", DISPATCH_METHOD, std::span<const Variant>(&body, 1), nullptr);
    ok = SUCCEEDED(hr);
    if (!ok) TraceHresult(L"COM HTTP request: Send", hr, UrlWithoutQuery(url));
  }

  ByteBuffer result;
  std::string responseHeaders;
  std::int32_t status = 0;
  if (ok) {
    // All three or nothing: a reply half read is no reply.
    Variant body, heads, code;
    ok = SUCCEEDED(hr = GetProperty(r, L"ResponseBody", body)) &&
         SUCCEEDED(hr = CallMethod(r, L"GetAllResponseHeaders", {}, &heads)) &&
         SUCCEEDED(hr = GetProperty(r, L"Status", code));
    if (!ok) TraceHresult(L"COM HTTP request: reading the reply", hr, UrlWithoutQuery(url));
    if (ok) {
      result = body.ToBytes();
      responseHeaders = heads.ToGbk();
      status = code.ToInt();
    }
  }
  if (o.responseHeaders) *o.responseHeaders = responseHeaders;
  if (o.status) *o.status = status;
  if (o.returnedCookies) {
    // A failed exchange reports no cookies at all, not the ones it was given.
    std::string fresh = ok ? CollectSetCookies(responseHeaders) : std::string();
    if (ok && o.mergeCookies && !o.cookies.empty()) fresh = MergeCookies(o.cookies, fresh);
    *o.returnedCookies = std::move(fresh);
  }
  return result;
}

}  // namespace ornivex
