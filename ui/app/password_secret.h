// A page's typed password as the engine takes it.
#pragma once

#include "engine/core/types.h"
#include "ui/foundation/text_field.h"

namespace tolzeb::ui {

// The field's text as UTF-8 in wiped memory; none when the field is empty or its text is not
// valid UTF-16. The temporary UTF-8 copy is wiped before it is freed.
Password makePasswordSecret(const TextField& field);

}  // namespace tolzeb::ui
