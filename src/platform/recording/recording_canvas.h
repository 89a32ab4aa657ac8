#pragma once

#include <string>
#include <vector>

#include "platform/canvas.h"

namespace kestrel {

// A canvas that draws nothing and writes every drawing call as one line of
// text ("LineTo 10,20 -> 30,40 pen=000000/1/Solid"), so that tests can see
// what the engine drew and in which order. State setters are not recorded;
// each drawing line carries the state it was drawn with.
class RecordingCanvas : public Canvas {
 public:
  RecordingCanvas(int width = 4960, int height = 7016, int dpiX = 600, int dpiY = 600);

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  int PixelsPerInchX() const override { return dpiX_; }
  int PixelsPerInchY() const override { return dpiY_; }
  void Resize(int width, int height, int dpiX, int dpiY);

  void Rectangle(DeviceRect r) override;
  void FillRect(DeviceRect r) override;
  void Arc(DeviceRect box, DevicePoint start, DevicePoint end) override;
  void SetPixel(DevicePoint p, Colour c) override;
  void BlitOr(DevicePoint at, const SmallBitmap& bitmap) override;
  void BlitAnd(DevicePoint at, const SmallBitmap& bitmap) override;
  void DrawText(DevicePoint p, std::string_view utf8) override;

  // Recorded calls; cleared by Clear(). Recording can be switched off for
  // speed (the built-in device that draws nowhere).
  const std::vector<std::string>& calls() const { return calls_; }
  void Clear() { calls_.clear(); }
  void SetRecording(bool on) { recording_ = on; }
  // Marks a page boundary in the record.
  void Note(const std::string& text);

 protected:
  void DrawLine(DevicePoint from, DevicePoint to) override;

 private:
  std::string PenText() const;
  std::string BrushText() const;
  void Add(std::string line);

  int width_, height_, dpiX_, dpiY_;
  bool recording_ = true;
  std::vector<std::string> calls_;
};

std::string ColourText(Colour c);  // "RRGGBB"

}  // namespace kestrel
