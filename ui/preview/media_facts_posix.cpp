#include "ui/preview/media_facts.h"

namespace tolzeb::ui {

// No media reader is bound here: media entries say that the components are missing.
MediaReader platformMediaReader() { return {}; }

}  // namespace tolzeb::ui
