// Arbitrary LZMA2 streams with dictionary sizes from the 7z property byte and small caps.
// Input: dictionary property byte, 3 bytes of cap, then the stream.
#include <cstdlib>
#include <string>

#include "codecs/lzma/lzma.h"

using namespace tolzeb;

namespace {

bool knownMessage(const std::wstring& message) {
  static const wchar_t* const messages[] = {
      L"LZMA: properties byte is out of range",
      L"LZMA: stream ended in the middle of a symbol",
      L"LZMA: matched literal reaches before the window",
      L"LZMA: repeat match with nothing behind it",
      L"LZMA: short repeat reaches before the window",
      L"LZMA: end marker in a stream with a declared length",
      L"LZMA: match reaches before the start of the window",
      L"LZMA: match runs past the declared length",
      L"LZMA2: truncated stored chunk",
      L"LZMA2: stored chunk runs past the end",
      L"LZMA2: reserved control byte",
      L"LZMA2: truncated chunk header",
      L"LZMA2: chunk uses properties that were never sent",
      L"LZMA2: missing properties byte",
      L"LZMA2: chunk runs past the end",
      L"LZMA2: bad range coder header",
  };
  for (const wchar_t* m : messages)
    if (message == m) return true;
  return message.rfind(L"LZMA: match distance is outside the declared dictionary (rep0=", 0) == 0;
}

// The dictionary size a 7z LZMA2 property byte stands for.
uint32_t dictionaryFromProperty(uint8_t property) {
  const uint32_t p = property % 41;
  if (p == 40) return 0xFFFFFFFF;
  return (2u | (p & 1)) << (p / 2 + 11);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint32_t dictionarySize = dictionaryFromProperty(data[0]);
  const uint64_t cap = uint64_t(data[1]) | uint64_t(data[2]) << 8 | uint64_t(data[3] & 0x3F) << 16;
  Result<Bytes> out = lzma2Decode(data + 4, size - 4, dictionarySize, cap);
  if (out.hasValue()) {
    if (out->size() > cap) abort();
  } else {
    const Failure& f = out.failure();
    if (f.code == StatusCode::resource_limit) {
      if (f.message != L"Decompressed data exceeds the limit for this operation") abort();
    } else if (f.code != StatusCode::corrupt_archive || !knownMessage(f.message)) {
      abort();
    }
  }
  return 0;
}
