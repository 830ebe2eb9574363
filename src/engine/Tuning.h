#pragma once
// Pitch values and the note-to-pitch schemes.
//
// A pitch value is 1/128 semitone, 0 at MIDI note 0 (8.176 Hz): 7680 is note 60, 8832 is
// note 69 (440 Hz), 17280 the top of the range (19912.127 Hz).
#include <array>

namespace pellory::engine {

class TuningClient;

constexpr int kPitchesPerSemitone = 128;
constexpr int kMaxPitch = 17280;      // highest pitch value with its own table entries
constexpr int kFrequencyTableSize = 136;

// Semitone frequencies of the hardware's pitch converter (rounded as it rounds them).
// Upward: entry n is note n, 8.176 .. 19912.127 Hz. Downward: 8.176 * 2^(-n/12), for
// negative pitch values.
extern const std::array<double, kFrequencyTableSize> kUpwardFrequencies;
extern const std::array<double, kFrequencyTableSize> kDownwardFrequencies;

// Pitch value of each note under the "BIT" frequency scale; -1 means the note has no pitch.
extern const std::array<int, kFrequencyTableSize> BitScaleTable;

// Hz for a pitch value. Interpolates linearly in Hz between neighbouring semitones; values
// beyond +-17279 give the end frequencies. NaN is treated as 0.
double PitchToFrequency(double pitch);

// Pitch value of note n under "Equal". With a connected tuning master, the master's frequency
// of note (n & 127) mapped back onto the pitch scale; otherwise n * 128. `client` may be null.
int NoteToPitch(int note, const TuningClient* client);

// "BIT" pitch of an oscillator note: BitScaleTable[n], or -1 (silent) outside the table.
int BitScalePitch(int note);

// "BIT" pitch used for key tracking: the table index is clamped into the table, so notes
// pushed above the top by transpose track like the top note.
int BitScaleKeyPitch(int note);

}  // namespace pellory::engine
