#include "Renderer.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>

namespace cli {

namespace {

// One block's events in the layout hosts hand to plug-ins.
class EventBlock {
 public:
  void Clear() {
    midi_.clear();
    sysex_.clear();
    pointers_.clear();
  }
  void Add(const TimedMidiEvent& e, int offset) {
    if (e.bytes.empty()) return;
    if (e.bytes[0] == 0xF0) {
      vst2::VstMidiSysexEvent s{};
      s.type = vst2::kVstSysExType;
      s.byteSize = sizeof(s);
      s.deltaFrames = offset;
      s.dumpBytes = static_cast<vst2::VstInt32>(e.bytes.size());
      s.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(e.bytes.data()));
      sysex_.push_back(s);
      order_.push_back(-static_cast<int>(sysex_.size()));
    } else {
      vst2::VstMidiEvent m{};
      m.type = vst2::kVstMidiType;
      m.byteSize = sizeof(m);
      m.deltaFrames = offset;
      for (std::size_t i = 0; i < e.bytes.size() && i < 3; ++i) m.midiData[i] = static_cast<char>(e.bytes[i]);
      midi_.push_back(m);
      order_.push_back(static_cast<int>(midi_.size()));
    }
  }
  // Sends the block's events in their order; vectors are complete, so pointers stay valid.
  void Send(VstHost& host) {
    if (order_.empty()) return;
    for (int k : order_)
      pointers_.push_back(k > 0 ? reinterpret_cast<vst2::VstEvent*>(&midi_[static_cast<std::size_t>(k - 1)])
                                : reinterpret_cast<vst2::VstEvent*>(&sysex_[static_cast<std::size_t>(-k - 1)]));
    std::vector<char> storage(sizeof(vst2::VstEvents) + pointers_.size() * sizeof(vst2::VstEvent*));
    auto* events = reinterpret_cast<vst2::VstEvents*>(storage.data());
    events->numEvents = static_cast<vst2::VstInt32>(pointers_.size());
    events->reserved = 0;
    std::copy(pointers_.begin(), pointers_.end(), events->events);
    host.Dispatch(vst2::effProcessEvents, 0, 0, events);
    order_.clear();
  }

 private:
  std::vector<vst2::VstMidiEvent> midi_;
  std::vector<vst2::VstMidiSysexEvent> sysex_;
  std::vector<int> order_;
  std::vector<vst2::VstEvent*> pointers_;
};

struct SndFileCloser {
  void operator()(SNDFILE* f) const { sf_close(f); }
};

}  // namespace

