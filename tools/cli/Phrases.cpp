#include "Phrases.h"

#include <algorithm>
#include <cctype>

namespace cli {

namespace {

void Note(std::vector<TimedMidiEvent>& out, double on, double length, int note, int velocity) {
  out.push_back({on, {0x90, static_cast<uint8_t>(note), static_cast<uint8_t>(velocity)}});
  out.push_back({on + length, {0x80, static_cast<uint8_t>(note), 64}});
}

bool Contains(const std::string& upper, const char* word) { return upper.find(word) != std::string::npos; }

}  // namespace

PhraseKind PhraseKindForName(const std::string& name) {
  std::string n = name;
  std::transform(n.begin(), n.end(), n.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (Contains(n, "EXPLOSION") || Contains(n, "HELICOPTER") || Contains(n, "SWEEP") || Contains(n, "NOISE") ||
      Contains(n, "EERIE") || Contains(n, "OSCILLATION") || Contains(n, "GHOST"))
    return PhraseKind::kEffect;
  if (Contains(n, "DRUM") || Contains(n, "TOMS") || Contains(n, "CLAPS") || Contains(n, "CLICK") ||
      Contains(n, "KNOCK") || Contains(n, "PERCUSSION 2"))
    return PhraseKind::kPercussion;
  if (Contains(n, "BASS")) return PhraseKind::kBass;
  if (Contains(n, "LEAD") || Contains(n, "SOLO") || Contains(n, "FLUTE") || Contains(n, "CLARINET") ||
      Contains(n, "HORN") || Contains(n, "HARMONICA") || Contains(n, "TRUMPET") || Contains(n, "REED") ||
      Contains(n, "WHISTLE") || Contains(n, "SINUS"))
    return PhraseKind::kLine;
  return PhraseKind::kChord;
}

std::vector<TimedMidiEvent> MakePhrase(PhraseKind kind, double start) {
  std::vector<TimedMidiEvent> out;
  switch (kind) {
    case PhraseKind::kChord: {
      // C major, then F major over C: held long enough for swells and releases to show.
      const int first[] = {48, 60, 64, 67};
      const int second[] = {48, 60, 65, 69};
      for (int note : first) Note(out, start, 1.6, note, 96);
      for (int note : second) Note(out, start + 1.8, 1.6, note, 80);
      break;
    }
    case PhraseKind::kLine: {
      const int line[] = {60, 62, 64, 67, 69, 67, 64, 72};
      for (int i = 0; i < 8; ++i) Note(out, start + 0.35 * i, i == 7 ? 1.0 : 0.3, line[i], 70 + 6 * (i % 4));
      break;
    }
    case PhraseKind::kBass: {
      const int line[] = {36, 36, 43, 41, 36, 48, 46, 43};
      for (int i = 0; i < 8; ++i) Note(out, start + 0.3 * i, 0.25, line[i], 100 - 8 * (i % 3));
      break;
    }
    case PhraseKind::kPercussion: {
      const int hits[] = {48, 55, 60, 55, 48, 60};
      for (int i = 0; i < 6; ++i) Note(out, start + 0.4 * i, 0.15, hits[i], 110 - 10 * (i % 2));
      break;
    }
    case PhraseKind::kEffect:
      Note(out, start, 3.0, 60, 100);
      break;
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const TimedMidiEvent& a, const TimedMidiEvent& b) { return a.seconds < b.seconds; });
  return out;
}

std::vector<TimedMidiEvent> AcrossSplit(const std::vector<TimedMidiEvent>& phrase, int splitNote) {
  int low = 127, high = 0;
  double first = 1e9, last = 0.0;
  for (const TimedMidiEvent& e : phrase) {
    if (e.bytes.size() == 3 && (e.bytes[0] & 0xE0) == 0x80) {
      low = std::min(low, static_cast<int>(e.bytes[1]));
      high = std::max(high, static_cast<int>(e.bytes[1]));
    }
    first = std::min(first, e.seconds);
    last = std::max(last, e.seconds);
  }
  if (low > high) return phrase;
  int down = 0, up = 0;
  while (high + down >= splitNote && low + down - 12 >= 0) down -= 12;
  while (low + up < splitNote && high + up + 12 <= 127) up += 12;
  std::vector<TimedMidiEvent> out;
  const double gap = last - first + 0.6;  // the lower part rings out a little before the upper starts
  for (int pass = 0; pass < 2; ++pass) {
    for (TimedMidiEvent e : phrase) {
      if (e.bytes.size() == 3 && (e.bytes[0] & 0xE0) == 0x80) e.bytes[1] = static_cast<uint8_t>(e.bytes[1] + (pass ? up : down));
      e.seconds += pass * gap;
      out.push_back(e);
    }
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const TimedMidiEvent& a, const TimedMidiEvent& b) { return a.seconds < b.seconds; });
  return out;
}

std::vector<TimedMidiEvent> MakeDemoSong() {
  std::vector<TimedMidiEvent> out;
  const int chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
  const int bass[4] = {36, 33, 29, 31};
  const int melody[16] = {72, 71, 72, 76, 74, 72, 71, 69, 69, 71, 72, 74, 71, 67, 69, 71};
  for (int bar = 0; bar < 4; ++bar) {
    const double t = bar * 2.0;
    for (int note : chords[bar]) Note(out, t, 1.9, note, 70);
    Note(out, t, 0.9, bass[bar], 100);
    Note(out, t + 1.0, 0.9, bass[bar] + 12, 90);
    for (int i = 0; i < 4; ++i) Note(out, t + 0.5 * i, 0.45, melody[bar * 4 + i], 90);
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const TimedMidiEvent& a, const TimedMidiEvent& b) { return a.seconds < b.seconds; });
  return out;
}

}  // namespace cli
