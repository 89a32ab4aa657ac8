#include "engine/coordinates.h"

#include <algorithm>
#include <cmath>

#include "engine/engine_log.h"
#include "util/comma_list.h"
#include "util/numbers.h"
#include "util/profile_file.h"

namespace kestrel {

namespace {

// Millimetres to print units: 160/25.4 to nine decimals, as the offsets
// have always been converted.
constexpr double kMmToUnits = 6.299212598;

// A decimal number as the offset file writes it ("1.5", "-2"); anything
// else reads as 0.
double ReadDecimal(std::string_view item) { return ParseReal(item).value_or(0.0); }

}  // namespace

void LoadOffsets(PrintContext& ctx) {
  EngineLogf(ctx, kLogInfo, "【印刷するプリンタ名】= %s\n", ctx.output.deviceName.c_str());
  ctx.page.offsetX = 0;
  ctx.page.offsetY = 0;
  if (!ctx.page.offsetFileFound) return;
  std::string value = ReadIniValue(ctx.options.offsetFilePath, "OFSET", ctx.output.deviceName, "0,0");
  std::vector<std::string> items = SplitCommaList(value);
  double mm[2] = {0, 0};
  for (size_t i = 0; i < 2 && i < items.size(); ++i) mm[i] = ReadDecimal(items[i]);
  EngineLogf(ctx, kLogInfo, "【pofset.txt設定】= オフセットx[%f], オフセットy[%f]\n", mm[0], mm[1]);
  EngineLog(ctx, "  ※オフセットＸ，オフセットＹ共に０の場合は、設定自体が存在しない場合もあります。\n");
  ctx.page.offsetX = mm[0] * kMmToUnits;
  ctx.page.offsetY = mm[1] * kMmToUnits;
}

double MagnificationFor(int paper, int user) {
  // Ratios of the long sides, to nine decimals as they have always been.
  if (paper == 140 && user == 130) return 0.707142857;
  if (paper == 140 && user == 240) return 0.815934065;
  if (paper == 130 && user == 140) return 1.414141414;
  if (paper == 240 && user == 140) return 1.225589225;
  return 1.0;
}

void ChooseMagnification(PrintContext& ctx) {
  ctx.page.magnification = MagnificationFor(ctx.page.paperCode, ctx.page.userPaperCode);
  if (ctx.options.scaleSetting > 0) ctx.page.magnification = ctx.options.scaleSetting;
}

void WriteScaleLog(PrintContext& ctx, double xdpi, double ydpi) {
  const int h = int(std::lround(xdpi * 160)), v = int(std::lround(ydpi * 160));
  EngineLog(ctx, "  ■ピクセル(Pixel) = 画素。出力可能な点の数。\n");
  EngineLog(ctx, "    余談：ボクセル=3次元構造、テクセル=テクスチャ画面\n");
  EngineLog(ctx, "  ■ディスプレイの幅の論理インチ当たりのピクセル数を求める\n");
  EngineLogf(ctx, kLogInfo, "【ピクセル数(X座標)】= %d\n", h);
  EngineLogf(ctx, kLogInfo, "【ピクセル数(Y座標)】= %d\n", v);
  EngineLog(ctx, "  ■DPI(Dot per Inch) = １インチ当りのドット数\n");
  EngineLog(ctx, "  ■DPI計算で160で割るのは元のコマンドが1/160インチで計算されている為\n");
  EngineLogf(ctx, kLogInfo, "【XDPI( (%d)/160 )】= %f\n", h, xdpi);
  EngineLogf(ctx, kLogInfo, "【YDPI( (%d)/160 )】= %f\n", v, ydpi);
  EngineLogf(ctx, kLogInfo, "【用紙選択による縮尺倍率】: Magnification : [ %f ] 倍\n", ctx.page.magnification);
  EngineLogf(ctx, kLogInfo, "【最終出力X座標縮尺】: XDPI * Magnification = [ %f ]倍 : 計算後\n", ctx.page.scaleX);
  EngineLogf(ctx, kLogInfo, "【最終出力Y座標縮尺】: YDPI * Magnification = [ %f ]倍 : 計算後\n", ctx.page.scaleY);
}

int MmToPixels(int dpi, int mm) { return TruncToInt(dpi * (mm * 0.03937007874015748) + 0.5); }

bool PageBitmapFits(int width, int height, int64_t maxPixels) {
  return width <= kMaxPageBitmapSide && height <= kMaxPageBitmapSide &&
         int64_t(std::max(width, 0)) * int64_t(std::max(height, 0)) <= std::min(maxPixels, kMaxPageBitmapPixels);
}

int ClampToDevice(PrintContext& ctx, double v, int limit) {
  if (v != v) {
    ++ctx.page.clampedValues;
    return 0;
  }
  if (v > double(limit) || v < -double(limit)) {
    ++ctx.page.clampedValues;
    return v > 0 ? limit : -limit;
  }
  return int(v);
}

int RoundByWidthFlag(PrintContext& ctx, double length) {
  const double addend = ctx.options.widthFlag == 0 ? 0.5 : ctx.options.widthFlag == 1 ? 0.0 : 0.9999999999999;
  return DeviceSize(ctx, length * ctx.page.scaleX + addend);
}

void ReportClampedValues(PrintContext& ctx) {
  if (ctx.page.clampedValues == 0) return;
  EngineLogf(ctx, kLogError,
             "  ■描画できる範囲を超えた座標・大きさ %d 件を範囲内に収めました(縮尺X[%g], 縮尺Y[%g], "
             "座標の上限 %d, 大きさの上限 %d)\n",
             ctx.page.clampedValues, ctx.page.scaleX, ctx.page.scaleY, kDeviceLimit, kDeviceSizeLimit);
  ctx.page.clampedValues = 0;
}

}  // namespace kestrel
