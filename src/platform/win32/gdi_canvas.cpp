#include "platform/win32/gdi_canvas.h"

#include <algorithm>
#include <cstring>

namespace kestrel {

namespace {

COLORREF Ref(Colour c) { return RGB(c.r(), c.g(), c.b()); }

// The GDI pen and hatch styles have the numbers of the enums' orders.
int PenStyleOf(PenStyle s) {
  switch (s) {
    case PenStyle::Solid: return PS_SOLID;
    case PenStyle::Dash: return PS_DASH;
    case PenStyle::Dot: return PS_DOT;
    case PenStyle::DashDot: return PS_DASHDOT;
    case PenStyle::DashDotDot: return PS_DASHDOTDOT;
    case PenStyle::Null: return PS_NULL;
  }
  return PS_SOLID;
}

int HatchOf(HatchStyle s) {
  switch (s) {
    case HatchStyle::Horizontal: return HS_HORIZONTAL;
    case HatchStyle::Vertical: return HS_VERTICAL;
    case HatchStyle::FDiagonal: return HS_FDIAGONAL;
    case HatchStyle::BDiagonal: return HS_BDIAGONAL;
    case HatchStyle::Cross: return HS_CROSS;
    case HatchStyle::DiagCross: return HS_DIAGCROSS;
  }
  return HS_HORIZONTAL;
}

// 0x00BBGGRR as a 32-bit DIB pixel (blue in the low byte).
uint32_t DibPixel(Colour c) { return uint32_t(c.b()) | (uint32_t(c.g()) << 8) | (uint32_t(c.r()) << 16); }

HBRUSH MakeBrush(const Brush& b) {
  switch (b.kind) {
    case BrushKind::Solid: return CreateSolidBrush(Ref(b.colour));
    case BrushKind::Hatch: return CreateHatchBrush(HatchOf(b.hatch), Ref(b.colour));
    case BrushKind::Pattern: {
      // A packed 8x8 32-bit DIB, bottom-up: pattern row y is DIB row 7 - y.
      struct {
        BITMAPINFOHEADER header;
        uint32_t pixels[64];
      } dib{};
      dib.header.biSize = sizeof dib.header;
      dib.header.biWidth = 8;
      dib.header.biHeight = 8;
      dib.header.biPlanes = 1;
      dib.header.biBitCount = 32;
      dib.header.biCompression = BI_RGB;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) dib.pixels[(7 - y) * 8 + x] = DibPixel(b.pattern.at(x, y));
      return CreateDIBPatternBrushPt(&dib, DIB_RGB_COLORS);
    }
    case BrushKind::Clear: break;
  }
  return nullptr;
}

}  // namespace

GdiCanvas::~GdiCanvas() {
  Attach(nullptr, 0, 0, 96, 96);
  if (tileDc_ != nullptr) {
    SelectObject(tileDc_, tileOriginal_);
    DeleteDC(tileDc_);
  }
  if (tileBitmap_ != nullptr) DeleteObject(tileBitmap_);
}

void GdiCanvas::ReleaseObjects() {
  if (dc_ != nullptr && originalPen_ != nullptr) {
    SelectObject(dc_, originalPen_);
    SelectObject(dc_, originalBrush_);
    SelectObject(dc_, originalFont_);
  }
  originalPen_ = originalBrush_ = originalFont_ = nullptr;
  if (pen_ != nullptr) DeleteObject(pen_);
  if (brush_ != nullptr) DeleteObject(brush_);
  if (font_ != nullptr) DeleteObject(font_);
  pen_ = nullptr;
  brush_ = nullptr;
  font_ = nullptr;
  selectedValid_ = false;
  fontSelected_ = false;
}

void GdiCanvas::Attach(HDC dc, int width, int height, int dpiX, int dpiY) {
  ReleaseObjects();
  dc_ = dc;
  width_ = width;
  height_ = height;
  dpiX_ = dpiX;
  dpiY_ = dpiY;
  ResetState();
  if (dc_ != nullptr) {
    originalPen_ = SelectObject(dc_, GetStockObject(BLACK_PEN));
    originalBrush_ = SelectObject(dc_, GetStockObject(NULL_BRUSH));
    originalFont_ = SelectObject(dc_, GetStockObject(SYSTEM_FONT));
    SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    SetBrushOrgEx(dc_, 0, 0, nullptr);
  }
}

void GdiCanvas::SelectState() {
  const CanvasState& s = state();
  if (pen_ == nullptr || !(penValue_ == s.pen)) {
    HPEN pen = s.pen.style == PenStyle::Null
                   ? CreatePen(PS_NULL, 0, 0)
                   : CreatePen(PenStyleOf(s.pen.style), std::max(s.pen.width, 0), Ref(s.pen.colour));
    SelectObject(dc_, pen);
    if (pen_ != nullptr) DeleteObject(pen_);
    pen_ = pen;
    penValue_ = s.pen;
  } else if (!selectedValid_) {
    SelectObject(dc_, pen_);
  }
  if (s.brush.kind == BrushKind::Clear) {
    SelectObject(dc_, GetStockObject(NULL_BRUSH));
  } else if (brush_ == nullptr || !(brushValue_ == s.brush)) {
    HBRUSH brush = MakeBrush(s.brush);
    SelectObject(dc_, brush);
    if (brush_ != nullptr) DeleteObject(brush_);
    brush_ = brush;
    brushValue_ = s.brush;
  } else {
    SelectObject(dc_, brush_);
  }
  SetBkMode(dc_, s.transparentBackground ? TRANSPARENT : OPAQUE);
  SetBkColor(dc_, Ref(s.backgroundColour));
  SetTextColor(dc_, Ref(s.textColour));
  selectedValid_ = true;
}

