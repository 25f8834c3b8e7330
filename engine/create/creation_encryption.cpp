#include "engine/create/creation_encryption.h"

#include "engine/container/container_format.h"
#include "engine/container/sealing.h"

namespace tolzeb {
namespace {

void nonceFor(const EncryptionState& state, uint64_t counter, uint8_t nonce[12]) {
  uint8_t prefix[4];
  writeU32le(prefix, state.security.noncePrefix);  // the bytes as the security section stores them
  makeNonce(prefix, counter, nonce);
}

}  // namespace

Result<EncryptionState> prepareEncryption(const ArchiveId& archiveId, const Password& password,
                                          uint32_t kdfIterations) {
  EncryptionState state;
  state.archiveId = archiveId;
  state.security.kdfId = kKdfPbkdf2Sha256;
  state.security.cipherId = kCipherAes256Gcm;
  if (!password || password->empty()) return state;

  state.security.kdfIterations = kdfIterations;
  TOLZEB_TRY(randomBytes(state.security.salt.data(), state.security.salt.size()));
  uint8_t prefix[4];
  TOLZEB_TRY(randomBytes(prefix, sizeof prefix));
  state.security.noncePrefix = readU32le(prefix);
  TOLZEB_ASSIGN_OR_RETURN(SecureBytes keyBytes,
                          deriveKeyPbkdf2(password->data(), password->size(), state.security.salt.data(),
                                          state.security.salt.size(), kdfIterations, kArchiveKeySize));
  TOLZEB_TRY(makeAesGcmKey(state.key, keyBytes.data(), keyBytes.size()));
  state.encrypted = true;
  return state;
}

Status sealSection(const EncryptionState& state, uint64_t counter, const std::vector<uint8_t>& authenticatedData,
                   const uint8_t* bytes, uint64_t length, std::vector<uint8_t>& out) {
  out.resize(length + kTagSize);
  uint8_t nonce[12];
  nonceFor(state, counter, nonce);
  return aesGcmEncrypt(state.key, nonce, authenticatedData.data(), authenticatedData.size(), bytes, length,
                       out.data(), out.data() + length);
}

Status makeKeyCheck(EncryptionState& state, const uint8_t header[kHeaderSize]) {
  const Bytes aad = keyCheckAuthData(header);
  uint8_t nonce[12];
  nonceFor(state, kKeyCheckCounter, nonce);
  return aesGcmEncrypt(state.key, nonce, aad.data(), aad.size(), nullptr, 0, nullptr,
                       state.security.keyCheckTag.data());
}

}  // namespace tolzeb
