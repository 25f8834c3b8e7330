#include "engine/create/chunk_stream.h"

#include <algorithm>
#include <mutex>

#include "engine/container/container_format.h"
#include "engine/container/sealing.h"
#include "engine/create/block_compression.h"
#include "engine/create/progress_report.h"
#include "engine/pipeline/ordered_pipeline.h"

namespace tolzeb {
namespace {

constexpr uint16_t kArchiveDictionaryId = 1;

struct BlockJob {
  std::vector<uint8_t> raw;  // a pool buffer; its first rawLength bytes are the chunk's input
  uint64_t rawLength = 0;
  std::vector<uint8_t> encoded;  // the payload when the codec is not stored
  ChunkDescriptor descriptor;
  uint64_t entryIndex = 0;
};

// Input buffers, allocated once and recycled: they leave only through the producer and come
// back only through the sink.
class BufferPool {
 public:
  explicit BufferPool(uint64_t buffers) : free_(buffers) {}

  std::vector<uint8_t> take() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (free_.empty()) return {};
    std::vector<uint8_t> buffer = std::move(free_.back());
    free_.pop_back();
    return buffer;
  }

  void give(std::vector<uint8_t>&& buffer) {
    std::lock_guard<std::mutex> lock(mutex_);
    free_.push_back(std::move(buffer));
  }

 private:
  std::mutex mutex_;
  std::vector<std::vector<uint8_t>> free_;
};

// Reads the entries in order and packs their bytes into chunk-sized buffers. Runs on the
// pipeline's producer thread, which alone touches this state and the manifest records.
class Producer {
 public:
  Producer(const std::vector<SourceEntry>& entries, const ChunkStreamSettings& settings, BufferPool& pool,
           std::vector<ManifestEntry>& records)
      : entries_(entries), settings_(settings), pool_(pool), records_(records) {}

  Status run(OrderedPipeline<BlockJob>& pipeline) {
    const uint64_t packedLimit = settings_.chunkSize / 4;
    for (size_t i = 0; i < entries_.size(); ++i) {
      entryIndex_ = i;  // after the loop it stays at the last entry, for the final flush
      const SourceEntry& entry = entries_[i];
      ManifestEntry& record = records_[i];
      record.path = entry.archivePath;
      record.type = entry.isDirectory ? 1 : 0;
      record.attributes = entry.attributes;
      record.modified = entry.modified;
      record.size = entry.size;
      if (entry.isDirectory || entry.size == 0) continue;

      const bool ownChunks = entry.size > packedLimit;
      if (ownChunks) TOLZEB_TRY(flushBlock(pipeline));
      record.firstChunkOffset = fillLength_;
      TOLZEB_TRY(readFile(pipeline, entry, record));
      if (ownChunks) TOLZEB_TRY(flushBlock(pipeline));
    }
    return flushBlock(pipeline);
  }

 private:
  // Only the scanned size is read: bytes a file gained since the scan are not archived.
  Status readFile(OrderedPipeline<BlockJob>& pipeline, const SourceEntry& entry, ManifestEntry& record) {
    TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openForRead(entry.sourcePath));
    uint64_t done = 0;
    while (done < entry.size) {
      if (buffer_.empty()) {
        buffer_ = pool_.take();
        buffer_.resize(settings_.chunkSize);
      }
      if (record.chunks.empty() || record.chunks.back() != nextChunkIndex_) record.chunks.push_back(nextChunkIndex_);
      const uint64_t want = std::min<uint64_t>(settings_.chunkSize - fillLength_, entry.size - done);
      TOLZEB_ASSIGN_OR_RETURN(uint64_t got, file.readAt(done, buffer_.data() + fillLength_, want));
      if (got == 0) {
        return Failure{StatusCode::io_failure, L"File shrank while being archived: " + entry.sourcePath};
      }
      done += got;
      fillLength_ += got;
      if (fillLength_ == settings_.chunkSize) TOLZEB_TRY(submitBlock(pipeline));
    }
    return {};
  }

