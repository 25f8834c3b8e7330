// Links that already sit where an archive's files go, or where a writer stages its output: the
// write must never pass through them to whatever they name.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/core/fs.h"
#include "engine/create/create_archive.h"
#include "engine/extract/extraction_run.h"
#include "engine/tools/split_merge.h"
#include "formats/archive_kind.h"
#include "formats/sevenzip/sevenzip_writer.h"
#include "formats/tar/tar_writer.h"
#include "formats/zip/zip.h"
#include "support/scratch_tree.h"

namespace tolzeb {
namespace {

using testing::printable;
using testing::ScratchTree;

using Writer = std::function<Result<ArchiveStats>(const std::vector<std::wstring>&, const std::wstring&)>;

struct Format {
  const char* name;
  const wchar_t* archiveName;
  ArchiveKind kind;
  Writer write;
};

std::vector<Format> formats() {
  return {
      {"zeb", L"a.zeb", ArchiveKind::zeb,
       [](const auto& sources, const auto& output) { return createArchive(sources, output, {}, {}); }},
      {"zip", L"a.zip", ArchiveKind::zip,
       [](const auto& sources, const auto& output) { return createZip(sources, output, 6, {}); }},
      {"tar", L"a.tar", ArchiveKind::tar,
       [](const auto& sources, const auto& output) { return createTar(sources, output, false, 6, {}); }},
      {"tar.gz", L"a.tar.gz", ArchiveKind::tarGz,
       [](const auto& sources, const auto& output) { return createTar(sources, output, true, 6, {}); }},
      {"7z", L"a.7z", ArchiveKind::sevenZip,
       [](const auto& sources, const auto& output) { return createSevenZip(sources, output, 5, 0, {}); }},
  };
}

void makeLink(const std::string& target, const std::wstring& at) {
  ASSERT_EQ(::symlink(target.c_str(), printable(at).c_str()), 0) << printable(at);
}

bool isLink(const std::wstring& path) {
  Result<FileInfo> info = statPath(path);
  return info.hasValue() && info->isReparsePoint;
}

// The archive holds "victim/f" and "lnk"; inside the destination "victim" links to a folder
// outside and "lnk" to a file outside. Whatever the policy and whichever entry is chosen, the
// extraction is refused as unsafe and nothing outside changes.
TEST(LinksInTheWay, ExtractionNeverWritesThroughALinkInTheDestination) {
  for (const Format& format : formats()) {
    SCOPED_TRACE(format.name);
    ScratchTree tree;
    tree.writeText(L"src/victim/f", "from the archive");
    tree.writeText(L"src/lnk", "from the archive");
    const std::wstring archive = tree.path(format.archiveName);
    Result<ArchiveStats> written = format.write({tree.path(L"src/victim"), tree.path(L"src/lnk")}, archive);
    ASSERT_TRUE(written.hasValue()) << printable(written.failure().message);

    tree.makeDirectory(L"outside");
    tree.writeText(L"outside/kept", "outside");
    tree.makeDirectory(L"out");
    makeLink("../outside", tree.path(L"out/victim"));
    makeLink("../outside/kept", tree.path(L"out/lnk"));

    for (const OverwritePolicy policy : {OverwritePolicy::fail, OverwritePolicy::skip, OverwritePolicy::overwrite}) {
      for (const std::vector<std::wstring>& selection : {std::vector<std::wstring>{}, {L"victim/f"}, {L"lnk"}}) {
        SCOPED_TRACE(int(policy));
        SCOPED_TRACE(selection.empty() ? "everything" : printable(selection[0]));
        if (policy == OverwritePolicy::skip && selection.size() == 1 && selection[0] == L"lnk") {
          continue;  // an existing name is skipped unopened: nothing to refuse
        }
        ExtractOptions options;
        options.overwrite = policy;
        Result<ArchiveStats> extracted =
            extractAnyArchive(archive, format.kind, tree.path(L"out"), selection, options, {});
        ASSERT_TRUE(extracted.failed());
        EXPECT_EQ(extracted.failure().code, StatusCode::path_unsafe) << printable(extracted.failure().message);
        EXPECT_FALSE(tree.exists(L"outside/f"));
        EXPECT_EQ(tree.readText(L"outside/kept"), "outside");
        EXPECT_TRUE(isLink(tree.path(L"out/victim")));
        EXPECT_TRUE(isLink(tree.path(L"out/lnk")));
      }
    }
  }
}

// A link left where a writer stages its output ("<output>.partial") is replaced, not followed:
// the file it names keeps its contents and the output is a file of its own.
TEST(LinksInTheWay, WritersNeverStageThroughALink) {
  for (const Format& format : formats()) {
    SCOPED_TRACE(format.name);
    ScratchTree tree;
    tree.writeText(L"src/a.txt", "content");
    tree.writeText(L"precious", "precious");
    const std::wstring output = tree.path(format.archiveName);
    makeLink(printable(tree.path(L"precious")), output + L".partial");
    Result<ArchiveStats> written = format.write({tree.path(L"src")}, output);
    ASSERT_TRUE(written.hasValue()) << printable(written.failure().message);
    EXPECT_EQ(tree.readText(L"precious"), "precious");
    EXPECT_FALSE(isLink(output));
    EXPECT_FALSE(pathExists(output + L".partial"));
  }
}

TEST(LinksInTheWay, MergeNeverStagesThroughALink) {
  ScratchTree tree;
  tree.writeText(L"src/a.txt", std::string(300000, 'x'));
  tree.writeText(L"precious", "precious");
  ASSERT_TRUE(createArchive({tree.path(L"src")}, tree.path(L"a.zeb"), {}, {}).hasValue());
  Result<SplitResult> split = splitArchive(tree.path(L"a.zeb"), 65536, {});
  ASSERT_TRUE(split.hasValue()) << printable(split.failure().message);
  const std::wstring output = tree.path(L"merged.zeb");
  makeLink(printable(tree.path(L"precious")), output + L".partial");
  Result<MergeResult> merged = mergeParts(tree.path(L"a.zeb.001"), output, {});
  ASSERT_TRUE(merged.hasValue()) << printable(merged.failure().message);
  EXPECT_EQ(tree.readText(L"precious"), "precious");
  EXPECT_FALSE(isLink(output));
}

// The folder a file is being written in, swapped for a link to a folder outside after every check
// was made: the file is still finished in the folder it was begun in, never carried out.
TEST(LinksInTheWay, AFolderSwappedForALinkMidFileKeepsTheFileInside) {
  ScratchTree tree;
  tree.writeText(L"outside/kept.txt", "outside");
  tree.writeText(L"out/a/kept.txt", "inside");
  ExtractOptions options;
  ExtractedFileWriter writer(tree.path(L"out"), options, L"exists: ");
  Result<bool> begun = writer.begin(tree.path(L"out/a/f.txt"));
  ASSERT_TRUE(begun.hasValue()) << printable(begun.failure().message);
  ASSERT_TRUE(writer.write("data", 4).ok());
  ASSERT_EQ(::rename(printable(tree.path(L"out/a")).c_str(), printable(tree.path(L"out/moved")).c_str()), 0);
  makeLink(printable(tree.path(L"outside")), tree.path(L"out/a"));
  const Status finished = writer.finish(0, 0);
  ASSERT_TRUE(finished.ok()) << printable(finished.message());
  EXPECT_EQ(tree.readText(L"out/moved/f.txt"), "data");
  EXPECT_FALSE(tree.exists(L"outside/f.txt"));
  EXPECT_FALSE(tree.exists(L"outside/f.txt.zebtmp"));
}

// A link put at a new file's name while the file is written: the finished file never goes
// through it. Replacing is the link itself giving way; otherwise the link stays as it was.
TEST(LinksInTheWay, ALinkMadeAtTheNameMidFileIsNeverFollowed) {
  for (const OverwritePolicy policy : {OverwritePolicy::overwrite, OverwritePolicy::skip, OverwritePolicy::fail}) {
    SCOPED_TRACE(int(policy));
    ScratchTree tree;
    tree.writeText(L"outside/f.txt", "outside");
    ExtractOptions options;
    options.overwrite = policy;
    ExtractedFileWriter writer(tree.path(L"out"), options, L"exists: ");
    ASSERT_TRUE(writer.begin(tree.path(L"out/f.txt")).hasValue());
    ASSERT_TRUE(writer.write("data", 4).ok());
    makeLink(printable(tree.path(L"outside/f.txt")), tree.path(L"out/f.txt"));
    const Status finished = writer.finish(0, 0);
    EXPECT_EQ(finished.ok(), policy != OverwritePolicy::fail) << printable(finished.message());
    EXPECT_EQ(tree.readText(L"outside/f.txt"), "outside");
    EXPECT_EQ(isLink(tree.path(L"out/f.txt")), policy != OverwritePolicy::overwrite);
    if (policy == OverwritePolicy::overwrite) {
      EXPECT_EQ(tree.readText(L"out/f.txt"), "data");
    }
    EXPECT_FALSE(tree.exists(L"out/f.txt.zebtmp"));
  }
}

// The time and attributes are restored on the file that was written, in the folder it was begun
// in: never on a file of the same name that a link swapped in for that folder now leads to.
TEST(LinksInTheWay, AFolderSwappedForALinkMidFileLeavesTheTimesOutsideAlone) {
  ScratchTree tree;
  tree.writeText(L"outside/f.txt", "outside");
  tree.makeDirectory(L"out/a");
  const Result<FileInfo> before = statPath(tree.path(L"outside/f.txt"));
  ASSERT_TRUE(before.hasValue());
  ExtractOptions options;
  options.restoreTimes = true;
  options.restoreAttributes = true;
  ExtractedFileWriter writer(tree.path(L"out"), options, L"exists: ");
  ASSERT_TRUE(writer.begin(tree.path(L"out/a/f.txt")).hasValue());
  ASSERT_TRUE(writer.write("data", 4).ok());
  ASSERT_EQ(::rename(printable(tree.path(L"out/a")).c_str(), printable(tree.path(L"out/moved")).c_str()), 0);
  makeLink(printable(tree.path(L"outside")), tree.path(L"out/a"));
  const uint64_t modified = 132000000000000000;  // 2019
  ASSERT_TRUE(writer.finish(modified, kAttributeReadOnly | kAttributeArchive).ok());

  const Result<FileInfo> outside = statPath(tree.path(L"outside/f.txt"));
  ASSERT_TRUE(outside.hasValue());
  EXPECT_EQ(outside->modified, before->modified);
  EXPECT_EQ(outside->attributes & kAttributeReadOnly, 0u);
  const Result<FileInfo> written = statPath(tree.path(L"out/moved/f.txt"));
  ASSERT_TRUE(written.hasValue());
  EXPECT_EQ(written->modified, modified);
  EXPECT_NE(written->attributes & kAttributeReadOnly, 0u);
}

// The writer keeps the last file's folder open for the next file. A folder swapped for a link
// between two files is met again by the next file: refused as before, nothing written outside.
TEST(LinksInTheWay, AFolderSwappedForALinkBetweenFilesIsRefused) {
  ScratchTree tree;
  tree.makeDirectory(L"outside");
  ExtractOptions options;
  ExtractedFileWriter writer(tree.path(L"out"), options, L"exists: ");
  ASSERT_TRUE(writer.createFolder(tree.path(L"out/a/b")).ok());
  ASSERT_TRUE(writer.begin(tree.path(L"out/a/b/1.txt")).hasValue());
  ASSERT_TRUE(writer.finish(0, 0).ok());
  ASSERT_EQ(::rename(printable(tree.path(L"out/a")).c_str(), printable(tree.path(L"out/moved")).c_str()), 0);
  makeLink(printable(tree.path(L"outside")), tree.path(L"out/a"));
  tree.makeDirectory(L"outside/b");

  for (const wchar_t* next : {L"out/a/b/2.txt", L"out/a/3.txt"}) {
    SCOPED_TRACE(printable(next));
    const Result<bool> begun = writer.begin(tree.path(next));
    ASSERT_TRUE(begun.failed());
    EXPECT_EQ(begun.failure().code, StatusCode::path_unsafe) << printable(begun.failure().message);
  }
  const Status folder = writer.createFolder(tree.path(L"out/a/b/c"));
  EXPECT_EQ(folder.code(), StatusCode::path_unsafe);
  EXPECT_FALSE(tree.exists(L"outside/b/2.txt"));
  EXPECT_FALSE(tree.exists(L"outside/3.txt"));
  EXPECT_FALSE(tree.exists(L"outside/b/c"));
  EXPECT_EQ(tree.readText(L"out/moved/b/1.txt"), "");
}

}  // namespace
}  // namespace tolzeb
