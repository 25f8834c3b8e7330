// Cryptographic primitives on OpenSSL's libcrypto, the stand-in for the Windows library where it
// does not exist. OpenSSL takes int lengths, so nothing longer than INT_MAX reaches it.
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>
#include <cstdlib>
#include <mutex>

#include "engine/core/crypto_platform.h"
#include "engine/core/secure_bytes.h"

namespace tolzeb {

struct AesGcmKey {
  uint8_t keyBytes[kAesKeyLength] = {};
  bool hasKey = false;
};

void destroyAesKey(AesGcmKey* key) {
  if (key == nullptr) return;
  secureZero(key->keyBytes, sizeof key->keyBytes);
  delete key;
}

namespace detail {

const uint64_t kLargestCryptoCall = INT_MAX;

namespace {

// The process-wide algorithm objects, fetched once so no call pays for a lookup.
struct CryptoProviders {
  EVP_RAND_CTX* rng = nullptr;   // the primary generator, owned by OpenSSL; it seeds RAND_bytes
  EVP_MD* hmacSha256 = nullptr;  // the digest under PBKDF2's HMAC
  EVP_CIPHER* aes = nullptr;     // AES-256 in GCM mode
  bool ready = false;
};

CryptoProviders providers;
std::once_flag providersOnce;

// Runs at exit before OpenSSL's own cleanup, which was registered earlier by the first fetch.
void closeCryptoProviders() {
  EVP_MD_free(providers.hmacSha256);
  EVP_CIPHER_free(providers.aes);
  providers = CryptoProviders{};
}

const CryptoProviders& cngProviders() {
  std::call_once(providersOnce, [] {
    providers.rng = RAND_get0_primary(nullptr);
    if (providers.rng != nullptr) providers.hmacSha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    if (providers.hmacSha256 != nullptr) providers.aes = EVP_CIPHER_fetch(nullptr, "AES-256-GCM", nullptr);
    providers.ready = providers.aes != nullptr;
    if (!providers.ready) ERR_clear_error();
    std::atexit(closeCryptoProviders);
  });
  return providers;
}

// The library's error queue is per thread: clear what a failed call left, so it cannot be
// mistaken later for the cause of another failure.
Failure libraryFailure(const wchar_t* apiName) {
  ERR_clear_error();
  return cngFailure(apiName);
}

class CipherContext {
 public:
  CipherContext() : context_(EVP_CIPHER_CTX_new()) {}
  ~CipherContext() { EVP_CIPHER_CTX_free(context_); }  // also wipes the key schedule
  CipherContext(const CipherContext&) = delete;
  CipherContext& operator=(const CipherContext&) = delete;
  EVP_CIPHER_CTX* get() const { return context_; }

