// Arbitrary LZMA streams under arbitrary properties, declared sizes and caps.
// Input: properties byte, 4 bytes of dictionary size, 1 byte choosing a known or unknown size,
// 3 bytes of declared size, 3 bytes of cap, then the stream.
#include <cstdlib>
#include <string>

#include "codecs/lzma/lzma.h"

using namespace tolzeb;

namespace {

bool knownMessage(const std::wstring& message) {
  static const wchar_t* const messages[] = {
      L"LZMA: stream does not begin with a valid range coder header",
      L"LZMA: stream has neither a declared length nor an end marker",
      L"LZMA: stream ended in the middle of a symbol",
      L"LZMA: matched literal reaches before the window",
      L"LZMA: repeat match with nothing behind it",
      L"LZMA: short repeat reaches before the window",
      L"LZMA: end marker in a stream with a declared length",
      L"LZMA: match reaches before the start of the window",
      L"LZMA: match runs past the declared length",
  };
  for (const wchar_t* m : messages)
    if (message == m) return true;
  return message.rfind(L"LZMA: match distance is outside the declared dictionary (rep0=", 0) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 12) return 0;
  Result<LzmaProperties> properties = parseLzmaProperties(data[0], readU32le(data + 1));
  if (properties.failed()) {
    if (properties.failure().code != StatusCode::corrupt_archive) abort();
    return 0;
  }
  const bool unknown = data[5] & 1;
  const uint64_t declared = unknown ? kLzmaUnknownSize : (uint64_t(data[6]) | uint64_t(data[7]) << 8 | uint64_t(data[8]) << 16);
  // Caps of 1 byte to 16 MiB, sometimes below the declared size.
  const uint64_t cap = 1 + (uint64_t(data[9]) | uint64_t(data[10]) << 8 | uint64_t(data[11]) << 16);
  const uint8_t* stream = data + 12;
  const size_t streamSize = size - 12;

  Result<Bytes> out = lzmaDecode(stream, streamSize, *properties, declared, cap);
  if (out.hasValue()) {
    if (!unknown && out->size() != declared) abort();
    if (out->size() > cap) abort();
  } else {
    const Failure& f = out.failure();
    if (f.code == StatusCode::resource_limit) {
      if (f.message != L"Decompressed data exceeds the limit for this operation" &&
          !(f.message == L"LZMA: declared size exceeds the limit for this operation" && !unknown && declared > cap))
        abort();
    } else if (f.code != StatusCode::corrupt_archive || !knownMessage(f.message)) {
      abort();
    }
    // A declared size above the cap is refused right after the header check, before decoding.
    const bool validHeader = streamSize >= 5 && stream[0] == 0;
    if (validHeader && !unknown && declared > cap &&
        f.message != L"LZMA: declared size exceeds the limit for this operation")
      abort();
  }
  // Decoding is deterministic.
  Result<Bytes> again = lzmaDecode(stream, streamSize, *properties, declared, cap);
  if (again.hasValue() != out.hasValue()) abort();
  if (out.hasValue() ? *again != *out : again.failure().message != out.failure().message) abort();
  return 0;
}
