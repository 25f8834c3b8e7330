// A directory link (a reparse point) already inside the destination: extraction must not write
// through it. Windows allows such links without privileges only in developer mode, so the test
// is skipped where none can be made.
#include <gtest/gtest.h>
#include <windows.h>

#include "engine/core/fs.h"
#include "formats/archive_kind.h"
#include "formats/zip/zip.h"
#include "support/scratch_tree.h"

namespace tolzeb {
namespace {

using testing::printable;
using testing::ScratchTree;

constexpr DWORD kDirectoryLink = 0x1;     // SYMBOLIC_LINK_FLAG_DIRECTORY
constexpr DWORD kUnprivilegedLink = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE

TEST(LinksInTheWay, ExtractionRefusesAReparsePointOnTheWay) {
  ScratchTree tree;
  tree.writeText(L"src/victim/f", "from the archive");
  const std::wstring archive = tree.path(L"a.zip");
  ASSERT_TRUE(createZip({tree.path(L"src/victim")}, archive, 6, {}).hasValue());
  tree.makeDirectory(L"outside");
  tree.makeDirectory(L"out");
  if (!CreateSymbolicLinkW(tree.path(L"out/victim").c_str(), tree.path(L"outside").c_str(),
                           kDirectoryLink | kUnprivilegedLink)) {
    GTEST_SKIP() << "no directory link can be made here (error " << GetLastError() << ")";
  }
  Result<FileInfo> link = statPath(tree.path(L"out/victim"));
  if (link.failed() || !link->isReparsePoint) GTEST_SKIP() << "the link is not reported as a reparse point here";

  ExtractOptions options;
  options.overwrite = OverwritePolicy::overwrite;
  Result<ArchiveStats> extracted = extractAnyArchive(archive, ArchiveKind::zip, tree.path(L"out"), {}, options, {});
  ASSERT_TRUE(extracted.failed());
  EXPECT_EQ(extracted.failure().code, StatusCode::path_unsafe) << printable(extracted.failure().message);
  EXPECT_FALSE(tree.exists(L"outside/f"));
}

}  // namespace
}  // namespace tolzeb
