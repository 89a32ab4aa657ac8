#include "engine/draw/draw.h"

namespace kestrel {

void gprint_line(PrintContext&, int) {}

}  // namespace kestrel
