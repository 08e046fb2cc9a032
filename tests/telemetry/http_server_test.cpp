// The loopback test server itself: scripted answers, recording, handlers.
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <string>

#include "support/HttpServer.h"

namespace {

struct Fetched {
  DWORD status = 0;
  std::string body;
};

Fetched Fetch(const rrtest::HttpServer& server, const wchar_t* verb, const wchar_t* path,
              const std::string& body = {}, const wchar_t* headers = nullptr) {
  Fetched result;
  HINTERNET session =
      InternetOpenW(L"HttpServerTest", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  HINTERNET connection = InternetConnectW(session, L"127.0.0.1", server.Port(), nullptr, nullptr,
                                          INTERNET_SERVICE_HTTP, 0, 0);
  HINTERNET request = HttpOpenRequestW(
      connection, verb, path, nullptr, nullptr, nullptr,
      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT, 0);
  if (HttpSendRequestW(request, headers, headers ? static_cast<DWORD>(-1) : 0,
                       const_cast<char*>(body.data()), static_cast<DWORD>(body.size()))) {
    DWORD size = sizeof(result.status);
    HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &result.status, &size,
                   nullptr);
    char buffer[4096];
    DWORD read = 0;
    while (InternetReadFile(request, buffer, sizeof(buffer), &read) && read)
      result.body.append(buffer, read);
  }
  InternetCloseHandle(request);
  InternetCloseHandle(connection);
  InternetCloseHandle(session);
  return result;
}

}  // namespace

TEST(HttpServer, AnswersInQueueOrderThenWithTheDefault) {
  rrtest::HttpServer server;
  ASSERT_NE(0, server.Port());
  rrtest::HttpResponse first;
  first.body = "first";
  rrtest::HttpResponse second;
  second.status = 404;
  second.body = "missing";
  server.Enqueue(first);
  server.Enqueue(second);
  Fetched a = Fetch(server, L"GET", L"/a?x=1");
  Fetched b = Fetch(server, L"GET", L"/b");
  Fetched c = Fetch(server, L"POST", L"/c", "k=v&w=z", L"X-Test: yes\r\n");
  EXPECT_EQ(200u, a.status);
  EXPECT_EQ("first", a.body);
  EXPECT_EQ(404u, b.status);
  EXPECT_EQ("missing", b.body);
  EXPECT_EQ(200u, c.status);
  EXPECT_EQ("", c.body);

  auto requests = server.Requests();
  ASSERT_EQ(3u, requests.size());
  EXPECT_EQ("GET /a?x=1 HTTP/1.1", requests[0].requestLine);
  EXPECT_EQ("GET", requests[0].method);
  EXPECT_EQ("/a?x=1", requests[0].target);
  EXPECT_EQ("HTTP/1.1", requests[0].version);
  EXPECT_EQ("POST", requests[2].method);
  EXPECT_EQ("k=v&w=z", requests[2].body);
  EXPECT_EQ("yes", requests[2].Header("x-test"));
  EXPECT_TRUE(requests[2].HasHeader("Host"));
  EXPECT_FALSE(requests[2].HasHeader("X-Absent"));
}

TEST(HttpServer, HandlerAnswersFromTheRequestAndLargeBodiesArrive) {
  rrtest::HttpServer server;
  server.SetHandler([](const rrtest::HttpRequest& request) {
    rrtest::HttpResponse response;
    response.body = request.target == "/big" ? std::string(300000, 'b') : request.target;
    response.headers = {{"Content-Type", "text/plain"}};
    return response;
  });
  EXPECT_EQ("/echo", Fetch(server, L"GET", L"/echo").body);
  EXPECT_EQ(300000u, Fetch(server, L"GET", L"/big").body.size());
  std::string upload(200000, 'u');
  Fetch(server, L"POST", L"/up", upload);
  ASSERT_TRUE(server.WaitForRequests(3, 1000));
  EXPECT_EQ(upload, server.Requests()[2].body);
}

TEST(HttpServer, StopsCleanlyWithOpenConnectionsAndUnusedPortsRefuse) {
  auto server = std::make_unique<rrtest::HttpServer>();
  Fetch(*server, L"GET", L"/keep");  // the client may keep its connection open
  EXPECT_GE(server->ConnectionCount(), 1u);
  server->Stop();
  server.reset();
  const unsigned short port = rrtest::HttpServer::UnusedPort();
  EXPECT_NE(0, port);
  EXPECT_FALSE(rrtest::HttpServer().WaitForRequests(1, 50));
}
