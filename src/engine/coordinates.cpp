#include "engine/coordinates.h"

namespace kestrel {

// First cut: no offsets, no magnification; the coordinates work fills these.
void LoadOffsets(PrintContext& ctx) {
  ctx.offsetX = 0;
  ctx.offsetY = 0;
}

void ChooseMagnification(PrintContext& ctx) { ctx.magnification = 1.0; }

void WriteScaleLog(PrintContext&, double, double) {}

int MmToPixels(int dpi, int mm) { return int(double(mm) * dpi / 25.4); }

}  // namespace kestrel
