// A small HTTP/1.1 server on the loopback interface for tests: it runs on its
// own threads, listens on an ephemeral port of 127.0.0.1, answers each request
// with a scripted response and records what it received.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace rrtest {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
  std::string requestLine;  // e.g. "POST /index.php HTTP/1.1"
  std::string method;
  std::string target;  // the path and query as sent
  std::string version;
  HttpHeaders headers;  // in the order received
  std::string body;     // de-chunked when sent chunked

  // The first header of that name (case-insensitive), or "" when absent.
  std::string Header(const std::string& name) const;
  bool HasHeader(const std::string& name) const;
};

struct HttpResponse {
  int status = 200;
  std::string reason;   // empty: a standard phrase for the status
  HttpHeaders headers;  // Content-Length is added unless present
  std::string body;
  DWORD delayMs = 0;   // wait this long before answering
  bool close = false;  // close the connection after this response
};

class HttpServer {
 public:
  // Starts listening at once; Port() tells where.
  HttpServer();
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  unsigned short Port() const { return m_port; }
  // "127.0.0.1:<port>"
  std::wstring HostAndPort() const;
  // "http://127.0.0.1:<port>" followed by path (which should start with "/").
  std::wstring Url(const std::wstring& path = L"/") const;

  // Responses are used in the order queued, one per request; once the queue is
  // empty the default response (200, empty body) answers.
  void Enqueue(HttpResponse response);
  void SetDefaultResponse(HttpResponse response);
  // A handler, when set, answers every request instead of the queue.
  void SetHandler(std::function<HttpResponse(const HttpRequest&)> handler);

  std::vector<HttpRequest> Requests() const;
  size_t RequestCount() const;
  // Waits until at least count requests have been received.
  bool WaitForRequests(size_t count, DWORD timeoutMs) const;
  // Number of TCP connections accepted so far.
  size_t ConnectionCount() const { return m_connections.load(); }

  // Stops accepting, closes every connection and joins the threads.
  void Stop();

  // A loopback port on which nothing listens (bound, then released).
  static unsigned short UnusedPort();

 private:
  void AcceptLoop();
  void Serve(UINT_PTR client);  // a SOCKET
  HttpResponse NextResponse(const HttpRequest& request);

  UINT_PTR m_listen = ~UINT_PTR(0);  // a SOCKET (INVALID_SOCKET when closed)
  unsigned short m_port = 0;
  std::atomic<bool> m_stop{false};
  std::atomic<size_t> m_connections{0};
  std::thread m_acceptThread;
  mutable std::mutex m_mutex;
  mutable std::condition_variable m_changed;
  std::vector<std::thread> m_clientThreads;
  std::vector<HttpRequest> m_requests;
  std::deque<HttpResponse> m_queue;
  HttpResponse m_default;
  std::function<HttpResponse(const HttpRequest&)> m_handler;
  bool m_wsa = false;
};

}  // namespace rrtest
