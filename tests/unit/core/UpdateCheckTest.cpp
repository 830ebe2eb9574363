// "Check Online for Update" against a server the test runs on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "../platform/LocalHttpServer.h"
#include "../programs/ScriptedDialogs.h"
#include "TestSupport.h"

namespace pellory::test {
namespace {

using Mode = LocalHttpServer::Mode;
constexpr const char* kCaption = "Check Online for Update";
const char* const kUpToDate = "Your version is up to date.";
const char* const kContactError = "An error occurred while contacting velloranmusic.com.";
const char* const kInvalidCall = "Invalid call to velloranmusic.com.";

std::string NewVersionText(const std::string& version) {
  return "A new version of Pellory is available.\n\n\tYour version: \t1.1.2\n\tNew version: \t" + version +
         "\n\nDo you want to go to http://www.velloranmusic.com to get the new version?";
}

struct Check {
  TempFolder config, documents;
  ScriptedDialogs dialogs;
  std::unique_ptr<TestPellory> plug;
  explicit Check(int port, int timeoutMs = 1000) {
    InstanceOptions options;
    options.configFolder = config.Path();
    options.documentsFolder = documents.Path();
    options.mtsLibraryPath = config.File("no-such-libMTS.so");
    options.updateHost = "127.0.0.1";
    options.updatePort = port;
    options.updateTimeoutMs = timeoutMs;
    plug = std::make_unique<TestPellory>(options);
    plug->SetProgramDialogs(&dialogs);
  }
};

// Runs the check against a server answering body; returns the check's result.
int CheckAgainst(const std::string& body, ScriptedDialogs** dialogsOut = nullptr) {
  LocalHttpServer server(Mode::kAnswer, LocalHttpServer::Ok(body));
  static std::unique_ptr<Check> last;
  last = std::make_unique<Check>(server.Port());
  const int result = last->plug->CheckForUpdate();
  if (dialogsOut) *dialogsOut = &last->dialogs;
  return result;
}

TEST(UpdateCheck, OlderOrEqualOrNonNumericAnswersAreUpToDate) {
  for (const char* answer : {"1102", "1101", "abc", "0999\n", "1102 beta"}) {
    ScriptedDialogs* dialogs = nullptr;
    EXPECT_EQ(CheckAgainst(answer, &dialogs), 0) << answer;
    ASSERT_EQ(dialogs->shown.size(), 1u) << answer;
    EXPECT_EQ(dialogs->shown[0].text, kUpToDate);
    EXPECT_EQ(dialogs->shown[0].caption, kCaption);
    EXPECT_EQ(dialogs->shown[0].style, ProgramDialogs::kMbIconInformation);
    EXPECT_TRUE(dialogs->webPages.empty());
  }
}

TEST(UpdateCheck, NewerVersionsAreSpelledOutAndOfferTheDownloadPage) {
  const std::pair<const char*, const char*> cases[] = {{"1103", "1.1.3"}, {"1110", "1.1.10"}, {"2000", "2.0.0"},
                                                       {"1120", "1.1.20"}};
  for (const auto& [answer, version] : cases) {
    LocalHttpServer server(Mode::kAnswer, LocalHttpServer::Ok(answer));
    Check check(server.Port());
    check.dialogs.answers = {ProgramDialogs::kResultYes};
    EXPECT_EQ(check.plug->CheckForUpdate(), 0);
    ASSERT_EQ(check.dialogs.shown.size(), 1u);
    EXPECT_EQ(check.dialogs.shown[0].text, NewVersionText(version));
    EXPECT_EQ(check.dialogs.shown[0].caption, "New Version of Pellory Detected");
    EXPECT_EQ(check.dialogs.shown[0].style, ProgramDialogs::kMbYesNo);
    EXPECT_EQ(check.dialogs.webPages, std::vector<std::string>{"http://www.velloranmusic.com/music/vst.html"});
    EXPECT_NE(server.Request().find("GET /music/version/?file=pellory "), std::string::npos);
  }
  // No keeps the browser closed; a box that could not be shown still leads to the page.
  for (int answer : {int(ProgramDialogs::kResultNo), int(ProgramDialogs::kResultNotShown)}) {
    LocalHttpServer server(Mode::kAnswer, LocalHttpServer::Ok("1103"));
    Check check(server.Port());
    check.dialogs.answers = {answer};
    EXPECT_EQ(check.plug->CheckForUpdate(), 0);
    EXPECT_EQ(check.dialogs.webPages.size(), answer == ProgramDialogs::kResultNo ? 0u : 1u);
  }
}

TEST(UpdateCheck, HtmlAnswersAreInvalidCallsWhateverNumberComesFirst) {
  for (const char* answer : {"<html>1200</html>", "1200<br>", "<"}) {
    ScriptedDialogs* dialogs = nullptr;
    EXPECT_EQ(CheckAgainst(answer, &dialogs), -3) << answer;
    ASSERT_EQ(dialogs->shown.size(), 1u);
    EXPECT_EQ(dialogs->shown[0].text, kInvalidCall);
    EXPECT_EQ(dialogs->shown[0].caption, kCaption);
    EXPECT_EQ(dialogs->shown[0].style, ProgramDialogs::kMbIconError);
  }
}

TEST(UpdateCheck, NoAnswerIsAContactError) {
  auto expectContactError = [](Check& check) {
    EXPECT_EQ(check.plug->CheckForUpdate(), -1);
    ASSERT_EQ(check.dialogs.shown.size(), 1u);
    EXPECT_EQ(check.dialogs.shown[0].text, kContactError);
    EXPECT_EQ(check.dialogs.shown[0].caption, kCaption);
    EXPECT_EQ(check.dialogs.shown[0].style, ProgramDialogs::kMbIconError);
  };
  {
    LocalHttpServer server(Mode::kAnswer, LocalHttpServer::Ok(""));
    Check check(server.Port());
    expectContactError(check);
  }
  {
    Check check(LocalHttpServer::RefusingPort());
    expectContactError(check);
  }
  {
    // Closed without a byte of answer.
    LocalHttpServer server(Mode::kAnswer, "");
    Check check(server.Port());
    expectContactError(check);
  }
}

TEST(UpdateCheck, SilentServerEndsAsNoAnswerWithinTheDefaultBound) {
  LocalHttpServer server(Mode::kSilent);
  Check check(server.Port(), 0);  // the plug-in's own bounds
  const auto start = std::chrono::steady_clock::now();
  check.plug->RunUtilityCommand(28);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("update check against a silent server (default bounds): %.3f s\n", seconds);
  EXPECT_GE(seconds, 3.0);
  EXPECT_LT(seconds, 10.0);
  ASSERT_EQ(check.dialogs.shown.size(), 1u);
  EXPECT_EQ(check.dialogs.shown[0].text, kContactError);
  EXPECT_EQ(server.Connections(), 1);
}

TEST(UpdateCheck, GarbageHugeAndCutAnswersNeverCrash) {
  {
    std::string garbage;
    for (int i = 0; i < 3000; ++i) garbage += static_cast<char>((i * 37 + 11) % 256 == '<' ? 'x' : (i * 37 + 11) % 256);
    garbage[0] = '\x01';
    ScriptedDialogs* dialogs = nullptr;
    EXPECT_EQ(CheckAgainst(garbage, &dialogs), 0);
    EXPECT_EQ(dialogs->Texts(), std::vector<std::string>{kUpToDate});
  }
  {
    // A body of a megabyte: the first few kilobytes are read, the rest is not waited for.
    LocalHttpServer server(Mode::kAnswer, LocalHttpServer::Ok("1103" + std::string(1 << 20, ' ')));
    Check check(server.Port());
    check.dialogs.answers = {ProgramDialogs::kResultNo};
    EXPECT_EQ(check.plug->CheckForUpdate(), 0);
    ASSERT_EQ(check.dialogs.shown.size(), 1u);
    EXPECT_EQ(check.dialogs.shown[0].text.find(NewVersionText("1.1.3" + std::string(4092, ' ')).substr(0, 200)), 0u);
    EXPECT_LT(check.dialogs.shown[0].text.size(), 4400u);
  }
  {
    LocalHttpServer server(Mode::kCutShort, "1110");
    Check check(server.Port());
    check.dialogs.answers = {ProgramDialogs::kResultNo};
    EXPECT_EQ(check.plug->CheckForUpdate(), 0);
    ASSERT_EQ(check.dialogs.shown.size(), 1u);
    EXPECT_EQ(check.dialogs.shown[0].text, NewVersionText("1.1.10"));
  }
  {
    // A number too long for any integer is still just "newer".
    LocalHttpServer server(Mode::kAnswer, LocalHttpServer::Ok("99999999999999999999999"));
    Check check(server.Port());
    check.dialogs.answers = {ProgramDialogs::kResultNo};
    EXPECT_EQ(check.plug->CheckForUpdate(), 0);
    EXPECT_EQ(check.dialogs.shown.at(0).caption, "New Version of Pellory Detected");
  }
}

TEST(UpdateCheck, WithoutAnEditorNothingIsShownAndNoPageOpens) {
  LocalHttpServer server(Mode::kAnswer, LocalHttpServer::Ok("1103"));
  Check check(server.Port());
  ProgramDialogs none;
  EXPECT_EQ(CheckForUpdate(none, UpdateServer{"127.0.0.1", server.Port(), 1000, 1000}), 0);
}

}  // namespace
}  // namespace pellory::test
