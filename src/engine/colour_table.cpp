#include "engine/colour_table.h"

#include "engine/engine_log.h"

namespace kestrel {

void ApplyPalette(PrintContext& ctx, const PrintCommand& command) {
  PaletteCommand p{command};
  EngineLogf(ctx, kLogInfo, "【colorTable[%02d]】= RGB( %d, %d, %d)\n", p.colorIndex(), p.red(), p.green(), p.blue());
  if (p.colorIndex() >= kColourCount) return;  // outside the table: ignored
  ctx.page.colorTable[p.colorIndex()] = Colour::Rgb(p.red(), p.green(), p.blue());
}

}  // namespace kestrel
