// Arbitrary payloads, declared sizes and dictionaries for the VELT block decoder.
// Checked against the plain decoder of the tests.
// Input: 3 bytes of declared size, 2 bytes of dictionary length, the dictionary, the payload.
#include <cstdlib>
#include <string>

#include "codecs/velt/velt.h"
#include "codecs/velt/velt_format.h"
#include "tests/codecs/velt/reference_decoder.h"

using namespace tolzeb;

namespace {

bool knownMessage(const std::wstring& message) {
  static const wchar_t* const messages[] = {
      L"VELT block declares a zero decoded size",
      L"VELT block declares a decoded size above the block limit",
      L"VELT block has a malformed section header",
      L"VELT section lengths do not account for the block payload",
      L"VELT stream ended before the block was complete",
      L"VELT stream uses reserved opcode 7",
      L"VELT token has a malformed length",
      L"VELT token length exceeds the block limit",
      L"VELT token would write past the end of the block",
      L"VELT literal run extends past the end of the stream",
      L"VELT run token has no value",
      L"VELT match has no distance",
      L"VELT match distance points outside the decoded history",
      L"VELT rep token has no slot",
      L"VELT rep token uses a slot that was never set",
      L"VELT rep distance points outside the decoded history",
      L"VELT dict token has no offset",
      L"VELT block references a dictionary the archive does not have",
      L"VELT dict reference lies outside the dictionary",
      L"VELT patch token exceeds the 4096 byte limit",
      L"VELT patch has no distance",
      L"VELT patch distance is out of range for a disjoint copy",
      L"VELT patch has no edit count",
      L"VELT patch edit count is out of range",
      L"VELT patch edit list is truncated",
      L"VELT patch edit position is outside the token",
      L"VELT stream has trailing bytes after the last token",
  };
  for (const wchar_t* m : messages)
    if (message == m) return true;
  const std::wstring slotPrefix = L"VELT rep token names slot ", slotSuffix = L", but only 0..3 exist";
  return message.size() > slotPrefix.size() + slotSuffix.size() && message.rfind(slotPrefix, 0) == 0 &&
         message.compare(message.size() - slotSuffix.size(), slotSuffix.size(), slotSuffix) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  uint32_t declared = (uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16) % (kVeltMaxBlockSize + 2);
  size_t dictionaryLength = std::min<size_t>(size_t(data[3]) | size_t(data[4]) << 8, size - 5);
  std::span<const uint8_t> dictionary(data + 5, dictionaryLength);
  std::span<const uint8_t> payload(data + 5 + dictionaryLength, size - 5 - dictionaryLength);

  Result<Bytes> result = decodeVeltBlock(payload, declared, dictionary);
  if (result.hasValue()) {
    if (result->size() != declared) abort();
  } else {
    if (result.failure().code != StatusCode::corrupt_archive || !knownMessage(result.failure().message)) abort();
  }
  // The plain decoder must agree: same bytes, or the same first failure.
  Result<Bytes> plain = reference::decodeBlock(payload, declared, dictionary);
  if (plain.hasValue() != result.hasValue()) abort();
  if (plain.hasValue() ? *plain != *result : plain.failure().message != result.failure().message) abort();
  return 0;
}
