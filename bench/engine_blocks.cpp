// Cost of the engine's building blocks: per sample (oscillator, VCF, second-order section),
// per control tick (envelope), and the one-off table builds that run inside a host's scan.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "engine/Envelope.h"
#include "engine/Filter.h"
#include "engine/Oscillator.h"
#include "engine/Vcf.h"
#include "engine/Wavetables.h"

namespace {

using namespace pellory::engine;

constexpr int kBlock = 256;

void BM_OscillatorSaw(benchmark::State& state) {
  Oscillator osc;
  osc.SetSawtooth(true);
  osc.SetPitch(7680, 0);
  for (auto _ : state) {
    double sum = 0.0;
    for (int i = 0; i < kBlock; ++i) sum += osc.RenderSample();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_OscillatorSaw);

void BM_OscillatorAllWaveforms(benchmark::State& state) {
  Oscillator osc;
  osc.SetTriangle(true);
  osc.SetSawtooth(true);
  osc.SetPulse(true);
  osc.SetPulseWidth(0.3);
  double pitch = 7680;
  for (auto _ : state) {
    osc.SetPitch(pitch, 0);  // once per control block, as the voice does
    pitch = pitch > 12000 ? 3000 : pitch + 37;
    double sum = 0.0;
    for (int i = 0; i < kBlock; ++i) sum += osc.RenderSample();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_OscillatorAllWaveforms);

void BM_VcfFixedCutoff(benchmark::State& state) {
  Vcf vcf;
  vcf.SetResonance(0.8);
  double x = 0.3;
  for (auto _ : state) {
    double sum = 0.0;
    for (int i = 0; i < kBlock; ++i) {
      x = -x;
      sum += vcf.Process(x, 0.55);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_VcfFixedCutoff);

// Worst case: a smoothed control that moves the rounded cutoff every sample.
void BM_VcfSweptCutoff(benchmark::State& state) {
  Vcf vcf;
  vcf.SetResonance(0.8);
  double x = 0.3, c = 0.2;
  for (auto _ : state) {
    double sum = 0.0;
    for (int i = 0; i < kBlock; ++i) {
      x = -x;
      c = c > 0.9 ? 0.2 : c + 1.0 / 17280;
      sum += vcf.Process(x, c);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_VcfSweptCutoff);

void BM_LowPassSmoother(benchmark::State& state) {
  LowPass lp(44100, 88.2);
  double x = 1.0;
  for (auto _ : state) {
    double sum = 0.0;
    for (int i = 0; i < kBlock; ++i) {
      x = -x;
      sum += lp.Process(x);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_LowPassSmoother);

void BM_EnvelopeTick(benchmark::State& state) {
  Envelope env;
  env.SetAttack(20);
  env.SetDecay(30);
  env.SetSustain(0.5);
  env.SetRelease(25);
  int ticks = 0;
  for (auto _ : state) {
    for (int i = 0; i < kBlock; ++i) {
      if (env.IsIdle()) env.Start(0.8);
      env.ControlTick();
      if (++ticks % 3000 == 0) env.Release();
    }
    benchmark::DoNotOptimize(env.Output());
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_EnvelopeTick);

void BM_WavetableBuild(benchmark::State& state) {
  Wavetables tables;
  for (auto _ : state) {
    BuildWavetables(tables);
    benchmark::DoNotOptimize(tables.fullSaw.data());
  }
}
BENCHMARK(BM_WavetableBuild)->Unit(benchmark::kMillisecond);

// For comparison: the same tables with one sin() per harmonic and sample.
void BM_WavetableBuildDirectSum(benchmark::State& state) {
  constexpr double kPi = 3.14159265358979323846;
  const int n = Wavetables::kLength;
  Wavetables tables;
  for (auto _ : state) {
    for (int level = 0; level < Wavetables::kLevels; ++level) {
      const int h = WavetableHarmonics(level);
      double* full = tables.fullSaw.data() + level * n;
      double* saw = tables.saw.data() + level * n;
      for (int j = 0; j < n; ++j) full[j] = saw[j] = 0.5 * std::sin(2 * kPi / n * j);
      for (int k = 2; k <= h; ++k) {
        const double a = (std::cos((k - 1) * (kPi / 2) / (h - 1)) * 0.46 + 0.54) * 0.5 / k;
        const double w = k * 2 * kPi / n;
        for (int j = 0; j < n; ++j) {
          const double term = a * std::sin(w * j);
          full[j] += term;
          if (k % 32 != 0) saw[j] += term;
        }
      }
    }
    benchmark::DoNotOptimize(tables.fullSaw.data());
  }
}
BENCHMARK(BM_WavetableBuildDirectSum)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_PhaseIncrementTableBuild(benchmark::State& state) {
  double rate = 44100;
  for (auto _ : state) {
    PhaseIncrementTable table(rate);
    benchmark::DoNotOptimize(&table);
    rate += 1;
  }
}
BENCHMARK(BM_PhaseIncrementTableBuild)->Unit(benchmark::kMicrosecond);

void BM_VcfTablesBuild(benchmark::State& state) {
  for (auto _ : state) {
    auto tables = std::make_unique<VcfTables>(48000.0);
    benchmark::DoNotOptimize(tables.get());
  }
}
BENCHMARK(BM_VcfTablesBuild)->Unit(benchmark::kMicrosecond);

}  // namespace
