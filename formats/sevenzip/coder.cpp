#include "formats/sevenzip/coder.h"

#include <algorithm>

#include "codecs/decompressed_limit.h"
#include "codecs/deflate/inflate.h"
#include "codecs/lzma/lzma.h"
#include "formats/sevenzip/filters.h"

namespace tolzeb {
namespace {

constexpr uint8_t kLzma2LargestDictionaryByte = 40;

// A stream that decodes past its declared size is wrong whatever follows, so decoding stops one
// byte beyond it instead of filling memory up to the general cap (an empty size still needs a cap).
uint64_t declaredCap(uint64_t outputSize, uint64_t cap) { return std::min(cap, outputSize + 1); }

// Under the declared cap, output that the decoder refuses as too much runs past the declared
// size: a wrong length in the archive, not a limit of this operation.
Result<Bytes> checkDeclaredLength(Result<Bytes> decoded, uint64_t outputSize, const wchar_t* wrongLength) {
  if (decoded.failed()) {
    const Failure& failure = decoded.failure();
    if (failure.code == StatusCode::resource_limit &&
        failure.message == kDecompressedLimitMessage)
      return corrupt(wrongLength);
    return decoded;
  }
  if (decoded->size() != outputSize) return corrupt(wrongLength);
  return decoded;
}

Result<std::vector<uint8_t>> decodeLzma2(const SevenZipCoder& coder, const std::vector<uint8_t>& input,
                                         uint64_t outputSize, uint64_t cap) {
  if (coder.properties.size() != 1) return corrupt(L"7z: LZMA2 coder has no dictionary size");
  if (coder.properties[0] > kLzma2LargestDictionaryByte) return corrupt(L"7z: LZMA2 dictionary size is out of range");
  return checkDeclaredLength(
      lzma2Decode(input.data(), input.size(), lzma2DictionarySize(coder.properties[0]), declaredCap(outputSize, cap)),
      outputSize, L"7z: LZMA2 stream decoded to the wrong length");
}

Result<std::vector<uint8_t>> decodeLzma(const SevenZipCoder& coder, const std::vector<uint8_t>& input,
                                        uint64_t outputSize, uint64_t cap) {
  if (coder.properties.size() != 5) return corrupt(L"7z: LZMA coder has no properties block");
  TOLZEB_ASSIGN_OR_RETURN(const LzmaProperties properties,
                          parseLzmaProperties(coder.properties[0], readU32le(&coder.properties[1])));
  return lzmaDecode(input.data(), input.size(), properties, outputSize, cap);
}

}  // namespace

uint32_t lzma2DictionarySize(uint8_t propertyByte) {
  if (propertyByte >= kLzma2LargestDictionaryByte) return 0xFFFFFFFF;
  return (2u | (propertyByte & 1u)) << (propertyByte / 2 + 11);
}

Result<std::vector<uint8_t>> decodeSevenZipCoder(const SevenZipCoder& coder, const std::vector<uint8_t>& input,
                                                 uint64_t outputSize, uint64_t cap) {
  if (outputSize > cap)
    return makeFailure(StatusCode::resource_limit, L"7z: a folder declares more output than this build decodes");
  switch (coder.methodId) {
    case sevenzip_method::kCopy:
      if (input.size() != outputSize) return corrupt(L"7z: Copy coder sizes do not agree");
      return input;
    case sevenzip_method::kDelta:
      return decodeDelta(input, coder.properties, outputSize);
    case sevenzip_method::kX86:
    case sevenzip_method::kX86Long:
      if (input.size() != outputSize) return corrupt(L"7z: x86 filter sizes do not agree");
      return decodeX86Bcj(input);
    case sevenzip_method::kLzma2:
      return decodeLzma2(coder, input, outputSize, cap);
    case sevenzip_method::kLzma:
      return decodeLzma(coder, input, outputSize, cap);
    case sevenzip_method::kDeflate:
      return checkDeclaredLength(inflateExact(input.data(), input.size(), outputSize, declaredCap(outputSize, cap)),
                                 outputSize, L"7z: DEFLATE stream decoded to the wrong length");
    case sevenzip_method::kBcj2:
      return makeFailure(StatusCode::general, L"7z: BCJ2 takes four inputs, not one");
    default:
      return unreadableSevenZipMethod(coder.methodId);
  }
}

Failure unreadableSevenZipMethod(uint64_t methodId) {
  switch (methodId) {
    case sevenzip_method::kBzip2:
      return makeFailure(StatusCode::unsupported_version,
                         L"7z: this archive uses BZip2, which this build does not read");
    case sevenzip_method::kAes:
      return makeFailure(StatusCode::unsupported_version,
                         L"7z: this archive is encrypted, which this build does not read");
    default:
      return makeFailure(StatusCode::unsupported_version,
                         L"7z: this archive uses a compression method this build does not read");
  }
}

}  // namespace tolzeb
