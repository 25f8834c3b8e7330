#include "ui/preview/media_facts.h"

namespace tolzeb::ui {

// No media reader is bound here: media entries say that the components are missing.
MediaReader platformMediaReader() { return {}; }

// No scaler here: a frame that fits stays as it is, a larger one is kept at full size.
bool frameToBitmap(PreviewImage& image, uint32_t longestSide) {
  uint32_t width = 0, height = 0;
  return !fitToLongestSide(image.width, image.height, longestSide, width, height);
}

}  // namespace tolzeb::ui
