#include "engine/extract/extract_archive.h"

#include <algorithm>
#include <set>

#include "engine/container/chunk_decode.h"
#include "engine/container/container_format.h"
#include "engine/container/open_archive.h"
#include "engine/core/bytes.h"
#include "engine/core/entry_path.h"
#include "engine/core/fs.h"
#include "engine/create/progress_report.h"
#include "engine/extract/extraction_run.h"
#include "engine/pipeline/ordered_pipeline.h"
#include "engine/pipeline/processor_count.h"
#include "engine/pipeline/recycle_pool.h"

namespace tolzeb {
namespace {

// One run of one file's bytes inside one decoded chunk.
struct FilePiece {
  const ManifestEntry* entry = nullptr;
  const std::wstring* target = nullptr;
  uint32_t offset = 0;
  uint32_t length = 0;
  bool first = false;
  bool last = false;
};

// One chunk to decode and the pieces of files it holds, in file order.
struct ChunkPlan {
  uint64_t chunkIndex = 0;
  std::vector<FilePiece> pieces;
};

// Recycled by the pipeline: `bytes` keeps its capacity from chunk to chunk, and only its first
// `length` bytes are this chunk's.
struct DecodedChunk {
  uint64_t planPosition = 0;
  Bytes bytes;
  uint64_t length = 0;
};

const wchar_t kExistsMessage[] = L"Destination already exists: ";

struct Counts {
  uint64_t files = 0;
  uint64_t directories = 0;
};

// The sink's state: one file may span several chunks, so the open handle outlives a sink call.
// Runs on the calling thread only.
class FileWriter {
 public:
  FileWriter(const std::vector<ChunkPlan>& plan, const std::wstring& root, const ExtractOptions& options,
             Progress& progress, Counts& counts, const Stopwatch& stopwatch, const ProgressCallback& callback)
      : plan_(plan), progress_(progress), counts_(counts), stopwatch_(stopwatch), callback_(callback),
        file_(root, options, kExistsMessage) {}

  Status accept(DecodedChunk& job) {
    for (const FilePiece& piece : plan_[job.planPosition].pieces) {
      if (piece.first) {
        TOLZEB_ASSIGN_OR_RETURN(const bool writing, file_.begin(*piece.target));
        skipping_ = !writing;
        if (skipping_) ++progress_.itemsDone;
      }
      if (!skipping_) {
        if (uint64_t(piece.offset) + piece.length > job.length) {
          return Failure{StatusCode::corrupt_archive,
                         L"Block is smaller than the entry it should hold: " + *piece.target};
        }
        TOLZEB_TRY(file_.write(job.bytes.data() + piece.offset, piece.length));
      }
      progress_.bytesDone += piece.length;
      if (piece.last && !skipping_) {
        TOLZEB_TRY(file_.finish(piece.entry->modified, piece.entry->attributes));
        ++counts_.files;
        ++progress_.itemsDone;
        progress_.currentItem = piece.entry->path;
      }
    }
    progress_.seconds = stopwatch_.seconds();
    if (!reportProgress(callback_, progress_)) return Failure{StatusCode::canceled, L"Extraction canceled"};
    return {};
  }

  // After the run, successful or not: a file still open was not finished, so it goes.
  void discardUnfinished() { file_.discardUnfinished(); }

