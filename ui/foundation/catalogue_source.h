// Where a language's catalogue comes from: a file named by its tag in the "locales" folder beside
// the program takes the place of the catalogue embedded in the program.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/foundation/catalog.h"
#include "ui/foundation/json_reader.h"

namespace tolzeb::ui::i18n {

// An override file larger than this, or empty, is passed over for the embedded catalogue.
inline constexpr uint64_t kMaxCatalogueFileBytes = 8388608;

// The directory of the running program without a trailing separator; empty on failure.
std::wstring programDirectory();
// Lets tests put the "locales" folder somewhere of their own; std::nullopt restores the real one.
void setProgramDirectoryForTesting(std::optional<std::wstring> directory);

// The bytes of the catalogue for `tag`: the override file when it holds 1 byte to 8 MiB and
// reads whole (fromDisk set), else the embedded resource. False when neither has bytes.
bool readCatalogueText(const std::wstring& tag, std::vector<uint8_t>& bytes, bool& fromDisk);

// Reads, parses and builds. Null on failure; `result` then says why: the reader's first error,
// or, with no bytes anywhere, ok = false and a fixed message (line and column left alone).
std::shared_ptr<const Catalog> loadCatalog(const std::wstring& tag, ParseResult* result = nullptr);

// Whether `tag` is a language of the table that has an override file or an embedded catalogue.
bool catalogueExists(const std::wstring& tag);

}  // namespace tolzeb::ui::i18n
