// The PDF canvas's faces (FreeType, the font resolver) and text.
#include "platform/pdf/pdf_canvas.h"
#include "platform/pdf/pdf_canvas_parts.h"

#include FT_ADVANCES_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/fonts/font_resolver.h"
#include "platform/fonts/fontconfig_resolver.h"
#include "platform/fonts/gdi_font_metrics.h"
#include "platform/pdf/pdf_font.h"
#include "util/utf8.h"

namespace kestrel {

namespace {

// A FreeType library for the life of the process.
FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}
}  // namespace

const PdfCanvas::Face* PdfCanvas::FaceOfFile(const ResolvedFace& resolved) {
  const std::string key = resolved.file + "#" + std::to_string(resolved.index);
  auto it = faces_.find(key);
  if (it != faces_.end()) return it->second.get();
  auto face = std::make_unique<Face>();
  FT_Face ft = nullptr;
  if (!resolved.file.empty() && Library() != nullptr &&
      FT_New_Face(Library(), resolved.file.c_str(), resolved.index, &ft) == 0) {
    face->ft = ft;
    face->file = resolved.file;
    face->index = resolved.index;
    face->embeddable = PdfFont::Embeddable(ft);
  }
  const Face* out = face.get();
  faces_.emplace(key, std::move(face));
  return out;
}

PdfFont* PdfCanvas::FontOf(const Face* face) {
  auto it = documentFonts_.find(face);
  if (it != documentFonts_.end()) return it->second.get();
  auto font = std::make_unique<PdfFont>(face->ft, face->file, face->index, doc_.NewObject(),
                                        int(documentFonts_.size()) + 1);
  return documentFonts_.emplace(face, std::move(font)).first->second.get();
}

const PdfCanvas::Face* PdfCanvas::FaceFor(const std::string& name) {
  auto it = namedFaces_.find(name);
  if (it != namedFaces_.end()) return it->second;
  const Face* face = FaceOfFile(fonts_->Resolve(name));
  namedFaces_.emplace(name, face);
  return face;
}

const PdfCanvas::Face* PdfCanvas::CoveringFace(const std::string& name, uint32_t codepoint) {
  auto* fc = dynamic_cast<FontconfigResolver*>(fonts_);
  if (fc == nullptr) return nullptr;
  const std::string key = name + "#" + std::to_string(codepoint);
  auto it = coveringFaces_.find(key);
  if (it != coveringFaces_.end()) return it->second;
  bool found = false;
  ResolvedFace r = fc->ResolveCovering(name, codepoint, found);
  const Face* face = found ? FaceOfFile(r) : nullptr;
  if (face != nullptr && face->ft == nullptr) face = nullptr;
  coveringFaces_.emplace(key, face);
  return face;
}

