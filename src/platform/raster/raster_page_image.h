// RasterPageImage: the page bitmap of JPEG output. One RasterCanvas whose
// buffer is reused from page to page, and a JPEG writer (libjpeg-turbo).
#pragma once

#include <string>

#include "platform/print_system.h"
#include "platform/raster/raster_canvas.h"

namespace kestrel {

// How a page is encoded: quality 1..100 (clamped) and the sampling of the
// colour channels, 444 (full resolution), 422 (half across) or 420 (half
// both ways; anything else is 444).
struct JpegSettings {
  int quality = kDefaultJpegQuality;
  int sampling = kDefaultJpegSampling;
};

// Writes a raster page as a JPEG file. The file is
// written under a temporary name beside path and renamed, so that a reader
// never sees half a file and a failed write leaves an older file intact.
// A page drawn only in greys is written as a one-channel JPEG.
bool WriteJpeg(const RasterCanvas& page, const std::string& path, const JpegSettings& settings, std::string& error);

class RasterPageImage final : public PageImage {
 public:
  explicit RasterPageImage(TextRasterizer* text = nullptr) { canvas_.SetTextRasterizer(text); }

  Canvas& Prepare(int width, int height, int dpi) override {
    canvas_.Reset(width, height, dpi);
    return canvas_;
  }
  Canvas& canvas() override { return canvas_; }
  bool SaveJpeg(const std::string& path, std::string& error) override {
    return WriteJpeg(canvas_, path, jpeg_, error);
  }
  void SetJpegQuality(int quality) override { jpeg_.quality = quality; }
  void SetJpegSampling(int sampling) override { jpeg_.sampling = sampling; }

  RasterCanvas& raster() { return canvas_; }

 private:
  RasterCanvas canvas_;
  JpegSettings jpeg_;
};

}  // namespace kestrel
