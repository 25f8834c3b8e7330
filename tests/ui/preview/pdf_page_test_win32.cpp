#include <gtest/gtest.h>

#include <vector>

#include "english_catalogue.h"
#include "ui/foundation/localisation.h"
#include "ui/preview/image_decode.h"
#include "ui/preview/pdf_page.h"
#include "ui/preview/pdf_runtime_win32.h"

namespace tolzeb::ui {
namespace {

using PlatformPdfTest = EnglishCatalogueTest;

TEST_F(PlatformPdfTest, RenderedPageIsReadBackFromAStream) {
  std::vector<uint8_t> page(0x280000);  // 2.5 MiB: three reads
  for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(i * 13);
  IStream* stream = winrt::createMemoryStream(page);
  ASSERT_NE(stream, nullptr);
  LARGE_INTEGER end{};
  ASSERT_HRESULT_SUCCEEDED(stream->Seek(end, STREAM_SEEK_END, nullptr));  // read-back rewinds first
  std::vector<uint8_t> bytes;
  std::wstring message;
  EXPECT_TRUE(winrt::readRenderedStream(stream, bytes, message));
  EXPECT_EQ(bytes, page);
  stream->Release();

  IStream* empty = winrt::createMemoryStream({});
  ASSERT_NE(empty, nullptr);
  EXPECT_FALSE(winrt::readRenderedStream(empty, bytes, message));
  EXPECT_EQ(message, i18n::translate("previewerror.pdf_bad_size"));
  empty->Release();
}

// Where the runtime has no PDF renderer (Wine has none), the real renderer says so, and a PDF
// entry ends with the fallback state and message without any attempt to render.
TEST_F(PlatformPdfTest, WithoutTheComponentAPdfEntrySaysSo) {
  WorkerApartment apartment;
  if (winrt::pdfAvailable()) GTEST_SKIP() << "a PDF component is present";
  const PdfRenderer renderer = platformPdfRenderer();
  ASSERT_TRUE(renderer.available && renderer.render);
  EXPECT_FALSE(renderer.available());
  PreviewResult result;
  previewPdf(
      {'%', 'P', 'D', 'F', '-', '1', '.', '4'}, result, [] { return false; }, renderer, decodeImage);
  EXPECT_EQ(result.state, PreviewState::unsupported);
  EXPECT_EQ(result.message, i18n::translate("filetype.no_pdf_component"));

  std::vector<uint8_t> encoded = {1};
  PdfPageFacts facts{3, 1, 1};
  std::wstring message;
  EXPECT_FALSE(renderer.render({'%', 'P', 'D', 'F'}, kPdfLongestSide, encoded, facts, message, [] { return false; }));
  EXPECT_EQ(message, i18n::translate("previewerror.pdf_no_component"));
  EXPECT_TRUE(encoded.empty());
  EXPECT_EQ(facts.pageCount, 0u);
}

}  // namespace
}  // namespace tolzeb::ui
