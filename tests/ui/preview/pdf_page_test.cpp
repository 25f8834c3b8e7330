#include "ui/preview/pdf_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "english_catalogue.h"
#include "ui/foundation/localisation.h"

namespace tolzeb::ui {
namespace {

TEST(PdfPageTest, RenderTargetFixesTheLongerSide) {
  struct Case {
    const char* what;
    float width;
    float height;
    uint32_t longest;
    PdfRenderTarget target;
  };
  const Case cases[] = {
      {"landscape", 842, 595, 2560, {true, false, 2560}},
      {"portrait", 595, 842, 2560, {false, true, 2560}},
      {"square counts as landscape", 600, 600, 2560, {true, false, 2560}},
      {"no size known", 0, 842, 2560, {false, false, 0}},
      {"no longest side", 595, 842, 0, {false, false, 0}},
  };
  for (const Case& c : cases) {
    const PdfRenderTarget target = pdfRenderTarget(c.width, c.height, c.longest);
    EXPECT_EQ(target.setWidth, c.target.setWidth) << c.what;
    EXPECT_EQ(target.setHeight, c.target.setHeight) << c.what;
    EXPECT_EQ(target.pixels, c.target.pixels) << c.what;
  }
}

// A step that reports `finalStatus` after `looksBeforeEnd` looks, on a clock that advances 1 ms a look.
struct FakeStep {
  AsyncStatus finalStatus = AsyncStatus::completed;
  int looksBeforeEnd = 0;
  int32_t errorCode = 0;
  int looks = 0;
  uint64_t clock = 0;
  bool cancelled = false;

  AsyncProbe probe() {
    AsyncProbe p;
    p.status = [this] { return looks++ < looksBeforeEnd ? AsyncStatus::started : finalStatus; };
    p.errorCode = [this] { return errorCode; };
    p.cancel = [this] { cancelled = true; };
    p.nowMs = [this] { return clock; };
    p.pause = [this] { ++clock; };
    return p;
  }
};

TEST(PdfPageTest, WaitForAsyncEndings) {
  struct Case {
    const char* what;
    AsyncStatus finalStatus;
    int looksBeforeEnd;
    int32_t errorCode;
    int cancelAfterLooks;  // -1: never
    int32_t answer;
    bool cancels;
  };
  const Case cases[] = {
      {"completes after a while", AsyncStatus::completed, 50, 0, -1, 0, false},
      {"cancelled by the renderer", AsyncStatus::canceled, 0, 0, -1, kAsyncAborted, false},
      {"fails with its code", AsyncStatus::error, 3, static_cast<int32_t>(0x80070005), -1,
       static_cast<int32_t>(0x80070005), false},
      {"fails without a failure code", AsyncStatus::error, 0, 0, -1, kAsyncFailed, false},
      {"the preview went stale", AsyncStatus::completed, 1000, 0, 10, kAsyncAborted, true},
      {"the renderer hangs", AsyncStatus::completed, 1000000, 0, -1, kAsyncTimedOut, true},
  };
  for (const Case& c : cases) {
    FakeStep step;
    step.finalStatus = c.finalStatus;
    step.looksBeforeEnd = c.looksBeforeEnd;
    step.errorCode = c.errorCode;
    const CancelCheck cancel = [&] { return c.cancelAfterLooks >= 0 && step.looks > c.cancelAfterLooks; };
    EXPECT_EQ(waitForAsync(step.probe(), cancel), c.answer) << c.what;
    EXPECT_EQ(step.cancelled, c.cancels) << c.what;
    if (c.answer == kAsyncTimedOut) {
      EXPECT_GT(step.clock, kPdfWaitLimitMs) << c.what;
      EXPECT_LE(step.clock, kPdfWaitLimitMs + 2) << c.what;
    }
  }
}

class PdfPreviewTest : public EnglishCatalogueTest {};

TEST_F(PdfPreviewTest, OutcomeStatesAndMessages) {
  struct Case {
    const char* what;
    bool truncated;
    bool available;
    bool renders;
    bool decodes;
    std::wstring decoderMessage;
    PreviewState state;
    std::wstring message;
  };
  const Case cases[] = {
      {"partial read", true, true, true, true, L"", PreviewState::tooLarge, i18n::translate("filetype.pdf_truncated")},
      {"no component", false, false, true, true, L"", PreviewState::unsupported,
       i18n::translate("filetype.no_pdf_component")},
      {"render fails", false, true, false, true, L"", PreviewState::failed,
       i18n::translate("previewerror.pdf_open_failed_detail")},
      {"decoder fails with a message", false, true, true, false, L"bad picture", PreviewState::failed, L"bad picture"},
      {"decoder fails silently", false, true, true, false, L"", PreviewState::failed,
       i18n::translate("filetype.page_not_shown")},
      {"shown", false, true, true, true, L"", PreviewState::ready, L""},
  };
  for (const Case& c : cases) {
    int renders = 0;
    PdfRenderer renderer;
    renderer.available = [&c] { return c.available; };
    renderer.render = [&](const std::vector<uint8_t>&, uint32_t longest, std::vector<uint8_t>& encoded,
                          PdfPageFacts& facts, std::wstring& message, const CancelCheck&) {
      ++renders;
      EXPECT_EQ(longest, kPdfLongestSide);
      if (!c.renders) {
        message = i18n::translate("previewerror.pdf_open_failed_detail");
        return false;
      }
      encoded = {0x89, 'P', 'N', 'G'};
      facts = {3, 595.5f, 842.25f};
      return true;
    };
    const ImageDecoder decode = [&c](const uint8_t*, size_t count, PreviewImage& image, std::wstring& message) {
      EXPECT_EQ(count, 4u);
      message = c.decoderMessage;
      if (!c.decodes) return false;
      image.width = image.height = 1;
      image.stride = 4;
      image.pixels.assign(4, 0xFF);
      return true;
    };
    PreviewResult result;
    result.truncated = c.truncated;
    previewPdf({'%', 'P', 'D', 'F'}, result, [] { return false; }, renderer, decode);
    EXPECT_EQ(result.state, c.state) << c.what;
    EXPECT_EQ(result.message, c.message) << c.what;
    EXPECT_EQ(renders, c.truncated || !c.available ? 0 : 1) << c.what;
    if (c.renders && renders) {
      EXPECT_EQ(result.pageCount, 3u) << c.what;
      EXPECT_EQ(result.pageWidth, 595.5f) << c.what;
      EXPECT_EQ(result.pageHeight, 842.25f) << c.what;
    }
  }
}

// On this platform's own renderer binding: where it is missing (as under Wine), a PDF entry says
// so with the fallback state and message.
TEST_F(PdfPreviewTest, PlatformRendererOrItsFallback) {
  const PdfRenderer renderer = platformPdfRenderer();
  if (renderer.available && renderer.available()) GTEST_SKIP() << "a PDF component is present";
  PreviewResult result;
  previewPdf({'%', 'P', 'D', 'F', '-'}, result, [] { return false; }, renderer, nullptr);
  EXPECT_EQ(result.state, PreviewState::unsupported);
  EXPECT_EQ(result.message, i18n::translate("filetype.no_pdf_component"));
}

}  // namespace
}  // namespace tolzeb::ui
