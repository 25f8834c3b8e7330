#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "english_catalogue.h"
#include "ui/foundation/com_owner_win32.h"
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
  ComOwner<IStream> stream(winrt::createMemoryStream(page));
  ASSERT_TRUE(stream);
  LARGE_INTEGER end{};
  ASSERT_HRESULT_SUCCEEDED(stream->Seek(end, STREAM_SEEK_END, nullptr));  // read-back rewinds first
  std::vector<uint8_t> bytes;
  std::wstring message;
  EXPECT_TRUE(winrt::readRenderedStream(stream.get(), bytes, message));
  EXPECT_EQ(bytes, page);

  ComOwner<IStream> empty(winrt::createMemoryStream({}));
  ASSERT_TRUE(empty);
  EXPECT_FALSE(winrt::readRenderedStream(empty.get(), bytes, message));
  EXPECT_EQ(message, i18n::translate("previewerror.pdf_bad_size"));
}

// An asynchronous step as the runtime hands it out: its status table walks through `statuses`,
// the last one repeating.
struct FakeAsyncStep : winrt::AsyncInfo {
  std::vector<int32_t> statuses;
  size_t looks = 0;
  HRESULT statusFailure = S_OK;
  HRESULT errorCode = S_OK;
  int cancels = 0;

  static FakeAsyncStep* self(winrt::AsyncInfo* info) { return static_cast<FakeAsyncStep*>(info); }
  static HRESULT STDMETHODCALLTYPE queryInterface(winrt::AsyncInfo* info, REFIID iid, void** out) {
    if (!IsEqualGUID(iid, winrt::kIidAsyncInfo) && !IsEqualGUID(iid, IID_IUnknown)) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = info;
    return S_OK;
  }
  static ULONG STDMETHODCALLTYPE addRef(winrt::AsyncInfo*) { return 2; }
  static ULONG STDMETHODCALLTYPE release(winrt::AsyncInfo*) { return 1; }
  static HRESULT STDMETHODCALLTYPE status(winrt::AsyncInfo* info, int32_t* out) {
    FakeAsyncStep& step = *self(info);
    if (FAILED(step.statusFailure)) return step.statusFailure;
    *out = step.statuses[std::min(step.looks++, step.statuses.size() - 1)];
    return S_OK;
  }
  static HRESULT STDMETHODCALLTYPE error(winrt::AsyncInfo* info, HRESULT* out) {
    *out = self(info)->errorCode;
    return S_OK;
  }
  static HRESULT STDMETHODCALLTYPE cancel(winrt::AsyncInfo* info) {
    ++self(info)->cancels;
    return S_OK;
  }
  static HRESULT STDMETHODCALLTYPE unused(winrt::AsyncInfo*) { return E_NOTIMPL; }

  winrt::AsyncInfoSlots slots{};
  FakeAsyncStep() {
    slots.inspectable.QueryInterface = queryInterface;
    slots.inspectable.AddRef = addRef;
    slots.inspectable.Release = release;
    slots.get_Status = status;
    slots.get_ErrorCode = error;
    slots.Cancel = cancel;
    slots.Close = unused;
    vtbl = &slots;
  }
};

TEST_F(PlatformPdfTest, WaitingForAnAsynchronousStep) {
  constexpr int32_t started = 0, completed = 1, canceled = 2, failed = 3;
  struct Case {
    const char* what;
    std::vector<int32_t> statuses;
    HRESULT statusFailure;
    HRESULT errorCode;
    bool stale;
    HRESULT answer;
    int cancels;
  };
  const Case cases[] = {
      {"completes after a few looks", {started, started, started, completed}, S_OK, S_OK, false, S_OK, 0},
      {"cancelled by the runtime", {started, canceled}, S_OK, S_OK, false, E_ABORT, 0},
      {"fails with its code", {started, failed}, S_OK, STG_E_READFAULT, false, STG_E_READFAULT, 0},
      {"fails without a failure code", {failed}, S_OK, S_OK, false, E_FAIL, 0},
      {"its status cannot be read", {completed}, E_ACCESSDENIED, S_OK, false, E_ACCESSDENIED, 0},
      {"the preview went stale", {started}, S_OK, S_OK, true, E_ABORT, 1},
  };
  for (const Case& c : cases) {
    FakeAsyncStep step;
    step.statuses = c.statuses;
    step.statusFailure = c.statusFailure;
    step.errorCode = c.errorCode;
    const HRESULT answer =
        winrt::waitAsync(reinterpret_cast<IUnknown*>(static_cast<winrt::AsyncInfo*>(&step)), [&c] { return c.stale; });
    EXPECT_EQ(answer, c.answer) << c.what;
    EXPECT_EQ(step.cancels, c.cancels) << c.what;
  }
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
