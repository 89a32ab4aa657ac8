#include "platform/pdf/pdf_canvas.h"
#include "platform/pdf/pdf_canvas_parts.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "platform/fonts/font_resolver.h"
#include "platform/fonts/fontconfig_resolver.h"
#include "platform/fonts/gdi_font_metrics.h"
#include "platform/gdi_shapes.h"
#include "platform/pdf/pdf_font.h"
#include "util/utf8.h"

namespace kestrel {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr int kCell = 32;  // device pixels a side of a cell of the painted map
// Content bytes of a page held before they are written as a content stream
// of their own: a form page stays one stream (and its bytes as they were),
// a page of millions of glyphs is written a megabyte at a time.
constexpr size_t kContentPart = size_t(1) << 20;

// A colour's components as PDF numbers; a grey as one number.
void AppendColour(std::string& out, uint32_t rgb, const char* rgbOp, const char* greyOp) {
  const int r = int(rgb >> 16), g = int((rgb >> 8) & 0xFF), b = int(rgb & 0xFF);
  for (int v : {r, g, b}) {
    AppendPdfNumber(out, v / 255.0);
    out += ' ';
    if (r == g && g == b) {
      out += greyOp;
      out += '\n';
      return;
    }
  }
  out += rgbOp;
  out += '\n';
}

}  // namespace

void AppendPoints(std::string& out, double v) {
  char buf[48];
  int n = std::snprintf(buf, sizeof buf, "%.10f", v);
  while (n > 0 && buf[n - 1] == '0') --n;
  if (n > 0 && buf[n - 1] == '.') --n;
  out.append(buf, size_t(std::max(n, 0)));
}

PdfCanvas::PdfCanvas(FontResolver* fonts) : fonts_(fonts) {}

PdfCanvas::~PdfCanvas() { Discard(); }

bool PdfCanvas::Begin(std::FILE* out, int widthTenthMm, int heightTenthMm, int dpi, const std::string& title,
                      std::string& error) {
  Discard();
  if (dpi <= 0) dpi = 600;
  dpi_ = dpi;
  widthPt_ = widthTenthMm / 10.0 / kMmPerInch * 72.0;
  heightPt_ = heightTenthMm / 10.0 / kMmPerInch * 72.0;
  width_ = int(widthTenthMm / 10.0 / kMmPerInch * dpi);
  height_ = int(heightTenthMm / 10.0 / kMmPerInch * dpi);
  if (out == nullptr) {
    error = "no file";
    return false;
  }
  doc_.Open(out);
  title_.clear();
  AppendValidUtf8(title, title_);
  catalog_ = doc_.NewObject();
  pageTree_ = doc_.NewObject();
  resources_ = doc_.NewObject();
  info_ = doc_.NewObject();
  cellsX_ = std::max(width_, 1) / kCell + 1;
  cellsY_ = std::max(height_, 1) / kCell + 1;
  open_ = true;
  pages_ = 1;
  StartPage();
  return true;
}

void PdfCanvas::StartPage() {
  content_.clear();
  fill_ = stroke_ = -1;
  lineWidth_ = lineCap_ = -1;
  dash_ = PenStyle::Solid;
  inText_ = false;
  textFont_ = nullptr;
  invisibleText_ = false;
  painted_.assign(size_t(cellsX_) * size_t(cellsY_), 0);
  // Device pixels to points, y downwards from the top-left corner.
  const double scale = 72.0 / dpi_;
  AppendPoints(content_, scale);
  content_ += " 0 0 ";
  AppendPoints(content_, -scale);
  content_ += " 0 ";
  AppendPoints(content_, heightPt_);
  content_ += " cm\n";
}

void PdfCanvas::WriteContentPart(bool last) {
  if (!last && content_.size() < kContentPart) return;
  const int part = doc_.NewObject();
  doc_.WriteStream(part, {}, content_);
  contentParts_.push_back(part);
  content_.clear();
}

void PdfCanvas::EndPage() {
  Flush();
  EndText();
  WriteContentPart(true);
  const int page = doc_.NewObject();
  std::string body = "<< /Type /Page /Parent ";
  AppendPdfInteger(body, pageTree_);
  body += " 0 R /MediaBox [ 0 0 ";
  AppendPoints(body, widthPt_);
  body += ' ';
  AppendPoints(body, heightPt_);
  body += " ] /Resources ";
  AppendPdfInteger(body, resources_);
  body += " 0 R /Contents ";
  if (contentParts_.size() == 1) {
    AppendPdfInteger(body, contentParts_[0]);
    body += " 0 R >>";
  } else {
    // The parts are one content stream cut between lines (token boundaries).
    body += '[';
    for (int part : contentParts_) {
      body += ' ';
      AppendPdfInteger(body, part);
      body += " 0 R";
    }
    body += " ] >>";
  }
  doc_.WriteObject(page, body);
  pageObjects_.push_back(page);
  contentParts_.clear();
  content_.clear();
}

