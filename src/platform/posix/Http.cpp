#include "platform/Http.h"

#include <curl/curl.h>

#include <mutex>

namespace pellory::platform {
namespace {

struct Sink {
  std::string* body;
  std::size_t maxBytes;
  bool full = false;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
  Sink* sink = static_cast<Sink*>(user);
  const size_t n = size * count;
  const size_t room = sink->maxBytes - sink->body->size();
  if (n > room) {
    sink->body->append(data, room);
    sink->full = true;
    return 0;  // stops the transfer
  }
  sink->body->append(data, n);
  return n;
}

}  // namespace

HttpResult HttpGet(const HttpRequest& request, std::string& body) {
  body.clear();
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  CURL* curl = curl_easy_init();
  if (!curl) return HttpResult::kFailed;

  const std::string url = "http://" + request.host + ":" + std::to_string(request.port) + "/" + request.path;
  Sink sink{&body, request.maxBytes};
  curl_slist* headers = curl_slist_append(nullptr, "Accept: */*");
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, request.agent.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  // No signals: the host's threads and handlers are not ours to disturb.
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectTimeoutMs));
  // A stall of the receive timeout ends the transfer; so does the sum of both timeouts, which
  // bounds a server that sends one byte at a time.
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>((request.receiveTimeoutMs + 999) / 1000));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS,
                   static_cast<long>(request.connectTimeoutMs) + static_cast<long>(request.receiveTimeoutMs));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);

  const CURLcode code = curl_easy_perform(curl);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);

  if (code == CURLE_OK) return HttpResult::kComplete;
  if (sink.full) return HttpResult::kTooLarge;
  if (code == CURLE_OPERATION_TIMEDOUT) {
    body.clear();
    return HttpResult::kTimedOut;
  }
  if (code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_HOST || code == CURLE_URL_MALFORMAT ||
      code == CURLE_UNSUPPORTED_PROTOCOL || code == CURLE_OUT_OF_MEMORY || code == CURLE_FAILED_INIT) {
    body.clear();
    return HttpResult::kFailed;
  }
  return HttpResult::kCutShort;
}

}  // namespace pellory::platform
