// The sizes a Windows logical font gives a TrueType/OpenType face, by the
// GDI font mapper's rules (hand-written because pages must match what the
// printers printed): a positive height is the cell height, the sum of the
// face's Windows ascent and descent (OS/2 usWinAscent + usWinDescent), so
// the em is smaller than the height; a negative height is the em itself;
// a non-zero width is the average character width (OS/2 xAvgCharWidth at
// that em) and stretches the glyphs horizontally; 0 leaves it to the face.
//
// Measured with the Windows drawing interface: IPAexMincho at height 40
// gives a 39-pixel cell (ascent 30, descent 9) and IPAexGothic a 40-pixel
// one; the em is the cell height scaled to the units per em and rounded to
// whole pixels, and ascent and descent are rounded from it.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

namespace kestrel {

struct GdiFontSize {
  int emY = 0;          // pixels per em, vertically
  double emX = 0;       // pixels per em, horizontally (stretched by the width)
  int ascent = 0;       // cell top to baseline
  int descent = 0;      // baseline to cell bottom
  int averageWidth = 0; // average character width at emY before stretching
  int cellHeight() const { return ascent + descent; }
};

// height and width as in a logical font. Sizes are kept within 1..4096
// pixels per em so that damaged print data cannot ask for absurd glyphs.
GdiFontSize ComputeGdiFontSize(FT_Face face, int height, int width);

}  // namespace kestrel
