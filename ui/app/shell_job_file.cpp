#include "ui/app/shell_job_file.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "engine/core/bytes.h"
#include "engine/core/fs.h"

namespace tolzeb::shell {

namespace {

bool refuse(ShellJob& job, std::wstring& message, const wchar_t* reason) {
  job.operation = 0;
  job.paths.clear();
  message = reason;
  return false;
}

}  // namespace

bool parseShellJob(const uint8_t* data, size_t size, ShellJob& job, std::wstring& message) {
  if (data == nullptr || size < kShellJobHeaderBytes) {
    return refuse(job, message, L"the job file is shorter than its own header");
  }
  if (size > kMaxShellJobFileBytes) return refuse(job, message, L"the job file is larger than the format allows");

  ByteReader reader(data, size);
  if (!std::equal(std::begin(kShellJobSignature), std::end(kShellJobSignature), reader.take(8))) {
    return refuse(job, message, L"the job file does not start with the expected signature");
  }
  if (*reader.readU32() != kShellJobVersion) {
    return refuse(job, message, L"the job file was written by a different version of TOLZEB");
  }
  const uint32_t operation = *reader.readU32();
  if (operation < kMinShellOperation || operation > kMaxShellOperation) {
    return refuse(job, message, L"the job file names an operation this build does not have");
  }
  if (*reader.readU32() != 0) return refuse(job, message, L"the job file sets flags this version does not define");
  const uint32_t pathCount = *reader.readU32();
  if (pathCount == 0 || pathCount > kMaxShellJobPaths) {
    return refuse(job, message, L"the job file holds no paths, or more than the format allows");
  }
  const uint32_t reserved1 = *reader.readU32();
  const uint32_t reserved2 = *reader.readU32();
  if (reserved1 != 0 || reserved2 != 0) return refuse(job, message, L"the job file uses reserved fields");

  std::vector<std::wstring> paths;
  paths.reserve(pathCount);
  for (uint32_t index = 0; index < pathCount; ++index) {
    const std::optional<uint32_t> units = reader.readU32();
    if (!units) return refuse(job, message, L"the job file ends in the middle of a path");
    if (*units == 0 || *units > kMaxShellJobPathUnits) {
      return refuse(job, message, L"the job file holds a path of an impossible length");
    }
    const uint8_t* text = reader.take(size_t{2} * *units);
    if (text == nullptr) return refuse(job, message, L"the job file ends in the middle of a path");
    std::wstring path(*units, L'\0');
    for (uint32_t unit = 0; unit < *units; ++unit) path[unit] = static_cast<wchar_t>(readU16le(text + 2 * unit));
    if (path.find(L'\0') != std::wstring::npos) {
      return refuse(job, message, L"the job file holds a path containing a null character");
    }
    paths.push_back(std::move(path));
  }
  if (!reader.atEnd()) return refuse(job, message, L"the job file has trailing bytes after its last path");

  job.operation = operation;
  job.paths = std::move(paths);
  return true;
}

namespace {

std::wstring withoutTrailingSeparators(std::wstring path) {
  while (path.size() > 1 && isPathSeparator(path.back())) path.pop_back();
  return path;
}

bool samePath(const std::wstring& a, const std::wstring& b) {
  if (!kPathsIgnoreCase) return a == b;
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

bool hasJobFileName(const std::wstring& name) {
  const std::wstring extension = kShellJobExtension;
  if (name.size() != kShellJobNameDigits + extension.size()) return false;
  const auto isLowerHex = [](wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'); };
  return std::all_of(name.begin(), name.begin() + kShellJobNameDigits, isLowerHex) &&
         name.compare(kShellJobNameDigits, extension.size(), extension) == 0;
}

}  // namespace

bool isShellJobFilePath(const std::wstring& path, const std::wstring& jobFolder) {
  if (path.find(L'\0') != std::wstring::npos || jobFolder.find(L'\0') != std::wstring::npos) return false;
  const Result<std::wstring> file = fullPath(path);
  const Result<std::wstring> folder = fullPath(jobFolder);
  if (!file.hasValue() || !folder.hasValue()) return false;

  std::wstring parent;
  std::wstring name;
  splitPath(*file, parent, name);
  if (!hasJobFileName(name)) return false;
  if (!samePath(withoutTrailingSeparators(parent), withoutTrailingSeparators(*folder))) return false;

  const Result<FileInfo> info = statPath(*file);
  return info.hasValue() && !info->isDirectory && !info->isReparsePoint;
}

bool readShellJobFile(const std::wstring& path, const std::wstring& jobFolder, ShellJob& job, std::wstring& message) {
  if (!isShellJobFilePath(path, jobFolder)) return refuse(job, message, L"the job file could not be opened");
  const std::wstring location = fullPath(path).value();
  Result<UniqueHandle> file = openForRead(location);
  if (!file.hasValue()) return refuse(job, message, L"the job file could not be opened");

  const Result<uint64_t> size = file->fileSize();
  if (!size.hasValue() || *size > kMaxShellJobFileBytes) {
    file->close();
    (void)deleteFile(location);
    return refuse(job, message, L"the job file is missing or larger than the format allows");
  }

  std::vector<uint8_t> bytes(static_cast<size_t>(*size));
  bool complete = true;
  if (!bytes.empty()) {
    const Result<uint64_t> read = file->readAt(0, bytes.data(), bytes.size());
    complete = read.hasValue() && *read == bytes.size();
  }
  file->close();
  // Whatever it held, a job file is read once: a refused one must not come back.
  (void)deleteFile(location);
  if (!complete) return refuse(job, message, L"the job file could not be read");
  return parseShellJob(bytes.data(), bytes.size(), job, message);
}

}  // namespace tolzeb::shell
