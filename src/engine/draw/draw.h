// The drawing stages: each draws the command at index of the page.
#pragma once

#include "engine/print_context.h"

namespace kestrel {

// Fills (Paint commands) by the context's fill method 1..6.
void DrawPaint(PrintContext& ctx, int index);
// Line commands.
void gprint_line(PrintContext& ctx, int index);
// Circle commands: full circles and arcs.
void gprint_circle(PrintContext& ctx, int index);
// String commands, character by character.
void gprint_string(PrintContext& ctx, int index);
// Rebuilds the four font substitution lists from the context's font texts.
void RebuildFontLists(PrintContext& ctx);

}  // namespace kestrel
