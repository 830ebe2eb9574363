#include "MidiFile.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>

namespace cli {

namespace {

struct Reader {
  const std::vector<uint8_t>& d;
  std::size_t pos;
  std::size_t end;
  bool ok = true;

  uint8_t Byte() {
    if (pos >= end) {
      ok = false;
      return 0;
    }
    return d[pos++];
  }
  uint32_t Be(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | Byte();
    return v;
  }
  // Variable-length quantity: at most four bytes.
  uint32_t Vlq() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t b = Byte();
      v = v << 7 | (b & 0x7F);
      if (!(b & 0x80)) return v;
    }
    ok = false;
    return 0;
  }
};

struct TickEvent {
  uint64_t tick;
  int track;
  std::size_t order;
  std::vector<uint8_t> bytes;
  uint32_t tempo;  // microseconds per quarter, for tempo events (bytes empty)
  bool isTempo;
};

int DataBytes(uint8_t status) {
  switch (status & 0xF0) {
    case 0xC0:
    case 0xD0: return 1;
    default: return 2;
  }
}

}  // namespace

bool ParseMidiFile(const std::vector<uint8_t>& data, MidiSong& song, std::string& error) {
  song = MidiSong();
  Reader r{data, 0, data.size()};
  if (data.size() < 14 || r.Be(4) != 0x4D546864) {  // "MThd"
    error = "not a Standard MIDI File (no MThd header)";
    return false;
  }
  uint32_t headerLength = r.Be(4);
  if (headerLength < 6 || headerLength > data.size() - 8) {
    error = "broken MIDI file header";
    return false;
  }
  song.format = static_cast<int>(r.Be(2));
  int trackCount = static_cast<int>(r.Be(2));
  int division = static_cast<int>(r.Be(2));
  r.pos = 8 + headerLength;
  if (song.format > 1) {
    error = "MIDI file format " + std::to_string(song.format) + " is not supported (only 0 and 1)";
    return false;
  }
  if (division & 0x8000 || division == 0) {
    error = "MIDI files timed in SMPTE frames are not supported";
    return false;
  }
  song.division = division;

  std::vector<TickEvent> events;
  std::size_t order = 0;
  int tracksRead = 0;
  while (tracksRead < trackCount && r.pos + 8 <= data.size()) {
    uint32_t id = r.Be(4);
    uint32_t length = r.Be(4);
    if (length > data.size() - r.pos) {
      error = "MIDI track " + std::to_string(tracksRead + 1) + " runs past the end of the file";
      return false;
    }
    if (id != 0x4D54726B) {  // not "MTrk": skip unknown chunks
      r.pos += length;
      continue;
    }
    Reader t{data, r.pos, r.pos + length};
    r.pos += length;
    uint64_t tick = 0;
    uint8_t running = 0;
    while (t.ok && t.pos < t.end) {
      tick += t.Vlq();
      uint8_t status = t.Byte();
      if (!t.ok) break;
      if (status == 0xFF) {
        uint8_t type = t.Byte();
        uint32_t len = t.Vlq();
        if (!t.ok || len > t.end - t.pos) {
          t.ok = false;
          break;
        }
        if (type == 0x51 && len == 3) {
          uint32_t tempo = t.Be(3);
          if (tempo > 0) events.push_back({tick, tracksRead, order++, {}, tempo, true});
        } else {
          t.pos += len;
        }
        if (type == 0x2F) events.push_back({tick, tracksRead, order++, {}, 0, false});  // end of track
        running = 0;
        if (type == 0x2F) break;
        continue;
      }
      if (status == 0xF0 || status == 0xF7) {
        uint32_t len = t.Vlq();
        if (!t.ok || len > t.end - t.pos) {
          t.ok = false;
          break;
        }
        std::vector<uint8_t> bytes;
        if (status == 0xF0) bytes.push_back(0xF0);
        bytes.insert(bytes.end(), data.begin() + static_cast<long>(t.pos), data.begin() + static_cast<long>(t.pos + len));
        t.pos += len;
        if (status == 0xF0) events.push_back({tick, tracksRead, order++, bytes, 0, false});
        running = 0;
        continue;
      }
      std::vector<uint8_t> bytes;
      if (status & 0x80) {
        running = status;
        bytes.push_back(status);
      } else {
        if (!running) {
          error = "MIDI track " + std::to_string(tracksRead + 1) + " has data without a status byte";
          return false;
        }
        bytes.push_back(running);
        bytes.push_back(status);
      }
      while (static_cast<int>(bytes.size()) < 1 + DataBytes(running)) bytes.push_back(t.Byte() & 0x7F);
      if (!t.ok) break;
      events.push_back({tick, tracksRead, order++, bytes, 0, false});
    }
    if (!t.ok) {
      error = "MIDI track " + std::to_string(tracksRead + 1) + " is cut short or malformed";
      return false;
    }
    ++tracksRead;
  }
  if (tracksRead == 0) {
    error = "MIDI file has no tracks";
    return false;
  }
  song.tracks = tracksRead;

  // Ticks to seconds: tempo changes from any track apply to all (format 1 keeps them in track 1).
  std::stable_sort(events.begin(), events.end(), [](const TickEvent& a, const TickEvent& b) {
    if (a.tick != b.tick) return a.tick < b.tick;
    if (a.isTempo != b.isTempo) return a.isTempo;  // a tempo change applies to events at its tick
    return a.order < b.order;
  });
  double seconds = 0.0;
  uint64_t lastTick = 0;
  double secondsPerTick = 500000.0 / 1e6 / division;
  for (const TickEvent& e : events) {
    seconds += static_cast<double>(e.tick - lastTick) * secondsPerTick;
    lastTick = e.tick;
    if (e.isTempo) {
      secondsPerTick = e.tempo / 1e6 / division;
      continue;
    }
    song.lengthSeconds = std::max(song.lengthSeconds, seconds);
    if (!e.bytes.empty()) song.events.push_back({seconds, e.bytes});
  }
  return true;
}

bool ReadMidiFile(const std::string& path, MidiSong& song, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!ParseMidiFile(data, song, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

}  // namespace cli
