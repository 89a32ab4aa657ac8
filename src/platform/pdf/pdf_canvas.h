// PdfCanvas: pages of a vector PDF document drawn with cairo.
//
// The canvas speaks device pixels at the document's resolution, as a
// printer's canvas does; cairo's user space is scaled so that one unit is
// one device pixel. Drawing follows the GDI rules as far as vector output
// can: one-pixel lines run through pixel centres and leave out the end
// point's pixel, wide pens have round ends centred on the points, styled
// one-pixel pens dash with GDI's runs, right and bottom edges of fills are
// excluded, hatch and pattern brushes are crisp 8x8 device-pixel tiles
// anchored at the device origin, and text is real text (subset-embedded
// fonts, with the characters' Unicode so that it can be searched and
// copied) placed by the logical-font rules.
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

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_pattern cairo_pattern_t;
typedef struct _cairo_font_face cairo_font_face_t;

namespace kestrel {

class FontResolver;
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
  bool open() const { return cr_ != nullptr; }
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
  void SetColour(Colour c);
  // Fills the current path with the brush (opaque: hatch gaps in background).
  void FillPathWithBrush(const Brush& brush, bool opaque, Colour background);
  // Strokes the current path with the pen (style, width, opaque: gaps in background).
  void StrokePathWithPen(const Pen& pen, bool opaque, Colour background);
  void Blit(DevicePoint at, const SmallBitmap& bitmap, bool orMode);
  const Face* FaceFor(const std::string& name);
  const Face* FaceOfFile(const ResolvedFace& resolved);
  const Face* CoveringFace(const std::string& name, uint32_t codepoint);
  void DropBlitCache();
  void DropTileCache();
  // Draws what is gathered (pixels, lines and fills).
  void Flush();
  // The paper: every page starts as one white sheet, so that the document
  // writer has a single opaque region to add each operation to.
  void PaintPaper();

  FontResolver* fonts_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  int width_ = 0, height_ = 0, dpi_ = 600;
  int pages_ = 0;
  // Brush tiles made in this document, one per distinct 8x8 tile, so that
  // every fill with the same tile uses the same image.
  struct Tile {
    std::array<uint32_t, 64> argb{};
    cairo_pattern_t* pattern = nullptr;
  };
  std::vector<Tile> tiles_;
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
    bool oneColour = false;  // paints only paint (no gaps, no tile)
    Colour paint{};
    size_t first = 0;  // index of its first shape
  };
  struct Shape {
    DeviceRect bounds;  // the pixels it may paint, right and bottom excluded
    double x0, y0, x1, y1;  // a line's path, or a fill's rectangle
    uint32_t group;
  };
  std::vector<Group> groups_;
  std::vector<Shape> shapes_;
  void Gather(const Group& key, const Shape& shape);
  void DrawGroups();
  std::map<std::string, std::unique_ptr<Face>> faces_;  // by file and index
  std::map<std::string, const Face*> namedFaces_;
  std::map<std::string, const Face*> coveringFaces_;  // by name and code point
  std::string validText_;  // a malformed text with its replacements, reused
  Colour pendingColour_{};  // of gathered pixels
  // Tiles of block transfers (up to 8x8) already made in this document: a
  // pattern of many tiles becomes one image used again and again.
  struct BlitTile {
    bool orMode = false;
    int width = 0, height = 0;
    std::array<uint32_t, 64> argb{};
    cairo_surface_t* surface = nullptr;
  };
  std::array<BlitTile, 16> blitTiles_{};
  size_t nextBlitTile_ = 0;
};

}  // namespace kestrel
