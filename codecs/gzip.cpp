#include "codecs/gzip.h"

#include "codecs/crc32.h"
#include "codecs/deflate/deflate.h"
#include "codecs/deflate/inflate.h"

namespace tolzeb {
namespace {

constexpr uint8_t kId1 = 0x1F;
constexpr uint8_t kId2 = 0x8B;
constexpr uint8_t kMethodDeflate = 8;
constexpr size_t kFixedHeaderSize = 10;
constexpr size_t kTrailerSize = 8;

constexpr size_t kFlagsOffset = 3;
constexpr uint8_t kFlagHeaderCrc = 0x02;
constexpr uint8_t kFlagExtra = 0x04;
constexpr uint8_t kFlagName = 0x08;
constexpr uint8_t kFlagComment = 0x10;
constexpr uint8_t kFirstReservedFlag = 0x20;

// XFL tells readers how hard the writer tried.
constexpr uint8_t kExtraFlagsSlowest = 2;
constexpr uint8_t kExtraFlagsFastest = 4;
constexpr uint8_t kOsFat = 0;

}  // namespace

bool looksLikeGzip(const uint8_t* data, size_t size) {
  return size >= 3 && data[0] == kId1 && data[1] == kId2 && data[2] == kMethodDeflate;
}

Result<size_t> parseGzipHeader(const uint8_t* data, size_t size) {
  if (!looksLikeGzip(data, size)) return corrupt(L"Not a gzip stream");
  if (size < kFixedHeaderSize) return corrupt(L"gzip header is truncated");
  const uint8_t flags = data[kFlagsOffset];
  if (flags >= kFirstReservedFlag)
    return Failure{StatusCode::unsupported_version, L"gzip stream sets reserved flag bits this build does not know"};
  size_t offset = kFixedHeaderSize;
  if (flags & kFlagExtra) {
    if (size < kFixedHeaderSize + 2) return corrupt(L"gzip extra field is truncated");
    offset = kFixedHeaderSize + 2 + readU16le(data + kFixedHeaderSize);
    if (size < offset) return corrupt(L"gzip extra field runs past the stream");
  }
  for (uint8_t stringFlag : {kFlagName, kFlagComment}) {
    if (!(flags & stringFlag)) continue;
    while (offset < size && data[offset] != 0) ++offset;
    if (offset == size) return corrupt(L"gzip header string is unterminated");
    ++offset;
  }
  if (flags & kFlagHeaderCrc) {
    offset += 2;  // skipped, not compared
    if (size < offset) return corrupt(L"gzip header CRC is truncated");
  }
  return offset;
}

Result<Bytes> gunzip(const uint8_t* data, size_t size, uint64_t cap) {
  TOLZEB_ASSIGN_OR_RETURN(const size_t bodyOffset, parseGzipHeader(data, size));
  if (size - bodyOffset < kTrailerSize) return corrupt(L"gzip stream has no room for its trailer");
  const uint8_t* trailer = data + size - kTrailerSize;
  TOLZEB_ASSIGN_OR_RETURN(Bytes output, inflateExact(data + bodyOffset, size - kTrailerSize - bodyOffset, 0, cap));
  if (crc32(0, output.data(), output.size()) != readU32le(trailer))
    return corrupt(L"gzip stream failed its CRC-32 check");
  if (uint32_t(output.size()) != readU32le(trailer + 4))
    return corrupt(L"gzip stream decompressed to a different length than it declares");
  return output;
}

Result<Bytes> gzipCompress(const uint8_t* data, size_t size, int32_t level) {
  TOLZEB_ASSIGN_OR_RETURN(const Bytes body, deflate(data, size, level));
  Bytes out;
  out.reserve(body.size() + kFixedHeaderSize + kTrailerSize);
  const uint8_t extraFlags = level >= 9 ? kExtraFlagsSlowest : level <= 1 ? kExtraFlagsFastest : 0;
  const uint8_t header[kFixedHeaderSize] = {kId1, kId2, kMethodDeflate, 0, 0, 0, 0, 0, extraFlags, kOsFat};
  out.insert(out.end(), header, header + kFixedHeaderSize);
  out.insert(out.end(), body.begin(), body.end());
  appendU32le(out, crc32(0, data, size));
  appendU32le(out, uint32_t(size));
  return out;
}

}  // namespace tolzeb
