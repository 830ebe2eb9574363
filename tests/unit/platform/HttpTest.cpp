// The bounded HTTP request against a server the test runs on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "LocalHttpServer.h"
#include "platform/Http.h"

namespace pellory::platform {
namespace {

using test::LocalHttpServer;
using Clock = std::chrono::steady_clock;

HttpRequest LocalRequest(int port, int timeoutMs = 1000) {
  HttpRequest request;
  request.host = "127.0.0.1";
  request.port = port;
  request.path = "music/version/?file=pellory";
  request.agent = "Pellory";
  request.connectTimeoutMs = timeoutMs;
  request.receiveTimeoutMs = timeoutMs;
  request.maxBytes = 4096;
  return request;
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(HttpGet, SendsThePlainGetAndReturnsTheWholeBody) {
#ifndef _WIN32
  // The request goes direct even when the environment names a proxy.
  setenv("http_proxy", "http://127.0.0.1:9", 1);
#endif
  LocalHttpServer server(LocalHttpServer::Mode::kAnswer, LocalHttpServer::Ok("1103\n"));
  std::string body = "stale";
  EXPECT_EQ(HttpGet(LocalRequest(server.Port()), body), HttpResult::kComplete);
  EXPECT_EQ(body, "1103\n");
  const std::string request = server.Request();
  EXPECT_EQ(request.rfind("GET /music/version/?file=pellory HTTP/1.", 0), 0u) << request;
  EXPECT_NE(request.find("User-Agent: Pellory\r\n"), std::string::npos) << request;
  EXPECT_NE(request.find("Accept: */*\r\n"), std::string::npos) << request;
#ifndef _WIN32
  unsetenv("http_proxy");
#endif
}

TEST(HttpGet, ErrorPagesAndEmptyBodiesArriveAsTheyAre) {
  {
    LocalHttpServer server(LocalHttpServer::Mode::kAnswer,
                           "HTTP/1.1 404 Not Found\r\nContent-Length: 22\r\nConnection: close\r\n\r\n<html>missing</html>\r\n");
    std::string body;
    EXPECT_EQ(HttpGet(LocalRequest(server.Port()), body), HttpResult::kComplete);
    EXPECT_EQ(body, "<html>missing</html>\r\n");
  }
  {
    LocalHttpServer server(LocalHttpServer::Mode::kAnswer, LocalHttpServer::Ok(""));
    std::string body = "x";
    EXPECT_EQ(HttpGet(LocalRequest(server.Port()), body), HttpResult::kComplete);
    EXPECT_EQ(body, "");
  }
}

TEST(HttpGet, RefusedConnectionFailsAtOnceWithNothing) {
  const int port = LocalHttpServer::RefusingPort();
  std::string body = "stale";
  const auto start = Clock::now();
  const HttpResult result = HttpGet(LocalRequest(port), body);
  EXPECT_TRUE(result == HttpResult::kFailed || result == HttpResult::kTimedOut);
  EXPECT_EQ(body, "");
  EXPECT_LT(SecondsSince(start), 3.0);
}

TEST(HttpGet, SilentServerTimesOutWithinTheBound) {
  LocalHttpServer server(LocalHttpServer::Mode::kSilent);
  std::string body = "stale";
  const auto start = Clock::now();
  const HttpResult result = HttpGet(LocalRequest(server.Port(), 1000), body);
  const double seconds = SecondsSince(start);
#ifdef _WIN32
  // Some WinINet versions report the expired wait as a failed send rather than a timeout.
  EXPECT_TRUE(result == HttpResult::kTimedOut || result == HttpResult::kFailed);
#else
  EXPECT_EQ(result, HttpResult::kTimedOut);
#endif
  std::printf("silent server, 1000 ms bounds: %.3f s\n", seconds);
  EXPECT_EQ(body, "");
  EXPECT_GE(seconds, 0.9);
  EXPECT_LT(seconds, 4.0);
}

TEST(HttpGet, AnswerCutShortKeepsWhatArrived) {
  LocalHttpServer server(LocalHttpServer::Mode::kCutShort, "1103");
  std::string body;
  const HttpResult result = HttpGet(LocalRequest(server.Port()), body);
#ifdef _WIN32
  // WinINet reports the early close as the end of the answer.
  EXPECT_TRUE(result == HttpResult::kCutShort || result == HttpResult::kComplete);
#else
  EXPECT_EQ(result, HttpResult::kCutShort);
#endif
  EXPECT_EQ(body, "1103");
}

TEST(HttpGet, HugeBodyIsCutAtTheLimit) {
  LocalHttpServer server(LocalHttpServer::Mode::kAnswer, LocalHttpServer::Ok("1103" + std::string(1 << 20, 'x')));
  std::string body;
  EXPECT_EQ(HttpGet(LocalRequest(server.Port()), body), HttpResult::kTooLarge);
  ASSERT_EQ(body.size(), 4096u);
  EXPECT_EQ(body.substr(0, 6), "1103xx");
}

#ifndef _WIN32
TEST(HttpGet, EndlessTrickleIsBoundedInTotal) {
  LocalHttpServer server(LocalHttpServer::Mode::kDrip);
  std::string body;
  const auto start = Clock::now();
  EXPECT_EQ(HttpGet(LocalRequest(server.Port(), 1000), body), HttpResult::kTimedOut);
  EXPECT_LT(SecondsSince(start), 4.0);
  EXPECT_EQ(body, "");
}
#endif

}  // namespace
}  // namespace pellory::platform
