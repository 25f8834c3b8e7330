#include "ui/preview/image_decode.h"

namespace tolzeb::ui {

void scaledPreviewSize(uint32_t width, uint32_t height, uint32_t& outWidth, uint32_t& outHeight) {
  uint32_t longer = width > height ? width : height;
  if (longer <= kPreviewLongestSide) {
    outWidth = width;
    outHeight = height;
    return;
  }
  double factor = static_cast<double>(kPreviewLongestSide) / longer;
  outWidth = static_cast<uint32_t>(width * factor);
  outHeight = static_cast<uint32_t>(height * factor);
  if (outWidth < 1) outWidth = 1;
  if (outHeight < 1) outHeight = 1;
}

}  // namespace tolzeb::ui
