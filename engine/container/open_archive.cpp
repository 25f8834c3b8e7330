#include "engine/container/open_archive.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "engine/container/container_format.h"
#include "engine/container/sealing.h"
#include "engine/core/crc32c.h"

namespace tolzeb {

namespace {

// Reads exactly `length` bytes at `offset`; a short read is `shortMessage` (code 3).
Result<Bytes> readExactly(const UniqueHandle& file, uint64_t offset, uint64_t length, const wchar_t* shortMessage) {
  Bytes bytes(size_t(length), 0);
  TOLZEB_ASSIGN_OR_RETURN(uint64_t got, file.readAt(offset, bytes.data(), length));
  if (got != length) return corrupt(shortMessage);
  return bytes;
}

Status checkSectionRanges(const ArchiveHeader& header, uint64_t chunkTableLength, uint64_t fileSize) {
  if (!rangeFits(header.chunkTableOffset, chunkTableLength, fileSize))
    return corrupt(L"Chunk table lies outside the file");
  if (!rangeFits(header.manifestOffset, header.manifestLength, fileSize))
    return corrupt(L"Manifest lies outside the file");
  if (!rangeFits(header.dictionaryOffset, header.dictionaryLength, fileSize))
    return corrupt(L"Dictionary section lies outside the file");
  if (!rangeFits(header.securityOffset, header.securityLength, fileSize))
    return corrupt(L"Security section lies outside the file");
  if (header.manifestLength > kMaxManifestLength)
    return Failure{StatusCode::resource_limit, L"Manifest is implausibly large"};
  if (header.chunkTableOffset < kHeaderSize || header.manifestOffset < kHeaderSize)
    return corrupt(L"A section overlaps the archive header");
  if (rangesOverlap(header.chunkTableOffset, chunkTableLength, header.manifestOffset, header.manifestLength))
    return corrupt(L"Chunk table and manifest overlap");
  return Status();
}

Status checkFooter(const ArchiveHeader& header, const ArchiveFooter& footer, uint64_t fileSize) {
  if (!sameArchiveId(footer.archiveId, header.archiveId))
    return corrupt(L"Footer archive id does not match the header; the file is spliced");
  if (footer.fileLength != fileSize) return corrupt(L"Footer records a different archive length than the file has");
  if (footer.footerOffset != fileSize - kFooterSize) return corrupt(L"Footer offset is inconsistent");
  return Status();
}

Status checkPassword(OpenArchive& archive, const uint8_t headerBytes[kHeaderSize], const Password& password) {
  const ArchiveHeader& header = archive.header;
  if (header.securityLength != kSecuritySectionSize)
    return corrupt(L"Encrypted archive has no usable security section");
  if (!password || password->empty())
    return Failure{StatusCode::authentication_failed, L"This archive is encrypted and needs a password"};
  TOLZEB_ASSIGN_OR_RETURN(Bytes sectionBytes, readExactly(archive.file, header.securityOffset, kSecuritySectionSize,
                                                          L"Security section is truncated"));
  TOLZEB_ASSIGN_OR_RETURN(archive.security, parseSecuritySection(sectionBytes.data(), sectionBytes.size()));
  TOLZEB_ASSIGN_OR_RETURN(archive.key, deriveArchiveKey(*password, archive.security));
  return verifyKeyCheck(archive.key, archive.security, headerBytes);
}

Status readDictionaries(OpenArchive& archive) {
  const ArchiveHeader& header = archive.header;
  if (header.dictionaryLength == 0) return Status();
  if (header.dictionaryLength > kMaxDictionarySectionLength)
    return corrupt(L"Dictionary section declares an impossible size");
  TOLZEB_ASSIGN_OR_RETURN(Bytes section, readExactly(archive.file, header.dictionaryOffset, header.dictionaryLength,
                                                     L"Dictionary section is truncated"));
  if (archive.encrypted) {
    if (section.size() <= kTagSize) return corrupt(L"Dictionary section is too short to carry a tag");
    Bytes aad = sectionAuthData(header.archiveId, kDictionaryAuthLabel, section.size() - kTagSize);
    TOLZEB_TRY(archive.openSection(kDictionaryCounter, aad, section, L"Dictionary section"));
  }
  TOLZEB_ASSIGN_OR_RETURN(archive.dictionaries,
                          parseDictionarySection(section.data(), section.size(), kDictionaryMemoryCeiling));
  return Status();
}

bool hasDictionary(const OpenArchive& archive, uint16_t id) {
  for (const DictionaryRecord& dictionary : archive.dictionaries) {
    if (dictionary.id == id) return true;
  }
  return false;
}

Status checkDescriptor(const OpenArchive& archive, const ChunkDescriptor& chunk, uint64_t index) {
  const std::wstring number = decimal(index);
  const uint64_t tag = archive.encrypted ? kTagSize : 0;
  if (chunk.storedOffset < kHeaderSize || !rangeFits(chunk.storedOffset, chunk.storedSize, archive.payloadEnd))
    return corrupt(L"Chunk " + number + L" points outside the block payload region");
  if (chunk.storedSize == 0) return corrupt(L"Chunk " + number + L" has an empty payload");
  if (chunk.codec == kCodecStored && chunk.storedSize != chunk.decodedSize + tag)
    return corrupt(L"Stored chunk " + number + L" declares mismatched encoded and decoded sizes");
  // A writer keeps a coded form only when it is shorter; anything larger would only let a hostile
  // archive make every decoding job allocate far beyond its chunk size.
  if (chunk.storedSize > chunk.decodedSize + tag)
    return corrupt(L"Chunk " + number + L" stores more bytes than it decodes to");
  if (archive.encrypted && chunk.storedSize < kTagSize + 1)
    return corrupt(L"Encrypted chunk " + number + L" is too short to carry an authentication tag");
  if (archive.encrypted && chunk.nonceCounter != index)
    return corrupt(L"Encrypted chunk " + number + L" declares the wrong nonce counter");
  if (chunk.dictionaryId != 0 && !hasDictionary(archive, chunk.dictionaryId))
    return corrupt(L"Chunk " + number + L" references a dictionary this archive does not have");
  return Status();
}

Status readChunkTable(OpenArchive& archive, uint64_t chunkTableLength) {
  const ArchiveHeader& header = archive.header;
  Bytes table;
  if (chunkTableLength != 0) {
    TOLZEB_ASSIGN_OR_RETURN(
        table, readExactly(archive.file, header.chunkTableOffset, chunkTableLength, L"Chunk table is truncated"));
  }
  if (crc32c(0, table.data(), table.size()) != archive.footer.chunkTableCrc)
    return corrupt(L"Chunk table checksum mismatch");
  const uint64_t plainLength = header.chunkCount * kChunkDescriptorSize;  // cannot overflow: checked on entry
  if (archive.encrypted && !table.empty()) {
    Bytes aad = sectionAuthData(header.archiveId, kChunkTableAuthLabel, plainLength);
    TOLZEB_TRY(archive.openSection(kChunkTableCounter, aad, table, L"Chunk table"));
    if (table.size() != plainLength) return corrupt(L"Chunk table decrypts to the wrong size");
  }
  archive.chunks.reserve(size_t(header.chunkCount));
  for (uint64_t i = 0; i < header.chunkCount; ++i) {
    TOLZEB_ASSIGN_OR_RETURN(ChunkDescriptor chunk,
                            parseChunkDescriptor(table.data() + i * kChunkDescriptorSize, kChunkDescriptorSize));
    TOLZEB_TRY(checkDescriptor(archive, chunk, i));
    archive.chunks.push_back(chunk);
  }
  return Status();
}

Status readManifest(OpenArchive& archive, uint64_t entryLimit) {
  const ArchiveHeader& header = archive.header;
  Bytes manifest;
  if (header.manifestLength != 0) {
    TOLZEB_ASSIGN_OR_RETURN(
        manifest, readExactly(archive.file, header.manifestOffset, header.manifestLength, L"Manifest is truncated"));
  }
  if (crc32c(0, manifest.data(), manifest.size()) != archive.footer.manifestCrc)
    return corrupt(L"Manifest checksum mismatch");
  if (archive.encrypted && !manifest.empty()) {
    if (manifest.size() < kTagSize) return corrupt(L"Manifest is too short to be encrypted");
    Bytes aad = sectionAuthData(header.archiveId, kManifestAuthLabel, manifest.size() - kTagSize);
    TOLZEB_TRY(archive.openSection(kManifestCounter, aad, manifest, L"Manifest"));
  }
  TOLZEB_ASSIGN_OR_RETURN(archive.entries, parseManifest(manifest.data(), manifest.size(), header.chunkCount,
                                                         entryLimit == 0 ? kDefaultMaxEntries : entryLimit));
  return Status();
}

Status checkEntryChunks(const OpenArchive& archive, const ManifestEntry& entry) {
  const ChunkDescriptor& first = archive.chunks[entry.chunks.front()];
  uint64_t held = first.decodedSize;
  for (size_t i = 1; i < entry.chunks.size(); ++i) {
    const ChunkDescriptor& previous = archive.chunks[entry.chunks[i - 1]];
    const ChunkDescriptor& chunk = archive.chunks[entry.chunks[i]];
    std::optional<uint64_t> expected = checkedAdd(previous.groupOffset, previous.decodedSize);
    if (!expected) return corrupt(L"Group offset overflows 64 bits");
    if (chunk.groupOffset != *expected) return corrupt(L"Blocks of " + entry.path + L" are not contiguous");
    held += chunk.decodedSize;  // at most 2^48 chunks of 4 MiB: no overflow
  }
  if (entry.firstChunkOffset >= first.decodedSize)
    return corrupt(L"Block offset lies outside the first block: " + entry.path);
  uint64_t available = held - entry.firstChunkOffset;
  if (available < entry.size)
    return corrupt(L"Blocks of " + entry.path + L" hold " + decimal(available) + L" bytes but the entry declares " +
                   decimal(entry.size));
  const uint64_t lastSize = archive.chunks[entry.chunks.back()].decodedSize;
  if (entry.chunks.size() > 1 && available - lastSize >= entry.size)
    return corrupt(L"Entry references a trailing block it never reaches: " + entry.path);
  return Status();
}

// Chunks whose stored bytes overlap, or files whose decoded bytes overlap, are the mark of an
// archive built to multiply one small compressed kernel into a huge extraction; the writer never
// produces either, so both are refused before anything is decoded.
Status refuseSharedStoredBytes(const OpenArchive& archive) {
  std::vector<uint64_t> byOffset(archive.chunks.size());
  for (uint64_t i = 0; i < byOffset.size(); ++i) byOffset[i] = i;
  std::sort(byOffset.begin(), byOffset.end(),
            [&](uint64_t a, uint64_t b) { return archive.chunks[a].storedOffset < archive.chunks[b].storedOffset; });
  for (size_t i = 1; i < byOffset.size(); ++i) {
    const ChunkDescriptor& earlier = archive.chunks[byOffset[i - 1]];
    // Both ranges lie within the payload region (checked per descriptor): the sum cannot overflow.
    if (earlier.storedOffset + earlier.storedSize > archive.chunks[byOffset[i]].storedOffset)
      return corrupt(L"Chunks " + decimal(std::min(byOffset[i - 1], byOffset[i])) + L" and " +
                     decimal(std::max(byOffset[i - 1], byOffset[i])) + L" overlap");
  }
  return Status();
}

Status refuseOverlappingEntries(const OpenArchive& archive) {
  // Chunk indices are consecutive within an entry, so a position in the concatenation of all
  // chunks' decoded bytes identifies every byte of every entry.
  std::vector<uint64_t> chunkStart(archive.chunks.size());
  uint64_t position = 0;  // at most 2^58 chunks of 4 MiB: no overflow
  for (size_t i = 0; i < archive.chunks.size(); ++i) {
    chunkStart[i] = position;
    position += archive.chunks[i].decodedSize;
  }
  struct Extent {
    uint64_t start;
    uint64_t end;
    const ManifestEntry* entry;
  };
  std::vector<Extent> extents;
  for (const ManifestEntry& entry : archive.entries) {
    if (entry.size == 0 || entry.chunks.empty()) continue;
    const uint64_t start = chunkStart[entry.chunks.front()] + entry.firstChunkOffset;
    extents.push_back({start, start + entry.size, &entry});  // within the entry's chunks: checked before
  }
  std::sort(extents.begin(), extents.end(), [](const Extent& a, const Extent& b) { return a.start < b.start; });
  for (size_t i = 1; i < extents.size(); ++i) {
    if (extents[i - 1].end > extents[i].start) return corrupt(L"Archive entries overlap: " + extents[i].entry->path);
  }
  return Status();
}

Status crossCheckEntries(const OpenArchive& archive) {
  std::unordered_set<std::wstring_view> seen;
  seen.reserve(archive.entries.size());
  uint64_t total = 0;
  for (const ManifestEntry& entry : archive.entries) {
    if (!seen.insert(entry.path).second) return corrupt(L"Manifest lists the same path twice: " + entry.path);
    if (entry.type == kEntryTypeDirectory) {
      if (entry.size != 0) return corrupt(L"Directory entry declares a size");
    } else if (entry.chunks.empty()) {
      if (entry.size != 0) return corrupt(L"Entry declares a size but references no blocks: " + entry.path);
      if (entry.firstChunkOffset != 0) return corrupt(L"Empty entry declares a block offset: " + entry.path);
    } else {
      TOLZEB_TRY(checkEntryChunks(archive, entry));
    }
    std::optional<uint64_t> sum = checkedAdd(total, entry.size);
    if (!sum) return corrupt(L"Total size overflows 64 bits");
    total = *sum;
  }
  if (total != archive.header.totalBytes)
    return corrupt(L"Header total size does not match the sum of manifest entries");
  TOLZEB_TRY(refuseSharedStoredBytes(archive));
  return refuseOverlappingEntries(archive);
}

}  // namespace

Status OpenArchive::openSection(uint64_t counter, const Bytes& aad, Bytes& sealed, const std::wstring& label) const {
  return openSealedObject(key, security.noncePrefix, counter, aad, sealed, label);
}

Result<bool> probeZebArchive(const std::wstring& path) {
  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openForRead(path));
  TOLZEB_ASSIGN_OR_RETURN(Bytes headerBytes,
                          readExactly(file, 0, kHeaderSize, L"File is too small to be a .zeb archive"));
  TOLZEB_ASSIGN_OR_RETURN(ArchiveHeader header, parseArchiveHeader(headerBytes.data(), headerBytes.size()));
  return (header.flags & kFlagEncrypted) != 0;
}

