// The built zeb never writes its output over one of its own inputs: the reference archive of an increment, a source, or
// a part of the set being merged, however the path is spelled.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/fs.h"
#include "support/scratch_tree.h"
#include "run_program.h"
#include "support/utf8_text.h"

namespace tolzeb::cli::testing {
namespace {

using tolzeb::testing::ScratchTree;
using tolzeb::testing::utf8Of;

TEST(ZebOutputs, AnOutputThatIsTheReferenceOrASourceIsRefusedBeforeAnythingIsWritten) {
  ScratchTree scratch;
  scratch.writeText(L"src/a.txt", "first");
  scratch.makeDirectory(L"sub");
  const std::string source = utf8Of(scratch.path(L"src"));
  const std::string base = utf8Of(scratch.path(L"base.zeb"));
  ASSERT_EQ(zeb({"c", source, "-o", base, "--quiet"}).exitCode, 0);
  scratch.writeText(L"src/a.txt", "changed, so there is something to write");
  std::error_code linkError;
  std::filesystem::create_hard_link(std::filesystem::path(base), std::filesystem::path(base + "-link"), linkError);
  ASSERT_FALSE(linkError) << linkError.message();

  const std::vector<uint8_t> baseBytes = scratch.read(L"base.zeb");
  const std::string sourceFile = utf8Of(scratch.path(L"src/a.txt"));
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{"inc", source, "--base", base, "-o", base}, "zeb: the output "},
      {{"inc", source, "--base", base, "-o", utf8Of(scratch.path(L"sub/../base.zeb"))}, "zeb: the output "},
      {{"inc", source, "--base", base, "-o", base + "-link"}, "zeb: the output "},
      {{"inc", sourceFile, "--base", base, "-o", utf8Of(scratch.path(L"src/./a.txt"))}, "zeb: the output "},
      {{"c", sourceFile, "-o", utf8Of(scratch.path(L"sub/../src/a.txt"))}, "zeb: the output "},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("--quiet");
    const ProgramRun run = zeb(args);
    EXPECT_EQ(run.exitCode, 2) << args.back() << "\n" << run.err;
    EXPECT_TRUE(run.err.starts_with(c.err)) << run.err;
    EXPECT_EQ(scratch.read(L"base.zeb"), baseBytes);
    EXPECT_EQ(scratch.readText(L"src/a.txt"), "changed, so there is something to write");
    EXPECT_FALSE(scratch.exists(L"base.zeb.partial"));
  }
  EXPECT_NE(zeb({"inc", source, "--base", base, "-o", base, "--quiet"}).err.find(" is the reference archive "),
            std::string::npos);

  // Another name is fine.
  const ProgramRun written = zeb({"inc", source, "--base", base, "-o", utf8Of(scratch.path(L"new.zeb")), "--quiet"});
  EXPECT_EQ(written.exitCode, 0) << written.err;
}

TEST(ZebOutputs, SplitAndMergeLeaveOtherFilesAlone) {
  ScratchTree scratch;
  std::vector<uint8_t> noise(200000);
  uint32_t state = 7;
  for (uint8_t& byte : noise) byte = uint8_t((state = state * 1103515245 + 12345) >> 24);
  scratch.writeFile(L"src/noise.bin", noise);
  scratch.makeDirectory(L"sub");
  const std::string archive = utf8Of(scratch.path(L"a.zeb"));
  ASSERT_EQ(zeb({"c", utf8Of(scratch.path(L"src")), "-o", archive, "--mode", "lightning", "--quiet"}).exitCode, 0);

  scratch.writeText(L"a.zeb.002", "someone's notes");
  const ProgramRun split = zeb({"split", archive, "--part-size", "64K", "--quiet"});
  EXPECT_EQ(split.exitCode, 5) << split.err;
  EXPECT_TRUE(split.err.starts_with("zeb: error 10: Cannot split: ")) << split.err;
  EXPECT_EQ(scratch.readText(L"a.zeb.002"), "someone's notes");
  EXPECT_FALSE(scratch.exists(L"a.zeb.001"));

  ASSERT_TRUE(deleteFile(scratch.path(L"a.zeb.002")).ok());
  ASSERT_EQ(zeb({"split", archive, "--part-size", "64K", "--quiet"}).exitCode, 0);
  const std::vector<uint8_t> second = scratch.read(L"a.zeb.002");
  const ProgramRun merge =
      zeb({"merge", utf8Of(scratch.path(L"a.zeb.001")), "-o", utf8Of(scratch.path(L"sub/../a.zeb.002")), "--quiet"});
  EXPECT_EQ(merge.exitCode, 2) << merge.err;
  EXPECT_TRUE(merge.err.starts_with("zeb: error 2: The output ")) << merge.err;
  EXPECT_EQ(scratch.read(L"a.zeb.002"), second);
}

}  // namespace
}  // namespace tolzeb::cli::testing
