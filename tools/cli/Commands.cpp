#include "Commands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "MidiFile.h"
#include "Phrases.h"
#include "Renderer.h"
#include "VstHost.h"

namespace cli {

std::string DefaultPluginPath(const Context& context) {
  std::string self = context.selfPath;
  std::string::size_type slash = self.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : self.substr(0, slash);
  return folder + "/../../pellory.so";
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "pellory-cli: %s\n", message.c_str());
  return kFailed;
}

bool ParseNumber(const std::string& text, double low, double high, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == '\0' && value >= low && value <= high;
}

namespace {

// Options of the form --name VALUE; anything unexpected is a usage error.
struct Options {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> named;
  std::vector<std::string> flags;

  bool Parse(const std::vector<std::string>& args, const std::vector<std::string>& withValue,
             const std::vector<std::string>& withoutValue) {
    for (std::size_t i = 0; i < args.size(); ++i) {
      const std::string& a = args[i];
      if (a.size() > 1 && a[0] == '-') {
        bool known = false;
        for (const std::string& w : withValue) {
          if (a == w) {
            if (i + 1 >= args.size()) {
              std::fprintf(stderr, "pellory-cli: %s needs a value\n", a.c_str());
              return false;
            }
            named.emplace_back(a, args[++i]);
            known = true;
          }
        }
        for (const std::string& w : withoutValue) {
          if (a == w) {
            flags.push_back(a);
            known = true;
          }
        }
        if (!known) {
          std::fprintf(stderr, "pellory-cli: unknown option %s\n", a.c_str());
          return false;
        }
      } else {
        positional.push_back(a);
      }
    }
    return true;
  }
  bool Has(const std::string& name) const {
    for (const auto& f : flags)
      if (f == name) return true;
    for (const auto& n : named)
      if (n.first == name) return true;
    return false;
  }
  std::string Get(const std::string& name, const std::string& fallback = "") const {
    for (const auto& n : named)
      if (n.first == name) return n.second;
    return fallback;
  }
};

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data, std::string& error) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    error = "cannot open " + path + ": no such file";
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    error = path + " is a directory, not a file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool LoadInstrument(VstHost& host, const std::string& path, std::string& error) {
  if (!host.Load(path)) {
    error = host.Error();
    return false;
  }
  const vst2::AEffect* e = host.Effect();
  if (!(e->flags & vst2::effFlagsIsSynth) && host.Dispatch(vst2::effGetPlugCategory) != vst2::kPlugCategSynth) {
    error = path + " is not an instrument";
    return false;
  }
  return true;
}

std::vector<std::vector<uint8_t>> SelectProgramMessages(int n) {
  const int other = n == 1 ? 2 : 1;
  return {{0xC0, static_cast<uint8_t>(other - 1)}, {0xC0, static_cast<uint8_t>(n - 1)}};
}

int RunInfo(const Context& context, const std::vector<std::string>& args) {
  Options o;
  if (!o.Parse(args, {"--plugin"}, {}) || !o.positional.empty()) return kUsage;
  VstHost host;
  if (!host.Load(o.Get("--plugin", DefaultPluginPath(context)))) return Fail(host.Error());
  vst2::AEffect* e = host.Effect();
  host.Dispatch(vst2::effOpen);
  const vst2::VstInt32 id = e->uniqueID;
  std::printf("Plug-in:     %s\n", host.GetString(vst2::effGetEffectName).c_str());
  std::printf("Vendor:      %s\n", host.GetString(vst2::effGetVendorString).c_str());
  std::printf("Unique ID:   '%c%c%c%c' (0x%08X)\n", (id >> 24) & 0xFF, (id >> 16) & 0xFF, (id >> 8) & 0xFF,
              id & 0xFF, static_cast<unsigned>(id));
  std::printf("Version:     %d\n", e->version);
  std::printf("Category:    %s\n",
              host.Dispatch(vst2::effGetPlugCategory) == vst2::kPlugCategSynth ? "instrument" : "effect");
  std::printf("Channels:    %d in, %d out\n", e->numInputs, e->numOutputs);
  std::printf("Programs:    %d\n", e->numPrograms);
  std::printf("Parameters:  %d\n", e->numParams);
  for (int i = 0; i < e->numParams; ++i) {
    std::string name = host.GetString(vst2::effGetParamName, i);
    std::string display = host.GetString(vst2::effGetParamDisplay, i);
    std::string label = host.GetString(vst2::effGetParamLabel, i);
    std::printf("  %2d  %-28s %s%s%s\n", i, name.c_str(), display.c_str(), label.empty() ? "" : " ", label.c_str());
  }
  return kOk;
}

