#include "platform/pdf/pdf_canvas.h"

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/gdi_shapes.h"
#include "platform/fonts/font_resolver.h"
#include "platform/fonts/fontconfig_resolver.h"
#include "platform/fonts/gdi_font_metrics.h"
#include "util/utf8.h"

namespace kestrel {

namespace {

constexpr double kMmPerInch = 25.4;

uint32_t Argb(Colour c) { return 0xFF000000u | (uint32_t(c.r()) << 16) | (uint32_t(c.g()) << 8) | c.b(); }

// A FreeType library for the life of the process: cairo may keep font
// faces (and with them FreeType faces) cached past any one canvas.
FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}

const cairo_user_data_key_t kFaceKey{};

}  // namespace

struct PdfCanvas::Face {
  cairo_font_face_t* face = nullptr;
  FT_Face ft = nullptr;  // owned by face (its user data)
  ~Face() {
    if (face != nullptr) cairo_font_face_destroy(face);
  }
};

PdfCanvas::PdfCanvas(FontResolver* fonts) : fonts_(fonts) {}

PdfCanvas::~PdfCanvas() { Discard(); }

namespace {

cairo_status_t WriteToStream(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::FILE*>(closure);
  return std::fwrite(data, 1, length, out) == length ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

}  // namespace

bool PdfCanvas::Begin(std::FILE* out, int widthTenthMm, int heightTenthMm, int dpi,
                      const std::string& title, std::string& error) {
  Discard();
  if (dpi <= 0) dpi = 600;
  dpi_ = dpi;
  const double wPt = widthTenthMm / 10.0 / kMmPerInch * 72.0;
  const double hPt = heightTenthMm / 10.0 / kMmPerInch * 72.0;
  width_ = int(widthTenthMm / 10.0 / kMmPerInch * dpi);
  height_ = int(heightTenthMm / 10.0 / kMmPerInch * dpi);
  if (out == nullptr) {
    error = "no file";
    return false;
  }
  surface_ = cairo_pdf_surface_create_for_stream(WriteToStream, out, wPt, hPt);
  if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
    error = cairo_status_to_string(cairo_surface_status(surface_));
    cairo_surface_destroy(surface_);
    surface_ = nullptr;
    return false;
  }
  if (!title.empty()) cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, title.c_str());
  cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATOR, "Kestrel");
  cr_ = cairo_create(surface_);
  cairo_scale(cr_, 72.0 / dpi, 72.0 / dpi);
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  cairo_font_options_t* fo = cairo_font_options_create();
  cairo_font_options_set_hint_style(fo, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr_, fo);
  cairo_font_options_destroy(fo);
  pages_ = 1;
  PaintPaper();
  return true;
}

void PdfCanvas::PaintPaper() {
  cairo_set_source_rgb(cr_, 1, 1, 1);
  cairo_paint(cr_);
}

void PdfCanvas::NextPage() {
  if (cr_ == nullptr) return;
  Flush();
  cairo_show_page(cr_);
  ++pages_;
  PaintPaper();
}

bool PdfCanvas::Finish(std::string& error) {
  if (cr_ == nullptr) {
    error = "no document";
    return false;
  }
  Flush();
  cairo_show_page(cr_);
  cairo_destroy(cr_);
  cr_ = nullptr;
  DropBlitCache();
  DropTileCache();
  cairo_surface_finish(surface_);
  cairo_status_t st = cairo_surface_status(surface_);
  cairo_surface_destroy(surface_);
  surface_ = nullptr;
  if (st != CAIRO_STATUS_SUCCESS) {
    error = cairo_status_to_string(st);
    return false;
  }
  return true;
}

void PdfCanvas::Discard() {
  DropBlitCache();
  DropTileCache();
  pending_ = Pending::None;
  pendingPixels_ = 0;
  groups_.clear();
  shapes_.clear();
  if (cr_ != nullptr) cairo_destroy(cr_);
  cr_ = nullptr;
  if (surface_ != nullptr) {
    cairo_surface_finish(surface_);
    cairo_surface_destroy(surface_);
  }
  surface_ = nullptr;
}

