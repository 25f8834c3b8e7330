// A byte buffer that zeroes its contents before they are freed or replaced.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tolzeb {

// Zeroes `size` bytes in a way the compiler may not elide. Null or 0 does nothing.
void secureZero(void* data, size_t size);

class SecureBytes {
 public:
  SecureBytes() = default;
  // Holds `size` bytes: zeros, then a copy of `source` when it is not null.
  SecureBytes(const void* source, size_t size);
  SecureBytes(const SecureBytes& other);
  SecureBytes(SecureBytes&& other) noexcept;
  SecureBytes& operator=(const SecureBytes& other);
  SecureBytes& operator=(SecureBytes&& other) noexcept;
  ~SecureBytes();

  uint8_t* data() { return size_ ? data_ : nullptr; }
  const uint8_t* data() const { return size_ ? data_ : nullptr; }
  size_t size() const { return size_; }
  size_t capacity() const { return capacity_; }
  bool empty() const { return size_ == 0; }
  uint8_t& operator[](size_t i) { return data_[i]; }
  uint8_t operator[](size_t i) const { return data_[i]; }

  // Grows or shrinks to `size` bytes; new bytes are zero and old storage is wiped.
  void resize(size_t size);
  void append(const void* source, size_t size);
  // Zeroes every held byte, sets the size to 0 and releases the storage.
  void wipe();

 private:
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace tolzeb
