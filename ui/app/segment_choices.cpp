#include "ui/app/segment_choices.h"

#include "ui/foundation/localisation.h"
#include "ui/foundation/widgets.h"

namespace tolzeb::ui {

void drawSegmentChoices(Canvas& canvas, const Interaction& interaction, HitRegions& regions,
                        std::span<const SegmentChoice> choices, float left, float top, float segmentWidth,
                        float height, uint8_t selected) {
  for (size_t k = 0; k < choices.size(); ++k) {
    const float segmentLeft = left + segmentWidth * static_cast<float>(k);
    drawListRow(canvas, interaction, regions, {segmentLeft, top, segmentLeft + segmentWidth, top + height},
                i18n::translate(choices[k].labelKey), choices[k].id, choices[k].value == selected, k == 0,
                k + 1 == choices.size(), -1);
  }
}

}  // namespace tolzeb::ui
