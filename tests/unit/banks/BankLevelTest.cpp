// Every factory program as a musician pages through it: loudness on a phrase that suits its kind
// within a few LU of its bank's median, headroom on a full chord, touch where the name promises
// it, and the movements that SOLO TO ENSEMBLE STRINGS, SYNDRUM, ELECTRONIC TOMS and VIBRAPHONE
// promise. Programs are played the way the plug-in loads them (the compiled banks, selected by
// number) and measured on warm voices: each take starts after the previous one has died away.
//
// The table printed on the way is the level sheet; `design_banks.py --levels SHEET` rebalances
// the programs' volumes from it.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "BankText.h"
#include "Loudness.h"
#include "SoundAnalysis.h"
#include "TestSupport.h"

namespace pellory::test {
namespace {

constexpr int kBlock = 512;
constexpr double kSpreadLu = 3.0;       // each program within this of its bank's median
constexpr double kCeilingDbtp = -1.0;   // a full-velocity six-note chord stays under this
constexpr double kTouchLowDb = 6.0;     // velocity 30 -> 127 on a touch-sensitive program
constexpr double kTouchHighDb = 12.0;

struct Take {
  std::vector<double> left, right;
};

struct Event {
  double seconds;
  int status, note, velocity;
};

// Plays the events, renders until `seconds`, then lets the sound die away (below -90 dBFS for
// 0.1 s, at most 8 s) so that the next take starts on warm, silent voices.
Take Play(Instance& inst, std::vector<Event> events, double seconds) {
  Take take;
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.seconds < b.seconds; });
  std::size_t next = 0;
  const long total = static_cast<long>(seconds * kRate);
  for (long done = 0; done < total; done += kBlock) {
    while (next < events.size() && static_cast<long>(events[next].seconds * kRate) < done + kBlock) {
      const Event& e = events[next++];
      inst.Midi(static_cast<int>(std::max(0L, static_cast<long>(e.seconds * kRate) - done)), e.status, e.note,
                e.velocity);
    }
    inst.Process(kBlock);
    take.left.insert(take.left.end(), inst.left.begin(), inst.left.begin() + kBlock);
    take.right.insert(take.right.end(), inst.right.begin(), inst.right.begin() + kBlock);
  }
  int quiet = 0;
  for (int b = 0; b < static_cast<int>(8.0 * kRate / kBlock) && quiet < 9; ++b) {
    inst.Process(kBlock);
    double peak = 0.0;
    for (int i = 0; i < kBlock; ++i) peak = std::max({peak, std::fabs(inst.left[i]), std::fabs(inst.right[i])});
    quiet = peak < 3.2e-5 ? quiet + 1 : 0;
  }
  return take;
}

std::vector<Event> Chord(const std::vector<int>& notes, int velocity, double hold, double at = 0.0) {
  std::vector<Event> events;
  for (int n : notes) events.push_back({at, 0x90, n, velocity});
  for (int n : notes) events.push_back({at + hold, 0x80, n, 0});
  return events;
}

// Struck and plucked sounds are judged on repeated notes, held sounds on a held chord; both
// phrases cross middle C, where the split Combis divide the keyboard.
std::vector<Event> Phrase(bool percussive) {
  if (!percussive) return Chord({48, 64, 72}, 100, 3.0);
  std::vector<Event> events;
  const int notes[] = {48, 60, 64, 72};
  for (int i = 0; i < 12; ++i) {
    events.push_back({0.25 * i, 0x90, notes[i % 4], 100});
    events.push_back({0.25 * i + 0.2, 0x80, notes[i % 4], 0});
  }
  return events;
}

std::vector<double> Mono(const Take& t) {
  std::vector<double> m(t.left.size());
  for (std::size_t i = 0; i < m.size(); ++i) m[i] = 0.5 * (t.left[i] + t.right[i]);
  return m;
}

struct Sheet {
  int number = 0;
  std::string name;
  bool percussive = false;
  double lufs = 0.0, truePeak = 0.0;
  double velocityDb = 0.0, brightness = 1.0;  // velocity 127 against 30
  double fallSemitones = 0.0;                 // pitch 30 ms after the strike against 250 ms
  double tremoloDb = 0.0;                     // level swing while the note rings
  double earlyWobble = 0.0, lateWobble = 0.0; // level unsteadiness after 1 s and after 6 s
};

