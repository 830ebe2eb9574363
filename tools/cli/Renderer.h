#pragma once
// Renders timed MIDI through a loaded plug-in into a WAV file.
#include <string>
#include <vector>

#include "MidiFile.h"
#include "VstHost.h"

namespace cli {

struct RenderOptions {
  double sampleRate = 44100.0;
  int blockSize = 512;
  double seconds = -1.0;      // total length; negative: the events' length plus the tail
  double tailSeconds = 2.0;   // after the last event, for releases
  bool showProgress = false;  // a progress line on the terminal
};

struct RenderResult {
  long frames = 0;
  double cpuSeconds = 0.0;
  double peak = 0.0;
  double RealTimeFactor(double sampleRate) const {
    return frames > 0 ? cpuSeconds / (static_cast<double>(frames) / sampleRate) : 0.0;
  }
};

// The host must be loaded and started at options.sampleRate / options.blockSize.
bool RenderToWav(VstHost& host, const std::vector<TimedMidiEvent>& events, const RenderOptions& options,
                 const std::string& outputPath, RenderResult& result, std::string& error);

}  // namespace cli
