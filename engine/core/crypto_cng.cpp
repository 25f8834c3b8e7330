// Cryptographic primitives on Windows CNG (bcrypt). CNG takes 32-bit lengths.
#include <windows.h>
// bcrypt.h needs the types windows.h declares.
#include <bcrypt.h>

#include <cstdlib>
#include <mutex>
#include <vector>

#include "engine/core/crypto_platform.h"
#include "engine/core/secure_bytes.h"

namespace tolzeb {

struct AesGcmKey {
  BCRYPT_KEY_HANDLE handle = nullptr;
  std::vector<uint8_t> keyObject;  // CNG keeps the key schedule here, sized by "ObjectLength"
};

void destroyAesKey(AesGcmKey* key) {
  if (key == nullptr) return;
  if (key->handle != nullptr) BCryptDestroyKey(key->handle);
  secureZero(key->keyObject.data(), key->keyObject.size());
  delete key;
}

namespace detail {

const uint64_t kLargestCryptoCall = 0xFFFFFFFFu;

namespace {

// mingw's headers lack it.
constexpr NTSTATUS kStatusAuthTagMismatch = NTSTATUS(0xC000A002L);

struct CryptoProviders {
  BCRYPT_ALG_HANDLE rng = nullptr;
  BCRYPT_ALG_HANDLE hmacSha256 = nullptr;  // the pseudo-random function of PBKDF2
  BCRYPT_ALG_HANDLE aes = nullptr;         // chaining mode set to GCM
  bool ready = false;
};

CryptoProviders providers;
std::once_flag providersOnce;

void closeCryptoProviders() {
  if (providers.rng != nullptr) BCryptCloseAlgorithmProvider(providers.rng, 0);
  if (providers.hmacSha256 != nullptr) BCryptCloseAlgorithmProvider(providers.hmacSha256, 0);
  if (providers.aes != nullptr) BCryptCloseAlgorithmProvider(providers.aes, 0);
  providers = CryptoProviders{};
}

bool openProviders() {
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&providers.rng, BCRYPT_RNG_ALGORITHM, nullptr, 0))) return false;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&providers.hmacSha256, BCRYPT_SHA256_ALGORITHM, nullptr,
                                                  BCRYPT_ALG_HANDLE_HMAC_FLAG))) {
    return false;
  }
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&providers.aes, BCRYPT_AES_ALGORITHM, nullptr, 0))) return false;
  static const wchar_t kGcm[] = BCRYPT_CHAIN_MODE_GCM;
  return BCRYPT_SUCCESS(BCryptSetProperty(providers.aes, BCRYPT_CHAINING_MODE,
                                          reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(kGcm)), sizeof kGcm, 0));
}

// Opened once per process; a failure is not retried.
const CryptoProviders& cngProviders() {
  std::call_once(providersOnce, [] {
    providers.ready = openProviders();
    std::atexit(closeCryptoProviders);
  });
  return providers;
}

// A null output pointer makes CNG treat the call as a size query and skip the tag check, so an
// empty message points at this byte instead and is authenticated like any other.
PUCHAR nonNull(const uint8_t* buffer, uint8_t& standIn) {
  return buffer != nullptr ? const_cast<PUCHAR>(buffer) : &standIn;
}

BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO gcmInfo(const uint8_t nonce[12], const uint8_t* aad, size_t aadLength,
                                              const uint8_t tag[16]) {
  BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
  BCRYPT_INIT_AUTH_MODE_INFO(info);
  info.pbNonce = const_cast<PUCHAR>(nonce);
  info.cbNonce = ULONG(kGcmNonceLength);
  info.pbAuthData = aadLength != 0 ? const_cast<PUCHAR>(aad) : nullptr;
  info.cbAuthData = ULONG(aadLength);
  info.pbTag = const_cast<PUCHAR>(tag);
  info.cbTag = ULONG(kGcmTagLength);
  return info;
}

}  // namespace

