#pragma once
#include <cstddef>
#include <string>

namespace pellory::platform {

// One plain HTTP GET, bounded in time and size so that a silent or endless server cannot
// hold the calling thread. Direct connection (no proxy), "Accept: */*".
struct HttpRequest {
  std::string host;
  int port = 80;
  std::string path;          // without the leading slash, e.g. "music/version/?file=pellory"
  std::string agent;         // user-agent name
  int connectTimeoutMs = 4000;
  int receiveTimeoutMs = 4000;  // longest wait for the next bytes of the answer
  std::size_t maxBytes = 4096;  // the body is cut here
};

enum class HttpResult {
  kComplete,   // the whole answer arrived
  kCutShort,   // the connection failed or closed part-way; body holds what arrived
  kTooLarge,   // body holds the first maxBytes bytes
  kTimedOut,   // connecting or waiting for data took too long; body is empty
  kFailed,     // no connection or no request could be made; body is empty
};

HttpResult HttpGet(const HttpRequest& request, std::string& body);

}  // namespace pellory::platform