// The glyphs of a face that cannot be embedded (a Type 1 font, say) are
// drawn as their outlines, filled: the page shows them, though a reader
// cannot copy them as text.
void PdfCanvas::DrawGlyphOutlines(FT_Face ft, std::string_view run, double x, double y, double unitX,
                                  double unitY, double cosA, double sinA) {
  struct Walk {
    PdfCanvas* canvas;
    double x, y, ax, ay, bx, by;  // origin, font units to device along and up
    FT_Vector last;
    void Point(const FT_Vector* v, const char* op) {
      canvas->AppendPoint(x + ax * double(v->x) + bx * double(v->y), y + ay * double(v->x) + by * double(v->y), op);
    }
    void Control(double u, double v) {
      AppendPdfNumber(canvas->path_, x + ax * u + bx * v);
      canvas->path_ += ' ';
      AppendPdfNumber(canvas->path_, y + ay * u + by * v);
      canvas->path_ += ' ';
    }
  };
  FT_Outline_Funcs funcs{};
  funcs.move_to = [](const FT_Vector* to, void* user) {
    auto* w = static_cast<Walk*>(user);
    w->Point(to, "m");
    w->last = *to;
    return 0;
  };
  funcs.line_to = [](const FT_Vector* to, void* user) {
    auto* w = static_cast<Walk*>(user);
    w->Point(to, "l");
    w->last = *to;
    return 0;
  };
  funcs.conic_to = [](const FT_Vector* c, const FT_Vector* to, void* user) {
    auto* w = static_cast<Walk*>(user);
    w->Control(double(w->last.x) + 2.0 / 3.0 * double(c->x - w->last.x),
               double(w->last.y) + 2.0 / 3.0 * double(c->y - w->last.y));
    w->Control(double(to->x) + 2.0 / 3.0 * double(c->x - to->x), double(to->y) + 2.0 / 3.0 * double(c->y - to->y));
    w->Point(to, "c");
    w->last = *to;
    return 0;
  };
  funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto* w = static_cast<Walk*>(user);
    w->Control(double(c1->x), double(c1->y));
    w->Control(double(c2->x), double(c2->y));
    w->Point(to, "c");
    w->last = *to;
    return 0;
  };
  Walk walk{this, x, y, unitX * cosA, unitX * sinA, unitY * sinA, -unitY * cosA, {}};
  EndText();
  SetFill(state().textColour);
  path_.clear();
  for (size_t i = 0; i < run.size();) {
    const Utf8Char c = DecodeUtf8(run, i);
    i += c.length;
    const FT_UInt gid = FT_Get_Char_Index(ft, c.codepoint);
    if (FT_Load_Glyph(ft, gid, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0 &&
        ft->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
      walk.x = x, walk.y = y;
      FT_Outline_Decompose(&ft->glyph->outline, &funcs, &walk);
    }
    FT_Fixed units = 0;
    FT_Get_Advance(ft, gid, FT_LOAD_NO_SCALE, &units);
    x += double(units) * unitX * cosA;
    y += double(units) * unitX * sinA;
  }
  if (!path_.empty()) {
    content_ += path_;
    content_ += "f\n";
  }
  path_.clear();
}

