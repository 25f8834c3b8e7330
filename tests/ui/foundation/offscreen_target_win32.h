// An offscreen 32-bit premultiplied BGRA bitmap that a Renderer draws into, with its pixels
// readable afterwards. Needs COM on the calling thread.
#pragma once

#include <wincodec.h>

#include <cstdint>
#include <vector>

#include "ui/foundation/renderer.h"

namespace tolzeb::ui::testing {

struct Bgra {
  uint8_t b, g, r, a;
};

class OffscreenTarget {
 public:
  OffscreenTarget(unsigned width, unsigned height);
  OffscreenTarget(const OffscreenTarget&) = delete;
  OffscreenTarget& operator=(const OffscreenTarget&) = delete;
  ~OffscreenTarget();

  bool valid() const { return bitmap_ != nullptr; }
  IWICBitmap* bitmap() const { return bitmap_; }
  IWICImagingFactory* factory() const { return factory_; }
  unsigned width() const { return width_; }
  unsigned height() const { return height_; }
  // A copy of every pixel, row by row; read after endDraw.
  std::vector<Bgra> pixels() const;
  Bgra at(unsigned x, unsigned y) const;
  // Writes the bitmap as a PNG file.
  bool savePng(const wchar_t* path) const;

 private:
  IWICImagingFactory* factory_ = nullptr;
  IWICBitmap* bitmap_ = nullptr;
  unsigned width_;
  unsigned height_;
};

// How dark a pixel drawn on white is, 0 (white) to 255 (black), from its green channel.
inline int darkness(Bgra pixel) { return 255 - pixel.g; }

}  // namespace tolzeb::ui::testing
