#include "platform/raster/raster_canvas.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace kestrel::test {
namespace {

constexpr Colour kRed = Colour::Rgb(255, 0, 0);
constexpr Colour kGreen = Colour::Rgb(0, 255, 0);
constexpr Colour kBlue = Colour::Rgb(0, 0, 255);

// The page as text, one character per pixel: '.' white, '#' black, or the
// letter given for a colour.
std::string Picture(const RasterCanvas& c, int x0, int y0, int x1, int y1) {
  std::string s;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      Colour p = c.PixelAt(x, y);
      s += p == kWhite ? '.' : p == kBlack ? '#' : p == kRed ? 'r' : p == kGreen ? 'g' : p == kBlue ? 'b' : '?';
    }
    s += '\n';
  }
  return s;
}

std::set<std::pair<int, int>> Inked(const RasterCanvas& c) {
  std::set<std::pair<int, int>> out;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x)
      if (c.PixelAt(x, y) != kWhite) out.insert({x, y});
  return out;
}

// GDI's one-pixel line written the plain way: step along the major axis,
// take a minor step when the error term is above 0, or at 0 in octants 3, 5,
// 6 and 8; the end point is left out. No clipping: the caller keeps it on
// the page.
std::set<std::pair<int, int>> ReferenceLine(int x0, int y0, int x1, int y1) {
  int dx = x1 - x0, dy = y1 - y0;
  int oct;
  if (dy > 0) oct = dx > 0 ? (dx > dy ? 1 : 2) : (-dx > dy ? 4 : 3);
  else oct = dx < 0 ? (-dx > -dy ? 5 : 6) : (dx > -dy ? 8 : 7);
  int bias = (oct == 3 || oct == 5 || oct == 6 || oct == 8) ? 1 : 0;
  bool xMajor = std::abs(dx) > std::abs(dy) || (std::abs(dx) == std::abs(dy) && (oct == 1 || oct == 4 || oct == 5 || oct == 8));
  int n = xMajor ? std::abs(dx) : std::abs(dy), m = xMajor ? std::abs(dy) : std::abs(dx);
  int sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
  std::set<std::pair<int, int>> out;
  int x = x0, y = y0, err = 2 * m - n;
  for (int k = 0; k < n; ++k) {
    out.insert({x, y});
    if (err + bias > 0) {
      if (xMajor) y += sy; else x += sx;
      err += 2 * m - 2 * n;
    } else {
      err += 2 * m;
    }
    if (xMajor) x += sx; else y += sy;
  }
  return out;
}

TEST(RasterCanvas, StartsWhiteAndReusesItsBufferForASmallerPage) {
  RasterCanvas c(20, 10, 350);
  c.SetPixel({3, 4}, kRed);
  c.Reset(10, 5, 350);
  EXPECT_EQ(c.Width(), 10);
  EXPECT_EQ(c.Height(), 5);
  EXPECT_TRUE(Inked(c).empty());
  EXPECT_EQ(c.paletteSize(), 1);
}

TEST(RasterCanvas, OnePixelLinesTakeGdisTieBreakAndLeaveTheEndPointOut) {
  RasterCanvas c(8, 5, 96);
  c.MoveTo({0, 0});
  c.LineTo({4, 2});
  EXPECT_EQ(Picture(c, 0, 0, 6, 3),
            "##....\n"
            "..##..\n"
            "......\n");
  // The reverse direction breaks its ties the other way (octant 5).
  c.Reset(8, 5, 96);
  c.MoveTo({4, 2});
  c.LineTo({0, 0});
  EXPECT_EQ(Picture(c, 0, 0, 6, 3),
            ".#....\n"
            "..##..\n"
            "....#.\n");
}

TEST(RasterCanvas, OnePixelLinesMatchTheRuleInEveryOctant) {
  // Lines from the centre to points all around, the diagonals included.
  const int cx = 40, cy = 40;
  std::vector<std::pair<int, int>> ends;
  for (int d = -30; d <= 30; d += 3) {
    ends.push_back({cx + 30, cy + d});
    ends.push_back({cx - 30, cy + d});
    ends.push_back({cx + d, cy + 30});
    ends.push_back({cx + d, cy - 30});
  }
  ends.push_back({cx + 7, cy + 3});
  ends.push_back({cx - 7, cy - 3});
  ends.push_back({cx, cy});
  for (auto [ex, ey] : ends) {
    RasterCanvas c(81, 81, 96);
    c.MoveTo({cx, cy});
    c.LineTo({ex, ey});
    EXPECT_EQ(Inked(c), ReferenceLine(cx, cy, ex, ey)) << "to " << ex << "," << ey;
    c.Reset(81, 81, 96);
    c.MoveTo({ex, ey});
    c.LineTo({cx, cy});
    EXPECT_EQ(Inked(c), ReferenceLine(ex, ey, cx, cy)) << "from " << ex << "," << ey;
  }
}

