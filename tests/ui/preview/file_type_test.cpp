#include "ui/preview/file_type.h"

#include <string>

#include "english_catalogue.h"

namespace tolzeb::ui {
namespace {

struct Case {
  const char* name;
  std::string bytes;
  const wchar_t* entryName;
  PreviewKind kind;
  const wchar_t* label;
};

std::string ftyp(const char* brand) { return std::string("\0\0\0\x18" "ftyp", 8) + brand; }

class FileTypeTest : public EnglishCatalogueTest {};

TEST_F(FileTypeTest, ClassifiesByLeadingBytesThenByExtension) {
  const Case cases[] = {
      {"jpeg", "\xFF\xD8\xFF\xE0", L"a.bin", PreviewKind::image, L"JPEG image"},
      {"png named .txt", "\x89PNG\r\n\x1A\n....", L"photo.txt", PreviewKind::image, L"PNG image"},
      {"png one byte short", "\x89PNG\r\n\x1A", L"x.png", PreviewKind::unknown, L"png file"},
      {"gif", "GIF89a", L"x", PreviewKind::image, L"GIF image"},
      {"two bytes BM are a bitmap", "BM", L"notes.txt", PreviewKind::image, L"BMP image"},
      {"webp", std::string("RIFF\x10\0\0\0WEBPVP8 ", 16), L"x", PreviewKind::image, L"WebP image"},
      {"wave", std::string("RIFF\x10\0\0\0WAVEfmt ", 16), L"x", PreviewKind::media, L"WAV audio"},
      {"riff of 11 bytes", std::string("RIFF\x10\0\0\0WEB", 11), L"x", PreviewKind::unknown, L"File"},
      {"pdf", "%PDF-1.7", L"x", PreviewKind::pdf, L"PDF document"},
      {"flac", "fLaC", L"x", PreviewKind::media, L"FLAC audio"},
      {"id3", "ID3\x04", L"x", PreviewKind::media, L"MP3 audio"},
      {"matroska", "\x1A\x45\xDF\xA3", L"x", PreviewKind::media, L"Matroska or WebM video"},
      {"ogg", "OggS", L"x", PreviewKind::media, L"Ogg media"},
      {"heif", ftyp("mif1"), L"x", PreviewKind::image, L"HEIF image"},
      {"quicktime", ftyp("qt  "), L"x", PreviewKind::media, L"QuickTime video"},
      {"m4a brand is mp4", ftyp("M4A "), L"x.m4a", PreviewKind::media, L"MP4 video"},
      {"two bytes MZ", "MZ", L"x.txt", PreviewKind::other, L"Windows program"},
      {"zip named .txt", "PK\x03\x04", L"a.txt", PreviewKind::other, L"ZIP archive"},
      {"7z four bytes", "7z\xBC\xAF", L"x", PreviewKind::other, L"7z archive"},
      {"gzip", "\x1F\x8B\x08", L"archive.tar.gz", PreviewKind::other, L"gzip stream"},
      {"empty, extension decides", "", L"notes.TXT", PreviewKind::text, L"Text"},
      {"one byte", "B", L"a.log", PreviewKind::text, L"Log"},
      {"configuration", "a=1", L"x.conf", PreviewKind::text, L"Configuration"},
      {"header", "int", L"x.hpp", PreviewKind::text, L"C++ header"},
      {"script", "echo", L"run.ps1", PreviewKind::text, L"PowerShell script"},
      {"icon", "", L"x.ico", PreviewKind::image, L"Icon"},
      {"video extension", "", L"x.mkv", PreviewKind::media, L"Matroska video"},
      {"pdf extension", "", L"x.pdf", PreviewKind::pdf, L"PDF document"},
      {"text named .png", "hello", L"photo.png", PreviewKind::unknown, L"png file"},
      {"zip name, no signature", "hello", L"a.zip", PreviewKind::unknown, L"zip file"},
      {"no extension", "hello", L"README", PreviewKind::unknown, L"File"},
      {"dot in folder only", "hello", L"v1.2/README", PreviewKind::unknown, L"File"},
  };
  for (const Case& c : cases) {
    std::wstring label;
    PreviewKind kind = classifyFile(c.entryName, reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(),
                                    label);
    EXPECT_EQ(kind, c.kind) << c.name;
    EXPECT_EQ(label, c.label) << c.name;
  }
}

TEST_F(FileTypeTest, ExtensionIsAfterTheLastDotOfTheLastPart) {
  EXPECT_EQ(lowerCaseExtension(L"dir/Photo.JPG"), L"jpg");
  EXPECT_EQ(lowerCaseExtension(L"dir/.profile"), L"profile");
  EXPECT_EQ(lowerCaseExtension(L"name."), L"");
  EXPECT_EQ(lowerCaseExtension(L"a.b/c"), L"");
  EXPECT_EQ(lowerCaseExtension(L"x.\u00C4Z"), L"\u00C4z");  // only ASCII letters are lowered
}

}  // namespace
}  // namespace tolzeb::ui
