#include "http/request.h"

#include <windows.h>
#include <winhttp.h>
#include <mlang.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cwchar>
#include <new>
#include <span>
#include <string>
#include <utility>

#include "http/com.h"
#include "http/regex.h"
#include "http/text.h"
#include "runtime/codepage.h"
#include "runtime/diagnostics.h"
#include "runtime/handles.h"

namespace ornivex {

// The stream object's own (dual) interface, for systems whose stream object
// answers no calls by name. Enumerations travel as 32-bit values.
// Sizes, positions and counts of characters to copy are pointer-sized: 64-bit
// on x64, 32-bit in a 32-bit build.
struct AdoStream : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Size(LONG_PTR* size) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_EOS(VARIANT_BOOL* eos) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Position(LONG_PTR* position) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Position(LONG_PTR position) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Type(LONG* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Type(LONG type) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_LineSeparator(LONG* separator) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_LineSeparator(LONG separator) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_State(LONG* state) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Mode(LONG* mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Mode(LONG mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Charset(BSTR* charset) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Charset(BSTR charset) = 0;
  virtual HRESULT STDMETHODCALLTYPE Read(LONG count, VARIANT* bytes) = 0;
  virtual HRESULT STDMETHODCALLTYPE Open(VARIANT source, LONG mode, LONG options, BSTR user, BSTR password) = 0;
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;
  virtual HRESULT STDMETHODCALLTYPE SkipLine() = 0;
  virtual HRESULT STDMETHODCALLTYPE Write(VARIANT bytes) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetEOS() = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyTo(AdoStream* target, LONG_PTR count) = 0;
  virtual HRESULT STDMETHODCALLTYPE Flush() = 0;
  virtual HRESULT STDMETHODCALLTYPE SaveToFile(BSTR file, LONG options) = 0;
  virtual HRESULT STDMETHODCALLTYPE LoadFromFile(BSTR file) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadText(LONG count, BSTR* text) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteText(BSTR text, LONG options) = 0;
  virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
};
// The interface's current identifier and the older one it kept answering to:
// {00001565-0000-0010-8000-00AA006D2EA4}, {00000565-0000-0010-8000-00AA006D2EA4}.
inline constexpr IID kIidAdoStreams[] = {
    {0x00001565, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}},
    {0x00000565, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}},
};

namespace {

// --- Message dispatching while a call blocks. ---------------------------------

// Set while this thread is dispatching messages for a request. A request made by
// a window procedure during that time must not dispatch again (its caller's
// frame is still on the stack), so it simply waits.
thread_local bool t_dispatching = false;
// A WM_QUIT taken off the queue while dispatching; posted again when the
// outermost request returns, so the caller's message loop still ends.
thread_local bool t_quitPending = false;
thread_local WPARAM t_quitCode = 0;

void DispatchPendingMessages() {
  if (t_dispatching || t_quitPending) return;
  t_dispatching = true;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      t_quitPending = true;
      t_quitCode = msg.wParam;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  t_dispatching = false;
}

// Waits for `handle`, dispatching this thread's messages meanwhile (unless a
// dispatch is already running further up the stack).
void WaitDispatching(HANDLE handle) {
  for (;;) {
    if (t_dispatching || t_quitPending) {
      WaitForSingleObject(handle, INFINITE);
      return;
    }
    DWORD r = MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (r == WAIT_OBJECT_0 || r == WAIT_FAILED) {
      if (r == WAIT_FAILED) WaitForSingleObject(handle, INFINITE);
      return;
    }
    DispatchPendingMessages();
  }
}

// Counts the requests running on this thread; the outermost one posts a WM_QUIT
// that was swallowed while dispatching.
thread_local int t_depth = 0;
class RequestDepth {
 public:
  RequestDepth() { ++t_depth; }
  ~RequestDepth() {
    if (--t_depth == 0 && t_quitPending) {
      t_quitPending = false;
      PostQuitMessage(static_cast<int>(t_quitCode));
    }
  }
  RequestDepth(const RequestDepth&) = delete;
  RequestDepth& operator=(const RequestDepth&) = delete;
};

// --- The WinHttp exchange. --------------------------------------------------------

using InternetHandle = UniqueResource<handles_detail::NullIsNone<HINTERNET, ::WinHttpCloseHandle>>;

// Everything the blocking part of a request needs; it runs on a helper thread
// and touches nothing outside this record. The inputs are copies: while the
// helper runs, the calling thread dispatches window messages, and a handler could
// change or free whatever the caller's views point at.
struct Exchange {
  // in
  std::wstring url;
  std::string_view verb;  // one of HttpVerb's constants
  std::string body;
  std::string headerBlock;
  bool noRedirect = false;
  std::string userName, password, proxy, proxyUser, proxyPassword;
  int timeoutSeconds = 0;
  // out
  std::string_view failure;  // a fatal numbered text, or empty
  DWORD error = 0;           // the Windows error behind `failure` or `readFailed`
  bool readFailed = false;   // reading failed part-way, or memory ran out (not fatal)
  bool headersRead = false;
  // The body as received. Held as text: the program asks for the text, which is
  // this with its end cut at the first zero byte, so it is handed over uncopied.
  std::string received;
  std::wstring rawHeaders;

