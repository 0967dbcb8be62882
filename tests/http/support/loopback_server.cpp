#include "tests/http/support/loopback_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <mutex>
#include <thread>

namespace ornivex::testing {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

struct WinsockUser {
  WinsockUser() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockUser() { WSACleanup(); }
};

bool SendAll(SOCKET s, const char* data, std::size_t size) {
  while (size > 0) {
    int n = send(s, data, static_cast<int>(std::min<std::size_t>(size, 1 << 20)), 0);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::string RecordedRequest::Header(std::string_view name) const {
  for (const std::string& line : headerLines) {
    std::size_t colon = line.find(':');
    if (colon != std::string::npos && EqualsNoCase(Trim(std::string_view(line).substr(0, colon)), name))
      return std::string(Trim(std::string_view(line).substr(colon + 1)));
  }
  return {};
}

bool RecordedRequest::HasHeader(std::string_view name) const {
  for (const std::string& line : headerLines) {
    std::size_t colon = line.find(':');
    if (colon != std::string::npos && EqualsNoCase(Trim(std::string_view(line).substr(0, colon)), name)) return true;
  }
  return false;
}

std::vector<std::string> EngineHeaderLines(const RecordedRequest& r) {
  std::vector<std::string> lines;
  for (const std::string& line : r.headerLines) {
    if (line.starts_with("Host: ") || line.starts_with("Content-Length: ") || line.starts_with("Connection: "))
      continue;
    lines.push_back(line);
  }
  return lines;
}

ScriptedReply Reply(std::string_view status, std::string_view headerLines, std::string_view body) {
  ScriptedReply r;
  r.head = "HTTP/1.1 " + std::string(status) + "\r\n" + std::string(headerLines) +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  r.body = body;
  return r;
}

ScriptedReply ChunkedReply(std::string_view status, std::string_view headerLines, std::string_view body,
                           std::size_t chunk) {
  ScriptedReply r;
  r.head = "HTTP/1.1 " + std::string(status) + "\r\n" + std::string(headerLines) +
           "Transfer-Encoding: chunked\r\n\r\n";
  char size[32];
  for (std::size_t at = 0; at < body.size(); at += chunk) {
    std::size_t n = std::min(chunk, body.size() - at);
    snprintf(size, sizeof size, "%zx\r\n", n);
    r.body += size;
    r.body.append(body.substr(at, n));
    r.body += "\r\n";
  }
  r.body += "0\r\n\r\n";
  return r;
}

struct LoopbackServer::State {
  WinsockUser winsock;
  Handler handler;
  SOCKET listener = INVALID_SOCKET;
  std::uint16_t port = 0;
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> stopping{false};
  mutable std::mutex mutex;
  std::vector<RecordedRequest> requests;
  std::vector<SOCKET> open;
  std::vector<std::thread> threads;
  std::thread acceptor;

  ~State() { CloseHandle(stop); }

  void Forget(SOCKET s) {
    std::lock_guard lock(mutex);
    open.erase(std::remove(open.begin(), open.end(), s), open.end());
  }

  // recv that gives up (returns 0) once the server stops; a client may keep an
  // idle connection open for a long time.
  int Receive(SOCKET s, char* buffer, int size) {
    while (!stopping) {
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(s, &readable);
      timeval wait{0, 50 * 1000};
      int ready = select(0, &readable, nullptr, nullptr, &wait);
      if (ready < 0) return -1;
      if (ready > 0) return recv(s, buffer, size, 0);
    }
    return 0;
  }

  // Reads one request; false when the peer closed or sent garbage.
  bool ReadRequest(SOCKET s, std::string& pending, RecordedRequest& out) {
    static thread_local char buffer[256 * 1024];
    std::size_t end;
    while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
      int n = Receive(s, buffer, sizeof buffer);
      if (n <= 0) return false;
      pending.append(buffer, static_cast<std::size_t>(n));
    }
    out.head = pending.substr(0, end + 4);
    pending.erase(0, end + 4);
    std::string_view head(out.head);
    std::size_t lineEnd = head.find("\r\n");
    out.requestLine = std::string(head.substr(0, lineEnd));
    for (std::size_t at = lineEnd + 2; at < head.size() - 2;) {
      std::size_t next = head.find("\r\n", at);
      out.headerLines.emplace_back(head.substr(at, next - at));
      at = next + 2;
    }
    std::uint64_t length = std::strtoull(out.Header("Content-Length").c_str(), nullptr, 10);
    out.body.reserve(static_cast<std::size_t>(length));
    while (pending.size() < length) {
      out.body.append(pending);
      length -= pending.size();
      pending.clear();
      int n = Receive(s, buffer, sizeof buffer);
      if (n <= 0) return false;
      pending.append(buffer, static_cast<std::size_t>(n));
    }
    out.body.append(pending, 0, static_cast<std::size_t>(length));
    pending.erase(0, static_cast<std::size_t>(length));
    return true;
  }

  // Sends `data` counting against the drop budget (and pausing once where the
  // reply says); false once the connection is to be closed.
  bool SendCounted(SOCKET s, const char* data, std::size_t size, std::uint64_t& budget, std::uint64_t& untilPause,
                   int pauseMs) {
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, budget));
    budget -= n;
    if (untilPause < n) {
      std::size_t first = static_cast<std::size_t>(untilPause);
      if (!SendAll(s, data, first)) return false;
      untilPause = std::numeric_limits<std::uint64_t>::max();
      if (WaitForSingleObject(stop, static_cast<DWORD>(pauseMs)) == WAIT_OBJECT_0) return false;
      return SendAll(s, data + first, n - first) && n == size;
    }
    if (untilPause != std::numeric_limits<std::uint64_t>::max()) untilPause -= n;
    return SendAll(s, data, n) && n == size;
  }

