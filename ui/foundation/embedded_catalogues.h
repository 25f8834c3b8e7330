// The catalogues compiled into the native build, standing in for the Windows program's
// RT_RCDATA resources. The table is generated from locales/*.json at build time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tolzeb::ui::i18n::platform {

struct EmbeddedCatalogue {
  const char* name;  // the upper-case language tag, as the resource is named
  const uint8_t* bytes;
  size_t size;
};

extern const EmbeddedCatalogue kEmbeddedCatalogues[];
extern const size_t kEmbeddedCatalogueCount;

}  // namespace tolzeb::ui::i18n::platform
