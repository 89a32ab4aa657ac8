#include "engine/colour_table.h"

namespace kestrel {

void ApplyPalette(PrintContext& ctx, const PrintCommand& command) {
  PaletteCommand p{command};
  if (p.colorIndex() >= kColourCount) return;  // outside the table: ignored
  ctx.colorTable[p.colorIndex()] = Colour::Rgb(p.red(), p.green(), p.blue());
}

}  // namespace kestrel
