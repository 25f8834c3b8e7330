#include "engine/container/sealing.h"

#include <cstring>
#include <memory>

#include "engine/core/crypto.h"

namespace tolzeb {

namespace {


void appendLabel(Bytes& out, std::string_view label) { out.insert(out.end(), label.begin(), label.end()); }

void nonceFor(uint32_t noncePrefix, uint64_t counter, uint8_t nonce[12]) {
  uint8_t prefix[4];
  writeU32le(prefix, noncePrefix);  // the prefix bytes exactly as the security section stores them
  makeNonce(prefix, counter, nonce);
}

Result<std::unique_ptr<AesGcmKey>> keyObject(const SecureBytes& key) {
  std::unique_ptr<AesGcmKey> object;
  TOLZEB_TRY(makeAesGcmKey(object, key.data(), key.size()));
  return object;
}

}  // namespace

Bytes blockAuthData(const ArchiveId& archiveId, uint64_t chunkIndex, uint32_t decodedSize, uint8_t codec) {
  Bytes aad;
  aad.reserve(43);
  appendLabel(aad, kBlockAuthLabel);
  aad.insert(aad.end(), archiveId.begin(), archiveId.end());
  appendU64le(aad, chunkIndex);
  appendU32le(aad, decodedSize);
  aad.push_back(codec);
  return aad;
}

Bytes sectionAuthData(const ArchiveId& archiveId, std::string_view label, uint64_t plaintextLength) {
  Bytes aad;
  aad.reserve(label.size() + 24);
  appendLabel(aad, label);
  aad.insert(aad.end(), archiveId.begin(), archiveId.end());
  appendU64le(aad, plaintextLength);
  return aad;
}

Bytes keyCheckAuthData(const uint8_t header[kHeaderSize]) {
  Bytes aad;
  aad.reserve(sizeof(kKeyCheckAuthLabel) - 1 + kHeaderSize);
  appendLabel(aad, kKeyCheckAuthLabel);
  size_t at = aad.size();
  aad.insert(aad.end(), header, header + kHeaderSize);
  uint8_t* bound = aad.data() + at;
  writeU32le(bound + kHeaderFlagsAt, readU32le(bound + kHeaderFlagsAt) & ~kFlagRecoveryRecord);
  writeU32le(bound + kHeaderCrcAt, 0);
  writeU64le(bound + kHeaderRecoveryOffsetAt, 0);
  return aad;
}

Result<SecureBytes> deriveArchiveKey(const SecureBytes& password, const SecuritySection& security) {
  return deriveKeyPbkdf2(password.data(), password.size(), security.salt.data(), security.salt.size(),
                         security.kdfIterations, kArchiveKeySize);
}

Result<Bytes> sealObject(const SecureBytes& key, uint32_t noncePrefix, uint64_t counter, const Bytes& aad,
                         const uint8_t* plaintext, size_t length) {
  TOLZEB_ASSIGN_OR_RETURN(std::unique_ptr<AesGcmKey> object, keyObject(key));
  uint8_t nonce[kGcmNonceLength];
  nonceFor(noncePrefix, counter, nonce);
  Bytes sealed(length + kTagSize);
  static const uint8_t kNothing = 0;  // the library is never handed a null pointer, even for 0 bytes
  TOLZEB_TRY(aesGcmEncrypt(object, nonce, aad.data(), aad.size(), length ? plaintext : &kNothing, length, sealed.data(),
                           sealed.data() + length));
  return sealed;
}

Result<std::array<uint8_t, kTagSize>> makeKeyCheckTag(const SecureBytes& key, uint32_t noncePrefix,
                                                      const uint8_t header[kHeaderSize]) {
  TOLZEB_ASSIGN_OR_RETURN(Bytes sealed,
                          sealObject(key, noncePrefix, kKeyCheckCounter, keyCheckAuthData(header), nullptr, 0));
  std::array<uint8_t, kTagSize> tag;
  std::memcpy(tag.data(), sealed.data(), kTagSize);
  return tag;
}

Status verifyKeyCheck(const SecureBytes& key, const SecuritySection& security, const uint8_t header[kHeaderSize]) {
  TOLZEB_ASSIGN_OR_RETURN(std::unique_ptr<AesGcmKey> object, keyObject(key));
  uint8_t nonce[kGcmNonceLength];
  nonceFor(security.noncePrefix, kKeyCheckCounter, nonce);
  Bytes aad = keyCheckAuthData(header);
  uint8_t input = 0, output = 0;  // non-null buffers for the empty message
  Status status = aesGcmDecrypt(object, nonce, aad.data(), aad.size(), &input, 0, security.keyCheckTag.data(), &output);
  if (status.failed() && status.code() == StatusCode::authentication_failed)
    return Status(StatusCode::authentication_failed, L"Wrong password, or this archive's header has been altered");
  return status;
}

Status openSealedObject(const SecureBytes& key, uint32_t noncePrefix, uint64_t counter, const Bytes& aad, Bytes& sealed,
                        const std::wstring& label) {
  if (sealed.size() < kTagSize)
    return Status(StatusCode::corrupt_archive, label + L" is too short to carry an authentication tag");
  uint8_t nonce[kGcmNonceLength];
  nonceFor(noncePrefix, counter, nonce);
  TOLZEB_ASSIGN_OR_RETURN(std::unique_ptr<AesGcmKey> object, keyObject(key));
  size_t length = sealed.size() - kTagSize;
  Bytes plaintext(length ? length : 1);
  Status status = aesGcmDecrypt(object, nonce, aad.data(), aad.size(), sealed.data(), length, sealed.data() + length,
                                plaintext.data());
  if (status.failed()) {
    secureZero(plaintext.data(), plaintext.size());
    return status;
  }
  plaintext.resize(length);
  sealed = std::move(plaintext);
  return Status();
}

}  // namespace tolzeb
