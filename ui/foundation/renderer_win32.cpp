#include <d2d1.h>
#include <dwrite.h>
#include <wincodec.h>

#include <algorithm>

#include "ui/foundation/com_owner_win32.h"
#include "ui/foundation/d2d_values_win32.h"
#include "ui/foundation/icon_set.h"
#include "ui/foundation/renderer.h"

namespace tolzeb::ui {
namespace {

constexpr float kLayoutHeight = 100000;
constexpr int kProgramIconResource = 1;
constexpr int kProgramIconPixels = 256;

template <typename T>
void releaseAndClear(T*& pointer) {
  if (pointer != nullptr) pointer->Release();
  pointer = nullptr;
}

D2D1_MATRIX_3X2_F multiply(const D2D1_MATRIX_3X2_F& a, const D2D1_MATRIX_3X2_F& b) {
  D2D1_MATRIX_3X2_F m;
  m._11 = a._11 * b._11 + a._12 * b._21;
  m._12 = a._11 * b._12 + a._12 * b._22;
  m._21 = a._21 * b._11 + a._22 * b._21;
  m._22 = a._21 * b._12 + a._22 * b._22;
  m._31 = a._31 * b._11 + a._32 * b._21 + b._31;
  m._32 = a._31 * b._12 + a._32 * b._22 + b._32;
  return m;
}

constexpr D2D1_MATRIX_3X2_F kIdentity = {1, 0, 0, 1, 0, 0};

// Corner radii above half a side are clamped the same way by every Direct2D.
D2D1_ROUNDED_RECT roundedRect(Rect r, float radius) {
  const float limit = std::max(0.0f, std::min(r.width(), r.height()) / 2);
  const float clamped = std::clamp(radius, 0.0f, limit);
  return {toD2D(r), clamped, clamped};
}

DWRITE_TEXT_ALIGNMENT toDWrite(TextAlign align) {
  switch (align) {
    case TextAlign::Centre:
      return DWRITE_TEXT_ALIGNMENT_CENTER;
    case TextAlign::Trailing:
      return DWRITE_TEXT_ALIGNMENT_TRAILING;
    default:
      return DWRITE_TEXT_ALIGNMENT_LEADING;
  }
}

IDWriteTextFormat* createFormat(IDWriteFactory* factory, const wchar_t* family,
                                TextStyleSpec spec) {
  IDWriteTextFormat* format = nullptr;
  const HRESULT hr = factory->CreateTextFormat(
      family, nullptr, static_cast<DWRITE_FONT_WEIGHT>(spec.weight), DWRITE_FONT_STYLE_NORMAL,
      DWRITE_FONT_STRETCH_NORMAL, spec.size, L"", &format);
  if (FAILED(hr)) return nullptr;
  format->SetParagraphAlignment(DWRITE_PARAGRAPH_ALIGNMENT_NEAR);
  format->SetWordWrapping(DWRITE_WORD_WRAPPING_WRAP);
  return format;
}

}  // namespace

Renderer::~Renderer() {
  discardDeviceResources();
  for (IDWriteTextFormat*& format : styles_) releaseAndClear(format);
  releaseAndClear(iconBitmap_);
  releaseAndClear(pixelBitmap_);
  releaseAndClear(brush_);
  windowTarget_ = nullptr;
  releaseAndClear(target_);
  releaseAndClear(offscreen_);
  releaseAndClear(writeFactory_);
  releaseAndClear(factory_);
}

bool Renderer::createFactories() {
  // Whatever a previous call made is kept, so calling again neither leaks nor rebuilds.
  D2D1_FACTORY_OPTIONS options{D2D1_DEBUG_LEVEL_NONE};
  if (factory_ == nullptr &&
      FAILED(D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory), &options,
                               reinterpret_cast<void**>(&factory_)))) {
    factory_ = nullptr;
    return false;
  }
  if (writeFactory_ == nullptr &&
      FAILED(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                                 reinterpret_cast<IUnknown**>(&writeFactory_)))) {
    writeFactory_ = nullptr;
    return false;
  }
  for (int i = 0; i < kTextStyleCount; ++i) {
    if (styles_[i] != nullptr) continue;
    const TextStyleSpec spec = textStyleSpec(static_cast<TextStyle>(i));
    styles_[i] = createFormat(writeFactory_, kPreferredFontFamily, spec);
    if (styles_[i] == nullptr) styles_[i] = createFormat(writeFactory_, kFallbackFontFamily, spec);
    if (styles_[i] == nullptr) return false;
  }
  return true;
}

