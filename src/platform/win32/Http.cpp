#include <windows.h>
#include <wininet.h>

#include "platform/Http.h"

namespace pellory::platform {
namespace {

// Closes a WinINet handle when the request ends, however it ends.
struct InternetHandle {
  HINTERNET handle = nullptr;
  explicit InternetHandle(HINTERNET h) : handle(h) {}
  ~InternetHandle() {
    if (handle) InternetCloseHandle(handle);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
};

void SetTimeout(HINTERNET handle, DWORD option, int ms) {
  DWORD value = static_cast<DWORD>(ms > 0 ? ms : 1);
  InternetSetOptionA(handle, option, &value, sizeof(value));
}

// Each handle gets the bounds: some WinINet versions copy them from the parent handle only
// for some options. Refusals (an option a handle does not take) are harmless.
void SetTimeouts(HINTERNET handle, const HttpRequest& request) {
  SetTimeout(handle, INTERNET_OPTION_CONNECT_TIMEOUT, request.connectTimeoutMs);
  SetTimeout(handle, INTERNET_OPTION_SEND_TIMEOUT, request.receiveTimeoutMs);
  SetTimeout(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, request.receiveTimeoutMs);
}

bool IsTimeout(DWORD error) { return error == ERROR_INTERNET_TIMEOUT; }

}  // namespace

HttpResult HttpGet(const HttpRequest& request, std::string& body) {
  body.clear();
  InternetHandle internet(InternetOpenA(request.agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!internet.handle) return HttpResult::kFailed;
  // Without limits a server that accepts and never answers holds the caller indefinitely.
  SetTimeouts(internet.handle, request);
  InternetHandle connection(InternetConnectA(internet.handle, request.host.c_str(),
                                             static_cast<INTERNET_PORT>(request.port), nullptr, nullptr,
                                             INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection.handle) return HttpResult::kFailed;
  SetTimeouts(connection.handle, request);
  const char* accept[] = {"*/*", nullptr};
  InternetHandle file(HttpOpenRequestA(connection.handle, "GET", request.path.c_str(), nullptr, nullptr, accept, 0, 0));
  if (!file.handle) return HttpResult::kFailed;
  SetTimeouts(file.handle, request);
  if (!HttpSendRequestA(file.handle, nullptr, 0, nullptr, 0))
    return IsTimeout(GetLastError()) ? HttpResult::kTimedOut : HttpResult::kFailed;

  char piece[1024];
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(file.handle, piece, sizeof(piece), &read)) {
      if (IsTimeout(GetLastError())) {
        body.clear();
        return HttpResult::kTimedOut;
      }
      return HttpResult::kCutShort;
    }
    if (read == 0) return HttpResult::kComplete;
    const std::size_t room = request.maxBytes - body.size();
    if (read > room) {
      body.append(piece, room);
      return HttpResult::kTooLarge;
    }
    body.append(piece, read);
  }
}

}  // namespace pellory::platform
