#include "platform/recording/recording_canvas.h"

#include <cstdio>

namespace kestrel {

std::string ColourText(Colour c) {
  char b[8];
  std::snprintf(b, sizeof b, "%02X%02X%02X", c.r(), c.g(), c.b());
  return b;
}

namespace {
const char* StyleName(PenStyle s) {
  switch (s) {
    case PenStyle::Solid: return "Solid";
    case PenStyle::Dash: return "Dash";
    case PenStyle::Dot: return "Dot";
    case PenStyle::DashDot: return "DashDot";
    case PenStyle::DashDotDot: return "DashDotDot";
    case PenStyle::Null: return "Null";
  }
  return "?";
}
std::string P(DevicePoint p) { return std::to_string(p.x) + "," + std::to_string(p.y); }
std::string R(DeviceRect r) { return P({r.left, r.top}) + "-" + P({r.right, r.bottom}); }
}  // namespace

RecordingCanvas::RecordingCanvas(int width, int height, int dpiX, int dpiY)
    : width_(width), height_(height), dpiX_(dpiX), dpiY_(dpiY) {}

void RecordingCanvas::Resize(int width, int height, int dpiX, int dpiY) {
  width_ = width;
  height_ = height;
  dpiX_ = dpiX;
  dpiY_ = dpiY;
  Add("Page " + std::to_string(width) + "x" + std::to_string(height) + " @" + std::to_string(dpiX));
}

void RecordingCanvas::Add(std::string line) {
  if (recording_) calls_.push_back(std::move(line));
}

void RecordingCanvas::Note(const std::string& text) { Add("# " + text); }

std::string RecordingCanvas::PenText() const {
  const Pen& p = state().pen;
  return "pen=" + ColourText(p.colour) + "/" + std::to_string(p.width) + "/" + StyleName(p.style);
}

std::string RecordingCanvas::BrushText() const {
  const Brush& b = state().brush;
  switch (b.kind) {
    case BrushKind::Solid: return "brush=solid/" + ColourText(b.colour);
    case BrushKind::Hatch: return "brush=hatch" + std::to_string(int(b.hatch)) + "/" + ColourText(b.colour);
    case BrushKind::Pattern: return "brush=pattern";
    case BrushKind::Clear: return "brush=clear";
  }
  return "brush=?";
}

void RecordingCanvas::DrawLine(DevicePoint from, DevicePoint to) {
  if (!recording_) return;
  Add("LineTo " + P(from) + " -> " + P(to) + " " + PenText());
}

void RecordingCanvas::Rectangle(DeviceRect r) {
  if (!recording_) return;
  Add("Rectangle " + R(r) + " " + PenText() + " " + BrushText());
}

void RecordingCanvas::FillRect(DeviceRect r) {
  if (!recording_) return;
  Add("FillRect " + R(r) + " " + BrushText());
}

void RecordingCanvas::Arc(DeviceRect box, DevicePoint start, DevicePoint end) {
  if (!recording_) return;
  Add("Arc " + R(box) + " from " + P(start) + " to " + P(end) + " " + PenText());
}

void RecordingCanvas::SetPixel(DevicePoint p, Colour c) {
  if (!recording_) return;
  Add("SetPixel " + P(p) + " " + ColourText(c));
}

void RecordingCanvas::BlitOr(DevicePoint at, const SmallBitmap& bitmap) {
  if (!recording_) return;
  Add("BlitOr " + P(at) + " " + std::to_string(bitmap.width) + "x" + std::to_string(bitmap.height));
}

void RecordingCanvas::BlitAnd(DevicePoint at, const SmallBitmap& bitmap) {
  if (!recording_) return;
  Add("BlitAnd " + P(at) + " " + std::to_string(bitmap.width) + "x" + std::to_string(bitmap.height));
}

void RecordingCanvas::DrawText(DevicePoint p, std::string_view utf8) {
  if (!recording_) return;
  const FontSpec& f = state().font;
  Add("Text " + P(p) + " \"" + std::string(utf8) + "\" font=" + f.face + "/" + std::to_string(f.height) + "/" +
      std::to_string(f.width) + "/" + std::to_string(f.escapement) + " colour=" + ColourText(state().textColour));
}

}  // namespace kestrel
