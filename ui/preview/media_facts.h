// What the pane shows of a sound or video entry: its length, streams and codecs, and one frame.
// The reading itself is the platform's (MediaReader); naming codecs, guessing the content type,
// copying a decoded frame and the outcome states are the same everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/preview/preview_types.h"

namespace tolzeb::ui {

inline constexpr uint32_t kMediaFrameLongestSide = 2560;
inline constexpr uint64_t kMediaFrameByteLimit = 0x10000000;  // 256 MiB of 32-bit pixels
inline constexpr int kMediaFrameAttempts = 120;

// A media subtype identifier, laid out like the platform's GUID.
struct MediaGuid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  uint8_t data4[8] = {};
};

// A subtype built on the FourCC base: the four code characters in data1, low byte first.
MediaGuid fourCcGuid(uint32_t data1);

struct MediaInfo {
  bool hasVideo = false;
  bool hasAudio = false;
  double durationSeconds = 0;
  bool durationKnown = false;
  uint32_t videoWidth = 0;
  uint32_t videoHeight = 0;
  double frameRate = 0;
  uint32_t sampleRate = 0;
  uint32_t channels = 0;
  uint32_t bitsPerSample = 0;  // read, not shown
  std::wstring videoCodec;
  std::wstring audioCodec;
};

// Fixed English labels; an unknown printable FourCC shows as its characters, anything else as "".
std::wstring codecName(const MediaGuid& subtype, bool video);
// The content type that makes the platform pick the right media source, or null.
const wchar_t* mediaMimeType(const uint8_t* bytes, size_t count);
// The same for the audio player, which only ever hands over sounds.
const wchar_t* audioContentType(const uint8_t* bytes, size_t count);

// Where a frame is looked for, in 100-ns units: a tenth of the length, at most one second.
int64_t frameSeekPosition(bool durationKnown, double durationSeconds);

// Copies `height` rows of width * 4 bytes into a top-row-first picture. A negative stride is a
// bottom-up frame: row 0 is the last row in memory. False when the buffer cannot hold the rows.
bool copyFrameRows(const uint8_t* data, size_t length, int32_t stride, uint32_t width, uint32_t height,
                   std::vector<uint8_t>& pixels);

// A decoded frame is taken only when both sides are above 0 and its 32-bit pixels fit in 256 MiB.
bool frameSizeAcceptable(uint32_t width, uint32_t height);
// The row pitch of a frame: the declared default stride, or width * 4 when none was declared (0).
int32_t frameStride(int32_t declaredStride, uint32_t width);
// The size that brings the longer side down to `longestSide` (each side at least 1, truncated);
// false, with the size unchanged, when the picture already fits or `longestSide` is 0.
bool fitToLongestSide(uint32_t width, uint32_t height, uint32_t longestSide, uint32_t& outWidth,
                      uint32_t& outHeight);
// Decoders leave the fourth byte of a 32-bit frame undefined: every pixel becomes opaque.
void makeOpaque(std::vector<uint8_t>& pixels);

// Scales a frame in place so that its longer side is at most `longestSide`, setting `scaled`.
// True when nothing had to change or the scaling worked; a failure keeps the full frame.
bool frameToBitmap(PreviewImage& image, uint32_t longestSide);

using CancelCheck = std::function<bool()>;

// The platform's reader; a missing piece counts as "no media components".
struct MediaReader {
  std::function<bool()> available;
  std::function<bool(const std::vector<uint8_t>& bytes, uint32_t longestSide, MediaInfo& info, PreviewImage& image,
                     std::wstring& message, const CancelCheck& cancel)>
      read;
};

MediaReader platformMediaReader();

// The media step of the preview worker: sets state, message, facts and the frame.
void previewMedia(const std::vector<uint8_t>& bytes, PreviewResult& result, const CancelCheck& cancel,
                  const MediaReader& reader);

}  // namespace tolzeb::ui
