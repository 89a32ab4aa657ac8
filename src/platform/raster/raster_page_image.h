// RasterPageImage: the page bitmap of JPEG output. One RasterCanvas whose
// buffer is reused from page to page, and a JPEG writer (libjpeg-turbo);
// a PNG writer (libpng) for page previews.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/print_system.h"
#include "platform/raster/raster_canvas.h"

namespace kestrel {

// How a page is encoded: quality 1..100 (clamped) and the sampling of the
// colour channels, 444 (full resolution), 422 (half across) or 420 (half
// both ways; anything else is 444). With split, bands of a page are
// encoded at once on two threads and joined; the file is byte for byte the
// one a single encoder writes. transform: how the samples become the
// encoder's coefficients (the file is the same either way, see
// JpegTransform).
enum class JpegTransform : uint8_t {
  // Every row through the encoder's own transform (colour conversion,
  // down-sampling, DCT, quantisation).
  Rows,
  // Each distinct block of the page transformed once (the encoder's own
  // integer arithmetic) and one colour blocks not at all; the encoder codes
  // the coefficients.
  Blocks,
  // Blocks for a part of the page mostly of one colour blocks, rows for
  // the others: the faster of the two for each.
  Faster,
};

struct JpegSettings {
  int quality = kDefaultJpegQuality;
  int sampling = kDefaultJpegSampling;
  bool split = true;
  JpegTransform transform = JpegTransform::Faster;
};

// The blocks a thread has transformed on the current page (jpeg_blocks.h).
struct JpegBlockCache;

// What the writer keeps from page to page, for each of the two threads: a
// band of converted rows (rows through the encoder's transform) and the
// blocks transformed (blocks), and an output buffer; and the number of
// parts the last page was encoded in and how many of them by blocks.
struct JpegBuffers {
  JpegBuffers();
  ~JpegBuffers();
  std::vector<uint32_t> bands[2];
  std::unique_ptr<JpegBlockCache> blocks[2];
  std::vector<uint8_t> output[2];
  int parts = 0;
  int blockParts = 0;
};

// Writes a raster page as a JPEG file. The file is
// written under a temporary name beside path and renamed, so that a reader
// never sees half a file and a failed write leaves an older file intact.
// A page drawn only in greys is written as a one-channel JPEG. Each row of
// 8 x 8 blocks (16 rows high with 420 sampling) is a restart interval, so
// that parts of the page can be encoded apart; all but the first go through
// unnamed temporary files beside path (one part where none can be made).
// buffers (optional) are reused.
bool WriteJpeg(const RasterCanvas& page, const std::string& path, const JpegSettings& settings, std::string& error,
               JpegBuffers* buffers = nullptr);

// Writes a raster page as a PNG file with the page's palette (every pixel
// as drawn), under a temporary name beside path renamed when whole.
bool WritePng(const RasterCanvas& page, const std::string& path, std::string& error);

class RasterPageImage final : public PageImage {
 public:
  // splitEncoding: the two parts of a page encoded at once (JpegSettings).
  explicit RasterPageImage(TextRasterizer* text = nullptr, bool splitEncoding = true) {
    canvas_.SetTextRasterizer(text);
    jpeg_.split = splitEncoding;
  }

  Canvas& Prepare(int width, int height, int dpi) override {
    canvas_.Reset(width, height, dpi);
    return canvas_;
  }
  Canvas& canvas() override { return canvas_; }
  bool SaveJpeg(const std::string& path, std::string& error) override {
    return WriteJpeg(canvas_, path, jpeg_, error, &buffers_);
  }
  bool SavePng(const std::string& path, std::string& error) override { return WritePng(canvas_, path, error); }
  void SetJpegQuality(int quality) override { jpeg_.quality = quality; }
  void SetJpegSampling(int sampling) override { jpeg_.sampling = sampling; }

  RasterCanvas& raster() { return canvas_; }
  const JpegSettings& jpegSettings() const { return jpeg_; }

 private:
  RasterCanvas canvas_;
  JpegSettings jpeg_;
  JpegBuffers buffers_;
};

}  // namespace kestrel
