// The few Windows Runtime interfaces the PDF preview calls, declared from their public
// documentation (the compiler's headers have none of them). Each is a table of function pointers
// in the documented method order after IInspectable's six, so that every slot used can be checked
// at compile time; identifiers are written as documented and parsed at compile time.
#pragma once

#include <objidl.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tolzeb::ui::winrt {

// Whether the runtime's PDF renderer can be made here. A thread outside COM gets "no" without the
// answer being kept; any other answer is kept for the life of the process.
bool pdfAvailable();
// Waits for an asynchronous operation or action of the runtime: S_OK once it completed, E_ABORT
// when it was cancelled or the preview went stale, its error code when it failed, and a timeout
// after 20 s. A stale preview or a timeout cancels the operation.
HRESULT waitAsync(IUnknown* operation, const std::function<bool()>& cancel);
// A stream over a copy of the bytes, or null.
IStream* createMemoryStream(const std::vector<uint8_t>& bytes);
// The rendered page read back from the start of the stream; false with a translated message.
bool readRenderedStream(IStream* stream, std::vector<uint8_t>& bytes, std::wstring& message);

using Hstring = struct HstringHandle*;

// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" as a GUID; a malformed text does not compile.
constexpr uint32_t hexDigit(char c) {
  return c >= '0' && c <= '9'   ? uint32_t(c - '0')
         : c >= 'A' && c <= 'F' ? uint32_t(c - 'A' + 10)
         : c >= 'a' && c <= 'f' ? uint32_t(c - 'a' + 10)
                                : throw "not a hexadecimal digit";
}
constexpr uint32_t hexField(const char* text, int at, int digits) {
  uint32_t value = 0;
  for (int i = 0; i < digits; ++i) value = value << 4 | hexDigit(text[at + i]);
  return value;
}
constexpr GUID guidFromText(const char (&text)[37]) {
  if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') throw "not a GUID";
  GUID guid{hexField(text, 0, 8), uint16_t(hexField(text, 9, 4)), uint16_t(hexField(text, 14, 4)), {}};
  guid.Data4[0] = uint8_t(hexField(text, 19, 2));
  guid.Data4[1] = uint8_t(hexField(text, 21, 2));
  for (int i = 0; i < 6; ++i) guid.Data4[2 + i] = uint8_t(hexField(text, 24 + 2 * i, 2));
  return guid;
}

inline constexpr GUID kIidAsyncInfo = guidFromText("00000036-0000-0000-C000-000000000046");
inline constexpr GUID kIidRandomAccessStream = guidFromText("905A0FE1-BC53-11DF-8C49-001E4FC686DA");
inline constexpr GUID kIidPdfDocumentStatics = guidFromText("433A0B5F-C007-4788-90F2-08143D922599");
inline constexpr GUID kIidPdfPageRenderOptions = guidFromText("3C98056F-B7CF-4C29-9A04-52D90267F425");

static_assert(kIidAsyncInfo.Data1 == 0x36 && kIidAsyncInfo.Data4[0] == 0xC0 && kIidAsyncInfo.Data4[7] == 0x46);
static_assert(kIidRandomAccessStream.Data2 == 0xBC53 && kIidRandomAccessStream.Data4[7] == 0xDA);

// The first six slots of every runtime interface: IUnknown's three, then IInspectable's three.
// Each interface's table starts with them, followed by its own methods.
template <typename Self>
struct InspectableSlots {
  HRESULT(STDMETHODCALLTYPE* QueryInterface)(Self*, REFIID, void**);
  ULONG(STDMETHODCALLTYPE* AddRef)(Self*);
  ULONG(STDMETHODCALLTYPE* Release)(Self*);
  HRESULT(STDMETHODCALLTYPE* GetIids)(Self*, ULONG*, IID**);
  HRESULT(STDMETHODCALLTYPE* GetRuntimeClassName)(Self*, Hstring*);
  HRESULT(STDMETHODCALLTYPE* GetTrustLevel)(Self*, int32_t*);
};
inline constexpr size_t kFirstOwnSlot = 6;

template <typename Slots>
struct Interface {
  const Slots* vtbl;
};

struct Inspectable;
struct Inspectable : Interface<InspectableSlots<Inspectable>> {};

// Windows.Storage.Streams.IRandomAccessStream: only handed from one call to another here.
struct RandomAccessStream;
struct RandomAccessStream : Interface<InspectableSlots<RandomAccessStream>> {};

