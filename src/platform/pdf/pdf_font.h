// PdfFont: one font face of a PDF document, embedded as a subset when the
// document ends.
//
// Text is drawn with the face's own glyph ids as character codes (a Type0
// font with Identity-H encoding over a CIDFont), so the page content never
// depends on the subset made at the end. At the end the glyphs drawn are
// cut out of the face with HarfBuzz's subsetter: a TrueType face becomes a
// CIDFontType2 with a map from the glyph ids to the subset's, a CFF face
// (OpenType with PostScript outlines) a CIDFontType0 whose subset keeps the
// glyph ids. The widths come from the face, and a ToUnicode map gives each
// glyph the character it was drawn for, so that the text can be searched
// and copied.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <map>
#include <string>

namespace kestrel {

class PdfDocument;

class PdfFont {
 public:
  // face stays the caller's and must live until Write; file and index name
  // the font file the face was opened from.
  PdfFont(FT_Face face, std::string file, int index, int object, int number);

  // Whether the face can be embedded this way (a TrueType or CFF outline
  // font in an OpenType/TrueType file).
  static bool Embeddable(FT_Face face);

  int object() const { return object_; }      // the Type0 font's object number
  const std::string& resource() const { return resource_; }  // "F<number>"
  // Records that glyph gid was drawn for codepoint (0: no character).
  void Use(uint32_t gid, uint32_t codepoint);
  // Writes the font's objects; false when no subset could be made (the
  // font is then named without its program).
  bool Write(PdfDocument& doc) const;

 private:
  FT_Face face_;
  std::string file_;
  int index_;
  int object_;
  std::string resource_;
  std::map<uint32_t, uint32_t> used_;  // glyph id -> code point
};

}  // namespace kestrel
