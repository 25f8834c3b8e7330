#include "engine/extract/extraction_run.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scratch_tree.h"

namespace tolzeb {
namespace {

using testing::printable;
using testing::ScratchTree;

// Whatever moment an extraction is stopped at (a crash, a kill, a lost power supply), the final
// name holds either nothing, the old file, or the complete new one: while a file is being
// written, only its ".zebtmp" exists.
TEST(ExtractedFileWriterTest, AFileBeingWrittenNeverHasItsFinalName) {
  for (const bool replacing : {false, true}) {
    SCOPED_TRACE(replacing ? "replacing" : "new file");
    ScratchTree tree;
    if (replacing) tree.writeText(L"out/f.txt", "old contents");
    ExtractOptions options;
    options.overwrite = OverwritePolicy::overwrite;
    ExtractedFileWriter writer(tree.path(L"out"), options, L"exists: ");
    const std::wstring target = tree.path(L"out/f.txt");

    Result<bool> begun = writer.begin(target);
    ASSERT_TRUE(begun.hasValue()) << printable(begun.failure().message);
    ASSERT_TRUE(*begun);
    ASSERT_TRUE(writer.write("new ", 4).ok());
    EXPECT_EQ(tree.exists(L"out/f.txt"), replacing);
    if (replacing) {
      EXPECT_EQ(tree.readText(L"out/f.txt"), "old contents");
    }
    EXPECT_TRUE(tree.exists(L"out/f.txt.zebtmp"));
    ASSERT_TRUE(writer.write("contents", 8).ok());
    ASSERT_TRUE(writer.finish(0, 0).ok());
    EXPECT_EQ(tree.readText(L"out/f.txt"), "new contents");
    EXPECT_FALSE(tree.exists(L"out/f.txt.zebtmp"));

    // Stopped midway: the unfinished file goes, the last complete one stays.
    ASSERT_TRUE(writer.begin(target).hasValue());
    ASSERT_TRUE(writer.write("trunc", 5).ok());
    writer.discardUnfinished();
    EXPECT_EQ(tree.readText(L"out/f.txt"), "new contents");
    EXPECT_FALSE(tree.exists(L"out/f.txt.zebtmp"));
  }
}

// The temporary name may already be taken by a file of the same archive ("x" written after
// "x.zebtmp") or by the user's own; either stays as it was.
TEST(ExtractedFileWriterTest, AnItemHoldingTheTemporaryNameIsKept) {
  ScratchTree tree;
  tree.writeText(L"out/x.zebtmp", "an entry of its own");
  tree.writeText(L"out/x.1.zebtmp", "another");
  ExtractOptions options;
  ExtractedFileWriter writer(tree.path(L"out"), options, L"exists: ");
  Result<bool> begun = writer.begin(tree.path(L"out/x"));
  ASSERT_TRUE(begun.hasValue()) << printable(begun.failure().message);
  EXPECT_TRUE(tree.exists(L"out/x.2.zebtmp"));
  ASSERT_TRUE(writer.write("x", 1).ok());
  ASSERT_TRUE(writer.finish(0, 0).ok());
  EXPECT_EQ(tree.readText(L"out/x"), "x");
  EXPECT_EQ(tree.readText(L"out/x.zebtmp"), "an entry of its own");
  EXPECT_EQ(tree.readText(L"out/x.1.zebtmp"), "another");
  EXPECT_FALSE(tree.exists(L"out/x.2.zebtmp"));
}

}  // namespace
}  // namespace tolzeb
