#pragma once
#include <string>

#include "programs/ProgramDialogs.h"

namespace pellory {

// Where the update check asks. The defaults are the maker's server; tests give a local one.
struct UpdateServer {
  std::string host = "www.velloranmusic.com";
  int port = 80;
  int connectTimeoutMs = 4000;
  int receiveTimeoutMs = 4000;
};

constexpr const char* kVersionText = "1.1.2";
constexpr int kVersionNumber = 1102;
// What the messages name, whichever server was asked.
constexpr const char* kMakerDomain = "velloranmusic.com";
constexpr const char* kMakerWebAddress = "http://www.velloranmusic.com";
constexpr const char* kMakerDownloadPage = "http://www.velloranmusic.com/music/vst.html";

// Asks the server for the newest version number and tells the user through dialogs. Returns
// 0 when an answer was evaluated, -1 when no answer came, -2 when the check failed
// unexpectedly, -3 when the answer was an HTML page.
int CheckForUpdate(ProgramDialogs& dialogs, const UpdateServer& server);

// The message part of the check, for an answer already received (empty: none came).
int EvaluateUpdateAnswer(ProgramDialogs& dialogs, const std::string& answer);

}  // namespace pellory