  void Fail(std::string_view status) {
    error = GetLastError();
    failure = status;
  }
};

DWORD TimeoutMilliseconds(int seconds) {
  if (seconds < 1) return 30000;
  return static_cast<DWORD>(std::min<long long>(static_cast<long long>(seconds) * 1000, INT_MAX));
}

bool SetDword(HINTERNET h, DWORD option, DWORD value) {
  return WinHttpSetOption(h, option, &value, sizeof value) != FALSE;
}

// Basic credentials for the server or the proxy; nothing to do (true) unless
// both the name and the password are given.
bool SetBasicCredentials(HINTERNET request, DWORD target, std::string_view userName, std::string_view password) {
  if (userName.empty() || password.empty()) return true;
  std::wstring user = GbkToWide(userName), pass = GbkToWide(password);
  return WinHttpSetCredentials(request, target, WINHTTP_AUTH_SCHEME_BASIC, user.c_str(), pass.c_str(), nullptr) !=
         FALSE;
}

// The Content-Length the response declares, or -1.
long long DeclaredLength(HINTERNET request) {
  wchar_t text[32] = {};
  DWORD size = sizeof text - sizeof(wchar_t);
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                           WINHTTP_NO_HEADER_INDEX))
    return -1;
  wchar_t* end = nullptr;
  long long length = std::wcstoll(text, &end, 10);
  return end != text && length >= 0 ? length : -1;
}

// True when the response carries no body whatever its Content-Length says.
bool HasNoBody(HINTERNET request, std::string_view verb) {
  if (verb == "HEAD") return true;
  DWORD status = 0, size = sizeof status;
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
    return false;
  return status < 200 || status == 204 || status == 304;
}

constexpr unsigned long long kReadPiece = 1u << 20;
// The most memory a declared length sets aside before the data is there: a
// server may declare far more than it sends.
constexpr long long kReserveLimit = 8ll << 20;
// Past that bound, a declared length is believed up to this many times what has
// arrived: a body of declared length then grows in one or two steps instead of
// doubling (each step copies what came before), and a length that lies costs at
// most this many times the data actually sent.
constexpr unsigned long long kDeclaredTrust = 8;

// The capacity to grow `body` to so that `more` bytes fit.
std::size_t GrownCapacity(std::size_t size, std::size_t more, long long declared) {
  const unsigned long long needed = static_cast<unsigned long long>(size) + more;
  unsigned long long grown = std::max<unsigned long long>(needed, 2ull * size);
  if (declared > 0 && static_cast<unsigned long long>(declared) >= needed)
    grown = std::max(grown, std::min(static_cast<unsigned long long>(declared), kDeclaredTrust * size));
  return static_cast<std::size_t>(grown);
}

