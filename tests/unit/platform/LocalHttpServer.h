#pragma once
// A one-thread HTTP server on 127.0.0.1 with a port chosen by the system, for the tests of
// the update request. Each connection gets the same behaviour; the request text is kept.
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace pellory::test {

class LocalHttpServer {
 public:
  enum class Mode {
    kAnswer,       // sends the response text, then closes
    kSilent,       // accepts, reads the request and never answers
    kCutShort,     // announces more body than it sends, then closes
    kDrip,         // sends the headers, then one byte every 200 ms for ever
  };

#ifdef _WIN32
  using Socket = SOCKET;
  static constexpr Socket kNoSocket = INVALID_SOCKET;
  static void CloseSocket(Socket s) { closesocket(s); }
#else
  using Socket = int;
  static constexpr Socket kNoSocket = -1;
  static void CloseSocket(Socket s) { close(s); }
#endif

  // A plain 200 answer with the given body.
  static std::string Ok(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
  }

  LocalHttpServer(Mode mode, std::string response = std::string()) : mode_(mode), response_(std::move(response)) {
    Startup();
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(listener_, 8);
    socklen_t length = sizeof(address);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Run(); });
  }

  ~LocalHttpServer() {
    stop_ = true;
    thread_.join();
    CloseSocket(listener_);
  }

  // A port on which nothing listens (the connection is refused).
  static int RefusingPort() {
    Startup();
    Socket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    socklen_t length = sizeof(address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    CloseSocket(s);
    return ntohs(address.sin_port);
  }

  int Port() const { return port_; }
  std::string Request() {
    std::lock_guard<std::mutex> guard(mutex_);
    return request_;
  }
  int Connections() const { return connections_; }

 private:
  static void Startup() {
#ifdef _WIN32
    static bool started = [] {
      WSADATA data;
      return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
#endif
  }

  // Waits up to 50 ms for s to become readable.
  static bool Readable(Socket s) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait{0, 50000};
    return select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &wait) > 0;
  }

  void SendAll(Socket s, const std::string& text) {
    std::size_t sent = 0;
    while (sent < text.size() && !stop_) {
      const int n = send(s, text.data() + sent, static_cast<int>(text.size() - sent), 0);
      if (n <= 0) return;
      sent += static_cast<std::size_t>(n);
    }
  }

  void Serve(Socket s) {
    std::string request;
    char buffer[2048];
    while (!stop_ && request.find("\r\n\r\n") == std::string::npos) {
      if (!Readable(s)) continue;
      const int n = recv(s, buffer, sizeof(buffer), 0);
      if (n <= 0) break;
      request.append(buffer, static_cast<std::size_t>(n));
    }
    {
      std::lock_guard<std::mutex> guard(mutex_);
      request_ = request;
    }
    switch (mode_) {
      case Mode::kAnswer:
        SendAll(s, response_);
        break;
      case Mode::kSilent:
        while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        break;
      case Mode::kCutShort:
        SendAll(s, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n" + response_);
        break;
      case Mode::kDrip:
        SendAll(s, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
        while (!stop_) {
          SendAll(s, "1");
          std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        break;
    }
#ifdef _WIN32
    shutdown(s, SD_SEND);
#else
    shutdown(s, SHUT_WR);
#endif
    CloseSocket(s);
  }

  void Run() {
    while (!stop_) {
      if (!Readable(listener_)) continue;
      Socket s = accept(listener_, nullptr, nullptr);
      if (s == kNoSocket) continue;
      ++connections_;
      Serve(s);
    }
  }

  Mode mode_;
  std::string response_;
  Socket listener_ = kNoSocket;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::mutex mutex_;
  std::string request_;
  std::thread thread_;
};

}  // namespace pellory::test
