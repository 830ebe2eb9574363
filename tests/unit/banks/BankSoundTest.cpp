// Plays every factory program and checks that it does what its name promises: it sounds, it
// does not clip, percussive programs die away, bowed and sung programs swell, organs gate.
// The table printed on the way is the sound designer's measuring sheet.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "BankText.h"
#include "SoundAnalysis.h"
#include "TestSupport.h"

namespace pellory::test {
namespace {

constexpr int kBlock = 512;
constexpr double kHold = 2.5;  // seconds the key is held
constexpr double kTail = 3.0;  // seconds rendered after the release



constexpr double kMiddleC = 261.63;  // the key every program is measured on

// What a name promises, from the words in it.
struct Promise {
  bool percussive = false;   // struck or plucked: dies away while held
  bool slow = false;         // bowed, sung or swelled: audible attack
  bool organ = false;        // gated: instant and sustained
  bool bass = false;         // sounds below the key
  bool upperOctave = false;  // sounds an octave above the key
  bool lowerOctave = false;  // sounds an octave below the key
  bool fifth = false;        // a fifth above the key sounds strongly
  bool chopped = false;      // level chopped by an LFO
  bool sweeps = false;       // brightness moves a lot while held
  bool inverted = false;     // the filter envelope darkens the start
  bool bright = false;
  bool dark = false;
  bool sine = false;         // hardly more than the fundamental
  double pitchSwingCents = 0.0;  // vibrato, trill or siren: the least pitch swing while held
  bool touch = false;        // playing harder changes the sound
};

Promise PromiseOf(const std::string& name) {
  Promise p;
  for (const char* t : {"PIANO", "GRAND", "GUITAR", "MARIMBA", "XYLOPHONE", "BELL", "KOTO", "HARP", "CLAVI",
                        "PIZZICATO", "BANJO", "DRUM", "TOMS", "CLAPS", "KNOCK", "DECAY", "MALLET", "CALIMBA",
                        "LUTE", "CLICK", "QUICKIE", "TWANG", "OCTIVE PERCUSSION", "5th PERCUSSION",
                        "DIGITAL PERCUSSION", "WOOD", "SYNDRUM", "EXPLOSION"})
    p.percussive = p.percussive || Has(name, t);
  for (const char* t : {"STRINGS", "VIOLINS", "CELLOS", "CHOIR", "PAD", "BACKGROUND", "GHOST", "BACKWARDS"})
    p.slow = p.slow || Has(name, t);
  if (Has(name, "PIZZICATO")) p.slow = false;
  p.organ = Has(name, "ORGAN") && !Has(name, "ORGAN 5th PERCUSSION");
  p.bass = Has(name, "BASS");
  p.upperOctave = Has(name, "UPPER OCTIVE");
  p.lowerOctave = Has(name, "LOWER OCTIVE");
  p.fifth = Has(name, "5th");
  p.chopped = Has(name, "HELICOPTER");
  p.sweeps = Has(name, "SWEEP");
  p.inverted = Has(name, "INVERTED");
  p.bright = Has(name, "BRIGHT") || Has(name, "HI-RES");
  p.dark = Has(name, "MELLOW") || Has(name, "DARK") || Has(name, "SOFT") || Has(name, "DISTANT");
  p.sine = Has(name, "SINUS");
  if (Has(name, "LEAD") && !Has(name, "SQUARE LEAD")) p.pitchSwingCents = 15.0;  // delayed vibrato
  if (Has(name, "TRILLO")) p.pitchSwingCents = 150.0;                            // a whole-tone trill
  if (Has(name, "AMBULANCE")) p.pitchSwingCents = 200.0;                         // a siren
  p.touch = Has(name, "VELOCITY") || Has(name, "TOUCH") || Has(name, "DYNAMIC");
  return p;
}

// Renders notes held for hold seconds, then tail seconds of release; returns the mono mix and
// the largest |sample| of either channel.
std::vector<double> Play(Instance& inst, std::initializer_list<int> notes, int velocity, double hold, double tail,
                         double& peak) {
  std::vector<double> mono;
  const int holdBlocks = static_cast<int>(hold * kRate / kBlock);
  const int total = holdBlocks + static_cast<int>(tail * kRate / kBlock);
  peak = 0.0;
  for (int b = 0; b < total; ++b) {
    if (b == 0)
      for (int n : notes) inst.Midi(0, 0x90, n, velocity);
    if (b == holdBlocks)
      for (int n : notes) inst.Midi(0, 0x80, n, 0);
    inst.Process(kBlock);
    for (int i = 0; i < kBlock; ++i) {
      mono.push_back(0.5 * (inst.left[i] + inst.right[i]));
      peak = std::max({peak, std::fabs(inst.left[i]), std::fabs(inst.right[i])});
    }
  }
  return mono;
}

// Plays the notes once and lets them die away: peaks are judged on warm voices, as a player hears
// them after the first chord, not on the settling of voices that have never sounded.
void WarmUp(Instance& inst, std::initializer_list<int> notes) {
  double peak = 0.0;
  Play(inst, notes, 127, 0.3, 0.1, peak);
  int quiet = 0;
  for (int b = 0; b < static_cast<int>(8.0 * kRate / kBlock) && quiet < 9; ++b) {
    inst.Process(kBlock);
    double level = 0.0;
    for (int i = 0; i < kBlock; ++i) level = std::max({level, std::fabs(inst.left[i]), std::fabs(inst.right[i])});
    quiet = level < 3.2e-5 ? quiet + 1 : 0;
  }
}

void LoadFromText(Instance& inst, const BankProgram& p) {
  for (int id = 0; id <= 52; ++id) inst.plug->SetParameterAndNotify(id, p.values[id]);
}

struct Row {
  NoteMeasure note;
  double chordPeak = 0.0;
  double pitchSwingCents = 0.0;  // from 1.2 s to the release
  NoteMeasure soft;              // the same note played softly
  double modRate = 0.0, softModRate = 0.0;
  double fifthDb = -200.0;       // a fifth above the key, near the loudest moment
};

Row MeasureProgram(const BankProgram& p, const Promise& promise) {
  Row row;
  {
    Instance inst;
    LoadFromText(inst, p);
    double peak = 0.0;
    const std::vector<double> x = Play(inst, {60}, 100, kHold, kTail, peak);
    row.note = MeasureNote(x, kHold);
    if (promise.pitchSwingCents > 0.0) row.pitchSwingCents = PitchRangeCents(PitchTrack(x, 1.2, kHold - 0.1));
    row.modRate = LevelModulationRate(x, 0.5, kHold);
    row.fifthDb = PartialDb(x, static_cast<std::size_t>(0.1 * kRate), 1.4983 * kMiddleC);
  }
  if (promise.touch) {
    Instance inst;
    LoadFromText(inst, p);
    double peak = 0.0;
    const std::vector<double> x = Play(inst, {60}, 40, kHold, kTail, peak);
    row.soft = MeasureNote(x, kHold);
    row.softModRate = LevelModulationRate(x, 0.5, kHold);
  }
  {
    // The loudest ordinary use: a full-velocity four-note chord.
    Instance inst;
    LoadFromText(inst, p);
    WarmUp(inst, {48, 52, 55, 60});
    Play(inst, {48, 52, 55, 60}, 127, 1.5, 0.5, row.chordPeak);
  }
  return row;
}

void CheckBank(const char* file) {
  Instance reader;
  const BankText bank = ReadBankText(BanksDir() + "/" + file, *reader.plug);
  ASSERT_TRUE(bank.errors.empty()) << bank.errors.front();
  std::printf("\n%s\n%-3s %-30s %6s %6s %6s %6s %6s %6s %6s %6s %6s %5s %5s\n", file, "no", "name", "peak", "chord",
              "rmsdB", "attms", "@1sdB", "@2sdB", "relms", "cntrHz", "lowHz", "brgt", "mod");
  for (const BankProgram& p : bank.programs) {
    if (p.combi) continue;
    const Promise promise = PromiseOf(p.name);
    const Row r = MeasureProgram(p, promise);
    const NoteMeasure& m = r.note;
    std::printf("%-3d %-30.30s %6.3f %6.3f %6.1f %6.0f %6.1f %6.1f %6.0f %6.0f %6.0f %5.2f %5.2f\n", p.number,
                p.name.c_str(), m.peak, r.chordPeak, Db(m.peakRms), m.attackMs, m.at1sDb, m.at2sDb, m.releaseMs,
                m.centroidHz, m.lowestHz, m.brightRange, m.modDepth);
    std::fflush(stdout);

    SCOPED_TRACE(std::string(file) + " " + std::to_string(p.number) + " " + p.name);
    EXPECT_TRUE(m.finite);
    EXPECT_GT(Db(m.peakRms), -40.0) << "too quiet";
    EXPECT_LT(r.chordPeak, 1.0) << "a full chord clips";
    if (promise.percussive) {
      EXPECT_LT(m.at2sDb, -10.0) << "a struck or plucked sound must die away";
    }
    if (promise.slow) {
      EXPECT_GT(m.attackMs, 80.0) << "a bowed or sung sound must swell";
    }
    if (promise.organ) {
      EXPECT_LT(m.attackMs, 60.0) << "an organ speaks at once";
      EXPECT_GT(m.at2sDb, -9.0) << "an organ holds its note";
      EXPECT_LT(m.releaseMs, 600.0) << "an organ stops when the key is let go";
    }
    if (promise.bass) {
      EXPECT_LT(m.lowestHz, 200.0) << "a bass sounds below middle C";
    }
    if (promise.upperOctave) {
      EXPECT_GT(m.lowestHz, 1.5 * kMiddleC) << "nothing sounds below the octave above";
    }
    if (promise.lowerOctave) {
      EXPECT_LT(m.lowestHz, 0.75 * kMiddleC) << "the octave below must sound";
    }
    if (promise.fifth) {
      EXPECT_GT(r.fifthDb, -15.0) << "the fifth must be heard";
    }
    if (promise.chopped) {
      EXPECT_GT(m.modDepth, 0.5) << "the level must be chopped";
    }
    if (promise.sweeps) {
      EXPECT_GT(m.brightRange, 1.5) << "the brightness must sweep";
    }
    if (promise.inverted) {
      EXPECT_GT(m.lateCentroidHz, 1.2 * m.earlyCentroidHz) << "the inverted envelope must darken the start";
    }
    if (promise.bright) {
      EXPECT_GT(m.centroidHz, 1500.0);
    }
    if (promise.dark) {
      EXPECT_LT(m.centroidHz, 1000.0);
    }
    if (promise.sine) {
      EXPECT_LT(m.centroidHz, 1.5 * kMiddleC);
    }
    if (promise.pitchSwingCents > 0.0) {
      EXPECT_GT(r.pitchSwingCents, promise.pitchSwingCents) << "the pitch must move";
    }
    if (promise.touch) {
      const NoteMeasure& soft = r.soft;
      const double levelDb = Db(m.peakRms / soft.peakRms);
      const double brightness = std::max(m.centroidHz / soft.centroidHz, m.onsetCentroidHz / soft.onsetCentroidHz);
      const double attack = (soft.attackMs + 10.0) / (m.attackMs + 10.0);
      const double rate = r.softModRate > 0.0 ? r.modRate / r.softModRate : 1.0;
      std::printf("    touch: %+.1f dB, brightness x%.2f, attack x%.2f, modulation rate x%.2f\n", levelDb,
                  brightness, attack, rate);
      EXPECT_TRUE(levelDb > 3.0 || brightness > 1.25 || attack > 1.5 || rate > 1.25)
          << "playing harder must change the sound";
    }
    if (promise.pitchSwingCents > 0.0 || promise.fifth || promise.inverted) {
      std::printf("    pitch swing %.0f cents, fifth %.1f dB, centroid %.0f -> %.0f Hz\n", r.pitchSwingCents,
                  r.fifthDb, m.earlyCentroidHz, m.lateCentroidHz);
    }
  }
}

// The lowest and the highest key of the 61-key keyboard: nothing vanishes or clips at either end.
void CheckKeyboardEnds(const char* file) {
  Instance reader;
  const BankText bank = ReadBankText(BanksDir() + "/" + file, *reader.plug);
  ASSERT_TRUE(bank.errors.empty()) << bank.errors.front();
  for (const BankProgram& p : bank.programs) {
    if (p.combi) continue;
    for (int key : {36, 96}) {
      Instance inst;
      LoadFromText(inst, p);
      WarmUp(inst, {key});
      double peak = 0.0;
      const std::vector<double> x = Play(inst, {key}, 100, 1.0, 0.2, peak);
      double loudest = 0.0;
      for (double level : LevelEnvelope(x)) loudest = std::max(loudest, level);
      SCOPED_TRACE(std::string(file) + " " + p.name + " key " + std::to_string(key));
      EXPECT_GT(Db(loudest), -45.0) << "inaudible at the keyboard's end";
      EXPECT_LT(peak, 0.5) << "one key is far louder than in the middle";
    }
  }
}

TEST(BankSounds, FactoryBank1ProgramsSoundAsNamed) { CheckBank("bank1.txt"); }
TEST(BankSounds, FactoryBank2ProgramsSoundAsNamed) { CheckBank("bank2.txt"); }

}  // namespace
}  // namespace pellory::test

namespace pellory::test {
namespace {
TEST(BankSounds, FactoryProgramsPlayAcrossTheKeyboard) {
  CheckKeyboardEnds("bank1.txt");
  CheckKeyboardEnds("bank2.txt");
}
}  // namespace
}  // namespace pellory::test
