// Protecting killed part-way, as by a crash or a power loss: a child process protects the archive
// under a file-size limit, so the kernel ends it at the write that would pass the limit. Whatever
// moment that is, the file left behind must be the old archive or the new protected one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine/container/archive_records.h"
#include "engine/container/test_archive.h"
#include "engine/container/verify_archive.h"
#include "engine/core/fs.h"
#include "engine/create/partial_output.h"
#include "engine/recovery/protect.h"
#include "support/random_bytes.h"
#include "support/scratch_tree.h"

namespace tolzeb {
namespace {

using testing::narrow;
using testing::ScratchFile;
using testing::TestArchiveOptions;
using testing::TestEntry;
using testing::writeTestArchive;

using testing::readFileBytes;

Bytes sampleArchive() {
  TestArchiveOptions options;
  options.compress = false;
  Result<Bytes> bytes = writeTestArchive({{L"a", false, testing::randomBytes(300000, 11)}}, options);
  EXPECT_TRUE(bytes.hasValue());
  return bytes.hasValue() ? *bytes : Bytes{};
}

// Runs protectArchive in a child that may write no file beyond `limit` bytes; true when the
// child was ended by the limit rather than finishing.
bool protectUnderLimit(const std::wstring& path, uint32_t percent, uint64_t limit) {
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_DFL);
    const rlimit cap{rlim_t(limit), rlim_t(limit)};
    setrlimit(RLIMIT_FSIZE, &cap);
    _exit(protectArchive(path, percent, nullptr).hasValue() ? 0 : 1);
  }
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, 0), child);
  return WIFSIGNALED(status);
}

void expectOldOrNew(const std::wstring& path, const Bytes& old, uint32_t newPercent) {
  const Bytes now = readFileBytes(path);
  Result<ArchiveStats> tested = testArchive(path, nullptr, 1, 256ull << 20, nullptr);
  EXPECT_TRUE(tested.hasValue()) << "the archive no longer opens: " << narrow(tested.failure().message);
  if (now == old) return;
  // Not the old bytes: then the new protected archive, with a record that checks clean.
  Result<RecoveryReport> checked = checkRecoveryRecord(path, nullptr);
  ASSERT_TRUE(checked.hasValue()) << narrow(checked.failure().message);
  EXPECT_EQ(checked->layout.percent, newPercent);
  EXPECT_EQ(checked->damagedShards, 0u);
  EXPECT_FALSE(checked->footerDamaged);
}

TEST(ProtectInterruptedTest, LeavesTheOldArchiveOrTheNewProtectedOne) {
  const Bytes unprotected = sampleArchive();
  Bytes protectedOnce;
  {
    ScratchFile file(unprotected);
    ASSERT_TRUE(protectArchive(file.path(), 30, nullptr).hasValue());
    protectedOnce = readFileBytes(file.path());
  }
  struct Case {
    const char* name;
    const Bytes& start;
    uint32_t percent;
  };
  const Case cases[] = {
      {"a first record", unprotected, 5},
      {"a record replaced", protectedOnce, 10},
  };
  for (const Case& c : cases) {
    const uint64_t size = c.start.size();
    for (uint64_t limit : {uint64_t(4096), size / 2, size - 1, size + 1, size + 5000, size + 40000}) {
      SCOPED_TRACE(std::string(c.name) + ", killed at " + std::to_string(limit) + " bytes");
      ScratchFile file(c.start);
      protectUnderLimit(file.path(), c.percent, limit);
      expectOldOrNew(file.path(), c.start, c.percent);
      (void)deleteFile(partialPathFor(file.path()));
    }
  }
}

}  // namespace
}  // namespace tolzeb
