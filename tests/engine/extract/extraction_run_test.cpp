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

    // Stopped midway: the unfinished file goes, the last complete one stays, and a new file
    // never shows under its name.
    ASSERT_TRUE(writer.begin(target).hasValue());
    ASSERT_TRUE(writer.write("trunc", 5).ok());
    writer.discardUnfinished();
    EXPECT_EQ(tree.readText(L"out/f.txt"), "new contents");
    EXPECT_FALSE(tree.exists(L"out/f.txt.zebtmp"));
    ASSERT_TRUE(writer.begin(tree.path(L"out/g.txt")).hasValue());
    ASSERT_TRUE(writer.write("trunc", 5).ok());
    EXPECT_FALSE(tree.exists(L"out/g.txt"));
    writer.discardUnfinished();
    EXPECT_FALSE(tree.exists(L"out/g.txt"));
    EXPECT_FALSE(tree.exists(L"out/g.txt.zebtmp"));
  }
}

// A file that was new when it began may find its name taken by the time it is complete (another
// program, or the user, made it). The policy decides as it would have at the start, and the
// item that came is never replaced without it.
TEST(ExtractedFileWriterTest, ANameTakenWhileTheFileIsWrittenGoesByThePolicy) {
  struct Case {
    OverwritePolicy policy;
    bool succeeds;
    const char* left;  // what the name holds afterwards
  };
  const Case cases[] = {
      {OverwritePolicy::overwrite, true, "extracted"},
      {OverwritePolicy::skip, true, "came meanwhile"},
      {OverwritePolicy::fail, false, "came meanwhile"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.policy));
    ScratchTree tree;
    ExtractOptions options;
    options.overwrite = c.policy;
    ExtractedFileWriter writer(tree.path(L"out"), options, L"exists: ");
    Result<bool> begun = writer.begin(tree.path(L"out/f.txt"));
    ASSERT_TRUE(begun.hasValue()) << printable(begun.failure().message);
    ASSERT_TRUE(*begun);
    ASSERT_TRUE(writer.write("extracted", 9).ok());
    tree.writeText(L"out/f.txt", "came meanwhile");
    const Status finished = writer.finish(0, 0);
    EXPECT_EQ(finished.ok(), c.succeeds) << printable(finished.message());
    if (!c.succeeds) {
      EXPECT_EQ(finished.code(), StatusCode::already_exists);
      EXPECT_EQ(finished.message(), L"exists: " + tree.path(L"out/f.txt"));
    }
    EXPECT_EQ(tree.readText(L"out/f.txt"), c.left);
    EXPECT_FALSE(tree.exists(L"out/f.txt.zebtmp"));
  }
}

// The writer keeps the folders of the last file open for the next: files that go up, down and
// sideways in the tree, and deeper than the levels it holds one by one, each land in their own
// folder.
TEST(ExtractedFileWriterTest, FilesMovingAroundTheTreeLandInTheirFolders) {
  ScratchTree tree;
  ExtractOptions options;
  ExtractedFileWriter writer(tree.path(L"out"), options, L"exists: ");
  std::wstring deep = L"d";
  for (int level = 0; level < 40; ++level) deep += L"/l" + std::to_wstring(level);
  const std::vector<std::wstring> files = {
      L"top.txt", L"a/b/c/1.txt", L"a/b/c/2.txt", L"a/b/d/3.txt", L"a/4.txt", L"a/b/c/e/5.txt",
      deep + L"/6.txt", deep + L"/7.txt", L"d/l0/8.txt", deep + L"/x/9.txt", L"z/10.txt"};
  for (const std::wstring& file : files) {
    SCOPED_TRACE(printable(file));
    const Status folder = writer.createFolder(tree.path(L"out/" + file + L".folder"));
    ASSERT_TRUE(folder.ok()) << printable(folder.message());
    Result<bool> begun = writer.begin(tree.path(L"out/" + file));
    ASSERT_TRUE(begun.hasValue()) << printable(begun.failure().message);
    const std::string contents = printable(file);
    ASSERT_TRUE(writer.write(contents.data(), contents.size()).ok());
    ASSERT_TRUE(writer.finish(0, 0).ok());
  }
  for (const std::wstring& file : files) {
    SCOPED_TRACE(printable(file));
    EXPECT_EQ(tree.readText(L"out/" + file), printable(file));
    EXPECT_TRUE(isDirectory(tree.path(L"out/" + file + L".folder")));
  }
}

// The temporary name may already be taken by a file of the same archive ("x" written after
// "x.zebtmp") or by the user's own; either stays as it was, for a new file and a replacement.
TEST(ExtractedFileWriterTest, AnItemHoldingTheTemporaryNameIsKept) {
  for (const bool replacing : {false, true}) {
    SCOPED_TRACE(replacing ? "replacing" : "new file");
    ScratchTree tree;
    if (replacing) tree.writeText(L"out/x", "old");
    tree.writeText(L"out/x.zebtmp", "an entry of its own");
    tree.writeText(L"out/x.1.zebtmp", "another");
    ExtractOptions options;
    options.overwrite = OverwritePolicy::overwrite;
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
}

}  // namespace
}  // namespace tolzeb
