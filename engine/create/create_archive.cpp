#include "engine/create/create_archive.h"

#include <algorithm>

#include "engine/container/archive_records.h"
#include "engine/container/container_format.h"
#include "engine/container/dictionary_section.h"
#include "engine/container/manifest.h"
#include "engine/container/sealing.h"
#include "engine/container/verify_archive.h"
#include "engine/core/crc32c.h"
#include "engine/core/fs.h"
#include "engine/create/chunk_stream.h"
#include "engine/create/creation_encryption.h"
#include "engine/create/dictionary_trial.h"
#include "engine/create/partial_output.h"
#include "engine/create/progress_report.h"
#include "engine/create/source_scan.h"
#include "engine/pipeline/processor_count.h"

namespace tolzeb {
namespace {

struct EntryCounts {
  uint64_t files = 0;
  uint64_t directories = 0;
  uint64_t inputBytes = 0;
};

Result<EntryCounts> countEntries(const std::vector<SourceEntry>& entries) {
  EntryCounts counts;
  for (const SourceEntry& entry : entries) {
    if (entry.isDirectory) {
      ++counts.directories;
      continue;
    }
    ++counts.files;
    if (entry.size > UINT64_MAX - counts.inputBytes) {
      return Failure{StatusCode::resource_limit, L"Total input size overflows 64 bits"};
    }
    counts.inputBytes += entry.size;
  }
  return counts;
}

Status checkArguments(const std::vector<std::wstring>& sources, const std::wstring& output,
                      const CompressionOptions& options) {
  if (sources.empty()) return Status(StatusCode::invalid_argument, L"No source files or folders were given");
  if (output.empty()) return Status(StatusCode::invalid_argument, L"No output archive path was given");
  if (options.chunkSize < kMinChunkSize || options.chunkSize > kMaxChunkSize) {
    return Status(StatusCode::invalid_argument, L"Chunk size must be between 256 KiB and 4 MiB");
  }
  return {};
}

// Everything the writer has learned about the file's layout so far.
struct Layout {
  uint64_t writeOffset = kHeaderSize;
  ArchiveHeader header;
  ArchiveFooter footer;
};

// Appends a section, sealed under `counter` and `label` when the archive is encrypted. Returns
// the number of bytes written; `storedCrc` receives the CRC-32C of what was written.
Result<uint64_t> appendSection(UniqueHandle& file, const EncryptionState& encryption, const Bytes& plain,
                               uint64_t counter, const char* label, uint32_t* storedCrc) {
  const Bytes* stored = &plain;
  Bytes sealed;
  if (encryption.encrypted && !plain.empty()) {
    const Bytes aad = sectionAuthData(encryption.archiveId, label, plain.size());
    TOLZEB_TRY(sealSection(encryption, counter, aad, plain.data(), plain.size(), sealed));
    stored = &sealed;
  }
  if (storedCrc) *storedCrc = stored->empty() ? 0 : crc32c(0, stored->data(), stored->size());
  if (!stored->empty()) TOLZEB_TRY(file.writeAll(stored->data(), stored->size()));
  return uint64_t(stored->size());
}

// Steps after the partial file is open: chunks, sections, footer, header, flush. Any failure
// here ends the write through abandonPartialOutput.
Status writeArchiveBody(UniqueHandle& file, const std::vector<SourceEntry>& entries, const EntryCounts& counts,
                        const std::vector<uint8_t>& dictionary, EncryptionState& encryption,
                        const CompressionOptions& options, const Stopwatch& stopwatch,
                        const ProgressCallback& callback, Progress& progress, Layout& layout) {
  static const uint8_t zeroHeader[kHeaderSize] = {};
  TOLZEB_TRY(file.writeAll(zeroHeader, kHeaderSize));

  std::vector<ManifestEntry> records(entries.size());
  std::vector<ChunkDescriptor> chunkTable;
  const PipelineBudget budget = creationBudget(workerCount(options.threads), options.chunkSize, options.memoryBudget);
  ChunkStreamSettings settings;
  settings.chunkSize = options.chunkSize;
  settings.level = uint8_t(options.mode);
  settings.storeOnly = options.storeOnly;
  settings.chunkHashes = options.chunkHashes;
  settings.dictionary = dictionary;
  settings.workers = budget.workers;
  settings.jobsInFlight = budget.jobsInFlight;

  progress.phase = Progress::Phase::Writing;
  progress.bytesTotal = counts.inputBytes;
  progress.itemsTotal = entries.size();
  progress.bytesDone = progress.archiveBytes = progress.itemsDone = 0;
  progress.seconds = 0;
  progress.currentItem.clear();
  TOLZEB_TRY(runChunkStream(entries, settings, encryption,
                            ChunkStreamOutput{file, layout.writeOffset, chunkTable, records, progress}, stopwatch,
                            callback));

  ArchiveHeader& header = layout.header;
  header.dictionaryOffset = layout.writeOffset;
  if (!dictionary.empty()) {
    DictionaryRecord record;
    record.id = 1;
    record.bytes = dictionary;
    TOLZEB_ASSIGN_OR_RETURN(Bytes section, buildDictionarySection({record}));
    TOLZEB_ASSIGN_OR_RETURN(header.dictionaryLength, appendSection(file, encryption, section, kDictionaryCounter,
                                                                   kDictionaryAuthLabel, nullptr));
    layout.writeOffset += header.dictionaryLength;
  }

  header.chunkTableOffset = layout.writeOffset;
  header.chunkCount = chunkTable.size();
  Bytes table(chunkTable.size() * kChunkDescriptorSize);
  for (size_t i = 0; i < chunkTable.size(); ++i) chunkTable[i].serialize(table.data() + i * kChunkDescriptorSize);
  TOLZEB_ASSIGN_OR_RETURN(uint64_t tableLength, appendSection(file, encryption, table, kChunkTableCounter,
                                                              kChunkTableAuthLabel, &layout.footer.chunkTableCrc));
  layout.writeOffset += tableLength;

  TOLZEB_ASSIGN_OR_RETURN(Bytes manifest, buildManifest(records));
  header.manifestOffset = layout.writeOffset;
  TOLZEB_ASSIGN_OR_RETURN(header.manifestLength, appendSection(file, encryption, manifest, kManifestCounter,
                                                               kManifestAuthLabel, &layout.footer.manifestCrc));
  layout.writeOffset += header.manifestLength;

  header.securityOffset = encryption.encrypted ? layout.writeOffset : 0;
  header.securityLength = encryption.encrypted ? kSecuritySectionSize : 0;
  layout.footer.footerOffset = layout.writeOffset + header.securityLength;
  layout.footer.fileLength = layout.footer.footerOffset + kFooterSize;

  header.flags = (options.chunkHashes ? kFlagChunkHashes : 0) | (encryption.encrypted ? kFlagEncrypted : 0);
  header.chunkSize = options.chunkSize;
  header.archiveId = encryption.archiveId;
  header.totalBytes = counts.inputBytes;
  header.recoveryOffset = 0;
  uint8_t headerBytes[kHeaderSize];
  header.serialize(headerBytes);

  if (encryption.encrypted) {
    TOLZEB_TRY(makeKeyCheck(encryption, headerBytes));
    uint8_t security[kSecuritySectionSize];
    encryption.security.serialize(security);
    TOLZEB_TRY(file.writeAt(header.securityOffset, security, kSecuritySectionSize));
  }
  layout.footer.archiveId = encryption.archiveId;
  uint8_t footer[kFooterSize];
  layout.footer.serialize(footer);
  TOLZEB_TRY(file.writeAt(layout.footer.footerOffset, footer, kFooterSize));
  return file.writeAt(0, headerBytes, kHeaderSize);
}

}  // namespace

uint64_t encoderMemoryEstimate(uint32_t chunkSize) {
  const uint64_t c = chunkSize;
  unsigned k = 16;
  if (c < 2048) {
    k = 10;
  } else if (c < 4096) {
    k = 11;
  } else if (c < 8192) {
    k = 12;
  } else if (c < 16384) {
    k = 13;
  } else if (c < 32768) {
    k = 14;
  } else if (c < 65536) {
    k = 15;
  }
  return 3 * c + (uint64_t(4) << k) + 3 * c / 4;
}

PipelineBudget creationBudget(uint32_t availableWorkers, uint32_t chunkSize, uint64_t memoryBudget) {
  const uint64_t c = chunkSize;
  const uint64_t estimate = encoderMemoryEstimate(chunkSize);
  PipelineBudget budget;
  budget.workers = 1;
  if (availableWorkers > 1) {
    const uint64_t fit = std::max<uint64_t>(1, (memoryBudget > 2 * c ? memoryBudget - 2 * c : 0) / estimate);
    budget.workers = uint32_t(std::min<uint64_t>(availableWorkers, fit));
  }
  const uint64_t workerMemory = budget.workers * estimate;
  const uint64_t buffers = (memoryBudget > workerMemory ? memoryBudget - workerMemory : 0) / (2 * c);
  budget.jobsInFlight = std::max<uint64_t>(1, std::min<uint64_t>(3 * uint64_t(budget.workers), buffers));
  return budget;
}

Result<ArchiveStats> createArchive(const std::vector<std::wstring>& sources, const std::wstring& output,
                                   const CompressionOptions& options, const ProgressCallback& progress) {
  const Stopwatch stopwatch;
  TOLZEB_TRY(checkArguments(sources, output, options));
  TOLZEB_ASSIGN_OR_RETURN(const std::wstring outputPath, fullPath(output));
  const std::wstring partialPath = partialPathFor(outputPath);
  std::wstring parent, name;
  splitPath(outputPath, parent, name);
  if (!parent.empty()) TOLZEB_TRY(createDirectories(parent));

  const std::set<std::wstring>* include = options.includePaths.get();
  TOLZEB_ASSIGN_OR_RETURN(const std::vector<SourceEntry> entries, scanSources(sources, progress, stopwatch, include));
  TOLZEB_ASSIGN_OR_RETURN(const EntryCounts counts, countEntries(entries));

  std::vector<uint8_t> dictionary;
  if (options.useDictionary && !options.storeOnly && options.chunkSize < counts.inputBytes) {
    TOLZEB_ASSIGN_OR_RETURN(dictionary,
                            trialDictionary(entries, options.chunkSize, counts.inputBytes, uint8_t(options.mode)));
  }

  TOLZEB_ASSIGN_OR_RETURN(const ArchiveId archiveId, newArchiveId());
  TOLZEB_ASSIGN_OR_RETURN(EncryptionState encryption,
                          prepareEncryption(archiveId, options.password, options.kdfIterations));

  TOLZEB_ASSIGN_OR_RETURN(UniqueHandle file, openPartialOutput(partialPath));
  Progress report;
  Layout layout;
  Status written = writeArchiveBody(file, entries, counts, dictionary, encryption, options, stopwatch, progress,
                                    report, layout);
  if (written.failed()) return abandonPartialOutput(file, partialPath, std::move(written).failure());
  TOLZEB_TRY(commitPartialOutput(file, partialPath, outputPath));

  ArchiveStats stats;
  stats.entries = entries.size();
  stats.files = counts.files;
  stats.directories = counts.directories;
  stats.inputBytes = counts.inputBytes;
  stats.archiveBytes = layout.footer.fileLength;
  stats.seconds = stopwatch.seconds();

  if (options.verifyAfterWrite) {
    TOLZEB_TRY(verifyArchive(outputPath, progress, options.threads, options.memoryBudget, options.password).status());
  }

  report.phase = Progress::Phase::Done;
  report.seconds = stopwatch.seconds();
  (void)reportProgress(progress, report);
  return stats;
}

}  // namespace tolzeb
