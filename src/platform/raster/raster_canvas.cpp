#include "platform/raster/raster_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/gdi_shapes.h"

namespace kestrel {

namespace {

constexpr double kTwoPi = 6.283185307179586;

int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
  int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

// GDI's octant numbering of a line direction (1..8, counterclockwise from
// +x with y pointing down the page).
int Octant(int64_t dx, int64_t dy) {
  if (dy > 0) {
    if (dx > 0) return dx > dy ? 1 : 2;
    return -dx > dy ? 4 : 3;
  }
  if (dx < 0) return -dx > -dy ? 5 : 6;
  return dx > -dy ? 8 : 7;
}

// Angle of a direction, counterclockwise as seen on the page, in [0, 2pi).
double PageAngle(double dx, double dy) {
  double a = std::atan2(-dy, dx);
  return a < 0 ? a + kTwoPi : a;
}

// (a - b) mod 2pi in [0, 2pi).
double AngleFrom(double a, double b) {
  double d = a - b;
  if (d < 0) d += kTwoPi;
  if (d >= kTwoPi) d -= kTwoPi;
  return d;
}

}  // namespace

class RasterCanvas::SpanPainter final : public SpanSink {
 public:
  SpanPainter(RasterCanvas& c, uint8_t index) : canvas_(c), index_(index) {}
  void Span(int y, int x0, int x1) override { canvas_.Span(y, x0, x1, index_); }

 private:
  RasterCanvas& canvas_;
  uint8_t index_;
};

RasterCanvas::RasterCanvas(int width, int height, int dpi, TextRasterizer* text) : text_(text) {
  Reset(width, height, dpi);
}

void RasterCanvas::Reset(int width, int height, int dpi) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  dpi_ = dpi;
  size_t n = size_t(width_) * size_t(height_);
  if (capacity_ < n) {
    // A new buffer comes zeroed from the system, its pages untouched until
    // drawn on or read.
    index_.reset();
    index_.reset(static_cast<uint8_t*>(std::calloc(std::max<size_t>(n, 1), 1)));
    if (index_ == nullptr) throw std::bad_alloc();
    capacity_ = n;
  } else {
    std::memset(index_.get(), 0, n);
  }
  wholePageTile_ = false;
  palette_.fill(kWhite);
  paletteSize_ = 1;  // index 0: white, the paper
  lastColourIndex_ = 0;
  cacheKey_.fill(0);
  blitKey_.fill(0);
  ResetState();
}

uint8_t RasterCanvas::IndexOf(Colour c) {
  c.value &= 0xFFFFFF;
  if (palette_[size_t(lastColourIndex_)] == c) return uint8_t(lastColourIndex_);
  const size_t slot = (c.value * 2654435761u) >> 22;
  if (cacheKey_[slot] == c.value + 1) return cacheIndex_[slot];
  int found = -1;
  for (int i = 0; i < paletteSize_ && found < 0; ++i)
    if (palette_[size_t(i)] == c) found = i;
  if (found < 0 && paletteSize_ < 256) {
    palette_[size_t(paletteSize_)] = c;
    found = paletteSize_++;
  }
  if (found >= 0) {
    lastColourIndex_ = found;
    cacheKey_[slot] = c.value + 1;
    cacheIndex_[slot] = uint8_t(found);
    return uint8_t(found);
  }
  // A full palette: the nearest colour.
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < paletteSize_; ++i) {
    Colour p = palette_[size_t(i)];
    long dr = long(p.r()) - c.r(), dg = long(p.g()) - c.g(), db = long(p.b()) - c.b();
    long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return uint8_t(best);
}

void RasterCanvas::PaintPageTile() const {
  wholePageTile_ = false;
  // The page buffer is the canvas's own; what a reader sees does not change.
  const_cast<RasterCanvas*>(this)->PaintTileRows(0, 0, width_, height_, pageTile_.data(), nullptr);
}

void RasterCanvas::Span(int y, int x0, int x1, uint8_t index) {
  Settle();  // here and in Put: every drawing call paints a kept tile first
  if (unsigned(y) >= unsigned(height_)) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, width_);
  if (x0 >= x1) return;
  std::memset(index_.get() + size_t(y) * size_t(width_) + size_t(x0), index, size_t(x1 - x0));
}

