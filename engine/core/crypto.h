// Cryptographic primitives of the container: PBKDF2-HMAC-SHA256 key derivation, AES-256-GCM
// with detached tags and authenticated data, random bytes and the 12-byte nonce layout.
// The system library's algorithm objects are opened once per process, on first use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/core/secure_bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

inline constexpr size_t kAesKeyLength = 32;
inline constexpr size_t kGcmNonceLength = 12;
inline constexpr size_t kGcmTagLength = 16;
inline constexpr size_t kNoncePrefixLength = 4;

inline constexpr uint32_t kPbkdf2MinIterations = 100'000;
inline constexpr uint32_t kPbkdf2MaxIterations = 10'000'000;
inline constexpr size_t kPbkdf2MaxKeyLength = 1024;
inline constexpr size_t kPbkdf2MaxSaltLength = 1024;

// Code 1 "CNG call failed: <apiName>", whichever library made the failing call.
Failure cngFailure(const wchar_t* apiName);

// Fills the buffer from the system's cryptographic generator. Length 0 succeeds without
// looking at the buffer.
Status randomBytes(void* buffer, size_t length);

// out = the 4 prefix bytes as stored, then `counter` least significant byte first.
void makeNonce(const uint8_t prefix[4], uint64_t counter, uint8_t out[12]);

// PBKDF2 with HMAC-SHA256 (RFC 8018) over the password bytes exactly as passed; an empty
// password is accepted. Key and salt take 1 to 1024 bytes, iterations 100,000 to 10,000,000.
Result<SecureBytes> deriveKeyPbkdf2(const uint8_t* password, size_t passwordLength, const uint8_t* salt,
                                    size_t saltLength, uint32_t iterations, size_t keyLength);

// One AES-256 key ready for GCM; its storage is wiped when it is destroyed. The layout belongs
// to the platform's implementation; a key never changes after it is made.
struct AesGcmKey;

// Destroys the key's library object, wipes its storage and frees the record. Null does nothing.
void destroyAesKey(AesGcmKey* key);

}  // namespace tolzeb

// Every std::unique_ptr<AesGcmKey> destroys its key through destroyAesKey.
template <>
struct std::default_delete<tolzeb::AesGcmKey> {
  void operator()(tolzeb::AesGcmKey* key) const noexcept { tolzeb::destroyAesKey(key); }
};

namespace tolzeb {

// Destroys and clears the key held by `key`, if any.
void releaseAesKey(std::unique_ptr<AesGcmKey>& key);

// Builds a key from 32 bytes. On success the key previously held by `key` is destroyed and
// replaced; on failure it stays as it was.
Status makeAesGcmKey(std::unique_ptr<AesGcmKey>& key, const uint8_t* keyBytes, size_t keyLength);

// GCM encryption (NIST SP 800-38D) of `length` bytes into `ciphertext` (same length) with a 96-bit
// nonce; the 128-bit tag goes to `tag`. Length 0 is allowed and yields only the tag.
Status aesGcmEncrypt(const std::unique_ptr<AesGcmKey>& key, const uint8_t nonce[12], const uint8_t* aad,
                     size_t aadLength, const uint8_t* plaintext, size_t length, uint8_t* ciphertext, uint8_t tag[16]);

// GCM decryption and tag check into `plaintext` (same length). Note the order: the tag comes
// before the output here. A wrong tag gives code 4; on any failure the output is zeroed.
Status aesGcmDecrypt(const std::unique_ptr<AesGcmKey>& key, const uint8_t nonce[12], const uint8_t* aad,
                     size_t aadLength, const uint8_t* ciphertext, size_t length, const uint8_t tag[16],
                     uint8_t* plaintext);

}  // namespace tolzeb
