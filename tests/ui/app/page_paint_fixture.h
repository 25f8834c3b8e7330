// One page painted on its own onto a recording canvas, in English, with what the tests ask of
// it: the regions it recorded and the texts, fills and icons it drew.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/app/page_state.h"
#include "ui/foundation/catalogue_source.h"
#include "ui/foundation/history.h"
#include "ui/foundation/i18n_test_support.h"
#include "ui/foundation/icon_set.h"
#include "ui/foundation/recording_canvas.h"

namespace tolzeb::ui::testing {

// The page area of the window at its first size: right of the rail, under the toolbar.
inline constexpr Rect kPageArea{86, 122, 1172, 800};
// The column of that page area: 28 in from each side, the first line 24 below its top.
inline constexpr float kColumnLeft = 114;
inline constexpr float kColumnRight = 1144;
inline constexpr float kColumnTop = 146;
// The column's edges by short names, for geometry tables.
inline constexpr float L = kColumnLeft;
inline constexpr float R = kColumnRight;

// A recorded archive as the home and history pages list it.
inline HistoryEntry pastArchive(const std::wstring& path, uint64_t archive, uint64_t input, double seconds,
                                bool missing = false) {
  HistoryEntry e;
  e.path = path;
  e.archiveSize = archive;
  e.inputSize = input;
  e.timestamp = 133000000000000000ull;
  e.seconds = seconds;
  e.missing = missing;
  return e;
}

using PagePainterFunction = float (*)(Canvas&, const IconSet&, const PageState&, Rect, HitRegions&);

class PagePaintTest : public ::testing::Test {
 protected:
  explicit PagePaintTest(PagePainterFunction painter) : painter_(painter) {
    for (TextField* field : {&state.compressPassword, &state.compressPasswordRepeat, &state.extractPassword}) {
      field->masked = true;
    }
  }

  // Paints afresh and returns the content height.
  float paint(Rect page = kPageArea) {
    canvas.clearCalls();
    regions.clear();
    return painter_(canvas, icons, state, page, regions);
  }

  std::vector<uint16_t> commands() const {
    std::vector<uint16_t> ids;
    for (const HitRegion& region : regions) ids.push_back(region.command);
    return ids;
  }
  const HitRegion* region(uint16_t command, int32_t argument = -1) const {
    for (const HitRegion& r : regions) {
      if (r.command == command && r.argument == argument) return &r;
    }
    return nullptr;
  }
  std::optional<DrawCall> text(const std::wstring& wanted) const {
    for (const DrawCall& call : canvas.calls()) {
      if (call.kind == DrawCall::Kind::Text && call.text == wanted) return call;
    }
    return std::nullopt;
  }
  bool drewText(const std::wstring& wanted) const { return text(wanted).has_value(); }
  std::vector<DrawCall> callsOf(DrawCall::Kind kind) const {
    std::vector<DrawCall> found;
    for (const DrawCall& call : canvas.calls()) {
      if (call.kind == kind) found.push_back(call);
    }
    return found;
  }
  std::vector<DrawCall> iconsOf(Icon icon) const {
    std::vector<DrawCall> found;
    for (const DrawCall& call : callsOf(DrawCall::Kind::Icon)) {
      if (call.icon == icon) found.push_back(call);
    }
    return found;
  }
  // Outlined white panels of radius 12: the cards, top to bottom.
  std::vector<Rect> cards() const {
    std::vector<Rect> found;
    for (const DrawCall& call : callsOf(DrawCall::Kind::DrawRoundedRect)) {
      if (call.radius == 12) found.push_back(call.rect);
    }
    return found;
  }

  // How far a subtitle that wraps in a column of `width` moves the rest of the page down.
  float subtitleShift(const char* subtitleKey, float width) {
    const std::wstring subtitle = i18n::translate(subtitleKey);
    return canvas.measureText(subtitle, TextStyle::Subtitle, width).height -
           canvas.measureText(subtitle, TextStyle::Subtitle, 100000).height;
  }

  i18n::testing::ProgramFolder programFolder;
  i18n::testing::StateGuard language{i18n::loadCatalog(L"en-US"), nullptr, &i18n::englishLanguage()};
  RecordingCanvas canvas;
  IconSet icons;
  PageState state;
  HitRegions regions;

 private:
  PagePainterFunction painter_;
};

}  // namespace tolzeb::ui::testing
