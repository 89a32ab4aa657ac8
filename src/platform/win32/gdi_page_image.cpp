#include "platform/win32/gdi_page_image.h"

#include "platform/win32/windows_api.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/win32/win32_system.h"
#include "util/replacing_file.h"

namespace kestrel {

namespace {

// A COM interface pointer released when it goes.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() {
    if (p_ != nullptr) p_->Release();
  }
  T** out() { return &p_; }
  T* operator->() const { return p_; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

size_t Stride(int width) { return (size_t(width) * 3 + 3) & ~size_t(3); }

// WIC's names of the JPEG colour samplings (WICJpegYCrCbSubsamplingOption).
uint8_t SamplingOption(int sampling) {
  switch (sampling) {
    case 420: return 1;
    case 422: return 2;
    default: return 3;  // 4:4:4
  }
}

std::string Failure(const char* kind, const char* step, HRESULT hr) {
  return std::string(kind) + " " + step + ": " + WindowsErrorText(static_cast<unsigned long>(hr));
}

}  // namespace

GdiPageImage::~GdiPageImage() { Release(); }

void GdiPageImage::Release() {
  canvas_.Attach(nullptr, 0, 0, 96, 96);
  if (dc_ != nullptr) {
    SelectObject(dc_, original_);
    DeleteDC(dc_);
  }
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  dc_ = nullptr;
  bitmap_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = 0;
}

int64_t GdiPageImage::MaxPixels(int width) const {
  if (width <= 0) return 0;
  return int64_t(INT32_MAX / Stride(width)) * width;
}

Canvas& GdiPageImage::Prepare(int width, int height, int dpi) {
  if (width != width_ || height != height_ || bitmap_ == nullptr) {
    Release();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, as the encoder reads rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    if (width > 0 && height > 0 && int64_t(width) * height <= MaxPixels(width)) bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap_ != nullptr) {
      dc_ = CreateCompatibleDC(nullptr);
      original_ = SelectObject(dc_, bitmap_);
      bits_ = static_cast<uint8_t*>(bits);
      width_ = width;
      height_ = height;
    }
  }
  dpi_ = dpi;
  canvas_.Attach(dc_, width_, height_, dpi, dpi);
  if (dc_ != nullptr) PatBlt(dc_, 0, 0, width_, height_, WHITENESS);
  return canvas_;
}

bool GdiPageImage::SaveJpeg(const std::string& path, std::string& error) { return Save(path, true, error); }

bool GdiPageImage::SavePng(const std::string& path, std::string& error) { return Save(path, false, error); }

bool GdiPageImage::Save(const std::string& path, bool jpeg, std::string& error) {
  const char* kind = jpeg ? "JPEG" : "PNG";
  if (bits_ == nullptr) {
    error = "no page bitmap";
    return false;
  }
  GdiFlush();
  const size_t stride = Stride(width_);
  bool grey = true;
  for (int y = 0; y < height_ && grey; ++y) {
    const uint8_t* row = bits_ + size_t(y) * stride;
    for (int x = 0; x < width_; ++x, row += 3) {
      if (row[0] != row[1] || row[1] != row[2]) {
        grey = false;
        break;
      }
    }
  }

  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.out()));
  if (FAILED(hr)) return error = Failure(kind, "imaging factory", hr), false;
  ComPtr<IStream> stream;
  hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.out());
  if (FAILED(hr)) return error = Failure(kind, "memory stream", hr), false;
  ComPtr<IWICBitmapEncoder> encoder;
  hr = factory->CreateEncoder(jpeg ? GUID_ContainerFormatJpeg : GUID_ContainerFormatPng, nullptr, encoder.out());
  if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache);
  if (FAILED(hr)) return error = Failure(kind, "encoder", hr), false;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  hr = encoder->CreateNewFrame(frame.out(), options.out());
  if (FAILED(hr)) return error = Failure(kind, "frame", hr), false;
  if (jpeg) {
    PROPBAG2 name{};
    name.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = float(quality_) / 100.0f;
    options->Write(1, &name, &value);
    // Colour sampling, where the encoder offers the option.
    if (!grey) {
      name.pstrName = const_cast<LPOLESTR>(L"JpegYCrCbSubsampling");
      value.vt = VT_UI1;
      value.bVal = SamplingOption(sampling_);
      options->Write(1, &name, &value);
    }
  }
  hr = frame->Initialize(options.get());
  if (SUCCEEDED(hr)) hr = frame->SetSize(UINT(width_), UINT(height_));
  if (SUCCEEDED(hr)) hr = frame->SetResolution(double(dpi_), double(dpi_));
  WICPixelFormatGUID format = grey ? GUID_WICPixelFormat8bppGray : GUID_WICPixelFormat24bppBGR;
  const WICPixelFormatGUID wanted = format;
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  if (FAILED(hr)) return error = Failure(kind, "frame set-up", hr), false;
  if (!IsEqualGUID(format, wanted)) return error = std::string(kind) + " encoder: pixel format not taken", false;
  if (grey) {
    // Bands of 16 rows, one byte a pixel.
    constexpr int kBand = 16;
    const size_t greyStride = (size_t(width_) + 3) & ~size_t(3);
    std::vector<uint8_t> band(greyStride * kBand);
    for (int y = 0; y < height_ && SUCCEEDED(hr); y += kBand) {
      const int rows = std::min(kBand, height_ - y);
      for (int r = 0; r < rows; ++r) {
        const uint8_t* from = bits_ + size_t(y + r) * stride;
        uint8_t* to = band.data() + size_t(r) * greyStride;
        for (int x = 0; x < width_; ++x) to[x] = from[size_t(x) * 3];
      }
      hr = frame->WritePixels(UINT(rows), UINT(greyStride), UINT(greyStride * size_t(rows)), band.data());
    }
  } else {
    hr = frame->WritePixels(UINT(height_), UINT(stride), UINT(stride * size_t(height_)), bits_);
  }
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  if (FAILED(hr)) return error = Failure(kind, "encoding", hr), false;

  HGLOBAL memory = nullptr;
  hr = GetHGlobalFromStream(stream.get(), &memory);
  STATSTG stat{};
  if (SUCCEEDED(hr)) hr = stream->Stat(&stat, STATFLAG_NONAME);
  if (FAILED(hr)) return error = Failure(kind, "stream", hr), false;
  const void* bytes = GlobalLock(memory);
  if (bytes == nullptr) return error = std::string(kind) + " stream: not readable", false;
  ReplacingFile file;
  bool ok = file.Open(path) &&
            file.Write(std::string_view(static_cast<const char*>(bytes), size_t(stat.cbSize.QuadPart))) &&
            file.Commit();
  GlobalUnlock(memory);
  if (!ok) error = std::strerror(file.error());
  return ok;
}

}  // namespace kestrel
