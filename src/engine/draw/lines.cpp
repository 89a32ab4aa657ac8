// Line commands: five line types by the pattern word; solid lines take the
// device-dependent width of width_flg, broken lines are one pixel wide, an
// unlisted word keeps the pen style the canvas has.
#include "engine/analysis_log.h"
#include "engine/coordinates.h"
#include "engine/draw/draw.h"
#include "engine/engine_log.h"

namespace kestrel {

void gprint_line(PrintContext& ctx, int index) {
  if (ctx.output.canvas == nullptr) return;
  Canvas& canvas = *ctx.output.canvas;
  LineCommand l{ctx.page.commands[size_t(index)]};

  Pen pen = canvas.state().pen;
  pen.width = 1;
  int code = 1;
  for (const DataLineStyle& known : kDataLineStyles) {
    if (known.word != l.lineStyle()) continue;
    pen.style = known.style;
    code = known.type;
    if (known.style == PenStyle::Solid) pen.width = RoundByWidthFlag(ctx, 1);
    break;
  }

  const double bx0 = l.x0() + ctx.page.offsetX, by0 = l.y0() + ctx.page.offsetY;
  const double bx1 = l.x1() + ctx.page.offsetX, by1 = l.y1() + ctx.page.offsetY;
  const double sx = ctx.page.scaleX, sy = ctx.page.scaleY;
  const double X0 = bx0 * sx, Y0 = by0 * sy, X1 = bx1 * sx, Y1 = by1 * sy;
  const DevicePoint from{ClampToDevice(ctx, X0), ClampToDevice(ctx, Y0)}, to{ClampToDevice(ctx, X1), ClampToDevice(ctx, Y1)};

  if (ctx.options.firstLineFlag == 1) {
    int32_t& cflg = ctx.cache.firstLineDrawn;
    EngineLogf(ctx, kLogInfo, "【first_line処理】cflg = [%d]\n", int(cflg));
    if (cflg == 0) {
      pen.colour = Colour::Rgb(0, 0, 255);
      canvas.SetPen(pen);
      canvas.MoveTo(from);
      canvas.LineTo(to);
      cflg = 1;
    }
  }

  pen.colour = ColourAt(ctx, l.colorIndex());
  canvas.SetPen(pen);
  canvas.MoveTo(from);
  canvas.LineTo(to);

  if (!AnalysisBlockWanted(ctx, ctx.options.filterLineTypes, code, "gprint_line")) return;
  AnalysisLine(ctx, Format("【線】：色(0x%x), パターン(0x%x), 太さ(%d)", pen.colour.value, code, pen.width));
  AnalysisLine(ctx, Format("範囲（計算前）：x0(%.0f),y0(%.0f) - x1(%.0f),y1(%.0f)", bx0, by0, bx1, by1));
  AnalysisLine(ctx, Format("範囲（計算後）：x0(%.0f),y0(%.0f) - x1(%.0f),y1(%.0f)", X0, Y0, X1, Y1));
  AnalysisLine(ctx, "");
}

}  // namespace kestrel