// Programs whose kind promises touch: struck, plucked and keyed, or named for it.
// Whole words: a FLUTE is not a LUTE, a HARPSICHORD (no touch) not a HARP; "W. DYNAMIC ATTACK"
// promises its touch on the attack only.
bool PromisesTouch(const std::string& name) {
  std::vector<std::string> words(1);
  for (char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c))) words.back() += c;
    else if (!words.back().empty()) words.emplace_back();
  }
  for (const std::string& w : words)
    for (const char* t : {"PIANO", "GRAND", "CLAVINET", "CLAVICHORD", "GUITAR", "PIZZICATO", "HARP", "HARPO", "KOTO",
                          "BANJO", "LUTE", "MALLET", "MARIMBA", "XYLOPHONE", "VIBRAPHONE", "CALIMBA", "TOUCH",
                          "VELOCITY"})
      if (w == t) return true;
  return name.find("WITH DYNAMIC") != std::string::npos;
}

// Unsteadiness of the level between two times: mean |change| of the 50 ms level (long enough
// to hold many cycles of the tone, so only beating between the oscillators moves it), relative
// to the level.
double Wobble(const std::vector<double>& x, double from, double to) {
  const std::vector<double> env = LevelEnvelope(x);
  std::vector<double> slow;
  for (std::size_t w = static_cast<std::size_t>(from * 100); w + 5 <= env.size() && w + 5 <= to * 100; w += 5) {
    double sum = 0.0;
    for (std::size_t k = w; k < w + 5; ++k) sum += env[k] * env[k];
    slow.push_back(std::sqrt(sum / 5.0));
  }
  double change = 0.0, level = 0.0;
  for (std::size_t i = 1; i < slow.size(); ++i) change += std::fabs(slow[i] - slow[i - 1]), level += slow[i];
  return level > 0.0 ? change / level : 0.0;
}

// Swing of the level in dB between 0.3 and 1.3 s, after removing the decay (a straight line in dB).
double TremoloDb(const std::vector<double>& x) {
  const std::vector<double> env = LevelEnvelope(x);
  std::vector<double> db;
  for (std::size_t w = 30; w < 130 && w < env.size(); ++w) db.push_back(Db(env[w]));
  if (db.size() < 20) return 0.0;
  const double n = static_cast<double>(db.size());
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (std::size_t i = 0; i < db.size(); ++i) sx += i, sy += db[i], sxx += double(i) * i, sxy += i * db[i];
  const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx), offset = (sy - slope * sx) / n;
  double lo = 1e9, hi = -1e9;
  for (std::size_t i = 0; i < db.size(); ++i) {
    const double r = db[i] - (offset + slope * i);
    lo = std::min(lo, r), hi = std::max(hi, r);
  }
  return hi - lo;
}

// Spectral centroid of the first 25 ms after the note-on (1024 samples, Hann window).
double StrikeCentroid(const std::vector<double>& x) {
  constexpr std::size_t n = 1024;
  if (x.size() < n) return 0.0;
  std::vector<std::complex<double>> a(n);
  for (std::size_t i = 0; i < n; ++i) a[i] = x[i] * (0.5 - 0.5 * std::cos(2.0 * M_PI * i / n));
  Fft(a);
  double weighted = 0.0, total = 0.0;
  for (std::size_t k = 1; k < n / 2; ++k) weighted += std::abs(a[k]) * k, total += std::abs(a[k]);
  return total > 0.0 ? weighted / total * kRate / n : 0.0;
}

double MedianPitch(const std::vector<double>& x, double from, double to) {
  std::vector<double> track = PitchTrack(x, from, to);
  if (track.empty()) return 0.0;
  std::nth_element(track.begin(), track.begin() + track.size() / 2, track.end());
  return track[track.size() / 2];
}

void LoadBank(Instance& inst, int bank) {
  if (bank == 2) {
    ASSERT_TRUE(inst.plug->LoadFactoryBank(8));
    inst.plug->CommitOrRevert(false);
  }
}

