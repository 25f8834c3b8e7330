// SHA-256 on Windows CNG (bcrypt). CNG takes 32-bit lengths, so data goes in 1 GiB pieces.
#include <windows.h>
// bcrypt.h needs the types windows.h declares.
#include <bcrypt.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "engine/core/sha256_platform.h"

namespace tolzeb {
namespace detail {

struct Sha256State {
  BCRYPT_HASH_HANDLE handle = nullptr;
  std::vector<uint8_t> hashObject;  // CNG's storage for the hash; holds no secret
};

namespace {

constexpr size_t kLargestHashPiece = size_t(1) << 30;

// A plain SHA-256 provider, apart from the HMAC one that PBKDF2 uses.
struct Sha256Service {
  BCRYPT_ALG_HANDLE provider = nullptr;
  DWORD objectLength = 0;
  DWORD digestLength = 0;
  bool usable = false;
};

Sha256Service service;
std::once_flag serviceOnce;

void closeSha256Provider() {
  if (service.provider != nullptr) BCryptCloseAlgorithmProvider(service.provider, 0);
  service = Sha256Service{};
}

bool openService() {
  ULONG written = 0;
  return BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&service.provider, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
         BCRYPT_SUCCESS(BCryptGetProperty(service.provider, BCRYPT_OBJECT_LENGTH,
                                          reinterpret_cast<PUCHAR>(&service.objectLength), sizeof service.objectLength,
                                          &written, 0)) &&
         BCRYPT_SUCCESS(BCryptGetProperty(service.provider, BCRYPT_HASH_LENGTH,
                                          reinterpret_cast<PUCHAR>(&service.digestLength), sizeof service.digestLength,
                                          &written, 0)) &&
         service.digestLength == kSha256DigestLength;
}

// Opened once per process; a failure is not retried.
const Sha256Service& sha256Service() {
  std::call_once(serviceOnce, [] {
    service.usable = openService();
    std::atexit(closeSha256Provider);
  });
  return service;
}

}  // namespace

Sha256State* makeSha256State() {
  const Sha256Service& s = sha256Service();
  if (!s.usable) return nullptr;
  auto* state = new Sha256State;
  state->hashObject.assign(s.objectLength, 0);
  if (!BCRYPT_SUCCESS(
          BCryptCreateHash(s.provider, &state->handle, state->hashObject.data(), s.objectLength, nullptr, 0, 0))) {
    destroySha256State(state);
    return nullptr;
  }
  return state;
}

void destroySha256State(Sha256State* state) {
  if (state == nullptr) return;
  if (state->handle != nullptr) BCryptDestroyHash(state->handle);
  delete state;
}

Status hashData(Sha256State& state, const uint8_t* data, size_t length) {
  while (length != 0) {
    size_t piece = std::min(length, kLargestHashPiece);
    if (!BCRYPT_SUCCESS(BCryptHashData(state.handle, const_cast<PUCHAR>(data), ULONG(piece), 0))) {
      return Status(StatusCode::general, L"BCryptHashData failed");
    }
    data += piece;
    length -= piece;
  }
  return {};
}

Status finishHash(Sha256State& state, uint8_t digest[32]) {
  if (!BCRYPT_SUCCESS(BCryptFinishHash(state.handle, digest, ULONG(kSha256DigestLength), 0))) {
    return Status(StatusCode::general, L"BCryptFinishHash failed");
  }
  return {};
}

}  // namespace detail
}  // namespace tolzeb
