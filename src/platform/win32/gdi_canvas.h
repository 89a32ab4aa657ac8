// GdiCanvas: the canvas on a Windows device context. Every call is the GDI
// call of the same name (pens, solid, hatch and pattern brushes, Rectangle,
// MoveTo/LineTo, Arc, SetPixel, BitBlt OR/AND, logical fonts with
// escapement, TextOut), so that a page drawn on Windows is GDI's own: on a
// printer's DC for printed pages, on a DIB section for JPEG pages.
#pragma once

#include "platform/win32/windows_api.h"

#include <string>

#include "platform/canvas.h"

namespace kestrel {

class GdiCanvas final : public Canvas {
 public:
  GdiCanvas() = default;
  GdiCanvas(const GdiCanvas&) = delete;
  GdiCanvas& operator=(const GdiCanvas&) = delete;
  ~GdiCanvas() override;

  // Draws on dc from now on (nullptr: nowhere); the page is width x height
  // device pixels at the given resolution. The drawing state is reset.
  void Attach(HDC dc, int width, int height, int dpiX, int dpiY);
  // The device context dropped its selected objects (a new printer page):
  // they are selected again before the next drawing call.
  void Reselect() {
    selectedValid_ = false;
    fontSelected_ = false;
  }
  HDC dc() const { return dc_; }

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  int PixelsPerInchX() const override { return dpiX_; }
  int PixelsPerInchY() const override { return dpiY_; }

  void Rectangle(DeviceRect r) override;
  void FillRect(DeviceRect r) override;
  void Arc(DeviceRect box, DevicePoint start, DevicePoint end) override;
  void SetPixel(DevicePoint p, Colour c) override;
  void BlitOr(DevicePoint at, const SmallBitmap& bitmap) override;
  void BlitAnd(DevicePoint at, const SmallBitmap& bitmap) override;
  void DrawText(DevicePoint p, std::string_view utf8) override;

 protected:
  void DrawLine(DevicePoint from, DevicePoint to) override;

 private:
  // Makes the DC's pen, brush, colours and background mode those of state().
  void SelectState();
  void SelectFont();
  void Blit(DevicePoint at, const SmallBitmap& bitmap, DWORD rop);
  void ReleaseObjects();

  HDC dc_ = nullptr;
  int width_ = 0, height_ = 0, dpiX_ = 96, dpiY_ = 96;

  // GDI objects made for the current pen, brush and font, kept until the
  // state changes (a page repeats a few of each thousands of times).
  HPEN pen_ = nullptr;
  Pen penValue_{};
  HBRUSH brush_ = nullptr;
  Brush brushValue_{};
  HFONT font_ = nullptr;
  FontSpec fontValue_{};
  bool selectedValid_ = false;
  bool fontSelected_ = false;
  HGDIOBJ originalPen_ = nullptr, originalBrush_ = nullptr, originalFont_ = nullptr;

  // The source of block transfers, grown to the largest tile seen.
  HDC tileDc_ = nullptr;
  HBITMAP tileBitmap_ = nullptr;
  HGDIOBJ tileOriginal_ = nullptr;
  uint32_t* tileBits_ = nullptr;
  int tileWidth_ = 0, tileHeight_ = 0;

  std::wstring text_;  // the run being drawn, reused
};

}  // namespace kestrel
