#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "engine/core/fs.h"
#include "engine/core/text.h"
#include "fs_test_support.h"
#include "support/temp_folder.h"

namespace tolzeb {
namespace {

using ::tolzeb::testing::hasErrorShape;

std::string utf8(const std::wstring& path) {
  Result<std::vector<uint8_t>> bytes = utf16ToUtf8(path);
  return std::string(bytes->begin(), bytes->end());
}

void createEmptyFile(const std::wstring& path) {
  Result<UniqueHandle> file = openForWrite(path, false);
  ASSERT_TRUE(file.hasValue()) << file.failure().message;
}

class FsPosixTest : public ::testing::Test {
 protected:
  testing::TempFolder folder;
};

// The attribute word is made up from the mode: 0x10 directory, 0x20 file, 0x01 without owner write.
TEST_F(FsPosixTest, AttributesAreSynthesisedFromTheMode) {
  const std::wstring file = folder / L"file";
  createEmptyFile(file);
  ASSERT_EQ(::chmod(utf8(file).c_str(), 0644), 0);
  EXPECT_EQ(statPath(file)->attributes, 0x20u);
  EXPECT_EQ(statPath(folder.path())->attributes, 0x10u);

  ASSERT_TRUE(setAttributes(file, 0x01 | 0x02 | 0x20).ok());
  struct stat status {};
  ASSERT_EQ(::stat(utf8(file).c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0444u);
  EXPECT_EQ(statPath(file)->attributes, 0x21u);

  // Any settable bits without read-only give the owner write permission back.
  ASSERT_TRUE(setAttributes(file, 0x02).ok());
  ASSERT_EQ(::stat(utf8(file).c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0644u);
  EXPECT_EQ(statPath(file)->attributes, 0x20u);
}

// Links are listed as reparse points and never entered; a link named as the root is followed.
TEST_F(FsPosixTest, LinksAreListedButNotEntered) {
  ASSERT_TRUE(createDirectories(folder / L"real/inner").ok());
  createEmptyFile(folder / L"real/inner/file");
  ASSERT_TRUE(createDirectories(folder / L"tree").ok());
  ASSERT_EQ(::symlink(utf8(folder / L"real").c_str(), utf8(folder / L"tree/link").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", utf8(folder / L"tree/dangling").c_str()), 0);

  Result<std::vector<FileInfo>> items = enumerateTree(folder / L"tree");
  ASSERT_TRUE(items.hasValue()) << items.failure().message;
  ASSERT_EQ(items->size(), 2u);
  for (const FileInfo& item : *items) {
    EXPECT_TRUE(item.isReparsePoint) << ::testing::PrintToString(item.relativePath);
    EXPECT_EQ(item.attributes & 0x400, 0x400u);
    EXPECT_EQ(item.isDirectory, item.relativePath == L"link");
  }

  Result<std::vector<FileInfo>> throughLink = enumerateTree(folder / L"tree/link");
  ASSERT_TRUE(throughLink.hasValue());
  ASSERT_EQ(throughLink->size(), 2u);  // inner and inner/file
}

// A FIFO must neither hang an open nor be read as a file by a scanner.
TEST_F(FsPosixTest, FifosNeverBlock) {
  const std::wstring fifo = folder / L"pipe";
  ASSERT_EQ(::mkfifo(utf8(fifo).c_str(), 0600), 0);
  Result<FileInfo> info = statPath(fifo);
  ASSERT_TRUE(info.hasValue());
  EXPECT_TRUE(info->isReparsePoint);
  EXPECT_FALSE(info->isDirectory);

  Result<UniqueHandle> file = openForRead(fifo);  // would hang without a writer if it blocked
  ASSERT_TRUE(file.hasValue()) << file.failure().message;
}

TEST_F(FsPosixTest, PathsThatAreNotUtf16AreRefused) {
  const std::wstring broken = folder.path() + L"/bad" + wchar_t(0xDC00);
  Result<UniqueHandle> file = openForRead(broken);
  ASSERT_TRUE(file.failed());
  EXPECT_EQ(file.failure().code, StatusCode::invalid_argument);
  EXPECT_EQ(file.failure().message, L"Cannot open for reading '" + broken + L"': Unpaired low surrogate");
  EXPECT_FALSE(pathExists(broken));
  EXPECT_TRUE(createDirectories(broken).failed());
}

TEST_F(FsPosixTest, NamesThatAreNotUtf8StopTheEnumeration) {
  const std::string name = utf8(folder.path()) + "/latin1-\xE4.txt";
  const int fd = ::open(name.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ::close(fd);
  Result<std::vector<FileInfo>> items = enumerateTree(folder.path());
  ASSERT_TRUE(items.failed());
  EXPECT_EQ(items.failure().code, StatusCode::io_failure);
  EXPECT_EQ(items.failure().message,
            L"Enumeration failed in '" + folder.path() + L"': a name there is not valid UTF-8");
  ::unlink(name.c_str());
}

TEST_F(FsPosixTest, MissingOrBlockedDirectoriesOnTheWay) {
  Result<UniqueHandle> missing = openForRead(folder / L"no-dir/file");
  ASSERT_TRUE(missing.failed());
  EXPECT_EQ(missing.failure().code, StatusCode::not_found);
  EXPECT_TRUE(hasErrorShape(missing.failure(), L"Cannot open for reading", folder / L"no-dir/file"));
  EXPECT_NE(missing.failure().message.find(L"(0x00000002)"), std::wstring::npos);  // ENOENT

  createEmptyFile(folder / L"file");
  Result<UniqueHandle> blocked = openForRead(folder / L"file/below");
  ASSERT_TRUE(blocked.failed());
  EXPECT_EQ(blocked.failure().code, StatusCode::not_found);
  EXPECT_NE(blocked.failure().message.find(L"(0x00000014)"), std::wstring::npos);  // ENOTDIR
}

TEST_F(FsPosixTest, DroppingAnOpenResultClosesTheDescriptor) {
  int descriptor = -1;
  {
    Result<UniqueHandle> file = openForWrite(folder / L"f", false);
    ASSERT_TRUE(file.hasValue());
    descriptor = int(file->native());
    EXPECT_NE(::fcntl(descriptor, F_GETFD), -1);
  }
  EXPECT_EQ(::fcntl(descriptor, F_GETFD), -1);
  EXPECT_EQ(errno, EBADF);
}

TEST_F(FsPosixTest, TimesWithTheTopBitSetAreRefused) {
  createEmptyFile(folder / L"f");
  Status status = setFileTimes(folder / L"f", 0x8000000000000000ull);
  ASSERT_TRUE(status.failed());
  EXPECT_EQ(status.code(), StatusCode::io_failure);
  EXPECT_TRUE(hasErrorShape(status.failure(), L"Cannot set times on", folder / L"f"));
}

// A held directory was opened without following links, and what is created, renamed and deleted
// through it stays there even when a component of its chain is swapped for a link afterwards.
TEST_F(FsPosixTest, AHeldDirectoryKeepsItsFilesWhereItWasOpened) {
  const std::wstring root = folder / L"root";
  const std::wstring outside = folder / L"outside";
  ASSERT_TRUE(createDirectories(joinPath(root, L"a/b")).ok());
  ASSERT_TRUE(createDirectories(joinPath(outside, L"b")).ok());
  Result<HeldDirectory> held = HeldDirectory::open(root, L"a/b");
  ASSERT_TRUE(held.hasValue()) << held.failure().message;
  EXPECT_EQ(held->path(), joinPath(root, L"a/b"));

  // "a" becomes a link to the folder outside, its real folder moved aside.
  ASSERT_EQ(::rename(utf8(joinPath(root, L"a")).c_str(), utf8(joinPath(root, L"moved")).c_str()), 0);
  ASSERT_EQ(::symlink(utf8(outside).c_str(), utf8(joinPath(root, L"a")).c_str()), 0);
  {
    Result<UniqueHandle> file = held->createFile(L"f.tmp", true);
    ASSERT_TRUE(file.hasValue()) << file.failure().message;
    ASSERT_TRUE(file->writeAll("data", 4).ok());
  }
  ASSERT_TRUE(held->rename(L"f.tmp", L"f").ok());
  EXPECT_TRUE(pathExists(joinPath(root, L"moved/b/f")));
  EXPECT_FALSE(pathExists(joinPath(outside, L"b/f")));
  EXPECT_FALSE(pathExists(joinPath(outside, L"b/f.tmp")));
  ASSERT_TRUE(held->remove(L"f").ok());
  EXPECT_FALSE(pathExists(joinPath(root, L"moved/b/f")));
  EXPECT_TRUE(held->remove(L"f").ok());  // already gone
  EXPECT_EQ(held->createFile(L"f", false).hasValue(), true);
  EXPECT_EQ(held->createFile(L"f", true).failure().code, StatusCode::already_exists);

  // Opened now, the chain meets the link, or a file, and refuses it.
  for (const wchar_t* below : {L"a/b", L"moved/b/f"}) {
    Result<HeldDirectory> refused = HeldDirectory::open(root, below);
    ASSERT_TRUE(refused.failed()) << utf8(below);
    EXPECT_EQ(refused.failure().code, StatusCode::path_unsafe) << utf8(below);
  }
  // A link as the last name is not followed when a file is created there either.
  ASSERT_EQ(::symlink(utf8(joinPath(outside, L"target")).c_str(), utf8(joinPath(root, L"moved/b/lnk")).c_str()), 0);
  Result<HeldDirectory> inner = HeldDirectory::open(root, L"moved/b");
  ASSERT_TRUE(inner.hasValue());
  EXPECT_TRUE(inner->createFile(L"lnk", false).failed());
  EXPECT_FALSE(pathExists(joinPath(outside, L"target")));
}

}  // namespace
}  // namespace tolzeb
