// The instance state image: program memory and parameters, as hosts store and restore it.
#include <gtest/gtest.h>

#include <cstring>

#include "TestSupport.h"

namespace pellory {
namespace {

using test::Instance;

std::vector<double> Parameters(Instance& s) {
  std::vector<double> v;
  for (int i = 0; i < kNumParameters; ++i) v.push_back(s.plug->GetParameter(i)->Value());
  return v;
}

// A state that differs from a fresh instance everywhere it can.
void Scramble(Instance& s) {
  s.plug->SetParameterAndNotify(kProgramNumber, 14);
  s.plug->SetParameterAndNotify(16, 7);   // an uncommitted edit
  s.plug->SetParameterAndNotify(6, 61);
  s.plug->SetParameterAndNotify(kTune, -0.37);
  s.plug->SetParameterAndNotify(kPitchBendRange, 12);
  s.plug->Programs().prgs[0].fill(0x11);
  s.plug->Programs().combis[23].fill(0x22);
}

TEST(StateImage, LayoutIsProgramsThenParameters) {
  Instance s;
  Scramble(s);
  StateChunk chunk;
  ASSERT_TRUE(s.plug->SerializeState(chunk));
  ASSERT_EQ(chunk.Size(), 3559);
  EXPECT_EQ(Pellory::kStateImageSize, 3559);
  EXPECT_EQ(0, std::memcmp(chunk.Data(), s.plug->Programs().prgs[0].data(), 37));
  EXPECT_EQ(0, std::memcmp(chunk.Data() + 37 * 14, s.plug->Programs().prgs[14].data(), 37));
  EXPECT_EQ(0, std::memcmp(chunk.Data() + 2775 + 7 * 23, s.plug->Programs().combis[23].data(), 7));
  double tune = 0;
  EXPECT_EQ(chunk.GetDouble(tune, 2943 + 8 * kTune), 2943 + 8 * (kTune + 1));
  EXPECT_EQ(tune, -0.37);
}

TEST(StateImage, RoundTripRestoresProgramsParametersAndSound) {
  Instance source;
  Scramble(source);
  StateChunk chunk;
  chunk.PutBytes("HEADER!!", 8);  // images are read from any position
  source.plug->SerializeState(chunk);

  Instance target;
  EXPECT_EQ(target.plug->UnserializeState(chunk, 8), 8 + 3559);
  EXPECT_TRUE(target.plug->Programs().prgs == source.plug->Programs().prgs);
  EXPECT_TRUE(target.plug->Programs().combis == source.plug->Programs().combis);
  EXPECT_EQ(Parameters(target), Parameters(source));
  EXPECT_EQ(target.plug->CurrentProgram(), 14);
  EXPECT_EQ(target.plug->LowerProgram(), 14);
  EXPECT_FALSE(target.plug->RestoringState());
  // The restored edits sound, not the stored program they were made on.
  EXPECT_EQ(target.plug->GetEngine().GetLfo(0).Rate(), 61);
  EXPECT_EQ(target.plug->GetEngine().GetLfo(2).Rate(), 61);
  EXPECT_TRUE(target.plug->HasUncommittedChanges(14));
}

TEST(StateImage, LayeredStateRestoresTheUpperProgram) {
  Instance source;
  source.plug->SetParameterAndNotify(kProgramNumber, 76);
  ASSERT_NE(source.plug->KeyboardModeValue(), kSingle);
  StateChunk chunk;
  source.plug->SerializeState(chunk);
  Instance target;
  ASSERT_GT(target.plug->UnserializeState(chunk, 0), 0);
  EXPECT_EQ(target.plug->KeyboardModeValue(), source.plug->KeyboardModeValue());
  EXPECT_EQ(target.plug->UpperProgram(), source.plug->UpperProgram());
  for (int unit = 0; unit < 4; ++unit)
    EXPECT_EQ(target.plug->GetEngine().GetLfo(unit).Rate(), source.plug->GetEngine().GetLfo(unit).Rate()) << unit;
}

TEST(StateImage, ShortOrMisplacedDataChangesNothing) {
  Instance source;
  Scramble(source);
  StateChunk full;
  source.plug->SerializeState(full);

  Instance target;
  target.plug->SetParameterAndNotify(kProgramNumber, 3);
  target.plug->SetParameterAndNotify(17, 9);
  const ProgramMemory before = target.plug->Programs();
  const std::vector<double> parameters = Parameters(target);
  for (int cut : {0, 1, 2774, 2775, 2800, 2943, 2944, 3000, 3551, 3558}) {
    StateChunk part;
    part.PutBytes(full.Data(), cut);
    EXPECT_EQ(target.plug->UnserializeState(part, 0), -1) << cut;
    EXPECT_TRUE(target.plug->Programs().prgs == before.prgs) << cut;
    EXPECT_TRUE(target.plug->Programs().combis == before.combis) << cut;
    EXPECT_EQ(Parameters(target), parameters) << cut;
  }
  EXPECT_EQ(target.plug->UnserializeState(full, -1), -1);
  EXPECT_EQ(target.plug->UnserializeState(full, 1), -1);
  EXPECT_EQ(Parameters(target), parameters);
  EXPECT_FALSE(target.plug->RestoringState());
}

TEST(StateImage, OutOfRangeValuesAreClampedAndNotApplied) {
  Instance s;
  StateChunk chunk;
  s.plug->SerializeState(chunk);
  // Program Number far out of range and a NaN tune.
  const double huge = 1e9, nan = std::numeric_limits<double>::quiet_NaN();
  std::memcpy(chunk.Data() + 2943 + 8 * kProgramNumber, &huge, 8);
  std::memcpy(chunk.Data() + 2943 + 8 * kTune, &nan, 8);
  Instance target;
  ASSERT_GT(target.plug->UnserializeState(chunk, 0), 0);
  EXPECT_EQ(target.plug->GetParameter(kProgramNumber)->Value(), 99);
  EXPECT_EQ(target.plug->CurrentProgram(), 99);
  EXPECT_EQ(target.plug->GetParameter(kTune)->Value(), -1.0);
}

TEST(PresetSlot, HoldsTheStartStateUnderTheProductName) {
  Instance s;
  ASSERT_EQ(s.plug->NumPresets(), 1);
  IPresetSlot* slot = s.plug->GetPreset(0);
  EXPECT_TRUE(slot->initialized);
  EXPECT_STREQ(slot->name, "Pellory");
  ASSERT_EQ(slot->chunk.Size(), 3559);
  // The slot already holds factory bank 1, not an empty memory.
  EXPECT_EQ(0, std::memcmp(slot->chunk.Data(), s.plug->Programs().prgs[0].data(), 37));

  Scramble(s);
  s.plug->ModifyCurrentPreset("Mine");
  EXPECT_STREQ(slot->name, "Mine");
  const ProgramMemory stored = s.plug->Programs();
  s.plug->Programs().prgs[5].fill(0);
  EXPECT_TRUE(s.plug->SelectPreset(0));
  EXPECT_TRUE(s.plug->Programs().prgs == stored.prgs);
  EXPECT_FALSE(s.plug->SelectPreset(1));
}

}  // namespace
}  // namespace pellory
