// When the compress and extract forms may start their task. The painters enable the start
// buttons by the same rules the starters check.
#pragma once

#include "ui/app/page_state.h"

namespace tolzeb::ui {

// Sources and a destination, and for an encrypted ".zeb" a password typed twice alike.
bool compressFormReady(const PageState& state);
// An archive and a destination; a locked archive also needs a password, an unlocked one a
// listing without a message.
bool extractFormReady(const PageState& state);

}  // namespace tolzeb::ui
