#include <winsock2.h>
#include <ws2tcpip.h>

#include "support/HttpServer.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace rrtest {
namespace {

bool EqualsNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  size_t end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

const char* StandardReason(int status) {
  switch (status) {
    case 100:
      return "Continue";
    case 200:
      return "OK";
    case 204:
      return "No Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 304:
      return "Not Modified";
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return "Status";
  }
}

// Reads more bytes into buffer; false on close, error or stop.
bool ReadMore(SOCKET s, std::string& buffer, const std::atomic<bool>& stop) {
  while (!stop.load()) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{0, 100 * 1000};
    int ready = select(0, &set, nullptr, nullptr, &tv);
    if (ready < 0) return false;
    if (ready == 0) continue;
    char chunk[8192];
    int got = recv(s, chunk, sizeof(chunk), 0);
    if (got <= 0) return false;
    buffer.append(chunk, static_cast<size_t>(got));
    return true;
  }
  return false;
}

bool SendAll(SOCKET s, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    int n = send(s, data.data() + sent,
                 static_cast<int>(std::min<size_t>(data.size() - sent, 65536)), 0);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

// Reads the request body (Content-Length or chunked) from buffer and socket.
bool ReadBody(SOCKET s, std::string& buffer, HttpRequest& request, const std::atomic<bool>& stop) {
  if (EqualsNoCase(request.Header("Transfer-Encoding"), "chunked")) {
    for (;;) {
      size_t crlf;
      while ((crlf = buffer.find("\r\n")) == std::string::npos)
        if (!ReadMore(s, buffer, stop)) return false;
      size_t size = std::strtoul(buffer.substr(0, crlf).c_str(), nullptr, 16);
      buffer.erase(0, crlf + 2);
      while (buffer.size() < size + 2)
        if (!ReadMore(s, buffer, stop)) return false;
      request.body.append(buffer, 0, size);
      buffer.erase(0, size + 2);
      if (size == 0) return true;
    }
  }
  if (request.HasHeader("Content-Length")) {
    size_t length = std::strtoul(request.Header("Content-Length").c_str(), nullptr, 10);
    while (buffer.size() < length)
      if (!ReadMore(s, buffer, stop)) return false;
    request.body = buffer.substr(0, length);
    buffer.erase(0, length);
  }
  return true;
}

}  // namespace

std::string HttpRequest::Header(const std::string& name) const {
  for (const auto& [key, value] : headers)
    if (EqualsNoCase(key, name)) return value;
  return {};
}

bool HttpRequest::HasHeader(const std::string& name) const {
  for (const auto& header : headers)
    if (EqualsNoCase(header.first, name)) return true;
  return false;
}

HttpServer::HttpServer() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
  m_wsa = true;
  m_listen = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (m_listen == INVALID_SOCKET) throw std::runtime_error("socket failed");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  if (bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
      listen(m_listen, SOMAXCONN) != 0) {
    closesocket(m_listen);
    throw std::runtime_error("bind/listen failed");
  }
  int len = sizeof(addr);
  getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
  m_port = ntohs(addr.sin_port);
  m_acceptThread = std::thread([this] { AcceptLoop(); });
}

HttpServer::~HttpServer() {
  Stop();
  if (m_wsa) WSACleanup();
}

std::wstring HttpServer::HostAndPort() const { return L"127.0.0.1:" + std::to_wstring(m_port); }

std::wstring HttpServer::Url(const std::wstring& path) const {
  return L"http://" + HostAndPort() + path;
}

void HttpServer::Enqueue(HttpResponse response) {
  std::lock_guard lock(m_mutex);
  m_queue.push_back(std::move(response));
}

void HttpServer::SetDefaultResponse(HttpResponse response) {
  std::lock_guard lock(m_mutex);
  m_default = std::move(response);
}

void HttpServer::SetHandler(std::function<HttpResponse(const HttpRequest&)> handler) {
  std::lock_guard lock(m_mutex);
  m_handler = std::move(handler);
}

std::vector<HttpRequest> HttpServer::Requests() const {
  std::lock_guard lock(m_mutex);
  return m_requests;
}

size_t HttpServer::RequestCount() const {
  std::lock_guard lock(m_mutex);
  return m_requests.size();
}

bool HttpServer::WaitForRequests(size_t count, DWORD timeoutMs) const {
  std::unique_lock lock(m_mutex);
  return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return m_requests.size() >= count; });
}