// Brush fills cover [l, r) x [t, b): GDI leaves the right and bottom edges
// of a filled rectangle out. Hatch and pattern brushes are anchored at the
// device origin (brush origin 0,0): pixel (x, y) takes cell (x mod 8, y mod 8).
void RasterCanvas::FillWithBrush(int l, int t, int r, int b) {
  l = std::max(l, 0);
  t = std::max(t, 0);
  r = std::min(r, width_);
  b = std::min(b, height_);
  if (l >= r || t >= b) return;
  const Brush& brush = state().brush;
  // The colours are taken (and the palette grows) as when the fill is painted.
  const bool wholePage = l == 0 && t == 0 && r == width_ && b == height_;
  switch (brush.kind) {
    case BrushKind::Clear: return;
    case BrushKind::Solid: {
      uint8_t idx = IndexOf(brush.colour);
      if (wholePage) {
        pageTile_.fill(idx);
        wholePageTile_ = true;
        return;
      }
      Settle();
      for (int y = t; y < b; ++y) std::memset(index_.get() + size_t(y) * size_t(width_) + size_t(l), idx, size_t(r - l));
      return;
    }
    case BrushKind::Hatch: {
      // Hatch gaps take the background colour in OPAQUE mode and keep what
      // lies under them in TRANSPARENT mode.
      const uint8_t ink = IndexOf(brush.colour);
      const bool opaque = !state().transparentBackground;
      const uint8_t gap = opaque ? IndexOf(state().backgroundColour) : 0;
      uint8_t cells[64], keep[64];
      for (int i = 0; i < 64; ++i) {
        const bool on = HatchInk(brush.hatch, i % 8, i / 8);
        cells[i] = on ? ink : gap;
        keep[i] = on || opaque ? 0x00 : 0xFF;
      }
      FillTileRows(l, t, r, b, cells, opaque ? nullptr : keep);
      return;
    }
    case BrushKind::Pattern: {
      uint8_t cells[64];
      for (int i = 0; i < 64; ++i) cells[i] = IndexOf(brush.pattern.cells[size_t(i)]);
      FillTileRows(l, t, r, b, cells, nullptr);
      return;
    }
  }
}

// [l, r) x [t, b), on the page, from an 8x8 tile anchored at the device
// origin: each row is written eight pixels at a time, the tile row turned
// to start at column l. keep (optional) marks the cells that leave the page
// as it is. A tile without keep over the whole page is kept as the page's
// tile (Settle paints it).
void RasterCanvas::FillTileRows(int l, int t, int r, int b, const uint8_t* cells, const uint8_t* keep) {
  if (keep == nullptr && l == 0 && t == 0 && r == width_ && b == height_) {
    std::memcpy(pageTile_.data(), cells, 64);
    wholePageTile_ = true;
    return;
  }
  Settle();
  PaintTileRows(l, t, r, b, cells, keep);
}

void RasterCanvas::PaintTileRows(int l, int t, int r, int b, const uint8_t* cells, const uint8_t* keep) {
  for (int y = t; y < b; ++y) {
    const int ty = (y & 7) * 8;
    uint8_t word[8], mask[8];
    for (int k = 0; k < 8; ++k) {
      word[k] = cells[ty + ((l + k) & 7)];
      mask[k] = keep != nullptr ? keep[ty + ((l + k) & 7)] : 0;
    }
    uint64_t w, m;
    std::memcpy(&w, word, 8);
    std::memcpy(&m, mask, 8);
    uint8_t* row = index_.get() + size_t(y) * size_t(width_);
    int x = l;
    if (m == 0) {
      for (; x + 8 <= r; x += 8) std::memcpy(row + x, &w, 8);
    } else {
      for (; x + 8 <= r; x += 8) {
        uint64_t old;
        std::memcpy(&old, row + x, 8);
        old = (old & m) | (w & ~m);
        std::memcpy(row + x, &old, 8);
      }
    }
    for (int k = 0; x < r; ++x, ++k)
      if (mask[k] == 0) row[x] = word[k];
  }
}

