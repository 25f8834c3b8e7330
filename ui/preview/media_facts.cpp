#include "ui/preview/media_facts.h"

#include <algorithm>
#include <cstring>

#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

constexpr uint8_t kFourCcTail[8] = {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

constexpr uint32_t code(const char (&text)[5]) {
  return static_cast<uint8_t>(text[0]) | static_cast<uint8_t>(text[1]) << 8 | static_cast<uint8_t>(text[2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

bool sameGuid(const MediaGuid& a, const MediaGuid& b) {
  return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 && std::memcmp(a.data4, b.data4, 8) == 0;
}

bool onFourCcBase(const MediaGuid& guid) {
  return guid.data2 == 0x0000 && guid.data3 == 0x0010 && std::memcmp(guid.data4, kFourCcTail, 8) == 0;
}

struct Named {
  MediaGuid guid;
  const wchar_t* name;
};

const Named kVideoNames[] = {
    {fourCcGuid(code("H264")), L"H.264"},
    {fourCcGuid(code("HEVC")), L"HEVC"},
    {fourCcGuid(code("WMV3")), L"WMV 9"},
    {{0xE06D8026, 0xDB46, 0x11CF, {0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA}}, L"MPEG-2"},
};

// Audio subtypes carry the wave format tag in data1.
const Named kAudioNames[] = {
    {fourCcGuid(0x1610), L"AAC"},      {fourCcGuid(0x0055), L"MP3"},   {fourCcGuid(0xF1AC), L"FLAC"},
    {fourCcGuid(0x0001), L"PCM"},      {fourCcGuid(0x0003), L"PCM float"}, {fourCcGuid(0x0161), L"WMA"},
    {fourCcGuid(0x0162), L"WMA 9"},    {fourCcGuid(0x704F), L"Opus"},  {fourCcGuid(0x6C61), L"ALAC"},
};

struct FourCcName {
  const char* code;
  const wchar_t* name;
};

const FourCcName kFourCcNames[] = {
    {"H264", L"H.264"}, {"HEVC", L"HEVC"},  {"hvc1", L"HEVC"},         {"hev1", L"HEVC"},  {"avc1", L"H.264"},
    {"VP90", L"VP9"},   {"VP80", L"VP8"},   {"av01", L"AV1"},          {"MP4V", L"MPEG-4"}, {"MP43", L"MPEG-4"},
    {"WMV3", L"WMV 9"}, {"MJPG", L"Motion JPEG"}, {"mp4a", L"AAC"}, {"MP3 ", L"MP3"},
};

bool startsWith(const uint8_t* bytes, size_t count, size_t at, const char* text) {
  const size_t length = std::strlen(text);
  return count >= at + length && std::memcmp(bytes + at, text, length) == 0;
}

}  // namespace

MediaGuid fourCcGuid(uint32_t data1) {
  MediaGuid guid;
  guid.data1 = data1;
  guid.data2 = 0x0000;
  guid.data3 = 0x0010;
  std::memcpy(guid.data4, kFourCcTail, 8);
  return guid;
}

std::wstring codecName(const MediaGuid& subtype, bool video) {
  const Named* first = video ? std::begin(kVideoNames) : std::begin(kAudioNames);
  const Named* last = video ? std::end(kVideoNames) : std::end(kAudioNames);
  for (const Named* named = first; named != last; ++named) {
    if (sameGuid(named->guid, subtype)) return named->name;
  }
  if (!onFourCcBase(subtype)) return L"";
  char chars[4];
  for (int i = 0; i < 4; ++i) {
    chars[i] = static_cast<char>((subtype.data1 >> (8 * i)) & 0xFF);
    if (chars[i] < 0x20 || chars[i] > 0x7E) return L"";
  }
  for (const FourCcName& known : kFourCcNames) {
    if (std::memcmp(known.code, chars, 4) == 0) return known.name;
  }
  std::wstring name(chars, chars + 4);
  while (!name.empty() && name.back() == L' ') name.pop_back();
  return name;
}

const wchar_t* mediaMimeType(const uint8_t* bytes, size_t count) {
  if (startsWith(bytes, count, 0, "RIFF") && startsWith(bytes, count, 8, "WAVE")) return L"audio/wav";
  if (startsWith(bytes, count, 0, "RIFF") && startsWith(bytes, count, 8, "AVI ")) return L"video/avi";
  if (startsWith(bytes, count, 0, "ID3")) return L"audio/mpeg";
  if (count >= 2 && bytes[0] == 0xFF && (bytes[1] & 0xE0) == 0xE0) return L"audio/mpeg";
  if (count >= 4) {
    if (startsWith(bytes, count, 0, "fLaC")) return L"audio/flac";
    if (startsWith(bytes, count, 0, "OggS")) return L"audio/ogg";
    if (startsWith(bytes, count, 0, "\x1A\x45\xDF\xA3")) return L"video/x-matroska";
    if (startsWith(bytes, count, 0, "\x30\x26\xB2\x75")) return L"video/x-ms-asf";
  }
  if (count >= 12 && startsWith(bytes, count, 4, "ftyp")) {
    if (startsWith(bytes, count, 8, "qt  ")) return L"video/quicktime";
    if (startsWith(bytes, count, 8, "M4A ")) return L"audio/mp4";
    return L"video/mp4";
  }
  return nullptr;
}

const wchar_t* audioContentType(const uint8_t* bytes, size_t count) {
  if (startsWith(bytes, count, 0, "RIFF") && startsWith(bytes, count, 8, "WAVE")) return L"audio/wav";
  if (startsWith(bytes, count, 0, "ID3")) return L"audio/mpeg";
  if (count >= 2 && bytes[0] == 0xFF && (bytes[1] & 0xE0) == 0xE0) return L"audio/mpeg";
  if (startsWith(bytes, count, 0, "fLaC")) return L"audio/flac";
  if (startsWith(bytes, count, 0, "OggS")) return L"audio/ogg";
  if (count >= 12 && startsWith(bytes, count, 4, "ftyp")) return L"audio/mp4";
  if (startsWith(bytes, count, 0, "\x30\x26\xB2\x75")) return L"audio/x-ms-wma";
  return nullptr;
}

int64_t frameSeekPosition(bool durationKnown, double durationSeconds) {
  const double seconds = durationKnown ? std::min(durationSeconds / 10, 1.0) : 1.0;
  return static_cast<int64_t>(seconds * 10000000.0);
}

bool copyFrameRows(const uint8_t* data, size_t length, int32_t stride, uint32_t width, uint32_t height,
                   std::vector<uint8_t>& pixels) {
  const uint64_t rowBytes = uint64_t{width} * 4;
  const uint64_t pitch = stride < 0 ? uint64_t{0} - static_cast<int64_t>(stride) : static_cast<uint64_t>(stride);
  if (data == nullptr || width == 0 || height == 0 || pitch < rowBytes) return false;
  if (uint64_t{length} < (uint64_t{height} - 1) * pitch + rowBytes) return false;
  pixels.resize(static_cast<size_t>(rowBytes * height));
  for (uint32_t row = 0; row < height; ++row) {
    const uint64_t memoryRow = stride < 0 ? height - 1 - row : row;
    std::memcpy(pixels.data() + row * rowBytes, data + memoryRow * pitch, static_cast<size_t>(rowBytes));
  }
  return true;
}

bool frameSizeAcceptable(uint32_t width, uint32_t height) {
  return width > 0 && height > 0 && uint64_t{width} * height * 4 <= kMediaFrameByteLimit;
}

int32_t frameStride(int32_t declaredStride, uint32_t width) {
  return declaredStride != 0 ? declaredStride : static_cast<int32_t>(width * 4);
}

bool fitToLongestSide(uint32_t width, uint32_t height, uint32_t longestSide, uint32_t& outWidth,
                      uint32_t& outHeight) {
  outWidth = width;
  outHeight = height;
  const uint32_t longer = std::max(width, height);
  if (longestSide == 0 || longer <= longestSide) return false;
  const double factor = double(longestSide) / double(longer);
  outWidth = std::max<uint32_t>(1, static_cast<uint32_t>(width * factor));
  outHeight = std::max<uint32_t>(1, static_cast<uint32_t>(height * factor));
  return true;
}

void makeOpaque(std::vector<uint8_t>& pixels) {
  for (size_t alpha = 3; alpha < pixels.size(); alpha += 4) pixels[alpha] = 0xFF;
}

void previewMedia(const std::vector<uint8_t>& bytes, PreviewResult& result, const CancelCheck& cancel,
                  const MediaReader& reader) {
  if (result.truncated) {
    result.state = PreviewState::tooLarge;
    result.message = i18n::translate("filetype.media_truncated");
    return;
  }
  if (!reader.available || !reader.read || !reader.available()) {
    result.state = PreviewState::unsupported;
    result.message = i18n::translate("filetype.no_media_component");
    return;
  }
  MediaInfo info;
  std::wstring message;
  result.image = PreviewImage{};
  if (!reader.read(bytes, kMediaFrameLongestSide, info, result.image, message, cancel)) {
    result.state = PreviewState::unsupported;
    result.message = message;
    return;
  }
  result.hasVideo = info.hasVideo;
  result.hasAudio = info.hasAudio;
  result.durationKnown = info.durationKnown;
  result.durationSeconds = info.durationSeconds;
  result.videoWidth = info.videoWidth;
  result.videoHeight = info.videoHeight;
  result.frameRate = info.frameRate;
  result.sampleRate = info.sampleRate;
  result.channels = info.channels;
  result.videoCodec = info.videoCodec;
  result.audioCodec = info.audioCodec;
  const bool framePresent = result.image.width && result.image.height && !result.image.pixels.empty();
  result.noVideoFrame = info.hasVideo && !framePresent;
  result.state = PreviewState::ready;
}

}  // namespace tolzeb::ui
