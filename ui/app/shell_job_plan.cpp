#include "ui/app/shell_job_plan.h"

#include <algorithm>
#include <cwctype>
#include <string_view>
#include <unordered_set>

#include "ui/app/numbered_name.h"
#include "ui/app/path_parts.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {

namespace {

constexpr std::wstring_view kLongPathPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";
constexpr wchar_t kArchiveOfDrive[] = L"Archive";

bool isDriveName(const std::wstring& text) { return text.size() == 2 && text[1] == L':'; }

// Trailing separators removed, unless nothing would remain.
std::wstring withoutTrailingSeparators(const std::wstring& path) {
  size_t end = path.size();
  while (end > 0 && isEitherSeparator(path[end - 1])) --end;
  return end == 0 ? path : path.substr(0, end);
}

size_t lastSeparator(const std::wstring& path) { return path.find_last_of(L"\\/"); }

// Windows compares file names without regard to case, so names that differ only in case are
// one file or folder; a set of folded names answers in constant time, which keeps a job of
// thousands of archives with one stem from slowing planning down.
class NameSet {
 public:
  explicit NameSet(const std::vector<std::wstring>& names = {}) {
    for (const std::wstring& name : names) add(name);
  }
  void add(const std::wstring& name) { folded_.insert(fold(name)); }
  bool contains(const std::wstring& name) const { return folded_.count(fold(name)) != 0; }

 private:
  static std::wstring fold(std::wstring name) {
    std::transform(name.begin(), name.end(), name.begin(), [](wchar_t c) { return std::towlower(c); });
    return name;
  }
  std::unordered_set<std::wstring> folded_;
};

ShellPlan failedPlan(std::string_view key) {
  ShellPlan plan;
  plan.error = i18n::translate(key);
  return plan;
}

}  // namespace

bool isRootPath(const std::wstring& path) {
  std::wstring rest = withoutTrailingSeparators(path);
  if (rest.starts_with(kLongUncPrefix)) {
    // "\\?\UNC\server\share" is the share root "\\server\share" in long-path form.
    rest = L"\\\\" + rest.substr(kLongUncPrefix.size());
  } else if (rest.starts_with(kLongPathPrefix)) {
    rest = rest.substr(kLongPathPrefix.size());
  }
  if (rest.empty() || isDriveName(rest)) return true;
  if (rest.size() < 3 || !isEitherSeparator(rest[0]) || !isEitherSeparator(rest[1])) return false;
  int components = 0;
  for (size_t i = 2; i < rest.size(); ++i) {
    if (!isEitherSeparator(rest[i]) && isEitherSeparator(rest[i - 1])) ++components;
  }
  return components <= 2;
}

std::wstring parentFolder(const std::wstring& path) {
  if (isRootPath(path)) return {};
  const std::wstring trimmed = withoutTrailingSeparators(path);
  const size_t separator = lastSeparator(trimmed);
  if (separator == std::wstring::npos) return {};
  const std::wstring head = trimmed.substr(0, separator);
  if (isDriveName(head)) return head + L'\\';
  if (!head.empty()) return head;
  return std::wstring(1, trimmed[separator]);
}

std::wstring pathLeaf(const std::wstring& path) {
  const std::wstring trimmed = withoutTrailingSeparators(path);
  const size_t separator = lastSeparator(trimmed);
  return separator == std::wstring::npos ? trimmed : trimmed.substr(separator + 1);
}

std::wstring pathInFolder(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return name;
  if (isEitherSeparator(folder.back())) return folder + name;
  return folder + L'\\' + name;
}

std::wstring archiveStem(const std::wstring& name) {
  const size_t separator = lastSeparator(name);
  const std::wstring part = separator == std::wstring::npos ? name : name.substr(separator + 1);
  constexpr std::wstring_view kTarGz = L".tar.gz";
  if (part.size() > kTarGz.size()) {
    std::wstring lower = part;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return std::towlower(c); });
    if (lower.ends_with(kTarGz)) return part.substr(0, part.size() - kTarGz.size());
  }
  const size_t dot = part.rfind(L'.');
  if (dot != std::wstring::npos && dot != 0) return part.substr(0, dot);
  return part;
}

