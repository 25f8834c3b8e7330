// The settings.txt reader on arbitrary bytes: no crash and no undefined behaviour, every field it
// takes lies in that field's accepted values, a refused file changes nothing, and what it reads
// survives the writer and the reader again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/core/text.h"
#include "ui/foundation/languages.h"
#include "ui/foundation/settings.h"

namespace {

bool inAcceptedRange(const tolzeb::ui::Settings& s) {
  const bool memoryAccepted = s.memoryBytes == 134217728 || s.memoryBytes == 268435456 || s.memoryBytes == 536870912 ||
                              s.memoryBytes == 1073741824 || s.memoryBytes == 2147483648ull;
  return s.mode <= 2 && s.threads <= 256 && memoryAccepted && s.chunkBytes >= 262144 && s.chunkBytes <= 4194304 &&
         s.overwrite <= 2 && s.previewPaneWidth >= 280 && s.previewPaneWidth <= 900 && s.previewCacheMB <= 512 &&
         (s.language.empty() || tolzeb::ui::i18n::findLanguage(s.language));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolzeb::ui;
  if (size > kMaxSettingsFileBytes) return 0;
  Settings settings;
  const SettingsSource source = applySettingsFile(data, size, settings);
  if (source == SettingsSource::refused && !(settings == Settings())) std::abort();
  if (!inAcceptedRange(settings)) std::abort();

  tolzeb::Result<std::vector<uint8_t>> written = tolzeb::utf16ToUtf8(settingsFileText(settings));
  if (written.failed()) std::abort();
  Settings again;
  if (applySettingsFile(written->data(), written->size(), again) != SettingsSource::file) std::abort();
  if (!(again == settings)) std::abort();
  return 0;
}
