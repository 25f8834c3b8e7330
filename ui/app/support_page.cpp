// The support page: a call for an optional donation, the link as text, as a QR code and as two
// buttons, three cards on what support protects, and a footer. Nothing here is needed to use the
// program, so nothing on it can fail beyond the result line of the two buttons.
#include "ui/app/support_page.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "ui/app/app_window.h"
#include "ui/app/page_painters.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

using i18n::translate;

constexpr Color kHeartRed = frame_colors::heartRed;
constexpr Color kLightPink = rgb(255, 244, 245);

constexpr float kSupportMinimumWidth = 420;
constexpr float kTextWidthLimit = 720;
constexpr float kNarrowBelow = 690;      // the link card stacks the code over the text
constexpr float kBenefitRowFrom = 790;   // the three cards side by side
constexpr float kButtonRowFrom = 400;    // both buttons on one line
constexpr float kSymbolTarget = 210;     // DIPs, the symbol's approximate width
constexpr float kPlaceholderSide = 200;  // the box shown when there is no symbol
constexpr float kCardPadding = 32;

constexpr uint16_t kOpenPage = 116;
constexpr uint16_t kCopyLink = 117;

std::wstring donationAddress() { return kDonationAddress; }

float measuredHeight(Canvas& canvas, const std::wstring& text, TextStyle style, float width) {
  return canvas.measureText(text, style, width).height;
}

// A whole device pixel at `scale` device pixels per DIP.
float snapToPixel(float value, float scale) { return scale > 0 ? std::floor(scale * value + 0.5f) / scale : value; }

// Each dark run of a row is one rectangle, so that neighbouring modules leave no seam.
void drawSymbol(Canvas& canvas, const QrCode& code, float left, float top, float module) {
  for (int32_t row = 0; row < code.size; ++row) {
    int32_t column = 0;
    while (column < code.size) {
      if (!code.dark(row, column)) {
        ++column;
        continue;
      }
      const int32_t start = column;
      while (column < code.size && code.dark(row, column)) ++column;
      canvas.fillRect({left + start * module, top + row * module, left + column * module, top + (row + 1) * module},
                      palette::textPrimary);
    }
  }
}

float drawBenefitCard(Canvas& canvas, Rect card, const char* number, const std::wstring& title,
                      const std::wstring& body, bool highlighted) {
  canvas.fillRoundedRect(card, 18, highlighted ? kLightPink : palette::white);
  canvas.drawRoundedRect(card, 18, highlighted ? palette::brandTint : palette::divider, 1);
  const std::wstring numberText(number, number + std::char_traits<char>::length(number));
  canvas.drawText(numberText, TextStyle::Metric, {card.left + 24, card.top + 20, card.right - 24, card.top + 54},
                  highlighted ? kHeartRed : palette::divider, TextAlign::Leading);
  const float width = card.width() - 48;
  const float titleHeight =
      drawTextBlock(canvas, title, TextStyle::CardTitle, card.left + 24, card.top + 58, width, palette::textPrimary);
  drawTextBlock(canvas, body, TextStyle::Body, card.left + 24, card.top + 58 + titleHeight + 8, width,
                palette::textSecondary);
  return card.bottom;
}

struct Benefit {
  const char* number;
  const char* titleKey;
  const char* bodyKey;
};
constexpr std::array<Benefit, 3> kBenefits = {{
    {"01", "support.benefit_1_title", "support.benefit_1_body"},
    {"02", "support.benefit_2_title", "support.benefit_2_body"},
    {"03", "support.benefit_3_title", "support.benefit_3_body"},
}};

}  // namespace

const QrCode& supportQrCode(SupportQrCode& cache) {
  if (!cache.made) {
    const std::wstring address = donationAddress();
    std::vector<uint8_t> bytes;
    bytes.reserve(address.size());
    for (wchar_t unit : address) bytes.push_back(static_cast<uint8_t>(unit));
    cache.code = encodeQr(bytes, QrLevel::M);
    cache.made = true;
  }
  return cache.code;
}

float qrModuleSize(const QrCode& code, float dpi) {
  if (!code.valid() || code.size < 1 || !(dpi > 0)) return 0;
  const float scale = dpi / 96;
  const float pixels = std::max(1.0f, std::floor(scale * kSymbolTarget / static_cast<float>(code.size)));
  return pixels / scale;
}

float drawTextBlock(Canvas& canvas, std::wstring_view text, TextStyle style, float x, float y, float width,
                    Color color) {
  const float height = canvas.measureText(text, style, width).height;
  canvas.drawText(text, style, {x, y, x + width, y + height + 2}, color, TextAlign::Leading);
  return height;
}

