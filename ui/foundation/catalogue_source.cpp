#include "ui/foundation/catalogue_source.h"

#include <mutex>

#include "engine/core/fs.h"
#include "ui/foundation/i18n_platform.h"
#include "ui/foundation/program_info.h"
#include "ui/foundation/languages.h"

namespace tolzeb::ui::i18n {
namespace {

struct DirectoryForTesting {
  std::mutex mutex;
  std::optional<std::wstring> directory;
};

DirectoryForTesting& directoryForTesting() {
  static DirectoryForTesting instance;
  return instance;
}

std::wstring overrideFilePath(const std::wstring& directory, const std::wstring& tag) {
  return directory + kPathSeparator + L"locales" + kPathSeparator + tag + L".json";
}

// The whole file in one read, or nothing when it is missing, empty, too large or unreadable.
std::optional<std::vector<uint8_t>> readOverrideFile(const std::wstring& path) {
  Result<UniqueHandle> file = openForRead(path);
  if (file.failed()) return std::nullopt;
  Result<uint64_t> size = file->fileSize();
  if (size.failed() || *size == 0 || *size > kMaxCatalogueFileBytes) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(*size));
  Result<uint64_t> read = file->readAt(0, bytes.data(), *size);
  if (read.failed() || *read != *size) return std::nullopt;
  return bytes;
}

}  // namespace

std::wstring programDirectory() {
  {
    DirectoryForTesting& injected = directoryForTesting();
    std::lock_guard<std::mutex> lock(injected.mutex);
    if (injected.directory) return *injected.directory;
  }
  std::wstring path = executablePath();
  size_t separator = path.rfind(kPathSeparator);
  if (separator == std::wstring::npos) return {};
  path.resize(separator);
  return path;
}

void setProgramDirectoryForTesting(std::optional<std::wstring> directory) {
  DirectoryForTesting& injected = directoryForTesting();
  std::lock_guard<std::mutex> lock(injected.mutex);
  injected.directory = std::move(directory);
}

bool readCatalogueText(const std::wstring& tag, std::vector<uint8_t>& bytes, bool& fromDisk) {
  fromDisk = false;
  const std::wstring directory = programDirectory();
  if (!directory.empty()) {
    if (std::optional<std::vector<uint8_t>> file = readOverrideFile(overrideFilePath(directory, tag))) {
      bytes = std::move(*file);
      fromDisk = true;
      return true;
    }
  }
  if (std::optional<std::vector<uint8_t>> embedded = platform::programResource(tag)) {
    bytes = std::move(*embedded);
    return true;
  }
  return false;
}

std::shared_ptr<const Catalog> loadCatalog(const std::wstring& tag, ParseResult* result) {
  std::vector<uint8_t> bytes;
  bool fromDisk = false;
  if (!readCatalogueText(tag, bytes, fromDisk)) {
    if (result) {
      result->ok = false;
      result->message = "no catalogue for this language, on disk or in the executable";
    }
    return nullptr;
  }
  CatalogueEntries entries;
  ParseResult parsed = parseLocaleFile(bytes, entries);
  const bool ok = parsed.ok;
  if (result) *result = std::move(parsed);
  if (!ok) return nullptr;
  return std::make_shared<const Catalog>(tag, std::move(entries));
}

bool catalogueExists(const std::wstring& tag) {
  const LanguageInfo* row = findLanguage(tag);
  if (!row) return false;
  const std::wstring directory = programDirectory();
  if (!directory.empty() && pathExists(overrideFilePath(directory, row->tag))) return true;
  return platform::hasProgramResource(row->tag);
}

}  // namespace tolzeb::ui::i18n
