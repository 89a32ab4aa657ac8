#include "engine/draw/draw.h"

namespace kestrel {

void DrawPaint(PrintContext&, int) {}

}  // namespace kestrel