void RasterCanvas::FillRect(DeviceRect r) { FillWithBrush(r.left, r.top, r.right, r.bottom); }

bool RasterCanvas::Cosmetic() const { return IsCosmeticPen(state().pen); }

// Rectangle (gdi_shapes.h): the brush fills the inside of the outline, then
// the pen draws the outline through the box's ink corners.
void RasterCanvas::Rectangle(DeviceRect rc) {
  const DeviceRect box = OrderedBox(rc);
  if (box.width() < 1 || box.height() < 1) return;
  const DeviceRect fill = RectangleFill(box, state().pen);
  FillWithBrush(fill.left, fill.top, fill.right, fill.bottom);
  if (state().pen.style == PenStyle::Null) return;
  const DeviceRect o = InkBox(box);
  const DevicePoint path[5] = {
      {o.left, o.top}, {o.right, o.top}, {o.right, o.bottom}, {o.left, o.bottom}, {o.left, o.top}};
  int dashPos = 0;  // the pattern runs on around the outline
  for (int i = 0; i < 4; ++i) {
    if (Cosmetic()) CosmeticLine(path[i], path[i + 1], &dashPos);
    else WideLine(path[i], path[i + 1], state().pen.width);
  }
  if (Cosmetic() && box.width() == 1 && box.height() == 1) Put(o.left, o.top, IndexOf(state().pen.colour));
}

void RasterCanvas::DrawLine(DevicePoint from, DevicePoint to) {
  if (state().pen.style == PenStyle::Null) return;
  if (Cosmetic()) {
    int dashPos = 0;
    CosmeticLine(from, to, &dashPos);
  } else {
    WideLine(from, to, state().pen.width);
  }
}

