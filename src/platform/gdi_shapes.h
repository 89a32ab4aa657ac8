// How the pens and shapes of the Windows drawing interface meet the pixels,
// for the canvases that draw them without GDI (the raster page and the PDF
// page): which pen is the one-pixel pen, and where a rectangle's or an
// arc's ink lies in its box. The patterns those pens and brushes draw are
// in gdi_patterns.h.
#pragma once

#include <algorithm>

#include "platform/canvas.h"
#include "platform/gdi_patterns.h"

namespace kestrel {

// A pen of width 0 or 1 is the cosmetic pen: one pixel wide, drawn with its
// style's dash runs, and a line leaves its end point's own pixel out. A
// wider pen is a geometric pen: solid whatever its style, with round ends
// and joins, the area within half its width of the line.
constexpr bool IsCosmeticPen(const Pen& pen) { return pen.width <= 1; }

// Whether a pen draws dashes (and, opaque, gaps): a cosmetic pen of a
// dashed style.
constexpr bool DrawsDashes(const Pen& pen) { return IsCosmeticPen(pen) && DashRunsOf(pen.style).count > 0; }

// A shape's box with its corners put in order.
constexpr DeviceRect OrderedBox(DeviceRect r) {
  return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
          std::max(r.top, r.bottom)};
}

// The pixels a shape's one-pixel outline runs through, of an ordered box:
// the right and bottom edges left out, so the ink stays inside the box.
// A rectangle's outline runs through the corners (left, top) and (right,
// bottom) of it; an arc's ellipse through the centres of its outer pixels
// (box (350,90)-(450,190) inks x 350..449, y 90..189).
constexpr DeviceRect InkBox(DeviceRect box) { return {box.left, box.top, box.right - 1, box.bottom - 1}; }

// What a rectangle's brush fills, of an ordered box: the inside of the
// outline, [left+1, right-1) x [top+1, bottom-1); with a null pen
// [left, right-1) x [top, bottom-1). Empty when right <= left or bottom <= top.
constexpr DeviceRect RectangleFill(DeviceRect box, const Pen& pen) {
  const int inset = pen.style == PenStyle::Null ? 0 : 1;
  return {box.left + inset, box.top + inset, box.right - 1, box.bottom - 1};
}

}  // namespace kestrel
