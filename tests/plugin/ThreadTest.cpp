// Hosts call the process functions on their audio thread while their user-interface thread
// automates parameters and asks the dispatcher. Run under ThreadSanitizer this shows races.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "TestHost.h"

namespace plugtest {
namespace {

using namespace vst2;

TEST(Threads, ProcessWhileAutomatingAndAsking) {
  TestHost host;
  host.Start(44100.0, 256);
  AEffect* e = host.Effect();
  std::atomic<bool> done{false};
  std::atomic<int> bad{0};

  std::thread audio([&] {
    // Room for the longer buffers that some calls send.
    std::vector<float> l(700), r(700);
    std::vector<double> dl(256), dr(256);
    float* outputs[2] = {l.data(), r.data()};
    double* doubleOutputs[2] = {dl.data(), dr.data()};
    for (int block = 0; block < 400; ++block) {
      VstMidiEvent note{};
      note.type = kVstMidiType;
      note.byteSize = sizeof note;
      note.deltaFrames = block % 200;
      note.midiData[0] = char(block % 2 ? 0x80 : 0x90);
      note.midiData[1] = char(48 + block % 24);
      note.midiData[2] = 100;
      VstEvents events{};
      events.numEvents = 1;
      events.events[0] = reinterpret_cast<VstEvent*>(&note);
      e->dispatcher(e, effProcessEvents, 0, 0, &events, 0.0f);
      if (block % 3 == 0)
        e->processDoubleReplacing(e, nullptr, doubleOutputs, 256);
      else
        e->processReplacing(e, nullptr, outputs, block % 5 == 0 ? 700 : 256);
      for (int i = 0; i < 256; ++i)
        if (!std::isfinite(l[i]) || !std::isfinite(dl[i])) ++bad;
    }
    done = true;
  });

  std::thread automation([&] {
    int round = 0;
    while (!done) {
      for (int i = 0; i < 77; ++i) {
        e->setParameter(e, i, static_cast<float>((i * 7 + round) % 11) / 10.0f);
        const float v = e->getParameter(e, i);
        if (!(v >= 0.0f && v <= 1.0f)) ++bad;
      }
      ++round;
    }
  });

  std::thread requests([&] {
    char text[64];
    int round = 0;
    while (!done) {
      const int i = round % 77;
      e->dispatcher(e, effGetParamDisplay, i, 0, text, 0.0f);
      e->dispatcher(e, effGetParamName, i, 0, text, 0.0f);
      e->dispatcher(e, effString2Parameter, 58, 0, const_cast<char*>(round % 2 ? "Split" : "Double"), 0.0f);
      e->dispatcher(e, effVendorSpecific, 7, i, text, 0.5f);
      void* data = nullptr;
      const VstIntPtr size = e->dispatcher(e, effGetChunk, round % 2, 0, &data, 0.0f);
      if (size > 0 && round % 4 == 0) {
        std::vector<char> copy(static_cast<const char*>(data), static_cast<const char*>(data) + size);
        e->dispatcher(e, effSetChunk, 1, size, copy.data(), 0.0f);
      }
      e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.0f);
      ++round;
    }
  });

  audio.join();
  automation.join();
  requests.join();
  EXPECT_EQ(bad.load(), 0);
}

}  // namespace
}  // namespace plugtest
