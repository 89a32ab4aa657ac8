// Canvas: the drawing surface every engine stage paints on.
//
// A canvas is a device in the sense of a page interpreter: the engine walks a
// page and calls a canvas; each canvas does its own thing with the same calls.
// The canvases that exist:
//   - RasterCanvas (platform/raster): an 8-bit indexed page bitmap that draws
//     by the Windows GDI rules; used for JPEG pages and for pixel tests.
//   - PdfCanvas (platform/pdf): a vector page of a PDF document (our own writer).
//   - RecordingCanvas (platform/recording): writes every call as a line of
//     text; tests use it to see what the engine drew and in which order.
//
// The drawing state that one command leaves for the next (pen, brush, text
// colour, font, background mode, current position) lives in one plain struct,
// CanvasState, held by the base class, so that every backend sees the same
// state and a test can read it. The setters are not virtual; backends read
// state() when they draw.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// A colour as the system stores it: 0x00BBGGRR (red in the low byte).
struct Colour {
  uint32_t value = 0;
  static constexpr Colour Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return Colour{uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16)};
  }
  constexpr uint8_t r() const { return uint8_t(value); }
  constexpr uint8_t g() const { return uint8_t(value >> 8); }
  constexpr uint8_t b() const { return uint8_t(value >> 16); }
  friend constexpr bool operator==(Colour, Colour) = default;
};
inline constexpr Colour kBlack = Colour::Rgb(0, 0, 0);
inline constexpr Colour kWhite = Colour::Rgb(255, 255, 255);

// A position in device pixels. Values may lie off the page.
struct DevicePoint {
  int x = 0;
  int y = 0;
  friend constexpr bool operator==(DevicePoint, DevicePoint) = default;
};

// A rectangle in device pixels; right and bottom are exclusive, as in GDI.
struct DeviceRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  constexpr int width() const { return right - left; }
  constexpr int height() const { return bottom - top; }
  friend constexpr bool operator==(DeviceRect, DeviceRect) = default;
};

enum class PenStyle : uint8_t { Solid, Dash, Dot, DashDot, DashDotDot, Null };

struct Pen {
  Colour colour = kBlack;
  int width = 1;  // device pixels; 0 and 1 are the cosmetic one-pixel pen
  PenStyle style = PenStyle::Solid;
  friend bool operator==(const Pen&, const Pen&) = default;
};

// The six fixed GDI hatch patterns.
enum class HatchStyle : uint8_t { Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };

// An 8x8 pattern for a pattern brush, one colour per cell, row by row.
struct PatternBitmap {
  std::array<Colour, 64> cells{};
  Colour at(int x, int y) const { return cells[size_t((y & 7) * 8 + (x & 7))]; }
  friend bool operator==(const PatternBitmap&, const PatternBitmap&) = default;
};

enum class BrushKind : uint8_t { Solid, Hatch, Pattern, Clear };

struct Brush {
  BrushKind kind = BrushKind::Solid;
  Colour colour = kWhite;                  // solid and hatch
  HatchStyle hatch = HatchStyle::Horizontal;
  PatternBitmap pattern{};                 // pattern brushes, anchored at the device origin
  friend bool operator==(const Brush&, const Brush&) = default;
};

// A logical font in the GDI sense. A positive height is the cell height
// (ascent + descent); a width of 0 leaves the width to the font; escapement
// is in tenths of a degree, counterclockwise.
struct FontSpec {
  int height = 0;
  int width = 0;
  int escapement = 0;
  int weight = 400;
  int charset = 1;          // DEFAULT_CHARSET
  int pitchAndFamily = 16;  // FF_ROMAN
  std::string face;         // UTF-8 face name
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// A small bitmap for block transfers (fill tiles), 32-bit colours row by row.
struct SmallBitmap {
  int width = 0;
  int height = 0;
  std::vector<Colour> pixels;
  Colour at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

struct CanvasState {
  Pen pen{};
  Brush brush{};
  Colour textColour = kBlack;
  bool transparentBackground = false;  // GDI background mode TRANSPARENT
  Colour backgroundColour = kWhite;    // gaps of styled pens and hatch backgrounds in OPAQUE mode
  FontSpec font{};
  DevicePoint position{};              // current position for LineTo
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  const CanvasState& state() const { return state_; }

  // Drawing state (seen by every later call until changed).
  void SetPen(const Pen& pen) { state_.pen = pen; }
  // Colour and width change, the current style stays (the default pen of lines).
  void SetPenKeepStyle(Colour colour, int width) {
    state_.pen.colour = colour;
    state_.pen.width = width;
  }
  void SetBrush(const Brush& brush) { state_.brush = brush; }
  void SetTextColour(Colour c) { state_.textColour = c; }
  void SetTransparentBackground(bool on) { state_.transparentBackground = on; }
  void SetBackgroundColour(Colour c) { state_.backgroundColour = c; }
  void SetFont(const FontSpec& font) { state_.font = font; }
  // The whole drawing state at once: a saved one back, or a new page's.
  void SetState(const CanvasState& state) { state_ = state; }
  void ResetState() { state_ = CanvasState{}; }

  // Page geometry.
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual int PixelsPerInchX() const = 0;
  virtual int PixelsPerInchY() const = 0;

  // Lines with the current pen; LineTo leaves the end point's own pixel out.
  void MoveTo(DevicePoint p) { state_.position = p; }
  void LineTo(DevicePoint p) {
    DrawLine(state_.position, p);
    state_.position = p;
  }
  // Fills the inside with the brush (right/bottom excluded) and outlines it
  // with the pen.
  virtual void Rectangle(DeviceRect r) = 0;
  // Fills with the brush only, right/bottom excluded.
  virtual void FillRect(DeviceRect r) = 0;
  // GDI Arc: the ellipse in box, counterclockwise from the radial through
  // start to the radial through end; start == end draws the full ellipse.
  virtual void Arc(DeviceRect box, DevicePoint start, DevicePoint end) = 0;
  virtual void SetPixel(DevicePoint p, Colour c) = 0;
  // Block transfers of a small bitmap, per RGB channel: OR (SRCPAINT), AND (SRCAND).
  virtual void BlitOr(DevicePoint at, const SmallBitmap& bitmap) = 0;
  virtual void BlitAnd(DevicePoint at, const SmallBitmap& bitmap) = 0;
  // One text run (usually one character, UTF-8) in the current font and text
  // colour, the top-left corner of its cell at p (rotated by the escapement).
  virtual void DrawText(DevicePoint p, std::string_view utf8) = 0;

 protected:
  virtual void DrawLine(DevicePoint from, DevicePoint to) = 0;

 private:
  CanvasState state_{};
};

// Keeps a canvas's drawing state and puts it back when it goes, so that a
// stage that draws in a state of its own leaves the next one as it found it.
class CanvasStateSaver {
 public:
  explicit CanvasStateSaver(Canvas& canvas) : canvas_(canvas), saved_(canvas.state()) {}
  ~CanvasStateSaver() { canvas_.SetState(saved_); }
  CanvasStateSaver(const CanvasStateSaver&) = delete;
  CanvasStateSaver& operator=(const CanvasStateSaver&) = delete;

 private:
  Canvas& canvas_;
  CanvasState saved_;
};

}  // namespace kestrel
