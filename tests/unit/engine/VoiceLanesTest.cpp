// Voices computed together as vector lanes must give, bit for bit, what each gives computed
// alone, whatever each lane's waveforms, pitch, resonance, envelope and noise, in groups that
// fill the registers and groups padded with dropped lanes, with every instruction set this
// machine has.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/Vcf.h"
#include "engine/Voice.h"

namespace pellory::engine {
namespace {

// A voice of its own sound: lane k gets its own waveforms on both oscillators, octave,
// resonance, cutoff, envelope amount and pulse width; one note is too low for its first
// oscillator, which then stays silent.
void Configure(Voice& v, int k) {
  v.SetSampleRate(48000.0);
  const auto flag = [](bool on) { return on ? 1.0 : 0.0; };
  v.SetParam(Voice::kDco1Triangle, 0, flag(k & 1));
  v.SetParam(Voice::kDco1Sawtooth, 0, flag(k & 2));
  v.SetParam(Voice::kDco1Pulse, 0, flag(k & 4 || k == 0));
  v.SetParam(Voice::kDco2Triangle, 0, flag(k % 3 == 0));
  v.SetParam(Voice::kDco2Sawtooth, 0, flag(k % 3 == 1));
  v.SetParam(Voice::kDco2Pulse, 0, flag(k % 3 != 0));
  v.SetParam(Voice::kDco1Octave, k % 4, 0);
  v.SetParam(Voice::kDco2Octave, (k + 2) % 4, 0);
  v.SetParam(Voice::kDco1PulseWidth, 0, 0.1 * k);
  v.SetParam(Voice::kVcfResonance, 0, 0.13 * k);
  v.SetParam(Voice::kVcfCutoff, 0, 0.2 + 0.09 * k);
  v.SetParam(Voice::kVcfEnvelope, 0, 0.6);
  v.SetParam(Voice::kVcfAttack, 3 + k, 0);
  v.SetParam(Voice::kVcfDecay, 20, 0);
  v.SetParam(Voice::kVcfSustain, 0, 0.3);
  v.SetParam(Voice::kVcaAttack, 1 + k, 0);
  v.SetParam(Voice::kVcaSustain, 0, 0.8);
  v.SetParam(Voice::kVcaProgramVolume, 0, 0.7);
  v.SetParam(Voice::kVcfTrack, 0, 0.5);
  if (k % 2 == 1) v.SetParam(Voice::kDco1Noise, 0, 0.1 * k);
  const int note = k == 5 ? 3 : 36 + 7 * k;  // note 3, octave 16': no pitch for the first oscillator
  v.NoteOn(note, 30 + 11 * k, k, 0, 0);
}

TEST(VoiceLanes, GroupsMatchVoicesRenderedAlone) {
  using Set = Vcf::LaneSet;
  const Set sets[] = {Set::kAvx512, Set::kAvx2, Set::kAvx, Set::kSse2};
  const char* const names[] = {"SSE2", "AVX", "AVX2", "AVX-512"};
  for (const Set set : sets) {
    const Set before = Vcf::LimitLanes(set);
    for (const int count : {2, 3, 4, 5, 8, 9}) {
      const std::string what = std::string(names[static_cast<int>(set)]) + ", " + std::to_string(count) + " voices";
      VoiceContext togetherContext, aloneContext;
      auto together = std::make_unique<Voice[]>(static_cast<std::size_t>(count));
      auto alone = std::make_unique<Voice[]>(static_cast<std::size_t>(count));
      std::vector<Voice*> group;
      for (int k = 0; k < count; ++k) {
        together[k].Bind(k, &togetherContext, nullptr, nullptr);
        alone[k].Bind(k, &aloneContext, nullptr, nullptr);
        Configure(together[k], k);
        Configure(alone[k], k);
        group.push_back(&together[k]);
      }
      long sounding = 0;
      for (int run = 0; run < 300; ++run) {
        const int n = run % 7 == 3 ? 37 : Voice::kRun;
        if (run == 200) {
          for (int k = 0; k < count; ++k) together[k].Release(true), alone[k].Release(true);
        }
        for (int k = 0; k < count; ++k) {
          together[k].ControlTick();
          alone[k].ControlTick();
          together[k].BeginRun(n);
          alone[k].BeginRun(n);
        }
        // The noisy voices' share of the run's draws: the pattern of whole runs, or (every
        // fifth run) values drawn one by one.
        const auto seed = static_cast<std::int32_t>(static_cast<std::uint32_t>(run + 1) * 2654435761u);
        int rank = 0, noisy = 0;
        for (int k = 0; k < count; ++k) noisy += together[k].DrawsNoise() ? 1 : 0;
        for (int k = 0; k < count; ++k) {
          if (!together[k].DrawsNoise()) continue;
          for (Voice* v : {&together[k], &alone[k]}) {
            if (run % 5 == 0) {
              for (int s = 0; s < n; ++s) v->SetNoise(s, seed ^ (s * 7919 + k));
            } else {
              v->SetNoiseDraws(seed, rank, noisy);
            }
          }
          ++rank;
        }
        Voice::RenderRuns(group.data(), count, n);
        for (int k = 0; k < count; ++k) {
          Voice* one = &alone[k];
          Voice::RenderRuns(&one, 1, n);
          double a[Voice::kRun] = {}, b[Voice::kRun] = {};
          together[k].AddRun(a);
          alone[k].AddRun(b);
          for (int s = 0; s < n; ++s) {
            ASSERT_EQ(std::memcmp(&a[s], &b[s], sizeof(double)), 0)
                << what << ", voice " << k << ", run " << run << ", sample " << s << ": " << a[s] << " vs " << b[s];
            sounding += a[s] != 0.0 ? 1 : 0;
          }
          together[k].EndRun(n);
          alone[k].EndRun(n);
        }
      }
      EXPECT_GT(sounding, 1000) << what;
    }
    Vcf::LimitLanes(before);
  }
}

}  // namespace
}  // namespace pellory::engine
