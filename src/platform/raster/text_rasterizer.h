// The seam between the raster page and the font machinery: a rasterizer
// turns one text run in a logical font into horizontal runs of ink pixels
// in device coordinates; the raster page paints them in the text colour.
#pragma once

#include <string_view>

#include "platform/canvas.h"

namespace kestrel {

class SpanSink {
 public:
  virtual ~SpanSink() = default;
  // Ink on row y from x0 up to (not including) x1.
  virtual void Span(int y, int x0, int x1) = 0;
};

class TextRasterizer {
 public:
  virtual ~TextRasterizer() = default;
  // Renders utf8 in font (monochrome, GDI logical-font rules: a positive
  // height is the cell height, a negative one the em height), the top-left
  // corner of the first cell at cellTopLeft, rotated by the escapement.
  virtual void Rasterize(const FontSpec& font, std::string_view utf8, DevicePoint cellTopLeft, SpanSink& sink) = 0;
};

}  // namespace kestrel