float paintSupportLinkPanel(Canvas& canvas, const IconSet& icons, const PageState& state, const QrCode& code,
                            float left, float right, float top, HitRegions& regions) {
  const float L = left, R = right, W = R - L;
  const float scale = state.dpi / 96;
  const float module = qrModuleSize(code, state.dpi);
  const bool symbolShown = module > 0;
  const float quiet = 4 * module;
  // Without a symbol the placeholder takes its place, so the text keeps clear of it.
  const float S = symbolShown ? 2 * quiet + static_cast<float>(code.size) * module : kPlaceholderSide;

  const bool narrow = W < kNarrowBelow;
  const float f = narrow ? L + kCardPadding : L + kCardPadding + S + 36;
  const float e = narrow ? W - 2 * kCardPadding : R - kCardPadding - f;
  // A longer label widens its button (to the panel's width at most) rather than wrapping in it.
  const std::wstring openLabel = translate("support.open_page"), copyLabel = translate("support.copy_link");
  const float openWidth = std::min(buttonWidthFor(canvas, openLabel, Icon::Heart, 232), std::max(e, 232.0f));
  const float copyWidth = std::min(buttonWidthFor(canvas, copyLabel, Icon::None, 148), std::max(e, 148.0f));
  const bool buttonsSideBySide = e >= kButtonRowFrom && openWidth + 12 + copyWidth <= e;

  const std::wstring body = translate("support.panel_body");
  const std::wstring link = donationAddress();
  const float bodyHeight = measuredHeight(canvas, body, TextStyle::Subtitle, e);
  const float linkHeight = measuredHeight(canvas, link, TextStyle::Body, e);
  const float g = bodyHeight + 42 + 22 + linkHeight + 26 + 20 + (buttonsSideBySide ? 52 : 104) + 24;
  const float H = narrow ? S + 32 + 28 + g : std::max(g, S) + 32;
  const Rect card{L, top, R, top + H + 32};
  canvas.fillRoundedRect(card, 20, palette::white);
  canvas.drawRoundedRect(card, 20, palette::divider, 1);

  const float boxLeft = snapToPixel(narrow ? L + (W - S) / 2 : L + kCardPadding, scale);
  const float boxTop = snapToPixel(card.top + kCardPadding, scale);
  if (symbolShown) {
    const Rect box{boxLeft, boxTop, boxLeft + S, boxTop + S};
    canvas.fillRoundedRect(box, 4, palette::white);
    canvas.drawRoundedRect(box, 4, palette::divider, 1);
    drawSymbol(canvas, code, boxLeft + quiet, boxTop + quiet, module);
  } else {
    const Rect box{boxLeft, boxTop, boxLeft + kPlaceholderSide, boxTop + kPlaceholderSide};
    canvas.fillRoundedRect(box, 8, frame_colors::railBackground);
    drawCentredText(canvas, translate("support.qr_unavailable"), TextStyle::Caption, box, palette::textSecondary,
                    TextAlign::Centre);
  }

  const float T = narrow ? boxTop + S + 28 : card.top + kCardPadding;
  canvas.drawIcon(icons, Icon::Heart, {f, T + 3, f + 20, T + 23}, kHeartRed, 17);
  canvas.drawText(translate("support.panel_title"), TextStyle::SectionTitle, {f + 28, T, f + e, T + 32},
                  palette::textPrimary, TextAlign::Leading);
  const float drawnBodyHeight = drawTextBlock(canvas, body, TextStyle::Subtitle, f, T + 42, e, palette::textSecondary);
  const float scanTop = T + 42 + drawnBodyHeight + 22;
  canvas.drawText(translate("support.scan"), TextStyle::Caption, {f, scanTop, f + e, scanTop + 20},
                  palette::textSecondary, TextAlign::Leading);
  const float linkTop = scanTop + 24;
  canvas.drawText(link, TextStyle::Body, {f, linkTop, f + e, linkTop + linkHeight + 2}, kHeartRed, TextAlign::Leading);

  float row = linkTop + linkHeight + 2 + 20;
  const Interaction interaction = state.interaction();
  drawButton(canvas, icons, interaction, regions, {f, row, f + openWidth, row + 44}, openLabel, kOpenPage,
             ButtonStyle::Primary, Icon::Heart, true);
  float copyLeft = f + openWidth + 12;
  if (!buttonsSideBySide) {
    copyLeft = f;
    row += 52;
  }
  drawButton(canvas, icons, interaction, regions, {copyLeft, row, copyLeft + copyWidth, row + 44}, copyLabel,
             kCopyLink, ButtonStyle::Secondary, Icon::None, true);
  if (!state.supportMessage.empty()) {
    canvas.drawText(state.supportMessage, TextStyle::Caption, {f, row + 50, f + e, row + 70},
                    state.supportMessageIsError ? palette::brandRed : palette::textSecondary, TextAlign::Leading);
  }
  return card.bottom + 34;
}