bool Renderer::attach(HWND window, float dpi) {
  window_ = window;
  dpi_ = dpi;
  discardDeviceResources();
  if (factory_ == nullptr) return false;
  RECT client{};
  GetClientRect(window, &client);
  const D2D1_SIZE_U pixels{static_cast<UINT32>(std::max<LONG>(1, client.right - client.left)),
                           static_cast<UINT32>(std::max<LONG>(1, client.bottom - client.top))};
  D2D1_RENDER_TARGET_PROPERTIES properties{};
  properties.type = D2D1_RENDER_TARGET_TYPE_DEFAULT;
  properties.pixelFormat = {DXGI_FORMAT_UNKNOWN, D2D1_ALPHA_MODE_UNKNOWN};
  properties.dpiX = properties.dpiY = dpi;
  const D2D1_HWND_RENDER_TARGET_PROPERTIES windowProperties{window, pixels,
                                                            D2D1_PRESENT_OPTIONS_NONE};
  if (FAILED(factory_->CreateHwndRenderTarget(properties, windowProperties, &windowTarget_))) {
    windowTarget_ = nullptr;
    return false;
  }
  target_ = windowTarget_;
  return finishAttach();
}

bool Renderer::attachToBitmap(IWICBitmap* bitmap, float dpi) {
  if (bitmap != offscreen_) {
    if (bitmap != nullptr) bitmap->AddRef();
    releaseAndClear(offscreen_);
    offscreen_ = bitmap;
  }
  window_ = nullptr;
  dpi_ = dpi;
  discardDeviceResources();
  if (factory_ == nullptr || offscreen_ == nullptr) return false;
  D2D1_RENDER_TARGET_PROPERTIES properties{};
  properties.type = D2D1_RENDER_TARGET_TYPE_DEFAULT;
  properties.pixelFormat = {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED};
  properties.dpiX = properties.dpiY = dpi;
  if (FAILED(factory_->CreateWicBitmapRenderTarget(offscreen_, properties, &target_))) {
    target_ = nullptr;
    return false;
  }
  return finishAttach();
}

bool Renderer::finishAttach() {
  target_->SetTextAntialiasMode(D2D1_TEXT_ANTIALIAS_MODE_CLEARTYPE);
  if (FAILED(target_->CreateSolidColorBrush(D2D1_COLOR_F{0, 0, 0, 1}, &brush_))) {
    brush_ = nullptr;
    return false;
  }
  return true;
}

void Renderer::resize(unsigned width, unsigned height) {
  if (windowTarget_ == nullptr) return;
  windowTarget_->Resize(D2D1_SIZE_U{std::max(1u, width), std::max(1u, height)});
}

void Renderer::setDpi(float dpi) {
  dpi_ = dpi;
  if (target_ != nullptr) target_->SetDpi(dpi, dpi);
}

Size Renderer::size() const {
  if (target_ == nullptr) return {};
  const D2D1_SIZE_F size = target_->GetSize();
  return {size.width, size.height};
}

bool Renderer::beginDraw() {
  if (target_ == nullptr) return false;
  target_->BeginDraw();
  target_->SetTransform(kIdentity);
  return true;
}

void Renderer::clear(Color color) {
  if (target_ != nullptr) target_->Clear(toD2D(color));
}

bool Renderer::endDraw() {
  if (target_ == nullptr) return false;
  return finishFrame(target_->EndDraw());
}

