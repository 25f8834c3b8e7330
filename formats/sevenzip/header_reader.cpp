#include "formats/sevenzip/header_reader.h"

#include <string>

namespace tolzeb::sevenzip {
namespace {

Failure endsEarly() { return makeFailure(StatusCode::corrupt_archive, L"7z: header ends early"); }
Failure propertyOverrun() { return makeFailure(StatusCode::corrupt_archive, L"7z: property runs past the header"); }

}  // namespace

Result<uint8_t> readByte(ByteReader& reader) {
  const auto byte = reader.readU8();
  if (!byte) return endsEarly();
  return *byte;
}

Result<uint64_t> readNumber(ByteReader& reader) {
  TOLZEB_ASSIGN_OR_RETURN(const uint8_t first, readByte(reader));
  unsigned extra = 0;
  while (extra < 8 && (first & (0x80u >> extra))) ++extra;
  const uint8_t* low = reader.take(extra);
  if (!low) return endsEarly();
  uint64_t value = 0;
  for (unsigned i = 0; i < extra; ++i) value |= uint64_t(low[i]) << (8 * i);
  if (extra < 8) value |= uint64_t(first & (0x7Fu >> extra)) << (8 * extra);
  return value;
}

Result<uint64_t> readCount(ByteReader& reader, uint64_t max, const wchar_t* what) {
  TOLZEB_ASSIGN_OR_RETURN(const uint64_t value, readNumber(reader));
  if (value > max) return makeFailure(StatusCode::corrupt_archive, std::wstring(L"7z: implausible count for ") + what);
  return value;
}

Result<std::vector<bool>> readBitVector(ByteReader& reader, uint64_t count) {
  const uint64_t byteCount = count / 8 + (count % 8 != 0);
  if (byteCount > reader.remaining()) return endsEarly();
  const uint8_t* bytes = reader.take(size_t(byteCount));
  std::vector<bool> bits(static_cast<size_t>(count));
  for (uint64_t i = 0; i < count; ++i) bits[size_t(i)] = (bytes[i / 8] >> (7 - i % 8)) & 1;
  return bits;
}

Result<std::vector<bool>> readDefinedBits(ByteReader& reader, uint64_t count) {
  TOLZEB_ASSIGN_OR_RETURN(const uint8_t allDefined, readByte(reader));
  if (allDefined != 0) return std::vector<bool>(size_t(count), true);
  return readBitVector(reader, count);
}

Result<uint32_t> readUInt32(ByteReader& reader) {
  const auto value = reader.readU32();
  if (!value) return endsEarly();
  return *value;
}

Result<uint64_t> readUInt64(ByteReader& reader) {
  const auto value = reader.readU64();
  if (!value) return endsEarly();
  return *value;
}

Result<const uint8_t*> takeBytes(ByteReader& reader, uint64_t count) {
  if (count > reader.remaining()) return propertyOverrun();
  return reader.take(size_t(count));
}

Status skipBytes(ByteReader& reader, uint64_t count) {
  if (count > reader.remaining()) return propertyOverrun();
  reader.pos += size_t(count);
  return Status();
}

}  // namespace tolzeb::sevenzip