void ReadBody(HINTERNET request, Exchange& x) {
  // A declared length sizes the buffer up front, up to a bound; past it the
  // buffer grows as the data arrives (see GrownCapacity).
  std::string& body = x.received;
  const long long declared = HasNoBody(request, x.verb) ? -1 : DeclaredLength(request);
  if (declared > 0) body.reserve(static_cast<std::size_t>(std::min(declared, kReserveLimit)));
  for (;;) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available)) {
      x.error = GetLastError();
      x.readFailed = true;
      return;
    }
    if (available < 1) break;
    // With a declared length the rest of the body is known to be coming, so
    // it is read in large pieces: far fewer calls than the few kilobytes the
    // query reports at a time.
    if (declared > 0 && static_cast<unsigned long long>(declared) > body.size()) {
      const unsigned long long rest = static_cast<unsigned long long>(declared) - body.size();
      available = static_cast<DWORD>(std::max<unsigned long long>(available, std::min<unsigned long long>(rest, kReadPiece)));
    }
    const std::size_t old = body.size();
    if (body.capacity() - old < available) body.reserve(GrownCapacity(old, available, declared));
    body.resize(old + available);
    DWORD read = 0;
    if (!WinHttpReadData(request, body.data() + old, available, &read)) {
      x.error = GetLastError();
      body.resize(old);
      x.readFailed = true;
      return;
    }
    body.resize(old + std::min(read, available));
  }
  // WinHttp takes a connection closed early for the end of the body; the
  // declared length tells the two apart.
  if (declared >= 0 && body.size() < static_cast<unsigned long long>(declared)) {
    x.error = ERROR_WINHTTP_CONNECTION_ERROR;
    x.readFailed = true;
  }
}

