#include "engine/create/dictionary_trial.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <span>

#include "codecs/dictionary_trainer.h"
#include "codecs/velt/velt.h"
#include "codecs/velt/velt_huff.h"
#include "engine/core/bytes.h"
#include "engine/core/fs.h"
#include "engine/create/diagnostic_output.h"

namespace tolzeb {
namespace {

constexpr uint32_t kMaxSamplesPerFile = 8;
constexpr uint64_t kSampleBytesPerFile = 262144;
constexpr uint64_t kMinSampleLimit = 1024;
constexpr uint64_t kMinSampleBytes = 32;
constexpr uint32_t kMinRatio = 8;
constexpr uint32_t kMinSampleCount = 2;
constexpr size_t kProfileValueRoom = 7;  // the value must fit an 8-character buffer

bool isNonEmptyFile(const SourceEntry& entry) { return !entry.isDirectory && entry.size > 0; }

// Appends up to `length` bytes read at `offset`; a failed read leaves `out` as it was.
Result<uint64_t> appendRead(const UniqueHandle& file, uint64_t offset, uint64_t length, std::vector<uint8_t>& out) {
  const size_t before = out.size();
  out.resize(before + length);
  Result<uint64_t> got = file.readAt(offset, out.data() + before, length);
  out.resize(before + (got.hasValue() ? got.value() : 0));
  return got;
}

void sampleFile(const SourceEntry& entry, uint32_t chunkSize, uint64_t& budget, DictionarySamples& samples) {
  const uint64_t size = entry.size;
  const uint64_t count = size > 2 * uint64_t(chunkSize) ? std::min<uint64_t>(size / chunkSize, kMaxSamplesPerFile) : 1;
  const uint64_t limit = std::max(kSampleBytesPerFile / count, kMinSampleLimit);
  Result<UniqueHandle> file = openForRead(entry.sourcePath);
  if (file.failed()) return;
  for (uint64_t i = 0; i < count; ++i) {
    if (budget == 0) return;
    const uint64_t start = i * (size / count);
    if (start >= size) return;
    const uint64_t length = std::min({size - start, limit, budget});
    if (length < kMinSampleBytes) continue;
    const uint64_t offset = samples.bytes.size();
    Result<uint64_t> got = appendRead(file.value(), start, length, samples.bytes);
    if (got.failed() || got.value() == 0) return;
    samples.spans.push_back({offset, got.value()});
    budget -= got.value();
  }
}

// Stored size under the block rule: VELT when strictly shorter, then VELT_HUFF when strictly
// shorter still (not at level 0); the buffer's own length otherwise, encoder failures included.
uint64_t storedSize(const std::vector<uint8_t>& buffer, uint8_t level, std::span<const uint8_t> dictionary) {
  Result<Bytes> velt = veltEncodeWithDictionary(buffer, level, dictionary);
  if (velt.failed() || velt->empty() || velt->size() >= buffer.size()) return buffer.size();
  uint64_t size = velt->size();
  if (level != 0) {
    Result<Bytes> huff = encodeVeltHuff(velt.value());
    if (huff.hasValue() && !huff->empty() && huff->size() < velt->size()) size = huff->size();
  }
  return size;
}

}  // namespace

Result<DictionarySamples> collectDictionarySamples(const std::vector<SourceEntry>& entries, uint32_t chunkSize) {
  DictionarySamples samples;
  uint64_t budget = kDictionarySampleBudget;
  for (const SourceEntry& entry : entries) {
    // Below 32 bytes of budget no sample can be taken any more, so no further file is opened.
    if (budget < kMinSampleBytes) break;
    if (!isNonEmptyFile(entry)) continue;
    sampleFile(entry, chunkSize, budget, samples);
  }
  return samples;
}

std::vector<std::vector<uint8_t>> readTrialChunks(const std::vector<SourceEntry>& entries, uint32_t chunkSize) {
  std::vector<const SourceEntry*> files;
  for (const SourceEntry& entry : entries) {
    if (isNonEmptyFile(entry)) files.push_back(&entry);
  }
  std::vector<std::vector<uint8_t>> chunks;
  const size_t step = std::max<size_t>(1, files.size() / kMaxTrialChunks);
  for (size_t start = 0; chunks.size() < kMaxTrialChunks && start < files.size(); start += step) {
    std::vector<uint8_t> buffer;
    for (size_t i = start; i < files.size() && buffer.size() < chunkSize; ++i) {
      Result<UniqueHandle> file = openForRead(files[i]->sourcePath);
      if (file.failed()) continue;
      const uint64_t want = std::min<uint64_t>(files[i]->size, chunkSize - buffer.size());
      Result<uint64_t> got = appendRead(file.value(), 0, want, buffer);
      if (got.failed() || got.value() == 0) break;
    }
    if (buffer.size() >= kMinTrialChunkBytes) chunks.push_back(std::move(buffer));
  }
  return chunks;
}

Result<std::vector<uint8_t>> trialDictionary(const std::vector<SourceEntry>& entries, uint32_t chunkSize,
                                             uint64_t totalInputBytes, uint8_t level) {
  TOLZEB_ASSIGN_OR_RETURN(DictionarySamples samples, collectDictionarySamples(entries, chunkSize));
  if (samples.spans.size() < 2) return std::vector<uint8_t>();

  std::vector<std::span<const uint8_t>> views;
  views.reserve(samples.spans.size());
  for (const DictionarySampleSpan& span : samples.spans) {
    views.emplace_back(samples.bytes.data() + span.offset, span.length);
  }
  DictionaryTrainingOptions options;
  options.targetSize = kDictionaryTarget;
  options.minRatio = kMinRatio;
  options.inputBytes = totalInputBytes;
  options.minSampleCount = kMinSampleCount;
  std::vector<uint8_t> dictionary = trainVeltDictionary(views, options);
  if (dictionary.empty()) return dictionary;

  const std::vector<std::vector<uint8_t>> chunks = readTrialChunks(entries, chunkSize);
  if (chunks.empty()) return std::vector<uint8_t>();

  uint64_t trialBytes = 0;
  uint64_t withoutTotal = 0;
  uint64_t withTotal = 0;
  for (const auto& chunk : chunks) {
    trialBytes += chunk.size();
    withoutTotal += storedSize(chunk, level, {});
    withTotal += storedSize(chunk, level, dictionary);
  }
  if (trialBytes == 0 || withTotal >= withoutTotal) return std::vector<uint8_t>();

  const double projected = double(withoutTotal - withTotal) * double(totalInputBytes) / double(trialBytes);
  const uint64_t saving = projected >= 18446744073709551615.0 ? UINT64_MAX : uint64_t(projected);
  if (saving <= 2 * uint64_t(dictionary.size())) return std::vector<uint8_t>();

  if (profilingEnabled()) {
    writeDiagnosticLine(dictionaryProfileLine(dictionary.size(), trialBytes, withoutTotal, withTotal));
  }
  return dictionary;
}

bool profilingRequested(const char* value) {
  return value != nullptr && std::strlen(value) <= kProfileValueRoom && value[0] == '1';
}

bool profilingEnabled() { return profilingRequested(std::getenv("TOLZEB_PROFILE")); }

std::wstring dictionaryProfileLine(uint64_t dictionaryBytes, uint64_t trialBytes, uint64_t withoutTotal,
                                   uint64_t withTotal) {
  return L"[tolzeb] dictionary " + decimal(dictionaryBytes) + L" bytes; trial over " + decimal(trialBytes) +
         L" bytes: " + decimal(withoutTotal) + L" without, " + decimal(withTotal) + L" with\n";
}

}  // namespace tolzeb
