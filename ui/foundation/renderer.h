// The drawing surface of one window (Windows only): Direct2D for shapes and bitmaps, DirectWrite
// for text, all in DIPs at the window's DPI. It keeps the factories and the ten text formats for
// its whole life; the render target, its one brush and its bitmaps depend on the device and are
// dropped when the device is lost, then made again by the next attach.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include "ui/foundation/canvas.h"

struct ID2D1Bitmap;
struct ID2D1Factory;
struct ID2D1Geometry;
struct ID2D1HwndRenderTarget;
struct ID2D1RenderTarget;
struct ID2D1SolidColorBrush;
struct IDWriteFactory;
struct IDWriteTextFormat;
struct IWICBitmap;

namespace tolzeb::ui {

class Renderer : public Canvas {
 public:
  Renderer() = default;
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;
  ~Renderer() override;

  // The Direct2D and DirectWrite factories and the ten text formats ("Segoe UI Variable
  // Display", else "Segoe UI"). False when any of them cannot be made.
  bool createFactories();
  ID2D1Factory* factory() const { return factory_; }

  // A target for the window's client area (at least 1 x 1 pixel) and the brush; the device
  // resources made before are dropped first.
  bool attach(HWND window, float dpi);
  // The same for an offscreen 32-bit premultiplied BGRA WIC bitmap, which is kept referenced
  // so that attachToBitmap can be repeated after a device loss.
  bool attachToBitmap(IWICBitmap* bitmap, float dpi);
  // The client size in pixels, each side at least 1; nothing without a window target.
  void resize(unsigned width, unsigned height);
  void setDpi(float dpi);
  // The target's size in DIPs; 0, 0 without one.
  Size size() const;

  // False without a target; sets the identity transform.
  bool beginDraw();
  void clear(Color color);
  // False on failure; a lost device (D2DERR_RECREATE_TARGET) also drops the device resources.
  bool endDraw();
  // What endDraw does with the result of ending the frame.
  bool finishFrame(HRESULT result);

  void drawText(std::wstring_view text, TextStyle style, Rect layout, Color color,
                TextAlign align) override;
  Size measureText(std::wstring_view text, TextStyle style, float maxWidth) override;
  void fillRect(Rect rect, Color color) override;
  void fillRoundedRect(Rect rect, float radius, Color color) override;
  void drawRoundedRect(Rect rect, float radius, Color color, float strokeWidth) override;
  void drawLine(Point from, Point to, Color color, float width) override;
  void fillEllipse(Point centre, float radius, Color color) override;
  void fillGeometry(ID2D1Geometry* geometry, Color color);
  void strokeGeometry(ID2D1Geometry* geometry, Color color, float width);
  void pushClip(Rect rect) override;
  void popClip() override;
  void drawIcon(const IconSet& icons, Icon icon, Rect rect, Color color, float size) override;
  bool drawPixels(Rect destination, uint64_t key, const void* pixels, unsigned width,
                  unsigned height, unsigned stride) override;
  bool drawProgramIcon(Rect rect) override;

  // Icon resource 1 of the program as a bitmap, made once per device; after a failure it is not
  // tried again until the device resources are dropped.
  ID2D1Bitmap* programIconBitmap();
  // How often the program icon has been loaded from the resource (it is once per device).
  unsigned programIconLoads() const { return programIconLoads_; }

  // Drops brush, bitmaps and target; the factories and text formats stay.
  void discardDeviceResources();

 private:
  bool finishAttach();
  // Sets the brush's colour; false without a brush.
  bool useColor(Color color);

  ID2D1Factory* factory_ = nullptr;
  IDWriteFactory* writeFactory_ = nullptr;
  ID2D1RenderTarget* target_ = nullptr;
  ID2D1HwndRenderTarget* windowTarget_ = nullptr;  // target_ when it draws into a window
  ID2D1SolidColorBrush* brush_ = nullptr;
  ID2D1Bitmap* iconBitmap_ = nullptr;
  bool iconTried_ = false;
  unsigned programIconLoads_ = 0;
  ID2D1Bitmap* pixelBitmap_ = nullptr;
  uint64_t pixelKey_ = 0;
  std::array<IDWriteTextFormat*, kTextStyleCount> styles_{};
  HWND window_ = nullptr;
  IWICBitmap* offscreen_ = nullptr;
  float dpi_ = 96;
};

}  // namespace tolzeb::ui
