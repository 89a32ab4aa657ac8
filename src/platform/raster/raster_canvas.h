// RasterCanvas: a page bitmap that draws the way Windows GDI draws on a
// bitmap, so that a JPEG page matches what a printer driver receives.
//
// The page is 8 bits per pixel, indexed: a palette of at most 256 colours
// holds the colours actually drawn (white first, the page's starting
// colour). A form page uses the 50 colour-table entries plus white, black,
// blue and red at most, so the indexed page is exact. Once the palette is
// full, a new colour takes the nearest entry.
//
// The page buffer is one array walked by index; it is reused by the next
// page of the same size or smaller, and a new one comes zeroed from calloc
// (no page of it touched before it is drawn on or read). Drawing allocates
// nothing per call except the arc scratch list, which grows once and is
// then reused.
//
// A fill that covers the whole page and leaves nothing of it showing (a
// solid, pattern or opaque hatch brush) hides everything drawn before: it
// is kept as the page's tile and painted only when something else is drawn
// or the page is read, so that fill after fill over the whole page costs
// nothing but the last.
//
// The GDI rules reproduced here are written down beside the code that
// implements them (raster_canvas.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/canvas.h"
#include "platform/raster/text_rasterizer.h"

namespace kestrel {

class RasterCanvas final : public Canvas {
 public:
  RasterCanvas() = default;
  RasterCanvas(int width, int height, int dpi, TextRasterizer* text = nullptr);

  // Makes the page width x height at dpi and all white; keeps the buffer
  // when it is large enough. The drawing state is reset to GDI's defaults.
  void Reset(int width, int height, int dpi);
  void SetTextRasterizer(TextRasterizer* text) { text_ = text; }

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  int PixelsPerInchX() const override { return dpi_; }
  int PixelsPerInchY() const override { return dpi_; }

  void Rectangle(DeviceRect r) override;
  void FillRect(DeviceRect r) override;
  void Arc(DeviceRect box, DevicePoint start, DevicePoint end) override;
  void SetPixel(DevicePoint p, Colour c) override;
  void BlitOr(DevicePoint at, const SmallBitmap& bitmap) override;
  void BlitAnd(DevicePoint at, const SmallBitmap& bitmap) override;
  void DrawText(DevicePoint p, std::string_view utf8) override;

  // Reading the page. Settle paints a whole-page fill still kept as a
  // tile; a reader on several threads calls it once before they start.
  void Settle() const {
    if (wholePageTile_) PaintPageTile();
  }
  Colour PixelAt(int x, int y) const {
    Settle();
    return palette_[index_[size_t(y) * size_t(width_) + size_t(x)]];
  }
  const uint8_t* Row(int y) const {
    Settle();
    return index_.get() + size_t(y) * size_t(width_);
  }
  const std::array<Colour, 256>& palette() const { return palette_; }
  int paletteSize() const { return paletteSize_; }

  // The palette index for a colour (added when new).
  uint8_t IndexOf(Colour c);

 protected:
  void DrawLine(DevicePoint from, DevicePoint to) override;

 private:
  class SpanPainter;

  // Paints [x0, x1) of row y (clipped) with index.
  void Span(int y, int x0, int x1, uint8_t index);
  void Put(int x, int y, uint8_t index) {
    Settle();
    if (unsigned(x) < unsigned(width_) && unsigned(y) < unsigned(height_))
      index_[size_t(y) * size_t(width_) + size_t(x)] = index;
  }
  // Fills [l, r) x [t, b) with the current brush.
  void FillWithBrush(int l, int t, int r, int b);
  // Fills from a tile: kept as the page's tile when it covers the page and
  // keeps nothing, else painted (PaintTileRows).
  void FillTileRows(int l, int t, int r, int b, const uint8_t* cells, const uint8_t* keep);
  void PaintTileRows(int l, int t, int r, int b, const uint8_t* cells, const uint8_t* keep);
  void PaintPageTile() const;
  // A one-pixel line; the dash position runs on from *dashPos.
  void CosmeticLine(DevicePoint from, DevicePoint to, int* dashPos);
  // A wide pen: round ends, the end point included.
  void WideLine(DevicePoint from, DevicePoint to, int width);
  // True when the pen draws its dash gaps and ink as a one-pixel pattern.
  bool Cosmetic() const;
  void Blit(DevicePoint at, const SmallBitmap& bitmap, bool orMode);

  int width_ = 0;
  int height_ = 0;
  int dpi_ = 96;
  struct FreeBuffer {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<uint8_t[], FreeBuffer> index_;  // the page, calloc'd
  size_t capacity_ = 0;
  // A whole-page fill not painted yet: the page is its tile (cell (x mod 8,
  // y mod 8) at pixel x, y). The pixels read are the same either way.
  mutable bool wholePageTile_ = false;
  std::array<uint8_t, 64> pageTile_{};
  std::array<Colour, 256> palette_{};
  int paletteSize_ = 0;
  int lastColourIndex_ = 0;
  // Colour to index, direct-mapped; a slot holds colour + 1 (0 = empty).
  std::array<uint32_t, 1024> cacheKey_{};
  std::array<uint8_t, 1024> cacheIndex_{};
  // Results of block transfers: (mode, page index, source colour) + 1 to
  // the resulting index; valid until Reset (indexes never change before).
  std::array<uint64_t, 256> blitKey_{};
  std::array<uint8_t, 256> blitIndex_{};
  TextRasterizer* text_ = nullptr;

  struct ArcPixel {
    float angle;
    int x, y;
  };
  std::vector<ArcPixel> arcScratch_;
};

}  // namespace kestrel
