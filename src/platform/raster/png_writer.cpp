// The PNG file of a raster page (libpng): the page's own palette and its
// index rows as they are, so that every pixel reads back as drawn.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/raster/raster_page_image.h"
#include "util/replacing_file.h"

namespace kestrel {

namespace {

// libpng reports a fatal error by jumping back to the writer; the text is
// kept for the caller.
struct PngFailure {
  char text[200] = {};
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
  std::snprintf(failure->text, sizeof failure->text, "%s", message);
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// The encoding, free of C++ objects with destructors between setjmp and a
// jump back to it.
bool Encode(const RasterCanvas& page, std::FILE* file, PngFailure& failure) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, OnPngError, OnPngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_color colours[256];
  const int count = page.paletteSize() > 0 ? page.paletteSize() : 1;
  for (int i = 0; i < count; ++i) {
    const Colour c = page.palette()[size_t(i)];
    colours[i] = {c.r(), c.g(), c.b()};
  }
  png_set_IHDR(png, info, png_uint_32(page.Width()), png_uint_32(page.Height()), 8, PNG_COLOR_TYPE_PALETTE,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_PLTE(png, info, colours, count);
  // The resolution in pixels per metre.
  const auto perMetre = png_uint_32(page.PixelsPerInchX() / 0.0254 + 0.5);
  png_set_pHYs(png, info, perMetre, perMetre, PNG_RESOLUTION_METER);
  // Palette indexes are no continuous tones: row filters only cost time.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_write_info(png, info);
  for (int y = 0; y < page.Height(); ++y) png_write_row(png, page.Row(y));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePng(const RasterCanvas& page, const std::string& path, std::string& error) {
  if (page.Width() <= 0 || page.Height() <= 0) {
    error = "PNG: page size " + std::to_string(page.Width()) + "x" + std::to_string(page.Height()) +
            " cannot be encoded";
    return false;
  }
  page.Settle();
  ReplacingFile file;
  if (!file.Open(path)) {
    error = "PNG: cannot create a temporary file for " + path + ": " + std::strerror(file.error());
    return false;
  }
  PngFailure failure;
  if (!Encode(page, file.stream(), failure)) {
    error = std::string("PNG: ") + (failure.text[0] != '\0' ? failure.text : "the encoder cannot start");
    return false;
  }
  if (!file.Commit()) {
    error = "PNG: " + path + ": " + std::strerror(file.error());
    return false;
  }
  return true;
}

}  // namespace kestrel
