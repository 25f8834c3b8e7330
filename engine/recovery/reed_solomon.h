// A systematic Reed-Solomon erasure code over GF(2^8) with a Cauchy parity
// matrix: k data shards get m parity shards, and any k of the k + m rebuild the
// rest. Which shards are lost is the caller's knowledge (from checksums); this
// code never detects damage itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/status.h"

namespace tolzeb {

class ReedSolomon {
 public:
  // m rows by k columns, row-major; entry (i, j) = 1 / (i XOR (m + j)).
  // Requires k >= 1, m >= 1, k + m <= 255 (code 2 otherwise).
  static Result<std::vector<uint8_t>> parityMatrix(size_t dataShards, size_t parityShards);

  // `data`: k shards back to back; `parity`: room for m shards, all
  // overwritten.
  static Status encode(const uint8_t* data, size_t dataShards, size_t shardSize, uint8_t* parity, size_t parityShards);

  // `shards`: all k + m shards, data first; `present[i]` non-zero for a shard
  // that survived. Rebuilds the missing ones in place (nothing is written
  // unless every check passes); with all data present, missing parity is left
  // alone. Fewer than k survivors: code 3.
  static Status reconstruct(uint8_t* shards, const uint8_t* present, size_t dataShards, size_t parityShards,
                            size_t shardSize);
};

}  // namespace tolzeb