void GdiCanvas::SelectFont() {
  const FontSpec& f = state().font;
  if (font_ != nullptr && fontValue_ == f) {
    if (!fontSelected_) SelectObject(dc_, font_);
    fontSelected_ = true;
    return;
  }
  LOGFONTW lf{};
  lf.lfHeight = f.height;
  lf.lfWidth = f.width;
  lf.lfEscapement = f.escapement;
  lf.lfOrientation = f.escapement;
  lf.lfWeight = f.weight;
  lf.lfCharSet = BYTE(f.charset);
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  // Glyphs in whole pixels, as on the printer: no smoothing into the page.
  lf.lfQuality = NONANTIALIASED_QUALITY;
  lf.lfPitchAndFamily = BYTE(f.pitchAndFamily);
  const int n = MultiByteToWideChar(CP_UTF8, 0, f.face.data(), int(f.face.size()), lf.lfFaceName,
                                    int(std::size(lf.lfFaceName)) - 1);
  lf.lfFaceName[n > 0 ? n : 0] = L'\0';
  HFONT font = CreateFontIndirectW(&lf);
  SelectObject(dc_, font);
  if (font_ != nullptr) DeleteObject(font_);
  font_ = font;
  fontValue_ = f;
  fontSelected_ = true;
}

void GdiCanvas::Rectangle(DeviceRect r) {
  if (dc_ == nullptr) return;
  SelectState();
  ::Rectangle(dc_, r.left, r.top, r.right, r.bottom);
}

void GdiCanvas::FillRect(DeviceRect r) {
  if (dc_ == nullptr) return;
  SelectState();
  if (state().brush.kind == BrushKind::Clear || brush_ == nullptr) return;
  const RECT rc{r.left, r.top, r.right, r.bottom};
  ::FillRect(dc_, &rc, brush_);
}

void GdiCanvas::Arc(DeviceRect box, DevicePoint start, DevicePoint end) {
  if (dc_ == nullptr) return;
  SelectState();
  ::Arc(dc_, box.left, box.top, box.right, box.bottom, start.x, start.y, end.x, end.y);
}

void GdiCanvas::SetPixel(DevicePoint p, Colour c) {
  if (dc_ == nullptr) return;
  ::SetPixelV(dc_, p.x, p.y, Ref(c));
}

void GdiCanvas::DrawLine(DevicePoint from, DevicePoint to) {
  if (dc_ == nullptr) return;
  SelectState();
  MoveToEx(dc_, from.x, from.y, nullptr);
  ::LineTo(dc_, to.x, to.y);
}

void GdiCanvas::Blit(DevicePoint at, const SmallBitmap& bitmap, DWORD rop) {
  if (dc_ == nullptr || bitmap.width <= 0 || bitmap.height <= 0) return;
  if (bitmap.pixels.size() < size_t(bitmap.width) * size_t(bitmap.height)) return;
  if (bitmap.width > tileWidth_ || bitmap.height > tileHeight_) {
    const int w = std::max(bitmap.width, tileWidth_), h = std::max(bitmap.height, tileHeight_);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP made = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (made == nullptr) return;
    if (tileDc_ == nullptr) {
      tileDc_ = CreateCompatibleDC(nullptr);
      tileOriginal_ = SelectObject(tileDc_, made);
    } else {
      SelectObject(tileDc_, made);
    }
    if (tileBitmap_ != nullptr) DeleteObject(tileBitmap_);
    tileBitmap_ = made;
    tileBits_ = static_cast<uint32_t*>(bits);
    tileWidth_ = w;
    tileHeight_ = h;
  }
  GdiFlush();
  for (int y = 0; y < bitmap.height; ++y) {
    uint32_t* row = tileBits_ + size_t(y) * size_t(tileWidth_);
    for (int x = 0; x < bitmap.width; ++x) row[x] = DibPixel(bitmap.at(x, y));
  }
  BitBlt(dc_, at.x, at.y, bitmap.width, bitmap.height, tileDc_, 0, 0, rop);
}

void GdiCanvas::BlitOr(DevicePoint at, const SmallBitmap& bitmap) { Blit(at, bitmap, SRCPAINT); }

void GdiCanvas::BlitAnd(DevicePoint at, const SmallBitmap& bitmap) { Blit(at, bitmap, SRCAND); }

void GdiCanvas::DrawText(DevicePoint p, std::string_view utf8) {
  if (dc_ == nullptr || utf8.empty()) return;
  SelectState();
  SelectFont();
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  if (n <= 0) return;
  text_.resize(size_t(n));
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), text_.data(), n);
  TextOutW(dc_, p.x, p.y, text_.data(), n);
}

}  // namespace kestrel