TEST(RasterCanvas, LinesReachingFarOffThePageDrawTheirVisiblePixels) {
  // The same lines drawn on a page large enough to hold them, then cut.
  struct L {
    int x0, y0, x1, y1;
  } lines[] = {{-500, -130, 700, 170}, {30, -900, 10, 800}, {900, 45, -900, 5}, {-300, 300, 300, -300},
               {59, 2, 61, 3}, {-5, -5, -1, -1}};
  for (const L& l : lines) {
    RasterCanvas c(60, 40, 96);
    c.MoveTo({l.x0, l.y0});
    c.LineTo({l.x1, l.y1});
    std::set<std::pair<int, int>> expected;
    for (auto p : ReferenceLine(l.x0, l.y0, l.x1, l.y1))
      if (p.first >= 0 && p.first < 60 && p.second >= 0 && p.second < 40) expected.insert(p);
    EXPECT_EQ(Inked(c), expected) << l.x0 << "," << l.y0 << " -> " << l.x1 << "," << l.y1;
  }
}

TEST(RasterCanvas, CosmeticPenStylesDrawGdisDashRunsWithOpaqueOrTransparentGaps) {
  struct S {
    PenStyle style;
    std::vector<int> runs;
  } styles[] = {{PenStyle::Dash, {18, 6}},
                {PenStyle::Dot, {3, 3}},
                {PenStyle::DashDot, {9, 6, 3, 6}},
                {PenStyle::DashDotDot, {9, 3, 3, 3, 3, 3}}};
  for (const S& s : styles) {
    std::string expected;
    while (expected.size() < 60)
      for (size_t i = 0; i < s.runs.size(); ++i) expected.append(size_t(s.runs[i]), i % 2 == 0 ? 'r' : 'g');
    expected.resize(60);
    RasterCanvas c(70, 3, 96);
    c.SetBackgroundColour(kGreen);
    c.SetPen(Pen{kRed, 1, s.style});
    c.MoveTo({0, 1});
    c.LineTo({60, 1});
    EXPECT_EQ(Picture(c, 0, 1, 61, 2), expected + ".\n");
    // Transparent: the gaps keep what lay there; a vertical line runs the
    // same pattern from its own start point.
    c.Reset(3, 70, 96);
    c.SetTransparentBackground(true);
    c.SetPen(Pen{kRed, 1, s.style});
    c.MoveTo({1, 0});
    c.LineTo({1, 60});
    std::string column;
    for (int y = 0; y < 60; ++y) column += c.PixelAt(1, y) == kRed ? 'r' : c.PixelAt(1, y) == kWhite ? 'g' : '?';
    EXPECT_EQ(column, expected);
  }
}

