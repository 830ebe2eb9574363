#include "core/StateChunk.h"

#include <cstring>
#include <new>

namespace pellory {

bool StateChunk::Reserve(std::size_t size) {
  if (size <= bytes_.capacity()) return true;
  try {
    bytes_.reserve((size + kGranularity - 1) / kGranularity * kGranularity);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool StateChunk::PutBytes(const void* data, int size) {
  if (size < 0 || (size > 0 && !data)) return false;
  if (!Reserve(bytes_.size() + static_cast<std::size_t>(size))) return false;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), p, p + size);
  return true;
}

bool StateChunk::PutInt(int32_t value) {
  uint32_t u = static_cast<uint32_t>(value);
  uint8_t b[4] = {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)};
  return PutBytes(b, 4);
}

bool StateChunk::PutDouble(double value) {
  uint64_t u;
  std::memcpy(&u, &value, 8);
  uint8_t b[8];
  for (int i = 0; i < 8; ++i) b[i] = uint8_t(u >> (8 * i));
  return PutBytes(b, 8);
}

bool StateChunk::PutString(const std::string& text) {
  return PutInt(static_cast<int32_t>(text.size())) && PutBytes(text.data(), static_cast<int>(text.size()));
}

bool StateChunk::Assign(const void* data, int size) {
  bytes_.clear();
  return PutBytes(data, size);
}

int StateChunk::GetBytes(void* out, int size, int position) const {
  if (position < 0 || size < 0 || static_cast<long long>(position) + size > Size()) return -1;
  if (size > 0) std::memcpy(out, bytes_.data() + position, static_cast<std::size_t>(size));
  return position + size;
}

int StateChunk::GetInt(int32_t& value, int position) const {
  uint8_t b[4];
  int next = GetBytes(b, 4, position);
  if (next < 0) return -1;
  value = static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
  return next;
}

int StateChunk::GetDouble(double& value, int position) const {
  uint8_t b[8];
  int next = GetBytes(b, 8, position);
  if (next < 0) return -1;
  uint64_t u = 0;
  for (int i = 0; i < 8; ++i) u |= uint64_t(b[i]) << (8 * i);
  std::memcpy(&value, &u, 8);
  return next;
}

int StateChunk::GetByte(uint8_t& value, int position) const { return GetBytes(&value, 1, position); }

int StateChunk::GetString(std::string& text, int position) const {
  int32_t length = 0;
  int next = GetInt(length, position);
  text.clear();
  if (next < 0) return -1;
  if (length <= 0) return next;
  if (static_cast<long long>(next) + length > Size()) return -1;
  text.assign(reinterpret_cast<const char*>(bytes_.data()) + next, static_cast<std::size_t>(length));
  return next + length;
}

}  // namespace pellory
