// SHA-256 on OpenSSL's libcrypto, the stand-in for the Windows library where it does not exist.
#include <openssl/err.h>
#include <openssl/evp.h>

#include <cstdlib>
#include <mutex>

#include "engine/core/sha256_platform.h"

namespace tolzeb {
namespace detail {

struct Sha256State {
  EVP_MD_CTX* context = nullptr;
};

namespace {

// Kept apart from the digest under PBKDF2, like the Windows build's two providers.
struct Sha256Service {
  EVP_MD* digest = nullptr;
  bool usable = false;
};

Sha256Service service;
std::once_flag serviceOnce;

// Runs at exit before OpenSSL's own cleanup, which was registered earlier by the fetch.
void closeSha256Provider() {
  EVP_MD_free(service.digest);
  service = Sha256Service{};
}

const Sha256Service& sha256Service() {
  std::call_once(serviceOnce, [] {
    service.digest = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    service.usable = service.digest != nullptr && EVP_MD_get_size(service.digest) == int(kSha256DigestLength);
    if (!service.usable) ERR_clear_error();
    std::atexit(closeSha256Provider);
  });
  return service;
}

Failure hashFailure(const wchar_t* text) {
  ERR_clear_error();  // the queue is per thread; leave nothing to blame on a later call
  return Failure{StatusCode::general, text};
}

}  // namespace

Sha256State* makeSha256State() {
  const Sha256Service& s = sha256Service();
  if (!s.usable) return nullptr;
  auto* state = new Sha256State;
  state->context = EVP_MD_CTX_new();
  if (state->context == nullptr || EVP_DigestInit_ex2(state->context, s.digest, nullptr) != 1) {
    ERR_clear_error();
    destroySha256State(state);
    return nullptr;
  }
  return state;
}

void destroySha256State(Sha256State* state) {
  if (state == nullptr) return;
  EVP_MD_CTX_free(state->context);
  delete state;
}

Status hashData(Sha256State& state, const uint8_t* data, size_t length) {
  if (EVP_DigestUpdate(state.context, data, length) != 1) return hashFailure(L"EVP_DigestUpdate failed");
  return {};
}

Status finishHash(Sha256State& state, uint8_t digest[32]) {
  unsigned int written = 0;
  if (EVP_DigestFinal_ex(state.context, digest, &written) != 1 || written != kSha256DigestLength) {
    return hashFailure(L"EVP_DigestFinal_ex failed");
  }
  return {};
}

}  // namespace detail
}  // namespace tolzeb
