#include "engine/recovery/reed_solomon.h"

#include <cstring>

#include "engine/recovery/gf256.h"

namespace tolzeb {
namespace {

// out ^= coefficient * in, byte by byte.
void addScaled(uint8_t coefficient, const uint8_t* in, uint8_t* out, size_t length) {
  if (coefficient == 0) return;
  GfMulTable table = gfMulTable(coefficient);
  for (size_t b = 0; b < length; ++b) out[b] ^= table.product[in[b]];
}

Status checkBuffers(const void* a, const void* b, size_t shardSize) {
  if (a == nullptr || b == nullptr) return Status(StatusCode::invalid_argument, L"Reed-Solomon: null shard buffer");
  if (shardSize == 0) return Status(StatusCode::invalid_argument, L"Reed-Solomon: shards must not be empty");
  return Status();
}

}  // namespace

Result<std::vector<uint8_t>> ReedSolomon::parityMatrix(size_t dataShards, size_t parityShards) {
  if (dataShards == 0) return Failure{StatusCode::invalid_argument, L"Reed-Solomon needs at least one data shard"};
  if (parityShards == 0)
    return Failure{StatusCode::invalid_argument, L"Reed-Solomon with no parity shards would recover nothing"};
  if (dataShards + parityShards >= 256)
    return Failure{StatusCode::invalid_argument, L"Reed-Solomon over GF(2^8) holds at most 255 shards in one group"};
  std::vector<uint8_t> matrix(parityShards * dataShards);
  for (size_t i = 0; i < parityShards; ++i)
    for (size_t j = 0; j < dataShards; ++j) matrix[i * dataShards + j] = gfInverse(uint8_t(i ^ (parityShards + j)));
  return matrix;
}

Status ReedSolomon::encode(const uint8_t* data, size_t dataShards, size_t shardSize, uint8_t* parity,
                           size_t parityShards) {
  TOLZEB_TRY(checkBuffers(data, parity, shardSize));
  TOLZEB_ASSIGN_OR_RETURN(std::vector<uint8_t> matrix, parityMatrix(dataShards, parityShards));
  std::memset(parity, 0, parityShards * shardSize);
  for (size_t i = 0; i < dataShards; ++i)
    for (size_t j = 0; j < parityShards; ++j)
      addScaled(matrix[j * dataShards + i], data + i * shardSize, parity + j * shardSize, shardSize);
  return Status();
}

Status ReedSolomon::reconstruct(uint8_t* shards, const uint8_t* present, size_t dataShards, size_t parityShards,
                                size_t shardSize) {
  TOLZEB_TRY(checkBuffers(shards, present, shardSize));
  TOLZEB_ASSIGN_OR_RETURN(std::vector<uint8_t> matrix, parityMatrix(dataShards, parityShards));
  const size_t k = dataShards, total = dataShards + parityShards;
  size_t survivors = 0;
  for (size_t s = 0; s < total; ++s) survivors += present[s] != 0;
  if (survivors < k)
    return Status(StatusCode::corrupt_archive,
                  L"Too much of this archive is damaged for its recovery "
                  L"record to rebuild");
  bool allData = true;
  for (size_t s = 0; s < k; ++s) allData = allData && present[s] != 0;
  if (allData) return Status();

  // Rows of the code's generator matrix for the first k survivors, inverted,
  // give the data.
  std::vector<uint8_t> decode(k * k, 0);
  std::vector<size_t> source;
  for (size_t s = 0; s < total && source.size() < k; ++s) {
    if (!present[s]) continue;
    size_t row = source.size();
    if (s < k)
      decode[row * k + s] = 1;
    else
      std::memcpy(&decode[row * k], &matrix[(s - k) * k], k);
    source.push_back(s);
  }
  if (!invertMatrix(decode, k))
    return Status(StatusCode::general, L"Reed-Solomon: the surviving shards do not form an invertible set");

  std::vector<uint8_t> rebuilt(shardSize);
  for (size_t t = 0; t < k; ++t) {
    if (present[t]) continue;
    std::memset(rebuilt.data(), 0, shardSize);
    for (size_t r = 0; r < k; ++r)
      addScaled(decode[t * k + r], shards + source[r] * shardSize, rebuilt.data(), shardSize);
    std::memcpy(shards + t * shardSize, rebuilt.data(), shardSize);
  }
  for (size_t p = 0; p < parityShards; ++p) {
    if (present[k + p]) continue;
    uint8_t* out = shards + (k + p) * shardSize;
    std::memset(out, 0, shardSize);
    for (size_t i = 0; i < k; ++i) addScaled(matrix[p * k + i], shards + i * shardSize, out, shardSize);
  }
  return Status();
}

}  // namespace tolzeb
