// Print units (1/160 inch) to device pixels: resolution, magnification and
// per-printer offsets.
#pragma once

#include "engine/print_context.h"

namespace kestrel {

// Reads the offsets of deviceName from the offset file into offsetX/offsetY
// (1/160 inch) and logs them.
void LoadOffsets(PrintContext& ctx);
// The magnification for the current paper codes (Paper stage); a fixed
// scaleSetting above 0 wins.
void ChooseMagnification(PrintContext& ctx);
// The magnification table alone: paper code printed on, code laid out for.
double MagnificationFor(int paperCode, int userPaperCode);
// The scale log block, after scaleX/scaleY are set; xdpi and ydpi are the
// device pixels per 1/160 inch before the magnification.
void WriteScaleLog(PrintContext& ctx, double xdpi, double ydpi);
// Pixels for a length in millimetres at dpi, rounded to the nearest.
int MmToPixels(int dpi, int mm);

// Truncation toward zero; values beyond the int range (absurd offsets or
// scales) stop at its ends instead of being undefined.
inline int TruncToInt(double v) {
  if (!(v > -2147483648.0)) return v != v ? 0 : -2147483647 - 1;
  if (v >= 2147483647.0) return 2147483647;
  return int(v);
}

// A device position: truncation of (value + offset) x scale, in double precision.
inline int DeviceX(const PrintContext& ctx, double value) { return TruncToInt((value + ctx.offsetX) * ctx.scaleX); }
inline int DeviceY(const PrintContext& ctx, double value) { return TruncToInt((value + ctx.offsetY) * ctx.scaleY); }

// A line thickness in device pixels for a length in print units, always on
// the horizontal scale: widthFlag 0 rounds to the nearest, 1 truncates, any
// other value rounds up (a whole number stays as it is).
int RoundByWidthFlag(const PrintContext& ctx, double length);

}  // namespace kestrel
