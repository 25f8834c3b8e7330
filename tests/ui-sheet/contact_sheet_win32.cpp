// Writes PNG sheets to look at: every icon at two sizes, every widget in each of its states,
// once plainly and once with its recorded hit regions outlined, and the task panel's looks in
// every shipped language.
//   ui_contact_sheet <output folder>

#include <cstdio>
#include <string>

#include "sheet_win32.h"
#include "ui/foundation/palette.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {
namespace {

constexpr Color kPageBackground = rgb(243, 244, 246);
constexpr Color kRegionOutline = rgb(0, 90, 255, 0.8f);

bool writeIconSheet(const std::wstring& folder) {
  Sheet sheet(20 * 64, 140);
  if (!sheet.start()) return false;
  Renderer& r = sheet.renderer;
  r.clear(palette::white);
  for (int i = 0; i < kIconCount; ++i) {
    const float left = i * 64.0f;
    r.drawText(std::to_wstring(i), TextStyle::Caption, {left, 2, left + 64, 20},
               palette::textSecondary, TextAlign::Centre);
    r.drawIcon(sheet.icons, static_cast<Icon>(i), {left, 20, left + 64, 56}, palette::textPrimary,
               24);
    r.drawIcon(sheet.icons, static_cast<Icon>(i), {left, 60, left + 64, 124}, palette::brandRed,
               48);
    r.drawLine({left + 63.5f, 0}, {left + 63.5f, 140}, palette::divider, 1);
  }
  return r.endDraw() && sheet.target.savePng((folder + L"\\icons.png").c_str());
}

void drawWidgets(Renderer& r, const IconSet& icons, HitRegions& regions) {
  constexpr uint16_t kId = 1;
  const Interaction none;
  const Interaction hovered{kId, -1, 0, 0, false};
  const Interaction pressed{kId, -1, kId, 0, false};
  const Interaction focused{0, -1, 0, kId, true};
  const Interaction states[] = {none, hovered, pressed, focused};
  const wchar_t* stateNames[] = {L"normal", L"hovered", L"pressed", L"focused", L"disabled"};

  float y = 16;
  for (int s = 0; s < 5; ++s) {
    r.drawText(stateNames[s], TextStyle::Caption, {16 + 170.0f * s, y, 180 + 170.0f * s, y + 18},
               palette::textSecondary, TextAlign::Leading);
  }
  y += 24;
  const ButtonStyle styles[] = {ButtonStyle::Primary, ButtonStyle::Secondary, ButtonStyle::Quiet};
  for (ButtonStyle style : styles) {
    for (Icon icon : {Icon::None, Icon::Extract}) {
      for (int s = 0; s < 5; ++s) {
        const float x = 16 + 170.0f * s;
        drawButton(r, icons, s < 4 ? states[s] : focused, regions, {x, y, x + 150, y + 40},
                   L"Extract", kId, style, icon, s < 4);
      }
      y += 52;
    }
  }

  for (bool checked : {false, true}) {
    for (int s = 0; s < 5; ++s) {
      const float x = 16 + 170.0f * s;
      drawCheckBox(r, s < 4 ? states[s] : focused, regions, {x, y, x + 150, y + 32}, L"Verify", kId,
                   checked, s < 4);
    }
    y += 40;
  }

  for (int s = 0; s < 5; ++s) {
    const float x = 16 + 170.0f * s;
    drawSlider(r, s < 4 ? states[s] : focused, regions, {x, y, x + 150, y + 32}, 0.25 * s, kId,
               L"Level", s < 4);
  }
  y += 48;

  TextField empty;
  TextField typed;
  typed.insert(L"holiday photos", 1024);
  typed.caret = 8;
  typed.anchor = 3;
  TextField secret;
  secret.insert(L"hunter2", 1024);
  secret.masked = true;
  secret.caret = secret.anchor = 4;
  const TextField* fields[] = {&empty, &empty, &typed, &secret, &typed};
  const Interaction fieldStates[] = {none, focused, focused, focused, hovered};
  for (int s = 0; s < 5; ++s) {
    const float x = 16 + 170.0f * s;
    drawTextField(r, fieldStates[s], regions, {x, y, x + 150, y + 40}, *fields[s], kId, L"Search");
  }
  y += 56;

  const wchar_t* segments[] = {L"Zip", L"7z", L"Tar", L"Zeb"};
  const Interaction rowHover{2, 2, 0, 2, true};
  for (int i = 0; i < 4; ++i) {
    const float x = 16 + 100.0f * i;
    drawListRow(r, rowHover, regions, {x, y, x + 100, y + 36}, segments[i], 2, i == 0, i == 0,
                i == 3, i);
  }
  for (int i = 0; i < 3; ++i) {
    const float x = 440;
    drawTickBox(r, Interaction{3, i, 0, 0, false}, {x + 40.0f * i, y, x + 40.0f * i + 30, y + 36},
                3, 1, i == 0);
  }
  y += 52;

  drawCard(r, {16, y, 416, y + 150}, L"Card title");
  drawPathBox(r, {38, y + 56, 394, y + 96}, L"", L"No folder chosen");
  drawPathBox(r, {38, y + 100, 394, y + 140},
              L"C:\\Users\\someone\\Documents\\Archives\\2026\\Holidays\\Mountains\\photos.zeb",
              L"");
  drawPathBox(r, {436, y + 56, 846, y + 96}, L"C:\\short.zeb", L"");
}

bool writeWidgetSheet(const std::wstring& folder, bool outlineRegions) {
  Sheet sheet(870, 760);
  if (!sheet.start()) return false;
  Renderer& r = sheet.renderer;
  r.clear(kPageBackground);
  HitRegions regions;
  drawWidgets(r, sheet.icons, regions);
  if (outlineRegions) {
    for (const HitRegion& region : regions) r.drawRoundedRect(region.rect(), 0, kRegionOutline, 1);
  }
  const std::wstring name = outlineRegions ? L"\\widget-regions.png" : L"\\widgets.png";
  return r.endDraw() && sheet.target.savePng((folder + name).c_str());
}

}  // namespace
}  // namespace tolzeb::ui

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: ui_contact_sheet <output folder>\n", stderr);
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::wstring folder = argv[1];
  CreateDirectoryW(folder.c_str(), nullptr);
  const bool ok = tolzeb::ui::writeIconSheet(folder) &&
                  tolzeb::ui::writeWidgetSheet(folder, false) &&
                  tolzeb::ui::writeWidgetSheet(folder, true) &&
                  tolzeb::ui::writeTaskPanelSheets(folder);
  CoUninitialize();
  if (!ok) std::fputs("ui_contact_sheet: drawing or writing a sheet failed\n", stderr);
  return ok ? 0 : 1;
}
