#include <windows.h>
#include <wincodec.h>

#include "ui/foundation/com_owner_win32.h"
#include "ui/foundation/localisation.h"
#include "ui/preview/image_decode.h"

namespace tolzeb::ui {
namespace {

bool fail(std::wstring& message, const char* key) {
  message = key ? i18n::translate(key) : std::wstring();
  return false;
}

}  // namespace

bool decodeImage(const uint8_t* bytes, size_t count, PreviewImage& image, std::wstring& message) {
  message.clear();
  ComOwner<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              factory.outVoid())))
    return fail(message, "previewerror.imaging_failed");
  ComOwner<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.out())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(count))))
    return fail(message, nullptr);
  ComOwner<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.out())))
    return fail(message, "previewerror.image_no_decoder");
  ComOwner<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.out()))) return fail(message, "previewerror.image_no_frame");
  UINT width = 0, height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0)
    return fail(message, "previewerror.image_no_size");
  image.sourceWidth = width;
  image.sourceHeight = height;
  uint32_t targetWidth = 0, targetHeight = 0;
  scaledPreviewSize(width, height, targetWidth, targetHeight);
  IWICBitmapSource* source = frame.get();
  ComOwner<IWICBitmapScaler> scaler;
  if (targetWidth != width || targetHeight != height) {
    image.scaled = true;
    if (FAILED(factory->CreateBitmapScaler(scaler.out())) ||
        FAILED(scaler->Initialize(frame.get(), targetWidth, targetHeight, WICBitmapInterpolationModeFant)))
      return fail(message, nullptr);
    source = scaler.get();
  }
  ComOwner<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.out()))) return fail(message, nullptr);
  if (FAILED(converter->Initialize(source, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeMedianCut)))
    return fail(message, "previewerror.image_not_convertible");
  image.width = targetWidth;
  image.height = targetHeight;
  image.stride = targetWidth * 4;
  uint64_t size = static_cast<uint64_t>(image.stride) * image.height;
  if (size == 0 || size > kPreviewLargestBuffer) return fail(message, "filetype.image_too_large");
  image.pixels.resize(static_cast<size_t>(size));
  if (FAILED(converter->CopyPixels(nullptr, image.stride, static_cast<UINT>(size), image.pixels.data()))) {
    image.pixels.clear();
    return fail(message, "filetype.image_truncated");
  }
  return true;
}

WorkerApartment::WorkerApartment() {
  HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_DISABLE_OLE1DDE);
  entered_ = hr == S_OK || hr == S_FALSE;
}

WorkerApartment::~WorkerApartment() {
  if (entered_) CoUninitialize();
}

}  // namespace tolzeb::ui
