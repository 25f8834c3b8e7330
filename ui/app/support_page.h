// The support page's parts: the donation link's QR code, made once and kept for the window's life,
// the link card, the three cards on what support protects, and the wrapped text block they share.
// paintSupportPage itself is declared in page_painters.h.
#pragma once

#include <string_view>

#include "ui/app/page_state.h"
#include "ui/foundation/canvas.h"
#include "ui/foundation/hit_regions.h"
#include "ui/foundation/qr_code.h"

namespace tolzeb::ui {

class IconSet;

// The donation link's symbol at level M, encoded on first use; an empty result is kept too, so a
// link that cannot be encoded is not tried again at every paint.
struct SupportQrCode {
  QrCode code;
  bool made = false;
};
const QrCode& supportQrCode(SupportQrCode& cache);

// Side of one module in DIPs: a whole number of device pixels (at least one), so that the symbol
// is about 210 DIPs wide at `dpi`; 0 for an invalid code or a DPI of 0 or less.
float qrModuleSize(const QrCode& code, float dpi);

// The text wrapped to `width` at (x, y), drawn 2 DIPs higher than it measures; returns its height.
float drawTextBlock(Canvas& canvas, std::wstring_view text, TextStyle style, float x, float y, float width,
                    Color color);

// Each takes the column (left, right) and a top, and returns the top of what follows.
float paintSupportLinkPanel(Canvas& canvas, const IconSet& icons, const PageState& state, const QrCode& code,
                            float left, float right, float top, HitRegions& regions);
float paintSupportBenefits(Canvas& canvas, float left, float right, float top);

}  // namespace tolzeb::ui
