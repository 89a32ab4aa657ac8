#include "engine/coordinates.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/comma_list.h"
#include "engine/engine_log.h"

namespace kestrel {

namespace {

// Millimetres to print units: 160/25.4 to nine decimals, as the offsets
// have always been converted.
constexpr double kMmToUnits = 6.299212598;

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// One value of an initialisation file: section and key compared without
// regard to ASCII case, the value trimmed and freed of one pair of
// enclosing quotes; fallback when the file, section or key is missing.
// The file is Shift-JIS; names and the value are UTF-8.
std::string ReadProfileValue(const std::string& path, std::string_view section, std::string_view key,
                             const std::string& fallback) {
  FileStream f(std::fopen(path.c_str(), "rb"));
  if (!f) return fallback;
  std::string bytes;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) bytes.append(buffer, n);
  std::string text = Utf8FromSjis(bytes);
  bool inSection = false;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(std::string_view(text).substr(at, end - at));
    at = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      inSection = close != std::string::npos && SameNoCase(Trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    size_t eq = line.find('=');
    if (eq == std::string::npos || !SameNoCase(Trim(line.substr(0, eq)), key)) continue;
    std::string value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return value;
  }
  return fallback;
}

// A decimal number as the offset file writes it ("1.5", "-2"); anything
// else reads as 0.
double ReadDecimal(std::string_view item) {
  std::string s(item);
  if (s.empty()) return 0;
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  if (end == s.c_str() || *end != '\0' || !std::isfinite(v)) return 0;
  return v;
}

}  // namespace

void LoadOffsets(PrintContext& ctx) {
  EngineLogf(ctx, kLogInfo, "【印刷するプリンタ名】= %s\n", ctx.deviceName.c_str());
  ctx.offsetX = 0;
  ctx.offsetY = 0;
  if (ctx.offsetFileFound != 1) return;
  std::string value = ReadProfileValue(ctx.offsetFilePath, "OFSET", ctx.deviceName, "0,0");
  double mm[2] = {0, 0};
  int index = 0;
  ForEachCommaItem(value, [&](std::string_view item) {
    if (index < 2) mm[index] = ReadDecimal(item);
    return ++index < 2;
  });
  EngineLogf(ctx, kLogInfo, "【pofset.txt設定】= オフセットx[%f], オフセットy[%f]\n", mm[0], mm[1]);
  EngineLog(ctx, "  ※オフセットＸ，オフセットＹ共に０の場合は、設定自体が存在しない場合もあります。\n");
  ctx.offsetX = mm[0] * kMmToUnits;
  ctx.offsetY = mm[1] * kMmToUnits;
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
  ctx.magnification = MagnificationFor(ctx.paperCode, ctx.userPaperCode);
  if (ctx.scaleSetting > 0) ctx.magnification = ctx.scaleSetting;
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
  EngineLogf(ctx, kLogInfo, "【用紙選択による縮尺倍率】: Magnification : [ %f ] 倍\n", ctx.magnification);
  EngineLogf(ctx, kLogInfo, "【最終出力X座標縮尺】: XDPI * Magnification = [ %f ]倍 : 計算後\n", ctx.scaleX);
  EngineLogf(ctx, kLogInfo, "【最終出力Y座標縮尺】: YDPI * Magnification = [ %f ]倍 : 計算後\n", ctx.scaleY);
}

int MmToPixels(int dpi, int mm) { return int(dpi * (mm * 0.03937007874015748) + 0.5); }

int RoundByWidthFlag(const PrintContext& ctx, double length) {
  const double addend = ctx.widthFlag == 0 ? 0.5 : ctx.widthFlag == 1 ? 0.0 : 0.9999999999999;
  return TruncToInt(length * ctx.scaleX + addend);
}

}  // namespace kestrel