  Status submitBlock(OrderedPipeline<BlockJob>& pipeline) {
    if (fillLength_ == 0) return {};
    ChunkDescriptor descriptor;
    descriptor.groupOffset = groupBytes_;
    const uint8_t level = settings_.level;
    const bool storeOnly = settings_.storeOnly;
    const bool chunkHashes = settings_.chunkHashes;
    const std::span<const uint8_t> dictionary = settings_.dictionary;
    auto task = [raw = std::move(buffer_), rawLength = fillLength_, descriptor, entryIndex = entryIndex_, level,
                 storeOnly, chunkHashes, dictionary](BlockJob& job) mutable -> Status {
      job.raw = std::move(raw);
      job.rawLength = rawLength;
      job.descriptor = descriptor;
      job.entryIndex = entryIndex;
      return compressBlock(std::span<const uint8_t>(job.raw.data(), job.rawLength), level, storeOnly, chunkHashes,
                           dictionary, kArchiveDictionaryId, job.descriptor, job.encoded);
    };
    buffer_ = {};
    groupBytes_ += fillLength_;
    fillLength_ = 0;
    ++nextChunkIndex_;
    return pipeline.submit(std::move(task));
  }

  Status flushBlock(OrderedPipeline<BlockJob>& pipeline) {
    TOLZEB_TRY(submitBlock(pipeline));
    groupBytes_ = 0;
    return {};
  }

  const std::vector<SourceEntry>& entries_;
  const ChunkStreamSettings& settings_;
  BufferPool& pool_;
  std::vector<ManifestEntry>& records_;
  std::vector<uint8_t> buffer_;
  uint64_t fillLength_ = 0;
  uint64_t groupBytes_ = 0;  // input bytes submitted since the last flush
  uint64_t nextChunkIndex_ = 0;
  uint64_t entryIndex_ = 0;
};

// Seals (when encrypted), writes and records each chunk in order. Runs on the calling thread,
// which alone touches the output file, the chunk table and the progress record.
class Sink {
 public:
  Sink(const EncryptionState& encryption, ChunkStreamOutput& output, BufferPool& pool, const Stopwatch& stopwatch,
       const ProgressCallback& callback)
      : encryption_(encryption), output_(output), pool_(pool), stopwatch_(stopwatch), callback_(callback) {}

  Status accept(BlockJob& job) {
    ChunkDescriptor& descriptor = job.descriptor;
    const uint8_t* payload = descriptor.codec != kCodecStored ? job.encoded.data() : job.raw.data();
    uint64_t length = descriptor.codec != kCodecStored ? job.encoded.size() : job.rawLength;

    if (encryption_.encrypted) {
      const uint64_t chunkIndex = output_.chunkTable.size();
      if (chunkIndex > kMaxEncryptedChunks - 1) {
        return Failure{StatusCode::resource_limit, L"Too many blocks for one encrypted archive"};
      }
      descriptor.nonceCounter = chunkIndex;
      const Bytes aad = blockAuthData(encryption_.archiveId, chunkIndex, descriptor.decodedSize, descriptor.codec);
      TOLZEB_TRY(sealSection(encryption_, chunkIndex, aad, payload, length, ciphertext_));
      payload = ciphertext_.data();
      length = ciphertext_.size();
      descriptor.storedSize = uint32_t(length);
    }

    descriptor.storedOffset = output_.writeOffset;
    TOLZEB_TRY(output_.file.writeAll(payload, length));
    output_.writeOffset += length;
    output_.chunkTable.push_back(descriptor);

    Progress& progress = output_.progress;
    progress.bytesDone += descriptor.decodedSize;
    progress.archiveBytes = output_.writeOffset;
    progress.itemsDone = job.entryIndex + 1;
    progress.seconds = stopwatch_.seconds();
    if (!reportProgress(callback_, progress)) return Failure{StatusCode::canceled, L"Archive creation canceled"};

    pool_.give(std::move(job.raw));
    job.rawLength = 0;
    job.encoded = {};
    return {};
  }

 private:
  const EncryptionState& encryption_;
  ChunkStreamOutput& output_;
  BufferPool& pool_;
  const Stopwatch& stopwatch_;
  const ProgressCallback& callback_;
  std::vector<uint8_t> ciphertext_;  // reused for every chunk
};

}  // namespace

Status runChunkStream(const std::vector<SourceEntry>& entries, const ChunkStreamSettings& settings,
                      const EncryptionState& encryption, ChunkStreamOutput output, const Stopwatch& stopwatch,
                      const ProgressCallback& callback) {
  BufferPool pool(settings.jobsInFlight + 1);
  Producer producer(entries, settings, pool, output.records);
  Sink sink(encryption, output, pool, stopwatch, callback);
  OrderedPipeline<BlockJob> pipeline(settings.workers, settings.jobsInFlight,
                                     [&sink](BlockJob& job) { return sink.accept(job); });
  return pipeline.run([&producer](OrderedPipeline<BlockJob>& p) { return producer.run(p); });
}

}  // namespace tolzeb
