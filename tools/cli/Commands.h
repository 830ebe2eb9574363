#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace cli {

// Exit codes: 0 success, 1 a failure the message explains, 2 wrong usage.
constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

struct Context {
  std::string selfPath;  // argv[0], to find the plug-in built next to the tool
};

// The plug-in built with this tool: <build>/pellory.so next to <build>/tools/cli/pellory-cli.
std::string DefaultPluginPath(const Context& context);

// Shared by the commands.
// Prints "pellory-cli: message" to stderr and returns kFailed.
int Fail(const std::string& message);
// A decimal number within [low, high], the whole text.
bool ParseNumber(const std::string& text, double low, double high, double& value);
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data, std::string& error);
// Loads a plug-in and checks that it is an instrument.
class VstHost;
bool LoadInstrument(VstHost& host, const std::string& path, std::string& error);

// MIDI program changes that make program n's stored sound play. Selecting the program that is
// already current keeps the edit buffer (after a bank load that is still the previous bank's
// sound), so another program is selected first.
std::vector<std::vector<uint8_t>> SelectProgramMessages(int n);

int RunInfo(const Context& context, const std::vector<std::string>& args);
int RunRender(const Context& context, const std::vector<std::string>& args);
int RunDemo(const Context& context, const std::vector<std::string>& args);
int RunBank(const Context& context, const std::vector<std::string>& args);
int RunTape(const Context& context, const std::vector<std::string>& args);
int RunScreenshot(const Context& context, const std::vector<std::string>& args);

}  // namespace cli