std::wstring defaultArchiveName(const std::vector<std::wstring>& paths, const PathPredicate& isDirectory) {
  if (paths.empty()) return {};
  if (paths.size() == 1) {
    const std::wstring leaf = pathLeaf(paths.front());
    if (leaf.empty() || isDirectory(paths.front())) return leaf;
    const size_t dot = leaf.rfind(L'.');
    return dot == std::wstring::npos || dot == 0 ? leaf : leaf.substr(0, dot);
  }
  const std::wstring parent = parentFolder(paths.front());
  if (parent.empty()) return {};
  const std::wstring leaf = pathLeaf(parent);
  if (leaf.empty() || leaf.find(L':') != std::wstring::npos) return kArchiveOfDrive;
  return leaf;
}

std::wstring firstFreeName(const std::wstring& name, const PathPredicate& taken, const std::wstring& folder,
                           uint64_t limit) {
  if (name.empty()) return {};
  for (uint64_t n = 1; n <= limit; ++n) {
    std::wstring candidate = numberedName(name, n);
    if (!taken(pathInFolder(folder, candidate))) return candidate;
  }
  return {};
}

ShellPlan planShellJob(const shell::ShellJob& job, const PathPredicate& exists, const PathPredicate& isDirectory,
                       const std::wstring& extension, const std::vector<std::wstring>& reservedTargets) {
  if (job.paths.empty()) return failedPlan("shelljob.no_files");
  for (const std::wstring& path : job.paths) {
    if (path.empty()) return failedPlan("shelljob.empty_path");
  }

  ShellPlan plan;
  const int32_t operation = static_cast<int32_t>(job.operation);
  switch (static_cast<shell::ShellOperation>(job.operation)) {
    case shell::ShellOperation::Compress: {
      const std::wstring folder = parentFolder(job.paths.front());
      if (folder.empty()) return failedPlan("shelljob.drive_root");
      const std::wstring name = defaultArchiveName(job.paths, isDirectory);
      if (name.empty()) return failedPlan("shelljob.no_archive_name");
      const NameSet reserved(reservedTargets);
      const PathPredicate taken = [&](const std::wstring& candidate) {
        return exists(candidate) || reserved.contains(candidate);
      };
      const std::wstring free = firstFreeName(name + extension, taken, folder, kMaxShellNameTries);
      if (free.empty()) return failedPlan("shelljob.too_many_archives");
      ShellStep step;
      step.operation = operation;
      step.inputs = job.paths;
      step.target = pathInFolder(folder, free);
      step.archiveName = name + extension;
      plan.steps.push_back(std::move(step));
      return plan;
    }
    case shell::ShellOperation::ExtractHere:
      for (const std::wstring& path : job.paths) {
        const std::wstring folder = parentFolder(path);
        if (folder.empty()) return failedPlan("shelljob.no_destination");
        plan.steps.push_back(ShellStep{operation, {}, path, folder, {}});
      }
      return plan;
    case shell::ShellOperation::ExtractToFolder: {
      NameSet planned;
      const PathPredicate taken = [&](const std::wstring& candidate) {
        return exists(candidate) || planned.contains(candidate);
      };
      for (const std::wstring& path : job.paths) {
        const std::wstring folder = parentFolder(path);
        if (folder.empty()) return failedPlan("shelljob.no_destination");
        const std::wstring stem = archiveStem(pathLeaf(path));
        if (stem.empty()) return failedPlan("shelljob.no_folder_name");
        const std::wstring free = firstFreeName(stem, taken, folder, kMaxShellNameTries);
        if (free.empty()) return failedPlan("shelljob.too_many_folders");
        const std::wstring destination = pathInFolder(folder, free);
        planned.add(destination);
        plan.steps.push_back(ShellStep{operation, {}, path, destination, {}});
      }
      return plan;
    }
    case shell::ShellOperation::TestArchive:
      for (const std::wstring& path : job.paths) plan.steps.push_back(ShellStep{operation, {}, path, {}, {}});
      return plan;
  }
  return failedPlan("shelljob.unknown_operation");
}

std::wstring freeCreateTarget(const ShellStep& step, const PathPredicate& exists) {
  if (!exists(step.target)) return step.target;
  const std::wstring folder = parentFolder(step.target);
  const std::wstring name = step.archiveName.empty() ? pathLeaf(step.target) : step.archiveName;
  const std::wstring free = firstFreeName(name, exists, folder, kMaxShellNameTries);
  return free.empty() ? std::wstring() : pathInFolder(folder, free);
}

}  // namespace tolzeb::ui
