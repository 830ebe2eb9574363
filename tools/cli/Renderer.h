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
  // Past the last event plus tailSeconds, keep rendering until the output has stayed below
  // silenceDb for a tenth of a second, but no longer than maxTailSeconds after the last event;
  // a sound still ringing at that cap is faded out over its last fadeSeconds, so no file ends
  // in a cut. Off when negative or when seconds is given.
  double silenceDb = 1.0;
  double maxTailSeconds = 12.0;
  double fadeSeconds = 0.5;
  bool UntilSilent() const { return seconds < 0.0 && silenceDb <= 0.0; }
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