bool RenderToWav(VstHost& host, const std::vector<TimedMidiEvent>& events, const RenderOptions& options,
                 const std::string& outputPath, RenderResult& result, std::string& error) {
  result = RenderResult();
  vst2::AEffect* effect = host.Effect();
  if (!effect || effect->numOutputs < 1) {
    error = "the plug-in has no audio outputs";
    return false;
  }
  double lastEvent = 0.0;
  for (const TimedMidiEvent& e : events) lastEvent = std::max(lastEvent, e.seconds);
  const double seconds = options.seconds >= 0.0 ? options.seconds : lastEvent + options.tailSeconds;
  const bool untilSilent = options.UntilSilent();
  const long minimum = static_cast<long>(std::llround(seconds * options.sampleRate));
  // Rendering until silence may run to the cap; the fade sits just before it.
  const long total = untilSilent ? std::max(minimum, static_cast<long>(std::llround(
                                                (lastEvent + options.maxTailSeconds) * options.sampleRate)))
                                 : minimum;
  const long fadeFrames = static_cast<long>(std::llround(std::max(0.0, options.fadeSeconds) * options.sampleRate));
  const long fadeStart = total - std::min(fadeFrames, total);
  const double silence = std::pow(10.0, options.silenceDb / 20.0);
  const long quietNeeded = static_cast<long>(0.1 * options.sampleRate);
  long quietFrames = 0;

  SF_INFO info{};
  info.samplerate = static_cast<int>(options.sampleRate);
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  std::unique_ptr<SNDFILE, SndFileCloser> file(sf_open(outputPath.c_str(), SFM_WRITE, &info));
  if (!file) {
    error = "cannot write " + outputPath + ": " + sf_strerror(nullptr);
    return false;
  }

  const int block = std::max(1, options.blockSize);
  const int outputs = effect->numOutputs;
  std::vector<std::vector<float>> buffers(static_cast<std::size_t>(std::max(outputs, 2)), std::vector<float>(block));
  std::vector<float*> outPointers;
  for (auto& b : buffers) outPointers.push_back(b.data());
  std::vector<std::vector<float>> inputs(static_cast<std::size_t>(std::max(effect->numInputs, 0)), std::vector<float>(block));
  std::vector<float*> inPointers;
  for (auto& b : inputs) inPointers.push_back(b.data());
  std::vector<float> interleaved(static_cast<std::size_t>(block) * 2);

  std::vector<std::pair<long, const TimedMidiEvent*>> scheduled;
  for (const TimedMidiEvent& e : events)
    scheduled.emplace_back(static_cast<long>(std::llround(e.seconds * options.sampleRate)), &e);
  std::stable_sort(scheduled.begin(), scheduled.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });

  EventBlock eventBlock;
  std::size_t next = 0;
  const std::clock_t start = std::clock();
  int lastPercent = -1;
  for (long done = 0; done < total; done += block) {
    const int n = static_cast<int>(std::min<long>(block, total - done));
    eventBlock.Clear();
    while (next < scheduled.size() && scheduled[next].first < done + n) {
      eventBlock.Add(*scheduled[next].second, static_cast<int>(std::max<long>(0, scheduled[next].first - done)));
      ++next;
    }
    eventBlock.Send(host);
    if (effect->flags & vst2::effFlagsCanReplacing) {
      effect->processReplacing(effect, inPointers.data(), outPointers.data(), n);
    } else {
      for (auto& b : buffers) std::fill(b.begin(), b.end(), 0.0f);
      effect->process(effect, inPointers.data(), outPointers.data(), n);
    }
    const float* left = buffers[0].data();
    const float* right = outputs > 1 ? buffers[1].data() : buffers[0].data();
    double blockPeak = 0.0;
    for (int i = 0; i < n; ++i) {
      double gain = 1.0;
      if (untilSilent && done + i >= fadeStart && fadeFrames > 0)
        gain = 0.5 + 0.5 * std::cos(M_PI * static_cast<double>(done + i - fadeStart + 1) / static_cast<double>(fadeFrames));
      interleaved[2 * i] = static_cast<float>(left[i] * gain);
      interleaved[2 * i + 1] = static_cast<float>(right[i] * gain);
      const double level = std::max(std::fabs(interleaved[2 * i]), std::fabs(interleaved[2 * i + 1]));
      result.peak = std::max(result.peak, level);
      blockPeak = std::max(blockPeak, level);
    }
    if (sf_writef_float(file.get(), interleaved.data(), n) != n) {
      error = "writing " + outputPath + " failed: " + sf_strerror(file.get());
      return false;
    }
    result.frames += n;
    if (untilSilent) {
      quietFrames = blockPeak < silence ? quietFrames + n : 0;
      if (done + n >= minimum && quietFrames >= quietNeeded) break;
    }
    if (options.showProgress) {
      const int percent = static_cast<int>(100.0 * static_cast<double>(done + n) / static_cast<double>(total));
      if (percent != lastPercent) {
        std::fprintf(stderr, "\rrendering %3d%%", percent);
        lastPercent = percent;
      }
    }
  }
  if (options.showProgress) std::fprintf(stderr, "\n");
  result.cpuSeconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  return true;
}

}  // namespace cli
