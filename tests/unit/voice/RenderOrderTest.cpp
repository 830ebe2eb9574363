// The engine renders voice after voice over each run of samples; the plain order is sample by
// sample, every voice in turn. Both must give the same samples, bit for bit, for every factory
// program and for settings moving while notes sound.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "VoiceTestSupport.h"
#include "engine/Vcf.h"

namespace pellory::test {
namespace {

// Plays the same script on two instances, one in each order, and compares every sample.
// script(t, block) runs before host buffer `block`; buffers have `size` samples.
void ExpectSameInBothOrders(const std::function<void(Instance&, int)>& script, int blocks, int size,
                            double rate = 44100.0, const std::string& what = "") {
  Instance runs(rate, size), plain(rate, size);
  plain.plug->GetEngine().SetSampleBySample(true);
  long sounding = 0;
  for (int b = 0; b < blocks; ++b) {
    script(runs, b);
    script(plain, b);
    runs.Process(size);
    plain.Process(size);
    for (int s = 0; s < size; ++s) {
      // Bit patterns, so that a NaN or a signed zero counts too.
      if (std::memcmp(&runs.left[s], &plain.left[s], sizeof(double)) != 0 ||
          std::memcmp(&runs.right[s], &plain.right[s], sizeof(double)) != 0) {
        FAIL() << what << ": block " << b << " sample " << s << ": " << runs.left[s] << " vs " << plain.left[s];
      }
      sounding += runs.left[s] != 0.0 ? 1 : 0;
    }
  }
  EXPECT_GT(sounding, 0) << what << " never sounded";
}

// The voices' vector lanes in every instruction set this machine has (wider ones are limited
// away), restored afterwards.
using LaneSet = engine::Vcf::LaneSet;
struct LaneLimit {
  explicit LaneLimit(LaneSet widest) : before(engine::Vcf::LimitLanes(widest)) {}
  ~LaneLimit() { engine::Vcf::LimitLanes(before); }
  LaneSet before;
};
constexpr LaneSet kLaneSets[] = {LaneSet::kAvx512, LaneSet::kAvx2, LaneSet::kAvx, LaneSet::kSse2};
const char* const kLaneSetNames[] = {"SSE2", "AVX", "AVX2", "AVX-512"};
std::string LanesName(LaneSet set) { return std::string(kLaneSetNames[static_cast<int>(set)]) + " lanes"; }

// A short phrase: a chord, a melody over it, releases while others hold.
void Phrase(Instance& t, int block) {
  const int chord[] = {48, 55, 60, 64};
  if (block == 1)
    for (int n : chord) NoteOn(t, n, 100, 7);
  if (block >= 4 && block < 20 && block % 3 == 0) NoteOn(t, 67 + block % 7, 40 + block * 4, block % 50);
  if (block >= 5 && block < 21 && block % 3 == 2) NoteOff(t, 67 + (block - 2) % 7, 3);
  if (block == 24)
    for (int n : chord) NoteOff(t, n, 0);
}

TEST(RenderOrder, EveryFactoryProgramRendersTheSameInBothOrders) {
  for (int pass = 0; pass < 4 * 2 * 99; ++pass) {
    const LaneSet set = kLaneSets[pass / 198];
    const int bank = pass / 99 % 2 + 1, program = pass % 99 + 1;
    const LaneLimit limit(set);
    ExpectSameInBothOrders(
        [&](Instance& t, int block) {
          if (block == 0) {
            t.plug->LoadFactoryBank(bank == 2 ? 8 : 0);
            t.Midi(0, 0xC0, program - 1, 0);
          }
          Phrase(t, block);
        },
        34, 512, 44100.0,
        LanesName(set) + ", bank " + std::to_string(bank) + " program " + std::to_string(program));
    if (HasFatalFailure()) return;
  }
}

// Settings swept while a chord sounds, in odd buffer sizes, at both update rates and other
// sample rates: runs split at buffer ends, runs longer than one render run, filters at every
// cutoff, noise from many voices, voices fading out in the middle of a run.
TEST(RenderOrder, SweptSettingsRenderTheSameInBothOrders) {
  struct Case {
    int id;
    double from, to;
  };
  const Case sweeps[] = {{16, 0, 63},  {17, 0, 63},  {28, 0, 63}, {18, 0, 63}, {26, 0, 63},
                         {36, 0, 63},  {43, 0, 20},  {52, 0, 63}, {8, 0, 63},  {72, 0, 17280}};
  const int sizes[] = {1, 37, 300, 512};
  int c = 0;
  for (const Case& sweep : sweeps) {
    const LaneSet set = kLaneSets[c % 4];
    const LaneLimit limit(set);
    const int size = sizes[c % 4];
    const double rate = c % 3 == 0 ? 96000.0 : 44100.0;
    const int updateRate = c % 2;  // every other case at the slow update rate
    const int blocks = 40000 / size;
    ++c;
    ExpectSameInBothOrders(
        [&](Instance& t, int block) {
          if (block == 0) {
            t.plug->LoadFactoryBank(0);
            t.Midi(0, 0xC0, 16, 0);
            Set(t, kUpdateRate, updateRate);
            Set(t, kKeyboardMode, kDouble);
            Set(t, 28, 30);  // noise
            Set(t, 0, 1);
            Set(t, 8, 20);   // LFO 1 onto the filter
            for (int n = 40; n < 70; n += 5) NoteOn(t, n, 30 + n, 0);
          }
          const double x = static_cast<double>(block) / blocks;
          Set(t, sweep.id, sweep.from + (sweep.to - sweep.from) * x);
          if (block == blocks / 2)
            for (int n = 40; n < 60; n += 5) NoteOff(t, n, 0);
        },
        blocks, size, rate, "sweep of " + std::to_string(sweep.id) + ", " + LanesName(set));
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace pellory::test
