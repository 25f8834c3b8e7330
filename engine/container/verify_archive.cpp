#include "engine/container/verify_archive.h"

#include <algorithm>

#include "engine/container/chunk_decode.h"
#include "engine/container/container_format.h"
#include "engine/pipeline/ordered_pipeline.h"
#include "engine/pipeline/processor_count.h"
#include "engine/pipeline/recycle_pool.h"

namespace tolzeb {

namespace {

struct DecodeBuffers {
  ChunkScratch scratch;
  Bytes decoded;
};

// Each job holds one stored payload and one decoded chunk. The largest chunk the archive really
// has counts, not only the declared chunk size, so the budget holds for any archive.
uint64_t jobsInFlight(const OpenArchive& archive, uint32_t workers, uint64_t memoryBudget) {
  uint64_t largest = archive.header.chunkSize;
  for (const ChunkDescriptor& chunk : archive.chunks) largest = std::max<uint64_t>(largest, chunk.decodedSize);
  uint64_t jobs = std::min<uint64_t>(3ull * workers, memoryBudget / (2 * largest));
  return std::max<uint64_t>(jobs, 1);
}

}  // namespace

Result<ArchiveStats> decodeAllBlocks(const OpenArchive& archive, const ProgressCallback& progress,
                                     const Stopwatch& stopwatch, uint32_t threads, uint64_t memoryBudget) {
  Progress report;
  report.phase = Progress::Phase::Verifying;
  report.bytesTotal = archive.header.totalBytes;
  report.itemsTotal = archive.entries.size();

  const uint32_t workers = workerCount(threads);
  OrderedPipeline<VerifyJob> pipeline(workers, jobsInFlight(archive, workers, memoryBudget),
                                      [&](VerifyJob& job) -> Status {
                                        report.bytesDone += job.decodedBytes;
                                        report.seconds = stopwatch.seconds();
                                        if (progress && !progress(report))
                                          return Status(StatusCode::canceled, L"Verification canceled");
                                        return Status();
                                      });
  // The decoded bytes are not kept past their checks, so the buffers go back for the next chunk
  // at once; there are never more of them than tasks running at one time.
  RecyclePool<DecodeBuffers> buffers;
  Status status = pipeline.run([&archive, &buffers](OrderedPipeline<VerifyJob>& p) -> Status {
    for (uint64_t index = 0; index < archive.chunks.size(); ++index) {
      TOLZEB_TRY(p.submit([&archive, &buffers, index](VerifyJob& job) -> Status {
        DecodeBuffers mine = buffers.take();
        Result<std::span<const uint8_t>> decoded = decodeChunkInto(archive, index, mine.scratch, mine.decoded);
        if (decoded.failed()) return std::move(decoded).failure();
        job.decodedBytes = decoded->size();
        buffers.give(std::move(mine));
        return Status();
      }));
    }
    return Status();
  });
  if (status.failed()) return std::move(status).failure();

  ArchiveStats stats;
  stats.entries = archive.entries.size();
  for (const ManifestEntry& entry : archive.entries) {
    if (entry.type == kEntryTypeDirectory) {
      ++stats.directories;
    } else {
      ++stats.files;
    }
  }
  stats.inputBytes = archive.header.totalBytes;
  stats.archiveBytes = archive.fileSize;
  stats.seconds = stopwatch.seconds();
  return stats;
}

Result<ArchiveStats> testArchive(const std::wstring& archivePath, const ProgressCallback& progress, uint32_t threads,
                                 uint64_t memoryBudget, Password password) {
  Stopwatch stopwatch;
  TOLZEB_ASSIGN_OR_RETURN(OpenArchive archive, openArchive(archivePath, 0, std::move(password)));
  return decodeAllBlocks(archive, progress, stopwatch, threads, memoryBudget);
}

Result<ArchiveStats> verifyArchive(const std::wstring& archivePath, const ProgressCallback& progress, uint32_t threads,
                                   uint64_t memoryBudget, Password password) {
  return testArchive(archivePath, progress, threads, memoryBudget, std::move(password));
}

}  // namespace tolzeb
