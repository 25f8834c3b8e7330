#include <openssl/rand.h>

#include "engine/container/archive_records.h"

namespace tolzeb {

Result<ArchiveId> newArchiveId() {
  ArchiveId id{};
  if (RAND_bytes(id.data(), int(id.size())) != 1)
    return Failure{StatusCode::general, L"BCryptGenRandom failed while creating archive id"};
  return id;
}

}  // namespace tolzeb
