#include "core/UpdateCheck.h"

#include <cctype>
#include <exception>

#include "platform/Http.h"

namespace pellory {

namespace {

constexpr const char* kCaption = "Check Online for Update";
constexpr const char* kProduct = "Pellory";

void ShowContactError(ProgramDialogs& dialogs) {
  dialogs.ShowMessageBox(std::string("An error occurred while contacting ") + kMakerDomain + ".", kCaption,
                         ProgramDialogs::kMbIconError);
}

// The answer's leading decimal number; 0 when it does not start with a digit. Saturates
// instead of overflowing on absurd answers.
long LeadingNumber(const std::string& answer) {
  long value = 0;
  for (char c : answer) {
    if (!std::isdigit(static_cast<unsigned char>(c))) break;
    value = value > 100000000L ? value : value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

int EvaluateUpdateAnswer(ProgramDialogs& dialogs, const std::string& answer) {
  try {
    if (answer.empty()) {
      ShowContactError(dialogs);
      return -1;
    }
    if (answer.find('<') != std::string::npos) {
      dialogs.ShowMessageBox(std::string("Invalid call to ") + kMakerDomain + ".", kCaption,
                             ProgramDialogs::kMbIconError);
      return -3;
    }
    if (LeadingNumber(answer) <= kVersionNumber) {
      dialogs.ShowMessageBox("Your version is up to date.", kCaption, ProgramDialogs::kMbIconInformation);
      return 0;
    }
    // Above 1102 the answer has at least four digits.
    std::string newVersion;
    newVersion += answer[0];
    newVersion += '.';
    newVersion += answer[1];
    newVersion += '.';
    newVersion += answer.substr(answer[2] == '0' ? 3 : 2);
    const std::string caption = std::string("New Version of ") + kProduct + " Detected";
    const std::string text = std::string("A new version of ") + kProduct + " is available.\n\n" +
                             "\tYour version: \t" + kVersionText + "\n" + "\tNew version: \t" + newVersion +
                             "\n" + "\nDo you want to go to " + kMakerWebAddress + " to get the new version?";
    if (dialogs.ShowMessageBox(text, caption, ProgramDialogs::kMbYesNo) != ProgramDialogs::kResultNo)
      dialogs.OpenWebPage(kMakerDownloadPage);
    return 0;
  } catch (const std::exception&) {
    ShowContactError(dialogs);
    return -2;
  }
}

int CheckForUpdate(ProgramDialogs& dialogs, const UpdateServer& server) {
  platform::HttpRequest request;
  request.host = server.host;
  request.port = server.port;
  request.path = "music/version/?file=pellory";
  request.agent = kProduct;
  request.connectTimeoutMs = server.connectTimeoutMs;
  request.receiveTimeoutMs = server.receiveTimeoutMs;
  request.maxBytes = 4096;
  std::string answer;
  try {
    const platform::HttpResult result = platform::HttpGet(request, answer);
    // A timed-out request is no answer, whatever part of it arrived.
    if (result == platform::HttpResult::kTimedOut || result == platform::HttpResult::kFailed) answer.clear();
  } catch (const std::exception&) {
    ShowContactError(dialogs);
    return -2;
  }
  return EvaluateUpdateAnswer(dialogs, answer);
}

}  // namespace pellory
