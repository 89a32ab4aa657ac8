// GdiPageImage: the page bitmap of JPEG output on Windows. A DIB section
// (24-bit, reused while the page size stays) that a GdiCanvas draws on
// through a memory DC, encoded by the Windows Imaging Component.
#pragma once

#include "platform/win32/windows_api.h"

#include <string>

#include "platform/print_system.h"
#include "platform/win32/gdi_canvas.h"

namespace kestrel {

class GdiPageImage final : public PageImage {
 public:
  GdiPageImage() = default;
  GdiPageImage(const GdiPageImage&) = delete;
  GdiPageImage& operator=(const GdiPageImage&) = delete;
  ~GdiPageImage() override;

  Canvas& Prepare(int width, int height, int dpi) override;
  // GDI sizes a DIB section's bits with a signed 32-bit number: its rows
  // (three bytes a pixel, each row padded to four bytes) stay under 2 GiB.
  int64_t MaxPixels(int width) const override;
  Canvas& canvas() override { return canvas_; }
  // Written under a temporary name beside path and renamed into place; a
  // page drawn only in greys is written as a one-channel JPEG.
  bool SaveJpeg(const std::string& path, std::string& error) override;
  // The same, as a PNG file (lossless).
  bool SavePng(const std::string& path, std::string& error) override;
  void SetJpegQuality(int quality) override { quality_ = quality < 1 ? 1 : quality > 100 ? 100 : quality; }
  void SetJpegSampling(int sampling) override { sampling_ = sampling; }

 private:
  void Release();
  // The page through the imaging component's JPEG or PNG encoder.
  bool Save(const std::string& path, bool jpeg, std::string& error);

  GdiCanvas canvas_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ original_ = nullptr;
  uint8_t* bits_ = nullptr;
  int width_ = 0, height_ = 0, dpi_ = 0;
  int quality_ = kDefaultJpegQuality;
  int sampling_ = kDefaultJpegSampling;
};

}  // namespace kestrel
