// The graphical program's user settings and settings.txt, the file that keeps them: a header line,
// comments, and one key=value line per setting. The reader is tolerant (a value it does not accept
// falls back to the default for that key); the writer replaces the whole file. UI thread only.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/types.h"

namespace tolzeb::ui {

inline constexpr uint64_t kMaxSettingsFileBytes = 65536;
inline constexpr const wchar_t* kSettingsHeader = L"TOLZEB-SETTINGS-1";

// What a load found at the settings path.
enum class SettingsSource : uint8_t {
  none,     // no path, no file or an empty file: the defaults
  file,     // the file was read (bad lines and values skipped)
  refused,  // a file is there but was refused whole (size, reading, UTF-8, header): the defaults
};

struct Settings {
  uint8_t mode = 1;  // CompressionMode: 0, 1, 2
  bool verify = true;
  bool blockHashes = true;
  uint32_t threads = 0;              // 0 = automatic; up to 256
  uint64_t memoryBytes = 536870912;  // 128 MiB, 256 MiB, 512 MiB, 1 GiB or 2 GiB
  uint32_t chunkBytes = 2097152;     // 256 KiB to 4 MiB
  uint8_t overwrite = 0;             // OverwritePolicy: 0, 1, 2
  bool restoreTimestamps = true;
  bool restoreAttributes = true;
  std::wstring language;  // a tag of the language table as written; empty = not chosen yet
  bool formatFollowsLanguage = false;
  bool previewPane = true;
  uint32_t previewPaneWidth = 380;  // 280 to 900
  uint32_t previewCacheMB = 96;     // 0 to 512

  bool operator==(const Settings&) const = default;

  // Every field to its default, then the file at settingsPath applied.
  SettingsSource load();
  // Writes the whole file; true when the new file is in place.
  bool save() const;
  // The same for a file of the caller's choosing.
  SettingsSource loadFrom(const std::wstring& path);
  bool saveTo(const std::wstring& path) const;

  // The engine's options for a task; the caller adds passwords, the page's own choices and the
  // include set.
  CompressionOptions compressionOptions() const;
  ExtractOptions extractOptions() const;
};

// <local application data>\TOLZEB\settings.txt; empty when that folder is not available.
std::wstring settingsPath();

// "1" or "true" set the field, "0" or "false" clear it (exact case); other text leaves it alone.
void parseSettingsBool(const std::wstring& value, bool& field);

// Applies a file's bytes to `settings` (which the caller has set to the defaults): refused whole
// when the bytes are not UTF-8 or the first line that is neither empty nor a comment is not the
// header; otherwise every accepted key=value line is taken, later lines winning.
SettingsSource applySettingsFile(const uint8_t* data, size_t size, Settings& settings);

// The text the writer produces: the header, two comment lines and the fourteen settings, each line
// ended by LF.
std::wstring settingsFileText(const Settings& settings);

// Start-up of the graphical program: loads the settings, initialises the localisation with the
// stored language, applies formatFollowsLanguage and returns the chosen tag. When no language is
// stored the chosen one is saved, unless a file is there that was refused whole: the user's file is
// never replaced by defaults behind their back.
std::wstring loadSettingsAtStart();

}  // namespace tolzeb::ui
