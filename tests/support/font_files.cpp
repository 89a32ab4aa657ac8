#include "support/font_files.h"

#include <ft2build.h>
#include FT_FREETYPE_H

namespace kestrel::test {

UnitBox BoxOf(const std::string& file, uint32_t c) {
  UnitBox b;
  FT_Library lib;
  if (FT_Init_FreeType(&lib) != 0) return b;
  FT_Face face;
  if (FT_New_Face(lib, file.c_str(), 0, &face) == 0) {
    if (FT_Load_Char(face, c, FT_LOAD_NO_SCALE) == 0) {
      const FT_Glyph_Metrics& m = face->glyph->metrics;
      b = {m.horiBearingX, m.horiBearingX + m.width, m.horiBearingY - m.height, m.horiBearingY, face->units_per_EM};
    }
    FT_Done_Face(face);
  }
  FT_Done_FreeType(lib);
  return b;
}

}  // namespace kestrel::test
