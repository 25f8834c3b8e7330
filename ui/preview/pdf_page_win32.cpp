// The first page of a PDF through the Windows Runtime's PDF renderer. Nothing is linked: the
// runtime's functions are looked up in combase.dll and shcore.dll when first needed, so the
// program starts where they are missing and PDF entries merely say so.
#include <objidl.h>
#include <shlwapi.h>
#include <windows.h>

#include <atomic>
#include <cstddef>

#include "ui/foundation/com_owner_win32.h"
#include "ui/foundation/localisation.h"
#include "ui/foundation/system_function_win32.h"
#include "ui/preview/pdf_page.h"
#include "ui/preview/pdf_runtime_win32.h"

namespace tolzeb::ui::winrt {
namespace {

using RoGetActivationFactoryFn = HRESULT(WINAPI*)(Hstring, REFIID, void**);
using RoActivateInstanceFn = HRESULT(WINAPI*)(Hstring, Inspectable**);
using WindowsCreateStringFn = HRESULT(WINAPI*)(const wchar_t*, UINT32, Hstring*);
using WindowsDeleteStringFn = HRESULT(WINAPI*)(Hstring);
using RandomAccessOverStreamFn = HRESULT(WINAPI*)(IStream*, int32_t options, REFIID, void**);
using StreamOverRandomAccessFn = HRESULT(WINAPI*)(IUnknown*, REFIID, void**);

struct Functions {
  bool available = false;
  RoGetActivationFactoryFn getActivationFactory = nullptr;
  RoActivateInstanceFn activateInstance = nullptr;
  WindowsCreateStringFn createString = nullptr;
  WindowsDeleteStringFn deleteString = nullptr;
  RandomAccessOverStreamFn randomAccessOverStream = nullptr;
  StreamOverRandomAccessFn streamOverRandomAccess = nullptr;
};

constexpr int32_t kStreamOptionsDefault = 0;  // BSOS_DEFAULT
constexpr HRESULT kComNotInitialised = static_cast<HRESULT>(0x800401F0);
constexpr wchar_t kPdfDocumentClass[] = L"Windows.Data.Pdf.PdfDocument";
constexpr wchar_t kRenderOptionsClass[] = L"Windows.Data.Pdf.PdfPageRenderOptions";
constexpr wchar_t kMemoryStreamClass[] = L"Windows.Storage.Streams.InMemoryRandomAccessStream";

BOOL CALLBACK bindOnce(PINIT_ONCE, PVOID target, PVOID*) {
  Functions& f = *static_cast<Functions*>(target);
  // Never unloaded: the functions stay valid for the life of the process.
  HMODULE combase = systemLibrary(L"combase.dll");
  HMODULE shcore = systemLibrary(L"shcore.dll");
  if (combase && shcore) {
    f.getActivationFactory = systemFunction<RoGetActivationFactoryFn>(combase, "RoGetActivationFactory");
    f.activateInstance = systemFunction<RoActivateInstanceFn>(combase, "RoActivateInstance");
    f.createString = systemFunction<WindowsCreateStringFn>(combase, "WindowsCreateString");
    f.deleteString = systemFunction<WindowsDeleteStringFn>(combase, "WindowsDeleteString");
    f.randomAccessOverStream = systemFunction<RandomAccessOverStreamFn>(shcore, "CreateRandomAccessStreamOverStream");
    f.streamOverRandomAccess = systemFunction<StreamOverRandomAccessFn>(shcore, "CreateStreamOverRandomAccessStream");
    f.available = f.getActivationFactory && f.activateInstance && f.createString && f.deleteString &&
                  f.randomAccessOverStream && f.streamOverRandomAccess;
  }
  return TRUE;
}

const Functions& bindFunctions() {
  static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
  static Functions f;
  InitOnceExecuteOnce(&once, bindOnce, &f, nullptr);
  return f;
}

void releaseString(Hstring value) {
  if (value) bindFunctions().deleteString(value);
}

// Owns a runtime string made from a class name.
class OwnedString {
 public:
  explicit OwnedString(const wchar_t* text) {
    const Functions& f = bindFunctions();
    if (f.available && FAILED(f.createString(text, UINT32(wcslen(text)), &value_))) value_ = nullptr;
  }
  OwnedString(const OwnedString&) = delete;
  OwnedString& operator=(const OwnedString&) = delete;
  ~OwnedString() { releaseString(value_); }
  Hstring get() const { return value_; }

