#include "engine/core/secure_bytes.h"

#include <cstring>
#include <utility>

namespace tolzeb {

void secureZero(void* data, size_t size) {
  if (data == nullptr || size == 0) return;
  volatile uint8_t* p = static_cast<volatile uint8_t*>(data);
  while (size--) *p++ = 0;
}

SecureBytes::SecureBytes(const void* source, size_t size) {
  if (size == 0) return;
  data_ = new uint8_t[size]();
  size_ = capacity_ = size;
  if (source != nullptr) std::memcpy(data_, source, size);
}

SecureBytes::SecureBytes(const SecureBytes& other) : SecureBytes(other.data(), other.size()) {}

SecureBytes::SecureBytes(SecureBytes&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

SecureBytes& SecureBytes::operator=(const SecureBytes& other) {
  if (this != &other) *this = SecureBytes(other);
  return *this;
}

SecureBytes& SecureBytes::operator=(SecureBytes&& other) noexcept {
  if (this == &other) return *this;
  wipe();
  data_ = std::exchange(other.data_, nullptr);
  size_ = std::exchange(other.size_, 0);
  capacity_ = std::exchange(other.capacity_, 0);
  return *this;
}

SecureBytes::~SecureBytes() { wipe(); }

void SecureBytes::resize(size_t size) {
  if (size <= capacity_) {
    if (size < size_) secureZero(data_ + size, size_ - size);
    size_ = size;
    return;
  }
  size_t newCapacity = capacity_ * 2 > size ? capacity_ * 2 : size;
  uint8_t* grown = new uint8_t[newCapacity]();
  if (size_) std::memcpy(grown, data_, size_);
  secureZero(data_, capacity_);
  delete[] data_;
  data_ = grown;
  size_ = size;
  capacity_ = newCapacity;
}

void SecureBytes::append(const void* source, size_t size) {
  size_t old = size_;
  resize(old + size);
  if (size) std::memcpy(data_ + old, source, size);
}

void SecureBytes::wipe() {
  secureZero(data_, capacity_);
  delete[] data_;
  data_ = nullptr;
  size_ = capacity_ = 0;
}

}  // namespace tolzeb
