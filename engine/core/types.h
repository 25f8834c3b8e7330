// The records shared by every operation: progress, options, statistics, listings.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/core/secure_bytes.h"
#include "engine/core/status.h"

namespace tolzeb {

struct Progress {
  enum class Phase : uint8_t {
    Scanning = 0,
    Analyzing = 1,
    Encoding = 2,
    Writing = 3,
    Verifying = 4,
    Decoding = 5,
    Restoring = 6,
    Done = 7,
  };
  Phase phase = Phase::Scanning;
  uint64_t bytesDone = 0;
  uint64_t bytesTotal = 0;
  uint64_t archiveBytes = 0;
  uint64_t itemsDone = 0;
  uint64_t itemsTotal = 0;
  double seconds = 0;
  std::wstring currentItem;
};

// "Scanning" to "Done", as the front ends print each phase.
const wchar_t* phaseWord(Progress::Phase phase);

// Answering false cancels the operation (code 6). Empty: no reporting.
using ProgressCallback = std::function<bool(const Progress&)>;

using Password = std::shared_ptr<const SecureBytes>;  // UTF-8; null = none

enum class CompressionMode : uint8_t { lightning = 0, balanced = 1, compact = 2 };

inline constexpr uint32_t kMinChunkSize = 256u << 10;
inline constexpr uint32_t kMaxChunkSize = 4u << 20;
inline constexpr uint32_t kMinKdfIterations = 100000;
inline constexpr uint32_t kMaxKdfIterations = 10000000;

struct CompressionOptions {
  bool useDictionary = false;
  CompressionMode mode = CompressionMode::balanced;
  uint32_t threads = 0;  // 0 = one per active processor
  uint64_t memoryBudget = 512ull << 20;
  uint32_t chunkSize = 2u << 20;
  bool verifyAfterWrite = true;
  bool storeOnly = false;
  Password password;  // null or empty = no encryption
  uint32_t kdfIterations = 600000;
  std::shared_ptr<const std::set<std::wstring>> includePaths;  // null = everything
  bool chunkHashes = true;
};

enum class OverwritePolicy : uint8_t { fail = 0, skip = 1, overwrite = 2 };

inline constexpr uint64_t kDefaultMaxEntries = 50000000;

struct ExtractOptions {
  OverwritePolicy overwrite = OverwritePolicy::fail;
  Password password;
  bool restoreTimes = true;
  bool restoreAttributes = true;
  uint64_t maxTotalBytes = 0;  // 0 = no limit
  uint64_t maxEntries = 0;     // 0 = kDefaultMaxEntries
  uint32_t threads = 0;
  uint64_t memoryBudget = 512ull << 20;
};

struct ArchiveStats {
  uint64_t entries = 0;
  uint64_t files = 0;
  uint64_t directories = 0;
  uint64_t inputBytes = 0;
  uint64_t archiveBytes = 0;
  double seconds = 0;
  // Entries held but not created: links (hard and symbolic), and devices, pipes and other
  // special entries.
  uint64_t skippedLinks = 0;
  uint64_t skippedSpecial = 0;
};

class Stopwatch {
 public:
  double seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

struct SourceEntry {
  std::wstring sourcePath;
  std::wstring archivePath;  // '/'-separated
  bool isDirectory = false;
  uint64_t size = 0;
  uint64_t modified = 0;  // FILETIME, UTC
  uint32_t attributes = 0;
};

struct ListedEntry {
  std::wstring path;  // '/'-separated
  bool isDirectory = false;
  uint64_t size = 0;
  uint64_t modified = 0;  // FILETIME, UTC
  uint32_t attributes = 0;
  uint64_t chunkCount = 0;  // 0 outside the own container
};

struct ArchiveListing {
  uint16_t versionMajor = 0;
  uint16_t versionMinor = 0;
  uint32_t flags = 0;
  uint32_t chunkSize = 0;
  uint64_t chunkCount = 0;
  uint64_t totalBytes = 0;
  uint64_t archiveBytes = 0;
  std::vector<ListedEntry> entries;
  // Entries held but neither listed nor extracted, as in ArchiveStats.
  uint64_t skippedLinks = 0;
  uint64_t skippedSpecial = 0;
};

struct EntryBytes {
  std::vector<uint8_t> bytes;
  uint64_t fullSize = 0;
  bool truncated = false;  // only a leading part, up to the caller's ceiling
};

// Windows file attribute bits the engine reads and writes.
inline constexpr uint32_t kAttributeReadOnly = 0x01;
inline constexpr uint32_t kAttributeHidden = 0x02;
inline constexpr uint32_t kAttributeSystem = 0x04;
inline constexpr uint32_t kAttributeDirectory = 0x10;
inline constexpr uint32_t kAttributeArchive = 0x20;
inline constexpr uint32_t kAttributeNormal = 0x80;

}  // namespace tolzeb
