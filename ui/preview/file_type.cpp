#include "ui/preview/file_type.h"

#include <cstring>

#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

bool hasAt(const uint8_t* bytes, size_t count, size_t offset, const char* text, size_t length) {
  return count >= offset + length && std::memcmp(bytes + offset, text, length) == 0;
}

struct Signature {
  const char* bytes;
  size_t length;
  size_t minimum;
  PreviewKind kind;
  const char* key;
  const wchar_t* format;  // null for keys without a placeholder
};

// Tested in this order; the "ftyp" families and RIFF pairs are handled in sniffFileType.
constexpr Signature kLeading[] = {
    {"\xFF\xD8\xFF", 3, 3, PreviewKind::image, "filetype.image", L"JPEG"},
    {"\x89PNG\r\n\x1A\n", 8, 8, PreviewKind::image, "filetype.image", L"PNG"},
    {"GIF8", 4, 4, PreviewKind::image, "filetype.image", L"GIF"},
    {"BM", 2, 2, PreviewKind::image, "filetype.image", L"BMP"},
};

constexpr Signature kTrailing[] = {
    {"%PDF-", 5, 5, PreviewKind::pdf, "filetype.document", L"PDF"},
    {"fLaC", 4, 4, PreviewKind::media, "filetype.audio", L"FLAC"},
    {"ID3", 3, 3, PreviewKind::media, "filetype.audio", L"MP3"},
    {"\x1A\x45\xDF\xA3", 4, 4, PreviewKind::media, "filetype.matroska_or_webm", nullptr},
    {"OggS", 4, 4, PreviewKind::media, "filetype.media", L"Ogg"},
};

constexpr Signature kLast[] = {
    {"MZ", 2, 2, PreviewKind::other, "filetype.windows_program", nullptr},
    {"PK\x03\x04", 4, 4, PreviewKind::other, "filetype.archive", L"ZIP"},
    {"7z\xBC\xAF", 4, 4, PreviewKind::other, "filetype.archive", L"7z"},
    {"\x1F\x8B", 2, 2, PreviewKind::other, "filetype.stream", L"gzip"},
};

std::wstring labelFor(const char* key, const wchar_t* format) {
  return format ? typeLabelText(key, format) : i18n::translate(key);
}

bool matchList(const Signature* first, const Signature* last, const uint8_t* bytes, size_t count, PreviewKind& kind,
               std::wstring& label) {
  for (const Signature* s = first; s != last; ++s) {
    if (count >= s->minimum && hasAt(bytes, count, 0, s->bytes, s->length)) {
      kind = s->kind;
      label = labelFor(s->key, s->format);
      return true;
    }
  }
  return false;
}

struct Extension {
  const wchar_t* extension;
  PreviewKind kind;
  const wchar_t* format;  // null for keys without a placeholder
  const char* key;
};

constexpr PreviewKind T = PreviewKind::text;
constexpr PreviewKind I = PreviewKind::image;
constexpr PreviewKind M = PreviewKind::media;