 private:
  EVP_CIPHER_CTX* context_;
};

}  // namespace

Status fillRandom(void* buffer, size_t length) {
  if (!cngProviders().ready) return cngFailure(L"BCryptOpenAlgorithmProvider");
  if (RAND_bytes(static_cast<unsigned char*>(buffer), int(length)) != 1) return libraryFailure(L"RAND_bytes");
  return {};
}

Status derivePbkdf2(const uint8_t* password, size_t passwordLength, const uint8_t* salt, size_t saltLength,
                    uint32_t iterations, uint8_t* key, size_t keyLength) {
  const CryptoProviders& p = cngProviders();
  if (!p.ready) return cngFailure(L"BCryptOpenAlgorithmProvider");
  // A null password would make OpenSSL measure it with strlen; an empty one is valid.
  const char* passwordText = password ? reinterpret_cast<const char*>(password) : "";
  if (PKCS5_PBKDF2_HMAC(passwordText, int(passwordLength), salt, int(saltLength), int(iterations), p.hmacSha256,
                        int(keyLength), key) != 1) {
    secureZero(key, keyLength);
    return libraryFailure(L"PKCS5_PBKDF2_HMAC");
  }
  return {};
}

Result<std::unique_ptr<AesGcmKey>> newAesKey(const uint8_t keyBytes[32]) {
  if (!cngProviders().ready) return cngFailure(L"BCryptOpenAlgorithmProvider");
  std::unique_ptr<AesGcmKey> key(new AesGcmKey);
  for (size_t i = 0; i < kAesKeyLength; ++i) key->keyBytes[i] = keyBytes[i];
  key->hasKey = true;
  return key;
}

bool hasKeyHandle(const AesGcmKey& key) { return key.hasKey; }

// Each call gets a context of its own, so one key serves any number of threads. GCM's default
// nonce length is the 12 bytes we use.
Result<size_t> gcmEncrypt(const AesGcmKey& key, const uint8_t nonce[12], const uint8_t* aad, size_t aadLength,
                          const uint8_t* plaintext, size_t length, uint8_t* ciphertext, uint8_t tag[16]) {
  CipherContext context;
  EVP_CIPHER_CTX* ctx = context.get();
  if (ctx == nullptr) return libraryFailure(L"EVP_CIPHER_CTX_new");
  if (EVP_EncryptInit_ex2(ctx, cngProviders().aes, key.keyBytes, nonce, nullptr) != 1) {
    return libraryFailure(L"EVP_EncryptInit_ex2");
  }
  int ignored = 0;
  if (aadLength != 0 && EVP_EncryptUpdate(ctx, nullptr, &ignored, aad, int(aadLength)) != 1) {
    return libraryFailure(L"EVP_EncryptUpdate");
  }
  int produced = 0;
  if (length != 0 && EVP_EncryptUpdate(ctx, ciphertext, &produced, plaintext, int(length)) != 1) {
    return libraryFailure(L"EVP_EncryptUpdate");
  }
  uint8_t unused[16];  // GCM writes nothing at the end; the pointer only has to be valid
  int tail = 0;
  if (EVP_EncryptFinal_ex(ctx, unused, &tail) != 1) return libraryFailure(L"EVP_EncryptFinal_ex");
  if (EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_AEAD_GET_TAG, int(kGcmTagLength), tag) != 1) {
    return libraryFailure(L"EVP_CIPHER_CTX_ctrl");
  }
  return size_t(produced) + size_t(tail);
}

Result<size_t> gcmDecrypt(const AesGcmKey& key, const uint8_t nonce[12], const uint8_t* aad, size_t aadLength,
                          const uint8_t* ciphertext, size_t length, const uint8_t tag[16], uint8_t* plaintext) {
  CipherContext context;
  EVP_CIPHER_CTX* ctx = context.get();
  if (ctx == nullptr) return libraryFailure(L"EVP_CIPHER_CTX_new");
  if (EVP_DecryptInit_ex2(ctx, cngProviders().aes, key.keyBytes, nonce, nullptr) != 1) {
    return libraryFailure(L"EVP_DecryptInit_ex2");
  }
  int ignored = 0;
  if (aadLength != 0 && EVP_DecryptUpdate(ctx, nullptr, &ignored, aad, int(aadLength)) != 1) {
    return libraryFailure(L"EVP_DecryptUpdate");
  }
  int produced = 0;
  if (length != 0 && EVP_DecryptUpdate(ctx, plaintext, &produced, ciphertext, int(length)) != 1) {
    return libraryFailure(L"EVP_DecryptUpdate");
  }
  if (EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_AEAD_SET_TAG, int(kGcmTagLength), const_cast<uint8_t*>(tag)) != 1) {
    return libraryFailure(L"EVP_CIPHER_CTX_ctrl");
  }
  // With the tag set, the final step is the tag comparison: its refusal is a mismatch.
  uint8_t unused[16];
  int tail = 0;
  if (EVP_DecryptFinal_ex(ctx, unused, &tail) != 1) {
    ERR_clear_error();
    return authenticationFailure();
  }
  return size_t(produced) + size_t(tail);
}

}  // namespace detail
}  // namespace tolzeb
