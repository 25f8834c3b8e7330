#include "engine/container/manifest.h"

#include <algorithm>

#include "engine/container/container_format.h"
#include "engine/core/entry_path.h"
#include "engine/core/text.h"

namespace tolzeb {

Result<Bytes> buildManifest(const std::vector<ManifestEntry>& entries) {
  Bytes out;
  appendU32le(out, kManifestVersion);
  appendU64le(out, entries.size());
  for (const ManifestEntry& entry : entries) {
    TOLZEB_ASSIGN_OR_RETURN(Bytes path, utf16ToUtf8(entry.path));
    if (path.size() > kMaxEntryPathBytes)
      return Failure{StatusCode::invalid_argument, L"Entry path exceeds the manifest limit: " + entry.path};
    appendVarint(out, path.size());
    out.insert(out.end(), path.begin(), path.end());
    out.push_back(entry.type);
    appendU32le(out, entry.attributes);
    appendU64le(out, entry.modified);
    appendU64le(out, entry.size);
    appendVarint(out, entry.chunks.size());
    for (uint64_t chunk : entry.chunks) appendVarint(out, chunk);
    appendVarint(out, entry.firstChunkOffset);
    appendVarint(out, 0);  // no attribute records
  }
  return out;
}

namespace {

Result<ManifestEntry> parseEntry(ByteReader& reader, uint64_t archiveChunkCount) {
  ManifestEntry entry;
  std::optional<uint64_t> pathLength = readVarint(reader);
  if (!pathLength) return corrupt(L"Truncated manifest path length");
  if (*pathLength == 0 || *pathLength > kMaxEntryPathBytes) return corrupt(L"Manifest path length out of range");
  const uint8_t* pathBytes = reader.take(size_t(*pathLength));
  if (!pathBytes) return corrupt(L"Truncated manifest path");
  TOLZEB_ASSIGN_OR_RETURN(entry.path, utf8ToUtf16(pathBytes, size_t(*pathLength)));
  TOLZEB_TRY(validateEntryPath(entry.path));

  std::optional<uint8_t> type = reader.readU8();
  if (!type) return corrupt(L"Truncated manifest entry type");
  if (*type > kEntryTypeDirectory)
    return Failure{StatusCode::unsupported_version, L"Manifest entry uses an unknown type"};
  entry.type = *type;
  std::optional<uint32_t> attributes = reader.readU32();
  std::optional<uint64_t> modified = attributes ? reader.readU64() : std::nullopt;
  std::optional<uint64_t> size = modified ? reader.readU64() : std::nullopt;
  if (!size) return corrupt(L"Truncated manifest entry metadata");
  entry.attributes = *attributes;
  entry.modified = *modified;
  entry.size = *size;

  std::optional<uint64_t> chunkCount = readVarint(reader);
  if (!chunkCount) return corrupt(L"Truncated manifest chunk count");
  if (*chunkCount > reader.remaining()) return corrupt(L"Manifest entry claims more chunks than the manifest can hold");
  if (entry.type == kEntryTypeDirectory && *chunkCount > 0) return corrupt(L"Directory entry references chunk data");
  entry.chunks.reserve(size_t(std::min(*chunkCount, archiveChunkCount)));
  for (uint64_t i = 0; i < *chunkCount; ++i) {
    std::optional<uint64_t> index = readVarint(reader);
    if (!index) return corrupt(L"Truncated manifest chunk index");
    if (*index >= archiveChunkCount)
      return corrupt(L"Manifest references chunk " + decimal(*index) + L" but the archive has " +
                     decimal(archiveChunkCount));
    if (i > 0 && *index != entry.chunks.back() + 1)
      return corrupt(L"Manifest entry blocks are not a consecutive run: " + entry.path);
    entry.chunks.push_back(*index);
  }

  std::optional<uint64_t> offset = readVarint(reader);
  if (!offset) return corrupt(L"Truncated manifest block offset");
  if (*offset != 0 && entry.chunks.empty()) return corrupt(L"Manifest entry has a block offset but no blocks");
  if (*offset > kMaxBlockSize) return corrupt(L"Manifest block offset exceeds the block size limit");
  entry.firstChunkOffset = *offset;

  std::optional<uint64_t> attributeCount = readVarint(reader);
  if (!attributeCount) return corrupt(L"Truncated manifest TLV count");
  if (*attributeCount > kMaxEntryAttributeRecords) return corrupt(L"Manifest entry declares too many attributes");
  for (uint64_t i = 0; i < *attributeCount; ++i) {
    std::optional<uint64_t> attributeType = readVarint(reader);
    std::optional<uint64_t> attributeLength = attributeType ? readVarint(reader) : std::nullopt;
    if (!attributeLength) return corrupt(L"Truncated manifest attribute");
    if (*attributeLength > reader.remaining()) return corrupt(L"Manifest attribute length out of range");
    if (*attributeType >= kFirstCriticalAttributeType)
      return Failure{StatusCode::unsupported_version,
                     L"Manifest entry requires unknown attribute " + decimal(*attributeType)};
    reader.take(size_t(*attributeLength));
  }
  return entry;
}

}  // namespace

Result<std::vector<ManifestEntry>> parseManifest(const uint8_t* data, size_t length, uint64_t archiveChunkCount,
                                                 uint64_t entryLimit) {
  ByteReader reader(data, length);
  std::optional<uint32_t> version = reader.readU32();
  if (!version) return corrupt(L"Truncated manifest header");
  if (*version != kManifestVersion)
    return Failure{StatusCode::unsupported_version, L"Manifest version " + decimal(*version) + L" is not supported"};
  std::optional<uint64_t> count = reader.readU64();
  if (!count) return corrupt(L"Truncated manifest entry count");
  if (entryLimit != 0 && *count > entryLimit)
    return Failure{StatusCode::resource_limit,
                   L"Archive declares " + decimal(*count) + L" entries, above the configured limit"};
  if (*count > reader.remaining()) return corrupt(L"Manifest entry count exceeds the available manifest bytes");

  std::vector<ManifestEntry> entries;
  // Reserve only what the bytes can hold, so a hostile count cannot claim memory up front.
  entries.reserve(size_t(std::min<uint64_t>(*count, reader.remaining() / kMinManifestEntryBytes)));
  for (uint64_t i = 0; i < *count; ++i) {
    TOLZEB_ASSIGN_OR_RETURN(ManifestEntry entry, parseEntry(reader, archiveChunkCount));
    entries.push_back(std::move(entry));
  }
  if (!reader.atEnd()) return corrupt(L"Trailing bytes after the last manifest entry");
  return entries;
}

}  // namespace tolzeb
