#include "engine/container/sealing.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/container/container_format.h"
#include "test_archive.h"

namespace tolzeb {
namespace {

using testing::idZeroToFifteen;
using testing::narrow;

SecureBytes keyZeroTo31() {
  uint8_t bytes[32];
  for (int i = 0; i < 32; ++i) bytes[i] = uint8_t(i);
  return SecureBytes(bytes, 32);
}

Bytes labelBytes(const char* label) { return Bytes(label, label + std::char_traits<char>::length(label)); }

TEST(SealingTest, AuthenticatedDataLayouts) {
  const ArchiveId id = idZeroToFifteen();
  Bytes block = blockAuthData(id, 0x0102030405060708ull, 0x00400000, kCodecVeltHuff);
  ASSERT_EQ(block.size(), 43u);
  EXPECT_EQ(Bytes(block.begin(), block.begin() + 14), labelBytes("TOLZEB-BLOCK-1"));
  EXPECT_EQ(Bytes(block.begin() + 14, block.begin() + 30), Bytes(id.begin(), id.end()));
  EXPECT_EQ(Bytes(block.begin() + 30, block.end()),
            (Bytes{8, 7, 6, 5, 4, 3, 2, 1, 0x00, 0x00, 0x40, 0x00, kCodecVeltHuff}));

  EXPECT_EQ(sectionAuthData(id, kManifestAuthLabel, 12).size(), 41u);
  EXPECT_EQ(sectionAuthData(id, kChunkTableAuthLabel, 80).size(), 43u);
  Bytes dictionary = sectionAuthData(id, kDictionaryAuthLabel, 0x1234);
  ASSERT_EQ(dictionary.size(), 43u);
  EXPECT_EQ(Bytes(dictionary.end() - 8, dictionary.end()), (Bytes{0x34, 0x12, 0, 0, 0, 0, 0, 0}));
}

TEST(SealingTest, KeyCheckBindsTheHeaderExceptItsCrcAndTheRecoveryFields) {
  ArchiveHeader header;
  header.flags = kFlagEncrypted | kFlagChunkHashes;
  header.archiveId = idZeroToFifteen();
  uint8_t plain[kHeaderSize];
  header.serialize(plain);
  header.flags |= kFlagRecoveryRecord;
  header.recoveryOffset = 0x123456;
  uint8_t protectedHeader[kHeaderSize];
  header.serialize(protectedHeader);

  Bytes aad = keyCheckAuthData(plain);
  ASSERT_EQ(aad.size(), 145u);
  EXPECT_EQ(Bytes(aad.begin(), aad.begin() + 17), labelBytes("TOLZEB-KEYCHECK-1"));
  Bytes expected(plain, plain + kHeaderSize);
  std::fill(expected.begin() + 112, expected.begin() + 116, 0);
  EXPECT_EQ(Bytes(aad.begin() + 17, aad.end()), expected);
  EXPECT_EQ(keyCheckAuthData(protectedHeader), aad);

  header.totalBytes = 1;
  uint8_t altered[kHeaderSize];
  header.serialize(altered);
  EXPECT_NE(keyCheckAuthData(altered), aad);
}

TEST(SealingTest, NonceIsThePrefixAsStoredThenTheCounter) {
  // AES-256-GCM, key 00..1F, nonce 01 02 03 04 FD FF FF FF FF FF FF FF, AAD "TOLZEB-KEYCHECK-1",
  // empty message: tag computed independently with OpenSSL and with the system library under Wine.
  const Bytes expectedTag = {0x9d, 0xd4, 0xbc, 0x6a, 0x35, 0x29, 0xef, 0x5f,
                             0xb5, 0x9d, 0xbf, 0xba, 0xdc, 0xc3, 0x3b, 0xdc};
  Result<Bytes> sealed =
      sealObject(keyZeroTo31(), 0x04030201, kKeyCheckCounter, labelBytes(kKeyCheckAuthLabel), nullptr, 0);
  ASSERT_TRUE(sealed.hasValue()) << narrow(sealed.failure().message);
  EXPECT_EQ(*sealed, expectedTag);
}

TEST(SealingTest, OpeningSealedObjects) {
  const SecureBytes key = keyZeroTo31();
  const Bytes aad = sectionAuthData(idZeroToFifteen(), kManifestAuthLabel, 5);
  const Bytes plain = {'h', 'e', 'l', 'l', 'o'};
  Bytes sealed = *sealObject(key, 7, kManifestCounter, aad, plain.data(), plain.size());
  ASSERT_EQ(sealed.size(), plain.size() + 16);

  Bytes opened = sealed;
  ASSERT_FALSE(openSealedObject(key, 7, kManifestCounter, aad, opened, L"Manifest").failed());
  EXPECT_EQ(opened, plain);

  Bytes empty = *sealObject(key, 7, 3, aad, nullptr, 0);
  ASSERT_EQ(empty.size(), 16u);
  ASSERT_FALSE(openSealedObject(key, 7, 3, aad, empty, L"Chunk 3").failed());
  EXPECT_TRUE(empty.empty());

  const std::wstring altered = L"Authentication failed: wrong password, or the data was altered";
  struct Case {
    const char* name;
    Bytes bytes;
    uint64_t counter;
    uint32_t prefix;
    std::wstring message;
  };
  Bytes flipped = sealed;
  flipped[1] ^= 1;
  const Case cases[] = {
      {"15 bytes", Bytes(15, 0), kManifestCounter, 7, L"Manifest is too short to carry an authentication tag"},
      {"flipped ciphertext", flipped, kManifestCounter, 7, altered},
      {"other counter", sealed, kChunkTableCounter, 7, altered},
      {"other prefix", sealed, kManifestCounter, 8, altered},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = c.bytes;
    Status status = openSealedObject(key, c.prefix, c.counter, aad, bytes, L"Manifest");
    ASSERT_TRUE(status.failed());
    EXPECT_EQ(status.message(), c.message);
    EXPECT_EQ(status.code(), c.message == altered ? StatusCode::authentication_failed : StatusCode::corrupt_archive);
  }
}

TEST(SealingTest, KeyCheckTellsAWrongKeyApart) {
  ArchiveHeader header;
  header.flags = kFlagEncrypted;
  uint8_t bytes[kHeaderSize];
  header.serialize(bytes);
  SecuritySection security;
  security.noncePrefix = 0xA1B2C3D4;
  const SecureBytes key = keyZeroTo31();
  Result<std::array<uint8_t, kTagSize>> tag = makeKeyCheckTag(key, security.noncePrefix, bytes);
  ASSERT_TRUE(tag.hasValue());
  security.keyCheckTag = *tag;
  EXPECT_FALSE(verifyKeyCheck(key, security, bytes).failed());

  SecureBytes otherKey = key;
  otherKey[0] ^= 1;
  Status wrong = verifyKeyCheck(otherKey, security, bytes);
  EXPECT_EQ(wrong.code(), StatusCode::authentication_failed);
  EXPECT_EQ(wrong.message(), L"Wrong password, or this archive's header has been altered");

  // A failure of the library itself is not a wrong password.
  Status broken = verifyKeyCheck(SecureBytes(key.data(), 16), security, bytes);
  ASSERT_TRUE(broken.failed());
  EXPECT_NE(broken.code(), StatusCode::authentication_failed);
}

}  // namespace
}  // namespace tolzeb