// One-pixel lines reproduce GDI's rasterisation on a bitmap: Bresenham
// along the major axis, the end point's own pixel not drawn, and the
// tie-break of GDI: in octants 3, 5, 6 and 8 a minor step is taken when the
// error term reaches 0, in the others only when it is above 0. So a line
// and its reverse can differ by their tie pixels, as they do in GDI.
//
// Pixel k of the line lies at major + k and minor + c(k), where
// c(k) = max(0, ceil((2km - n + bias) / 2n)) (n major length, m minor
// length); the loop starts at the first pixel on the page, so a line that
// reaches far off the page costs only its visible part.
void RasterCanvas::CosmeticLine(DevicePoint from, DevicePoint to, int* dashPos) {
  const int64_t dx = int64_t(to.x) - from.x, dy = int64_t(to.y) - from.y;
  const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  const int octant = Octant(dx, dy);
  const int64_t bias = (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;
  const bool xMajor = octant == 1 || octant == 4 || octant == 5 || octant == 8;
  const int xInc = (octant == 1 || octant == 2 || octant == 7 || octant == 8) ? 1 : -1;
  const int yInc = octant <= 4 ? 1 : -1;
  const int64_t n = xMajor ? adx : ady, m = xMajor ? ady : adx;
  const int startDash = *dashPos;
  *dashPos += int(n % kDashPeriod);
  if (n == 0) return;
  Settle();

  const int64_t major0 = xMajor ? from.x : from.y, minor0 = xMajor ? from.y : from.x;
  const int64_t majorInc = xMajor ? xInc : yInc, minorInc = xMajor ? yInc : xInc;
  const int64_t majorSize = xMajor ? width_ : height_, minorSize = xMajor ? height_ : width_;
  if (majorSize == 0 || minorSize == 0) return;

  // Steps whose major coordinate is on the page.
  int64_t kLo = 0, kHi = n - 1;
  if (majorInc > 0) {
    kLo = std::max(kLo, -major0);
    kHi = std::min(kHi, majorSize - 1 - major0);
  } else {
    kLo = std::max(kLo, major0 - (majorSize - 1));
    kHi = std::min(kHi, major0);
  }
  // Steps whose minor coordinate is on the page: c(k) in [cLo, cHi].
  int64_t cLo = minorInc > 0 ? -minor0 : minor0 - (minorSize - 1);
  int64_t cHi = minorInc > 0 ? minorSize - 1 - minor0 : minor0;
  if (cHi < 0) return;
  if (m == 0) {
    if (cLo > 0) return;
  } else {
    // c(k) >= C  <=>  2km - n + bias > 2n(C - 1); c(k) <= C  <=>  2km - n + bias <= 2nC.
    if (cLo > 0) kLo = std::max(kLo, FloorDiv(2 * n * (cLo - 1) + n - bias, 2 * m) + 1);
    kHi = std::min(kHi, FloorDiv(2 * n * cHi + n - bias, 2 * m));
  }
  if (kLo > kHi) return;

  const Pen& pen = state().pen;
  const uint32_t mask = DashMaskOf(pen.style);
  const bool styled = pen.style != PenStyle::Solid;
  const uint8_t ink = IndexOf(pen.colour);
  const bool gaps = styled && !state().transparentBackground;
  const uint8_t gap = gaps ? IndexOf(state().backgroundColour) : 0;

  if (m == 0 && !styled) {
    // A solid rule across or down: one run of pixels.
    const int64_t from = major0 + majorInc * kLo, to = major0 + majorInc * kHi;
    const int64_t lo = std::min(from, to), count = std::max(from, to) - lo + 1;
    if (xMajor) {
      std::memset(index_.get() + size_t(minor0) * size_t(width_) + size_t(lo), ink, size_t(count));
    } else {
      uint8_t* at = index_.get() + size_t(lo) * size_t(width_) + size_t(minor0);
      for (int64_t i = 0; i < count; ++i, at += width_) *at = ink;
    }
    return;
  }
  int64_t c = std::max<int64_t>(0, CeilDiv(2 * kLo * m - n + bias, 2 * n));
  int64_t err = 2 * (kLo + 1) * m - n - 2 * n * c;
  int dash = int((startDash + kLo) % kDashPeriod);
  for (int64_t k = kLo; k <= kHi; ++k) {
    int64_t major = major0 + majorInc * k, minor = minor0 + minorInc * c;
    int x = int(xMajor ? major : minor), y = int(xMajor ? minor : major);
    bool on = !styled || ((mask >> dash) & 1);
    if (on) Put(x, y, ink);
    else if (gaps) Put(x, y, gap);
    if (++dash == kDashPeriod) dash = 0;
    if (err + bias > 0) {
      ++c;
      err += 2 * m - 2 * n;
    } else {
      err += 2 * m;
    }
  }
}

// Wide pens (wider than one pixel) draw solid whatever their style, with
// round ends: GDI draws a geometric pen's line as the area within half the
// width of the segment, so a width-4 line from (20,100) to (220,100)
// covers x 18..221 and y 98..101, the end point included. A pixel is inked
// when its centre lies closer than width/2 to the segment, the segment
// running through pixel centres for odd widths and through pixel corners
// (half a pixel up and left) for even widths. Joins of consecutive lines
// are round because every segment brings its own round ends.
void RasterCanvas::WideLine(DevicePoint from, DevicePoint to, int width) {
  const double r = width / 2.0;
  const double shift = (width % 2 == 0) ? -0.5 : 0.0;  // pixel (px,py) has its centre at (px,py)
  const double ax = from.x + shift, ay = from.y + shift, bx = to.x + shift, by = to.y + shift;
  const double len = std::hypot(bx - ax, by - ay);
  const double ux = len > 0 ? (bx - ax) / len : 0, uy = len > 0 ? (by - ay) / len : 0;
  const uint8_t ink = IndexOf(state().pen.colour);
  Settle();

  int yTop = int(std::floor(std::min(ay, by) - r)), yBottom = int(std::ceil(std::max(ay, by) + r));
  yTop = std::max(yTop, 0);
  yBottom = std::min(yBottom, height_ - 1);
  // A vertical segment's rows between its end points are one span each,
  // the same for every row.
  const bool vertical = ax == bx && len > 0;
  const double yMin = std::min(ay, by), yMax = std::max(ay, by);
  const double columnFirst = std::max(0.0, std::floor(ax - r) + 1);
  const double columnLast = std::min(double(width_ - 1), std::ceil(ax + r) - 1);
  for (int py = yTop; py <= yBottom; ++py) {
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    if (vertical && py >= yMin && py <= yMax) {
      if (columnFirst > columnLast) continue;
      const size_t count = size_t(columnLast - columnFirst) + 1;
      uint8_t* at = index_.get() + size_t(py) * size_t(width_) + size_t(columnFirst);
      for (; py <= yBottom && py <= yMax; ++py, at += width_) std::memset(at, ink, count);
      --py;
      continue;
    }
    auto disc = [&](double cx, double cy) {
      double dy = py - cy;
      if (std::fabs(dy) >= r) return;
      double h = std::sqrt(r * r - dy * dy);
      lo = std::min(lo, cx - h);
      hi = std::max(hi, cx + h);
    };
    disc(ax, ay);
    disc(bx, by);
    if (len > 0) {
      // |(p - a) . normal| < r and 0 <= (p - a) . u <= len, linear in x.
      double slo = -HUGE_VAL, shi = HUGE_VAL;
      bool empty = false;
      auto limit = [&](double coef, double base, double min, double max) {
        if (coef == 0) {
          if (!(base > min && base < max)) empty = true;
          return;
        }
        double x1 = (min - base) / coef, x2 = (max - base) / coef;
        if (x1 > x2) std::swap(x1, x2);
        slo = std::max(slo, x1);
        shi = std::min(shi, x2);
      };
      double dy = py - ay;
      limit(-uy, -ax * -uy + dy * ux, -r, r);
      limit(ux, -ax * ux + dy * uy, -1e-9, len + 1e-9);
      if (!empty && slo < shi) {
        lo = std::min(lo, slo);
        hi = std::max(hi, shi);
      }
    }
    if (lo >= hi) continue;
    double first = std::floor(lo) + 1, last = std::ceil(hi) - 1;
    if (first < 0) first = 0;
    if (last > width_ - 1) last = width_ - 1;
    if (first > last) continue;
    Span(py, int(first), int(last) + 1, ink);
  }
}

// GDI Arc: the ellipse inscribed in the box, its ink inside the box with the
// right and bottom edges excluded for a one-pixel pen (InkBox). The arc runs counterclockwise as seen on the
// page from the radial through the start point to the radial through the
// end point; equal points (or the same radial) draw the whole ellipse.
// A one-pixel pen draws one pixel per column where the curve is flat and one
// per row where it is steep, with the pen's dash pattern counted along the
// arc from its start; a wide pen draws solid, the ring within half its
// width of the curve.
void RasterCanvas::Arc(DeviceRect box, DevicePoint start, DevicePoint end) {
  const Pen& pen = state().pen;
  if (pen.style == PenStyle::Null) return;
  const DeviceRect ordered = OrderedBox(box);
  if (ordered.width() < 1 || ordered.height() < 1) return;
  const DeviceRect inkBox = InkBox(ordered);
  const double cx = (inkBox.left + inkBox.right) / 2.0, cy = (inkBox.top + inkBox.bottom) / 2.0;
  const double a = (inkBox.right - inkBox.left) / 2.0, bb = (inkBox.bottom - inkBox.top) / 2.0;

  const double sdx = start.x - cx, sdy = start.y - cy, edx = end.x - cx, edy = end.y - cy;
  const double as = PageAngle(sdx, sdy);
  double sweep = AngleFrom(PageAngle(edx, edy), as);
  bool full = start == end || (sdx == 0 && sdy == 0) || (edx == 0 && edy == 0) ||
              (sdx * edy - sdy * edx == 0 && sdx * edx + sdy * edy > 0);
  if (full) sweep = kTwoPi;
  auto inArc = [&](double px, double py) {
    return full || AngleFrom(PageAngle(px - cx, py - cy), as) <= sweep;
  };
  const uint8_t ink = IndexOf(pen.colour);

  if (!Cosmetic()) {
    const double h = pen.width / 2.0;
    const double oa = a + h, ob = bb + h, ia = a - h, ib = bb - h;
    int yTop = std::max(0, int(std::floor(cy - ob))), yBottom = std::min(height_ - 1, int(std::ceil(cy + ob)));
    // Rows whose hole is wider than the page on both sides of the centre
    // hold no pixel of the ring: a band about the centre row, since the
    // hole narrows away from it. It is skipped (two rows inside its edge,
    // clear of rounding), so that a ring larger than the page costs the
    // rows it shows on.
    int bandTop = 0, bandBottom = -1;
    const double reach = std::max(cx, width_ - 1 - cx) + 1;
    if (ia > reach && ib > 0) {
      const double half = ib * std::sqrt(1 - (reach / ia) * (reach / ia));
      bandTop = int(std::ceil(cy - half)) + 2;
      bandBottom = int(std::floor(cy + half)) - 2;
    }
    for (int py = yTop; py <= yBottom; ++py) {
      if (py >= bandTop && py <= bandBottom) {
        py = bandBottom;
        continue;
      }
      double dy = py - cy;
      double q = 1 - (dy / ob) * (dy / ob);
      if (q <= 0) continue;
      double outer = oa * std::sqrt(q);
      double inner = -1;
      if (ia > 0 && ib > 0 && std::fabs(dy) < ib) inner = ia * std::sqrt(1 - (dy / ib) * (dy / ib));
      int x0 = std::max(0, int(std::floor(cx - outer)) + 1), x1 = std::min(width_ - 1, int(std::ceil(cx + outer)) - 1);
      if (x0 > x1) continue;
      // The ring's pixels of this row: those farther than inner from the
      // centre column, a run on each side (one run where there is no hole).
      // The bounds come from the same comparison a pixel test makes.
      auto inside = [&](int px) { return std::fabs(px - cx) <= inner; };
      int leftEnd = x1, rightStart = x1 + 1;  // [x0, leftEnd] and [rightStart, x1]
      if (inner >= 0) {
        int c = int(std::floor(cx + 0.5));  // the pixel nearest the centre column
        if (c < x0) c = x0;
        if (c > x1) c = x1;
        if (inside(c)) {
          leftEnd = std::max(x0 - 1, std::min(x1, int(std::ceil(cx - inner)) - 1));
          while (leftEnd >= x0 && inside(leftEnd)) --leftEnd;
          while (leftEnd + 1 <= x1 && !inside(leftEnd + 1)) ++leftEnd;
          rightStart = std::min(x1 + 1, std::max(x0, int(std::floor(cx + inner)) + 1));
          while (rightStart <= x1 && inside(rightStart)) ++rightStart;
          while (rightStart - 1 >= x0 && !inside(rightStart - 1)) --rightStart;
        }
      }
      auto run = [&](int from, int to) {  // [from, to]
        if (from > to) return;
        if (full) {
          Span(py, from, to + 1, ink);
          return;
        }
        for (int px = from; px <= to; ++px)
          if (inArc(px, py)) Put(px, py, ink);
      };
      run(x0, leftEnd);
      run(std::max(rightStart, leftEnd + 1), x1);
    }
    return;
  }

  // One-pixel pen: the curve's pixels. A dashed pen counts its pattern
  // along the arc, so they are collected and ordered by their angle; a
  // solid pen inks every one within the sweep, in any order (a pixel met
  // twice is inked twice alike), so a circle costs its pixels on the page
  // and no sort.
  const bool styled = pen.style != PenStyle::Solid;
  arcScratch_.clear();
  const double diag = std::sqrt(a * a + bb * bb);
  auto add = [&](int px, int py) {
    if (unsigned(px) >= unsigned(width_) || unsigned(py) >= unsigned(height_)) return;
    if (px < inkBox.left || px > inkBox.right || py < inkBox.top || py > inkBox.bottom) return;
    if (!styled) {
      // The sweep test of the ordered walk below, on the same float angle.
      if (full || double(float(AngleFrom(PageAngle(px - cx, py - cy), as))) <= sweep) Put(px, py, ink);
      return;
    }
    arcScratch_.push_back({float(AngleFrom(PageAngle(px - cx, py - cy), as)), px, py});
  };
  // Flat parts: one pixel per column; ties round towards the centre.
  const double uMax = diag > 0 ? a * a / diag : 0;
  for (int px = std::max(inkBox.left, 0); px <= std::min(inkBox.right, width_ - 1); ++px) {
    double u = px - cx;
    if (std::fabs(u) > uMax + 1e-9) continue;
    double v = a > 0 ? bb * std::sqrt(std::max(0.0, 1 - (u / a) * (u / a))) : bb;
    add(px, int(std::floor(cy - v + 0.5)));
    add(px, int(std::ceil(cy + v - 0.5)));
  }
  // Steep parts: one pixel per row.
  const double wMax = diag > 0 ? bb * bb / diag : 0;
  for (int py = std::max(inkBox.top, 0); py <= std::min(inkBox.bottom, height_ - 1); ++py) {
    double w = py - cy;
    if (std::fabs(w) > wMax + 1e-9) continue;
    double h = bb > 0 ? a * std::sqrt(std::max(0.0, 1 - (w / bb) * (w / bb))) : a;
    add(int(std::floor(cx - h + 0.5)), py);
    add(int(std::ceil(cx + h - 0.5)), py);
  }
  if (!styled) return;
  std::sort(arcScratch_.begin(), arcScratch_.end(), [](const ArcPixel& p, const ArcPixel& q) {
    if (p.angle != q.angle) return p.angle < q.angle;
    return p.x != q.x ? p.x < q.x : p.y < q.y;
  });
  const uint32_t mask = DashMaskOf(pen.style);
  const bool gaps = !state().transparentBackground;
  const uint8_t gap = gaps ? IndexOf(state().backgroundColour) : 0;
  int dash = 0;
  const ArcPixel* previous = nullptr;
  for (const ArcPixel& p : arcScratch_) {
    if (previous != nullptr && previous->x == p.x && previous->y == p.y) continue;
    previous = &p;
    if (!full && p.angle > sweep) break;
    bool on = !styled || ((mask >> dash) & 1);
    if (on) Put(p.x, p.y, ink);
    else if (gaps) Put(p.x, p.y, gap);
    if (++dash == kDashPeriod) dash = 0;
  }
}

void RasterCanvas::SetPixel(DevicePoint p, Colour c) {
  if (unsigned(p.x) >= unsigned(width_) || unsigned(p.y) >= unsigned(height_)) return;
  Put(p.x, p.y, IndexOf(c));
}

// Block transfers combine the page's colour and the bitmap's colour per RGB
// channel: SRCPAINT is D | S, SRCAND is D & S.
void RasterCanvas::Blit(DevicePoint at, const SmallBitmap& bitmap, bool orMode) {
  if (bitmap.width <= 0 || bitmap.height <= 0 ||
      bitmap.pixels.size() < size_t(bitmap.width) * size_t(bitmap.height))
    return;
  Settle();
  for (int y = 0; y < bitmap.height; ++y) {
    int py = at.y + y;
    if (unsigned(py) >= unsigned(height_)) continue;
    uint8_t* row = index_.get() + size_t(py) * size_t(width_);
    for (int x = 0; x < bitmap.width; ++x) {
      int px = at.x + x;
      if (unsigned(px) >= unsigned(width_)) continue;
      const uint32_t s = bitmap.at(x, y).value & 0xFFFFFF;
      const uint64_t key = ((uint64_t(orMode) << 40) | (uint64_t(row[px]) << 32) | s) + 1;
      const size_t slot = size_t((key * 0x9E3779B97F4A7C15ull) >> 56);
      if (blitKey_[slot] == key) {
        row[px] = blitIndex_[slot];
        continue;
      }
      const uint32_t d = palette_[row[px]].value;
      const uint8_t result = IndexOf(Colour{orMode ? (d | s) : (d & s)});
      blitKey_[slot] = key;
      blitIndex_[slot] = result;
      row[px] = result;
    }
  }
}

void RasterCanvas::BlitOr(DevicePoint at, const SmallBitmap& bitmap) { Blit(at, bitmap, true); }
void RasterCanvas::BlitAnd(DevicePoint at, const SmallBitmap& bitmap) { Blit(at, bitmap, false); }

void RasterCanvas::DrawText(DevicePoint p, std::string_view utf8) {
  if (text_ == nullptr || utf8.empty()) return;
  SpanPainter painter(*this, IndexOf(state().textColour));
  text_->Rasterize(state().font, utf8, p, painter);
}

}  // namespace kestrel
