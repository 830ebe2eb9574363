#include "engine/Vcf.h"

#include "engine/SampleRateTables.h"

namespace pellory::engine {
namespace {
constexpr double kPi = 3.14159265358979323846;
}  // namespace

VcfTables::VcfTables(double sampleRate) {
  for (int i = 0; i < kSize; ++i) {
    const double f = PitchToFrequency(i);
    const double g = 2.0 * kPi * f / sampleRate;
    omega[i] = g;
    onePole[i] = g / (g + 2.0);
    damping[i] = (g - 2.0) / (g + 2.0);
    onePole4[i] = (onePole[i] * onePole[i]) * (onePole[i] * onePole[i]);
    if (f < 500.0) {
      feedback[i] = 4.01;
    } else if (f > 2000.0) {
      feedback[i] = 4.005;
    } else {
      feedback[i] = 4.01 - (f - 500.0) * 0.004999999999999893 / 1500.0;
    }
  }
}

const VcfTables& VcfTables::ForSampleRate(double sampleRate) {
  return TableForSampleRate<VcfTables>(sampleRate);
}

Vcf::Vcf() { SetSampleRate(44100.0); }

void Vcf::SetSampleRate(double rate) {
  if (rate != sampleRate_ && std::isfinite(rate) && rate > 0.0) {
    sampleRate_ = rate;
    tables_ = &VcfTables::ForSampleRate(rate);
  }
  s1_ = s2_ = s3_ = s4_ = 0.0;
  cachedIndex_ = -1.0;
  dn_ = 1e-13;
  G4_ = G_ = v_ = feedback_ = outputGain_ = normaliser_ = 0.0;
}

void Vcf::SetResonance(double normalised) {
  double b = std::isfinite(normalised) ? normalised : 0.0;
  if (b < 0.0) b = 0.0;
  if (b > 1.0) b = 1.0;
  k_ = b * 250.0 / 226.0;
  cachedIndex_ = -1.0;
  const double quiet = 1e-13;
  if (k_ >= 1.0 && std::fabs(s1_) <= quiet && std::fabs(s2_) <= quiet && std::fabs(s3_) <= quiet &&
      std::fabs(s4_) <= quiet) {
    s2_ = 0.1;
    s4_ = -0.1;
  }
}

void Vcf::UpdateCoefficients(double index) {
  cachedIndex_ = index;
  int i = 0;
  if (index > kMaxPitch) {
    i = kMaxPitch;
  } else if (index > 0.0) {
    i = static_cast<int>(index);
  }  // negative and NaN use entry 0
  feedback_ = k_ * tables_->feedback[i];
  const double d = 2.0 * std::fabs(k_ - 0.5);
  outputGain_ = 2.0 - d * d;
  G_ = tables_->onePole[i];
  v_ = tables_->damping[i];
  G4_ = tables_->onePole4[i];
  normaliser_ = 1.0 / (G4_ * feedback_ + 1.0);
}

}  // namespace pellory::engine