Result<OpenArchive> openArchive(const std::wstring& path, uint64_t entryLimit, Password password) {
  OpenArchive archive;
  TOLZEB_ASSIGN_OR_RETURN(archive.file, openForRead(path));
  TOLZEB_ASSIGN_OR_RETURN(archive.fileSize, archive.file.fileSize());
  if (archive.fileSize < kMinArchiveSize) return corrupt(L"File is too small to be a .zeb archive");

  TOLZEB_ASSIGN_OR_RETURN(Bytes headerBytes,
                          readExactly(archive.file, 0, kHeaderSize, L"Could not read the full archive header"));
  TOLZEB_ASSIGN_OR_RETURN(archive.header, parseArchiveHeader(headerBytes.data(), headerBytes.size()));
  const ArchiveHeader& header = archive.header;
  if (header.flags & kFlagSplitVolumes)
    return Failure{StatusCode::unsupported_version,
                   L"Archive is split across volumes; this build cannot read them yet"};
  archive.encrypted = (header.flags & kFlagEncrypted) != 0;

  std::optional<uint64_t> chunkTableLength = checkedMul(header.chunkCount, kChunkDescriptorSize);
  if (chunkTableLength && archive.encrypted && *chunkTableLength != 0)
    chunkTableLength = checkedAdd(*chunkTableLength, kTagSize);
  if (!chunkTableLength) return corrupt(L"Chunk table size overflows 64 bits");
  TOLZEB_TRY(checkSectionRanges(header, *chunkTableLength, archive.fileSize));
  archive.payloadEnd = header.chunkTableOffset;
  if (header.dictionaryOffset != 0 && header.dictionaryOffset < archive.payloadEnd)
    archive.payloadEnd = header.dictionaryOffset;

  TOLZEB_ASSIGN_OR_RETURN(Bytes footerBytes, readExactly(archive.file, archive.fileSize - kFooterSize, kFooterSize,
                                                         L"Could not read the archive footer"));
  TOLZEB_ASSIGN_OR_RETURN(archive.footer, parseArchiveFooter(footerBytes.data(), footerBytes.size()));
  TOLZEB_TRY(checkFooter(header, archive.footer, archive.fileSize));

  if (archive.encrypted) {
    TOLZEB_TRY(checkPassword(archive, headerBytes.data(), password));
  } else if (header.securityLength != 0) {
    return corrupt(L"Archive carries a security section but is not marked encrypted");
  }
  TOLZEB_TRY(readDictionaries(archive));
  TOLZEB_TRY(readChunkTable(archive, *chunkTableLength));
  TOLZEB_TRY(readManifest(archive, entryLimit));
  TOLZEB_TRY(crossCheckEntries(archive));
  return archive;
}

}  // namespace tolzeb
