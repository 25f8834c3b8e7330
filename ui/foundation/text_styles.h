// The ten text styles of the graphical program and how text is aligned in its box.
#pragma once

#include <cstdint>

namespace tolzeb::ui {

enum class TextStyle : uint8_t {
  PageTitle = 0,
  SectionTitle = 1,
  Headline = 2,
  Subtitle = 3,
  CardTitle = 4,
  Body = 5,
  BodyStrong = 6,
  Caption = 7,
  Metric = 8,
  WindowTitle = 9,
};
inline constexpr int kTextStyleCount = 10;

enum class TextAlign : uint8_t { Leading = 0, Centre = 1, Trailing = 2 };

struct TextStyleSpec {
  int weight;  // 400 regular, 600 semibold, 700 bold
  float size;  // DIPs
};

// The preferred family and the one used when a format cannot be made with it.
inline constexpr const wchar_t* kPreferredFontFamily = L"Segoe UI Variable Display";
inline constexpr const wchar_t* kFallbackFontFamily = L"Segoe UI";

// False for values above 9: text calls with them draw nothing and measure as zero.
constexpr bool isTextStyle(TextStyle style) { return static_cast<int>(style) < kTextStyleCount; }

// Weight and size of a valid style.
constexpr TextStyleSpec textStyleSpec(TextStyle style) {
  constexpr TextStyleSpec kSpecs[kTextStyleCount] = {
      {700, 38}, {600, 21}, {700, 27}, {400, 17}, {600, 18},
      {400, 15}, {600, 15}, {400, 13}, {700, 25}, {700, 21},
  };
  return kSpecs[static_cast<int>(style)];
}

}  // namespace tolzeb::ui