void RunExchange(Exchange& x) {
  if (!WinHttpCheckPlatform()) {
    x.Fail(http_status::kNoWinHttp);
    return;
  }
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (x.url.empty() || x.url.size() > INT_MAX ||
      !WinHttpCrackUrl(x.url.c_str(), static_cast<DWORD>(x.url.size()), 0, &parts) || !parts.lpszHostName) {
    x.Fail(http_status::kBadUrl);
    return;
  }
  std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  // A URL without a path ("http://host" or "http://host?q") asks for "/".
  std::wstring object = L"/";
  if (parts.dwUrlPathLength >= 1 && parts.lpszUrlPath) object.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  if (parts.dwExtraInfoLength >= 1 && parts.lpszExtraInfo) object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;

  DWORD access = WINHTTP_ACCESS_TYPE_NO_PROXY;
  std::wstring proxyList;
  if (!x.proxy.empty()) {
    // The session serves this one URL, so the proxy is named without a scheme
    // prefix: "http=host:port" would mean the same here, but not every WinHttp
    // understands that form.
    access = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
    proxyList = GbkToWide(x.proxy);
  }
  InternetHandle session(WinHttpOpen(nullptr, access, proxyList.empty() ? WINHTTP_NO_PROXY_NAME : proxyList.c_str(),
                                     WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) {
    x.Fail(http_status::kOpenFailed);
    return;
  }
  InternetHandle connection(WinHttpConnect(session.Get(), host.c_str(), parts.nPort, 0));
  if (!connection) {
    x.Fail(http_status::kConnectFailed);
    return;
  }
  std::wstring verb = GbkToWide(x.verb);
  InternetHandle request(WinHttpOpenRequest(connection.Get(), verb.c_str(), object.c_str(), nullptr,
                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                            secure ? WINHTTP_FLAG_SECURE : 0));
  if (!request) {
    x.Fail(http_status::kOpenRequestFailed);
    return;
  }
  const DWORD timeout = TimeoutMilliseconds(x.timeoutSeconds);
  if (!WinHttpSetTimeouts(request.Get(), static_cast<int>(timeout), static_cast<int>(timeout),
                          static_cast<int>(timeout), static_cast<int>(timeout))) {
    x.Fail(http_status::kTimeoutsFailed);
    return;
  }
  // The wait for the response headers has a limit of its own (90 s by default);
  // the caller's time-out covers it too. Older systems lack the option.
  SetDword(request.Get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, timeout);
  if (!SetBasicCredentials(request.Get(), WINHTTP_AUTH_TARGET_SERVER, x.userName, x.password) ||
      !SetBasicCredentials(request.Get(), WINHTTP_AUTH_TARGET_PROXY, x.proxyUser, x.proxyPassword)) {
    x.Fail(http_status::kCredentialsFailed);
    return;
  }
  // The request carries its own Cookie line, so WinHttp's automatic cookie
  // handling stays off whether or not the caller gave cookies: a redirect then
  // never sends a second, stale Cookie line of WinHttp's making.
  if (!SetDword(request.Get(), WINHTTP_OPTION_DISABLE_FEATURE, WINHTTP_DISABLE_COOKIES)) {
    x.Fail(http_status::kCookieOptionFailed);
    return;
  }
  if (x.noRedirect && !SetDword(request.Get(), WINHTTP_OPTION_DISABLE_FEATURE, WINHTTP_DISABLE_REDIRECTS)) {
    x.Fail(http_status::kRedirectOptionFailed);
    return;
  }
  std::wstring headerBlock = GbkToWide(x.headerBlock);
  if (!headerBlock.empty() &&
      !WinHttpAddRequestHeaders(request.Get(), headerBlock.c_str(), static_cast<DWORD>(headerBlock.size()),
                                WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
    x.Fail(http_status::kHeadersFailed);
    return;
  }
  if (x.body.size() > MAXDWORD ||
      !WinHttpSendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                          x.body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(x.body.data()),
                          static_cast<DWORD>(x.body.size()), static_cast<DWORD>(x.body.size()), 0)) {
    x.Fail(http_status::kSendFailed);
    return;
  }
  if (!WinHttpReceiveResponse(request.Get(), nullptr)) {
    x.Fail(http_status::kNoResponse);
    return;
  }
  ReadBody(request.Get(), x);

  DWORD bytes = 0;
  WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &bytes,
                      WINHTTP_NO_HEADER_INDEX);
  std::wstring raw(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(raw.size() * sizeof(wchar_t));
  if (WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, raw.data(),
                          &bytes, WINHTTP_NO_HEADER_INDEX)) {
    raw.resize(std::min<std::size_t>(bytes / sizeof(wchar_t), raw.size()));
    if (std::size_t zero = raw.find(L'\0'); zero != std::wstring::npos) raw.resize(zero);
    x.rawHeaders = std::move(raw);
    x.headersRead = true;
  }
  // The handles close here, request first, in reverse order of creation.
}

// Runs the exchange; memory that runs out on the way ends it as a failed read
// (713), with whatever body had arrived, instead of ending the program.
void RunExchangeGuarded(Exchange& x) noexcept {
  try {
    RunExchange(x);
  } catch (const std::bad_alloc&) {
    x.error = ERROR_NOT_ENOUGH_MEMORY;
    x.readFailed = true;
  }
}

DWORD WINAPI ExchangeThread(void* param) {
  RunExchangeGuarded(*static_cast<Exchange*>(param));
  return 0;
}

// Runs the exchange on a helper thread while this thread keeps dispatching its
// messages; runs it here when no thread can be started.
void RunExchangeDispatching(Exchange& x) {
  UniqueHandle thread(CreateThread(nullptr, 0, ExchangeThread, &x, 0, nullptr));
  if (!thread) {
    TraceFailure(L"Starting the HTTP helper thread");
    RunExchangeGuarded(x);
    return;
  }
  WaitDispatching(thread.Get());
}

// --- The charset of an HTML page. --------------------------------------------------

// The charset a meta tag names within the first 1024 bytes of `text`; empty
// when there is none.
std::string DeclaredCharset(RegexMatcher& regex, std::string_view text) {
  std::string_view head = text.substr(0, 1024);
  if (FindGbk(head, "charset=", 0, true) == std::string_view::npos) return {};
  if (!regex.Create("<meta.+?charset=[^\\w]?([-\\w]+)", head)) return {};
  return regex.SubMatchText(1, 1);
}

