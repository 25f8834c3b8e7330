#include "ui/foundation/settings.h"

#include <iterator>
#include <vector>

#include "engine/core/bytes.h"
#include "engine/core/text.h"
#include "ui/foundation/app_data.h"
#include "ui/foundation/data_file.h"
#include "ui/foundation/languages.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

// The writer's text fits one buffer of this many wide characters, terminator included.
constexpr size_t kSettingsTextCapacity = 1024;
constexpr size_t kMaxNumberDigits = 20;
constexpr uint32_t kCompressionPbkdf2Iterations = 600000;

// 1 to 20 ASCII digits that fit 64 bits; anything else (a sign, a blank) is refused.
bool parseSettingsNumber(const std::wstring& value, uint64_t& number) {
  if (value.empty() || value.size() > kMaxNumberDigits) return false;
  uint64_t result = 0;
  for (wchar_t c : value) {
    if (c < L'0' || c > L'9') return false;
    const uint64_t digit = uint64_t(c - L'0');
    if (result > (UINT64_MAX - digit) / 10) return false;
    result = result * 10 + digit;
  }
  number = result;
  return true;
}

template <typename Field>
void takeNumberInRange(const std::wstring& value, uint64_t lowest, uint64_t highest, Field& field) {
  uint64_t number = 0;
  if (parseSettingsNumber(value, number) && number >= lowest && number <= highest) field = Field(number);
}

bool isAcceptedMemoryBudget(uint64_t bytes) {
  for (uint64_t accepted : {134217728ull, 268435456ull, 536870912ull, 1073741824ull, 2147483648ull}) {
    if (bytes == accepted) return true;
  }
  return false;
}

void applySetting(const std::wstring& key, const std::wstring& value, Settings& settings) {
  if (key == L"mode") {
    takeNumberInRange(value, 0, 2, settings.mode);
  } else if (key == L"threads") {
    takeNumberInRange(value, 0, 256, settings.threads);
  } else if (key == L"memoryBytes") {
    uint64_t bytes = 0;
    if (parseSettingsNumber(value, bytes) && isAcceptedMemoryBudget(bytes)) settings.memoryBytes = bytes;
  } else if (key == L"chunkBytes") {
    takeNumberInRange(value, kMinChunkSize, kMaxChunkSize, settings.chunkBytes);
  } else if (key == L"overwrite") {
    takeNumberInRange(value, 0, 2, settings.overwrite);
  } else if (key == L"previewPaneWidth") {
    takeNumberInRange(value, 280, 900, settings.previewPaneWidth);
  } else if (key == L"previewCacheMB") {
    takeNumberInRange(value, 0, 512, settings.previewCacheMB);
  } else if (key == L"verify") {
    parseSettingsBool(value, settings.verify);
  } else if (key == L"blockHashes") {
    parseSettingsBool(value, settings.blockHashes);
  } else if (key == L"restoreTimestamps") {
    parseSettingsBool(value, settings.restoreTimestamps);
  } else if (key == L"restoreAttributes") {
    parseSettingsBool(value, settings.restoreAttributes);
  } else if (key == L"formatFollowsLanguage") {
    parseSettingsBool(value, settings.formatFollowsLanguage);
  } else if (key == L"previewPane") {
    parseSettingsBool(value, settings.previewPane);
  } else if (key == L"language") {
    if (i18n::findLanguage(value)) settings.language = value;
  }
}

void appendLine(std::wstring& text, const wchar_t* key, const std::wstring& value) {
  text += key;
  text += L'=';
  text += value;
  text += L'\n';
}

}  // namespace

std::wstring settingsPath() { return programDataFilePath(L"settings.txt"); }

void parseSettingsBool(const std::wstring& value, bool& field) {
  if (value == L"1" || value == L"true") {
    field = true;
  } else if (value == L"0" || value == L"false") {
    field = false;
  }
}

SettingsSource applySettingsFile(const uint8_t* data, size_t size, Settings& settings) {
  Result<std::wstring> decoded = utf8ToUtf16(data, size);
  if (decoded.failed()) return SettingsSource::refused;
  const std::wstring& text = *decoded;

  const size_t start = (!text.empty() && text[0] == 0xFEFF) ? 1 : 0;
  bool headerSeen = false;
  for (const std::wstring& line : dataFileLines(text, start)) {
    if (line.empty() || line[0] == L'#') continue;
    if (!headerSeen) {
      if (line != kSettingsHeader) return SettingsSource::refused;
      headerSeen = true;
      continue;
    }
    const size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) continue;
    applySetting(line.substr(0, equals), line.substr(equals + 1), settings);
  }
  return SettingsSource::file;
}

