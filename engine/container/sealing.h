// Sealing of a ".zeb": AES-256-GCM over every chunk payload and over the dictionary section, the
// chunk table and the manifest, under one PBKDF2-derived key. A sealed object is the ciphertext
// followed by its 16-byte tag; its nonce is the archive's 4-byte prefix followed by the object's
// counter, and its authenticated data ties it to the archive id and to its place in the archive.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/container/archive_records.h"
#include "engine/core/bytes.h"
#include "engine/core/secure_bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

// "TOLZEB-BLOCK-1", archive id, chunk index, decoded size, codec: 43 bytes.
Bytes blockAuthData(const ArchiveId& archiveId, uint64_t chunkIndex, uint32_t decodedSize, uint8_t codec);

// The label, the archive id and the section's plaintext length.
Bytes sectionAuthData(const ArchiveId& archiveId, std::string_view label, uint64_t plaintextLength);

// "TOLZEB-KEYCHECK-1" and the 128 header bytes with the header CRC, the recovery-record flag and
// the recovery offset zeroed: adding a recovery record later rewrites exactly those fields, and
// must not lock the archive's own password out. 145 bytes.
Bytes keyCheckAuthData(const uint8_t header[kHeaderSize]);

// PBKDF2-HMAC-SHA256 over the password bytes with the section's salt and iteration count.
Result<SecureBytes> deriveArchiveKey(const SecureBytes& password, const SecuritySection& security);

// Write side: the sealed form (ciphertext then tag) of `length` plaintext bytes.
Result<Bytes> sealObject(const SecureBytes& key, uint32_t noncePrefix, uint64_t counter, const Bytes& aad,
                         const uint8_t* plaintext, size_t length);

// Write side, once every other header field is final: the tag of the empty message under the
// key-check counter and keyCheckAuthData(header).
Result<std::array<uint8_t, kTagSize>> makeKeyCheckTag(const SecureBytes& key, uint32_t noncePrefix,
                                                      const uint8_t header[kHeaderSize]);

// Read side: a tag mismatch is code 4 "Wrong password, or this archive's header has been altered";
// a failure of the cryptography library keeps its own code.
Status verifyKeyCheck(const SecureBytes& key, const SecuritySection& security, const uint8_t header[kHeaderSize]);

// Read side: replaces the sealed bytes by their plaintext. 15 bytes or fewer give code 3
// `label` + " is too short to carry an authentication tag"; a tag mismatch is code 4. Failed
// plaintext is wiped.
Status openSealedObject(const SecureBytes& key, uint32_t noncePrefix, uint64_t counter, const Bytes& aad, Bytes& sealed,
                        const std::wstring& label);

}  // namespace tolzeb