// Windows.Foundation.IAsyncInfo.
struct AsyncInfo;
struct AsyncInfoSlots {
  InspectableSlots<AsyncInfo> inspectable;
  HRESULT(STDMETHODCALLTYPE* get_Id)(AsyncInfo*, UINT32*);
  HRESULT(STDMETHODCALLTYPE* get_Status)(AsyncInfo*, int32_t*);  // 0 started, 1 completed, 2 canceled, 3 error
  HRESULT(STDMETHODCALLTYPE* get_ErrorCode)(AsyncInfo*, HRESULT*);
  HRESULT(STDMETHODCALLTYPE* Cancel)(AsyncInfo*);
  HRESULT(STDMETHODCALLTYPE* Close)(AsyncInfo*);
};
struct AsyncInfo : Interface<AsyncInfoSlots> {};

// Windows.Foundation.IAsyncAction: its completion handler slots, then GetResults.
struct AsyncAction;
struct AsyncActionSlots {
  InspectableSlots<AsyncAction> inspectable;
  HRESULT(STDMETHODCALLTYPE* put_Completed)(AsyncAction*, IUnknown*);
  HRESULT(STDMETHODCALLTYPE* get_Completed)(AsyncAction*, IUnknown**);
  HRESULT(STDMETHODCALLTYPE* GetResults)(AsyncAction*);
};
struct AsyncAction : Interface<AsyncActionSlots> {};

struct PdfDocument;
struct PdfPage;
struct PdfPageRenderOptions;

// IAsyncOperation<Windows.Data.Pdf.PdfDocument>, as LoadFromStreamAsync hands it out.
struct LoadDocumentOperation;
struct LoadDocumentOperationSlots {
  InspectableSlots<LoadDocumentOperation> inspectable;
  HRESULT(STDMETHODCALLTYPE* put_Completed)(LoadDocumentOperation*, IUnknown*);
  HRESULT(STDMETHODCALLTYPE* get_Completed)(LoadDocumentOperation*, IUnknown**);
  HRESULT(STDMETHODCALLTYPE* GetResults)(LoadDocumentOperation*, PdfDocument**);
};
struct LoadDocumentOperation : Interface<LoadDocumentOperationSlots> {};

// Windows.Data.Pdf.IPdfDocumentStatics.
struct PdfDocumentStatics;
struct PdfDocumentStaticsSlots {
  InspectableSlots<PdfDocumentStatics> inspectable;
  HRESULT(STDMETHODCALLTYPE* LoadFromFileAsync)(PdfDocumentStatics*, IUnknown* file, LoadDocumentOperation**);
  HRESULT(STDMETHODCALLTYPE* LoadFromFileWithPasswordAsync)
  (PdfDocumentStatics*, IUnknown* file, Hstring, LoadDocumentOperation**);
  HRESULT(STDMETHODCALLTYPE* LoadFromStreamAsync)(PdfDocumentStatics*, RandomAccessStream*, LoadDocumentOperation**);
  HRESULT(STDMETHODCALLTYPE* LoadFromStreamWithPasswordAsync)
  (PdfDocumentStatics*, RandomAccessStream*, Hstring, LoadDocumentOperation**);
};
struct PdfDocumentStatics : Interface<PdfDocumentStaticsSlots> {};

// Windows.Data.Pdf.IPdfDocument.
struct PdfDocumentSlots {
  InspectableSlots<PdfDocument> inspectable;
  HRESULT(STDMETHODCALLTYPE* GetPage)(PdfDocument*, UINT32 index, PdfPage**);
  HRESULT(STDMETHODCALLTYPE* get_PageCount)(PdfDocument*, UINT32*);
  HRESULT(STDMETHODCALLTYPE* get_IsPasswordProtected)(PdfDocument*, uint8_t*);
};
struct PdfDocument : Interface<PdfDocumentSlots> {};

// Windows.Foundation.Size, in device-independent pixels.
struct PageSize {
  float width;
  float height;
};

// Windows.Data.Pdf.IPdfPage.
struct PdfPageSlots {
  InspectableSlots<PdfPage> inspectable;
  HRESULT(STDMETHODCALLTYPE* RenderToStreamAsync)(PdfPage*, RandomAccessStream*, AsyncAction**);
  HRESULT(STDMETHODCALLTYPE* RenderWithOptionsToStreamAsync)
  (PdfPage*, RandomAccessStream*, PdfPageRenderOptions*, AsyncAction**);
  HRESULT(STDMETHODCALLTYPE* PreparePageAsync)(PdfPage*, AsyncAction**);
  HRESULT(STDMETHODCALLTYPE* get_Index)(PdfPage*, UINT32*);
  HRESULT(STDMETHODCALLTYPE* get_Size)(PdfPage*, PageSize*);
  HRESULT(STDMETHODCALLTYPE* get_Dimensions)(PdfPage*, Inspectable**);
  HRESULT(STDMETHODCALLTYPE* get_Rotation)(PdfPage*, int32_t*);
  HRESULT(STDMETHODCALLTYPE* get_PreferredZoom)(PdfPage*, float*);
};
struct PdfPage : Interface<PdfPageSlots> {};