  bool SendReply(SOCKET s, const ScriptedReply& reply) {
    if (reply.delayMs > 0 && WaitForSingleObject(stop, static_cast<DWORD>(reply.delayMs)) == WAIT_OBJECT_0)
      return false;
    std::uint64_t budget = reply.dropAfter;
    std::uint64_t untilPause = reply.pauseAfter;
    auto send = [&](const char* data, std::size_t size) {
      return SendCounted(s, data, size, budget, untilPause, reply.pauseMs);
    };
    if (!send(reply.head.data(), reply.head.size())) return false;
    if (!send(reply.body.data(), reply.body.size())) return false;
    if (reply.patternBytes > 0) {
      static const std::string block = [] {
        std::string b(26 * 40000, '\0');
        for (std::size_t i = 0; i < b.size(); ++i) b[i] = PatternByte(i);
        return b;
      }();
      for (std::uint64_t sent = 0; sent < reply.patternBytes;) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), reply.patternBytes - sent));
        // The block holds whole alphabets, so every block starts at 'a'.
        if (!send(block.data(), n)) return false;
        sent += n;
      }
    }
    return !reply.close;
  }

  void Serve(SOCKET s) {
    std::string pending;
    for (;;) {
      RecordedRequest request;
      if (!ReadRequest(s, pending, request)) break;
      ScriptedReply reply = handler(request);
      if (request.requestLine.starts_with("HEAD ")) {  // the head only, as HTTP has it
        reply.body.clear();
        reply.patternBytes = 0;
      }
      {
        std::lock_guard lock(mutex);
        requests.push_back(std::move(request));
      }
      if (!SendReply(s, reply)) break;
    }
    Forget(s);
    shutdown(s, SD_BOTH);
    closesocket(s);
  }

  void Accept() {
    for (;;) {
      SOCKET s = accept(listener, nullptr, nullptr);
      if (s == INVALID_SOCKET) return;
      std::lock_guard lock(mutex);
      if (stopping) {
        closesocket(s);
        return;
      }
      // A client may stop reading without closing (WinHttp can keep a connection
      // it gave up on), and this Wine does not wake a blocked send when the socket
      // is shut down: a send that makes no progress for a while gives up, so the
      // server can always be stopped.
      const DWORD sendTimeoutMs = 3000;
      setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendTimeoutMs), sizeof sendTimeoutMs);
      open.push_back(s);
      threads.emplace_back([this, s] { Serve(s); });
    }
  }
};

LoopbackServer::LoopbackServer(Handler handler, std::uint16_t port) : state_(std::make_shared<State>()) {
  State& st = *state_;
  st.handler = std::move(handler);
  st.listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  bind(st.listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(st.listener, SOMAXCONN);
  int size = sizeof address;
  getsockname(st.listener, reinterpret_cast<sockaddr*>(&address), &size);
  st.port = ntohs(address.sin_port);
  st.acceptor = std::thread([&st] { st.Accept(); });
}

LoopbackServer::~LoopbackServer() {
  State& st = *state_;
  {
    std::lock_guard lock(st.mutex);
    st.stopping = true;
    SetEvent(st.stop);
    for (SOCKET s : st.open) shutdown(s, SD_BOTH);
  }
  closesocket(st.listener);
  st.acceptor.join();
  std::vector<std::thread> threads;
  {
    std::lock_guard lock(st.mutex);
    threads.swap(st.threads);
  }
  for (std::thread& t : threads) t.join();
}

std::uint16_t LoopbackServer::port() const { return state_->port; }

std::string LoopbackServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(state_->port) + std::string(path);
}

std::vector<RecordedRequest> LoopbackServer::Requests() const {
  std::lock_guard lock(state_->mutex);
  return state_->requests;
}

std::size_t LoopbackServer::RequestCount() const {
  std::lock_guard lock(state_->mutex);
  return state_->requests.size();
}

void LoopbackServer::ClearRequests() {
  std::lock_guard lock(state_->mutex);
  state_->requests.clear();
}

std::uint16_t ClosedPort() {
  WinsockUser winsock;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  int size = sizeof address;
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  closesocket(s);
  return ntohs(address.sin_port);
}

}  // namespace ornivex::testing