float paintSupportBenefits(Canvas& canvas, float left, float right, float top) {
  const float L = left, R = right, W = R - L;
  canvas.drawText(translate("support.protects_title"), TextStyle::SectionTitle, {L, top, R, top + 30},
                  palette::textPrimary, TextAlign::Leading);
  const float cardsTop = top + 40;
  std::array<std::wstring, 3> titles;
  std::array<std::wstring, 3> bodies;
  for (size_t i = 0; i < kBenefits.size(); ++i) {
    titles[i] = translate(kBenefits[i].titleKey);
    bodies[i] = translate(kBenefits[i].bodyKey);
  }
  auto cardHeight = [&](size_t i, float width) {
    return measuredHeight(canvas, titles[i], TextStyle::CardTitle, width - 48) + 58 + 8 +
           measuredHeight(canvas, bodies[i], TextStyle::Body, width - 48) + 24;
  };

  if (W >= kBenefitRowFrom) {
    const float w = (W - 36) / 3;
    float height = 0;
    for (size_t i = 0; i < kBenefits.size(); ++i) height = std::max(height, cardHeight(i, w));
    for (size_t i = 0; i < kBenefits.size(); ++i) {
      const float cardLeft = L + static_cast<float>(i) * (w + 18);
      drawBenefitCard(canvas, {cardLeft, cardsTop, cardLeft + w, cardsTop + height}, kBenefits[i].number, titles[i],
                      bodies[i], i == 0);
    }
    return cardsTop + height + 34;
  }
  float cardTop = cardsTop;
  float bottom = cardsTop;
  for (size_t i = 0; i < kBenefits.size(); ++i) {
    const float height = cardHeight(i, W);
    bottom =
        drawBenefitCard(canvas, {L, cardTop, R, cardTop + height}, kBenefits[i].number, titles[i], bodies[i], i == 0);
    cardTop = bottom + 14;
  }
  return bottom + 34;
}

float paintSupportPage(Canvas& canvas, const IconSet& icons, const PageState& state, Rect page, HitRegions& regions,
                       SupportQrCode& qr) {
  const PageColumn column = pageColumn(page, state.scrollOffset, kSupportMinimumWidth);
  const float L = column.left, R = column.right, W = R - L;
  const float m = std::min(kTextWidthLimit, W);
  const float Y = page.top + 28 - state.scrollOffset;

  canvas.drawIcon(icons, Icon::Heart, {L, Y, L + 18, Y + 18}, kHeartRed, 15);
  canvas.drawText(translate("support.eyebrow"), TextStyle::Caption, {L + 24, Y - 1, R, Y + 20}, kHeartRed,
                  TextAlign::Leading);

  const std::wstring headline = translate("support.headline_1");
  const float h = measuredHeight(canvas, headline, TextStyle::PageTitle, W);
  canvas.drawText(headline, TextStyle::PageTitle, {L, Y + 30, R, Y + 34 + h}, palette::textPrimary, TextAlign::Leading);
  canvas.drawText(translate("support.headline_2"), TextStyle::PageTitle, {L, Y + 32 + h, R, Y + 36 + 2 * h}, kHeartRed,
                  TextAlign::Leading);

  float y = Y + 50 + 2 * h;
  float introBottom = y;
  for (const char* key : {"support.intro_1", "support.intro_2", "support.intro_3"}) {
    const float height = drawTextBlock(canvas, translate(key), TextStyle::Subtitle, L, y, m, palette::textSecondary);
    introBottom = y + height;
    y = introBottom + 12;
  }

  y = paintSupportLinkPanel(canvas, icons, state, supportQrCode(qr), L, R, introBottom + 34, regions);
  y = paintSupportBenefits(canvas, L, R, y);
  const float footerHeight =
      drawTextBlock(canvas, translate("support.footer_1"), TextStyle::Body, L, y, m, palette::textSecondary);
  const float secondTop = y + footerHeight + 4;
  const float secondHeight =
      drawTextBlock(canvas, translate("support.footer_2"), TextStyle::Body, L, secondTop, m, palette::textSecondary);
  return secondTop + secondHeight + 28 - Y + 24;
}

}  // namespace tolzeb::ui
