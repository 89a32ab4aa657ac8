#include "support/jpeg_files.h"

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <memory>

#include <jpeglib.h>
#include <png.h>

namespace kestrel::test {

namespace {

struct ErrorManager {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void OnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1); }

}  // namespace

int DecodedJpeg::Grey(int x, int y) const {
  const size_t at = (size_t(y) * size_t(width) + size_t(x)) * size_t(components);
  int sum = 0;
  for (int c = 0; c < components; ++c) sum += samples[at + size_t(c)];
  return sum / components;
}

bool DecodeJpeg(const std::string& path, DecodedJpeg& out) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return false;
  jpeg_decompress_struct info;
  ErrorManager error;
  info.err = jpeg_std_error(&error.mgr);
  error.mgr.error_exit = OnError;
  jpeg_create_decompress(&info);
  if (setjmp(error.jump) != 0) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_stdio_src(&info, file.get());
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  out.width = int(info.output_width);
  out.height = int(info.output_height);
  out.components = info.output_components;
  const size_t stride = size_t(out.width) * size_t(out.components);
  out.samples.assign(stride * size_t(out.height), 0);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.samples.data() + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

bool ReadPng(const std::string& path, DecodedJpeg& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  out.width = int(image.width);
  out.height = int(image.height);
  out.components = 3;
  out.samples.assign(PNG_IMAGE_SIZE(image), 0);
  const bool read = png_image_finish_read(&image, nullptr, out.samples.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return read;
}

bool ReadPgm(const std::string& path, DecodedJpeg& out) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  out = DecodedJpeg{};
  in >> magic >> out.width >> out.height >> maxval;
  in.get();
  if (!in || magic != "P5" || out.width <= 0 || out.height <= 0 || maxval != 255) return false;
  out.components = 1;
  out.samples.resize(size_t(out.width) * size_t(out.height));
  in.read(reinterpret_cast<char*>(out.samples.data()), std::streamsize(out.samples.size()));
  return bool(in);
}

}  // namespace kestrel::test
