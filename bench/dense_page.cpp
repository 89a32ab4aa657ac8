#include "dense_page.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/text_codec.h"

namespace kestrel::bench {

namespace {

// A small linear congruential generator: the same page on every machine.
class Random {
 public:
  int Pick(int lo, int hi) {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return lo + int((state_ >> 33) % uint64_t(hi - lo + 1));
  }

 private:
  uint64_t state_ = 20261207;
};

struct Fill {
  int colour, x1, y1, x2, y2, pattern;
};
struct Line {
  int colour, x0, y0, x1, y1, type;  // type 0-4: solid dash dot dashdot dashdotdot
};
struct Circle {
  int colour, cx, cy, end, start, radius;
};
struct Text {
  int colour, x, y, typeface, cls, width, height, pitch;
  std::string utf8;
};
struct Page {
  std::vector<int> palette;  // 0xRRGGBB
  std::vector<Fill> fills;
  std::vector<Line> lines;
  std::vector<Circle> circles;
  std::vector<Text> texts;
};

const char* const kLineTypes[] = {"solid", "dash", "dot", "dashdot", "dashdotdot"};

const char* const kFullWidth[] = {
    "請求書番号０１２３４５６７８９", "株式会社ケストレル商会御中", "東京都千代田区丸の内一丁目２番３号",
    "品名　数量　単価　金額　備考", "下記のとおりご請求申し上げます。", "振込先　銀行　支店　普通預金口座",
    "小計　消費税　合計金額　差引残高", "納品書（控）お届け先様ご住所",
};
const char* const kHalfWidth[] = {
    "INV-2026-01207 TEL 06-1234-5678", "No.000123 QTY 12 @1,250 = 15,000", "ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789",
    "Total due 1,546,820- (tax incl.)",
};
const char* const kKana[] = {"ｶﾌﾞｼｷｶﾞｲｼｬ ｹｽﾄﾚﾙ", "ﾄｳｷｮｳﾄ ﾁﾖﾀﾞｸ ﾏﾙﾉｳﾁ", "ｺﾞｾｲｷｭｳｷﾝｶﾞｸ ｺﾞｳｹｲ"};

Page Build() {
  Page p;
  Random r;
  p.palette.push_back(0x000000);
  for (int i = 1; i < 24; ++i) p.palette.push_back((r.Pick(0, 200) << 16) | (r.Pick(0, 200) << 8) | r.Pick(0, 200));
  // Shaded cells and bands in the form's four shading colours.
  for (int i = 0; i < 400; ++i) {
    int x = r.Pick(40, 1200), y = r.Pick(40, 1800);
    p.fills.push_back({r.Pick(1, 4), x, y, x + r.Pick(10, 300), y + r.Pick(8, 60), r.Pick(1, 16)});
  }
  // Ruled boxes and grids: half horizontal, half vertical; solid lines
  // most; black most, some in the other colours.
  const int types[] = {0, 0, 0, 1, 2, 3, 4};
  for (int i = 0; i < 3000; ++i) {
    int x = r.Pick(40, 1250), y = r.Pick(40, 1800), len = r.Pick(20, 600);
    int type = types[r.Pick(0, 6)];
    int colour = r.Pick(0, 9) < 6 ? 0 : r.Pick(1, 23);
    if (i % 2 == 0) p.lines.push_back({colour, x, y, std::min(x + len, 1300), y, type});
    else p.lines.push_back({colour, x, y, x, std::min(y + len, 1850), type});
  }
  // Seals and marks: two of three full circles, the rest arcs.
  for (int i = 0; i < 30; ++i) {
    int full = i % 3 != 2;
    int a = r.Pick(0, 359);
    p.circles.push_back({r.Pick(0, 23), r.Pick(120, 1200), r.Pick(120, 1750), full ? 0 : a,
                         full ? 0 : (a + r.Pick(30, 300)) % 360, r.Pick(5, 120)});
  }
  // Strings: full-width in mincho and gothic, half-width letters (some in
  // the OCR face), half-width katakana.
  for (int i = 0; i < 60; ++i) {
    Text t;
    t.colour = i % 7 == 0 ? r.Pick(1, 23) : 0;
    t.x = r.Pick(40, 700);
    t.y = 40 + i * 30;
    const int h = 16 + 2 * r.Pick(0, 10);
    t.height = h;
    t.width = h / 2;
    t.pitch = h / 2;
    if (i % 2 == 0) {
      t.cls = 3;
      t.typeface = i % 4 == 0 ? 1 : 3;
      t.utf8 = kFullWidth[size_t(i / 2) % 8];
    } else if (i % 6 == 1 || i % 6 == 3) {
      t.cls = 1;
      t.typeface = i % 12 == 1 ? 2 : (i % 4 == 1 ? 1 : 3);
      t.utf8 = kHalfWidth[size_t(i / 2) % 4];
    } else {
      t.cls = 2;
      t.typeface = 1;
      t.utf8 = kKana[size_t(i / 6) % 3];
    }
    p.texts.push_back(t);
  }
  return p;
}

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

std::string Hex(const std::string& bytes) {
  std::string out = "<";
  for (unsigned char c : bytes) out += Printf("%02X", c);
  return out + ">";
}

}  // namespace

std::string DensePageText() {
  const Page p = Build();
  std::string out = "# The dense benchmark page (generated).\npaper orientation=portrait paper=A4 userPaper=A4 copies=1\n";
  for (size_t i = 0; i < p.palette.size(); ++i) {
    const int c = p.palette[i];
    out += Printf("palette index=%zu red=%d green=%d blue=%d\n", i, c >> 16, (c >> 8) & 255, c & 255);
  }
  for (const Fill& f : p.fills)
    out += Printf("paint color=%d x1=%d y1=%d x2=%d y2=%d pattern=%d\n", f.colour, f.x1, f.y1, f.x2, f.y2, f.pattern);
  for (const Line& l : p.lines)
    out += Printf("line color=%d x0=%d y0=%d x1=%d y1=%d style=%s\n", l.colour, l.x0, l.y0, l.x1, l.y1,
                  kLineTypes[l.type]);
  for (const Circle& c : p.circles)
    out += Printf("circle color=%d cx=%d cy=%d end=%d start=%d radius=%d\n", c.colour, c.cx, c.cy, c.end, c.start,
                  c.radius);
  for (const Text& t : p.texts)
    out += Printf("string color=%d x=%d y=%d typeface=%d class=%d width=%d height=%d pitch=%d text=\"", t.colour, t.x,
                  t.y, t.typeface, t.cls, t.width, t.height, t.pitch) +
           t.utf8 + "\"\n";
  return out + "end\n";
}

// Positions in 1/160 inch from the top-left corner; one device pixel at
// 350 dpi is 160/350 units. Fills paint their 8x8 tile in the colour over
// white, as a pattern brush with white unset pixels does.
std::string DensePagePostScript(const std::string& minchoFont, const std::string& gothicFont) {
  const Page p = Build();
  const double px = 160.0 / 350.0;
  std::string out =
      "%!PS-Adobe-3.0\n<< /PageSize [595.28 841.89] >> setpagedevice\n"
      "0 841.89 translate 0.45 -0.45 scale\n"
      "/L { newpath moveto lineto stroke } bind def\n"
      "/R { 4 copy gsave 1 setgray rectfill grestore } bind def\n";
  out += Printf("/pen { 0 eq { %.4f setlinewidth 1 setlinecap [] 0 setdash } { %.4f setlinewidth 0 setlinecap } "
                "ifelse } bind def\n",
                2 * px, px);
  // Dash runs in device pixels, as the pens draw them.
  const std::vector<std::vector<int>> dashes = {{}, {18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}};
  for (size_t t = 1; t < dashes.size(); ++t) {
    std::string runs;
    for (int run : dashes[t]) runs += Printf(" %.4f", run * px);
    out += Printf("/D%zu { [%s ] 0 setdash } bind def\n", t, runs.c_str());
  }
  // Pattern tiles: 8 x 8 device pixels, rows derived from the number.
  for (int n = 1; n <= 16; ++n) {
    std::string rows;
    for (int y = 0; y < 8; ++y) rows += char(n % 3 == 0 && y == 0 ? 0xFF : (0x88 >> ((y + n) % 4)) & (y % 2 ? 0xF0 : 0xFF));
    out += Printf("/T%d << /PatternType 1 /PaintType 2 /TilingType 1 /BBox [0 0 8 8] /XStep 8 /YStep 8 "
                  "/PaintProc { pop 8 8 true [1 0 0 1 0 0] %s imagemask } >> [%.4f 0 0 %.4f 0 0] makepattern def\n",
                  n, Hex(rows).c_str(), px, px);
  }
  out += "[/Pattern /DeviceRGB] setcolorspace\n";
  auto rgb = [&](int index) {
    const int c = p.palette[size_t(index)];
    return Printf("%.3f %.3f %.3f", (c >> 16) / 255.0, ((c >> 8) & 255) / 255.0, (c & 255) / 255.0);
  };
  for (const Fill& f : p.fills)
    out += Printf("%d %d %d %d R %s T%d setcolor rectfill\n", f.x1, f.y1, f.x2 - f.x1, f.y2 - f.y1,
                  rgb(f.colour).c_str(), f.pattern);
  out += "/DeviceRGB setcolorspace\n";
  for (const Line& l : p.lines) {
    out += Printf("%d pen ", l.type);
    if (l.type > 0) out += Printf("D%d ", l.type);
    out += Printf("%s setrgbcolor %d %d %d %d L\n", rgb(l.colour).c_str(), l.x1, l.y1, l.x0, l.y0);
  }
  out += "0 pen\n";
  for (const Circle& c : p.circles) {
    // 0 up, clockwise on the page: in the flipped space, angle - 90.
    const int a0 = c.end - 90, a1 = c.start == c.end ? a0 + 360 : c.start - 90 + (c.start < c.end ? 360 : 0);
    out += Printf("%s setrgbcolor newpath %d %d %d %d %d arc stroke\n", rgb(c.colour).c_str(), c.cx, c.cy, c.radius,
                  a0, a1);
  }
  for (const Text& t : p.texts) {
    const std::string font = t.typeface == 2 && t.cls == 1 ? "/Courier"
                             : (t.typeface == 3 ? "/" + gothicFont : "/" + minchoFont) + "-90ms-RKSJ-H";
    out += Printf("%s setrgbcolor %s findfont [%d 0 0 %d 0 0] makefont setfont %d %d moveto %s show\n",
                  rgb(t.colour).c_str(), font.c_str(), t.height, -t.height, t.x, t.y + t.height * 4 / 5,
                  Hex(SjisFromUtf8(t.utf8)).c_str());
  }
  return out + "showpage\n";
}

}  // namespace kestrel::bench
