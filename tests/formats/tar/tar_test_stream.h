// Hand-built tar streams for the reader tests: headers with chosen fields, data and padding.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/bytes.h"

namespace tolzeb::testing {

class TarHeader {
 public:
  // A POSIX ustar header of the given type with a sound checksum; size and mtime in octal.
  TarHeader(const std::string& name, char type, uint64_t size, uint64_t mtime = 1700000000) {
    text(0, name);
    octal(100, 8, 0644);
    octal(124, 12, size);
    octal(136, 12, mtime);
    bytes_[156] = uint8_t(type);
    std::memcpy(&bytes_[257],
                "ustar\0"
                "00",
                8);
  }

  TarHeader& text(size_t offset, const std::string& value) {
    std::memcpy(&bytes_[offset], value.data(), value.size());
    return *this;
  }
  TarHeader& raw(size_t offset, const Bytes& value) {
    std::memcpy(&bytes_[offset], value.data(), value.size());
    return *this;
  }
  TarHeader& octal(size_t offset, size_t width, uint64_t value) {
    std::string digits(width - 1, '0');
    for (size_t i = width - 1; i > 0 && value != 0; --i, value >>= 3) digits[i - 1] = char('0' + (value & 7));
    std::memcpy(&bytes_[offset], digits.data(), digits.size());
    bytes_[offset + width - 1] = 0;
    return *this;
  }
  TarHeader& prefix(const std::string& value) { return text(345, value); }
  // The old GNU magic, whose header keeps times where POSIX keeps the prefix.
  TarHeader& gnuMagic() { return text(257, std::string("ustar  \0", 8)); }
  // A Version 7 header: no magic at all.
  TarHeader& noMagic() { return text(257, std::string(8, '\0')); }

  // The checksum over unsigned bytes (or signed ones, as some old writers summed).
  Bytes sealed(bool signedSum = false) const {
    Bytes header = bytes_;
    std::memset(&header[148], ' ', 8);
    int64_t sum = 0;
    for (uint8_t b : header) sum += signedSum ? int64_t(int8_t(b)) : int64_t(b);
    std::string digits(6, '0');
    for (size_t i = 6; i > 0 && sum != 0; --i, sum >>= 3) digits[i - 1] = char('0' + (sum & 7));
    std::memcpy(&header[148], digits.data(), 6);
    header[154] = 0;
    return header;
  }

 private:
  Bytes bytes_ = Bytes(512, 0);
};

class TarStream {
 public:
  TarStream& header(const Bytes& sealedHeader) {
    bytes_.insert(bytes_.end(), sealedHeader.begin(), sealedHeader.end());
    return *this;
  }
  TarStream& header(const TarHeader& header) { return this->header(header.sealed()); }
  // Data followed by zero padding to a whole block.
  TarStream& data(const std::string& content) {
    bytes_.insert(bytes_.end(), content.begin(), content.end());
    bytes_.resize(bytes_.size() + (512 - content.size() % 512) % 512, 0);
    return *this;
  }
  TarStream& file(const std::string& name, const std::string& content, char type = '0') {
    return header(TarHeader(name, type, content.size())).data(content);
  }
  // A record applied to the next entry: 'L' (long name), 'x' (pax), 'K' or 'g'.
  TarStream& meta(char type, const std::string& content) {
    return header(TarHeader("././@LongLink", type, content.size())).data(content);
  }
  TarStream& zeroBlocks(size_t count) {
    bytes_.resize(bytes_.size() + 512 * count, 0);
    return *this;
  }
  TarStream& end() { return zeroBlocks(2); }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// One pax record with its self-counting length.
inline std::string paxRecord(const std::string& keyword, const std::string& value) {
  const std::string body = " " + keyword + "=" + value + "\n";
  size_t length = body.size() + 1;
  while (std::to_string(length).size() + body.size() != length) ++length;
  return std::to_string(length) + body;
}

}  // namespace tolzeb::testing