int RunRender(const Context& context, const std::vector<std::string>& args) {
  Options o;
  if (!o.Parse(args, {"--plugin", "--bank", "--program", "--midi", "--rate", "--block", "--seconds", "-o"},
               {"--demo"}) ||
      !o.positional.empty())
    return kUsage;
  if (!o.Has("-o")) return Fail("render needs an output file: -o OUT.wav");
  if (o.Has("--midi") == o.Has("--demo")) return Fail("render needs exactly one of --midi FILE.mid and --demo");

  RenderOptions options;
  double value = 0;
  if (o.Has("--rate")) {
    if (!ParseNumber(o.Get("--rate"), 8000, 384000, value)) return Fail("--rate must be 8000 to 384000 Hz");
    options.sampleRate = value;
  }
  if (o.Has("--block")) {
    if (!ParseNumber(o.Get("--block"), 1, 65536, value)) return Fail("--block must be 1 to 65536 samples");
    options.blockSize = static_cast<int>(value);
  }
  if (o.Has("--seconds")) {
    if (!ParseNumber(o.Get("--seconds"), 0, 3600, value)) return Fail("--seconds must be 0 to 3600");
    options.seconds = value;
  }

  std::vector<TimedMidiEvent> events;
  if (o.Has("--bank")) {
    std::vector<uint8_t> bank;
    std::string error;
    if (!ReadWholeFile(o.Get("--bank"), bank, error)) return Fail(error);
    if (bank.size() < 5 || bank[0] != 0xF0) return Fail(o.Get("--bank") + " is not a SysEx file");
    events.push_back({0.0, bank});
  }
  if (o.Has("--program")) {
    if (!ParseNumber(o.Get("--program"), 1, 128, value)) return Fail("--program must be 1 to 128");
  } else {
    value = 1;  // a loaded bank plays its first program
  }
  if (o.Has("--program") || o.Has("--bank")) {
    // Program changes 100..128 wrap to 1..29, as the instrument reads them.
    const int program = static_cast<int>(value) <= 99 ? static_cast<int>(value) : static_cast<int>(value) - 99;
    for (std::vector<uint8_t>& m : SelectProgramMessages(program)) events.push_back({0.0, m});
  }
  double offset = events.empty() ? 0.0 : 0.05;  // let a program load settle before notes
  std::vector<TimedMidiEvent> music;
  if (o.Has("--midi")) {
    MidiSong song;
    std::string error;
    std::vector<uint8_t> data;
    if (!ReadWholeFile(o.Get("--midi"), data, error)) return Fail(error);
    if (!ParseMidiFile(data, song, error)) return Fail(o.Get("--midi") + ": " + error);
    music = song.events;
  } else {
    music = MakeDemoSong();
  }
  for (TimedMidiEvent& e : music) {
    e.seconds += offset;
    events.push_back(e);
  }

  VstHost host;
  std::string error;
  if (!LoadInstrument(host, o.Get("--plugin", DefaultPluginPath(context)), error)) return Fail(error);
  host.Start(options.sampleRate, options.blockSize);
  double last = 0.0;
  for (const TimedMidiEvent& e : events) last = std::max(last, e.seconds);
  options.showProgress = isatty(STDERR_FILENO) && (options.seconds >= 0 ? options.seconds : last) > 5.0;
  RenderResult result;
  if (!RenderToWav(host, events, options, o.Get("-o"), result, error)) return Fail(error);
  std::printf("wrote %s: %.2f s at %.0f Hz, peak %.3f, real-time factor %.4f\n", o.Get("-o").c_str(),
              static_cast<double>(result.frames) / options.sampleRate, options.sampleRate, result.peak,
              result.RealTimeFactor(options.sampleRate));
  return kOk;
}

}  // namespace cli
