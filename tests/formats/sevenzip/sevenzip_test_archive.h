// Hand-built 7z files for the reader's tests: header records assembled from bytes, wrapped in a
// signature header with correct checksums unless a test spoils them.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "codecs/crc32.h"
#include "engine/core/bytes.h"
#include "formats/sevenzip/sevenzip_format.h"

namespace tolzeb::sevenziptest {

inline Bytes number(uint64_t value) {
  Bytes out;
  appendSevenZipNumber(out, value);
  return out;
}

// Concatenates byte pieces.
inline Bytes cat(std::initializer_list<Bytes> pieces) {
  Bytes out;
  for (const Bytes& piece : pieces) out.insert(out.end(), piece.begin(), piece.end());
  return out;
}

// The whole file: signature header, packed streams, next header.
inline Bytes sevenZipFile(const Bytes& packed, const Bytes& header) {
  Bytes out(32, 0);
  for (size_t i = 0; i < 6; ++i) out[i] = kSevenZipSignature[i];
  out[7] = 4;
  writeU64le(&out[12], packed.size());
  writeU64le(&out[20], header.size());
  writeU32le(&out[28], crc32(0, header.data(), header.size()));
  writeU32le(&out[8], crc32(0, &out[12], 20));
  out.insert(out.end(), packed.begin(), packed.end());
  out.insert(out.end(), header.begin(), header.end());
  return out;
}

// A folder record of one coder with one input and one output.
inline Bytes simpleFolder(uint8_t methodId, const Bytes& properties = {}) {
  if (properties.empty()) return {1, 0x01, methodId};
  return cat({{1, 0x21, methodId}, number(properties.size()), properties});
}

// PackInfo and UnpackInfo for single-coder folders, one packed stream each.
inline Bytes packAndUnpack(const std::vector<uint64_t>& packedSizes, const std::vector<Bytes>& folders,
                           const std::vector<uint64_t>& unpackSizes) {
  Bytes out = cat({{0x06}, number(0), number(packedSizes.size()), {0x09}});
  for (uint64_t size : packedSizes) out = cat({out, number(size)});
  out = cat({out, {0x00, 0x07, 0x0B}, number(folders.size()), {0x00}});
  for (const Bytes& folder : folders) out = cat({out, folder});
  out.push_back(0x0C);
  for (uint64_t size : unpackSizes) out = cat({out, number(size)});
  out.push_back(0x00);
  return out;
}

inline Bytes property(uint8_t id, const Bytes& body) { return cat({{id}, number(body.size()), body}); }

inline Bytes namesProperty(const std::vector<std::wstring>& names) {
  Bytes body = {0};
  for (const std::wstring& name : names) {
    for (wchar_t unit : name) appendU16le(body, uint16_t(unit));
    appendU16le(body, 0);
  }
  return property(0x11, body);
}

inline Bytes bits(const std::vector<bool>& values) {
  Bytes out;
  appendBitVector(out, values);
  return out;
}

// FilesInfo of `names` with the given extra properties before the names.
inline Bytes filesInfo(const std::vector<std::wstring>& names, const Bytes& extraProperties = {}) {
  return cat({{0x05}, number(names.size()), extraProperties, namesProperty(names), {0x00}});
}

// A plain header: MainStreamsInfo (when `streams` is not empty, ended here) and FilesInfo.
inline Bytes plainHeader(const Bytes& streams, const Bytes& files) {
  if (streams.empty()) return cat({{0x01}, files, {0x00}});
  return cat({{0x01, 0x04}, streams, {0x00}, files, {0x00}});
}

// Stored (Copy) files, one folder each, with CRCs from SubStreamsInfo.
inline Bytes storedFiles(const std::vector<std::pair<std::wstring, std::string>>& files, Bytes& packed) {
  std::vector<uint64_t> sizes;
  std::vector<Bytes> folders;
  std::vector<std::wstring> names;
  Bytes crcs = {0x0A, 0x01};
  for (const auto& [name, text] : files) {
    packed.insert(packed.end(), text.begin(), text.end());
    sizes.push_back(text.size());
    folders.push_back(simpleFolder(0x00));
    names.push_back(name);
    appendU32le(crcs, crc32(0, text.data(), text.size()));
  }
  const Bytes streams = cat({packAndUnpack(sizes, folders, sizes), {0x08}, crcs, {0x00}});
  return plainHeader(streams, filesInfo(names));
}

}  // namespace tolzeb::sevenziptest