TEST(RasterCanvas, AWidthFourPenCoversHalfItsWidthBeyondBothEndPoints) {
  RasterCanvas c(240, 120, 96);
  c.SetPen(Pen{kBlack, 4, PenStyle::Solid});
  c.MoveTo({20, 100});
  c.LineTo({220, 100});
  auto ink = Inked(c);
  int minX = 1000, maxX = -1, minY = 1000, maxY = -1;
  for (auto [x, y] : ink) {
    minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  EXPECT_EQ(minX, 18);
  EXPECT_EQ(maxX, 221);
  EXPECT_EQ(minY, 98);
  EXPECT_EQ(maxY, 101);
  for (int x = 20; x <= 219; ++x)
    for (int y = 98; y <= 101; ++y) EXPECT_EQ(c.PixelAt(x, y), kBlack) << x << "," << y;
}

TEST(RasterCanvas, WidePensOfWidthsTwoToFiveHaveRoundEnds) {
  // Each row of the expected picture follows from the disc of radius w/2
  // around the end point: through pixel centres for odd widths, through the
  // corner up-left of the end pixel for even widths.
  struct Case {
    int width;
    std::string picture;  // columns 0..11, rows 4..13, line (4,9)-(7,9)
  } cases[] = {
      {2, "............\n"
          "............\n"
          "............\n"
          "............\n"
          "...#####....\n"
          "...#####....\n"
          "............\n"
          "............\n"
          "............\n"
          "............\n"},
      {3, "............\n"
          "............\n"
          "............\n"
          "............\n"
          "...######...\n"
          "...######...\n"
          "...######...\n"
          "............\n"
          "............\n"
          "............\n"},
      {4, "............\n"
          "............\n"
          "............\n"
          "...#####....\n"
          "..#######...\n"
          "..#######...\n"
          "...#####....\n"
          "............\n"
          "............\n"
          "............\n"},
      {5, "............\n"
          "............\n"
          "............\n"
          "...######...\n"
          "..########..\n"
          "..########..\n"
          "..########..\n"
          "...######...\n"
          "............\n"
          "............\n"},
  };
  for (const Case& k : cases) {
    RasterCanvas c(12, 18, 96);
    c.SetPen(Pen{kBlack, k.width, PenStyle::Solid});
    c.MoveTo({4, 9});
    c.LineTo({7, 9});
    EXPECT_EQ(Picture(c, 0, 4, 12, 14), k.picture) << "width " << k.width;
  }
  // Width 1 is the cosmetic pen: no round ends, the end point left out.
  RasterCanvas c(12, 18, 96);
  c.MoveTo({4, 9});
  c.LineTo({7, 9});
  EXPECT_EQ(Picture(c, 0, 9, 12, 10), "....###.....\n");
}

TEST(RasterCanvas, AStyledPenWiderThanOnePixelDrawsSolid) {
  RasterCanvas a(60, 10, 96), b(60, 10, 96);
  a.SetPen(Pen{kBlack, 2, PenStyle::Dash});
  b.SetPen(Pen{kBlack, 2, PenStyle::Solid});
  for (RasterCanvas* c : {&a, &b}) {
    c->MoveTo({5, 5});
    c->LineTo({55, 5});
  }
  EXPECT_EQ(Picture(a, 0, 0, 60, 10), Picture(b, 0, 0, 60, 10));
}

TEST(RasterCanvas, WideLinesInAnyDirectionStayWithinHalfTheWidthOfTheSegment) {
  struct Seg {
    int x0, y0, x1, y1;
  } segments[] = {{10, 20, 80, 70}, {50, 90, 50, 5}, {30, 40, 31, 95}};
  for (const Seg& s : segments) {
    RasterCanvas c(100, 100, 96);
    c.SetPen(Pen{kBlack, 5, PenStyle::Solid});
    c.MoveTo({s.x0, s.y0});
    c.LineTo({s.x1, s.y1});
    for (int y = 0; y < 100; ++y) {
      for (int x = 0; x < 100; ++x) {
        // Distance of the pixel centre from the segment (odd width: centres).
        double ux = s.x1 - s.x0, uy = s.y1 - s.y0, t = ((x - s.x0) * ux + (y - s.y0) * uy) / (ux * ux + uy * uy);
        t = std::clamp(t, 0.0, 1.0);
        double d = std::hypot(x - (s.x0 + t * ux), y - (s.y0 + t * uy));
        if (std::fabs(d - 2.5) < 1e-6) continue;
        EXPECT_EQ(c.PixelAt(x, y) == kBlack, d < 2.5) << x << "," << y;
      }
    }
  }
}

TEST(RasterCanvas, RectanglesFillWithoutRightAndBottomEdgesAndOutlineInside) {
  RasterCanvas c(10, 8, 96);
  c.SetBrush(Brush{BrushKind::Solid, kRed});
  c.FillRect({1, 1, 4, 3});
  c.SetPen(Pen{kBlack, 1, PenStyle::Solid});
  c.SetBrush(Brush{BrushKind::Solid, kGreen});
  c.Rectangle({8, 7, 5, 2});  // corners in either order
  EXPECT_EQ(Picture(c, 0, 0, 10, 8),
            "..........\n"
            ".rrr......\n"
            ".rrr.###..\n"
            ".....#g#..\n"
            ".....#g#..\n"
            ".....#g#..\n"
            ".....###..\n"
            "..........\n");
  // A null pen: GDI fills one pixel less to the right and bottom.
  c.Reset(10, 8, 96);
  c.SetPen(Pen{kBlack, 1, PenStyle::Null});
  c.SetBrush(Brush{BrushKind::Solid, kGreen});
  c.Rectangle({1, 1, 4, 4});
  EXPECT_EQ(Picture(c, 0, 0, 5, 5), ".....\n.gg..\n.gg..\n.....\n.....\n");
}

TEST(RasterCanvas, HatchBrushesAreAnchoredAtTheDeviceOriginAndTransparentGapsKeepThePage) {
  RasterCanvas c(20, 20, 96);
  c.SetBrush(Brush{BrushKind::Solid, kGreen});
  c.FillRect({0, 0, 20, 20});
  c.SetTransparentBackground(true);
  Brush hatch{BrushKind::Hatch, kRed, HatchStyle::FDiagonal};
  c.SetBrush(hatch);
  c.FillRect({3, 5, 17, 19});
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      bool inside = x >= 3 && x < 17 && y >= 5 && y < 19;
      Colour want = inside && ((x - y) % 8 + 8) % 8 == 0 ? kRed : kGreen;
      EXPECT_EQ(c.PixelAt(x, y), want) << x << "," << y;
    }
  // The other five styles, opaque: ink where the fixed 8x8 pattern says,
  // gaps in the background colour.
  auto ink = [](HatchStyle s, int x, int y) {
    int cx = x % 8, cy = y % 8;
    switch (s) {
      case HatchStyle::Horizontal: return cy == 3;
      case HatchStyle::Vertical: return cx == 4;
      case HatchStyle::BDiagonal: return (cx + cy) % 8 == 7;
      case HatchStyle::Cross: return cy == 3 || cx == 4;
      case HatchStyle::DiagCross: return cx == cy || cx + cy == 7;
      default: return cx == cy;
    }
  };
  for (HatchStyle s : {HatchStyle::Horizontal, HatchStyle::Vertical, HatchStyle::BDiagonal, HatchStyle::Cross,
                       HatchStyle::DiagCross}) {
    c.Reset(16, 16, 96);
    c.SetBackgroundColour(kBlue);
    c.SetBrush(Brush{BrushKind::Hatch, kRed, s});
    c.FillRect({0, 0, 16, 16});
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) EXPECT_EQ(c.PixelAt(x, y), ink(s, x, y) ? kRed : kBlue) << int(s) << " " << x << "," << y;
  }
}

