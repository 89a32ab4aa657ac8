#include "platform/fonts/gdi_font_metrics.h"

#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>

namespace kestrel {

namespace {

constexpr int kMaxEm = 4096;
// GDI's size for a logical font of height 0.
constexpr int kDefaultCellHeight = 16;

int RoundDiv(long long a, long long b) { return b == 0 ? 0 : int((2 * a + b) / (2 * b)); }

}  // namespace

GdiFontSize ComputeGdiFontSize(FT_Face face, int height, int width) {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  long upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  long winAscent = 0, winDescent = 0, average = 0;
  if (os2 != nullptr && os2->version != 0xFFFF) {
    winAscent = os2->usWinAscent;
    winDescent = os2->usWinDescent;
    average = os2->xAvgCharWidth;
  }
  if (winAscent + winDescent == 0) {  // no Windows metrics: the horizontal header's
    winAscent = face->ascender;
    winDescent = -face->descender;
  }
  if (winAscent + winDescent <= 0) {
    winAscent = upem * 4 / 5;
    winDescent = upem - winAscent;
  }
  if (average <= 0) average = upem / 2;

  GdiFontSize s;
  if (height == 0) height = kDefaultCellHeight;
  if (height > 0) {
    s.emY = RoundDiv((long long)height * upem, winAscent + winDescent);
  } else {
    s.emY = height < -kMaxEm ? kMaxEm : -height;
  }
  s.emY = std::clamp(s.emY, 1, kMaxEm);
  s.ascent = RoundDiv((long long)winAscent * s.emY, upem);
  s.descent = RoundDiv((long long)winDescent * s.emY, upem);
  s.averageWidth = std::max(1, RoundDiv((long long)average * s.emY, upem));
  s.emX = s.emY;
  if (width != 0) {
    double w = std::abs(double(width));
    s.emX = std::clamp(s.emY * w / s.averageWidth, 1.0, double(kMaxEm));
  }
  return s;
}

}  // namespace kestrel
