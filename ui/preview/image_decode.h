// Decoding a picture held in memory into a premultiplied BGRA bitmap no longer than 2560 pixels
// on its longer side. Windows decodes through its imaging component; natively there is no
// decoder and every decode fails with "previewerror.imaging_failed".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/preview/preview_types.h"

namespace tolzeb::ui {

inline constexpr uint32_t kPreviewLongestSide = 2560;
inline constexpr uint64_t kPreviewLargestBuffer = 0x10000000;

// The scaled size for a picture whose longer side exceeds the limit; each side at least 1.
void scaledPreviewSize(uint32_t width, uint32_t height, uint32_t& outWidth, uint32_t& outHeight);

// False with a translated message, or with an empty one for failures without a text of their own.
bool decodeImage(const uint8_t* bytes, size_t count, PreviewImage& image, std::wstring& message);

// The preview worker's COM apartment (multithreaded) for as long as it lives; nothing natively.
class WorkerApartment {
 public:
  WorkerApartment();
  ~WorkerApartment();
  WorkerApartment(const WorkerApartment&) = delete;
  WorkerApartment& operator=(const WorkerApartment&) = delete;

 private:
  [[maybe_unused]] bool entered_ = false;  // only Windows has an apartment to leave
};

}  // namespace tolzeb::ui