TEST(RasterCanvas, PatternBrushesTakeCellXMod8YMod8WhateverTheRectangleCorner) {
  Brush b{BrushKind::Pattern};
  for (int i = 0; i < 64; ++i) b.pattern.cells[size_t(i)] = (i % 3 == 0) ? kRed : (i % 3 == 1 ? kBlue : kWhite);
  RasterCanvas c(30, 30, 96);
  c.SetBrush(b);
  c.FillRect({3, 5, 14, 12});
  c.FillRect({14, 5, 27, 12});  // an adjacent fill joins without a seam
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) {
      bool inside = x >= 3 && x < 27 && y >= 5 && y < 12;
      EXPECT_EQ(c.PixelAt(x, y), inside ? b.pattern.at(x, y) : kWhite) << x << "," << y;
    }
}

TEST(RasterCanvas, AFullArcKeepsItsInkInsideTheBoxWithoutRightAndBottomEdges) {
  RasterCanvas c(500, 250, 96);
  c.Arc({350, 90, 450, 190}, {400, 90}, {400, 90});
  auto ink = Inked(c);
  int minX = 1000, maxX = -1, minY = 1000, maxY = -1;
  for (auto [x, y] : ink) {
    minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  EXPECT_EQ(minX, 350);
  EXPECT_EQ(maxX, 449);
  EXPECT_EQ(minY, 90);
  EXPECT_EQ(maxY, 189);
  // Symmetric about both axes of the box, every pixel close to the circle,
  // and one closed curve: each pixel has a neighbour on each side.
  for (auto [x, y] : ink) {
    EXPECT_TRUE(ink.count({799 - x, y}) && ink.count({x, 279 - y})) << x << "," << y;
    double d = std::hypot(x - 399.5, y - 139.5);
    EXPECT_NEAR(d, 49.5, 0.75) << x << "," << y;
    int neighbours = 0;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) neighbours += (dx || dy) && ink.count({x + dx, y + dy});
    EXPECT_GE(neighbours, 2) << x << "," << y;
  }
}

