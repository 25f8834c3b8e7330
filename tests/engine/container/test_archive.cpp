#include "test_archive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>

#include "codecs/velt/velt.h"
#include "codecs/velt/velt_huff.h"
#include "engine/container/archive_records.h"
#include "engine/container/container_format.h"
#include "engine/container/dictionary_section.h"
#include "engine/container/manifest.h"
#include "engine/container/sealing.h"
#include "engine/core/crc32c.h"
#include "engine/core/crypto.h"
#include "engine/core/fs.h"
#include "engine/core/sha256.h"

namespace tolzeb::testing {

namespace {

constexpr uint16_t kDictionaryId = 1;

struct Sealer {
  bool on = false;
  SecureBytes key;
  uint32_t noncePrefix = 0;

  Result<Bytes> seal(uint64_t counter, const Bytes& aad, const Bytes& plain) const {
    if (!on) return plain;
    return sealObject(key, noncePrefix, counter, aad, plain.data(), plain.size());
  }
};

// The stored form of one chunk: the shortest of raw, VELT and VELT_HUFF.
Result<Bytes> encodeChunk(std::span<const uint8_t> block, const Bytes& dictionary, bool compress, uint8_t& codec) {
  codec = kCodecStored;
  if (!compress) return Bytes(block.begin(), block.end());
  TOLZEB_ASSIGN_OR_RETURN(Bytes velt, veltEncodeWithDictionary(block, 1, dictionary));
  if (velt.empty()) return Bytes(block.begin(), block.end());
  codec = kCodecVelt;
  TOLZEB_ASSIGN_OR_RETURN(Bytes huffman, encodeVeltHuff(velt));
  if (!huffman.empty() && huffman.size() < velt.size()) {
    codec = kCodecVeltHuff;
    return huffman;
  }
  return velt;
}

}  // namespace

Result<Bytes> writeTestArchive(const std::vector<TestEntry>& entries, const TestArchiveOptions& options) {
  ArchiveHeader header;
  header.chunkSize = options.chunkSize;
  header.flags = options.chunkHashes ? kFlagChunkHashes : 0;
  TOLZEB_ASSIGN_OR_RETURN(header.archiveId, newArchiveId());

  Sealer sealer;
  SecuritySection security;
  security.kdfIterations = options.kdfIterations;
  if (!options.password.empty()) {
    header.flags |= kFlagEncrypted;
    sealer.on = true;
    TOLZEB_TRY(randomBytes(security.salt.data(), security.salt.size()));
    TOLZEB_TRY(randomBytes(&security.noncePrefix, sizeof(security.noncePrefix)));
    TOLZEB_ASSIGN_OR_RETURN(sealer.key, deriveArchiveKey(*passwordOf(options.password), security));
    sealer.noncePrefix = security.noncePrefix;
  }

  Bytes stream;
  std::vector<ManifestEntry> manifestEntries;
  for (const TestEntry& entry : entries) {
    ManifestEntry m;
    m.path = entry.path;
    m.type = entry.directory ? kEntryTypeDirectory : kEntryTypeFile;
    m.attributes = entry.directory ? kAttributeDirectory : kAttributeArchive;
    m.modified = 133000000000000000ull;
    m.size = entry.content.size();
    if (!entry.content.empty()) {
      uint64_t start = stream.size(), end = start + entry.content.size();
      for (uint64_t c = start / options.chunkSize; c <= (end - 1) / options.chunkSize; ++c) m.chunks.push_back(c);
      m.firstChunkOffset = start % options.chunkSize;
      stream.insert(stream.end(), entry.content.begin(), entry.content.end());
    }
    manifestEntries.push_back(std::move(m));
  }

  Bytes dictionary;
  if (options.dictionary && !stream.empty())
    dictionary.assign(stream.begin(), stream.begin() + std::min<size_t>(stream.size(), options.chunkSize));

  Bytes file(kHeaderSize, 0);
  Bytes table;
  const uint64_t chunkCount = (stream.size() + options.chunkSize - 1) / options.chunkSize;
  for (uint64_t i = 0; i < chunkCount; ++i) {
    size_t begin = size_t(i * options.chunkSize);
    std::span<const uint8_t> block(stream.data() + begin, std::min<size_t>(options.chunkSize, stream.size() - begin));
    ChunkDescriptor chunk;
    chunk.groupOffset = begin;
    chunk.decodedSize = uint32_t(block.size());
    TOLZEB_ASSIGN_OR_RETURN(Bytes stored, encodeChunk(block, dictionary, options.compress, chunk.codec));
    if (chunk.codec != kCodecStored && !dictionary.empty()) chunk.dictionaryId = kDictionaryId;
    chunk.crc32c = crc32c(0, block.data(), block.size());
    if (options.chunkHashes) {
      TOLZEB_ASSIGN_OR_RETURN(Sha256Digest digest, sha256(block.data(), block.size()));
      std::copy(digest.begin(), digest.end(), chunk.sha256.begin());
    }
    if (sealer.on) chunk.nonceCounter = i;
    TOLZEB_ASSIGN_OR_RETURN(stored,
                            sealer.seal(i, blockAuthData(header.archiveId, i, chunk.decodedSize, chunk.codec), stored));
    chunk.storedOffset = file.size();
    chunk.storedSize = uint32_t(stored.size());
    file.insert(file.end(), stored.begin(), stored.end());
    if (options.editChunk) options.editChunk(i, chunk);
    uint8_t record[kChunkDescriptorSize];
    chunk.serialize(record);
    table.insert(table.end(), record, record + kChunkDescriptorSize);
  }
  header.chunkCount = chunkCount;

  header.dictionaryOffset = file.size();
  if (!dictionary.empty()) {
    DictionaryRecord record;
    record.id = kDictionaryId;
    record.bytes = dictionary;
    TOLZEB_ASSIGN_OR_RETURN(Bytes section, buildDictionarySection({record}));
    TOLZEB_ASSIGN_OR_RETURN(
        section, sealer.seal(kDictionaryCounter,
                             sectionAuthData(header.archiveId, kDictionaryAuthLabel, section.size()), section));
    header.dictionaryLength = section.size();
    file.insert(file.end(), section.begin(), section.end());
  }

  header.chunkTableOffset = file.size();
  if (!table.empty()) {
    TOLZEB_ASSIGN_OR_RETURN(
        table,
        sealer.seal(kChunkTableCounter, sectionAuthData(header.archiveId, kChunkTableAuthLabel, table.size()), table));
  }
  file.insert(file.end(), table.begin(), table.end());

  if (options.editManifest) options.editManifest(manifestEntries);
  TOLZEB_ASSIGN_OR_RETURN(Bytes manifest, buildManifest(manifestEntries));
  TOLZEB_ASSIGN_OR_RETURN(
      manifest,
      sealer.seal(kManifestCounter, sectionAuthData(header.archiveId, kManifestAuthLabel, manifest.size()), manifest));
  header.manifestOffset = file.size();
  header.manifestLength = manifest.size();
  file.insert(file.end(), manifest.begin(), manifest.end());

  for (const ManifestEntry& m : manifestEntries) header.totalBytes += m.size;
  if (sealer.on) {
    header.securityOffset = file.size();
    header.securityLength = kSecuritySectionSize;
  }
  header.serialize(file.data());
  if (sealer.on) {
    TOLZEB_ASSIGN_OR_RETURN(security.keyCheckTag, makeKeyCheckTag(sealer.key, sealer.noncePrefix, file.data()));
    uint8_t record[kSecuritySectionSize];
    security.serialize(record);
    file.insert(file.end(), record, record + kSecuritySectionSize);
  }

  ArchiveFooter footer;
  footer.archiveId = header.archiveId;
  footer.manifestCrc = crc32c(0, manifest.data(), manifest.size());
  footer.chunkTableCrc = crc32c(0, table.data(), table.size());
  footer.footerOffset = file.size();
  footer.fileLength = file.size() + kFooterSize;
  uint8_t record[kFooterSize];
  footer.serialize(record);
  file.insert(file.end(), record, record + kFooterSize);
  return file;
}

Bytes testArchiveBytes(const TestArchiveOptions& options, const std::vector<TestEntry>& entries) {
  Result<Bytes> bytes = writeTestArchive(entries, options);
  EXPECT_TRUE(bytes.hasValue()) << narrow(bytes.failure().message);
  return bytes.hasValue() ? *bytes : Bytes{};
}

ArchiveId idZeroToFifteen() {
  ArchiveId id;
  for (size_t i = 0; i < id.size(); ++i) id[i] = uint8_t(i);
  return id;
}

Bytes sampleBytes(size_t length, uint32_t seed) {
  static const char* const kWords[] = {"archive ", "chunk ", "manifest ", "dictionary ", "footer ", "header ",
                                       "sealed ",  "table ", "entry ",    "stream ",     "\n",      "0123 "};
  Bytes out;
  out.reserve(length);
  uint32_t state = seed * 2654435761u + 1;
  while (out.size() < length) {
    state = state * 1103515245u + 12345u;
    const char* word = kWords[(state >> 16) % 12];
    for (const char* p = word; *p && out.size() < length; ++p) out.push_back(uint8_t(*p));
    if ((state >> 8) % 7 == 0 && out.size() < length) out.push_back(uint8_t(state >> 24));
  }
  return out;
}

ScratchFile::ScratchFile(const Bytes& contents) : path_(folder_ / L"archive.zeb") { rewrite(contents); }


void ScratchFile::rewrite(const Bytes& contents) const {
  Result<UniqueHandle> file = openForWrite(path_, false);
  ASSERT_TRUE(file.hasValue()) << narrow(file.failure().message);
  ASSERT_FALSE(file->writeAll(contents.data(), contents.size()).failed());
}

std::string narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 0x80 ? char(c) : '?');
  return out;
}

}  // namespace tolzeb::testing
