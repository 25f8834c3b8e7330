#include "ui/preview/pdf_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "english_catalogue.h"
#include "ui/foundation/localisation.h"
#include "ui/preview/image_decode.h"

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

// A rendered page in memory; each look can be made to fail, and reads may come back shorter
// than asked.
struct FakeRenderedPage {
  std::vector<uint8_t> bytes;
  uint64_t declaredSize = 0;
  bool measures = true;
  bool rewinds = true;
  uint32_t mostPerRead = 0xFFFFFFFF;
  int failingRead = -1;  // index of the read that fails; -1: none
  size_t position = 0;
  int reads = 0;
  uint32_t largestAsk = 0;

  RenderedStream stream() {
    RenderedStream s;
    s.measure = [this](uint64_t& size) {
      size = declaredSize;
      return measures;
    };
    s.rewind = [this] {
      position = 0;
      return rewinds;
    };
    s.read = [this](uint8_t* into, uint32_t count, uint32_t& read) {
      largestAsk = std::max(largestAsk, count);
      if (reads++ == failingRead) return false;
      read = static_cast<uint32_t>(std::min<size_t>({count, mostPerRead, bytes.size() - position}));
      std::copy(bytes.begin() + position, bytes.begin() + position + read, into);
      position += read;
      return true;
    };
    return s;
  }
};

TEST_F(PdfPreviewTest, RenderedPageIsReadBackInPiecesOfAtMostOneMebibyte) {
  std::vector<uint8_t> page(0x280000);  // 2.5 MiB
  for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(i * 7);
  struct Case {
    const char* what;
    uint64_t declaredSize;
    bool measures;
    bool rewinds;
    uint32_t mostPerRead;
    int failingRead;
    const char* key;  // nullptr: read in full
  };
  const Case cases[] = {
      {"whole page", page.size(), true, true, 0xFFFFFFFF, -1, nullptr},
      {"short pieces are fine", page.size(), true, true, 1000, -1, nullptr},
      {"cannot be measured", page.size(), false, true, 0xFFFFFFFF, -1, "previewerror.pdf_measure_failed"},
      {"empty", 0, true, true, 0xFFFFFFFF, -1, "previewerror.pdf_bad_size"},
      {"above 128 MiB", kPdfPictureLimit + 1, true, true, 0xFFFFFFFF, -1, "previewerror.pdf_bad_size"},
      {"cannot be rewound", page.size(), true, false, 0xFFFFFFFF, -1, "previewerror.pdf_rewind_failed"},
      {"a read fails", page.size(), true, true, 0xFFFFFFFF, 1, "previewerror.pdf_short_read"},
      {"ends before its size", page.size() + 10, true, true, 0xFFFFFFFF, -1, "previewerror.pdf_short_read"},
  };
  for (const Case& c : cases) {
    FakeRenderedPage fake;
    fake.bytes = page;
    fake.declaredSize = c.declaredSize;
    fake.measures = c.measures;
    fake.rewinds = c.rewinds;
    fake.mostPerRead = c.mostPerRead;
    fake.failingRead = c.failingRead;
    std::vector<uint8_t> bytes = {1, 2, 3};
    std::wstring message;
    const bool read = readRenderedPage(fake.stream(), bytes, message);
    EXPECT_EQ(read, c.key == nullptr) << c.what;
    EXPECT_LE(fake.largestAsk, kPdfReadChunk) << c.what;
    if (c.key) {
      EXPECT_EQ(message, i18n::translate(c.key)) << c.what;
      EXPECT_TRUE(bytes.empty()) << c.what;
    } else {
      EXPECT_EQ(bytes, page) << c.what;
    }
  }
}

// On this platform's own renderer binding: where it is missing (as under Wine), a PDF entry says
// so with the fallback state and message.
TEST_F(PdfPreviewTest, PlatformRendererOrItsFallback) {
  const PdfRenderer renderer = platformPdfRenderer();
  WorkerApartment apartment;  // the preview worker's apartment, in which availability is asked
  if (renderer.available && renderer.available()) GTEST_SKIP() << "a PDF component is present";
  PreviewResult result;
  previewPdf({'%', 'P', 'D', 'F', '-'}, result, [] { return false; }, renderer, nullptr);
  EXPECT_EQ(result.state, PreviewState::unsupported);
  EXPECT_EQ(result.message, i18n::translate("filetype.no_pdf_component"));
}

}  // namespace
}  // namespace tolzeb::ui
