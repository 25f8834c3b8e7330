// Hand-built .zip images for the reader's tests: every field can be set, so that each
// malformation is one small change to a valid archive.
#pragma once

#include <string>
#include <vector>

#include "codecs/crc32.h"
#include "codecs/deflate/deflate.h"
#include "engine/core/bytes.h"
#include "support/scratch_tree.h"
#include "formats/zip/zip_format.h"

namespace tolzeb::testing {

struct FixtureEntry {
  std::string name;
  std::string content;   // the entry's uncompressed bytes
  bool deflated = false;  // method 8 with our encoder, else stored
  uint16_t flags = kZipFlagUtf8Name;
  uint32_t externalAttributes = 0;
  uint16_t dosDate = 0x5A21;  // 2025-01-01
  uint16_t dosTime = 0x6000;  // 12:00:00
  Bytes centralExtra;
};

inline FixtureEntry fileEntry(std::string name, std::string content, bool deflated = false) {
  FixtureEntry entry;
  entry.name = std::move(name);
  entry.content = std::move(content);
  entry.deflated = deflated;
  return entry;
}

struct FixtureLayout {
  std::vector<uint64_t> localOffsets;
  std::vector<uint64_t> centralOffsets;
  uint64_t directoryOffset = 0;
  uint64_t endRecordOffset = 0;
};

// Local headers and data, the central directory, the end record with `comment`.
inline Bytes buildZip(const std::vector<FixtureEntry>& entries, const std::string& comment = "",
                      FixtureLayout* layout = nullptr) {
  FixtureLayout where;
  Bytes out;
  Bytes central;
  for (const FixtureEntry& entry : entries) {
    const auto* content = reinterpret_cast<const uint8_t*>(entry.content.data());
    Bytes data(content, content + entry.content.size());
    if (entry.deflated) data = deflate(content, entry.content.size(), 6).value();
    const uint32_t crc = crc32(0, content, entry.content.size());
    const uint16_t method = entry.deflated ? kZipMethodDeflate : kZipMethodStored;
    where.localOffsets.push_back(out.size());
    const uint32_t localOffset = uint32_t(out.size());
    appendU32le(out, kZipLocalHeaderSignature);
    appendU16le(out, 20);
    appendU16le(out, entry.flags);
    appendU16le(out, method);
    appendU16le(out, entry.dosTime);
    appendU16le(out, entry.dosDate);
    appendU32le(out, crc);
    appendU32le(out, uint32_t(data.size()));
    appendU32le(out, uint32_t(entry.content.size()));
    appendU16le(out, uint16_t(entry.name.size()));
    appendU16le(out, 0);
    out.insert(out.end(), entry.name.begin(), entry.name.end());
    out.insert(out.end(), data.begin(), data.end());

    where.centralOffsets.push_back(central.size());
    appendU32le(central, kZipCentralHeaderSignature);
    appendU16le(central, 20);
    appendU16le(central, 20);
    appendU16le(central, entry.flags);
    appendU16le(central, method);
    appendU16le(central, entry.dosTime);
    appendU16le(central, entry.dosDate);
    appendU32le(central, crc);
    appendU32le(central, uint32_t(data.size()));
    appendU32le(central, uint32_t(entry.content.size()));
    appendU16le(central, uint16_t(entry.name.size()));
    appendU16le(central, uint16_t(entry.centralExtra.size()));
    appendU16le(central, 0);
    appendU16le(central, 0);
    appendU16le(central, 0);
    appendU32le(central, entry.externalAttributes);
    appendU32le(central, localOffset);
    central.insert(central.end(), entry.name.begin(), entry.name.end());
    central.insert(central.end(), entry.centralExtra.begin(), entry.centralExtra.end());
  }
  where.directoryOffset = out.size();
  for (auto& offset : where.centralOffsets) offset += where.directoryOffset;
  out.insert(out.end(), central.begin(), central.end());
  where.endRecordOffset = out.size();
  appendU32le(out, kZipEndRecordSignature);
  appendU16le(out, 0);
  appendU16le(out, 0);
  appendU16le(out, uint16_t(entries.size()));
  appendU16le(out, uint16_t(entries.size()));
  appendU32le(out, uint32_t(central.size()));
  appendU32le(out, uint32_t(where.directoryOffset));
  appendU16le(out, uint16_t(comment.size()));
  out.insert(out.end(), comment.begin(), comment.end());
  if (layout) *layout = where;
  return out;
}

inline void put16(Bytes& bytes, uint64_t offset, uint16_t value) { writeU16le(&bytes[offset], value); }
inline void put32(Bytes& bytes, uint64_t offset, uint32_t value) { writeU32le(&bytes[offset], value); }

inline std::string text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace tolzeb::testing