TEST(RasterCanvas, ArcsRunCounterclockwiseFromTheStartRadialToTheEndRadial) {
  // Start on the right, end at the top: the quarter up and right.
  RasterCanvas c(120, 120, 96);
  c.Arc({10, 10, 110, 110}, {200, 60}, {60, -300});
  auto quarter = Inked(c);
  ASSERT_FALSE(quarter.empty());
  for (auto [x, y] : quarter) EXPECT_TRUE(x >= 59 && y <= 60) << x << "," << y;
  // Start at the top, end on the right: the other three quarters.
  c.Reset(120, 120, 96);
  c.Arc({10, 10, 110, 110}, {60, 0}, {110, 60});
  auto rest = Inked(c);
  c.Reset(120, 120, 96);
  c.Arc({10, 10, 110, 110}, {60, 0}, {60, 0});
  auto full = Inked(c);
  for (auto p : quarter) EXPECT_TRUE(full.count(p));
  for (auto p : rest) EXPECT_TRUE(full.count(p));
  EXPECT_GE(quarter.size() + rest.size(), full.size());
  EXPECT_LE(quarter.size() + rest.size(), full.size() + 2);  // the two end pixels may be shared
  for (auto [x, y] : rest) EXPECT_FALSE(x > 62 && y < 58) << x << "," << y;
}

TEST(RasterCanvas, WideArcsDrawTheRingWithinHalfThePenWidthOfTheCircle) {
  RasterCanvas c(120, 120, 96);
  c.SetPen(Pen{kBlack, 4, PenStyle::Dash});  // wide: solid
  c.Arc({10, 10, 111, 111}, {60, 0}, {60, 0});
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 120; ++x) {
      double d = std::fabs(std::hypot(x - 60, y - 60) - 50);
      if (std::fabs(d - 2) < 1e-6) continue;
      EXPECT_EQ(c.PixelAt(x, y) == kBlack, d < 2) << x << "," << y;
    }
  // An empty box draws nothing.
  c.Reset(120, 120, 96);
  c.Arc({50, 50, 50, 50}, {50, 50}, {50, 50});
  EXPECT_TRUE(Inked(c).empty());
}

// The ring of a wide pen, row by row as runs: the same pixels as the rule
// pixel by pixel (strictly within the outer ellipse, not within or on the
// inner one, counterclockwise from the start radial to the end radial), for
// boxes of both parities, ellipses, partial arcs and boxes off the page.
TEST(RasterCanvas, WideArcsInkExactlyTheRingsPixelsInRunsForAnyBox) {
  constexpr double kTau = 6.283185307179586;
  auto pageAngle = [&](double dx, double dy) {
    double a = std::atan2(-dy, dx);
    return a < 0 ? a + kTau : a;
  };
  struct Case {
    DeviceRect box;
    DevicePoint start, end;
    int width;
  };
  const Case cases[] = {
      {{10, 10, 111, 111}, {60, 0}, {60, 0}, 2},     {{10, 10, 110, 110}, {60, 0}, {60, 0}, 3},
      {{5, 20, 140, 90}, {0, 0}, {0, 0}, 4},         {{-40, -30, 60, 70}, {10, 20}, {10, 20}, 2},
      {{70, 50, 180, 160}, {200, 60}, {60, -300}, 2}, {{20, 30, 125, 120}, {0, 100}, {130, 40}, 5},
      {{50, 50, 53, 54}, {0, 0}, {0, 0}, 2},
      // Rings larger than the page: crossing it (rows about the centre
      // hold nothing of it), an ellipse, an arc, and one all around it.
      {{-10, -20, 160, 150}, {0, 0}, {0, 0}, 3},     {{-30, -5, 180, 135}, {0, 0}, {0, 0}, 2},
      {{-10, -20, 160, 150}, {0, 0}, {150, 0}, 4},   {{-200, -200, 350, 330}, {0, 0}, {0, 0}, 4},
  };
  for (const Case& k : cases) {
    RasterCanvas c(150, 130, 96);
    c.SetPen(Pen{kBlack, k.width, PenStyle::Solid});
    c.Arc(k.box, k.start, k.end);
    const int l = k.box.left, r = k.box.right, t = k.box.top, b = k.box.bottom;
    const double cx = (l + r - 1) / 2.0, cy = (t + b - 1) / 2.0, a = (r - l - 1) / 2.0, bb = (b - t - 1) / 2.0;
    const double h = k.width / 2.0, oa = a + h, ob = bb + h, ia = a - h, ib = bb - h;
    const bool full = k.start == k.end;
    const double as = pageAngle(k.start.x - cx, k.start.y - cy);
    double sweep = pageAngle(k.end.x - cx, k.end.y - cy) - as;
    if (sweep < 0) sweep += kTau;
    int wrong = 0;
    for (int y = 0; y < 130; ++y)
      for (int x = 0; x < 150; ++x) {
        const double dx = std::fabs(x - cx), dy = y - cy;
        const double q = 1 - (dy / ob) * (dy / ob);
        const double outer = q > 0 ? oa * std::sqrt(q) : -1;
        const double inner =
            ia > 0 && ib > 0 && std::fabs(dy) < ib ? ia * std::sqrt(1 - (dy / ib) * (dy / ib)) : -1;
        if (std::fabs(dx - outer) < 1e-9 || std::fabs(dx - inner) < 1e-9) continue;  // a pixel centre on the edge
        bool ring = dx < outer && dx > inner;
        if (ring && !full) {
          double d = pageAngle(x - cx, y - cy) - as;
          if (d < 0) d += kTau;
          ring = d <= sweep;
        }
        wrong += (c.PixelAt(x, y) == kBlack) != ring;
      }
    EXPECT_EQ(wrong, 0) << k.box.left << "," << k.box.top << " width " << k.width;
  }
}

