// Argument checks, messages and wiping shared by both builds; the library calls are in
// crypto_cng.cpp (Windows) and crypto_openssl.cpp (elsewhere).
#include "engine/core/crypto.h"

#include <string>
#include <utility>

#include "engine/core/bytes.h"
#include "engine/core/crypto_platform.h"

namespace tolzeb {

namespace detail {
Failure authenticationFailure() {
  return Failure{StatusCode::authentication_failed, L"Authentication failed: wrong password, or the data was altered"};
}
}  // namespace detail

Failure cngFailure(const wchar_t* apiName) {
  return Failure{StatusCode::general, L"CNG call failed: " + std::wstring(apiName)};
}

Status randomBytes(void* buffer, size_t length) {
  if (length == 0) return {};
  if (buffer == nullptr) return Status(StatusCode::invalid_argument, L"randomBytes: null buffer");
  if (length > detail::kLargestCryptoCall) {
    return Status(StatusCode::invalid_argument, L"randomBytes: request too large");
  }
  return detail::fillRandom(buffer, length);
}

void makeNonce(const uint8_t prefix[4], uint64_t counter, uint8_t out[12]) {
  for (size_t i = 0; i < kNoncePrefixLength; ++i) out[i] = prefix[i];
  writeU64le(out + kNoncePrefixLength, counter);
}

Result<SecureBytes> deriveKeyPbkdf2(const uint8_t* password, size_t passwordLength, const uint8_t* salt,
                                    size_t saltLength, uint32_t iterations, size_t keyLength) {
  if (keyLength < 1 || keyLength > kPbkdf2MaxKeyLength) {
    return Failure{StatusCode::invalid_argument, L"PBKDF2: unreasonable key size"};
  }
  if (iterations < kPbkdf2MinIterations || iterations > kPbkdf2MaxIterations) {
    return Failure{StatusCode::invalid_argument, L"PBKDF2: iteration count outside the range this build accepts"};
  }
  if (salt == nullptr || saltLength < 1 || saltLength > kPbkdf2MaxSaltLength) {
    return Failure{StatusCode::invalid_argument, L"PBKDF2: bad salt"};
  }
  if (passwordLength > detail::kLargestCryptoCall) {
    return Failure{StatusCode::invalid_argument, L"PBKDF2: password too long"};
  }
  // The library writes straight into the result's storage, so no copy of the key is left behind;
  // on failure that storage is wiped as it goes.
  SecureBytes key(nullptr, keyLength);
  Status derived = detail::derivePbkdf2(password, passwordLength, salt, saltLength, iterations, key.data(), keyLength);
  if (derived.failed()) return std::move(derived).failure();
  return key;
}

void releaseAesKey(std::unique_ptr<AesGcmKey>& key) { key.reset(); }

Status makeAesGcmKey(std::unique_ptr<AesGcmKey>& key, const uint8_t* keyBytes, size_t keyLength) {
  if (keyLength != kAesKeyLength) {
    return Status(StatusCode::invalid_argument, L"AES-GCM: this format uses 256-bit keys");
  }
  TOLZEB_ASSIGN_OR_RETURN(std::unique_ptr<AesGcmKey> made, detail::newAesKey(keyBytes));
  key = std::move(made);
  return {};
}

Status aesGcmEncrypt(const std::unique_ptr<AesGcmKey>& key, const uint8_t nonce[12], const uint8_t* aad,
                     size_t aadLength, const uint8_t* plaintext, size_t length, uint8_t* ciphertext, uint8_t tag[16]) {
  if (!key || !detail::hasKeyHandle(*key)) return Status(StatusCode::invalid_argument, L"AES-GCM: no key");
  if (tag == nullptr) return Status(StatusCode::invalid_argument, L"AES-GCM: no tag buffer");
  if (length > detail::kLargestCryptoCall || aadLength > detail::kLargestCryptoCall) {
    return Status(StatusCode::invalid_argument, L"AES-GCM: message too large");
  }
  TOLZEB_ASSIGN_OR_RETURN(size_t written,
                          detail::gcmEncrypt(*key, nonce, aad, aadLength, plaintext, length, ciphertext, tag));
  if (written != length) return Status(StatusCode::general, L"AES-GCM: unexpected ciphertext length");
  return {};
}

Status aesGcmDecrypt(const std::unique_ptr<AesGcmKey>& key, const uint8_t nonce[12], const uint8_t* aad,
                     size_t aadLength, const uint8_t* ciphertext, size_t length, const uint8_t tag[16],
                     uint8_t* plaintext) {
  if (!key || !detail::hasKeyHandle(*key)) return Status(StatusCode::invalid_argument, L"AES-GCM: no key");
  if (tag == nullptr) return Status(StatusCode::invalid_argument, L"AES-GCM: no tag");
  if (length > detail::kLargestCryptoCall || aadLength > detail::kLargestCryptoCall) {
    return Status(StatusCode::invalid_argument, L"AES-GCM: message too large");
  }
  // Libraries write plaintext before they check the tag: nothing unauthenticated may survive.
  Result<size_t> written = detail::gcmDecrypt(*key, nonce, aad, aadLength, ciphertext, length, tag, plaintext);
  if (written.failed()) {
    secureZero(plaintext, length);
    return std::move(written).failure();
  }
  if (written.value() != length) {
    secureZero(plaintext, length);
    return Status(StatusCode::general, L"AES-GCM: unexpected plaintext length");
  }
  return {};
}

}  // namespace tolzeb
