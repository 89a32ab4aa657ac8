#include "engine/draw/draw.h"

namespace kestrel {

void gprint_string(PrintContext&, int) {}
void RebuildFontLists(PrintContext&) {}

}  // namespace kestrel
