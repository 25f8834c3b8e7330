// Strict conversion between UTF-16 text (std::wstring, one UTF-16 code unit per element on every
// platform) and UTF-8 bytes. Malformed input is refused with a fixed message, never repaired.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/status.h"

namespace tolzeb {

// Appends the UTF-8 form of one Unicode scalar value; the value is not checked.
void appendUtf8(std::vector<uint8_t>& out, uint32_t codePoint);

// The UTF-8 bytes of the text, without terminator; unpaired surrogates fail with code 2.
Result<std::vector<uint8_t>> utf16ToUtf8(const std::wstring& text);

// The text of exactly `length` bytes; malformed UTF-8, and the byte 0x00, fail with code 3.
// A length of 0 gives an empty string without reading `data`.
Result<std::wstring> utf8ToUtf16(const uint8_t* data, size_t length);

}  // namespace tolzeb
