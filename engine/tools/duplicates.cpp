#include "engine/tools/duplicates.h"

#include <algorithm>
#include <map>

#include "engine/tools/content_hash.h"

namespace tolzeb {

Result<DuplicateReport> findDuplicates(const std::wstring& archivePath, Password password,
                                       const ProgressCallback& progress) {
  const Stopwatch clock;
  TOLZEB_ASSIGN_OR_RETURN(const std::vector<EntryHash> hashes, hashEntries(archivePath, std::move(password), progress));
  std::map<Sha256Digest, DuplicateGroup> byDigest;
  for (const EntryHash& entry : hashes) {
    if (entry.isDirectory || entry.size == 0) continue;
    DuplicateGroup& group = byDigest[entry.sha256];
    if (group.paths.empty()) {
      group.sha256 = entry.sha256;
      group.size = entry.size;
    }
    group.paths.push_back(entry.path);
  }

  DuplicateReport report;
  for (auto& [digest, group] : byDigest) {
    if (group.paths.size() < 2) continue;
    std::sort(group.paths.begin(), group.paths.end());
    const uint64_t copies = group.paths.size() - 1;
    report.redundantCopies += copies;
    report.reclaimableBytes += copies * group.size;
    report.groups.push_back(std::move(group));
  }
  const auto wasted = [](const DuplicateGroup& g) { return (g.paths.size() - 1) * g.size; };
  std::sort(report.groups.begin(), report.groups.end(), [&](const DuplicateGroup& a, const DuplicateGroup& b) {
    if (wasted(a) != wasted(b)) return wasted(a) > wasted(b);
    return a.paths.front() < b.paths.front();
  });
  report.seconds = clock.seconds();
  return report;
}

}  // namespace tolzeb
