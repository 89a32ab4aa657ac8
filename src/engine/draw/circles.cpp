#include "engine/draw/draw.h"

namespace kestrel {

void gprint_circle(PrintContext&, int) {}

}  // namespace kestrel
