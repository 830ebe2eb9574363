#pragma once
// Standard MIDI File reader: formats 0 and 1, running status, tempo changes. Events come out
// merged across tracks and timed in seconds through the tempo map.
#include <cstdint>
#include <string>
#include <vector>

namespace cli {

struct TimedMidiEvent {
  double seconds = 0.0;
  std::vector<uint8_t> bytes;  // a channel message (1-3 bytes) or a complete SysEx (F0 .. F7)
};

struct MidiSong {
  int format = 0;
  int tracks = 0;
  int division = 0;  // ticks per quarter note
  std::vector<TimedMidiEvent> events;  // in time order; equal times keep file order
  double lengthSeconds = 0.0;          // time of the last event (end of track included)
};

// Parses the bytes of a file; false with a message in error on anything it cannot read.
bool ParseMidiFile(const std::vector<uint8_t>& data, MidiSong& song, std::string& error);
bool ReadMidiFile(const std::string& path, MidiSong& song, std::string& error);

}  // namespace cli
