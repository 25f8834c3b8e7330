// Decodes arbitrary data in both modes and checks what the two must agree on.
// Input: mode/declared byte, cap byte, then the stream.
#include <cstdlib>
#include <string>

#include "codecs/deflate/inflate.h"

using namespace tolzeb;

namespace {

bool knownFailure(const Failure& failure) {
  if (failure.code == StatusCode::resource_limit)
    return failure.message == L"Decompressed data exceeds the limit for this operation";
  return failure.code == StatusCode::corrupt_archive &&
         (failure.message.starts_with(L"DEFLATE: ") || failure.message.starts_with(L"Decompressed to "));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // Caps from one byte to 1 MiB; a declared size of 0 (none) or a small one.
  const uint64_t cap = uint64_t(1) << (data[1] % 21);
  const uint64_t declared = (data[0] & 1) ? data[0] >> 1 : 0;
  const uint8_t* stream = data + 2;
  const size_t streamSize = size - 2;

  Result<Bytes> strict = inflateExact(stream, streamSize, declared, cap);
  Result<Bytes> prefix = inflatePrefix(stream, streamSize, cap);
  if (prefix.failed() && !knownFailure(prefix.failure())) abort();
  if (prefix.hasValue() && prefix->size() > cap) abort();
  if (strict.failed()) {
    if (!knownFailure(strict.failure())) abort();
    return 0;
  }
  if (strict->size() > cap || (declared != 0 && strict->size() != declared)) abort();
  // Whatever strict mode decodes, prefix mode decodes the same way.
  if (prefix.failed() || *prefix != *strict) abort();
  Result<Bytes> again = inflateExact(stream, streamSize, declared, cap);
  if (again.failed() || *again != *strict) abort();
  return 0;
}
