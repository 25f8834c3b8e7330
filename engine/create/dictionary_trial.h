// Decides whether a preset dictionary trained on the inputs is worth storing in a new archive:
// samples the files, trains a dictionary, compresses up to four chunk-sized test buffers with
// and without it, and keeps it only when the saving projected onto the whole input exceeds
// twice the dictionary's own size. Runs on the creating thread before the archive is opened.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"

namespace tolzeb {

struct DictionarySampleSpan {
  uint64_t offset = 0;  // into DictionarySamples::bytes
  uint64_t length = 0;
};

// All samples back to back, in the order read.
struct DictionarySamples {
  std::vector<uint8_t> bytes;
  std::vector<DictionarySampleSpan> spans;
};

inline constexpr uint64_t kDictionarySampleBudget = 16u << 20;
inline constexpr uint32_t kDictionaryTarget = 256u << 10;
inline constexpr size_t kMaxTrialChunks = 4;
inline constexpr size_t kMinTrialChunkBytes = 4096;

// The dictionary to use, or empty for none. `level` is the CompressionMode value.
Result<std::vector<uint8_t>> trialDictionary(const std::vector<SourceEntry>& entries, uint32_t chunkSize,
                                             uint64_t totalInputBytes, uint8_t level);

// Up to 8 evenly spaced samples per file, 16 MiB in all; unreadable files are skipped.
Result<DictionarySamples> collectDictionarySamples(const std::vector<SourceEntry>& entries, uint32_t chunkSize);

// Up to 4 buffers of at most one chunk, each filled with the leading bytes of consecutive files
// starting at evenly spaced files; buffers under 4 KiB are dropped, unreadable files skipped.
std::vector<std::vector<uint8_t>> readTrialChunks(const std::vector<SourceEntry>& entries, uint32_t chunkSize);

// Whether "TOLZEB_PROFILE" asks for the dictionary line: set, at most 7 characters, first '1'.
bool profilingEnabled();
// The same rule for a given value; null means the variable is not set.
bool profilingRequested(const char* value);

// The diagnostic line written to standard error when a dictionary is kept under profiling.
std::wstring dictionaryProfileLine(uint64_t dictionaryBytes, uint64_t trialBytes, uint64_t withoutTotal,
                                   uint64_t withTotal);

}  // namespace tolzeb
