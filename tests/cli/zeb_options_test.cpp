// The built zeb carries out the create options of an increment and refuses those a foreign archive cannot carry,
// rather than writing an archive without them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scratch_tree.h"
#include "run_program.h"
#include "support/utf8_text.h"

namespace tolzeb::cli::testing {
namespace {

using tolzeb::testing::ScratchTree;
using tolzeb::testing::utf8Of;

TEST(ZebOptions, AnIncrementIsEncryptedAndProtectedWhenAskedTo) {
  ScratchTree scratch;
  scratch.writeText(L"src/a.txt", "first");
  const std::string source = utf8Of(scratch.path(L"src"));
  const std::string base = utf8Of(scratch.path(L"base.zeb"));
  const std::string increment = utf8Of(scratch.path(L"new.zeb"));
  ASSERT_EQ(zeb({"c", source, "-o", base, "--quiet"}).exitCode, 0);
  scratch.writeText(L"src/a.txt", "second");

  const ProgramRun created = zeb({"inc", source, "--base", base, "-o", increment, "--encrypt", "--password-stdin",
                                  "--kdf-iterations", "100000", "--recovery", "10", "--quiet"},
                                 "secret\n");
  ASSERT_EQ(created.exitCode, 0) << created.err;
  EXPECT_NE(created.out.find("  recovery record "), std::string::npos) << created.out;

  EXPECT_EQ(zeb({"t", increment, "--password-stdin", "--quiet"}, "wrong\n").exitCode, 4);
  const ProgramRun tested = zeb({"t", increment, "--password-stdin", "--quiet"}, "secret\n");
  EXPECT_EQ(tested.exitCode, 0) << tested.err;
  const ProgramRun scanned = zeb({"scan", increment, "--quiet"});
  EXPECT_EQ(scanned.exitCode, 0) << scanned.err;
  EXPECT_NE(scanned.out.find("nothing to repair"), std::string::npos) << scanned.out;
}

TEST(ZebOptions, AForeignArchiveIsNotWrittenWithoutWhatWasAskedFor) {
  ScratchTree scratch;
  scratch.writeText(L"src/a.txt", "first");
  const std::string source = utf8Of(scratch.path(L"src"));
  const ProgramRun run = zeb({"c", source, "-o", utf8Of(scratch.path(L"x.tgz")), "--recovery", "5", "--quiet"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err.rfind("zeb: --recovery ", 0), 0u) << run.err;
  EXPECT_FALSE(scratch.exists(L"x.tgz"));
}

}  // namespace
}  // namespace tolzeb::cli::testing
