// Read throughput of the two request engines for large bodies from a loopback
// server, against a plain Winsock client reading the same body in the same run,
// and how their times grow from 8 MB to 64 MB. Each engine is also set against
// what it wraps, used directly with nothing of ours around it, on the same 64 MB:
// the flat engine against WinHttp's flat functions (the same calls, the body read
// as they report it), the COM engine against the request object (Open, Send,
// ResponseBody through IDispatch). Those ratios are the engines' own overhead.
// The flat engine is timed as the program calls it (the text alone) and with the
// body's bytes asked for too. ORNIVEX_BENCH_FLOOR_ONLY=1 runs only this last part.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

#include <oleauto.h>
#include <winhttp.h>

#include "http/com.h"
#include "http/com_request.h"
#include "http/request.h"
#include "tests/http/support/loopback_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using ornivex::testing::LoopbackServer;
using ornivex::testing::RecordedRequest;
using ornivex::testing::ScriptedReply;
constexpr int kRounds = 3;

// Best of kRounds, in seconds; `f` returns the number of body bytes it got.
template <class F>
double Best(std::size_t expected, F&& f, int rounds = kRounds) {
  double best = 1e9;
  for (int i = 0; i < rounds; ++i) {
    const auto begin = Clock::now();
    std::size_t got = f();
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    if (got != expected) {
      std::printf("  !! got %zu bytes, expected %zu\n", got, expected);
      return -1;
    }
    best = std::min(best, seconds);
  }
  return best;
}

// The plain client: one GET, then everything up to the server's close.
std::size_t PlainGet(std::uint16_t port, std::size_t size) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    closesocket(s);
    return 0;
  }
  std::string request = "GET /" + std::to_string(size) + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  send(s, request.data(), static_cast<int>(request.size()), 0);
  std::vector<char> data;
  char buffer[64 * 1024];
  for (int n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) data.insert(data.end(), buffer, buffer + n);
  closesocket(s);
  std::string_view all(data.data(), data.size());
  std::size_t head = all.find("\r\n\r\n");
  return head == std::string_view::npos ? 0 : all.size() - head - 4;
}

// WinHttp's flat functions on their own, in the order the engine calls them: a GET
// with the engine's options (no proxy, time-outs, no automatic cookies), the body
// read into one buffer sized from its declared length, in pieces of up to 1 MB
// (as the engine reads a body of declared length), with no thread, pump or copy.
std::size_t DirectWinHttpGet(const std::wstring& url) {
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCheckPlatform() || !WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return 0;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  const std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
  std::unique_ptr<std::uint8_t[]> body;
  std::size_t size = 0;
  HINTERNET session = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  HINTERNET connection = session ? WinHttpConnect(session, host.c_str(), parts.nPort, 0) : nullptr;
  HINTERNET request = connection ? WinHttpOpenRequest(connection, L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                                      WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                                 : nullptr;
  DWORD noCookies = WINHTTP_DISABLE_COOKIES;
  wchar_t length[32] = {};
  DWORD lengthSize = sizeof length - sizeof(wchar_t);
  if (request && WinHttpSetTimeouts(request, 60000, 60000, 60000, 60000) &&
      WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &noCookies, sizeof noCookies) &&
      WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
      WinHttpReceiveResponse(request, nullptr) &&
      WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, length, &lengthSize,
                          WINHTTP_NO_HEADER_INDEX)) {
    const std::size_t declared = std::wcstoull(length, nullptr, 10);
    body.reset(new std::uint8_t[declared]);
    for (DWORD available = 0; size < declared && WinHttpQueryDataAvailable(request, &available) && available > 0;) {
      const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(declared - size, std::max<DWORD>(available, 1u << 20)));
      DWORD read = 0;
      if (!WinHttpReadData(request, body.get() + size, piece, &read)) break;
      size += read;
    }
  }
  for (HINTERNET h : {request, connection, session})
    if (h) WinHttpCloseHandle(h);
  return size;
}

// One late-bound call on the object, arguments given last first as IDispatch
// takes them.
HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* args, UINT count, VARIANT* result) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  DISPPARAMS params{args, nullptr, count, 0};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