// A solid one-pixel pen inks the arc's pixels in any order; a dashed pen
// whose gaps are painted in its own colour walks them ordered along the
// arc: both ink the same pixels.
TEST(RasterCanvas, SolidOnePixelArcsInkThePixelsOfTheOrderedWalk) {
  struct Case {
    DeviceRect box;
    DevicePoint start, end;
  };
  const Case cases[] = {
      {{10, 10, 111, 111}, {60, 0}, {60, 0}},   {{5, 20, 140, 90}, {0, 0}, {0, 0}},
      {{70, 50, 180, 160}, {200, 60}, {60, -300}}, {{20, 30, 125, 120}, {0, 100}, {130, 40}},
      {{-10, -20, 160, 150}, {0, 0}, {0, 0}},   {{-10, -20, 160, 150}, {0, 0}, {150, 0}},
  };
  for (const Case& k : cases) {
    RasterCanvas solid(150, 130, 96), walked(150, 130, 96);
    solid.SetPen(Pen{kBlack, 1, PenStyle::Solid});
    walked.SetPen(Pen{kBlack, 1, PenStyle::Dot});
    walked.SetBackgroundColour(kBlack);
    solid.Arc(k.box, k.start, k.end);
    walked.Arc(k.box, k.start, k.end);
    EXPECT_FALSE(Inked(solid).empty());
    EXPECT_EQ(Inked(solid), Inked(walked)) << k.box.left << "," << k.box.top;
  }
}

// Fills over the whole page are kept as its tile until something else is
// drawn or the page is read: the page and its palette are those of the same
// fills painted in two halves each.
TEST(RasterCanvas, WholePageFillsGiveThePixelsOfTheSameFillsPaintedInParts) {
  Brush pattern{BrushKind::Pattern};
  for (int i = 0; i < 64; ++i) pattern.pattern.cells[size_t(i)] = i % 3 == 0 ? kRed : kWhite;
  const Brush solid{BrushKind::Solid, kGreen};
  const Brush hatch{BrushKind::Hatch, kBlue, HatchStyle::DiagCross};
  auto draw = [&](RasterCanvas& c, bool inParts) {
    auto fill = [&](const Brush& b, bool transparent) {
      c.SetBrush(b);
      c.SetTransparentBackground(transparent);
      if (inParts) {
        c.FillRect({0, 0, 37, 30});
        c.FillRect({0, 30, 37, 50});
      } else {
        c.FillRect({-5, -5, 40, 60});  // beyond the page: the whole page
      }
    };
    c.SetPen(Pen{kBlack, 1, PenStyle::Solid});
    c.LineTo({30, 40});
    fill(pattern, false);
    fill(solid, false);  // hides the pattern
    c.SetPixel({3, 3}, kRed);
    fill(hatch, false);  // opaque: its gaps in the background colour
    fill(pattern, false);
    c.LineTo({0, 45});
    fill(hatch, true);  // transparent gaps keep the page
  };
  RasterCanvas kept(37, 50, 96), painted(37, 50, 96);
  draw(kept, false);
  draw(painted, true);
  EXPECT_EQ(kept.paletteSize(), painted.paletteSize());
  EXPECT_EQ(kept.palette(), painted.palette());
  for (int y = 0; y < 50; ++y)
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(kept.Row(y)), 37),
              std::string(reinterpret_cast<const char*>(painted.Row(y)), 37))
        << y;
  // A page whose last drawing is a whole-page fill reads as that fill.
  kept.SetBrush(solid);
  kept.FillRect({0, 0, 37, 50});
  EXPECT_EQ(kept.PixelAt(36, 49), kGreen);
}

