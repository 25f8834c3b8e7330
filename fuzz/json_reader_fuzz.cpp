// The catalogue reader on arbitrary bytes: no crash, no leak, no undefined behaviour, and a
// document it accepts builds a catalogue holding every key it reported.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ui/foundation/catalog.h"
#include "ui/foundation/json_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolzeb::ui::i18n;
  CatalogueEntries entries;
  ParseResult result = parseLocaleFile(data, size, entries);
  if (result.ok != result.message.empty()) std::abort();
  if (!result.ok) {
    if (result.line == 0 || result.column == 0) std::abort();
    return 0;
  }
  const size_t count = entries.size();
  Catalog catalog(L"xx-XX", std::move(entries));
  if (catalog.size() != count) std::abort();
  return 0;
}
