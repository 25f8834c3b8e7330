#include "codecs/gzip.h"

#include <algorithm>

#include "codecs/crc32.h"
#include "codecs/decompressed_limit.h"
#include "codecs/deflate/deflate.h"
#include "codecs/deflate/inflate.h"

namespace tolzeb {
namespace {

constexpr uint8_t kId1 = 0x1F;
constexpr uint8_t kId2 = 0x8B;
constexpr uint8_t kMethodDeflate = 8;
constexpr size_t kFixedHeaderSize = 10;
constexpr size_t kTrailerSize = 8;
// Look-ahead for a member header: the fixed part, an extra field of any length and short names.
constexpr size_t kHeaderLookahead = kFixedHeaderSize + 2 + 65535 + 1024;
// A header whose name and comment together run longer than this is refused as unterminated.
constexpr size_t kLongestHeader = size_t(1) << 20;

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

GzipStreamReader::GzipStreamReader(InflateInput& input, uint64_t cap) : input_(input), cap_(cap) {}

Status GzipStreamReader::startMember() {
  TOLZEB_TRY(input_.fill(kHeaderLookahead));
  Result<size_t> header = parseGzipHeader(input_.data() + input_.position(), input_.available());
  if (header.failed() && !input_.ended()) {
    // Only a long name or comment needs more than the usual look-ahead.
    TOLZEB_TRY(input_.fill(kLongestHeader));
    header = parseGzipHeader(input_.data() + input_.position(), input_.available());
  }
  if (header.failed()) return std::move(header).failure();
  input_.setPosition(input_.position() + *header);
  TOLZEB_TRY(input_.fill(kTrailerSize));
  if (input_.available() < kTrailerSize) return corrupt(L"gzip stream has no room for its trailer");
  member_.emplace(input_, std::max<uint64_t>(cap_ - total_, 1));
  memberCrc_ = 0;
  memberLength_ = 0;
  return Status();
}

Status GzipStreamReader::finishMember() {
  member_.reset();
  TOLZEB_TRY(input_.fill(kTrailerSize));
  if (input_.available() < kTrailerSize) return corrupt(L"gzip stream has no room for its trailer");
  const uint8_t* trailer = input_.data() + input_.position();
  if (memberCrc_ != readU32le(trailer)) return corrupt(L"gzip stream failed its CRC-32 check");
  if (uint32_t(memberLength_) != readU32le(trailer + 4))
    return corrupt(L"gzip stream decompressed to a different length than it declares");
  input_.setPosition(input_.position() + kTrailerSize);

  // Another member may follow, or zero bytes that pad a tape block or a disk image.
  TOLZEB_TRY(input_.fill(kFixedHeaderSize));
  if (input_.available() == 0) {
    ended_ = true;
    return Status();
  }
  if (looksLikeGzip(input_.data() + input_.position(), input_.available())) return Status();
  for (;;) {
    const uint8_t* next = input_.data() + input_.position();
    if (std::any_of(next, next + input_.available(), [](uint8_t byte) { return byte != 0; }))
      return corrupt(L"gzip stream is followed by data that is neither gzip nor zero padding");
    input_.setPosition(input_.end());
    TOLZEB_TRY(input_.fill(1));
    if (input_.available() == 0) break;
  }
  ended_ = true;
  return Status();
}

Result<size_t> GzipStreamReader::read(uint8_t* buffer, size_t capacity) {
  while (!ended_) {
    if (!member_) TOLZEB_TRY(startMember());
    TOLZEB_ASSIGN_OR_RETURN(const size_t got, member_->read(buffer, capacity));
    if (got != 0) {
      memberLength_ += got;
      total_ += got;
      if (total_ > cap_) return decompressedOverLimit();
      memberCrc_ = crc32(memberCrc_, buffer, got);
      return got;
    }
    TOLZEB_TRY(finishMember());
  }
  return size_t(0);
}

Result<uint64_t> gunzipStream(InflateInput& input, const InflateSink& sink, uint64_t cap) {
  GzipStreamReader reader(input, cap);
  Bytes piece(size_t(1) << 20);
  for (;;) {
    TOLZEB_ASSIGN_OR_RETURN(const size_t got, reader.read(piece.data(), piece.size()));
    if (got == 0) return reader.total();
    TOLZEB_TRY(sink(piece.data(), got));
  }
}

Result<Bytes> gunzip(const uint8_t* data, size_t size, uint64_t cap) {
  InflateInput input = InflateInput::over(data, size);
  Bytes output;
  const InflateSink append = [&](const uint8_t* piece, size_t length) {
    output.insert(output.end(), piece, piece + length);
    return Status();
  };
  TOLZEB_TRY(gunzipStream(input, append, cap).status());
  return output;
}

namespace {

void appendMemberHeader(Bytes& out, int32_t level) {
  const uint8_t extraFlags = level >= 9 ? kExtraFlagsSlowest : level <= 1 ? kExtraFlagsFastest : 0;
  const uint8_t header[kFixedHeaderSize] = {kId1, kId2, kMethodDeflate, 0, 0, 0, 0, 0, extraFlags, kOsFat};
  out.insert(out.end(), header, header + kFixedHeaderSize);
}

}  // namespace

Result<Bytes> gzipCompress(const uint8_t* data, size_t size, int32_t level) {
  TOLZEB_ASSIGN_OR_RETURN(const Bytes body, deflate(data, size, level));
  Bytes out;
  out.reserve(body.size() + kFixedHeaderSize + kTrailerSize);
  appendMemberHeader(out, level);
  out.insert(out.end(), body.begin(), body.end());
  appendU32le(out, crc32(0, data, size));
  appendU32le(out, uint32_t(size));
  return out;
}

GzipStreamWriter::GzipStreamWriter(int32_t level, ByteSink sink) : level_(level), sink_(sink), body_(level, sink) {}

Status GzipStreamWriter::write(const uint8_t* data, size_t size) {
  if (!headerWritten_) {
    Bytes header;
    appendMemberHeader(header, level_);
    TOLZEB_TRY(sink_(header.data(), header.size()));
    headerWritten_ = true;
  }
  crc_ = crc32(crc_, data, size);
  length_ += size;
  return body_.write(data, size);
}

Status GzipStreamWriter::finish() {
  TOLZEB_TRY(write(nullptr, 0));
  TOLZEB_TRY(body_.finish());
  Bytes trailer;
  appendU32le(trailer, crc_);
  appendU32le(trailer, uint32_t(length_));
  return sink_(trailer.data(), trailer.size());
}

}  // namespace tolzeb