constexpr Extension kExtensions[] = {
    {L"txt", T, L"Text", "filetype.plain"},         {L"log", T, nullptr, "filetype.log"},
    {L"json", T, L"JSON", "filetype.plain"},        {L"xml", T, L"XML", "filetype.plain"},
    {L"csv", T, L"CSV", "filetype.plain"},          {L"ini", T, L"INI", "filetype.plain"},
    {L"md", T, L"Markdown", "filetype.plain"},      {L"yml", T, L"YAML", "filetype.plain"},
    {L"yaml", T, L"YAML", "filetype.plain"},        {L"cfg", T, nullptr, "filetype.configuration"},
    {L"conf", T, nullptr, "filetype.configuration"}, {L"c", T, L"C", "filetype.source"},
    {L"h", T, L"C", "filetype.header"},             {L"cpp", T, L"C++", "filetype.source"},
    {L"hpp", T, L"C++", "filetype.header"},         {L"cc", T, L"C++", "filetype.source"},
    {L"cs", T, L"C#", "filetype.source"},           {L"py", T, L"Python", "filetype.source"},
    {L"js", T, L"JavaScript", "filetype.source"},   {L"ts", T, L"TypeScript", "filetype.source"},
    {L"html", T, L"HTML", "filetype.plain"},        {L"htm", T, L"HTML", "filetype.plain"},
    {L"css", T, L"CSS", "filetype.plain"},          {L"sql", T, L"SQL", "filetype.plain"},
    {L"sh", T, L"Shell", "filetype.script"},        {L"bat", T, L"Batch", "filetype.script"},
    {L"ps1", T, L"PowerShell", "filetype.script"},  {L"rs", T, L"Rust", "filetype.source"},
    {L"go", T, L"Go", "filetype.source"},           {L"java", T, L"Java", "filetype.source"},
    {L"php", T, L"PHP", "filetype.source"},         {L"toml", T, L"TOML", "filetype.plain"},
    {L"srt", T, nullptr, "filetype.subtitles"},     {L"tif", I, L"TIFF", "filetype.image"},
    {L"tiff", I, L"TIFF", "filetype.image"},        {L"ico", I, nullptr, "filetype.icon"},
    {L"jxr", I, L"JPEG XR", "filetype.image"},      {L"dds", I, L"DDS", "filetype.image"},
    {L"avif", I, L"AVIF", "filetype.image"},        {L"mp4", M, L"MP4", "filetype.video"},
    {L"mov", M, L"QuickTime", "filetype.video"},    {L"mkv", M, L"Matroska", "filetype.video"},
    {L"webm", M, L"WebM", "filetype.video"},        {L"avi", M, L"AVI", "filetype.video"},
    {L"mp3", M, L"MP3", "filetype.audio"},          {L"wav", M, L"WAV", "filetype.audio"},
    {L"flac", M, L"FLAC", "filetype.audio"},        {L"m4a", M, L"AAC", "filetype.audio"},
    {L"aac", M, L"AAC", "filetype.audio"},          {L"ogg", M, L"Ogg", "filetype.audio"},
    {L"pdf", PreviewKind::pdf, L"PDF", "filetype.document"},
};
static_assert(sizeof(kExtensions) / sizeof(kExtensions[0]) == 51);

}  // namespace

std::wstring typeLabelText(const char* key, const wchar_t* format) {
  return i18n::translateWithArgs(key, {i18n::Arg("format", std::wstring(format))});
}

PreviewKind sniffFileType(const uint8_t* bytes, size_t count, std::wstring& label) {
  if (count > 64) count = 64;
  PreviewKind kind = PreviewKind::unknown;
  if (matchList(std::begin(kLeading), std::end(kLeading), bytes, count, kind, label)) return kind;
  if (count >= 12 && hasAt(bytes, count, 0, "RIFF", 4)) {
    if (hasAt(bytes, count, 8, "WEBP", 4)) {
      label = typeLabelText("filetype.image", L"WebP");
      return PreviewKind::image;
    }
    if (hasAt(bytes, count, 8, "WAVE", 4)) {
      label = typeLabelText("filetype.audio", L"WAV");
      return PreviewKind::media;
    }
  }
  if (matchList(std::begin(kTrailing), std::end(kTrailing), bytes, count, kind, label)) return kind;
  if (count >= 12 && hasAt(bytes, count, 4, "ftyp", 4)) {
    for (const char* brand : {"heic", "heix", "mif1", "heif"}) {
      if (hasAt(bytes, count, 8, brand, 4)) {
        label = typeLabelText("filetype.image", L"HEIF");
        return PreviewKind::image;
      }
    }
    label = typeLabelText("filetype.video", hasAt(bytes, count, 8, "qt  ", 4) ? L"QuickTime" : L"MP4");
    return PreviewKind::media;
  }
  if (matchList(std::begin(kLast), std::end(kLast), bytes, count, kind, label)) return kind;
  return PreviewKind::unknown;
}

std::wstring lowerCaseExtension(const std::wstring& entryName) {
  size_t dot = entryName.rfind(L'.');
  if (dot == std::wstring::npos) return {};
  size_t slash = entryName.rfind(L'/');
  if (slash != std::wstring::npos && slash > dot) return {};
  std::wstring extension = entryName.substr(dot + 1);
  for (wchar_t& c : extension) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return extension;
}

PreviewKind classifyFile(const std::wstring& entryName, const uint8_t* bytes, size_t count, std::wstring& label) {
  PreviewKind kind = sniffFileType(bytes, count, label);
  if (kind != PreviewKind::unknown) return kind;
  std::wstring extension = lowerCaseExtension(entryName);
  for (const Extension& row : kExtensions) {
    if (extension == row.extension) {
      label = labelFor(row.key, row.format);
      return row.kind;
    }
  }
  label = extension.empty() ? i18n::translate("filetype.file") : typeLabelText("filetype.generic", extension.c_str());
  return PreviewKind::unknown;
}

}  // namespace tolzeb::ui
