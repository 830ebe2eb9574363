#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace pellory {

// Growable byte buffer of all serialisation. Integers are 32-bit little-endian, doubles IEEE
// binary64 little-endian, strings a 32-bit length and that many bytes. Reads take a position
// and return the position after the item, or -1 when the data are too short.
class StateChunk {
 public:
  static constexpr std::size_t kGranularity = 4096;

  void Clear() { bytes_.clear(); }
  int Size() const { return static_cast<int>(bytes_.size()); }
  const uint8_t* Data() const { return bytes_.data(); }
  uint8_t* Data() { return bytes_.data(); }

  bool PutBytes(const void* data, int size);
  bool PutInt(int32_t value);
  bool PutDouble(double value);
  bool PutByte(uint8_t value) { return PutBytes(&value, 1); }
  bool PutString(const std::string& text);
  // Replaces the content by a copy of size bytes.
  bool Assign(const void* data, int size);

  int GetBytes(void* out, int size, int position) const;
  int GetInt(int32_t& value, int position) const;
  int GetDouble(double& value, int position) const;
  int GetByte(uint8_t& value, int position) const;
  int GetString(std::string& text, int position) const;

 private:
  bool Reserve(std::size_t size);
  std::vector<uint8_t> bytes_;
};

}  // namespace pellory
