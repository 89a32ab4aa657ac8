#pragma once

#include "engine/print_context.h"

namespace kestrel {

// A Palette command: sets one entry of the colour table (indexes of 50 or
// more are ignored).
void ApplyPalette(PrintContext& ctx, const PrintCommand& command);

}  // namespace kestrel
