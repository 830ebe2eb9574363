#include <gtest/gtest.h>

#include "MidiFile.h"

namespace cli {
namespace {

// Builds Standard MIDI Files byte by byte.
struct SmfBuilder {
  std::vector<uint8_t> bytes;
  void Be(uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void Header(int format, int tracks, int division) {
    bytes.insert(bytes.end(), {'M', 'T', 'h', 'd'});
    Be(6, 4);
    Be(static_cast<uint32_t>(format), 2);
    Be(static_cast<uint32_t>(tracks), 2);
    Be(static_cast<uint32_t>(division), 2);
  }
  void Track(const std::vector<uint8_t>& body) {
    bytes.insert(bytes.end(), {'M', 'T', 'r', 'k'});
    Be(static_cast<uint32_t>(body.size()), 4);
    bytes.insert(bytes.end(), body.begin(), body.end());
  }
};

const std::vector<uint8_t> kEndOfTrack = {0x00, 0xFF, 0x2F, 0x00};

std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(MidiFile, FormatZeroWithRunningStatusAndDefaultTempo) {
  SmfBuilder f;
  f.Header(0, 1, 480);
  // note on 60, then (running status) note on 64 after 480 ticks, velocity-0 off after 0x83 0x60 = 480.
  f.Track(Cat({0x00, 0x90, 60, 100, 0x83, 0x60, 64, 90, 0x83, 0x60, 60, 0}, kEndOfTrack));
  MidiSong song;
  std::string error;
  ASSERT_TRUE(ParseMidiFile(f.bytes, song, error)) << error;
  ASSERT_EQ(song.events.size(), 3u);
  EXPECT_DOUBLE_EQ(song.events[0].seconds, 0.0);
  EXPECT_DOUBLE_EQ(song.events[1].seconds, 0.5);  // 120 bpm by default
  EXPECT_EQ(song.events[1].bytes, (std::vector<uint8_t>{0x90, 64, 90}));
  EXPECT_DOUBLE_EQ(song.events[2].seconds, 1.0);
}

TEST(MidiFile, FormatOneTempoChangesApplyToEveryTrack) {
  SmfBuilder f;
  f.Header(1, 2, 96);
  // Track 1: tempo 500000 at 0, then 250000 (240 bpm) at tick 96.
  f.Track(Cat({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x60, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90}, kEndOfTrack));
  // Track 2: notes at ticks 96 and 192.
  f.Track(Cat({0x60, 0x91, 50, 80, 0x60, 0x81, 50, 0}, kEndOfTrack));
  MidiSong song;
  std::string error;
  ASSERT_TRUE(ParseMidiFile(f.bytes, song, error)) << error;
  EXPECT_EQ(song.format, 1);
  EXPECT_EQ(song.tracks, 2);
  ASSERT_EQ(song.events.size(), 2u);
  EXPECT_DOUBLE_EQ(song.events[0].seconds, 0.5);   // one quarter at 120 bpm
  EXPECT_DOUBLE_EQ(song.events[1].seconds, 0.75);  // then one quarter at 240 bpm
  EXPECT_EQ(song.events[1].bytes[0], 0x81);
}

TEST(MidiFile, SysExAndProgramChangeKeepTheirBytes) {
  SmfBuilder f;
  f.Header(0, 1, 96);
  f.Track(Cat({0x00, 0xC0, 0x05, 0x00, 0xF0, 0x03, 0x25, 0x10, 0xF7, 0x00, 0xD0, 0x40}, kEndOfTrack));
  MidiSong song;
  std::string error;
  ASSERT_TRUE(ParseMidiFile(f.bytes, song, error)) << error;
  ASSERT_EQ(song.events.size(), 3u);
  EXPECT_EQ(song.events[0].bytes, (std::vector<uint8_t>{0xC0, 0x05}));
  EXPECT_EQ(song.events[1].bytes, (std::vector<uint8_t>{0xF0, 0x25, 0x10, 0xF7}));
  EXPECT_EQ(song.events[2].bytes, (std::vector<uint8_t>{0xD0, 0x40}));
}

TEST(MidiFile, RejectsWhatItCannotRead) {
  MidiSong song;
  std::string error;
  EXPECT_FALSE(ParseMidiFile({}, song, error));
  EXPECT_FALSE(ParseMidiFile({'R', 'I', 'F', 'F', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, song, error));
  EXPECT_NE(error.find("MThd"), std::string::npos);

  SmfBuilder smpte;
  smpte.Header(0, 1, 0xE728);
  smpte.Track(kEndOfTrack);
  EXPECT_FALSE(ParseMidiFile(smpte.bytes, song, error));

  SmfBuilder format2;
  format2.Header(2, 1, 96);
  format2.Track(kEndOfTrack);
  EXPECT_FALSE(ParseMidiFile(format2.bytes, song, error));

  SmfBuilder cut;
  cut.Header(0, 1, 96);
  cut.Track({0x00, 0x90, 60});  // note on without its velocity byte
  EXPECT_FALSE(ParseMidiFile(cut.bytes, song, error));

  SmfBuilder noStatus;
  noStatus.Header(0, 1, 96);
  noStatus.Track(Cat({0x00, 60, 100}, kEndOfTrack));
  EXPECT_FALSE(ParseMidiFile(noStatus.bytes, song, error));

  SmfBuilder huge;
  huge.Header(0, 1, 96);
  huge.bytes.insert(huge.bytes.end(), {'M', 'T', 'r', 'k', 0x7F, 0xFF, 0xFF, 0xFF, 0x00});
  EXPECT_FALSE(ParseMidiFile(huge.bytes, song, error));
  EXPECT_NE(error.find("past the end"), std::string::npos);
}

}  // namespace
}  // namespace cli