void PdfCanvas::SetColour(Colour c) { cairo_set_source_rgb(cr_, c.r() / 255.0, c.g() / 255.0, c.b() / 255.0); }

void PdfCanvas::FillPathWithBrush(const Brush& brush, bool opaque, Colour background) {
  if (brush.kind == BrushKind::Clear) {
    cairo_new_path(cr_);
    return;
  }
  if (brush.kind == BrushKind::Solid) {
    SetColour(brush.colour);
    cairo_fill(cr_);
    return;
  }
  std::array<uint32_t, 64> argb{};
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      uint32_t& cell = argb[size_t(y * 8 + x)];
      if (brush.kind == BrushKind::Pattern) cell = Argb(brush.pattern.at(x, y));
      else if (HatchInk(brush.hatch, x, y)) cell = Argb(brush.colour);
      else cell = opaque ? Argb(background) : 0;  // transparent gaps
    }
  cairo_pattern_t* pattern = nullptr;
  for (const Tile& t : tiles_)
    if (t.argb == argb) pattern = t.pattern;
  if (pattern == nullptr) {
    cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
    cairo_surface_flush(img);
    auto* data = cairo_image_surface_get_data(img);
    const int stride = cairo_image_surface_get_stride(img);
    for (int y = 0; y < 8; ++y) std::memcpy(data + y * stride, &argb[size_t(y * 8)], 8 * sizeof(uint32_t));
    cairo_surface_mark_dirty(img);
    pattern = cairo_pattern_create_for_surface(img);
    cairo_surface_destroy(img);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    tiles_.push_back(Tile{argb, pattern});
  }
  // The pattern is fixed to user space, whose origin is the device origin.
  cairo_set_source(cr_, pattern);
  cairo_fill(cr_);
}

void PdfCanvas::DropTileCache() {
  for (Tile& t : tiles_) cairo_pattern_destroy(t.pattern);
  tiles_.clear();
}

void PdfCanvas::StrokePathWithPen(const Pen& pen, bool opaque, Colour background) {
  if (pen.style == PenStyle::Null) {
    cairo_new_path(cr_);
    return;
  }
  if (IsCosmeticPen(pen)) {
    cairo_set_line_width(cr_, 1.0);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
    const DashRuns d = DashRunsOf(pen.style);
    if (d.count > 0) {
      double runs[6];
      for (int i = 0; i < d.count; ++i) runs[i] = d.runs[size_t(i)];
      if (opaque) {
        // OPAQUE mode paints the gaps in the background colour: the line
        // solid in that colour under its dashes. A solid stroke costs the
        // writer little; the lines of one path never cross (see Gather).
        SetColour(background);
        cairo_set_dash(cr_, nullptr, 0, 0);
        cairo_stroke_preserve(cr_);
      }
      cairo_set_dash(cr_, runs, d.count, 0);
    } else {
      cairo_set_dash(cr_, nullptr, 0, 0);
    }
  } else {
    // A wide pen draws solid whatever its style, with round ends and joins.
    cairo_set_line_width(cr_, pen.width);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    cairo_set_dash(cr_, nullptr, 0, 0);
  }
  SetColour(pen.colour);
  cairo_stroke(cr_);
  cairo_set_dash(cr_, nullptr, 0, 0);
}

