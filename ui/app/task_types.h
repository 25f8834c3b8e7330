// One unit of background work as a page, a tool or a shell job describes it, and what the window
// is shown of each task: its state, its live progress and its outcome.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/status.h"
#include "engine/core/types.h"
#include "engine/recovery/protect.h"

namespace tolzeb::ui {

// The request carries it as a signed 32-bit value; the runner stores its low byte. Any other
// value is queued and fails when it runs.
enum class TaskKind : int32_t {
  Create = 1,
  Extract = 2,
  Export = 3,
  Verify = 4,
  Test = 5,
  Split = 6,
  Merge = 7,
  Duplicates = 8,
  Compare = 9,
  Scan = 10,
  Repair = 11,
};

enum class TaskState : uint8_t {
  Waiting = 0,
  Running = 1,
  Held = 2,  // running, but held by the user
  Done = 3,
  Failed = 4,
  Cancelled = 5,
};

// Done, Failed and Cancelled.
bool isFinished(TaskState state);

// The request's kind by its low byte, the part the runner compares and stores.
inline TaskKind taskKindOf(int32_t kind) { return TaskKind(uint8_t(kind)); }

// The archive formats a create can write.
enum class ArchiveFormat : uint8_t { Zeb = 1, Zip = 2, Tar = 3, TarGz = 4, SevenZip = 5 };

struct TaskRequest {
  int32_t kind = 0;                   // a TaskKind
  std::vector<std::wstring> sources;  // Create: files and folders to pack
  // The archive to write, or to read, check, split, scan or repair; Merge: the first part.
  std::wstring path;
  std::wstring destination;             // Extract, Export: target folder; Merge: the merged archive
  std::vector<std::wstring> selection;  // entries to extract, empty for all; Export: exactly one
  // Create's options. Its password also serves Verify, Test, Duplicates and Compare, its thread
  // count and memory budget Verify and Test of a ".zeb".
  CompressionOptions compression;
  ExtractOptions extraction;  // Extract, Export, and testing a foreign archive
  uint64_t partSize = 0;      // Split, in bytes
  std::wstring compareFolder;
  bool deepCompare = false;      // compare files of equal size by SHA-256 instead of modification time
  uint8_t format = 1;            // Create: an ArchiveFormat
  uint32_t recoveryPercent = 0;  // Create of a ".zeb": 0 none, 1 to 30
  // Create: when set, an archive found at `path` when the task starts is never replaced; the
  // first free numbered form of this name in the same folder is written instead.
  std::wstring freeNameBase;
};

// What a create that did not finish left at its target.
enum class KeptArchive : uint8_t {
  None = 0,
  Unchecked = 1,      // written in full and in place; the check after writing did not finish
  WithoutRecord = 2,  // written and checked; the recovery record it asked for was not added
};

// The figures of a split or a merge; both results begin with the part count and a byte count
// (the archive length of a split, the bytes written by a merge).
struct TaskParts {
  uint64_t partCount = 0;
  uint64_t byteCount = 0;
  uint64_t partSize = 0;
  double seconds = 0;
};

// What the window shows of the current or last task. Empty: every number 0, every flag false.
struct TaskSnapshot {
  uint8_t kind = 0;
  bool active = false;    // starting or running
  bool finished = false;  // ended; set with active false
  bool succeeded = false;
  bool cancelled = false;  // failed with code 6
  Progress progress;       // the last progress the operation reported
  ArchiveStats stats;      // the value on success; zero for kinds whose figures are below
  int32_t errorCode = 0;   // a StatusCode
  std::wstring errorMessage;
  std::wstring path;
  // Where the result lies: path for Create, Split and Repair; destination for Extract, Export
  // and Merge (an Export's exported file once it succeeded); empty for the other kinds.
  std::wstring outputPath;
  double elapsedSeconds = 0;  // without the time the task was held
  TaskParts parts;
  uint64_t compareIdentical = 0;
  uint64_t compareDifferent = 0;
  uint64_t compareOnlyInArchive = 0;
  uint64_t compareOnlyInFolder = 0;
  uint64_t duplicateGroups = 0;
  uint64_t duplicateRedundant = 0;
  uint64_t duplicateReclaimable = 0;
  RecoveryReport recovery;  // of a scan, a repair, or the record added after a create
  // A create that failed or was cancelled after its archive was in place keeps that archive.
  KeptArchive keptArchive = KeptArchive::None;
};

// One row of the runner's list, from queueing until the user clears it.
struct TaskEntry {
  uint64_t id = 0;
  uint8_t kind = 0;
  TaskState state = TaskState::Waiting;
  std::wstring title;
  std::wstring detail;
  // At queueing only kind, path and outputPath; a full copy of the live snapshot at the end.
  TaskSnapshot snapshot;
};

// The snapshot's outputPath for a request.
std::wstring outputPathOf(const TaskRequest& request);

}  // namespace tolzeb::ui