Sheet Measure(int bank, const BankText& text, const BankProgram& p) {
  Sheet s;
  s.number = p.number;
  s.name = p.name;
  Instance inst;
  LoadBank(inst, bank);
  // Another program first: selecting the current one would keep the edit buffer.
  inst.plug->SetParameterAndNotify(kProgramNumber, p.number == 1 ? 2 : 1);
  inst.plug->SetParameterAndNotify(kProgramNumber, p.number);
  auto percussiveLayer = [&](int n) {
    const BankProgram* prg = text.Find(n);
    // "VCA Sustain" low and "VCA Attack" quick: the note is struck and dies away while held.
    return prg && prg->values[42] <= 12 && prg->values[40] <= 16;
  };
  s.percussive = p.combi ? percussiveLayer(p.combiValues[0]) && percussiveLayer(p.combiValues[1])
                         : percussiveLayer(p.number);

  const std::vector<int> full = {48, 52, 55, 60, 64, 67};
  Play(inst, Chord(full, 127, 0.3), 0.4);  // wakes every voice the chord uses
  // The oscillators run freely, so how a struck chord's partials line up at the strike changes
  // from one chord to the next: the worst of several strikes counts. A held chord drifts
  // through the alignments by itself.
  s.truePeak = -200.0;
  for (int strike = 0; strike < (s.percussive ? 4 : 1); ++strike) {
    const Take chord = s.percussive ? Play(inst, Chord(full, 127, 0.5), 0.6) : Play(inst, Chord(full, 127, 3.0), 4.0);
    s.truePeak = std::max({s.truePeak, TruePeakDb(chord.left), TruePeakDb(chord.right)});
  }
  const Take phrase = Play(inst, Phrase(s.percussive), 4.0);
  s.lufs = IntegratedLufs(phrase.left, phrase.right, kRate);

  const bool tremolo = Has(p.name, "VIBRAPHONE"), falls = Has(p.name, "SYNDRUM") || Has(p.name, "TOMS");
  const bool ensemble = Has(p.name, "SOLO TO ENSEMBLE");
  if (!p.combi) {
    const Take soft = Play(inst, Chord({60}, 30, 1.0), 1.5), hard = Play(inst, Chord({60}, 127, 1.0), 1.5);
    // From 30 ms on: the strike's first milliseconds carry the settling of the oscillators'
    // DC blockers, which says nothing about touch.
    auto body = [](const std::vector<double>& x) {
      return std::vector<double>(x.begin() + static_cast<long>(0.03 * kRate), x.begin() + static_cast<long>(1.0 * kRate));
    };
    s.velocityDb = UngatedLufs(body(hard.left), body(hard.right), kRate) - UngatedLufs(body(soft.left), body(soft.right), kRate);
    const NoteMeasure ms = MeasureNote(Mono(soft), 1.0), mh = MeasureNote(Mono(hard), 1.0);
    // At the strike (the first 25 ms, where a struck sound's filter envelope is open), or near
    // the loudest moment of each, whichever shows the filter's touch.
    const double softStrike = StrikeCentroid(Mono(soft)), hardStrike = StrikeCentroid(Mono(hard));
    if (ms.centroidHz > 0.0 && softStrike > 0.0)
      s.brightness = std::max(mh.centroidHz / ms.centroidHz, hardStrike / softStrike);
  }
  if (tremolo || falls) {
    const std::vector<double> x = Mono(Play(inst, Chord({48}, 110, 1.5), 1.5));
    if (tremolo) s.tremoloDb = TremoloDb(x);
    if (falls) {
      const double early = MedianPitch(x, 0.02, 0.07), late = MedianPitch(x, 0.2, 0.3);
      s.fallSemitones = early > 0.0 && late > 0.0 ? 12.0 * std::log2(early / late) : 0.0;
    }
  }
  if (ensemble) {
    const std::vector<double> x = Mono(Play(inst, Chord({60, 67}, 100, 8.0), 8.0));
    s.earlyWobble = Wobble(x, 1.0, 2.0);
    s.lateWobble = Wobble(x, 6.0, 7.5);
  }
  return s;
}

// Program numbers whose comment in the bank source says they stay out of the level balance.
std::map<int, std::string> LevelExceptions(const std::string& path) {
  std::map<int, std::string> out;
  std::ifstream in(path);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    if (line.rfind("[PRG ", 0) == 0 || line.rfind("[COMBI ", 0) == 0) number = std::atoi(line.c_str() + line.find(' ') + 1);
    const auto at = line.find("Level exception:");
    if (line.rfind("#", 0) == 0 && at != std::string::npos) out[number] = Trim(line.substr(at + 16));
  }
  return out;
}