void PdfCanvas::DrawLine(DevicePoint from, DevicePoint to) {
  if (cr_ == nullptr || state().pen.style == PenStyle::Null) return;
  if (from == to) return;  // GDI draws nothing for a zero-length line
  const CanvasState& s = state();
  Group key;
  key.line = true;
  key.pen = s.pen;
  key.opaque = !s.transparentBackground;
  key.background = s.backgroundColour;
  key.oneColour = !DrawsDashes(s.pen) || !key.opaque;
  key.paint = s.pen.colour;
  // The pixels the line may paint (in 64 bits: points may lie anywhere).
  const int64_t reach = int64_t(std::max(s.pen.width, 1)) / 2 + 1;
  auto clamp = [](int64_t v) { return int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  Shape shape;
  shape.bounds = DeviceRect{clamp(int64_t(std::min(from.x, to.x)) - reach),
                            clamp(int64_t(std::min(from.y, to.y)) - reach),
                            clamp(int64_t(std::max(from.x, to.x)) + reach + 1),
                            clamp(int64_t(std::max(from.y, to.y)) + reach + 1)};
  if (IsCosmeticPen(s.pen)) {
    // Through the pixel centres, ending half a pixel before the end point's
    // centre so that its pixel stays out.
    const double dx = to.x - from.x, dy = to.y - from.y;
    const double len = std::hypot(dx, dy);
    const double ux = dx / len, uy = dy / len;
    shape.x0 = from.x + 0.5 - 0.5 * ux, shape.y0 = from.y + 0.5 - 0.5 * uy;
    shape.x1 = to.x + 0.5 - 0.5 * ux, shape.y1 = to.y + 0.5 - 0.5 * uy;
  } else {
    shape.x0 = from.x, shape.y0 = from.y, shape.x1 = to.x, shape.y1 = to.y;
  }
  Gather(key, shape);
}

void PdfCanvas::FillRect(DeviceRect r) {
  if (cr_ == nullptr) return;
  int l = std::min(r.left, r.right), rr = std::max(r.left, r.right);
  int t = std::min(r.top, r.bottom), b = std::max(r.top, r.bottom);
  if (rr <= l || b <= t || state().brush.kind == BrushKind::Clear) return;
  const CanvasState& s = state();
  Group key;
  key.brush = s.brush;
  key.opaque = !s.transparentBackground;
  key.background = s.backgroundColour;
  key.oneColour = s.brush.kind == BrushKind::Solid;
  key.paint = s.brush.colour;
  Shape shape;
  shape.bounds = DeviceRect{l, t, rr, b};
  shape.x0 = l, shape.y0 = t, shape.x1 = rr, shape.y1 = b;
  Gather(key, shape);
}

void PdfCanvas::Gather(const Group& key, const Shape& shape) {
  if (pending_ != Pending::Shapes || shapes_.size() >= 2048) {
    Flush();
    pending_ = Pending::Shapes;
  }
  auto same = [&](const Group& g) {
    return g.line == key.line && g.opaque == key.opaque && g.background == key.background &&
           (key.line ? g.pen == key.pen : g.brush == key.brush);
  };
  auto meets = [](const DeviceRect& a, const DeviceRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
  };
  size_t group = groups_.size();
  for (size_t g = groups_.size(); g-- > 0;)
    if (same(groups_[g])) {
      group = g;
      break;
    }
  if (group < groups_.size()) {
    // A line whose gaps are painted is drawn after every line of its group
    // it crosses (gaps and dashes are stroked one after the other). Fills of
    // one brush paint the same tile at the same origin: their order never shows.
    const bool selfOrdered = key.line && !key.oneColour;
    for (size_t i = groups_[group].first; i < shapes_.size(); ++i) {
      const Shape& o = shapes_[i];
      if (o.group < group || (o.group == group && !selfOrdered)) continue;
      const Group& og = groups_[o.group];
      if (o.group != group && key.oneColour && og.oneColour && og.paint == key.paint) continue;
      if (meets(shape.bounds, o.bounds)) {
        group = groups_.size();
        break;
      }
    }
  }
  if (group == groups_.size()) {
    groups_.push_back(key);
    groups_.back().first = shapes_.size();
  }
  shapes_.push_back(shape);
  shapes_.back().group = uint32_t(group);
}

void PdfCanvas::DrawGroups() {
  for (size_t g = 0; g < groups_.size(); ++g) {
    const Group& group = groups_[g];
    for (size_t i = group.first; i < shapes_.size(); ++i) {
      const Shape& sh = shapes_[i];
      if (sh.group != g) continue;
      if (group.line) {
        cairo_move_to(cr_, sh.x0, sh.y0);
        cairo_line_to(cr_, sh.x1, sh.y1);
      } else {
        cairo_rectangle(cr_, sh.x0, sh.y0, sh.x1 - sh.x0, sh.y1 - sh.y0);
      }
    }
    if (group.line) StrokePathWithPen(group.pen, group.opaque, group.background);
    else FillPathWithBrush(group.brush, group.opaque, group.background);
  }
  groups_.clear();
  shapes_.clear();
}

// Rectangle (gdi_shapes.h): the brush fills the inside of the outline, then
// the pen draws the outline through the box's ink corners.
void PdfCanvas::Rectangle(DeviceRect rc) {
  Flush();
  if (cr_ == nullptr) return;
  const DeviceRect box = OrderedBox(rc);
  if (box.width() < 1 || box.height() < 1) return;
  const Pen& pen = state().pen;
  const DeviceRect fill = RectangleFill(box, pen);
  if (fill.width() > 0 && fill.height() > 0) {
    cairo_rectangle(cr_, fill.left, fill.top, fill.width(), fill.height());
    FillPathWithBrush(state().brush, !state().transparentBackground, state().backgroundColour);
  }
  if (pen.style == PenStyle::Null) return;
  const DeviceRect o = InkBox(box);
  if (IsCosmeticPen(pen)) {
    if (box.width() == 1 || box.height() == 1) {
      // A one-pixel-wide outline is a filled strip.
      cairo_rectangle(cr_, box.left, box.top, box.width(), box.height());
      SetColour(pen.colour);
      cairo_fill(cr_);
      return;
    }
    cairo_rectangle(cr_, o.left + 0.5, o.top + 0.5, o.width(), o.height());
  } else {
    cairo_rectangle(cr_, o.left, o.top, o.width(), o.height());
  }
  StrokePathWithPen(state().pen, !state().transparentBackground, state().backgroundColour);
}

void PdfCanvas::Arc(DeviceRect box, DevicePoint start, DevicePoint end) {
  Flush();
  if (cr_ == nullptr || state().pen.style == PenStyle::Null) return;
  // The ink lies inside the box with the right and bottom edges left out:
  // the one-pixel curve runs through the centres of the outer pixels.
  const DeviceRect ink = InkBox(OrderedBox(box));
  const double cx = (ink.left + ink.right + 1) / 2.0, cy = (ink.top + ink.bottom + 1) / 2.0;
  const double rx = (ink.right - ink.left) / 2.0, ry = (ink.bottom - ink.top) / 2.0;
  if (rx <= 0 || ry <= 0) return;
  // Angles of the radials through start and end, measured on the circle
  // the ellipse comes from.
  auto angle = [&](DevicePoint p) { return std::atan2((p.y + 0.5 - cy) / ry, (p.x + 0.5 - cx) / rx); };
  cairo_save(cr_);
  cairo_translate(cr_, cx, cy);
  cairo_scale(cr_, rx, ry);
  cairo_new_path(cr_);
  if (start == end) {
    cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
    cairo_close_path(cr_);
  } else {
    double a0 = angle(start), a1 = angle(end);
    // Counterclockwise on the page, whose y axis points down.
    if (a1 >= a0) a1 -= 2 * M_PI;
    cairo_arc_negative(cr_, 0, 0, 1, a0, a1);
  }
  cairo_restore(cr_);  // stroke with an unscaled pen
  StrokePathWithPen(state().pen, !state().transparentBackground, state().backgroundColour);
}

// Pixels set one after another in one colour become one filled path.
void PdfCanvas::SetPixel(DevicePoint p, Colour c) {
  if (cr_ == nullptr) return;
  if (pending_ != Pending::Pixels || c != pendingColour_ || pendingPixels_ >= 4096) {
    Flush();
    pending_ = Pending::Pixels;
    pendingColour_ = c;
  }
  ++pendingPixels_;
  cairo_rectangle(cr_, p.x, p.y, 1, 1);
}

void PdfCanvas::Flush() {
  const Pending what = pending_;
  pending_ = Pending::None;
  pendingPixels_ = 0;
  if (cr_ == nullptr) {
    groups_.clear();
    shapes_.clear();
    return;
  }
  if (what == Pending::Pixels) {
    SetColour(pendingColour_);
    cairo_fill(cr_);
  } else if (what == Pending::Shapes) {
    DrawGroups();
  }
}

// A vector page cannot read what lies under a block transfer, so the two
// raster operations are drawn as the paint they amount to over a page
// that is white or already painted by the other: OR paints every pixel
// that is not black (exact for black and white sources, which is what the
// mask of a two-step pattern holds), AND paints every pixel that is not
// white (exact for the colour step over its mask).
void PdfCanvas::Blit(DevicePoint at, const SmallBitmap& bitmap, bool orMode) {
  Flush();
  if (cr_ == nullptr || bitmap.width <= 0 || bitmap.height <= 0) return;
  if (bitmap.pixels.size() < size_t(bitmap.width) * size_t(bitmap.height)) return;
  auto argbOf = [&](int x, int y) {
    Colour c = bitmap.at(x, y);
    bool skip = orMode ? c == kBlack : c == kWhite;
    return skip ? 0u : Argb(c);
  };
  cairo_surface_t* img = nullptr;
  const bool small = bitmap.width <= 8 && bitmap.height <= 8;
  std::array<uint32_t, 64> key{};
  bool any = false;
  if (small) {
    for (int y = 0; y < bitmap.height; ++y)
      for (int x = 0; x < bitmap.width; ++x) {
        key[size_t(y * 8 + x)] = argbOf(x, y);
        any = any || key[size_t(y * 8 + x)] != 0;
      }
    if (!any) return;
    for (auto& t : blitTiles_) {
      if (t.surface != nullptr && t.orMode == orMode && t.width == bitmap.width && t.height == bitmap.height &&
          t.argb == key) {
        img = cairo_surface_reference(t.surface);
        break;
      }
    }
  }
  if (img == nullptr) {
    img = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, bitmap.width, bitmap.height);
    if (cairo_surface_status(img) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(img);
      return;
    }
    cairo_surface_flush(img);
    auto* data = cairo_image_surface_get_data(img);
    const int stride = cairo_image_surface_get_stride(img);
    for (int y = 0; y < bitmap.height; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
      for (int x = 0; x < bitmap.width; ++x) {
        row[x] = small ? key[size_t(y * 8 + x)] : argbOf(x, y);
        any = any || row[x] != 0;
      }
    }
    cairo_surface_mark_dirty(img);
    if (small) {
      BlitTile& t = blitTiles_[nextBlitTile_];
      nextBlitTile_ = (nextBlitTile_ + 1) % blitTiles_.size();
      if (t.surface != nullptr) cairo_surface_destroy(t.surface);
      t.orMode = orMode;
      t.width = bitmap.width;
      t.height = bitmap.height;
      t.argb = key;
      t.surface = cairo_surface_reference(img);
    }
  }
  if (any) {
    cairo_set_source_surface(cr_, img, at.x, at.y);
    cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr_, at.x, at.y, bitmap.width, bitmap.height);
    cairo_fill(cr_);
  }
  cairo_surface_destroy(img);
}

