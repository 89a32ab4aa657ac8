// Fills of Paint commands: six methods that differ in mechanism, in what
// happens to the unset pixels of the pattern and in where the 8x8 tile is
// anchored.
//   1 PaintRectangle     pattern brush (unset pixels white), page-anchored
//   2 PaintWindowsPattern hatch brush, transparent gaps, white outline
//   3 PaintExportBitmap  the operator's pattern bitmap as brush, page-anchored
//   4 PaintMakeBitmap    OR then AND block transfers of a mask and a colour
//                        tile, anchored at the rectangle's corner
//   5 PaintSetPixel      as 1 with the alternative pattern 4
//   6 PaintDirectPixels  set pattern pixels one by one, anchored at the corner
#include <algorithm>
#include <cmath>

#include "engine/analysis_log.h"
#include "engine/coordinates.h"
#include "engine/draw/draw.h"
#include "engine/draw/pattern_bitmaps.h"
#include "engine/engine_log.h"
#include "util/paths.h"

namespace kestrel {

namespace {

// Rows 0-7 of each pattern, bit 7 the leftmost pixel.
constexpr uint8_t kFillPatterns[kFillPatternCount][8] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // 0 empty
    {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA},  // 1 50 % checkerboard
    {0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44},  // 2 25 % dots
    {0x11, 0x00, 0x44, 0x00, 0x11, 0x00, 0x44, 0x00},  // 3 12.5 % dots
    {0x11, 0x00, 0x00, 0x00, 0x44, 0x00, 0x00, 0x00},  // 4 6.25 % dots
    {0x01, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00},  // 5 3.125 % dots
    {0x11, 0x22, 0x44, 0x88, 0x11, 0x22, 0x44, 0x88},  // 6 rising diagonals, 4 apart
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // 7 rising diagonals, 8 apart
    {0x11, 0x88, 0x44, 0x22, 0x11, 0x88, 0x44, 0x22},  // 8 falling diagonals, 4 apart
    {0x01, 0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02},  // 9 falling diagonals, 8 apart
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11},  // 10 vertical lines, 4 apart
    {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10},  // 11 vertical lines, 8 apart
    {0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},  // 12 horizontal lines, 4 apart
    {0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // 13 horizontal lines, 8 apart
    {0x01, 0x82, 0x44, 0x28, 0x10, 0x28, 0x44, 0x82},  // 14 diagonal cross-hatch
    {0xFF, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10},  // 15 square grid
    {0x11, 0x00, 0x04, 0x00, 0x11, 0x00, 0x40, 0x00},  // 16 scattered dots
};
// Method 5 draws pattern 4 denser.
constexpr uint8_t kFillPattern4Alt[8] = {0x33, 0x33, 0x00, 0x00, 0xBB, 0xBB, 0x00, 0x00};

// Methods 1, 3 and 5 read a pattern as drawn in the table; methods 4 and 6
// read it mirrored about its main diagonal (row and column exchanged).
bool SetAsDrawn(const uint8_t* rows, int col, int row) { return (rows[row] >> (7 - col)) & 1; }
bool SetMirrored(const uint8_t* rows, int col, int row) { return (rows[col] >> (7 - row)) & 1; }

// The device rectangle of a fill and its values before the scale.
struct FillArea {
  double left, top, right, bottom;      // device, untruncated, in order
  double bLeft, bTop, bRight, bBottom;  // print units plus offset, in order
  DeviceRect Truncated() const {
    return DeviceRect{TruncToInt(left), TruncToInt(top), TruncToInt(right), TruncToInt(bottom)};
  }
};

// A device value of a fill held at the drawable range (as ClampToDevice
// holds it, without the truncation).
double HeldInRange(PrintContext& ctx, double v) {
  const double limit = kDeviceLimit;
  if (v >= -limit && v <= limit) return v;
  ClampToDevice(ctx, v);  // counts it
  return v > limit ? limit : v < -limit ? -limit : 0;
}

FillArea AreaOf(PrintContext& ctx, const PaintCommand& p) {
  FillArea a;
  a.bLeft = p.x1() + ctx.page.offsetX;
  a.bRight = p.x2() + ctx.page.offsetX;
  a.bTop = p.y1() + ctx.page.offsetY;
  a.bBottom = p.y2() + ctx.page.offsetY;
  a.left = HeldInRange(ctx, a.bLeft * ctx.page.scaleX);
  a.right = HeldInRange(ctx, a.bRight * ctx.page.scaleX);
  a.top = HeldInRange(ctx, a.bTop * ctx.page.scaleY);
  a.bottom = HeldInRange(ctx, a.bBottom * ctx.page.scaleY);
  if (a.left > a.right) std::swap(a.left, a.right), std::swap(a.bLeft, a.bRight);
  if (a.top > a.bottom) std::swap(a.top, a.bottom), std::swap(a.bTop, a.bBottom);
  return a;
}

void NoteUnknownPattern(PrintContext& ctx, int pattern) {
  if (ctx.log.analysisLog != 1) return;
  AnalysisLine(ctx, Format("【塗り潰し】：パターン(%d)は定義されていないため描画しません", pattern));
  AnalysisLine(ctx, "");
}

// Methods 1 and 5 (and 3 without its bitmap): an 8x8 bitmap, white where
// the pattern is unset, as a page-anchored brush over the rectangle.
void PatternBrushFill(Canvas& canvas, const FillArea& area, const uint8_t* rows, Colour colour) {
  Brush brush{BrushKind::Pattern};
  for (int row = 0; row < 8; ++row)
    for (int col = 0; col < 8; ++col)
      brush.pattern.cells[size_t(row * 8 + col)] = SetAsDrawn(rows, col, row) ? colour : kWhite;
  canvas.SetBrush(brush);
  canvas.FillRect(area.Truncated());
}

void PaintRectangle(PrintContext& ctx, const PaintCommand& p, const FillArea& area, Colour colour) {
  Canvas& canvas = *ctx.output.canvas;
  canvas.SetBrush(Brush{BrushKind::Solid, colour});
  PatternBrushFill(canvas, area, kFillPatterns[p.pattern()], colour);
  if (!AnalysisBlockWanted(ctx, ctx.options.filterPatterns, p.pattern(), "gprint_paint5")) return;
  AnalysisLine(ctx, Format("【塗り潰し】：色(0x%x), パターン(%d)", colour.value, p.pattern()));
  AnalysisLine(ctx, Format("範囲（計算前）：x1(%.0f),y1(%.0f) - x2(%.0f),y2(%.0f)", area.bLeft, area.bTop, area.bRight,
                           area.bBottom));
  AnalysisLine(ctx, Format("範囲（計算後）：x1(%.0f),y1(%.0f) - x2(%.0f),y2(%.0f)", area.left, area.top, area.right,
                           area.bottom));
  AnalysisLine(ctx, Format("bmp設定：width(%d),height(%d),color(0x%x)", 8, 8, kWhite.value));
  AnalysisLine(ctx, "");
}

void PaintWindowsPattern(PrintContext& ctx, const PaintCommand& p, const FillArea& area, Colour colour) {
  Canvas& canvas = *ctx.output.canvas;
  const Colour penColour = canvas.state().pen.colour;
  const bool wasTransparent = canvas.state().transparentBackground;
  canvas.SetPenKeepStyle(kWhite, canvas.state().pen.width);
  HatchStyle hatch = p.pattern() == 3   ? HatchStyle::Cross
                     : p.pattern() == 4 ? HatchStyle::DiagCross
                     : p.pattern() == 5 ? HatchStyle::BDiagonal
                                        : HatchStyle::FDiagonal;
  canvas.SetBrush(Brush{BrushKind::Hatch, colour, hatch});
  canvas.SetTransparentBackground(true);
  canvas.Rectangle(area.Truncated());
  canvas.SetTransparentBackground(wasTransparent);
  canvas.SetPenKeepStyle(penColour, canvas.state().pen.width);
}

void PaintExportBitmap(PrintContext& ctx, const PaintCommand& p, const FillArea& area, Colour colour) {
  Canvas& canvas = *ctx.output.canvas;
  canvas.SetBrush(Brush{BrushKind::Solid, colour});
  if (!ctx.fills.loaded) {
    LoadPatternBitmaps(ctx, ProductPath(ctx.services.system.BaseDir(), "zoq\\pmap\\"));
  }
  const int pattern = p.pattern();
  const SmallBitmap* bitmap =
      size_t(pattern) < ctx.fills.bitmaps.size() ? ctx.fills.bitmaps[size_t(pattern)].get() : nullptr;
  if (bitmap == nullptr) {
    // No usable bitmap: the pattern as method 1 draws it, and one job-log
    // line per job naming the file.
    std::string name = PatternBitmapName(pattern);
    bool reported = false;
    for (const auto& r : ctx.fills.reported) reported = reported || r == name;
    if (!reported) {
      ctx.fills.reported.push_back(name);
      EngineLogf(ctx, kLogInfo, "  ■塗り潰しパターンのBitmapがありません(%s)\n",
                 ProductPath(ctx.services.system.BaseDir(), "zoq\\pmap\\" + name).c_str());
    }
    PatternBrushFill(canvas, area, kFillPatterns[pattern], colour);
    return;
  }
  // The bitmap's own colours; a bitmap other than 8x8 is repeated or cut
  // to the 8x8 cell of the brush.
  Brush brush{BrushKind::Pattern};
  for (int row = 0; row < 8; ++row)
    for (int col = 0; col < 8; ++col)
      brush.pattern.cells[size_t(row * 8 + col)] = bitmap->at(col % bitmap->width, row % bitmap->height);
  canvas.SetBrush(brush);
  canvas.FillRect(area.Truncated());
}

// The first tile start at or after which tiles reach the page: tiles keep
// their grid from the rectangle's corner, those wholly before the page are
// skipped so that a rectangle reaching far off the page costs its visible part.
double FirstVisibleTile(int start) {
  if (start >= 0) return start;
  return start + 8.0 * std::floor(-double(start) / 8.0);
}

void Cut(const SmallBitmap& from, SmallBitmap& to, int width, int height) {
  to.width = width;
  to.height = height;
  to.pixels.resize(size_t(width) * size_t(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) to.pixels[size_t(y * width + x)] = from.at(x, y);
}

void PaintMakeBitmap(PrintContext& ctx, const PaintCommand& p, const FillArea& area, Colour colour) {
  EngineCache::BlitTiles& tiles = ctx.cache.blitTiles;
  Canvas& canvas = *ctx.output.canvas;
  canvas.SetBrush(Brush{BrushKind::Solid, Colour::Rgb(255, 0, 0)});
  const uint8_t* rows = kFillPatterns[p.pattern()];
  for (int row = 0; row < 8; ++row)
    for (int col = 0; col < 8; ++col) {
      bool set = SetMirrored(rows, col, row);
      tiles.colour.pixels[size_t(row * 8 + col)] = set ? colour : kWhite;
      tiles.mask.pixels[size_t(row * 8 + col)] = set ? kWhite : kBlack;
    }
  // OR with the mask whitens the pattern's pixels, AND with the colour tile
  // then leaves them in the fill colour; the other pixels keep the page.
  // The last column and row of tiles stop at the right and bottom edge.
  const DeviceRect r = area.Truncated();
  const double pageRight = canvas.Width(), pageBottom = canvas.Height();
  for (double tx = FirstVisibleTile(r.left); tx <= area.right && tx < pageRight; tx += 8) {
    int w = tx + 8 > area.right ? TruncToInt(area.right - tx) : 8;
    if (w <= 0) continue;
    for (double ty = FirstVisibleTile(r.top); ty <= area.bottom && ty < pageBottom; ty += 8) {
      int h = ty + 8 > area.bottom ? TruncToInt(area.bottom - ty) : 8;
      if (h <= 0) continue;
      DevicePoint at{int(tx), int(ty)};
      if (w == 8 && h == 8) {
        canvas.BlitOr(at, tiles.mask);
        canvas.BlitAnd(at, tiles.colour);
      } else {
        Cut(tiles.mask, tiles.partMask, w, h);
        Cut(tiles.colour, tiles.partColour, w, h);
        canvas.BlitOr(at, tiles.partMask);
        canvas.BlitAnd(at, tiles.partColour);
      }
    }
  }
}

void PaintSetPixel(PrintContext& ctx, const PaintCommand& p, const FillArea& area, Colour colour) {
  Canvas& canvas = *ctx.output.canvas;
  canvas.SetBrush(Brush{BrushKind::Solid, colour});
  PatternBrushFill(canvas, area, p.pattern() == 4 ? kFillPattern4Alt : kFillPatterns[p.pattern()], colour);
}

void PaintDirectPixels(PrintContext& ctx, const PaintCommand& p, const FillArea& area, Colour colour) {
  Canvas& canvas = *ctx.output.canvas;
  canvas.SetBrush(Brush{BrushKind::Solid, kWhite});
  const uint8_t* rows = kFillPatterns[p.pattern()];
  const DeviceRect r = area.Truncated();
  // Pixels off the page cannot be set; skipping them keeps a huge
  // rectangle as cheap as its visible part.
  const double pageRight = canvas.Width(), pageBottom = canvas.Height();
  for (double tx = FirstVisibleTile(r.left); tx <= area.right && tx < pageRight; tx += 8) {
    const double ex = std::min({tx + 8, area.right, pageRight});
    for (double ty = FirstVisibleTile(r.top); ty <= area.bottom && ty < pageBottom; ty += 8) {
      const double ey = std::min({ty + 8, area.bottom, pageBottom});
      for (double py = std::max(ty, 0.0); py < ey; py += 1)
        for (double px = std::max(tx, 0.0); px < ex; px += 1)
          if (SetMirrored(rows, int(px - tx), int(py - ty))) canvas.SetPixel({int(px), int(py)}, colour);
    }
  }
}

}  // namespace

void DrawPaint(PrintContext& ctx, int index) {
  if (ctx.output.canvas == nullptr) return;
  PaintCommand p{ctx.page.commands[size_t(index)]};
  const Colour colour = ColourAt(ctx, p.colorIndex());
  const FillArea area = AreaOf(ctx, p);
  if (ctx.options.fillMethod == 2) {
    PaintWindowsPattern(ctx, p, area, colour);
    return;
  }
  if (p.pattern() >= kFillPatternCount) {
    NoteUnknownPattern(ctx, p.pattern());
    return;
  }
  switch (ctx.options.fillMethod) {
    case 1: PaintRectangle(ctx, p, area, colour); break;
    case 3: PaintExportBitmap(ctx, p, area, colour); break;
    case 4: PaintMakeBitmap(ctx, p, area, colour); break;
    case 5: PaintSetPixel(ctx, p, area, colour); break;
    case 6: PaintDirectPixels(ctx, p, area, colour); break;
    default: break;
  }
}

}  // namespace kestrel