Status fillRandom(void* buffer, size_t length) {
  const CryptoProviders& p = cngProviders();
  if (!p.ready) return cngFailure(L"BCryptOpenAlgorithmProvider");
  if (!BCRYPT_SUCCESS(BCryptGenRandom(p.rng, static_cast<PUCHAR>(buffer), ULONG(length), 0))) {
    return cngFailure(L"BCryptGenRandom");
  }
  return {};
}

Status derivePbkdf2(const uint8_t* password, size_t passwordLength, const uint8_t* salt, size_t saltLength,
                    uint32_t iterations, uint8_t* key, size_t keyLength) {
  const CryptoProviders& p = cngProviders();
  if (!p.ready) return cngFailure(L"BCryptOpenAlgorithmProvider");
  if (!BCRYPT_SUCCESS(BCryptDeriveKeyPBKDF2(p.hmacSha256, const_cast<PUCHAR>(password), ULONG(passwordLength),
                                            const_cast<PUCHAR>(salt), ULONG(saltLength), iterations, key,
                                            ULONG(keyLength), 0))) {
    secureZero(key, keyLength);
    return cngFailure(L"BCryptDeriveKeyPBKDF2");
  }
  return {};
}

Result<std::unique_ptr<AesGcmKey>> newAesKey(const uint8_t keyBytes[32]) {
  const CryptoProviders& p = cngProviders();
  if (!p.ready) return cngFailure(L"BCryptOpenAlgorithmProvider");
  DWORD objectLength = 0;
  ULONG propertyLength = 0;
  if (!BCRYPT_SUCCESS(BCryptGetProperty(p.aes, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectLength),
                                        sizeof objectLength, &propertyLength, 0))) {
    return cngFailure(L"BCryptGetProperty(OBJECT_LENGTH)");
  }
  std::unique_ptr<AesGcmKey> key(new AesGcmKey);
  key->keyObject.assign(objectLength, 0);
  if (!BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(p.aes, &key->handle, key->keyObject.data(), objectLength,
                                                 const_cast<PUCHAR>(keyBytes), ULONG(kAesKeyLength), 0))) {
    return cngFailure(L"BCryptGenerateSymmetricKey");  // `key` is destroyed and wiped on the way out
  }
  return key;
}

bool hasKeyHandle(const AesGcmKey& key) { return key.handle != nullptr; }

// One call per message: CNG's chained GCM calls are not used, since some implementations give
// wrong output for them without reporting an error.
Result<size_t> gcmEncrypt(const AesGcmKey& key, const uint8_t nonce[12], const uint8_t* aad, size_t aadLength,
                          const uint8_t* plaintext, size_t length, uint8_t* ciphertext, uint8_t tag[16]) {
  BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = gcmInfo(nonce, aad, aadLength, tag);
  uint8_t standIn = 0;
  ULONG written = 0;
  if (!BCRYPT_SUCCESS(BCryptEncrypt(key.handle, nonNull(plaintext, standIn), ULONG(length), &info, nullptr, 0,
                                    nonNull(ciphertext, standIn), ULONG(length), &written, 0))) {
    return cngFailure(L"BCryptEncrypt");
  }
  return size_t(written);
}

Result<size_t> gcmDecrypt(const AesGcmKey& key, const uint8_t nonce[12], const uint8_t* aad, size_t aadLength,
                          const uint8_t* ciphertext, size_t length, const uint8_t tag[16], uint8_t* plaintext) {
  BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info = gcmInfo(nonce, aad, aadLength, tag);
  uint8_t standIn = 0;
  ULONG written = 0;
  NTSTATUS status = BCryptDecrypt(key.handle, nonNull(ciphertext, standIn), ULONG(length), &info, nullptr, 0,
                                  nonNull(plaintext, standIn), ULONG(length), &written, 0);
  if (status == kStatusAuthTagMismatch) return authenticationFailure();
  if (!BCRYPT_SUCCESS(status)) return cngFailure(L"BCryptDecrypt");
  return size_t(written);
}

}  // namespace detail
}  // namespace tolzeb
