// Print units (1/160 inch) to device pixels: resolution, magnification and
// per-printer offsets.
#pragma once

#include "engine/print_context.h"

namespace kestrel {

// Reads the offsets of deviceName from the offset file into offsetX/offsetY.
void LoadOffsets(PrintContext& ctx);
// The magnification for the current paper codes (Paper stage).
void ChooseMagnification(PrintContext& ctx);
// The scale log block, after scaleX/scaleY are set.
void WriteScaleLog(PrintContext& ctx, double xdpi, double ydpi);
// Pixels for a length in millimetres at dpi.
int MmToPixels(int dpi, int mm);

// A device position: truncation of (value + offset) x scale, in double precision.
inline int DeviceX(const PrintContext& ctx, double value) { return int((value + ctx.offsetX) * ctx.scaleX); }
inline int DeviceY(const PrintContext& ctx, double value) { return int((value + ctx.offsetY) * ctx.scaleY); }

}  // namespace kestrel
