// The calls each platform's cryptographic library makes for crypto.cpp, which owns the argument
// checks, the messages and the wiping of failed output. Not for use outside the crypto files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/core/crypto.h"
#include "engine/core/status.h"

namespace tolzeb::detail {

// The longest buffer one library call takes; longer requests are refused, never truncated.
extern const uint64_t kLargestCryptoCall;

// Code 4 with the text for a tag that does not match.
Failure authenticationFailure();

// Every function below fails with cngFailure(<the failing call>) unless it says otherwise.
Status fillRandom(void* buffer, size_t length);
Status derivePbkdf2(const uint8_t* password, size_t passwordLength, const uint8_t* salt, size_t saltLength,
                    uint32_t iterations, uint8_t* key, size_t keyLength);
Result<std::unique_ptr<AesGcmKey>> newAesKey(const uint8_t keyBytes[32]);
bool hasKeyHandle(const AesGcmKey& key);

// Both return the output length the library reports. A wrong tag gives authenticationFailure().
Result<size_t> gcmEncrypt(const AesGcmKey& key, const uint8_t nonce[12], const uint8_t* aad, size_t aadLength,
                          const uint8_t* plaintext, size_t length, uint8_t* ciphertext, uint8_t tag[16]);
Result<size_t> gcmDecrypt(const AesGcmKey& key, const uint8_t nonce[12], const uint8_t* aad, size_t aadLength,
                          const uint8_t* ciphertext, size_t length, const uint8_t tag[16], uint8_t* plaintext);

}  // namespace tolzeb::detail