bool Renderer::finishFrame(HRESULT result) {
  if (result == static_cast<HRESULT>(D2DERR_RECREATE_TARGET)) {
    discardDeviceResources();
    return false;
  }
  return SUCCEEDED(result);
}

bool Renderer::useColor(Color color) {
  if (brush_ == nullptr) return false;
  brush_->SetColor(toD2D(color));
  return true;
}

void Renderer::drawText(std::wstring_view text, TextStyle style, Rect layout, Color color,
                        TextAlign align) {
  if (text.empty() || !isTextStyle(style) || target_ == nullptr) return;
  IDWriteTextFormat* format = styles_[static_cast<int>(style)];
  if (format == nullptr || !useColor(color)) return;
  format->SetTextAlignment(toDWrite(align));
  target_->DrawText(text.data(), static_cast<UINT32>(text.size()), format, toD2D(layout), brush_,
                    D2D1_DRAW_TEXT_OPTIONS_NONE, DWRITE_MEASURING_MODE_NATURAL);
}

Size Renderer::measureText(std::wstring_view text, TextStyle style, float maxWidth) {
  if (text.empty() || !isTextStyle(style) || writeFactory_ == nullptr) return {};
  IDWriteTextFormat* format = styles_[static_cast<int>(style)];
  if (format == nullptr) return {};
  IDWriteTextLayout* layout = nullptr;
  if (FAILED(writeFactory_->CreateTextLayout(text.data(), static_cast<UINT32>(text.size()), format,
                                             maxWidth, kLayoutHeight, &layout))) {
    return {};
  }
  DWRITE_TEXT_METRICS metrics{};
  const HRESULT hr = layout->GetMetrics(&metrics);
  layout->Release();
  if (FAILED(hr)) return {};
  return {metrics.widthIncludingTrailingWhitespace, metrics.height};
}

void Renderer::fillRect(Rect rect, Color color) {
  if (target_ != nullptr && useColor(color)) target_->FillRectangle(toD2D(rect), brush_);
}

void Renderer::fillRoundedRect(Rect rect, float radius, Color color) {
  if (target_ != nullptr && useColor(color)) {
    target_->FillRoundedRectangle(roundedRect(rect, radius), brush_);
  }
}

void Renderer::drawRoundedRect(Rect rect, float radius, Color color, float strokeWidth) {
  if (target_ == nullptr || !useColor(color)) return;
  target_->DrawRoundedRectangle(roundedRect(rect.grown(-strokeWidth / 2), radius), brush_,
                                strokeWidth);
}

void Renderer::drawLine(Point from, Point to, Color color, float width) {
  if (target_ != nullptr && useColor(color)) {
    target_->DrawLine(toD2D(from), toD2D(to), brush_, width);
  }
}

void Renderer::fillEllipse(Point centre, float radius, Color color) {
  if (target_ != nullptr && useColor(color)) {
    target_->FillEllipse(D2D1_ELLIPSE{toD2D(centre), radius, radius}, brush_);
  }
}

void Renderer::fillGeometry(ID2D1Geometry* geometry, Color color) {
  if (geometry != nullptr && target_ != nullptr && useColor(color)) {
    target_->FillGeometry(geometry, brush_);
  }
}

void Renderer::strokeGeometry(ID2D1Geometry* geometry, Color color, float width) {
  if (geometry != nullptr && target_ != nullptr && useColor(color)) {
    target_->DrawGeometry(geometry, brush_, width);
  }
}