std::wstring settingsFileText(const Settings& settings) {
  std::wstring text;
  text += kSettingsHeader;
  text += L"\n# Written by TOLZEB. Editing by hand is fine: a value this build\n";
  text += L"# does not accept falls back to the default for that key.\n";
  appendLine(text, L"mode", decimal(settings.mode));
  appendLine(text, L"verify", decimal(settings.verify));
  appendLine(text, L"blockHashes", decimal(settings.blockHashes));
  appendLine(text, L"threads", decimal(settings.threads));
  appendLine(text, L"memoryBytes", decimal(settings.memoryBytes));
  appendLine(text, L"chunkBytes", decimal(settings.chunkBytes));
  appendLine(text, L"overwrite", decimal(settings.overwrite));
  appendLine(text, L"restoreTimestamps", decimal(settings.restoreTimestamps));
  appendLine(text, L"restoreAttributes", decimal(settings.restoreAttributes));
  appendLine(text, L"previewPane", decimal(settings.previewPane));
  appendLine(text, L"previewPaneWidth", decimal(settings.previewPaneWidth));
  appendLine(text, L"previewCacheMB", decimal(settings.previewCacheMB));
  appendLine(text, L"formatFollowsLanguage", decimal(settings.formatFollowsLanguage));
  appendLine(text, L"language", settings.language);
  return text;
}

SettingsSource Settings::load() { return loadFrom(settingsPath()); }

bool Settings::save() const { return saveTo(settingsPath()); }

SettingsSource Settings::loadFrom(const std::wstring& path) {
  *this = Settings();
  std::vector<uint8_t> bytes;
  switch (readDataFile(path, kMaxSettingsFileBytes, bytes)) {
    case DataFileRead::absent:
      return SettingsSource::none;
    case DataFileRead::refused:
      return SettingsSource::refused;
    case DataFileRead::read:
      break;
  }
  Settings read;
  const SettingsSource source = applySettingsFile(bytes.data(), bytes.size(), read);
  // A file refused whole leaves every default, even for lines before the refusal.
  if (source == SettingsSource::file) *this = std::move(read);
  return source;
}

bool Settings::saveTo(const std::wstring& path) const {
  if (path.empty()) return false;
  const std::wstring text = settingsFileText(*this);
  // The writer's one buffer: a text that does not fit it is not written.
  if (text.size() >= kSettingsTextCapacity) return false;
  Result<std::vector<uint8_t>> bytes = utf16ToUtf8(text);
  if (bytes.failed()) return false;
  return replaceDataFile(path, *bytes);
}

CompressionOptions Settings::compressionOptions() const {
  CompressionOptions options;
  options.useDictionary = false;
  options.mode = CompressionMode(mode);
  options.threads = threads;
  options.memoryBudget = memoryBytes;
  options.chunkSize = chunkBytes;
  options.verifyAfterWrite = verify;
  options.storeOnly = false;
  options.password = nullptr;
  options.kdfIterations = kCompressionPbkdf2Iterations;
  options.includePaths = nullptr;
  options.chunkHashes = blockHashes;
  return options;
}

ExtractOptions Settings::extractOptions() const {
  ExtractOptions options;
  options.overwrite = OverwritePolicy(overwrite);
  options.password = nullptr;
  options.restoreTimes = restoreTimestamps;
  options.restoreAttributes = restoreAttributes;
  options.maxTotalBytes = 0;
  options.maxEntries = 0;
  options.threads = threads;
  options.memoryBudget = memoryBytes;
  return options;
}

std::wstring loadSettingsAtStart() {
  Settings settings;
  const SettingsSource source = settings.load();
  const std::wstring chosen = i18n::initialise(settings.language);
  i18n::setFormatsFollowLanguage(settings.formatFollowsLanguage);
  if (settings.language.empty() && source != SettingsSource::refused) {
    settings.language = chosen;
    // A failed save changes nothing for this run; the next start tries again.
    (void)settings.save();
  }
  return chosen;
}

}  // namespace tolzeb::ui
