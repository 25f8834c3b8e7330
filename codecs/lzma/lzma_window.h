// The two places the LZMA symbol decoder writes to: one growing buffer holding the whole output,
// or a circular window of the last bytes for a stream decoded in pieces. Both count the bytes
// produced in all and refuse references before the last dictionary reset (`restart`).
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/core/bytes.h"

namespace tolzeb {

class LzmaFlatWindow {
 public:
  explicit LzmaFlatWindow(Bytes& output) : output_(output) {}

  uint64_t total() const { return output_.size(); }
  uint64_t length() const { return output_.size() - start_; }
  void restart() { start_ = output_.size(); }
  bool reaches(uint32_t distance) const { return distance < length(); }
  // Distance 0 is the last byte written.
  uint8_t back(uint32_t distance) const { return output_[output_.size() - distance - 1]; }
  void put(uint8_t byte) { output_.push_back(byte); }
  void repeat(uint32_t distance, size_t count) {
    const size_t start = output_.size();
    const size_t back = size_t(distance) + 1;
    output_.resize(start + count);
    uint8_t* out = output_.data();
    for (size_t i = start; i < start + count; ++i) out[i] = out[i - back];
  }

 private:
  Bytes& output_;
  uint64_t start_ = 0;
};

class LzmaRingWindow {
 public:
  explicit LzmaRingWindow(size_t size) : bytes_(size) {}

  uint64_t total() const { return total_; }
  uint64_t length() const { return total_ - start_; }
  void restart() { start_ = total_; }
  bool reaches(uint32_t distance) const { return distance < length() && distance < bytes_.size(); }
  uint8_t back(uint32_t distance) const {
    const size_t back = size_t(distance) + 1;
    return bytes_[position_ >= back ? position_ - back : position_ + bytes_.size() - back];
  }
  void put(uint8_t byte) {
    bytes_[position_] = byte;
    if (++position_ == bytes_.size()) position_ = 0;
    ++total_;
  }
  void repeat(uint32_t distance, size_t count) {
    for (size_t i = 0; i < count; ++i) put(back(distance));
  }

  // Where the next byte goes; the bytes before it, wrapping round, are the latest output.
  size_t position() const { return position_; }
  size_t size() const { return bytes_.size(); }
  const uint8_t* data() const { return bytes_.data(); }

 private:
  Bytes bytes_;
  size_t position_ = 0;
  uint64_t total_ = 0;
  uint64_t start_ = 0;
};

}  // namespace tolzeb