// Decoded text ends at its first zero, as the page text read directly does.
std::string UpToZero(std::string text) {
  if (std::size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  return text;
}

// The body read through the system's stream object as text in `charset`.
// False when the object is missing or cannot read that charset.
bool DecodeThroughStream(std::span<const std::uint8_t> body, std::string_view charset, std::string& out) {
  DispatchRef object = CreateDispatchObject(L"Adodb.Stream");
  if (!object) return false;
  ComRef<AdoStream> stream;
  for (const IID& iid : kIidAdoStreams) {
    if (SUCCEEDED(object->QueryInterface(iid, reinterpret_cast<void**>(stream.Put()))) && stream) break;
  }
  if (!stream) return false;
  constexpr LONG kTypeBinary = 1, kTypeText = 2, kModeReadWrite = 3, kModeUnknown = 0, kOpenUnspecified = -1,
                 kReadAll = -1;
  if (FAILED(stream->put_Type(kTypeBinary)) || FAILED(stream->put_Mode(kModeReadWrite)) ||
      FAILED(stream->Open(*Variant::Optional().get(), kModeUnknown, kOpenUnspecified, nullptr, nullptr)))
    return false;
  Variant bytes = Variant::FromBytes(body);
  Bstr name = Bstr::FromGbk(charset);
  BSTR raw = nullptr;
  const bool decoded = SUCCEEDED(stream->Write(*bytes.get())) && SUCCEEDED(stream->put_Position(0)) &&
                       SUCCEEDED(stream->put_Type(kTypeText)) && SUCCEEDED(stream->put_Charset(name.get())) &&
                       SUCCEEDED(stream->ReadText(kReadAll, &raw));
  const Bstr text = Bstr::Adopt(raw);
  if (decoded) out = UpToZero(text.ToGbk());
  stream->Close();
  return decoded;
}

// The body decoded with the code page the system's charset table gives for
// `charset`; false when the name is unknown. This serves where the stream
// object reads only a few charsets itself.
bool DecodeWithCharsetTable(std::span<const std::uint8_t> body, std::string_view charset, std::string& out) {
  // {275C23E2-3747-11D0-9FEA-00AA003F8646}, {275C23E1-3747-11D0-9FEA-00AA003F8646}
  static constexpr CLSID kClsidMultiLanguage = {0x275C23E2, 0x3747, 0x11D0, {0x9F, 0xEA, 0x00, 0xAA, 0x00, 0x3F, 0x86, 0x46}};
  static constexpr IID kIidMultiLanguage = {0x275C23E1, 0x3747, 0x11D0, {0x9F, 0xEA, 0x00, 0xAA, 0x00, 0x3F, 0x86, 0x46}};
  ComRef<IMultiLanguage> languages;
  const HRESULT hr = CoCreateInstance(kClsidMultiLanguage, nullptr, CLSCTX_INPROC_SERVER, kIidMultiLanguage,
                                      reinterpret_cast<void**>(languages.Put()));
  if (FAILED(hr) || !languages) {
    TraceHresult(L"Creating the charset table object", hr);
    return false;
  }
  MIMECSETINFO info{};
  Bstr name = Bstr::FromGbk(charset);
  if (FAILED(languages->GetCharsetInfo(name.get(), &info))) return false;
  const UINT codePage = info.uiInternetEncoding;
  if (body.empty()) {
    out.clear();
    return true;
  }
  const std::wstring wide =
      MultiByteToWide(std::string_view(reinterpret_cast<const char*>(body.data()), body.size()), codePage);
  if (wide.empty()) return false;
  out = UpToZero(WideToGbk(wide));
  return true;
}

// The page text decoded from the charset its meta tag declares; `text` as it
// is when neither the stream object nor the charset table knows the name.
std::string Redecode(std::span<const std::uint8_t> body, std::string_view charset, std::string text) {
  ComApartment com;
  std::string decoded;
  if (DecodeThroughStream(body, charset, decoded) || DecodeWithCharsetTable(body, charset, decoded)) return decoded;
  return text;
}

std::string SendHttpRequestUnguarded(std::string_view url, const HttpRequestOptions& o) {
  RequestDepth depth;
  // Constructed first: it initialises COM for this thread for the whole call.
  RegexMatcher regex;

  Exchange x;
  x.url = GbkToWide(url);
  x.verb = HttpVerb(o.method);
  x.body = o.body;
  x.headerBlock = BuildRequestHeaderBlock(o.headers, o.method, o.cookies);
  x.noRedirect = o.noRedirect;
  x.userName = o.userName;
  x.password = o.password;
  x.proxy = o.proxy;
  x.proxyUser = o.proxyUser;
  x.proxyPassword = o.proxyPassword;
  x.timeoutSeconds = o.timeoutSeconds;
  RunExchangeDispatching(x);

  if (!x.failure.empty()) {
    TraceFailure(L"HTTP request", x.error, std::string(x.failure) + " " + std::string(UrlWithoutQuery(url)));
    if (o.statusText) o.statusText->assign(x.failure);
    DispatchPendingMessages();
    return {};
  }
  if (x.readFailed) {
    TraceFailure(L"HTTP request", x.error,
                 std::string(http_status::kReadFailed) + " " + std::string(UrlWithoutQuery(url)));
  }
  if (!x.headersRead) {
    if (x.readFailed && o.statusText) o.statusText->assign(http_status::kReadFailed);
    DispatchPendingMessages();
    return {};
  }

  std::string headers = WideToGbk(x.rawHeaders);
  x.rawHeaders = {};
  if (o.statusText) {
    // A body cut short keeps its failure text: the status line would report a
    // partial body as a success.
    if (x.readFailed) {
      o.statusText->assign(http_status::kReadFailed);
    } else {
      *o.statusText = StatusTextFromHeaders(headers);
    }
  }
  DispatchPendingMessages();
  if (o.returnedCookies) {
    std::string fresh = CollectSetCookies(headers);
    std::string& out = *o.returnedCookies;
    if (!fresh.empty()) {
      if (!out.empty()) out.append("; ");
      out.append(fresh);
    }
    if (o.mergeCookies && !o.cookies.empty()) out = MergeCookies(o.cookies, out);
  }
  if (o.location) {
    bool found = false;
    std::string location = LocationFromHeaders(headers, &found);
    if (found) *o.location = std::move(location);
  }
  if (o.responseHeaders) *o.responseHeaders = std::move(headers);

  // The text is the body up to its first zero byte: the body itself, cut there,
  // unless the page is decoded again.
  const std::size_t zero = std::min(x.received.find('\0'), x.received.size());
  std::string charset = DeclaredCharset(regex, std::string_view(x.received).substr(0, zero));
  std::string result;
  const bool redecode = !charset.empty() && charset != "gbk" && charset != "gb2312";
  if (redecode) {
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(x.received.data()), x.received.size());
    result = Redecode(bytes, charset, x.received.substr(0, zero));
  }
  DispatchPendingMessages();
  if (o.responseBytes) o.responseBytes->assign(x.received.begin(), x.received.end());
  if (!redecode) {
    x.received.resize(zero);
    result = std::move(x.received);
  }
  return result;
}

}  // namespace

std::string SendHttpRequest(std::string_view url, const HttpRequestOptions& o) {
  try {
    return SendHttpRequestUnguarded(url, o);
  } catch (const std::bad_alloc&) {
    // Memory ran out outside the exchange (building the request, converting the
    // reply): the same as running out while reading it.
    TraceNote(L"HTTP request ran out of memory", UrlWithoutQuery(url));
    try {
      if (o.statusText) o.statusText->assign(http_status::kReadFailed);
    } catch (const std::bad_alloc&) {
    }
    return {};
  }
}

}  // namespace ornivex