// The request object on its own: a GET and the size of the body it hands back.
std::size_t DirectComGet(const std::wstring& url) {
  CLSID clsid;
  IDispatch* request = nullptr;
  if (FAILED(CLSIDFromProgID(L"WinHttp.WinHttpRequest.5.1", &clsid)) ||
      FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&request))))
    return 0;
  VARIANT open[3];
  V_VT(&open[0]) = VT_BOOL;
  V_BOOL(&open[0]) = VARIANT_FALSE;
  V_VT(&open[1]) = VT_BSTR;
  V_BSTR(&open[1]) = SysAllocString(url.c_str());
  V_VT(&open[2]) = VT_BSTR;
  V_BSTR(&open[2]) = SysAllocString(L"GET");
  VARIANT nothing;
  V_VT(&nothing) = VT_ERROR;
  V_ERROR(&nothing) = DISP_E_PARAMNOTFOUND;
  VARIANT body;
  VariantInit(&body);
  std::size_t size = 0;
  if (SUCCEEDED(Invoke(request, L"Open", DISPATCH_METHOD, open, 3, nullptr)) &&
      SUCCEEDED(Invoke(request, L"Send", DISPATCH_METHOD, &nothing, 1, nullptr)) &&
      SUCCEEDED(Invoke(request, L"ResponseBody", DISPATCH_PROPERTYGET, nullptr, 0, &body)) &&
      V_VT(&body) == (VT_ARRAY | VT_UI1)) {
    LONG upper = -1;
    SafeArrayGetUBound(V_ARRAY(&body), 1, &upper);
    size = static_cast<std::size_t>(upper + 1);
  }
  VariantClear(&body);
  VariantClear(&open[1]);
  VariantClear(&open[2]);
  request->Release();
  return size;
}

}  // namespace

int main() {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  // GET /<n> answers n generated bytes with a Content-Length, closing afterwards
  // when asked to.
  LoopbackServer server([](const RecordedRequest& r) {
    std::size_t size = std::strtoull(r.requestLine.c_str() + 5, nullptr, 10);
    ScriptedReply reply;
    reply.head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                 std::to_string(size) + "\r\n\r\n";
    reply.patternBytes = size;
    reply.close = r.Header("Connection") == "close";
    return reply;
  });
  ornivex::ComApartment com;

  const char* floorOnly = std::getenv("ORNIVEX_BENCH_FLOOR_ONLY");
  if (!floorOnly || std::string(floorOnly) != "1") {
    std::printf("body MB   plain s   flat s   COM s   flat/plain  COM/plain  (throughput ratio, best of %d)\n", kRounds);
    double first[3] = {}, last[3] = {};
    for (std::size_t mb : {8, 16, 32, 64}) {
      const std::size_t size = mb << 20;
      std::string path = "/";
      path += std::to_string(size);
      const std::string url = server.Url(path);
      double plain = Best(size, [&] { return PlainGet(server.port(), size); });
      double flat = Best(size, [&] {
        ornivex::ByteBuffer bytes;
        ornivex::SendHttpRequest(url, {.timeoutSeconds = 60, .responseBytes = &bytes});
        return bytes.size();
      });
      double viaCom = Best(size, [&] {
        return ornivex::SendComHttpRequest(url, {.timeoutSeconds = 60}).size();
      });
      std::printf("%7zu  %8.3f  %7.3f  %6.3f  %10.2f  %9.2f\n", mb, plain, flat, viaCom, plain / flat, plain / viaCom);
      double t[3] = {plain, flat, viaCom};
      for (int i = 0; i < 3; ++i) {
        if (mb == 8) first[i] = t[i];
        last[i] = t[i];
      }
    }
    std::printf("growth 8 -> 64 MB (linear = 8.0): plain %.1f, flat %.1f, COM %.1f\n", last[0] / first[0],
                last[1] / first[1], last[2] / first[2]);

  }

  // The same 64 MB through what each engine wraps, used alone, alternating with
  // the engine so that both see the same machine.
  const std::size_t size = std::size_t{64} << 20;
  const std::string url = server.Url("/" + std::to_string(size));
  const std::wstring wideUrl(url.begin(), url.end());
  double winHttp = 1e9, flatText = 1e9, flatBytes = 1e9, direct = 1e9, engine = 1e9;
  for (int i = 0; i < kRounds; ++i) {
    winHttp = std::min(winHttp, Best(size, [&] { return DirectWinHttpGet(wideUrl); }, 1));
    flatText = std::min(flatText, Best(size, [&] { return ornivex::SendHttpRequest(url, {.timeoutSeconds = 60}).size(); }, 1));
    flatBytes = std::min(flatBytes, Best(size, [&] {
                           ornivex::ByteBuffer bytes;
                           ornivex::SendHttpRequest(url, {.timeoutSeconds = 60, .responseBytes = &bytes});
                           return bytes.size();
                         }, 1));
    direct = std::min(direct, Best(size, [&] { return DirectComGet(wideUrl); }, 1));
    engine = std::min(engine,
                      Best(size, [&] { return ornivex::SendComHttpRequest(url, {.timeoutSeconds = 60}).size(); }, 1));
  }
  std::printf("64 MB, best of %d: WinHttp's flat functions alone %.3f s; flat engine, text %.3f s, text and bytes"
              " %.3f s:\n  flat engine at %.2f (text) and %.2f (text and bytes) of WinHttp's throughput"
              " (goal at least 0.90)\n", kRounds, winHttp, flatText, flatBytes, winHttp / flatText, winHttp / flatBytes);
  std::printf("64 MB, best of %d: request object alone %.3f s, COM engine %.3f s:\n  COM engine at %.2f of the"
              " object's throughput (goal at least 0.90)\n", kRounds, direct, engine, direct / engine);
  WSACleanup();
  return 0;
}