void HttpServer::Stop() {
  if (m_stop.exchange(true)) return;
  if (m_listen != INVALID_SOCKET) {
    closesocket(m_listen);
  }
  if (m_acceptThread.joinable()) m_acceptThread.join();
  std::vector<std::thread> threads;
  {
    std::lock_guard lock(m_mutex);
    threads.swap(m_clientThreads);
  }
  for (auto& t : threads)
    if (t.joinable()) t.join();
  m_listen = INVALID_SOCKET;
}

unsigned short HttpServer::UnusedPort() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
  int len = sizeof(addr);
  getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  closesocket(s);
  WSACleanup();
  return ntohs(addr.sin_port);
}

void HttpServer::AcceptLoop() {
  while (!m_stop.load()) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(m_listen, &set);
    timeval tv{0, 100 * 1000};
    int ready = select(0, &set, nullptr, nullptr, &tv);
    if (ready <= 0) {
      if (ready < 0 && m_stop.load()) return;
      if (ready < 0) Sleep(10);
      continue;
    }
    SOCKET client = accept(m_listen, nullptr, nullptr);
    if (client == INVALID_SOCKET) continue;
    ++m_connections;
    std::lock_guard lock(m_mutex);
    m_clientThreads.emplace_back([this, client] { Serve(client); });
  }
}

HttpResponse HttpServer::NextResponse(const HttpRequest& request) {
  std::function<HttpResponse(const HttpRequest&)> handler;
  {
    std::lock_guard lock(m_mutex);
    if (!m_handler) {
      if (m_queue.empty()) return m_default;
      HttpResponse response = std::move(m_queue.front());
      m_queue.pop_front();
      return response;
    }
    handler = m_handler;
  }
  return handler(request);
}

void HttpServer::Serve(UINT_PTR clientSocket) {
  SOCKET client = static_cast<SOCKET>(clientSocket);
  std::string buffer;
  bool open = true;
  while (open && !m_stop.load()) {
    // Head: request line and headers up to the empty line.
    size_t headEnd;
    while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
      if (!ReadMore(client, buffer, m_stop)) {
        open = false;
        break;
      }
    }
    if (!open) break;
    HttpRequest request;
    std::string head = buffer.substr(0, headEnd);
    buffer.erase(0, headEnd + 4);
    size_t lineEnd = head.find("\r\n");
    request.requestLine = head.substr(0, lineEnd);
    {
      size_t sp1 = request.requestLine.find(' ');
      size_t sp2 = request.requestLine.rfind(' ');
      request.method = request.requestLine.substr(0, sp1);
      if (sp1 != std::string::npos && sp2 > sp1) {
        request.target = request.requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
        request.version = request.requestLine.substr(sp2 + 1);
      }
    }
    size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
    while (pos < head.size()) {
      size_t end = head.find("\r\n", pos);
      if (end == std::string::npos) end = head.size();
      std::string line = head.substr(pos, end - pos);
      pos = end + 2;
      size_t colon = line.find(':');
      if (colon == std::string::npos) continue;
      request.headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
    }
    if (EqualsNoCase(request.Header("Expect"), "100-continue"))
      SendAll(client, "HTTP/1.1 100 Continue\r\n\r\n");
    if (!ReadBody(client, buffer, request, m_stop)) break;
    {
      std::lock_guard lock(m_mutex);
      m_requests.push_back(request);
    }
    m_changed.notify_all();

    HttpResponse response = NextResponse(request);
    if (response.delayMs) Sleep(response.delayMs);
    std::string out =
        "HTTP/1.1 " + std::to_string(response.status) + " " +
        (response.reason.empty() ? StandardReason(response.status) : response.reason) + "\r\n";
    bool hasLength = false;
    for (const auto& [key, value] : response.headers) {
      if (EqualsNoCase(key, "Content-Length")) hasLength = true;
      out += key + ": " + value + "\r\n";
    }
    if (!hasLength) out += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    bool close = response.close || EqualsNoCase(request.Header("Connection"), "close");
    if (close) out += "Connection: close\r\n";
    out += "\r\n";
    if (request.method != "HEAD") out += response.body;
    if (!SendAll(client, out)) break;
    if (close) break;
  }
  shutdown(client, SD_BOTH);
  closesocket(client);
}

}  // namespace rrtest
