// What the preview worker is asked for and what it hands back to the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/secure_bytes.h"
#include "formats/archive_kind.h"

namespace tolzeb::ui {

struct PreviewRequest {
  uint64_t generation = 0;  // set by the controller
  std::wstring archivePath;
  ArchiveKind archiveKind = ArchiveKind::unknown;
  std::wstring entryName;  // '/'-separated, as listed
  uint64_t entrySize = 0;
  uint64_t modified = 0;  // FILETIME, UTC
  bool isFolder = false;
  std::shared_ptr<const SecureBytes> password;  // UTF-8; null for none
  uint64_t cacheStamp = 0;                      // identity of the archive's contents; 0 = no cache
};

enum class PreviewState : uint8_t {
  idle = 0,
  reading = 1,
  ready = 2,
  stopped = 3,
  protectedEntry = 4,
  tooLarge = 5,
  unreadable = 6,
  unsupported = 7,
  failed = 8,
};

enum class PreviewKind : uint8_t { unknown = 0, folder = 1, image = 2, text = 3, pdf = 4, media = 5, other = 6 };

// 32-bit premultiplied BGRA, top row first, stride = width * 4.
struct PreviewImage {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t sourceWidth = 0;
  uint32_t sourceHeight = 0;
  uint32_t stride = 0;
  std::vector<uint8_t> pixels;
  bool scaled = false;
};

struct PreviewText {
  std::wstring text;
  std::wstring encodingName;
  uint64_t lineCount = 0;
  bool textTruncated = false;
};

struct PreviewResult {
  uint64_t generation = 0;
  PreviewState state = PreviewState::idle;
  PreviewKind kind = PreviewKind::unknown;
  std::wstring entryName;
  std::wstring typeLabel;
  std::wstring message;
  uint64_t entrySize = 0;
  uint64_t modified = 0;
  bool truncated = false;
  PreviewImage image;
  std::wstring text;
  std::wstring encodingName;
  uint64_t lineCount = 0;
  bool textTruncated = false;
  uint32_t pageCount = 0;
  float pageWidth = 0;
  float pageHeight = 0;
  bool hasVideo = false;
  bool hasAudio = false;
  bool durationKnown = false;
  double durationSeconds = 0;
  uint32_t videoWidth = 0;
  uint32_t videoHeight = 0;
  double frameRate = 0;
  uint32_t sampleRate = 0;
  uint32_t channels = 0;
  std::wstring videoCodec;
  std::wstring audioCodec;
  bool noVideoFrame = false;
  double elapsedSeconds = 0;
};

}  // namespace tolzeb::ui
