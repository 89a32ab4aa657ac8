// What the parts of the PDF canvas share: pdf_canvas.cpp (the page, its
// content stream and its shapes), pdf_canvas_tiles.cpp (pattern tiles and
// block transfers) and pdf_canvas_text.cpp (faces and text).
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <string>

#include "platform/canvas.h"
#include "platform/pdf/pdf_canvas.h"

namespace kestrel {

inline uint32_t Argb(Colour c) { return 0xFF000000u | (uint32_t(c.r()) << 16) | (uint32_t(c.g()) << 8) | c.b(); }

// Numbers of the page's geometry (sizes in points, the scale of device
// pixels): ten decimals, no trailing zeros, so that the page's
// transformation and the patterns' agree to far below a pixel.
void AppendPoints(std::string& out, double v);

struct PdfCanvas::Face {
  FT_Face ft = nullptr;
  std::string file;
  int index = 0;
  bool embeddable = false;
  ~Face() {
    if (ft != nullptr) FT_Done_Face(ft);
  }
};

}  // namespace kestrel