// Windows.Foundation.Rect and Windows.UI.Color, as the render options take them by value.
struct SourceRect {
  float x, y, width, height;
};
struct ArgbColour {
  uint8_t a, r, g, b;
};

// Windows.Data.Pdf.IPdfPageRenderOptions.
struct PdfPageRenderOptionsSlots {
  InspectableSlots<PdfPageRenderOptions> inspectable;
  HRESULT(STDMETHODCALLTYPE* get_SourceRect)(PdfPageRenderOptions*, SourceRect*);
  HRESULT(STDMETHODCALLTYPE* put_SourceRect)(PdfPageRenderOptions*, SourceRect);
  HRESULT(STDMETHODCALLTYPE* get_DestinationWidth)(PdfPageRenderOptions*, UINT32*);
  HRESULT(STDMETHODCALLTYPE* put_DestinationWidth)(PdfPageRenderOptions*, UINT32);
  HRESULT(STDMETHODCALLTYPE* get_DestinationHeight)(PdfPageRenderOptions*, UINT32*);
  HRESULT(STDMETHODCALLTYPE* put_DestinationHeight)(PdfPageRenderOptions*, UINT32);
  HRESULT(STDMETHODCALLTYPE* get_BackgroundColor)(PdfPageRenderOptions*, ArgbColour*);
  HRESULT(STDMETHODCALLTYPE* put_BackgroundColor)(PdfPageRenderOptions*, ArgbColour);
  HRESULT(STDMETHODCALLTYPE* get_IsIgnoringHighContrast)(PdfPageRenderOptions*, uint8_t*);
  HRESULT(STDMETHODCALLTYPE* put_IsIgnoringHighContrast)(PdfPageRenderOptions*, uint8_t);
  HRESULT(STDMETHODCALLTYPE* get_BitmapEncoderId)(PdfPageRenderOptions*, GUID*);
  HRESULT(STDMETHODCALLTYPE* put_BitmapEncoderId)(PdfPageRenderOptions*, GUID);
};
struct PdfPageRenderOptions : Interface<PdfPageRenderOptionsSlots> {};

// The slots called, at their documented places.
constexpr size_t slot(size_t offset) { return offset / sizeof(void*); }
static_assert(sizeof(InspectableSlots<Inspectable>) == kFirstOwnSlot * sizeof(void*));
static_assert(slot(offsetof(AsyncInfoSlots, get_Status)) == kFirstOwnSlot + 1);
static_assert(slot(offsetof(AsyncInfoSlots, get_ErrorCode)) == kFirstOwnSlot + 2);
static_assert(slot(offsetof(AsyncInfoSlots, Cancel)) == kFirstOwnSlot + 3);
static_assert(slot(offsetof(AsyncActionSlots, GetResults)) == kFirstOwnSlot + 2);
static_assert(slot(offsetof(LoadDocumentOperationSlots, GetResults)) == kFirstOwnSlot + 2);
static_assert(slot(offsetof(PdfDocumentStaticsSlots, LoadFromStreamAsync)) == kFirstOwnSlot + 2);
static_assert(slot(offsetof(PdfDocumentSlots, GetPage)) == kFirstOwnSlot + 0);
static_assert(slot(offsetof(PdfDocumentSlots, get_PageCount)) == kFirstOwnSlot + 1);
static_assert(slot(offsetof(PdfPageSlots, RenderToStreamAsync)) == kFirstOwnSlot + 0);
static_assert(slot(offsetof(PdfPageSlots, RenderWithOptionsToStreamAsync)) == kFirstOwnSlot + 1);
static_assert(slot(offsetof(PdfPageSlots, get_Size)) == kFirstOwnSlot + 4);
static_assert(slot(offsetof(PdfPageRenderOptionsSlots, put_DestinationWidth)) == kFirstOwnSlot + 3);
static_assert(slot(offsetof(PdfPageRenderOptionsSlots, put_DestinationHeight)) == kFirstOwnSlot + 5);
static_assert(sizeof(PageSize) == 8 && sizeof(SourceRect) == 16 && sizeof(ArgbColour) == 4);
static_assert(sizeof(PdfPage) == sizeof(void*) && offsetof(PdfPage, vtbl) == 0);

}  // namespace tolzeb::ui::winrt