 private:
  const std::vector<ChunkPlan>& plan_;
  Progress& progress_;
  Counts& counts_;
  const Stopwatch& stopwatch_;
  const ProgressCallback& callback_;
  ExtractedFileWriter file_;
  bool skipping_ = false;
};

// A file entry whose bytes come from chunks. A size of 0 is an empty file whatever chunks it
// names, so that such an entry is still created.
bool hasData(const ManifestEntry& entry) {
  return entry.type == kEntryTypeFile && entry.size > 0 && !entry.chunks.empty();
}

// Folders and empty files, in manifest order. `targets[i]` receives entry i's resolved path.
Status createFoldersAndEmptyFiles(const OpenArchive& archive, const std::wstring& root,
                                  const std::set<std::wstring>& selection, const ExtractOptions& options,
                                  std::vector<std::wstring>& targets, Counts& counts, Progress& progress) {
  ExtractedFileWriter file(root, options, kExistsMessage);
  for (size_t i = 0; i < archive.entries.size(); ++i) {
    const ManifestEntry& entry = archive.entries[i];
    if (!selection.empty() && !selection.count(entry.path)) continue;
    TOLZEB_ASSIGN_OR_RETURN(targets[i], resolveExtractionPath(root, entry.path));
    const std::wstring& target = targets[i];
    if (entry.type == kEntryTypeDirectory) {
      TOLZEB_TRY(file.createFolder(target));
      ++counts.directories;
      ++progress.itemsDone;
      continue;
    }
    if (hasData(entry)) continue;

    TOLZEB_ASSIGN_OR_RETURN(const bool writing, file.begin(target));
    if (writing) {
      TOLZEB_TRY(file.finish(entry.modified, entry.attributes));
      ++counts.files;
    }
    ++progress.itemsDone;
  }
  return {};
}

// The chunks holding selected file data, in manifest order; a chunk shared by consecutive
// files is decoded once.
std::vector<ChunkPlan> planChunks(const OpenArchive& archive, const std::set<std::wstring>& selection,
                                  const std::vector<std::wstring>& targets) {
  std::vector<ChunkPlan> plan;
  for (size_t i = 0; i < archive.entries.size(); ++i) {
    const ManifestEntry& entry = archive.entries[i];
    if (!hasData(entry) || (!selection.empty() && !selection.count(entry.path))) continue;
    uint64_t remaining = entry.size;
    uint64_t offset = entry.firstChunkOffset;
    for (size_t k = 0; k < entry.chunks.size() && remaining > 0; ++k) {
      const uint64_t chunkIndex = entry.chunks[k];
      // Opening proved that the chunks hold the entry and that the offset lies inside the first.
      const uint64_t length = std::min(remaining, archive.chunks[chunkIndex].decodedSize - offset);
      if (plan.empty() || plan.back().chunkIndex != chunkIndex) plan.push_back(ChunkPlan{chunkIndex, {}});
      plan.back().pieces.push_back(
          FilePiece{&entry, &targets[i], uint32_t(offset), uint32_t(length), k == 0, length == remaining});
      remaining -= length;
      offset = 0;
    }
  }
  return plan;
}

}  // namespace

Result<ArchiveStats> extractArchive(const std::wstring& archivePath, const std::wstring& destination,
                                    const std::vector<std::wstring>& selection, const ExtractOptions& options,
                                    const ProgressCallback& progress) {
  const Stopwatch stopwatch;
  if (destination.empty()) return Failure{StatusCode::invalid_argument, L"No destination directory was given"};
  TOLZEB_ASSIGN_OR_RETURN(const OpenArchive archive, openArchive(archivePath, options.maxEntries, options.password));
  const uint64_t totalBytes = archive.header.totalBytes;
  if (options.maxTotalBytes != 0 && options.maxTotalBytes < totalBytes) {
    return Failure{StatusCode::resource_limit,
                   L"Archive expands to " + decimal(totalBytes) + L" bytes, above the configured extraction limit"};
  }
  TOLZEB_ASSIGN_OR_RETURN(const std::wstring root, ExtractionRun::prepareRoot(destination));
  const std::set<std::wstring> selected(selection.begin(), selection.end());

  Progress report;
  report.phase = Progress::Phase::Restoring;
  report.bytesTotal = totalBytes;
  report.itemsTotal = archive.entries.size();

  Counts counts;
  std::vector<std::wstring> targets(archive.entries.size());
  TOLZEB_TRY(createFoldersAndEmptyFiles(archive, root, selected, options, targets, counts, report));
  const std::vector<ChunkPlan> plan = planChunks(archive, selected, targets);

  const uint32_t workers = workerCount(options.threads);
  const uint64_t byBudget = options.memoryBudget / (2 * uint64_t(archive.header.chunkSize));
  const uint64_t jobsInFlight = std::max<uint64_t>(1, std::min<uint64_t>(3 * uint64_t(workers), byBudget));

  FileWriter writer(plan, root, options, report, counts, stopwatch, progress);
  // Needed only while a chunk decodes: one set for each task running at a time.
  RecyclePool<ChunkScratch> scratches;
  Status run;
  {
    OrderedPipeline<DecodedChunk> pipeline(workers, jobsInFlight,
                                           [&writer](DecodedChunk& job) { return writer.accept(job); });
    run = pipeline.run([&](OrderedPipeline<DecodedChunk>& p) -> Status {
      for (uint64_t position = 0; position < plan.size(); ++position) {
        const uint64_t chunkIndex = plan[position].chunkIndex;
        TOLZEB_TRY(p.submit([&archive, &scratches, position, chunkIndex](DecodedChunk& job) -> Status {
          job.planPosition = position;
          job.length = 0;
          ChunkScratch scratch = scratches.take();
          TOLZEB_ASSIGN_OR_RETURN(const std::span<const uint8_t> decoded,
                                  decodeChunkInto(archive, chunkIndex, scratch, job.bytes));
          job.length = decoded.size();
          scratches.give(std::move(scratch));
          return Status();
        }));
      }
      return Status();
    });
  }
  writer.discardUnfinished();
  if (run.failed()) return std::move(run).failure();

  ArchiveStats stats;
  stats.files = counts.files;
  stats.directories = counts.directories;
  stats.entries = counts.files + counts.directories;
  stats.inputBytes = report.bytesDone;
  stats.archiveBytes = archive.fileSize;
  stats.seconds = stopwatch.seconds();
  report.phase = Progress::Phase::Done;
  report.seconds = stats.seconds;
  (void)reportProgress(progress, report);
  return stats;
}

}  // namespace tolzeb
