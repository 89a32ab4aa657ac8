// Circle commands: the outline of a circle or an arc through the system's
// arc primitive over the circle's bounding square.
#include <cmath>

#include "engine/analysis_log.h"
#include "engine/coordinates.h"
#include "engine/draw/draw.h"
#include "engine/engine_log.h"

namespace kestrel {

namespace {

// Degrees to radians with the constant 3.1415, as positions on a circle
// have always been computed (a circle's points therefore sit a hair off
// the exact angle, the same on every page).
constexpr double kPi = 3.1415;

// A value as an unsigned 16-bit field holds it.
unsigned AsU16(double v) { return unsigned(uint16_t(TruncToInt(v))); }

}  // namespace

void gprint_circle(PrintContext& ctx, int index) {
  if (ctx.output.canvas == nullptr) return;
  Canvas& canvas = *ctx.output.canvas;
  CircleCommand c{ctx.page.commands[size_t(index)]};

  // Colour and width; the style is the one the last line left.
  const Colour colour = ColourAt(ctx, c.colorIndex());
  const int width = RoundByWidthFlag(ctx, 1);
  canvas.SetPenKeepStyle(colour, width);

  // Angles: 0 up, growing clockwise on the page.
  const double r = c.radius();
  const int cx = c.cx(), cy = c.cy();
  const double as = c.startAngle() * kPi / 180, ae = c.endAngle() * kPi / 180;
  const double bLeft = (cx - int(c.radius())) + ctx.page.offsetX, bRight = (cx + int(c.radius())) + ctx.page.offsetX;
  const double bTop = (cy - int(c.radius())) + ctx.page.offsetY, bBottom = (cy + int(c.radius())) + ctx.page.offsetY;
  const double bsx = cx + r * std::sin(as) + ctx.page.offsetX, bsy = cy - r * std::cos(as) + ctx.page.offsetY;
  const double bex = cx + r * std::sin(ae) + ctx.page.offsetX, bey = cy - r * std::cos(ae) + ctx.page.offsetY;

  // Corners beyond what a 16-bit field holds (a circle reaching past the
  // top or left of the page) go to the arc as they are, so that the part
  // of the circle on the page is drawn.
  const DeviceRect box{ClampToDevice(ctx, bLeft * ctx.page.scaleX), ClampToDevice(ctx, bTop * ctx.page.scaleY),
                       ClampToDevice(ctx, bRight * ctx.page.scaleX), ClampToDevice(ctx, bBottom * ctx.page.scaleY)};
  const DevicePoint start{ClampToDevice(ctx, bsx * ctx.page.scaleX), ClampToDevice(ctx, bsy * ctx.page.scaleY)};
  const DevicePoint end{ClampToDevice(ctx, bex * ctx.page.scaleX), ClampToDevice(ctx, bey * ctx.page.scaleY)};
  canvas.Arc(box, start, end);

  if (!AnalysisBlockWanted(ctx, ctx.options.filterCircles, 1, "gprint_circle")) return;
  AnalysisLine(ctx, Format("【円】：色(0x%x), 太さ(%d)", colour.value, width));
  AnalysisLine(ctx, Format("半径の長さ（計算前）：r(%.0f)", r));
  AnalysisLine(ctx, Format("外接円を引くための四角領域（計算前）：x1(%u),y1(%u) - x2(%u),y2(%u)", AsU16(bLeft), AsU16(bTop),
                           AsU16(bRight), AsU16(bBottom)));
  AnalysisLine(ctx, Format("楕円の始点座標（計算前）：xx0(%u), yy0(%u)", AsU16(bsx), AsU16(bsy)));
  AnalysisLine(ctx, Format("楕円の終点座標（計算前）：xx1(%u), yy1(%u)", AsU16(bex), AsU16(bey)));
  AnalysisLine(ctx, Format("半径の長さ（計算後）：r(%.0f)", r * ctx.page.scaleX));
  AnalysisLine(ctx, Format("外接円を引くための四角領域（計算後）：x1(%u),y1(%u) - x2(%u),y2(%u)", unsigned(uint16_t(box.left)),
                           unsigned(uint16_t(box.top)), unsigned(uint16_t(box.right)), unsigned(uint16_t(box.bottom))));
  AnalysisLine(ctx, Format("楕円の始点座標（計算後）：xx0(%u), yy0(%u)", unsigned(uint16_t(start.x)),
                           unsigned(uint16_t(start.y))));
  AnalysisLine(ctx, Format("楕円の終点座標（計算後）：xx1(%u), yy1(%u)", unsigned(uint16_t(end.x)), unsigned(uint16_t(end.y))));
  AnalysisLine(ctx, "");
}

}  // namespace kestrel