 private:
  Hstring value_ = nullptr;
};

enum class Availability : int { unknown = 0, no = 1, yes = 2 };
// Written once with the same answer by whichever thread asks first.
std::atomic<int> pdfAvailability{int(Availability::unknown)};

bool fail(std::wstring& message, const char* key) {
  message = i18n::translate(key);
  return false;
}

}  // namespace

bool pdfAvailable() {
  const int known = pdfAvailability.load();
  if (known != int(Availability::unknown)) return known == int(Availability::yes);
  if (!bindFunctions().available) {
    pdfAvailability.store(int(Availability::no));
    return false;
  }
  OwnedString name(kPdfDocumentClass);
  ComOwner<PdfDocumentStatics> statics;
  const HRESULT hr = name.get()
                         ? bindFunctions().getActivationFactory(name.get(), kIidPdfDocumentStatics, statics.outVoid())
                         : E_OUTOFMEMORY;
  // A thread outside COM learns nothing about the system: the next caller asks again.
  if (hr == kComNotInitialised) return false;
  const bool yes = SUCCEEDED(hr) && statics;
  pdfAvailability.store(int(yes ? Availability::yes : Availability::no));
  return yes;
}

HRESULT waitAsync(IUnknown* operation, const CancelCheck& cancel) {
  ComOwner<AsyncInfo> info;
  const HRESULT queried = operation->QueryInterface(kIidAsyncInfo, info.outVoid());
  if (FAILED(queried) || !info) return FAILED(queried) ? queried : E_NOINTERFACE;
  HRESULT statusFailure = S_OK;
  AsyncProbe probe;
  probe.status = [&] {
    int32_t status = 0;
    const HRESULT hr = info->vtbl->get_Status(info.get(), &status);
    if (FAILED(hr)) {
      statusFailure = hr;
      return AsyncStatus::error;
    }
    return static_cast<AsyncStatus>(status);
  };
  probe.errorCode = [&] {
    if (FAILED(statusFailure)) return int32_t(statusFailure);
    HRESULT code = S_OK;
    return SUCCEEDED(info->vtbl->get_ErrorCode(info.get(), &code)) ? int32_t(code) : int32_t(E_FAIL);
  };
  probe.cancel = [&] { info->vtbl->Cancel(info.get()); };
  probe.nowMs = [] { return uint64_t(GetTickCount64()); };
  probe.pause = [] { Sleep(1); };
  return waitForAsync(probe, cancel);
}

bool readRenderedStream(IStream* stream, std::vector<uint8_t>& bytes, std::wstring& message) {
  RenderedStream view;
  view.measure = [stream](uint64_t& size) {
    STATSTG stat{};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return false;
    size = stat.cbSize.QuadPart;
    return true;
  };
  view.rewind = [stream] {
    LARGE_INTEGER start{};
    return SUCCEEDED(stream->Seek(start, STREAM_SEEK_SET, nullptr));
  };
  view.read = [stream](uint8_t* into, uint32_t count, uint32_t& read) {
    ULONG got = 0;
    const HRESULT hr = stream->Read(into, count, &got);
    read = got;
    return SUCCEEDED(hr);
  };
  return readRenderedPage(view, bytes, message);
}

IStream* createMemoryStream(const std::vector<uint8_t>& bytes) {
  return SHCreateMemStream(bytes.data(), UINT(bytes.size()));
}

bool renderPdfFirstPage(const std::vector<uint8_t>& bytes, uint32_t longestSide, std::vector<uint8_t>& encoded,
                        PdfPageFacts& facts, std::wstring& message, const CancelCheck& cancel) {
  encoded.clear();
  facts = PdfPageFacts{};
  if (bytes.empty()) return fail(message, "previewerror.pdf_nothing_to_render");
  if (!pdfAvailable()) return fail(message, "previewerror.pdf_no_component");
  const Functions& f = bindFunctions();

  ComOwner<IStream> source(createMemoryStream(bytes));
  ComOwner<RandomAccessStream> input;
  if (!source ||
      FAILED(f.randomAccessOverStream(source.get(), kStreamOptionsDefault, kIidRandomAccessStream, input.outVoid())) ||
      !input)
    return fail(message, "previewerror.pdf_not_presented");

  OwnedString documentClass(kPdfDocumentClass);
  ComOwner<PdfDocumentStatics> statics;
  if (!documentClass.get() ||
      FAILED(f.getActivationFactory(documentClass.get(), kIidPdfDocumentStatics, statics.outVoid())) || !statics)
    return fail(message, "previewerror.pdf_component_failed");

  ComOwner<LoadDocumentOperation> opening;
  if (FAILED(statics->vtbl->LoadFromStreamAsync(statics.get(), input.get(), opening.out())) || !opening)
    return fail(message, "previewerror.pdf_open_failed");
  const HRESULT opened = waitAsync(reinterpret_cast<IUnknown*>(opening.get()), cancel);
  if (opened == E_ABORT) return fail(message, "previewerror.cancelled");
  if (FAILED(opened)) return fail(message, "previewerror.pdf_open_failed_detail");
  ComOwner<PdfDocument> document;
  if (FAILED(opening->vtbl->GetResults(opening.get(), document.out())) || !document)
    return fail(message, "previewerror.pdf_open_failed");

  UINT32 pageCount = 0;
  if (FAILED(document->vtbl->get_PageCount(document.get(), &pageCount)) || pageCount == 0)
    return fail(message, "previewerror.pdf_no_pages");
  facts.pageCount = pageCount;

  ComOwner<PdfPage> page;
  if (FAILED(document->vtbl->GetPage(document.get(), 0, page.out())) || !page)
    return fail(message, "previewerror.pdf_first_page_failed");
  PageSize size{};
  if (SUCCEEDED(page->vtbl->get_Size(page.get(), &size))) {
    // The renderer measures pages in device-independent pixels (1/96 in); points are 1/72 in.
    facts.pageWidth = size.width * 0.75f;
    facts.pageHeight = size.height * 0.75f;
  }

  ComOwner<PdfPageRenderOptions> options;
  {
    OwnedString optionsClass(kRenderOptionsClass);
    ComOwner<Inspectable> instance;
    if (optionsClass.get() && SUCCEEDED(f.activateInstance(optionsClass.get(), instance.out())) && instance) {
      reinterpret_cast<IUnknown*>(instance.get())->QueryInterface(kIidPdfPageRenderOptions, options.outVoid());
    }
  }
  if (options) {
    const PdfRenderTarget target = pdfRenderTarget(facts.pageWidth, facts.pageHeight, longestSide);
    if (target.setWidth) options->vtbl->put_DestinationWidth(options.get(), target.pixels);
    if (target.setHeight) options->vtbl->put_DestinationHeight(options.get(), target.pixels);
  }

  ComOwner<RandomAccessStream> output;
  {
    OwnedString streamClass(kMemoryStreamClass);
    ComOwner<Inspectable> instance;
    if (!streamClass.get() || FAILED(f.activateInstance(streamClass.get(), instance.out())) || !instance ||
        FAILED(reinterpret_cast<IUnknown*>(instance.get())->QueryInterface(kIidRandomAccessStream, output.outVoid())) ||
        !output)
      return fail(message, "previewerror.pdf_no_surface");
  }

  ComOwner<AsyncAction> rendering;
  const HRESULT started =
      options ? page->vtbl->RenderWithOptionsToStreamAsync(page.get(), output.get(), options.get(), rendering.out())
              : page->vtbl->RenderToStreamAsync(page.get(), output.get(), rendering.out());
  if (FAILED(started) || !rendering) return fail(message, "previewerror.pdf_page_failed");
  const HRESULT rendered = waitAsync(reinterpret_cast<IUnknown*>(rendering.get()), cancel);
  if (rendered == E_ABORT) return fail(message, "previewerror.cancelled");
  if (FAILED(rendered)) return fail(message, "previewerror.pdf_page_failed");

  ComOwner<IStream> readBack;
  if (FAILED(f.streamOverRandomAccess(reinterpret_cast<IUnknown*>(output.get()), IID_IStream, readBack.outVoid())) ||
      !readBack)
    return fail(message, "previewerror.pdf_readback_failed");
  return readRenderedStream(readBack.get(), encoded, message);
}

}  // namespace tolzeb::ui::winrt

namespace tolzeb::ui {

PdfRenderer platformPdfRenderer() {
  PdfRenderer renderer;
  renderer.available = [] { return winrt::pdfAvailable(); };
  renderer.render = winrt::renderPdfFirstPage;
  return renderer;
}

}  // namespace tolzeb::ui