void Renderer::pushClip(Rect rect) {
  if (target_ != nullptr)
    target_->PushAxisAlignedClip(toD2D(rect), D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
}

void Renderer::popClip() {
  if (target_ != nullptr) target_->PopAxisAlignedClip();
}

void Renderer::drawIcon(const IconSet& icons, Icon icon, Rect rect, Color color, float size) {
  ID2D1PathGeometry* geometry = icons.geometry(icon);
  if (geometry == nullptr || target_ == nullptr) return;
  D2D1_MATRIX_3X2_F saved;
  target_->GetTransform(&saved);
  const float scale = size / kIconGridSize;
  const float x0 = (rect.left + rect.right) / 2 - 12 * scale;
  const float y0 = (rect.top + rect.bottom) / 2 - 12 * scale;
  const D2D1_MATRIX_3X2_F place{scale, 0, 0, scale, x0, y0};
  target_->SetTransform(multiply(place, saved));
  if (iconIsFilled(icon)) {
    fillGeometry(geometry, color);
  } else {
    strokeGeometry(geometry, color, iconStrokeWidth(icon));
  }
  target_->SetTransform(saved);
}

bool Renderer::drawPixels(Rect destination, uint64_t key, const void* pixels, unsigned width,
                          unsigned height, unsigned stride) {
  if (target_ == nullptr || pixels == nullptr || width == 0 || height == 0 || key == 0) {
    return false;
  }
  if (pixelBitmap_ == nullptr || key != pixelKey_) {
    releaseAndClear(pixelBitmap_);
    pixelKey_ = 0;
    D2D1_BITMAP_PROPERTIES properties{
        {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED}, 96, 96};
    if (FAILED(target_->CreateBitmap(D2D1_SIZE_U{width, height}, pixels, stride, properties,
                                     &pixelBitmap_))) {
      pixelBitmap_ = nullptr;
      return false;
    }
    pixelKey_ = key;
  }
  target_->DrawBitmap(pixelBitmap_, toD2D(destination), 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR,
                      nullptr);
  return true;
}

ID2D1Bitmap* Renderer::programIconBitmap() {
  if (iconBitmap_ != nullptr) return iconBitmap_;
  if (iconTried_ || target_ == nullptr) return nullptr;
  iconTried_ = true;
  ++programIconLoads_;
  HICON icon = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIconResource), IMAGE_ICON,
                 kProgramIconPixels, kProgramIconPixels, LR_DEFAULTCOLOR));
  if (icon == nullptr) return nullptr;
  ComOwner<IWICImagingFactory> wic;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, wic.outVoid()))) {
    DestroyIcon(icon);
    return nullptr;
  }
  ComOwner<IWICBitmap> bitmap;
  const HRESULT made = wic->CreateBitmapFromHICON(icon, bitmap.out());
  DestroyIcon(icon);
  ComOwner<IWICFormatConverter> converter;
  if (SUCCEEDED(made) && SUCCEEDED(wic->CreateFormatConverter(converter.out())) &&
      SUCCEEDED(converter->Initialize(bitmap.get(), GUID_WICPixelFormat32bppPBGRA,
                                      WICBitmapDitherTypeNone, nullptr, 0.0,
                                      WICBitmapPaletteTypeMedianCut))) {
    if (FAILED(target_->CreateBitmapFromWicBitmap(converter.get(), nullptr, &iconBitmap_))) {
      iconBitmap_ = nullptr;
    }
  }
  return iconBitmap_;
}

bool Renderer::drawProgramIcon(Rect rect) {
  ID2D1Bitmap* bitmap = programIconBitmap();
  if (bitmap == nullptr) return false;
  const float side = std::min(rect.width(), rect.height());
  const float left = rect.left + (rect.width() - side) / 2;
  const float top = rect.top + (rect.height() - side) / 2;
  // Wine's Direct2D ends the process when a bitmap is drawn wholly outside the target; nothing
  // there would show anyway.
  const D2D1_SIZE_F visible = target_->GetSize();
  if (left >= visible.width || top >= visible.height || left + side <= 0 || top + side <= 0) return true;
  target_->DrawBitmap(bitmap, D2D1_RECT_F{left, top, left + side, top + side}, 1.0f,
                      D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
  return true;
}

void Renderer::discardDeviceResources() {
  releaseAndClear(brush_);
  releaseAndClear(iconBitmap_);
  iconTried_ = false;
  releaseAndClear(pixelBitmap_);
  pixelKey_ = 0;
  windowTarget_ = nullptr;
  releaseAndClear(target_);
}

}  // namespace tolzeb::ui
