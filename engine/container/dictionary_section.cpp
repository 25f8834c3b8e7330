#include "engine/container/dictionary_section.h"

#include <cstring>

#include "codecs/velt/velt.h"
#include "codecs/velt/velt_huff.h"
#include "engine/container/container_format.h"
#include "engine/core/crc32c.h"
#include "engine/core/sha256.h"

namespace tolzeb {

namespace {

constexpr size_t kCountAt = 8;
constexpr size_t kHeadReservedAt = 10;

}  // namespace

Result<Bytes> buildDictionarySection(const std::vector<DictionaryRecord>& dictionaries) {
  if (dictionaries.empty()) return Bytes{};
  if (dictionaries.size() > 1) return Failure{StatusCode::invalid_argument, L"Too many dictionaries for this format"};
  Bytes out(kDictionarySectionHeadSize, 0);
  std::memcpy(out.data(), kDictionaryMagic, kMagicSize);
  writeU16le(out.data() + kCountAt, uint16_t(dictionaries.size()));
  for (const DictionaryRecord& dictionary : dictionaries) {
    if (dictionary.id == 0) return Failure{StatusCode::invalid_argument, L"A dictionary id must not be zero"};
    if (dictionary.bytes.empty() || dictionary.bytes.size() > kMaxBlockSize)
      return Failure{StatusCode::invalid_argument, L"A dictionary must be between 1 byte and the 4 MiB ceiling"};

    uint8_t codec = kCodecStored;
    Bytes stored;
    TOLZEB_ASSIGN_OR_RETURN(Bytes velt, veltEncode(dictionary.bytes, kDictionaryEncodeLevel));
    if (!velt.empty() && velt.size() < dictionary.bytes.size()) {
      codec = kCodecVelt;
      TOLZEB_ASSIGN_OR_RETURN(Bytes huffman, encodeVeltHuff(velt));
      if (!huffman.empty() && huffman.size() < velt.size()) {
        codec = kCodecVeltHuff;
        stored = std::move(huffman);
      } else {
        stored = std::move(velt);
      }
    }
    const Bytes& chosen = codec == kCodecStored ? dictionary.bytes : stored;
    TOLZEB_ASSIGN_OR_RETURN(Sha256Digest digest, sha256(dictionary.bytes.data(), dictionary.bytes.size()));
    appendU16le(out, dictionary.id);
    out.push_back(codec);
    out.push_back(0);
    appendU32le(out, uint32_t(dictionary.bytes.size()));
    appendU32le(out, uint32_t(chosen.size()));
    appendU32le(out, crc32c(0, dictionary.bytes.data(), dictionary.bytes.size()));
    out.insert(out.end(), digest.begin(), digest.end());
    out.insert(out.end(), chosen.begin(), chosen.end());
  }
  return out;
}

Result<std::vector<DictionaryRecord>> parseDictionarySection(const uint8_t* data, size_t length,
                                                             uint64_t memoryCeiling) {
  if (data == nullptr || length < kDictionarySectionHeadSize) return corrupt(L"Dictionary section is too short");
  if (std::memcmp(data, kDictionaryMagic, kMagicSize) != 0) return corrupt(L"Dictionary section has the wrong magic");
  for (size_t i = kHeadReservedAt; i < kDictionarySectionHeadSize; ++i) {
    if (data[i] != 0) return corrupt(L"Dictionary section header uses a reserved byte");
  }
  uint16_t count = readU16le(data + kCountAt);
  if (count != 1) return corrupt(L"Dictionary section declares an unsupported count");

  std::vector<DictionaryRecord> dictionaries;
  uint64_t decodedTotal = 0;
  ByteReader reader(data, length);
  reader.pos = kDictionarySectionHeadSize;
  for (uint16_t n = 0; n < count; ++n) {
    const uint8_t* record = reader.take(kDictionaryRecordSize);
    if (!record) return corrupt(L"Dictionary record header is truncated");
    DictionaryRecord dictionary;
    dictionary.id = readU16le(record);
    dictionary.codec = record[2];
    uint32_t decodedSize = readU32le(record + 4);
    uint32_t storedSize = readU32le(record + 8);
    dictionary.crc32c = readU32le(record + 12);
    std::memcpy(dictionary.sha256.data(), record + 16, dictionary.sha256.size());

    if (dictionary.id == 0) return corrupt(L"A dictionary id of zero is not valid");
    if (record[3] != 0) return corrupt(L"Dictionary record uses a reserved byte");
    if (dictionary.codec > kCodecVeltHuff)
      return Failure{StatusCode::unsupported_version, L"Dictionary uses a codec this build does not know"};
    if (decodedSize == 0 || decodedSize > kMaxBlockSize)
      return corrupt(L"Dictionary declares an impossible decoded size");
    if (storedSize == 0 || storedSize > reader.remaining()) return corrupt(L"Dictionary bytes are truncated");
    if (memoryCeiling != 0 && decodedTotal + decodedSize > memoryCeiling)
      return Failure{StatusCode::resource_limit, L"Dictionary section asks for more memory than allowed"};
    decodedTotal += decodedSize;

    std::span<const uint8_t> stored(reader.take(storedSize), storedSize);
    if (dictionary.codec == kCodecStored) {
      if (storedSize != decodedSize) return corrupt(L"A raw dictionary must store exactly its decoded size");
      dictionary.bytes.assign(stored.begin(), stored.end());
    } else {
      Bytes velt;
      if (dictionary.codec == kCodecVeltHuff) {
        TOLZEB_ASSIGN_OR_RETURN(velt, decodeVeltHuff(stored, 2 * uint64_t(decodedSize) + 1024));
        stored = velt;
      }
      TOLZEB_ASSIGN_OR_RETURN(dictionary.bytes, decodeVeltBlock(stored, decodedSize, {}));
    }
    if (crc32c(0, dictionary.bytes.data(), dictionary.bytes.size()) != dictionary.crc32c)
      return corrupt(L"Dictionary failed its checksum");
    TOLZEB_ASSIGN_OR_RETURN(Sha256Digest digest, sha256(dictionary.bytes.data(), dictionary.bytes.size()));
    if (!sameDigest(digest.data(), dictionary.sha256.data())) return corrupt(L"Dictionary failed its digest");
    for (const DictionaryRecord& earlier : dictionaries) {
      if (earlier.id == dictionary.id) return corrupt(L"Two dictionaries share one id");
    }
    dictionaries.push_back(std::move(dictionary));
  }
  if (!reader.atEnd()) return corrupt(L"Dictionary section has trailing bytes");
  return dictionaries;
}

}  // namespace tolzeb
