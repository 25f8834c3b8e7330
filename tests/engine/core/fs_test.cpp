#include "engine/core/fs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "engine/core/bytes.h"
#include "fs_test_support.h"
#include "support/temp_folder.h"

namespace tolzeb {
namespace {

using ::tolzeb::testing::hasErrorShape;
using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const char* text) { return Bytes(text, text + std::strlen(text)); }

void writeFile(const std::wstring& path, const Bytes& content) {
  Result<UniqueHandle> file = openForWrite(path, false);
  ASSERT_TRUE(file.hasValue()) << file.failure().message;
  ASSERT_TRUE(file->writeAll(content.data(), content.size()).ok());
}

Bytes readFile(const std::wstring& path) {
  Result<UniqueHandle> file = openForRead(path);
  if (file.failed()) {
    ADD_FAILURE() << ::testing::PrintToString(file.failure().message);
    return {};
  }
  Result<uint64_t> size = file->fileSize();
  Bytes content(size.hasValue() ? size_t(*size) : 0);
  Result<uint64_t> got = file->readAt(0, content.data(), content.size());
  EXPECT_TRUE(got.hasValue() && *got == content.size());
  return content;
}

// 2001-02-03 04:05:06 UTC plus 0.1234567 s, as a FILETIME: odd enough to catch any rounding.
constexpr uint64_t kSomeFiletime = (981173106ull + 11644473600ull) * 10000000ull + 1234567ull;

class FsTest : public ::testing::Test {
 protected:
  testing::TempFolder folder;
};

TEST_F(FsTest, HandleOperationsRoundTrip) {
  const std::wstring path = folder / L"data.bin";
  {
    Result<UniqueHandle> file = openForWrite(path, false);
    ASSERT_TRUE(file.hasValue()) << file.failure().message;
    ASSERT_TRUE(isValidHandle(*file));
    const Bytes hello = bytesOf("hello world");
    ASSERT_TRUE(file->writeAll(hello.data(), hello.size()).ok());
    EXPECT_EQ(*file->filePosition(), 11u);

    // A positioned write leaves the position behind its bytes.
    ASSERT_TRUE(file->writeAt(6, "WORLD", 5).ok());
    EXPECT_EQ(*file->filePosition(), 11u);
    ASSERT_TRUE(file->writeAll("!", 1).ok());
    ASSERT_TRUE(file->writeAt(2, "LL", 2).ok());
    EXPECT_EQ(*file->filePosition(), 4u);
    ASSERT_TRUE(file->writeAll("O", 1).ok());
    EXPECT_EQ(*file->fileSize(), 12u);
    ASSERT_TRUE(file->flushFile().ok());

    char buffer[32] = {};
    EXPECT_EQ(*file->readAt(0, buffer, 12), 12u);
    EXPECT_EQ(std::string(buffer, 12), "heLLO WORLD!");
    // Reading past the end is a short read, not a failure.
    EXPECT_EQ(*file->readAt(10, buffer, sizeof buffer), 2u);
    EXPECT_EQ(std::string(buffer, 2), "D!");
    EXPECT_EQ(*file->readAt(12, buffer, sizeof buffer), 0u);
    EXPECT_EQ(*file->readAt(1000, buffer, sizeof buffer), 0u);
    // Zero-length requests succeed.
    EXPECT_EQ(*file->readAt(0, buffer, 0), 0u);
    EXPECT_TRUE(file->writeAll(nullptr, 0).ok());
    EXPECT_TRUE(file->writeAt(0, nullptr, 0).ok());

    // Truncate, then extend with zeros; the position follows the new end.
    ASSERT_TRUE(file->setFileLength(5).ok());
    EXPECT_EQ(*file->fileSize(), 5u);
    EXPECT_EQ(*file->filePosition(), 5u);
    ASSERT_TRUE(file->setFileLength(8).ok());
    EXPECT_EQ(*file->fileSize(), 8u);
    EXPECT_EQ(*file->filePosition(), 8u);
  }
  EXPECT_EQ(readFile(path), (Bytes{'h', 'e', 'L', 'L', 'O', 0, 0, 0}));

  {
    Result<UniqueHandle> update = openForUpdate(path);
    ASSERT_TRUE(update.hasValue()) << update.failure().message;
    ASSERT_TRUE(update->writeAt(0, "J", 1).ok());
    EXPECT_EQ(*update->fileSize(), 8u);  // an update does not truncate
  }
  EXPECT_EQ(readFile(path), (Bytes{'J', 'e', 'L', 'L', 'O', 0, 0, 0}));

  // Opening for writing again truncates.
  writeFile(path, bytesOf("new"));
  EXPECT_EQ(readFile(path), bytesOf("new"));
}

TEST_F(FsTest, ExclusiveCreationRefusesAnExistingFile) {
  const std::wstring path = folder / L"exists.txt";
  Result<UniqueHandle> first = openForWrite(path, true);
  ASSERT_TRUE(first.hasValue()) << first.failure().message;
  first->close();
  EXPECT_FALSE(isValidHandle(*first));

  Result<UniqueHandle> second = openForWrite(path, true);
  ASSERT_TRUE(second.failed());
  EXPECT_EQ(second.failure().code, StatusCode::already_exists);
  EXPECT_TRUE(hasErrorShape(second.failure(), L"Cannot open for writing", path));
}

// Every operation on a missing path fails with code 11 and names the path the caller gave.
TEST_F(FsTest, MissingPathsGiveNotFound) {
  const std::wstring missing = folder / L"missing.bin";
  const std::wstring elsewhere = folder / L"target.bin";
  struct Case {
    const wchar_t* action;
    const std::wstring& named;
    Status status;
  };
  const Case cases[] = {
      {L"Cannot open for reading", missing, openForRead(missing).status()},
      {L"Cannot open for updating", missing, openForUpdate(missing).status()},
      {L"Cannot stat", missing, statPath(missing).status()},
      {L"Cannot stat", missing, enumerateTree(missing).status()},
      {L"Cannot set attributes on", missing, setAttributes(missing, 0x01)},
      {L"Cannot rename to", elsewhere, renameReplace(missing, elsewhere)},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(c.status.failed()) << ::testing::PrintToString(c.action);
    EXPECT_EQ(c.status.code(), StatusCode::not_found) << c.status.message();
    EXPECT_TRUE(hasErrorShape(c.status.failure(), c.action, c.named));
  }
  // The error number is the system's "file not found" (2 on Windows and as ENOENT).
  const std::wstring message = openForRead(missing).failure().message;
  EXPECT_EQ(message.substr(message.size() - 13), L" (0x00000002)") << ::testing::PrintToString(message);

  Status times = setFileTimes(missing, kSomeFiletime);
  ASSERT_TRUE(times.failed());
  EXPECT_EQ(times.code(), StatusCode::not_found);
  EXPECT_NE(times.message().find(L" '" + missing + L"': "), std::wstring::npos);
}

// These succeed without touching the file system, so even a missing path is fine.
TEST_F(FsTest, NoOpRequestsSucceed) {
  const std::wstring missing = folder / L"missing.bin";
  EXPECT_TRUE(deleteFile(missing).ok());
  EXPECT_TRUE(deleteFile(folder / L"no/such/dir/file").ok());
  EXPECT_TRUE(setAttributes(missing, 0x80).ok());                         // normal only: nothing to set
  EXPECT_TRUE(setAttributes(missing, 0x10 | 0x40 | 0x100 | 0x400).ok());  // none of the settable bits
  EXPECT_TRUE(setFileTimes(missing, 0).ok());
  EXPECT_FALSE(pathExists(missing));
}

TEST_F(FsTest, RenameReplacesTheTargetAndDeleteRemoves) {
  const std::wstring source = folder / L"data.partial";
  const std::wstring target = folder / L"data";
  writeFile(source, bytesOf("fresh"));
  writeFile(target, bytesOf("old content"));

  ASSERT_TRUE(renameReplace(source, target).ok());
  EXPECT_FALSE(pathExists(source));
  EXPECT_EQ(readFile(target), bytesOf("fresh"));

  // Onto a new name too.
  const std::wstring moved = folder / L"moved";
  ASSERT_TRUE(renameReplace(target, moved).ok());
  EXPECT_FALSE(pathExists(target));
  EXPECT_EQ(readFile(moved), bytesOf("fresh"));

  ASSERT_TRUE(deleteFile(moved).ok());
  EXPECT_FALSE(pathExists(moved));
  EXPECT_TRUE(deleteFile(moved).ok());  // already gone
}

TEST_F(FsTest, ReadingADirectoryIsRefused) {
  const std::wstring directory = folder / L"dir";
  ASSERT_TRUE(createDirectories(directory).ok());
  Result<UniqueHandle> file = openForRead(directory);
  ASSERT_TRUE(file.failed());
  EXPECT_EQ(file.failure().code, StatusCode::io_failure);
  EXPECT_TRUE(hasErrorShape(file.failure(), L"Cannot open for reading", directory));
}

TEST_F(FsTest, CreateDirectoriesBuildsTheMissingChain) {
  const std::wstring deepest = folder / L"a/b/c";
  ASSERT_TRUE(createDirectories(deepest).ok());
  EXPECT_TRUE(isDirectory(folder / L"a"));
  EXPECT_TRUE(isDirectory(folder / L"a/b"));
  EXPECT_TRUE(isDirectory(deepest));

  // Existing directories, with or without a trailing separator, are success.
  EXPECT_TRUE(createDirectories(deepest).ok());
  EXPECT_TRUE(createDirectories(deepest + kPathSeparator).ok());
  EXPECT_TRUE(createDirectories(folder.path()).ok());

  // An existing file at the path is left alone; the caller's next step reports the problem.
  const std::wstring file = folder / L"file.txt";
  writeFile(file, bytesOf("x"));
  EXPECT_TRUE(createDirectories(file).ok());
  EXPECT_FALSE(isDirectory(file));
  EXPECT_EQ(readFile(file), bytesOf("x"));

  // A file on the way stops the chain at the first directory that cannot be made.
  Status blocked = createDirectories(folder / L"file.txt/sub/deeper");
  ASSERT_TRUE(blocked.failed());
  EXPECT_EQ(blocked.code(), StatusCode::not_found);
  EXPECT_TRUE(hasErrorShape(blocked.failure(), L"Cannot create directory", folder / L"file.txt/sub"));

  Status empty = createDirectories(L"");
  ASSERT_TRUE(empty.failed());
  EXPECT_EQ(empty.code(), StatusCode::invalid_argument);
  EXPECT_EQ(empty.message(), L"Empty directory path");
}

TEST_F(FsTest, StatReportsFilesAndDirectories) {
  const std::wstring file = folder / L"five.txt";
  writeFile(file, bytesOf("12345"));
  Result<FileInfo> info = statPath(file);
  ASSERT_TRUE(info.hasValue()) << info.failure().message;
  EXPECT_EQ(info->path, file);
  EXPECT_TRUE(info->relativePath.empty());
  EXPECT_FALSE(info->isDirectory);
  EXPECT_FALSE(info->isReparsePoint);
  EXPECT_EQ(info->size, 5u);
  EXPECT_EQ(info->attributes & 0x10, 0u);
  EXPECT_GT(info->modified, kSomeFiletime);  // written just now

  Result<FileInfo> directory = statPath(folder.path());
  ASSERT_TRUE(directory.hasValue());
  EXPECT_TRUE(directory->isDirectory);
  EXPECT_EQ(directory->attributes & 0x10, 0x10u);
  EXPECT_TRUE(isDirectory(folder.path()));
  EXPECT_FALSE(isDirectory(file));
  EXPECT_TRUE(pathExists(file));
}

TEST_F(FsTest, TimesRoundTripExactly) {
  const std::wstring file = folder / L"dated.txt";
  const std::wstring directory = folder / L"dated-dir";
  writeFile(file, bytesOf("x"));
  ASSERT_TRUE(createDirectories(directory).ok());
  for (const std::wstring& path : {file, directory}) {
    ASSERT_TRUE(setFileTimes(path, kSomeFiletime).ok());
    Result<FileInfo> info = statPath(path);
    ASSERT_TRUE(info.hasValue());
    EXPECT_EQ(info->modified, kSomeFiletime) << ::testing::PrintToString(path);
  }
  // 1970-01-01 itself, and a time before it.
  for (const uint64_t time : {116444736000000000ull, 100000000000000000ull}) {
    ASSERT_TRUE(setFileTimes(file, time).ok());
    EXPECT_EQ(statPath(file)->modified, time);
  }
}

TEST_F(FsTest, ReadOnlyAttributeRoundTrips) {
  const std::wstring file = folder / L"locked.txt";
  writeFile(file, bytesOf("x"));
  ASSERT_TRUE(setAttributes(file, 0x01 | 0x20).ok());
  EXPECT_EQ(statPath(file)->attributes & 0x01, 0x01u);
  ASSERT_TRUE(setAttributes(file, 0x20).ok());
  EXPECT_EQ(statPath(file)->attributes & 0x01, 0u);
}

TEST_F(FsTest, EnumerateTreeListsEverythingBelowTheRoot) {
  writeFile(folder / L"a.txt", bytesOf("aa"));
  ASSERT_TRUE(createDirectories(folder / L"sub/deeper").ok());
  ASSERT_TRUE(createDirectories(folder / L"empty").ok());
  writeFile(folder / L"sub/b.txt", bytesOf("bbb"));
  writeFile(folder / L"sub/deeper/c.txt", bytesOf("c"));
  ASSERT_TRUE(setFileTimes(folder / L"sub/deeper/c.txt", kSomeFiletime).ok());

  Result<std::vector<FileInfo>> items = enumerateTree(folder.path());
  ASSERT_TRUE(items.hasValue()) << items.failure().message;
  std::map<std::wstring, const FileInfo*> byName;
  for (const FileInfo& item : *items) byName[item.relativePath] = &item;
  const std::map<std::wstring, std::pair<bool, uint64_t>> expected = {
      {L"a.txt", {false, 2}},     {L"empty", {true, 0}},      {L"sub", {true, 0}},
      {L"sub/b.txt", {false, 3}}, {L"sub/deeper", {true, 0}}, {L"sub/deeper/c.txt", {false, 1}},
  };
  ASSERT_EQ(byName.size(), expected.size());
  for (const auto& [relative, kind] : expected) {
    ASSERT_EQ(byName.count(relative), 1u) << ::testing::PrintToString(relative);
    const FileInfo& item = *byName[relative];
    EXPECT_EQ(item.path, folder / relative);
    EXPECT_EQ(item.isDirectory, kind.first);
    if (!kind.first) {
      EXPECT_EQ(item.size, kind.second);
    }
    EXPECT_FALSE(item.isReparsePoint);
  }
  EXPECT_EQ(byName[L"sub/deeper/c.txt"]->modified, kSomeFiletime);

  // Depth first: every item comes after the directory that holds it.
  for (size_t i = 0; i < items->size(); ++i) {
    const std::wstring& relative = (*items)[i].relativePath;
    const size_t slash = relative.rfind(L'/');
    if (slash == std::wstring::npos) continue;
    const std::wstring parent = relative.substr(0, slash);
    const auto parentAt =
        std::find_if(items->begin(), items->end(), [&](const FileInfo& other) { return other.relativePath == parent; });
    EXPECT_LT(size_t(parentAt - items->begin()), i) << ::testing::PrintToString(relative);
  }

  // An empty directory lists nothing; a file lists itself under its name.
  Result<std::vector<FileInfo>> empty = enumerateTree(folder / L"empty");
  ASSERT_TRUE(empty.hasValue());
  EXPECT_TRUE(empty->empty());
  Result<std::vector<FileInfo>> single = enumerateTree(folder / L"sub/b.txt");
  ASSERT_TRUE(single.hasValue());
  ASSERT_EQ(single->size(), 1u);
  EXPECT_EQ((*single)[0].relativePath, L"b.txt");
  EXPECT_EQ((*single)[0].path, folder / L"sub/b.txt");
  EXPECT_EQ((*single)[0].size, 3u);
}

// Paths far beyond the classic 260-character limit work for every operation.
TEST_F(FsTest, LongPathsWork) {
  std::wstring relative;
  for (int i = 0; i < 12; ++i) relative += std::wstring(i ? L"/" : L"") + L"directory-with-a-long-name-" + decimal(i);
  const std::wstring directory = folder / relative;
  ASSERT_GT(directory.size(), 300u);
  ASSERT_TRUE(createDirectories(directory).ok());
  const std::wstring file = joinPath(directory, L"file-\x00E4\x65E5.bin");
  const std::wstring renamed = joinPath(directory, L"renamed.bin");
  writeFile(file, bytesOf("long"));
  ASSERT_TRUE(setFileTimes(file, kSomeFiletime).ok());
  ASSERT_TRUE(renameReplace(file, renamed).ok());
  EXPECT_EQ(readFile(renamed), bytesOf("long"));
  EXPECT_EQ(statPath(renamed)->modified, kSomeFiletime);

  Result<std::vector<FileInfo>> items = enumerateTree(folder.path());
  ASSERT_TRUE(items.hasValue()) << items.failure().message;
  ASSERT_EQ(items->size(), 13u);
  const auto leaf = std::find_if(items->begin(), items->end(), [](const FileInfo& item) { return !item.isDirectory; });
  ASSERT_NE(leaf, items->end());
  EXPECT_EQ(leaf->relativePath, relative + L"/renamed.bin");
  EXPECT_EQ(leaf->path, renamed);

  ASSERT_TRUE(deleteFile(renamed).ok());
  EXPECT_FALSE(pathExists(renamed));
}

TEST(UniqueHandleTest, InvalidHandlesFailWithoutCallingTheSystem) {
  const UniqueHandle empty;
  EXPECT_FALSE(isValidHandle(empty));
  char buffer[4];
  const Status results[] = {
      empty.readAt(0, buffer, 4).status(),
      empty.writeAll(buffer, 4),
      empty.writeAt(0, buffer, 4),
      empty.filePosition().status(),
      empty.fileSize().status(),
      empty.setFileLength(0),
      empty.flushFile(),
      empty.writeAll(buffer, 0),
  };
  for (const Status& status : results) {
    ASSERT_TRUE(status.failed());
    EXPECT_EQ(status.code(), StatusCode::io_failure);
    EXPECT_EQ(status.message(), L"Invalid file handle");
  }
}

TEST_F(FsTest, HandleOwnershipMoves) {
  Result<UniqueHandle> opened = openForWrite(folder / L"owned.bin", false);
  ASSERT_TRUE(opened.hasValue());
  UniqueHandle owner = std::move(opened).value();
  ASSERT_TRUE(isValidHandle(owner));

  UniqueHandle next(std::move(owner));
  EXPECT_FALSE(isValidHandle(owner));
  ASSERT_TRUE(isValidHandle(next));

  UniqueHandle& alias = next;
  next = std::move(alias);  // self-assignment keeps the handle
  ASSERT_TRUE(isValidHandle(next));
  EXPECT_TRUE(next.writeAll("ok", 2).ok());

  owner = std::move(next);
  EXPECT_TRUE(isValidHandle(owner));
  EXPECT_FALSE(isValidHandle(next));
  owner.close();
  EXPECT_FALSE(isValidHandle(owner));
  owner.close();  // twice is harmless
  EXPECT_EQ(readFile(folder / L"owned.bin"), bytesOf("ok"));
}

// A failing call on a handle names "<handle>" in the place of a path.
TEST_F(FsTest, HandleFailuresNameTheHandle) {
  const std::wstring path = folder / L"read-only-open.bin";
  writeFile(path, bytesOf("abc"));
  Result<UniqueHandle> file = openForRead(path);
  ASSERT_TRUE(file.hasValue());
  Status write = file->writeAll("x", 1);
  ASSERT_TRUE(write.failed());
  EXPECT_EQ(write.code(), StatusCode::io_failure);
  EXPECT_TRUE(hasErrorShape(write.failure(), L"Write failed on", L"<handle>"));
  Status positioned = file->writeAt(0, "x", 1);
  ASSERT_TRUE(positioned.failed());
  EXPECT_TRUE(hasErrorShape(positioned.failure(), L"Positioned write failed on", L"<handle>"));
}

}  // namespace
}  // namespace tolzeb