// Text: the logical-font rules of the raster page (ComputeGdiFontSize): a
// positive height is the cell height (Windows ascent + descent), a negative
// one the em; a width is the average character width and stretches the
// glyphs; the cell's top-left corner sits at p, the run turned by the
// escapement about it. Characters the face lacks (user-defined characters,
// symbols) come from the face fontconfig finds for them, at the same size.
// Malformed UTF-8 (a data file's name in the page label) is drawn as the
// raster page draws it, one U+FFFD per malformed sequence. Glyphs advance
// by the face's unhinted widths.
void PdfCanvas::DrawText(DevicePoint p, std::string_view text) {
  Flush();
  if (!open_ || fonts_ == nullptr || text.empty()) return;
  std::string_view utf8 = text;
  if (!IsValidUtf8(text)) {
    validText_.clear();
    AppendValidUtf8(text, validText_);
    utf8 = validText_;
  }
  const FontSpec& font = state().font;
  const Face* face = FaceFor(font.face);
  if (face == nullptr || face->ft == nullptr) return;
  const GdiFontSize size = ComputeGdiFontSize(face->ft, font.height, font.width);

  const double angle = -font.escapement / 10.0 * M_PI / 180.0;  // counterclockwise on the page
  const double cosA = std::cos(angle), sinA = std::sin(angle);
  double penX = p.x - sinA * size.ascent;
  double penY = p.y + cosA * size.ascent;
  const bool opaque = !state().transparentBackground;

  // Runs of characters drawn by one face.
  size_t at = 0;
  while (at < utf8.size()) {
    const Face* runFace = nullptr;
    size_t end = at;
    while (end < utf8.size()) {
      const Utf8Char c = DecodeUtf8(utf8, end);
      const uint32_t cp = c.codepoint;
      const Face* f = face;
      if (cp >= 0x20 && FT_Get_Char_Index(face->ft, cp) == 0) {
        const Face* covering = CoveringFace(font.face, cp);
        if (covering != nullptr) f = covering;
      }
      if (runFace == nullptr) runFace = f;
      else if (f != runFace) break;
      end += c.length;
    }
    const std::string_view run = utf8.substr(at, end - at);
    at = end;

    // The run's glyph codes and its advance along the baseline.
    PdfFont* pdfFont = FontOf(runFace);
    FT_Face ft = runFace->ft;
    const double perUnit = size.emX / double(ft->units_per_EM > 0 ? ft->units_per_EM : 1000);
    double advance = 0;
    glyphs_.clear();
    static const char kHex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < run.size();) {
      const Utf8Char c = DecodeUtf8(run, i);
      i += c.length;
      const uint32_t gid = FT_Get_Char_Index(ft, c.codepoint);
      FT_Fixed units = 0;
      FT_Get_Advance(ft, gid, FT_LOAD_NO_SCALE, &units);
      advance += double(units) * perUnit;
      pdfFont->Use(gid, gid == 0 ? 0 : c.codepoint);
      for (int shift = 12; shift >= 0; shift -= 4) glyphs_ += kHex[(gid >> shift) & 15];
    }
    const double topX = penX + sinA * size.ascent, topY = penY - cosA * size.ascent;
    const double w = advance, h = size.cellHeight();
    Mark(DeviceRect{int(std::floor(std::min({topX, topX + w * cosA, topX - h * sinA, topX + w * cosA - h * sinA}))) - int(h),
                    int(std::floor(std::min({topY, topY + w * sinA, topY + h * cosA, topY + w * sinA + h * cosA}))) - int(h),
                    int(std::ceil(std::max({topX, topX + w * cosA, topX - h * sinA, topX + w * cosA - h * sinA}))) + int(h) + 1,
                    int(std::ceil(std::max({topY, topY + w * sinA, topY + h * cosA, topY + w * sinA + h * cosA}))) + int(h) + 1});
    if (opaque) {
      // OPAQUE mode fills the cell behind the text with the background colour.
      EndText();
      SetFill(state().backgroundColour);
      path_.clear();
      AppendPoint(topX, topY, "m");
      AppendPoint(topX + w * cosA, topY + w * sinA, "l");
      AppendPoint(topX + w * cosA - h * sinA, topY + w * sinA + h * cosA, "l");
      AppendPoint(topX - h * sinA, topY + h * cosA, "l");
      content_ += path_;
      content_ += "h f\n";
      path_.clear();
    }
    // A face that cannot be embedded is drawn as outlines, its text written
    // over them invisibly so that it can still be searched and copied.
    const bool outlines = !runFace->embeddable;
    if (outlines)
      DrawGlyphOutlines(ft, run, penX, penY, perUnit, size.emY / double(ft->units_per_EM > 0 ? ft->units_per_EM : 1000),
                        cosA, sinA);
    if (!inText_) {
      content_ += "BT\n";
      inText_ = true;
      textMatrix_ = {};
    }
    if (textFont_ != pdfFont) {
      content_ += '/';
      content_ += pdfFont->resource();
      content_ += " 1 Tf\n";
      textFont_ = pdfFont;
    }
    if (outlines != invisibleText_) {
      content_ += outlines ? "3 Tr\n" : "0 Tr\n";
      invisibleText_ = outlines;
    }
    SetFill(state().textColour);
    // Text space: the em stretched by the width, turned by the escapement,
    // its y axis up on the page.
    const std::array<double, 4> matrix{size.emX * cosA, size.emX * sinA, size.emY * sinA, -size.emY * cosA};
    static constexpr std::string_view kShow = "> Tj\n";
    const bool follows = matrix == textMatrix_ && std::fabs(penX - textX_) < 0.001 && std::fabs(penY - textY_) < 0.001;
    if (follows && content_.size() >= kShow.size() &&
        std::string_view(content_).substr(content_.size() - kShow.size()) == kShow) {
      // Where the last glyphs left the text position: more glyphs of the
      // same string.
      content_.resize(content_.size() - kShow.size());
    } else {
      if (!follows) {
        for (double v : {matrix[0], matrix[1], matrix[2], matrix[3], penX, penY}) {
          AppendPdfNumber(content_, v);
          content_ += ' ';
        }
        content_ += "Tm ";
        textMatrix_ = matrix;
      }
      content_ += '<';
    }
    content_ += glyphs_;
    content_ += kShow;
    textX_ = penX + cosA * advance;
    textY_ = penY + sinA * advance;
    penX += cosA * advance;
    penY += sinA * advance;
  }
}

}  // namespace kestrel
