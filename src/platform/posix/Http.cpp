#include "platform/Http.h"

// Plain function calls below, not the header's type-checking macros.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include "platform/DynamicLibrary.h"

namespace pellory::platform {
namespace {

// libcurl is opened when the first request is made, not linked: linked, it and its ~30
// libraries (TLS, Kerberos, LDAP, ...) were loaded into every host process with the module,
// tripling the time a host waits to scan or load the plug-in, for a check a user may never run.
struct Curl {
  DynamicLibrary library;
  CURLcode (*global_init)(long) = nullptr;
  CURL* (*easy_init)() = nullptr;
  CURLcode (*easy_setopt)(CURL*, CURLoption, ...) = nullptr;
  CURLcode (*easy_perform)(CURL*) = nullptr;
  void (*easy_cleanup)(CURL*) = nullptr;
  curl_slist* (*slist_append)(curl_slist*, const char*) = nullptr;
  void (*slist_free_all)(curl_slist*) = nullptr;

  bool Load() {
    for (const char* name : {"libcurl.so.4", "libcurl-gnutls.so.4", "libcurl.so"}) {
      if (library.Open(name)) break;
    }
    if (!library.IsOpen()) return false;
    Bind(global_init, "curl_global_init");
    Bind(easy_init, "curl_easy_init");
    Bind(easy_setopt, "curl_easy_setopt");
    Bind(easy_perform, "curl_easy_perform");
    Bind(easy_cleanup, "curl_easy_cleanup");
    Bind(slist_append, "curl_slist_append");
    Bind(slist_free_all, "curl_slist_free_all");
    const bool complete = global_init && easy_init && easy_setopt && easy_perform && easy_cleanup &&
                          slist_append && slist_free_all;
    if (!complete) {
      library.Close();
      return false;
    }
    global_init(CURL_GLOBAL_DEFAULT);
    return true;
  }

  template <typename F>
  void Bind(F& function, const char* name) {
    function = reinterpret_cast<F>(library.Symbol(name));
  }
};

// Loaded once per process and never unloaded: libcurl's global state (and its TLS library's)
// must outlive every request, and unloading it at exit gains nothing. Null when no libcurl is
// installed; the check then finds no answer.
Curl* LoadedCurl() {
  static Curl* const curl = [] {
    Curl* c = new Curl;
    if (c->Load()) return c;
    delete c;
    return static_cast<Curl*>(nullptr);
  }();
  return curl;
}

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
  Curl* lib = LoadedCurl();
  if (!lib) return HttpResult::kFailed;
  CURL* curl = lib->easy_init();
  if (!curl) return HttpResult::kFailed;

  const std::string url = "http://" + request.host + ":" + std::to_string(request.port) + "/" + request.path;
  Sink sink{&body, request.maxBytes};
  curl_slist* headers = lib->slist_append(nullptr, "Accept: */*");
  lib->easy_setopt(curl, CURLOPT_URL, url.c_str());
  lib->easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
  lib->easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http");
  lib->easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  lib->easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  lib->easy_setopt(curl, CURLOPT_USERAGENT, request.agent.c_str());
  lib->easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  lib->easy_setopt(curl, CURLOPT_PROXY, "");
  lib->easy_setopt(curl, CURLOPT_NOPROXY, "*");
  // No signals: the host's threads and handlers are not ours to disturb.
  lib->easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  lib->easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectTimeoutMs));
  // A stall of the receive timeout ends the transfer; so does the sum of both timeouts, which
  // bounds a server that sends one byte at a time.
  lib->easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  lib->easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>((request.receiveTimeoutMs + 999) / 1000));
  lib->easy_setopt(curl, CURLOPT_TIMEOUT_MS,
                   static_cast<long>(request.connectTimeoutMs) + static_cast<long>(request.receiveTimeoutMs));
  lib->easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  lib->easy_setopt(curl, CURLOPT_WRITEDATA, &sink);

  const CURLcode code = lib->easy_perform(curl);
  lib->slist_free_all(headers);
  lib->easy_cleanup(curl);

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
