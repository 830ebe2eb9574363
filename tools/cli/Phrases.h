#pragma once
// Short musical phrases for auditioning programs, chosen by what a program's name says it is.
#include <string>
#include <vector>

#include "MidiFile.h"

namespace cli {

enum class PhraseKind { kChord, kLine, kBass, kPercussion, kEffect };

// The phrase that suits a program name ("STRINGS" -> chord, "LEAD" -> line, "BASS" -> bass, ...).
PhraseKind PhraseKindForName(const std::string& name);

// Note events starting at `start` seconds, on MIDI channel 1.
std::vector<TimedMidiEvent> MakePhrase(PhraseKind kind, double start = 0.0);

// The phrase played twice, first wholly below the split note, then wholly at or above it (moved
// by whole octaves), so both layers of a split Combi are heard.
std::vector<TimedMidiEvent> AcrossSplit(const std::vector<TimedMidiEvent>& phrase, int splitNote);

// The built-in demo of `render --demo`: a few bars with a chord, a melody and a bass line.
std::vector<TimedMidiEvent> MakeDemoSong();

}  // namespace cli
