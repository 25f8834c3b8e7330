#include "engine/container/archive_records.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/core/bytes.h"
#include "engine/core/crc32c.h"
#include "support/hex_text.h"
#include "test_archive.h"

namespace tolzeb {
namespace {

using testing::fromHex;
using testing::idZeroToFifteen;

// Golden records: written by hand from the field tables; CRCs from a separate bitwise CRC-32C
// (reflected 0x82F63B78) in Python. The header and footer describe an empty archive: flags 8,
// chunk size 2 MiB, id 00..0F, a 12-byte manifest at 128, footer at 140, file length 204.
const char kGoldenHeader[] =
    "544f4c5a4542310001000200080000008000000000002000000102030405060708090a0b0c0d0e0f"
    "80000000000000000c00000000000000800000000000000000000000000000008000000000000000"
    "0000000000000000000000000000000000000000000000000000000000000000c2195652000000000000000000000000";
const char kGoldenFooter[] =
    "5a4542454e443100000102030405060708090a0b0c0d0e0f3d1d8349000000008c00000000000000cc00000000000000"
    "c4b38449000000000000000000000000";
const char kGoldenDescriptor[] =
    "0807060504030201000020008000000000000000a5f3010002000700efbeaddea0a1a2a3a4a5a6a7a8a9aaabacadaeaf"
    "b0b1b2b3b4b5b6b7b8b9babbbcbdbebf05000000000000000000000000000000";
const char kGoldenSecurity[] =
    "5a4542534543310001000100c0270900101112131415161718191a1b1c1d1e1f01020304303132333435363738393a3b"
    "3c3d3e3fec4d430e00000000000000000000000000000000000000000000000000000000000000000000000000000000";

ArchiveHeader goldenHeader() {
  ArchiveHeader header;
  header.flags = kFlagChunkHashes;
  header.archiveId = idZeroToFifteen();
  header.manifestOffset = 128;
  header.manifestLength = 12;
  header.chunkTableOffset = 128;
  header.dictionaryOffset = 128;
  return header;
}

ChunkDescriptor goldenDescriptor() {
  ChunkDescriptor chunk;
  chunk.groupOffset = 0x0102030405060708;
  chunk.decodedSize = 0x200000;
  chunk.storedOffset = 128;
  chunk.storedSize = 0x1F3A5;
  chunk.codec = kCodecVeltHuff;
  chunk.dictionaryId = 7;
  chunk.crc32c = 0xDEADBEEF;
  for (size_t i = 0; i < 32; ++i) chunk.sha256[i] = uint8_t(0xA0 + i);
  chunk.nonceCounter = 5;
  return chunk;
}

SecuritySection goldenSecurity() {
  SecuritySection security;
  for (size_t i = 0; i < 16; ++i) security.salt[i] = uint8_t(0x10 + i);
  security.noncePrefix = 0x04030201;
  for (size_t i = 0; i < 16; ++i) security.keyCheckTag[i] = uint8_t(0x30 + i);
  return security;
}

TEST(ArchiveRecordsTest, WritersProduceTheGoldenBytes) {
  uint8_t header[kHeaderSize];
  goldenHeader().serialize(header);
  EXPECT_EQ(Bytes(header, header + kHeaderSize), fromHex(kGoldenHeader));

  ArchiveFooter footer;
  footer.archiveId = idZeroToFifteen();
  footer.manifestCrc = 0x49831D3D;
  footer.footerOffset = 140;
  footer.fileLength = 204;
  uint8_t footerBytes[kFooterSize];
  footer.serialize(footerBytes);
  EXPECT_EQ(Bytes(footerBytes, footerBytes + kFooterSize), fromHex(kGoldenFooter));

  uint8_t descriptor[kChunkDescriptorSize];
  goldenDescriptor().serialize(descriptor);
  EXPECT_EQ(Bytes(descriptor, descriptor + kChunkDescriptorSize), fromHex(kGoldenDescriptor));

  uint8_t security[kSecuritySectionSize];
  goldenSecurity().serialize(security);
  EXPECT_EQ(Bytes(security, security + kSecuritySectionSize), fromHex(kGoldenSecurity));
}

TEST(ArchiveRecordsTest, ParsersReadTheGoldenBytesBack) {
  Bytes header = fromHex(kGoldenHeader);
  Result<ArchiveHeader> parsedHeader = parseArchiveHeader(header.data(), header.size());
  ASSERT_TRUE(parsedHeader.hasValue()) << std::string(parsedHeader.failure().message.begin(),
                                                      parsedHeader.failure().message.end());
  ArchiveHeader expected = goldenHeader();
  EXPECT_EQ(parsedHeader->versionMajor, 1);
  EXPECT_EQ(parsedHeader->versionMinor, 2);
  EXPECT_EQ(parsedHeader->flags, expected.flags);
  EXPECT_EQ(parsedHeader->chunkSize, expected.chunkSize);
  EXPECT_EQ(parsedHeader->archiveId, expected.archiveId);
  EXPECT_EQ(parsedHeader->manifestOffset, 128u);
  EXPECT_EQ(parsedHeader->manifestLength, 12u);
  EXPECT_EQ(parsedHeader->dictionaryOffset, 128u);

  Bytes footer = fromHex(kGoldenFooter);
  Result<ArchiveFooter> parsedFooter = parseArchiveFooter(footer.data(), footer.size());
  ASSERT_TRUE(parsedFooter.hasValue());
  EXPECT_EQ(parsedFooter->archiveId, idZeroToFifteen());
  EXPECT_EQ(parsedFooter->manifestCrc, 0x49831D3Du);
  EXPECT_EQ(parsedFooter->footerOffset, 140u);
  EXPECT_EQ(parsedFooter->fileLength, 204u);

  Bytes descriptor = fromHex(kGoldenDescriptor);
  Result<ChunkDescriptor> parsedChunk = parseChunkDescriptor(descriptor.data(), descriptor.size());
  ASSERT_TRUE(parsedChunk.hasValue());
  ChunkDescriptor chunk = goldenDescriptor();
  EXPECT_EQ(parsedChunk->groupOffset, chunk.groupOffset);
  EXPECT_EQ(parsedChunk->decodedSize, chunk.decodedSize);
  EXPECT_EQ(parsedChunk->storedOffset, chunk.storedOffset);
  EXPECT_EQ(parsedChunk->storedSize, chunk.storedSize);
  EXPECT_EQ(parsedChunk->codec, chunk.codec);
  EXPECT_EQ(parsedChunk->dictionaryId, chunk.dictionaryId);
  EXPECT_EQ(parsedChunk->crc32c, chunk.crc32c);
  EXPECT_EQ(parsedChunk->sha256, chunk.sha256);
  EXPECT_EQ(parsedChunk->nonceCounter, chunk.nonceCounter);

  Bytes security = fromHex(kGoldenSecurity);
  Result<SecuritySection> parsedSecurity = parseSecuritySection(security.data(), security.size());
  ASSERT_TRUE(parsedSecurity.hasValue());
  EXPECT_EQ(parsedSecurity->kdfIterations, 600000u);
  EXPECT_EQ(parsedSecurity->salt, goldenSecurity().salt);
  EXPECT_EQ(parsedSecurity->noncePrefix, 0x04030201u);
  EXPECT_EQ(parsedSecurity->keyCheckTag, goldenSecurity().keyCheckTag);
}

// One corruption of a valid record: the edit, whether the record's CRC is then made right again,
// and what the parser must say.
struct Corruption {
  const char* name;
  std::function<void(Bytes&)> edit;
  bool fixCrc;
  StatusCode code;
  std::wstring message;  // empty: the record must parse
};

using CrcFixer = std::function<void(Bytes&)>;
using Parser = std::function<Status(const Bytes&)>;

void runCorruptions(const Bytes& valid, const CrcFixer& fixCrc, const Parser& parse,
                    const std::vector<Corruption>& cases) {
  for (const Corruption& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = valid;
    c.edit(bytes);
    if (c.fixCrc) fixCrc(bytes);
    Status status = parse(bytes);
    if (c.message.empty()) {
      EXPECT_FALSE(status.failed()) << std::string(status.message().begin(), status.message().end());
      continue;
    }
    ASSERT_TRUE(status.failed());
    EXPECT_EQ(status.code(), c.code);
    EXPECT_EQ(status.message(), c.message);
  }
}

auto setU16(size_t at, uint16_t v) {
  return [=](Bytes& b) { writeU16le(b.data() + at, v); };
}
auto setU32(size_t at, uint32_t v) {
  return [=](Bytes& b) { writeU32le(b.data() + at, v); };
}
auto setU64(size_t at, uint64_t v) {
  return [=](Bytes& b) { writeU64le(b.data() + at, v); };
}
auto setByte(size_t at, uint8_t v) {
  return [=](Bytes& b) { b[at] = v; };
}
auto truncateTo(size_t length) {
  return [=](Bytes& b) { b.resize(length); };
}
auto apply(std::vector<std::function<void(Bytes&)>> edits) {
  return [=](Bytes& b) {
    for (auto& e : edits) e(b);
  };
}

void fixHeaderCrc(Bytes& b) {
  writeU32le(b.data() + 112, 0);
  writeU32le(b.data() + 112, crc32c(0, b.data(), kHeaderSize));
}

TEST(ArchiveRecordsTest, HeaderCorruptionsGiveTheirCodeAndMessage) {
  const StatusCode corrupt = StatusCode::corrupt_archive, unsupported = StatusCode::unsupported_version;
  std::vector<Corruption> cases = {
      {"127 bytes", truncateTo(127), false, corrupt, L"Archive is smaller than the 128 byte header"},
      {"magic", setByte(6, '2'), true, corrupt, L"Not a TOLZEB archive (bad magic)"},
      {"stored CRC", setU32(112, 0x12345678), false, corrupt, L"Archive header checksum mismatch"},
      {"major 2", setU16(8, 2), true, unsupported, L"Archive major version 2 is not supported by this build"},
      {"minor 1", setU16(10, 1), true, unsupported,
       L"Archive was written by a pre-release build (format 1.1); re-create it with this version"},
      {"minor 0", setU16(10, 0), true, unsupported,
       L"Archive was written by a pre-release build (format 1.0); re-create it with this version"},
      {"minor 3 is read", setU16(10, 3), true, corrupt, L""},
      {"header size 129", setU32(16, 129), true, corrupt, L"Archive header size field is not 128"},
      {"flags 15 are read", apply({setU32(12, 15), setU64(116, 4096)}), true, corrupt, L""},
      {"flags 16", setU32(12, 16), true, unsupported, L"Archive requires an unknown feature flag"},
      {"split flag is read here", setU32(12, kFlagSplitVolumes), true, corrupt, L""},
      {"recovery offset without flag", setU64(116, 4096), true, corrupt,
       L"Archive names a recovery record but does not claim to have one"},
      {"reserved byte 127", setByte(127, 1), true, corrupt, L"Reserved header bytes are not zero"},
      {"reserved byte 124", setByte(124, 0x80), true, corrupt, L"Reserved header bytes are not zero"},
      {"chunk size 262143", setU32(20, 262143), true, corrupt, L"Archive declares an out-of-range chunk size"},
      {"chunk size 262144", setU32(20, 262144), true, corrupt, L""},
      {"chunk size 4194304", setU32(20, 4194304), true, corrupt, L""},
      {"chunk size 4194305", setU32(20, 4194305), true, corrupt, L"Archive declares an out-of-range chunk size"},
      {"version checked before header size", apply({setU16(10, 1), setU32(16, 129)}), true, unsupported,
       L"Archive was written by a pre-release build (format 1.1); re-create it with this version"},
  };
  runCorruptions(
      fromHex(kGoldenHeader), fixHeaderCrc,
      [](const Bytes& b) { return parseArchiveHeader(b.data(), b.size()).status(); }, cases);
}

TEST(ArchiveRecordsTest, AnyFlippedHeaderBitOutsideTheCrcIsACrcMismatch) {
  const Bytes valid = fromHex(kGoldenHeader);
  for (size_t bit = 0; bit < kHeaderSize * 8; ++bit) {
    size_t byte = bit / 8;
    if (byte < 8 || (byte >= 112 && byte < 116)) continue;  // the magic is checked first; the CRC is the CRC
    Bytes bytes = valid;
    bytes[byte] ^= uint8_t(1u << (bit % 8));
    Status status = parseArchiveHeader(bytes.data(), bytes.size()).status();
    ASSERT_TRUE(status.failed()) << "bit " << bit;
    EXPECT_EQ(status.message(), L"Archive header checksum mismatch") << "bit " << bit;
  }
}

TEST(ArchiveRecordsTest, DescriptorCorruptionsGiveTheirCodeAndMessage) {
  const StatusCode corrupt = StatusCode::corrupt_archive, unsupported = StatusCode::unsupported_version;
  std::vector<Corruption> cases = {
      {"79 bytes", truncateTo(79), false, corrupt, L"Truncated chunk descriptor"},
      {"codec 3", setByte(24, 3), false, unsupported, L"Chunk uses codec id 3, which this build does not implement"},
      {"codec 255", setByte(24, 255), false, unsupported,
       L"Chunk uses codec id 255, which this build does not implement"},
      {"block flags", setByte(25, 1), false, unsupported, L"Chunk sets unknown block flags"},
      {"reserved byte 79", setByte(79, 1), false, corrupt, L"Reserved chunk bytes are not zero"},
      {"reserved before size", apply({setByte(72, 1), setU32(8, 4194305)}), false, corrupt,
       L"Reserved chunk bytes are not zero"},
      {"decoded 4194304", setU32(8, 4194304), false, corrupt, L""},
      {"decoded 4194305", setU32(8, 4194305), false, corrupt,
       L"Chunk declares a decoded size above the 4 MiB block limit"},
      {"decoded 0", setU32(8, 0), false, corrupt, L"Chunk declares a zero decoded size"},
  };
  runCorruptions(
      fromHex(kGoldenDescriptor), nullptr,
      [](const Bytes& b) { return parseChunkDescriptor(b.data(), b.size()).status(); }, cases);
}

TEST(ArchiveRecordsTest, SecuritySectionCorruptionsGiveTheirCodeAndMessage) {
  const StatusCode corrupt = StatusCode::corrupt_archive, unsupported = StatusCode::unsupported_version;
  std::vector<Corruption> cases = {
      {"95 bytes", truncateTo(95), false, corrupt, L"Security section is truncated"},
      {"magic", setByte(0, 'z'), true, corrupt, L"Security section has the wrong magic"},
      {"salt bit", [](Bytes& b) { b[20] ^= 4; }, false, corrupt, L"Security section checksum mismatch"},
      {"reserved byte 95", setByte(95, 1), true, corrupt, L"Reserved security section bytes are not zero"},
      {"reserved byte 56", setByte(56, 1), true, corrupt, L"Reserved security section bytes are not zero"},
      {"kdf 2", setU16(8, 2), true, unsupported, L"Archive uses a key derivation function this build does not know"},
      {"cipher 2", setU16(10, 2), true, unsupported, L"Archive uses a cipher this build does not know"},
      {"iterations 99999", setU32(12, 99999), true, corrupt, L"Archive declares an out-of-range KDF iteration count"},
      {"iterations 100000", setU32(12, 100000), true, corrupt, L""},
      {"iterations 10000000", setU32(12, 10000000), true, corrupt, L""},
      {"iterations 10000001", setU32(12, 10000001), true, corrupt,
       L"Archive declares an out-of-range KDF iteration count"},
  };
  auto fix = [](Bytes& b) {
    writeU32le(b.data() + 52, 0);
    writeU32le(b.data() + 52, crc32c(0, b.data(), kSecuritySectionSize));
  };
  runCorruptions(
      fromHex(kGoldenSecurity), fix, [](const Bytes& b) { return parseSecuritySection(b.data(), b.size()).status(); },
      cases);
}

TEST(ArchiveRecordsTest, FooterCorruptionsGiveTheirCodeAndMessage) {
  const StatusCode corrupt = StatusCode::corrupt_archive;
  std::vector<Corruption> cases = {
      {"63 bytes", truncateTo(63), false, corrupt, L"Truncated archive footer"},
      {"magic", setByte(3, 'X'), true, corrupt, L"Archive footer magic missing; the file is truncated or not a .zeb"},
      {"file length", setU64(40, 205), false, corrupt, L"Archive footer checksum mismatch"},
      {"stored CRC", setU32(48, 0), false, corrupt, L"Archive footer checksum mismatch"},
      // The CRC stops at byte 47, so the reserved tail has its own check.
      {"reserved byte 63", setByte(63, 1), false, corrupt, L"Reserved footer bytes are not zero"},
      {"reserved byte 52", setByte(52, 1), false, corrupt, L"Reserved footer bytes are not zero"},
  };
  auto fix = [](Bytes& b) { writeU32le(b.data() + 48, crc32c(0, b.data(), 48)); };
  runCorruptions(
      fromHex(kGoldenFooter), fix, [](const Bytes& b) { return parseArchiveFooter(b.data(), b.size()).status(); },
      cases);
}

TEST(ArchiveRecordsTest, NewArchiveIdsDiffer) {
  Result<ArchiveId> a = newArchiveId();
  Result<ArchiveId> b = newArchiveId();
  ASSERT_TRUE(a.hasValue());
  ASSERT_TRUE(b.hasValue());
  EXPECT_FALSE(sameArchiveId(*a, *b));
}

}  // namespace
}  // namespace tolzeb
