// pellory-cli: a command-line VST 2.4 host and toolbox.
#include <cstdio>
#include <cstring>
#include <string>

#include "VstHost.h"

namespace {

std::string DefaultPluginPath(const char* argv0) {
  // The plug-in is built next to the tool.
  std::string self = argv0 ? argv0 : "";
  std::string::size_type slash = self.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : self.substr(0, slash);
  return folder + "/../../pellory.so";
}

int Usage() {
  std::fprintf(stderr,
               "usage: pellory-cli info [--plugin PATH]\n"
               "  info   print the plug-in's identity and its parameters with their default values\n");
  return 2;
}

int Info(const std::string& pluginPath) {
  cli::VstHost host;
  if (!host.Load(pluginPath)) {
    std::fprintf(stderr, "pellory-cli: %s\n", host.Error().c_str());
    return 1;
  }
  vst2::AEffect* e = host.Effect();
  host.Dispatch(vst2::effOpen);
  const vst2::VstInt32 id = e->uniqueID;
  std::printf("Plug-in:     %s\n", host.GetString(vst2::effGetEffectName).c_str());
  std::printf("Vendor:      %s\n", host.GetString(vst2::effGetVendorString).c_str());
  std::printf("Unique ID:   '%c%c%c%c' (0x%08X)\n", (id >> 24) & 0xFF, (id >> 16) & 0xFF, (id >> 8) & 0xFF,
              id & 0xFF, static_cast<unsigned>(id));
  std::printf("Version:     %d\n", e->version);
  std::printf("Category:    %s\n", host.Dispatch(vst2::effGetPlugCategory) == vst2::kPlugCategSynth ? "instrument" : "effect");
  std::printf("Channels:    %d in, %d out\n", e->numInputs, e->numOutputs);
  std::printf("Programs:    %d\n", e->numPrograms);
  std::printf("Parameters:  %d\n", e->numParams);
  for (int i = 0; i < e->numParams; ++i) {
    std::string name = host.GetString(vst2::effGetParamName, i);
    std::string display = host.GetString(vst2::effGetParamDisplay, i);
    std::string label = host.GetString(vst2::effGetParamLabel, i);
    std::printf("  %2d  %-28s %s%s%s\n", i, name.c_str(), display.c_str(), label.empty() ? "" : " ",
                label.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string command = argv[1];
  std::string plugin = DefaultPluginPath(argv[0]);
  for (int i = 2; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--plugin") && i + 1 < argc) {
      plugin = argv[++i];
    } else {
      std::fprintf(stderr, "pellory-cli: unknown option %s\n", argv[i]);
      return Usage();
    }
  }
  if (command == "info") return Info(plugin);
  std::fprintf(stderr, "pellory-cli: unknown command %s\n", command.c_str());
  return Usage();
}
