// The fixed patterns of the Windows drawing interface that the canvases
// without GDI (the raster page and the PDF page) draw themselves: the six
// hatch tiles and the dash runs of styled one-pixel pens. One table for
// every such canvas, so that a JPEG page and a PDF page cannot disagree;
// a canvas drawing through GDI itself needs neither.
#pragma once

#include <array>
#include <cstdint>

#include "platform/canvas.h"

namespace kestrel {

// 8x8 hatch tiles, anchored at the device origin: page row y uses tile row
// (y mod 8), and bit 7 of a row byte is column 0 (x mod 8 == 0). As GDI
// draws them on a bitmap: the horizontal line (HS_HORIZONTAL, HS_CROSS) lies
// on rows with y mod 8 == 3, the vertical line (HS_VERTICAL, HS_CROSS) on
// columns with x mod 8 == 4; HS_FDIAGONAL inks where (x - y) mod 8 == 0 and
// HS_BDIAGONAL where (x + y) mod 8 == 7; HS_DIAGCROSS is both diagonals.
inline constexpr uint8_t kHatchTiles[6][8] = {
    {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00},  // HatchStyle::Horizontal
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // HatchStyle::Vertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // HatchStyle::FDiagonal
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // HatchStyle::BDiagonal
    {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08},  // HatchStyle::Cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // HatchStyle::DiagCross
};

// Whether the hatch inks device pixel (x, y); any x and y, negative too.
constexpr bool HatchInk(HatchStyle style, int x, int y) {
  const int s = int(style) < 6 ? int(style) : 5;
  return (kHatchTiles[s][y & 7] >> (7 - (x & 7))) & 1;
}

// Runs of on and off pixels of a styled one-pixel pen, counted from the
// start point of each line: PS_DASH 18/6, PS_DOT 3/3, PS_DASHDOT 9/6/3/6,
// PS_DASHDOTDOT 9/3/3/3/3/3. Solid and null pens have no runs (count 0).
// Every period divides 24.
struct DashRuns {
  std::array<int, 6> runs{};
  int count = 0;
};

constexpr DashRuns DashRunsOf(PenStyle style) {
  switch (style) {
    case PenStyle::Dash: return {{18, 6}, 2};
    case PenStyle::Dot: return {{3, 3}, 2};
    case PenStyle::DashDot: return {{9, 6, 3, 6}, 4};
    case PenStyle::DashDotDot: return {{9, 3, 3, 3, 3, 3}, 6};
    default: return {};
  }
}

inline constexpr int kDashPeriod = 24;

// The runs as a 24-bit mask, bit i set when pixel i of the period is ink;
// all 24 bits for pens without runs.
constexpr uint32_t DashMaskOf(PenStyle style) {
  const DashRuns d = DashRunsOf(style);
  if (d.count == 0) return (1u << kDashPeriod) - 1;
  uint32_t mask = 0;
  int at = 0;
  while (at < kDashPeriod) {
    for (int i = 0; i < d.count && at < kDashPeriod; ++i) {
      for (int n = 0; n < d.runs[size_t(i)] && at < kDashPeriod; ++n, ++at)
        if (i % 2 == 0) mask |= 1u << at;
    }
  }
  return mask;
}

}  // namespace kestrel
