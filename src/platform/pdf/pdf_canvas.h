// PdfCanvas: pages of a vector PDF document.
//
// The canvas speaks device pixels at the document's resolution, as a
// printer's canvas does; one transformation per page turns device pixels
// into points with y downwards, so the page content holds small whole
// numbers (halves where a one-pixel line runs through pixel centres).
// Drawing follows the GDI rules as far as vector output can: one-pixel
// lines run through pixel centres and leave out the end point's pixel,
// wide pens have round ends centred on the points, styled one-pixel pens
// dash with GDI's runs, right and bottom edges of fills are excluded, hatch
// and pattern brushes are crisp 8x8 device-pixel tiles anchored at the
// device origin (one tiling pattern per distinct tile, shared by every
// page), and text is real text (subset-embedded fonts, with the characters'
// Unicode so that it can be searched and copied) placed by the
// logical-font rules. The file structure is PdfDocument's; each page's
// content is written as the page ends.
//
// One canvas object serves a whole run: Begin opens a document, NextPage
// adds a sheet, Finish writes the file, Discard drops it. Between documents
// every drawing call is ignored.
#pragma once

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/pdf/pdf_document.h"

struct FT_FaceRec_;

namespace kestrel {

class FontResolver;
class PdfFont;
struct ResolvedFace;

class PdfCanvas final : public Canvas {
 public:
  // fonts may be null: text is then left out.
  explicit PdfCanvas(FontResolver* fonts = nullptr);
  ~PdfCanvas() override;
  PdfCanvas(const PdfCanvas&) = delete;
  PdfCanvas& operator=(const PdfCanvas&) = delete;

  // Opens a document written to out (left open; the caller's) with pages
  // widthTenthMm x heightTenthMm (0.1 mm) at dpi device pixels per inch;
  // false with a reason.
  bool Begin(std::FILE* out, int widthTenthMm, int heightTenthMm, int dpi, const std::string& title,
             std::string& error);
  // Ends the current page and starts the next one of the same size.
  void NextPage();
  // Ends the last page and completes the file; false with a reason.
  bool Finish(std::string& error);
  // Drops the document (the file it was writing stays for the caller to remove).
  void Discard();
  bool open() const { return open_; }
  int pages() const { return pages_; }

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  int PixelsPerInchX() const override { return dpi_; }
  int PixelsPerInchY() const override { return dpi_; }

  void Rectangle(DeviceRect r) override;
  void FillRect(DeviceRect r) override;
  void Arc(DeviceRect box, DevicePoint start, DevicePoint end) override;
  void SetPixel(DevicePoint p, Colour c) override;
  void BlitOr(DevicePoint at, const SmallBitmap& bitmap) override;
  void BlitAnd(DevicePoint at, const SmallBitmap& bitmap) override;
  void DrawText(DevicePoint p, std::string_view text) override;

 protected:
  void DrawLine(DevicePoint from, DevicePoint to) override;

 private:
  struct Face;
  // The content operators of the page being drawn.
  void SetFill(Colour c);
  void SetStroke(Colour c);
  void EndText();
  void AppendPoint(double x, double y, const char* op);
  // Fills the path with the brush (opaque: hatch gaps in background; bare:
  // nothing drawn under it yet, so white cells may be left out).
  void FillPathWithBrush(const Brush& brush, bool opaque, Colour background, bool bare);
  // Strokes the path with the pen (style, width, opaque: gaps in background).
  // path holds the path's operators, written once or, for painted gaps, twice.
  void StrokePathWithPen(const std::string& path, const Pen& pen, bool opaque, Colour background);
  void Blit(DevicePoint at, const SmallBitmap& bitmap, bool orMode);
  const Face* FaceFor(const std::string& name);
  const Face* FaceOfFile(const ResolvedFace& resolved);
  const Face* CoveringFace(const std::string& name, uint32_t codepoint);
  PdfFont* FontOf(const Face* face);
  // Draws a run's glyphs as filled outlines from the baseline origin (x, y):
  // unitX/unitY device pixels per font unit, turned by the escapement.
  void DrawGlyphOutlines(FT_FaceRec_* ft, std::string_view run, double x, double y, double unitX, double unitY,
                         double cosA, double sinA);
  // The resource name of the tiling pattern of an 8x8 tile: coloured (argb,
  // 0 transparent) or, masked, the ink cells of mask (bit 63: cell 0).
  const std::string& TilePattern(const std::array<uint32_t, 64>& argb, uint64_t mask, bool masked);
  // Draws what is gathered (pixels, lines and fills).
  void Flush();
  // Writes the content gathered so far as a stream of its own when it has
  // grown past kContentPart: a page is as many content streams as it needs,
  // so that memory stays flat however much the page holds.
  void WriteContentPart(bool last);
  // Writes the page's content and its page object.
  void EndPage();
  void StartPage();
  // Whether anything may have been painted on the page in r; Mark records r.
  bool Painted(const DeviceRect& r) const;
  void Mark(const DeviceRect& r);