void PdfCanvas::NextPage() {
  if (!open_) return;
  EndPage();
  ++pages_;
  StartPage();
}

bool PdfCanvas::Finish(std::string& error) {
  if (!open_) {
    error = "no document";
    return false;
  }
  EndPage();
  std::string body = "<< /ColorSpace << /PC [/Pattern /DeviceRGB] >> /Pattern << ";
  body += patternResources_;
  body += ">> /XObject << ";
  body += xobjectResources_;
  body += ">> /Font << ";
  for (const auto& [face, font] : documentFonts_) {
    font->Write(doc_);
    body += '/';
    body += font->resource();
    body += ' ';
    AppendPdfInteger(body, font->object());
    body += " 0 R ";
  }
  body += ">> >>";
  doc_.WriteObject(resources_, body);
  body = "<< /Type /Pages /Kids [";
  for (int page : pageObjects_) {
    body += ' ';
    AppendPdfInteger(body, page);
    body += " 0 R";
  }
  body += " ] /Count ";
  AppendPdfInteger(body, int64_t(pageObjects_.size()));
  body += " >>";
  doc_.WriteObject(pageTree_, body);
  body = "<< /Type /Catalog /Pages ";
  AppendPdfInteger(body, pageTree_);
  body += " 0 R >>";
  doc_.WriteObject(catalog_, body);
  body = "<< ";
  if (!title_.empty()) {
    body += "/Title ";
    AppendPdfTextString(body, title_);
    body += ' ';
  }
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  char date[40] = "";
  if (gmtime_r(&now, &utc) != nullptr) std::strftime(date, sizeof date, "(D:%Y%m%d%H%M%SZ)", &utc);
  body += "/Creator (Kestrel) /Producer (Kestrel) /CreationDate ";
  body += date[0] != '\0' ? date : "(D:19700101000000Z)";
  body += " >>";
  doc_.WriteObject(info_, body);
  const bool ok = doc_.Finish(catalog_, info_);
  open_ = false;
  Discard();
  if (!ok) {
    error = "cannot write the PDF file";
    return false;
  }
  return true;
}

void PdfCanvas::Discard() {
  open_ = false;
  pending_ = Pending::None;
  pendingPixels_ = 0;
  groups_.clear();
  shapes_.clear();
  pageObjects_.clear();
  colourTiles_.clear();
  maskTiles_.clear();
  blitTiles_.clear();
  patternResources_.clear();
  xobjectResources_.clear();
  resourceCount_ = 0;
  documentFonts_.clear();
  content_.clear();
  content_.shrink_to_fit();
  contentParts_.clear();
  painted_.clear();
}

bool PdfCanvas::Painted(const DeviceRect& r) const {
  const int x0 = std::clamp(r.left, 0, width_) / kCell, x1 = std::clamp(r.right - 1, 0, width_) / kCell;
  const int y0 = std::clamp(r.top, 0, height_) / kCell, y1 = std::clamp(r.bottom - 1, 0, height_) / kCell;
  for (int y = y0; y <= y1 && y < cellsY_; ++y)
    for (int x = x0; x <= x1 && x < cellsX_; ++x)
      if (painted_[size_t(y) * size_t(cellsX_) + size_t(x)] != 0) return true;
  return false;
}

void PdfCanvas::Mark(const DeviceRect& r) {
  if (painted_.empty() || r.right <= 0 || r.bottom <= 0 || r.left >= width_ || r.top >= height_) return;
  const int x0 = std::clamp(r.left, 0, width_) / kCell, x1 = std::clamp(r.right - 1, 0, width_) / kCell;
  const int y0 = std::clamp(r.top, 0, height_) / kCell, y1 = std::clamp(r.bottom - 1, 0, height_) / kCell;
  if (x1 < x0 || y1 < y0) return;
  for (int y = y0; y <= y1 && y < cellsY_; ++y)
    std::memset(&painted_[size_t(y) * size_t(cellsX_) + size_t(x0)], 1, size_t(std::min(x1, cellsX_ - 1) - x0 + 1));
}

void PdfCanvas::EndText() {
  if (!inText_) return;
  content_ += "ET\n";
  inText_ = false;
}

