// The encryption state of one archive being written: the AES-256-GCM key made from the password,
// the security section that will tell a reader how to derive it again, and the archive id that
// every sealed object's authenticated data carries.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/container/archive_records.h"
#include "engine/core/bytes.h"
#include "engine/core/crypto.h"
#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

struct EncryptionState {
  bool encrypted = false;
  std::unique_ptr<AesGcmKey> key;  // destroyed and wiped with the state
  SecuritySection security;
  ArchiveId archiveId{};
};

// Not encrypted when the password is null or empty; otherwise a fresh salt and nonce prefix,
// and the key derived with the given iteration count. The derived key bytes are wiped on return.
Result<EncryptionState> prepareEncryption(const ArchiveId& archiveId, const Password& password,
                                          uint32_t kdfIterations);

// `out` = the ciphertext of `length` bytes followed by the 16-byte tag, under the archive's nonce
// prefix and `counter`.
Status sealSection(const EncryptionState& state, uint64_t counter, const std::vector<uint8_t>& authenticatedData,
                   const uint8_t* bytes, uint64_t length, std::vector<uint8_t>& out);

// The tag of the empty message that lets a reader check the password against the final header.
Status makeKeyCheck(EncryptionState& state, const uint8_t header[kHeaderSize]);

}  // namespace tolzeb