void CheckBank(int bank) {
  const std::string file = "bank" + std::to_string(bank) + ".txt";
  Instance reader;
  const BankText text = ReadBankText(BanksDir() + "/" + file, *reader.plug);
  ASSERT_TRUE(text.errors.empty()) << text.errors.front();
  const std::map<int, std::string> exceptions = LevelExceptions(BanksDir() + "/" + file);
  std::vector<Sheet> sheets;
  std::printf("\n%s levels\n%-3s %-4s %7s %7s %6s %6s  %s\n", file.c_str(), "no", "kind", "LUFS", "dBTP", "veldB",
              "brght", "name");
  for (const BankProgram& p : text.programs) {
    sheets.push_back(Measure(bank, text, p));
    const Sheet& s = sheets.back();
    std::printf("%-3d %-4s %7.2f %7.2f %6.1f %6.2f  %s\n", s.number, s.percussive ? "perc" : "held", s.lufs,
                s.truePeak, s.velocityDb, s.brightness, s.name.c_str());
    std::fflush(stdout);
  }
  std::vector<double> balanced;
  for (const Sheet& s : sheets)
    if (!exceptions.count(s.number)) balanced.push_back(s.lufs);
  ASSERT_FALSE(balanced.empty());
  std::nth_element(balanced.begin(), balanced.begin() + balanced.size() / 2, balanced.end());
  const double median = balanced[balanced.size() / 2];
  std::printf("median %.2f LUFS, %zu program(s) left out of the balance\n", median, exceptions.size());

  for (const Sheet& s : sheets) {
    SCOPED_TRACE(file + " " + std::to_string(s.number) + " " + s.name);
    EXPECT_LE(s.truePeak, kCeilingDbtp) << "a full-velocity chord leaves no headroom";
    if (exceptions.count(s.number)) {
      EXPECT_LT(s.lufs, median + 6.0) << "an exception to the balance may be quieter, not louder";
    } else {
      EXPECT_NEAR(s.lufs, median, kSpreadLu) << "the level jumps against the bank";
    }
    if (!s.name.empty() && s.number <= 75 && PromisesTouch(s.name)) {
      EXPECT_GE(s.velocityDb, kTouchLowDb) << "too little touch";
      EXPECT_LE(s.velocityDb, kTouchHighDb) << "soft notes vanish";
      EXPECT_GT(s.brightness, 1.1) << "a harder note must sound brighter";
    }
    if (Has(s.name, "VIBRAPHONE")) {
      std::printf("%s: tremolo %.1f dB\n", s.name.c_str(), s.tremoloDb);
      EXPECT_GT(s.tremoloDb, 6.0) << "the tremolo must be heard";
    }
    if (Has(s.name, "SYNDRUM") || Has(s.name, "TOMS")) {
      std::printf("%s: pitch falls %.1f semitones\n", s.name.c_str(), s.fallSemitones);
      if (s.number <= 75) {
        EXPECT_GT(s.fallSemitones, 2.0) << "the drum's pitch must fall";
      }
    }
    if (Has(s.name, "SOLO TO ENSEMBLE")) {
      std::printf("%s: unsteadiness %.4f early, %.4f late\n", s.name.c_str(), s.earlyWobble, s.lateWobble);
      if (s.number <= 75) {
        EXPECT_GT(s.lateWobble, 2.0 * s.earlyWobble) << "the single player must grow into a section";
      }
    }
  }
}

TEST(BankLevels, Bank1IsBalancedWithHeadroomAndTouch) { CheckBank(1); }
TEST(BankLevels, Bank2IsBalancedWithHeadroomAndTouch) { CheckBank(2); }

// The meters themselves, on signals whose readings are known.
TEST(BankLevels, MetersReadKnownSignals) {
  // A 997 Hz sine at -20 dBFS in one channel reads -23 LUFS (the K-weighting is flat there
  // within a few tenths of a dB), in both channels 3 LU more.
  std::vector<double> sine(static_cast<std::size_t>(5 * kRate)), silence(sine.size(), 0.0);
  for (std::size_t i = 0; i < sine.size(); ++i) sine[i] = 0.1 * std::sin(2.0 * M_PI * 997.0 * i / kRate);
  EXPECT_NEAR(IntegratedLufs(sine, silence, kRate), -23.0, 0.3);
  EXPECT_NEAR(IntegratedLufs(sine, sine, kRate), -20.0, 0.3);
  // Gating: silence around the tone does not lower the reading.
  std::vector<double> padded(silence);
  padded.insert(padded.end(), sine.begin(), sine.end());
  EXPECT_NEAR(IntegratedLufs(padded, std::vector<double>(padded.size(), 0.0), kRate), -23.0, 0.3);
  // A 50 Hz tone is weighted down, a 5 kHz tone up.
  std::vector<double> low(sine.size()), high(sine.size());
  for (std::size_t i = 0; i < sine.size(); ++i) {
    low[i] = 0.1 * std::sin(2.0 * M_PI * 50.0 * i / kRate);
    high[i] = 0.1 * std::sin(2.0 * M_PI * 5000.0 * i / kRate);
  }
  EXPECT_LT(IntegratedLufs(low, silence, kRate), -23.5);
  EXPECT_GT(IntegratedLufs(high, silence, kRate), -22.0);
  // A quarter-rate sine sampled 45 degrees off its crests: samples at 0.707, true peak 1.0.
  std::vector<double> quarter(4096);
  for (std::size_t i = 0; i < quarter.size(); ++i) quarter[i] = std::sin(M_PI / 2.0 * i + M_PI / 4.0);
  EXPECT_NEAR(TruePeakDb(quarter), 0.0, 0.2);
  EXPECT_NEAR(TruePeakDb(sine), -20.0, 0.05);
}

}  // namespace
}  // namespace pellory::test
