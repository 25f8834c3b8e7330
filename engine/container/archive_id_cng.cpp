#include <windows.h>
// bcrypt.h needs the types of windows.h first.
#include <bcrypt.h>

#include "engine/container/archive_records.h"

namespace tolzeb {

Result<ArchiveId> newArchiveId() {
  ArchiveId id{};
  NTSTATUS status = BCryptGenRandom(nullptr, id.data(), ULONG(id.size()), BCRYPT_USE_SYSTEM_PREFERRED_RNG);
  if (status < 0) return Failure{StatusCode::general, L"BCryptGenRandom failed while creating archive id"};
  return id;
}

}  // namespace tolzeb
