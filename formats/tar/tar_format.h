// The tar stream: 512-byte ustar headers (POSIX.1-1988, with the pax and GNU long-name extensions),
// each followed by its data padded to a whole block, ended by two zero blocks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/core/file_time.h"

namespace tolzeb::tarformat {

inline constexpr size_t kBlockSize = 512;
inline constexpr size_t kUstarHeaderSize = 512;

// Entry data is copied between archive and file in pieces of this size, so no entry is ever held
// whole.
inline constexpr uint64_t kCopyPieceBytes = 1u << 20;

// Zero bytes that follow `size` bytes of data up to the next block boundary.
inline constexpr uint64_t blockPadding(uint64_t size) { return (kBlockSize - size % kBlockSize) % kBlockSize; }

// Header fields: offset and width in bytes.
inline constexpr size_t kNameOffset = 0, kNameWidth = 100;
inline constexpr size_t kModeOffset = 100, kModeWidth = 8;
inline constexpr size_t kUidOffset = 108, kUidWidth = 8;
inline constexpr size_t kGidOffset = 116, kGidWidth = 8;
inline constexpr size_t kSizeOffset = 124, kSizeWidth = 12;
inline constexpr size_t kMtimeOffset = 136, kMtimeWidth = 12;
inline constexpr size_t kChecksumOffset = 148, kChecksumWidth = 8;
inline constexpr size_t kTypeflagOffset = 156;
inline constexpr size_t kMagicOffset = 257, kMagicWidth = 6;
inline constexpr size_t kVersionOffset = 263, kVersionWidth = 2;
inline constexpr size_t kPrefixOffset = 345, kPrefixWidth = 155;

// The POSIX magic is "ustar" and NUL, then version "00"; GNU headers carry "ustar  \0" in the
// same eight bytes. Detection compares the five bytes both share.
inline constexpr char kUstarMagic[] = "ustar";  // with its NUL: the POSIX magic
inline constexpr size_t kUstarMagicCompared = 5;
inline constexpr char kUstarVersion[] = "00";

// Typeflags.
inline constexpr char kTypeRegularOld = '\0';
inline constexpr char kTypeRegular = '0';
inline constexpr char kTypeHardLink = '1';
inline constexpr char kTypeSymbolicLink = '2';
inline constexpr char kTypeDirectory = '5';
inline constexpr char kTypeGnuLongName = 'L';
inline constexpr char kTypeGnuLongLink = 'K';
inline constexpr char kTypePaxExtended = 'x';
inline constexpr char kTypePaxGlobal = 'g';

inline constexpr char kLongLinkName[] = "././@LongLink";

// Limits of the reader.
inline constexpr uint64_t kMaxMetadataRecordBytes = 0x100000;  // 'K', 'L', 'g' and 'x' data
inline constexpr uint64_t kMaxEntries = 2000000;
inline constexpr uint64_t kProbeGzipReadBytes = 0x40000;
inline constexpr uint64_t kProbeInflateBytes = 0x100000;

// Limits of the writer.
inline constexpr uint64_t kMaxOctalSize = 0x1FFFFFFFF;      // eleven octal digits; above: base-256

// Times: seconds since 1970 against FILETIME ticks (engine/core/file_time.h).
// Seconds at or above this overflow a 64-bit FILETIME.
inline constexpr uint64_t kMaxTimeSeconds = 1833029933771;

}  // namespace tolzeb::tarformat
