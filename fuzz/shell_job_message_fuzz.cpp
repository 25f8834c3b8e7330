// The hand-off message's payload on arbitrary bytes: the first byte picks the tag, the rest is
// the data. A path comes out only from a well-formed payload, and never holds a null.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/app/shell_job_message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolzeb::shell;
  if (size == 0) return 0;
  const uint64_t tags[] = {kShellJobMessageTag, kShellJobMessageTag | (uint64_t{data[0]} << 32), data[0]};
  const uint64_t tag = tags[data[0] % 3];
  const std::optional<std::wstring> path = shellJobPathFromMessage(tag, data + 1, size - 1);
  if (!path) return 0;
  if (tag != kShellJobMessageTag || path->empty() || path->find(L'\0') != std::wstring::npos) std::abort();
  if ((path->size() + 1) * 2 != size - 1) std::abort();
  return 0;
}