  FontResolver* fonts_;
  bool open_ = false;
  PdfDocument doc_;
  int width_ = 0, height_ = 0, dpi_ = 600;
  int pages_ = 0;
  double widthPt_ = 0, heightPt_ = 0;
  std::string title_;
  int catalog_ = 0, pageTree_ = 0, resources_ = 0, info_ = 0;
  std::vector<int> pageObjects_;
  std::string content_;   // the page being drawn, reused page after page
  std::vector<int> contentParts_;  // the page's content streams written so far
  std::string path_;      // a path being built, reused
  // What the content has set so far on this page (colours as 0x00RRGGBB,
  // -1 while unset).
  int64_t fill_ = -1, stroke_ = -1;
  int lineWidth_ = -1, lineCap_ = -1;
  PenStyle dash_ = PenStyle::Solid;
  bool inText_ = false;
  const PdfFont* textFont_ = nullptr;
  bool invisibleText_ = false;  // text rendering mode 3
  // The text matrix's scale and turn, and where the last glyphs left the
  // text position (device pixels).
  std::array<double, 4> textMatrix_{};
  double textX_ = 0, textY_ = 0;
  // Resources shared by every page of the document, written at its end.
  std::string patternResources_, xobjectResources_;
  // Brush tiles of this document: one tiling pattern per distinct tile.
  std::map<std::array<uint32_t, 64>, std::string> colourTiles_;
  std::map<uint64_t, std::string> maskTiles_;
  // Tiles of block transfers (up to 8x8), one image per distinct tile.
  struct BlitKey {
    bool orMode;
    int width, height;
    std::array<uint32_t, 64> argb;
    friend bool operator<(const BlitKey& a, const BlitKey& b) {
      if (a.orMode != b.orMode) return a.orMode < b.orMode;
      if (a.width != b.width) return a.width < b.width;
      if (a.height != b.height) return a.height < b.height;
      return a.argb < b.argb;
    }
  };
  std::map<BlitKey, std::string> blitTiles_;
  int resourceCount_ = 0;
  // Cells of 32x32 device pixels in which something was drawn on this page:
  // the gaps of an opaque dashed line need drawing only where the paper is
  // not known to be bare.
  std::vector<uint8_t> painted_;
  int cellsX_ = 0, cellsY_ = 0;
  // What is gathered and not yet drawn. Pixels of one colour become one
  // filled path. Lines and fills are gathered in groups of one pen or one
  // brush, each drawn as one path when something else is drawn: fewer and
  // larger operations make a smaller file written faster. A shape joins the
  // last group of its kind unless it overlaps a shape of a later group that
  // paints something else where they meet (it must be drawn after that
  // one); then it starts a new group. Every overlapping pair that could
  // show its order keeps it.
  enum class Pending { None, Pixels, Shapes };
  Pending pending_ = Pending::None;
  int pendingPixels_ = 0;
  struct Group {
    bool line = false;  // lines with pen, or fills with brush
    Pen pen;
    Brush brush;
    bool opaque = false;
    Colour background{};
    bool bare = false;  // a tile's white cells may be left out
    bool oneColour = false;  // paints only paint (no gaps, no tile)
    Colour paint{};
    size_t first = 0;  // index of its first shape
    size_t last = 0;   // and of its last
  };
  struct Shape {
    DeviceRect bounds;  // the pixels it may paint, right and bottom excluded
    double x0, y0, x1, y1;  // a line's path, or a fill's rectangle
    uint32_t group;
    uint32_t next;  // the next shape of its group (0: none)
  };
  std::vector<Group> groups_;
  std::vector<Shape> shapes_;
  void Gather(const Group& key, const Shape& shape);
  void DrawGroups();
  std::map<std::string, std::unique_ptr<Face>> faces_;  // by file and index
  std::map<std::string, const Face*> namedFaces_;
  std::map<std::string, const Face*> coveringFaces_;  // by name and code point
  // The fonts of this document, by face.
  std::map<const Face*, std::unique_ptr<PdfFont>> documentFonts_;
  std::string validText_;  // a malformed text with its replacements, reused
  std::string glyphs_;     // a text run's glyph codes, reused
  Colour pendingColour_{};  // of gathered pixels
};

}  // namespace kestrel
