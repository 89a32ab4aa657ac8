#include "platform/raster/raster_page_image.h"

#include <algorithm>
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

// Rows handed to the encoder per call.
constexpr int kBandRows = 16;

// The samples of a page: a grey page as one channel, a colour page as four
// bytes a pixel (R, G, B and one unused), the layout the encoder converts
// fastest; each pixel a single look-up from its palette index.
struct SampleTable {
  bool grey = true;
  uint8_t greyLevel[256];
  uint32_t rgbx[256];
};

void FillTable(const RasterCanvas& page, SampleTable& table) {
  for (int i = 0; i < 256; ++i) {
    Colour c = page.palette()[size_t(i)];
    const uint8_t bytes[4] = {c.r(), c.g(), c.b(), 0};
    std::memcpy(&table.rgbx[i], bytes, 4);
    table.greyLevel[i] = c.r();
    if (i < page.paletteSize() && (c.r() != c.g() || c.g() != c.b())) table.grey = false;
  }
}

// The encoding itself, free of C++ objects with destructors: libjpeg reports
// errors by longjmp out of here. band holds kBandRows rows of samples.
bool Encode(const RasterCanvas& page, std::FILE* out, const JpegSettings& settings, const SampleTable& table,
            uint8_t* band, char* message) {
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
  const bool grey = table.grey;
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, out);
  cinfo.image_width = JDIMENSION(page.Width());
  cinfo.image_height = JDIMENSION(page.Height());
  cinfo.input_components = grey ? 1 : 4;
  cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_RGBX;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, settings.quality, TRUE);
  if (!grey) {
    // Luminance at full resolution; the colour at the chosen sampling.
    cinfo.comp_info[0].h_samp_factor = settings.sampling == 444 ? 1 : 2;
    cinfo.comp_info[0].v_samp_factor = settings.sampling == 420 ? 2 : 1;
    for (int c = 1; c < 3; ++c) {
      cinfo.comp_info[c].h_samp_factor = 1;
      cinfo.comp_info[c].v_samp_factor = 1;
    }
  }
  cinfo.density_unit = 1;  // dots per inch
  cinfo.X_density = UINT16(page.PixelsPerInchX());
  cinfo.Y_density = UINT16(page.PixelsPerInchY());
  jpeg_start_compress(&cinfo, TRUE);
  const int width = page.Width();
  const size_t rowBytes = size_t(width) * (grey ? 1 : 4);
  JSAMPROW rows[kBandRows];
  for (int r = 0; r < kBandRows; ++r) rows[r] = band + size_t(r) * rowBytes;
  for (int y = 0; y < page.Height();) {
    const int count = std::min(kBandRows, page.Height() - y);
    for (int r = 0; r < count; ++r) {
      const uint8_t* src = page.Row(y + r);
      if (grey) {
        uint8_t* d = rows[r];
        for (int x = 0; x < width; ++x) d[x] = table.greyLevel[src[x]];
      } else {
        uint32_t* d = reinterpret_cast<uint32_t*>(rows[r]);
        for (int x = 0; x < width; ++x) d[x] = table.rgbx[src[x]];
      }
    }
    jpeg_write_scanlines(&cinfo, rows, JDIMENSION(count));
    y += count;
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

bool WriteJpeg(const RasterCanvas& page, const std::string& path, const JpegSettings& given, std::string& error) {
  if (page.Width() <= 0 || page.Height() <= 0 || page.Width() > 65500 || page.Height() > 65500) {
    error = "JPEG: page size " + std::to_string(page.Width()) + "x" + std::to_string(page.Height()) +
            " cannot be encoded";
    return false;
  }
  JpegSettings settings = given;
  settings.quality = std::clamp(settings.quality, 1, 100);
  if (settings.sampling != 420 && settings.sampling != 422) settings.sampling = 444;

  SampleTable table;
  FillTable(page, table);
  // One band of rows, aligned for four-byte pixels.
  std::vector<uint32_t> band((size_t(page.Width()) * kBandRows * (table.grey ? 1 : 4) + 3) / 4);

  // Under a temporary name made anew beside path (never through a link
  // planted there), renamed into place when whole.
  ReplacingFile file;
  if (!file.Open(path)) {
    error = "JPEG: cannot create a temporary file for " + path + ": " + std::strerror(file.error());
    return false;
  }
  char message[JMSG_LENGTH_MAX] = {};
  if (!Encode(page, file.stream(), settings, table, reinterpret_cast<uint8_t*>(band.data()), message)) {
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
