#include "platform/raster/raster_page_image.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>
#include <unistd.h>

#include "util/replacing_file.h"

namespace kestrel {

namespace {

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<JpegError*>(cinfo->err);
  const int systemError = errno;  // a failed write leaves its reason here
  (*cinfo->err->format_message)(cinfo, e->message);
  if (cinfo->err->msg_code == JERR_FILE_WRITE && systemError != 0) {
    const size_t used = std::strlen(e->message);
    std::snprintf(e->message + used, sizeof e->message - used, " (%s)", std::strerror(systemError));
  }
  std::longjmp(e->jump, 1);
}

void OnJpegMessage(j_common_ptr) {}

// The encoding itself, free of C++ objects with destructors: libjpeg reports
// errors by longjmp out of here. rowBuffer holds one row of samples.
bool Encode(const RasterCanvas& page, std::FILE* out, int quality, bool grey, const uint8_t* lookup,
            uint8_t* rowBuffer, char* message) {
  jpeg_compress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnJpegError;
  err.mgr.output_message = OnJpegMessage;
  err.message[0] = '\0';
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, out);
  cinfo.image_width = JDIMENSION(page.Width());
  cinfo.image_height = JDIMENSION(page.Height());
  cinfo.input_components = grey ? 1 : 3;
  cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (!grey) {
    // Full-resolution colour: a one-pixel coloured rule keeps its colour
    // instead of bleeding into its neighbours at half resolution.
    for (int c = 0; c < 3; ++c) {
      cinfo.comp_info[c].h_samp_factor = 1;
      cinfo.comp_info[c].v_samp_factor = 1;
    }
  }
  cinfo.density_unit = 1;  // dots per inch
  cinfo.X_density = UINT16(page.PixelsPerInchX());
  cinfo.Y_density = UINT16(page.PixelsPerInchY());
  jpeg_start_compress(&cinfo, TRUE);
  const int width = page.Width();
  JSAMPROW rows[1] = {rowBuffer};
  for (int y = 0; y < page.Height(); ++y) {
    const uint8_t* src = page.Row(y);
    if (grey) {
      for (int x = 0; x < width; ++x) rowBuffer[x] = lookup[src[x]];
    } else {
      uint8_t* d = rowBuffer;
      for (int x = 0; x < width; ++x, d += 3) std::memcpy(d, lookup + 3 * src[x], 3);
    }
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

bool WriteJpeg(const RasterCanvas& page, const std::string& path, int quality, std::string& error) {
  if (page.Width() <= 0 || page.Height() <= 0 || page.Width() > 65500 || page.Height() > 65500) {
    error = "JPEG: page size " + std::to_string(page.Width()) + "x" + std::to_string(page.Height()) +
            " cannot be encoded";
    return false;
  }
  quality = quality < 1 ? 1 : quality > 100 ? 100 : quality;

  // Palette to samples; grey pages use one channel.
  uint8_t lookup[256 * 3];
  bool grey = true;
  for (int i = 0; i < 256; ++i) {
    Colour c = page.palette()[size_t(i)];
    lookup[3 * i] = c.r();
    lookup[3 * i + 1] = c.g();
    lookup[3 * i + 2] = c.b();
    if (i < page.paletteSize() && (c.r() != c.g() || c.g() != c.b())) grey = false;
  }
  if (grey)
    for (int i = 0; i < 256; ++i) lookup[i] = page.palette()[size_t(i)].r();

  // One row of samples, kept for the next page of the same width.
  static thread_local std::vector<uint8_t> rowBuffer;
  if (rowBuffer.size() < size_t(page.Width()) * 3) rowBuffer.resize(size_t(page.Width()) * 3);

  // Under a temporary name made anew beside path (never through a link
  // planted there), renamed into place when whole.
  ReplacingFile file;
  if (!file.Open(path)) {
    error = "JPEG: cannot create a temporary file for " + path + ": " + std::strerror(file.error());
    return false;
  }
  char message[JMSG_LENGTH_MAX] = {};
  if (!Encode(page, file.stream(), quality, grey, lookup, rowBuffer.data(), message)) {
    error = std::string("JPEG: ") + message;
    return false;
  }
  if (!file.Commit()) {
    error = "JPEG: cannot write " + path + ": " + std::strerror(file.error());
    return false;
  }
  return true;
}

}  // namespace kestrel
