// The PDF canvas's pattern tiles and block transfers.
#include "platform/pdf/pdf_canvas.h"
#include "platform/pdf/pdf_canvas_parts.h"

#include <cstring>

namespace kestrel {

// An 8x8 tile as a tiling pattern painted with an 8x8 image. A tile of one
// colour on a background is the mask of its ink cells: an uncoloured
// pattern given its colour where it is used, so one pattern serves a hatch
// or a two-colour pattern in every colour, and the background is a plain
// fill under it (left out over bare paper when it is white). Other tiles
// are coloured patterns with a colour image. The pattern's matrix puts its
// cells on the device pixels from the device origin on every page (pages
// of a document share their size).
const std::string& PdfCanvas::TilePattern(const std::array<uint32_t, 64>& argb, uint64_t mask, bool masked) {
  auto* names = masked ? &maskTiles_ : nullptr;
  if (masked) {
    auto it = maskTiles_.find(mask);
    if (it != maskTiles_.end()) return it->second;
  } else {
    auto it = colourTiles_.find(argb);
    if (it != colourTiles_.end()) return it->second;
  }
  const int image = doc_.NewObject();
  std::string data;
  if (masked) {
    for (int y = 0; y < 8; ++y) data += char((mask >> (56 - 8 * y)) & 0xFF);
    doc_.WriteStream(image, "/Subtype /Image /Width 8 /Height 8 /ImageMask true /Decode [1 0]", data, false);
  } else {
    for (uint32_t cell : argb) {
      data += char((cell >> 16) & 0xFF);
      data += char((cell >> 8) & 0xFF);
      data += char(cell & 0xFF);
    }
    doc_.WriteStream(image, "/Subtype /Image /Width 8 /Height 8 /ColorSpace /DeviceRGB /BitsPerComponent 8", data);
  }
  std::string entries = masked ? "/PatternType 1 /PaintType 2" : "/PatternType 1 /PaintType 1";
  entries += " /TilingType 1 /BBox [0 0 8 8] /XStep 8 /YStep 8 /Matrix [";
  const double scale = 72.0 / dpi_;
  for (double v : {scale, 0.0, 0.0, -scale, 0.0}) {
    AppendPoints(entries, v);
    entries += ' ';
  }
  AppendPoints(entries, heightPt_);
  entries += "] /Resources << /XObject << /I ";
  AppendPdfInteger(entries, image);
  entries += " 0 R >> >>";
  const int pattern = doc_.NewObject();
  doc_.WriteStream(pattern, entries, "8 0 0 -8 0 8 cm /I Do", false);
  std::string name = "P" + std::to_string(resourceCount_++);
  patternResources_ += '/' + name + ' ' + std::to_string(pattern) + " 0 R ";
  if (names != nullptr) return maskTiles_.emplace(mask, std::move(name)).first->second;
  return colourTiles_.emplace(argb, std::move(name)).first->second;
}

// A vector page cannot read what lies under a block transfer, so the two
// raster operations are drawn as the paint they amount to over a page
// that is white or already painted by the other: OR paints every pixel
// that is not black (exact for black and white sources, which is what the
// mask of a two-step pattern holds), AND paints every pixel that is not
// white (exact for the colour step over its mask). Each is an image whose
// one left-out colour is masked (black or white); a tile of up to 8x8 is
// one image however often it is drawn.
void PdfCanvas::Blit(DevicePoint at, const SmallBitmap& bitmap, bool orMode) {
  Flush();
  if (!open_ || bitmap.width <= 0 || bitmap.height <= 0) return;
  if (bitmap.pixels.size() < size_t(bitmap.width) * size_t(bitmap.height)) return;
  const Colour skip = orMode ? kBlack : kWhite;
  bool any = false;
  for (int y = 0; y < bitmap.height && !any; ++y)
    for (int x = 0; x < bitmap.width && !any; ++x) any = bitmap.at(x, y) != skip;
  if (!any) return;
  auto makeImage = [&]() {
    std::string data;
    data.reserve(size_t(bitmap.width) * size_t(bitmap.height) * 3);
    for (int y = 0; y < bitmap.height; ++y)
      for (int x = 0; x < bitmap.width; ++x) {
        const Colour c = bitmap.at(x, y);
        data += char(c.r());
        data += char(c.g());
        data += char(c.b());
      }
    const int image = doc_.NewObject();
    std::string entries = "/Type /XObject /Subtype /Image /Width ";
    AppendPdfInteger(entries, bitmap.width);
    entries += " /Height ";
    AppendPdfInteger(entries, bitmap.height);
    entries += orMode ? " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Mask [0 0 0 0 0 0]"
                      : " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Mask [255 255 255 255 255 255]";
    doc_.WriteStream(image, entries, data);
    std::string name = "X" + std::to_string(resourceCount_++);
    xobjectResources_ += '/' + name + ' ' + std::to_string(image) + " 0 R ";
    return name;
  };
  std::string once;
  const std::string* name = nullptr;
  if (bitmap.width <= 8 && bitmap.height <= 8) {
    BlitKey key{orMode, bitmap.width, bitmap.height, {}};
    for (int y = 0; y < bitmap.height; ++y)
      for (int x = 0; x < bitmap.width; ++x) key.argb[size_t(y * 8 + x)] = Argb(bitmap.at(x, y));
    auto it = blitTiles_.find(key);
    if (it == blitTiles_.end()) it = blitTiles_.emplace(key, makeImage()).first;
    name = &it->second;
  } else {
    once = makeImage();
    name = &once;
  }
  EndText();
  Mark(DeviceRect{at.x, at.y, at.x + bitmap.width, at.y + bitmap.height});
  content_ += "q ";
  AppendPdfInteger(content_, bitmap.width);
  content_ += " 0 0 ";
  AppendPdfInteger(content_, -bitmap.height);
  content_ += ' ';
  AppendPdfInteger(content_, at.x);
  content_ += ' ';
  AppendPdfInteger(content_, int64_t(at.y) + bitmap.height);
  content_ += " cm /";
  content_ += *name;
  content_ += " Do Q\n";
}

void PdfCanvas::BlitOr(DevicePoint at, const SmallBitmap& bitmap) { Blit(at, bitmap, true); }
void PdfCanvas::BlitAnd(DevicePoint at, const SmallBitmap& bitmap) { Blit(at, bitmap, false); }

}  // namespace kestrel
