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
// Pixels for a length in millimetres at dpi, rounded to the nearest (held
// within the int range).
int MmToPixels(int dpi, int mm);

// Truncation toward zero; values beyond the int range (absurd offsets or
// scales) stop at its ends instead of being undefined.
inline int TruncToInt(double v) {
  if (!(v > -2147483648.0)) return v != v ? 0 : -2147483647 - 1;
  if (v >= 2147483647.0) return 2147483647;
  return int(v);
}

// The drawable range. Device positions stay within +-kDeviceLimit pixels:
// far beyond any page (A3 at 2400 dpi is under 40,000 pixels) and small
// enough for every canvas to compute with (differences and products of
// positions, PDF readers' fixed-point numbers). Device sizes (pen widths,
// character cells) stay within +-kDeviceSizeLimit: a character of A3 data
// at 2400 dpi is at most about 5,400 pixels. Values beyond (an absurd
// $pmag, offsets or $jdpi) are held at the limit, counted in
// clampedValues, and the page's job log says so once.
inline constexpr int kDeviceLimit = 1 << 22;
inline constexpr int kDeviceSizeLimit = 1 << 13;

// Truncation toward zero held within +-limit; NaN gives 0. Both count a
// value they change in ctx.page.clampedValues.
int ClampToDevice(PrintContext& ctx, double v, int limit = kDeviceLimit);
inline int DeviceSize(PrintContext& ctx, double v) { return ClampToDevice(ctx, v, kDeviceSizeLimit); }

// A device position: truncation of (value + offset) x scale, in double precision.
inline int DeviceX(PrintContext& ctx, double value) {
  return ClampToDevice(ctx, (value + ctx.page.offsetX) * ctx.page.scaleX);
}
inline int DeviceY(PrintContext& ctx, double value) {
  return ClampToDevice(ctx, (value + ctx.page.offsetY) * ctx.page.scaleY);
}

// A line thickness in device pixels for a length in print units, always on
// the horizontal scale: widthFlag 0 rounds to the nearest, 1 truncates, any
// other value rounds up (a whole number stays as it is).
int RoundByWidthFlag(PrintContext& ctx, double length);

// The job-log line for the values of this page held at the drawable range
// (nothing when none was), and a fresh count for the next page.
void ReportClampedValues(PrintContext& ctx);

// The largest page bitmap of JPEG output, one byte per pixel: A3 at 2400
// dpi (28,063 x 39,685 pixels) fits; a larger page is refused before
// anything is allocated. Each side also stays within what JPEG can encode.
inline constexpr int64_t kMaxPageBitmapPixels = 1'200'000'000;
inline constexpr int kMaxPageBitmapSide = 65500;

// Whether a width x height page bitmap is within those limits and has at
// most maxPixels pixels (what the page image's own bitmap can hold:
// PageImage::MaxPixels).
bool PageBitmapFits(int width, int height, int64_t maxPixels = kMaxPageBitmapPixels);

}  // namespace kestrel
