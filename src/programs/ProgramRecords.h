#pragma once
// The instrument's two program record formats and their conversion to and from parameter
// values. Pure functions: the plug-in, the tape-dump decoder and the bank compiler share them.
#include <array>
#include <cstdint>

namespace pellory {

constexpr int kPrgRecordSize = 37;
constexpr int kCombiRecordSize = 7;
constexpr int kNumPrgs = 75;
constexpr int kNumCombis = 24;
constexpr int kFirstCombi = 76;
constexpr int kLastProgram = 99;
constexpr int kNumProgramValues = 53;  // parameter ids 0..52

using PrgRecord = std::array<uint8_t, kPrgRecordSize>;
using CombiRecord = std::array<uint8_t, kCombiRecordSize>;
// Integer values of parameter ids 0..52.
using PrgValues = std::array<int, kNumProgramValues>;

inline bool IsPrgNumber(int n) { return n >= 1 && n <= kNumPrgs; }
inline bool IsCombiNumber(int n) { return n >= kFirstCombi && n <= kLastProgram; }
// Record size of a program number: 37 for PRGs, 7 for Combis, 0 for anything else.
inline int RecordSizeOf(int n) { return IsPrgNumber(n) ? kPrgRecordSize : IsCombiNumber(n) ? kCombiRecordSize : 0; }

// The values a Combi PRG sets, already in parameter terms.
struct CombiValues {
  int lowerProgram = 1;    // "Lower Program" 1..75
  int upperProgram = 1;    // "Upper Program" 1..75
  int keyboardMode = 0;    // "Keyboard Mode" 0..2
  int splitPoint = 1;      // "Split Point" 1..61
  int upperTranspose = 1;  // "Upper Transpose" 1..61
  int lowerLevel = 0;      // id 55, 0..63
  int upperLevel = 0;      // id 56, 0..63
};

// Decodes any 37 bytes into 53 in-range values (out-of-range bytes are clamped or folded the
// way the instrument reads them).
PrgValues DecodePrgRecord(const uint8_t* record);
// Encodes plain values of ids 0..52 (truncated to integers; switches are on from 0.5).
PrgRecord EncodePrgRecord(const double* values);
PrgRecord EncodePrgRecord(const PrgValues& values);

CombiValues DecodeCombiRecord(const uint8_t* record);
CombiRecord EncodeCombiRecord(const CombiValues& values);

// Description of one program parameter (ids 0..52), for tools that read and write programs
// by parameter name. enumTexts is null for plain integers.
struct ProgramParameterInfo {
  int id;
  const char* name;
  int minimum;
  int maximum;
  int defaultValue;
  const char* const* enumTexts;  // maximum + 1 texts when set
};
const ProgramParameterInfo& GetProgramParameterInfo(int id);

}  // namespace pellory