void PdfCanvas::SetFill(Colour c) {
  const int64_t rgb = int64_t((uint32_t(c.r()) << 16) | (uint32_t(c.g()) << 8) | c.b());
  if (fill_ == rgb) return;
  fill_ = rgb;
  AppendColour(content_, uint32_t(rgb), "rg", "g");
}

void PdfCanvas::SetStroke(Colour c) {
  const int64_t rgb = int64_t((uint32_t(c.r()) << 16) | (uint32_t(c.g()) << 8) | c.b());
  if (stroke_ == rgb) return;
  stroke_ = rgb;
  AppendColour(content_, uint32_t(rgb), "RG", "G");
}

void PdfCanvas::AppendPoint(double x, double y, const char* op) {
  AppendPdfNumber(path_, x);
  path_ += ' ';
  AppendPdfNumber(path_, y);
  path_ += ' ';
  path_ += op;
  path_ += '\n';
}

void PdfCanvas::FillPathWithBrush(const Brush& brush, bool opaque, Colour background, bool bare) {
  if (brush.kind == BrushKind::Clear) {
    path_.clear();
    return;
  }
  if (brush.kind == BrushKind::Solid) {
    SetFill(brush.colour);
    content_ += path_;
    content_ += "f\n";
    path_.clear();
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
  // The tile's colours: at most two (ink, and what lies under it) make a
  // mask; the ink is the colour that is not white.
  uint32_t first = argb[0], second = first;
  bool two = true;
  for (uint32_t cell : argb) {
    if (cell == first || cell == second) continue;
    if (second == first) second = cell;
    else two = false;
  }
  if (two && first == second) {  // one colour: a plain fill
    if (first != 0) {
      SetFill(Colour::Rgb(uint8_t(first >> 16), uint8_t(first >> 8), uint8_t(first)));
      content_ += path_;
      content_ += "f\n";
    }
    path_.clear();
    return;
  }
  const uint32_t kWhiteArgb = Argb(kWhite);
  uint32_t ink = first, under = second;
  if (ink == 0 || ink == kWhiteArgb) std::swap(ink, under);
  if (under == kWhiteArgb && bare) under = 0;  // white over bare paper
  uint64_t mask = 0;
  for (size_t i = 0; i < 64; ++i)
    if (argb[i] == ink) mask |= uint64_t(1) << (63 - i);
  if (two && under != 0) {
    SetFill(Colour::Rgb(uint8_t(under >> 16), uint8_t(under >> 8), uint8_t(under)));
    content_ += path_;
    content_ += "f\n";
  }
  const std::string& name = TilePattern(argb, mask, two);
  if (two) {
    content_ += "/PC cs ";
    for (int shift : {16, 8, 0}) {
      AppendPdfNumber(content_, ((ink >> shift) & 0xFF) / 255.0);
      content_ += ' ';
    }
    content_ += '/';
    content_ += name;
    content_ += " scn\n";
  } else {
    content_ += "/Pattern cs /";
    content_ += name;
    content_ += " scn\n";
  }
  fill_ = -1;  // the fill is a pattern now
  content_ += path_;
  content_ += "f\n";
  path_.clear();
}

void PdfCanvas::StrokePathWithPen(const std::string& path, const Pen& pen, bool opaque, Colour background) {
  if (pen.style == PenStyle::Null || path.empty()) return;
  const bool cosmetic = IsCosmeticPen(pen);
  const int width = cosmetic ? 1 : pen.width;
  const int cap = cosmetic ? 0 : 1;  // butt ends and mitred joins, or round both
  if (width != lineWidth_) {
    AppendPdfInteger(content_, width);
    content_ += " w\n";
    lineWidth_ = width;
  }
  if (cap != lineCap_) {
    content_ += cap == 0 ? "0 J 0 j\n" : "1 J 1 j\n";
    lineCap_ = cap;
  }
  // A wide pen draws solid whatever its style.
  const PenStyle style = cosmetic && DashRunsOf(pen.style).count > 0 ? pen.style : PenStyle::Solid;
  auto setDash = [&](PenStyle s) {
    if (s == dash_) return;
    dash_ = s;
    const DashRuns d = DashRunsOf(s);
    content_ += '[';
    for (int i = 0; i < d.count; ++i) {
      if (i > 0) content_ += ' ';
      AppendPdfInteger(content_, d.runs[size_t(i)]);
    }
    content_ += "] 0 d\n";
  };
  if (style != PenStyle::Solid && opaque) {
    // OPAQUE mode paints the gaps in the background colour: the line solid
    // in that colour under its dashes. The lines of one path never cross
    // (see Gather).
    setDash(PenStyle::Solid);
    SetStroke(background);
    content_ += path;
    content_ += "S\n";
  }
  setDash(style);
  SetStroke(pen.colour);
  content_ += path;
  content_ += "S\n";
}
void PdfCanvas::DrawLine(DevicePoint from, DevicePoint to) {
  if (!open_ || state().pen.style == PenStyle::Null) return;
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
  // Gaps painted in white over bare paper change nothing: such a line is
  // drawn as its dashes alone.
  if (key.opaque && DrawsDashes(s.pen) && s.backgroundColour == kWhite && !Painted(shape.bounds)) {
    key.opaque = false;
    key.oneColour = true;
  }
  Mark(shape.bounds);
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
  if (!open_) return;
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
  // A tile's white cells over bare paper may be left out.
  key.bare = s.brush.kind != BrushKind::Solid && !Painted(shape.bounds);
  Mark(shape.bounds);
  Gather(key, shape);
}

void PdfCanvas::Gather(const Group& key, const Shape& shape) {
  if (pending_ != Pending::Shapes || shapes_.size() >= 2048) {
    Flush();
    pending_ = Pending::Shapes;
  }
  auto same = [&](const Group& g) {
    return g.line == key.line && g.opaque == key.opaque && g.background == key.background && g.bare == key.bare &&
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
    // Shapes of later groups all come after the next group's first one.
    const size_t from = selfOrdered ? groups_[group].first
                                    : (group + 1 < groups_.size() ? groups_[group + 1].first : shapes_.size());
    for (size_t i = from; i < shapes_.size(); ++i) {
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
  } else {
    shapes_[groups_[group].last].next = uint32_t(shapes_.size());
  }
  groups_[group].last = shapes_.size();
  shapes_.push_back(shape);
  shapes_.back().group = uint32_t(group);
  shapes_.back().next = 0;
}

void PdfCanvas::DrawGroups() {
  EndText();
  for (size_t g = 0; g < groups_.size(); ++g) {
    const Group& group = groups_[g];
    path_.clear();
    for (size_t i = group.first;; i = shapes_[i].next) {
      const Shape& sh = shapes_[i];
      if (group.line) {
        AppendPoint(sh.x0, sh.y0, "m");
        AppendPoint(sh.x1, sh.y1, "l");
      } else {
        AppendPdfNumber(path_, sh.x0);
        path_ += ' ';
        AppendPdfNumber(path_, sh.y0);
        path_ += ' ';
        AppendPdfNumber(path_, sh.x1 - sh.x0);
        path_ += ' ';
        AppendPdfNumber(path_, sh.y1 - sh.y0);
        path_ += " re\n";
      }
      if (sh.next == 0) break;
    }
    if (group.line) StrokePathWithPen(path_, group.pen, group.opaque, group.background);
    else FillPathWithBrush(group.brush, group.opaque, group.background, group.bare);
  }
  path_.clear();
  groups_.clear();
  shapes_.clear();
}

// Rectangle (gdi_shapes.h): the brush fills the inside of the outline, then
// the pen draws the outline through the box's ink corners.
void PdfCanvas::Rectangle(DeviceRect rc) {
  Flush();
  if (!open_) return;
  const DeviceRect box = OrderedBox(rc);
  if (box.width() < 1 || box.height() < 1) return;
  EndText();
  const Pen& pen = state().pen;
  const int reach = std::max(pen.width, 1) / 2 + 1;
  const DeviceRect fill = RectangleFill(box, pen);
  const bool bare = !Painted(fill);
  Mark(DeviceRect{box.left - reach, box.top - reach, box.right + reach, box.bottom + reach});
  auto rect = [&](double x, double y, double w, double h) {
    path_.clear();
    for (double v : {x, y, w, h}) {
      AppendPdfNumber(path_, v);
      path_ += ' ';
    }
    path_ += "re\n";
  };
  if (fill.width() > 0 && fill.height() > 0) {
    rect(fill.left, fill.top, fill.width(), fill.height());
    FillPathWithBrush(state().brush, !state().transparentBackground, state().backgroundColour, bare);
  }
  if (pen.style == PenStyle::Null) return;
  const DeviceRect o = InkBox(box);
  if (IsCosmeticPen(pen)) {
    if (box.width() == 1 || box.height() == 1) {
      // A one-pixel-wide outline is a filled strip.
      rect(box.left, box.top, box.width(), box.height());
      SetFill(pen.colour);
      content_ += path_;
      content_ += "f\n";
      path_.clear();
      return;
    }
    rect(o.left + 0.5, o.top + 0.5, o.width(), o.height());
  } else {
    rect(o.left, o.top, o.width(), o.height());
  }
  const std::string outline = path_;
  path_.clear();
  StrokePathWithPen(outline, pen, !state().transparentBackground, state().backgroundColour);
}

void PdfCanvas::Arc(DeviceRect box, DevicePoint start, DevicePoint end) {
  Flush();
  if (!open_ || state().pen.style == PenStyle::Null) return;
  // The ink lies inside the box with the right and bottom edges left out:
  // the one-pixel curve runs through the centres of the outer pixels.
  const DeviceRect ink = InkBox(OrderedBox(box));
  const double cx = (ink.left + ink.right + 1) / 2.0, cy = (ink.top + ink.bottom + 1) / 2.0;
  const double rx = (ink.right - ink.left) / 2.0, ry = (ink.bottom - ink.top) / 2.0;
  if (rx <= 0 || ry <= 0) return;
  EndText();
  const int reach = std::max(state().pen.width, 1) / 2 + 1;
  Mark(DeviceRect{ink.left - reach, ink.top - reach, ink.right + reach + 1, ink.bottom + reach + 1});
  // Angles of the radials through start and end, measured on the circle
  // the ellipse comes from; counterclockwise on the page, whose y axis
  // points down, is towards smaller angles.
  auto angle = [&](DevicePoint p) { return std::atan2((p.y + 0.5 - cy) / ry, (p.x + 0.5 - cx) / rx); };
  double a0 = 0, a1 = -2 * M_PI;
  const bool full = start == end;
  if (!full) {
    a0 = angle(start);
    a1 = angle(end);
    if (a1 >= a0) a1 -= 2 * M_PI;
  }
  // Cubic Bézier curves of at most a quarter turn each.
  const int pieces = std::max(1, int(std::ceil((a0 - a1) / (M_PI / 2) - 1e-9)));
  const double step = (a1 - a0) / pieces;
  const double k = 4.0 / 3.0 * std::tan(step / 4);
  path_.clear();
  double t = a0;
  double x = cx + rx * std::cos(t), y = cy + ry * std::sin(t);
  AppendPoint(x, y, "m");
  for (int i = 0; i < pieces; ++i) {
    const double t1 = a0 + step * (i + 1);
    const double x1 = cx + rx * std::cos(t1), y1 = cy + ry * std::sin(t1);
    AppendPdfNumber(path_, x - k * rx * std::sin(t));
    path_ += ' ';
    AppendPdfNumber(path_, y + k * ry * std::cos(t));
    path_ += ' ';
    AppendPdfNumber(path_, x1 + k * rx * std::sin(t1));
    path_ += ' ';
    AppendPdfNumber(path_, y1 - k * ry * std::cos(t1));
    path_ += ' ';
    AppendPoint(x1, y1, "c");
    t = t1, x = x1, y = y1;
  }
  if (full) path_ += "h\n";
  const std::string curve = path_;
  path_.clear();
  StrokePathWithPen(curve, state().pen, !state().transparentBackground, state().backgroundColour);
}

// Pixels set one after another in one colour become one filled path.
void PdfCanvas::SetPixel(DevicePoint p, Colour c) {
  if (!open_) return;
  if (pending_ != Pending::Pixels || c != pendingColour_ || pendingPixels_ >= 4096) {
    Flush();
    pending_ = Pending::Pixels;
    pendingColour_ = c;
  }
  ++pendingPixels_;
  Mark(DeviceRect{p.x, p.y, p.x + 1, p.y + 1});
  AppendPdfInteger(path_, p.x);
  path_ += ' ';
  AppendPdfInteger(path_, p.y);
  path_ += " 1 1 re\n";
}

void PdfCanvas::Flush() {
  const Pending what = pending_;
  pending_ = Pending::None;
  pendingPixels_ = 0;
  if (!open_) {
    groups_.clear();
    shapes_.clear();
    path_.clear();
    return;
  }
  if (what == Pending::Pixels) {
    EndText();
    SetFill(pendingColour_);
    content_ += path_;
    content_ += "f\n";
    path_.clear();
  } else if (what == Pending::Shapes) {
    DrawGroups();
  }
  // Every drawing call flushes before it writes, so the content grows past
  // a part by one call's bytes at most.
  WriteContentPart(false);
}



}  // namespace kestrel
