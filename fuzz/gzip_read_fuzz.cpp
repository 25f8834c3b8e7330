// Reads arbitrary data as a gzip stream; every failure must be one of the listed ones.
#include <cstdlib>

#include "codecs/gzip.h"

using namespace tolzeb;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Result<size_t> offset = parseGzipHeader(data, size);
  if (offset.hasValue() && *offset > size) abort();
  Result<Bytes> output = gunzip(data, size, 1 << 20);
  if (output.failed()) {
    const Failure& f = output.failure();
    const bool known = f.code == StatusCode::corrupt_archive || f.code == StatusCode::resource_limit ||
                       f.code == StatusCode::unsupported_version;
    if (!known || f.message.empty()) abort();
    return 0;
  }
  if (output->size() > (1u << 20)) abort();
  return 0;
}
