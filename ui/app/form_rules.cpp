#include "ui/app/form_rules.h"

namespace tolzeb::ui {

bool compressFormReady(const PageState& state) {
  if (state.compressSources.empty() || state.compressDestination.empty()) return false;
  if (!state.compressEncrypt || state.compressFormat != 1) return true;
  return !state.compressPassword.text.empty() && state.compressPassword.text == state.compressPasswordRepeat.text;
}

bool extractFormReady(const PageState& state) {
  if (state.extractArchive.empty() || state.extractDestination.empty()) return false;
  return state.extractLocked ? !state.extractPassword.text.empty() : state.extractInfoMessage.empty();
}

}  // namespace tolzeb::ui