void PdfCanvas::DropBlitCache() {
  for (auto& t : blitTiles_) {
    if (t.surface != nullptr) cairo_surface_destroy(t.surface);
    t = BlitTile{};
  }
  nextBlitTile_ = 0;
}

void PdfCanvas::BlitOr(DevicePoint at, const SmallBitmap& bitmap) { Blit(at, bitmap, true); }
void PdfCanvas::BlitAnd(DevicePoint at, const SmallBitmap& bitmap) { Blit(at, bitmap, false); }

const PdfCanvas::Face* PdfCanvas::FaceOfFile(const ResolvedFace& resolved) {
  const std::string key = resolved.file + "#" + std::to_string(resolved.index);
  auto it = faces_.find(key);
  if (it != faces_.end()) return it->second.get();
  auto face = std::make_unique<Face>();
  FT_Face ft = nullptr;
  if (!resolved.file.empty() && Library() != nullptr &&
      FT_New_Face(Library(), resolved.file.c_str(), resolved.index, &ft) == 0) {
    face->face = cairo_ft_font_face_create_for_ft_face(ft, 0);
    // The FreeType face lives as long as cairo uses it.
    if (cairo_font_face_set_user_data(face->face, &kFaceKey, ft,
                                      [](void* p) { FT_Done_Face(static_cast<FT_Face>(p)); }) !=
        CAIRO_STATUS_SUCCESS) {
      cairo_font_face_destroy(face->face);
      face->face = nullptr;
      FT_Done_Face(ft);
    } else {
      face->ft = ft;
    }
  }
  const Face* out = face.get();
  faces_.emplace(key, std::move(face));
  return out;
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

// Text: the logical-font rules of the raster page (ComputeGdiFontSize): a
// positive height is the cell height (Windows ascent + descent), a negative
// one the em; a width is the average character width and stretches the
// glyphs; the cell's top-left corner sits at p, the run turned by the
// escapement about it. Characters the face lacks (user-defined characters,
// symbols) come from the face fontconfig finds for them, at the same size.
// Malformed UTF-8 (a data file's name in the page label) is drawn as the
// raster page draws it, one U+FFFD per malformed sequence.
void PdfCanvas::DrawText(DevicePoint p, std::string_view text) {
  Flush();
  if (cr_ == nullptr || fonts_ == nullptr || text.empty()) return;
  std::string_view utf8 = text;
  if (!IsValidUtf8(text)) {
    validText_.clear();
    AppendValidUtf8(text, validText_);
    utf8 = validText_;
  }
  const FontSpec& font = state().font;
  const Face* face = FaceFor(font.face);
  if (face == nullptr || face->face == nullptr) return;
  const GdiFontSize size = ComputeGdiFontSize(face->ft, font.height, font.width);

  const double angle = -font.escapement / 10.0 * M_PI / 180.0;  // counterclockwise on the page
  cairo_matrix_t fm;
  cairo_matrix_init_rotate(&fm, angle);
  cairo_matrix_scale(&fm, size.emX, size.emY);
  cairo_set_font_matrix(cr_, &fm);
  double penX = p.x - std::sin(angle) * size.ascent;
  double penY = p.y + std::cos(angle) * size.ascent;

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

    cairo_set_font_face(cr_, runFace->face);
    cairo_scaled_font_t* sf = cairo_get_scaled_font(cr_);
    cairo_glyph_t* glyphs = nullptr;
    int glyphCount = 0;
    cairo_text_cluster_t* clusters = nullptr;
    int clusterCount = 0;
    cairo_text_cluster_flags_t flags{};
    if (cairo_scaled_font_text_to_glyphs(sf, penX, penY, run.data(), int(run.size()), &glyphs, &glyphCount,
                                         &clusters, &clusterCount, &flags) != CAIRO_STATUS_SUCCESS) {
      return;
    }
    cairo_text_extents_t ext;
    cairo_scaled_font_glyph_extents(sf, glyphs, glyphCount, &ext);
    if (!state().transparentBackground) {
      // OPAQUE mode fills the cell behind the text with the background colour.
      cairo_save(cr_);
      cairo_translate(cr_, penX + std::sin(angle) * size.ascent, penY - std::cos(angle) * size.ascent);
      cairo_rotate(cr_, angle);
      cairo_rectangle(cr_, 0, 0, std::hypot(ext.x_advance, ext.y_advance), size.cellHeight());
      cairo_restore(cr_);
      SetColour(state().backgroundColour);
      cairo_fill(cr_);
    }
    SetColour(state().textColour);
    // Glyphs with their text, so that readers copy the characters themselves.
    cairo_show_text_glyphs(cr_, run.data(), int(run.size()), glyphs, glyphCount, clusters, clusterCount, flags);
    cairo_glyph_free(glyphs);
    cairo_text_cluster_free(clusters);
    penX += ext.x_advance;
    penY += ext.y_advance;
  }
}

}  // namespace kestrel