// A fill over the whole page costs what it changes: a thousand of them on
// an A4 page at 350 dpi take less time than 25 painted in two parts each
// (before they were kept, each painted the page's 12 million pixels).
TEST(RasterCanvas, AThousandWholePageFillsCostLessThanTwentyFivePaintedOnes) {
  RasterCanvas c(2894, 4093, 350);
  Brush pattern{BrushKind::Pattern};
  for (int i = 0; i < 64; ++i) pattern.pattern.cells[size_t(i)] = i % 2 == 0 ? kRed : kWhite;
  c.SetBrush(pattern);
  auto seconds = [](auto&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  const double painted = seconds([&] {
    for (int i = 0; i < 25; ++i) {
      c.FillRect({0, 0, 2894, 2000});
      c.FillRect({0, 2000, 2894, 4093});
    }
  });
  const double kept = seconds([&] {
    for (int i = 0; i < 1000; ++i) c.FillRect({0, 0, 2894, 4093});
    c.Settle();
  });
  EXPECT_LT(kept, painted) << "1000 kept: " << kept << " s, 25 painted: " << painted << " s";
  EXPECT_EQ(c.PixelAt(2, 0), kRed);
}

TEST(RasterCanvas, BlockTransfersCombineColoursPerChannel) {
  RasterCanvas c(4, 1, 96);
  c.SetPixel({0, 0}, Colour::Rgb(0x10, 0x20, 0x30));
  c.SetPixel({1, 0}, kBlack);
  SmallBitmap a{3, 1, {Colour::Rgb(0x01, 0x02, 0x04), kWhite, kBlack}};
  SmallBitmap b{3, 1, {Colour::Rgb(0x0F, 0xFF, 0x30), kRed, kBlack}};
  c.BlitOr({0, 0}, a);
  c.BlitAnd({0, 0}, b);
  EXPECT_EQ(c.PixelAt(0, 0), Colour::Rgb((0x10 | 0x01) & 0x0F, (0x20 | 0x02) & 0xFF, (0x30 | 0x04) & 0x30));
  EXPECT_EQ(c.PixelAt(1, 0), kRed);
  EXPECT_EQ(c.PixelAt(2, 0), kBlack);
  EXPECT_EQ(c.PixelAt(3, 0), kWhite);
  // Off the page: nothing happens.
  c.BlitOr({3, -1}, a);
  c.BlitAnd({-5, 0}, b);
  EXPECT_EQ(c.PixelAt(3, 0), kWhite);
}

TEST(RasterCanvas, AFullPaletteDrawsNewColoursInTheNearestEntry) {
  RasterCanvas c(300, 1, 96);
  for (int i = 0; i < 255; ++i) c.SetPixel({i, 0}, Colour::Rgb(uint8_t(i), 0, 0));  // white + 255 reds = full
  c.SetPixel({299, 0}, Colour::Rgb(10, 0, 3));
  EXPECT_EQ(c.paletteSize(), 256);
  EXPECT_EQ(c.PixelAt(299, 0), Colour::Rgb(10, 0, 0));
}

class CountingRasterizer : public TextRasterizer {
 public:
  void Rasterize(const FontSpec&, std::string_view, DevicePoint at, SpanSink& sink) override {
    sink.Span(at.y, at.x, at.x + 3);
    sink.Span(-4, 0, 10);     // off the page
    sink.Span(at.y + 1, -5, 1000);
  }
};

TEST(RasterCanvas, TextSpansArePaintedInTheTextColourAndClipped) {
  CountingRasterizer r;
  RasterCanvas c(6, 3, 96, &r);
  c.SetTextColour(kBlue);
  c.DrawText({2, 0}, "A");
  EXPECT_EQ(Picture(c, 0, 0, 6, 3), "..bbb.\nbbbbbb\n......\n");
  RasterCanvas none(6, 3, 96);
  none.DrawText({2, 0}, "A");
  EXPECT_TRUE(Inked(none).empty());
}

}  // namespace
}  // namespace kestrel::test
