#include <cstring>

#include "engine/container/archive_records.h"
#include "engine/core/bytes.h"
#include "engine/core/crc32c.h"

namespace tolzeb {

namespace {

constexpr size_t kKdfIdAt = 8;
constexpr size_t kCipherIdAt = 10;
constexpr size_t kIterationsAt = 12;
constexpr size_t kSaltAt = 16;
constexpr size_t kNoncePrefixAt = 32;
constexpr size_t kKeyCheckTagAt = 36;
constexpr size_t kSecurityCrcAt = 52;
constexpr size_t kSecurityReservedAt = 56;

}  // namespace

void SecuritySection::serialize(uint8_t out[kSecuritySectionSize]) const {
  std::memset(out, 0, kSecuritySectionSize);
  std::memcpy(out, kSecurityMagic, kMagicSize);
  writeU16le(out + kKdfIdAt, kdfId);
  writeU16le(out + kCipherIdAt, cipherId);
  writeU32le(out + kIterationsAt, kdfIterations);
  std::memcpy(out + kSaltAt, salt.data(), salt.size());
  writeU32le(out + kNoncePrefixAt, noncePrefix);
  std::memcpy(out + kKeyCheckTagAt, keyCheckTag.data(), keyCheckTag.size());
  writeU32le(out + kSecurityCrcAt, crc32c(0, out, kSecuritySectionSize));
}

Result<SecuritySection> parseSecuritySection(const uint8_t* data, size_t length) {
  if (length < kSecuritySectionSize) return Failure{StatusCode::corrupt_archive, L"Security section is truncated"};
  if (std::memcmp(data, kSecurityMagic, kMagicSize) != 0)
    return Failure{StatusCode::corrupt_archive, L"Security section has the wrong magic"};
  uint8_t copy[kSecuritySectionSize];
  std::memcpy(copy, data, kSecuritySectionSize);
  writeU32le(copy + kSecurityCrcAt, 0);
  if (readU32le(data + kSecurityCrcAt) != crc32c(0, copy, kSecuritySectionSize))
    return Failure{StatusCode::corrupt_archive, L"Security section checksum mismatch"};
  for (size_t i = kSecurityReservedAt; i < kSecuritySectionSize; ++i) {
    if (data[i] != 0) return Failure{StatusCode::corrupt_archive, L"Reserved security section bytes are not zero"};
  }
  SecuritySection section;
  section.kdfId = readU16le(data + kKdfIdAt);
  section.cipherId = readU16le(data + kCipherIdAt);
  section.kdfIterations = readU32le(data + kIterationsAt);
  std::memcpy(section.salt.data(), data + kSaltAt, section.salt.size());
  section.noncePrefix = readU32le(data + kNoncePrefixAt);
  std::memcpy(section.keyCheckTag.data(), data + kKeyCheckTagAt, section.keyCheckTag.size());
  if (section.kdfId != kKdfPbkdf2Sha256)
    return Failure{StatusCode::unsupported_version, L"Archive uses a key derivation function this build does not know"};
  if (section.cipherId != kCipherAes256Gcm)
    return Failure{StatusCode::unsupported_version, L"Archive uses a cipher this build does not know"};
  if (section.kdfIterations < kMinArchiveKdfIterations || section.kdfIterations > kMaxArchiveKdfIterations)
    return Failure{StatusCode::corrupt_archive, L"Archive declares an out-of-range KDF iteration count"};
  return section;
}

}  // namespace tolzeb
